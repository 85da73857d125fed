#pragma once
// The milestone window's illustration, painted: the diver-down flag of the program's icon
// under a burst of stars.
#include <QImage>

QImage MilestoneFigure(int size);
