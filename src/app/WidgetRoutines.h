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
// Keeps a window, shown or about to be, inside the available area of its screen: a size or a
// position that does not fit is pulled back in; a window that fits is left alone (a dialog
// not yet shown is then still centred over its owner when it opens).
void KeepOnScreen(QWidget* window);
// Puts a window about to open one step right of and below the previous one of its kind, when
// that is shown, so that neither hides the other; inside the screen either way.
void PlaceCascaded(QWidget* window, const QWidget* previous);
