#include "modStartup.h"

#include "Database.h"
#include "FileOps.h"
#include "Globals.h"
#include "Schema.h"
#include "UiServices.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <limits>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modStartup", text);
}

// A value outside [lowest, highest] cannot be converted either: the setting keeps its value.
void readLong(long& target, const QString& section, const QString& key, const QString& defaultValue,
              long lowest = std::numeric_limits<long>::min(), long highest = std::numeric_limits<long>::max())
{
    if (auto v = CLng(ReadIni(section, key, defaultValue)); v && *v >= lowest && *v <= highest)
        target = *v;
}

// path + ".bak-" + the day (2026-12-06), with "-2", "-3" ... when that name is taken: a
// name no backup is ever written to.
QString KeptBackupName(const QString& path, const QDate& day)
{
    const QString dated = path + QStringLiteral(".bak-") + day.toString(Qt::ISODate);
    QString name = dated;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = dated + QStringLiteral("-%1").arg(n);
    return name;
}
}  // namespace

StartupPaths DefaultStartupPaths()
{
    StartupPaths p;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    // The user's runtime folder. Without one, the program's cache folder, kept writable by
    // the user alone: a fixed name in the shared temporary folder could be taken first by
    // another user, who would then decide whether this program starts.
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir()) {
        runtime = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        if (QDir().mkpath(runtime))
            QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QDir().mkpath(data);
    QDir().mkpath(config);
    p.defaultDatabase = data + QStringLiteral("/tidewriter.db");
    p.iniFile = config + QStringLiteral("/tidewriter.ini");
    p.lockFile = runtime + QStringLiteral("/tidewriter.lock");
    return p;
}

InstanceLock TakeInstanceLock(QLockFile& lock, QString* reason)
{
    lock.setStaleLockTime(0);  // a lock left by a crashed run is recognised by its pid
    if (lock.tryLock(0))
        return InstanceLock::Taken;
    if (lock.error() == QLockFile::LockFailedError)
        return InstanceLock::HeldByAnotherRun;
    if (reason) {
        const QFileInfo file(lock.fileName());
        const QFileInfo folder(file.absolutePath());
        if (!folder.exists()) {
            *reason = tr("フォルダ %1 がありません").arg(folder.filePath());
        } else if (!folder.isDir()) {
            *reason = tr("%1 はフォルダではありません").arg(folder.filePath());
        } else if (lock.error() == QLockFile::PermissionError) {
            *reason = tr("フォルダ %1 に書き込む権限がありません").arg(folder.filePath());
        } else {
            // What the system says when the file is made the same way.
            QFile probe(file.filePath());
            if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                probe.remove();
                *reason = tr("原因は不明です");
            } else {
                *reason = probe.errorString();
            }
        }
    }
    return InstanceLock::Failed;
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

BackupChoice RestoreFromBackup(const QString& path)
{
    const QString bak = path + QStringLiteral(".bak");
    if (QFileInfo::exists(path) || !QFileInfo::exists(bak) || !Database::integrityCheck(bak))
        return BackupChoice::None;
    const QString question = tr("データベースファイル %1 が見つかりません。").arg(QDir::toNativeSeparators(path))
        + QLatin1Char('\n') + tr("バックアップ %1 から復元しますか?").arg(QDir::toNativeSeparators(bak))
        + QStringLiteral("\n\n") + tr("（「いいえ」を選ぶと新しいデータベースを作成し、バックアップは別の名前で残します）");
    if (MsgBox(question, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes)
        return Files().copy(bak, path, nullptr) ? BackupChoice::Restored : BackupChoice::Failed;
    // The next change would overwrite the ".bak" with the new, empty log.
    const QString kept = KeptBackupName(path, QDate::currentDate());
    if (!Files().rename(bak, kept, nullptr))
        return BackupChoice::Failed;
    MsgBox(tr("バックアップを次のファイルに残しました。") + QLatin1Char('\n') + QDir::toNativeSeparators(kept),
           MsgIcon::Information);
    return BackupChoice::KeptAside;
}

bool OpenLog(Database& db, const QString& path, bool createIfMissing)
{
    bool ok = RestoreInterruptedShutdown(path);
    const BackupChoice backup = ok ? RestoreFromBackup(path) : BackupChoice::None;
    ok = ok && backup != BackupChoice::Failed;
    QString why;
    if (ok && (createIfMissing || backup == BackupChoice::KeptAside) && !QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ok = CreateNewLog(path, &why);
    }
    if (ok)
        ok = db.open(path, Database::OpenMode::ExistingReadWrite, &why);
    if (!ok)
        MsgBox(FailureMessage(tr("データベースファイルがオープンできませんでした"), why), MsgIcon::Critical,
               MsgButtons::Ok, tr("エラー"));
    return ok;
}

void ReadProgramSettings()
{
    // Only COM 1 to COM 4 exist; any other number would open a device nobody chose.
    readLong(gPort, QStringLiteral("OPTION"), QStringLiteral("PORT"), QStringLiteral("1"), 1, 4);
    gPortName = ReadIni(QStringLiteral("OPTION"), QStringLiteral("PORT_NAME"), QString());
    for (int i = 0; i < 2; ++i) {
        const QString section = QStringLiteral("PAGETYPE_%1").arg(i + 1);
        readLong(gTopMargin[i], section, QStringLiteral("TOP_MARGINE"), QString::number(kDefaultTopMargin[i]));
        readLong(gLeftMarginRight[i], section, QStringLiteral("LEFT_MARGINE_RIGHT"),
                 QString::number(kDefaultLeftMarginRight[i]));
        readLong(gLeftMarginLeft[i], section, QStringLiteral("LEFT_MARGINE_LEFT"), QString::number(kDefaultLeftMarginLeft[i]));
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
