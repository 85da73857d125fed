#pragma once
// A made-up but plausible log: fifteen years of dives with the values, names and depth
// and temperature series a real diver's log carries. Benchmarks, screenshots and tests
// share it, so the same seed always gives the same log.
#include <QDate>
#include <QString>

class Database;

struct SyntheticLogOptions {
    int dives = 10000;
    quint32 seed = 1;
    QDate lastDay = QDate(2024, 10, 27);  // a fixed day, so logs do not change with the calendar
    int years = 15;                       // span from the first dive day to lastDay
};

// Adds the dives to LogTbl of an open log at the current release, oldest first, in one
// transaction; on failure nothing is added and error holds the reason.
bool AddSyntheticDives(Database& db, const SyntheticLogOptions& options, QString* error);

// Creates a new log at path (seed, lookup and dive-table rows) holding the dives.
bool CreateSyntheticLog(const QString& path, const SyntheticLogOptions& options, QString* error);
