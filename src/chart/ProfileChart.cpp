#include "ProfileChart.h"

#include "modSubroutines.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwipsPerPixel = 15.0;
constexpr int kSteps = 8;             // background bands, and the eighths the axes are marked at
constexpr double kScaleRange = 40.0;  // 0 to 40 m, and 35 down to -5 °C
constexpr double kTopTemp = 35.0;
constexpr double kTick = 3 * kTwipsPerPixel;
constexpr double kLeftMargin = 24 * kTwipsPerPixel;
constexpr double kTopMargin = 30 * kTwipsPerPixel;
// Two samples say nothing about the shape of a dive.
constexpr qsizetype kMinSamples = 3;

const QColor kDepthColour(0, 0, 255);
const QColor kTempColour(255, 0, 0);
const QColor kInk(0, 0, 0);

QColor BandColour(int i)
{
    return QColor(224 - 16 * i, 224 - 16 * i, std::min(255, 256 - 8 * i));
}

// To the nearest whole twip, halves to the even neighbour.
double RoundTwips(double twips)
{
    return std::fabs(twips - std::trunc(twips)) == 0.5 ? 2.0 * std::round(twips / 2.0) : std::round(twips);
}

int Px(double twips)
{
    // Far enough to run off any surface, near enough to stay a valid int.
    constexpr double kFar = 1 << 24;
    const double px = std::floor(twips / kTwipsPerPixel + 0.5);
    return px > -kFar ? int(std::min(px, kFar)) : int(-kFar);
}

QPoint Px(const QPointF& twips)
{
    return QPoint(Px(twips.x()), Px(twips.y()));
}

