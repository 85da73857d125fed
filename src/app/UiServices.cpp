#include "UiServices.h"

#include <QCoreApplication>
#include <cstdlib>

namespace {
UiServices* gUi = nullptr;
}

UiServices& Services()
{
    if (!gUi)
        std::abort();  // a message with nobody to show it would be lost silently
    return *gUi;
}

void InstallUiServices(UiServices* services)
{
    gUi = services;
}

MsgResult MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& caption, QObject* owner)
{
    return Services().message(text, icon, buttons, caption, owner);
}

QString AppTitle()
{
    return QStringLiteral("Tidewriter");
}
