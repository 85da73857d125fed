#include "frmRecord.h"

#include "ui_frmRecord.h"

#include "Globals.h"
#include "UiServices.h"
#include "WidgetRoutines.h"
#include "frmChart.h"
#include "frmInputDepth.h"
#include "RecordChecks.h"
#include "modSubroutines.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTime>
#include <QTimer>
#include <cmath>
#include <optional>

namespace {
constexpr int kTwipsPerPixel = 15;

// Fields whose Apply rule compares the shown text with the loaded text.
bool ComparesText(const QString& control)
{
    const RecordField* f = DiveFields::named(control);
    return f && (f->kind == RecordField::Text || f->kind == RecordField::Date);
}

QString BoxText(const QWidget* box)
{
    if (auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    if (auto* combo = qobject_cast<const QComboBox*>(box))
        return combo->currentText();
    return {};
}
}  // namespace

frmRecord::frmRecord(QWidget* parent) : QDialog(parent), ui(new Ui::frmRecord), m_store(m_texts)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    ui->picGraph->setKind(ProfileView::Kind::EditorGraph);
    fillLists();
    bindControls();
    ui->lvwPicList->setStore(&m_store);
    ui->cmdApply->setEnabled(false);
    ui->tabInfo->setCurrentIndex(0);
    // A comment may be one very long line, and the box lays out a whole line at once.
    // Breaking a word wider than the box costs time in the square of the word's length, a
    // scroll bar appearing after the layout has the line laid out again, and shaping text
    // that needs none doubles the work: so lines break between words only, the bar is
    // always shown, and the text is not shaped.
    ui->txtComment->setWordWrapMode(QTextOption::WordWrap);
    ui->txtComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont commentFont = ui->txtComment->font();
    commentFont.setStyleStrategy(QFont::PreferNoShaping);
    ui->txtComment->setFont(commentFont);
}

frmRecord::~frmRecord()
{
    delete ui;
}

