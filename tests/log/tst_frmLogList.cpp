// The dive list window, its record commands and what a whole run (start-up to exit) leaves behind.
#include "ByteLine.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QtTest>

namespace {
QTreeView* listView(const QWidget& w) { return w.findChild<QTreeView*>(QStringLiteral("lvwLogList")); }

QAction* action(const QWidget& w, const QString& name) { return w.findChild<QAction*>(name); }

QStringList columnTexts(const frmLogList& w, int column)
{
    QStringList texts;
    for (int r = 0; r < w.model()->rowCount(); ++r)
        texts << w.model()->index(r, column).data().toString();
    return texts;
}

void selectLocations(const frmLogList& w, const QStringList& locations)
{
    for (const QString& location : locations)
        listView(w)->selectionModel()->select(
            w.model()->index(int(columnTexts(w, DiveListModel::ColLocation).indexOf(location)), 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Dives named "0", "1", ... of 40 minutes each, on consecutive days from 2000-01-01.
void addDives(TestLog& t, int count)
{
    t.db().beginTrans();
    for (int i = 0; i < count; ++i)
        t.addDive(QDate(2000, 1, 1).addDays(i).toString(Qt::ISODate), "10:00", "10:40", {}, QString::number(i));
    t.db().commitTrans();
}

// A fresh process's run of the test's log.
std::unique_ptr<Program> startProgram(TestLog& t, int* status)
{
    ResetGlobals();
    auto program = std::make_unique<Program>();
    *status = program->start({t.logPath()}, {t.path("default.db"), t.path("tidewriter.ini"), t.path("run.lock")});
    return program;
}

// The messages shown since the last call, as "caption: text".
QStringList takeMessages(ScriptedUi& ui)
{
    QStringList shown;
    for (const ShownMessage& m : std::exchange(ui.messages, {}))
        shown << m.caption + ": " + m.text;
    return shown;
}

QStringList panels(const frmLogList& w) { return {w.panelText(1), w.panelText(2), w.panelText(3)}; }

// A dive computer that never answers; its waits let events run as the real line's do, and
// the first one runs `first`.
struct SilentLine : ByteLine {
    explicit SilentLine(std::function<void()> f) : first(std::move(f)) {}
    bool open(QString*) override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool writeByte(quint8) override { return true; }
    qint64 bytesWaiting() override { return 0; }
    QByteArray readAll() override { return {}; }
    void wait(int) override
    {
        if (first)
            std::exchange(first, {})();
        QCoreApplication::processEvents();
    }
    std::function<void()> first;
    bool opened = false;
};
}  // namespace

class tst_frmLogList : public QObject {
    Q_OBJECT
private slots:
    // Numbering, filter, totals and heading sort are the list's own; here they must reach the window.
    void listingSortAndCommandStates()
    {
        ScriptedUi ui;
        TestLog t;
        frmLogList w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(panels(w), QStringList({"選択 : 0 個", "本数 : 0 本", "潜水時間 : 0時間0分"}));
        // Inserted out of order; numbers 8 to 11, so sorting by the No. text would put 10 before 8.
        for (const auto& [day, depth] : {std::pair{"02", 25.0}, {"04", 12.0}, {"01", 7.0}, {"03", 18.5}})
            t.addDive(QStringLiteral("2023-05-%1").arg(day), "10:00", "10:40", depth, day);
        QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = 7, time_offset = 100"));
        LoadLookupTables();
        action(w, "mnuViewRefresh")->trigger();
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"04", "03", "02", "01"}));
        QCOMPARE(columnTexts(w, DiveListModel::ColNo), QStringList({"11", "10", "9", "8"}));
        QCOMPARE(panels(w), QStringList({"選択 : 0 個", "本数 : 4 本", "潜水時間 : 4時間20分"}));  // 100 + 4 × 40 min
        for (bool any : {false, true}) {
            if (any)
                action(w, "mnuRecSelectAll")->trigger();
            QCOMPARE(w.panelText(1), QStringLiteral("選択 : %1 個").arg(any ? 4 : 0));
            // Printing, HTML export and page options still wait for their windows.
            const struct { const char *menu, *button; bool enabled; } commands[] = {
                {"mnuRecOpen", "open", any}, {"mnuRecDelete", "delete", any}, {"mnuRecExportCSV", "csv", any},
                {"mnuRecPrint", "print", false}, {"mnuRecExport", "export", false}, {"mnuToolHATrance", "ha", true},
                {"mnuToolPageOption", nullptr, false}, {"mnuRecNew", "new", true}, {"mnuRecClone", "clone", true},
                {"mnuToolCalc", "calc", true}, {"mnuToolOption", "option", true}};
            for (const auto& c : commands) {
                QVERIFY2(action(w, c.menu)->isVisible() && action(w, c.menu)->isEnabled() == c.enabled, c.menu);
                QVERIFY2(!c.button || w.toolButton(c.button)->isEnabled() == c.enabled, c.menu);
            }
        }
        QHeaderView* header = listView(w)->header();
        const QPoint noHeading(header->sectionViewportPosition(DiveListModel::ColNo) + 5, header->height() / 2);
        listView(w)->selectionModel()->clearSelection();
        selectLocations(w, {"04", "02"});
        listView(w)->selectionModel()->setCurrentIndex(w.model()->index(2, 0), QItemSelectionModel::NoUpdate);  // "02"
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, noHeading);
        QCOMPARE(columnTexts(w, DiveListModel::ColNo), QStringList({"8", "9", "10", "11"}));
        // The selected dives and the current one stay so, in their new places.
        QStringList selected;
        for (const QString& key : w.selection())
            selected << w.model()->cellText(w.model()->rowOfId(KeyToId(key)), DiveListModel::ColLocation);
        QCOMPARE(selected, QStringList({"02", "04"}));
        QCOMPARE(listView(w)->currentIndex().siblingAtColumn(DiveListModel::ColLocation).data().toString(), "02");
        w.findChild<QComboBox*>(QStringLiteral("cboSpDive"))->setCurrentIndex(2);  // deeper than 18 m
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"02", "03"}));
        QCOMPARE(panels(w).mid(1), QStringList({"本数 : 2 本", "潜水時間 : 3時間0分"}));
    }

    // The rows and backups are the operations' own (tst_logoperations); here the commands
    // reach them, the list follows and the milestone counts the log's own dives.
    void newCloneAndMilestone_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("clone");     // dives "0" and "1", else a new one
        QTest::addColumn<QString>("title");  // empty: no dialog
        QTest::newRow("new 50th") << 49 << false << "50本達成おめでとうございます";
        QTest::newRow("cloned 199th and 200th") << 198 << true << "200本達成おめでとうございます";
        QTest::newRow("150 is no milestone") << 149 << false << "";
    }

    void newCloneAndMilestone()
    {
        QFETCH(int, existing);
        QFETCH(bool, clone);
        QFETCH(QString, title);
        ScriptedUi ui;
        QStringList titles;
        ui.onDialog = [&](QObject* d) { titles << d->objectName() + ": " + d->findChild<QLabel*>("lblTitle")->text(); };
        TestLog t;
        addDives(t, existing);
        QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = 20"));
        LoadLookupTables();
        frmLogList w;
        selectLocations(w, {"0", "1"});
        action(w, clone ? "mnuRecClone" : "mnuRecNew")->trigger();
        QCOMPARE(w.model()->rowCount(), existing + (clone ? 2 : 1));
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation).count("1"), clone ? 2 : 1);
        QCOMPARE(titles, title.isEmpty() ? QStringList() : QStringList{"frmMemorial: " + title});
    }

    // The question names the dive as the list shows it; a deleted dive's editor closes.
    void deleteClosesEditor()
    {
        ScriptedUi ui;
        ui.answers << MsgResult::Yes;
        TestLog t;
        addDives(t, 3);
        frmLogList w;
        selectLocations(w, {"1"});
        const qint64 id = KeyToId(w.selection().value(0));
        w.OpenRecordWindow(id);
        QVERIFY(w.editorOf(id));
        action(w, "mnuRecDelete")->trigger();
        QCOMPARE(takeMessages(ui), QStringList{"レコード削除の確認: No.2 2000/01/02 10:00 \n1\n\nこのレコードを削除してもよろしいですか?"});
        QVERIFY(!w.editorOf(id));
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"2", "0"}));
    }

    void runLeavesSettingsAndFiles_data()
    {
        QTest::addColumn<bool>("maximise");  // else resized
        QTest::addColumn<bool>("deletes");
        QTest::addColumn<QStringList>("bar");  // the command that hides it, the bar, its setting
        const QStringList toolbar{"mnuViewTool", "cbrCoolBar", "TOOLBAR_VISIBLE"};
        QTest::newRow("toolbar hidden, reading only") << false << false << toolbar;
        QTest::newRow("maximised, status bar hidden, deletion")
            << true << true << QStringList{"mnuViewStatus", "stsStatus", "STATUSBAR_VISIBLE"};
    }

    void runLeavesSettingsAndFiles()
    {
        QFETCH(bool, maximise);
        QFETCH(bool, deletes);
        QFETCH(QStringList, bar);
        ScriptedUi ui;
        ui.answers << MsgResult::Yes;
        TestLog t;
        addDives(t, 3);
        t.close();
        const QByteArray before = ReadFileBytes(t.logPath());
        const QString ini = t.path("tidewriter.ini");
        for (const auto& [k, value] : {std::pair{"WIDTH", "9150"}, {"HEIGHT", "6150"}, {"COLUMN_2", "3000"}})
            IniFile::write(ini, "WINDOW", k, value);  // twips, 15 to a pixel
        int status = 0;
        auto program = startProgram(t, &status);
        QCOMPARE(status, -1);
        frmLogList* w = program->listWindow();
        const QSize kept = maximise ? QSize(610, 410) : QSize(800, 600);  // a maximised window keeps the old size
        maximise ? w->showMaximized() : w->resize(kept);
        QVERIFY(QTest::qWaitFor([&] { return maximise ? w->isMaximized() && w->width() > 610 : w->size() == kept; }));
        listView(*w)->setColumnWidth(DiveListModel::ColLocation, 123);
        action(*w, bar[0])->trigger();
        selectLocations(*w, {"0"});
        if (deletes)
            action(*w, "mnuRecDelete")->trigger();
        w->close();  // the shutdown writes the settings and compacts a changed log
        program.reset();
        QCOMPARE(IniFile::read(ini, "WINDOW", "WIDTH", QString()), QString::number(kept.width() * 15));
        QCOMPARE(IniFile::read(ini, "WINDOW", bar[2], QString()), QStringLiteral("False"));
        // Only a changed log is backed up and compacted at exit (the steps: tst_startup).
        QCOMPARE(std::pair(QFileInfo::exists(t.logPath() + ".bak"), ReadFileBytes(t.logPath()) == before), std::pair(deletes, !deletes));

        program = startProgram(t, &status);
        w = program->listWindow();
        QCOMPARE(w->size(), kept);
        QCOMPARE(listView(*w)->columnWidth(DiveListModel::ColLocation), 123);
        QCOMPARE(w->model()->rowCount(), deletes ? 2 : 3);
        for (bool shown : {false, true}) {  // hidden after the restart; the command shows it again
            QCOMPARE(w->findChild<QWidget*>(bar[1])->isHidden(), !shown);
            QCOMPARE(action(*w, bar[0])->isChecked(), shown);
            action(*w, bar[0])->trigger();
        }
        QCOMPARE(ui.messages.size(), deletes ? 1 : 0);  // the question, and no failure
    }

    void exportCsvCommand()
    {
        ScriptedUi ui;
        TestLog t;
        addDives(t, 4);
        frmLogList w;
        // With nothing selected the command is disabled; the handler still guards itself.
        QVERIFY(QMetaObject::invokeMethod(&w, "mnuRecExportCSV_Click"));
        QCOMPARE(takeMessages(ui), QStringList{"CSV出力: 出力するレコードを選択してください（複数選択可）"});

        selectLocations(w, {"3", "1"});
        action(w, "mnuRecExportCSV")->trigger();  // Cancel ends the command silently
        QVERIFY(ui.saveDialogs.size() == 1 && ui.messages.isEmpty() && QDir(t.dir.path()).entryList({"*.csv"}).isEmpty());
        const QString file = ui.saveAnswer = t.path("out.csv");
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(takeMessages(ui), QStringList{"正常終了: 出力完了しました"});
        QVERIFY(ReadFileBytes(file).contains("\r\n4,"));  // dive "3" under its list number

        // An existing file is kept unless the user says Yes; the dialog offers the last name.
        WriteFileBytes(file, "keep me");
        ui.answers = {MsgResult::No};
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(ui.saveDialogs.last().last(), file);
        QCOMPARE(takeMessages(ui), QStringList{"確認: " + file + "ファイルは既に存在します。\n上書きしますか?"});
        QCOMPARE(ReadFileBytes(file), QByteArray("keep me"));
        ui.saveAnswer = t.path("no/such/folder/out.csv");  // the reasons are tst_csv's
        action(w, "mnuRecExportCSV")->trigger();
        QVERIFY(takeMessages(ui).value(0).startsWith("エラー: 出力途中でエラーが発生しました\nファイル "));
        // The log is refused before the overwrite question a Yes would answer.
        const QByteArray logBefore = ReadFileBytes(t.logPath());
        ui.saveAnswer = t.logPath();
        ui.answers = {MsgResult::Yes};
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(takeMessages(ui), QStringList{"エラー: ファイル " + t.logPath()
                                               + " はデータベースファイルまたはその関連ファイルなので、出力先にできません。"
                                                 "別のファイル名を指定してください。"});
        QCOMPARE(ReadFileBytes(t.logPath()), logBefore);
    }

    // Leaving the program while a job runs beside the list (its dialog is not modal) cancels the
    // job as its Cancel button would; the exit waits until the job has unwound, and the
    // program's event loop then ends.
    void exitDuringJob_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("transfer") << "mnuToolHATrance" << QStringList{"中断: 転送を中断しました"};
        QTest::newRow("CSV export") << "mnuRecExportCSV"
                                    << QStringList{"Tidewriter: 出力を中断します", "正常終了: 出力完了しました"};
    }

    void exitDuringJob()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, messages);
        ScriptedUi ui;
        TestLog t;
        addDives(t, 3);
        t.close();
        int status = 0;
        auto program = startProgram(t, &status);
        frmLogList* w = program->listWindow();
        listView(*w)->selectAll();
        ui.saveAnswer = t.path("out.csv");
        bool closeDeferred = false;
        int turnsAfter = -1;  // turns of the event loop since the command returned
        const auto closeList = [&] {
            w->close();
            closeDeferred = w->isVisible() && gDatabase != nullptr;  // nothing shut down yet
        };
        // The transfer is closed from within its waits, the export as soon as it lets events run.
        w->setLineFactory([&] { return std::make_unique<SilentLine>(closeList); });
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                if (command == "mnuRecExportCSV")
                    QMetaObject::invokeMethod(w, closeList, Qt::QueuedConnection);
                action(*w, command)->trigger();
                turnsAfter = 0;
            },
            Qt::QueuedConnection);
        // The loop still turning long after the command is the process left behind without a window.
        QTimer turns;
        connect(&turns, &QTimer::timeout, this, [&] {
            if (turnsAfter >= 0 && ++turnsAfter > 100)
                QCoreApplication::exit(1);
        });
        turns.start(0);
        const int exitStatus = QCoreApplication::exec();
        QCOMPARE(exitStatus, 0);
        QVERIFY(closeDeferred);
        QStringList shown = takeMessages(ui);
        if (command == "mnuToolHATrance")
            shown.removeFirst();  // the opening question
        QCOMPARE(shown, messages);
        QVERIFY(!w->isVisible());
        QVERIFY(!IniFile::read(t.path("tidewriter.ini"), "WINDOW", "COLUMN_1", QString()).isEmpty());
        program.reset();
        t.open();
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3);
    }

};

QTEST_MAIN(tst_frmLogList)
#include "tst_frmLogList.moc"
