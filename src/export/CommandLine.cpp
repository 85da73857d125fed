#include "CommandLine.h"

#include "Database.h"
#include "DiveList.h"
#include "Globals.h"
#include "SafeFile.h"
#include "Schema.h"
#include "UiServices.h"
#include "modCSV.h"
#include "modExport.h"
#include "modLogPrint.h"
#include "modUDDF.h"
#include "UddfImport.h"
#include "modStartup.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <cstdio>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLine", text);
}

void printError(const QString& text)
{
    // One line per message, whichever line breaks it was written with.
    static const QRegularExpression breaks(QStringLiteral("\r?\n"));
    std::fprintf(stderr, "tidewriter: %s\n", qPrintable(QString(text).replace(breaks, QStringLiteral(" "))));
}

// Messages of a job without a window go to the error stream; questions get No.
class ConsoleUi : public WindowlessUi {
public:
    ConsoleUi() { InstallUiServices(this); }
    ~ConsoleUi() override { InstallUiServices(nullptr); }
    MsgResult message(const QString& text, MsgIcon, MsgButtons buttons, const QString&, QObject*) override
    {
        printError(text);
        return declined(buttons);
    }
};

// Exit status 1: the job could not be done. Status 2: the command line itself is wrong.
int failWith(const QString& text)
{
    printError(text);
    return 1;
}

int usageError(const QString& text)
{
    printError(text + tr("（tidewriter --help を参照してください）"));
    return 2;
}

struct Job {
    QString file;  // the target of --export-csv, --export-html or --print-pdf
    bool csvGiven = false;
    bool htmlGiven = false;
    bool pdfGiven = false;
    bool uddfGiven = false;
    QString importFile;  // --import-uddf
    bool allowDuplicates = false;
    QString templateFile;
    bool templateGiven = false;
    QList<qint64> ids;
    bool idsGiven = false;
    QStringList logWords;
    bool help = false;
};

// The ids of --ids: whole numbers separated by commas, blanks around them allowed. Empty
// when the list is empty or holds anything else, so that a slip is never taken for "no dives".
QList<qint64> parseIds(const QString& text)
{
    QList<qint64> ids;
    for (const QString& word : text.split(QLatin1Char(','))) {
        const QString w = word.trimmed();
        bool ok = !w.isEmpty();
        for (const QChar c : w)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const qint64 id = ok ? w.toLongLong(&ok) : 0;
        if (!ok)
            return {};
        ids << id;
    }
    return ids;
}

// Parses the arguments; an empty error means they are sound.
Job parse(const QStringList& args, QString* error)
{
    Job job;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            job.help = true;
        } else if (a == QLatin1String("--allow-duplicates")) {
            job.allowDuplicates = true;
        } else if (a == QLatin1String("--import-uddf")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                *error = tr("--import-uddf には取り込む UDDF ファイル名を指定してください");
                return job;
            }
            job.importFile = args[++i];
        } else if (a == QLatin1String("--export-csv") || a == QLatin1String("--export-html")
                   || a == QLatin1String("--print-pdf") || a == QLatin1String("--export-uddf") || a == QLatin1String("--ids")
                   || a == QLatin1String("--template")) {
            if (i + 1 >= args.size()) {
                *error = tr("%1 には値が必要です").arg(a);
                return job;
            }
            const QString value = args[++i];
            if (a == QLatin1String("--ids")) {
                job.ids = parseIds(value);
                job.idsGiven = true;
                if (job.ids.isEmpty()) {
                    *error = tr("--ids にはダイブの id をコンマで区切って指定してください: \"%1\"").arg(value);
                    return job;
                }
            } else if (a == QLatin1String("--template")) {
                job.templateFile = value;
                job.templateGiven = true;
                if (value.isEmpty()) {
                    *error = tr("--template にはテンプレートのファイル名を指定してください");
                    return job;
                }
            } else {
                if (job.csvGiven || job.htmlGiven || job.pdfGiven || job.uddfGiven) {
                    *error = tr("--export-csv、--export-html、--print-pdf、--export-uddf はどれか一つだけ指定してください");
                    return job;
                }
                job.file = value;
                (a == QLatin1String("--export-csv")    ? job.csvGiven
                 : a == QLatin1String("--export-html") ? job.htmlGiven
                 : a == QLatin1String("--print-pdf")   ? job.pdfGiven
                                                       : job.uddfGiven) = true;
                if (value.isEmpty()) {
                    *error = tr("%1 には出力ファイル名を指定してください").arg(a);
                    return job;
                }
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            *error = tr("不明なオプション %1 です").arg(a);
            return job;
        } else {
            job.logWords << a;
        }
    }
    if (job.help)
        return job;
    const bool exporting = job.csvGiven || job.htmlGiven || job.pdfGiven || job.uddfGiven;
    if (!job.importFile.isEmpty() && (exporting || job.idsGiven || job.templateGiven))
        *error = tr("--import-uddf はほかの出力や --ids、--template と一緒には指定できません");
    else if (job.allowDuplicates && job.importFile.isEmpty())
        *error = tr("--allow-duplicates は --import-uddf と一緒に指定してください");
    else if (!job.importFile.isEmpty())
        return job;
    else if (job.templateGiven && !job.htmlGiven)
        *error = tr("--template は --export-html と一緒に指定してください");
    else if (!job.csvGiven && !job.htmlGiven && !job.pdfGiven && !job.uddfGiven)
        *error = tr("--ids は --export-csv、--export-html、--print-pdf、--export-uddf のどれかと一緒に指定してください");
    return job;
}

}  // namespace

