// Windows on a small screen (1024 × 768, from small-screen.json): the rules that pull a frame
// into the screen and cascade windows of one kind, and the program's windows as they open.
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "ScreenFit.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmAbout.h"
#include "frmChart.h"
#include "frmHATrance.h"
#include "frmInputDepth.h"
#include "frmLogList.h"
#include "frmOption.h"
#include "frmPrintOption.h"
#include "frmProfCalc.h"
#include "frmRecord.h"

#include <QtTest>
#include <QtWidgets>
#include <memory>

namespace {
const QRect kScreen(0, 0, 1024, 768);

QString text(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool onScreen(const QWidget* w)
{
    return kScreen.contains(w->frameGeometry());
}
}  // namespace

class tst_screenfit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), kScreen); }

    // A frame and the screen less its panels: where the frame is put.
    void fitInside_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("fitted");
        QTest::newRow("fits: left alone") << QRect(100, 100, 400, 300) << kScreen << QRect(100, 100, 400, 300);
        QTest::newRow("below the bottom") << QRect(100, 600, 640, 480) << kScreen << QRect(100, 288, 640, 480);
        QTest::newRow("past the right edge") << QRect(800, 10, 400, 300) << kScreen << QRect(624, 10, 400, 300);
        QTest::newRow("under a top panel") << QRect(-50, 0, 400, 300) << QRect(0, 30, 1024, 738) << QRect(0, 30, 400, 300);
        QTest::newRow("larger than the screen") << QRect(50, 50, 1200, 900) << kScreen << kScreen;
        QTest::newRow("second screen") << QRect(2000, 700, 400, 300) << QRect(1024, 0, 1280, 1024)
                                       << QRect(1904, 700, 400, 300);
    }
    void fitInside()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, area);
        QFETCH(QRect, fitted);
        QCOMPARE(text(FitInside(frame, area)), text(fitted));
    }

    // The previous window and the next one's size: where the next one opens (24 px steps).
    void cascade_data()
    {
        QTest::addColumn<QRect>("previous");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("next");
        QTest::newRow("a step down and right") << QRect(100, 100, 600, 500) << QSize(600, 500) << QRect(124, 124, 600, 500);
        QTest::newRow("last step that fits") << QRect(400, 244, 600, 500) << QSize(600, 500) << QRect(424, 268, 600, 500);
        QTest::newRow("off the bottom: corner") << QRect(400, 245, 600, 500) << QSize(600, 500) << QRect(0, 0, 600, 500);
        QTest::newRow("as large as the screen") << kScreen << QSize(1100, 800) << kScreen;
    }
    void cascade()
    {
        QFETCH(QRect, previous);
        QFETCH(QSize, size);
        QFETCH(QRect, next);
        QCOMPARE(text(Cascade(previous, size, kScreen, 24)), text(next));
    }

    // The list window with a saved size beyond the screen, three editors opened at once, the
    // last one's chart, and each dialog: all inside the screen, the editors one below another.
    void windowsOpenOnScreen()
    {
        ScriptedUi ui;
        TestLog t;
        QList<qint64> ids;
        for (int i = 0; i < 3; ++i)
            ids << t.addDive(QStringLiteral("2024-07-1%1").arg(i), "10:00", "10:45", 18.5, "Okinawa", 1);
        t.close();
        ResetGlobals();
        const QString ini = t.path("tidewriter.ini");
        QVERIFY(IniFile::write(ini, "WINDOW", "WIDTH", "30000"));
        QVERIFY(IniFile::write(ini, "WINDOW", "HEIGHT", "18000"));
        Program program;
        QCOMPARE(program.start({t.logPath()}, {t.path("default.db"), ini, t.path("run.lock")}), -1);
        frmLogList* list = program.listWindow();
        QVERIFY(QTest::qWaitForWindowExposed(list));
        QVERIFY2(onScreen(list), qPrintable(text(list->frameGeometry())));

        QList<frmRecord*> editors;
        for (qint64 id : ids) {
            list->OpenRecordWindow(id);
            editors << list->editorOf(id);
            QVERIFY(QTest::qWaitForWindowExposed(editors.last()));
            QVERIFY2(onScreen(editors.last()), qPrintable(text(editors.last()->frameGeometry())));
        }
        for (int i = 1; i < editors.size(); ++i) {
            const QPoint step = editors[i]->pos() - editors[i - 1]->pos();
            QVERIFY2(step.x() > 0 && step.y() > 0, qPrintable(text(editors[i]->frameGeometry())));
        }

        // The chart opens beside its dive's editor, just below its title.
        frmRecord* last = editors.last();
        last->move(300, 250);
        last->findChild<QPushButton*>("cmdZoom")->click();
        frmChart* chart = last->chartWindow();
        QVERIFY(chart && QTest::qWaitForWindowExposed(chart));
        const QPoint step = chart->pos() - last->pos();
        QVERIFY2(onScreen(chart) && step.x() > 0 && step.y() > 0, qPrintable(text(chart->frameGeometry())));

        const std::function<QDialog*()> dialogs[] = {
            [list] { return new frmOption(list); },      [list] { return new frmPrintOption(list); },
            [list] { return new frmProfCalc(list); },    [list] { return new frmInputDepth(list); },
            [list] { return new frmHATrance(list); },    [list] { return new frmAbout(list); }};
        for (const auto& make : dialogs) {
            std::unique_ptr<QDialog> d(make());
            d->show();
            QVERIFY(QTest::qWaitForWindowExposed(d.get()));
            QVERIFY2(onScreen(d.get()), qPrintable(d->objectName() + ' ' + text(d->frameGeometry())));
        }
    }
};

QTEST_MAIN(tst_screenfit)
#include "tst_screenfit.moc"
