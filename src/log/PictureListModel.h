#pragma once
// A record's attached files as an item model: title, date and full path, sorted by cell
// text on request. The rows are the store's own list, kept in the shown order since a save
// writes them in that order; edits go through the model so that views follow them.
#include "RecordStore.h"

#include <QAbstractTableModel>
#include <QPointer>

class PictureListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColTitle, ColDate, ColFileName, ColumnCount };

    explicit PictureListModel(QObject* parent = nullptr);

    void setStore(RecordStore* store);
    RecordStore* store() const { return m_store; }
    // Shows the store's files again (after it loaded another dive).
    void reload();
    QString path(int row) const { return entries().value(row).path; }
    // Adds a file through the store (which tells the user why it refuses one); a file added
    // to a sorted list takes its sorted place. False when the file was refused.
    bool addPicture(const QString& path, const QString& title);
    void removePictures(const QList<int>& rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A title edit that ends renames the file's entry, even to the same title.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Dragged entries: a file list of their paths, from the last entry to the first.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    // A heading click sorts by that column's text; clicking the sort column again flips
    // the order, another column keeps it. Files added later are sorted in as well.
    void headingClicked(int column);
    bool sorted() const { return m_sorted; }
    int sortKey() const { return m_sortKey; }
    Qt::SortOrder sortOrder() const { return m_order; }

signals:
    void titleEdited(int row);

private:
    const QList<PictureEntry>& entries() const;
    QString cellText(const PictureEntry& e, int column) const;
    // The new position of every old row, after the store was put in sort order.
    QList<int> sortStore();

    QPointer<RecordStore> m_store;
    bool m_sorted = false;
    int m_sortKey = ColTitle;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};
