#include "FileOps.h"
#include "Globals.h"
#include "IniFile.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modStartup.h"

#include <QFile>
#include <QtTest>

namespace {
// Fails the n-th call of one kind of file operation.
class FailingFiles : public FileOps {
public:
    QString failKind;
    int failAt = 1;
    QStringList calls;

    bool copy(const QString& s, const QString& t, QString* e) override { return step("copy", e) && FileOps::copy(s, t, e); }
    bool rename(const QString& s, const QString& t, QString* e) override { return step("rename", e) && FileOps::rename(s, t, e); }
    bool remove(const QString& p, QString* e) override { return step("remove", e) && FileOps::remove(p, e); }
    bool compact(const QString& s, const QString& t, QString* e) override { return step("compact", e) && FileOps::compact(s, t, e); }

private:
    QHash<QString, int> m_counts;
    bool step(const char* kind, QString* error)
    {
        const QString k = QString::fromLatin1(kind);
        calls << k;
        if (k == failKind && ++m_counts[k] == failAt) {
            if (error) *error = QStringLiteral("injected %1 failure").arg(k);
            return false;
        }
        return true;
    }
};

QStringList companions(const QString& path)
{
    QStringList present;
    for (const char* suffix : {"", ".bak", ".new", ".old"})
        if (QFile::exists(path + QString::fromLatin1(suffix)))
            present << (QString::fromLatin1(suffix).isEmpty() ? QStringLiteral("log") : QString::fromLatin1(suffix));
    return present;
}

qlonglong diveCount(const QString& path)
{
    Database db;
    if (!db.open(path, Database::OpenMode::ReadOnly))
        return -1;
    auto rs = db.query(QStringLiteral("SELECT Count(*) FROM LogTbl"));
    return rs ? rs->field(0).toLongLong() : -1;
}
}  // namespace

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void pathFromArguments_data();
    void pathFromArguments();
    void interruptedShutdown_data();
    void interruptedShutdown();
    void openLog_data();
    void openLog();
    void settings();
    void shutdownUnchangedLeavesFiles();
    void shutdownCompacts();
    void shutdownFailures_data();
    void shutdownFailures();
};

void tst_startup::pathFromArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("path");
    QTest::newRow("none") << QStringList() << "";
    QTest::newRow("quoted with blank") << QStringList({"\"/home/a/my log.db\""}) << "/home/a/my log.db";
    QTest::newRow("split words") << QStringList({"/home/a/my", "log.db"}) << "/home/a/my log.db";
    QTest::newRow("inner quotes") << QStringList({"/x/\"a\"b.db"}) << "/x/ab.db";
    QTest::newRow("options reserved") << QStringList({"--verbose", "/x/a.db"}) << "/x/a.db";
    QTest::newRow("only options") << QStringList({"--reset"}) << "";
}

void tst_startup::pathFromArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, path);
    QCOMPARE(DatabasePathFromArgs(args), path);
}

void tst_startup::interruptedShutdown_data()
{
    QTest::addColumn<QString>("oldState");  // "", "good", "corrupt"
    QTest::addColumn<QString>("newState");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<qlonglong>("dives");  // 2: the log itself, 1: its compacted copy
    QTest::newRow("after the first rename") << "good" << "good" << true << 2LL;
    QTest::newRow("old only") << "good" << "" << true << 2LL;
    QTest::newRow("new only") << "" << "good" << true << 1LL;
    QTest::newRow("old corrupt, new sound") << "corrupt" << "good" << true << 1LL;
    QTest::newRow("both corrupt") << "corrupt" << "corrupt" << false << -1LL;
}

