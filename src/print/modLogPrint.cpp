#include "modLogPrint.h"

#include "DiveTexts.h"
#include "Globals.h"
#include "JobProgress.h"
#include "PainterSurface.h"
#include "PrintEngine.h"
#include "PrintOptions.h"
#include "SafeFile.h"
#include "TextReaders.h"
#include "UiServices.h"
#include "Version.h"
#include "modSubroutines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modLogPrint", text);
}

using F = DiveTexts::Field;

constexpr double kTwipsPerMillimetre = 1440.0 / 25.4;
constexpr double kDepthScale = 40;        // metres from the chart's top to its bottom
constexpr double kTopTemperature = 35;    // °C at the top; the scale spans kDepthScale degrees too
constexpr double kTickTwips = 30, kCurveTwips = 5;
constexpr int kMinCurveSamples = 3;

// The layout's field controls and the editor field each one shows, in filling order.
struct PageField {
    const char* control;
    F field;
};
constexpr PageField kPageFields[] = {
    {"lblNo", F::txtNo},
    {"lblTotalTime", F::txtTotalTime},
    {"lblDate", F::dtpDate},
    {"txtLocation", F::cboLocation},
    {"txtBuddy", F::cboBuddy},
    {"txtGuide", F::cboGuide},
    {"txtComment", F::txtComment},
    {"lblInTime", F::txtInTime},
    {"lblOutTime", F::txtOutTime},
    {"lblSI", F::txtSI},
    {"lblInPG", F::txtInPG},
    {"lblOutPG", F::txtOutPG},
    {"lblAvgDepth", F::txtAvgDepth},
    {"lblMaxDepth", F::txtMaxDepth},
    {"lblUWTime", F::txtUWTime},
    {"lblRnt", F::txtRnt},
    {"lblAbt", F::txtAbt},
    {"lblTbt", F::txtTbt},
    {"lblTankCapa", F::txtTankCapa},
    {"lblStartTankBar", F::txtStartTankBar},
    {"lblEndTankBar", F::txtEndTankBar},
    {"lblTankQuant", F::txtTankQuant},
    {"lblTankUsed", F::txtTankUsed},
    {"txtTankSpeed", F::txtTankSpeed},
    {"lblWeather", F::cboWeather},
    {"lblAirTemp", F::txtAirTemp},
    {"lblSurfaceTemp", F::txtSurfaceTemp},
    {"lblDepthTemp", F::txtDepthTemp},
    {"lblWeight", F::txtWeight},
    {"lblSuit", F::cboSuit},
    {"lblAirType", F::cboAirType},
    {"lblMinVisibility", F::txtMinVisibility},
    {"lblMaxVisibility", F::txtMaxVisibility},
    {"lblMinTransparency", F::txtMinTransparency},
    {"lblMaxTransparency", F::txtMaxTransparency},
    {"lblCondition", F::lstCondition},
    {"lblItem", F::lstItem},
};

const QString kChosenMarker = QStringLiteral("■");

// Places of the elements of a control array, and its last index; empty when it has none.
QList<std::pair<int, int>> ArrayPlaces(const PrintLayout& layout, const QString& name, int* last = nullptr)
{
    QList<std::pair<int, int>> places;
    for (qsizetype i = 0; i < layout.controls.size(); ++i) {
        const LayoutControl& c = layout.controls[i];
        if (c.index >= 0 && c.name == name) {
            places.append({int(i), c.index});
            if (last)
                *last = std::max(*last, c.index);
        }
    }
    return places;
}

int PlaceOf(const PrintLayout& layout, const QString& name)
{
    for (qsizetype i = 0; i < layout.controls.size(); ++i)
        if (layout.controls[i].index < 0 && layout.controls[i].name == name)
            return int(i);
    return -1;
}

}  // namespace

PageSetup PageSetup::current()
{
    PageSetup s;
    s.pageType = UsablePageType(gPageType);
    const auto i = std::size_t(s.pageType);
    s.topMargin = gTopMargin[i];
    s.leftMarginRight = gLeftMarginRight[i];
    s.leftMarginLeft = gLeftMarginLeft[i];
    s.orientation = UsableOrientation(gOrientation[i]);
    s.pageSeq = gPageSeq;
    return s;
}

bool IsRightHandPage(long pageSeq, qsizetype n)
{
    switch (pageSeq) {
    case 0: return true;
    case 2: return n % 2 == 1;
    case 3: return n % 2 == 0;
    default: return false;
    }
}

QString LayoutName(long pageType)
{
    return UsablePageType(pageType) == 1 ? QStringLiteral("frmPrintA5") : QStringLiteral("frmPrintBible");
}

