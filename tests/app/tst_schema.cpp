#include "Globals.h"
#include "Schema.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modSupport.h"

#include <QtTest>

namespace {
// The log as each older release of the program left it: release 1, then the steps to 2, 3 and 4.
const char kRelease1[] = R"(
CREATE TABLE LogTbl (id INTEGER PRIMARY KEY AUTOINCREMENT, location TEXT, buddy TEXT, guide TEXT, entry_type INTEGER,
  comment TEXT, weather INTEGER, dive_date TEXT, in_time TEXT, out_time TEXT, avg_depth REAL, max_depth REAL,
  tank_mat INTEGER, tank_capa REAL, start_tank_bar REAL, end_tank_bar REAL, suit INTEGER, air_type INTEGER, weight REAL,
  air_temp REAL, surface_temp REAL, depth_temp REAL, create_time TEXT, update_time TEXT, depth_transit TEXT, visibility REAL);
CREATE TABLE SuitTbl (id INTEGER, text TEXT); INSERT INTO SuitTbl VALUES (0, '5mmフルスーツ'), (1, 'ドライスーツ'), (2, 'なし');
CREATE TABLE WeatherTbl (id INTEGER, text TEXT); INSERT INTO WeatherTbl VALUES (0, '晴れ');
CREATE TABLE AirTypeTbl (id INTEGER, text TEXT); CREATE TABLE TankMatTbl (id INTEGER, text TEXT);
CREATE TABLE EntryTypeTbl (id INTEGER, text TEXT); INSERT INTO EntryTypeTbl VALUES (0, 'ビーチ'), (1, 'ボート');
CREATE TABLE PlannerTbl (pg INTEGER, dep REAL, tm INTEGER, abt INTEGER, rnt INTEGER);
CREATE TABLE SiTbl (start_pg INTEGER, end_pg INTEGER, rest INTEGER);
INSERT INTO LogTbl (dive_date, in_time, out_time, suit, depth_transit, visibility) VALUES
  ('2003-08-01', '10:00', '10:40', 0, '0 5 10.5 3', 12), ('2003-08-01', '13:00', '13:35', 1, NULL, NULL),
  ('2003-08-02', '09:00', '09:50', 4, '1 2', 7.5);
)";
const char kTo2[] = "CREATE TABLE VersionTbl (rel INTEGER); INSERT INTO VersionTbl VALUES (2);";
const char kTo3[] = R"(
CREATE TABLE ConfigTbl (no_offset INTEGER, time_offset INTEGER); INSERT INTO ConfigTbl VALUES (0, 0);
DELETE FROM SuitTbl; INSERT INTO SuitTbl VALUES (0, 'ドライスーツ'), (1, 'ロングジョン+ジャケット'),
  (2, '5mmフルスーツ+ベスト'), (3, '5mmフルスーツ'), (4, 'シーガル'), (5, 'ロングジョン'), (6, 'スプリング');
UPDATE LogTbl SET suit = 3 WHERE suit = 0; UPDATE LogTbl SET suit = 0 WHERE suit = 1; UPDATE VersionTbl SET rel = 3;
)";
const char kTo4[] = R"(
ALTER TABLE LogTbl ADD COLUMN min_visibility REAL DEFAULT 0; ALTER TABLE LogTbl ADD COLUMN max_visibility REAL DEFAULT 0;
ALTER TABLE LogTbl ADD COLUMN min_transparency REAL DEFAULT 0; ALTER TABLE LogTbl ADD COLUMN max_transparency REAL DEFAULT 0;
ALTER TABLE LogTbl ADD COLUMN condition INTEGER DEFAULT 0; ALTER TABLE LogTbl ADD COLUMN item INTEGER DEFAULT 0;
UPDATE LogTbl SET min_visibility = visibility, max_visibility = visibility, min_transparency = visibility,
  max_transparency = visibility, condition = 0, item = 0;
