#include "frmLogList.h"

#include "ui_frmLogList.h"

#include "Database.h"
#include "Globals.h"
#include "LogOperations.h"
#include "PrinterOutput.h"
#include "SafeFile.h"
#include "SerialByteLine.h"
#include "UiServices.h"
#include "WidgetRoutines.h"
#include "ProgramIcons.h"
#include "frmAbout.h"
#include "frmHATrance.h"
#include "frmMemorial.h"
#include "frmOption.h"
#include "frmPrintOption.h"
#include "frmProfCalc.h"
#include "frmProgress.h"
#include "frmRecord.h"
#include "modExport.h"
#include "modUDDF.h"
#include "UddfImport.h"
#include "modStartup.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QScopedValueRollback>
#include <QStyle>
#include <QToolBar>

namespace {
constexpr int kTwipsPerPixel = 15;
const char* const kColumnWidths[] = {"COLUMN_1", "COLUMN_2", "COLUMN_3", "COLUMN_4", "COLUMN_5"};
const int kDesignedColumnWidths[] = {60, 250, 80, 80, 140};

// The commands whose windows exist in this build; the others stay disabled.
bool commandAvailable(const QString& key)
{
    static const QStringList available = {QStringLiteral("new"), QStringLiteral("clone"), QStringLiteral("delete"),
                                          QStringLiteral("calc"), QStringLiteral("csv"), QStringLiteral("export"),
                                          QStringLiteral("open"),   QStringLiteral("print"),
                                          QStringLiteral("option"), QStringLiteral("ha")};
    return available.contains(key);
}

QString boolText(bool b)
{
    return b ? QStringLiteral("True") : QStringLiteral("False");
}
}  // namespace

// The list window stays usable while a job runs, so the user (or the window manager) may
// close it meanwhile. Shutting down under the running job would close the log beneath it
// and leave its dialog refusing to close; so the close cancels the job as the dialog's
// Cancel button does and is carried out once the job has unwound.
class frmLogList::JobScope {
public:
    JobScope(frmLogList* list, QWidget* dialog) : m_list(list) { list->m_jobDialogs.append(dialog); }
    ~JobScope()
    {
        m_list->m_jobDialogs.removeLast();
        if (m_list->m_jobDialogs.isEmpty() && m_list->m_closePending) {
            m_list->m_closePending = false;
            // Queued, so that the command that ran the job has returned first.
            QMetaObject::invokeMethod(m_list, &QWidget::close, Qt::QueuedConnection);
        }
    }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

private:
    frmLogList* m_list;
};

