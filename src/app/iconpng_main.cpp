// Build-time helper: draws the program's icon as the PNG sizes of the desktop's hicolor
// theme, with the same renderer as the program, so the pictures never drift from the SVG.
// tidewriter-iconpng SVG OUTDIR NAME SIZE... writes OUTDIR/SIZExSIZE/apps/NAME.png.
#include "ProgramIcons.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: tidewriter-iconpng SVG OUTDIR NAME SIZE...\n");
        return 2;
    }
    for (const QString& word : args.mid(4)) {
        const int size = word.toInt();
        const QImage img = size > 0 ? RenderIcon(args[1], size) : QImage();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args[2]).arg(size);
        if (img.isNull() || !QDir().mkpath(dir) || !img.save(dir + QLatin1Char('/') + args[3] + QStringLiteral(".png"))) {
            std::fprintf(stderr, "tidewriter-iconpng: cannot draw %s at %s\n", qPrintable(args[1]), qPrintable(word));
            return 1;
        }
    }
    return 0;
}
