#pragma once
// The program's pictures, painted rather than shipped: the diver-down flag.
#include <QImage>

QImage ProgramPicture(int size);
// The milestone window's illustration: the flag under a burst of stars.
QImage MilestoneFigure(int size);
