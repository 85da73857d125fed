#pragma once
// The progress dialog of exports and printing: job text, record counter, bar, and a
// Cancel button read between the steps of the job.
#include "JobProgress.h"

#include <QDialog>

namespace Ui { class frmProgress; }

class frmProgress : public QDialog, public JobProgress {
    Q_OBJECT
public:
    explicit frmProgress(QWidget* parent = nullptr);
    ~frmProgress() override;

    bool JobStop() const { return m_stop; }

    void begin(const QString& job, int max) override;
    bool stepAndAskStop(int value, int max) override;
    void setJob(const QString& job) override;
    void end() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void cmdCancel_Click();

private:
    Ui::frmProgress* ui;
    bool m_stop = false;
};
