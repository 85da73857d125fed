// The profile drawings, read back pixel by pixel: bands, ticks, curves, margins and labels.
#include "ProfileChart.h"

#include <QPainter>
#include <QtTest>

#include <functional>

namespace {
const QRgb kBlue = qRgb(0, 0, 255), kRed = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255);
const QRgb kGreen = qRgb(0, 255, 0);  // the picture beyond the surface
const QList<QRgb> kBands = {qRgb(224, 224, 255), qRgb(208, 208, 248), qRgb(192, 192, 240), qRgb(176, 176, 232),
                            qRgb(160, 160, 224), qRgb(144, 144, 216), qRgb(128, 128, 208), qRgb(112, 112, 200)};
// Every expected position a whole pixel: the editor graph's plot is all of it, the chart's 400 x 400 px at (24, 30).
const QSize kGraphSize(320, 160), kChartSize(448, 460);
enum Surface { Graph, Chart };

bool Blue(QRgb c) { return qBlue(c) > qRed(c) + 100 && qBlue(c) > qGreen(c) + 100; }
bool Red(QRgb c) { return qRed(c) > qBlue(c) + 100 && qRed(c) > qGreen(c) + 100; }
bool Dark(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }

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

struct Run { Surface surface; QSize size; QPoint start, step; QList<QRgb> colours; };  // one step at a time
struct Curve { Surface surface; QList<float> depths, temps; int x; QList<int> blue, red; };  // rows in column x
}  // namespace
Q_DECLARE_METATYPE(Run)
Q_DECLARE_METATYPE(Curve)

class tst_profilechart : public QObject {
    Q_OBJECT
private slots:
    void pixelRuns_data()
    {
        QTest::addColumn<Run>("run");
        QTest::newRow("graph bands") << Run{Graph, kGraphSize, {100, 10}, {0, 20}, kBands};
        QTest::newRow("chart bands") << Run{Chart, kChartSize, {100, 55}, {0, 50}, kBands};
        QTest::newRow("graph tick") << Run{Graph, kGraphSize, {0, 80}, {1, 0}, {kBlack, kBlack, kBlack, kBands[4]}};
        QTest::newRow("chart tick") << Run{Chart, kChartSize, {224, 430}, {0, -1}, {kBlack, kBlack, kBlack, kBands[7]}};
        // White surface, black frame, plot: 24 px at the sides and 30 px above and below, whatever the size.
        const QSize s(501, 381);
        const QList<QRgb> top = {kWhite, kBlack, kBands[0]}, bottom = {kWhite, kBlack, kBands[7]};
        QTest::newRow("501x381 left") << Run{Chart, s, {23, 40}, {1, 0}, top};
        QTest::newRow("501x381 right") << Run{Chart, s, {s.width() - 23, 40}, {-1, 0}, top};
        QTest::newRow("501x381 top") << Run{Chart, s, {34, 29}, {0, 1}, top};
        QTest::newRow("501x381 bottom") << Run{Chart, s, {34, s.height() - 29}, {0, -1}, bottom};
    }
    void pixelRuns()
    {
        QFETCH(Run, run);
        const QImage image = Picture(run.surface, run.size, {}, {});
        QList<QRgb> met;
        for (QPoint p = run.start; met.size() < run.colours.size(); p += run.step)
            met << image.pixel(p);
        QCOMPARE(met, run.colours);
    }
    void curves_data()
    {
        QTest::addColumn<Curve>("curve");
        // 10, 20, 10 m over 40 min: (0 min, 0 m), (10, 10), (20, 20), (30, 10), (40, 0).
        const QList<float> d = {10, 20, 10}, hot = {35, 35, 35}, cold = {-5, -5, -5};
        QTest::newRow("graph depth 10 min") << Curve{Graph, d, {}, 80, {40}, {}};
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
    void timeLabels()
    {
        QImage image(kGraphSize, QImage::Format_RGB32);
        QPainter painter(&image);
        QCOMPARE(DrawGraph(painter, kGraphSize, 50, {}, {}), QStringList({"6", "13", "19", "25", "31", "38", "44", "50"}));
        QCOMPARE(DrawGraph(painter, kGraphSize, 0, {}, {}), QStringList(8, QStringLiteral("0")));
    }
    void chartLabelColours()
    {
        // Blue, red, black beside the plot (24, 30)-(424, 430)? Depth blue on the left, temperature red right, time below.
        const QImage image = RenderChart(kChartSize, 50, {}, {});
        const auto inks = [&image](const QRect& r) {
            return QList<bool>{!Rows(image, r, Blue).isEmpty(), !Rows(image, r, Red).isEmpty(),
                               !Rows(image, r, Dark).isEmpty()};
        };
        QCOMPARE(inks({0, 30, 24, 401}), QList<bool>({true, false, false}));
        QCOMPARE(inks({425, 30, 23, 401}), QList<bool>({false, true, false}));
        QCOMPARE(inks({24, 431, 401, 29}), QList<bool>({false, false, true}));
    }
};

QTEST_MAIN(tst_profilechart)
#include "tst_profilechart.moc"