frmLogList::frmLogList(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::frmLogList), m_model(new DiveListModel(this)),
      m_lineFactory([] { return std::make_unique<SerialByteLine>(ConfiguredSerialDevice()); })
{
    ui->setupUi(this);
    ui->lvwLogList->setModel(m_model);
    ui->lvwLogList->header()->setSectionsClickable(true);
    ui->lvwLogList->header()->setStretchLastSection(false);
    for (int i = 0; i < DiveListModel::ColumnCount; ++i)
        ui->lvwLogList->setColumnWidth(i, kDesignedColumnWidths[i]);
    ui->lvwLogList->installEventFilter(this);
    ui->lvwLogList->viewport()->installEventFilter(this);

    const QString initial[] = {tr("選択 : 0 個"), tr("本数 : 0 本"), tr("潜水時間 : 0時間0分")};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(initial[i], ui->stsStatus);
        m_panels[i]->setObjectName(QStringLiteral("stsPanel%1").arg(i + 1));
        m_panels[i]->setMinimumWidth(i == 2 ? 180 : 120);
        ui->stsStatus->addWidget(m_panels[i], i == 2 ? 1 : 0);
    }
    // Disabled before the toolbar copies the commands' states onto its buttons.
    for (QAction* a : {ui->mnuRecPrint, ui->mnuRecExport, ui->mnuRecExportCSV})
        a->setEnabled(false);
    createToolbar();
    ui->mnuRec->setDefaultAction(ui->mnuRecOpen);

    connect(ui->mnuFileExit, &QAction::triggered, this, &frmLogList::mnuFileExit_Click);
    connect(ui->mnuFileImportUDDF, &QAction::triggered, this, &frmLogList::mnuFileImportUDDF_Click);
    connect(ui->mnuViewTool, &QAction::triggered, this, &frmLogList::mnuViewTool_Click);
    connect(ui->mnuViewStatus, &QAction::triggered, this, &frmLogList::mnuViewStatus_Click);
    connect(ui->mnuViewRefresh, &QAction::triggered, this, &frmLogList::mnuViewRefresh_Click);
    connect(ui->mnuRecOpen, &QAction::triggered, this, &frmLogList::mnuRecOpen_Click);
    connect(ui->mnuRecDelete, &QAction::triggered, this, &frmLogList::mnuRecDelete_Click);
    connect(ui->mnuRecClone, &QAction::triggered, this, &frmLogList::mnuRecClone_Click);
    connect(ui->mnuRecNew, &QAction::triggered, this, &frmLogList::mnuRecNew_Click);
    connect(ui->mnuRecSelectAll, &QAction::triggered, this, &frmLogList::mnuRecSelectAll_Click);
    connect(ui->mnuToolHATrance, &QAction::triggered, this, &frmLogList::mnuToolHATrance_Click);
    connect(ui->mnuToolCalc, &QAction::triggered, this, &frmLogList::mnuToolCalc_Click);
    connect(ui->mnuToolPageOption, &QAction::triggered, this, &frmLogList::mnuToolPageOption_Click);
    connect(ui->mnuToolOption, &QAction::triggered, this, &frmLogList::mnuToolOption_Click);
    connect(ui->mnuRecExportCSV, &QAction::triggered, this, &frmLogList::mnuRecExportCSV_Click);
    connect(ui->mnuRecExport, &QAction::triggered, this, &frmLogList::mnuRecExport_Click);
    connect(ui->mnuRecExportUDDF, &QAction::triggered, this, &frmLogList::mnuRecExportUDDF_Click);
    connect(ui->mnuRecPrint, &QAction::triggered, this, &frmLogList::mnuRecPrint_Click);
    connect(ui->mnuRecPreview, &QAction::triggered, this, &frmLogList::mnuRecPreview_Click);
    connect(ui->mnuHelpHelp, &QAction::triggered, this, &frmLogList::mnuHelpHelp_Click);
    connect(ui->mnuHelpAbout, &QAction::triggered, this, &frmLogList::mnuHelpAbout_Click);
    connect(ui->cboSpDive, &QComboBox::currentIndexChanged, this, &frmLogList::cboSpDive_Click);
    connect(ui->lvwLogList->header(), &QHeaderView::sectionClicked, this, &frmLogList::lvwLogList_ColumnClick);
    connect(ui->lvwLogList, &QAbstractItemView::doubleClicked, this, &frmLogList::lvwLogList_DblClick);
    connect(ui->lvwLogList, &QWidget::customContextMenuRequested, this, &frmLogList::lvwLogList_MouseUp);
    connect(ui->lvwLogList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmLogList::UpdateSelection);

    ui->cboSpDive->setCurrentIndex(0);
    RefreshList();
}

frmLogList::~frmLogList()
{
    delete ui;
}

void frmLogList::createToolbar()
{
    // The key names the button and its icon file (resources/icons/KEY.svg); the menu
    // command it stands for shows the same icon.
    struct Button { const char* key; const char* tip; QAction* command; };
    const Button buttons[] = {
        {"new", "新規レコード作成", ui->mnuRecNew},
        {"ha", "ハイパーアクアランド転送", ui->mnuToolHATrance},
        {"open", "レコードを開く", ui->mnuRecOpen},
        {"clone", "レコードの複製", ui->mnuRecClone},
        {"delete", "選択されているレコードを削除", ui->mnuRecDelete},
        {"print", "印刷", ui->mnuRecPrint},
        {"export", "選択されているレコードをHTML出力", ui->mnuRecExport},
        {"csv", "選択されているレコードをCSV出力", ui->mnuRecExportCSV},
        {"calc", "反復潜水計算機", ui->mnuToolCalc},
        {"option", "オプション", ui->mnuToolOption},
    };
    int n = 0;
    for (const Button& b : buttons) {
        if (n == 2 || n == 8)
            ui->tbrTool->addSeparator();
        ++n;
        const QString key = QString::fromLatin1(b.key);
        const QIcon icon = CommandIcon(key);
        b.command->setIcon(icon);
        QAction* a = ui->tbrTool->addAction(icon, tr(b.tip));
        a->setObjectName(key);
        a->setToolTip(tr(b.tip));
        a->setEnabled(b.command->isEnabled());
        QAction* command = b.command;
        connect(a, &QAction::triggered, command, &QAction::trigger);
        m_toolButtons.insert(key, a);
    }
    ui->mnuRecPreview->setIcon(CommandIcon(QStringLiteral("preview")));
}

