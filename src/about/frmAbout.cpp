#include "frmAbout.h"

#include "ui_frmAbout.h"

#include "ProgramIcons.h"
#include "Version.h"
#include "modSubroutines.h"

#include <QMouseEvent>
#include <QPixmap>

frmAbout::frmAbout(QWidget* parent) : QDialog(parent), ui(new Ui::frmAbout)
{
    ui->setupUi(this);
    ui->Image1->setPixmap(ProgramIcon().pixmap(QSize(64, 64), devicePixelRatioF()));
    ui->lblVersion->setText(VersionText());
    ui->lblCopyright->setText(QStringLiteral(TIDEWRITER_COPYRIGHT));
    for (QLabel* link : {ui->lblMail, ui->lblURL_0, ui->lblURL_1})
        link->installEventFilter(this);
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
}

frmAbout::~frmAbout()
{
    delete ui;
}

QString frmAbout::VersionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(TIDEWRITER_VERSION_MAJOR)
        .arg(TIDEWRITER_VERSION_MINOR)
        .arg(TIDEWRITER_VERSION_PATCH);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ui->lblMail) {
            ShellOpen(QStringLiteral("mailto:") + ui->lblMail->text(), this);
            return true;
        }
        if (watched == ui->lblURL_0 || watched == ui->lblURL_1) {
            ShellOpen(static_cast<QLabel*>(watched)->text(), this);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::cmdOk_Click()
{
    accept();
}
