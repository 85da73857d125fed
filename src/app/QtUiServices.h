#pragma once
#include "UiServices.h"

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
};
