#include "WidgetRoutines.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>

QModelIndexList GetSelectedItems(const QAbstractItemView* list)
{
    QModelIndexList rows = list->selectionModel() ? list->selectionModel()->selectedRows() : QModelIndexList();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return rows;
}

void SelectText(QWidget* box)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(box); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    else if (auto* text = qobject_cast<QPlainTextEdit*>(box))
        text->selectAll();
}

QWidget* NextTabStop(QWidget* from, bool next)
{
    QWidget* w = from;
    for (;;) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return nullptr;
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() && w->window() == from->window()
            && w->isVisibleTo(from->window()) && w->isEnabled())
            return w;
    }
}
