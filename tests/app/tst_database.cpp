#include "Database.h"
#include "TestLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_database : public QObject {
    Q_OBJECT
private slots:
    void refusesWhatIsNotALog_data();
    void refusesWhatIsNotALog();
    void recordsetFields();
    void failingStatementChangesNothing();
    void transactions();
    void compactionGivesACompleteCopy();
};

void tst_database::refusesWhatIsNotALog_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("corruptLog");
    QByteArray access(4096, '\0');
    access.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
    QByteArray random(8192, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray("") << false;
    QTest::newRow("access file") << access << false;
    QTest::newRow("random bytes") << random << false;
    QTest::newRow("text") << QByteArray("id,location\n1,Izu\n") << false;
    QTest::newRow("corrupt log") << QByteArray() << true;
}

void tst_database::refusesWhatIsNotALog()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, corruptLog);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.db"));
    if (corruptLog) {
        {
            TestLog log;
            for (int i = 0; i < 300; ++i)
                log.addDive(QStringLiteral("2020-01-01"), QStringLiteral("10:00"), QStringLiteral("10:40"), 12.5,
                            QStringLiteral("大瀬崎 湾内 %1").arg(i));
            log.close();
            QVERIFY(QFile::copy(log.logPath(), path));
        }
        // Scribble over the pages after the header so the tables' b-trees break.
        QByteArray b = ReadFileBytes(path);
        for (qsizetype i = 4096; i < b.size(); i += 3)
            b[i] = char(0x5a);
        WriteFileBytes(path, b);
        bytes = b;
    } else if (!bytes.isNull()) {
        WriteFileBytes(path, bytes);
    }
    Database db;
    QString error;
    QVERIFY(!db.open(path, Database::OpenMode::ExistingReadWrite, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!db.isOpen());
    QCOMPARE(QFile::exists(path), !bytes.isNull());
    if (!bytes.isNull())
        QCOMPARE(ReadFileBytes(path), bytes);
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
}

void tst_database::recordsetFields()
{
    TestLog log;
    Database& db = log.db();
    QVERIFY(db.execute(QStringLiteral("CREATE TABLE t (a INTEGER, b TEXT, c REAL)")));
    QVERIFY(db.execute(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"), {1, QStringLiteral("O'Neil"), 2.5}));
    QVERIFY(db.execute(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"), {2, QVariant(), QVariant()}));
    auto rs = db.query(QStringLiteral("SELECT a, b, c FROM t WHERE a >= ? ORDER BY a"), {1});
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 2);
    QCOMPARE(rs->field(QStringLiteral("B")).toString(), QStringLiteral("O'Neil"));
    QCOMPARE(rs->field(2).toDouble(), 2.5);
    rs->moveNext();
    QVERIFY(rs->field(QStringLiteral("b")).isNull());
    QVERIFY(rs->field(QStringLiteral("c")).isNull());
    QVERIFY(!rs->field(QStringLiteral("nosuch")).isValid());
    rs->moveNext();
    QVERIFY(rs->eof());
    QVERIFY(!rs->field(0).isValid());
    rs->moveFirst();
    QCOMPARE(rs->field(0).toInt(), 1);
    QVERIFY(!db.query(QStringLiteral("SELECT * FROM nosuch")));
    QVERIFY(db.lastError().contains(QStringLiteral("nosuch")));
}

void tst_database::failingStatementChangesNothing()
{
    TestLog log;
    Database& db = log.db();
    QVERIFY(db.execute(QStringLiteral("CREATE TABLE u (a INTEGER UNIQUE)")));
    QVERIFY(db.execute(QStringLiteral("INSERT INTO u VALUES (1), (2)")));
    // The second row collides: the statement as a whole applies nothing.
    QVERIFY(!db.execute(QStringLiteral("UPDATE u SET a = a + ? WHERE a >= ?"), {1, 1}));
    QVERIFY2(db.lastStatement().contains(QStringLiteral("a + 1 WHERE a >= 1")), qPrintable(db.lastStatement()));
    QCOMPARE(log.scalar(QStringLiteral("SELECT Sum(a) FROM u")), 3);
    QVERIFY(!db.execute(QStringLiteral("INSERT INTO u VALUES (?)"), {}));
}

void tst_database::transactions()
{
    TestLog log;
    Database& db = log.db();
    QVERIFY(db.beginTrans());
    QVERIFY(db.inTransaction());
    log.addDive(QStringLiteral("2021-05-01"), QStringLiteral("09:00"), QStringLiteral("09:45"));
    QVERIFY(db.rollback());
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM LogTbl")), 0);
    QVERIFY(db.beginTrans());
    log.addDive(QStringLiteral("2021-05-01"), QStringLiteral("09:00"), QStringLiteral("09:45"));
    QVERIFY(db.commitTrans());
    QVERIFY(!db.inTransaction());
    QCOMPARE(log.scalar(QStringLiteral("SELECT Count(*) FROM LogTbl")), 1);
}

void tst_database::compactionGivesACompleteCopy()
{
    TestLog log;
    for (int i = 0; i < 50; ++i)
        log.addDive(QStringLiteral("2021-05-01"), QStringLiteral("09:00"), QStringLiteral("09:45"), 10 + i);
    QVERIFY(log.db().execute(QStringLiteral("DELETE FROM LogTbl WHERE max_depth < 50")));
    log.close();
    const QString target = log.path(QStringLiteral("copy.db"));
    QString error;
    QVERIFY2(Database::compact(log.logPath(), target, &error), qPrintable(error));
    QVERIFY(Database::integrityCheck(target));
    Database copy;
    QVERIFY(copy.open(target, Database::OpenMode::ReadOnly));
    auto rs = copy.query(QStringLiteral("SELECT Count(*), Min(max_depth) FROM LogTbl"));
    QCOMPARE(rs->field(0).toInt(), 10);
    QCOMPARE(rs->field(1).toDouble(), 50.0);
    // A target that exists already is never overwritten.
    QVERIFY(!Database::compact(log.logPath(), target, &error));
    QVERIFY(!Database::compact(log.path(QStringLiteral("missing.db")), log.path(QStringLiteral("x.db")), &error));
}

QTEST_APPLESS_MAIN(tst_database)
#include "tst_database.moc"