void frmRecord::fillLists()
{
    const std::pair<QComboBox*, const QStringList*> lists[] = {
        {ui->cboAirType, &gAirTypes}, {ui->cboEntryType, &gEntryTypes}, {ui->cboSuit, &gSuits},
        {ui->cboTankMat, &gTankMats}, {ui->cboWeather, &gWeathers},     {ui->cboLocation, &gLocations},
        {ui->cboBuddy, &gBuddies},    {ui->cboGuide, &gGuides}};
    for (const auto& [combo, list] : lists) {
        combo->addItems(*list);
        combo->setCurrentIndex(-1);
    }
    for (const auto& [checks, list] : {std::pair{ui->lstItem, &gItems}, std::pair{ui->lstCondition, &gConditions}}) {
        for (const QString& entry : *list) {
            auto* item = new QListWidgetItem(entry, checks);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
}

void frmRecord::bindControls()
{
    for (const QString& control : DiveTexts::controls()) {
        QWidget* w = findChild<QWidget*>(control);
        if (!w)
            qFatal("frmRecord has no control %s", qPrintable(control));
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            if (!line->isReadOnly())
                connect(line, &QLineEdit::textChanged, this, [this, control](const QString& t) { userEdit(control, t); });
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->isEditable())
                connect(combo, &QComboBox::editTextChanged, this, [this, control](const QString& t) { userEdit(control, t); });
            else
                connect(combo, &QComboBox::activated, this, [this, control](int i) { listClick(control, i); });
        } else if (auto* checks = qobject_cast<QListWidget*>(w)) {
            connect(checks, &QListWidget::itemChanged, this, [this, control] { maskClick(control); });
        } else if (auto* date = qobject_cast<QDateEdit*>(w)) {
            connect(date, &QDateEdit::dateChanged, this, [this, control](QDate d) {
                userEdit(control, d.toString(QStringLiteral("yyyy/MM/dd")));
            });
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
            connect(text, &QPlainTextEdit::textChanged, this, [this, control, text] {
                // A long comment is not copied out again while it is being shown. The box
                // gives LF; the record holds the CR LF the log stores.
                if (!m_showing && !m_loading)
                    userEdit(control, CrLfLines(text->toPlainText()));
            });
        }
    }
    connect(&m_texts, &DiveTexts::textChanged, this, &frmRecord::texts_Changed);

    const std::pair<UpDown*, QLineEdit*> spins[] = {
        {ui->updAvgDepth, ui->txtAvgDepth},           {ui->updMaxDepth, ui->txtMaxDepth},
        {ui->updUWTime, ui->txtUWTime},               {ui->updAirTemp, ui->txtAirTemp},
        {ui->updSurfaceTemp, ui->txtSurfaceTemp},     {ui->updDepthTemp, ui->txtDepthTemp},
        {ui->updMinVisibility, ui->txtMinVisibility}, {ui->updMaxVisibility, ui->txtMaxVisibility},
        {ui->updMinTransparency, ui->txtMinTransparency}, {ui->updMaxTransparency, ui->txtMaxTransparency},
        {ui->updWeight, ui->txtWeight},               {ui->updTankCapa, ui->txtTankCapa},
        {ui->updStartTankBar, ui->txtStartTankBar},   {ui->updEndTankBar, ui->txtEndTankBar}};
    for (const auto& [spin, box] : spins)
        spin->setBuddy(box);

    // The window sees Ctrl+Tab before any control, and the focus moves of every box.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    connect(ui->cmdOk, &QPushButton::clicked, this, &frmRecord::cmdOk_Click);
    connect(ui->cmdApply, &QPushButton::clicked, this, &frmRecord::cmdApply_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmRecord::cmdCancel_Click);
    connect(ui->cmdZoom, &QPushButton::clicked, this, &frmRecord::cmdZoom_Click);
    connect(ui->cmdInputDepth, &QPushButton::clicked, this, &frmRecord::cmdInputDepth_Click);
    connect(ui->cmdInputTemp, &QPushButton::clicked, this, &frmRecord::cmdInputTemp_Click);
    connect(ui->lvwPicList, &PicListView::changed, ui->cmdApply, [this] { ui->cmdApply->setEnabled(true); });
    connect(ui->lvwPicList, &PicListView::focusTaken, this, &frmRecord::lvwPicList_FocusTaken);
    connect(ui->picGraph, &ProfileView::redrawn, this, [this] {
        const QStringList captions = ui->picGraph->timeCaptions();
        for (int i = 1; i <= captions.size() && i <= 8; ++i)
            if (auto* label = ui->fraGraph->findChild<QLabel*>(QStringLiteral("lblH_%1").arg(i)))
                label->setText(captions.at(i - 1));
        placeGraphLabels();
    });
    for (int i = 0; i <= 8; ++i) {
        ui->fraGraph->findChild<QLabel*>(QStringLiteral("lblV_%1").arg(i))->setStyleSheet(QStringLiteral("color: #0000ff"));
        ui->fraGraph->findChild<QLabel*>(QStringLiteral("lblTV_%1").arg(i))->setStyleSheet(QStringLiteral("color: #ff0000"));
    }
    ui->lblGraphDepth->setStyleSheet(QStringLiteral("color: #0000ff"));
    ui->lblGraphTemp->setStyleSheet(QStringLiteral("color: #ff0000"));
}

void frmRecord::OpenRec(qint64 id, long no)
{
    if (isVisible()) {
        show();
        raise();
        activateWindow();
    }
    if (id == m_id)
        return;
    m_id = id;
    bool loaded;
    {
        QScopedValueRollback loading(m_loading, true);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        loaded = m_store.LoadRecord(id, no);
        if (loaded) {
            showAll();
            ui->lvwPicList->reload();
        }
        QApplication::restoreOverrideCursor();
    }
    if (!loaded) {
        Unload();
        return;
    }
    m_pendingCheck = nullptr;
    setWindowTitle(m_texts.caption());
    RedrawGraph();
    ui->cmdApply->setEnabled(m_store.datePending());
}

