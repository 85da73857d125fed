#include "WidgetRoutines.h"

#include "ScreenFit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWindow>
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

namespace {
// Known once the window manager has framed the window; before that, its owner's frame is the
// best guess, as one desktop frames all windows alike.
QMargins FrameMargins(const QWidget* window)
{
    for (const QWidget* w = window; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
        if (w->windowHandle() && !w->windowHandle()->frameMargins().isNull())
            return w->windowHandle()->frameMargins();
    return {};
}

QRect AvailableArea(const QWidget* window)
{
    // A window that has no place yet opens on its owner's screen.
    const bool placed = window->isVisible() || window->testAttribute(Qt::WA_Moved);
    const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen* screen = placed ? QGuiApplication::screenAt(window->frameGeometry().center()) : nullptr;
    if (!screen)
        screen = owner ? owner->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The size the window has, or the one it gets when it is shown.
void SettleSize(QWidget* window)
{
    if (!window->isVisible() && !window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
}

void SetFrame(QWidget* window, const QRect& frame, const QMargins& margins)
{
    const QSize inner = frame.marginsRemoved(margins).size();
    if (inner != window->size())
        window->resize(inner);
    if (frame.topLeft() != window->pos())
        window->move(frame.topLeft());
}
}  // namespace

void KeepOnScreen(QWidget* window)
{
    SettleSize(window);
    const QRect area = AvailableArea(window);
    if (area.isEmpty())
        return;
    const QMargins margins = FrameMargins(window);
    const QRect frame(window->pos(), window->size().grownBy(margins));
    if (window->isVisible() || window->testAttribute(Qt::WA_Moved))
        SetFrame(window, FitInside(frame, area), margins);
    else  // where it opens is for Qt or the window manager to choose, within the screen
        SetFrame(window, QRect(frame.topLeft(), frame.size().boundedTo(area.size())), margins);
}

void PlaceCascaded(QWidget* window, const QWidget* previous)
{
    if (!previous || !previous->isVisible() || previous == window) {
        KeepOnScreen(window);
        return;
    }
    SettleSize(window);
    const QMargins margins = FrameMargins(window);
    // One title bar down, so the previous window's title stays in sight.
    const int step = std::max(margins.top(), 24);
    const QRect area = AvailableArea(previous);
    SetFrame(window, Cascade(previous->frameGeometry(), window->size().grownBy(margins), area, step), margins);
}
