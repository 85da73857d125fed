#pragma once
// Dives read from a UDDF 3.x file (namespaced or not), ours or another program's, and added
// to the log as new dives: all of a file's dives in one transaction, or none.
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <QVariant>
#include <functional>
#include <utility>

// One dive as the log will store it: LogTbl columns by name (the id aside), and the
// attached files (file name, title).
struct UddfDive {
    QList<std::pair<QString, QVariant>> columns;
    QList<std::pair<QVariant, QVariant>> pictures;
    QVariant column(const QString& name) const;
};

// Reads every dive of the file. A file that is not UDDF, not well-formed, or holds an
// impossible value (a negative depth, a date before 1900, a dive of more than a day) gives
// false and a message naming the file, the line and the first problem.
bool ReadUDDF(const QString& path, QList<UddfDive>* dives, QString* error);

// A dive with the same date and entry time is in the log already: what to do with it.
enum class DuplicateChoice { Import, Skip, CancelAll };
using DuplicateQuestion = std::function<DuplicateChoice(const UddfDive& dive)>;

struct UddfImportResult {
    int imported = 0;
    int skipped = 0;
    bool cancelled = false;  // the whole import, at a duplicate; nothing imported
};

// Reads the file, backs up the log, and adds its dives in one transaction. False with error
// set when the file is refused or the log refused a dive: then nothing is added.
bool ImportUDDF(const QString& path, const DuplicateQuestion& duplicate, UddfImportResult* result, QString* error);

// Evenly spaced samples of a profile given as (seconds, value) points, linear between them:
// about one a minute over the dive, spread as the profile chart spreads samples, never more
// than the points hold. The points need not be sorted; of two at the same time the later
// one in the list counts.
QList<double> ResampleProfile(QList<std::pair<double, double>> points, double durationSeconds);