QString CommandLineHelp()
{
    return QCoreApplication::translate(
        "CommandLine",
        "使い方: tidewriter [LOG]\n"
        "        tidewriter --export-csv FILE [--ids ID,ID,...] [LOG]\n"
        "        tidewriter --export-html FILE [--ids ID,ID,...] [--template TEMPLATE] [LOG]\n"
        "        tidewriter --print-pdf FILE [--ids ID,ID,...] [LOG]\n"
        "        tidewriter --export-uddf FILE [--ids ID,ID,...] [LOG]\n"
        "        tidewriter --import-uddf FILE [--allow-duplicates] [LOG]\n"
        "\n"
        "オプションがなければ LOG を（省略時はデータフォルダのログを）ウィンドウで開きます。\n"
        "\n"
        "  --export-csv FILE  ダイブを CSV（Shift-JIS、CR LF）で FILE に書き出して終了します。\n"
        "                     一覧の CSV 出力と同じ内容で、ディスプレイは要りません。\n"
        "                     ログとその関連ファイル（.bak .new .old -journal）には書き出せません。\n"
        "  --export-html FILE ダイブを HTML（Shift-JIS、CR LF）で FILE に書き出し、各ダイブのグラフを\n"
        "                     FILE と同じフォルダの charts フォルダに PNG で書き出して終了します。\n"
        "                     一覧の HTML 出力と同じ内容で、ディスプレイは要りません。\n"
        "  --template TEMPLATE  HTML 出力にこのテンプレートを使います。省略時はデータフォルダの\n"
        "                     template.htm、なければインストールされた template.htm を使います。\n"
        "  --print-pdf FILE   ダイブを印刷と同じログブックのページにして PDF で FILE に書き出して\n"
        "                     終了します。ページ設定（用紙の種類、余白、向き、ページの順序）は\n"
        "                     設定ファイルのものを使い、用紙は A5 です。ディスプレイは要りません。\n"
        "  --export-uddf FILE ダイブを UDDF 3.2（UTF-8）で FILE に書き出して終了します。他のダイブログ\n"
        "                     ソフトが読める形式で、Tidewriter で取り込めば記録がそのまま戻ります。\n"
        "  --import-uddf FILE UDDF ファイルのダイブを新しいダイブとしてログに取り込んで終了します。\n"
        "                     LOG がなければ新しいログを作ります。同じ日時のダイブがログにある\n"
        "                     ダイブは、--allow-duplicates がなければ取り込みません。取り込みは\n"
        "                     すべてか何もなしかで、前にバックアップを取り、終了時に整理します。\n"
        "  --ids ID,ID,...    この id（LogTbl）のダイブだけをこの順に書き出します。\n"
        "                     省略時はすべてのダイブを新しい順に書き出します。\n"
        "  --help             この説明を表示します。\n"
        "\n"
        "終了ステータス: 0 成功、1 失敗（ファイルは以前のまま）、2 コマンドラインの誤り\n");
}

