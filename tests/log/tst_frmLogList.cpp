// The dive list window: listing, filter and totals, the record commands and their effect
// on the log, and what a whole run (start-up to exit) leaves behind.
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "frmProgress.h"
#include "modSupport.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

Q_DECLARE_METATYPE(MsgResult)

namespace {
QTreeView* listView(const QWidget& w)
{
    return w.findChild<QTreeView*>(QStringLiteral("lvwLogList"));
}

QAction* action(const QWidget& w, const char* name)
{
    QAction* a = w.findChild<QAction*>(QString::fromLatin1(name));
    if (!a)
        qFatal("no action %s", name);
    return a;
}

QStringList columnTexts(const frmLogList& w, int column)
{
    QStringList texts;
    for (int r = 0; r < w.model()->rowCount(); ++r)
        texts << w.model()->index(r, column).data().toString();
    return texts;
}

void selectLocations(const frmLogList& w, const QStringList& locations)
{
    QItemSelectionModel* s = listView(w)->selectionModel();
    s->clearSelection();
    for (const QString& location : locations) {
        const int row = int(columnTexts(w, DiveListModel::ColLocation).indexOf(location));
        s->select(w.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void addDives(TestLog& t, int count)
{
    t.db().beginTrans();
    for (int i = 0; i < count; ++i)
        t.addDive(QDate(2000, 1, 1).addDays(i).toString(Qt::ISODate), "10:00", "10:40", {}, QString::number(i));
    t.db().commitTrans();
}

void setOffsets(TestLog& t, int noOffset, int timeOffset)
{
    QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = ?, time_offset = ?", {noOffset, timeOffset}));
    LoadLookupTables();
}

// A run starts from a fresh process's state, unless it stands for a second process
// started while another run is still going (whose state must stay as it is).
std::unique_ptr<Program> startProgram(TestLog& t, int* status, bool fresh = true, QString log = {})
{
    if (fresh)
        ResetGlobals();
    auto program = std::make_unique<Program>();
    const StartupPaths paths{t.path("default.db"), t.path("tidewriter.ini"), t.path("run.lock")};
    *status = program->start({log.isEmpty() ? t.logPath() : log}, paths);
    return program;
}

QString iniValue(TestLog& t, const QString& key)
{
    return IniFile::read(t.path("tidewriter.ini"), "WINDOW", key, QString());
}
}  // namespace

class tst_frmLogList : public QObject {
    Q_OBJECT
private slots:
    void initialPanels()
    {
        ScriptedUi ui;
        TestLog t(false);
        frmLogList w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Tidewriter"));
        QCOMPARE(w.panelText(1), QStringLiteral("選択 : 0 個"));
        QCOMPARE(w.panelText(2), QStringLiteral("本数 : 0 本"));
        QCOMPARE(w.panelText(3), QStringLiteral("潜水時間 : 0時間0分"));
    }

    void listing_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("filterText");
        QTest::addColumn<QStringList>("locations");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QStringList>("depths");
        QTest::addColumn<QString>("firstDate");
        QTest::addColumn<QString>("countPanel");
        QTest::addColumn<QString>("timePanel");
        // 100 offset minutes + 30 + 45 (past midnight) + 31 + 50 + 40; a dive without an exit
        // time adds nothing.
        QTest::newRow("all") << 0 << "すべて" << QStringList{"Deep", "NoTimes", "Midnight", "Almost", "Night", "Ose"}
                             << QStringList{"36", "35", "34", "33", "32", "31"}
                             << QStringList{"18.5m", "", "18.0m", "25.0m", "12.0m", "07.0m"} << "2023/05/04 10:00"
                             << "本数 : 6 本" << "潜水時間 : 4時間56分";
        QTest::newRow("night from 18:00") << 1 << "ナイト(18:00+)" << QStringList{"Midnight", "Night"}
                                          << QStringList{"34", "32"} << QStringList{"18.0m", "12.0m"}
                                          << "2023/05/03 23:40" << "本数 : 2 本" << "潜水時間 : 3時間15分";
        QTest::newRow("deeper than 18 m") << 2 << "ディープ(18m+)" << QStringList{"Deep", "Almost"}
                                          << QStringList{"36", "33"} << QStringList{"18.5m", "25.0m"}
                                          << "2023/05/04 10:00" << "本数 : 2 本" << "潜水時間 : 2時間41分";
    }

    void listing()
    {
        QFETCH(int, filter);
        QFETCH(QString, filterText);
        QFETCH(QStringList, locations);
        QFETCH(QStringList, numbers);
        QFETCH(QStringList, depths);
        QFETCH(QString, firstDate);
        QFETCH(QString, countPanel);
        QFETCH(QString, timePanel);
        ScriptedUi ui;
        TestLog t;
        // Inserted out of order so that only the list's own ordering can put them right.
        t.addDive("2023-05-02", "17:59", "18:30", 25.0, "Almost");
        t.addDive("2023-05-04", "10:00", "10:30", 18.5, "Deep");
        t.addDive("2023-05-01", "09:00", "09:40", 7.0, "Ose");
        t.addDive("2023-05-03", "23:40", "00:25", 18.0, "Midnight");
        t.addDive("2023-05-04", "08:00", "", {}, "NoTimes");
        t.addDive("2023-05-01", "18:00", "18:50", 12.0, "Night");
        setOffsets(t, 30, 100);

        frmLogList w;
        auto* combo = w.findChild<QComboBox*>(QStringLiteral("cboSpDive"));
        QCOMPARE(combo->itemText(filter), filterText);
        combo->setCurrentIndex(filter);
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), locations);
        QCOMPARE(columnTexts(w, DiveListModel::ColNo), numbers);
        QCOMPARE(columnTexts(w, DiveListModel::ColDepth), depths);
        QCOMPARE(columnTexts(w, DiveListModel::ColDate).value(0), firstDate);
        QCOMPARE(w.panelText(2), countPanel);
        QCOMPARE(w.panelText(3), timePanel);
    }

