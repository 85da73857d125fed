#include "Globals.h"
#include "Schema.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modSupport.h"

#include <QFile>
#include <QtTest>

namespace {
// The log as each older release of the program left it.
const char kRelease1[] = R"(
CREATE TABLE LogTbl (id INTEGER PRIMARY KEY AUTOINCREMENT, location TEXT, buddy TEXT, guide TEXT,
  entry_type INTEGER, comment TEXT, weather INTEGER, dive_date TEXT, in_time TEXT, out_time TEXT,
  avg_depth REAL, max_depth REAL, tank_mat INTEGER, tank_capa REAL, start_tank_bar REAL, end_tank_bar REAL,
  suit INTEGER, air_type INTEGER, weight REAL, air_temp REAL, surface_temp REAL, depth_temp REAL,
  create_time TEXT, update_time TEXT, depth_transit TEXT, visibility REAL);
CREATE TABLE SuitTbl (id INTEGER, text TEXT);
INSERT INTO SuitTbl VALUES (0, '5mmフルスーツ'), (1, 'ドライスーツ'), (2, 'なし');
CREATE TABLE WeatherTbl (id INTEGER, text TEXT);
INSERT INTO WeatherTbl VALUES (0, '晴れ');
CREATE TABLE AirTypeTbl (id INTEGER, text TEXT);
CREATE TABLE EntryTypeTbl (id INTEGER, text TEXT);
INSERT INTO EntryTypeTbl VALUES (0, 'ビーチ'), (1, 'ボート');
CREATE TABLE TankMatTbl (id INTEGER, text TEXT);
CREATE TABLE PlannerTbl (pg INTEGER, dep REAL, tm INTEGER, abt INTEGER, rnt INTEGER);
CREATE TABLE SiTbl (start_pg INTEGER, end_pg INTEGER, rest INTEGER);
INSERT INTO LogTbl (dive_date, in_time, out_time, suit, depth_transit, visibility)
  VALUES ('2003-08-01', '10:00', '10:40', 0, '0 5 10.5 3', 12),
         ('2003-08-01', '13:00', '13:35', 1, NULL, NULL),
         ('2003-08-02', '09:00', '09:50', 4, '1 2', 7.5);
)";
const char kTo2[] = "CREATE TABLE VersionTbl (rel INTEGER); INSERT INTO VersionTbl VALUES (2);";
const char kTo3[] = R"(
CREATE TABLE ConfigTbl (no_offset INTEGER, time_offset INTEGER);
INSERT INTO ConfigTbl VALUES (0, 0);
DELETE FROM SuitTbl;
INSERT INTO SuitTbl VALUES (0, 'ドライスーツ'), (1, 'ロングジョン+ジャケット'), (2, '5mmフルスーツ+ベスト'),
  (3, '5mmフルスーツ'), (4, 'シーガル'), (5, 'ロングジョン'), (6, 'スプリング');
UPDATE LogTbl SET suit = 3 WHERE suit = 0;
UPDATE LogTbl SET suit = 0 WHERE suit = 1;
UPDATE VersionTbl SET rel = 3;
)";
const char kTo4[] = R"(
ALTER TABLE LogTbl ADD COLUMN min_visibility REAL DEFAULT 0;
ALTER TABLE LogTbl ADD COLUMN max_visibility REAL DEFAULT 0;
ALTER TABLE LogTbl ADD COLUMN min_transparency REAL DEFAULT 0;
ALTER TABLE LogTbl ADD COLUMN max_transparency REAL DEFAULT 0;
UPDATE LogTbl SET min_visibility = visibility, max_visibility = visibility, min_transparency = visibility,
  max_transparency = visibility;
ALTER TABLE LogTbl DROP COLUMN visibility;
ALTER TABLE LogTbl ADD COLUMN condition INTEGER DEFAULT 0;
ALTER TABLE LogTbl ADD COLUMN item INTEGER DEFAULT 0;
UPDATE LogTbl SET condition = 0, item = 0;
CREATE TABLE ItemTbl (id INTEGER CONSTRAINT ItemTblIdConstraint PRIMARY KEY, name TEXT);
INSERT INTO ItemTbl VALUES (0, 'グローブ'), (1, 'フード'), (2, 'ベスト'), (3, 'アンクルウエイト'),
  (4, 'ダイブコンピュータ'), (5, '水中ノート'), (6, 'ライト'), (7, 'カメラ'), (8, 'ナイフ');
CREATE TABLE ConditionTbl (id INTEGER CONSTRAINT ConditionTblIdConstraint PRIMARY KEY, name TEXT);
INSERT INTO ConditionTbl VALUES (0, '波'), (1, 'うねり'), (2, '流れ');
UPDATE VersionTbl SET rel = 4;
)";

const QString kQuestion = QStringLiteral(
    "このバージョンではデータベース構造が変更になりました\nデータベースをアップデートしてよろしいですか\n\n"
    "（実行する前にデータベースファイルをバックアップすることをお勧めします）");
