#include "DiveTexts.h"
#include "Globals.h"
#include "RecordChecks.h"
#include "RecordStore.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modDiveCalc.h"

#include <QtTest>

// tst_frmRecord drives some of these save rules through the window; here the store's own cases.
namespace {
struct Editor {
    DiveTexts texts;
    RecordStore store{texts};
};

// A dive with its date and the given columns, last written at 08:00, and an editor for it.
struct Fixture {
    explicit Fixture(const QString& set = QStringLiteral("dive_date = '2024-07-15'"))
    {
        Database& db = log.db();
        if (!db.execute(QStringLiteral("INSERT INTO LogTbl (dive_date, create_time, update_time)"
                                       " VALUES ('2024-07-15', '2024-07-15 08:00:00', '2024-07-15 08:00:00')"))
            || !db.execute(QStringLiteral("UPDATE LogTbl SET %1 WHERE id = ?").arg(set), {db.lastInsertId()}))
            qFatal("%s", qPrintable(db.lastError()));
        id = db.lastInsertId();
    }
    bool load() { return e.store.LoadRecord(id, 1); }
    // The dive's columns as text, Null as "NULL".
    QStringList row(const QString& columns)
    {
        QStringList out;
        auto rs = log.db().query(QStringLiteral("SELECT %1 FROM LogTbl WHERE id = ?").arg(columns), {id});
        for (int i = 0; rs && !rs->eof() && i <= columns.count(QLatin1Char(',')); ++i)
            out << (rs->field(i).isNull() ? QStringLiteral("NULL") : rs->field(i).toString());
        return out;
    }
    TestLog log;
    qint64 id = 0;
    ScriptedUi ui;
    Editor e;
};

// A row: what is read (a box, or "depth" or "temp" for a series), the text typed, and what comes of it.
struct Typed { QString what, typed, expected; };
// A row: the box, the column before, the text set in the box (invalid: none) and the column after.
struct Stored { QString control; QVariant before, typed; QString after; };
}  // namespace
Q_DECLARE_METATYPE(Typed)
Q_DECLARE_METATYPE(Stored)

