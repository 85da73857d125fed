#pragma once
// A print job's pages onto a QPrinter from the print dialog or the preview: a PDF file goes
// through the safe file writer, a printer gets the pages as they are drawn.
#include "modLogPrint.h"

class QPrinter;

// The printer turned to the page type's orientation.
void SetPrinterOrientation(QPrinter& printer, const PageSetup& setup);
PrintResult PrintOnPrinter(LogPrintJob& job, QPrinter& printer, JobProgress* progress, QString* error);
