#pragma once
// Shared routines that need a widget.
#include <QModelIndexList>

class QAbstractItemView;
class QWidget;

// The selected rows of a list, one index per row (first column), in list order.
QModelIndexList GetSelectedItems(const QAbstractItemView* list);
// Selects the whole text of a text or combo box, so that typing replaces it.
void SelectText(QWidget* box);
// The control Tab (next) or Shift+Tab moves to from the given one along its window's chain:
// one that takes the focus by Tab and is shown and enabled.
QWidget* NextTabStop(QWidget* from, bool next);
