#pragma once
// The CSV export: one line per dive with what its record shows, Shift-JIS, CR LF.
#include <QByteArray>
#include <QList>
#include <QString>

class DiveTexts;
class JobProgress;

struct ExportItem {
    qint64 id;
    long number;  // the dive number the list shows for it
};

QString CsvQuote(const QString& field);
QString CsvHeader();
QString CsvLine(const DiveTexts& dive);
// Text as Shift-JIS: the Unicode forms of the JIS dashes and signs become the ones the code
// page holds, and any other character it cannot hold becomes "?".
QByteArray ToShiftJis(const QString& text);

// Writes the items in their order. False when the file could not be written or a dive
// could not be read (error says why); a job the user stopped is not a failure.
bool ExportCSV(const QString& fileName, const QList<ExportItem>& items, JobProgress* progress, QString* error);
