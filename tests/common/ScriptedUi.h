#pragma once
// UI services for tests: records what would have been shown and answers from a script.
#include "UiServices.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

struct ShownMessage {
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
    QString caption;  // as the user would see it
};

class ScriptedUi : public UiServices {
public:
    ScriptedUi() { InstallUiServices(this); }
    ~ScriptedUi() override { InstallUiServices(nullptr); }

    MsgResult message(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& caption,
                      QObject*) override
    {
        messages.append({text, icon, buttons, caption.isEmpty() ? AppTitle() : caption});
        if (onMessage)
            onMessage(messages.last());
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::No : MsgResult::Ok;
    }
    QString saveFileName(const QString& title, const QString& filter, const QString& initialName, QObject*) override
    {
        saveDialogs << QStringList{title, filter, initialName};
        return saveAnswer;
    }
    QString openFileName(const QString& title, const QString& filter, const QString& startFolder, QObject*) override
    {
        openDialogs << QStringList{title, filter, startFolder};
        return openAnswer;
    }
    QString browseFolder(const QString&, QObject*) override { return folder; }
    bool shellOpen(const QString& target, QObject*) override
    {
        opened << target;
        return shellOpens;
    }
    void showFileProperties(const QString& file, QObject*) override { properties << file; }
    int runDialog(QObject* dialog) override
    {
        dialogs << dialog->objectName();
        if (onDialog)
            onDialog(dialog);
        return 0;
    }

    QList<ShownMessage> messages;
    QList<MsgResult> answers;
    QString folder;
    QString saveAnswer;               // what the save dialog returns ("" = Cancel)
    QString openAnswer;               // what the open dialog returns ("" = Cancel)
    QList<QStringList> openDialogs;   // title, filter, start folder of each open dialog
    QList<QStringList> saveDialogs;   // title, filter, initial name of each save dialog
    QStringList opened;
    bool shellOpens = true;           // false: the desktop has no program for what is opened
    QStringList properties;
    QStringList dialogs;
    std::function<void(QObject*)> onDialog;
    std::function<void(const ShownMessage&)> onMessage;  // as each message is shown, before its answer
};
