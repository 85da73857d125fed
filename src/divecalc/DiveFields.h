#pragma once
// Every field of a dive's record, named once. The editor's control names are the names of
// DiveField; for each field the table holds the LogTbl column that stores it, how a save
// writes it, the check its box runs when the focus leaves it and whether the box selects
// its text on entry. The record store, the editor's texts and checks, its window and the
// exports all read them here.
#include <QList>
#include <QString>

// The editor's fields, in the order DiveTexts keeps them.
#define TIDEWRITER_DIVE_FIELDS(X)                                                                                    \
    X(dtpDate) X(cboLocation) X(cboBuddy) X(cboGuide) X(cboEntryType) X(txtNo) X(txtTotalTime) X(txtTodayNum)         \
    X(txtTodayTotal) X(txtComment) X(cboWeather) X(txtAirTemp) X(txtSurfaceTemp) X(txtDepthTemp) X(txtMinVisibility) \
    X(txtMaxVisibility) X(txtMinTransparency) X(txtMaxTransparency) X(lstCondition) X(cboSuit) X(txtWeight)           \
    X(cboTankMat) X(cboAirType) X(txtTankCapa) X(txtStartTankBar) X(txtEndTankBar) X(txtTankQuant) X(txtTankUsed)    \
    X(txtTankSpeed) X(lstItem) X(txtInTime) X(txtOutTime) X(txtUWTime) X(txtAvgDepth) X(txtMaxDepth) X(txtSI)        \
    X(txtInPG) X(txtOutPG) X(txtRnt) X(txtAbt) X(txtTbt)

enum class DiveField {
#define TIDEWRITER_FIELD_ENUMERATOR(name) name,
    TIDEWRITER_DIVE_FIELDS(TIDEWRITER_FIELD_ENUMERATOR)
#undef TIDEWRITER_FIELD_ENUMERATOR
    Count
};

struct RecordField {
    // Shown: worked out from the others, never stored.
    enum Kind { Date, Text, ListIndex, Mask, Series, Shown };
    enum class Check { None, NotEmpty, Time, Tenths, Whole };
    enum Flag { SelectOnFocus = 1, Listed = 2 };  // Listed: the dive list shows the column
    const char* column;   // nullptr for a value worked out
    const char* control;  // the editor's control; for a series "DepthSeries" or "TempSeries"
    Kind kind;
    Check check;
    const char* message;  // the check's message, untranslated (context "frmRecord")
    int flags;
    int field;            // its DiveField, -1 for a series
};

namespace DiveFields {
// The stored fields in the order a save writes them (the two series among them), then
// those worked out.
const QList<RecordField>& all();
// The stored fields only, in the order a save writes them.
const QList<RecordField>& stored();
const RecordField& of(DiveField field);
// The field with that control name; nullptr for a name that is none.
const RecordField* named(const QString& control);
// The control name of a field.
QString name(DiveField field);
// Stops the program when a column is not in the table: a misspelt column name would
// otherwise read and write nothing without a word.
void requireColumn(const char* column);
}  // namespace DiveFields
