// tidewriter-bench: times start-up and the dive list's refresh on a large synthetic log.
#include "BenchUi.h"
#include "Figure.h"
#include "Database.h"
#include "DiveList.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "RecordStore.h"
#include "frmRecord.h"
#include "modCSV.h"
#include "modDiveCalc.h"
#include "modExport.h"
#include "modLogPrint.h"
#include "modUDDF.h"
#include "UddfImport.h"
#include "Schema.h"
#include "modSupport.h"
#include "Main.h"
#include "SyntheticLog.h"
#include "frmLogList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <cstdio>
#include <sqlite3.h>
#include <optional>
#include <string>
#include <string_view>

namespace {

struct Options {
    int dives = 10000;
    std::optional<int> runs;  // one count for every figure when given
    bool bigCommentOnly = false;
    bool uddfOnly = false;
};

std::optional<int> positive(const char* text)
{
    bool ok = false;
    const int n = QByteArray(text).toInt(&ok);
    return ok && n > 0 ? std::optional<int>(n) : std::nullopt;
}

std::optional<Options> parse(int argc, char* argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if ((a == "--dives" || a == "--runs") && i + 1 < argc) {
            const std::optional<int> n = positive(argv[++i]);
            if (!n)
                return std::nullopt;
            if (a == "--dives")
                o.dives = *n;
            else
                o.runs = n;
        } else if (a == "--1mb-comment-only") {
            o.bigCommentOnly = true;
        } else if (a == "--uddf-only") {
            o.uddfOnly = true;
        } else {
            return std::nullopt;
        }
    }
    return o;
}

void print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

