#pragma once
// Start-up of the whole program: the single-instance lock, the log, the settings and
// the list window.
#include "Database.h"
#include "modStartup.h"

#include <QLockFile>
#include <memory>

class frmLogList;
class QTranslator;

class Program {
public:
    Program();
    ~Program();
    // Runs the start-up steps. Returns -1 when the list window is showing and the event
    // loop should run, otherwise the exit status.
    int start(const QStringList& arguments, const StartupPaths& paths);
    frmLogList* listWindow() const { return m_window.get(); }

private:
    std::unique_ptr<QLockFile> m_lock;
    Database m_db;
    std::unique_ptr<frmLogList> m_window;
};

// Qt's own texts (choosers, print dialogs, standard buttons, text-box menus) in Japanese,
// whatever the machine's locale, as the program's own texts are; the default locale
// becomes Japanese for the same reason. The translation is installed into the
// running application until the returned translator is destroyed; null when Qt's
// Japanese translation is not installed, and then Qt's texts stay as they are.
std::unique_ptr<QTranslator> InstallQtTranslation();

int Main(int argc, char* argv[]);