void tst_startup::interruptedShutdown()
{
    QFETCH(QString, oldState);
    QFETCH(QString, newState);
    QFETCH(bool, opens);
    QFETCH(qlonglong, dives);
    TestLog log;
    log.addDive(QStringLiteral("2024-06-01"), QStringLiteral("10:00"), QStringLiteral("10:45"));
    log.close();
    const QByteArray oneDive = ReadFileBytes(log.logPath());
    log.open();
    log.addDive(QStringLiteral("2024-06-02"), QStringLiteral("10:00"), QStringLiteral("10:45"));
    log.close();
    const QByteArray twoDives = ReadFileBytes(log.logPath());
    QVERIFY(QFile::remove(log.logPath()));
    QByteArray corrupt = twoDives;
    corrupt.replace(100, 4000, QByteArray(4000, 'x'));
    auto place = [&](const QString& state, const QString& suffix, const QByteArray& good) {
        if (!state.isEmpty())
            WriteFileBytes(log.logPath() + suffix, state == QLatin1String("good") ? good : corrupt);
    };
    place(oldState, QStringLiteral(".old"), twoDives);
    place(newState, QStringLiteral(".new"), oneDive);
    const QStringList before = companions(log.logPath());

    ScriptedUi ui;
    Database db;
    QCOMPARE(OpenLog(db, log.logPath(), true), opens);
    db.close();
    if (opens) {
        QCOMPARE(diveCount(log.logPath()), dives);
        QVERIFY(ui.messages.isEmpty());
    } else {
        // Nothing is created over the remains, and nothing is deleted.
        QCOMPARE(companions(log.logPath()), before);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("データベースファイルがオープンできませんでした"));
    }
}

void tst_startup::openLog_data()
{
    QTest::addColumn<QByteArray>("content");  // null: no file
    QTest::addColumn<bool>("createIfMissing");
    QTest::addColumn<bool>("opens");
    QTest::newRow("first start creates the default log") << QByteArray() << true << true;
    QTest::newRow("named log missing") << QByteArray() << false << false;
    QTest::newRow("empty file") << QByteArray("") << true << false;
    QTest::newRow("access file") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00\x00\x00\x00", 23) << false << false;
    QTest::newRow("random bytes") << QByteArray(5000, '\x9c') << false << false;
}

void tst_startup::openLog()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, createIfMissing);
    QFETCH(bool, opens);
    TestLog log(false);
    if (!content.isNull())
        WriteFileBytes(log.logPath(), content);
    ScriptedUi ui;
    Database db;
    QCOMPARE(OpenLog(db, log.logPath(), createIfMissing), opens);
    if (opens) {
        QVERIFY(ui.messages.isEmpty());
        auto rs = db.query(QStringLiteral("SELECT rel FROM VersionTbl"));
        QCOMPARE(rs->field(0).toInt(), 5);
        return;
    }
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages[0].text, QStringLiteral("データベースファイルがオープンできませんでした"));
    QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
    QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
    QCOMPARE(QFile::exists(log.logPath()), !content.isNull());
    if (!content.isNull())
        QCOMPARE(ReadFileBytes(log.logPath()), content);
}

void tst_startup::settings()
{
    TestLog log(false);
    QVERIFY(IniFile::write(gIniPath, QStringLiteral("OPTION"), QStringLiteral("PORT"), QStringLiteral("3")));
    QVERIFY(IniFile::write(gIniPath, QStringLiteral("PAGETYPE_1"), QStringLiteral("TOP_MARGINE"), QStringLiteral("20")));
    QVERIFY(IniFile::write(gIniPath, QStringLiteral("PAGETYPE_2"), QStringLiteral("LEFT_MARGINE_LEFT"), QStringLiteral("")));
    QVERIFY(IniFile::write(gIniPath, QStringLiteral("PAGETYPE_2"), QStringLiteral("ORIENTATION"), QStringLiteral("abc")));
    QVERIFY(IniFile::write(gIniPath, QStringLiteral("print"), QStringLiteral("page_type"), QStringLiteral("1")));
    gOrientation[1] = 7;  // an unreadable value leaves the setting as it was
    ReadProgramSettings();
    QCOMPARE(gPort, 3L);
    QCOMPARE(gTopMargin[0], 20L);
    QCOMPARE(gLeftMarginRight[0], 21L);
    QCOMPARE(gLeftMarginLeft[0], 15L);
    QCOMPARE(gOrientation[0], 0L);
    QCOMPARE(gTopMargin[1], 12L);
    QCOMPARE(gLeftMarginRight[1], 24L);
    QCOMPARE(gLeftMarginLeft[1], 5L);
    QCOMPARE(gOrientation[1], 7L);
    QCOMPARE(gPageType, 1L);
    QCOMPARE(gPageSeq, 0L);
}

