#pragma once
// The dive list as an item model: five text columns, sorted by cell text on request.
#include "DiveList.h"

#include <QAbstractTableModel>
#include <QHash>

class DiveListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColNo, ColLocation, ColEntry, ColDepth, ColDate, ColumnCount };

    explicit DiveListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setRows(std::vector<DiveListRow> rows);
    const DiveListRow& row(int r) const { return m_rows[size_t(r)]; }
    QString cellText(int row, int column) const;
    QString rowKey(int r) const;  // MakeItemKey of the dive id
    int rowOfId(qint64 id) const;

    // A heading click: the No. heading sorts by the date text; clicking the heading the
    // list is already sorted by flips the order. Sorting stays on for later rows.
    void headingClicked(int column);
    bool sorted() const { return m_sorted; }
    int sortKey() const { return m_sortKey; }
    Qt::SortOrder sortOrder() const { return m_order; }

private:
    void applySort();
    void indexRows();

    std::vector<DiveListRow> m_rows;
    // Row of each dive id: commands on a large selection look every selected dive up.
    QHash<qint64, int> m_rowOfId;
    bool m_sorted = false;
    int m_sortKey = 0;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};
