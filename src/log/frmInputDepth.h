#pragma once
// Typing or pasting a depth or water-temperature profile as a plain list of numbers.
#include <QDialog>

namespace Ui { class frmInputDepth; }

class frmInputDepth : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(bool Ok READ Ok)
public:
    explicit frmInputDepth(QWidget* parent = nullptr);
    ~frmInputDepth() override;

    void setPrompt(const QString& prompt);
    QString Text() const;
    void setText(const QString& text);
    // True only once the user closed the dialog with OK.
    bool Ok() const { return m_ok; }

private slots:
    void cmdOk_Click();
    void cmdCancel_Click();

private:
    Ui::frmInputDepth* ui;
    bool m_ok = false;
};
