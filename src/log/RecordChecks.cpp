#include "RecordChecks.h"

#include "DiveFields.h"
#include "RecordStore.h"
#include "TextReaders.h"
#include "modSubroutines.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

namespace {
using Check = RecordField::Check;

const RecordField* checked(const QString& control)
{
    const RecordField* f = DiveFields::named(control);
    return f && f->check != Check::None ? f : nullptr;
}
}  // namespace

bool RecordChecks::hasCheck(const QString& control)
{
    return checked(control);
}

FieldCheckResult RecordChecks::check(const QString& control, const QString& text)
{
    FieldCheckResult result{true, text, {}};
    const RecordField* it = checked(control);
    if (!it)
        return result;
    switch (it->check) {
    case Check::None:
        break;
    case Check::NotEmpty:
        result.ok = !text.isEmpty();
        break;
    case Check::Time:
        if (const QTime t = TimeIn(text); t.isValid())
            result.text = t.toString(QStringLiteral("HH:mm"));
        else
            result.ok = false;
        break;
    case Check::Tenths:
    case Check::Whole:
        // A longer run of digits than a double holds is no number: it would be shown as
        // nothing and stored as Null.
        if (const auto v = NumberIn(text))
            result.text = FormatFixed(*v, 1, it->check == Check::Tenths ? 1 : 0);
        else
            result.ok = false;
        break;
    }
    if (!result.ok)
        result.message = QCoreApplication::translate("frmRecord", it->message);
    return result;
}

bool RecordChecks::selectsOnFocus(const QString& control)
{
    const RecordField* f = DiveFields::named(control);
    return f && (f->flags & RecordField::SelectOnFocus);
}

TypedSeries TypedSeries::read(bool depth, const QString& typed)
{
    TypedSeries s;
    // A list without a number clears the series (stored as Null) rather than becoming "0 0".
    const QList<float> values = HoldsNumbers(typed) ? SplitNumbers(typed) : QList<float>();
    s.series = RecordStore::SeriesText(values);
    // Drawn as the stored series is drawn.
    s.values = SplitNumbers(s.series);
    if (values.isEmpty())
        return s;
    if (depth) {
        double largest = 0, sum = 0;
        for (float v : values) {
            largest = std::max(largest, double(v));
            sum += v;
        }
        s.summaryControls[0] = DiveFields::name(DiveField::txtAvgDepth);
        s.summaryTexts[0] = FormatFixed(sum / values.size(), 1, 1);
        s.summaryControls[1] = DiveFields::name(DiveField::txtMaxDepth);
        s.summaryTexts[1] = FormatFixed(largest, 1, 1);
    } else {
        // The lowest starts at 0 and any value replaces a 0, so the first value always does.
        double highest = 0, lowest = 0;
        for (float v : values) {
            highest = std::max(highest, double(v));
            if (v < lowest || lowest == 0)
                lowest = v;
        }
        s.summaryControls[0] = DiveFields::name(DiveField::txtSurfaceTemp);
        s.summaryTexts[0] = FormatFixed(highest, 1, 1);
        s.summaryControls[1] = DiveFields::name(DiveField::txtDepthTemp);
        s.summaryTexts[1] = FormatFixed(lowest, 1, 1);
    }
    return s;
}
