#include "PainterSurface.h"

#include <QFontDatabase>
#include <QPagedPaintDevice>
#include <QPaintDevice>

#include <algorithm>

namespace {
constexpr double kTwipsPerInch = 1440.0;

Qt::PenStyle PenStyle(int drawStyle)
{
    switch (drawStyle) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle BrushStyle(int fillStyle)
{
    static constexpr Qt::BrushStyle kStyles[] = {Qt::SolidPattern, Qt::NoBrush,     Qt::HorPattern,   Qt::VerPattern,
                                                 Qt::BDiagPattern,  Qt::FDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    return fillStyle >= 0 && fillStyle < 8 ? kStyles[fillStyle] : Qt::NoBrush;
}
}  // namespace

PainterSurface::PainterSurface(QPaintDevice* device, int resolution, std::function<void()> abortJob)
    : device_(device), abortJob_(std::move(abortJob))
{
    const int dpiX = resolution > 0 ? resolution : device->logicalDpiX();
    const int dpiY = resolution > 0 ? resolution : device->logicalDpiY();
    twipsPerPixelX_ = kTwipsPerInch / std::max(1, dpiX);
    twipsPerPixelY_ = kTwipsPerInch / std::max(1, dpiY);
    painter_.begin(device);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    fontChanged();
}

PainterSurface::~PainterSurface()
{
    if (painter_.isActive())
        painter_.end();
}

QStringList PainterSurface::fontNames() const
{
    return QFontDatabase::families();
}

const QFontMetricsF& PainterSurface::metrics()
{
    if (!metrics_)
        metrics_.emplace(qfont_, device_);
    return *metrics_;
}

void PainterSurface::fontChanged()
{
    const SurfaceFont& f = font();
    if (!f.name.isEmpty())
        qfont_.setFamilies({f.name});
    if (f.size > 0)
        qfont_.setPointSizeF(f.size);
    qfont_.setBold(f.bold);
    qfont_.setItalic(f.italic);
    qfont_.setStrikeOut(f.strikethru);
    qfont_.setUnderline(f.underline);
    metrics_.reset();
    if (painter_.isActive())
        painter_.setFont(qfont_);
}

double PainterSurface::textWidth(const QString& text)
{
    return metrics().horizontalAdvance(text);
}

double PainterSurface::textHeight(const QString& text)
{
    return metrics().height() * (text.count(QLatin1Char('\n')) + 1);
}

void PainterSurface::drawText(const QPointF& topLeft, const QString& text)
{
    if (!painter_.isActive() || text.isEmpty())
        return;
    painter_.setPen(QPen(pen().foreColor));
    painter_.drawText(topLeft + QPointF(0, metrics().ascent()), text);
}

QPen PainterSurface::outlinePen(const QColor& colour) const
{
    QPen qpen(colour, std::max(1, pen().drawWidth), PenStyle(pen().drawStyle), Qt::SquareCap, Qt::MiterJoin);
    return qpen;
}

void PainterSurface::line(const QPointF& from, const QPointF& to, const QColor& colour)
{
    if (!painter_.isActive())
        return;
    painter_.setPen(outlinePen(colour));
    painter_.drawLine(from, to);
}

void PainterSurface::rectangle(const QRectF& rect, const QColor& colour)
{
    if (!painter_.isActive())
        return;
    QRectF r = rect;
    // An inside-solid border stays within the rectangle.
    if (pen().drawStyle == 6) {
        const double half = std::max(1, pen().drawWidth) / 2.0;
        r.adjust(half, half, -half, -half);
    }
    painter_.setPen(outlinePen(colour));
    painter_.setBrush(QBrush(pen().fillColor, BrushStyle(pen().fillStyle)));
    painter_.drawRect(r);
    painter_.setBrush(Qt::NoBrush);
}

void PainterSurface::filledRectangle(const QRectF& rect, const QColor& colour)
{
    if (painter_.isActive())
        painter_.fillRect(rect, colour);
}

void PainterSurface::picture(const QRectF& target, const QImage& image)
{
    if (painter_.isActive() && !image.isNull())
        painter_.drawImage(target, image);
}

bool PainterSurface::newPage()
{
    auto* paged = dynamic_cast<QPagedPaintDevice*>(device_);
    if (!painter_.isActive() || !paged || !paged->newPage())
        return false;
    setCurrentX(0);
    setCurrentY(0);
    return true;
}

bool PainterSurface::end()
{
    return painter_.isActive() && painter_.end();
}

void PainterSurface::abort()
{
    if (abortJob_)
        abortJob_();
    if (painter_.isActive())
        painter_.end();
}
