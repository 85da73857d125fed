#include "frmProfCalc.h"

#include "ui_frmProfCalc.h"

#include "UiServices.h"
#include "WidgetRoutines.h"
#include "modDiveCalc.h"
#include "TextReaders.h"
#include "modSubroutines.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTime>
#include <optional>

namespace {

// Minutes of an interval written as a time of day; its seconds do not count.
std::optional<long> IntervalIn(const QString& text)
{
    const QTime t = TimeIn(text);
    return t.isValid() ? std::optional<long>(t.hour() * 60L + t.minute()) : std::nullopt;
}

QString IntervalText(long minutes)
{
    return QTime(int(minutes / 60 % 24), int(minutes % 60)).toString(QStringLiteral("HH:mm"));
}

// Two dives drawn as lines: the surface, a deeper first dive, the surface interval
// and a shallower second dive.
QPixmap ProfilePicture(const QWidget* owner)
{
    // Laid out to stand roughly over the first dive's, the interval's and the second
    // dive's fields below it.
    const QSize size(560, 64);
    const qreal ratio = owner->devicePixelRatioF();
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = owner->palette().color(QPalette::WindowText);
    const int surface = 8;
    p.setPen(QPen(ink, 1, Qt::DashLine));
    p.drawLine(0, surface, size.width(), surface);
    QPainterPath dives;
    dives.moveTo(20, surface);
    dives.lineTo(44, 56);
    dives.lineTo(156, 56);
    dives.lineTo(180, surface);
    dives.moveTo(320, surface);
    dives.lineTo(340, 40);
    dives.lineTo(440, 40);
    dives.lineTo(460, surface);
    p.setPen(QPen(ink, 2));
    p.drawPath(dives);
    p.setPen(QPen(ink, 1));
    p.drawLine(196, surface + 8, 304, surface + 8);
    p.drawLine(196, surface + 4, 196, surface + 12);
    p.drawLine(304, surface + 4, 304, surface + 12);
    return picture;
}

}  // namespace

frmProfCalc::frmProfCalc(QWidget* parent) : QDialog(parent), ui(new Ui::frmProfCalc)
{
    ui->setupUi(this);
    ui->imgProfile->setPixmap(ProfilePicture(this));
    // List position = pressure group: 0 none, 1 A … 26 Z, 27 off the table.
    QStringList groups{QString()};
    for (char c = 'A'; c <= 'Z'; ++c)
        groups << QString(QLatin1Char(c));
    groups << QStringLiteral("*");
    for (QComboBox* combo : {ui->cbo1EndPg, ui->cbo2StartPg, ui->cbo2EndPg}) {
        combo->addItems(groups);
        combo->setCurrentIndex(-1);
    }
    const std::pair<UpDown*, QLineEdit*> spins[] = {{ui->upd1Depth, ui->txt1Depth}, {ui->upd1UWTime, ui->txt1UWTime},
                                                    {ui->upd2Depth, ui->txt2Depth}, {ui->upd2UWTime, ui->txt2UWTime}};
    for (const auto& [spin, box] : spins)
        spin->setBuddy(box);
    for (QLineEdit* box : {ui->txt1Depth, ui->txt1UWTime, ui->txtSI, ui->txt2Depth, ui->txt2UWTime}) {
        box->installEventFilter(this);
        // Any write drops the selection, even one of the same text. Selected again once the
        // write is over, and before the next key is read.
        auto reselect = [this, box] {
            QMetaObject::invokeMethod(
                this,
                [this, box] {
                    if (box == m_entered && box->hasFocus() && box->selectedText() != box->text())
                        box->selectAll();
                },
                Qt::QueuedConnection);
        };
        connect(box, &QLineEdit::textChanged, this, reselect);
        connect(box, &QLineEdit::selectionChanged, this, reselect);
    }
    ui->txt1Depth->setFocus();
    ui->txt1Depth->selectAll();

    connect(ui->txt1Depth, &QLineEdit::textChanged, this, &frmProfCalc::txt1Depth_Change);
    connect(ui->txt1UWTime, &QLineEdit::textChanged, this, &frmProfCalc::txt1UWTime_Change);
    connect(ui->txtSI, &QLineEdit::textChanged, this, &frmProfCalc::txtSI_Change);
    connect(ui->txt2Depth, &QLineEdit::textChanged, this, &frmProfCalc::txt2Depth_Change);
    connect(ui->txt2UWTime, &QLineEdit::textChanged, this, &frmProfCalc::txt2UWTime_Change);
    // A change of position covers code and the user; choosing the selected entry again
    // still counts as a click (running a handler twice gives the same texts).
    connect(ui->cbo1EndPg, &QComboBox::currentIndexChanged, this, &frmProfCalc::cbo1EndPg_Click);
    connect(ui->cbo1EndPg, &QComboBox::activated, this, &frmProfCalc::cbo1EndPg_Click);
    connect(ui->cbo2StartPg, &QComboBox::currentIndexChanged, this, &frmProfCalc::cbo2StartPg_Click);
    connect(ui->cbo2StartPg, &QComboBox::activated, this, &frmProfCalc::cbo2StartPg_Click);
    connect(ui->cmdClose, &QPushButton::clicked, this, &frmProfCalc::cmdClose_Click);
}

frmProfCalc::~frmProfCalc()
{
    delete ui;
}

