#pragma once
// The log's schema: a new log at the current release, and the step-by-step upgrade of
// older logs.
#include <QString>

class Database;

constexpr long kCurrentRelease = 5;

// Creates a new log file at the current release with the seed, lookup and dive-table rows.
bool CreateNewLog(const QString& path, QString* error);

// Reads VersionTbl; 1 when there is none, -1 when it exists but holds no readable release,
// 0 when the log cannot be read (locked by another program, damaged).
long ReadDatabaseRelease();

enum class ReleaseCheck { Ready, Declined, TooNew, Unreadable };
// Asks before upgrading an older log and upgrades it step by step; Declined, TooNew and
// Unreadable end the program. A failed step is reported and start-up goes on at the last
// committed release.
ReleaseCheck CheckDatabaseRelease();
