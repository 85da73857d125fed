#include "Schema.h"

#include "Database.h"
#include "Globals.h"
#include "UiServices.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <functional>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CheckDatabaseRelease", text);
}

const char* const kSuits[] = {"ドライスーツ", "ロングジョン+ジャケット", "5mmフルスーツ+ベスト", "5mmフルスーツ",
                              "シーガル", "ロングジョン", "スプリング"};
const char* const kItems[] = {"グローブ", "フード", "ベスト", "アンクルウエイト", "ダイブコンピュータ",
                              "水中ノート", "ライト", "カメラ", "ナイフ"};
const char* const kConditions[] = {"波", "うねり", "流れ"};
// The printed log pages mark exactly these entry types and tank materials.
const char* const kEntryTypes[] = {"ビーチ", "ボート"};
const char* const kTankMats[] = {"アルミニウム", "スチール"};
const char* const kWeathers[] = {"晴れ", "晴れ時々曇り", "曇り", "雨", "雪"};
const char* const kAirTypes[] = {"空気", "ナイトロックス32%", "ナイトロックス36%"};

template <size_t N>
bool insertRows(Database& db, const QString& table, const char* const (&texts)[N])
{
    for (size_t i = 0; i < N; ++i)
        if (!db.execute(QStringLiteral("INSERT INTO %1 VALUES (?, ?)").arg(table),
                        {qlonglong(i), QString::fromUtf8(texts[i])}))
            return false;
    return true;
}

// Rows of a shipped CSV file with a header line; empty cells become Null.
bool insertCsv(Database& db, const QString& resource, const QString& table, int columns)
{
    QFile f(resource);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QStringList marks;
    for (int i = 0; i < columns; ++i)
        marks << QStringLiteral("?");
    const QString sql = QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(QLatin1Char(',')));
    f.readLine();  // header
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList cells = line.split(QLatin1Char(','));
        if (cells.size() != columns)
            return false;
        QVariantList values;
        for (const QString& c : cells)
            values << (c.isEmpty() ? QVariant() : QVariant(c.toLongLong()));
        if (!db.execute(sql, values))
            return false;
    }
    return true;
}

const char kReleaseFiveSchema[] = R"(
CREATE TABLE LogTbl (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  location TEXT, buddy TEXT, guide TEXT, entry_type INTEGER, comment TEXT, weather INTEGER,
  dive_date TEXT, in_time TEXT, out_time TEXT, avg_depth REAL, max_depth REAL,
  tank_mat INTEGER, tank_capa REAL, start_tank_bar REAL, end_tank_bar REAL,
  suit INTEGER, air_type INTEGER, weight REAL, air_temp REAL, surface_temp REAL, depth_temp REAL,
  create_time TEXT, update_time TEXT, depth_transit TEXT,
  min_visibility REAL DEFAULT 0, max_visibility REAL DEFAULT 0,
  min_transparency REAL DEFAULT 0, max_transparency REAL DEFAULT 0,
  condition INTEGER DEFAULT 0, item INTEGER DEFAULT 0, temp_transit TEXT);
CREATE INDEX LogTblDateTime ON LogTbl (dive_date, in_time, out_time);
CREATE INDEX LogTblLocation ON LogTbl (location);
CREATE INDEX LogTblBuddy ON LogTbl (buddy);
CREATE INDEX LogTblGuide ON LogTbl (guide);
CREATE TABLE SuitTbl (id INTEGER, text TEXT);
CREATE TABLE WeatherTbl (id INTEGER, text TEXT);
CREATE TABLE AirTypeTbl (id INTEGER, text TEXT);
CREATE TABLE EntryTypeTbl (id INTEGER, text TEXT);
CREATE TABLE TankMatTbl (id INTEGER, text TEXT);
CREATE TABLE ItemTbl (id INTEGER CONSTRAINT ItemTblIdConstraint PRIMARY KEY, name TEXT);
CREATE TABLE ConditionTbl (id INTEGER CONSTRAINT ConditionTblIdConstraint PRIMARY KEY, name TEXT);
CREATE TABLE VersionTbl (rel INTEGER);
INSERT INTO VersionTbl (rel) VALUES (5);
CREATE TABLE ConfigTbl (no_offset INTEGER, time_offset INTEGER, pic_path TEXT);
INSERT INTO ConfigTbl (no_offset, time_offset) VALUES (0, 0);
CREATE TABLE PictureTbl (dive_id INTEGER, filename TEXT, title TEXT);
CREATE INDEX PictureTblDive ON PictureTbl (dive_id);
CREATE TABLE PlannerTbl (pg INTEGER, dep REAL, tm INTEGER, abt INTEGER, rnt INTEGER);
CREATE TABLE SiTbl (start_pg INTEGER, end_pg INTEGER, rest INTEGER);
CREATE INDEX PlannerTblDepthTime ON PlannerTbl (dep, tm);
CREATE INDEX PlannerTblGroupDepth ON PlannerTbl (pg, dep);
CREATE INDEX SiTblStartEnd ON SiTbl (start_pg, end_pg);
)";

