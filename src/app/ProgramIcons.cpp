#include "ProgramIcons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace {
// Grey, lighter and about 40 % opaque: at 16 pixels a disabled button must not pass for
// an enabled one, whatever colours the enabled drawing uses.
void fade(QImage& img)
{
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = QColor::fromRgba(qUnpremultiply(line[x]));
            const int grey = 96 + qGray(c.rgb()) * 5 / 8;
            line[x] = qPremultiply(qRgba(grey, grey, grey, c.alpha() * 2 / 5));
        }
    }
}

class SvgIconEngine final : public QIconEngine {
public:
    explicit SvgIconEngine(QString file) : m_file(std::move(file)) {}
    QIconEngine* clone() const override { return new SvgIconEngine(m_file); }
    QString key() const override { return QStringLiteral("tidewriter-svg"); }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48)};
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const int side = qRound(qMin(size.width(), size.height()) * scale);
        if (side <= 0)
            return QPixmap();
        // Selected and active items keep the normal drawing.
        const QIcon::Mode look = mode == QIcon::Disabled ? QIcon::Disabled : QIcon::Normal;
        const QString cacheKey = QStringLiteral("tidewriter:%1:%2:%3").arg(m_file).arg(side).arg(int(look));
        QPixmap pm;
        if (!QPixmapCache::find(cacheKey, &pm)) {
            pm = QPixmap::fromImage(RenderIcon(m_file, side, look));
            QPixmapCache::insert(cacheKey, pm);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
    }

private:
    QString m_file;
};
}  // namespace

QImage RenderIcon(const QString& file, int size, QIcon::Mode mode)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer svg(file);
    if (!svg.isValid())
        return QImage();
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p, QRectF(0, 0, size, size));
    }
    if (mode == QIcon::Disabled)
        fade(img);
    return img;
}

QIcon CommandIcon(const QString& name)
{
    return QIcon(new SvgIconEngine(QStringLiteral(":/icons/%1.svg").arg(name)));
}

QIcon ProgramIcon()
{
    return CommandIcon(QStringLiteral("tidewriter"));
}