ALTER TABLE LogTbl DROP COLUMN visibility; CREATE TABLE ItemTbl (id INTEGER PRIMARY KEY, name TEXT);
INSERT INTO ItemTbl VALUES (0, 'グローブ'), (1, 'フード'), (2, 'ベスト'), (3, 'アンクルウエイト'),
  (4, 'ダイブコンピュータ'), (5, '水中ノート'), (6, 'ライト'), (7, 'カメラ'), (8, 'ナイフ');
CREATE TABLE ConditionTbl (id INTEGER PRIMARY KEY, name TEXT); UPDATE VersionTbl SET rel = 4;
INSERT INTO ConditionTbl VALUES (0, '波'), (1, 'うねり'), (2, '流れ');
)";

// Writes a log at the given release (with extra SQL after it) and opens it as the program's log.
void makeLog(TestLog& log, int release, const QString& extra = {})
{
    QVERIFY(log.db().open(log.logPath(), Database::OpenMode::CreateNew));
    QString script = QString::fromUtf8(kRelease1);
    for (const char* step : {kTo2, kTo3, kTo4})
        if (release-- > 1)
            script += QString::fromUtf8(step);
    QVERIFY2(log.db().executeScript(script + extra), qPrintable(log.db().lastError()));
    gDatabase = &log.db();
}

const QString kConfig =
    QStringLiteral("SELECT no_offset || ',' || time_offset || ',' || Coalesce(pic_path, 'NULL') FROM ConfigTbl");
// The release of the log, what breaks the upgrade, the release it is left at, the message's last line.
struct Broken { int release; QString breakage; int releaseAfter; QString engine; };
}  // namespace
Q_DECLARE_METATYPE(Broken)

class tst_schema : public QObject {
    Q_OBJECT
private slots:
    void newLog()
    {
        TestLog log;
        // The dive tables are the shipped rows (checked by the divetable_data test).
        for (const auto& [file, sql] :
             {std::pair{"planner.csv", "SELECT pg||','||CAST(dep AS INTEGER)||','||ifnull(tm,'')||','||abt||','||rnt"
                                       " FROM PlannerTbl ORDER BY rowid"},
              std::pair{"si.csv", "SELECT start_pg||','||end_pg||','||rest FROM SiTbl ORDER BY rowid"}}) {
            const QStringList rows = QString::fromLatin1(ReadFileBytes(QStringLiteral(":/divetable/") + file))
                                         .split(QRegularExpression("\\r?\\n"), Qt::SkipEmptyParts).mid(1);
            QVERIFY(rows.size() > 200);
            QCOMPARE(log.values(sql), rows);
        }
        QCOMPARE(log.values("SELECT rel FROM VersionTbl"), QStringList({"5"}));
        QCOMPARE(log.values(kConfig), QStringList({"0,0,NULL"}));
        QCOMPARE(log.values("PRAGMA journal_mode"), QStringList({"delete"}));
        // Ids are never reused, so rows that refer to a deleted dive never attach to a new one.
        const qint64 first = log.addDive("2024-01-01", {}, {});
        QVERIFY(log.db().execute(QStringLiteral("DELETE FROM LogTbl")));
        QCOMPARE(log.addDive("2024-01-01", {}, {}), first + 1);
        QCOMPARE(log.values("SELECT min_visibility || '/' || condition || '/' || item FROM LogTbl"), QStringList({"0.0/0/0"}));
    }