QAction* frmLogList::toolButton(const QString& key) const
{
    return m_toolButtons.value(key);
}

QString frmLogList::panelText(int panel) const
{
    return m_panels[panel - 1]->text();
}

void frmLogList::ApplySettings()
{
    const QString window = QStringLiteral("WINDOW");
    // A hand-edited size that could not make a usable window (beyond the screen, smaller
    // than the window's least size, or no number) is ignored like any unreadable value.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize least = minimumSizeHint().expandedTo(QSize(1, 1)).boundedTo(room);
    if (auto w = TwipsToPixels(ReadIni(window, QStringLiteral("WIDTH"), QString()), least.width(), room.width()))
        resize(*w, height());
    if (auto h = TwipsToPixels(ReadIni(window, QStringLiteral("HEIGHT"), QString()), least.height(), room.height()))
        resize(width(), *h);
    KeepOnScreen(this);  // the designed size too must fit a small screen
    if (auto v = CBool(ReadIni(window, QStringLiteral("TOOLBAR_VISIBLE"), QStringLiteral("True"))))
        ui->cbrCoolBar->setVisible(*v);
    if (auto v = CBool(ReadIni(window, QStringLiteral("STATUSBAR_VISIBLE"), QStringLiteral("True"))))
        ui->stsStatus->setVisible(*v);
    QHeaderView* header = ui->lvwLogList->header();
    const int narrowest = std::max(1, header->minimumSectionSize());
    for (int i = 0; i < DiveListModel::ColumnCount; ++i) {
        // A column of no width could never be found again; one wider than the screen hides the others.
        if (auto w = TwipsToPixels(ReadIni(window, QString::fromLatin1(kColumnWidths[i]), QString()), narrowest,
                                   std::max(narrowest, room.width())))
            ui->lvwLogList->setColumnWidth(i, *w);
    }
}

void frmLogList::FormReset()
{
    // The layout places the list below the tool band and above the status bar; what is
    // left is to show the bars' state in the View menu.
    ui->mnuViewTool->setChecked(!ui->cbrCoolBar->isHidden());
    ui->mnuViewStatus->setChecked(!ui->stsStatus->isHidden());
}

void frmLogList::RefreshList()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QTreeView* list = ui->lvwLogList;
    list->setUpdatesEnabled(false);
    const QModelIndexList before = list->selectionModel()->selectedRows();
    const int remembered = list->currentIndex().isValid() ? list->currentIndex().row()
                                                          : (before.isEmpty() ? -1 : before.first().row());

    const DiveList dives = LoadDiveList(DiveFilter(ui->cboSpDive->currentIndex()));
    const long listed = long(dives.rows.size());
    m_model->setRows(dives.rows);

    m_panels[1]->setText(StatusDiveCount(listed));
    m_panels[2]->setText(StatusDiveTime(dives.totalMinutes));

    UpdateSelection();
    if (remembered >= 0 && remembered < m_model->rowCount()) {
        const QModelIndex index = m_model->index(remembered, 0);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    list->setUpdatesEnabled(true);
    list->setFocus();
    UpdateSelection();
    QApplication::restoreOverrideCursor();
}

void frmLogList::UpdateSelection()
{
    const QModelIndexList rows = GetSelectedItems(ui->lvwLogList);
    m_selection.clear();
    m_selection.reserve(rows.size());
    for (const QModelIndex& i : rows)
        m_selection << m_model->rowKey(i.row());
    m_panels[0]->setText(StatusSelection(long(m_selection.size())));
    const bool any = !m_selection.isEmpty();
    const std::pair<QAction*, const char*> commands[] = {{ui->mnuRecExport, "export"}, {ui->mnuRecExportCSV, "csv"},
                                                         {ui->mnuRecDelete, "delete"}, {ui->mnuRecOpen, "open"},
                                                         {ui->mnuRecPrint, "print"}};
    for (const auto& [menu, key] : commands) {
        const bool enabled = any && commandAvailable(QString::fromLatin1(key));
        menu->setEnabled(enabled);
        if (QAction* button = toolButton(QString::fromLatin1(key)))
            button->setEnabled(enabled);
    }
}

