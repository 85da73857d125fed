#pragma once
// The one way a typed or stored number, time of day or date is read, wherever it comes
// from: the editor's boxes, the calculator, the options, the log's rows and the exports.
#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

// An optionally signed decimal number (digits with at most one point), blanks around it
// allowed, that a double holds. No exponent: "1e-05" is no number here, as everywhere the
// program reads numbers, and a longer run of digits than a double can hold is none either.
std::optional<double> NumberIn(const QString& text);
// A whole number as the log's rules take it: a number rounded half to even, within 32 bits.
std::optional<long> CLng(const QString& text);
std::optional<long> RoundToLong(double value);
// A number that fits a single-precision float.
std::optional<float> CSng(const QString& text);
// A time of day: H:m, H:mm or HH:mm with optional :ss, hours 0–23, minutes and seconds
// 0–59, blanks around it allowed. An invalid QTime for anything else.
QTime TimeIn(const QString& text);
// A date in the editor's form yyyy/MM/dd; an invalid QDate for anything else.
QDate DateIn(const QString& text);
// A date as a row stores it, yyyy-MM-dd.
QDate StoredDateIn(const QString& text);
