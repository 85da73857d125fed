#pragma once
// Where a window may lie on the screen: rectangles only, so the rules are tested without a
// window. Rectangles are window frames (title bar and borders included) in screen pixels.
#include <QRect>

// The frame moved, and made smaller where it is larger, so that it lies inside the area
// (the screen less its panels). A frame that fits already is returned as it is.
QRect FitInside(const QRect& frame, const QRect& area);

// Where the next of several windows of one kind opens: step pixels right of and below the
// previous one, or at the area's top left corner once that would leave the area; inside the
// area in every case.
QRect Cascade(const QRect& previous, const QSize& size, const QRect& area, int step);
