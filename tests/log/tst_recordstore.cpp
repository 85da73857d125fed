#include "DiveTexts.h"
#include "Globals.h"
#include "RecordChecks.h"
#include "RecordStore.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modDiveCalc.h"
#include "modSubroutines.h"

#include <QtTest>

// tst_frmRecord drives some of these save rules through the window; here the store's own cases.
namespace {
// The dive's columns as text, Null as "NULL".
QStringList row(TestLog& log, qint64 id, const QString& columns)
{
    QStringList out;
    auto rs = log.db().query(QStringLiteral("SELECT %1 FROM LogTbl WHERE id = ?").arg(columns), {id});
    for (int i = 0; rs && !rs->eof() && i <= columns.count(QLatin1Char(',')); ++i)
        out << (rs->field(i).isNull() ? QStringLiteral("NULL") : rs->field(i).toString());
    return out;
}

// A dive with its date and the columns set, last written at 08:00.
qint64 newRecord(TestLog& log, const QString& set = QStringLiteral("dive_date = '2024-07-15'"))
{
    if (!log.db().execute(QStringLiteral("INSERT INTO LogTbl (dive_date, create_time, update_time)"
                                         " VALUES ('2024-07-15', '2024-07-15 08:00:00', '2024-07-15 08:00:00')"))
        || !log.db().execute(QStringLiteral("UPDATE LogTbl SET %1 WHERE id = ?").arg(set), {log.db().lastInsertId()}))
        qFatal("%s", qPrintable(log.db().lastError()));
    return log.db().lastInsertId();
}

struct Editor {
    DiveTexts texts;
    RecordStore store{texts};
};
}  // namespace