void frmProfCalc::txt1Depth_Change()
{
    if (const auto depth = CSng(ui->txt1Depth->text()))
        ui->txt1UWTime->setText(QString::number(GetAbt(0, *depth)));
}

void frmProfCalc::txt1UWTime_Change()
{
    const auto depth = CSng(ui->txt1Depth->text());
    const auto time = CLng(ui->txt1UWTime->text());
    if (depth && time)
        ui->cbo1EndPg->setCurrentIndex(int(GetEndPg(0, *depth, *time)));
}

void frmProfCalc::cbo1EndPg_Click()
{
    if (ui->cbo1EndPg->currentIndex() >= 1)
        CalcMinSi();
}

void frmProfCalc::CalcMinSi()
{
    const long si = GetMinSi(ui->cbo1EndPg->currentIndex(), ui->cbo2StartPg->currentIndex());
    m_siLock = true;
    ui->txtSI->setText(IntervalText(si));
    m_siLock = false;
}

void frmProfCalc::txtSI_Change()
{
    if (m_siLock)
        return;
    const auto si = IntervalIn(ui->txtSI->text());
    if (!si)
        return;
    m_startPgLock = true;
    ui->cbo2StartPg->setCurrentIndex(int(GetSiEndPg(ui->cbo1EndPg->currentIndex(), *si)));
    m_startPgLock = false;
}

void frmProfCalc::cbo2StartPg_Click()
{
    if (!m_startPgLock && ui->cbo2StartPg->currentIndex() >= 1)
        CalcMinSi();
}

void frmProfCalc::txt2Depth_Change()
{
    if (const auto depth = CSng(ui->txt2Depth->text()))
        ui->txt2UWTime->setText(QString::number(GetAbt(ui->cbo2StartPg->currentIndex(), *depth)));
}

void frmProfCalc::txt2UWTime_Change()
{
    const auto depth = CSng(ui->txt2Depth->text());
    const auto time = CLng(ui->txt2UWTime->text());
    if (!depth || !time)
        return;
    const long startPg = ui->cbo2StartPg->currentIndex();
    ui->cbo2EndPg->setCurrentIndex(int(GetEndPg(startPg, *depth, *time)));
    const long rnt = GetRnt(startPg, *depth);
    ui->txtRnt->setText(QString::number(rnt));
    ui->txtAbt->setText(ui->txt2UWTime->text());
    ui->txtTbt->setText(QString::number(qint64(rnt) + *time));
}

void frmProfCalc::txt1Depth_Validate()
{
    ValidateBox(ui->txt1Depth, Check::Depth);
}

void frmProfCalc::txt1UWTime_Validate()
{
    ValidateBox(ui->txt1UWTime, Check::Time);
}

void frmProfCalc::txtSI_Validate()
{
    ValidateBox(ui->txtSI, Check::Interval);
}

void frmProfCalc::txt2Depth_Validate()
{
    ValidateBox(ui->txt2Depth, Check::Depth);
}

void frmProfCalc::txt2UWTime_Validate()
{
    ValidateBox(ui->txt2UWTime, Check::Time);
}

void frmProfCalc::ValidateBox(QLineEdit* box, Check check)
{
    // A check queued as the window closed has nobody left to tell.
    if (!isVisible())
        return;
    const QString text = box->text();
    QString formatted, message;
    if (check == Check::Interval) {
        if (const auto si = IntervalIn(text))
            formatted = IntervalText(*si);
        else
            message = tr("正しい水面休息時間(hh:mm)を入力してください");
    } else if (const auto value = NumberIn(text)) {
        formatted = check == Check::Depth ? FormatFixed(*value, 1, 1) : FormatFixed(*value, 1, 0);
    } else {
        message = check == Check::Depth ? tr("正しい深度を入力してください") : tr("正しい潜水時間(分)を入力してください");
    }
    if (message.isEmpty()) {
        box->setText(formatted);
        return;
    }
    // A list opened by the click that left the box would sit over the message.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    MsgBox(message, MsgIcon::Critical, MsgButtons::Ok, tr("入力エラー"), this);
    m_refocusing = true;
    box->setFocus(Qt::OtherFocusReason);
    m_refocusing = false;
    SelectText(box);
}

bool frmProfCalc::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) && box == m_entered)
        m_entered = nullptr;
    if (box && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching windows and opening menus neither enter nor leave a box.
        const bool moved = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (event->type() == QEvent::FocusIn && moved) {
            m_entered = reason != Qt::MouseFocusReason ? box : nullptr;
            if (m_entered)
                SelectText(box);
        }
        if (event->type() == QEvent::FocusOut && moved && box == m_entered)
            m_entered = nullptr;
        if (event->type() == QEvent::FocusOut && moved && !m_refocusing) {
            // Checked once the focus has settled: a message shown in the middle of a
            // focus change would fight it.
            const auto check = box == ui->txt1Depth    ? &frmProfCalc::txt1Depth_Validate
                : box == ui->txt1UWTime ? &frmProfCalc::txt1UWTime_Validate
                : box == ui->txtSI      ? &frmProfCalc::txtSI_Validate
                : box == ui->txt2Depth  ? &frmProfCalc::txt2Depth_Validate
                                        : &frmProfCalc::txt2UWTime_Validate;
            QMetaObject::invokeMethod(this, check, Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmProfCalc::cmdClose_Click()
{
    close();
}
