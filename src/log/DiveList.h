#pragma once
// The dive list's rows, window-less: numbering, filter, cell texts and totals.
#include <QString>
#include <vector>

struct DiveListRow {
    qint64 id = 0;
    long number = 0;
    QString location;
    QString entry;
    QString depth;
    QString date;
};

enum class DiveFilter { All = 0, Night = 1, Deep = 2 };

struct DiveList {
    std::vector<DiveListRow> rows;  // newest first
    long totalMinutes = 0;          // gTimeOffset plus the listed dives' time
    bool readOk = true;             // false when the log could not be read
};

// Reads LogTbl: every dive is numbered by its rank from the oldest (plus gNoOffset),
// whatever the filter; only the rows the filter passes are listed and timed.
DiveList LoadDiveList(DiveFilter filter);

// Minutes from entry to exit; a dive ending before its entry time ran past midnight.
// -1 when either time is missing or unreadable.
long DiveMinutes(const QString& inTime, const QString& outTime);

QString FormatCount(long n);  // "###,##0"
QString StatusSelection(long selected);
QString StatusDiveCount(long listed);
QString StatusDiveTime(long minutes);
