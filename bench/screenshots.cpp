// tidewriter-screenshots OUTDIR: the program's windows on a small synthetic log, saved as
// PNG files for the README, so the pictures always show the current build.
#include "BenchUi.h"
#include "Globals.h"
#include "Main.h"
#include "SyntheticLog.h"
#include "frmLogList.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tidewriter-screenshots OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("tidewriter.db"));
    SyntheticLogOptions options;
    options.dives = 240;
    options.years = 3;
    QString error;
    if (!CreateSyntheticLog(log, options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    BenchUi ui;
    Program program;
    StartupPaths paths{log, dir.filePath(QStringLiteral("tidewriter.ini")), dir.filePath(QStringLiteral("lock"))};
    if (program.start({log}, paths) != -1)
        return 1;
    frmLogList* list = program.listWindow();
    list->resize(760, 520);
    QApplication::processEvents();
    const QString file = out.filePath(QStringLiteral("list-window.png"));
    if (!list->grab().save(file))
        return 1;
    std::printf("%s\n", qPrintable(file));
    return 0;
}