double elapsedMs(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Lets the window settle (layout, deferred deletes) outside the timed part.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class Bench {
public:
    Bench(const QTemporaryDir& dir, BenchUi& ui)
        : m_ui(ui), m_log(dir.filePath(QStringLiteral("tidewriter.db")))
    {
        m_paths.defaultDatabase = m_log;
        m_paths.iniFile = dir.filePath(QStringLiteral("tidewriter.ini"));
        m_paths.lockFile = dir.filePath(QStringLiteral("tidewriter.lock"));
    }

    const QString& logPath() const { return m_log; }

    // A fresh Program from nothing to the list window with its first refresh; destroyed
    // untimed and without closing the window, so no exit compaction runs.
    std::optional<double> startup()
    {
        ResetGlobals();
        QElapsedTimer t;
        t.start();
        // The program loads Qt's Japanese texts as it starts, so the figure counts them.
        const std::unique_ptr<QTranslator> qtTexts = InstallQtTranslation();
        auto program = std::make_unique<Program>();
        const int status = program->start({m_log}, m_paths);
        const double ms = elapsedMs(t);
        const bool ok = status == -1 && program->listWindow() && checkQuiet(QStringLiteral("startup"));
        program.reset();
        settle();
        return ok ? std::optional<double>(ms) : std::nullopt;
    }

    std::optional<std::vector<double>> refreshList(int runs)
    {
        ResetGlobals();
        Program program;
        if (program.start({m_log}, m_paths) != -1 || !checkQuiet(QStringLiteral("refresh_list")))
            return std::nullopt;
        settle();
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            program.listWindow()->RefreshList();
            times.push_back(elapsedMs(t));
            settle();
        }
        if (!checkQuiet(QStringLiteral("refresh_list")))
            return std::nullopt;
        return times;
    }

    // One dive in the middle of the log, loaded and worked out as its editor opens it.
    std::optional<std::vector<double>> openRecord(int runs)
    {
        ResetGlobals();
        Database db;
        if (!openLog(db))
            return std::nullopt;
        auto rs = db.query(QStringLiteral("SELECT id FROM LogTbl ORDER BY dive_date, in_time"));
        rs->moveTo(rs->recordCount() / 2);
        const qint64 id = rs->field(0).toLongLong();
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            ClearDiveCalcMemos();  // each run as the first opening of the run
            QElapsedTimer t;
            t.start();
            DiveTexts dive;
            if (!dive.load(id, 1))
                return std::nullopt;
            times.push_back(elapsedMs(t));
        }
        gDatabase = nullptr;
        return checkQuiet(QStringLiteral("open_record")) ? std::optional(times) : std::nullopt;
    }

    // Every dive of the open log, in the list's order, as an export takes them.
    static QList<ExportItem> listedDives()
    {
        QList<ExportItem> items;
        for (const DiveListRow& r : LoadDiveList(DiveFilter::All).rows)
            items.append({r.id, r.number});
        return items;
    }

    // Every dive of the log to one file by `write` (an exporter), in the list's order.
    using Exporter = bool (*)(const QString&, const QList<ExportItem>&, JobProgress*, QString*);
    std::optional<std::vector<double>> exportAll(const QString& figure, Exporter write, int runs, const QString& file)
    {
        ResetGlobals();
        Database db;
        if (!openLog(db))
            return std::nullopt;
        const QList<ExportItem> items = listedDives();
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            ClearDiveCalcMemos();
            QElapsedTimer t;
            t.start();
            QString error;
            if (!write(file, items, nullptr, &error)) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(figure), qPrintable(error));
                return std::nullopt;
            }
            times.push_back(elapsedMs(t));
        }
        gDatabase = nullptr;
        return checkQuiet(figure) ? std::optional(times) : std::nullopt;
    }

    // Every dive of the log to an HTML page from the installed template, each with its
    // chart picture, in the list's order.
    std::optional<std::vector<double>> exportHtmlAll(int runs, const QString& file)
    {
        ResetGlobals();
        Database db;
        if (!openLog(db))
            return std::nullopt;
        const QList<ExportItem> items = listedDives();
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            ClearDiveCalcMemos();
            QElapsedTimer t;
            t.start();
            QString error;
            // A folder of its own for each run: pictures already there with the same bytes
            // would be left alone, and the figure is that of a first export.
            const QString page = QStringLiteral("%1/run%2/%3").arg(QFileInfo(file).path()).arg(i).arg(QFileInfo(file).fileName());
            if (!QDir().mkpath(QFileInfo(page).path()) || !ExportHTML(page, TemplateFilePath(), items, nullptr, &error)) {
                std::fprintf(stderr, "export_html_all: %s\n", qPrintable(error));
                return std::nullopt;
            }
            times.push_back(elapsedMs(t));
        }
        gDatabase = nullptr;
        return checkQuiet(QStringLiteral("export_html_all")) ? std::optional(times) : std::nullopt;
    }

    // The first kPrintedDives dives of the list as logbook pages in a PDF file, with the
    // default page setup. The size of the last file written goes to *bytes.
    static constexpr int kPrintedDives = 1000;
    std::optional<std::vector<double>> printPdfAll(int runs, const QString& file, qint64* bytes)
    {
        ResetGlobals();
        Database db;
        if (!openLog(db))
            return std::nullopt;
        const QList<ExportItem> items = listedDives().mid(0, kPrintedDives);
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            ClearDiveCalcMemos();
            QElapsedTimer t;
            t.start();
            QString error;
            LogPrintJob job;
            const bool done = job.prepare(ChosenItems(items), &error)
                && PrintPdf(job, file, DefaultPdfPageLayout(job.setup()), kPdfResolution, nullptr, &error)
                    == PrintResult::Done;
            if (!done) {
                std::fprintf(stderr, "print_pdf_all: %s\n", qPrintable(error));
                return std::nullopt;
            }
            times.push_back(elapsedMs(t));
        }
        *bytes = QFileInfo(file).size();
        gDatabase = nullptr;
        return checkQuiet(QStringLiteral("print_pdf_all")) ? std::optional(times) : std::nullopt;
    }

    // That file into a new log, its backup included: every dive imported, none asked about.
    std::optional<std::vector<double>> importUddfAll(int runs, const QString& file, const QString& folder)
    {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            ResetGlobals();
            const QString log = QStringLiteral("%1/import%2.db").arg(folder).arg(i);
            QString error;
            Database db;
            if (!CreateNewLog(log, &error) || !db.open(log, Database::OpenMode::ExistingReadWrite)) {
                std::fprintf(stderr, "import_uddf_all: %s\n", qPrintable(error));
                return std::nullopt;
            }
            gDatabasePath = log;
            gDatabase = &db;
            LoadLookupTables();
            QElapsedTimer t;
            t.start();
            UddfImportResult result;
            if (!ImportUDDF(file, {}, &result, &error)) {
                std::fprintf(stderr, "import_uddf_all: %s\n", qPrintable(error));
                return std::nullopt;
            }
            times.push_back(elapsedMs(t));
            gDatabase = nullptr;
        }
        gModified = false;
        return checkQuiet(QStringLiteral("import_uddf_all")) ? std::optional(times) : std::nullopt;
    }

    // The same log's LogTbl written as plain CSV text straight from the SQLite C API: the
    // floor the export is weighed against.
    std::optional<std::vector<double>> sqliteDumpCsv(int runs, const QString& file)
    {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            if (!dumpCsv(file))
                return std::nullopt;
            times.push_back(elapsedMs(t));
        }
        return times;
    }

    // A record window created and its dive opened, as a double-click in the list does.
    std::optional<std::vector<double>> openEditor(int runs)
    {
        ResetGlobals();
        Database db;
        if (!openLog(db))
            return std::nullopt;
        LoadSuggestionLists();
        const qint64 id = middleDive(db);
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            ClearDiveCalcMemos();
            QElapsedTimer t;
            t.start();
            auto editor = std::make_unique<frmRecord>();
            editor->OpenRec(id, 1);
            times.push_back(elapsedMs(t));
            editor.reset();
            settle();
        }
        gDatabase = nullptr;
        return checkQuiet(QStringLiteral("open_editor")) ? std::optional(times) : std::nullopt;
    }

    // Every field of an open record changed and saved, the backup included.
    std::optional<std::vector<double>> saveRecord(int runs)
    {
        ResetGlobals();
        Database db;
        if (!openLog(db))
            return std::nullopt;
        LoadSuggestionLists();
        frmRecord editor;
        editor.OpenRec(middleDive(db), 1);
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            changeEveryField(editor.texts(), i);
            QElapsedTimer t;
            t.start();
            const RecordStore::SaveResult saved = editor.store().SaveRecord();
            times.push_back(elapsedMs(t));
            if (!saved.ok || saved.fieldsWritten != RecordStore::fields().size()) {
                std::fprintf(stderr, "save_record: %d fields written\n", saved.fieldsWritten);
                return std::nullopt;
            }
        }
        gDatabase = nullptr;
        gModified = false;  // the save is the point of this figure
        return checkQuiet(QStringLiteral("save_record")) ? std::optional(times) : std::nullopt;
    }

    // A dive whose comment is one line of 1 MB: its editor opened and drawn as the list opens
    // it, the dive saved with the comment changed, and the dive exported to CSV.
    struct BigComment {
        std::vector<double> open, save, exportCsv;
    };
    std::optional<BigComment> bigComment(int runs, const QString& file)
    {
        ResetGlobals();
        Database db;
        if (!openLog(db))
            return std::nullopt;
        LoadSuggestionLists();
        const qint64 id = middleDive(db);
        // Half prose, half one word with nowhere to break it (a pasted hash, say).
        QString line;
        while (line.size() < 512 * 1024)
            line += QStringLiteral("北の根でウミガメ、18 m で流れが強くなり浮上。Turtle at the north pinnacle; ");
        while (line.size() < 1024 * 1024)
            line += QStringLiteral("0123456789abcdef");
        if (!db.execute(QStringLiteral("UPDATE LogTbl SET comment = ? WHERE id = ?"), {line, id}))
            return std::nullopt;
        BigComment figures;
        for (int i = 0; i < runs; ++i) {
            ClearDiveCalcMemos();
            QElapsedTimer t;
            t.start();
            auto editor = std::make_unique<frmRecord>();
            editor->show();
            editor->OpenRec(id, 1);
            QCoreApplication::processEvents();  // laid out and painted
            figures.open.push_back(elapsedMs(t));
            editor->texts().setText(QStringLiteral("txtComment"), line + QString::number(i));
            t.restart();
            const bool saved = editor->store().SaveRecord().ok;
            figures.save.push_back(elapsedMs(t));
            editor.reset();
            settle();
            t.restart();
            QString error;
            if (!saved || !ExportCSV(file, {{id, 1}}, nullptr, &error))
                return std::nullopt;
            figures.exportCsv.push_back(elapsedMs(t));
        }
        gDatabase = nullptr;
        gModified = false;  // the saves are part of this figure
        return checkQuiet(QStringLiteral("big_comment")) ? std::optional(figures) : std::nullopt;
    }

