#include "modSupport.h"

#include "FileOps.h"
#include "Globals.h"
#include "IniFile.h"
#include "UiServices.h"

#include <QCoreApplication>

namespace {
QString NotOpenText()
{
    return QCoreApplication::translate("modSupport", "データベースが開かれていません");
}
}  // namespace

std::unique_ptr<Recordset> OpenQuery(const QString& sql, const QVariantList& params)
{
    if (!gDatabase)
        return nullptr;
    return gDatabase->query(sql, params);
}

std::optional<QVariant> QueryFirstValue(const QString& sql, const QVariantList& params)
{
    if (!gDatabase)
        return std::nullopt;
    return gDatabase->firstValue(sql, params);
}

bool ExecuteSQL(const QString& sql, const QVariantList& params, bool raiseError)
{
    if (gDatabase && gDatabase->execute(sql, params)) {
        gModified = true;
        return true;
    }
    if (raiseError) {
        if (!gDatabase)
            throw SqlError(NotOpenText(), sql);
        throw SqlError(gDatabase->lastError(), gDatabase->lastStatement());
    }
    return false;
}

QString LastDatabaseError()
{
    return gDatabase ? gDatabase->lastError() : NotOpenText();
}

QString LastDatabaseFailure()
{
    if (!gDatabase)
        return NotOpenText();
    // A statement that succeeded after the failure leaves nothing worth showing.
    if (gDatabase->lastError().isEmpty())
        return QString();
    return FailureMessage(gDatabase->lastStatement(), gDatabase->lastError());
}

QString DatabaseFailure(const SqlError& e)
{
    return FailureMessage(e.statement(), e.message());
}

QString FailureMessage(const QString& text, const QString& detail)
{
    if (text.isEmpty() || detail.isEmpty())
        return text + detail;
    return text + QStringLiteral("\r\n") + detail;
}

bool BackupDatabase()
{
    QString error;
    if (Files().copy(gDatabasePath, gDatabasePath + QStringLiteral(".bak"), &error))
        return true;
    MsgBox(FailureMessage(QCoreApplication::translate("modSupport", "データベースファイルをバックアップできませんでした"),
                          error),
           MsgIcon::Exclamation);
    return false;
}

QString ReadIni(const QString& section, const QString& key, const QString& defaultValue)
{
    return IniFile::read(gIniPath, section, key, defaultValue);
}

bool WriteIni(const QString& section, const QString& key, const QString& value)
{
    return IniFile::write(gIniPath, section, key, value);
}

namespace {
void loadList(QStringList& list, const QString& table, const QString& column)
{
    list = QStringList();
    auto rs = OpenQuery(QStringLiteral("SELECT id, %1 FROM %2 ORDER BY id").arg(column, table));
    if (!rs)
        return;
    for (; !rs->eof(); rs->moveNext())
        list << rs->field(column).toString();
}

void loadSuggestions(QStringList& list, const QString& column)
{
    list = QStringList();
    auto rs = OpenQuery(QStringLiteral("SELECT DISTINCT %1, Count(%1) AS num FROM LogTbl"
                                       " GROUP BY %1 ORDER BY Count(%1) DESC, %1")
                            .arg(column));
    if (!rs)
        return;
    for (; !rs->eof(); rs->moveNext()) {
        const QVariant v = rs->field(0);
        if (!v.isNull() && !v.toString().isEmpty())
            list << v.toString();
    }
}
}  // namespace

void LoadLookupTables()
{
    const QString text = QStringLiteral("text");
    loadList(gAirTypes, QStringLiteral("AirTypeTbl"), text);
    loadList(gEntryTypes, QStringLiteral("EntryTypeTbl"), text);
    loadList(gSuits, QStringLiteral("SuitTbl"), text);
    loadList(gTankMats, QStringLiteral("TankMatTbl"), text);
    loadList(gWeathers, QStringLiteral("WeatherTbl"), text);
    if (auto rs = OpenQuery(QStringLiteral("SELECT * FROM ConfigTbl")); rs && !rs->eof()) {
        if (auto v = rs->field(QStringLiteral("no_offset")); v.isValid())
            gNoOffset = v.toLongLong();
        if (auto v = rs->field(QStringLiteral("time_offset")); v.isValid())
            gTimeOffset = v.toLongLong();
        if (auto v = rs->field(QStringLiteral("pic_path")); v.isValid())
            gPicPath = v.toString();
    }
    const QString name = QStringLiteral("name");
    loadList(gItems, QStringLiteral("ItemTbl"), name);
    loadList(gConditions, QStringLiteral("ConditionTbl"), name);
}

void LoadSuggestionLists()
{
    loadSuggestions(gLocations, QStringLiteral("location"));
    loadSuggestions(gBuddies, QStringLiteral("buddy"));
    loadSuggestions(gGuides, QStringLiteral("guide"));
}