const QString kTooNew = QStringLiteral("データベースのバージョンが違います\nアプリケーションが古いかデータベースが壊れています");

// Writes a log at the given release (with extra SQL after it) and opens it as the program's log.
void makeLog(TestLog& log, int release, const char* extra = nullptr)
{
    Database& db = log.db();
    QVERIFY(db.open(log.logPath(), Database::OpenMode::CreateNew));
    QString script = QString::fromUtf8(kRelease1);
    const char* steps[] = {kTo2, kTo3, kTo4};
    for (int r = 2; r <= release && r <= 4; ++r)
        script += QString::fromUtf8(steps[r - 2]);
    if (extra)
        script += QString::fromUtf8(extra);
    QVERIFY2(db.executeScript(script), qPrintable(db.lastError()));
    gDatabase = &db;
}

QStringList column(TestLog& log, const QString& sql)
{
    QStringList out;
    auto rs = log.db().query(sql);
    for (; rs && !rs->eof(); rs->moveNext())
        out << (rs->field(0).isNull() ? QStringLiteral("NULL") : rs->field(0).toString());
    return out;
}
}  // namespace

class tst_schema : public QObject {
    Q_OBJECT
private slots:
    void newLog();
    void upgrade_data();
    void upgrade();
    void upgradeFromReleaseOneKeepsDives();
    void failedStepRollsBackAndAsksAgain();
    void declinedUpgradeTouchesNothing();
    void unknownRelease_data();
    void unknownRelease();
};

void tst_schema::newLog()
{
    TestLog log;
    QCOMPARE(ReadDatabaseRelease(), 5L);
    QCOMPARE(gSuits, QStringList({"ドライスーツ", "ロングジョン+ジャケット", "5mmフルスーツ+ベスト", "5mmフルスーツ",
                                  "シーガル", "ロングジョン", "スプリング"}));
    QCOMPARE(gItems, QStringList({"グローブ", "フード", "ベスト", "アンクルウエイト", "ダイブコンピュータ", "水中ノート",
                                  "ライト", "カメラ", "ナイフ"}));
    QCOMPARE(gConditions, QStringList({"波", "うねり", "流れ"}));
    QCOMPARE(gEntryTypes, QStringList({"ビーチ", "ボート"}));
    QCOMPARE(gTankMats, QStringList({"アルミニウム", "スチール"}));
    QVERIFY(!gWeathers.isEmpty());
    QVERIFY(!gAirTypes.isEmpty());
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM PlannerTbl")), 217);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM PlannerTbl WHERE tm IS NULL")), 3);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM SiTbl")), 351);
    QCOMPARE(column(log, QStringLiteral("SELECT no_offset || ',' || time_offset || ',' || Coalesce(pic_path, 'NULL')"
                                        " FROM ConfigTbl")),
             QStringList({"0,0,NULL"}));
    QCOMPARE(column(log, QStringLiteral("PRAGMA journal_mode")), QStringList({"delete"}));
    // Ids are never reused, so rows that refer to a deleted dive never attach to a new one.
    const qint64 first = log.addDive(QStringLiteral("2024-01-01"), {}, {});
    QVERIFY(log.db().execute(QStringLiteral("DELETE FROM LogTbl")));
    QCOMPARE(log.addDive(QStringLiteral("2024-01-01"), {}, {}), first + 1);
    QCOMPARE(column(log, QStringLiteral("SELECT min_visibility || '/' || condition || '/' || item FROM LogTbl")),
             QStringList({"0.0/0/0"}));
}

void tst_schema::upgrade_data()
{
    QTest::addColumn<int>("release");
    for (int r = 1; r <= 4; ++r)
        QTest::addRow("release %d", r) << r;
}

