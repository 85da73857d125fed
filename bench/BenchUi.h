#pragma once
// UI services for the benchmark: nothing is shown and nothing waits for a person; every
// message is kept, because a message during a timed run means the run went wrong.
#include "UiServices.h"

#include <QStringList>

class BenchUi : public WindowlessUi {
public:
    BenchUi() { InstallUiServices(this); }
    ~BenchUi() override { InstallUiServices(nullptr); }
    BenchUi(const BenchUi&) = delete;
    BenchUi& operator=(const BenchUi&) = delete;

    // Declining is the safe answer: an upgrade question must not change the log.
    MsgResult message(const QString& text, MsgIcon, MsgButtons buttons, const QString&, QObject*) override
    {
        messages << text;
        return declined(buttons);
    }

    QStringList messages;
};
