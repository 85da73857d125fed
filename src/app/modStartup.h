#pragma once
// Start-up and shutdown of the log: where it lives, opening it, the settings read at
// start, and the backup and compaction at exit.
#include <QString>
#include <QStringList>

class Database;
class QLockFile;

struct StartupPaths {
    QString defaultDatabase;  // the log used when the command line names none
    QString iniFile;
    QString lockFile;         // held while the program runs, so a second start can tell
};

// tidewriter.db in the data folder, tidewriter.ini in the config folder, the lock in the
// user's runtime folder (without one, in the program's cache folder, made writable by the
// user alone).
StartupPaths DefaultStartupPaths();

// Takes the single-instance lock. Another run holding it is no failure of the lock; a
// lock file that cannot be made is, and reason then says why.
enum class InstanceLock { Taken, HeldByAnotherRun, Failed };
InstanceLock TakeInstanceLock(QLockFile& lock, QString* reason);

// The command line's words (options starting with "--" excepted), joined with blanks,
// every double quote removed; empty when the command line names no log.
QString DatabasePathFromArgs(const QStringList& arguments);

// When an exit was interrupted between its two renames, the log is missing at its path
// while its ".old" (the log itself) or ".new" (its compacted copy) exists. Puts back the
// first of them that passes the integrity check; for a log that is a symbolic link they
// lie beside the file it points to. False when such files exist but none is sound
// (nothing is touched then).
bool RestoreInterruptedShutdown(const QString& path);

// A missing log whose ".bak" passes the integrity check: the user chooses between the
// backup put back in place (copied, the ".bak" stays) and a new log, the backup then kept
// under its name with the day added, which no later backup overwrites, and the user told
// where. Failed: the copy or rename failed and nothing was changed. None: nothing to ask.
enum class BackupChoice { None, Restored, KeptAside, Failed };
BackupChoice RestoreFromBackup(const QString& path);

// Opens the log (creating it when the default log does not exist yet, or when the user
// chose a new log over a backup); on failure the user is told and false is returned with
// nothing created or changed.
bool OpenLog(Database& db, const QString& path, bool createIfMissing);

// Reads OPTION, PAGETYPE_1, PAGETYPE_2 and PRINT keys into the process-wide settings.
void ReadProgramSettings();

// Exit after a changed run: backup, then compaction from the backup into place (into the
// file a symbolic link at the log's path points to, with the log's permissions). A log
// that another program changed after the copy is kept as it is. Expects the log to be
// closed. Tells the user of the first failing step.
void CompactAtShutdown();
