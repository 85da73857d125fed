#pragma once
// The texts a dive's record editor shows, with the values worked out from them: the one
// source of every displayed value, for the editor, the exports and the printed pages.
#include "DiveFields.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class DiveContext;
class Recordset;

// The LogTbl columns a dive's texts are made of, read from a row once and kept compactly,
// so that a job can hold thousands of them.
struct DiveRow {
    enum Text { Date, Location, Buddy, Guide, InTime, OutTime, Comment, DepthTransit, TempTransit, TextCount };
    enum Number {
        AvgDepth, MaxDepth, AirTemp, SurfaceTemp, DepthTemp, MinVisibility, MaxVisibility, MinTransparency,
        MaxTransparency, TankCapa, Weight, StartTankBar, EndTankBar, NumberCount
    };
    enum Whole { EntryType, Weather, Suit, TankMat, AirType, Condition, Item, WholeCount };

    // The LogTbl columns read, as a list for a SELECT.
    static const QString& columns();
    // From the row the recordset stands on.
    static DiveRow read(const Recordset& row);

    bool isNull(Number n) const { return m_nullNumbers & (1u << n); }
    bool isNull(Whole w) const { return m_nullWholes & (1u << w); }
    double number(Number n) const { return m_numbers[n]; }
    qint64 whole(Whole w) const { return m_wholes[w]; }
    QString text(Text t) const;  // a null QString for Null

private:
    // All texts in one block, one after the other: each in Latin-1 when every character
    // fits (series, times, dates: half the size), else in UTF-16.
    QByteArray m_block;
    std::array<quint32, TextCount + 1> m_ends{};  // text i is [m_ends[i], m_ends[i + 1])
    quint32 m_nullTexts = 0, m_wideTexts = 0;
    std::array<double, NumberCount> m_numbers{};
    std::array<qint64, WholeCount> m_wholes{};
    quint32 m_nullNumbers = 0, m_nullWholes = 0;
};

class DiveTexts : public QObject {
    Q_OBJECT
public:
    // The editor's fields, in the order of controls(); their table is DiveFields.
    using Field = DiveField;
    // The editor's fields, by control name.
    static const QStringList& controls();
    // The field of a control name; empty for a name that is none of them.
    static std::optional<Field> fieldOf(const QString& control);
    static const QStringList& listControls();  // chosen position in a lookup list
    static const QStringList& maskControls();  // ticked entries of a lookup list

    explicit DiveTexts(DiveContext* context = nullptr, QObject* parent = nullptr);
    ~DiveTexts() override;
    void setContext(DiveContext* context);

    QString text(const QString& control) const;
    const QString& text(Field field) const { return m_texts[size_t(field)]; }
    // Sets a field as the user would, running the recomputations that field feeds.
    void setText(const QString& control, const QString& text);
    void setText(Field field, const QString& text);
    int position(const QString& control) const;
    void setPosition(const QString& control, int position);
    long mask(const QString& control) const;
    void setMask(const QString& control, long mask);

    QString depthSeries() const { return m_depthSeries; }
    QString tempSeries() const { return m_tempSeries; }
    void setDepthSeries(const QString& s) { m_depthSeries = s; }
    void setTempSeries(const QString& s) { m_tempSeries = s; }
    QString caption() const { return m_caption; }

    // Back to the texts of a freshly opened editor.
    void clear();
    // Loads dive id as the editor opens it: the fields in load order, each running its
    // recomputations, then RecalcAll. False when the log could not be read.
    bool load(qint64 id, long number);
    // A dive without a row: an empty record with its number.
    void loadEmpty(long number);
    // The same from a LogTbl row already read (the row the recordset stands on).
    void loadRow(const Recordset& row, long number);
    void loadRow(const DiveRow& row, long number);

    void CalcUWTime();
    void CalcAir();
    void CalcOutPg();
    long GetPrevEndPg();
    void RecalcAll();

signals:
    void textChanged(const QString& control, const QString& text);

private:
    void setPosition(Field field, int position);
    void setMask(Field field, long mask);
    void changed(Field field);
    float lookUpDepth(bool* ok) const;
    QString storedDate() const;   // dtpDate as stored, empty when it is no date
    QString storedEntry() const;  // txtInTime as stored, empty when it is no time

    DiveContext* m_context;
    DiveContext* m_ownContext = nullptr;
    std::array<QString, size_t(Field::Count)> m_texts;
    std::array<int, size_t(Field::Count)> m_positions;
    std::array<long, size_t(Field::Count)> m_masks;
    QHash<QString, QString> m_otherTexts;  // names that are no field of the editor
    QString m_depthSeries, m_tempSeries, m_caption;
    bool m_uwBusy = false;
    bool m_loading = false;
    bool m_airPending = false;  // a loading step asked for the air values
};
