#include "Database.h"

#include <QFileInfo>
#include <sqlite3.h>

SqlError::SqlError(QString message, QString statement)
    : m_message(std::move(message)), m_statement(std::move(statement)), m_what(m_message.toUtf8())
{
}

Recordset::Recordset(QStringList names, std::vector<QVariantList> rows)
    : m_names(std::move(names)), m_rows(std::move(rows))
{
}

QVariant Recordset::field(int index) const
{
    if (eof() || index < 0 || index >= m_names.size())
        return {};
    return m_rows[m_pos].at(index);
}

QVariant Recordset::field(const QString& name) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return field(i);
    return {};
}

namespace {
Database::StatementFault gStatementFault;
}

void Database::InstallStatementFault(StatementFault fault)
{
    gStatementFault = std::move(fault);
}

Database::~Database()
{
    close();
}

bool Database::open(const QString& path, OpenMode mode, QString* error)
{
    close();
    int flags = SQLITE_OPEN_READWRITE;
    if (mode == OpenMode::CreateNew)
        flags |= SQLITE_OPEN_CREATE;
    else if (mode == OpenMode::ReadOnly)
        flags = SQLITE_OPEN_READONLY;
    // SQLite would take an empty file for an empty database; a log is never empty.
    if (mode != OpenMode::CreateNew && (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)) {
        m_lastError = (QFileInfo::exists(path) ? QStringLiteral("not a database file: %1")
                                               : QStringLiteral("no such file: %1"))
                          .arg(path);
        if (error) *error = m_lastError;
        return false;
    }
    const QByteArray name = path.toUtf8();
    int rc = sqlite3_open_v2(name.constData(), &m_db, flags, nullptr);
    if (rc == SQLITE_OK && mode == OpenMode::ExistingReadWrite && sqlite3_db_readonly(m_db, "main") == 1)
        rc = SQLITE_READONLY;
    if (rc == SQLITE_OK) {
        m_path = path;
        sqlite3_busy_timeout(m_db, 2000);
        if (mode != OpenMode::CreateNew) {
            auto rs = query(QStringLiteral("PRAGMA quick_check"));
            if (!rs || rs->eof() || rs->field(0).toString() != QLatin1String("ok")) {
                if (rs)
                    m_lastError = QStringLiteral("database disk image is malformed");
                rc = SQLITE_CORRUPT;
            }
        }
        if (rc == SQLITE_OK && mode != OpenMode::ReadOnly
            && !execute(QStringLiteral("PRAGMA journal_mode=DELETE")))
            rc = SQLITE_ERROR;
    } else if (m_db) {
        m_lastError = QString::fromUtf8(sqlite3_errstr(rc));
    }
    if (rc != SQLITE_OK) {
        if (m_lastError.isEmpty())
            m_lastError = QString::fromUtf8(sqlite3_errstr(rc));
        const QString keep = m_lastError;
        close();
        m_lastError = keep;
        if (error) *error = keep;
        return false;
    }
    m_lastError.clear();
    return true;
}

void Database::finalizeStatements()
{
    m_boundStatement = nullptr;
    for (sqlite3_stmt* s : std::as_const(m_statements))
        sqlite3_finalize(s);
    m_statements.clear();
}

void Database::close()
{
    finalizeStatements();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_path.clear();
}

bool Database::prepareAndBind(const QString& sql, const QVariantList& params, sqlite3_stmt** stmt)
{
    *stmt = nullptr;
    m_boundStatement = nullptr;
    m_lastStatement = sql;
    if (!m_db) {
        m_lastError = QStringLiteral("database is not open");
        return false;
    }
    if (gStatementFault) {
        if (QString fault = gStatementFault(sql); !fault.isEmpty()) {
            m_lastError = std::move(fault);
            return false;
        }
    }
    if (sqlite3_stmt* cached = m_statements.value(sql)) {
        *stmt = cached;
        sqlite3_clear_bindings(cached);
    } else {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v3(m_db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, stmt, nullptr)
            != SQLITE_OK) {
            setError(sql);
            return false;
        }
        if (m_statements.size() >= 200)
            finalizeStatements();
        m_statements.insert(sql, *stmt);
    }
    if (sqlite3_bind_parameter_count(*stmt) != params.size()) {
        m_lastError = QStringLiteral("parameter count mismatch");
        *stmt = nullptr;
        return false;
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        int rc;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            rc = sqlite3_bind_null(*stmt, i + 1);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = v.isNull() ? sqlite3_bind_null(*stmt, i + 1) : sqlite3_bind_int64(*stmt, i + 1, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = v.isNull() ? sqlite3_bind_null(*stmt, i + 1) : sqlite3_bind_double(*stmt, i + 1, v.toDouble());
            break;
        default: {
            if (v.isNull()) {
                rc = sqlite3_bind_null(*stmt, i + 1);
            } else {
                const QByteArray s = v.toString().toUtf8();
                rc = sqlite3_bind_text(*stmt, i + 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
            }
        }
        }
        if (rc != SQLITE_OK) {
            setError(sql);
            *stmt = nullptr;
            return false;
        }
    }
    m_boundStatement = *stmt;
    return true;
}

