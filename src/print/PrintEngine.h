#pragma once
// Draws a print layout onto a page surface at true size: twips become the surface's pixels
// (twips ÷ its twips per pixel). Each visible control is drawn by the rule of its type; the
// engine never starts or ends a page, the caller does. Nothing in a layout makes it fail:
// what cannot be drawn (an unknown font, a missing picture, an oval) is left out.
#include "PageSurface.h"
#include "PrintLayout.h"

#include <QRectF>
#include <QSet>

class PrintEngine {
public:
    explicit PrintEngine(PageSurface& surface) : surface_(surface) {}

    // Takes the surface's fonts and resolution and sets its starting drawing state.
    void InitPrinter();
    // Draws the layout's visible controls onto the current page, in the layout's order.
    void PrintForm(const PrintLayout& layout);
    // Ends the job; false when the device could not finish it.
    bool EndPrinting() { return surface_.end(); }

    // Changes the font's name only when the surface offers it (or its vertical "@" variant).
    void setFontName(SurfaceFont& font, const QString& name) const;
    // Twips to the surface's pixels.
    double pixelsX(double twips) const { return twips / twipsPerPixelX_; }
    double pixelsY(double twips) const { return twips / twipsPerPixelY_; }
    // Width in pixels of a line or border of BorderWidth units (10 twips each).
    int lineWidth(int borderWidth) const;

private:
    void resetPen(const PrintLayout& layout);
    QRectF rectangleOf(const LayoutControl& c) const;
    void backFill(const QRectF& r, const LayoutControl& c);
    void border(const QRectF& r, const LayoutControl& c);
    // The font the page or a control names; a name the surface lacks keeps the current one.
    void applyFont(const SurfaceFont& wanted);
    void printTextLine(const LayoutControl& c, const QRectF& r, const QString& text, qsizetype& p);
    void drawControl(const PrintLayout& layout, const LayoutControl& c);
    void drawShape(const QRectF& r, const LayoutControl& c);
    void drawGrid(const QRectF& r, const LayoutControl& c);

    PageSurface& surface_;
    QSet<QString> fonts_;
    double twipsPerPixelX_ = 0, twipsPerPixelY_ = 0;
    bool prepared_ = false;
};
