#include "frmMemorial.h"

#include "ui_frmMemorial.h"

#include "ProgramPicture.h"

#include <QPixmap>

frmMemorial::frmMemorial(QWidget* parent) : QDialog(parent), ui(new Ui::frmMemorial)
{
    ui->setupUi(this);
    ui->imgFigure->setPixmap(QPixmap::fromImage(MilestoneFigure(96)));
    ui->lblMessage->setText(tr("おめでとうございます") + QStringLiteral("\n\n") + tr("これからもガンガン潜ってください")
                            + QStringLiteral("\n\n") + tr("今後ともTidewriterの末永いご愛用を") + QLatin1Char('\n')
                            + tr("宜しくお願い申し上げます") + QStringLiteral("\n\n")
                            + QStringLiteral("from Calvane"));
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmMemorial::cmdOk_Click);
}

frmMemorial::~frmMemorial()
{
    delete ui;
}

void frmMemorial::setTitleCount(qlonglong count)
{
    ui->lblTitle->setText(QString::number(count) + tr("本達成おめでとうございます"));
}

void frmMemorial::cmdOk_Click()
{
    accept();
}
