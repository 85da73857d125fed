#pragma once
// The lines the benchmark prints.
#include <QString>
#include <vector>

// The median; of an even count, the mean of the middle two.
double Median(std::vector<double> milliseconds);

// "name: MEDIAN ms (MIN–MAX) over R runs", one decimal.
QString FigureLine(const QString& name, std::vector<double> milliseconds);

// "peak_memory: N MB", the peak resident memory of this process so far.
QString PeakMemoryLine();
