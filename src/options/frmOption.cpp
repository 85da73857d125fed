#include "frmOption.h"

#include "ui_frmOption.h"

#include "UiServices.h"
#include "WidgetRoutines.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QApplication>
#include <QFocusEvent>
#include <QShortcut>
#include <QTabBar>

namespace {
// The box names of each list, indexed by OptionList.
const char* const kListBoxNames[kOptionListCount] = {"txtSuit", "txtItem", "txtWeather", "txtCondition", "txtAirType"};
const char* const kTabKeys[] = {"environment", "db", "suit", "item", "air", "weather", "condition"};
}  // namespace

frmOption::frmOption(QWidget* parent) : QDialog(parent), ui(new Ui::frmOption)
{
    ui->setupUi(this);
    for (int i = 0; i < ui->tbsOptions->count(); ++i)
        ui->tbsOptions->tabBar()->setTabData(i, QString::fromLatin1(kTabKeys[i]));
    for (int list = 0; list < kOptionListCount; ++list)
        for (int box = 0; box < kOptionListBoxes; ++box)
            m_listBoxes[list][box] =
                findChild<QLineEdit*>(QStringLiteral("%1_%2").arg(QLatin1String(kListBoxNames[list])).arg(box));
    ui->UpDown1->setBuddy(ui->txtNo);
    ui->UpDown2->setBuddy(ui->txtTimeH);
    ui->UpDown3->setBuddy(ui->txtTimeM);
    for (QLineEdit* box : {ui->txtNo, ui->txtTimeH, ui->txtTimeM})
        box->installEventFilter(this);

    // The dialog sees these keys wherever the focus is, as the tab strip's own keys would not.
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    auto* previous = new QShortcut(this);
    previous->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)});
    connect(next, &QShortcut::activated, this, &frmOption::tbsOptions_Next);
    connect(previous, &QShortcut::activated, this, &frmOption::tbsOptions_Previous);

    Form_Load();

    for (QLineEdit* box : findChildren<QLineEdit*>())
        connect(box, &QLineEdit::textChanged, this, &frmOption::MarkChanged);
    // Choosing the selected entry again still counts as a change, as a click would.
    connect(ui->cboPort, &QComboBox::activated, this, &frmOption::cboPort_Click);
    connect(ui->cboPort, &QComboBox::currentIndexChanged, this, &frmOption::cboPort_Click);
    connect(ui->cmdPicPathRef, &QPushButton::clicked, this, &frmOption::cmdPicPathRef_Click);
    connect(ui->cmdApply, &QPushButton::clicked, this, &frmOption::cmdApply_Click);
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmOption::cmdOk_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmOption::cmdCancel_Click);
}

frmOption::~frmOption()
{
    delete ui;
}

void frmOption::Form_Load()
{
    ui->tbsOptions->setCurrentIndex(0);
    const OptionValues values = LoadOptionValues();

    // Each COM line with its device, so the diver can tell which socket it is.
    for (long port = 1; port <= kComPorts; ++port)
        ui->cboPort->addItem(tr("COM %1 (%2)").arg(port).arg(ComPortDevice(port)));
    for (const QString& device : PortDeviceEntries(PresentSerialDevices(), values.portName))
        ui->cboPort->addItem(device, device);
    ui->cboPort->setCurrentIndex(values.portName.isEmpty() ? int(values.port) - 1
                                                           : ui->cboPort->findData(values.portName));

    ui->txtNo->setText(values.noOffset);
    ui->txtTimeH->setText(values.timeHours);
    ui->txtTimeM->setText(values.timeMinutes);
    ui->txtPicPath->setText(values.picPath);
    for (int list = 0; list < kOptionListCount; ++list)
        for (int box = 0; box < kOptionListBoxes; ++box)
            m_listBoxes[list][box]->setText(values.lists[list].value(box));
    ui->cmdApply->setEnabled(false);
}

