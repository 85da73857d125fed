#pragma once
// The record window's list of attached files (its sixth tab): the files of a RecordStore
// with their titles, dates and paths, and the commands, keys and drags that edit them.
#include <QTreeView>

class RecordStore;
class QMenu;
class PictureListModel;

class PicListView : public QTreeView {
    Q_OBJECT
public:
    explicit PicListView(QWidget* parent = nullptr);
    ~PicListView() override;

    // Shows the store's files; call again after the store loaded another dive.
    void setStore(RecordStore* store);
    void reload();
    QMenu* contextMenu() const;

signals:
    // The user changed the list (added, removed or renamed files).
    void changed();
    // The list took or gave up the focus: the window's OK and Cancel buttons must not
    // take Enter and Esc from it meanwhile.
    void focusTaken(bool hasFocus);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

protected slots:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private slots:
    void mnuPicOpen_Click();
    void mnuPicAdd_Click();
    void mnuPicDelete_Click();
    void mnuPicRename_Click();
    void mnuPicSelectAll_Click();
    void mnuPicProperty_Click();
    void lvwPicList_ColumnClick(int column);
    void lvwPicList_AfterLabelEdit();

private:
    RecordStore* store() const;
    QList<int> selectedRows() const;
    // The entry the single-entry commands act on: the current one when it is selected.
    int selectedRow() const;
    void addFile(const QString& path);
    void showMenu(const QPoint& globalPos);
    bool carriesDroppableFiles(const QDropEvent* event) const;
    void reportFocus();

    PictureListModel* m_model;
    QMenu* mnuPic;
    QAction* mnuPicOpen;
    QAction* mnuPicAdd;
    QAction* mnuPicDelete;
    QAction* mnuPicRename;
    QAction* mnuPicSelectAll;
    QAction* mnuPicProperty;
    QPoint m_lastMouseUp;
    bool m_focusReported = false;
};
