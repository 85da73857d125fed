#include "DiveTexts.h"
#include "Globals.h"
#include "RecordStore.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modDiveCalc.h"
#include "modSubroutines.h"

#include <QtTest>

namespace {
QVariant column(TestLog& log, qint64 id, const QString& name)
{
    auto rs = log.db().query(QStringLiteral("SELECT %1 FROM LogTbl WHERE id = ?").arg(name), {id});
    return rs->field(0);
}

qint64 newRecord(TestLog& log)
{
    if (!log.db().execute(QStringLiteral("INSERT INTO LogTbl (dive_date, create_time, update_time)"
                                         " VALUES ('2024-07-15', '2024-07-15 08:00:00', '2024-07-15 08:00:00')")))
        qFatal("insert");
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
    void unchangedSaveWritesNothing();
    void nullEmptyAndNoChoice();
    void textsAndMasks();
    void seriesText_data();
    void seriesText();
    void failedWriteUndoesTheWholeSave();
    void picturesRelativeToFolder();
    void pictureFolderChangedAfterOpening();
    void addPictureRefusals();
};

void tst_recordstore::unchangedSaveWritesNothing()
{
    TestLog log;
    const qint64 id = log.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:05"), QStringLiteral("09:50"), 18.5,
                                  QStringLiteral("大瀬崎"), 1);
    QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET update_time = 'then', weight = 4.25,"
                                            " depth_transit = '0  5,10 ', weather = 0, suit = 2, tank_mat = 1,"
                                            " air_type = 0 WHERE id = ?"), {id}));
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(id, 3));
    const auto result = e.store.SaveRecord();
    QVERIFY(result.ok);
    QCOMPARE(result.fieldsWritten, 0);
    QCOMPARE(column(log, id, QStringLiteral("update_time")).toString(), QStringLiteral("then"));
    // Displayed texts that differ from the stored values (4.3 for 4.25) are not changes either.
    QCOMPARE(e.texts.text(QStringLiteral("txtWeight")), QStringLiteral("4.3"));
    QCOMPARE(column(log, id, QStringLiteral("weight")).toDouble(), 4.25);
    QVERIFY(QFile::exists(log.logPath() + QStringLiteral(".bak")));
    QVERIFY(ui.messages.isEmpty());
}

void tst_recordstore::nullEmptyAndNoChoice()
{
    TestLog log;
    const qint64 id = newRecord(log);
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(id, 1));
    QCOMPARE(e.texts.position(QStringLiteral("cboEntryType")), -1);
    // Typing into a Null field and clearing it again writes nothing.
    e.texts.setText(QStringLiteral("txtWeight"), QStringLiteral("4"));
    e.texts.setText(QStringLiteral("txtWeight"), QString());
    auto result = e.store.SaveRecord();
    QVERIFY(result.ok);
    // No choice in the five lists differs from their empty loaded texts: -1 is written.
    QCOMPARE(result.fieldsWritten, 5);
    for (const char* c : {"entry_type", "weather", "suit", "tank_mat", "air_type"})
        QCOMPARE(column(log, id, QString::fromLatin1(c)).toInt(), -1);
    QVERIFY(column(log, id, QStringLiteral("weight")).isNull());
    QVERIFY(column(log, id, QStringLiteral("update_time")).toString() != QStringLiteral("2024-07-15 08:00:00"));
    QVERIFY(!result.listedFieldWritten || column(log, id, QStringLiteral("entry_type")).toInt() == -1);

    // A cleared value is written as Null.
    QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET buddy = 'Ken', air_temp = 28 WHERE id = ?"), {id}));
    QVERIFY(e.store.LoadRecord(id, 1));
    e.texts.setText(QStringLiteral("cboBuddy"), QString());
    e.texts.setText(QStringLiteral("txtAirTemp"), QString());
    result = e.store.SaveRecord();
    QCOMPARE(result.fieldsWritten, 2);
    QVERIFY(column(log, id, QStringLiteral("buddy")).isNull());
    QVERIFY(column(log, id, QStringLiteral("air_temp")).isNull());
    QVERIFY(!result.listedFieldWritten);
}

