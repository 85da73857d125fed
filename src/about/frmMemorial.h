#pragma once
#include <QDialog>

namespace Ui { class frmMemorial; }

// The congratulation shown when the log reaches a milestone count of dives.
class frmMemorial : public QDialog {
    Q_OBJECT
public:
    explicit frmMemorial(QWidget* parent = nullptr);
    ~frmMemorial() override;

    void setTitleCount(qlonglong count);

private slots:
    void cmdOk_Click();

private:
    Ui::frmMemorial* ui;
};
