#include "FileOps.h"

#include "Database.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {
FileOps gRealFiles;
FileOps* gFiles = &gRealFiles;

QString describe(const char* what, const QString& path, const QString& reason)
{
    return QCoreApplication::translate("FileOps", what).arg(path) + QLatin1Char('\n') + reason;
}

// The failure of the step that just failed, told with the system's reason.
bool failed(QString* error, const char* what, const QString& path)
{
    const int code = errno;
    if (error)
        *error = describe(what, path, qt_error_string(code));
    return false;
}

// A descriptor that is closed on every way out, also when a test stops the sequence by
// throwing out of a step. The close that counts goes through the seam.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    bool close(FileOps& files) { return files.close(std::exchange(m_fd, -1)); }

private:
    int m_fd;
};

bool stampOf(int fd, FileStamp* stamp)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    // SQLite's file change counter: 4 bytes, big-endian, at offset 24 of the header.
    uchar header[28] = {};
    const ssize_t n = ::pread(fd, header, sizeof header, 0);
    if (n < 0)
        return false;
    stamp->size = st.st_size;
    stamp->modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp->changeCounter = n == sizeof header ? qFromBigEndian<quint32>(header + 24) : 0;
    stamp->mode = st.st_mode & 07777;
    return true;
}

bool writeAll(FileOps& files, int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 n = files.write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

const char kCannotCopy[] = "ファイル %1 をコピーできませんでした";
const char kCannotSync[] = "ファイル %1 をディスクに書き込めませんでした";

// The copy into temp, every step checked; the caller removes temp when this fails.
bool copyInto(FileOps& files, const QString& source, const QString& temp, QString* error)
{
    Descriptor in(files.open(source, O_RDONLY | O_CLOEXEC, 0));
    FileStamp before, after;
    if (!in.isOpen() || !stampOf(in.fd(), &before))
        return failed(error, kCannotCopy, source);
    Descriptor out(files.open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!out.isOpen() || !files.setMode(out.fd(), before.mode))
        return failed(error, kCannotCopy, temp);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const qint64 n = files.read(in.fd(), buffer.data(), qint64(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed(error, kCannotCopy, source);
        if (n == 0)
            break;
        if (!writeAll(files, out.fd(), buffer.data(), n))
            return failed(error, kCannotCopy, temp);
    }
    // A copy of a file that another program changed meanwhile may mix two states.
    if (!stampOf(in.fd(), &after))
        return failed(error, kCannotCopy, source);
    if (after != before) {
        if (error)
            *error = QCoreApplication::translate("FileOps", "ファイル %1 はコピーの途中で変更されました").arg(source);
        return false;
    }
    if (!files.sync(out.fd()))
        return failed(error, kCannotSync, temp);
    if (!out.close(files))
        return failed(error, kCannotCopy, temp);
    if (!in.close(files))
        return failed(error, kCannotCopy, source);
    return true;
}
}  // namespace

int FileOps::open(const QString& path, int flags, unsigned mode)
{
    return ::open(QFile::encodeName(path).constData(), flags, mode_t(mode));
}

qint64 FileOps::read(int fd, char* data, qint64 size)
{
    return ::read(fd, data, size_t(size));
}

qint64 FileOps::write(int fd, const char* data, qint64 size)
{
    return ::write(fd, data, size_t(size));
}

bool FileOps::sync(int fd)
{
    return ::fdatasync(fd) == 0;
}

bool FileOps::close(int fd)
{
    return ::close(fd) == 0;
}

bool FileOps::setMode(int fd, unsigned mode)
{
    return ::fchmod(fd, mode_t(mode)) == 0;
}

bool FileOps::rename(const QString& source, const QString& target, QString* error)
{
    // std::rename replaces an existing target in one step on POSIX systems.
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0)
        return failed(error, "ファイル %1 の名前を変更できませんでした", source);
    return true;
}

bool FileOps::remove(const QString& path, QString* error)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return failed(error, "ファイル %1 を削除できませんでした", path);
    return true;
}

bool FileOps::compact(const QString& source, const QString& target, QString* error)
{
    QString reason;
    if (!Database::compact(source, target, &reason)) {
        if (error) *error = describe("データベース %1 を最適化できませんでした", source, reason);
        return false;
    }
    return true;
}

bool FileOps::copy(const QString& source, const QString& target, QString* error)
{
    const QString temp = target + QStringLiteral(".tmp");
    if (!copyInto(*this, source, temp, error)) {
        remove(temp, nullptr);
        return false;
    }
    return rename(temp, target, error) && syncFolderOf(target, error);
}

bool FileOps::syncFile(const QString& path, QString* error)
{
    Descriptor file(open(path, O_RDONLY | O_CLOEXEC, 0));
    if (!file.isOpen() || !sync(file.fd()) || !file.close(*this))
        return failed(error, kCannotSync, path);
    return true;
}

bool FileOps::syncFolderOf(const QString& path, QString* error)
{
    // A rename is on the disk only once the folder that holds the names is.
    const QString folder = QFileInfo(path).absolutePath();
    Descriptor dir(open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (!dir.isOpen() || !sync(dir.fd()) || !dir.close(*this))
        return failed(error, kCannotSync, folder);
    return true;
}

bool FileOps::createEmpty(const QString& path, unsigned mode, QString* error)
{
    // Created private and then given its mode, so that no one the mode excludes can open
    // it meanwhile, whatever the process's umask.
    Descriptor file(open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file.isOpen() || !setMode(file.fd(), mode) || !file.close(*this))
        return failed(error, "ファイル %1 を作成できませんでした", path);
    return true;
}

bool FileOps::stamp(const QString& path, FileStamp* stamp, QString* error)
{
    Descriptor file(open(path, O_RDONLY | O_CLOEXEC, 0));
    if (!file.isOpen() || !stampOf(file.fd(), stamp) || !file.close(*this))
        return failed(error, "ファイル %1 を読み取れませんでした", path);
    return true;
}

FileOps& Files()
{
    return *gFiles;
}

void InstallFileOps(FileOps* ops)
{
    gFiles = ops ? ops : &gRealFiles;
}

QString FollowLinks(const QString& path)
{
    QString file = path;
    // A bound, as the system has one, against a loop of links.
    for (int i = 0; i < 40; ++i) {
        const QFileInfo info(file);
        const QString target = info.isSymLink() ? info.symLinkTarget() : QString();
        if (target.isEmpty())
            break;
        file = target;
    }
    return file;
}
