#pragma once
// What a dive's derived values need to know about the other dives of the log. Dates come
// as stored ("YYYY-MM-DD"), entry times as "HH:MM"; an empty optional is a query that
// found nothing or could not run.
#include <QString>
#include <QHash>
#include <optional>
#include <vector>

struct EarlierDive {
    QString inTime, outTime;
    double maxDepth = 0, avgDepth = 0;
};

// Minutes of the dives logged before a dive: those that stay within their day, and those
// that run past midnight. Empty when no dive of that kind counts.
struct EarlierMinutes {
    std::optional<qint64> withinDay;
    std::optional<qint64> pastMidnight;
};

class DiveContext {
public:
    virtual ~DiveContext() = default;
    virtual std::optional<long> diveCountOn(const QString& date) = 0;
    // Dives of the date that began before the entry time.
    virtual std::optional<long> divesBefore(const QString& date, const QString& entry) = 0;
    // Dives of earlier dates, and of the date before the entry time (none of the date
    // when the entry is empty).
    virtual std::optional<EarlierMinutes> earlierMinutes(const QString& date, const QString& entry) = 0;
    // The latest exit of the date's dives that ended before the entry time.
    virtual std::optional<QString> previousExit(const QString& date, const QString& entry) = 0;
    // The date's dives that ended before the entry time, earliest exit first. A dive whose
    // exit is earlier than its entry ended the next day and is never one of them.
    virtual std::vector<EarlierDive> earlierDivesOf(const QString& date, const QString& entry) = 0;
};

// Minutes of a stored "HH:MM" time of day, read the way the log's queries read it.
qint64 StoredMinutes(const QString& time);

// Asks the log one query per question: right for one dive.
class SqlDiveContext : public DiveContext {
public:
    std::optional<long> diveCountOn(const QString& date) override;
    std::optional<long> divesBefore(const QString& date, const QString& entry) override;
    std::optional<EarlierMinutes> earlierMinutes(const QString& date, const QString& entry) override;
    std::optional<QString> previousExit(const QString& date, const QString& entry) override;
    std::vector<EarlierDive> earlierDivesOf(const QString& date, const QString& entry) override;
};

// Reads the log's dates and times once and answers from memory: right for many dives.
// Gives the same answers as SqlDiveContext for a log that does not change meanwhile.
class BatchDiveContext : public DiveContext {
public:
    // False when the log could not be read.
    bool load();
    std::optional<long> diveCountOn(const QString& date) override;
    std::optional<long> divesBefore(const QString& date, const QString& entry) override;
    std::optional<EarlierMinutes> earlierMinutes(const QString& date, const QString& entry) override;
    std::optional<QString> previousExit(const QString& date, const QString& entry) override;
    std::vector<EarlierDive> earlierDivesOf(const QString& date, const QString& entry) override;

private:
    struct Dive {
        qint64 id;
        QString date, inTime, outTime;  // null QString for Null
        double maxDepth, avgDepth;
    };
    struct Sums {
        qint64 withinDay = 0, pastMidnight = 0;
        long withinCount = 0, pastCount = 0;
    };
    // Dives with a date, ordered by date and entry time (Null entry times first in a date).
    std::vector<Dive> m_dives;
    std::vector<Sums> m_prefix;  // m_prefix[i]: the dives before position i
    struct Group { size_t begin, end, firstTimed; };
    QHash<QString, Group> m_groups;
};