void Database::setError(const QString& statement)
{
    m_lastError = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("database is not open");
    m_lastStatement = statement;
    // The statement with its values filled in, for the message that shows it.
    if (m_boundStatement) {
        if (char* expanded = sqlite3_expanded_sql(m_boundStatement)) {
            m_lastStatement = QString::fromUtf8(expanded);
            sqlite3_free(expanded);
        }
    }
}

static QVariant columnValue(sqlite3_stmt* stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                          sqlite3_column_bytes(stmt, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                                   sqlite3_column_bytes(stmt, i)));
    default:
        return {};
    }
}

std::unique_ptr<Recordset> Database::query(const QString& sql, const QVariantList& params)
{
    sqlite3_stmt* stmt;
    if (!prepareAndBind(sql, params, &stmt))
        return nullptr;
    const int n = sqlite3_column_count(stmt);
    QStringList names;
    names.reserve(n);
    for (int i = 0; i < n; ++i)
        names << QString::fromUtf8(sqlite3_column_name(stmt, i));
    std::vector<QVariantList> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row << columnValue(stmt, i);
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        setError(sql);
        sqlite3_reset(stmt);
        return nullptr;
    }
    sqlite3_reset(stmt);
    return std::make_unique<Recordset>(std::move(names), std::move(rows));
}

std::optional<QVariant> Database::firstValue(const QString& sql, const QVariantList& params)
{
    sqlite3_stmt* stmt;
    if (!prepareAndBind(sql, params, &stmt))
        return std::nullopt;
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        setError(sql);
        sqlite3_reset(stmt);
        return std::nullopt;
    }
    const QVariant v = rc == SQLITE_ROW && sqlite3_column_count(stmt) > 0 ? columnValue(stmt, 0) : QVariant();
    sqlite3_reset(stmt);
    return v;
}

bool Database::execute(const QString& sql, const QVariantList& params)
{
    sqlite3_stmt* stmt;
    if (!prepareAndBind(sql, params, &stmt))
        return false;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        setError(sql);
        sqlite3_reset(stmt);
        return false;
    }
    sqlite3_reset(stmt);
    m_lastError.clear();
    return true;
}

bool Database::executeScript(const QString& sql)
{
    if (!m_db)
        return false;
    char* err = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_exec(m_db, text.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        m_lastError = QString::fromUtf8(err ? err : "error");
        m_lastStatement = sql;
        sqlite3_free(err);
        return false;
    }
    return true;
}

bool Database::commitTrans()
{
    if (execute(QStringLiteral("COMMIT")))
        return true;
    const QString error = m_lastError, statement = m_lastStatement;
    rollback();
    m_lastError = error;
    m_lastStatement = statement;
    return false;
}

bool Database::rollback()
{
    return !inTransaction() || execute(QStringLiteral("ROLLBACK"));
}

bool Database::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

qint64 Database::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

bool Database::integrityCheck(const QString& path)
{
    Database db;
    if (!db.open(path, OpenMode::ReadOnly))
        return false;
    auto rs = db.query(QStringLiteral("PRAGMA integrity_check"));
    return rs && !rs->eof() && rs->field(0).toString() == QLatin1String("ok");
}

bool Database::compact(const QString& source, const QString& target, QString* error)
{
    Database db;
    if (!db.open(source, OpenMode::ReadOnly, error))
        return false;
    if (!db.execute(QStringLiteral("VACUUM INTO ?"), {target})) {
        if (error) *error = db.lastError();
        return false;
    }
    return true;
}
