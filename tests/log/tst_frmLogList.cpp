// The dive list window, its record commands and what a whole run (start-up to exit) leaves behind.
#include "ByteLine.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "frmProgress.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QScreen>
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

// A fresh process's run, unless it stands for a second process started while another is going.
std::unique_ptr<Program> startProgram(TestLog& t, int* status, bool fresh = true, QString log = {},
                                      const QString& lock = QStringLiteral("run.lock"))
{
    if (fresh)
        ResetGlobals();
    auto program = std::make_unique<Program>();
    *status = program->start({log.isEmpty() ? t.logPath() : log},
                             {t.path("default.db"), t.path("tidewriter.ini"), t.path(lock)});
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

// A dive computer that never answers; the waits let events run as the real line's do, and
// the first one runs `first`.
class SilentLine : public ByteLine {
public:
    explicit SilentLine(std::function<void()> first) : m_first(std::move(first)) {}
    bool open(QString*) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool writeByte(quint8) override { return true; }
    qint64 bytesWaiting() override { return 0; }
    QByteArray readAll() override { return {}; }
    void wait(int) override
    {
        if (m_first)
            std::exchange(m_first, {})();
        QCoreApplication::processEvents();
    }

private:
    bool m_open = false;
    std::function<void()> m_first;
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
            // Printing and page options still wait for their windows.
            const struct { const char *menu, *button; bool enabled; } commands[] = {
                {"mnuRecOpen", "open", any}, {"mnuRecDelete", "delete", any}, {"mnuRecExportCSV", "csv", any},
                {"mnuRecPrint", "print", false}, {"mnuRecExport", "export", any}, {"mnuToolHATrance", "ha", true},
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
        // A new oldest dive must land in its sorted place after the refresh, not at the end.
        t.addDive("2023-04-30", "10:00", "10:40", {}, "30");
        action(w, "mnuViewRefresh")->trigger();
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"30", "01", "02", "03", "04"}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, noHeading);
        QCOMPARE(columnTexts(w, DiveListModel::ColNo), QStringList({"12", "11", "10", "9", "8"}));
        w.findChild<QComboBox*>(QStringLiteral("cboSpDive"))->setCurrentIndex(2);  // deeper than 18 m
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"03", "02"}));
        QCOMPARE(panels(w).mid(1), QStringList({"本数 : 2 本", "潜水時間 : 3時間0分"}));
    }

    void newCloneAndMilestone_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("clone");     // dives "0" and "1", else a new one
        QTest::addColumn<QString>("title");  // empty: no dialog
        QTest::newRow("new 50th") << 49 << false << "50本達成おめでとうございます";
        QTest::newRow("new 100th") << 99 << false << "100本達成おめでとうございます";
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
        // Each column gets a value of its own, so a column the clone leaves out shows.
        QStringList same;
        auto rs = t.db().query("SELECT name FROM pragma_table_info('LogTbl') WHERE name <> 'id'");
        for (; !rs->eof(); rs->moveNext()) {
            const QString c = rs->field("name").toString();
            same << QStringLiteral("a.%1 IS b.%1").arg(c);
            const QString value = QString(c.endsWith("_time") ? "'2001-02-03 04:05:%1'" : "%1").arg(same.size() + 10);
            if (!QStringList{"location", "dive_date", "in_time", "out_time"}.contains(c))
                QVERIFY(t.db().execute(QStringLiteral("UPDATE LogTbl SET %1 = %2").arg(c, value)));
        }
        QVERIFY(t.db().execute("INSERT INTO PictureTbl (dive_id, filename) SELECT id, 'a.jpg' FROM LogTbl"));
        QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = 20"));  // milestones count the log's own dives
        LoadLookupTables();
        WriteFileBytes(t.logPath() + ".bak", "stale backup");
        const QByteArray before = ReadFileBytes(t.logPath());
        frmLogList w;
        selectLocations(w, {"0", "1"});
        action(w, clone ? "mnuRecClone" : "mnuRecNew")->trigger();
        const QByteArray backup = ReadFileBytes(t.logPath() + ".bak");  // the stale one replaced
        QVERIFY(clone ? backup.startsWith("SQLite format 3") : backup == before);
        QCOMPARE(w.model()->rowCount(), existing + (clone ? 2 : 1));
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE dive_date = date('now', 'localtime')"), clone ? 0 : 1);
        // Each selected dive has exactly one twin; no twin has pictures.
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl a JOIN LogTbl b ON a.id < b.id AND a.location IN ('0', '1') AND "
                          + same.join(" AND ")), clone ? 2 : 0);
        QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl"), existing);
        QCOMPARE(titles, title.isEmpty() ? QStringList() : QStringList{"frmMemorial: " + title});
    }

    void deleteRecords_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("question");
        const QString one = QStringLiteral("No.2 2000/01/02 10:00 \n1\n\nこのレコードを削除してもよろしいですか?");
        const QString two = QStringLiteral("これら 2 個のレコードを削除してもよろしいですか?");
        QTest::newRow("one, yes") << QStringList{"1"} << true << one;
        QTest::newRow("one, no") << QStringList{"1"} << false << one;
        QTest::newRow("several, yes") << QStringList{"0", "2"} << true << two;
        QTest::newRow("several, no") << QStringList{"0", "2"} << false << two;
    }

    void deleteRecords()
    {
        QFETCH(QStringList, selected);
        QFETCH(bool, yes);
        QFETCH(QString, question);
        ScriptedUi ui;
        ui.answers << (yes ? MsgResult::Yes : MsgResult::No);
        TestLog t;
        addDives(t, 3);
        frmLogList w;
        selectLocations(w, selected);
        action(w, "mnuRecDelete")->trigger();
        QCOMPARE(ui.messages.value(0).buttons, MsgButtons::YesNo);
        QCOMPARE(takeMessages(ui), QStringList{"レコード削除の確認: " + question});
        QVERIFY(QFileInfo::exists(t.logPath() + ".bak"));
        QCOMPARE(w.model()->rowCount(), yes ? 3 - int(selected.size()) : 3);
        const QString kept = QStringLiteral("SELECT Count(*) FROM LogTbl WHERE location IN ('%1')");
        QCOMPARE(t.scalar(kept.arg(selected.join("', '"))), yes ? 0 : selected.size());
    }

    // Another program holds a read lock, so no change can be committed: each command says so,
    // the log is as it was, and no transaction stays open to swallow later changes.
    void commandsWhileAnotherProgramReads_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");    // the first line
        QTest::addColumn<QString>("statement");  // how the failing statement begins
        QTest::newRow("new") << "mnuRecNew" << "エラー: レコードの新規作成に失敗しました" << "INSERT INTO LogTbl (dive_date,";
        QTest::newRow("clone") << "mnuRecClone" << "エラー: レコードの複製に失敗しました" << "INSERT INTO LogTbl (location,";
        QTest::newRow("delete") << "mnuRecDelete" << "エラー: レコードの削除に失敗しました"
                                << "DELETE FROM LogTbl WHERE id = 2";
    }

    void commandsWhileAnotherProgramReads()
    {
        QFETCH(QString, command);
        QFETCH(QString, message);
        QFETCH(QString, statement);
        ScriptedUi ui;
        ui.answers << MsgResult::Yes;
        TestLog t;
        addDives(t, 2);
        Database reader;
        QVERIFY(reader.open(t.logPath(), Database::OpenMode::ReadOnly) && reader.beginTrans()
                && reader.query("SELECT Count(*) FROM LogTbl"));
        frmLogList w;
        selectLocations(w, {"1"});
        action(w, command)->trigger();
        const QStringList shown = takeMessages(ui).mid(command == "mnuRecDelete" ? 1 : 0);
        QCOMPARE(shown.size(), 1);
        // The command's own words first, then the statement and the engine's words.
        const QStringList lines = shown[0].split("\r\n");
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], message);
        QVERIFY2(lines[1].startsWith(statement), qPrintable(lines[1]));
        QCOMPARE(lines[2], QStringLiteral("database is locked"));
        QVERIFY(!t.db().inTransaction());
        QVERIFY(reader.rollback());
        QCOMPARE(w.model()->rowCount(), 2);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 2);
        action(w, "mnuRecNew")->trigger();  // a later change reaches the file
        QCOMPARE(reader.query("SELECT Count(*) FROM LogTbl")->field(0).toInt(), 3);
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
        // A large comment leaves many free pages behind once deleted; compaction drops them.
        QVERIFY(t.db().execute("UPDATE LogTbl SET comment = ? WHERE location = '0'", {QString(200000, QChar('x'))}));
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
        QVERIFY(!QFileInfo::exists(t.logPath() + ".new") && !QFileInfo::exists(t.logPath() + ".old"));
        QCOMPARE(QFileInfo::exists(t.logPath() + ".bak"), deletes);
        QVERIFY(deletes ? QFileInfo(t.logPath()).size() < QFileInfo(t.logPath() + ".bak").size()  // compacted
                        : ReadFileBytes(t.logPath()) == before);

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

    void hostileWindowSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("used");  // false: the designed value stays
        QTest::newRow("width in range") << "WIDTH" << "9000" << true;
        QTest::newRow("width beyond the screen") << "WIDTH" << "2000000" << false;
        QTest::newRow("width too large for any int") << "WIDTH" << "1e30" << false;
        QTest::newRow("negative height") << "HEIGHT" << "-600" << false;
        QTest::newRow("zero height") << "HEIGHT" << "0" << false;
        QTest::newRow("column in range") << "COLUMN_2" << "1500" << true;
        QTest::newRow("column of no width") << "COLUMN_2" << "0" << false;
        QTest::newRow("negative column") << "COLUMN_2" << "-1500" << false;
        QTest::newRow("column wider than the screen") << "COLUMN_2" << "1e30" << false;
    }

    void hostileWindowSettings()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, used);
        ScriptedUi ui;
        TestLog t;
        t.close();
        int status = 0;
        auto designed = startProgram(t, &status);
        const QList<int> before = {designed->listWindow()->width(), designed->listWindow()->height(),
                                   listView(*designed->listWindow())->columnWidth(1)};
        designed.reset();
        QFile::remove(t.path("tidewriter.ini"));
        IniFile::write(t.path("tidewriter.ini"), "WINDOW", key, value);
        auto program = startProgram(t, &status);
        frmLogList* w = program->listWindow();
        const QList<int> after = {w->width(), w->height(), listView(*w)->columnWidth(1)};
        const int changed = key == "WIDTH" ? 0 : key == "HEIGHT" ? 1 : 2;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(after[i], i == changed && used ? value.toInt() / 15 : before[i]);
        const QSize screen = w->screen()->availableGeometry().size();
        QVERIFY(w->width() <= screen.width() && w->height() <= screen.height());
    }

    void startRefused_data()
    {
        QTest::addColumn<QString>("log");   // empty: the log of a run still going
        QTest::addColumn<QString>("lock");  // the lock's name in the test's folder
        QTest::addColumn<QString>("message");
        QTest::newRow("second instance") << "" << "run.lock" << "Tidewriter: すでに起動しています";
        QTest::newRow("missing file") << "absent.db" << "run.lock"
                                      << "エラー: データベースファイルがオープンできませんでした\r\n"
                                         "no such file: <dir>/absent.db";
        QTest::newRow("missing folder") << "nowhere/absent.db" << "run.lock"
                                        << "エラー: データベースファイルがオープンできませんでした\r\n"
                                           "no such file: <dir>/nowhere/absent.db";
        QTest::newRow("not a log") << "empty.db" << "run.lock"
                                   << "エラー: データベースファイルがオープンできませんでした\r\n"
                                      "not a database file: <dir>/empty.db";
        QTest::newRow("lock folder missing") << "absent.db" << "gone/run.lock"
                                             << "エラー: 二重起動を防ぐためのロックファイルを作成できませんでした\n"
                                                "<dir>/gone/run.lock\nフォルダ <dir>/gone がありません";
    }

    void startRefused()
    {
        QFETCH(QString, log);
        QFETCH(QString, lock);
        QFETCH(QString, message);
        ScriptedUi ui;
        TestLog t(log.isEmpty());
        t.close();
        const bool emptyFile = log == "empty.db";  // a file that holds no log
        if (emptyFile)
            WriteFileBytes(t.path(log), {});
        int status = 0;
        auto first = log.isEmpty() ? startProgram(t, &status) : nullptr;
        auto refused = startProgram(t, &status, !first, first ? QString() : t.path(log), lock);
        QVERIFY(status > 0);
        QVERIFY(!refused->listWindow());
        QCOMPARE(takeMessages(ui), QStringList{message.replace("<dir>", t.dir.path())});
        if (!first)  // at most the run's lock may appear: no log, no folder, no default log, no settings
            QCOMPARE(QDir(t.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     (emptyFile ? QStringList{log} : QStringList()) + (lock.contains('/') ? QStringList() : QStringList{"run.lock"}));
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
        action(w, "mnuRecExportCSV")->trigger();  // Cancel ends the command silently; the one dialog so far
        QCOMPARE(ui.saveDialogs,
                 QList<QStringList>({{"CSVファイル出力", "CSVファイル (*.csv);;テキストファイル (*.txt)", ""}}));
        QVERIFY(ui.messages.isEmpty() && QDir(t.dir.path()).entryList({"*.csv"}).isEmpty());
        const QString file = ui.saveAnswer = t.path("out.csv");
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(takeMessages(ui), QStringList{"正常終了: 出力完了しました"});
        // The same selection from the command line gives the same bytes.
        const QString id = QStringLiteral("SELECT id FROM LogTbl WHERE location = '%1'");
        const QString ids = QStringLiteral("%1,%2").arg(t.scalar(id.arg(3))).arg(t.scalar(id.arg(1)));
        QCOMPARE(QProcess::execute(QCoreApplication::applicationDirPath() + "/../bin/tidewriter",
                                   {"--export-csv", t.path("cli.csv"), "--ids", ids, t.logPath()}), 0);
        QCOMPARE(ReadFileBytes(t.path("cli.csv")), ReadFileBytes(file));

        // An existing file is kept unless the user says Yes; the dialog offers the last name.
        WriteFileBytes(file, "keep me");
        ui.answers = {MsgResult::No};
        action(w, "mnuRecExportCSV")->trigger();
        QCOMPARE(ui.saveDialogs.last().last(), file);
        QCOMPARE(takeMessages(ui), QStringList{"確認: " + file + "ファイルは既に存在します。\n上書きしますか?"});
        QCOMPARE(ReadFileBytes(file), QByteArray("keep me"));
        ui.saveAnswer = t.path("no/such/folder/out.csv");
        action(w, "mnuRecExportCSV")->trigger();
        const QStringList failed = takeMessages(ui);
        QVERIFY2(failed.size() == 1 && failed[0].startsWith("エラー: 出力途中でエラーが発生しました\nファイル "),
                 qPrintable(failed.join('|')));

        // The log is refused by any name, before the overwrite question a Yes would answer.
        const QByteArray logBefore = ReadFileBytes(t.logPath());
        QVERIFY(QDir(t.dir.path()).mkdir("sub"));
        for (const QString& name : {t.logPath(), t.path("sub/../tidewriter.db")}) {
            ui.saveAnswer = name;
            ui.answers = {MsgResult::Yes};
            action(w, "mnuRecExportCSV")->trigger();
            QCOMPARE(takeMessages(ui), QStringList{"エラー: ファイル " + name
                                                   + " はデータベースファイルまたはその関連ファイルなので、出力先にできません。"
                                                     "別のファイル名を指定してください。"});
            ui.answers.clear();
        }
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

    void progressDialogStopsOnCancel()
    {
        frmProgress progress;
        progress.begin("CSV出力処理中です . . .", 10);
        QVERIFY(!progress.stepAndAskStop(1, 10));
        QCOMPARE(progress.findChild<QLabel*>("lblPage")->text(), QStringLiteral("Rec. 1/10"));
        QTest::mouseClick(progress.findChild<QWidget*>("cmdCancel"), Qt::LeftButton);
        QVERIFY(progress.stepAndAskStop(2, 10));
    }
};

QTEST_MAIN(tst_frmLogList)
#include "tst_frmLogList.moc"