void frmRecord::showAll()
{
    for (const QString& control : DiveTexts::controls())
        showText(control);
}

void frmRecord::showText(const QString& control)
{
    QWidget* w = findChild<QWidget*>(control);
    const QString text = m_texts.text(control);
    QScopedValueRollback showing(m_showing, true);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        if (line->text() != text)
            line->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable()) {
            if (combo->currentText() != text)
                combo->setEditText(text);
        } else {
            const int position = m_texts.position(control);
            combo->setCurrentIndex(position < combo->count() ? position : -1);
        }
    } else if (auto* checks = qobject_cast<QListWidget*>(w)) {
        const long mask = m_texts.mask(control);
        for (int i = 0; i < checks->count() && i < 31; ++i)
            checks->item(i)->setCheckState(mask & (1L << i) ? Qt::Checked : Qt::Unchecked);
    } else if (auto* date = qobject_cast<QDateEdit*>(w)) {
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy/MM/dd"));
        date->setDate(d.isValid() ? d : QDate::currentDate());
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        // The box shows any line break as one; resetting it would move the caret. The
        // document's own setter lays the text out once; the box's lays it out twice.
        if (CrLfLines(plain->toPlainText()) != CrLfLines(text))
            plain->document()->setPlainText(text);
    }
}

void frmRecord::userEdit(const QString& control, const QString& text)
{
    if (m_showing || m_loading)
        return;
    m_texts.setText(control, text);
}

void frmRecord::texts_Changed(const QString& control, const QString& text)
{
    if (m_loading)
        return;
    showText(control);
    // Restoring the loaded text does not take the mark away again.
    if (ComparesText(control) && text != m_store.loadedText(control))
        ui->cmdApply->setEnabled(true);
}

void frmRecord::listClick(const QString& control, int position)
{
    if (m_showing || m_loading)
        return;
    m_texts.setPosition(control, position);
    const QString loaded = m_store.loadedText(control);
    if (position != (loaded.isEmpty() ? -1 : loaded.toInt()))
        ui->cmdApply->setEnabled(true);
}

void frmRecord::maskClick(const QString& control)
{
    if (m_showing || m_loading)
        return;
    auto* checks = findChild<QListWidget*>(control);
    long mask = 0;
    for (int i = 0; i < checks->count() && i < 31; ++i)
        if (checks->item(i)->checkState() == Qt::Checked)
            mask |= 1L << i;
    m_texts.setMask(control, mask);
    ui->cmdApply->setEnabled(true);
}

bool frmRecord::Validate(QWidget* box)
{
    // A check queued as the window closed or reloaded has nothing left to check.
    if (m_loading || !isVisible() || !box)
        return true;
    if (!RecordChecks::hasCheck(box->objectName()))
        return true;
    const QString text = BoxText(box);
    const FieldCheckResult checked = RecordChecks::check(box->objectName(), text);
    if (checked.text != text)
        if (auto* line = qobject_cast<QLineEdit*>(box))
            line->setText(checked.text);
    if (checked.ok)
        return true;
    // A list opened by the click that left the box would sit over the message.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    MsgBox(checked.message, MsgIcon::Critical, MsgButtons::Ok, tr("入力エラー"), this);
    revealControl(box);
    QScopedValueRollback refocusing(m_refocusing, true);
    box->setFocus(Qt::OtherFocusReason);
    SelectText(box);
    return false;
}

void frmRecord::RunPendingCheck()
{
    QWidget* box = m_pendingCheck;
    m_pendingCheck = nullptr;
    // Cancel may be pressed while a box holds a rejected text.
    if (box && QApplication::focusWidget() != ui->cmdCancel)
        Validate(box);
}

