#include "ProgramPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
void paintFlag(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd7, 0x1f, 0x26));
    p.drawRoundedRect(r, r.width() * 0.06, r.width() * 0.06);
    // The white stripe from the top left to the bottom right corner.
    const qreal w = r.width() * 0.18;
    QPainterPath stripe;
    stripe.moveTo(r.topLeft());
    stripe.lineTo(r.left() + w, r.top());
    stripe.lineTo(r.bottomRight());
    stripe.lineTo(r.right() - w, r.bottom());
    stripe.closeSubpath();
    p.setClipRect(r);
    p.setBrush(Qt::white);
    p.drawPath(stripe);
    p.setClipping(false);
}
}  // namespace

QImage MilestoneFigure(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintFlag(p, QRectF(size * 0.2, size * 0.35, size * 0.6, size * 0.43));
    p.setBrush(QColor(0xf2, 0xb7, 0x05));
    p.setPen(Qt::NoPen);
    const QPointF centres[] = {{0.15, 0.18}, {0.5, 0.1}, {0.85, 0.18}, {0.12, 0.88}, {0.88, 0.88}};
    for (const QPointF& c : centres) {
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const qreal radius = (i % 2 ? 0.035 : 0.085) * size;
            const qreal a = -M_PI / 2 + i * M_PI / 5;
            star << QPointF(c.x() * size + radius * qCos(a), c.y() * size + radius * qSin(a));
        }
        p.drawPolygon(star);
    }
    return img;
}
