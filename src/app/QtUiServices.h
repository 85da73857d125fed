#pragma once
#include "UiServices.h"

#include <memory>

class QFileDialog;
class QMessageBox;
class QWidget;

// The desktop's message boxes, choosers and shell, for the running program.
class QtUiServices : public UiServices {
public:
    MsgResult message(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& caption,
                      QObject* owner) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& initialName,
                         QObject* owner) override;
    QString openFileName(const QString& title, const QString& filter, const QString& startFolder,
                         QObject* owner) override;
    QString browseFolder(const QString& title, QObject* owner) override;
    bool shellOpen(const QString& target, QObject* owner) override;
    void showFileProperties(const QString& file, QObject* owner) override;
    int runDialog(QObject* dialog) override;

    // The boxes and choosers as the services show them, built but not yet run, so their
    // texts can be checked without a person to close them.
    enum class Chooser { Save, Open, Folder };
    static std::unique_ptr<QMessageBox> messageBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                                                   const QString& caption, QWidget* owner);
    static std::unique_ptr<QFileDialog> fileDialog(Chooser kind, const QString& title, const QString& filter,
                                                   const QString& start, QWidget* owner);
};
