#include "modDiveCalc.h"

#include "modSubroutines.h"
#include "modSupport.h"

#include <QHash>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// One memo per routine, for the whole run: the tables never change while it runs.
// A 0 is never kept, so a look-up that found nothing is asked again.
struct Memo {
    QHash<QString, long> values;
};
Memo gEndPg, gRnt, gAbt, gSiEndPg, gMinSi;
long gQueries = 0;

// A depth as its shortest decimal text, as the key and the query use it.
QString depthText(float depth)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, depth);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

QString key(std::initializer_list<QString> parts)
{
    return QStringList(parts).join(QLatin1Char(','));
}

// The first field of the first row as a whole number (halves to even); 0 when nothing.
long lookUp(Memo& memo, const QString& k, const QString& sql, const QVariantList& params)
{
    if (const long v = memo.values.value(k, 0); v != 0)
        return v;
    ++gQueries;
    long result = 0;
    if (const auto first = QueryFirstValue(sql, params); first && !first->isNull()) {
        const double v = first->toDouble();
        if (std::isfinite(v) && std::fabs(v) < 2147483647.0)
            result = long(std::nearbyint(v));
    }
    if (result != 0)
        memo.values.insert(k, result);
    return result;
}

}  // namespace

long GetRnt(long pg, float depth)
{
    const QString d = depthText(depth);
    return lookUp(gRnt, key({QString::number(pg), d}),
                  QStringLiteral("SELECT rnt, dep FROM PlannerTbl WHERE dep >= ? AND pg = ? ORDER BY dep"),
                  {d.toDouble(), qlonglong(pg)});
}

long GetEndPg(long startPg, float depth, long bottomTime)
{
    const QString d = depthText(depth);
    const QString k = key({QString::number(startPg), d, QString::number(bottomTime)});
    if (const long v = gEndPg.values.value(k, 0); v != 0)
        return v;
    const qlonglong total = startPg == 0 ? bottomTime : qlonglong(GetRnt(startPg, depth)) + bottomTime;
    return lookUp(gEndPg, k,
                  QStringLiteral("SELECT pg, dep, tm FROM PlannerTbl WHERE dep >= ? AND tm >= ? ORDER BY dep, tm"),
                  {d.toDouble(), total});
}

long GetAbt(long pg, float depth)
{
    const QString d = depthText(depth);
    const QString k = key({QString::number(pg), d});
    if (pg == 0)
        return lookUp(gAbt, k, QStringLiteral("SELECT Max(tm) FROM PlannerTbl WHERE dep >= ?"), {d.toDouble()});
    return lookUp(gAbt, k, QStringLiteral("SELECT abt FROM PlannerTbl WHERE dep >= ? AND pg = ? ORDER BY dep"),
                  {d.toDouble(), qlonglong(pg)});
}

long GetSiEndPg(long startPg, long si)
{
    return lookUp(gSiEndPg, key({QString::number(startPg), QString::number(si)}),
                  QStringLiteral("SELECT end_pg FROM SiTbl WHERE start_pg = ? AND rest >= ? ORDER BY end_pg DESC"),
                  {qlonglong(startPg), qlonglong(si)});
}

long GetMinSi(long startPg, long endPg)
{
    return lookUp(gMinSi, key({QString::number(startPg), QString::number(endPg)}),
                  QStringLiteral("SELECT rest + 1 FROM SiTbl WHERE start_pg = ? AND end_pg = ?"),
                  {qlonglong(startPg), qlonglong(endPg) + 1});
}

long GetTimeDiff(const QTime& start, const QTime& end)
{
    if (!start.isValid() || !end.isValid())
        return 0;
    qint64 ms = start.msecsTo(end);
    if (ms < 0)
        ms += 24LL * 3600 * 1000;
    // Seconds are dropped after rounding, whole days never occur.
    const qint64 seconds = (ms + 500) / 1000;
    return long((seconds / 60) % 1440);
}

std::optional<long> GetSurfaceAir(float depth, long capacity, long startBar, long endBar)
{
    // Long arithmetic: each product and the difference must fit 32 bits.
    const auto fits = [](qint64 v) { return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max(); };
    const qint64 a = qint64(capacity) * startBar, b = qint64(capacity) * endBar;
    if (!fits(a) || !fits(b) || !fits(a - b))
        return std::nullopt;
    const float pressure = (depth + 10.0f) / 10.0f;
    if (pressure == 0.0f || !std::isfinite(pressure))
        return std::nullopt;
    const double litres = double(a - b) / double(pressure);
    const double r = std::nearbyint(litres);
    if (!std::isfinite(r) || !fits(qint64(std::clamp(r, -4e18, 4e18))))
        return std::nullopt;
    return long(r);
}

QString GroupLetter(long pg)
{
    return pg >= 1 && pg <= 26 ? QString(QChar(char16_t(pg + 64))) : QStringLiteral("*");
}

long GroupFromText(const QString& text)
{
    return text.isEmpty() ? 0 : long(text.at(0).unicode()) - 64;
}

void ClearDiveCalcMemos()
{
    for (Memo* m : {&gEndPg, &gRnt, &gAbt, &gSiEndPg, &gMinSi})
        m->values.clear();
}

long DiveCalcQueryCount()
{
    return gQueries;
}
