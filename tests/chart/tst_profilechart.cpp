// The profile drawings, read back pixel by pixel: where the curves are drawn.
#include "ProfileChart.h"

#include <QPainter>
#include <QtTest>

#include <functional>

namespace {
const QRgb kBlue = qRgb(0, 0, 255), kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);  // the picture beyond the surface
// Every expected position a whole pixel: the editor graph's plot is all of it, the chart's 400 x 400 px at (24, 30).
const QSize kGraphSize(320, 160), kChartSize(448, 460);
enum Surface { Graph, Chart };

std::function<bool(QRgb)> Is(QRgb colour) { return [colour](QRgb c) { return c == colour; }; }

// The row of every pixel in the area that passes the test.
QList<int> Rows(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match)
{
    QList<int> rows;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y)))
                rows << y;
    return rows;
}

// The editor graph over its bands, or the chart, for 40 minutes, drawn on a larger green picture.
QImage Picture(Surface surface, const QSize& size, const QList<float>& depths, const QList<float>& temps)
{
    QImage image(700, 540, QImage::Format_RGB32);
    image.fill(kGreen);
    QPainter painter(&image);
    if (surface == Chart) {
        DrawChart(painter, size, 40, depths, temps);
    } else {
        DrawGraphBack(painter, size);
        DrawGraph(painter, size, 40, depths, temps);
    }
    painter.end();
    return image;
}

struct Curve { Surface surface; QList<float> depths, temps; int x; QList<int> blue, red; };  // rows in column x
}  // namespace
Q_DECLARE_METATYPE(Curve)

class tst_profilechart : public QObject {
    Q_OBJECT
private slots:
    void curves_data()
    {
        QTest::addColumn<Curve>("curve");
        // 10, 20, 10 m over 40 min: (0 min, 0 m), (10, 10), (20, 20), (30, 10), (40, 0).
        const QList<float> d = {10, 20, 10}, hot = {35, 35, 35}, cold = {-5, -5, -5};
        QTest::newRow("chart depth 30 min") << Curve{Chart, d, {}, 324, {130}, {}};
        // 35 °C on the top edge, -5 °C on the bottom one; the curve begins at the first sample (10 min).
        QTest::newRow("chart -5 °C") << Curve{Chart, {}, cold, 124, {}, {430}};
        QTest::newRow("chart before the first sample") << Curve{Chart, {}, cold, 123, {}, {}};
        // A series of fewer than three samples is left out; the other one is still drawn.
        QTest::newRow("graph two depths, 35 °C") << Curve{Graph, {10, 20}, hot, 160, {}, {0}};
        QTest::newRow("chart two temperatures, depth 20 min") << Curve{Chart, d, {20, 21}, 224, {230}, {}};
        // 45 m and 50 °C at 20 min: drawn, but not in the plot there. Nothing, in any row, goes beyond the surface.
        QTest::newRow("graph off scale, 5 min") << Curve{Graph, {10, 45, 10}, {-20, 50, 20}, 40, {20}, {}};
        QTest::newRow("chart off scale, 20 min") << Curve{Chart, {10, 45, 10}, {-20, 50, 20}, 224, {}, {}};
    }
    void curves()
    {
        QFETCH(Curve, curve);
        const QSize size = curve.surface == Chart ? kChartSize : kGraphSize;
        const QImage pic = Picture(curve.surface, size, curve.depths, curve.temps);
        const QRect column = curve.surface == Chart ? QRect(curve.x, 30, 1, 401) : QRect(curve.x, 0, 1, size.height());
        QCOMPARE(Rows(pic, column, Is(kBlue)), curve.blue);
        QCOMPARE(Rows(pic, column, Is(kRed)), curve.red);
        QCOMPARE(Rows(pic, pic.rect(), Is(kGreen)).size(), pic.width() * pic.height() - size.width() * size.height());
    }
};

QTEST_MAIN(tst_profilechart)
#include "tst_profilechart.moc"