QString frmLogList::rowText(const QString& key, int column) const
{
    const int row = m_model->rowOfId(KeyToId(key));
    return row < 0 ? QString() : m_model->cellText(row, column);
}

void frmLogList::mnuFileImportUDDF_Click()
{
    const QString file = Services().openFileName(tr("UDDFファイルの取り込み"),
                                                 tr("UDDFファイル (*.uddf *.xml);;すべてのファイル (*)"), QString(), this);
    if (file.isEmpty())
        return;
    UddfImportResult result;
    QString error;
    const auto duplicate = [this](const UddfDive& dive) {
        const MsgResult answer = MsgBox(
            QDate::fromString(dive.column(QStringLiteral("dive_date")).toString(), Qt::ISODate).toString(QStringLiteral("yyyy/MM/dd"))
                + QLatin1Char(' ') + dive.column(QStringLiteral("in_time")).toString() + QLatin1Char('\n')
                + tr("このレコードはすでに存在しますが、取り込んでもよろしいですか") + QLatin1Char('\n')
                + tr("（キャンセルで取り込み全体を中止します）"),
            MsgIcon::Exclamation, MsgButtons::YesNoCancel, tr("同じ日時のレコードがあります"), this);
        return answer == MsgResult::Yes ? DuplicateChoice::Import
            : answer == MsgResult::No   ? DuplicateChoice::Skip
                                        : DuplicateChoice::CancelAll;
    };
    if (!ImportUDDF(file, duplicate, &result, &error)) {
        MsgBox(error, MsgIcon::Exclamation, MsgButtons::Ok, tr("エラー"), this);
        return;
    }
    if (result.cancelled)
        return;
    if (result.imported > 0)
        AfterInsert();
    MsgBox(tr("%1 本のダイブを取り込みました").arg(result.imported)
               + (result.skipped ? QLatin1Char('\n') + tr("同じ日時のダイブ %1 本は取り込みませんでした").arg(result.skipped)
                                 : QString()),
           MsgIcon::Information, MsgButtons::Ok, tr("正常終了"), this);
}

void frmLogList::mnuFileExit_Click()
{
    close();
}

void frmLogList::mnuViewTool_Click()
{
    ui->cbrCoolBar->setVisible(ui->cbrCoolBar->isHidden());
    FormReset();
}

void frmLogList::mnuViewStatus_Click()
{
    ui->stsStatus->setVisible(ui->stsStatus->isHidden());
    FormReset();
}

void frmLogList::mnuViewRefresh_Click()
{
    RefreshList();
}

void frmLogList::mnuRecOpen_Click()
{
    const QStringList keys = m_selection;
    for (const QString& key : keys)
        OpenRecordWindow(KeyToId(key));
}

void frmLogList::OpenRecordWindow(qint64 id)
{
    // One editor per dive: opening a dive again brings its editor forward.
    const QString key = MakeItemKey(id);
    QPointer<frmRecord>& editor = m_editors[key];
    if (!editor) {
        editor = new frmRecord(this);
        editor->setAttribute(Qt::WA_DeleteOnClose);
        connect(editor, &frmRecord::listedFieldSaved, this, &frmLogList::RefreshList);
        PlaceCascaded(editor, m_lastEditor);
        m_lastEditor = editor;
    }
    editor->show();
    editor->raise();
    editor->activateWindow();
    editor->OpenRec(id, rowText(key, DiveListModel::ColNo).toLong());
}

frmRecord* frmLogList::editorOf(qint64 id) const
{
    return m_editors.value(MakeItemKey(id));
}

void frmLogList::mnuRecNew_Click()
{
    if (LogOperations(this).InsertNewRecord())
        AfterInsert();
}

void frmLogList::mnuRecClone_Click()
{
    QList<qint64> ids;
    for (const QString& key : std::as_const(m_selection))
        ids.append(KeyToId(key));
    if (LogOperations(this).CloneRecords(ids).ok)
        AfterInsert();
}

