#pragma once
// A log of the test's own in a temporary folder, opened as the program's log.
#include "Database.h"

#include <QTemporaryDir>
#include <QVariantList>

class TestLog {
public:
    // Creates a new log at the current release and opens it (gDatabase, gDatabasePath,
    // gIniPath and the lookup lists set), unless createLog is false.
    explicit TestLog(bool createLog = true);
    ~TestLog();

    QString path(const QString& name) const { return dir.filePath(name); }
    const QString& logPath() const { return m_logPath; }
    Database& db() { return m_db; }

    // Adds a dive with the given columns; returns its id.
    qint64 addDive(const QString& date, const QString& inTime, const QString& outTime, const QVariant& maxDepth = {},
                   const QString& location = {}, const QVariant& entryType = {});
    qlonglong scalar(const QString& sql, const QVariantList& params = {});
    // Every field of every row, Null as "NULL".
    QStringList values(const QString& sql);
    void open();
    void close();

    QTemporaryDir dir;

private:
    QString m_logPath;
    Database m_db;
};

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);
// Runs the built tidewriter as a diver's shell would, with HOME at home and no display or
// XDG folders: its exit status (-1 for a crash), its output and errors in *output.
int RunTidewriter(const QString& home, const QStringList& args, QString* output = nullptr);
