#include "PrinterOutput.h"

#include "PainterSurface.h"

#include <QCoreApplication>
#include <QPaintEngine>
#include <QPrinter>

void SetPrinterOrientation(QPrinter& printer, const PageSetup& setup)
{
    printer.setPageOrientation(setup.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

PrintResult PrintOnPrinter(LogPrintJob& job, QPrinter& printer, JobProgress* progress, QString* error)
{
    SetPrinterOrientation(printer, job.setup());
    // Qt's PDF printer would write straight into the file; a job stopped or failed half-way
    // must leave an existing file as it was. A preview paints on the printer's pictures.
    const bool preview = printer.paintEngine() && printer.paintEngine()->type() == QPaintEngine::Picture;
    if (printer.outputFormat() == QPrinter::PdfFormat && !preview)
        return PrintPdf(job, printer.outputFileName(), printer.pageLayout(), printer.resolution(), progress, error);
    PainterSurface surface(&printer, printer.resolution(), [&printer] { printer.abort(); });
    if (!surface.isActive()) {
        *error = QCoreApplication::translate("PrinterOutput", "プリンタ %1 で印刷を始められませんでした")
                     .arg(printer.printerName());
        return PrintResult::Failed;
    }
    return job.print(surface, progress, error);
}
