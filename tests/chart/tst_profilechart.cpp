// The profile drawings, read back pixel by pixel: bands, ticks, curves, margins and labels.
#include "ProfileChart.h"

#include <QPainter>
#include <QtTest>

#include <functional>

namespace {
const QRgb kBlue = qRgb(0, 0, 255), kRed = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255);
const QList<QRgb> kBands = {qRgb(224, 224, 255), qRgb(208, 208, 248), qRgb(192, 192, 240), qRgb(176, 176, 232),
                            qRgb(160, 160, 224), qRgb(144, 144, 216), qRgb(128, 128, 208), qRgb(112, 112, 200)};

// The editor graph and the chart at sizes where every expected position is a whole pixel:
// the graph's plot is all of its 320 x 160 px, the chart's 400 x 400 px from (24, 30).
const QSize kGraphSize(320, 160);
const QSize kChartSize(448, 460);

QImage Picture(const QString& surface, long uwTime, const QList<float>& depths, const QList<float>& temps,
               const QSize& size = QSize())
{
    if (surface == QLatin1String("chart"))
        return RenderChart(size.isValid() ? size : kChartSize, uwTime, depths, temps);
    QImage image(kGraphSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawGraphBack(painter, kGraphSize);
    DrawGraph(painter, kGraphSize, uwTime, depths, temps);
    painter.end();
    return image;
}

QRect Plot(const QString& surface)
{
    return surface == QLatin1String("chart") ? QRect(24, 30, 401, 401) : QRect(QPoint(0, 0), kGraphSize);
}

// The rows of column x, inside the plot, painted exactly in that colour.
QList<int> RowsOf(const QImage& image, const QRect& plot, int x, QRgb colour)
{
    QList<int> rows;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        if (image.pixel(x, y) == colour)
            rows << y;
    return rows;
}

int Count(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += match(image.pixel(x, y)) ? 1 : 0;
    return n;
}

bool Bluish(QRgb c) { return qBlue(c) > qRed(c) + 100 && qBlue(c) > qGreen(c) + 100; }
bool Reddish(QRgb c) { return qRed(c) > qBlue(c) + 100 && qRed(c) > qGreen(c) + 100; }
bool Dark(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }
}  // namespace

class tst_profilechart : public QObject {
    Q_OBJECT
private slots:
    void pixelRuns_data();
    void pixelRuns();
    void depthCurve_data();
    void depthCurve();
    void shortSeries_data();
    void shortSeries();
    void temperatureScale_data();
    void temperatureScale();
    void offScaleStaysOnSurface();
    void timeLabels_data();
    void timeLabels();
    void chartLabelColours();
};

void tst_profilechart::pixelRuns_data()
{
    // The colours met from a start pixel, one step at a time: bands, ticks and plot margins.
    QTest::addColumn<QString>("surface");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("step");
    QTest::addColumn<QList<QRgb>>("colours");
    const QRgb k = kBlack;
    QTest::newRow("graph bands") << "graph" << kGraphSize << QPoint(100, 10) << QPoint(0, 20) << kBands;
    QTest::newRow("chart bands") << "chart" << kChartSize << QPoint(100, 55) << QPoint(0, 50) << kBands;
    QTest::newRow("graph left tick") << "graph" << kGraphSize << QPoint(0, 80) << QPoint(1, 0)
                                     << QList<QRgb>{k, k, k, kBands[4]};
    QTest::newRow("graph right tick") << "graph" << kGraphSize << QPoint(319, 80) << QPoint(-1, 0)
                                      << QList<QRgb>{k, k, k, kBands[4]};
    QTest::newRow("graph bottom tick") << "graph" << kGraphSize << QPoint(160, 159) << QPoint(0, -1)
                                       << QList<QRgb>{k, k, k, kBands[7]};
    QTest::newRow("graph top edge bare") << "graph" << kGraphSize << QPoint(0, 0) << QPoint(1, 0)
                                         << QList<QRgb>{kBands[0]};
    QTest::newRow("chart left tick") << "chart" << kChartSize << QPoint(24, 130) << QPoint(1, 0)
                                     << QList<QRgb>{k, k, k, kBands[2]};
    QTest::newRow("chart right tick") << "chart" << kChartSize << QPoint(424, 130) << QPoint(-1, 0)
                                      << QList<QRgb>{k, k, k, k, kBands[2]};
    QTest::newRow("chart bottom tick") << "chart" << kChartSize << QPoint(224, 430) << QPoint(0, -1)
                                       << QList<QRgb>{k, k, k, kBands[7]};
    // White surface, black frame, plot: 24 px at the sides and 30 px above and below, whatever the size.
    for (const QSize& size : {QSize(640, 480), QSize(501, 381)}) {
        const int w = size.width(), h = size.height();
        const QByteArray name = QByteArray::number(w) + "x" + QByteArray::number(h);
        const QList<QRgb> top = {kWhite, k, kBands[0]}, bottom = {kWhite, k, kBands[7]};
        QTest::newRow(name + " left") << "chart" << size << QPoint(23, 40) << QPoint(1, 0) << top;
        QTest::newRow(name + " right") << "chart" << size << QPoint(w - 23, 40) << QPoint(-1, 0) << top;
        QTest::newRow(name + " top") << "chart" << size << QPoint(34, 29) << QPoint(0, 1) << top;
        QTest::newRow(name + " bottom") << "chart" << size << QPoint(34, h - 29) << QPoint(0, -1) << bottom;
    }
}

