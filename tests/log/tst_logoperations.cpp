// The log's record commands without a window: the rows and the backup they leave, and what
// the user is told when the log refuses.
#include "Database.h"
#include "HADecode.h"
#include "LogOperations.h"
#include "ScriptedUi.h"
#include "TestLog.h"

#include <QDate>
#include <QtTest>

namespace {
// Dives "0", "1", ... on consecutive days, each other column a value of its own (so a column
// a copy leaves out shows), one attached file each.
QList<qint64> addDives(TestLog& t, int count)
{
    QList<qint64> ids;
    for (int i = 0; i < count; ++i)
        ids << t.addDive(QDate(2000, 1, 1).addDays(i).toString(Qt::ISODate), "10:00", "10:40", {}, QString::number(i));
    int value = 10;
    for (auto rs = t.db().query("SELECT name FROM pragma_table_info('LogTbl')"); !rs->eof(); rs->moveNext()) {
        const QString c = rs->field("name").toString();
        if (!QStringList{"id", "location", "dive_date", "in_time", "out_time"}.contains(c))
            t.db().execute(QStringLiteral("UPDATE LogTbl SET %1 = ?").arg(c),
                           {c.endsWith("_time") ? QVariant("2001-02-03 04:05:" + QString::number(++value)) : ++value});
    }
    t.db().execute("INSERT INTO PictureTbl (dive_id, filename) SELECT id, 'a.jpg' FROM LogTbl");
    return ids;
}

// Each message as "caption: first line|last line".
QStringList shown(const ScriptedUi& ui)
{
    QStringList texts;
    for (const ShownMessage& m : ui.messages)
        texts << m.caption + ": " + m.text.section("\r\n", 0, 0) + (m.text.contains("\r\n") ? "|" + m.text.section("\r\n", -1) : "");
    return texts;
}
}  // namespace