void frmLogList::AfterInsert()
{
    RefreshList();
    auto rs = OpenQuery(QStringLiteral("SELECT Count(*) FROM LogTbl"));
    if (!rs || rs->eof())
        return;
    const qlonglong count = rs->field(0).toLongLong();
    if (count == 50 || (count > 0 && count % 100 == 0)) {
        frmMemorial memorial(this);
        memorial.setTitleCount(count);
        Services().runDialog(&memorial);
    }
}

void frmLogList::mnuRecDelete_Click()
{
    QList<ListedDive> dives;
    for (const QString& key : std::as_const(m_selection))
        dives.append({KeyToId(key), rowText(key, DiveListModel::ColNo), rowText(key, DiveListModel::ColDate),
                      rowText(key, DiveListModel::ColLocation)});
    const auto closeEditor = [this](qint64 id) {
        if (QPointer<frmRecord> editor = m_editors.take(MakeItemKey(id)))
            editor->Unload();
    };
    if (LogOperations(this).DeleteRecords(dives, closeEditor))
        RefreshList();
}

void frmLogList::mnuRecSelectAll_Click()
{
    ui->lvwLogList->selectAll();
    UpdateSelection();
}

QList<ExportItem> frmLogList::selectedItems() const
{
    QList<ExportItem> items;
    for (const QString& key : m_selection) {
        const qint64 id = KeyToId(key);
        items.append({id, rowText(key, DiveListModel::ColNo).toLong()});
    }
    return items;
}

QList<ExportItem> frmLogList::listItems() const
{
    QList<ExportItem> items;
    items.reserve(m_model->rowCount());
    for (int row = 0; row < m_model->rowCount(); ++row)
        items.append({KeyToId(m_model->rowKey(row)), m_model->cellText(row, DiveListModel::ColNo).toLong()});
    return items;
}

bool frmLogList::preparePrint(LogPrintJob& job, const QList<ExportItem>& items)
{
    QString error;
    if (job.prepare(ChosenItems(items), &error))
        return true;
    MsgBox(error, MsgIcon::Exclamation, MsgButtons::Ok, tr("印刷"), this);
    return false;
}

void frmLogList::mnuRecPrint_Click()
{
    frmPrintOption options(this);
    Services().runDialog(&options);
    if (options.result() != QDialog::Accepted)
        return;
    QPrinter printer(QPrinter::HighResolution);
    SetPrinterOrientation(printer, PageSetup::current());
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("dlgComDlg"));
    // Copies are the driver's; there is no page range, one page being one dive.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintSelection
                      | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setPrintRange(m_selection.isEmpty() ? QAbstractPrintDialog::AllPages : QAbstractPrintDialog::Selection);
    Services().runDialog(&dialog);
    if (dialog.result() != QDialog::Accepted)
        return;
    LogPrintJob job;
    if (!preparePrint(job, printer.printRange() == QPrinter::Selection ? selectedItems() : listItems()))
        return;
    frmProgress progress(this);
    const JobScope scope(this, &progress);
    printPages(job, printer, &progress, this);
}

void frmLogList::printPages(LogPrintJob& job, QPrinter& printer, JobProgress* progress, QWidget* owner)
{
    QString error;
    if (PrintOnPrinter(job, printer, progress, &error) == PrintResult::Failed)
        MsgBox(tr("印刷できませんでした") + QLatin1Char('\n') + error, MsgIcon::Critical, MsgButtons::Ok, tr("エラー"),
               owner);
}

void frmLogList::mnuRecPreview_Click()
{
    LogPrintJob job;
    if (!preparePrint(job, m_selection.isEmpty() ? listItems() : selectedItems()))
        return;
    QPrinter printer(QPrinter::HighResolution);
    SetPrinterOrientation(printer, job.setup());
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("dlgPreview"));
    dialog.setWindowTitle(tr("印刷プレビュー"));
    // Printing from the preview goes through here too, with the printer chosen there.
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* target) { printPages(job, *target, nullptr, &dialog); });
    Services().runDialog(&dialog);
}

