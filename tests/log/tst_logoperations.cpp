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
// Every column of LogTbl but the id and the named ones, each as `form`, joined by `glue`.
QString columns(TestLog& t, const QString& form, const QString& glue, const QString& except = "''")
{
    return t.db().query(QStringLiteral("SELECT group_concat(%1, '%2') FROM pragma_table_info('LogTbl')"
                                       " WHERE name NOT IN ('id', %3)").arg(form, glue, except))->field(0).toString();
}

// Dives "0", "1", "2" on consecutive days, every other column a value of its own (so a column
// a copy leaves out shows), one attached file each.
QList<qint64> addDives(TestLog& t)
{
    QList<qint64> ids;
    for (int i = 0; i < 3; ++i)
        ids << t.addDive(QDate(2000, 1, 1 + i).toString(Qt::ISODate), "10:00", "10:40", {}, QString::number(i));
    t.db().execute("UPDATE LogTbl SET " + columns(t, "name || ' = ' || (cid + 10)", ", ", "'location', 'dive_date', 'in_time', 'out_time'"));
    t.db().execute("INSERT INTO PictureTbl (dive_id, filename) SELECT id, 'a.jpg' FROM LogTbl");
    return ids;
}

// Each message as "caption: first line|last line" (the statement between them is the log's).
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
        const QList<qint64> ids = addDives(t);
        WriteFileBytes(t.logPath() + ".bak", "stale backup");
        const QByteArray before = ReadFileBytes(t.logPath());
        Database reader;
        QVERIFY(fault != "reader" || (reader.open(t.logPath(), Database::OpenMode::ReadOnly) && reader.beginTrans()
                                      && reader.query("SELECT Count(*) FROM LogTbl")));
        int inserts = 0;
        if (fault == "second")
            Database::InstallStatementFault([&](const QString& sql) { return sql.startsWith("INSERT") && ++inserts == 2 ? "refused" : ""; });
        const HADive dive{QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 12.5, 8.3, 24.1, 20.5, {}, {}, "0 5.2", "24.1"};
        LogOperations::CloneResult made;
        if (op == "clone")
            made = LogOperations().CloneRecords({ids[0], ids[2]});
        else if (const auto id = op == "new" ? LogOperations().NewRecord() : LogOperations().ImportDive(dive))
            made.ids = {*id};
        Database::InstallStatementFault(nullptr);
        reader.close();

        QCOMPARE(shown(ui), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(made.ok, op != "clone" || message.isEmpty());
        QVERIFY(!t.db().inTransaction());
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3 + added);
        QCOMPARE(t.scalar("SELECT Max(id) FROM LogTbl"), made.ids.isEmpty() ? ids.last() : made.ids.last());
        // The stale backup replaced; a clone backs up before each copy, so the last holds the first copy.
        const QByteArray backup = ReadFileBytes(t.logPath() + ".bak");
        QVERIFY(backup.startsWith("SQLite format 3"));
        QCOMPARE(backup == before, op != "clone");
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl a JOIN LogTbl b ON a.id < b.id AND "
                          + columns(t, "'a.' || name || ' IS b.' || name", " AND ")), op == "clone" ? added : 0);
        QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl"), 3);  // files stay with the original
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE dive_date = date('now', 'localtime') AND location IS NULL"),
                 op == "new" ? added : 0);
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
        QTest::newRow("several, no") << QList{0, 2} << false << -1 << two;
        QTest::newRow("several, the first refused") << QList{0, 2} << true << 0 << two;
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
        const QList<qint64> ids = addDives(t);
        QVERIFY(t.db().execute(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON LogTbl WHEN old.location = '%1'"
                                              " BEGIN SELECT RAISE(ABORT, 'kept'); END").arg(refused)));
        const QByteArray before = ReadFileBytes(t.logPath());
        QList<ListedDive> dives;
        QList<qint64> expected, deleted;
        for (int i : selected) {
            dives.append({ids[i], QString::number(i + 1), QDate(2000, 1, 1 + i).toString("yyyy/MM/dd") + " 10:00", QString::number(i)});
            if (yes && i != refused)
                expected << ids[i];
        }
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
