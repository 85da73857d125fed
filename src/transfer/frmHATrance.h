#pragma once
// The transfer dialog: asks the diver to ready the dive computer, shows which dive is
// coming and how far it is, and lets the diver cancel at any moment.
#include "HADecode.h"

#include <QDialog>

namespace Ui { class frmHATrance; }
class ByteLine;

class frmHATrance : public QDialog {
    Q_OBJECT
public:
    explicit frmHATrance(QWidget* parent = nullptr);
    ~frmHATrance() override;

    // Reads one dive over line. False when the diver declined or cancelled or the
    // transfer failed; the dialog has then told why and closed itself. True leaves the
    // dialog open with the dive readable until the caller closes it.
    bool Trance(ByteLine& line);
    const HADive& dive() const { return m_dive; }

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void cmdCancel_Click();

private:
    Ui::frmHATrance* ui;
    HADive m_dive;
    bool m_running = false;
    bool m_cancel = false;
};