QFont ChartFont()
{
    QFont font(QStringLiteral("IPAGothic"), 9);
    font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL Gothic")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

qint64 FloorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// A painter seen as the log's drawing surface: positions in twips, lines one pixel wide, and
// nothing beyond the surface.
class Surface {
public:
    Surface(QPainter& painter, const QSize& size) : p(painter), pixels(size)
    {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
        p.setBrush(Qt::NoBrush);
    }
    ~Surface() { p.restore(); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    double width() const { return pixels.width() * kTwipsPerPixel; }
    double height() const { return pixels.height() * kTwipsPerPixel; }

    void clear() { p.fillRect(QRect(QPoint(0, 0), pixels), Qt::white); }

    void fill(double x1, double y1, double x2, double y2, const QColor& colour)
    {
        const int left = Px(std::min(x1, x2)), right = Px(std::max(x1, x2));
        const int top = Px(std::min(y1, y2)), bottom = Px(std::max(y1, y2));
        p.fillRect(QRect(left, top, right - left, bottom - top), colour);
    }

    // The outline covers both corners.
    void box(double x1, double y1, double x2, double y2, const QColor& colour)
    {
        polyline({{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}}, colour);
    }

    void line(const QPointF& from, const QPointF& to, const QColor& colour)
    {
        QPolygon points;
        rasterize(Px(from), Px(to), points);
        plot(points, colour);
    }

    void polyline(const QList<QPointF>& twips, const QColor& colour)
    {
        QPolygon points;
        for (qsizetype i = 1; i < twips.size(); ++i)
            rasterize(Px(twips[i - 1]), Px(twips[i]), points);
        plot(points, colour);
    }

    double textWidth(const QString& text) const { return p.fontMetrics().horizontalAdvance(text) * kTwipsPerPixel; }
    double textHeight() const { return p.fontMetrics().height() * kTwipsPerPixel; }

    // Text with its top left corner at (x, y).
    void print(double x, double y, const QString& text, const QColor& colour)
    {
        p.setPen(colour);
        p.drawText(QPoint(Px(x), Px(y) + p.fontMetrics().ascent()), text);
    }

private:
    // The pixels of a line from its first point up to, not including, its last, so that joined
    // segments meet without a gap or a doubled pixel and a 3 px tick covers exactly 3 pixels.
    // Only the pixels on the surface are listed: a value far off the scale costs nothing.
    void rasterize(const QPoint& from, const QPoint& to, QPolygon& points) const
    {
        const qint64 dx = to.x() - from.x(), dy = to.y() - from.y();
        const bool alongX = std::abs(dx) >= std::abs(dy);
        const qint64 steps = alongX ? std::abs(dx) : std::abs(dy);
        if (steps == 0)
            return;
        const qint64 major0 = alongX ? from.x() : from.y(), minor0 = alongX ? from.y() : from.x();
        const qint64 direction = (alongX ? dx : dy) > 0 ? 1 : -1;
        const qint64 minorDelta = alongX ? dy : dx;
        const qint64 majorEnd = alongX ? pixels.width() : pixels.height();
        const qint64 minorEnd = alongX ? pixels.height() : pixels.width();
        qint64 first = 0, last = steps - 1;
        if (direction > 0) {
            first = std::max(first, -major0);
            last = std::min(last, majorEnd - 1 - major0);
        } else {
            first = std::max(first, major0 - (majorEnd - 1));
            last = std::min(last, major0);
        }
        for (qint64 t = first; t <= last; ++t) {
            const qint64 minor = minor0 + FloorDiv(2 * t * minorDelta + steps, 2 * steps);
            if (minor < 0 || minor >= minorEnd)
                continue;
            const qint64 major = major0 + direction * t;
            points << (alongX ? QPoint(int(major), int(minor)) : QPoint(int(minor), int(major)));
        }
    }

    void plot(const QPolygon& points, const QColor& colour)
    {
        p.setPen(QPen(colour, 1));
        p.drawPoints(points);
    }

    QPainter& p;
    QSize pixels;
};

// The curves over the plot; the editor graph puts them on whole twips, all but the heights
// of the temperatures, and the chart keeps them as computed.
void DrawCurves(Surface& surface, const QRectF& plot, const QList<float>& depths, const QList<float>& temps,
                bool wholeTwips)
{
    const auto place = [wholeTwips](double twips) { return wholeTwips ? RoundTwips(twips) : twips; };
    if (depths.size() >= kMinSamples) {
        // From the surface at time 0 back to the surface at the underwater time.
        QList<QPointF> points{plot.topLeft()};
        for (qsizetype k = 0; k < depths.size(); ++k)
            points << QPointF(place(SampleX(plot.left(), plot.width(), k, depths.size())),
                              place(plot.top() + double(depths[k]) * plot.height() / kScaleRange));
        points << plot.topRight();
        surface.polyline(points, kDepthColour);
    }
    if (temps.size() >= kMinSamples) {
        // The water has no temperature before the first sample or after the last.
        const auto tempY = [&plot](float temp) { return plot.top() + (kTopTemp - temp) * plot.height() / kScaleRange; };
        QList<QPointF> points{QPointF(plot.left() + plot.width() / double(temps.size() + 1), tempY(temps[0]))};
        for (qsizetype k = 0; k < temps.size(); ++k)
            points << QPointF(place(SampleX(plot.left(), plot.width(), k, temps.size())), tempY(temps[k]));
        surface.polyline(points, kTempColour);
    }
}

QString TimeLabel(int i, long uwTime, int count)
{
    return FormatFixed(double(i) * double(uwTime) / count, 1, 0);
}
}  // namespace

double SampleX(double left, double width, qsizetype index, qsizetype count)
{
    return left + width * double(index + 1) / double(count + 1);
}

void DrawGraphBack(QPainter& painter, const QSize& size)
{
    Surface surface(painter, size);
    double top = 0;
    for (int i = 0; i < kSteps; ++i) {
        const double bottom = RoundTwips(surface.height() * (i + 1) / kSteps);
        surface.fill(0, top, surface.width(), bottom, BandColour(i));
        top = bottom;
    }
}

QStringList DrawGraph(QPainter& painter, const QSize& size, long uwTime, const QList<float>& depths,
                      const QList<float>& temps, int timeLabelCount)
{
    const int labels = std::max(timeLabelCount, 0);
    QStringList captions;
    for (int i = 1; i <= labels; ++i)
        captions << TimeLabel(i, uwTime, labels);

    Surface surface(painter, size);
    const double w = surface.width(), h = surface.height();
    for (int i = 1; i < kSteps; ++i) {
        const double y = RoundTwips(h * i / kSteps);
        surface.line({0, y}, {kTick, y}, kInk);
        surface.line({w - kTick, y}, {w, y}, kInk);
    }
    for (int i = 1; i < labels; ++i) {
        const double x = RoundTwips(w * i / labels);
        surface.line({x, h - kTick}, {x, h}, kInk);
    }
    DrawCurves(surface, QRectF(0, 0, w, h), depths, temps, true);
    return captions;
}

void DrawChart(QPainter& painter, const QSize& size, long uwTime, const QList<float>& depths,
               const QList<float>& temps)
{
    Surface surface(painter, size);
    painter.setFont(ChartFont());
    const double w = surface.width(), h = surface.height();
    const double mx = RoundTwips(kLeftMargin), my = RoundTwips(kTopMargin);
    const double pw = RoundTwips(w - 2 * mx), ph = RoundTwips(h - 2 * my);
    const auto rowY = [&](int i) { return my + ph / kSteps * i; };
    const auto columnX = [&](int i) { return mx + pw / kSteps * i; };
    const double onePixel = kTwipsPerPixel;

    surface.clear();
    for (int i = 0; i < kSteps; ++i)
        surface.fill(mx, rowY(i), mx + pw, rowY(i + 1), BandColour(i));
    surface.box(mx, my, w - mx, h - my, kInk);

    for (int i = 0; i <= kSteps; ++i) {
        surface.line({mx, rowY(i)}, {mx + kTick, rowY(i)}, kInk);
        surface.line({mx + pw - kTick, rowY(i)}, {mx + pw, rowY(i)}, kInk);
        surface.line({columnX(i), my + ph}, {columnX(i), my + ph - kTick}, kInk);
    }

    const double textHeight = surface.textHeight();
    const QString timeTitle = QCoreApplication::translate("ProfileChart", "時間(min)");
    surface.print(mx + pw / 2 - surface.textWidth(timeTitle) / 2, my + ph + textHeight + 2 * onePixel, timeTitle,
                  kInk);
    for (int i = 0; i <= kSteps; ++i) {
        const QString label = TimeLabel(i, uwTime, kSteps);
        surface.print(columnX(i) - surface.textWidth(label) / 2, my + ph + onePixel, label, kInk);
    }

    // The scale labels stand centred one two-digit number's width outside the plot.
    const double labelOffset = surface.textWidth(QStringLiteral("99"));
    const double titleTop = my - 1.75 * textHeight;
    surface.print(2 * onePixel, titleTop, QCoreApplication::translate("ProfileChart", "深度(m)"), kDepthColour);
    for (int i = 0; i <= kSteps; ++i) {
        const QString label = QString::number(i * 5);
        surface.print(mx - labelOffset - surface.textWidth(label) / 2, rowY(i) - textHeight / 2, label,
                      kDepthColour);
    }

    const QString tempTitle = QCoreApplication::translate("ProfileChart", "水温(℃)");
    surface.print(w - surface.textWidth(tempTitle) - 2 * onePixel, titleTop, tempTitle, kTempColour);
    for (int i = 0; i <= kSteps; ++i) {
        const QString label = QString::number(35 - 5 * i);
        surface.print(mx + pw + labelOffset - surface.textWidth(label) / 2, rowY(i) - textHeight / 2, label,
                      kTempColour);
    }

    DrawCurves(surface, QRectF(mx, my, pw, ph), depths, temps, false);
}

QImage RenderChart(const QSize& size, long uwTime, const QList<float>& depths, const QList<float>& temps)
{
    if (size.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawChart(painter, size, uwTime, depths, temps);
    }
    return image;
}
