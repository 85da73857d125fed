#include "PicListView.h"

#include "Globals.h"
#include "PictureListModel.h"
#include "RecordStore.h"
#include "UiServices.h"
#include "modSubroutines.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

PicListView::PicListView(QWidget* parent) : QTreeView(parent), m_model(new PictureListModel(this))
{
    setObjectName(QStringLiteral("lvwPicList"));
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // F2 and the menu start a title edit; a double-click opens the file instead.
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setToolTip(tr("ダブルクリックで実行。ファイルのドラッグ&ドロップで追加"));
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
    setColumnWidth(PictureListModel::ColTitle, 140);
    setColumnWidth(PictureListModel::ColDate, 120);

    mnuPic = new QMenu(tr("画像"), this);
    mnuPic->setObjectName(QStringLiteral("mnuPic"));
    auto add = [this](QAction*& action, const char* name, const QString& text, void (PicListView::*slot)()) {
        action = mnuPic->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
    };
    auto line = [this](const char* name) { mnuPic->addSeparator()->setObjectName(QString::fromLatin1(name)); };
    add(mnuPicOpen, "mnuPicOpen", tr("開く(&O)"), &PicListView::mnuPicOpen_Click);
    line("mnuPicLine1");
    add(mnuPicAdd, "mnuPicAdd", tr("追加(&N)..."), &PicListView::mnuPicAdd_Click);
    line("mnuPicLine2");
    add(mnuPicDelete, "mnuPicDelete", tr("削除(&D)"), &PicListView::mnuPicDelete_Click);
    add(mnuPicRename, "mnuPicRename", tr("名前の変更(&M)"), &PicListView::mnuPicRename_Click);
    line("mnuPicLine3");
    add(mnuPicSelectAll, "mnuPicSelectAll", tr("すべて選択(&A)"), &PicListView::mnuPicSelectAll_Click);
    line("mnuPicLine4");
    add(mnuPicProperty, "mnuPicProperty", tr("プロパティ(&R)"), &PicListView::mnuPicProperty_Click);
    mnuPic->setDefaultAction(mnuPicOpen);

    connect(header(), &QHeaderView::sectionClicked, this, &PicListView::lvwPicList_ColumnClick);
    connect(m_model, &PictureListModel::titleEdited, this, &PicListView::lvwPicList_AfterLabelEdit);
}

PicListView::~PicListView() = default;

void PicListView::setStore(RecordStore* store)
{
    m_model->setStore(store);
}

void PicListView::reload()
{
    m_model->reload();
}

QMenu* PicListView::contextMenu() const
{
    return mnuPic;
}

RecordStore* PicListView::store() const
{
    return m_model->store();
}

QList<int> PicListView::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int PicListView::selectedRow() const
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return -1;
    const int current = currentIndex().row();
    return rows.contains(current) ? current : rows.first();
}

void PicListView::addFile(const QString& path)
{
    if (m_model->addPicture(path, RemoveExtension(GetFileName(path))))
        emit changed();
}

void PicListView::mnuPicOpen_Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString path = m_model->path(row);
    if (!QFileInfo::exists(path)) {
        MsgBox(path + QStringLiteral("\n") + tr("ファイルが見つかりません"), MsgIcon::Critical, MsgButtons::Ok,
               tr("起動エラー"), this);
        return;
    }
    ShellOpen(path, this);
}

void PicListView::mnuPicAdd_Click()
{
    // "*jpg" without a dot lists every name ending in jpg, as the log's users know it.
    const QString path = Services().openFileName(tr("ファイルを追加する"),
                                                 tr("JPEGファイル (*jpg *.jpeg);;すべてのファイル (*)"), gPicPath, this);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    addFile(path);
}

void PicListView::mnuPicDelete_Click()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty() || !store())
        return;
    if (MsgBox(tr("選択されている画像へのリンクを削除してもよろしいですか?"), MsgIcon::Exclamation, MsgButtons::YesNo,
               tr("確認"), this)
        != MsgResult::Yes)
        return;
    m_model->removePictures(rows);
    emit changed();
}

void PicListView::mnuPicRename_Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QModelIndex title = m_model->index(row, PictureListModel::ColTitle);
    selectionModel()->setCurrentIndex(title, QItemSelectionModel::NoUpdate);
    edit(title);
}

void PicListView::mnuPicSelectAll_Click()
{
    selectAll();
}

void PicListView::mnuPicProperty_Click()
{
    const int row = selectedRow();
    if (row >= 0)
        ShowFileProperties(m_model->path(row), this);
}

void PicListView::lvwPicList_ColumnClick(int column)
{
    m_model->headingClicked(column);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(m_model->sortKey(), m_model->sortOrder());
}

void PicListView::lvwPicList_AfterLabelEdit()
{
    emit changed();
}

void PicListView::keyPressEvent(QKeyEvent* event)
{
    // Keys the title editor passes on belong to the edit, not to the list's commands.
    if (state() == EditingState) {
        QTreeView::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (event->matches(QKeySequence::SelectAll))
        mnuPicSelectAll_Click();
    else if (key == Qt::Key_Delete)
        mnuPicDelete_Click();
    else if (key == Qt::Key_F2)
        mnuPicRename_Click();
    else if (enter)
        mnuPicOpen_Click();
    else if (key != Qt::Key_Escape) {  // Esc in the list must not close the window
        QTreeView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PicListView::mouseReleaseEvent(QMouseEvent* event)
{
    m_lastMouseUp = event->position().toPoint();
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        showMenu(event->globalPosition().toPoint());
}

void PicListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(m_lastMouseUp).isValid())
        mnuPicOpen_Click();
}

void PicListView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse shows the menu on the button's release; the menu key shows it at once.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QRect item = visualRect(currentIndex());
        showMenu(viewport()->mapToGlobal(item.isValid() ? item.center() : QPoint()));
    }
    event->accept();
}

void PicListView::showMenu(const QPoint& globalPos)
{
    const bool any = !selectedRows().isEmpty();
    for (QAction* a : {mnuPicOpen, mnuPicDelete, mnuPicRename, mnuPicProperty})
        a->setEnabled(any);
    mnuPicAdd->setEnabled(true);
    mnuPicSelectAll->setEnabled(true);
    mnuPic->popup(globalPos);
}

void PicListView::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    reportFocus();
}

void PicListView::focusOutEvent(QFocusEvent* event)
{
    QTreeView::focusOutEvent(event);
    reportFocus();
}

void PicListView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeView::closeEditor(editor, hint);
    // An edit ended by clicking elsewhere takes the focus out of the list without a
    // focus-out of the list itself.
    reportFocus();
}

void PicListView::reportFocus()
{
    // The title editor is part of the list: moving into it keeps the list focused.
    const QWidget* focus = QApplication::focusWidget();
    const bool inside = focus && (focus == this || isAncestorOf(focus));
    if (inside == m_focusReported)
        return;
    m_focusReported = inside;
    emit focusTaken(inside);
}

bool PicListView::carriesDroppableFiles(const QDropEvent* event) const
{
    // A drag that started here and ends here adds nothing.
    if (event->source() == this || !event->mimeData()->hasUrls())
        return false;
    const QList<QUrl> urls = event->mimeData()->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

void PicListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (carriesDroppableFiles(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PicListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (carriesDroppableFiles(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PicListView::dropEvent(QDropEvent* event)
{
    if (!carriesDroppableFiles(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            addFile(url.toLocalFile());
}
