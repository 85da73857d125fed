#pragma once
// The options dialog: serial port, picture folder, log offsets and five lookup lists.
#include "OptionSettings.h"

#include <QDialog>
#include <array>

namespace Ui { class frmOption; }
class QLineEdit;

class frmOption : public QDialog {
    Q_OBJECT
public:
    explicit frmOption(QWidget* parent = nullptr);
    ~frmOption() override;

signals:
    // A successful Apply has reloaded the lookup lists; the list window refreshes now,
    // before the commit, so a failed commit can refresh it back.
    void applied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void cboPort_Click();
    void cmdPicPathRef_Click();
    void cmdApply_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    void txtNo_Validate();
    void txtTimeH_Validate();
    void txtTimeM_Validate();
    void tbsOptions_Next();
    void tbsOptions_Previous();

private:
    void Form_Load();
    void MarkChanged();
    void ValidateBox(QLineEdit* box);
    void SelectTab(int index);
    OptionValues EnteredValues() const;

    Ui::frmOption* ui;
    std::array<std::array<QLineEdit*, kOptionListBoxes>, kOptionListCount> m_listBoxes{};
    // Set while a failed check puts the focus back, so that is not another leaving.
    bool m_refocusing = false;
};