QString LayoutFilePath(const QString& name)
{
    const QString file = QStringLiteral("/layouts/") + name + QStringLiteral(".ui");
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + file;
    if (QFileInfo::exists(own))
        return own;
    // Installed in share/tidewriter beside bin/, in the build tree as installed.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tidewriter") + file);
}

QString PrintDateCaption(const QDate& date)
{
    return date.isValid() ? QStringLiteral("%1-%2-%3")
                                .arg(date.day())
                                .arg(date.month())
                                .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
                          : QString();
}

void DrawPrintChart(PrintEngine& engine, PageSurface& surface, const LayoutControl& graph, const ChartScale& scale,
                    const QList<float>& depths, const QList<float>& temperatures)
{
    const auto px = [&](double twips) { return double(std::lround(engine.pixelsX(twips))); };
    const auto py = [&](double twips) { return double(std::lround(engine.pixelsY(twips))); };
    const double L = px(graph.left), T = py(graph.top), W = px(graph.width), H = py(graph.height);
    const QColor colour = surface.pen().foreColor;

    SurfacePen pen = surface.pen();
    pen.drawStyle = 0;
    pen.drawWidth = 1;
    surface.setPen(pen);
    const double tickX = px(kTickTwips), tickY = py(kTickTwips);
    for (int k = 1; k < scale.lastV; ++k) {
        const double y = std::round(T + H * k / scale.lastV);
        surface.line({L, y}, {L + tickX, y}, colour);
        surface.line({L + W, y}, {L + W - tickX, y}, colour);
    }
    for (int k = 1; k < scale.lastH; ++k) {
        const double x = std::round(L + W * k / scale.lastH);
        surface.line({x, T}, {x, T + tickY}, colour);
        surface.line({x, T + H}, {x, T + H - tickY}, colour);
    }

    pen.drawWidth = std::max(1, int(std::lround(engine.pixelsX(kCurveTwips))));
    surface.setPen(pen);
    // A value beyond the scale stays on the chart's edge instead of running over the page.
    const auto curve = [&](const QList<float>& values, auto depthOf, bool fromSurface) {
        if (values.size() < kMinCurveSamples)
            return;
        const double n = double(values.size()) + 1;
        QPointF last(L, T);
        for (qsizetype i = 0; i < values.size(); ++i) {
            const double d = std::clamp(double(depthOf(values[i])), 0.0, kDepthScale);
            const QPointF p(std::round(L + (i + 1) * W / n), std::round(T + d * H / kDepthScale));
            if (i > 0 || fromSurface)
                surface.line(last, p, colour);
            last = p;
        }
        if (fromSurface)
            surface.line(last, {L + W, T}, colour);
    };
    curve(depths, [](float d) { return d; }, true);
    curve(temperatures, [](float t) { return kTopTemperature - t; }, false);
}

LogPrintJob::LogPrintJob(const PageSetup& setup) : m_setup(setup) {}

bool LogPrintJob::prepare(const ExportChoice& choose, QString* error)
{
    const QString file = LayoutFilePath(LayoutName(m_setup.pageType));
    if (!ReadLayout(file, &m_design, error))
        return false;
    const auto missing = [&](const QString& name) {
        *error = tr("レイアウトファイル %1 にコントロール %2 がありません。\n"
                    "印刷するにはこのコントロールをレイアウトに加えてください。")
                     .arg(QDir::toNativeSeparators(file), name);
        return false;
    };
    m_fields.clear();
    for (const PageField& f : kPageFields) {
        const int place = PlaceOf(m_design, QLatin1String(f.control));
        if (place < 0)
            return missing(QLatin1String(f.control));
        m_fields.emplace_back(place, int(f.field));
    }
    m_graph = PlaceOf(m_design, QStringLiteral("picGraph"));
    if (m_graph < 0)
        return missing(QStringLiteral("picGraph"));
    m_scale = {};
    m_tankMat = ArrayPlaces(m_design, QStringLiteral("lblTankMat"));
    m_entryType = ArrayPlaces(m_design, QStringLiteral("lblEntryType"));
    m_hours = ArrayPlaces(m_design, QStringLiteral("lblH"), &m_scale.lastH);
    const bool depthLabels = !ArrayPlaces(m_design, QStringLiteral("lblV"), &m_scale.lastV).isEmpty();
    for (const auto& [places, name] : {std::pair{&m_tankMat, "lblTankMat"}, std::pair{&m_entryType, "lblEntryType"},
                                       std::pair{&m_hours, "lblH"}})
        if (places->isEmpty())
            return missing(QLatin1String(name) + QStringLiteral("_0"));
    if (!depthLabels)
        return missing(QStringLiteral("lblV_0"));

    m_items.clear();
    if (!m_log.read(choose, &m_items, error))
        return false;
    if (m_items.isEmpty()) {
        *error = tr("印刷するレコードがありません");
        return false;
    }
    return true;
}