void tst_startup::shutdownUnchangedLeavesFiles()
{
    TestLog log;
    log.close();
    const QByteArray before = ReadFileBytes(log.logPath());
    ScriptedUi ui;
    CompactAtShutdown();
    QCOMPARE(companions(log.logPath()), QStringList({"log"}));
    QCOMPARE(ReadFileBytes(log.logPath()), before);
}

void tst_startup::shutdownCompacts()
{
    TestLog log;
    for (int i = 0; i < 200; ++i)
        log.addDive(QStringLiteral("2024-06-01"), QStringLiteral("10:00"), QStringLiteral("10:45"), 10,
                    QString(200, QLatin1Char('x')));
    QVERIFY(log.db().execute(QStringLiteral("DELETE FROM LogTbl WHERE id > 1")));
    gModified = true;
    log.close();
    const qint64 sizeBefore = QFileInfo(log.logPath()).size();
    // Stale files of an earlier interrupted exit go first.
    WriteFileBytes(log.logPath() + QStringLiteral(".new"), "stale");
    WriteFileBytes(log.logPath() + QStringLiteral(".old"), "stale");
    ScriptedUi ui;
    CompactAtShutdown();
    QVERIFY(ui.messages.isEmpty());
    QCOMPARE(companions(log.logPath()), QStringList({"log", ".bak"}));
    QVERIFY(QFileInfo(log.logPath()).size() < sizeBefore);
    QCOMPARE(QFileInfo(log.logPath() + QStringLiteral(".bak")).size(), sizeBefore);
    QCOMPARE(diveCount(log.logPath()), 1);
}

void tst_startup::shutdownFailures_data()
{
    QTest::addColumn<QString>("failKind");
    QTest::addColumn<int>("failAt");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("logAt");  // where the (uncompacted) log is afterwards
    QTest::newRow("backup") << "copy" << 1 << "データベースファイルをバックアップできませんでした" << QStringList({"log"}) << "";
    QTest::newRow("compaction") << "compact" << 1 << "injected compact failure" << QStringList({"log", ".bak"}) << "";
    QTest::newRow("first rename") << "rename" << 2 << "injected rename failure" << QStringList({"log", ".bak", ".new"}) << "";
    QTest::newRow("second rename") << "rename" << 3 << "injected rename failure" << QStringList({".bak", ".new", ".old"})
                                   << ".old";
    QTest::newRow("final delete") << "remove" << 3 << "injected remove failure" << QStringList({"log", ".bak", ".old"})
                                  << "compacted";
}

void tst_startup::shutdownFailures()
{
    QFETCH(QString, failKind);
    QFETCH(int, failAt);
    QFETCH(QString, message);
    QFETCH(QStringList, files);
    QFETCH(QString, logAt);
    TestLog log;
    log.addDive(QStringLiteral("2024-06-01"), QStringLiteral("10:00"), QStringLiteral("10:45"));
    gModified = true;
    log.close();
    const QByteArray before = ReadFileBytes(log.logPath());
    FailingFiles files_;
    files_.failKind = failKind;
    files_.failAt = failAt;
    InstallFileOps(&files_);
    ScriptedUi ui;
    CompactAtShutdown();
    InstallFileOps(nullptr);

    QCOMPARE(ui.messages.size(), 1);
    QVERIFY2(ui.messages[0].text.contains(message), qPrintable(ui.messages[0].text));
    if (failKind == QLatin1String("copy")) {
        QCOMPARE(ui.messages[0].icon, MsgIcon::Exclamation);
    } else {
        QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
        QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
    }
    QCOMPARE(companions(log.logPath()), files);
    if (logAt.isEmpty())
        QCOMPARE(ReadFileBytes(log.logPath()), before);
    else if (logAt == QLatin1String(".old"))
        QCOMPARE(ReadFileBytes(log.logPath() + logAt), before);
    else
        QCOMPARE(diveCount(log.logPath()), 1);
    // Whatever step failed, the next start finds a log with the dive in it.
    Database db;
    QVERIFY(OpenLog(db, log.logPath(), false));
    db.close();
    QCOMPARE(diveCount(log.logPath()), 1);
}

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
