#include "frmProgress.h"

#include "ui_frmProgress.h"

#include <QApplication>
#include <QCloseEvent>

frmProgress::frmProgress(QWidget* parent) : QDialog(parent), ui(new Ui::frmProgress)
{
    ui->setupUi(this);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmProgress::cmdCancel_Click);
}

frmProgress::~frmProgress()
{
    delete ui;
}

void frmProgress::begin(const QString& job, int max)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ui->lblJob->setText(job);
    ui->prgProgess->setRange(0, qMax(max, 1));
    ui->prgProgess->setValue(0);
    setModal(false);
    show();
    QApplication::processEvents();
}

bool frmProgress::stepAndAskStop(int value, int max)
{
    ui->prgProgess->setMaximum(qMax(max, 1));
    ui->prgProgess->setValue(value);
    ui->lblPage->setText(QStringLiteral("Rec. %1/%2").arg(value).arg(max));
    // The Cancel button is only seen while events run.
    QApplication::processEvents();
    return JobStop();
}

void frmProgress::setJob(const QString& job)
{
    ui->lblJob->setText(job);
    QApplication::processEvents();
}

void frmProgress::end()
{
    hide();
    QApplication::restoreOverrideCursor();
}

void frmProgress::closeEvent(QCloseEvent* event)
{
    // Closing the window is the same request as its Cancel button.
    m_stop = true;
    event->ignore();
}

void frmProgress::cmdCancel_Click()
{
    m_stop = true;
}