void frmLogList::mnuRecExportUDDF_Click()
{
    QList<ExportItem> items = selectedItems();
    if (items.isEmpty()) {
        items = listItems();
        if (items.isEmpty()) {
            MsgBox(tr("出力するレコードがありません"), MsgIcon::Exclamation, MsgButtons::Ok, tr("UDDF出力"), this);
            return;
        }
        if (MsgBox(tr("レコードが選択されていません。すべてのレコード（%1 本）を出力しますか?").arg(items.size()),
                   MsgIcon::Question, MsgButtons::YesNo, tr("UDDF出力"), this)
            != MsgResult::Yes)
            return;
    }
    const QString file = saveTarget(tr("UDDFファイル出力"), tr("UDDFファイル (*.uddf);;XMLファイル (*.xml)"));
    if (file.isEmpty())
        return;
    frmProgress progress(this);
    const JobScope job(this, &progress);
    QString error;
    exportDone(ExportUDDF(file, items, &progress, &error), error);
}

void frmLogList::mnuRecExportCSV_Click()
{
    const QString file = exportTarget(tr("CSV出力"), tr("CSVファイル出力"), tr("CSVファイル (*.csv);;テキストファイル (*.txt)"));
    if (file.isEmpty())
        return;
    frmProgress progress(this);
    const JobScope job(this, &progress);
    QString error;
    exportDone(ExportCSV(file, selectedItems(), &progress, &error), error);
}

void frmLogList::mnuRecExport_Click()
{
    const QString file = exportTarget(tr("HTML出力"), tr("HTMLファイル出力"), tr("HTMLファイル (*.html *.htm)"));
    if (file.isEmpty())
        return;
    frmProgress progress(this);
    const JobScope job(this, &progress);
    QString error;
    exportDone(ExportHTML(file, TemplateFilePath(), selectedItems(), &progress, &error), error);
}

QString frmLogList::exportTarget(const QString& command, const QString& title, const QString& filter)
{
    if (m_selection.isEmpty()) {
        MsgBox(tr("出力するレコードを選択してください（複数選択可）"), MsgIcon::Exclamation, MsgButtons::Ok, command,
               this);
        return {};
    }
    return saveTarget(title, filter);
}

QString frmLogList::saveTarget(const QString& title, const QString& filter)
{
    // The last name chosen is offered again, whichever export chose it.
    const QString file = Services().saveFileName(title, filter, m_exportFileName, this);
    if (file.isEmpty())
        return {};
    m_exportFileName = file;
    // Refused before the overwrite question: there is nothing the user could agree to.
    if (const QString refusal = LogTargetRefusal(file); !refusal.isEmpty()) {
        MsgBox(refusal, MsgIcon::Exclamation, MsgButtons::Ok, tr("エラー"), this);
        return {};
    }
    if (QFileInfo::exists(file)
        && MsgBox(file + tr("ファイルは既に存在します。") + QLatin1Char('\n') + tr("上書きしますか?"),
                  MsgIcon::Exclamation, MsgButtons::YesNo, tr("確認"), this)
            != MsgResult::Yes)
        return {};
    return file;
}

void frmLogList::exportDone(bool ok, const QString& error)
{
    if (ok)
        MsgBox(tr("出力完了しました"), MsgIcon::Information, MsgButtons::Ok, tr("正常終了"), this);
    else
        MsgBox(tr("出力途中でエラーが発生しました") + QLatin1Char('\n') + error, MsgIcon::Exclamation, MsgButtons::Ok,
               tr("エラー"), this);
}

void frmLogList::mnuToolHATrance_Click()
{
    const std::unique_ptr<ByteLine> line = m_lineFactory();
    frmHATrance dialog(this);
    const JobScope job(this, &dialog);
    if (!dialog.Trance(*line))
        return;
    const HADive& dive = dialog.dive();
    if (LogOperations::DiveLoggedAt(dive.date, dive.inTime)
        && MsgBox(dive.date.toString(QStringLiteral("yyyy/MM/dd")) + QLatin1Char(' ')
                      + dive.inTime.toString(QStringLiteral("H:mm")) + QLatin1Char('\n')
                      + tr("このレコードはすでに存在しますが、取り込んでもよろしいですか"),
                  MsgIcon::Exclamation, MsgButtons::YesNo, tr("同じ日時のレコードがあります"), this)
            != MsgResult::Yes) {
        dialog.close();
        return;
    }
    // Closed first, so that a refusal is told with the transfer window gone; the dive stays
    // with the dialog.
    dialog.close();
    if (!LogOperations(this).ImportDive(dive))
        return;
    AfterInsert();
    MsgBox(tr("転送を完了しました"), MsgIcon::Information, MsgButtons::Ok, tr("正常終了"), this);
}

