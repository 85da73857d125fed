#pragma once
// The record editor's rules that need no window: what a box must hold when the focus
// leaves it and how its text is written back, which boxes select their text when the
// focus enters, and the values a typed depth or temperature series gives.
#include <QList>
#include <QString>

struct FieldCheckResult {
    bool ok = true;
    QString text;     // what the box shows afterwards: the typed text, or its written-back form
    QString message;  // why it was refused, translated
};

namespace RecordChecks {
// True for a box that has a check.
bool hasCheck(const QString& control);
// The check of the control's box on its text; a box without a check passes as it is.
FieldCheckResult check(const QString& control, const QString& text);
// True for a box whose whole text is selected when the keyboard moves the focus into it.
bool selectsOnFocus(const QString& control);
}  // namespace RecordChecks

// A depth or water-temperature list as the user typed it, read once: the series text that
// is stored, its numbers, and the two boxes it fills (average and maximum depth, or
// surface and lowest temperature). A list without a number clears the series and
// leaves both boxes as they are (their texts empty here).
struct TypedSeries {
    QString series;
    QList<float> values;
    QString summaryControls[2];
    QString summaryTexts[2];

    static TypedSeries read(bool depth, const QString& typed);
};
