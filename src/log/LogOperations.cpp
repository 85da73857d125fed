#include "LogOperations.h"

#include "Database.h"
#include "DiveList.h"
#include "Globals.h"
#include "HADecode.h"
#include "UiServices.h"
#include "modSupport.h"

#include <QDate>
#include <QTime>

namespace {
// An empty series is stored as no value, like every other empty column.
QVariant orNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// Backs up the log and adds an empty dive dated today; raises SqlError when the log refuses.
qint64 insertNewRow()
{
    BackupDatabase();
    ExecuteSQL(QStringLiteral("INSERT INTO LogTbl (dive_date, create_time, update_time)"
                              " VALUES (date('now', 'localtime'), datetime('now', 'localtime'),"
                              " datetime('now', 'localtime'))"),
               {}, true);
    return gDatabase->lastInsertId();
}
}  // namespace

void LogOperations::tellFailure(const QString& text, const QString& why, bool critical) const
{
    MsgBox(FailureMessage(text, why), critical ? MsgIcon::Critical : MsgIcon::Exclamation, MsgButtons::Ok, tr("エラー"),
           m_owner);
}

std::optional<qint64> LogOperations::InsertNewRecord() const
{
    try {
        return insertNewRow();
    } catch (const SqlError& e) {
        tellFailure(tr("レコードの新規作成に失敗しました"), DatabaseFailure(e));
        return std::nullopt;
    }
}

LogOperations::CloneResult LogOperations::CloneRecords(const QList<qint64>& ids) const
{
    static const QString columns = QStringLiteral(
        "location, buddy, guide, entry_type, comment, weather, dive_date, in_time, out_time, avg_depth, max_depth,"
        " tank_mat, tank_capa, start_tank_bar, end_tank_bar, suit, air_type, weight, air_temp, surface_temp,"
        " depth_temp, create_time, update_time, depth_transit, min_visibility, max_visibility, min_transparency,"
        " max_transparency, condition, item, temp_transit");
    CloneResult result;
    for (const qint64 id : ids) {
        BackupDatabase();
        try {
            ExecuteSQL(QStringLiteral("INSERT INTO LogTbl (%1) SELECT %1 FROM LogTbl WHERE id = ?").arg(columns), {id},
                       true);
        } catch (const SqlError& e) {
            tellFailure(tr("レコードの複製に失敗しました"), DatabaseFailure(e));
            result.ok = false;
            return result;
        }
        result.ids.append(gDatabase->lastInsertId());
    }
    return result;
}

bool LogOperations::DeleteRecords(const QList<ListedDive>& dives, const std::function<void(qint64)>& deleted) const
{
    if (dives.isEmpty())
        return false;
    QString question;
    if (dives.size() == 1) {
        const ListedDive& d = dives.first();
        question = QStringLiteral("No.") + d.number + QLatin1Char(' ') + d.when + QStringLiteral(" \n") + d.location
            + QStringLiteral("\n\n") + tr("このレコードを削除してもよろしいですか?");
    } else {
        question = tr("これら ") + FormatCount(long(dives.size())) + tr(" 個のレコードを削除してもよろしいですか?");
    }
    const MsgResult answer = MsgBox(question, MsgIcon::Exclamation, MsgButtons::YesNo, tr("レコード削除の確認"), m_owner);
    BackupDatabase();
    if (answer != MsgResult::Yes)
        return false;
    for (const ListedDive& d : dives) {
        if (!ExecuteSQL(QStringLiteral("DELETE FROM LogTbl WHERE id = ?"), {d.id})) {
            tellFailure(tr("レコードの削除に失敗しました"), LastDatabaseFailure());
            continue;
        }
        if (deleted)
            deleted(d.id);
    }
    return true;
}

bool LogOperations::DiveLoggedAt(const QDate& date, const QTime& inTime)
{
    const std::optional<QVariant> same =
        QueryFirstValue(QStringLiteral("SELECT Count(*) FROM LogTbl WHERE dive_date = ? AND in_time = ?"),
                        {date.toString(Qt::ISODate), inTime.toString(QStringLiteral("HH:mm"))});
    return same && same->toLongLong() > 0;
}

std::optional<qint64> LogOperations::ImportDive(const HADive& dive) const
{
    const QString failed = tr("データの更新に失敗しました");
    if (!gDatabase || !gDatabase->beginTrans()) {
        tellFailure(failed, LastDatabaseFailure(), true);
        return std::nullopt;
    }
    try {
        const qint64 id = insertNewRow();
        ExecuteSQL(QStringLiteral("UPDATE LogTbl SET dive_date = ?, in_time = ?, out_time = ?, max_depth = ?,"
                                  " avg_depth = ?, surface_temp = ?, depth_temp = ?, depth_transit = ?,"
                                  " temp_transit = ? WHERE id = ?"),
                   {dive.date.toString(Qt::ISODate), dive.inTime.toString(QStringLiteral("HH:mm")),
                    dive.outTime.toString(QStringLiteral("HH:mm")), dive.maxDepth, dive.avgDepth, dive.surfaceTemp,
                    dive.depthTemp ? QVariant(*dive.depthTemp) : QVariant(), orNull(dive.depthTransit),
                    orNull(dive.tempTransit), id},
                   true);
        if (!gDatabase->commitTrans())
            throw SqlError(gDatabase->lastError(), gDatabase->lastStatement());
        return id;
    } catch (const SqlError& e) {
        const QString why = DatabaseFailure(e);
        gDatabase->rollback();
        tellFailure(failed, why, true);
        return std::nullopt;
    }
}