void frmRecord::revealControl(QWidget* control)
{
    for (int i = 0; i < ui->tabInfo->count(); ++i)
        if (ui->tabInfo->widget(i)->isAncestorOf(control))
            ui->tabInfo->setCurrentIndex(i);
}

bool frmRecord::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->fraGraph && event->type() == QEvent::Resize)
        placeGraphLabels();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && (key->modifiers() & Qt::ControlModifier)) {
            selectTab(key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) ? -1 : 1);
            return true;
        }
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return QDialog::eventFilter(watched, event);
    auto* box = qobject_cast<QWidget*>(watched);
    // An editable combo's own text box stands for the combo.
    if (box && box->parentWidget() && qobject_cast<QComboBox*>(box->parentWidget()) && qobject_cast<QLineEdit*>(box))
        box = box->parentWidget();
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Switching windows and opening lists or menus neither enter nor leave a box.
    const bool moved = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    if (!box || !moved)
        return QDialog::eventFilter(watched, event);
    const QString name = box->objectName();
    if (event->type() == QEvent::FocusIn) {
        if (RecordChecks::selectsOnFocus(name)) {
            // A click places the caret, except in the underwater time, which is always selected.
            if (reason != Qt::MouseFocusReason)
                SelectText(box);
            else if (box == ui->txtUWTime)
                QTimer::singleShot(0, box, [box] { SelectText(box); });
        }
        if (box == ui->txtComment)
            ui->cmdOk->setDefault(false);  // Enter makes a new line in the comment
    } else {
        if (box == ui->txtComment)
            ui->cmdOk->setDefault(true);
        if (!m_refocusing && !m_loading && RecordChecks::hasCheck(name) && m_pendingCheck != box) {
            // Checked once the focus has settled: a message shown in the middle of a
            // focus change would fight it.
            m_pendingCheck = box;
            QMetaObject::invokeMethod(this, &frmRecord::RunPendingCheck, Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmRecord::focusNextPrevChild(bool next)
{
    // The form chains the header straight to the page's fields; the tab strip goes between
    // them here, as Qt cannot chain a tab widget amid other controls without cutting the
    // chain in two. Wherever else the strip lies in Qt's chain, Tab passes it by.
    QWidget* strip = ui->tabInfo->tabBar();
    const auto stopAfter = [strip, next](QWidget* from) {
        QWidget* stop = NextTabStop(from, next);
        return stop == strip ? NextTabStop(strip, next) : stop;
    };
    QWidget* focus = focusWidget();
    QWidget* target = nullptr;
    if (focus == strip) {
        target = next ? stopAfter(ui->cboEntryType) : ui->cboEntryType;
    } else if (focus == ui->cboEntryType && next) {
        target = strip;
    } else if (focus) {
        target = stopAfter(focus);
        if (target == ui->cboEntryType && !next)
            target = strip;
    }
    if (!target)
        return QDialog::focusNextPrevChild(next);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void frmRecord::selectTab(int delta)
{
    const int count = ui->tabInfo->count();
    ui->tabInfo->setCurrentIndex((ui->tabInfo->currentIndex() + delta + count) % count);
    ui->tabInfo->tabBar()->setFocus(Qt::TabFocusReason);
}

void frmRecord::lvwPicList_FocusTaken(bool hasFocus)
{
    // Enter and Esc belong to the file list while it has the focus.
    ui->cmdOk->setDefault(!hasFocus);
    m_cancelActive = !hasFocus;
}

bool frmRecord::Save()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RecordStore::SaveResult result = m_store.SaveRecord();
    QApplication::restoreOverrideCursor();
    if (!result.ok) {
        if (!result.failedControl.isEmpty()) {
            QWidget* control = result.failedControl == QLatin1String("DepthSeries") ? ui->cmdInputDepth
                : result.failedControl == QLatin1String("TempSeries")               ? ui->cmdInputTemp
                                                                      : findChild<QWidget*>(result.failedControl);
            if (control) {
                revealControl(control);
                control->setFocus(Qt::OtherFocusReason);
            }
        }
        return false;
    }
    ui->cmdApply->setEnabled(false);
    setWindowTitle(m_texts.caption());
    RedrawGraph();
    if (result.listedFieldWritten)
        emit listedFieldSaved();
    return true;
}

// The box holding the focus is checked before a save, as if the focus had left it:
// Enter reaches the OK button without the focus moving.
static QWidget* BoxToCheck(QWidget* pending, QWidget* window)
{
    QWidget* box = pending ? pending : QApplication::focusWidget();
    if (box && qobject_cast<QLineEdit*>(box) && qobject_cast<QComboBox*>(box->parentWidget()))
        box = box->parentWidget();
    return box && window->isAncestorOf(box) && RecordChecks::hasCheck(box->objectName()) ? box : nullptr;
}

void frmRecord::cmdOk_Click()
{
    SaveAndUnload();
}

bool frmRecord::SaveAndUnload()
{
    QWidget* box = BoxToCheck(m_pendingCheck, this);
    m_pendingCheck = nullptr;
    if (!Validate(box))
        return false;
    if (ui->cmdApply->isEnabled() && !Save())
        return false;
    Unload();
    return true;
}

bool frmRecord::QueryExit()
{
    if (!isVisible() || !ui->cmdApply->isEnabled())
        return true;
    // The user sees the dive the question is about.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    const QString question = windowTitle() + QStringLiteral("\n\n") + tr("変更点が更新されていません。")
        + QLatin1Char('\n') + tr("終了する前に変更点を更新しますか?");
    switch (MsgBox(question, MsgIcon::Exclamation, MsgButtons::YesNoCancel, tr("確認"), this)) {
    case MsgResult::Yes:
        return SaveAndUnload();
    case MsgResult::No:
        Unload();
        return true;
    default:
        return false;
    }
}

void frmRecord::cmdApply_Click()
{
    QWidget* box = BoxToCheck(m_pendingCheck, this);
    m_pendingCheck = nullptr;
    if (!Validate(box))
        return;
    if (Save())
        ui->cmdOk->setFocus(Qt::OtherFocusReason);
}

void frmRecord::cmdCancel_Click()
{
    Unload();
}

void frmRecord::reject()
{
    if (m_cancelActive)
        cmdCancel_Click();
}

void frmRecord::Unload()
{
    {
        QScopedValueRollback unloading(m_unloading, true);
        close();
    }
    Form_Unload();
}

void frmRecord::closeEvent(QCloseEvent* event)
{
    if (!m_unloading && ui->cmdApply->isEnabled()
        && MsgBox(tr("変更点を更新せずにレコードを閉じます。よろしいですか"), MsgIcon::Exclamation, MsgButtons::YesNo,
                  tr("確認"), this)
            != MsgResult::Yes) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmRecord::Form_Unload()
{
    if (m_chart) {
        m_chart->close();
        m_chart->deleteLater();
        m_chart = nullptr;
    }
    m_pendingCheck = nullptr;
    m_store.unload();
    m_id = 0;
}

frmChart* frmRecord::OpenZoom(int widthTwips, int heightTwips)
{
    if (!m_chart)
        m_chart = new frmChart(this);
    m_chart->setUWTime(CLng(ui->txtUWTime->text()).value_or(0));
    m_chart->setDepthValues(SplitNumbers(DepthSeries()));
    m_chart->setTempValues(SplitNumbers(TempSeries()));
    m_chart->resize(widthTwips / kTwipsPerPixel, heightTwips / kTwipsPerPixel);
    m_chart->Redraw();
    return m_chart;
}

frmChart* frmRecord::chartWindow() const
{
    return m_chart;
}

void frmRecord::cmdZoom_Click()
{
    frmChart* chart = OpenZoom(640 * kTwipsPerPixel, 480 * kTwipsPerPixel);
    if (chart->isVisible())
        KeepOnScreen(chart);
    else
        PlaceCascaded(chart, this);  // beside the dive it shows, wholly on the screen
    chart->show();
    chart->raise();
    chart->activateWindow();
}

void frmRecord::cmdInputDepth_Click()
{
    InputSeries(true);
}

void frmRecord::cmdInputTemp_Click()
{
    InputSeries(false);
}

void frmRecord::InputSeries(bool depth)
{
    frmInputDepth dialog(this);
    dialog.setWindowTitle(depth ? tr("深度推移の入力") : tr("水温推移の入力"));
    dialog.setPrompt((depth ? tr("深度のリスト（数値列）を入力してください。") : tr("水温のリスト（数値列）を入力してください。"))
                     + tr("数値の区切りには改行、空白、カンマ、タブなどが使用できます。"));
    dialog.setText(depth ? DepthSeries() : TempSeries());
    Services().runDialog(&dialog);
    if (!dialog.Ok())
        return;
    const TypedSeries typed = TypedSeries::read(depth, dialog.Text());
    // The record counts as changed even when the list is the same.
    ui->cmdApply->setEnabled(true);
    if (depth)
        m_texts.setDepthSeries(typed.series);
    else
        m_texts.setTempSeries(typed.series);
    RedrawGraph();
    if (m_chart) {
        if (depth)
            m_chart->setDepthValues(typed.values);
        else
            m_chart->setTempValues(typed.values);
        m_chart->Redraw();
    }
    for (int i = 0; i < 2; ++i)
        if (!typed.summaryControls[i].isEmpty())
            m_texts.setText(typed.summaryControls[i], typed.summaryTexts[i]);
}

void frmRecord::RedrawGraph()
{
    ui->picGraph->setValues(CLng(ui->txtUWTime->text()).value_or(0), SplitNumbers(DepthSeries()),
                            SplitNumbers(TempSeries()));
    ui->picGraph->redraw();
}

void frmRecord::placeGraphLabels()
{
    // The axis labels stand beside the graph at the eighths of its height and width.
    const QFontMetrics fm(ui->fraGraph->font());
    const int th = fm.height();
    const QSize area = ui->fraGraph->size();
    const int left = fm.horizontalAdvance(QStringLiteral("40")) + 10;
    const int right = fm.horizontalAdvance(QStringLiteral("-5")) + 10;
    const int top = th + th / 2 + 4;
    const int bottom = 2 * th + 6;
    const QRect graph(left, top, std::max(area.width() - left - right, 1), std::max(area.height() - top - bottom, 1));
    if (ui->picGraph->geometry() != graph)
        ui->picGraph->setGeometry(graph);  // its resize draws it again and returns here
    for (int i = 0; i <= 8; ++i) {
        const int y = graph.top() + graph.height() * i / 8;
        const int x = graph.left() + graph.width() * i / 8;
        auto* v = ui->fraGraph->findChild<QLabel*>(QStringLiteral("lblV_%1").arg(i));
        auto* tv = ui->fraGraph->findChild<QLabel*>(QStringLiteral("lblTV_%1").arg(i));
        auto* h = ui->fraGraph->findChild<QLabel*>(QStringLiteral("lblH_%1").arg(i));
        for (QLabel* l : {v, tv, h})
            l->adjustSize();
        v->move(graph.left() - 4 - v->width(), y - v->height() / 2);
        tv->move(graph.right() + 5, y - tv->height() / 2);
        h->move(x - h->width() / 2, graph.bottom() + 2);
    }
    for (QLabel* l : {ui->lblGraphDepth, ui->lblGraphTemp, ui->lblGraphTime})
        l->adjustSize();
    ui->lblGraphDepth->move(0, 0);
    ui->lblGraphTemp->move(area.width() - ui->lblGraphTemp->width(), 0);
    ui->lblGraphTime->move(graph.center().x() - ui->lblGraphTime->width() / 2, graph.bottom() + 2 + th);
}