bool IsCommandLineJob(const QStringList& arguments)
{
    for (const QString& a : arguments)
        if (a == QLatin1String("--export-csv") || a == QLatin1String("--export-html")
            || a == QLatin1String("--print-pdf") || a == QLatin1String("--export-uddf")
            || a == QLatin1String("--import-uddf") || a == QLatin1String("--allow-duplicates") || a == QLatin1String("--help")
            || a == QLatin1String("-h") || a == QLatin1String("--ids") || a == QLatin1String("--template"))
            return true;
    return false;
}

int RunCommandLineJob(const QStringList& arguments, const StartupPaths& paths)
{
    QString error;
    const Job job = parse(arguments, &error);
    if (!error.isEmpty())
        return usageError(error);
    if (job.help) {
        std::printf("%s", qPrintable(CommandLineHelp()));
        return 0;
    }

    ConsoleUi ui;
    const QString named = DatabasePathFromArgs(job.logWords);
    gDatabasePath = named.isEmpty() ? paths.defaultDatabase : QFileInfo(named).absoluteFilePath();
    gIniPath = paths.iniFile;
    const bool importing = !job.importFile.isEmpty();
    if (!importing && !QFileInfo::exists(gDatabasePath))
        return failWith(tr("データベースファイル %1 がありません").arg(gDatabasePath));
    // Refused before the log is even opened.
    if (const QString refusal = LogTargetRefusal(job.file); !refusal.isEmpty())
        return failWith(refusal);
    Database db;
    if (!OpenLog(db, gDatabasePath, importing))
        return 1;
    gDatabase = &db;
    struct Release {
        ~Release() { gDatabase = nullptr; }
    } release;
    const long rel = ReadDatabaseRelease();
    if (rel != kCurrentRelease)
        return failWith(tr("データベースファイルのリリースは %1 です。一度 Tidewriter で開いて更新してください").arg(rel));
    LoadLookupTables();
    if (importing) {
        UddfImportResult result;
        const bool imported = ImportUDDF(
            job.importFile, [&](const UddfDive&) { return job.allowDuplicates ? DuplicateChoice::Import : DuplicateChoice::Skip; },
            &result, &error);
        // A changed log is compacted as at the end of a windowed run.
        db.close();
        gDatabase = nullptr;
        CompactAtShutdown();
        if (!imported)
            return failWith(error);
        std::printf("%s\n", qPrintable(tr("%1 本のダイブを取り込みました（同じ日時のダイブがあるため取り込まなかったもの %2 本）")
                                          .arg(result.imported)
                                          .arg(result.skipped)));
        return 0;
    }

    // The numbers the dive list shows, newest first, from the same read as the dives.
    const auto choose = [&](QList<ExportItem>* items, QString* reason) {
        const DiveList list = LoadDiveList(DiveFilter::All);
        if (!list.readOk) {
            *reason = tr("データベースファイルを読み込めませんでした") + QLatin1Char('\n') + LastDatabaseError();
            return false;
        }
        if (!job.idsGiven) {
            for (const DiveListRow& r : list.rows)
                items->append({r.id, r.number});
            return true;
        }
        QHash<qint64, long> numbers;
        for (const DiveListRow& r : list.rows)
            numbers.insert(r.id, r.number);
        for (const qint64 id : job.ids) {
            if (!numbers.contains(id)) {
                *reason = tr("id %1 のダイブはありません").arg(id);
                return false;
            }
            items->append({id, numbers.value(id)});
        }
        return true;
    };
    if (job.pdfGiven) {
        ReadProgramSettings();
        LogPrintJob print;
        if (!print.prepare(choose, &error))
            return failWith(error);
        if (PrintPdf(print, job.file, DefaultPdfPageLayout(print.setup()), kPdfResolution, nullptr, &error) != PrintResult::Done)
            return failWith(error);
        return 0;
    }
    const bool done = job.htmlGiven
        ? ExportHTML(job.file, job.templateGiven ? job.templateFile : TemplateFilePath(), choose, nullptr, &error)
        : job.uddfGiven ? ExportUDDF(job.file, choose, nullptr, &error)
                        : ExportCSV(job.file, choose, nullptr, &error);
    if (!done)
        return failWith(error);
    return 0;
}
