#include "DiveFields.h"

#include <QCoreApplication>
#include <QHash>
#include <cstring>
#include <iterator>

namespace {
using F = DiveField;
using C = RecordField::Check;
using K = RecordField;

const char* const kNames[] = {
#define TIDEWRITER_FIELD_NAME(name) #name,
    TIDEWRITER_DIVE_FIELDS(TIDEWRITER_FIELD_NAME)
#undef TIDEWRITER_FIELD_NAME
};
static_assert(std::size(kNames) == size_t(DiveField::Count));

RecordField row(F field, const char* column, K::Kind kind, C check = C::None, const char* message = nullptr,
                int flags = 0)
{
    return {column, kNames[int(field)], kind, check, message, flags, int(field)};
}

RecordField series(const char* column, const char* control)
{
    return {column, control, K::Series, C::None, nullptr, 0, -1};
}

RecordField shown(F field, int flags = 0)
{
    return row(field, nullptr, K::Shown, C::None, nullptr, flags);
}

constexpr int kSelect = K::SelectOnFocus, kListed = K::Listed;

const QList<RecordField>& table()
{
    static const QList<RecordField> list = {
        row(F::dtpDate, "dive_date", K::Date, C::None, nullptr, kListed),
        row(F::cboLocation, "location", K::Text, C::NotEmpty,
            QT_TRANSLATE_NOOP("frmRecord", "潜水地を正しく入力してください"), kListed),
        row(F::cboEntryType, "entry_type", K::ListIndex, C::None, nullptr, kListed),
        row(F::cboBuddy, "buddy", K::Text, C::None, nullptr, kSelect),
        row(F::txtInTime, "in_time", K::Text, C::Time,
            QT_TRANSLATE_NOOP("frmRecord", "正しい潜水開始時刻(hh:mm)を入力してください"), kSelect | kListed),
        row(F::txtOutTime, "out_time", K::Text, C::Time,
            QT_TRANSLATE_NOOP("frmRecord", "正しい潜水終了時刻(hh:mm)を入力してください"), kSelect),
        row(F::txtMaxDepth, "max_depth", K::Text, C::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい深度を入力してください"),
            kSelect | kListed),
        row(F::cboWeather, "weather", K::ListIndex),
        row(F::txtAirTemp, "air_temp", K::Text, C::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい気温を入力してください"),
            kSelect),
        row(F::txtDepthTemp, "depth_temp", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しい水温を入力してください"), kSelect),
        row(F::cboSuit, "suit", K::ListIndex),
        row(F::txtWeight, "weight", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しいウェイト重量を入力してください"), kSelect),
        row(F::cboTankMat, "tank_mat", K::ListIndex),
        row(F::cboAirType, "air_type", K::ListIndex),
        row(F::txtTankCapa, "tank_capa", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しいタンク容量を入力してください"), kSelect),
        row(F::txtStartTankBar, "start_tank_bar", K::Text, C::Whole,
            QT_TRANSLATE_NOOP("frmRecord", "正しい開始時タンク圧を入力してください"), kSelect),
        row(F::txtEndTankBar, "end_tank_bar", K::Text, C::Whole,
            QT_TRANSLATE_NOOP("frmRecord", "正しい終了時タンク圧を入力してください"), kSelect),
        row(F::txtComment, "comment", K::Text),
        row(F::txtAvgDepth, "avg_depth", K::Text, C::Tenths, QT_TRANSLATE_NOOP("frmRecord", "正しい深度を入力してください"),
            kSelect),
        row(F::cboGuide, "guide", K::Text, C::None, nullptr, kSelect),
        row(F::txtSurfaceTemp, "surface_temp", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しい水温を入力してください"), kSelect),
        series("depth_transit", "DepthSeries"),
        series("temp_transit", "TempSeries"),
        row(F::txtMinVisibility, "min_visibility", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しい透視度を入力してください"), kSelect),
        row(F::txtMaxVisibility, "max_visibility", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しい透視度を入力してください"), kSelect),
        row(F::txtMinTransparency, "min_transparency", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しい透明度を入力してください"), kSelect),
        row(F::txtMaxTransparency, "max_transparency", K::Text, C::Tenths,
            QT_TRANSLATE_NOOP("frmRecord", "正しい透明度を入力してください"), kSelect),
        row(F::lstCondition, "condition", K::Mask),
        row(F::lstItem, "item", K::Mask),
        row(F::txtUWTime, nullptr, K::Shown, C::Whole, QT_TRANSLATE_NOOP("frmRecord", "正しい潜水時間(分)を入力してください"),
            kSelect),
        shown(F::txtNo), shown(F::txtTotalTime), shown(F::txtTodayNum), shown(F::txtTodayTotal),
        shown(F::txtTankQuant), shown(F::txtTankUsed), shown(F::txtTankSpeed), shown(F::txtSI), shown(F::txtInPG),
        shown(F::txtOutPG), shown(F::txtRnt), shown(F::txtAbt), shown(F::txtTbt)};
    return list;
}

// Every field exactly once: a field left out of the table, or written twice, stops the program.
const QList<RecordField>& checkedTable()
{
    static const QList<RecordField>& list = [] () -> const QList<RecordField>& {
        int seen[int(F::Count)] = {};
        for (const RecordField& f : table())
            if (f.field >= 0)
                ++seen[f.field];
        for (int i = 0; i < int(F::Count); ++i)
            if (seen[i] != 1)
                qFatal("the field table holds %s %d times", kNames[i], seen[i]);
        return table();
    }();
    return list;
}
}  // namespace

const QList<RecordField>& DiveFields::all()
{
    return checkedTable();
}

const QList<RecordField>& DiveFields::stored()
{
    static const QList<RecordField> list = [] {
        QList<RecordField> l;
        for (const RecordField& f : all())
            if (f.column)
                l << f;
        return l;
    }();
    return list;
}

const RecordField& DiveFields::of(DiveField field)
{
    static const QList<const RecordField*> byField = [] {
        QList<const RecordField*> l(int(F::Count), nullptr);
        for (const RecordField& f : all())
            if (f.field >= 0)
                l[f.field] = &f;
        return l;
    }();
    return *byField.at(int(field));
}

const RecordField* DiveFields::named(const QString& control)
{
    static const QHash<QString, const RecordField*> byName = [] {
        QHash<QString, const RecordField*> h;
        for (const RecordField& f : all())
            h.insert(QLatin1String(f.control), &f);
        return h;
    }();
    return byName.value(control);
}

QString DiveFields::name(DiveField field)
{
    return QLatin1String(kNames[int(field)]);
}

void DiveFields::requireColumn(const char* column)
{
    for (const RecordField& f : all())
        if (f.column && std::strcmp(f.column, column) == 0)
            return;
    qFatal("no field is stored in the column %s", column);
}