    // An older release is upgraded once the user agrees, backed up first. A step that fails, or cannot commit, is
    // rolled back and reported; the run goes on with its later changes kept, and the next start asks again.
    void upgrade_data()
    {
        QTest::addColumn<Broken>("b");
        for (int r = 1; r <= 4; ++r)
            QTest::addRow("release %d", r) << Broken{r, "", 5, ""};
        // A leftover table makes the step from release 3 fail.
        QTest::newRow("statement fails") << Broken{2, "CREATE TABLE ItemTbl (x TEXT);", 3, "table ItemTbl already exists"};
        QTest::newRow("commit refused by a reader") << Broken{2, "reader", 2, "database is locked"};
        // The engine ends the transaction on a disk error: what follows must not run, or depth_transit is dropped alone.
        QTest::newRow("transaction ended by an error") << Broken{1, "ended", 1, "disk I/O error"};
    }
    void upgrade()
    {
        QFETCH(Broken, b);
        const QString& breakage = b.breakage;
        TestLog log(false);
        makeLog(log, b.release, breakage == "reader" || breakage == "ended" ? QString() : breakage);
        const QByteArray before = ReadFileBytes(log.logPath());
        Database reader;
        QVERIFY(reader.open(log.logPath(), Database::OpenMode::ReadOnly));
        if (breakage == "reader")
            QVERIFY(reader.beginTrans() && reader.query(QStringLiteral("SELECT Count(*) FROM LogTbl")));
        if (breakage == "ended")
            Database::InstallStatementFault([&log](const QString& sql) {
                if (!sql.startsWith(QLatin1String("UPDATE LogTbl SET depth_transit2")))
                    return QString();
                log.db().rollback();
                return QStringLiteral("disk I/O error");
            });
        ScriptedUi ui;
        ui.answers = {MsgResult::Yes};
        QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::Ready);
        Database::InstallStatementFault(nullptr);
        if (breakage == "reader")
            QVERIFY(reader.rollback());
        QCOMPARE(ui.messages[0].text, QStringLiteral("このバージョンではデータベース構造が変更になりました\n"
                                                     "データベースをアップデートしてよろしいですか\n\n"
                                                     "（実行する前にデータベースファイルをバックアップすることをお勧めします）"));
        // The backup holds the log as it was before the first statement.
        QCOMPARE(ReadFileBytes(log.logPath() + ".bak"), before);
        QVERIFY(gModified);
        if (!b.engine.isEmpty()) {
            QCOMPARE(ui.messages.size(), 2);
            // The upgrade's own words first, the engine's last.
            const QStringList lines = ui.messages[1].text.split(QStringLiteral("\r\n"));
            QCOMPARE(lines.first(), QStringLiteral("データベースのアップデートに失敗しました"));
            QCOMPARE(lines.last(), b.engine);
            QCOMPARE(ui.messages[1].icon, MsgIcon::Exclamation);
            QVERIFY(!log.db().inTransaction());
            QCOMPARE(ReadDatabaseRelease(), long(b.releaseAfter));
            QCOMPARE(log.values("SELECT Count(*) FROM SuitTbl UNION ALL SELECT Count(*) FROM pragma_table_info('LogTbl')"
                                " WHERE name IN ('min_visibility', 'depth_transit2') UNION ALL"
                                " SELECT visibility || '|' || depth_transit FROM LogTbl WHERE id = 1"),
                     QStringList({b.releaseAfter >= 3 ? "7" : "3", "0", "12.0|0 5 10.5 3"}));
            // A change later in the run reaches the file.
            QVERIFY(ExecuteSQL(QStringLiteral("UPDATE LogTbl SET buddy = 'Ken' WHERE id = 1")));
            QCOMPARE(reader.query(QStringLiteral("SELECT buddy FROM LogTbl WHERE id = 1"))->field(0).toString(),
                     QStringLiteral("Ken"));
            // The next start asks again and goes on from where the last commit left the log.
            QVERIFY(log.db().execute(QStringLiteral("DROP TABLE IF EXISTS ItemTbl")));
            ui.answers = {MsgResult::Yes};
            QCOMPARE(CheckDatabaseRelease(), ReleaseCheck::Ready);
            QCOMPARE(ui.messages.size(), 3);
            QCOMPARE(ui.messages[2].text, ui.messages[0].text);
        } else {
            QCOMPARE(ui.messages.size(), 1);
        }
        QCOMPARE(log.values(kConfig), QStringList({"0,0,NULL"}));
        // Release; rows of each list, not doubled; columns that must be gone.
        QCOMPARE(log.values("SELECT rel FROM VersionTbl UNION ALL SELECT Count(*) FROM SuitTbl UNION ALL SELECT Count(*)"
                            " FROM ItemTbl UNION ALL SELECT Count(*) FROM ConditionTbl UNION ALL SELECT Count(*) FROM"
                            " pragma_table_info('LogTbl') WHERE name IN ('visibility', 'depth_transit2')"),
                 QStringList({"5", "7", "9", "3", "0"}));
        QCOMPARE(log.values("SELECT suit || '|' || Coalesce(depth_transit, 'NULL') FROM LogTbl ORDER BY id"),
                 QStringList({"3|0 5 10.5 3", "0|NULL", "4|1 2"}));
        QCOMPARE(log.values("SELECT min_visibility || ' ' || max_visibility || ' ' || min_transparency || ' '"
                            " || max_transparency || ' ' || condition || ' ' || item FROM LogTbl ORDER BY id"),
                 QStringList({"12.0 12.0 12.0 12.0 0 0", "NULL", "7.5 7.5 7.5 7.5 0 0"}));
        // Release 5's table and column are there; columns added later default to 0 for rows that leave them out.
        QVERIFY2(log.db().executeScript(QStringLiteral("INSERT INTO PictureTbl VALUES (1, '/a.jpg', 'a');"
                                                       " UPDATE LogTbl SET temp_transit = '20 19.5' WHERE id = 1;"
                                                       " INSERT INTO LogTbl (dive_date) VALUES ('2024-01-01');")),
                 qPrintable(log.db().lastError()));
        QCOMPARE(log.values("SELECT max_transparency || '/' || condition || '/' || item FROM LogTbl"
                            " WHERE dive_date = '2024-01-01'"),
                 QStringList({"0.0/0/0"}));
    }

    // Declining, a newer, missing or unreadable release leave the file as it was, with no backup.
    void untouched_data()
    {
        QTest::addColumn<QString>("versionRows");  // replace the release row of a release 3 log
        QTest::addColumn<int>("result");
        QTest::newRow("declined") << "" << int(ReleaseCheck::Declined);
        QTest::newRow("newer") << "DELETE FROM VersionTbl; INSERT INTO VersionTbl VALUES (6);" << int(ReleaseCheck::TooNew);
        QTest::newRow("no row") << "DELETE FROM VersionTbl;" << int(ReleaseCheck::TooNew);
        QTest::newRow("locked by another program") << "locked" << int(ReleaseCheck::Unreadable);
    }
    void untouched()
    {
        QFETCH(QString, versionRows);
        QFETCH(int, result);
        TestLog log(false);
        makeLog(log, 3, versionRows == "locked" ? QString() : versionRows);
        const QByteArray before = ReadFileBytes(log.logPath());
        Database writer;  // another program in the middle of a change
        if (versionRows == "locked")
            QVERIFY(writer.open(log.logPath(), Database::OpenMode::ExistingReadWrite)
                    && writer.execute(QStringLiteral("BEGIN EXCLUSIVE")));
        ScriptedUi ui;
        ui.answers = {MsgResult::No};
        QCOMPARE(int(CheckDatabaseRelease()), result);
        writer.close();
        QCOMPARE(ui.messages.size(), 1);
        const QStringList shown{ui.messages[0].caption, ui.messages[0].text};
        if (result == int(ReleaseCheck::Unreadable))
            QCOMPARE(shown, QStringList({"エラー", "データベースファイルがオープンできませんでした"}));
        else if (result == int(ReleaseCheck::TooNew))
            QCOMPARE(shown, QStringList({"Tidewriter", "データベースのバージョンが違います\n"
                                                       "アプリケーションが古いかデータベースが壊れています"}));
        QCOMPARE(ui.messages[0].icon, result == int(ReleaseCheck::Declined) ? MsgIcon::Question : MsgIcon::Critical);
        QVERIFY(!QFile::exists(log.logPath() + ".bak"));
        QVERIFY(!gModified);
        log.close();
        QCOMPARE(ReadFileBytes(log.logPath()), before);
    }
};

QTEST_APPLESS_MAIN(tst_schema)
#include "tst_schema.moc"
