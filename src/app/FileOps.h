#pragma once
// File operations of the backup and shutdown sequence, behind one seam so that tests
// can make any single step fail.
#include <QString>

class FileOps {
public:
    virtual ~FileOps() = default;
    // Copies over an existing target; the old target survives a failed copy.
    virtual bool copy(const QString& source, const QString& target, QString* error);
    virtual bool rename(const QString& source, const QString& target, QString* error);
    virtual bool remove(const QString& path, QString* error);
    virtual bool compact(const QString& source, const QString& target, QString* error);
};

FileOps& Files();
// Null restores the real file system.
void InstallFileOps(FileOps* ops);
