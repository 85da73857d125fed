#include "Figure.h"

#include <algorithm>
#include <sys/resource.h>

double Median(std::vector<double> milliseconds)
{
    if (milliseconds.empty())
        return 0.0;
    std::sort(milliseconds.begin(), milliseconds.end());
    const size_t n = milliseconds.size();
    return n % 2 ? milliseconds[n / 2] : (milliseconds[n / 2 - 1] + milliseconds[n / 2]) / 2.0;
}

QString FigureLine(const QString& name, std::vector<double> milliseconds)
{
    if (milliseconds.empty())
        return name + QStringLiteral(": no runs");
    std::sort(milliseconds.begin(), milliseconds.end());
    const size_t n = milliseconds.size();
    const double median = Median(milliseconds);
    return QStringLiteral("%1: %2 ms (%3\u2013%4) over %5 runs")
        .arg(name, QString::number(median, 'f', 1), QString::number(milliseconds.front(), 'f', 1),
             QString::number(milliseconds.back(), 'f', 1))
        .arg(n);
}

QString PeakMemoryLine()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // Linux reports ru_maxrss in kilobytes.
    return QStringLiteral("peak_memory: %1 MB").arg(qRound(double(usage.ru_maxrss) / 1024.0));
}
