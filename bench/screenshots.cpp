// tidewriter-screenshots OUTDIR: the program's windows on a small synthetic log, saved as
// PNG files for the README, so the pictures always show the current build.
#include "BenchUi.h"
#include "Globals.h"
#include "Main.h"
#include "SyntheticLog.h"
#include "ProfileChart.h"
#include "frmLogList.h"
#include "frmProfCalc.h"
#include "frmHATrance.h"
#include "frmOption.h"
#include "frmPrintOption.h"
#include "frmRecord.h"
#include "modLogPrint.h"
#include "DiveTexts.h"
#include "PainterSurface.h"

#include <QPainter>
#include <QTabWidget>

#include <QLineEdit>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTranslator>
#include <cstdio>

namespace {
bool save(QWidget* w, const QString& file)
{
    std::printf("%s\n", qPrintable(file));
    return w->grab().save(file);
}

void setText(QWidget* window, const char* name, const QString& text)
{
    if (auto* box = window->findChild<QLineEdit*>(QString::fromLatin1(name)))
        box->setText(text);
}
}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::unique_ptr<QTranslator> qtTexts = InstallQtTranslation();
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
    bool ok = save(list, out.filePath(QStringLiteral("list-window.png")));

    // The record window of the newest dive, on its dive data and graph tabs.
    frmRecord record;
    record.OpenRec(list->model()->row(0).id, list->model()->row(0).number);
    record.show();
    auto* tabs = record.findChild<QTabWidget*>(QStringLiteral("tabInfo"));
    const char* const shots[] = {"record-comment.png", "record-conditions.png", "record-equipment.png",
                                 "record-dive-data.png", "record-graph.png", "record-files.png"};
    for (int i = 0; tabs && i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        ok = save(&record, out.filePath(QString::fromLatin1(shots[i]))) && ok;
    }
    record.close();

    // The options, each of its tabs.
    frmOption optionWindow(list);
    optionWindow.show();
    if (auto* optionTabs = optionWindow.findChild<QTabWidget*>()) {
        for (int i = 0; i < optionTabs->count(); ++i) {
            optionTabs->setCurrentIndex(i);
            QApplication::processEvents();
            ok = save(&optionWindow, out.filePath(QStringLiteral("options-%1.png").arg(i + 1))) && ok;
        }
    }
    optionWindow.close();

    // The page setup as a new settings file gives it.
    frmPrintOption pageSetup(list);
    pageSetup.show();
    QApplication::processEvents();
    ok = save(&pageSetup, out.filePath(QStringLiteral("page-setup.png"))) && ok;
    pageSetup.close();

    // The newest dive with a comment printed on each page type, on A5 paper at 150 dpi with
    // the default margins of a right-hand page, as the command line's PDF has it.
    ExportItem newest{list->model()->row(0).id, list->model()->row(0).number};
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        DiveTexts dive;
        if (dive.load(list->model()->row(row).id, 1) && !dive.text(DiveTexts::Field::txtComment).isEmpty()) {
            newest = {list->model()->row(row).id, list->model()->row(row).number};
            break;
        }
    }
    for (const auto& [type, name] : {std::pair{0L, "print-organizer.png"}, std::pair{1L, "print-a5.png"}}) {
        gPageType = type;
        LogPrintJob job;
        QString error;
        const QSizeF paper = DefaultPdfPageLayout(job.setup()).fullRect(QPageLayout::Inch).size() * 150;
        QImage page(paper.toSize(), QImage::Format_RGB32);
        page.fill(Qt::white);
        page.setDotsPerMeterX(qRound(150 / 0.0254));
        page.setDotsPerMeterY(qRound(150 / 0.0254));
        bool printed = job.prepare(ChosenItems({newest}), &error);
        if (printed) {
            PainterSurface surface(&page, 150);
            printed = job.print(surface, nullptr, &error) == PrintResult::Done;
        }
        if (!printed)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        QPainter edge(&page);
        edge.setPen(Qt::gray);
        edge.drawRect(page.rect().adjusted(0, 0, -1, -1));
        edge.end();
        std::printf("%s\n", qPrintable(out.filePath(QString::fromLatin1(name))));
        ok = printed && page.save(out.filePath(QString::fromLatin1(name))) && ok;
    }
    gPageType = 0;

    // The transfer window as it starts.
    frmHATrance transfer(list);
    transfer.show();
    QApplication::processEvents();
    ok = save(&transfer, out.filePath(QStringLiteral("transfer.png"))) && ok;
    transfer.close();

    // The calculator with a first dive to 18 m and an hour at the surface.
    frmProfCalc calc(list);
    calc.show();
    setText(&calc, "txt1Depth", QStringLiteral("18"));
    setText(&calc, "txtSI", QStringLiteral("01:00"));
    setText(&calc, "txt2Depth", QStringLiteral("12"));
    setText(&calc, "txt2UWTime", QStringLiteral("30"));
    QApplication::processEvents();
    ok = save(&calc, out.filePath(QStringLiteral("calculator.png"))) && ok;

    // The enlarged profile of one dive with both series.
    const QList<float> depths = {3, 8, 14, 18.5f, 18, 16, 15, 12, 12.5f, 10, 8, 6, 5, 5, 3};
    const QList<float> temps = {24, 23.5f, 22, 20.5f, 20.5f, 21, 21, 22, 22, 22.5f, 23, 23.5f, 24, 24, 24};
    const QString chart = out.filePath(QStringLiteral("profile-chart.png"));
    ok = RenderChart(QSize(640, 440), 48, depths, temps).save(chart) && ok;
    std::printf("%s\n", qPrintable(chart));
    return ok ? 0 : 1;
}
