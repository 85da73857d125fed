#include "SafeFile.h"

#include "Globals.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
SafeFileCalls gRealCalls;
SafeFileCalls* gCalls = &gRealCalls;

// Bytes gathered before they go to the file: one system call per line would cost more
// than the lines themselves.
constexpr qsizetype kBufferSize = 64 * 1024;

// The folder part and the name part of a path, split as the system splits them.
QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// The path with the links of its last part followed, as opening it would follow them.
// The folder part is left for the system to resolve, so ".." after a link means what it
// means to the system, not what it means to the text.
QByteArray followLinks(QByteArray path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), link, sizeof link);
        if (n <= 0)
            break;
        const QByteArray to(link, n);
        path = to.startsWith('/') ? to : folderOf(path) + '/' + to;
    }
    return path;
}

// Where a path leads: the file found there, and the folder entry it names.
struct Place {
    bool hasFile = false, hasEntry = false;
    dev_t fileDev = 0, folderDev = 0;
    ino_t fileIno = 0, folderIno = 0;
    QByteArray name;

    explicit Place(const QByteArray& path)
    {
        struct stat st;
        if (::stat(path.constData(), &st) == 0) {
            hasFile = true;
            fileDev = st.st_dev;
            fileIno = st.st_ino;
        }
        const QByteArray final = followLinks(path);
        name = nameOf(final);
        if (!name.isEmpty() && name != "." && name != ".." && ::stat(folderOf(final).constData(), &st) == 0) {
            hasEntry = true;
            folderDev = st.st_dev;
            folderIno = st.st_ino;
        }
    }
    bool sameAs(const Place& o) const
    {
        return (hasFile && o.hasFile && fileDev == o.fileDev && fileIno == o.fileIno)
            || (hasEntry && o.hasEntry && folderDev == o.folderDev && folderIno == o.folderIno && name == o.name);
    }
};
}  // namespace

bool IsLogOrCompanion(const QString& path, const QString& logPath)
{
    if (path.isEmpty() || logPath.isEmpty())
        return false;
    const Place target(QFile::encodeName(path));
    if (!target.hasFile && !target.hasEntry)
        return false;
    // SQLite names its journal after the file the log's links lead to; the program names
    // the other companions after the log's own path.
    const QByteArray log = QFile::encodeName(logPath);
    for (const QByteArray& base : {log, followLinks(log)})
        for (const char* suffix : {"", ".bak", ".new", ".old", "-journal", "-wal", "-shm"})
            if (target.sameAs(Place(base + suffix)))
                return true;
    return false;
}

QString LogTargetRefusal(const QString& path)
{
    if (!IsLogOrCompanion(path, gDatabasePath))
        return {};
    return QCoreApplication::translate("SafeFile", "ファイル %1 はデータベースファイルまたはその関連ファイルなので、"
                                                   "出力先にできません。別のファイル名を指定してください。")
        .arg(path);
}

int SafeFileCalls::open(const QByteArray& path, int flags, mode_t mode)
{
    return ::open(path.constData(), flags, mode);
}

ssize_t SafeFileCalls::write(int fd, const char* data, size_t size)
{
    return ::write(fd, data, size);
}

int SafeFileCalls::datasync(int fd)
{
    return ::fdatasync(fd);
}

int SafeFileCalls::close(int fd)
{
    return ::close(fd);
}

int SafeFileCalls::rename(const QByteArray& from, const QByteArray& to)
{
    return ::rename(from.constData(), to.constData());
}

int SafeFileCalls::syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return rc;
}

int SafeFileCalls::syncFileSystem(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int rc = ::syncfs(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return rc;
}

void InstallSafeFileCalls(SafeFileCalls* calls)
{
    gCalls = calls ? calls : &gRealCalls;
}

SafeFileWriter::SafeFileWriter(QString target) : m_target(std::move(target))
{
}

SafeFileWriter::~SafeFileWriter()
{
    if (!m_committed)
        discard();
}

bool SafeFileWriter::fail(const char* what, int error)
{
    m_failed = true;
    m_error = QCoreApplication::translate("SafeFile", what).arg(m_target) + QLatin1Char('\n') + qt_error_string(error);
    dropTemp();
    return false;
}

void SafeFileWriter::dropTemp()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.isEmpty())
        ::unlink(m_tempPath.constData());
    m_tempPath.clear();
    m_buffer.clear();
}