class tst_recordstore : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }

    void unchangedSaveWritesNothing()
    {
        TestLog log;
        const qint64 id = log.addDive("2024-07-15", "09:05", "09:50", 18.5, "大瀬崎", 1);
        QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET update_time = 'then', weight = 4.25, weather = 0,"
                                                " depth_transit = '0  5,10 ', suit = 2, tank_mat = 1, air_type = 0")));
        ScriptedUi ui;
        Editor e;
        QVERIFY(e.store.LoadRecord(id, 3));
        const auto result = e.store.SaveRecord();
        QVERIFY(result.ok);
        QCOMPARE(result.fieldsWritten, 0);
        // Displayed texts that differ from the stored values (4.3 for 4.25) are not changes either.
        QCOMPARE(e.texts.text("txtWeight"), QStringLiteral("4.3"));
        QCOMPARE(row(log, id, "update_time, weight"), QStringList({"then", "4.25"}));
        QVERIFY(QFile::exists(log.logPath() + ".bak"));
        QVERIFY(ui.messages.isEmpty());
    }

    void writesWhatChanged()
    {
        TestLog log;
        const qint64 id = newRecord(log, "condition = 5, buddy = 'Ken', air_temp = 28");
        ScriptedUi ui;
        Editor e;
        QVERIFY(e.store.LoadRecord(id, 1));
        QCOMPARE(e.texts.text("lstCondition"), QStringLiteral("波、流れ"));
        QCOMPARE(e.texts.position("cboEntryType"), -1);
        e.texts.setMask("lstCondition", 0);
        e.texts.setMask("lstItem", 2 + 256);
        e.texts.setText("cboLocation", "Bob's Reef");
        e.texts.setText("txtInTime", "9:05");
        e.texts.setPosition("cboEntryType", 1);
        auto result = e.store.SaveRecord();
        QVERIFY(result.ok && result.listedFieldWritten);
        // Those five, and -1 for no choice in the other four lists, which differs from their empty loaded texts.
        QCOMPARE(result.fieldsWritten, 9);
        QCOMPARE(row(log, id, "entry_type, weather, suit, tank_mat, air_type, condition, item, location, in_time"),
                 QStringList({"1", "-1", "-1", "-1", "-1", "0", "258", "Bob's Reef", "09:05"}));
        QVERIFY(row(log, id, "update_time") != QStringList({"2024-07-15 08:00:00"}));
        QVERIFY(gLocations.contains("Bob's Reef"));  // suggestions reloaded
        // What was saved is the new loaded state: saving again writes nothing.
        QCOMPARE(e.store.SaveRecord().fieldsWritten, 0);

        // Cleared values are written as Null; typing into a Null field and clearing it again is no change.
        e.texts.setText("cboBuddy", {});
        e.texts.setText("txtAirTemp", {});
        e.texts.setText("txtWeight", "4");
        e.texts.setText("txtWeight", {});
        result = e.store.SaveRecord();
        QCOMPARE(result.fieldsWritten, 2);
        QVERIFY(!result.listedFieldWritten);
        QCOMPARE(row(log, id, "buddy, air_temp, weight"), QStringList({"NULL", "NULL", "NULL"}));
    }

    // A date the editor cannot show opens as today's, counted as an edit that the first save writes.
    void loadedDate_data()
    {
        const QDate today = QDate::currentDate();
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("pending");
        QTest::addColumn<QString>("saved");
        QTest::newRow("Null") << "" << today.toString("yyyy/MM/dd") << true << today.toString(Qt::ISODate);
        QTest::newRow("unreadable") << "someday" << today.toString("yyyy/MM/dd") << true << today.toString(Qt::ISODate);
        QTest::newRow("a date") << "2024-07-16" << "2024/07/16" << false << "2024-07-16";
    }
    void loadedDate()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(bool, pending);
        QFETCH(QString, saved);
        TestLog log;
        const qint64 id = newRecord(log);
        QVERIFY(log.db().execute("UPDATE LogTbl SET dive_date = ? WHERE id = ?",
                                 {stored.isEmpty() ? QVariant() : QVariant(stored), id}));
        ScriptedUi ui;
        Editor e;
        QVERIFY(e.store.LoadRecord(id, 1));
        QCOMPARE(e.texts.text("dtpDate"), shown);
        QCOMPARE(e.texts.caption(), shown + " - ");
        QCOMPARE(e.store.datePending(), pending);
        QVERIFY(e.store.SaveRecord().ok);
        QCOMPARE(row(log, id, "dive_date"), QStringList({saved}));
    }

    // The field table names every column of a dive the log holds, and no other.
    void fieldTableMatchesTheLog()
    {
        TestLog log;
        QStringList columns, fields{"id", "create_time", "update_time"};
        for (auto rs = log.db().query("SELECT name FROM pragma_table_info('LogTbl')"); rs && !rs->eof(); rs->moveNext())
            columns << rs->field(0).toString();
        for (const RecordField& f : RecordStore::fields())
            fields << QLatin1String(f.column);
        columns.sort();
        fields.sort();
        QCOMPARE(fields, columns);
    }

    // The check a box runs when the focus leaves it (its reader's own rules are the readers'
    // test): accepted text is written back in its form, refused text stays with its message.
    void fieldChecks_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("checked");  // the text shown afterwards | the message, empty when accepted
        QTest::newRow("time 9:05") << "txtInTime" << "9:05" << "09:05|";
        QTest::newRow("time 25:00") << "txtOutTime" << "25:00" << "25:00|正しい潜水終了時刻(hh:mm)を入力してください";
        QTest::newRow("depth 12.34") << "txtMaxDepth" << "12.34" << "12.3|";
        QTest::newRow("empty depth") << "txtAvgDepth" << "" << "|正しい深度を入力してください";
        QTest::newRow("beyond a double") << "txtEndTankBar" << QString(400, '9') << QString(400, '9') + "|正しい終了時タンク圧を入力してください";
        QTest::newRow("half a bar up") << "txtStartTankBar" << "50.5" << "51|";
        QTest::newRow("minutes text") << "txtUWTime" << "4O" << "4O|正しい潜水時間(分)を入力してください";
        QTest::newRow("no location") << "cboLocation" << "" << "|潜水地を正しく入力してください";
        QTest::newRow("a box without a check") << "cboBuddy" << "" << "|";
    }
    void fieldChecks()
    {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, checked);
        const FieldCheckResult r = RecordChecks::check(control, typed);
        QCOMPARE(r.text + '|' + r.message, checked);
        QCOMPARE(r.ok, r.message.isEmpty());
    }

    // A typed list gives its stored series and the two boxes it fills (depths: mean and
    // maximum; temperatures: highest, then the running lowest); a list without a number
    // clears the series and fills nothing.
    void typedSeries_data()
    {
        QTest::addColumn<bool>("depth");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read");  // series | first box | second box
        QTest::newRow("mixed separators") << true << "0, 5\n12.5\t18 10 3" << "0 5 12.5 18 10 3|8.1|18.0";
        QTest::newRow("negative depths") << true << "-1 -3" << "-1 -3|-2.0|0.0";
        QTest::newRow("no decimal comma") << true << "12,5 3.50" << "12 5 3.5|6.8|12.0";
        QTest::newRow("a lowest of 0 is replaced") << false << "0 18 20" << "0 18 20|20.0|18.0";
        QTest::newRow("a later 0 is replaced") << false << "15 0 17" << "15 0 17|17.0|17.0";
        QTest::newRow("below zero only") << false << "-2 -1" << "-2 -1|0.0|-2.0";
        QTest::newRow("depths emptied") << true << "" << "||";
        QTest::newRow("temperatures without a number") << false << " ,\n" << "||";
    }
    void typedSeries()
    {
        QFETCH(bool, depth);
        QFETCH(QString, typed);
        QFETCH(QString, read);
        const TypedSeries s = TypedSeries::read(depth, typed);
        QCOMPARE(QStringList({s.series, s.summaryTexts[0], s.summaryTexts[1]}).join('|'), read);
    }

    // Line breaks reach the log as CR LF, whatever the box gave; the same text in another
    // form is no change.
    void lineBreaksStoredAsCrLf_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QVariant>("stored");  // before the edit
        QTest::addColumn<QVariant>("typed");   // invalid: no edit
        QTest::addColumn<QString>("after");
        QTest::newRow("comment typed with LF") << "txtComment" << QVariant() << QVariant("a\nb\n") << "a\r\nb\r\n";
        QTest::newRow("lone CR") << "txtComment" << QVariant() << QVariant("a\rb") << "a\r\nb";
        QTest::newRow("CR LF as it is") << "txtComment" << QVariant() << QVariant("a\r\nb") << "a\r\nb";
        QTest::newRow("loaded CR LF shown with LF") << "txtComment" << QVariant("a\r\nb") << QVariant("a\nb") << "a\r\nb";
        QTest::newRow("old LF comment untouched") << "txtComment" << QVariant("a\nb") << QVariant() << "a\nb";
        QTest::newRow("site pasted on two lines") << "cboLocation" << QVariant() << QVariant("x\ny") << "x\r\ny";
    }
    void lineBreaksStoredAsCrLf()
    {
        QFETCH(QString, control);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, typed);
        QFETCH(QString, after);
        TestLog log;
        const QString column = control == "txtComment" ? "comment" : "location";
        const qint64 id = newRecord(log, "entry_type = 0, weather = 0, suit = 0, tank_mat = 0, air_type = 0,"
                                         " condition = 0, item = 0");
        QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET %1 = ? WHERE id = ?").arg(column), {stored, id}));
        ScriptedUi ui;
        Editor e;
        QVERIFY(e.store.LoadRecord(id, 1));
        if (typed.isValid())
            e.texts.setText(control, typed.toString());
        const auto result = e.store.SaveRecord();
        QVERIFY(result.ok);
        QCOMPARE(result.fieldsWritten, stored.isValid() && after == stored.toString() ? 0 : 1);
        QCOMPARE(row(log, id, column), QStringList{after});
    }

    // Every way a save can fail; either the whole save is undone, or only the file rows keep their old state.
    void failedSave_data()
    {
        QTest::addColumn<QStringList>("faults");  // statements that fail; "weight": a trigger refuses the weight
        QTest::addColumn<bool>("saved");          // the fields reached the log
        QTest::addColumn<QString>("message");
        QTest::newRow("field write") << QStringList{"weight"} << false
                                     << "weight = '6.0', update_time = datetime('now', 'localtime') WHERE id = 1\r\n"
                                        "weight is locked";
        QTest::newRow("commit refused") << QStringList{"COMMIT"} << false << "database is locked";
        QTest::newRow("file rows refused") << QStringList{"INSERT INTO PictureTbl"} << true << "INSERT INTO PictureTbl";
        QTest::newRow("no savepoint for the file rows") << QStringList{"SAVEPOINT"} << true << "SAVEPOINT pictures";
        QTest::newRow("old file rows cannot be put back")
            << QStringList{"INSERT INTO PictureTbl", "ROLLBACK TO"} << false << "INSERT INTO PictureTbl";
        QTest::newRow("file rows cannot be released") << QStringList{"RELEASE"} << false << "RELEASE pictures";
    }
    void failedSave()
    {
        QFETCH(QStringList, faults);
        QFETCH(bool, saved);
        QFETCH(QString, message);
        TestLog log;
        gPicPath = QStringLiteral("/pics");
        const qint64 id = newRecord(log, "weather = 0, suit = 0, tank_mat = 0, air_type = 0, entry_type = 0");
        QVERIFY(log.db().execute(QStringLiteral("INSERT INTO PictureTbl VALUES (?, '/a.jpg', 'a')"), {id}));
        if (faults.contains("weight"))
            QVERIFY(log.db().execute(QStringLiteral("CREATE TRIGGER noWeight BEFORE UPDATE OF weight ON LogTbl"
                                                    " BEGIN SELECT RAISE(ABORT, 'weight is locked'); END")));
        ScriptedUi ui;
        Editor e;
        QVERIFY(e.store.LoadRecord(id, 1));
        e.store.renamePicture(0, "b");
        e.texts.setText("cboLocation", "大瀬崎");  // written before weight
        e.texts.setText("txtWeight", "6.0");
        Database::InstallStatementFault([&faults](const QString& sql) {
            for (const QString& f : faults)
                if (sql.startsWith(f))
                    return QStringLiteral("database is locked");
            return QString();
        });
        const auto result = e.store.SaveRecord();
        Database::InstallStatementFault(nullptr);
        QCOMPARE(result.ok, saved);
        QCOMPARE(result.failedControl, faults.contains("weight") ? QStringLiteral("txtWeight") : QString());
        QCOMPARE(ui.messages.size(), 1);
        // The user's words first, then what the log said.
        const QStringList lines = ui.messages[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.first(), QStringLiteral("データの更新に失敗しました"));
        QVERIFY2(lines.mid(1).join("\r\n").contains(message), qPrintable(ui.messages[0].text));
        QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
        QVERIFY(!log.db().inTransaction());
        QCOMPARE(row(log, id, "location, weight"), saved ? QStringList({"大瀬崎", "6"}) : QStringList({"NULL", "NULL"}));
        QCOMPARE(log.scalar("SELECT Count(*) FROM PictureTbl WHERE dive_id = ? AND title = 'a'", {id}), 1);
        QVERIFY(e.store.picturesChanged());
        // What was not saved is still there to save once the log takes it.
        QVERIFY(log.db().execute(QStringLiteral("DROP TRIGGER IF EXISTS noWeight")));
        const auto again = e.store.SaveRecord();
        QVERIFY(again.ok);
        QCOMPARE(again.fieldsWritten, saved ? 0 : 2);
        QCOMPARE(row(log, id, "location, weight"), QStringList({"大瀬崎", "6"}));
        QCOMPARE(log.scalar("SELECT Count(*) FROM PictureTbl WHERE dive_id = ? AND title = 'b'", {id}), 1);
        QCOMPARE(log.scalar("SELECT Count(*) FROM PictureTbl"), 1);
    }

    // A record that cannot be read says why, and the store stays without a record.
    void failedLoad()
    {
        TestLog log;
        const qint64 id = newRecord(log);
        ScriptedUi ui;
        Editor e;
        Database::InstallStatementFault([](const QString& sql) {
            return sql.startsWith("SELECT * FROM LogTbl") ? QStringLiteral("disk I/O error") : QString();
        });
        const bool loaded = e.store.LoadRecord(id, 1);
        Database::InstallStatementFault(nullptr);
        QVERIFY(!loaded);
        QCOMPARE(e.store.id(), 0);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text,
                 QStringLiteral("レコードの読み込みに失敗しました\r\nSELECT * FROM LogTbl WHERE id = ?\r\ndisk I/O error"));
    }

    // Rows relative to the picture folder; refused files; a folder changed after opening.
    void pictures()
    {
        TestLog log;
        gPicPath = QStringLiteral("/pics");
        const qint64 id = newRecord(log);
        ScriptedUi ui;
        Editor e;
        QVERIFY(e.store.LoadRecord(id, 1));
        QCOMPARE(e.store.AddPicture("/pics/2001/a.jpg", "a"), RecordStore::AddResult::Added);
        QCOMPARE(e.store.AddPicture("/pics/2001/it's.jpg", "it's"), RecordStore::AddResult::Added);
        // Refused: a file listed already (the case counts) and one outside the folder.
        QCOMPARE(e.store.AddPicture("/pics/2001/A.jpg", {}), RecordStore::AddResult::Added);
        QCOMPARE(e.store.AddPicture("/pics/2001/a.jpg", {}), RecordStore::AddResult::Duplicate);
        QCOMPARE(e.store.AddPicture("/Pics/b.jpg", {}), RecordStore::AddResult::OutsideFolder);
        QCOMPARE(ui.messages.size(), 2);
        QCOMPARE(ui.messages[0].text, QStringLiteral("/pics/2001/a.jpg\nこのファイルはすでに登録されています"));
        QCOMPARE(ui.messages[1].text, QStringLiteral("/Pics/b.jpg\nこのファイルは登録できません\n\n設定されている画像フォルダ\n"
                                                     "/pics\n以下のフォルダ内のファイルのみが登録できます"));
        QCOMPARE(ui.messages[1].caption, QStringLiteral("登録エラー"));
        QCOMPARE(ui.messages[1].icon, MsgIcon::Critical);
        e.store.removePictures({2});
        QVERIFY(e.store.SaveRecord().ok);
        QCOMPARE(log.scalar("SELECT Count(*) FROM PictureTbl WHERE dive_id = ? AND filename = '/2001/a.jpg'", {id}), 1);
        Editor again;
        QVERIFY(again.store.LoadRecord(id, 1));
        QCOMPARE(again.store.pictures().size(), 2);
        QCOMPARE(again.store.pictures()[0].path, QStringLiteral("/pics/2001/a.jpg"));
        QCOMPARE(again.store.pictures()[1].title, QStringLiteral("it's"));
        // Loading marks the list, so the next save writes the same rows again.
        QVERIFY(again.store.picturesChanged());
        again.store.removePictures({0});
        QVERIFY(again.store.SaveRecord().ok);
        QCOMPARE(log.scalar("SELECT Count(*) FROM PictureTbl WHERE dive_id = ?", {id}), 1);
        QVERIFY(!again.store.picturesChanged());

        // The folder changed after opening: the rows cannot be written, so the old ones stay; the rest is saved.
        Editor third;
        QVERIFY(third.store.LoadRecord(id, 1));
        gPicPath = QStringLiteral("/photos");
        third.texts.setText("txtWeight", "5.0");
        QVERIFY(third.store.SaveRecord().ok);
        QCOMPARE(ui.messages.size(), 3);
        QVERIFY(ui.messages[2].text.contains("/photos"));
        QCOMPARE(row(log, id, "weight"), QStringList({"5"}));
        QCOMPARE(log.scalar("SELECT Count(*) FROM PictureTbl WHERE dive_id = ? AND filename = ?", {id, "/2001/it's.jpg"}), 1);
        QVERIFY(third.store.picturesChanged());
    }
};

QTEST_GUILESS_MAIN(tst_recordstore)
#include "tst_recordstore.moc"
