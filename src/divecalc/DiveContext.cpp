#include "DiveContext.h"

#include "modSupport.h"

#include <algorithm>

namespace {
// The leading integer of a text, as SQLite's CAST reads it (0 when there is none).
qint64 leadingInt(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        negative = s[i++] == QLatin1Char('-');
    qint64 v = 0;
    for (; i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9') && v < 1000000; ++i)
        v = v * 10 + (s[i].unicode() - '0');
    return negative ? -v : v;
}

// The stored minutes of a dive, in the log's SQL and in memory alike.
const char kMinutes[] = "(CAST(substr(%1, 1, 2) AS INTEGER) * 60 + CAST(substr(%1, 4, 2) AS INTEGER))";

QString minutesOf(const char* column)
{
    return QString::fromLatin1(kMinutes).arg(QLatin1String(column));
}

// Ended before the entry on the date itself: a dive whose exit is earlier than its entry
// ran past midnight and ended the next day.
const char kEndedBefore[] = " WHERE dive_date = ? AND out_time < ? AND (in_time IS NULL OR out_time >= in_time)";

bool endedBefore(const QString& in, const QString& out, const QString& entry)
{
    return !out.isNull() && out < entry && (in.isNull() || out >= in);
}
}  // namespace

qint64 StoredMinutes(const QString& time)
{
    return leadingInt(QStringView(time).mid(0, 2)) * 60 + leadingInt(QStringView(time).mid(3, 2));
}

std::optional<long> SqlDiveContext::diveCountOn(const QString& date)
{
    const auto n = QueryFirstValue(QStringLiteral("SELECT Count(*) FROM LogTbl WHERE dive_date = ?"), {date});
    if (!n || !n->isValid())
        return std::nullopt;
    return long(n->toLongLong());
}

std::optional<long> SqlDiveContext::divesBefore(const QString& date, const QString& entry)
{
    const auto n = QueryFirstValue(QStringLiteral("SELECT Count(*) FROM LogTbl WHERE dive_date = ? AND in_time < ?"),
                                   {date, entry});
    if (!n || !n->isValid())
        return std::nullopt;
    return long(n->toLongLong());
}

std::optional<EarlierMinutes> SqlDiveContext::earlierMinutes(const QString& date, const QString& entry)
{
    const QString span = minutesOf("out_time") + QStringLiteral(" - ") + minutesOf("in_time");
    auto rs = OpenQuery(QStringLiteral("SELECT Sum(CASE WHEN in_time <= out_time THEN %1 END),"
                                       " Sum(CASE WHEN in_time > out_time THEN %1 + 1440 END) FROM LogTbl"
                                       " WHERE (dive_date < ? OR (dive_date = ? AND in_time < ?))")
                            .arg(span),
                        {date, date, entry});
    if (!rs || rs->eof())
        return std::nullopt;
    EarlierMinutes m;
    if (!rs->field(0).isNull())
        m.withinDay = rs->field(0).toLongLong();
    if (!rs->field(1).isNull())
        m.pastMidnight = rs->field(1).toLongLong();
    return m;
}

std::optional<QString> SqlDiveContext::previousExit(const QString& date, const QString& entry)
{
    const auto exit = QueryFirstValue(QStringLiteral("SELECT out_time FROM LogTbl") + QLatin1String(kEndedBefore)
                                          + QStringLiteral(" ORDER BY out_time DESC"),
                                      {date, entry});
    if (!exit || !exit->isValid())
        return std::nullopt;
    return exit->toString();
}

std::vector<EarlierDive> SqlDiveContext::earlierDivesOf(const QString& date, const QString& entry)
{
    std::vector<EarlierDive> dives;
    auto rs = OpenQuery(QStringLiteral("SELECT in_time, out_time, max_depth, avg_depth FROM LogTbl")
                            + QLatin1String(kEndedBefore) + QStringLiteral(" ORDER BY out_time, id"),
                        {date, entry});
    for (; rs && !rs->eof(); rs->moveNext())
        dives.push_back({rs->field(0).toString(), rs->field(1).toString(), rs->field(2).toDouble(),
                         rs->field(3).toDouble()});
    return dives;
}

bool BatchDiveContext::load()
{
    m_dives.clear();
    m_prefix.clear();
    m_groups.clear();
    auto rs = OpenQuery(QStringLiteral("SELECT id, dive_date, in_time, out_time, max_depth, avg_depth FROM LogTbl"
                                       " WHERE dive_date IS NOT NULL ORDER BY dive_date, in_time, id"));
    if (!rs)
        return false;
    m_dives.reserve(size_t(rs->recordCount()));
    for (; !rs->eof(); rs->moveNext()) {
        auto text = [&](int i) { return rs->field(i).isNull() ? QString() : rs->field(i).toString(); };
        m_dives.push_back({rs->field(0).toLongLong(), text(1), text(2), text(3), rs->field(4).toDouble(),
                           rs->field(5).toDouble()});
    }
    m_prefix.resize(m_dives.size() + 1);
    for (size_t i = 0; i < m_dives.size(); ++i) {
        Sums s = m_prefix[i];
        const Dive& d = m_dives[i];
        if (!d.inTime.isNull() && !d.outTime.isNull()) {
            const qint64 span = StoredMinutes(d.outTime) - StoredMinutes(d.inTime);
            if (d.inTime <= d.outTime) {
                s.withinDay += span;
                ++s.withinCount;
            } else {
                s.pastMidnight += span + 1440;
                ++s.pastCount;
            }
        }
        m_prefix[i + 1] = s;
        if (i == 0 || m_dives[i - 1].date != d.date)
            m_groups.insert(d.date, {i, i, i});
        Group& g = m_groups[d.date];
        g.end = i + 1;
        if (d.inTime.isNull())
            g.firstTimed = i + 1;
    }
    return true;
}

std::optional<long> BatchDiveContext::diveCountOn(const QString& date)
{
    const auto g = m_groups.constFind(date);
    return g == m_groups.cend() ? 0L : long(g->end - g->begin);
}

std::optional<long> BatchDiveContext::divesBefore(const QString& date, const QString& entry)
{
    const auto g = m_groups.constFind(date);
    if (g == m_groups.cend())
        return 0L;
    const auto first = m_dives.begin() + qsizetype(g->firstTimed), last = m_dives.begin() + qsizetype(g->end);
    const auto it = std::lower_bound(first, last, entry, [](const Dive& d, const QString& e) { return d.inTime < e; });
    return long(it - first);
}

std::optional<EarlierMinutes> BatchDiveContext::earlierMinutes(const QString& date, const QString& entry)
{
    // Every dive before the date, then the date's timed dives that began before the entry.
    size_t end;
    const auto g = m_groups.constFind(date);
    if (g != m_groups.cend()) {
        end = g->firstTimed + size_t(*divesBefore(date, entry));
    } else {
        const auto it = std::lower_bound(m_dives.begin(), m_dives.end(), date,
                                         [](const Dive& d, const QString& day) { return d.date < day; });
        end = size_t(it - m_dives.begin());
    }
    const Sums& s = m_prefix[end];
    EarlierMinutes m;
    if (s.withinCount > 0)
        m.withinDay = s.withinDay;
    if (s.pastCount > 0)
        m.pastMidnight = s.pastMidnight;
    return m;
}

std::optional<QString> BatchDiveContext::previousExit(const QString& date, const QString& entry)
{
    std::optional<QString> latest;
    const auto g = m_groups.constFind(date);
    if (g == m_groups.cend())
        return latest;
    for (size_t i = g->begin; i < g->end; ++i) {
        const Dive& d = m_dives[i];
        if (endedBefore(d.inTime, d.outTime, entry) && (!latest || d.outTime > *latest))
            latest = d.outTime;
    }
    return latest;
}

std::vector<EarlierDive> BatchDiveContext::earlierDivesOf(const QString& date, const QString& entry)
{
    std::vector<const Dive*> found;
    const auto g = m_groups.constFind(date);
    if (g != m_groups.cend())
        for (size_t i = g->begin; i < g->end; ++i)
            if (endedBefore(m_dives[i].inTime, m_dives[i].outTime, entry))
                found.push_back(&m_dives[i]);
    std::sort(found.begin(), found.end(), [](const Dive* a, const Dive* b) {
        return a->outTime != b->outTime ? a->outTime < b->outTime : a->id < b->id;
    });
    std::vector<EarlierDive> dives;
    for (const Dive* d : found)
        dives.push_back({d->inTime, d->outTime, d->maxDepth, d->avgDepth});
    return dives;
}
