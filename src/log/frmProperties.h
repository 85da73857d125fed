#pragma once
#include <QDialog>

namespace Ui { class frmProperties; }

// A file's properties: where it lies, its size, type and last change. The desktop offers
// no property sheet of its own to show instead.
class frmProperties : public QDialog {
    Q_OBJECT
public:
    explicit frmProperties(const QString& file, QWidget* parent = nullptr);
    ~frmProperties() override;

private slots:
    void cmdOk_Click();

private:
    Ui::frmProperties* ui;
};