void tst_recordstore::textsAndMasks()
{
    TestLog log;
    const qint64 id = newRecord(log);
    QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET condition = 5 WHERE id = ?"), {id}));
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(id, 1));
    QCOMPARE(e.texts.text(QStringLiteral("lstCondition")), QStringLiteral("波、流れ"));
    e.texts.setMask(QStringLiteral("lstCondition"), 0);
    e.texts.setMask(QStringLiteral("lstItem"), 2 + 256);
    e.texts.setText(QStringLiteral("cboLocation"), QStringLiteral("Bob's Reef"));
    e.texts.setText(QStringLiteral("txtInTime"), QStringLiteral("9:05"));
    e.texts.setPosition(QStringLiteral("cboEntryType"), 1);
    const auto result = e.store.SaveRecord();
    QVERIFY(result.ok);
    QVERIFY(result.listedFieldWritten);
    QCOMPARE(column(log, id, QStringLiteral("condition")).toInt(), 0);
    QCOMPARE(column(log, id, QStringLiteral("item")).toInt(), 258);
    QCOMPARE(column(log, id, QStringLiteral("location")).toString(), QStringLiteral("Bob's Reef"));
    QCOMPARE(column(log, id, QStringLiteral("in_time")).toString(), QStringLiteral("09:05"));
    QVERIFY(gLocations.contains(QStringLiteral("Bob's Reef")));  // suggestions reloaded
    // What was saved is the new loaded state: saving again writes nothing.
    QCOMPARE(e.store.SaveRecord().fieldsWritten, 0);
}

void tst_recordstore::seriesText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("mixed separators") << "0, 3.5\n12\t18.20" << "0 3.5 12 18.2";
    QTest::newRow("negative and trailing blank") << "-1 2.0 " << "-1 2";
    QTest::newRow("nothing") << "" << "0 0";
    QTest::newRow("comma as decimal mark") << "12,5" << "12 5";
}

void tst_recordstore::seriesText()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TestLog log;
    const qint64 id = newRecord(log);
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(id, 1));
    e.texts.setDepthSeries(RecordStore::SeriesText(SplitNumbers(typed)));
    QVERIFY(e.store.SaveRecord().ok);
    QCOMPARE(column(log, id, QStringLiteral("depth_transit")).toString(), stored);
}

void tst_recordstore::failedWriteUndoesTheWholeSave()
{
    TestLog log;
    const qint64 id = log.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:00"), QStringLiteral("09:40"), 12.0,
                                  QString(), 0);
    QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET weather = 0, suit = 0, tank_mat = 0, air_type = 0")));
    QVERIFY(log.db().execute(QStringLiteral("CREATE TRIGGER noWeight BEFORE UPDATE OF weight ON LogTbl"
                                            " BEGIN SELECT RAISE(ABORT, 'weight is locked'); END")));
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(id, 1));
    e.texts.setText(QStringLiteral("cboLocation"), QStringLiteral("大瀬崎"));  // written before weight
    e.texts.setText(QStringLiteral("txtWeight"), QStringLiteral("6.0"));
    const auto result = e.store.SaveRecord();
    QVERIFY(!result.ok);
    QCOMPARE(result.failedControl, QStringLiteral("txtWeight"));
    QCOMPARE(ui.messages.size(), 1);
    QVERIFY2(ui.messages[0].text.contains(QStringLiteral("weight = '6.0'")), qPrintable(ui.messages[0].text));
    QVERIFY(ui.messages[0].text.contains(QStringLiteral("\r\nweight is locked")));
    QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
    QVERIFY(column(log, id, QStringLiteral("location")).isNull());
    QVERIFY(!log.db().inTransaction());
    // The edits are still there to save once the field can be written.
    QVERIFY(log.db().execute(QStringLiteral("DROP TRIGGER noWeight")));
    const auto retry = e.store.SaveRecord();
    QVERIFY(retry.ok);
    QCOMPARE(retry.fieldsWritten, 2);
    QCOMPARE(column(log, id, QStringLiteral("location")).toString(), QStringLiteral("大瀬崎"));
}