    void countPanelGroupsThousands()
    {
        ScriptedUi ui;
        TestLog t;
        addDives(t, 1234);
        frmLogList w;
        QCOMPARE(w.panelText(2), QStringLiteral("本数 : 1,234 本"));
    }

    void headingClickSortsByDate()
    {
        ScriptedUi ui;
        TestLog t;
        // Numbers 8 to 11: sorting by the No. text itself would put 10 and 11 before 8.
        for (const char* day : {"02", "04", "01", "03"})
            t.addDive(QStringLiteral("2023-05-%1").arg(day), "10:00", "10:40", {}, day);
        setOffsets(t, 7, 0);
        frmLogList w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QHeaderView* header = listView(w)->header();
        const QPoint noHeading(header->sectionViewportPosition(DiveListModel::ColNo) + 5, header->height() / 2);

        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, noHeading);
        QCOMPARE(columnTexts(w, DiveListModel::ColNo), QStringList({"8", "9", "10", "11"}));
        // A new oldest dive must land in its sorted place after the refresh, not at the end.
        t.addDive("2023-04-30", "10:00", "10:40", {}, "30");
        action(w, "mnuViewRefresh")->trigger();
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"30", "01", "02", "03", "04"}));

        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, noHeading);
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"04", "03", "02", "01", "30"}));
        QCOMPARE(columnTexts(w, DiveListModel::ColNo), QStringList({"12", "11", "10", "9", "8"}));
    }

    void commandStates_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<QString>("selectionPanel");
        QTest::newRow("nothing selected") << QStringList{} << false << "選択 : 0 個";
        QTest::newRow("one selected") << QStringList{"1"} << false << "選択 : 1 個";
        QTest::newRow("select all") << QStringList{} << true << "選択 : 3 個";
    }

    void commandStates()
    {
        QFETCH(QStringList, selected);
        QFETCH(bool, selectAll);
        QFETCH(QString, selectionPanel);
        ScriptedUi ui;
        TestLog t;
        addDives(t, 3);
        frmLogList w;
        selectLocations(w, selected);
        if (selectAll)
            action(w, "mnuRecSelectAll")->trigger();
        QCOMPARE(w.panelText(1), selectionPanel);
        const bool any = !selected.isEmpty() || selectAll;
        QCOMPARE(w.selection().isEmpty(), !any);

        // Of the commands on a selection, printing and HTML export still wait for their windows.
        const std::pair<const char*, const char*> onSelection[] = {{"mnuRecOpen", "open"}, {"mnuRecDelete", "delete"},
                                                                   {"mnuRecPrint", "print"}, {"mnuRecExport", "export"},
                                                                   {"mnuRecExportCSV", "csv"}};
        for (const auto& [menu, button] : onSelection) {
            const bool expected = any && (qstrcmp(button, "delete") == 0 || qstrcmp(button, "csv") == 0
                                          || qstrcmp(button, "open") == 0);
            QVERIFY2(action(w, menu)->isEnabled() == expected, menu);
            QVERIFY2(w.toolButton(button)->isEnabled() == expected, button);
        }
        for (const auto& [menu, button] : {std::pair{"mnuRecNew", "new"}, std::pair{"mnuRecClone", "clone"},
                                           std::pair{"mnuToolOption", "option"}})
            QVERIFY2(action(w, menu)->isEnabled() && w.toolButton(button)->isEnabled(), menu);
        for (const char* menu : {"mnuToolHATrance", "mnuToolPageOption"})
            QVERIFY2(action(w, menu)->isVisible() && !action(w, menu)->isEnabled(), menu);
        for (const char* button : {"ha"})
            QVERIFY2(w.toolButton(button)->isVisible() && !w.toolButton(button)->isEnabled(), button);
    }

    void newRecord()
    {
        ScriptedUi ui;
        TestLog t;
        addDives(t, 2);
        const QString bak = t.logPath() + ".bak";
        WriteFileBytes(bak, "stale backup");
        const QByteArray before = ReadFileBytes(t.logPath());
        frmLogList w;

        action(w, "mnuRecNew")->trigger();
        QCOMPARE(ReadFileBytes(bak), before);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3);
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE dive_date = ?", {today}), 1);
        QCOMPARE(w.model()->rowCount(), 3);
        QCOMPARE(w.panelText(2), QStringLiteral("本数 : 3 本"));
        QVERIFY(ui.dialogs.isEmpty());
        QVERIFY(ui.messages.isEmpty());
    }

    void cloneRecords()
    {
        ScriptedUi ui;
        TestLog t;
        addDives(t, 3);
        // Each column gets a value of its own, so a column left out of the copy shows.
        QStringList columns;
        for (auto rs = t.db().query("PRAGMA table_info(LogTbl)"); !rs->eof(); rs->moveNext())
            if (rs->field("name").toString() != "id")
                columns << rs->field("name").toString();
        QVERIFY(columns.contains("create_time") && columns.contains("temp_transit"));
        for (int i = 0; i < columns.size(); ++i) {
            const QString& c = columns[i];
            if (c == "location" || c == "dive_date" || c == "in_time" || c == "out_time")
                continue;
            const QVariant value = c.endsWith("_time") ? QVariant(QStringLiteral("2001-02-03 04:05:%1").arg(i + 10))
                                                       : QVariant(i + 1);
            QVERIFY(t.db().execute(QStringLiteral("UPDATE LogTbl SET %1 = ? WHERE location <> '2'").arg(c), {value}));
        }
        QVERIFY(t.db().execute("INSERT INTO PictureTbl (dive_id, filename) SELECT id, 'a.jpg' FROM LogTbl"));
        const qlonglong lastId = t.scalar("SELECT Max(id) FROM LogTbl");
        frmLogList w;
        selectLocations(w, {"0", "1"});

        action(w, "mnuRecClone")->trigger();
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 5);
        QCOMPARE(w.model()->rowCount(), 5);
        const QString select =
            QStringLiteral("SELECT %1, id FROM LogTbl WHERE location = ? AND ").arg(columns.join(", "));
        for (const QString location : {"0", "1"}) {
            auto original = t.db().query(select + "id <= ?", {location, lastId});
            auto copy = t.db().query(select + "id > ?", {location, lastId});
            QCOMPARE(copy->recordCount(), 1);
            for (int i = 0; i < columns.size(); ++i)
                QVERIFY2(copy->field(i) == original->field(i), qPrintable(columns[i]));
            QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl WHERE dive_id = ?", {copy->field(columns.size())}), 0);
        }
        QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl"), 3);
        QVERIFY(QFileInfo::exists(t.logPath() + ".bak"));
    }

    void exportCsvCommand()
    {
        ScriptedUi ui;
        TestLog t;
        addDives(t, 4);
        frmLogList w;
        selectLocations(w, {});
        // With nothing selected the command is disabled; the handler still guards itself.
        QVERIFY(!action(w, "mnuRecExportCSV")->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(&w, "mnuRecExportCSV_Click"));
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("出力するレコードを選択してください（複数選択可）"));
        QCOMPARE(ui.messages[0].caption, QStringLiteral("CSV出力"));
        QVERIFY(ui.saveDialogs.isEmpty());

        selectLocations(w, {"3", "1"});
        const QString file = t.path("out.csv");
        ui.messages.clear();
        ui.saveAnswer.clear();  // Cancel ends the command silently
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(ui.saveDialogs.size(), 1);
        QCOMPARE(ui.saveDialogs[0], QStringList({"CSVファイル出力", "CSVファイル (*.csv);;テキストファイル (*.txt)", ""}));
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(!QFile::exists(file));

        ui.saveAnswer = file;
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("出力完了しました"));
        QCOMPARE(ui.messages[0].caption, QStringLiteral("正常終了"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Information);
        const QByteArray written = ReadFileBytes(file);

        // The same selection from the command line gives the same bytes.
        const qlonglong id3 = t.scalar("SELECT id FROM LogTbl WHERE location = '3'");
        const qlonglong id1 = t.scalar("SELECT id FROM LogTbl WHERE location = '1'");
        QProcess cli;
        cli.start(QCoreApplication::applicationDirPath() + "/../bin/tidewriter",
                  {"--export-csv", t.path("cli.csv"), "--ids", QStringLiteral("%1,%2").arg(id3).arg(id1), t.logPath()});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(ReadFileBytes(t.path("cli.csv")), written);

        // An existing file is kept unless the user says Yes; the dialog offers the last name.
        WriteFileBytes(file, "keep me");
        ui.messages.clear();
        ui.answers = {MsgResult::No};
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(ui.saveDialogs.last().last(), file);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, file + "ファイルは既に存在します。\n上書きしますか?");
        QCOMPARE(ui.messages[0].caption, QStringLiteral("確認"));
        QCOMPARE(ReadFileBytes(file), QByteArray("keep me"));

        ui.messages.clear();
        ui.saveAnswer = t.path("no/such/folder/out.csv");
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("出力途中でエラーが発生しました"));
        QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
        QVERIFY(!gModified);
    }

    void progressDialogStopsOnCancel()
    {
        frmProgress progress;
        progress.begin("CSV出力処理中です . . .", 10);
        QVERIFY(progress.isVisible());
        QVERIFY(!progress.stepAndAskStop(1, 10));
        QCOMPARE(progress.findChild<QLabel*>("lblPage")->text(), QStringLiteral("Rec. 1/10"));
        QTest::mouseClick(progress.findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
        QVERIFY(progress.stepAndAskStop(2, 10));
        QVERIFY(progress.JobStop());  // asking again does not reset it
        progress.end();
        QVERIFY(!progress.isVisible());
    }

    void deleteRecords_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<QString>("question");
        const QString one = QStringLiteral("No.2 2023/05/02 10:00 \n海の家\n\nこのレコードを削除してもよろしいですか?");
        const QString two = QStringLiteral("これら 2 個のレコードを削除してもよろしいですか?");
        QTest::newRow("one, yes") << QStringList{"海の家"} << MsgResult::Yes << one;
        QTest::newRow("one, no") << QStringList{"海の家"} << MsgResult::No << one;
        QTest::newRow("several, yes") << QStringList{"First", "Third"} << MsgResult::Yes << two;
        QTest::newRow("several, no") << QStringList{"First", "Third"} << MsgResult::No << two;
    }

    void deleteRecords()
    {
        QFETCH(QStringList, selected);
        QFETCH(MsgResult, answer);
        QFETCH(QString, question);
        ScriptedUi ui;
        ui.answers << answer;
        TestLog t;
        t.addDive("2023-05-01", "10:00", "10:40", {}, "First");
        t.addDive("2023-05-02", "10:00", "10:40", {}, "海の家");
        t.addDive("2023-05-03", "10:00", "10:40", {}, "Third");
        QVERIFY(t.db().execute("INSERT INTO PictureTbl (dive_id, filename) SELECT id, 'p.jpg' FROM LogTbl"));
        frmLogList w;
        selectLocations(w, selected);

        action(w, "mnuRecDelete")->trigger();
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, question);
        QCOMPARE(ui.messages[0].caption, QStringLiteral("レコード削除の確認"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Exclamation);
        QCOMPARE(ui.messages[0].buttons, MsgButtons::YesNo);
        QVERIFY(QFileInfo::exists(t.logPath() + ".bak"));
        const int left = answer == MsgResult::Yes ? 3 - int(selected.size()) : 3;
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), left);
        QCOMPARE(w.model()->rowCount(), left);
        for (const QString& location : selected)
            QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE location = ?", {location}), left == 3 ? 1 : 0);
        QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl"), 3);
    }

    void milestone_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<int>("noOffset");
        QTest::addColumn<bool>("clone");
        QTest::addColumn<QString>("title");  // empty: no dialog
        QTest::newRow("new 50th") << 49 << 0 << false << "50本達成おめでとうございます";
        QTest::newRow("new 100th") << 99 << 0 << false << "100本達成おめでとうございます";
        QTest::newRow("cloned 200th") << 199 << 0 << true << "200本達成おめでとうございます";
        QTest::newRow("150 is no milestone") << 149 << 0 << false << "";
        QTest::newRow("49 is no milestone") << 48 << 0 << false << "";
        QTest::newRow("offset not counted") << 49 << 20 << false << "50本達成おめでとうございます";
        QTest::newRow("offset reaching 100") << 79 << 20 << true << "";
    }

    void milestone()
    {
        QFETCH(int, existing);
        QFETCH(int, noOffset);
        QFETCH(bool, clone);
        QFETCH(QString, title);
        ScriptedUi ui;
        QStringList titles;
        ui.onDialog = [&](QObject* dialog) {
            if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("lblTitle")))
                titles << label->text();
        };
        TestLog t;
        addDives(t, existing);
        setOffsets(t, noOffset, 0);
        frmLogList w;
        if (clone)
            selectLocations(w, {"0"});
        action(w, clone ? "mnuRecClone" : "mnuRecNew")->trigger();
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), existing + 1);
        QCOMPARE(ui.dialogs, title.isEmpty() ? QStringList() : QStringList{"frmMemorial"});
        QCOMPARE(titles, title.isEmpty() ? QStringList() : QStringList{title});
    }

    void barsToggle_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("bar");
        QTest::newRow("toolbar") << "mnuViewTool" << "cbrCoolBar";
        QTest::newRow("status bar") << "mnuViewStatus" << "stsStatus";
    }

    void barsToggle()
    {
        QFETCH(QString, command);
        QFETCH(QString, bar);
        ScriptedUi ui;
        TestLog t;
        frmLogList w;
        QAction* toggle = w.findChild<QAction*>(command);
        QVERIFY(!w.findChild<QWidget*>(bar)->isHidden() && toggle->isChecked());
        for (bool shown : {false, true, false}) {
            toggle->trigger();
            QCOMPARE(w.findChild<QWidget*>(bar)->isHidden(), !shown);
            QCOMPARE(toggle->isChecked(), shown);
        }
    }

    void settingsSurviveRestart_data()
    {
        QTest::addColumn<bool>("maximise");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::newRow("normal window, toolbar hidden")
            << false << "mnuViewTool" << "cbrCoolBar" << "TOOLBAR_VISIBLE" << "12000" << "9000";
        QTest::newRow("maximised window keeps the old size")
            << true << "mnuViewStatus" << "stsStatus" << "STATUSBAR_VISIBLE" << "9150" << "6150";
    }

    void settingsSurviveRestart()
    {
        QFETCH(bool, maximise);
        QFETCH(QString, command);
        QFETCH(QString, bar);
        QFETCH(QString, key);
        QFETCH(QString, width);
        QFETCH(QString, height);
        ScriptedUi ui;
        TestLog t;
        t.close();
        for (const auto& [k, value] : {std::pair{"WIDTH", "9150"}, {"HEIGHT", "6150"}, {"COLUMN_2", "3000"}})
            IniFile::write(t.path("tidewriter.ini"), "WINDOW", k, value);
        int status = 0;
        auto program = startProgram(t, &status);
        QCOMPARE(status, -1);
        frmLogList* w = program->listWindow();
        QCOMPARE(w->size(), QSize(610, 410));
        QCOMPARE(listView(*w)->columnWidth(DiveListModel::ColLocation), 200);

        if (maximise) {
            w->showMaximized();
            if (!QTest::qWaitFor([w] { return w->isMaximized() && w->width() > 610; }, 2000))
                QSKIP("the platform plugin does not maximise windows");
        } else {
            w->resize(800, 600);
            QTRY_COMPARE(w->size(), QSize(800, 600));
        }
        listView(*w)->setColumnWidth(DiveListModel::ColLocation, 123);
        w->findChild<QAction*>(command)->trigger();
        w->close();  // the shutdown writes the settings
        program.reset();
        QCOMPARE(iniValue(t, "WIDTH"), width);
        QCOMPARE(iniValue(t, "HEIGHT"), height);
        QCOMPARE(iniValue(t, "COLUMN_2"), QStringLiteral("1845"));
        QCOMPARE(iniValue(t, key), QStringLiteral("False"));

        program = startProgram(t, &status);
        w = program->listWindow();
        QCOMPARE(w->size(), QSize(width.toInt() / 15, height.toInt() / 15));
        QCOMPARE(listView(*w)->columnWidth(DiveListModel::ColLocation), 123);
        QVERIFY(w->findChild<QWidget*>(bar)->isHidden());
        QVERIFY(!w->findChild<QAction*>(command)->isChecked());
        QVERIFY(ui.messages.isEmpty());
    }

    void filesAfterRun_data()
    {
        QTest::addColumn<bool>("deletes");
        QTest::newRow("reading only") << false;
        QTest::newRow("with a deletion") << true;
    }

    void filesAfterRun()
    {
        QFETCH(bool, deletes);
        ScriptedUi ui;
        ui.answers << MsgResult::Yes;
        TestLog t;
        addDives(t, 3);
        // A large comment leaves many free pages behind once deleted; compaction drops them.
        const qint64 big = t.addDive("2023-05-01", "10:00", "10:40", {}, "Big");
        QVERIFY(t.db().execute("UPDATE LogTbl SET comment = ? WHERE id = ?", {QString(200000, QChar('x')), big}));
        t.close();
        const QByteArray before = ReadFileBytes(t.logPath());
        int status = 0;
        auto program = startProgram(t, &status);
        QCOMPARE(status, -1);
        frmLogList* w = program->listWindow();
        action(*w, "mnuViewRefresh")->trigger();
        if (deletes) {
            selectLocations(*w, {"Big"});
            action(*w, "mnuRecDelete")->trigger();
        }
        QCOMPARE(w->model()->rowCount(), deletes ? 3 : 4);
        w->close();
        program.reset();

        QCOMPARE(ui.messages.size(), deletes ? 1 : 0);  // the question, and no failure
        QVERIFY(!QFileInfo::exists(t.logPath() + ".new"));
        QVERIFY(!QFileInfo::exists(t.logPath() + ".old"));
        QCOMPARE(QFileInfo::exists(t.logPath() + ".bak"), deletes);
        if (!deletes) {
            QCOMPARE(ReadFileBytes(t.logPath()), before);
            return;
        }
        QVERIFY(QFileInfo(t.logPath()).size() < QFileInfo(t.logPath() + ".bak").size());
        t.open();
        QCOMPARE(t.scalar("PRAGMA freelist_count"), 0);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE id = ?", {big}), 0);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3);
    }

    void secondInstanceRefused()
    {
        ScriptedUi ui;
        TestLog t;
        t.close();
        int status = 0;
        auto first = startProgram(t, &status);
        QCOMPARE(status, -1);
        auto second = startProgram(t, &status, false);
        QVERIFY(status > 0);
        QVERIFY(!second->listWindow());
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("すでに起動しています"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Exclamation);
        QCOMPARE(ui.messages[0].caption, QStringLiteral("Tidewriter"));

        // Once the first run has ended, the lock is free again.
        first->listWindow()->close();
        first.reset();
        second.reset();
        auto third = startProgram(t, &status);
        QCOMPARE(status, -1);
        QCOMPARE(ui.messages.size(), 1);
    }

    void missingNamedLog_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "absent.db";
        QTest::newRow("missing folder") << "nowhere/absent.db";
    }

    void missingNamedLog()
    {
        QFETCH(QString, name);
        ScriptedUi ui;
        TestLog t(false);
        int status = 0;
        auto program = startProgram(t, &status, true, t.path(name));
        QVERIFY(status > 0);
        QVERIFY(!program->listWindow());
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("データベースファイルがオープンできませんでした"));
        QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
        // Only the run's lock may appear: no log, no folder, no default log, no settings.
        QCOMPARE(QDir(t.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"run.lock"});
    }
};

QTEST_MAIN(tst_frmLogList)
#include "tst_frmLogList.moc"
