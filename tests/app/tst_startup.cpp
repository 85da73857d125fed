#include "FileOps.h"
#include "Globals.h"
#include "IniFile.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modStartup.h"

#include <QLockFile>
#include <QtTest>
#include <vector>

namespace {
const QString kCannotOpen = QStringLiteral("データベースファイルがオープンできませんでした");

// Fails the n-th call of one kind of file operation.
class FailingFiles : public FileOps {
public:
    FailingFiles(const QString& kind, int at) : m_kind(kind), m_at(at) {}
    bool copy(const QString& s, const QString& t, QString* e) override { return step("copy", e) && FileOps::copy(s, t, e); }
    bool rename(const QString& s, const QString& t, QString* e) override { return step("rename", e) && FileOps::rename(s, t, e); }
    bool remove(const QString& p, QString* e) override { return step("remove", e) && FileOps::remove(p, e); }
    bool compact(const QString& s, const QString& t, QString* e) override { return step("compact", e) && FileOps::compact(s, t, e); }

private:
    QString m_kind;
    int m_at, m_count = 0;
    bool step(const QString& kind, QString* error)
    {
        const bool fail = kind == m_kind && ++m_count == m_at;
        if (fail && error)
            *error = QStringLiteral("injected %1 failure").arg(kind);
        return !fail;
    }
};

// Which of the log and its shutdown companions exist.
QStringList companions(const QString& path)
{
    QStringList present;
    for (const QString suffix : {"", ".bak", ".new", ".old"})
        if (QFile::exists(path + suffix))
            present << (suffix.isEmpty() ? QStringLiteral("log") : suffix);
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

// What a start finds at the log's path ("" or "empty") and as .old and .new ("", "good" or "corrupt"),
// whether it may create the log, and the dives it then opens (-1: refused). A .bak ("", "good",
// "corrupt") holding three dives, the answer to the restore question, and whether that question
// comes; "taken" when a backup was already kept aside today; the file operation that fails.
struct Start {
    QString log, old, fresh;
    bool create;
    qlonglong dives;
    QString bak = {};
    MsgResult answer = MsgResult::No;
    bool asks = false;
    bool taken = false;
    QString fails = {};
};
// The n-th call of a kind fails; the message holds; files left; the uncompacted log's suffix or "compacted".
struct Failure { QString kind; int at; QString message; QStringList files; QString logAt; };
Q_DECLARE_METATYPE(Start)
Q_DECLARE_METATYPE(Failure)

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void pathFromArguments_data()
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
    void pathFromArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, path);
        QCOMPARE(DatabasePathFromArgs(args), path);
    }

    // The single-instance lock: in the runtime folder, or else in a folder of the user's own
    // that only the user can write, never under a fixed name in the shared temporary folder.
    void lockFolder_data()
    {
        QTest::addColumn<QString>("runtime");  // XDG_RUNTIME_DIR: a folder, a missing one, or unset
        QTest::newRow("runtime folder") << "run";
        QTest::newRow("runtime folder missing") << "gone";
        QTest::newRow("no runtime folder") << "";
    }
    void lockFolder()
    {
        QFETCH(QString, runtime);
        TestLog t(false);
        QDir().mkpath(t.path("run"));
        const char* const vars[] = {"HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"};
        std::vector<QByteArray> saved;
        for (const char* v : vars)
            saved.push_back(qgetenv(v));
        auto restore = qScopeGuard([&] {
            for (size_t i = 0; i < saved.size(); ++i)
                saved[i].isNull() ? qunsetenv(vars[i]) : qputenv(vars[i], saved[i]);
        });
        for (const char* v : vars)
            qunsetenv(v);
        qputenv("HOME", t.path("home").toLocal8Bit());
        if (!runtime.isEmpty())
            qputenv("XDG_RUNTIME_DIR", t.path(runtime).toLocal8Bit());

        const QString lockFile = DefaultStartupPaths().lockFile;
        const QFileInfo folder(QFileInfo(lockFile).absolutePath());
        if (runtime == "run") {
            QCOMPARE(folder.filePath(), t.path("run"));
        } else {
            QVERIFY2(lockFile.startsWith(t.path("home") + '/'), qPrintable(lockFile));
            QCOMPARE(folder.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                                              | QFile::WriteUser | QFile::ExeUser),
                     QFile::Permissions());
        }
        QLockFile first(lockFile), second(lockFile);
        QString reason;
        QCOMPARE(TakeInstanceLock(first, &reason), InstanceLock::Taken);
        QCOMPARE(TakeInstanceLock(second, &reason), InstanceLock::HeldByAnotherRun);
        QVERIFY(reason.isEmpty());
    }

    // Interrupted exits: .old is the log itself (two dives), .new its compacted copy (one dive). Files that
    // are not logs are refused in tst_database; here what the user sees, nothing created or changed.
    void openLog_data()
    {
        QTest::addColumn<Start>("s");
        QTest::newRow("first start creates the default log") << Start{"", "", "", true, 0};
        QTest::newRow("named log missing") << Start{"", "", "", false, -1};
        QTest::newRow("empty default log is not replaced") << Start{"empty", "", "", true, -1};
        QTest::newRow("after the first rename") << Start{"", "good", "good", true, 2};
        QTest::newRow("old only") << Start{"", "good", "", true, 2};
        QTest::newRow("new only") << Start{"", "", "good", true, 1};
        QTest::newRow("old corrupt, new sound") << Start{"", "corrupt", "good", true, 1};
        QTest::newRow("both corrupt") << Start{"", "corrupt", "corrupt", true, -1};
        QTest::newRow("backup restored") << Start{"", "", "", true, 3, "good", MsgResult::Yes, true};
        QTest::newRow("backup kept aside, new log") << Start{"", "", "", true, 0, "good", MsgResult::No, true};
        QTest::newRow("named, backup restored") << Start{"", "", "", false, 3, "good", MsgResult::Yes, true};
        QTest::newRow("named, kept aside again today") << Start{"", "", "", false, 0, "good", MsgResult::No, true, true};
        QTest::newRow("restoring copy fails") << Start{"", "", "", true, -1, "good", MsgResult::Yes, true, false, "copy"};
        QTest::newRow("keeping aside fails") << Start{"", "", "", true, -1, "good", MsgResult::No, true, false, "rename"};
        QTest::newRow("corrupt backup is not offered") << Start{"", "", "", true, 0, "corrupt"};
        QTest::newRow("named, corrupt backup") << Start{"", "", "", false, -1, "corrupt"};
        QTest::newRow("old before backup") << Start{"", "good", "", true, 2, "good"};
        QTest::newRow("empty log, backup untouched") << Start{"empty", "", "", true, -1, "good"};
    }
    void openLog()
    {
        QFETCH(Start, s);
        TestLog log;
        const QString path = log.logPath();
        QByteArray snapshots[3];  // the log with one dive, then with two, three
        for (QByteArray& snapshot : snapshots) {
            log.addDive("2024-06-01", "10:00", "10:45");
            log.close();
            snapshot = ReadFileBytes(path);
            log.open();
        }
        log.close();
        QVERIFY(QFile::remove(path));
        const QByteArray corrupt = QByteArray(snapshots[1]).replace(100, 4000, QByteArray(4000, 'x'));
        if (s.log == "empty")
            WriteFileBytes(path, "");
        if (!s.old.isEmpty())
            WriteFileBytes(path + ".old", s.old == "good" ? snapshots[1] : corrupt);
        if (!s.fresh.isEmpty())
            WriteFileBytes(path + ".new", s.fresh == "good" ? snapshots[0] : corrupt);
        const QByteArray bak = s.bak == "good" ? snapshots[2] : corrupt;
        if (!s.bak.isEmpty())
            WriteFileBytes(path + ".bak", bak);
        const QString today = path + ".bak-" + QDate::currentDate().toString(Qt::ISODate);
        if (s.taken)
            WriteFileBytes(today, "kept earlier");
        const QStringList before = companions(path);
        ScriptedUi ui;
        ui.answers = {s.answer};
        FailingFiles failing(s.fails, 1);
        InstallFileOps(&failing);
        Database db;
        const bool opened = OpenLog(db, path, s.create);
        InstallFileOps(nullptr);
        QCOMPARE(opened, s.dives >= 0);
        if (s.asks) {
            QVERIFY2(!ui.messages.isEmpty(), "no restore question");
            const ShownMessage question = ui.messages.takeFirst();
            QCOMPARE(question.text, "データベースファイル " + path + " が見つかりません。\nバックアップ " + path
                         + ".bak から復元しますか?\n\n（「いいえ」を選ぶと新しいデータベースを作成し、バックアップは別の名前で残します）");
            QCOMPARE(std::pair(question.icon, question.buttons), std::pair(MsgIcon::Question, MsgButtons::YesNo));
        }
        // Kept aside: the backup under a dated name no backup is written to, and the user told where.
        const QString kept = s.taken ? today + "-2" : today;
        const bool keptAside = s.asks && s.answer == MsgResult::No && s.fails.isEmpty();
        QCOMPARE(ReadFileBytes(keptAside ? kept : path + ".bak"), s.bak.isEmpty() ? QByteArray() : bak);
        QCOMPARE(QFile::exists(path + ".bak"), !s.bak.isEmpty() && !keptAside);
        if (s.taken)
            QCOMPARE(ReadFileBytes(today), QByteArray("kept earlier"));
        if (keptAside)
            QCOMPARE(ui.messages.value(0).text, "バックアップを次のファイルに残しました。\n" + kept);
        QCOMPARE(ui.messages.size(), s.dives >= 0 ? int(keptAside) : 1);
        if (s.dives >= 0) {
            QCOMPARE(db.query(QStringLiteral("SELECT rel FROM VersionTbl"))->field(0).toInt(), 5);
            QCOMPARE(diveCount(path), s.dives);
            return;
        }
        QCOMPARE(ui.messages[0].text, kCannotOpen);
        QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
        QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
        QCOMPARE(companions(path), before);
        QCOMPARE(ReadFileBytes(path), QByteArray());
    }

    void settings()
    {
        TestLog log(false);
        for (const QString e : {"OPTION/PORT=3", "PAGETYPE_1/TOP_MARGINE=20", "PAGETYPE_2/LEFT_MARGINE_LEFT=",
                                "PAGETYPE_2/ORIENTATION=abc", "print/page_type=1"})
            QVERIFY(IniFile::write(gIniPath, e.section('/', 0, 0), e.section('/', 1).section('=', 0, 0), e.section('=', 1)));
        gOrientation[1] = 7;  // an unreadable value leaves the setting as it was
        ReadProgramSettings();
        // Port; per page type: top, right and left margins, orientation; page type and sequence.
        const QList<long> got = {gPort, gTopMargin[0], gLeftMarginRight[0], gLeftMarginLeft[0], gOrientation[0],
                                 gTopMargin[1], gLeftMarginRight[1], gLeftMarginLeft[1], gOrientation[1], gPageType, gPageSeq};
        QCOMPARE(got, QList<long>({3, 20, 21, 15, 0, 12, 24, 5, 7, 1, 0}));
    }

    void portOutsideComPorts_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<long>("port");
        QTest::newRow("COM 4") << "4" << 4L;
        QTest::newRow("negative") << "-5" << 1L;
        QTest::newRow("zero") << "0" << 1L;
        QTest::newRow("above COM 4") << "5" << 1L;
    }

    void portOutsideComPorts()
    {
        QFETCH(QString, value);
        QFETCH(long, port);
        TestLog log(false);
        QVERIFY(IniFile::write(gIniPath, "OPTION", "PORT", value));
        ReadProgramSettings();
        QCOMPARE(gPort, port);
    }

    void shutdownCompactsOnlyAChangedLog()
    {
        TestLog log;
        for (int i = 0; i < 200; ++i)
            log.addDive("2024-06-01", "10:00", "10:45", 10, QString(200, QLatin1Char('x')));
        QVERIFY(log.db().execute(QStringLiteral("DELETE FROM LogTbl WHERE id > 1")));
        log.close();
        const QByteArray before = ReadFileBytes(log.logPath());
        ScriptedUi ui;
        gModified = false;
        CompactAtShutdown();
        QCOMPARE(companions(log.logPath()), QStringList({"log"}));
        QCOMPARE(ReadFileBytes(log.logPath()), before);
        // Changed: stale files of an earlier interrupted exit go first.
        WriteFileBytes(log.logPath() + ".new", "stale");
        WriteFileBytes(log.logPath() + ".old", "stale");
        gModified = true;
        CompactAtShutdown();
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(companions(log.logPath()), QStringList({"log", ".bak"}));
        QVERIFY(QFileInfo(log.logPath()).size() < before.size());
        QCOMPARE(ReadFileBytes(log.logPath() + ".bak"), before);
        QCOMPARE(diveCount(log.logPath()), 1);
    }

    void shutdownFailures_data()
    {
        QTest::addColumn<Failure>("f");
        const QString injected = QStringLiteral("injected %1 failure");
        QTest::newRow("backup") << Failure{"copy", 1, "データベースファイルをバックアップできませんでした", {"log"}, ""};
        QTest::newRow("compaction") << Failure{"compact", 1, injected.arg("compact"), {"log", ".bak"}, ""};
        QTest::newRow("first rename") << Failure{"rename", 2, injected.arg("rename"), {"log", ".bak", ".new"}, ""};
        QTest::newRow("second rename") << Failure{"rename", 3, injected.arg("rename"), {".bak", ".new", ".old"}, ".old"};
        QTest::newRow("final delete") << Failure{"remove", 3, injected.arg("remove"), {"log", ".bak", ".old"}, "compacted"};
    }
    void shutdownFailures()
    {
        QFETCH(Failure, f);
        TestLog log;
        log.addDive("2024-06-01", "10:00", "10:45");
        gModified = true;
        log.close();
        const QByteArray before = ReadFileBytes(log.logPath());
        FailingFiles failing(f.kind, f.at);
        InstallFileOps(&failing);
        ScriptedUi ui;
        CompactAtShutdown();
        InstallFileOps(nullptr);
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY2(ui.messages[0].text.contains(f.message), qPrintable(ui.messages[0].text));
        QCOMPARE(ui.messages[0].icon, f.kind == "copy" ? MsgIcon::Exclamation : MsgIcon::Critical);
        if (f.kind != "copy")
            QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
        QCOMPARE(companions(log.logPath()), f.files);
        if (f.logAt == "compacted")
            QCOMPARE(diveCount(log.logPath()), 1);
        else
            QCOMPARE(ReadFileBytes(log.logPath() + f.logAt), before);
        // Whatever step failed, the next start finds a log with the dive in it.
        Database db;
        QVERIFY(OpenLog(db, log.logPath(), false));
        QCOMPARE(diveCount(log.logPath()), 1);
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