void tst_recordstore::picturesRelativeToFolder()
{
    TestLog log;
    gPicPath = QStringLiteral("/pics");
    const qint64 id = newRecord(log);
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(id, 1));
    QCOMPARE(e.store.AddPicture(QStringLiteral("/pics/2001/a.jpg"), QStringLiteral("a")), RecordStore::AddResult::Added);
    QCOMPARE(e.store.AddPicture(QStringLiteral("/pics/2001/it's.jpg"), QStringLiteral("it's")),
             RecordStore::AddResult::Added);
    QVERIFY(e.store.SaveRecord().ok);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM PictureTbl WHERE dive_id = ? AND filename = '/2001/a.jpg'"),
                        {id}),
             1);
    Editor again;
    QVERIFY(again.store.LoadRecord(id, 1));
    QCOMPARE(again.store.pictures().size(), 2);
    QCOMPARE(again.store.pictures()[0].path, QStringLiteral("/pics/2001/a.jpg"));
    QCOMPARE(again.store.pictures()[1].title, QStringLiteral("it's"));
    // Loading marks the list, so the next save writes the same rows again.
    QVERIFY(again.store.picturesChanged());
    again.store.removePictures({0});
    QVERIFY(again.store.SaveRecord().ok);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM PictureTbl WHERE dive_id = ?"), {id}), 1);
    QVERIFY(!again.store.picturesChanged());
}

void tst_recordstore::pictureFolderChangedAfterOpening()
{
    TestLog log;
    gPicPath = QStringLiteral("/pics");
    const qint64 id = newRecord(log);
    QVERIFY(log.db().execute(QStringLiteral("INSERT INTO PictureTbl VALUES (?, '/a.jpg', 'a')"), {id}));
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(id, 1));
    gPicPath = QStringLiteral("/photos");
    e.texts.setText(QStringLiteral("txtWeight"), QStringLiteral("5.0"));
    QVERIFY(e.store.SaveRecord().ok);
    QCOMPARE(ui.messages.size(), 1);
    QVERIFY(ui.messages[0].text.contains(QStringLiteral("/photos")));
    QCOMPARE(column(log, id, QStringLiteral("weight")).toDouble(), 5.0);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM PictureTbl WHERE dive_id = ? AND filename = '/a.jpg'"),
                        {id}),
             1);
    QVERIFY(e.store.picturesChanged());
}

void tst_recordstore::addPictureRefusals()
{
    TestLog log;
    gPicPath = QStringLiteral("/pics");
    ScriptedUi ui;
    Editor e;
    QVERIFY(e.store.LoadRecord(newRecord(log), 1));
    QCOMPARE(e.store.AddPicture(QStringLiteral("/pics/a.JPG"), {}), RecordStore::AddResult::Added);
    QCOMPARE(e.store.AddPicture(QStringLiteral("/pics/a.jpg"), {}), RecordStore::AddResult::Added);
    QCOMPARE(e.store.AddPicture(QStringLiteral("/pics/a.jpg"), {}), RecordStore::AddResult::Duplicate);
    QCOMPARE(e.store.AddPicture(QStringLiteral("/Pics/b.jpg"), {}), RecordStore::AddResult::OutsideFolder);
    QCOMPARE(ui.messages.size(), 2);
    QCOMPARE(ui.messages[0].text, QStringLiteral("/pics/a.jpg\nこのファイルはすでに登録されています"));
    QCOMPARE(ui.messages[1].text, QStringLiteral("/Pics/b.jpg\nこのファイルは登録できません\n\n設定されている画像フォルダ\n"
                                                 "/pics\n以下のフォルダ内のファイルのみが登録できます"));
    QCOMPARE(ui.messages[1].caption, QStringLiteral("登録エラー"));
    QCOMPARE(ui.messages[1].icon, MsgIcon::Critical);
    QCOMPARE(e.store.pictures().size(), 2);
}

QTEST_GUILESS_MAIN(tst_recordstore)
#include "tst_recordstore.moc"
