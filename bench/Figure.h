#pragma once
// The lines the benchmark prints.
#include <QString>
#include <vector>

// "name: MEDIAN ms (MIN–MAX) over R runs", one decimal; the median of an even count is
// the mean of the middle two.
QString FigureLine(const QString& name, std::vector<double> milliseconds);

// "peak_memory: N MB", the peak resident memory of this process so far.
QString PeakMemoryLine();
