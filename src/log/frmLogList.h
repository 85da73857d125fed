#pragma once
// The main window: the dive list with its numbers, filter and totals, and every command.
#include "ByteLine.h"
#include "DiveListModel.h"
#include "modCSV.h"

#include <QHash>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

namespace Ui { class frmLogList; }
class QAction;
class QLabel;
class JobProgress;
class LogPrintJob;
class QPrinter;
class frmProfCalc;
class frmRecord;

class frmLogList : public QMainWindow {
    Q_OBJECT
public:
    explicit frmLogList(QWidget* parent = nullptr);
    ~frmLogList() override;

    void RefreshList();
    void FormReset();
    // Window size, column widths and bar visibility from the settings file.
    void ApplySettings();

    // The stored selection: keys of the selected rows in list order.
    const QStringList& selection() const { return m_selection; }
    DiveListModel* model() const { return m_model; }
    QAction* toolButton(const QString& key) const;
    QString panelText(int panel) const;

    // Shows the editor of dive id, opening one when the dive has none yet.
    void OpenRecordWindow(qint64 id);
    frmRecord* editorOf(qint64 id) const;
    void AfterInsert();
    // Where the transfer command gets its line to the dive computer (tests put a fake there).
    using LineFactory = std::function<std::unique_ptr<ByteLine>()>;
    void setLineFactory(LineFactory factory) { m_lineFactory = std::move(factory); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void mnuFileExit_Click();
    void mnuViewTool_Click();
    void mnuViewStatus_Click();
    void mnuViewRefresh_Click();
    void mnuRecOpen_Click();
    void mnuRecDelete_Click();
    void mnuRecClone_Click();
    void mnuRecNew_Click();
    void mnuRecSelectAll_Click();
    void mnuToolHATrance_Click();
    void mnuToolCalc_Click();
    void mnuToolPageOption_Click();
    void mnuToolOption_Click();
    void mnuRecExportCSV_Click();
    void mnuRecExport_Click();
    void mnuRecExportUDDF_Click();
    void mnuFileImportUDDF_Click();
    void mnuRecPrint_Click();
    void mnuRecPreview_Click();
    void mnuHelpHelp_Click();
    void mnuHelpAbout_Click();
    void cboSpDive_Click();
    void lvwLogList_ColumnClick(int column);
    void lvwLogList_DblClick(const QModelIndex& index);
    void lvwLogList_MouseUp(const QPoint& pos);

private:
    void createToolbar();
    void UpdateSelection();
    // Asks every editor with unsaved edits, in the order they were opened; false when one
    // of them stays open, which cancels the exit.
    bool QueryUnloadEditors();
    void Form_Unload();
    // Marks the time a long job (transfer, export) runs with its dialog beside the list.
    class JobScope;
    QString rowText(const QString& key, int column) const;
    // The stored selection as dive ids with the numbers the list shows for them.
    QList<ExportItem> selectedItems() const;
    // Every dive of the list, in list order.
    QList<ExportItem> listItems() const;
    // The print job's layout and dives read; false when the user has been told why not.
    bool preparePrint(LogPrintJob& job, const QList<ExportItem>& items);
    // The job's pages on the printer; a failure is told to the user.
    void printPages(LogPrintJob& job, QPrinter& printer, JobProgress* progress, QWidget* owner);
    // The export's target: the selection checked, the save dialog, the log refused and the
    // overwrite question asked. Empty when the command ends there.
    QString exportTarget(const QString& command, const QString& title, const QString& filter);
    // The save dialog, the log refused and the overwrite question asked.
    QString saveTarget(const QString& title, const QString& filter);
    void exportDone(bool ok, const QString& error);

    Ui::frmLogList* ui;
    DiveListModel* m_model;
    QLabel* m_panels[3];
    QHash<QString, QAction*> m_toolButtons;
    QStringList m_selection;
    bool m_unloaded = false;
    bool m_closing = false;       // the exit is asking its questions
    bool m_closePending = false;  // an exit asked for while a job ran, carried out when it ends
    QList<QPointer<QWidget>> m_jobDialogs;  // dialogs of the jobs running, innermost last
    QPointer<frmProfCalc> m_calc;
    QHash<QString, QPointer<frmRecord>> m_editors;  // by MakeItemKey of the dive id
    QPointer<frmRecord> m_lastEditor;  // the next new editor opens cascaded from it
    QString m_exportFileName;  // the last file chosen for an export, offered again
    LineFactory m_lineFactory;
};
