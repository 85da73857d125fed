#pragma once
// A page the print engine draws on, in pixels of a known resolution. The surface keeps the
// drawing state (font, pen, current position) the way a printer object does; the engine sets
// it and then draws. Implementations: PainterSurface (any QPaintDevice) and the tests'
// recording surface.
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

struct SurfaceFont {
    QString name;  // empty: the device's default font
    double size = 9;  // points
    bool bold = false, italic = false, strikethru = false, underline = false;
    bool operator==(const SurfaceFont&) const = default;
};

// Line styles: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 transparent,
// 6 inside solid. Fill styles: 0 solid, 1 transparent, 2 horizontal, 3 vertical,
// 4 upward diagonal, 5 downward diagonal, 6 cross, 7 diagonal cross.
struct SurfacePen {
    int drawStyle = 0;
    int drawWidth = 1;  // pixels
    QColor foreColor = Qt::black;
    QColor fillColor = Qt::black;
    int fillStyle = 1;
    bool operator==(const SurfacePen&) const = default;
};

class PageSurface {
public:
    virtual ~PageSurface() = default;

    // Font families the device can print, and its resolution (1440 twips to the inch).
    virtual QStringList fontNames() const = 0;
    virtual double twipsPerPixelX() const = 0;
    virtual double twipsPerPixelY() const = 0;

    const SurfaceFont& font() const { return font_; }
    void setFont(const SurfaceFont& font)
    {
        font_ = font;
        fontChanged();
    }
    const SurfacePen& pen() const { return pen_; }
    void setPen(const SurfacePen& pen) { pen_ = pen; }
    QPointF current() const { return current_; }
    void setCurrentX(double x) { current_.setX(x); }
    void setCurrentY(double y) { current_.setY(y); }

    // Size of a text in the current font; the height counts its lines (at least one).
    virtual double textWidth(const QString& text) = 0;
    virtual double textHeight(const QString& text) = 0;

    // Prints a text with its top left at the current position, in the pen's fore colour, then
    // moves to the start of the next line.
    void print(const QString& text)
    {
        drawText(current_, text);
        current_ = QPointF(0, current_.y() + textHeight(text));
    }
    // A line with the current pen.
    virtual void line(const QPointF& from, const QPointF& to, const QColor& colour) = 0;
    // An outline with the current pen, its inside filled with the pen's fill style and colour.
    virtual void rectangle(const QRectF& rect, const QColor& colour) = 0;
    virtual void filledRectangle(const QRectF& rect, const QColor& colour) = 0;
    // A picture stretched over the target.
    virtual void picture(const QRectF& target, const QImage& image) = 0;

    // The job's pages: the first page is open from the start. end() finishes the job and says
    // whether it succeeded; abort() drops it so nothing half-done is printed.
    virtual bool newPage() = 0;
    virtual bool end() = 0;
    virtual void abort() = 0;

protected:
    virtual void drawText(const QPointF& topLeft, const QString& text) = 0;
    virtual void fontChanged() {}

private:
    SurfaceFont font_;
    SurfacePen pen_;
    QPointF current_;
};