class tst_logoperations : public QObject {
    Q_OBJECT
private slots:
    void inserts_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("fault");  // another program reading, or the second insert refused
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("message");
        QTest::newRow("new") << "new" << "" << 1 << "";
        QTest::newRow("clone two") << "clone" << "" << 2 << "";
        QTest::newRow("import") << "import" << "" << 1 << "";
        QTest::newRow("new, log read") << "new" << "reader" << 0 << "エラー: レコードの新規作成に失敗しました|database is locked";
        QTest::newRow("clone, second refused") << "clone" << "second" << 1 << "エラー: レコードの複製に失敗しました|refused";
        QTest::newRow("import, log read") << "import" << "reader" << 0 << "エラー: データの更新に失敗しました|database is locked";
    }

    void inserts()
    {
        QFETCH(QString, op);
        QFETCH(QString, fault);
        QFETCH(int, added);
        QFETCH(QString, message);
        ScriptedUi ui;
        TestLog t;
        const QList<qint64> ids = addDives(t, 3);
        WriteFileBytes(t.logPath() + ".bak", "stale backup");
        const QByteArray before = ReadFileBytes(t.logPath());
        Database reader;
        if (fault == "reader")
            QVERIFY(reader.open(t.logPath(), Database::OpenMode::ReadOnly) && reader.beginTrans()
                    && reader.query("SELECT Count(*) FROM LogTbl"));
        int inserts = 0;
        if (fault == "second")
            Database::InstallStatementFault([&](const QString& sql) { return sql.startsWith("INSERT") && ++inserts == 2 ? "refused" : ""; });
        HADive dive{QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 12.5, 8.3, 24.1, 20.5, {}, {}, "0 5.2", "24.1 22.8"};
        QVERIFY(!LogOperations::DiveLoggedAt(dive.date, dive.inTime));
        QList<qint64> made;
        bool ok = true;
        if (op == "clone") {
            const LogOperations::CloneResult result = LogOperations().CloneRecords({ids[0], ids[2]});
            std::tie(made, ok) = std::pair(result.ids, result.ok);
        } else if (const auto id = op == "new" ? LogOperations().NewRecord() : LogOperations().ImportDive(dive)) {
            made = {*id};
        } else {
            ok = false;
        }
        Database::InstallStatementFault(nullptr);
        reader.close();

        QCOMPARE(shown(ui), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(ok, message.isEmpty());
        QVERIFY(!t.db().inTransaction());
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3 + added);
        QCOMPARE(t.scalar("SELECT Max(id) FROM LogTbl"), made.isEmpty() ? ids.last() : made.last());
        QCOMPARE(made.size(), added);
        // The stale backup replaced; a clone backs up before each copy, so the last holds the first copy.
        const QByteArray backup = ReadFileBytes(t.logPath() + ".bak");
        QVERIFY(backup.startsWith("SQLite format 3"));
        QCOMPARE(backup == before, op != "clone");
        QStringList same;
        for (auto rs = t.db().query("SELECT name FROM pragma_table_info('LogTbl') WHERE name <> 'id'"); !rs->eof(); rs->moveNext())
            same << QStringLiteral("a.%1 IS b.%1").arg(rs->field("name").toString());
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl a JOIN LogTbl b ON a.id < b.id AND " + same.join(" AND ")),
                 op == "clone" ? added : 0);
        QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl"), 3);  // files stay with the original
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE dive_date = date('now', 'localtime') AND location IS NULL"
                          " AND create_time = update_time AND create_time >= datetime('now', 'localtime', '-1 hour')"),
                 op == "new" ? added : 0);
        QCOMPARE(LogOperations::DiveLoggedAt(dive.date, dive.inTime), op == "import" && added);
    }

    void deleteRecords_data()
    {
        QTest::addColumn<QList<int>>("selected");  // dives by location
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("refused");  // the dive the log keeps, -1 none
        QTest::addColumn<QString>("question");
        const QString one = QStringLiteral("No.2 2000/01/02 10:00 \n1\n\nこのレコードを削除してもよろしいですか?");
        const QString two = QStringLiteral("これら 2 個のレコードを削除してもよろしいですか?");
        QTest::newRow("one, yes") << QList{1} << true << -1 << one;
        QTest::newRow("one, no") << QList{1} << false << -1 << one;
        QTest::newRow("several, yes") << QList{0, 2} << true << -1 << two;
        QTest::newRow("several, no") << QList{0, 2} << false << -1 << two;
        QTest::newRow("first refused, the next still goes") << QList{0, 2} << true << 0 << two;
    }

    void deleteRecords()
    {
        QFETCH(QList<int>, selected);
        QFETCH(bool, yes);
        QFETCH(int, refused);
        QFETCH(QString, question);
        ScriptedUi ui;
        ui.answers << (yes ? MsgResult::Yes : MsgResult::No);
        TestLog t;
        const QList<qint64> ids = addDives(t, 3);
        QVERIFY(t.db().execute(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON LogTbl WHEN old.location = '%1'"
                                              " BEGIN SELECT RAISE(ABORT, 'kept'); END").arg(refused)));
        const QByteArray before = ReadFileBytes(t.logPath());
        QList<ListedDive> dives;
        QList<qint64> expected;
        for (int i : selected) {
            const QString when = QDate(2000, 1, 1 + i).toString("yyyy/MM/dd") + " 10:00";
            dives.append({ids[i], QString::number(i + 1), when, QString::number(i)});
            if (yes && i != refused)
                expected << ids[i];
        }
        QList<qint64> deleted;
        QCOMPARE(LogOperations().DeleteRecords(dives, [&](qint64 id) { deleted << id; }), yes);
        QCOMPARE(ui.messages.value(0).buttons, MsgButtons::YesNo);
        QCOMPARE(shown(ui), QStringList{"レコード削除の確認: " + question}
                                + (refused < 0 ? QStringList() : QStringList{"エラー: レコードの削除に失敗しました|kept"}));
        QCOMPARE(ReadFileBytes(t.logPath() + ".bak"), before);  // backed up whatever the answer
        QCOMPARE(deleted, expected);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3 - expected.size());
        QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl"), 3);  // the files' rows stay
    }
};

QTEST_MAIN(tst_logoperations)
#include "tst_logoperations.moc"
