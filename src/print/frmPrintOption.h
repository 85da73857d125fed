#pragma once
// The page setup dialog ("ページ設定"): binds its controls to PrintOptions.
#include "PrintOptions.h"

#include <QDialog>

namespace Ui { class frmPrintOption; }
class QButtonGroup;
class QLineEdit;

class frmPrintOption : public QDialog {
    Q_OBJECT
public:
    explicit frmPrintOption(QWidget* parent = nullptr);
    ~frmPrintOption() override;

    // True once OK has saved the settings; printing goes on only then.
    bool okPressed() const { return m_okPressed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void cboType_Click(int index);
    void optOrientation_Click(int index);
    void txtTopMargine_Validate();
    void txtLeftMargineRight_Validate();
    void txtLeftMargineLeft_Validate();
    void cmdOk_Click();
    void cmdCancel_Click();

private:
    void Form_Load();
    void ShowPageType();
    void PaintFigures();
    void ValidateBox(QLineEdit* box);
    // Stores the three boxes for the type shown; false (told, focus in the box) at the first bad one.
    bool CommitBoxes();
    bool CommitBox(QLineEdit* box);
    PageMargin MarginOf(const QLineEdit* box) const;

    Ui::frmPrintOption* ui;
    PrintOptions m_options;
    QButtonGroup* m_orientation;
    QButtonGroup* m_pageSeq;
    bool m_okPressed = false;
    // Set while a check tells the user and puts the focus back, so that is not another leaving.
    bool m_checking = false;
};