void tst_profilechart::pixelRuns()
{
    QFETCH(QString, surface);
    QFETCH(QSize, size);
    QFETCH(QPoint, start);
    QFETCH(QPoint, step);
    QFETCH(QList<QRgb>, colours);
    const QImage image = Picture(surface, 40, {}, {}, size);
    QList<QRgb> met;
    for (QPoint p = start; met.size() < colours.size(); p += step)
        met << image.pixel(p);
    QCOMPARE(met, colours);
}

void tst_profilechart::depthCurve_data()
{
    // 10, 20, 10 m over 40 min: (0 min, 0 m), (10, 10), (20, 20), (30, 10), (40, 0).
    QTest::addColumn<QString>("surface");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("graph start") << "graph" << 0 << 0;
    QTest::newRow("graph 10 min") << "graph" << 80 << 40;
    QTest::newRow("graph 20 min") << "graph" << 160 << 80;
    QTest::newRow("graph 30 min") << "graph" << 240 << 40;
    QTest::newRow("graph 35 min") << "graph" << 280 << 20;
    QTest::newRow("chart start") << "chart" << 24 << 30;
    QTest::newRow("chart 10 min") << "chart" << 124 << 130;
    QTest::newRow("chart 20 min") << "chart" << 224 << 230;
    QTest::newRow("chart 30 min") << "chart" << 324 << 130;
    QTest::newRow("chart 35 min") << "chart" << 374 << 80;
}

void tst_profilechart::depthCurve()
{
    QFETCH(QString, surface);
    QFETCH(int, x);
    QFETCH(int, y);
    const QImage image = Picture(surface, 40, {10, 20, 10}, {});
    QCOMPARE(RowsOf(image, Plot(surface), x, kBlue), QList<int>{y});
}

void tst_profilechart::shortSeries_data()
{
    QTest::addColumn<QList<float>>("depths");
    QTest::addColumn<QList<float>>("temps");
    QTest::addColumn<bool>("blue");
    QTest::addColumn<bool>("red");
    QTest::newRow("two depths") << QList<float>{10, 20} << QList<float>{20, 21, 22} << false << true;
    QTest::newRow("two temperatures") << QList<float>{10, 20, 10} << QList<float>{20, 21} << true << false;
    QTest::newRow("none") << QList<float>{} << QList<float>{} << false << false;
    QTest::newRow("three each") << QList<float>{5, 6, 7} << QList<float>{20, 21, 22} << true << true;
}

void tst_profilechart::shortSeries()
{
    QFETCH(QList<float>, depths);
    QFETCH(QList<float>, temps);
    QFETCH(bool, blue);
    QFETCH(bool, red);
    for (const QString& surface : QStringList{"graph", "chart"}) {
        const QImage image = Picture(surface, 40, depths, temps);
        QCOMPARE(Count(image, Plot(surface), [](QRgb c) { return c == kBlue; }) > 0, blue);
        QCOMPARE(Count(image, Plot(surface), [](QRgb c) { return c == kRed; }) > 0, red);
    }
}

