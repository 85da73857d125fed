#include "TestLog.h"

#include <QCoreApplication>
#include <QProcess>

#include "Globals.h"
#include "Schema.h"
#include "modSupport.h"

#include <QFile>
#include <stdexcept>

TestLog::TestLog(bool createLog)
{
    ResetGlobals();
    m_logPath = dir.filePath(QStringLiteral("tidewriter.db"));
    gDatabasePath = m_logPath;
    gIniPath = dir.filePath(QStringLiteral("tidewriter.ini"));
    if (!createLog)
        return;
    QString error;
    if (!CreateNewLog(m_logPath, &error))
        throw std::runtime_error(error.toStdString());
    open();
    LoadLookupTables();
}

TestLog::~TestLog()
{
    close();
    ResetGlobals();
}

void TestLog::open()
{
    if (!m_db.open(m_logPath, Database::OpenMode::ExistingReadWrite))
        throw std::runtime_error(m_db.lastError().toStdString());
    gDatabase = &m_db;
}

void TestLog::close()
{
    m_db.close();
    if (gDatabase == &m_db)
        gDatabase = nullptr;
}

qint64 TestLog::addDive(const QString& date, const QString& inTime, const QString& outTime, const QVariant& maxDepth,
                        const QString& location, const QVariant& entryType)
{
    auto nullIfEmpty = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
    if (!m_db.execute(QStringLiteral("INSERT INTO LogTbl (dive_date, in_time, out_time, max_depth, location, entry_type,"
                                     " create_time, update_time) VALUES (?, ?, ?, ?, ?, ?, datetime('now'), datetime('now'))"),
                      {date, nullIfEmpty(inTime), nullIfEmpty(outTime), maxDepth, nullIfEmpty(location), entryType}))
        throw std::runtime_error(m_db.lastError().toStdString());
    return m_db.lastInsertId();
}

qlonglong TestLog::scalar(const QString& sql, const QVariantList& params)
{
    auto rs = m_db.query(sql, params);
    if (!rs)
        throw std::runtime_error(m_db.lastError().toStdString());
    return rs->eof() ? -1 : rs->field(0).toLongLong();
}

QStringList TestLog::values(const QString& sql)
{
    QStringList out;
    for (auto rs = m_db.query(sql); rs && !rs->eof(); rs->moveNext())
        for (int i = 0; i < rs->fieldCount(); ++i)
            out << (rs->field(i).isNull() ? QStringLiteral("NULL") : rs->field(i).toString());
    return out;
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

int RunTidewriter(const QString& home, const QStringList& args, QString* output)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tidewriter"), args);
    p.waitForFinished(120000);
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
