#pragma once
// The window in which one dive is viewed and edited: its fields bound to the dive's texts,
// the checks on leaving a box, the profile graph, and the save through the record store.
#include "DiveTexts.h"
#include "RecordStore.h"

#include <QDialog>
#include <QPointer>

namespace Ui { class frmRecord; }
class frmChart;

class frmRecord : public QDialog {
    Q_OBJECT
public:
    explicit frmRecord(QWidget* parent = nullptr);
    ~frmRecord() override;

    // Loads dive id, shown as number no; the dive already open is only brought forward.
    void OpenRec(qint64 id, long no);
    qint64 recordId() const { return m_id; }
    QString DepthSeries() const { return m_texts.depthSeries(); }
    QString TempSeries() const { return m_texts.tempSeries(); }
    // The chart window of the open dive, sized in twips, not yet shown.
    frmChart* OpenZoom(int widthTwips, int heightTwips);
    frmChart* chartWindow() const;
    DiveTexts& texts() { return m_texts; }
    RecordStore& store() { return m_store; }
    // Closes the window from program code: no question about unsaved edits.
    void Unload();
    // The program is about to end: unsaved edits are saved (as OK saves them) or dropped, as
    // the user answers. False when the user keeps the window or the save failed; the window
    // then stays open and the program must go on running.
    bool QueryExit();

signals:
    // A save wrote a field the dive list shows.
    void listedFieldSaved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private slots:
    void cmdOk_Click();
    void cmdApply_Click();
    void cmdCancel_Click();
    void cmdZoom_Click();
    void cmdInputDepth_Click();
    void cmdInputTemp_Click();
    void texts_Changed(const QString& control, const QString& text);
    void lvwPicList_FocusTaken(bool hasFocus);
    void RunPendingCheck();

private:
    void bindControls();
    void fillLists();
    void showText(const QString& control);
    void showAll();
    void userEdit(const QString& control, const QString& text);
    void listClick(const QString& control, int position);
    void maskClick(const QString& control);
    bool Validate(QWidget* box);
    void revealControl(QWidget* control);
    bool Save();
    // What OK does: checks the box just left, saves unsaved edits and closes. False when
    // the check or the save failed and the window stays.
    bool SaveAndUnload();
    void InputSeries(bool depth);
    void RedrawGraph();
    void placeGraphLabels();
    void selectTab(int delta);
    void Form_Unload();

    Ui::frmRecord* ui;
    DiveTexts m_texts;
    RecordStore m_store;
    qint64 m_id = 0;
    QPointer<frmChart> m_chart;
    QPointer<QWidget> m_pendingCheck;  // the box just left, checked once the focus settled
    bool m_loading = false;   // texts change while a dive loads: no edits, no checks
    bool m_showing = false;   // a control is being set from the texts, not by the user
    bool m_refocusing = false;
    bool m_unloading = false;
    bool m_cancelActive = true;  // Esc cancels unless the file list wants it
};