OptionValues frmOption::EnteredValues() const
{
    OptionValues values;
    values.noOffset = ui->txtNo->text();
    values.timeHours = ui->txtTimeH->text();
    values.timeMinutes = ui->txtTimeM->text();
    values.picPath = ui->txtPicPath->text();
    for (int list = 0; list < kOptionListCount; ++list)
        for (QLineEdit* box : m_listBoxes[list])
            values.lists[list] << box->text();
    const int port = ui->cboPort->currentIndex();
    if (port >= kComPorts)
        values.portName = ui->cboPort->itemData(port).toString();
    else
        values.port = port + 1;
    return values;
}

void frmOption::MarkChanged()
{
    ui->cmdApply->setEnabled(true);
}

void frmOption::cboPort_Click()
{
    MarkChanged();
}

void frmOption::cmdPicPathRef_Click()
{
    const QString folder = BrowseFolder(tr("画像を置くフォルダを選択してください"), this);
    if (!folder.isEmpty())
        ui->txtPicPath->setText(folder);
}

void frmOption::cmdApply_Click()
{
    if (!ui->cmdApply->isEnabled())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString why;
    const bool done = ApplyOptionValues(EnteredValues(), [this] { emit applied(); }, &why);
    QApplication::restoreOverrideCursor();
    if (done)
        ui->cmdApply->setEnabled(false);
    else
        MsgBox(FailureMessage(tr("設定の更新に失敗しました"), why), MsgIcon::Critical, MsgButtons::Ok, tr("エラー"),
               this);
}

void frmOption::cmdOk_Click()
{
    cmdApply_Click();
    accept();
}

void frmOption::cmdCancel_Click()
{
    reject();
}

void frmOption::SelectTab(int index)
{
    const int count = ui->tbsOptions->count();
    ui->tbsOptions->setCurrentIndex((index % count + count) % count);
    ui->tbsOptions->tabBar()->setFocus(Qt::TabFocusReason);
}

void frmOption::tbsOptions_Next()
{
    SelectTab(ui->tbsOptions->currentIndex() + 1);
}

void frmOption::tbsOptions_Previous()
{
    SelectTab(ui->tbsOptions->currentIndex() - 1);
}

void frmOption::txtNo_Validate()
{
    ValidateBox(ui->txtNo);
}

void frmOption::txtTimeH_Validate()
{
    ValidateBox(ui->txtTimeH);
}

void frmOption::txtTimeM_Validate()
{
    ValidateBox(ui->txtTimeM);
}

void frmOption::ValidateBox(QLineEdit* box)
{
    // A check queued as the dialog closed, or one that Cancel makes pointless, tells nobody.
    if (!isVisible() || QApplication::focusWidget() == ui->cmdCancel)
        return;
    QString message;
    if (box == ui->txtTimeH && !OffsetHoursIn(box->text()))
        message = tr("正しい時間(0～9999)を入力してください");
    else if (box == ui->txtTimeM && !OffsetMinutesIn(box->text()))
        message = tr("正しい分(0～60)を入力してください");
    else if (box == ui->txtNo && !OffsetCountIn(box->text()))
        message = tr("正しい本数を入力してください");
    if (message.isEmpty())
        return;
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    MsgBox(message, MsgIcon::Critical, MsgButtons::Ok, tr("入力エラー"), this);
    m_refocusing = true;
    ui->tbsOptions->setCurrentWidget(ui->picOptions_1);
    box->setFocus(Qt::OtherFocusReason);
    m_refocusing = false;
    SelectText(box);
}

bool frmOption::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusOut && !m_refocusing) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching windows and opening menus do not leave the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            // Checked once the focus has settled: a message in the middle of a focus change would fight it.
            const auto check = box == ui->txtNo      ? &frmOption::txtNo_Validate
                : box == ui->txtTimeH ? &frmOption::txtTimeH_Validate
                                      : &frmOption::txtTimeM_Validate;
            QMetaObject::invokeMethod(this, check, Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}
