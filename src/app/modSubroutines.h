#pragma once
// Small shared routines: SQL text, list keys, paths, number series, text conversions.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "TextReaders.h"

class QObject;

QString QuoteSQL(const QString& s);
QString MakeItemKey(qint64 id);
qint64 KeyToId(const QString& key);

// Path routines split at the platform's separator ("/").
QString GetFileName(const QString& path);
QString GetFolderName(const QString& path);
QString RemoveExtension(const QString& name);
QString RemoveTrailing(const QString& s, const QString& suffix);

// Each value followed by the separator, then trailing blanks removed.
QString JoinValues(const QStringList& values, const QString& separator);
// Every run of characters other than digits, "." and "-" separates numbers; a text
// without any number gives the two values 0, 0.
QList<float> SplitNumbers(const QString& text);
// True when SplitNumbers finds a number in the text, rather than giving its two zeros for none.
bool HoldsNumbers(const QString& text);

// True/False in any case, or a number (0 is False), as the settings file holds it.
std::optional<bool> CBool(const QString& text);
// A single-precision number as the settings file and the series texts store it: plain
// decimal ("9600", "0.00001", "12345678"), the shortest text that SplitNumbers reads back
// as the same number. -0 is written as 0; a value that is no number at all as 0.
QString SingleToText(float value);
// A length in twips from the settings file as whole pixels (15 twips to a pixel), or
// nothing when the text is no number or the length falls outside [minPixels, maxPixels]:
// such a value could not make a usable window or column.
std::optional<int> TwipsToPixels(const QString& text, int minPixels, int maxPixels);
// The text with every line break (CR LF, a lone LF or a lone CR) as CR LF, the form the
// log's texts and the exported files use.
QString CrLfLines(const QString& text);

// Shell, folder chooser and help, through the installed UI services.
QString BrowseFolder(const QString& title, QObject* owner);
bool ShellOpen(const QString& file, QObject* owner);
void ShowFileProperties(const QString& file, QObject* owner);
QString HelpFilePath();
// Opens the user guide at the topic with that context id (0: the contents). When it
// cannot, says which of the two happened, the guide missing or no program to open it,
// naming the file, and returns false.
bool ShowHelp(long contextId, QObject* owner, const QString& guide = HelpFilePath());

// A number as the display formats "0.0" and "00.0" give it: at least minIntDigits digits
// before the point, exactly `decimals` after it, halves rounded away from zero on the
// value's decimal form at 15 significant digits (38.05 gives 38.1).
QString FormatFixed(double value, int minIntDigits, int decimals);
