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
    void operations_data()
    {
        QTest::addColumn<QString>("op");     // new, clone (dives 0 and 2), import, delete (the listed dives)
        QTest::addColumn<QString>("fault");  // another program reading, the second insert refused, dive 0 kept
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<int>("added");      // negative: deleted
        QTest::addColumn<QStringList>("messages");
        const QString one = "レコード削除の確認: No.2 2000/01/02 10:00 \n1\n\nこのレコードを削除してもよろしいですか?";
        const QString two = "レコード削除の確認: これら 2 個のレコードを削除してもよろしいですか?";
        QTest::newRow("new") << "new" << "" << QList<int>() << 1 << QStringList();
        QTest::newRow("clone two") << "clone" << "" << QList<int>() << 2 << QStringList();
        QTest::newRow("import") << "import" << "" << QList<int>() << 1 << QStringList();
        QTest::newRow("new, log read") << "new" << "reader" << QList<int>() << 0 << QStringList{"エラー: レコードの新規作成に失敗しました|database is locked"};
        QTest::newRow("clone, second refused") << "clone" << "second" << QList<int>() << 1 << QStringList{"エラー: レコードの複製に失敗しました|refused"};
        QTest::newRow("import, log read") << "import" << "reader" << QList<int>() << 0 << QStringList{"エラー: データの更新に失敗しました|database is locked"};
        QTest::newRow("delete one, yes") << "delete" << "" << QList{1} << -1 << QStringList{one};
        QTest::newRow("delete one, no") << "delete" << "no" << QList{1} << 0 << QStringList{one};
        QTest::newRow("delete two, no") << "delete" << "no" << QList{0, 2} << 0 << QStringList{two};
        QTest::newRow("delete two, the first refused") << "delete" << "kept" << QList{0, 2} << -1 << QStringList{two, "エラー: レコードの削除に失敗しました|kept"};
    }

    void operations()
    {
        QFETCH(QString, op);
        QFETCH(QString, fault);
        QFETCH(QList<int>, listed);
        QFETCH(int, added);
        QFETCH(QStringList, messages);
        ScriptedUi ui;
        ui.answers << (fault == "no" ? MsgResult::No : MsgResult::Yes);
        TestLog t;
        const QList<qint64> ids = addDives(t);
        QVERIFY(fault != "kept" || t.db().execute("CREATE TRIGGER keep BEFORE DELETE ON LogTbl WHEN old.location = '0'"
                                                  " BEGIN SELECT RAISE(ABORT, 'kept'); END"));
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
        QList<ListedDive> dives;
        for (int i : listed)
            dives.append({ids[i], QString::number(i + 1), QDate(2000, 1, 1 + i).toString("yyyy/MM/dd") + " 10:00", QString::number(i)});
        QList<qint64> deleted;
        if (op == "clone")
            made = LogOperations().CloneRecords({ids[0], ids[2]});
        else if (op == "delete")
            made.ok = LogOperations().DeleteRecords(dives, [&](qint64 id) { deleted << id; });
        else if (const auto id = op == "new" ? LogOperations().InsertNewRecord() : LogOperations().ImportDive(dive))
            made.ids = {*id};
        Database::InstallStatementFault(nullptr);
        reader.close();

        QCOMPARE(shown(ui), messages);
        QCOMPARE(made.ok, fault != "second" && fault != "no");
        QVERIFY(!t.db().inTransaction());
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3 + added);
        QCOMPARE(t.scalar("SELECT Max(id) FROM LogTbl WHERE id > ?", {ids.last()}), made.ids.value(made.ids.size() - 1));
        // The stale backup replaced, whatever the answer; a clone backs up before each copy, so
        // the last backup holds the first copy.
        const QByteArray backup = ReadFileBytes(t.logPath() + ".bak");
        QVERIFY(backup.startsWith("SQLite format 3") && (backup == before) == (op != "clone"));
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl a JOIN LogTbl b ON a.id < b.id AND "
                          + columns(t, "'a.' || name || ' IS b.' || name", " AND ")), op == "clone" ? added : 0);
        QCOMPARE(t.scalar("SELECT Count(*) FROM PictureTbl"), 3);  // the files' rows stay with the original
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE dive_date = date('now', 'localtime') AND location IS NULL"),
                 op == "new" ? added : 0);
        QCOMPARE(deleted, added < 0 ? QList<qint64>{ids[listed.last()]} : QList<qint64>());
    }
};

QTEST_MAIN(tst_logoperations)
#include "tst_logoperations.moc"
