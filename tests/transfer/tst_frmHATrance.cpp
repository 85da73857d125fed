// The transfer command of the dive list: its questions and messages, and what reaches
// LogTbl on every path, over a simulated communication unit.
#include "FakeLine.h"
#include "Globals.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmHATrance.h"
#include "frmLogList.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

namespace {
QString shown(const ShownMessage& m)
{
    const char* icons[] = {"", "x", "?", "!", "i"};
    const char* buttons[] = {"ok", "okcancel", "yesno", "yesnocancel"};
    return QStringLiteral("%1 [%2 %3]: %4").arg(m.caption, icons[int(m.icon)], buttons[int(m.buttons)], m.text);
}

const QList<int> kDepths = {0, 12, 31, 52, 78, 95, 112, 125, 124, 118, 116, 110,
                            101, 96, 90, 85, 77, 65, 52, 50, 49, 48, 30, 11};
const QList<int> kTemps = {241, 235, 228, 226, 227, 233};

// The samples as the series columns hold them.
QString series(const QList<int>& tenths)
{
    QStringList texts;
    for (int t : tenths)
        texts << QString::number(t / 10.0);
    return texts.join(' ');
}

const QString kAsk = "ハイパーアクアランド転送 [i okcancel]: ハイパーアクアランドからデータを転送します\n\n"
                     "1. ハイパーアクアランドを転送モードにしてください\n2. 転送したいログデータを選択してください\n"
                     "3. ハイパーアクアランドをコミュニケーションユニットに接続してください";
const QString kDuplicate = "同じ日時のレコードがあります [! yesno]: 2004/07/15 9:05\n"
                           "このレコードはすでに存在しますが、取り込んでもよろしいですか";
const QString kDone = "正常終了 [i ok]: 転送を完了しました";
const QString kStopped = "中断 [x ok]: 転送を中断しました";

// The entry time of a dive already logged on 2004-07-15, the answers, the fault, the messages
// after the opening question, and the dives added.
struct Path { QString existing; QList<MsgResult> answers; QString fault; QStringList messages; int added; };
}  // namespace
Q_DECLARE_METATYPE(Path)

