#include "ScreenFit.h"

QRect FitInside(const QRect& frame, const QRect& area)
{
    QRect fitted(frame.topLeft(), frame.size().boundedTo(area.size()));
    if (fitted.right() > area.right())
        fitted.moveRight(area.right());
    if (fitted.bottom() > area.bottom())
        fitted.moveBottom(area.bottom());
    if (fitted.left() < area.left())
        fitted.moveLeft(area.left());
    if (fitted.top() < area.top())
        fitted.moveTop(area.top());
    return fitted;
}

QRect Cascade(const QRect& previous, const QSize& size, const QRect& area, int step)
{
    QRect next(previous.topLeft() + QPoint(step, step), size);
    // Moved in at the edge, it would lie on an earlier window again: start a new row of
    // windows at the corner instead.
    if (!area.contains(next))
        next.moveTopLeft(area.topLeft());
    return FitInside(next, area);
}
