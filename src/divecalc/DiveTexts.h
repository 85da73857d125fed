#pragma once
// The texts a dive's record editor shows, with the values worked out from them: the one
// source of every displayed value, for the editor, the exports and the printed pages.
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class DiveContext;
class Recordset;

class DiveTexts : public QObject {
    Q_OBJECT
public:
    // The editor's fields, by control name.
    static const QStringList& controls();
    static const QStringList& listControls();  // chosen position in a lookup list
    static const QStringList& maskControls();  // ticked entries of a lookup list

    explicit DiveTexts(DiveContext* context = nullptr, QObject* parent = nullptr);
    ~DiveTexts() override;
    void setContext(DiveContext* context);

    QString text(const QString& control) const { return m_texts.value(control); }
    // Sets a field as the user would, running the recomputations that field feeds.
    void setText(const QString& control, const QString& text);
    int position(const QString& control) const { return m_positions.value(control, -1); }
    void setPosition(const QString& control, int position);
    long mask(const QString& control) const { return m_masks.value(control, 0); }
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

    void CalcUWTime();
    void CalcAir();
    void CalcOutPg();
    long GetPrevEndPg();
    void RecalcAll();

    bool uwTimeBusy() const { return m_uwBusy; }

signals:
    void textChanged(const QString& control, const QString& text);

private:
    void changed(const QString& control);
    float lookUpDepth(bool* ok) const;
    QString storedDate() const;   // dtpDate as stored, empty when it is no date
    QString storedEntry() const;  // txtInTime as stored, empty when it is no time

    DiveContext* m_context;
    DiveContext* m_ownContext = nullptr;
    QHash<QString, QString> m_texts;
    QHash<QString, int> m_positions;
    QHash<QString, long> m_masks;
    QString m_depthSeries, m_tempSeries, m_caption;
    bool m_uwBusy = false;
    bool m_loading = false;
};
