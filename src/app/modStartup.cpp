#include "modStartup.h"

#include "Database.h"
#include "FileOps.h"
#include "Globals.h"
#include "Schema.h"
#include "UiServices.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modStartup", text);
}

void readLong(long& target, const QString& section, const QString& key, const QString& defaultValue)
{
    if (auto v = CLng(ReadIni(section, key, defaultValue)))
        target = *v;
}
}  // namespace

StartupPaths DefaultStartupPaths()
{
    StartupPaths p;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    // The user's runtime folder; without one, a name of the user's own in the temporary folder.
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString lockName = QStringLiteral("/tidewriter.lock");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir()) {
        runtime = QDir::tempPath();
        lockName = QStringLiteral("/tidewriter-%1.lock").arg(QString::fromLocal8Bit(qgetenv("USER")));
    }
    QDir().mkpath(data);
    QDir().mkpath(config);
    p.defaultDatabase = data + QStringLiteral("/tidewriter.db");
    p.iniFile = config + QStringLiteral("/tidewriter.ini");
    p.lockFile = runtime + lockName;
    return p;
}

QString DatabasePathFromArgs(const QStringList& arguments)
{
    QStringList words;
    for (const QString& a : arguments)
        if (!a.startsWith(QStringLiteral("--")))
            words << a;
    return words.join(QLatin1Char(' ')).remove(QLatin1Char('"'));
}

bool RestoreInterruptedShutdown(const QString& logPath)
{
    // The exit compacts the file a symbolic link points to, beside that file.
    const QString path = FollowLinks(logPath);
    if (QFileInfo::exists(path))
        return true;
    const QString candidates[] = {path + QStringLiteral(".old"), path + QStringLiteral(".new")};
    bool any = false;
    for (const QString& c : candidates) {
        if (!QFileInfo::exists(c))
            continue;
        any = true;
        if (Database::integrityCheck(c) && Files().rename(c, path, nullptr))
            return true;
    }
    return !any;
}

bool OpenLog(Database& db, const QString& path, bool createIfMissing)
{
    bool ok = RestoreInterruptedShutdown(path);
    if (ok && createIfMissing && !QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ok = CreateNewLog(path, nullptr);
    }
    if (ok)
        ok = db.open(path, Database::OpenMode::ExistingReadWrite);
    if (!ok)
        MsgBox(tr("データベースファイルがオープンできませんでした"), MsgIcon::Critical, MsgButtons::Ok, tr("エラー"));
    return ok;
}

void ReadProgramSettings()
{
    readLong(gPort, QStringLiteral("OPTION"), QStringLiteral("PORT"), QStringLiteral("1"));
    gPortName = ReadIni(QStringLiteral("OPTION"), QStringLiteral("PORT_NAME"), QString());
    struct Defaults { const char* section; const char* top; const char* right; const char* left; };
    const Defaults pages[] = {{"PAGETYPE_1", "16", "21", "15"}, {"PAGETYPE_2", "12", "24", "5"}};
    for (int i = 0; i < 2; ++i) {
        const QString section = QString::fromLatin1(pages[i].section);
        readLong(gTopMargin[i], section, QStringLiteral("TOP_MARGINE"), QString::fromLatin1(pages[i].top));
        readLong(gLeftMarginRight[i], section, QStringLiteral("LEFT_MARGINE_RIGHT"), QString::fromLatin1(pages[i].right));
        readLong(gLeftMarginLeft[i], section, QStringLiteral("LEFT_MARGINE_LEFT"), QString::fromLatin1(pages[i].left));
        readLong(gOrientation[i], section, QStringLiteral("ORIENTATION"), QStringLiteral("0"));
    }
    readLong(gPageType, QStringLiteral("PRINT"), QStringLiteral("PAGE_TYPE"), QStringLiteral("0"));
    readLong(gPageSeq, QStringLiteral("PRINT"), QStringLiteral("PAGE_SEQ"), QStringLiteral("0"));
}

void CompactAtShutdown()
{
    if (!gModified)
        return;
    // A log that is a symbolic link stays one: the file it points to is compacted, with
    // its companions .new and .old beside it, where the renames can replace it.
    const QString path = FollowLinks(gDatabasePath);
    const QString bak = gDatabasePath + QStringLiteral(".bak"), fresh = path + QStringLiteral(".new"),
                  old = path + QStringLiteral(".old");
    FileOps& files = Files();
    // The log as it is copied: what the compacted copy may replace.
    QString error;
    FileStamp copied;
    const bool stamped = files.stamp(path, &copied, &error);
    if (!BackupDatabase())
        return;
    files.remove(fresh, nullptr);
    files.remove(old, nullptr);
    // The new file has the log's permissions from the start, and is on the disk before
    // any rename depends on it.
    bool done = stamped && files.createEmpty(fresh, copied.mode, &error) && files.compact(bak, fresh, &error)
        && files.syncFile(fresh, &error);
    if (done) {
        // Another program may have written to the log after it was copied: its change is
        // not in the compacted copy, so the log stays as it is.
        FileStamp now;
        if (!files.stamp(path, &now, nullptr) || now != copied) {
            files.remove(fresh, nullptr);
            return;
        }
        done = files.rename(path, old, &error) && files.rename(fresh, path, &error) && files.syncFolderOf(path, &error)
            && files.remove(old, &error);
    }
    if (!done)
        MsgBox(error, MsgIcon::Critical, MsgButtons::Ok, tr("エラー"));
}
