#pragma once
#include <QDialog>

namespace Ui { class frmAbout; }

// The About box: name, version, credits, and the mail and web links.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    static QString VersionText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void cmdOk_Click();

private:
    Ui::frmAbout* ui;
};
