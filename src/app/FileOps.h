#pragma once
// File operations of the backup and shutdown sequence, behind one seam so that tests
// can make any single step fail, or stop the sequence there as a crash would.
#include <QString>
#include <QtGlobal>

// One state of a file: a change by any program alters its size, its modification time
// or, for a log, SQLite's change counter in the file header.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint32 changeCounter = 0;
    unsigned mode = 0;  // permission bits
    bool operator==(const FileStamp&) const = default;
};

class FileOps {
public:
    virtual ~FileOps() = default;

    // The steps, each one system call; -1 or false with errno set when it fails.
    virtual int open(const QString& path, int flags, unsigned mode);
    virtual qint64 read(int fd, char* data, qint64 size);
    virtual qint64 write(int fd, const char* data, qint64 size);
    // The file's data, or a folder's entries, on the disk.
    virtual bool sync(int fd);
    virtual bool close(int fd);
    virtual bool setMode(int fd, unsigned mode);
    // Replaces an existing target in one step.
    virtual bool rename(const QString& source, const QString& target, QString* error);
    virtual bool remove(const QString& path, QString* error);
    // Compacts a closed log into target, a new or empty file.
    virtual bool compact(const QString& source, const QString& target, QString* error);

    // Copies through a temporary file beside the target, written, synced and closed before
    // it is renamed over the target, then syncs the folder: the target is either as it was
    // or a complete copy with the source's permissions. A source that changes while it is
    // read fails the copy.
    virtual bool copy(const QString& source, const QString& target, QString* error);

    // Made of the steps above.
    bool syncFile(const QString& path, QString* error);
    bool syncFolderOf(const QString& path, QString* error);
    // A new empty file with exactly these permissions; fails when the path exists.
    bool createEmpty(const QString& path, unsigned mode, QString* error);
    bool stamp(const QString& path, FileStamp* stamp, QString* error);
};

FileOps& Files();
// Null restores the real file system.
void InstallFileOps(FileOps* ops);

// The file a path names: symbolic links at its end followed, a dangling one included.
QString FollowLinks(const QString& path);
