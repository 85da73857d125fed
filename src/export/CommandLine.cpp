#include "CommandLine.h"

#include "Database.h"
#include "DiveList.h"
#include "Globals.h"
#include "Schema.h"
#include "UiServices.h"
#include "modCSV.h"
#include "modStartup.h"
#include "modSupport.h"

#include <QFileInfo>
#include <QHash>
#include <cstdio>

namespace {

// Messages of a job without a window go to the error stream; questions get No.
class ConsoleUi : public WindowlessUi {
public:
    ConsoleUi() { InstallUiServices(this); }
    ~ConsoleUi() override { InstallUiServices(nullptr); }
    MsgResult message(const QString& text, MsgIcon, MsgButtons buttons, const QString&, QObject*) override
    {
        std::fprintf(stderr, "tidewriter: %s\n", qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        return declined(buttons);
    }
};

int failWith(const QString& text)
{
    std::fprintf(stderr, "tidewriter: %s\n", qPrintable(text));
    return 1;
}

struct Job {
    QString csvFile;
    QString ids;
    bool idsGiven = false;
    QStringList logWords;
    bool help = false;
};

// Parses the arguments; an empty error means they are sound.
Job parse(const QStringList& args, QString* error)
{
    Job job;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            job.help = true;
        } else if (a == QLatin1String("--export-csv") || a == QLatin1String("--ids")) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(a);
                return job;
            }
            if (a == QLatin1String("--ids")) {
                job.ids = args[++i];
                job.idsGiven = true;
            } else {
                job.csvFile = args[++i];
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return job;
        } else {
            job.logWords << a;
        }
    }
    return job;
}

}  // namespace

QString CommandLineHelp()
{
    return QStringLiteral(
        "Usage: tidewriter [LOG]\n"
        "       tidewriter --export-csv FILE [--ids ID,ID,...] [LOG]\n"
        "\n"
        "Without options Tidewriter opens its window on LOG, or on the log in its data folder.\n"
        "\n"
        "  --export-csv FILE  write the dives to FILE as CSV (Shift-JIS, CR LF), exactly as\n"
        "                     the dive list's CSV export writes them, and exit; needs no display\n"
        "  --ids ID,ID,...    only these dives (LogTbl ids), in this order; without it every\n"
        "                     dive, newest first\n"
        "  --help             show this text\n");
}

bool IsCommandLineJob(const QStringList& arguments)
{
    for (const QString& a : arguments)
        if (a == QLatin1String("--export-csv") || a == QLatin1String("--help") || a == QLatin1String("-h")
            || a == QLatin1String("--ids"))
            return true;
    return false;
}

int RunCommandLineJob(const QStringList& arguments, const StartupPaths& paths)
{
    QString error;
    const Job job = parse(arguments, &error);
    if (!error.isEmpty())
        return failWith(error + QStringLiteral(" (see tidewriter --help)"));
    if (job.help) {
        std::printf("%s", qPrintable(CommandLineHelp()));
        return 0;
    }
    if (job.csvFile.isEmpty())
        return failWith(QStringLiteral("--ids goes with --export-csv (see tidewriter --help)"));

    ConsoleUi ui;
    const QString named = DatabasePathFromArgs(job.logWords);
    gDatabasePath = named.isEmpty() ? paths.defaultDatabase : QFileInfo(named).absoluteFilePath();
    gIniPath = paths.iniFile;
    if (!QFileInfo::exists(gDatabasePath))
        return failWith(QStringLiteral("no log at %1").arg(gDatabasePath));
    Database db;
    if (!OpenLog(db, gDatabasePath, false))
        return 1;
    gDatabase = &db;
    const long release = ReadDatabaseRelease();
    if (release != kCurrentRelease) {
        gDatabase = nullptr;
        return failWith(QStringLiteral("the log is at release %1; open it once in Tidewriter to upgrade it").arg(release));
    }
    LoadLookupTables();

    // The numbers the dive list shows, newest first.
    const DiveList list = LoadDiveList(DiveFilter::All);
    QList<ExportItem> items;
    if (job.idsGiven) {
        QHash<qint64, long> numbers;
        for (const DiveListRow& r : list.rows)
            numbers.insert(r.id, r.number);
        for (const QString& word : job.ids.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const qint64 id = word.trimmed().toLongLong(&ok);
            if (!ok || !numbers.contains(id)) {
                gDatabase = nullptr;
                return failWith(QStringLiteral("no dive with id %1").arg(word.trimmed()));
            }
            items.append({id, numbers.value(id)});
        }
    } else {
        for (const DiveListRow& r : list.rows)
            items.append({r.id, r.number});
    }
    const bool ok = ExportCSV(job.csvFile, items, nullptr, &error);
    gDatabase = nullptr;
    if (!ok)
        return failWith(QStringLiteral("cannot write %1: %2").arg(job.csvFile, error));
    return 0;
}
