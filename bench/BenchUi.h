#pragma once
// UI services for the benchmark: nothing is shown and nothing waits for a person; every
// message is kept, because a message during a timed run means the run went wrong.
#include "UiServices.h"

#include <QStringList>

class BenchUi : public UiServices {
public:
    BenchUi() { InstallUiServices(this); }
    ~BenchUi() override { InstallUiServices(nullptr); }
    BenchUi(const BenchUi&) = delete;
    BenchUi& operator=(const BenchUi&) = delete;

    MsgResult message(const QString& text, MsgIcon, MsgButtons buttons, const QString&, QObject*) override
    {
        messages << text;
        // Declining is the safe answer: an upgrade question must not change the log.
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::No : MsgResult::Ok;
    }
    QString saveFileName(const QString&, const QString&, const QString&, QObject*) override { return {}; }
    QString openFileName(const QString&, const QString&, const QString&, QObject*) override { return {}; }
    QString browseFolder(const QString&, QObject*) override { return {}; }
    bool shellOpen(const QString&, QObject*) override { return false; }
    void showFileProperties(const QString&, QObject*) override {}
    int runDialog(QObject*) override { return 0; }

    QStringList messages;
};
