#pragma once
// The program's own icons, drawn from the SVG files in the resources (:/icons/NAME.svg) at
// whatever size a toolbar, a menu, a window frame or the About box asks for. The disabled
// state is the same drawing in faded grey, so an unavailable command is plain to see.
#include <QIcon>
#include <QImage>
#include <QString>

// The icon of a command: NAME is the file's name without ".svg" (new, open, print ...).
QIcon CommandIcon(const QString& name);
// The program's icon, for its windows, the About box and the desktop.
QIcon ProgramIcon();
// One drawing of the SVG file at SIZE × SIZE pixels, in the look of MODE.
QImage RenderIcon(const QString& file, int size, QIcon::Mode mode = QIcon::Normal);
