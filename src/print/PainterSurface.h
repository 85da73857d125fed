#pragma once
// The page surface on any paint device: a QPrinter (printer or PDF), a QPdfWriter or a QImage.
// The painter works in the device's own pixels; no print-support header is needed here, so
// the print command hands over its QPrinter as a QPaintDevice with the printer's resolution
// and, to abort a job, a function that aborts the printer.
#include "PageSurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <functional>
#include <optional>

class QPaintDevice;

class PainterSurface : public PageSurface {
public:
    // resolution in dots per inch; 0 takes the device's logical resolution.
    explicit PainterSurface(QPaintDevice* device, int resolution = 0, std::function<void()> abortJob = {});
    ~PainterSurface() override;

    // False when the painter could not start on the device (a printer that refused the job).
    bool isActive() const { return painter_.isActive(); }

    QStringList fontNames() const override;
    double twipsPerPixelX() const override { return twipsPerPixelX_; }
    double twipsPerPixelY() const override { return twipsPerPixelY_; }
    double textWidth(const QString& text) override;
    double textHeight(const QString& text) override;
    void line(const QPointF& from, const QPointF& to, const QColor& colour) override;
    void rectangle(const QRectF& rect, const QColor& colour) override;
    void filledRectangle(const QRectF& rect, const QColor& colour) override;
    void picture(const QRectF& target, const QImage& image) override;
    bool newPage() override;
    bool end() override;
    void abort() override;

protected:
    void drawText(const QPointF& topLeft, const QString& text) override;
    void fontChanged() override;

private:
    QPen outlinePen(const QColor& colour) const;
    const QFontMetricsF& metrics();

    QPaintDevice* device_;
    QPainter painter_;
    double twipsPerPixelX_, twipsPerPixelY_;
    std::function<void()> abortJob_;
    QFont qfont_;
    std::optional<QFontMetricsF> metrics_;
};
