// The routine that writes the user's files: complete or not at all, whatever step fails.
#include "SafeFile.h"
#include "TestLog.h"

#include <QDir>
#include <QtTest>
#include <cerrno>
#include <sys/stat.h>

namespace {
// The real calls, except that the named step fails once with the given error.
struct FailingCalls : SafeFileCalls {
    FailingCalls(QString step, int error) : step(std::move(step)), error(error) { InstallSafeFileCalls(this); }
    ~FailingCalls() override { InstallSafeFileCalls(nullptr); }
    bool failsNow(const char* name)
    {
        if (step != QLatin1String(name))
            return false;
        step.clear();
        errno = error;
        return true;
    }
    int open(const QByteArray& p, int f, mode_t m) override { return failsNow("open") ? -1 : SafeFileCalls::open(p, f, m); }
    ssize_t write(int fd, const char* d, size_t n) override
    {
        return failsNow("write") ? -1 : SafeFileCalls::write(fd, d, n);
    }
    int datasync(int fd) override { return failsNow("datasync") ? -1 : SafeFileCalls::datasync(fd); }
    int close(int fd) override
    {
        const int rc = SafeFileCalls::close(fd);  // the system closes the file even when it reports an error
        return failsNow("close") ? -1 : rc;
    }
    int rename(const QByteArray& a, const QByteArray& b) override
    {
        return failsNow("rename") ? -1 : SafeFileCalls::rename(a, b);
    }
    int syncFolder(const QByteArray& f) override { return failsNow("syncFolder") ? -1 : SafeFileCalls::syncFolder(f); }
    QString step;
    int error;
};

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
}

// More than the writer gathers before it writes, so that writes happen before the commit.
const QByteArray kNewBytes(200 * 1024, 'n');

// The step that fails, its error, whether the target exists, its contents afterwards ("-": none).
struct Failure { QString step; int error; bool existing; QString after; };
}  // namespace
Q_DECLARE_METATYPE(Failure)

class tst_safefile : public QObject {
    Q_OBJECT
private slots:
    void failedStepKeepsTarget_data()
    {
        QTest::addColumn<Failure>("f");
        QTest::newRow("create, no space") << Failure{"open", ENOSPC, true, "old"};
        QTest::newRow("write, disk full") << Failure{"write", ENOSPC, true, "old"};
        QTest::newRow("write, new target") << Failure{"write", ENOSPC, false, "-"};
        QTest::newRow("sync, I/O error") << Failure{"datasync", EIO, true, "old"};
        QTest::newRow("close, I/O error") << Failure{"close", EIO, true, "old"};
        QTest::newRow("rename, read-only") << Failure{"rename", EROFS, true, "old"};
        // The new file has replaced the old one by then; the failure is still reported.
        QTest::newRow("folder sync, I/O error") << Failure{"syncFolder", EIO, true, "new"};
        QTest::newRow("dropped before commit") << Failure{"", 0, true, "old"};
    }
    void failedStepKeepsTarget()
    {
        QFETCH(Failure, f);
        const QString& after = f.after;
        TestLog log(false);
        QDir().mkpath(log.path("out"));
        const QString target = log.path("out/target.csv");
        if (f.existing) {
            WriteFileBytes(target, "old");
            QVERIFY(::chmod(QFile::encodeName(target).constData(), 0604) == 0);
        }
        {
            FailingCalls calls(f.step, f.error);
            SafeFileWriter file(target);
            if (f.step.isEmpty()) {
                QVERIFY(file.open() && file.write(kNewBytes));
            } else {
                QVERIFY(!(file.open() && file.write(kNewBytes) && file.commit()));
                QVERIFY2(file.errorString().startsWith("ファイル " + target + " ")
                             && file.errorString().endsWith("\n" + qt_error_string(f.error)),
                         qPrintable(file.errorString()));
                QVERIFY(calls.step.isEmpty());  // the step was reached
            }
        }
        if (after != "-")
            QCOMPARE(ReadFileBytes(target), after == "new" ? kNewBytes : QByteArray("old"));
        struct stat st;
        if (after == "new")  // the replacing file keeps the old one's permissions
            QVERIFY(::stat(QFile::encodeName(target).constData(), &st) == 0 && (st.st_mode & 07777) == 0604);
        QCOMPARE(filesIn(log.path("out")), after == "-" ? QStringList() : QStringList{"target.csv"});
    }
};

QTEST_GUILESS_MAIN(tst_safefile)
#include "tst_safefile.moc"
