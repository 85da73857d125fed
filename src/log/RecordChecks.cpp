#include "RecordChecks.h"

#include "RecordStore.h"
#include "TextReaders.h"
#include "modSubroutines.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>
#include <algorithm>

namespace {
enum class Check { NotEmpty, Time, Tenths, Whole };
struct FieldCheck {
    Check check;
    const char* message;
};

const QHash<QString, FieldCheck>& Checks()
{
    static const QHash<QString, FieldCheck> checks = {
        {"cboLocation", {Check::NotEmpty, QT_TRANSLATE_NOOP("frmRecord", "潜水地を正しく入力してください")}},
        {"txtInTime", {Check::Time, QT_TRANSLATE_NOOP("frmRecord", "正しい潜水開始時刻(hh:mm)を入力してください")}},
        {"txtOutTime", {Check::Time, QT_TRANSLATE_NOOP("frmRecord", "正しい潜水終了時刻(hh:mm)を入力してください")}},
        {"txtAvgDepth", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい深度を入力してください")}},
        {"txtMaxDepth", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい深度を入力してください")}},
        {"txtUWTime", {Check::Whole, QT_TRANSLATE_NOOP("frmRecord", "正しい潜水時間(分)を入力してください")}},
        {"txtAirTemp", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい気温を入力してください")}},
        {"txtSurfaceTemp", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい水温を入力してください")}},
        {"txtDepthTemp", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい水温を入力してください")}},
        {"txtMinVisibility", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい透視度を入力してください")}},
        {"txtMaxVisibility", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい透視度を入力してください")}},
        {"txtMinTransparency", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい透明度を入力してください")}},
        {"txtMaxTransparency", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい透明度を入力してください")}},
        {"txtWeight", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しいウェイト重量を入力してください")}},
        {"txtTankCapa", {Check::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しいタンク容量を入力してください")}},
        {"txtStartTankBar", {Check::Whole, QT_TRANSLATE_NOOP("frmRecord", "正しい開始時タンク圧を入力してください")}},
        {"txtEndTankBar", {Check::Whole, QT_TRANSLATE_NOOP("frmRecord", "正しい終了時タンク圧を入力してください")}}};
    return checks;
}
}  // namespace

bool RecordChecks::hasCheck(const QString& control)
{
    return Checks().contains(control);
}

FieldCheckResult RecordChecks::check(const QString& control, const QString& text)
{
    FieldCheckResult result{true, text, {}};
    const auto it = Checks().constFind(control);
    if (it == Checks().cend())
        return result;
    switch (it->check) {
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
    static const QStringList names = {
        "cboBuddy", "cboGuide", "txtInTime", "txtOutTime", "txtUWTime", "txtAvgDepth", "txtMaxDepth", "txtAirTemp",
        "txtSurfaceTemp", "txtDepthTemp", "txtMinVisibility", "txtMaxVisibility", "txtMinTransparency",
        "txtMaxTransparency", "txtWeight", "txtTankCapa", "txtStartTankBar", "txtEndTankBar"};
    return names.contains(control);
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
        s.summaryControls[0] = QStringLiteral("txtAvgDepth");
        s.summaryTexts[0] = FormatFixed(sum / values.size(), 1, 1);
        s.summaryControls[1] = QStringLiteral("txtMaxDepth");
        s.summaryTexts[1] = FormatFixed(largest, 1, 1);
    } else {
        // The lowest starts at 0 and any value replaces a 0, so the first value always does.
        double highest = 0, lowest = 0;
        for (float v : values) {
            highest = std::max(highest, double(v));
            if (v < lowest || lowest == 0)
                lowest = v;
        }
        s.summaryControls[0] = QStringLiteral("txtSurfaceTemp");
        s.summaryTexts[0] = FormatFixed(highest, 1, 1);
        s.summaryControls[1] = QStringLiteral("txtDepthTemp");
        s.summaryTexts[1] = FormatFixed(lowest, 1, 1);
    }
    return s;
}
