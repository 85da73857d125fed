#pragma once
// A page surface that records every drawing call, with the font and pen it drew with, as a
// line of text. Text sizes follow a fixed rule so wrapping is predictable: every character
// is 10 pixels wide, every line 20 pixels high.
#include "PageSurface.h"

#include <QStringList>

class RecordingSurface : public PageSurface {
public:
    QStringList fonts{QStringLiteral("IPAGothic"), QStringLiteral("@Mincho")};
    double tppX = 15, tppY = 15;
    QStringList calls;
    QStringList textFonts;  // the font name each text was printed in

    QStringList fontNames() const override { return fonts; }
    double twipsPerPixelX() const override { return tppX; }
    double twipsPerPixelY() const override { return tppY; }
    double textWidth(const QString& text) override { return 10.0 * text.size(); }
    double textHeight(const QString& text) override { return 20.0 * (text.count(QLatin1Char('\n')) + 1); }
    void line(const QPointF& a, const QPointF& b, const QColor& colour) override
    {
        calls << QStringLiteral("line %1-%2 %3%4").arg(At(a), At(b), colour.name(), Pen());
    }
    void rectangle(const QRectF& r, const QColor& colour) override
    {
        calls << QStringLiteral("rect %1 %2%3 fill %4 %5")
                     .arg(Rect(r), colour.name(), Pen())
                     .arg(pen().fillStyle)
                     .arg(pen().fillColor.name());
    }
    void filledRectangle(const QRectF& r, const QColor& colour) override
    {
        calls << QStringLiteral("fill %1 %2").arg(Rect(r), colour.name());
    }
    void picture(const QRectF& r, const QImage& image) override
    {
        calls << QStringLiteral("picture %1 %2x%3").arg(Rect(r)).arg(image.width()).arg(image.height());
    }
    bool newPage() override { return calls << QStringLiteral("newPage"), true; }
    bool end() override { return calls << QStringLiteral("end"), true; }
    void abort() override { calls << QStringLiteral("abort"); }

protected:
    void drawText(const QPointF& at, const QString& text) override
    {
        calls << QStringLiteral("text %1 %2").arg(At(at), text);
        textFonts << font().name;
    }

private:
    static QString At(const QPointF& p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); }
    static QString Rect(const QRectF& r) { return QStringLiteral("%1 %2x%3").arg(At(r.topLeft())).arg(r.width()).arg(r.height()); }
    QString Pen() const { return QStringLiteral(" style %1 width %2").arg(pen().drawStyle).arg(pen().drawWidth); }
};
