#include "Database.h"
#include "TestLog.h"

#include <QtTest>

// The kinds of file that are not a log are all here; tst_startup keeps one for what the user sees.
class tst_database : public QObject {
    Q_OBJECT
private slots:
    void refusesWhatIsNotALog_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // null: no file
        TestLog log;
        for (int i = 0; i < 300; ++i)
            log.addDive("2020-01-01", "10:00", "10:40", 12.5, QStringLiteral("大瀬崎 湾内 %1").arg(i));
        log.close();
        QByteArray corrupt = ReadFileBytes(log.logPath());
        for (qsizetype i = 4096; i < corrupt.size(); i += 3)  // the pages after the header: the tables' b-trees break
            corrupt[i] = char(0x5a);
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("access file") << QByteArray("\x00\x01\x00\x00Standard Jet DB", 19).leftJustified(4096, '\0');
        QTest::newRow("corrupt log") << corrupt;
    }
    void refusesWhatIsNotALog()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("x.db");
        if (!bytes.isNull())
            WriteFileBytes(path, bytes);
        Database db;
        QString error;
        QVERIFY(!db.open(path, Database::OpenMode::ExistingReadWrite, &error));
        QVERIFY(!error.isEmpty() && !db.isOpen());
        QCOMPARE(QFile::exists(path), !bytes.isNull());
        QCOMPARE(ReadFileBytes(path), bytes);
        QVERIFY(!QFile::exists(path + "-journal"));
    }

    void recordsetFields()
    {
        TestLog log;
        Database& db = log.db();
        QVERIFY(db.execute(QStringLiteral("CREATE TABLE t (a INTEGER, b TEXT, c REAL)")));
        QVERIFY(db.execute(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"), {1, "O'Neil", 2.5}));
        QVERIFY(db.execute(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"), {2, QVariant(), QVariant()}));
        auto rs = db.query(QStringLiteral("SELECT a, b, c FROM t WHERE a >= ? ORDER BY a"), {1});
        QVERIFY(rs && rs->recordCount() == 2);
        QCOMPARE(rs->field("B").toString(), QStringLiteral("O'Neil"));
        QCOMPARE(rs->field(2).toDouble(), 2.5);
        rs->moveNext();
        QVERIFY(rs->field("b").isNull() && rs->field("c").isNull());
        QVERIFY(!rs->field("nosuch").isValid());
        rs->moveNext();
        QVERIFY(rs->eof() && !rs->field(0).isValid());
        rs->moveFirst();
        QCOMPARE(rs->field(0).toInt(), 1);
        QVERIFY2(!db.query(QStringLiteral("SELECT * FROM nosuch")) && db.lastError().contains("nosuch"),
                 qPrintable(db.lastError()));
    }

    void failingStatementChangesNothing()
    {
        TestLog log;
        Database& db = log.db();
        QVERIFY(db.executeScript(QStringLiteral("CREATE TABLE u (a INTEGER UNIQUE); INSERT INTO u VALUES (1), (2);")));
        // The second row collides: the statement as a whole applies nothing.
        QVERIFY(!db.execute(QStringLiteral("UPDATE u SET a = a + ? WHERE a >= ?"), {1, 1}));
        QVERIFY2(db.lastStatement().contains("a + 1 WHERE a >= 1"), qPrintable(db.lastStatement()));
        QCOMPARE(log.scalar("SELECT Sum(a) FROM u"), 3);
        QVERIFY(!db.execute(QStringLiteral("INSERT INTO u VALUES (?)"), {}));  // a parameter left unbound
    }

    void transactions_data()
    {
        QTest::addColumn<QString>("end");  // commit, rollback, or a commit while another program reads the log
        QTest::addColumn<int>("kept");
        QTest::newRow("commit") << "commit" << 1;
        QTest::newRow("rollback") << "rollback" << 0;
        QTest::newRow("commit refused by a reader") << "busy" << 0;
    }
    void transactions()
    {
        QFETCH(QString, end);
        QFETCH(int, kept);
        TestLog log;
        Database& db = log.db();
        Database reader;
        QVERIFY(reader.open(log.logPath(), Database::OpenMode::ReadOnly));
        QVERIFY(db.beginTrans() && db.inTransaction());
        log.addDive("2021-05-01", "09:00", "09:45");
        if (end == "busy")  // holds its read lock until its own transaction ends
            QVERIFY(reader.beginTrans() && reader.query(QStringLiteral("SELECT Count(*) FROM LogTbl")));
        QCOMPARE(end == "rollback" ? db.rollback() : db.commitTrans(), end != "busy");
        if (end == "busy")
            QVERIFY2(db.lastError().contains("locked"), qPrintable(db.lastError()));
        // No transaction stays open, so a later change is committed on its own.
        QVERIFY(!db.inTransaction());
        if (end == "busy")
            QVERIFY(reader.rollback());
        log.addDive("2021-05-02", "09:00", "09:45");
        QCOMPARE(reader.query(QStringLiteral("SELECT Count(*) FROM LogTbl"))->field(0).toInt(), kept + 1);
    }
};

QTEST_APPLESS_MAIN(tst_database)
#include "tst_database.moc"
