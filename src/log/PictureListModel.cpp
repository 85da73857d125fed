#include "PictureListModel.h"

#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <numeric>

PictureListModel::PictureListModel(QObject* parent) : QAbstractTableModel(parent) {}

void PictureListModel::setStore(RecordStore* store)
{
    beginResetModel();
    m_store = store;
    if (m_store && m_sorted)
        sortStore();
    endResetModel();
}

void PictureListModel::reload()
{
    setStore(m_store);
}

const QList<PictureEntry>& PictureListModel::entries() const
{
    static const QList<PictureEntry> none;
    return m_store ? m_store->pictures() : none;
}

bool PictureListModel::addPicture(const QString& path, const QString& title)
{
    if (!m_store || m_store->AddPicture(path, title) != RecordStore::AddResult::Added)
        return false;
    reload();
    return true;
}

void PictureListModel::removePictures(const QList<int>& rows)
{
    if (!m_store)
        return;
    m_store->removePictures(rows);
    reload();
}

int PictureListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(entries().size());
}

int PictureListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString PictureListModel::cellText(const PictureEntry& e, int column) const
{
    switch (column) {
    case ColTitle: return e.title;
    case ColDate: return e.modified;
    default: return e.path;
    }
}

QVariant PictureListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= entries().size())
        return {};
    if (role == Qt::DisplayRole || (role == Qt::EditRole && index.column() == ColTitle))
        return cellText(entries().at(index.row()), index.column());
    return {};
}

QVariant PictureListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColTitle: return tr("タイトル");
    case ColDate: return tr("日時");
    case ColFileName: return tr("ファイル名");
    default: return {};
    }
}

Qt::ItemFlags PictureListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == ColTitle)
        f |= Qt::ItemIsEditable;
    return f;
}

bool PictureListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_store || role != Qt::EditRole || index.column() != ColTitle || index.row() >= entries().size())
        return false;
    // One row changed in place: no reset, so the selection stays.
    m_store->renamePicture(index.row(), value.toString());
    emit dataChanged(index, index);
    emit titleEdited(index.row());
    return true;
}

QStringList PictureListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData* PictureListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& i : indexes)
        if (i.isValid() && i.row() < entries().size() && !rows.contains(i.row()))
            rows.append(i.row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    QList<QUrl> urls;
    for (int r : rows)
        urls.append(QUrl::fromLocalFile(entries().at(r).path));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions PictureListModel::supportedDragActions() const
{
    // The files stay where they are: a drag offers copies only.
    return Qt::CopyAction;
}

void PictureListModel::headingClicked(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    if (m_sorted && m_sortKey == column)
        m_order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortKey = column;
    m_sorted = true;
    if (!m_store)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QList<int> newRowOf = sortStore();
    // Selected entries stay selected where they moved to.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& i : before)
        after.append(index(newRowOf.value(i.row(), i.row()), i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QList<int> PictureListModel::sortStore()
{
    const QList<PictureEntry>& entries = m_store->pictures();
    QList<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    const bool descending = m_order == Qt::DescendingOrder;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = QString::compare(cellText(entries.at(a), m_sortKey), cellText(entries.at(b), m_sortKey),
                                       Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    });
    QList<int> newRowOf(order.size());
    for (int i = 0; i < order.size(); ++i)
        newRowOf[order[i]] = i;
    m_store->reorderPictures(order);
    return newRowOf;
}
