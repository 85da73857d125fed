#include "FileOps.h"

#include "Database.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {
FileOps gRealFiles;
FileOps* gFiles = &gRealFiles;

QString describe(const char* what, const QString& path, const QString& reason)
{
    return QCoreApplication::translate("FileOps", what).arg(path) + QLatin1Char('\n') + reason;
}
}  // namespace

bool FileOps::copy(const QString& source, const QString& target, QString* error)
{
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    QFile in(source);
    if (!in.copy(temp)) {
        if (error) *error = describe("ファイル %1 をコピーできませんでした", source, in.errorString());
        QFile::remove(temp);
        return false;
    }
    return rename(temp, target, error);
}

bool FileOps::rename(const QString& source, const QString& target, QString* error)
{
    // std::rename replaces an existing target in one step on POSIX systems.
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0) {
        if (error) *error = describe("ファイル %1 の名前を変更できませんでした", source, qt_error_string(errno));
        return false;
    }
    return true;
}

bool FileOps::remove(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.remove()) {
        if (error) *error = describe("ファイル %1 を削除できませんでした", path, f.errorString());
        return false;
    }
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

FileOps& Files()
{
    return *gFiles;
}

void InstallFileOps(FileOps* ops)
{
    gFiles = ops ? ops : &gRealFiles;
}