void tst_profilechart::temperatureScale_data()
{
    QTest::addColumn<QString>("surface");
    QTest::addColumn<float>("temp");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("firstSampleX");
    QTest::newRow("graph 35 on top") << "graph" << 35.f << 0 << 80;
    QTest::newRow("chart 35 on top") << "chart" << 35.f << 30 << 124;
    QTest::newRow("chart 15 mid") << "chart" << 15.f << 230 << 124;
    QTest::newRow("chart -5 on bottom") << "chart" << -5.f << 430 << 124;
}

void tst_profilechart::temperatureScale()
{
    QFETCH(QString, surface);
    QFETCH(float, temp);
    QFETCH(int, row);
    QFETCH(int, firstSampleX);
    const QImage image = Picture(surface, 40, {}, {temp, temp, temp});
    const QRect plot = Plot(surface);
    QCOMPARE(RowsOf(image, plot, firstSampleX, kRed), QList<int>{row});
    QCOMPARE(RowsOf(image, plot, plot.center().x(), kRed), QList<int>{row});
    // The curve begins at the first sample, not at the left edge.
    QCOMPARE(RowsOf(image, plot, firstSampleX - 1, kRed), QList<int>{});
}

void tst_profilechart::offScaleStaysOnSurface()
{
    // Drawn on a larger picture, nothing may reach past the surface's own size.
    for (const QString& surface : QStringList{"graph", "chart"}) {
        const QSize size = surface == QLatin1String("chart") ? kChartSize : kGraphSize;
        const QRgb green = qRgb(0, 255, 0);
        QImage image(520, 540, QImage::Format_RGB32);
        image.fill(green);
        QPainter painter(&image);
        if (surface == QLatin1String("chart"))
            DrawChart(painter, size, 40, {10, 45, 10}, {-20, 50, 20});
        else
            DrawGraph(painter, size, 40, {10, 45, 10}, {-20, 50, 20});
        painter.end();
        const auto changed = [green](QRgb c) { return c != green; };
        QCOMPARE(Count(image, QRect(0, size.height(), image.width(), image.height() - size.height()), changed), 0);
        QCOMPARE(Count(image, QRect(size.width(), 0, image.width() - size.width(), size.height()), changed), 0);
        // 45 m lies below the plot: the curve leaves through the bottom row.
        QVERIFY(Count(image, QRect(0, size.height() - 1, size.width(), 1), [](QRgb c) { return c == kBlue; }) > 0);
        QCOMPARE(RowsOf(image, Plot(surface), Plot(surface).center().x(), kBlue), QList<int>{});
    }
}

void tst_profilechart::timeLabels_data()
{
    QTest::addColumn<long>("uwTime");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("50 min") << 50L << 8 << QStringList{"6", "13", "19", "25", "31", "38", "44", "50"};
    QTest::newRow("0 min") << 0L << 8 << QStringList{"0", "0", "0", "0", "0", "0", "0", "0"};
    QTest::newRow("45 min in quarters") << 45L << 4 << QStringList{"11", "23", "34", "45"};
}

void tst_profilechart::timeLabels()
{
    QFETCH(long, uwTime);
    QFETCH(int, count);
    QFETCH(QStringList, captions);
    QImage image(kGraphSize, QImage::Format_RGB32);
    QPainter painter(&image);
    QCOMPARE(DrawGraph(painter, kGraphSize, uwTime, {}, {}, count), captions);
}

void tst_profilechart::chartLabelColours()
{
    const QImage image = RenderChart(kChartSize, 50, {}, {});
    const int w = kChartSize.width(), h = kChartSize.height();
    const QRect leftOfPlot(0, 0, 24, h), rightOfPlot(w - 23, 0, 23, h), belowPlot(24, h - 29, w - 47, 29);
    // Depth in blue on the left, temperature in red on the right, time in black below.
    QVERIFY(Count(image, leftOfPlot, Bluish) > 0);
    QCOMPARE(Count(image, leftOfPlot, Reddish), 0);
    QVERIFY(Count(image, rightOfPlot, Reddish) > 0);
    QCOMPARE(Count(image, rightOfPlot, Bluish), 0);
    QVERIFY(Count(image, QRect(0, 0, w / 2, 30), Bluish) > 0);
    QVERIFY(Count(image, QRect(w / 2, 0, w / 2, 30), Reddish) > 0);
    QVERIFY(Count(image, belowPlot, Dark) > 0);
    QCOMPARE(Count(image, belowPlot, Bluish) + Count(image, belowPlot, Reddish), 0);
}

QTEST_MAIN(tst_profilechart)
#include "tst_profilechart.moc"
