#include "DiveListModel.h"

#include "modSubroutines.h"

#include <algorithm>

DiveListModel::DiveListModel(QObject* parent) : QAbstractTableModel(parent) {}

int DiveListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DiveListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString DiveListModel::cellText(int r, int column) const
{
    const DiveListRow& d = m_rows[size_t(r)];
    switch (column) {
    case ColNo: return QString::number(d.number);
    case ColLocation: return d.location;
    case ColEntry: return d.entry;
    case ColDepth: return d.depth;
    case ColDate: return d.date;
    default: return {};
    }
}

QVariant DiveListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == ColNo || index.column() == ColDepth))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant DiveListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColNo: return tr("No.");
    case ColLocation: return tr("潜水地");
    case ColEntry: return tr("En/Ex");
    case ColDepth: return tr("深度");
    case ColDate: return tr("日時");
    default: return {};
    }
}

void DiveListModel::setRows(std::vector<DiveListRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    if (m_sorted)
        applySort();
    indexRows();
    endResetModel();
}

QString DiveListModel::rowKey(int r) const
{
    return MakeItemKey(m_rows[size_t(r)].id);
}

int DiveListModel::rowOfId(qint64 id) const
{
    return m_rowOfId.value(id, -1);
}

void DiveListModel::indexRows()
{
    m_rowOfId.clear();
    m_rowOfId.reserve(qsizetype(m_rows.size()));
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_rowOfId.insert(m_rows[i].id, int(i));
}

void DiveListModel::headingClicked(int column)
{
    const int key = column == ColNo ? ColDate : column;
    if (m_sorted && m_sortKey == key)
        m_order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortKey = key;
    m_sorted = true;
    // A layout change rather than a reset: views keep their selected and current rows,
    // which follow their dives to the new places.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<qint64> ids;
    ids.reserve(before.size());
    for (const QModelIndex& i : before)
        ids << m_rows[size_t(i.row())].id;
    applySort();
    indexRows();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k)
        after << index(rowOfId(ids[k]), before[k].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DiveListModel::applySort()
{
    auto text = [this](const DiveListRow& d) -> const QString& {
        switch (m_sortKey) {
        case ColLocation: return d.location;
        case ColEntry: return d.entry;
        case ColDepth: return d.depth;
        default: return d.date;
        }
    };
    const bool descending = m_order == Qt::DescendingOrder;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const DiveListRow& a, const DiveListRow& b) {
        const int c = text(a).compare(text(b), Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    });
}