bool SafeFileWriter::open()
{
    if (const QString refusal = LogTargetRefusal(m_target); !refusal.isEmpty()) {
        m_failed = true;
        m_error = refusal;
        return false;
    }
    const QByteArray asNamed = QFile::encodeName(m_target);
    struct stat st;
    const bool exists = ::stat(asNamed.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        // A device or a pipe (/dev/stdout, say) has no contents to keep and cannot be
        // replaced: it is written as it is.
        m_fd = gCalls->open(asNamed, O_WRONLY | O_CLOEXEC, 0);
        return m_fd >= 0 || fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 を作成できませんでした"), errno);
    }
    m_finalPath = followLinks(asNamed);
    m_folder = folderOf(m_finalPath);
    const QByteArray name = nameOf(m_finalPath);
    if (name.isEmpty() || name == "." || name == ".." || (exists && S_ISDIR(st.st_mode)))
        return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 を作成できませんでした"), EISDIR);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = m_folder + "/." + name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36)
            + ".tmp";
        m_fd = gCalls->open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_tempPath = temp;
            // A replaced file keeps its permissions. File systems without them refuse
            // the change, which costs nothing there.
            if (exists)
                ::fchmod(m_fd, st.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 を作成できませんでした"), errno);
}

bool SafeFileWriter::flushBuffer()
{
    qsizetype done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = gCalls->write(m_fd, m_buffer.constData() + done, size_t(m_buffer.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 に書き込めませんでした"), n < 0 ? errno : ENOSPC);
        done += n;
    }
    m_buffer.clear();
    return true;
}

bool SafeFileWriter::write(const QByteArray& bytes)
{
    if (m_failed || m_fd < 0)
        return false;
    m_buffer += bytes;
    return m_buffer.size() < kBufferSize || flushBuffer();
}

bool SafeFileWriter::commit()
{
    if (m_failed || m_fd < 0 || !flushBuffer())
        return false;
    if (m_tempPath.isEmpty()) {
        const int fd = std::exchange(m_fd, -1);
        if (gCalls->close(fd) != 0)
            return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 に書き込めませんでした"), errno);
        m_committed = true;
        return true;
    }
    if (gCalls->datasync(m_fd) != 0)
        return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 に書き込めませんでした"), errno);
    const int fd = std::exchange(m_fd, -1);
    if (gCalls->close(fd) != 0)
        return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 に書き込めませんでした"), errno);
    if (gCalls->rename(m_tempPath, m_finalPath) != 0)
        return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 を置き換えられませんでした"), errno);
    m_tempPath.clear();
    m_committed = true;
    // Without this the new name may not survive a power cut although the data would.
    if (gCalls->syncFolder(m_folder) != 0)
        return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 の書き込みを確定できませんでした"), errno);
    return true;
}

void SafeFileWriter::discard()
{
    dropTemp();
}

bool SafeFileWriter::closeUnsynced()
{
    if (m_failed || m_fd < 0 || !flushBuffer())
        return false;
    if (gCalls->close(std::exchange(m_fd, -1)) != 0)
        return fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 に書き込めませんでした"), errno);
    m_closed = true;
    return true;
}

bool CommitTogether(const std::vector<SafeFileWriter*>& files, QString* error)
{
    // The files before the first that failed are put in place; it and those after it go.
    size_t good = 0;
    while (good < files.size() && !files[good]->m_failed && files[good]->m_closed)
        ++good;
    QString failure;
    const auto dropFrom = [&](size_t i) {
        if (i < files.size() && failure.isEmpty())
            failure = files[i]->errorString().isEmpty()
                ? QCoreApplication::translate("SafeFile", "ファイル %1 に書き込めませんでした").arg(files[i]->m_target)
                : files[i]->errorString();
        for (size_t j = i; j < files.size(); ++j)
            files[j]->dropTemp();
    };
    std::vector<QByteArray> folders;
    for (size_t i = 0; i < good; ++i)
        if (!files[i]->m_tempPath.isEmpty()
            && std::find(folders.begin(), folders.end(), files[i]->m_folder) == folders.end())
            folders.push_back(files[i]->m_folder);
    for (const QByteArray& folder : folders) {
        if (gCalls->syncFileSystem(folder) != 0) {
            files[0]->fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 に書き込めませんでした"), errno);
            good = 0;
            break;
        }
    }
    for (size_t i = 0; i < good; ++i) {
        SafeFileWriter& f = *files[i];
        if (!f.m_tempPath.isEmpty() && gCalls->rename(f.m_tempPath, f.m_finalPath) != 0) {
            f.fail(QT_TRANSLATE_NOOP("SafeFile", "ファイル %1 を置き換えられませんでした"), errno);
            good = i;
            break;
        }
        f.m_tempPath.clear();
        f.m_committed = true;
    }
    dropFrom(good);
    for (const QByteArray& folder : folders)
        if (gCalls->syncFolder(folder) != 0 && failure.isEmpty())
            failure = QCoreApplication::translate("SafeFile", "ファイル %1 の書き込みを確定できませんでした")
                          .arg(QFile::decodeName(folder))
                + QLatin1Char('\n') + qt_error_string(errno);
    if (error)
        *error = failure;
    return failure.isEmpty();
}