void frmLogList::mnuToolCalc_Click()
{
    // One calculator at a time, beside the list; a closed one is gone, so the next
    // starts from its initial texts.
    if (!m_calc) {
        m_calc = new frmProfCalc(this);
        m_calc->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_calc->show();
    m_calc->raise();
    m_calc->activateWindow();
}

void frmLogList::mnuToolPageOption_Click()
{
    frmPrintOption dialog(this);
    Services().runDialog(&dialog);
}

void frmLogList::mnuToolOption_Click()
{
    frmOption dialog(this);
    // The dialog refreshes the list inside its Apply, so the new offsets show at once.
    connect(&dialog, &frmOption::applied, this, &frmLogList::RefreshList);
    Services().runDialog(&dialog);
}

void frmLogList::mnuHelpHelp_Click()
{
    ShowHelp(0, this);
}

void frmLogList::mnuHelpAbout_Click()
{
    frmAbout about(this);
    Services().runDialog(&about);
}

void frmLogList::cboSpDive_Click()
{
    RefreshList();
}

void frmLogList::lvwLogList_ColumnClick(int column)
{
    m_model->headingClicked(column);
    ui->lvwLogList->header()->setSortIndicatorShown(true);
    ui->lvwLogList->header()->setSortIndicator(m_model->sortKey(), m_model->sortOrder());
    UpdateSelection();
}

void frmLogList::lvwLogList_DblClick(const QModelIndex& index)
{
    if (index.isValid())
        mnuRecOpen_Click();
}

void frmLogList::lvwLogList_MouseUp(const QPoint& pos)
{
    ui->mnuRec->popup(ui->lvwLogList->viewport()->mapToGlobal(pos));
}

bool frmLogList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->lvwLogList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (ui->mnuRecOpen->isEnabled())
                mnuRecOpen_Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmLogList::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    event->ignore();
    if (!m_jobDialogs.isEmpty()) {
        m_closePending = true;
        for (const QPointer<QWidget>& dialog : std::as_const(m_jobDialogs))
            if (auto* cancel = dialog ? dialog->findChild<QAbstractButton*>(QStringLiteral("cmdCancel")) : nullptr)
                cancel->click();
        return;
    }
    // A second close while the editors are being asked is the same exit.
    if (m_closing)
        return;
    {
        QScopedValueRollback closing(m_closing, true);
        if (!QueryUnloadEditors())
            return;
    }
    Form_Unload();
    event->accept();
}

bool frmLogList::QueryUnloadEditors()
{
    // Children keep the order of their creation.
    for (frmRecord* editor : findChildren<frmRecord*>(Qt::FindDirectChildrenOnly))
        if (!editor->QueryExit())
            return false;
    return true;
}

void frmLogList::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    const QString window = QStringLiteral("WINDOW");
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        WriteIni(window, QStringLiteral("WIDTH"), SingleToText(float(width() * kTwipsPerPixel)));
        WriteIni(window, QStringLiteral("HEIGHT"), SingleToText(float(height() * kTwipsPerPixel)));
    }
    for (int i = 0; i < DiveListModel::ColumnCount; ++i)
        WriteIni(window, QString::fromLatin1(kColumnWidths[i]),
                 SingleToText(float(ui->lvwLogList->columnWidth(i) * kTwipsPerPixel)));
    WriteIni(window, QStringLiteral("TOOLBAR_VISIBLE"), boolText(!ui->cbrCoolBar->isHidden()));
    WriteIni(window, QStringLiteral("STATUSBAR_VISIBLE"), boolText(!ui->stsStatus->isHidden()));
    // The editors have had their question.
    for (frmRecord* editor : findChildren<frmRecord*>(Qt::FindDirectChildrenOnly))
        if (editor->isVisible())
            editor->Unload();
    if (gDatabase)
        gDatabase->close();
    CompactAtShutdown();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible())
            w->close();
}
