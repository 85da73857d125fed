#pragma once
// Dives printed as pages of a paper logbook: a layout per page type, filled per dive from
// the texts its editor shows, shifted by the page margins of its side of the binder, drawn
// by the print engine, with the dive's profile in the layout's chart area.
#include "LogSnapshot.h"
#include "PrintLayout.h"

#include <QDate>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <utility>
#include <vector>

class DiveTexts;
class JobProgress;
class PageSurface;
class PrintEngine;

// What printing takes from the page setup, for the page type printed.
struct PageSetup {
    long pageType = 0;  // 0 organizer page, 1 A5 logbook page
    long topMargin = 0, leftMarginRight = 0, leftMarginLeft = 0;  // millimetres
    long orientation = 0;  // 0 portrait, 1 landscape
    long pageSeq = 0;
    // From the shared settings; a hand-edited page type or orientation is read as the page
    // setup dialog shows it.
    static PageSetup current();
};

// Whether the n-th printed dive (from 1) is a right-hand page: page order 0 always, 2 for
// odd n, 3 for even n; 1 and any other value never.
bool IsRightHandPage(long pageSeq, qsizetype n);

// The layout of a page type ("frmPrintBible", "frmPrintA5") and where its file is: the
// diver's own copy in the data folder's "layouts" folder, else the installed one.
QString LayoutName(long pageType);
QString LayoutFilePath(const QString& name);

// The date as the page shows it: day, month number, two-digit year (5-7-04).
QString PrintDateCaption(const QDate& date);

// The axis labels a page needs: the last element of lblV and lblH fix the chart's ticks.
struct ChartScale {
    int lastV = 0, lastH = 0;
};

// Draws the profile into the chart area graph (printer pixels from its twips): ticks at the
// axis labels, the depth curve from the surface through the samples back to the surface,
// and the temperature curve, each only with 3 samples or more. Values beyond the scales
// (deeper than 40 m, outside -5 to 35 °C) are drawn on the chart's edge, not over the page.
void DrawPrintChart(PrintEngine& engine, PageSurface& surface, const LayoutControl& graph, const ChartScale& scale,
                    const QList<float>& depths, const QList<float>& temperatures);

enum class PrintResult { Done, Stopped, Failed };

// One print job: the layout and the chosen dives are read first, then any number of
// surfaces (a printer, a PDF, each page of a preview) get the same pages.
class LogPrintJob {
public:
    explicit LogPrintJob(const PageSetup& setup = PageSetup::current());

    // Reads the page type's layout and checks that it holds every control a page fills, then
    // the chosen dives in one read of the log. False with error set (naming the file and
    // what is missing, or that no dive was chosen): nothing may be printed then.
    bool prepare(const ExportChoice& choose, QString* error);
    qsizetype pageCount() const { return m_items.size(); }
    const PageSetup& setup() const { return m_setup; }

    // The page's layout filled with the dive's texts and shifted for its side, ready for
    // the engine; the depth and temperature samples for its chart.
    PrintLayout page(const DiveTexts& dive, bool rightHand) const;

    // Prints one page per dive onto the surface, whose first page is open; a new page is
    // started between dives, never after the last. Done ends the surface's job. When the
    // progress asks to stop, the job is aborted so nothing half-done is printed, the user is
    // told ("印刷を中断します") and Stopped returned. Failed (error set) when the device
    // refused a page or the end of the job.
    PrintResult print(PageSurface& surface, JobProgress* progress, QString* error);

private:
    PageSetup m_setup;
    PrintLayout m_design;
    int m_graph = -1;  // picGraph's place in the layout's controls
    // The layout's field controls by their place in its controls, each with the dive field
    // it shows, and the marker and axis-label arrays.
    std::vector<std::pair<int, int>> m_fields;
    QList<std::pair<int, int>> m_tankMat, m_entryType, m_hours;  // (place, element index)
    ChartScale m_scale;
    LogSnapshot m_log;
    QList<ExportItem> m_items;
};

// Dots per inch of a PDF made without a print dialog: fine enough that the layout's twips
// and the chart's pen widths keep their sizes.
inline constexpr int kPdfResolution = 1200;

// The pages on a PDF file, written through a temporary file that replaces the target only
// when complete: a failure or a stop leaves an existing file as it was. pageLayout gives
// the paper and the printable area the pages start at; resolution in dots per inch.
PrintResult PrintPdf(LogPrintJob& job, const QString& fileName, const QPageLayout& pageLayout, int resolution,
                     JobProgress* progress, QString* error);
// The paper of a PDF made without a print dialog: A5, which holds either page type with
// its default margins, turned by the page type's orientation, printable to its edges.
QPageLayout DefaultPdfPageLayout(const PageSetup& setup);
