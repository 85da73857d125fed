#pragma once
// The HTML export: the chosen dives written into one page made from a template, and a
// PNG picture of each dive's profile in a "charts" folder beside the page.
#include "LogSnapshot.h"

#include <QString>

class DiveTexts;
class JobProgress;

// A template split at its marker lines. The record block is everything between a begin
// marker ("<!-- begin -->", any letter case, anything around the blanked word) and the
// next end marker; each begin marker leaves kInsertData in the page, where the records go.
struct HtmlTemplate {
    QString page;   // every line ended by CR LF
    QString block;  // the lines of every record block, in order, each ended by CR LF
};
inline constexpr char16_t kInsertData[] = u"<!--## INSERT DATA ##-->";

// A line ends at CR LF, a lone CR or a lone LF; templates saved on Linux use the last.
HtmlTemplate SplitTemplate(const QString& text);
// Reads a Shift-JIS template; false with error set when it cannot be read.
bool ReadTemplate(const QString& path, HtmlTemplate* result, QString* error);
// The template a diver put into the data folder, else the one installed with the program.
QString TemplateFilePath();

// Escapes value for HTML ("&", '"', ">", "<", line breaks as "<br>" and CR LF, an empty
// value as an ideographic space) and puts it in place of every "<%name%>" in record.
void ReplaceField(QString& record, const QString& name, QString value);
// The block with one dive's placeholders replaced. False with error set when an entry or
// exit time is not a time of day.
bool RecordHtml(const QString& block, const DiveTexts& dive, QString* record, QString* error);
// "<%version%>" and "<%copyright%>" replaced.
QString PageTexts(QString text);

// The size of a dive's chart picture.
inline constexpr int kChartWidth = 182, kChartHeight = 151;

// Writes the page for the items, in their order, and their pictures. The page goes
// through a temporary file that replaces the target only when it is complete, so a
// failure leaves an existing page as it was; pictures written before a failure or a stop
// stay. The log and its companions are refused. False with error set when the template,
// the log, a picture or the page could not be read or written, or a time is unreadable;
// a job the user stopped is not a failure, and its page holds the dives done before the
// stop. The log is read in one go before other windows get their turn.
bool ExportHTML(const QString& fileName, const QString& templatePath, const ExportChoice& choose,
                JobProgress* progress, QString* error);
bool ExportHTML(const QString& fileName, const QString& templatePath, const QList<ExportItem>& items,
                JobProgress* progress, QString* error);