PrintLayout LogPrintJob::page(const DiveTexts& dive, bool rightHand) const
{
    PrintLayout page = m_design;
    QList<LayoutControl>& controls = page.controls;
    for (const auto& [place, field] : m_fields) {
        const QString& text = dive.text(F(field));
        controls[place].caption = F(field) == F::dtpDate ? PrintDateCaption(DateIn(text)) : text;
    }
    const auto mark = [&](const QList<std::pair<int, int>>& places, int chosen) {
        for (const auto& [place, index] : places)
            if (index == chosen)
                controls[place].caption = kChosenMarker;
    };
    mark(m_tankMat, dive.position(QStringLiteral("cboTankMat")));
    mark(m_entryType, dive.position(QStringLiteral("cboEntryType")));
    const long diveTime = CLng(dive.text(F::txtUWTime)).value_or(0);
    for (const auto& [place, k] : m_hours)
        if (k >= 1)
            controls[place].caption = QString::number(std::lround(double(diveTime) * k / m_scale.lastH));

    const double dx = double(rightHand ? m_setup.leftMarginRight : m_setup.leftMarginLeft) * kTwipsPerMillimetre;
    const double dy = double(m_setup.topMargin) * kTwipsPerMillimetre;
    for (LayoutControl& c : controls)
        c.shift(dx, dy);
    return page;
}

PrintResult LogPrintJob::print(PageSurface& surface, JobProgress* progress, QString* error)
{
    PrintEngine engine(surface);
    engine.InitPrinter();
    DiveTexts dive(m_log.context());
    const int count = int(m_items.size());
    if (progress)
        progress->begin(tr("印刷処理中です . . ."), count);
    const auto finish = [&](PrintResult result, const QString& reason = QString()) {
        if (result == PrintResult::Failed) {
            surface.abort();
            if (error)
                *error = reason;
        }
        if (progress)
            progress->end();
        return result;
    };
    const QString refused = tr("プリンタが印刷を受け付けませんでした");
    std::optional<ReadTransaction> lookUps;
    for (int i = 0; i < count; ++i) {
        if (progress) {
            lookUps.reset();
            if (progress->stepAndAskStop(i + 1, count)) {
                surface.abort();
                MsgBox(tr("印刷を中断します"), MsgIcon::Exclamation, MsgButtons::Ok, tr("中断"));
                return finish(PrintResult::Stopped);
            }
        }
        // Each dive starts its own page; the last one leaves no empty page behind it.
        if (i > 0 && !surface.newPage())
            return finish(PrintResult::Failed, refused);
        PrintLayout layout;
        QList<float> depths, temperatures;
        {
            const LogSnapshot::Lend lend(m_log);
            if (!lookUps)
                lookUps.emplace();
            m_log.load(dive, m_items[i]);
            layout = page(dive, IsRightHandPage(m_setup.pageSeq, i + 1));
            depths = SplitNumbers(dive.depthSeries());
            temperatures = SplitNumbers(dive.tempSeries());
        }
        engine.PrintForm(layout);
        DrawPrintChart(engine, surface, layout.controls[m_graph], m_scale, depths, temperatures);
    }
    lookUps.reset();
    if (!engine.EndPrinting())
        return finish(PrintResult::Failed, refused);
    return finish(PrintResult::Done);
}

QPageLayout DefaultPdfPageLayout(const PageSetup& setup)
{
    return QPageLayout(QPageSize(QPageSize::A5),
                       setup.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

PrintResult PrintPdf(LogPrintJob& job, const QString& fileName, const QPageLayout& pageLayout, int resolution,
                     JobProgress* progress, QString* error)
{
    SafeFileWriter file(fileName);
    if (!file.open()) {
        *error = file.errorString();
        return PrintResult::Failed;
    }
    SafeFileDevice device(file);
    QPdfWriter pdf(&device);
    pdf.setCreator(QStringLiteral("Tidewriter %1.%2.%3")
                       .arg(TIDEWRITER_VERSION_MAJOR)
                       .arg(TIDEWRITER_VERSION_MINOR)
                       .arg(TIDEWRITER_VERSION_PATCH));
    pdf.setTitle(tr("ログブック"));
    pdf.setResolution(resolution);
    pdf.setPageLayout(pageLayout);
    PrintResult result = PrintResult::Failed;
    {
        PainterSurface surface(&pdf, resolution);
        if (!surface.isActive())
            *error = tr("PDF ファイル %1 を作成できませんでした").arg(QDir::toNativeSeparators(fileName));
        else
            result = job.print(surface, progress, error);
    }
    // A write that failed inside the PDF writer shows here, before the target is replaced.
    if (result == PrintResult::Done && !file.commit()) {
        *error = file.errorString();
        result = PrintResult::Failed;
    }
    if (result != PrintResult::Done)
        file.discard();
    return result;
}
