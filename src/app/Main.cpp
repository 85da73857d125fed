#include "Main.h"

#include "CommandLine.h"
#include "Globals.h"
#include "ProgramIcons.h"
#include "QtUiServices.h"
#include "Schema.h"
#include "UiServices.h"
#include "Version.h"
#include "frmLogList.h"
#include "modSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTranslator>

Program::Program() = default;

Program::~Program()
{
    m_window.reset();
    if (gDatabase == &m_db)
        gDatabase = nullptr;
}

int Program::start(const QStringList& arguments, const StartupPaths& paths)
{
    m_lock = std::make_unique<QLockFile>(paths.lockFile);
    QString lockFailure;
    switch (TakeInstanceLock(*m_lock, &lockFailure)) {
    case InstanceLock::HeldByAnotherRun:
        MsgBox(QCoreApplication::translate("Main", "すでに起動しています"), MsgIcon::Exclamation);
        return 1;
    case InstanceLock::Failed:
        // Without the lock a second run could not be told apart: better not to start.
        MsgBox(QCoreApplication::translate("Main", "二重起動を防ぐためのロックファイルを作成できませんでした")
                   + QLatin1Char('\n') + paths.lockFile + QLatin1Char('\n') + lockFailure,
               MsgIcon::Critical, MsgButtons::Ok, QCoreApplication::translate("Main", "エラー"));
        return 1;
    case InstanceLock::Taken:
        break;
    }
    gIniPath = paths.iniFile;
    const QString named = DatabasePathFromArgs(arguments);
    gDatabasePath = named.isEmpty() ? paths.defaultDatabase : QFileInfo(named).absoluteFilePath();
    if (!OpenLog(m_db, gDatabasePath, named.isEmpty()))
        return 1;
    gDatabase = &m_db;
    switch (CheckDatabaseRelease()) {
    case ReleaseCheck::Declined:
        return 0;
    case ReleaseCheck::TooNew:
    case ReleaseCheck::Unreadable:
        return 1;
    case ReleaseCheck::Ready:
        break;
    }
    LoadLookupTables();
    LoadSuggestionLists();
    ReadProgramSettings();
    m_window = std::make_unique<frmLogList>();
    m_window->ApplySettings();
    m_window->FormReset();
    m_window->show();
    return -1;
}

std::unique_ptr<QTranslator> InstallQtTranslation()
{
    // Japanese names where Qt takes them from the locale: months in the date picker's
    // calendar, file types in a file's properties and in the choosers.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

int Main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (IsCommandLineJob(arguments)) {
        // No window, so no display is needed: the HTML export's pictures are drawn offscreen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The error stream carries the job's own messages only, one line each, for scripts;
        // Qt's notes about the session (no runtime folder, say) are not the job's business.
        static const QtMessageHandler qtHandler = qInstallMessageHandler(nullptr);
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if ((type == QtCriticalMsg || type == QtFatalMsg) && qtHandler)
                qtHandler(type, context, text);
        });
        QGuiApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tidewriter"));
        return RunCommandLineJob(arguments, DefaultStartupPaths());
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tidewriter"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEWRITER_VERSION));
    QApplication::setWindowIcon(ProgramIcon());
    // Wayland desktops take the window's icon and name from the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(TIDEWRITER_APP_ID));
    const std::unique_ptr<QTranslator> qtTexts = InstallQtTranslation();
    QtUiServices ui;
    InstallUiServices(&ui);
    Program program;
    const int status = program.start(QCoreApplication::arguments().mid(1), DefaultStartupPaths());
    return status >= 0 ? status : app.exec();
}