private:
    bool dumpCsv(const QString& file) const
    {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(m_log).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "sqlite_dump_csv: %s\n", db ? sqlite3_errmsg(db) : "cannot open");
            sqlite3_close(db);
            return false;
        }
        sqlite3_stmt* st = nullptr;
        std::FILE* out = std::fopen(QFile::encodeName(file).constData(), "wb");
        bool ok = out && sqlite3_prepare_v2(db, "SELECT * FROM LogTbl", -1, &st, nullptr) == SQLITE_OK;
        const int columns = ok ? sqlite3_column_count(st) : 0;
        std::string line;
        int rc = SQLITE_ROW;
        while (ok && (rc = sqlite3_step(st)) == SQLITE_ROW) {
            line.clear();
            for (int c = 0; c < columns; ++c) {
                if (c)
                    line += ',';
                const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                const std::string_view v = text ? std::string_view(text, size_t(sqlite3_column_bytes(st, c))) : "";
                if (v.find_first_of(",\"\r\n") == std::string_view::npos) {
                    line += v;
                    continue;
                }
                line += '"';
                for (const char ch : v) {
                    if (ch == '"')
                        line += '"';
                    line += ch;
                }
                line += '"';
            }
            line += "\r\n";
            ok = std::fwrite(line.data(), 1, line.size(), out) == line.size();
        }
        ok = ok && rc == SQLITE_DONE;
        if (!ok)
            std::fprintf(stderr, "sqlite_dump_csv: %s\n", sqlite3_errmsg(db));
        sqlite3_finalize(st);
        sqlite3_close(db);
        if (out && std::fclose(out) != 0)
            ok = false;
        return ok;
    }

    static qint64 middleDive(Database& db)
    {
        auto rs = db.query(QStringLiteral("SELECT id FROM LogTbl ORDER BY dive_date, in_time"));
        rs->moveTo(rs->recordCount() / 2);
        return rs->field(0).toLongLong();
    }

    // New values for all 29 fields, each different from what the field holds.
    static void changeEveryField(DiveTexts& t, int run)
    {
        const QString n = QString::number(run % 7 + 1);
        t.setText(QStringLiteral("dtpDate"), QStringLiteral("2020/01/0") + n);
        for (const char* c : {"cboLocation", "cboBuddy", "cboGuide", "txtComment"})
            t.setText(QString::fromLatin1(c), QStringLiteral("run %1").arg(run));
        t.setText(QStringLiteral("txtInTime"), QStringLiteral("1%1:00").arg(n));
        t.setText(QStringLiteral("txtOutTime"), QStringLiteral("1%1:45").arg(n));
        for (const char* c : {"txtMaxDepth", "txtAvgDepth", "txtAirTemp", "txtDepthTemp", "txtSurfaceTemp", "txtWeight",
                              "txtTankCapa", "txtMinVisibility", "txtMaxVisibility", "txtMinTransparency",
                              "txtMaxTransparency"})
            t.setText(QString::fromLatin1(c), n + QStringLiteral(".5"));
        t.setText(QStringLiteral("txtStartTankBar"), QStringLiteral("2") + n + QStringLiteral("0"));
        t.setText(QStringLiteral("txtEndTankBar"), QStringLiteral("5") + n);
        // Lists and masks step on from their current value, so they always change.
        for (const QString& c : DiveTexts::listControls())
            t.setPosition(c, t.position(c) == 0 ? 1 : 0);
        for (const QString& c : DiveTexts::maskControls())
            t.setMask(c, t.mask(c) == 1 ? 2 : 1);
        t.setDepthSeries(QStringLiteral("0 %1 12 3").arg(run));
        t.setTempSeries(QStringLiteral("24 %1 22").arg(run));
    }

    bool openLog(Database& db)
    {
        gDatabasePath = m_log;
        if (!db.open(m_log, Database::OpenMode::ExistingReadWrite))
            return false;
        gDatabase = &db;
        LoadLookupTables();
        return true;
    }

    // A message or a changed log means the run measured something other than a plain
    // start over an existing log.
    bool checkQuiet(const QString& figure)
    {
        for (const QString& m : m_ui.messages)
            std::fprintf(stderr, "%s: unexpected message: %s\n", qPrintable(figure), m.toUtf8().constData());
        const bool quiet = m_ui.messages.isEmpty() && !gModified;
        if (gModified)
            std::fprintf(stderr, "%s: the log was changed\n", qPrintable(figure));
        m_ui.messages.clear();
        return quiet;
    }

    BenchUi& m_ui;
    QString m_log;
    StartupPaths m_paths;
};

