#pragma once
// The milestone window's picture, painted: the diver-down flag of the program's icon.
#include <QImage>

// The milestone window's illustration: the flag under a burst of stars.
QImage MilestoneFigure(int size);
