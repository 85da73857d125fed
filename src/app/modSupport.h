#pragma once
// Database access, backup, settings file and the shared lookup lists.
#include "Database.h"

#include <QString>
#include <QVariantList>
#include <memory>

// A read-only result, or null on any error; never shows anything.
std::unique_ptr<Recordset> OpenQuery(const QString& sql, const QVariantList& params = {});
// The first field of the first row of a query: empty on any error, an invalid QVariant
// when there is no row. Reads no further rows.
std::optional<QVariant> QueryFirstValue(const QString& sql, const QVariantList& params = {});
// Executes one statement on the log. Success sets gModified. On failure either throws
// SqlError (raiseError) or returns false; never shows anything.
bool ExecuteSQL(const QString& sql, const QVariantList& params = {}, bool raiseError = false);
// The log's description of the last failure, for messages.
QString LastDatabaseError();
// The last failing statement with its values, a line break and the log's description;
// read it before a rollback, which clears it.
QString LastDatabaseFailure();
// The same for a raised error.
QString DatabaseFailure(const SqlError& e);
// A message for a failed operation: the user's own words first, so the engine's English
// never stands alone, then a line break and the detail (left out when empty).
QString FailureMessage(const QString& text, const QString& detail);
// Copies the log to its ".bak"; tells the user and returns false when that fails.
bool BackupDatabase();

QString ReadIni(const QString& section, const QString& key, const QString& defaultValue);
bool WriteIni(const QString& section, const QString& key, const QString& value);

void LoadLookupTables();
void LoadSuggestionLists();
