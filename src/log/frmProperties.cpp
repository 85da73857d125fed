#include "frmProperties.h"

#include "ui_frmProperties.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>

frmProperties::frmProperties(const QString& file, QWidget* parent) : QDialog(parent), ui(new Ui::frmProperties)
{
    ui->setupUi(this);
    const QFileInfo info(file);
    setWindowTitle(tr("%1のプロパティ").arg(info.fileName()));
    ui->lblFileName->setText(info.fileName());
    ui->lblPath->setText(QDir::toNativeSeparators(info.absoluteFilePath()));
    ui->lblType->setText(QMimeDatabase().mimeTypeForFile(info).comment());
    // Japanese digit grouping whatever the machine's locale (the C locale groups nothing).
    if (info.exists()) {
        ui->lblSize->setText(tr("%1 バイト").arg(QLocale(QLocale::Japanese, QLocale::Japan).toString(info.size())));
        ui->lblModified->setText(info.lastModified().toString(QStringLiteral("yyyy/MM/dd H:mm:ss")));
    }
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmProperties::cmdOk_Click);
}

frmProperties::~frmProperties()
{
    delete ui;
}

void frmProperties::cmdOk_Click()
{
    accept();
}