// One upgrade step: its statements run in one transaction and stop at the first failure.
using Step = std::function<bool()>;

bool run(const QString& sql)
{
    return ExecuteSQL(sql);
}

bool runAll(const QStringList& statements)
{
    for (const QString& s : statements)
        if (!run(s))
            return false;
    return true;
}

bool stepTo2()
{
    // Every statement may fail on its own (a table that is already there) and the step
    // goes on. The column dance keeps depth_transit's contents.
    for (const char* s : {"CREATE TABLE VersionTbl (rel INTEGER)",
                          "INSERT INTO VersionTbl (rel) VALUES (2)",
                          "ALTER TABLE LogTbl ADD COLUMN depth_transit2 TEXT",
                          "UPDATE LogTbl SET depth_transit2 = depth_transit",
                          "ALTER TABLE LogTbl DROP COLUMN depth_transit",
                          "ALTER TABLE LogTbl ADD COLUMN depth_transit TEXT",
                          "UPDATE LogTbl SET depth_transit = depth_transit2",
                          "ALTER TABLE LogTbl DROP COLUMN depth_transit2"}) {
        run(QString::fromLatin1(s));
        // An error that ended the whole transaction (a full disk) must not let the
        // remaining statements run one by one outside it.
        if (!gDatabase->inTransaction())
            return false;
    }
    return true;
}

bool stepTo3()
{
    if (!runAll({QStringLiteral("CREATE TABLE ConfigTbl (no_offset INTEGER, time_offset INTEGER)"),
                 QStringLiteral("INSERT INTO ConfigTbl (no_offset, time_offset) VALUES (0, 0)"),
                 QStringLiteral("DELETE FROM SuitTbl")}))
        return false;
    for (size_t i = 0; i < std::size(kSuits); ++i)
        if (!ExecuteSQL(QStringLiteral("INSERT INTO SuitTbl VALUES (?, ?)"), {qlonglong(i), QString::fromUtf8(kSuits[i])}))
            return false;
    // Old 0 becomes 3 before old 1 becomes 0; the other order would move old 1 to 3 too.
    return runAll({QStringLiteral("UPDATE LogTbl SET suit = 3 WHERE suit = 0"),
                   QStringLiteral("UPDATE LogTbl SET suit = 0 WHERE suit = 1"),
                   QStringLiteral("UPDATE VersionTbl SET rel = 3")});
}

bool stepTo4()
{
    // SQLite sets a column's default when the column is added, so the new columns carry
    // their default 0 from the start.
    if (!runAll({QStringLiteral("ALTER TABLE LogTbl ADD COLUMN min_visibility REAL DEFAULT 0"),
                 QStringLiteral("ALTER TABLE LogTbl ADD COLUMN max_visibility REAL DEFAULT 0"),
                 QStringLiteral("ALTER TABLE LogTbl ADD COLUMN min_transparency REAL DEFAULT 0"),
                 QStringLiteral("ALTER TABLE LogTbl ADD COLUMN max_transparency REAL DEFAULT 0"),
                 QStringLiteral("UPDATE LogTbl SET min_visibility = visibility, max_visibility = visibility,"
                                " min_transparency = visibility, max_transparency = visibility"),
                 QStringLiteral("ALTER TABLE LogTbl DROP COLUMN visibility"),
                 QStringLiteral("ALTER TABLE LogTbl ADD COLUMN condition INTEGER DEFAULT 0"),
                 QStringLiteral("ALTER TABLE LogTbl ADD COLUMN item INTEGER DEFAULT 0"),
                 QStringLiteral("UPDATE LogTbl SET condition = 0, item = 0"),
                 QStringLiteral("CREATE TABLE ItemTbl (id INTEGER CONSTRAINT ItemTblIdConstraint PRIMARY KEY, name TEXT)")}))
        return false;
    for (size_t i = 0; i < std::size(kItems); ++i)
        if (!ExecuteSQL(QStringLiteral("INSERT INTO ItemTbl VALUES (?, ?)"), {qlonglong(i), QString::fromUtf8(kItems[i])}))
            return false;
    if (!run(QStringLiteral(
            "CREATE TABLE ConditionTbl (id INTEGER CONSTRAINT ConditionTblIdConstraint PRIMARY KEY, name TEXT)")))
        return false;
    for (size_t i = 0; i < std::size(kConditions); ++i)
        if (!ExecuteSQL(QStringLiteral("INSERT INTO ConditionTbl VALUES (?, ?)"),
                        {qlonglong(i), QString::fromUtf8(kConditions[i])}))
            return false;
    return run(QStringLiteral("UPDATE VersionTbl SET rel = 4"));
}