class tst_recordstore : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void unchangedSaveWritesNothing()
    {
        Fixture f("in_time = '09:05', out_time = '09:50', max_depth = 18.5, location = '大瀬崎', entry_type = 1,"
                  " weight = 4.25, update_time = 'then', weather = 0, depth_transit = '0  5,10 ', suit = 2,"
                  " tank_mat = 1, air_type = 0");
        QVERIFY(f.load());
        const auto result = f.e.store.SaveRecord();
        QVERIFY(result.ok);
        QCOMPARE(result.fieldsWritten, 0);
        // Displayed texts that differ from the stored values (4.3 for 4.25) are not changes either.
        QCOMPARE(f.e.texts.text("txtWeight"), QStringLiteral("4.3"));
        QCOMPARE(f.row("update_time, weight"), QStringList({"then", "4.25"}));
        QVERIFY(QFile::exists(f.log.logPath() + ".bak"));
    }
    void writesWhatChanged()
    {
        Fixture f("condition = 5, buddy = 'Ken', air_temp = 28");
        DiveTexts& t = f.e.texts;
        QVERIFY(f.load());
        QCOMPARE(t.text("lstCondition"), QStringLiteral("波、流れ"));
        QCOMPARE(t.position("cboEntryType"), -1);
        t.setMask("lstCondition", 0);
        t.setMask("lstItem", 2 + 256);
        t.setText("cboLocation", "Bob's Reef");
        t.setText("txtInTime", "9:05");
        t.setPosition("cboEntryType", 1);
        auto result = f.e.store.SaveRecord();
        QVERIFY(result.ok && result.listedFieldWritten);
        // Those five, and -1 for no choice in the other four lists, which differs from their empty loaded texts.
        QCOMPARE(result.fieldsWritten, 9);
        QCOMPARE(f.row("entry_type, weather, suit, tank_mat, air_type, condition, item, location, in_time"),
                 QStringList({"1", "-1", "-1", "-1", "-1", "0", "258", "Bob's Reef", "09:05"}));
        QVERIFY(f.row("update_time") != QStringList({"2024-07-15 08:00:00"}));
        QVERIFY(gLocations.contains("Bob's Reef"));  // suggestions reloaded
        // What was saved is the new loaded state: saving again writes nothing.
        QCOMPARE(f.e.store.SaveRecord().fieldsWritten, 0);
        // Cleared values are written as Null; typing into a Null field and clearing it again is no change.
        t.setText("cboBuddy", {});
        t.setText("txtAirTemp", {});
        t.setText("txtWeight", "4");
        t.setText("txtWeight", {});
        result = f.e.store.SaveRecord();
        QCOMPARE(result.fieldsWritten, 2);
        QVERIFY(!result.listedFieldWritten);
        QCOMPARE(f.row("buddy, air_temp, weight"), QStringList({"NULL", "NULL", "NULL"}));
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
    // A box's check when the focus leaves it (its reader's own rules are the readers' test): accepted text is
    // written back in its form, refused text stays with its message. A typed series ("depth" or "temp") gives its
    // stored form and the two boxes it fills (depths: mean and maximum; temperatures: highest, then the running
    // lowest); a list without a number clears the series and fills nothing.
    void typed_data()
    {
        QTest::addColumn<Typed>("row");  // expected: the text shown | the message; or series | first box | second box
        QTest::newRow("time 25:00") << Typed{"txtOutTime", "25:00", "25:00|正しい潜水終了時刻(hh:mm)を入力してください"};
        QTest::newRow("depth 12.34") << Typed{"txtMaxDepth", "12.34", "12.3|"};
        QTest::newRow("empty depth") << Typed{"txtAvgDepth", "", "|正しい深度を入力してください"};
        QTest::newRow("beyond a double")
            << Typed{"txtEndTankBar", QString(400, '9'), QString(400, '9') + "|正しい終了時タンク圧を入力してください"};
        QTest::newRow("half a bar up") << Typed{"txtStartTankBar", "50.5", "51|"};
        QTest::newRow("minutes text") << Typed{"txtUWTime", "4O", "4O|正しい潜水時間(分)を入力してください"};
        QTest::newRow("no location") << Typed{"cboLocation", "", "|潜水地を正しく入力してください"};
        QTest::newRow("negative depths") << Typed{"depth", "-1 -3", "-1 -3|-2.0|0.0"};
        QTest::newRow("a lowest of 0 is replaced") << Typed{"temp", "0 18 20", "0 18 20|20.0|18.0"};
        QTest::newRow("a later 0 is replaced") << Typed{"temp", "15 0 17", "15 0 17|17.0|17.0"};
        QTest::newRow("below zero only") << Typed{"temp", "-2 -1", "-2 -1|0.0|-2.0"};
        QTest::newRow("depths emptied") << Typed{"depth", "", "||"};
    }
    void typed()
    {
        QFETCH(Typed, row);
        if (row.what == "depth" || row.what == "temp") {
            const TypedSeries s = TypedSeries::read(row.what == "depth", row.typed);
            QCOMPARE(QStringList({s.series, s.summaryTexts[0], s.summaryTexts[1]}).join('|'), row.expected);
            return;
        }
        const FieldCheckResult r = RecordChecks::check(row.what, row.typed);
        QCOMPARE(r.text + '|' + r.message, row.expected);
        QCOMPARE(r.ok, r.message.isEmpty());
    }
    // Line breaks reach the log as CR LF, whatever the box gave; the same text in another form is no change.
    // A date the editor cannot show opens as today's, counted as an edit that the first save writes.
    void storedValues_data()
    {
        QTest::addColumn<Stored>("row");
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QTest::newRow("Null date") << Stored{"dtpDate", {}, {}, today};
        QTest::newRow("unreadable date") << Stored{"dtpDate", "someday", {}, today};
        QTest::newRow("a date") << Stored{"dtpDate", "2024-07-16", {}, "2024-07-16"};
        QTest::newRow("comment typed with LF") << Stored{"txtComment", {}, "a\nb\n", "a\r\nb\r\n"};
        QTest::newRow("lone CR") << Stored{"txtComment", {}, "a\rb", "a\r\nb"};
        QTest::newRow("CR LF as it is") << Stored{"txtComment", {}, "a\r\nb", "a\r\nb"};
        QTest::newRow("loaded CR LF shown with LF") << Stored{"txtComment", "a\r\nb", "a\nb", "a\r\nb"};
        QTest::newRow("old LF comment untouched") << Stored{"txtComment", "a\nb", {}, "a\nb"};
        QTest::newRow("site pasted on two lines") << Stored{"cboLocation", {}, "x\ny", "x\r\ny"};
    }
    void storedValues()
    {
        QFETCH(Stored, row);
        const QString column = row.control == "dtpDate" ? "dive_date" : row.control == "txtComment" ? "comment" : "location";
        Fixture f("entry_type = 0, weather = 0, suit = 0, tank_mat = 0, air_type = 0, condition = 0, item = 0");
        QVERIFY(f.log.db().execute(QStringLiteral("UPDATE LogTbl SET %1 = ? WHERE id = ?").arg(column),
                                   {row.before, f.id}));
        QVERIFY(f.load());
        const bool unchanged = row.before.isValid() && row.after == row.before.toString();
        if (row.control == "dtpDate") {
            const QString shown = QString(row.after).replace('-', '/');
            QCOMPARE(std::pair(f.e.texts.text("dtpDate"), f.e.texts.caption()), std::pair(shown, shown + " - "));
            QCOMPARE(f.e.store.datePending(), !unchanged);
        }
        if (row.typed.isValid())
            f.e.texts.setText(row.control, row.typed.toString());
        const auto result = f.e.store.SaveRecord();
        QVERIFY(result.ok);
        QCOMPARE(result.fieldsWritten, unchanged ? 0 : 1);
        QCOMPARE(f.row(column), QStringList{row.after});
    }
    // Every way a save can fail: the whole save is undone, or only the file rows keep their old state.
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
        Fixture f("weather = 0, suit = 0, tank_mat = 0, air_type = 0, entry_type = 0");
        gPicPath = QStringLiteral("/pics");
        QVERIFY(f.log.db().execute(QStringLiteral("INSERT INTO PictureTbl VALUES (?, '/a.jpg', 'a')"), {f.id}));
        if (faults.contains("weight"))
            QVERIFY(f.log.db().execute(QStringLiteral("CREATE TRIGGER noWeight BEFORE UPDATE OF weight ON LogTbl"
                                                      " BEGIN SELECT RAISE(ABORT, 'weight is locked'); END")));
        QVERIFY(f.load());
        f.e.store.renamePicture(0, "b");
        f.e.texts.setText("cboLocation", "大瀬崎");  // written before weight
        f.e.texts.setText("txtWeight", "6.0");
        Database::InstallStatementFault([&faults](const QString& sql) {
            for (const QString& fault : faults)
                if (sql.startsWith(fault))
                    return QStringLiteral("database is locked");
            return QString();
        });
        const auto result = f.e.store.SaveRecord();
        Database::InstallStatementFault(nullptr);
        QCOMPARE(result.ok, saved);
        QCOMPARE(result.failedControl, faults.contains("weight") ? QStringLiteral("txtWeight") : QString());
        QCOMPARE(f.ui.messages.size(), 1);
        // The user's words first, then what the log said.
        const QStringList lines = f.ui.messages[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.first(), QStringLiteral("データの更新に失敗しました"));
        QVERIFY2(lines.mid(1).join("\r\n").contains(message), qPrintable(f.ui.messages[0].text));
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("エラー"));
        QVERIFY(!f.log.db().inTransaction());
        QCOMPARE(f.row("location, weight"), saved ? QStringList({"大瀬崎", "6"}) : QStringList({"NULL", "NULL"}));
        QCOMPARE(f.log.scalar("SELECT Count(*) FROM PictureTbl WHERE title = 'a'"), 1);
        QVERIFY(f.e.store.picturesChanged());
        // What was not saved is still there to save once the log takes it.
        QVERIFY(f.log.db().execute(QStringLiteral("DROP TRIGGER IF EXISTS noWeight")));
        const auto again = f.e.store.SaveRecord();
        QVERIFY(again.ok);
        QCOMPARE(again.fieldsWritten, saved ? 0 : 2);
        QCOMPARE(f.row("location, weight"), QStringList({"大瀬崎", "6"}));
        QCOMPARE(f.log.scalar("SELECT Count(*) = 1 AND Max(title) = 'b' FROM PictureTbl"), 1);
    }
    // A record that cannot be read says why, and the store stays without a record.
    void failedLoad()
    {
        Fixture f;
        Database::InstallStatementFault([](const QString& sql) {
            return sql.startsWith("SELECT * FROM LogTbl") ? QStringLiteral("disk I/O error") : QString();
        });
        const bool loaded = f.load();
        Database::InstallStatementFault(nullptr);
        QVERIFY(!loaded);
        QCOMPARE(f.e.store.id(), 0);
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text,
                 QStringLiteral("レコードの読み込みに失敗しました\r\nSELECT * FROM LogTbl WHERE id = ?\r\ndisk I/O error"));
    }
    // Rows relative to the picture folder; refused files; a folder changed after opening.
    void pictures()
    {
        Fixture f;
        RecordStore& store = f.e.store;
        gPicPath = QStringLiteral("/pics");
        QVERIFY(f.load());
        QCOMPARE(store.AddPicture("/pics/2001/a.jpg", "a"), RecordStore::AddResult::Added);
        QCOMPARE(store.AddPicture("/pics/2001/it's.jpg", "it's"), RecordStore::AddResult::Added);
        // Refused: a file listed already (the case counts) and one outside the folder.
        QCOMPARE(store.AddPicture("/pics/2001/A.jpg", {}), RecordStore::AddResult::Added);
        QCOMPARE(store.AddPicture("/pics/2001/a.jpg", {}), RecordStore::AddResult::Duplicate);
        QCOMPARE(store.AddPicture("/Pics/b.jpg", {}), RecordStore::AddResult::OutsideFolder);
        QCOMPARE(f.ui.messages.size(), 2);
        QCOMPARE(f.ui.messages[0].text, QStringLiteral("/pics/2001/a.jpg\nこのファイルはすでに登録されています"));
        QCOMPARE(f.ui.messages[1].text, QStringLiteral("/Pics/b.jpg\nこのファイルは登録できません\n\n設定されている画像フォルダ\n"
                                                       "/pics\n以下のフォルダ内のファイルのみが登録できます"));
        store.removePictures({2});
        QVERIFY(store.SaveRecord().ok);
        Editor again;
        QVERIFY(again.store.LoadRecord(f.id, 1));
        QCOMPARE(again.store.pictures().size(), 2);
        QCOMPARE(again.store.pictures()[0].path, QStringLiteral("/pics/2001/a.jpg"));
        QCOMPARE(again.store.pictures()[1].title, QStringLiteral("it's"));
        // Loading marks the list, so the next save writes the same rows again.
        QVERIFY(again.store.picturesChanged());
        again.store.removePictures({0});
        QVERIFY(again.store.SaveRecord().ok);
        QCOMPARE(f.log.scalar("SELECT Count(*) FROM PictureTbl"), 1);
        QVERIFY(!again.store.picturesChanged());
        // The folder changed after opening: the rows cannot be written, so the old ones stay; the rest is saved.
        Editor third;
        QVERIFY(third.store.LoadRecord(f.id, 1));
        gPicPath = QStringLiteral("/photos");
        third.texts.setText("txtWeight", "5.0");
        QVERIFY(third.store.SaveRecord().ok);
        QCOMPARE(f.ui.messages.size(), 3);
        QVERIFY(f.ui.messages[2].text.contains("/photos"));
        QCOMPARE(f.row("weight"), QStringList({"5"}));
        QCOMPARE(f.log.scalar("SELECT Count(*) FROM PictureTbl WHERE filename = ?", {"/2001/it's.jpg"}), 1);
        QVERIFY(third.store.picturesChanged());
    }
};

QTEST_GUILESS_MAIN(tst_recordstore)
#include "tst_recordstore.moc"
