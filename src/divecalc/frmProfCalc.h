#pragma once
// The repetitive-dive calculator: two dives in a row planned with the dive table.
#include <QDialog>

namespace Ui { class frmProfCalc; }
class QLineEdit;

class frmProfCalc : public QDialog {
    Q_OBJECT
public:
    explicit frmProfCalc(QWidget* parent = nullptr);
    ~frmProfCalc() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void txt1Depth_Change();
    void txt1UWTime_Change();
    void cbo1EndPg_Click();
    void txtSI_Change();
    void cbo2StartPg_Click();
    void txt2Depth_Change();
    void txt2UWTime_Change();
    void txt1Depth_Validate();
    void txt1UWTime_Validate();
    void txtSI_Validate();
    void txt2Depth_Validate();
    void txt2UWTime_Validate();
    void cmdClose_Click();

private:
    enum class Check { Depth, Time, Interval };
    void CalcMinSi();
    void ValidateBox(QLineEdit* box, Check check);

    Ui::frmProfCalc* ui;
    // Set while CalcMinSi writes the interval and while the interval sets the start
    // group, so that neither writes back into the other.
    bool m_siLock = false;
    bool m_startPgLock = false;
    // Set while a failed check puts the focus back, so leaving the other box is no check.
    bool m_refocusing = false;
    // The box the keyboard entered, until the user types or clicks in it: when a text the
    // program writes there meanwhile (the check of the box just left recomputing it) drops
    // the selection, the whole text is selected again, so typing replaces it.
    QLineEdit* m_entered = nullptr;
};
