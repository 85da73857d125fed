#include "FileOps.h"
#include "Globals.h"
#include "IniFile.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modStartup.h"

#include <QLockFile>
#include <QtTest>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kCannotOpen = QStringLiteral("データベースファイルがオープンできませんでした");
const QString kCannotBackUp = QStringLiteral("データベースファイルをバックアップできませんでした");

// How a test stops the exit sequence as a crash would: nothing after that step runs.
struct Stopped {};

// The file layer, each step named like "write tidewriter.db.bak.tmp"; one step fails or stops, `before` runs ahead of each.
class StepFiles : public FileOps {
public:
    enum Mode { Record, Fail, Stop };
    // The step numbered `at`, or the nth step called `name`.
    explicit StepFiles(Mode mode = Record, int at = -1, const QString& name = {}, int nth = 1)
        : m_mode(mode), m_at(at), m_nth(nth), m_name(name)
    {
        InstallFileOps(this);
    }
    ~StepFiles() override { InstallFileOps(nullptr); }

    int open(const QString& path, int flags, unsigned mode) override
    {
        const QString name = flags & O_DIRECTORY ? QStringLiteral("folder") : QFileInfo(path).fileName();
        if (!step("open " + name))
            return -1;
        const int fd = FileOps::open(path, flags, mode);
        m_names[fd] = name;
        return fd;
    }
    qint64 read(int fd, char* d, qint64 n) override { return step("read", fd) ? FileOps::read(fd, d, n) : -1; }
    qint64 write(int fd, const char* d, qint64 n) override { return step("write", fd) ? FileOps::write(fd, d, n) : -1; }
    bool sync(int fd) override { return step("sync", fd) && FileOps::sync(fd); }
    bool setMode(int fd, unsigned mode) override { return step("mode", fd) && FileOps::setMode(fd, mode); }
    bool close(int fd) override
    {
        bool ok = false;
        try {
            ok = step("close", fd);
        } catch (const Stopped&) {
            FileOps::close(fd);
            throw;
        }
        return FileOps::close(fd) && ok;  // a close that fails still frees the descriptor
    }
    bool rename(const QString& s, const QString& t, QString* e) override { return named("rename", s, e) && FileOps::rename(s, t, e); }
    bool remove(const QString& p, QString* e) override { return named("remove", p, e) && FileOps::remove(p, e); }
    bool compact(const QString& s, const QString& t, QString* e) override { return named("compact", s, e) && FileOps::compact(s, t, e); }
    bool copy(const QString& s, const QString& t, QString* e) override { return named("copy", s, e) && FileOps::copy(s, t, e); }

    QStringList steps;
    std::function<void(const QString&)> before;

private:
    Mode m_mode;
    int m_at, m_nth;
    QString m_name;
    QHash<int, QString> m_names;
    bool step(const QString& name)
    {
        steps << name;
        if (before)
            before(name);
        const bool here = steps.size() - 1 == m_at || (name == m_name && steps.count(name) == m_nth);
        if (!here || m_mode == Record)
            return true;
        if (m_mode == Stop)
            throw Stopped{};
        errno = EIO;
        return false;
    }
    bool step(const char* what, int fd) { return step(QStringLiteral("%1 %2").arg(what, m_names.value(fd))); }
    bool named(const char* what, const QString& path, QString* error)
    {
        if (step(QStringLiteral("%1 %2").arg(what, QFileInfo(path).fileName())))
            return true;
        if (error)
            *error = QStringLiteral("injected failure: ") + steps.last();
        return false;
    }
};

