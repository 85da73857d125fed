#pragma once
// The CSV export: one line per dive with what its record shows, Shift-JIS, CR LF.
#include <QByteArray>
#include <QList>
#include <QString>

#include "LogSnapshot.h"

class DiveTexts;
class JobProgress;

QString CsvQuote(const QString& field);
QString CsvHeader();
QString CsvLine(const DiveTexts& dive);
// Text as Shift-JIS: the Unicode forms of the JIS dashes and signs become the ones the code
// page holds, and any other character it cannot hold becomes "?".
QByteArray ToShiftJis(const QString& text);
// The same, with a character the code page cannot hold written as "?" (for CSV) or as a
// numeric character reference such as "&#128512;" (for HTML, where nothing is lost).
enum class ShiftJisMiss { Question, CharRef };
QByteArray ToShiftJis(const QString& text, ShiftJisMiss miss);

// Writes the items in their order, through a temporary file that replaces the target only
// when it is complete: on failure an existing file stays as it was. The log and its
// companions are refused. False when the file could not be written or the log could not
// be read (error says why); a job the user stopped is not a failure, and its file keeps
// the dives written before the stop. The log is read in one go before other windows get
// their turn, so the file shows one state of the log and a save made meanwhile succeeds.
bool ExportCSV(const QString& fileName, const QList<ExportItem>& items, JobProgress* progress, QString* error);

// Chooses the dives inside that same read of the log (ExportChoice).
bool ExportCSV(const QString& fileName, const ExportChoice& choose, JobProgress* progress, QString* error);
