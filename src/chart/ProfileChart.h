#pragma once
// A dive's depth and water-temperature profile, drawn small in the record editor's graph
// and enlarged in the chart window. Both paint on any surface sized in pixels; positions
// are worked out in twips, as the log's charts always were, then put on whole pixels.
#include <QImage>
#include <QList>
#include <QSize>
#include <QStringList>

class QPainter;

// The editor graph's eight background bands over the whole surface.
void DrawGraphBack(QPainter& painter, const QSize& size);

// Ticks and curves of the editor graph, over the bands of DrawGraphBack. Returns the
// captions of the time labels 1 to timeLabelCount; the caption of label 0 never changes.
QStringList DrawGraph(QPainter& painter, const QSize& size, long uwTime, const QList<float>& depths,
                      const QList<float>& temps, int timeLabelCount = 8);

// The whole enlarged chart: cleared surface, bands, frame, ticks, axis titles, labels and
// curves, with the plot 24 px from the sides and 30 px from the top and bottom.
void DrawChart(QPainter& painter, const QSize& size, long uwTime, const QList<float>& depths,
               const QList<float>& temps);

// DrawChart on a picture of its own (Format_RGB32), for files; null when size is empty.
QImage RenderChart(const QSize& size, long uwTime, const QList<float>& depths, const QList<float>& temps);

// Where sample `index` of a series of `count` lies on a time axis starting at `left`: the
// samples carry no times, so they split the underwater time into count + 1 equal steps.
double SampleX(double left, double width, qsizetype index, qsizetype count);