// Which of the log and its shutdown companions exist.
QStringList companions(const QString& path)
{
    QStringList present;
    for (const QString suffix : {"", ".bak", ".new", ".old", ".bak.tmp"})
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

// Another program's change to the log.
void addDiveFromOutside(const QString& path)
{
    Database other;
    if (!other.open(path, Database::OpenMode::ExistingReadWrite)
        || !other.execute(QStringLiteral("INSERT INTO LogTbl (dive_date, location) VALUES ('2024-06-09', 'outside')")))
        qFatal("cannot write the log: %s", qPrintable(other.lastError()));
}

// A log of three dives as a run leaves it, with free pages; its ".bak", made before the last change, holds two.
QByteArray gLogBytes, gBakBytes;
void makeRunLeftLog()
{
    TestLog made;
    made.addDive("2024-06-01", "10:00", "10:45");
    made.addDive("2024-06-02", "10:00", "10:45", 12.5, QString(3000, QLatin1Char('x')));
    made.addDive("2024-06-02", "14:00", "14:45", 12.5, QString(100000, QLatin1Char('y')));
    made.db().execute(QStringLiteral("DELETE FROM LogTbl WHERE in_time = '14:00'"));
    made.close();
    gBakBytes = ReadFileBytes(made.logPath());
    made.open();
    made.addDive("2024-06-03", "10:00", "10:45");
    made.close();
    gLogBytes = ReadFileBytes(made.logPath());
}

// That log in place; with `link` its path is a relative link to real/log.db. Returns the file the path names.
QString runLeftLog(TestLog& log, bool link)
{
    QString file = log.logPath();
    if (link) {
        QDir(log.dir.path()).mkdir("real");
        file = log.path("real/log.db");
        if (!QFile::link("real/log.db", log.logPath()))
            qFatal("cannot link");
    }
    WriteFileBytes(file, gLogBytes);
    WriteFileBytes(log.logPath() + ".bak", gBakBytes);
    gModified = true;
    return file;
}
}  // namespace

