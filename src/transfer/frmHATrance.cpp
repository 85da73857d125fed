#include "frmHATrance.h"

#include "ui_frmHATrance.h"

#include "ByteLine.h"
#include "HATransfer.h"
#include "UiServices.h"

#include <QCloseEvent>
#include <QCoreApplication>

frmHATrance::frmHATrance(QWidget* parent) : QDialog(parent), ui(new Ui::frmHATrance)
{
    ui->setupUi(this);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmHATrance::cmdCancel_Click);
}

frmHATrance::~frmHATrance()
{
    delete ui;
}

bool frmHATrance::Trance(ByteLine& line)
{
    const QString question = tr("ハイパーアクアランドからデータを転送します") + QStringLiteral("\n\n")
        + tr("1. ハイパーアクアランドを転送モードにしてください") + QLatin1Char('\n')
        + tr("2. 転送したいログデータを選択してください") + QLatin1Char('\n')
        + tr("3. ハイパーアクアランドをコミュニケーションユニットに接続してください");
    if (MsgBox(question, MsgIcon::Information, MsgButtons::OkCancel, tr("ハイパーアクアランド転送"), parentWidget())
        != MsgResult::Ok) {
        close();
        return false;
    }

    m_dive = HADive();
    m_cancel = false;
    ui->prgProgress->setRange(0, 1);
    ui->prgProgress->setValue(0);
    setModal(false);
    show();
    QCoreApplication::processEvents();

    m_running = true;
    bool portOpened = false;
    HATransfer transfer(line);
    // The check runs after every wait, and the first wait follows the opening of the
    // port, so it also tells whether the port was ever open.
    transfer.setCancelCheck([&] {
        portOpened = portOpened || line.isOpen();
        return m_cancel;
    });
    const auto headerSeen = [this](const HAHeader& header) {
        ui->lblDate->setText(header.date.toString(QStringLiteral("yyyy/MM/dd")) + QLatin1Char(' ')
                             + header.inTime.toString(QStringLiteral("H:mm")) + tr(" プロフィール転送中"));
        ui->prgProgress->setRange(0, qMax(header.blocks, 1));
    };
    const auto progress = [this](int done, int) {
        ui->prgProgress->setValue(done);
        return m_cancel;
    };
    QString error;
    std::optional<HADive> dive = transfer.run(progress, headerSeen, &error);
    m_running = false;
    if (dive) {
        m_dive = std::move(*dive);
        return true;
    }
    if (!transfer.stopped())
        MsgBox(error, MsgIcon::Critical, MsgButtons::Ok, tr("エラー"), this);
    close();
    if (portOpened)
        MsgBox(tr("転送を中断しました"), MsgIcon::Critical, MsgButtons::Ok, tr("中断"), parentWidget());
    return false;
}

void frmHATrance::cmdCancel_Click()
{
    m_cancel = true;
    if (!m_running)
        close();
}

void frmHATrance::closeEvent(QCloseEvent* event)
{
    // Closing the window mid-transfer is a Cancel; the transfer then closes the dialog.
    if (m_running) {
        m_cancel = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
