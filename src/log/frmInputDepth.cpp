#include "frmInputDepth.h"

#include "ui_frmInputDepth.h"

frmInputDepth::frmInputDepth(QWidget* parent) : QDialog(parent), ui(new Ui::frmInputDepth)
{
    ui->setupUi(this);
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmInputDepth::cmdOk_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmInputDepth::cmdCancel_Click);
}

frmInputDepth::~frmInputDepth()
{
    delete ui;
}

void frmInputDepth::setPrompt(const QString& prompt)
{
    ui->lblExp->setText(prompt);
}

QString frmInputDepth::Text() const
{
    return ui->txtList->toPlainText();
}

void frmInputDepth::setText(const QString& text)
{
    ui->txtList->setPlainText(text);
}

void frmInputDepth::cmdOk_Click()
{
    m_ok = true;
    accept();
}

void frmInputDepth::cmdCancel_Click()
{
    reject();
}