// A start: the log ("" or "empty"), .old, .new and .bak ("", "good", "corrupt"), whether it may create the log, the
// dives it opens (-1: refused), the restore answer and question, a backup kept aside today already, the step that fails.
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
// The nth step of that name fails; the message holds; files left; the uncompacted log's suffix or "compacted".
struct Failure { QString step; int nth; QString message; QStringList files; QString logAt; };
Q_DECLARE_METATYPE(Start)
Q_DECLARE_METATYPE(Failure)

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        ::umask(022);  // what a compaction must not impose on a private log
        makeRunLeftLog();
    }

    void pathFromArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("path");
        QTest::newRow("none") << QStringList() << "";
        QTest::newRow("quoted with blank") << QStringList({"\"/home/a/my log.db\""}) << "/home/a/my log.db";
        QTest::newRow("split words") << QStringList({"/home/a/my", "log.db"}) << "/home/a/my log.db";
        QTest::newRow("options reserved") << QStringList({"--verbose", "/x/a.db"}) << "/x/a.db";
    }
    void pathFromArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, path);
        QCOMPARE(DatabasePathFromArgs(args), path);
    }

    // The single-instance lock: in the runtime folder, or else in a private folder of the user's, never in /tmp.
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
        std::vector<std::pair<const char*, QByteArray>> saved;
        for (const char* v : {"HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            saved.emplace_back(v, qgetenv(v));
            qunsetenv(v);
        }
        auto restore = qScopeGuard([&] {
            for (const auto& [v, value] : saved)
                value.isNull() ? qunsetenv(v) : qputenv(v, value);
        });
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

    // .old is the log of an interrupted exit (two dives), .new its compacted copy (one); a refusal changes nothing.
    void openLog_data()
    {
        QTest::addColumn<Start>("s");
        QTest::newRow("first start creates the default log") << Start{"", "", "", true, 0};
        QTest::newRow("named log missing") << Start{"", "", "", false, -1};
        QTest::newRow("after the first rename") << Start{"", "good", "good", true, 2};
        QTest::newRow("new only") << Start{"", "", "good", true, 1};
        QTest::newRow("old corrupt, new sound") << Start{"", "corrupt", "good", true, 1};
        QTest::newRow("both corrupt") << Start{"", "corrupt", "corrupt", true, -1};
        QTest::newRow("backup restored") << Start{"", "", "", true, 3, "good", MsgResult::Yes, true};
        QTest::newRow("named, kept aside again today") << Start{"", "", "", false, 0, "good", MsgResult::No, true, true};
        QTest::newRow("restoring copy fails") << Start{"", "", "", true, -1, "good", MsgResult::Yes, true, false, "copy tidewriter.db.bak"};
        QTest::newRow("keeping aside fails") << Start{"", "", "", true, -1, "good", MsgResult::No, true, false, "rename tidewriter.db.bak"};
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
        Database db;
        bool opened;
        {
            StepFiles failing(StepFiles::Fail, -1, s.fails);
            opened = OpenLog(db, path, s.create);
        }
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
            QCOMPARE(diveCount(path), s.dives);
            return;
        }
        QCOMPARE(ui.messages[0].text.section("\r\n", 0, 0), kCannotOpen);  // tst_frmLogList checks the reason after it
        QCOMPARE(std::pair(ui.messages[0].icon, ui.messages[0].caption), std::pair(MsgIcon::Critical, QStringLiteral("エラー")));
        QCOMPARE(companions(path), before);
        QCOMPARE(ReadFileBytes(path), QByteArray());
    }

    // Only COM 1 to 4 are ports; an unreadable value leaves a setting as it was.
    void settings_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<long>("expected");
        QTest::newRow("COM 4") << "4" << 4L;
        QTest::newRow("zero") << "0" << 1L;
        QTest::newRow("above COM 4") << "5" << 1L;
    }
    void settings()
    {
        QFETCH(QString, port);
        QFETCH(long, expected);
        TestLog log(false);
        for (const QString& e : {"OPTION/PORT=" + port, QString("PAGETYPE_1/TOP_MARGINE=20"), QString("PAGETYPE_2/LEFT_MARGINE_LEFT=1e3"),
                                QString("PAGETYPE_2/ORIENTATION=abc"), QString("print/page_type=1")})
            QVERIFY(IniFile::write(gIniPath, e.section('/', 0, 0), e.section('/', 1).section('=', 0, 0), e.section('=', 1)));
        gOrientation[1] = 7;
        ReadProgramSettings();
        // Port; per page type: top, right and left margins, orientation; page type and sequence.
        const QList<long> got = {gPort, gTopMargin[0], gLeftMarginRight[0], gLeftMarginLeft[0], gOrientation[0],
                                 gTopMargin[1], gLeftMarginRight[1], gLeftMarginLeft[1], gOrientation[1], gPageType, gPageSeq};
        QCOMPARE(got, QList<long>({expected, 20, 21, 15, 0, 12, 24, 5, 7, 1, 0}));
    }

    void shutdownFailures_data()
    {
        QTest::addColumn<Failure>("f");
        const QString backup = kCannotBackUp, injected = QStringLiteral("injected failure: ");
        QTest::newRow("backup copy not synced") << Failure{"sync tidewriter.db.bak.tmp", 1, backup, {"log", ".bak"}, ""};
        QTest::newRow("backup's folder not synced") << Failure{"sync folder", 1, backup, {"log", ".bak"}, ""};
        QTest::newRow("compaction") << Failure{"compact tidewriter.db.bak", 1, injected, {"log", ".bak", ".new"}, ""};
        QTest::newRow("first rename") << Failure{"rename tidewriter.db", 1, injected, {"log", ".bak", ".new"}, ""};
        QTest::newRow("second rename") << Failure{"rename tidewriter.db.new", 1, injected, {".bak", ".new", ".old"}, ".old"};
        // The first removal of .old is that of a stale one, whose failure does not matter.
        QTest::newRow("final delete") << Failure{"remove tidewriter.db.old", 2, injected, {"log", ".bak", ".old"}, "compacted"};
    }
    void shutdownFailures()
    {
        QFETCH(Failure, f);
        TestLog log(false);
        runLeftLog(log, false);
        ScriptedUi ui;
        {
            StepFiles failing(StepFiles::Fail, -1, f.step, f.nth);
            CompactAtShutdown();
        }
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY2(ui.messages[0].text.contains(f.message), qPrintable(ui.messages[0].text));
        const bool backup = f.message == kCannotBackUp;
        QCOMPARE(ui.messages[0].icon, backup ? MsgIcon::Exclamation : MsgIcon::Critical);
        if (!backup)
            QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
        else  // what failed follows the message: both backup rows are a sync that fails
            QCOMPARE(ui.messages[0].text.section("\r\n", 1).section('\n', 0, 0),
                     QStringLiteral("ファイル %1 をディスクに書き込めませんでした")
                         .arg(f.step == "sync folder" ? QFileInfo(log.logPath()).absolutePath()
                                                      : log.logPath() + ".bak.tmp"));
        QCOMPARE(companions(log.logPath()), f.files);
        // A failed backup leaves the one before it, unless only the folder's sync after the rename failed.
        QCOMPARE(ReadFileBytes(log.logPath() + ".bak"), backup && f.step != "sync folder" ? gBakBytes : gLogBytes);
        if (f.logAt == "compacted")
            QVERIFY(QFileInfo(log.logPath()).size() < gLogBytes.size());
        else
            QCOMPARE(ReadFileBytes(log.logPath() + f.logAt), gLogBytes);
    }

    // The exit with a failure at each of its steps, and stopped at each as a crash would stop it: the
    // next start finds every dive and a sound backup, with the log's path still what it was.
    void exitFailingOrStoppedAtEachStep_data()
    {
        QTest::addColumn<bool>("link");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("at");
        for (bool link : {false, true}) {
            TestLog log(false);
            runLeftLog(log, link);
            ScriptedUi ui;
            StepFiles recorded;
            CompactAtShutdown();
            QVERIFY(ui.messages.isEmpty());
            for (int at = 0; at < recorded.steps.size(); ++at)
                for (int mode : {int(StepFiles::Fail), int(StepFiles::Stop)})
                    QTest::addRow("%s%s at %d, %s", link ? "link, " : "", mode == StepFiles::Fail ? "failing" : "stopped",
                                  at, qPrintable(recorded.steps[at]))
                        << link << mode << at;
        }
    }
    void exitFailingOrStoppedAtEachStep()
    {
        QFETCH(bool, link);
        QFETCH(int, mode);
        QFETCH(int, at);
        TestLog log(false);
        const QString file = runLeftLog(log, link);
        ScriptedUi ui;
        {
            StepFiles files(StepFiles::Mode(mode), at);
            try {
                CompactAtShutdown();
                QCOMPARE(mode, int(StepFiles::Fail));
            } catch (const Stopped&) {
                QCOMPARE(mode, int(StepFiles::Stop));
            }
        }
        QVERIFY(ui.messages.size() <= 1);
        Database db;
        QVERIFY(OpenLog(db, log.logPath(), false));
        QCOMPARE(db.query("SELECT group_concat(dive_date) FROM LogTbl")->field(0).toString(),
                 QStringLiteral("2024-06-01,2024-06-02,2024-06-03"));
        QVERIFY(Database::integrityCheck(log.logPath() + ".bak"));
        QCOMPARE(QFileInfo(log.logPath()).isSymLink(), link);
        QCOMPARE(FollowLinks(log.logPath()), file);
    }

    // A change another program made after the exit's copy is not in the compacted copy: the log stays.
    void logChangedSinceTheCopy_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("when");  // the step it comes before
        QTest::newRow("dive added") << "dive" << "compact tidewriter.db.bak";
        QTest::newRow("only the change counter") << "counter" << "compact tidewriter.db.bak";
        QTest::newRow("only the size") << "size" << "compact tidewriter.db.bak";
        QTest::newRow("only the time") << "time" << "compact tidewriter.db.bak";
        QTest::newRow("dive added during the copy") << "dive" << "write tidewriter.db.bak.tmp";
    }
    void logChangedSinceTheCopy()
    {
        QFETCH(QString, change);
        QFETCH(QString, when);
        TestLog log(false);
        runLeftLog(log, false);
        const QByteArray path = QFile::encodeName(log.logPath());
        ScriptedUi ui;
        QByteArray changed;
        {
            StepFiles files;
            files.before = [&](const QString& step) {
                if (step != when || !changed.isNull())
                    return;
                struct stat st;
                QCOMPARE(::stat(path, &st), 0);
                if (change == "dive")
                    addDiveFromOutside(log.logPath());
                if (change == "counter") {  // a value changed in place, the time put back
                    Database other;
                    QVERIFY(other.open(log.logPath(), Database::OpenMode::ExistingReadWrite)
                            && other.execute("UPDATE LogTbl SET max_depth = 13 WHERE max_depth = 12.5"));
                    other.close();
                    QCOMPARE(QFileInfo(log.logPath()).size(), qint64(st.st_size));
                }
                if (change == "size")  // grown, the time put back
                    QCOMPARE(::truncate(path, st.st_size + 4096), 0);
                const struct timespec times[] = {st.st_atim, st.st_mtim};
                if (change == "counter" || change == "size")
                    QCOMPARE(::utimensat(AT_FDCWD, path, times, 0), 0);
                if (change == "time")
                    QCOMPARE(::utimensat(AT_FDCWD, path, nullptr, 0), 0);
                changed = ReadFileBytes(log.logPath());
            };
            CompactAtShutdown();
            QVERIFY(files.steps.contains(when));
            QVERIFY(!files.steps.contains("rename tidewriter.db"));
        }
        const bool duringCopy = when.startsWith("write");
        QCOMPARE(ui.messages.size(), duringCopy ? 1 : 0);
        if (duringCopy)
            QCOMPARE(ui.messages[0].text.section("\r\n", 1).section('\n', 0, 0),
                     "ファイル " + log.logPath() + " はコピーの途中で変更されました");
        QCOMPARE(ReadFileBytes(log.logPath()), changed);
        QCOMPARE(companions(log.logPath()), QStringList({"log", ".bak"}));
        QCOMPARE(ReadFileBytes(log.logPath() + ".bak"), duringCopy ? gBakBytes : gLogBytes);
    }

    // An unchanged log is left alone. A changed one is compacted, stale files of an interrupted exit gone, and
    // stays the same file for the user: the same permissions, and a symbolic link stays a link.
    void compactionKeepsTheFile_data()
    {
        QTest::addColumn<bool>("link");
        QTest::newRow("private log") << false;
        QTest::newRow("link to a private log") << true;
    }
    void compactionKeepsTheFile()
    {
        QFETCH(bool, link);
        const int mode = 0600;
        TestLog log(false);
        const QString file = runLeftLog(log, link);
        QVERIFY(::chmod(QFile::encodeName(file), mode_t(mode)) == 0);
        ScriptedUi ui;
        gModified = false;
        CompactAtShutdown();
        QCOMPARE(ReadFileBytes(file), gLogBytes);
        QCOMPARE(ReadFileBytes(log.logPath() + ".bak"), gBakBytes);
        WriteFileBytes(file + ".new", "stale");
        WriteFileBytes(file + ".old", "stale");
        gModified = true;
        CompactAtShutdown();
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(QFileInfo(log.logPath()).isSymLink(), link);
        QCOMPARE(FollowLinks(log.logPath()), file);
        QVERIFY(QFileInfo(file).size() < gLogBytes.size());  // compacted
        QCOMPARE(diveCount(log.logPath()), 3);
        for (const QString& f : {file, log.logPath() + ".bak"}) {
            struct stat st;
            QCOMPARE(::stat(QFile::encodeName(f), &st), 0);
            QCOMPARE(int(st.st_mode & 07777), mode);
        }
        QCOMPARE(companions(file), QStringList({"log"}) + (link ? QStringList() : QStringList({".bak"})));
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
