#include "LogSnapshot.h"

#include "Database.h"
#include "Globals.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
// Ids read per query.
constexpr int kChunk = 400;

std::array<QStringList*, 7> globalLists()
{
    return {&gAirTypes, &gEntryTypes, &gSuits, &gTankMats, &gWeathers, &gItems, &gConditions};
}
}  // namespace

ExportChoice ChosenItems(QList<ExportItem> items)
{
    return [items = std::move(items)](QList<ExportItem>* chosen, QString*) {
        *chosen = items;
        return true;
    };
}

bool ForIdChunks(const QList<ExportItem>& items, const std::function<bool(const QString& marks, const QVariantList& ids)>& query)
{
    for (qsizetype start = 0; start < items.size(); start += kChunk) {
        const qsizetype n = std::min<qsizetype>(kChunk, items.size() - start);
        QStringList marks;
        QVariantList ids;
        for (qsizetype i = 0; i < n; ++i) {
            marks << QStringLiteral("?");
            ids << items[start + i].id;
        }
        if (!query(marks.join(QLatin1Char(',')), ids))
            return false;
    }
    return true;
}

ReadTransaction::ReadTransaction() : open(gDatabase && !gDatabase->inTransaction() && gDatabase->beginTrans()) {}

ReadTransaction::~ReadTransaction()
{
    if (open)
        gDatabase->commitTrans();
}

bool LogSnapshot::read(const ExportChoice& choose, QList<ExportItem>* chosen, QString* error)
{
    const ReadTransaction readTransaction;
    const auto readError = [&] {
        *error = QCoreApplication::translate("modCSV", "データベースファイルを読み込めませんでした") + QLatin1Char('\n')
            + LastDatabaseError();
        return false;
    };
    if (!choose(chosen, error))
        return false;
    const QList<ExportItem>& items = *chosen;
    if (!m_context.load())
        return readError();
    m_rows.reserve(size_t(items.size()));
    m_rowOf.reserve(items.size());
    const bool read = ForIdChunks(items, [&](const QString& marks, const QVariantList& ids) {
        auto rs = OpenQuery(QStringLiteral("SELECT id, %1 FROM LogTbl WHERE id IN (%2)").arg(DiveRow::columns(), marks), ids);
        for (; rs && !rs->eof(); rs->moveNext()) {
            m_rowOf.insert(rs->field(0).toLongLong(), int(m_rows.size()));
            m_rows.push_back(DiveRow::read(*rs));
        }
        return bool(rs);
    });
    if (!read)
        return readError();
    for (size_t i = 0; i < m_lists.size(); ++i)
        m_lists[i] = *globalLists()[i];
    m_timeOffset = gTimeOffset;
    return true;
}

void LogSnapshot::load(DiveTexts& texts, const ExportItem& item) const
{
    if (const auto at = m_rowOf.constFind(item.id); at != m_rowOf.cend()) {
        texts.loadRow(m_rows[size_t(*at)], item.number);
    } else {
        // Gone before the log was read (another program deleted it after the list was
        // drawn): an empty record with its number, as the editor would show it. A dive
        // deleted while the export runs was read already and is written as it was.
        texts.loadEmpty(item.number);
    }
}

void LogSnapshot::Lend::swap()
{
    for (size_t i = 0; i < m_log.m_lists.size(); ++i)
        m_log.m_lists[i].swap(*globalLists()[i]);
    std::swap(m_log.m_timeOffset, gTimeOffset);
}