class tst_frmHATrance : public QObject {
    Q_OBJECT
private slots:
    void paths_data()
    {
        QTest::addColumn<Path>("p");
        using R = MsgResult;
        const QString comm = "エラー [x ok]: 通信に失敗しました\n"
                             "ハイパーアクアランドが正しく転送モードになっているかどうか確認してください";
        QTest::newRow("clean") << Path{"", {R::Ok}, "", {kDone}, 1};
        QTest::newRow("duplicate, Yes") << Path{"09:05", {R::Ok, R::Yes}, "", {kDuplicate, kDone}, 1};
        QTest::newRow("duplicate, No") << Path{"09:05", {R::Ok, R::No}, "", {kDuplicate}, 0};
        QTest::newRow("same day, other time") << Path{"09:06", {R::Ok}, "", {kDone}, 1};
        QTest::newRow("declined") << Path{"", {R::Cancel}, "", {}, 0};
        QTest::newRow("silent unit") << Path{"", {R::Ok}, "silent", {comm, kStopped}, 0};
        QTest::newRow("port cannot open") << Path{"", {R::Ok}, "open", {"エラー [x ok]: /dev/ttyS0 を開けません"}, 0};
        QTest::newRow("Cancel mid-transfer") << Path{"", {R::Ok}, "cancel", {kStopped}, 0};
        // The failing statement with the dive's values, then the engine's words.
        const QString failed = "エラー [x ok]: データの更新に失敗しました\r\n";
        const QString update = "UPDATE LogTbl SET dive_date = '2004-07-15', in_time = '09:05', out_time = '09:50',"
                               " max_depth = 12.5, avg_depth = 8.3, surface_temp = 24.1, depth_temp = 20.5,"
                               " depth_transit = '" + series(kDepths) + "', temp_transit = '" + series(kTemps)
                               + "' WHERE id = 2";
        QTest::newRow("update fails") << Path{"", {R::Ok}, "update", {failed + update + "\r\nrefused"}, 0};
        QTest::newRow("commit refused") << Path{"", {R::Ok}, "commit", {failed + "COMMIT\r\ndatabase is locked"}, 0};
    }
    void paths()
    {
        QFETCH(Path, p);
        const QString& fault = p.fault;
        TestLog t;
        t.addDive("2004-07-10", "10:00", "10:40");
        if (!p.existing.isEmpty())
            t.addDive("2004-07-15", p.existing, "10:00");
        if (fault == "update")
            QVERIFY(t.db().execute("CREATE TRIGGER refuse BEFORE UPDATE OF depth_transit ON LogTbl"
                                   " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        if (fault == "commit")
            Database::InstallStatementFault([](const QString& sql) { return sql == "COMMIT" ? "database is locked" : ""; });
        const qlonglong before = t.scalar("SELECT Count(*) FROM LogTbl");
        HAUnitSimulator::Faults faults;
        faults.silent = fault == "silent";
        if (fault == "cancel")
            faults.stopAfter = 2;  // the header and one profile block, then the unit stalls
        const Run run = transfer(dive(), faults, p.answers, fault == "open" ? "/dev/ttyS0 を開けません" : "",
                                 fault == "cancel" ? 1500 : -1);
        Database::InstallStatementFault(nullptr);
        QCOMPARE(run.messages, QStringList{kAsk} + p.messages);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), before + p.added);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl WHERE dive_date = '2004-07-15' AND in_time = '09:05'"
                          " AND depth_transit = ?", {series(kDepths)}),
                 p.added);
        QVERIFY(!t.db().inTransaction() && !run.line.open);
        if (p.answers.first() == MsgResult::Cancel)
            QVERIFY(run.line.written.isEmpty());  // the unit was never woken
        if (fault == "cancel") {
            QVERIFY2(run.line.clock < 1600, "the Cancel button must end the wait at once");
            QVERIFY(!run.ended);
        }
        if (fault == "update")  // the backup was made before the failing update
            QVERIFY(QFile::exists(t.logPath() + ".bak"));
        if (p.messages.contains(kDone))
            QCOMPARE(run.rowsAtDone, before + 1);  // the list was refreshed first
    }
    void importedValues_data()
    {
        QTest::addColumn<int>("headerDepthTemp");  // tenths; 999 means none
        QTest::addColumn<QList<int>>("temps");
        QTest::addColumn<QStringList>("expected");  // surface_temp, depth_temp, temp_transit
        QTest::newRow("header values") << 205 << kTemps << QStringList{"24.1", "20.5", series(kTemps)};
        QTest::newRow("lowest sample at depth") << 999 << kTemps << QStringList{"24.1", "22.6", series(kTemps)};
        QTest::newRow("no temperatures") << 999 << QList<int>{} << QStringList{"0", "NULL", "NULL"};
    }
    void importedValues()
    {
        QFETCH(int, headerDepthTemp);
        QFETCH(QList<int>, temps);
        QFETCH(QStringList, expected);
        TestLog t;
        const Run run = transfer(dive(headerDepthTemp, temps), {}, {MsgResult::Ok});
        QCOMPARE(run.messages.last(), kDone);
        QVERIFY(run.ended);
        // On the wire: the wake-up, one request per block and the closing one; only the fixed waits:
        // the wake-up, the settling after each block and at the end.
        QCOMPARE(run.line.written, QByteArray(1, char(0x7F)) + QByteArray(2 + 2, char(0xFF)));
        QCOMPARE(run.line.clock, 1000 + 3 * 20 + 20);
        QCOMPARE(t.values("SELECT dive_date, in_time, out_time, max_depth, avg_depth, depth_transit,"
                          " surface_temp, depth_temp, temp_transit FROM LogTbl"),
                 QStringList({"2004-07-15", "09:05", "09:50", "12.5", "8.3", series(kDepths)}) + expected);
    }

private:
    struct Run {
        QStringList messages;
        LineState line;
        int rowsAtDone = -1;  // list rows when "転送を完了しました" was shown
        bool ended = false;   // the unit saw the closing request
    };
    // The waits press the dialog's Cancel once the clock reaches cancelAt.
    Run transfer(QList<QByteArray> blocks, HAUnitSimulator::Faults faults, const QList<MsgResult>& answers,
                 const QString& openError = {}, qint64 cancelAt = -1)
    {
        ScriptedUi ui;
        ui.answers = answers;
        frmLogList list;
        list.show();
        Run run;
        run.line.openError = openError;
        run.line.onWait = [&] {
            auto* dialog = list.findChild<frmHATrance*>();
            if (dialog && cancelAt >= 0 && run.line.clock >= cancelAt && dialog->isVisible())
                QTest::mouseClick(dialog->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
            QCoreApplication::processEvents();
        };
        HAUnitSimulator unit(std::move(blocks), faults);
        list.setLineFactory([&] { return std::make_unique<FakeLine>(unit, run.line); });
        ui.onMessage = [&](const ShownMessage& m) {  // what the list showed when the transfer reported success
            if (m.caption == "正常終了")
                run.rowsAtDone = list.model()->rowCount();
        };
        list.toolButton("ha")->trigger();
        for (const ShownMessage& m : ui.messages)
            run.messages << shown(m);
        run.ended = unit.ended();
        run.line.onWait = nullptr;
        return run;
    }
    static QList<QByteArray> dive(int depthTemp = 205, const QList<int>& temps = kTemps)
    {
        return HAUnitSimulator::blocksFor(QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 125, depthTemp, 83, kDepths,
                                          temps);
    }
};

QTEST_MAIN(tst_frmHATrance)
#include "tst_frmHATrance.moc"
