#include "DiveList.h"

#include "Globals.h"
#include "TextReaders.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QLocale>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("frmLogList", text);
}

long minutesOfDay(const QString& hhmm)
{
    const QTime t = TimeIn(hhmm);
    return t.isValid() ? t.hour() * 60 + t.minute() : -1;
}

bool passes(DiveFilter filter, const QVariant& inTime, const QVariant& maxDepth)
{
    switch (filter) {
    case DiveFilter::Night:
        return !inTime.isNull() && inTime.toString() >= QLatin1String("18:00");
    case DiveFilter::Deep:
        return !maxDepth.isNull() && maxDepth.toDouble() > 18.0;
    default:
        return true;
    }
}
}  // namespace

long DiveMinutes(const QString& inTime, const QString& outTime)
{
    const long in = minutesOfDay(inTime), out = minutesOfDay(outTime);
    if (in < 0 || out < 0)
        return -1;
    return in > out ? out - in + 1440 : out - in;
}

DiveList LoadDiveList(DiveFilter filter)
{
    DiveList list;
    list.totalMinutes = gTimeOffset;
    auto rs = OpenQuery(QStringLiteral("SELECT id, location, entry_type, max_depth, dive_date, in_time, out_time"
                                       " FROM LogTbl ORDER BY dive_date DESC, in_time DESC"));
    if (!rs) {
        list.readOk = false;
        return list;
    }
    long number = rs->recordCount() + gNoOffset;
    list.rows.reserve(size_t(rs->recordCount()));
    for (; !rs->eof(); rs->moveNext(), --number) {
        const QVariant inTime = rs->field(5), maxDepth = rs->field(3);
        if (!passes(filter, inTime, maxDepth))
            continue;
        DiveListRow row;
        row.id = rs->field(0).toLongLong();
        row.number = number;
        row.location = rs->field(1).toString();
        const QVariant entry = rs->field(2);
        if (!entry.isNull() && entry.toLongLong() >= 0 && entry.toLongLong() < gEntryTypes.size())
            row.entry = gEntryTypes.at(entry.toLongLong());
        if (!maxDepth.isNull())
            row.depth = FormatFixed(maxDepth.toDouble(), 2, 1) + QLatin1Char('m');
        row.date = rs->field(4).toString().replace(QLatin1Char('-'), QLatin1Char('/')) + QLatin1Char(' ')
            + inTime.toString();
        list.rows.push_back(std::move(row));
        const long minutes = DiveMinutes(inTime.toString(), rs->field(6).toString());
        if (minutes >= 0)
            list.totalMinutes += minutes;
    }
    return list;
}

QString FormatCount(long n)
{
    QLocale c(QLocale::C);
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(qlonglong(n));
}

QString StatusSelection(long selected)
{
    return tr("選択 : ") + FormatCount(selected) + tr(" 個");
}

QString StatusDiveCount(long listed)
{
    return tr("本数 : ") + FormatCount(listed) + tr(" 本");
}

QString StatusDiveTime(long minutes)
{
    // Whole hours taken downwards, and the minutes left over.
    const long hours = minutes >= 0 ? minutes / 60 : -((-minutes + 59) / 60);
    const long rest = minutes - hours * 60;
    return tr("潜水時間 : ") + QString::number(hours) + tr("時間") + QString::number(rest) + tr("分");
}