// A settings file like one a previous run leaves behind, so start-up reads real values.
bool writeSettings(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Text)
        && f.write("[WINDOW]\nWIDTH=9600\nHEIGHT=7200\nTOOLBAR_VISIBLE=True\nSTATUSBAR_VISIBLE=True\n"
                   "COLUMN_1=900\nCOLUMN_2=3750\nCOLUMN_3=1200\nCOLUMN_4=1200\nCOLUMN_5=2100\n"
                   "[OPTION]\nPORT=1\n[PRINT]\nPAGE_TYPE=0\nPAGE_SEQ=0\n")
            > 0;
}

QtMessageHandler gPreviousHandler = nullptr;

// The offscreen platform warns about every shown window; the figures are what matter.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")) || message.contains(QLatin1String("support raise()")))
        return;
    if (gPreviousHandler)
        gPreviousHandler(type, context, message);
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: tidewriter-bench [--dives N] [--runs R] [--1mb-comment-only | --uddf-only]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    gPreviousHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tidewriter-bench"));
    BenchUi ui;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    Bench bench(dir, ui);
    SyntheticLogOptions logOptions;
    logOptions.dives = options->dives;
    QString error;
    if (!writeSettings(dir.filePath(QStringLiteral("tidewriter.ini")))
        || !CreateSyntheticLog(bench.logPath(), logOptions, &error)) {
        std::fprintf(stderr, "cannot create the synthetic log: %s\n", error.toUtf8().constData());
        return 1;
    }

    if (options->bigCommentOnly) {
        const std::optional<Bench::BigComment> big =
            bench.bigComment(options->runs.value_or(5), dir.filePath(QStringLiteral("one.csv")));
        if (!big)
            return 1;
        print(FigureLine(QStringLiteral("open_editor_1mb_comment"), big->open));
        print(FigureLine(QStringLiteral("save_record_1mb_comment"), big->save));
        print(FigureLine(QStringLiteral("export_csv_1mb_comment"), big->exportCsv));
        return 0;
    }

    // The two UDDF figures, on their own when only they are asked for.
    const auto uddfFigures = [&] {
        const QString uddf = dir.filePath(QStringLiteral("all.uddf"));
        const std::optional<std::vector<double>> uddfOut =
            bench.exportAll(QStringLiteral("export_uddf_all"), ExportUDDF, options->runs.value_or(3), uddf);
        if (!uddfOut)
            return false;
        print(FigureLine(QStringLiteral("export_uddf_all"), *uddfOut));
        const std::optional<std::vector<double>> uddfIn = bench.importUddfAll(options->runs.value_or(3), uddf, dir.path());
        if (!uddfIn)
            return false;
        print(FigureLine(QStringLiteral("import_uddf_all"), *uddfIn));
        return true;
    };
    if (options->uddfOnly)
        return uddfFigures() ? 0 : 1;

    std::vector<double> startups;
    for (int i = 0, runs = options->runs.value_or(10); i < runs; ++i) {
        const std::optional<double> ms = bench.startup();
        if (!ms)
            return 1;
        startups.push_back(*ms);
    }
    print(FigureLine(QStringLiteral("startup"), startups));

    const std::optional<std::vector<double>> refreshes = bench.refreshList(options->runs.value_or(20));
    if (!refreshes)
        return 1;
    print(FigureLine(QStringLiteral("refresh_list"), *refreshes));

    const std::optional<std::vector<double>> opens = bench.openRecord(options->runs.value_or(50));
    if (!opens)
        return 1;
    print(FigureLine(QStringLiteral("open_record"), *opens));

    const std::optional<std::vector<double>> editors = bench.openEditor(options->runs.value_or(20));
    if (!editors)
        return 1;
    print(FigureLine(QStringLiteral("open_editor"), *editors));

    const std::optional<std::vector<double>> saves = bench.saveRecord(options->runs.value_or(20));
    if (!saves)
        return 1;
    print(FigureLine(QStringLiteral("save_record"), *saves));

    const std::optional<std::vector<double>> exports =
        bench.exportAll(QStringLiteral("export_csv_all"), ExportCSV, options->runs.value_or(5),
                        dir.filePath(QStringLiteral("all.csv")));
    if (!exports)
        return 1;
    print(FigureLine(QStringLiteral("export_csv_all"), *exports));
    const std::optional<std::vector<double>> dumps =
        bench.sqliteDumpCsv(options->runs.value_or(5), dir.filePath(QStringLiteral("dump.csv")));
    if (!dumps)
        return 1;
    print(FigureLine(QStringLiteral("sqlite_dump_csv"), *dumps));
    print(QStringLiteral("export_csv_ratio: %1").arg(QString::number(Median(*exports) / Median(*dumps), 'f', 1)));
    const std::optional<std::vector<double>> pages =
        bench.exportHtmlAll(options->runs.value_or(3), dir.filePath(QStringLiteral("all.html")));
    if (!pages)
        return 1;
    print(FigureLine(QStringLiteral("export_html_all"), *pages));
    print(QStringLiteral("export_html_per_dive: %1 ms").arg(QString::number(Median(*pages) / options->dives, 'f', 2)));
    if (!uddfFigures())
        return 1;
    qint64 pdfBytes = 0;
    const std::optional<std::vector<double>> printed =
        bench.printPdfAll(options->runs.value_or(3), dir.filePath(QStringLiteral("all.pdf")), &pdfBytes);
    if (!printed)
        return 1;
    const int printedPages = std::min(options->dives, Bench::kPrintedDives);
    print(FigureLine(QStringLiteral("print_pdf_all"), *printed));
    print(QStringLiteral("print_pdf_per_page: %1 ms (%2 pages/s, %3 pages, PDF %4 MB)")
              .arg(QString::number(Median(*printed) / printedPages, 'f', 2))
              .arg(QString::number(printedPages * 1000.0 / Median(*printed), 'f', 0))
              .arg(printedPages)
              .arg(QString::number(pdfBytes / 1048576.0, 'f', 1)));

    // The 1 MB comment runs in a process of its own, so that its megabytes do not stand in
    // the peak memory of the ordinary work.
    QProcess child;
    QStringList childArgs{QStringLiteral("--1mb-comment-only"), QStringLiteral("--dives"), QString::number(options->dives)};
    if (options->runs)
        childArgs << QStringLiteral("--runs") << QString::number(*options->runs);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), childArgs);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return 1;
    std::fputs(child.readAllStandardOutput().constData(), stdout);

    print(PeakMemoryLine());
    return 0;
}