bool stepTo5()
{
    return runAll({QStringLiteral("ALTER TABLE ConfigTbl ADD COLUMN pic_path TEXT"),
                   QStringLiteral("CREATE TABLE PictureTbl (dive_id INTEGER, filename TEXT, title TEXT)"),
                   QStringLiteral("CREATE INDEX IF NOT EXISTS PictureTblDive ON PictureTbl (dive_id)"),
                   QStringLiteral("ALTER TABLE LogTbl ADD COLUMN temp_transit TEXT"),
                   QStringLiteral("CREATE INDEX IF NOT EXISTS LogTblDateTime ON LogTbl (dive_date, in_time, out_time)"),
                   QStringLiteral("UPDATE VersionTbl SET rel = 5")});
}

}  // namespace

bool CreateNewLog(const QString& path, QString* error)
{
    Database db;
    bool ok = db.open(path, Database::OpenMode::CreateNew, error) && db.beginTrans()
        && db.executeScript(QString::fromLatin1(kReleaseFiveSchema))
        && insertRows(db, QStringLiteral("SuitTbl"), kSuits) && insertRows(db, QStringLiteral("ItemTbl"), kItems)
        && insertRows(db, QStringLiteral("ConditionTbl"), kConditions)
        && insertRows(db, QStringLiteral("EntryTypeTbl"), kEntryTypes)
        && insertRows(db, QStringLiteral("TankMatTbl"), kTankMats)
        && insertRows(db, QStringLiteral("WeatherTbl"), kWeathers)
        && insertRows(db, QStringLiteral("AirTypeTbl"), kAirTypes)
        && insertCsv(db, QStringLiteral(":/divetable/planner.csv"), QStringLiteral("PlannerTbl"), 5)
        && insertCsv(db, QStringLiteral(":/divetable/si.csv"), QStringLiteral("SiTbl"), 3) && db.commitTrans();
    if (!ok) {
        if (error && error->isEmpty())
            *error = db.lastError();
        db.close();
        QFile::remove(path);
    }
    return ok;
}

long ReadDatabaseRelease()
{
    // Only a log without VersionTbl is release 1. Any other error (a log locked by another
    // program, a damaged one) says nothing about its release, and an upgrade from release
    // 1 would rebuild tables of a newer log.
    const std::optional<QVariant> tables = QueryFirstValue(QStringLiteral(
        "SELECT Count(*) FROM sqlite_master WHERE type = 'table' AND name = 'VersionTbl' COLLATE NOCASE"));
    if (!tables)
        return 0;
    if (tables->toLongLong() == 0)
        return 1;
    auto rs = OpenQuery(QStringLiteral("SELECT rel FROM VersionTbl"));
    if (!rs)
        return 0;
    if (rs->eof() || rs->field(0).isNull())
        return -1;
    return long(rs->field(0).toLongLong());
}

ReleaseCheck CheckDatabaseRelease()
{
    const long release = ReadDatabaseRelease();
    if (release == kCurrentRelease)
        return ReleaseCheck::Ready;
    if (release == 0) {
        MsgBox(tr("データベースファイルがオープンできませんでした"), MsgIcon::Critical, MsgButtons::Ok, tr("エラー"));
        return ReleaseCheck::Unreadable;
    }
    // A VersionTbl without a release is as unknown as one from the future: touch nothing.
    if (release > kCurrentRelease || release < 1) {
        MsgBox(tr("データベースのバージョンが違います") + QLatin1Char('\n')
                   + tr("アプリケーションが古いかデータベースが壊れています"),
               MsgIcon::Critical);
        return ReleaseCheck::TooNew;
    }
    const QString question = tr("このバージョンではデータベース構造が変更になりました") + QLatin1Char('\n')
        + tr("データベースをアップデートしてよろしいですか") + QStringLiteral("\n\n")
        + tr("（実行する前にデータベースファイルをバックアップすることをお勧めします）");
    if (MsgBox(question, MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return ReleaseCheck::Declined;
    BackupDatabase();

    // A step that cannot begin or commit is a failed step too: commitTrans leaves no
    // transaction open, so the rest of the run is not undone at close.
    const Step steps[] = {stepTo2, stepTo3, stepTo4, stepTo5};
    for (long from = release; from < kCurrentRelease; ++from) {
        if (gDatabase->beginTrans() && steps[from - 1]() && gDatabase->commitTrans())
            continue;
        const QString why = LastDatabaseFailure();
        gDatabase->rollback();
        MsgBox(FailureMessage(tr("データベースのアップデートに失敗しました"), why), MsgIcon::Exclamation);
        break;
    }
    return ReleaseCheck::Ready;
}
