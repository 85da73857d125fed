#pragma once
// Every message box, question, chooser, shell request and modal dialog goes through this
// interface: the program installs the Qt one, tests a scripted one.
#include <QString>

class QObject;

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

class UiServices {
public:
    virtual ~UiServices() = default;

    // caption empty means the application title "Tidewriter".
    virtual MsgResult message(const QString& text, MsgIcon icon, MsgButtons buttons,
                              const QString& caption, QObject* owner) = 0;
    // File name chosen in a save dialog (filters in Qt's "Name (*.x);;Other (*.y)" form),
    // or an empty string when the user cancels. The name is used as typed.
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& initialName,
                                 QObject* owner) = 0;
    // An existing file chosen in an open dialog starting in startFolder, or an empty
    // string when the user cancels.
    virtual QString openFileName(const QString& title, const QString& filter, const QString& startFolder,
                                 QObject* owner) = 0;
    // Folder path, or an empty string when the user cancels.
    virtual QString browseFolder(const QString& title, QObject* owner) = 0;
    // Opens a file, mail address or web page with the desktop's default application.
    virtual bool shellOpen(const QString& target, QObject* owner) = 0;
    virtual void showFileProperties(const QString& file, QObject* owner) = 0;
    // Runs a modal dialog (a QDialog) and returns its result code.
    virtual int runDialog(QObject* dialog) = 0;
};

// Services for a run without windows (the command line, the benchmark): choosers are
// cancelled, nothing opens, dialogs are not shown, questions are answered No. Only where
// messages go is left to the subclass.
class WindowlessUi : public UiServices {
public:
    QString saveFileName(const QString&, const QString&, const QString&, QObject*) override { return {}; }
    QString openFileName(const QString&, const QString&, const QString&, QObject*) override { return {}; }
    QString browseFolder(const QString&, QObject*) override { return {}; }
    bool shellOpen(const QString&, QObject*) override { return false; }
    void showFileProperties(const QString&, QObject*) override {}
    int runDialog(QObject*) override { return 0; }

protected:
    static MsgResult declined(MsgButtons buttons)
    {
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::No : MsgResult::Ok;
    }
};

// The installed services; never null once the program or a test has installed one.
UiServices& Services();
void InstallUiServices(UiServices* services);

// Shorthand for the common message forms.
MsgResult MsgBox(const QString& text, MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok,
                 const QString& caption = QString(), QObject* owner = nullptr);
QString AppTitle();
