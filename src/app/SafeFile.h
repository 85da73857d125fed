#pragma once
// The one way a file the user asked for is written (CSV, HTML and its pictures, PDF,
// UDDF): the bytes go to a temporary file beside the target, which replaces the target
// only when it is complete and on the disk, so a failure (a full disk, say) leaves an
// existing file as it was. The log and its companions are never a target.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <sys/types.h>
#include <vector>

// True when path is the log at logPath or one of its companions (.bak, .new, .old and
// SQLite's journal files), whatever name leads to it: links and ".." are followed as the
// system follows them, and files are compared by device and inode, not by name. A
// companion that does not exist yet counts too when the path leads to its place.
bool IsLogOrCompanion(const QString& path, const QString& logPath);
// The message that refuses path as a target because it is the log (gDatabasePath) or
// a companion; empty when path may be written.
QString LogTargetRefusal(const QString& path);

// The system calls of the writer, behind one seam so that tests can make any step fail.
class SafeFileCalls {
public:
    virtual ~SafeFileCalls() = default;
    virtual int open(const QByteArray& path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const char* data, size_t size);
    virtual int datasync(int fd);
    virtual int close(int fd);
    virtual int rename(const QByteArray& from, const QByteArray& to);
    virtual int syncFolder(const QByteArray& folder);
    // Syncs the whole file system that holds the folder.
    virtual int syncFileSystem(const QByteArray& folder);
};
// Null restores the real calls.
void InstallSafeFileCalls(SafeFileCalls* calls);

class SafeFileWriter {
public:
    explicit SafeFileWriter(QString target);
    // A file not committed is dropped: its temporary file goes, the target stays.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Refuses the log and its companions (LogTargetRefusal), then creates the temporary file.
    bool open();
    bool write(const QByteArray& bytes);
    // Writes out and syncs the file, renames it over the target and syncs the folder.
    bool commit();
    void discard();
    // Writes out and closes the temporary file without waiting for the disk, for
    // CommitTogether.
    bool closeUnsynced();

    // What failed, in Japanese, with the system's reason.
    const QString& errorString() const { return m_error; }

private:
    friend bool CommitTogether(const std::vector<SafeFileWriter*>& files, QString* error);
    bool flushBuffer();
    bool fail(const char* what, int error);
    void dropTemp();

    QString m_target;        // as the user named it, for messages
    QByteArray m_finalPath;  // the target with links in its last part followed
    QByteArray m_folder;
    QByteArray m_tempPath;   // empty when writing straight into a device or pipe
    QByteArray m_buffer;
    int m_fd = -1;
    bool m_failed = false;
    bool m_committed = false;
    bool m_closed = false;  // by closeUnsynced
    QString m_error;
};

// Many files at once (an export's pictures), closed with closeUnsynced: one sync of their
// file system puts them all on the disk before any replaces its target, in their order
// (the last of two with one target stays), then each folder is synced once. One wait for
// the disk instead of two for every file. False with error set when one failed: the files
// before it have replaced their targets, it and the others are dropped.
bool CommitTogether(const std::vector<SafeFileWriter*>& files, QString* error);

// A SafeFileWriter as a QIODevice, for writers that take a device (PDF, XML).
class SafeFileDevice : public QIODevice {
public:
    explicit SafeFileDevice(SafeFileWriter& file) : m_file(file) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        return m_file.write(QByteArray::fromRawData(data, size)) ? size : -1;
    }

private:
    SafeFileWriter& m_file;
};