void tst_schema::upgrade()
{
    QFETCH(int, release);
    TestLog log(false);
    makeLog(log, release);
    const QByteArray before = ReadFileBytes(log.logPath());
    ScriptedUi ui;
    ui.answers = {MsgResult::Yes};
    QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::Ready);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages[0].text, kQuestion);
    QCOMPARE(ui.messages[0].icon, MsgIcon::Question);
    QCOMPARE(ui.messages[0].buttons, MsgButtons::YesNo);
    QCOMPARE(ui.messages[0].caption, QStringLiteral("Tidewriter"));
    // The backup holds the log as it was before the first statement.
    QCOMPARE(ReadFileBytes(log.logPath() + QStringLiteral(".bak")), before);
    QVERIFY(gModified);

    QCOMPARE(column(log, QStringLiteral("SELECT rel FROM VersionTbl")), QStringList({"5"}));
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM ConfigTbl WHERE no_offset = 0 AND time_offset = 0"
                                       " AND pic_path IS NULL")),
             1);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM ConfigTbl")), 1);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM SuitTbl")), 7);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM ItemTbl")), 9);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM ConditionTbl")), 3);
    QCOMPARE(column(log, QStringLiteral("SELECT suit FROM LogTbl ORDER BY id")), QStringList({"3", "0", "4"}));
    QCOMPARE(column(log, QStringLiteral("SELECT min_visibility || ' ' || max_visibility || ' ' || min_transparency"
                                        " || ' ' || max_transparency || ' ' || condition || ' ' || item"
                                        " FROM LogTbl ORDER BY id")),
             QStringList({"12.0 12.0 12.0 12.0 0 0", "NULL", "7.5 7.5 7.5 7.5 0 0"}));
    QVERIFY(log.db().execute(QStringLiteral("INSERT INTO PictureTbl VALUES (1, '/a.jpg', 'a')")));
    QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET temp_transit = '20 19.5' WHERE id = 1")));
    // Columns added later default to 0 for rows that leave them out.
    QVERIFY(log.db().execute(QStringLiteral("INSERT INTO LogTbl (dive_date) VALUES ('2024-01-01')")));
    QCOMPARE(column(log, QStringLiteral("SELECT max_transparency || '/' || condition || '/' || item FROM LogTbl"
                                        " WHERE dive_date = '2024-01-01'")),
             QStringList({"0.0/0/0"}));
    QVERIFY(log.db().query(QStringLiteral("SELECT * FROM LogTbl WHERE visibility = 1")) == nullptr);
}

void tst_schema::upgradeFromReleaseOneKeepsDives()
{
    TestLog log(false);
    makeLog(log, 1);
    ScriptedUi ui;
    ui.answers = {MsgResult::Yes};
    QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::Ready);
    QCOMPARE(column(log, QStringLiteral("SELECT depth_transit FROM LogTbl ORDER BY id")),
             QStringList({"0 5 10.5 3", "NULL", "1 2"}));
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM pragma_table_info('LogTbl') WHERE name = 'depth_transit2'")), 0);
    QCOMPARE(ui.messages.size(), 1);
}

void tst_schema::failedStepRollsBackAndAsksAgain()
{
    TestLog log(false);
    // An ItemTbl left over from somewhere makes the step from release 3 fail.
    makeLog(log, 2, "CREATE TABLE ItemTbl (x TEXT);");
    ScriptedUi ui;
    ui.answers = {MsgResult::Yes};
    QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::Ready);
    QCOMPARE(ui.messages.size(), 2);
    QCOMPARE(ui.messages[1].text, QStringLiteral("データベースのアップデートに失敗しました"));
    QCOMPARE(ui.messages[1].icon, MsgIcon::Exclamation);
    QCOMPARE(ReadDatabaseRelease(), 3L);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM SuitTbl")), 7);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM ConfigTbl")), 1);
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM pragma_table_info('LogTbl') WHERE name = 'min_visibility'")), 0);
    QCOMPARE(column(log, QStringLiteral("SELECT visibility FROM LogTbl WHERE id = 1")), QStringList({"12"}));

    // The next start asks again and goes on from release 3.
    QVERIFY(log.db().execute(QStringLiteral("DROP TABLE ItemTbl")));
    ui.messages.clear();
    ui.answers = {MsgResult::Yes};
    QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::Ready);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ReadDatabaseRelease(), 5L);
    QCOMPARE(column(log, QStringLiteral("SELECT suit FROM LogTbl ORDER BY id")), QStringList({"3", "0", "4"}));
}

void tst_schema::declinedUpgradeTouchesNothing()
{
    TestLog log(false);
    makeLog(log, 3);
    const QByteArray before = ReadFileBytes(log.logPath());
    ScriptedUi ui;
    ui.answers = {MsgResult::No};
    QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::Declined);
    QVERIFY(!QFile::exists(log.logPath() + QStringLiteral(".bak")));
    QVERIFY(!gModified);
    log.close();
    QCOMPARE(ReadFileBytes(log.logPath()), before);
}

void tst_schema::unknownRelease_data()
{
    QTest::addColumn<QString>("versionRows");
    QTest::newRow("newer") << "INSERT INTO VersionTbl VALUES (6);";
    QTest::newRow("no row") << "";
}

void tst_schema::unknownRelease()
{
    QFETCH(QString, versionRows);
    TestLog log(false);
    makeLog(log, 2, nullptr);
    QVERIFY(log.db().executeScript(QStringLiteral("DELETE FROM VersionTbl;") + versionRows));
    const QByteArray before = ReadFileBytes(log.logPath());
    ScriptedUi ui;
    QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::TooNew);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages[0].text, kTooNew);
    QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
    QVERIFY(!QFile::exists(log.logPath() + QStringLiteral(".bak")));
    QCOMPARE(ReadFileBytes(log.logPath()), before);
}

QTEST_APPLESS_MAIN(tst_schema)
#include "tst_schema.moc"
