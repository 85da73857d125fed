#pragma once
// A thin RAII layer over the SQLite C API: the only place that talks to sqlite3.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

// Raised by ExecuteSQL when the caller asked for errors to propagate.
class SqlError : public std::exception {
public:
    SqlError(QString message, QString statement);
    const char* what() const noexcept override { return m_what.constData(); }
    const QString& message() const { return m_message; }
    const QString& statement() const { return m_statement; }

private:
    QString m_message;
    QString m_statement;
    QByteArray m_what;
};

// A read-only result set, fully read when opened: rows in query order, fields by
// name or position, Null as an invalid QVariant.
class Recordset {
public:
    Recordset(QStringList names, std::vector<QVariantList> rows);

    bool eof() const { return m_pos >= m_rows.size(); }
    void moveNext() { if (m_pos < m_rows.size()) ++m_pos; }
    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = m_rows.empty() ? 0 : m_rows.size() - 1; }
    void moveTo(int row) { m_pos = row < 0 ? m_rows.size() : std::min(size_t(row), m_rows.size()); }
    int recordCount() const { return int(m_rows.size()); }
    int fieldCount() const { return int(m_names.size()); }

    QVariant field(int index) const;
    QVariant field(const QString& name) const;
    const QStringList& fieldNames() const { return m_names; }

private:
    QStringList m_names;
    std::vector<QVariantList> m_rows;
    size_t m_pos = 0;
};

class Database {
public:
    enum class OpenMode { ExistingReadWrite, CreateNew, ReadOnly };

    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the file and proves that it is a sound SQLite database (a quick integrity
    // check), so that a file of another kind is refused before anything touches it.
    bool open(const QString& path, OpenMode mode, QString* error = nullptr);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }

    // Null on error; the error text is kept in lastError().
    std::unique_ptr<Recordset> query(const QString& sql, const QVariantList& params = {});
    // The first field of the first row only, without reading the rows after it: empty on
    // error, an invalid QVariant when there is no row.
    std::optional<QVariant> firstValue(const QString& sql, const QVariantList& params = {});
    // Executes one statement; on failure the statement has changed nothing.
    bool execute(const QString& sql, const QVariantList& params = {});
    // Runs a script of several statements without parameters (schema creation).
    bool executeScript(const QString& sql);

    bool beginTrans() { return execute(QStringLiteral("BEGIN")); }
    // A COMMIT that fails (another program reading the log) may leave the transaction
    // open, and everything after it would be undone silently at close: a failed commit
    // is rolled back here, and lastError() still tells why the commit failed.
    bool commitTrans();
    // Nothing to undo when no transaction is open (the engine may have ended it already).
    bool rollback();
    bool inTransaction() const;
    qint64 lastInsertId() const;

    const QString& lastError() const { return m_lastError; }
    // The failing statement with its parameters filled in, for messages.
    const QString& lastStatement() const { return m_lastStatement; }

    // True when the file passes SQLite's full integrity check.
    static bool integrityCheck(const QString& path);
    // Compacts the closed database at source into target, a new or empty file.
    static bool compact(const QString& source, const QString& target, QString* error);

    // Statement faults, behind one seam so that tests can make a chosen statement fail as
    // a busy or full disk would: given the statement's text, the error to report instead
    // of running it, or an empty text. Null runs every statement.
    using StatementFault = std::function<QString(const QString& sql)>;
    static void InstallStatementFault(StatementFault fault);

private:
    bool prepareAndBind(const QString& sql, const QVariantList& params, struct sqlite3_stmt** stmt);
    void setError(const QString& statement);
    void finalizeStatements();

    // Prepared statements by SQL text: the look-ups run the same few statements thousands
    // of times, and parsing them again each time would cost more than running them.
    QHash<QString, struct sqlite3_stmt*> m_statements;
    struct sqlite3_stmt* m_boundStatement = nullptr;  // the statement being run, for error messages

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_lastError;
    QString m_lastStatement;
};
