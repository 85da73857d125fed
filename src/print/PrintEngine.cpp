#include "PrintEngine.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr QChar kLF = u'\n', kCR = u'\r';
constexpr int kTransparentPen = 5;

// A line or shape's border style as the surface's line style; -1 draws nothing.
int DrawStyleOf(int borderStyle)
{
    static constexpr int kStyles[] = {-1, 0, 1, 2, 3, 4, 6};
    return borderStyle >= 0 && borderStyle < 7 ? kStyles[borderStyle] : -1;
}

// Spreadsheet column headings: A … Z, AA, AB, …
QString ColumnLetters(int number)
{
    QString letters;
    for (int n = number; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}
}  // namespace

void PrintEngine::InitPrinter()
{
    const QStringList names = surface_.fontNames();
    fonts_ = QSet<QString>(names.begin(), names.end());
    twipsPerPixelX_ = surface_.twipsPerPixelX();
    twipsPerPixelY_ = surface_.twipsPerPixelY();
    prepared_ = true;
    SurfaceFont font = surface_.font();
    font.size = 15;
    font.bold = false;
    setFontName(font, QStringLiteral("System"));
    surface_.setFont(font);
    SurfacePen pen = surface_.pen();
    pen.drawStyle = 0;
    pen.drawWidth = 1;
    surface_.setPen(pen);
    // The surface's first page is open from the start, so no empty line is needed to open it.
}

void PrintEngine::setFontName(SurfaceFont& font, const QString& name) const
{
    if (!name.isEmpty() && (fonts_.contains(name) || fonts_.contains(QLatin1Char('@') + name)))
        font.name = name;
}

int PrintEngine::lineWidth(int borderWidth) const
{
    // A hair-thin border on a coarse device still shows, rather than falling back to the previous width.
    return std::max(1, int(std::lround(borderWidth * 10.0 / twipsPerPixelX_)));
}

void PrintEngine::resetPen(const PrintLayout& layout)
{
    surface_.setPen({0, std::max(1, layout.drawWidth), layout.foreColor, layout.fillColor, 1});
}

QRectF PrintEngine::rectangleOf(const LayoutControl& c) const
{
    return QRectF(pixelsX(c.left), pixelsY(c.top), pixelsX(c.width), pixelsY(c.height));
}

void PrintEngine::backFill(const QRectF& r, const LayoutControl& c)
{
    surface_.filledRectangle(r, c.backColor);
}

void PrintEngine::border(const QRectF& r, const LayoutControl& c)
{
    if (c.borderStyle == 1)
        surface_.rectangle(r, Qt::black);
}

void PrintEngine::applyFont(const SurfaceFont& wanted)
{
    SurfaceFont font = surface_.font();
    font.bold = wanted.bold;
    font.italic = wanted.italic;
    setFontName(font, wanted.name);
    if (wanted.size > 0)
        font.size = wanted.size;
    font.strikethru = wanted.strikethru;
    font.underline = wanted.underline;
    surface_.setFont(font);
}

void PrintEngine::printTextLine(const LayoutControl& c, const QRectF& r, const QString& text, qsizetype& p)
{
    // One character: a surrogate pair (a kanji beyond the basic plane, say) is never split.
    const auto charAt = [&text](qsizetype i) {
        return text.mid(i, text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1);
    };
    QString line;
    QString ch;
    do {
        ch = charAt(p);
        p += ch.size();
        if (ch != kLF && ch != kCR)
            line += ch;
        // A line break takes no room: a line that exactly fills the width must not be
        // followed by an empty one because its CR or LF was measured.
    } while (ch != kLF && p < text.size()
             && (text.at(p) == kCR || text.at(p) == kLF || surface_.textWidth(line + charAt(p)) <= r.width()));
    const double used = surface_.textWidth(line);
    surface_.setCurrentX(c.alignment == 1 ? r.x() + r.width() - used
                         : c.alignment == 2 ? r.x() + (r.width() - used) / 2
                                            : r.x());
    surface_.print(line);
}

void PrintEngine::PrintForm(const PrintLayout& layout)
{
    if (!prepared_)
        InitPrinter();
    if (!(twipsPerPixelX_ > 0) || !(twipsPerPixelY_ > 0))
        return;  // a surface without a resolution cannot place anything
    SurfacePen pen = surface_.pen();
    pen.drawStyle = 0;
    pen.drawWidth = std::max(1, layout.drawWidth);
    surface_.setPen(pen);
    applyFont(layout.font);
    for (const LayoutControl& c : layout.controls)
        if (c.visible)
            drawControl(layout, c);
}

void PrintEngine::drawControl(const PrintLayout& layout, const LayoutControl& c)
{
    resetPen(layout);
    if (c.type == ControlType::Line) {
        const int style = DrawStyleOf(c.borderStyle);
        if (style < 0)
            return;
        SurfacePen pen = surface_.pen();
        pen.drawStyle = style;
        pen.drawWidth = lineWidth(c.borderWidth);
        surface_.setPen(pen);
        surface_.line({pixelsX(c.x1), pixelsY(c.y1)}, {pixelsX(c.x2), pixelsY(c.y2)}, c.borderColor);
        return;
    }
    const QRectF r = rectangleOf(c);
    const QString& text = c.caption;
    qsizetype p = 0;
    switch (c.type) {
    case ControlType::Label:
        if (c.backStyle != 0)
            backFill(r, c);
        border(r, c);
        applyFont(c.font);
        surface_.setCurrentY(r.y());
        while (p < text.size())
            printTextLine(c, r, text, p);
        break;
    case ControlType::TextBox:
        backFill(r, c);
        border(r, c);
        applyFont(c.font);
        if (c.multiLine) {
            surface_.setCurrentY(r.y());
            while (surface_.current().y() < r.bottom() && p < text.size())
                printTextLine(c, r, text, p);
        } else if (!text.isEmpty()) {
            surface_.setCurrentY(r.y() + (r.height() - surface_.textHeight(QStringLiteral("W"))) / 2);
            printTextLine(c, r, text, p);
        }
        break;
    case ControlType::PictureBox:
        backFill(r, c);
        if (!c.picture.isNull())
            surface_.picture(r, c.picture);
        border(r, c);
        break;
    case ControlType::Image:
        border(r, c);
        if (!c.picture.isNull())
            surface_.picture(r, c.picture);
        break;
    case ControlType::Shape:
        drawShape(r, c);
        break;
    case ControlType::CommandButton:
        backFill(r, c);
        applyFont(c.font);
        surface_.rectangle(r, Qt::black);
        surface_.setCurrentX(r.x() + (r.width() - surface_.textWidth(text)) / 2);
        surface_.setCurrentY(r.y() + (r.height() - surface_.textHeight(text)) / 2);
        surface_.print(text);
        break;
    case ControlType::Grid:
    case ControlType::Spread:
        applyFont(c.font);
        drawGrid(r, c);
        break;
    case ControlType::Line:
        break;
    }
}

void PrintEngine::drawShape(const QRectF& r, const LayoutControl& c)
{
    if (c.shape != 0)
        return;  // ovals, circles and rounded shapes are not printed
    if (c.backStyle != 0)
        backFill(r, c);
    SurfacePen pen = surface_.pen();
    if (c.fillStyle != 1) {
        // The pattern alone: a shape without a border must not get one from its fill.
        SurfacePen fill = pen;
        fill.fillStyle = c.fillStyle;
        fill.fillColor = c.fillColor;
        if (c.borderStyle == 0)
            fill.drawStyle = kTransparentPen;
        surface_.setPen(fill);
        surface_.rectangle(r, c.borderColor);
    }
    const int style = DrawStyleOf(c.borderStyle);
    if (style >= 0) {
        pen.drawStyle = style;
        pen.drawWidth = lineWidth(c.borderWidth);
        surface_.setPen(pen);
        surface_.rectangle(r, c.borderColor);
    }
}

void PrintEngine::drawGrid(const QRectF& r, const LayoutControl& c)
{
    const bool spread = c.type == ControlType::Spread;
    const double colW = pixelsX(c.colWidth), rowH = pixelsY(c.rowHeight);
    if (!(colW > 0) || !(rowH > 0))
        return;
    SurfacePen pen = surface_.pen();
    pen.drawWidth = std::max(1, c.gridLineWidth);
    surface_.setPen(pen);
    const double headW = spread && c.rowHeaders ? colW : 0, headH = spread && c.colHeaders ? rowH : 0;
    // Only what starts inside the control is shown.
    const int cols = std::clamp(int(std::ceil((r.width() - headW) / colW)), 0, c.cols);
    const int rows = std::clamp(int(std::ceil((r.height() - headH) / rowH)), 0, c.rows);
    const double right = r.x() + headW + cols * colW, bottom = r.y() + headH + rows * rowH;
    const auto cellText = [&](const QRectF& cell, const QString& t) {
        if (t.isEmpty())
            return;
        surface_.setCurrentX(cell.x() + 2);
        surface_.setCurrentY(cell.y() + (cell.height() - surface_.textHeight(QStringLiteral("W"))) / 2);
        surface_.print(t.section(kLF, 0, 0).remove(kCR));
    };
    // Fixed rows and columns, and a spreadsheet's headings, stand on the shadow colour.
    const int fixedCols = spread ? 0 : std::min(c.fixedCols, cols), fixedRows = spread ? 0 : std::min(c.fixedRows, rows);
    if (headH > 0)
        surface_.filledRectangle(QRectF(r.x(), r.y(), right - r.x(), headH), c.shadowColor);
    if (headW > 0)
        surface_.filledRectangle(QRectF(r.x(), r.y(), headW, bottom - r.y()), c.shadowColor);
    if (fixedRows > 0)
        surface_.filledRectangle(QRectF(r.x(), r.y(), right - r.x(), fixedRows * rowH), c.shadowColor);
    if (fixedCols > 0)
        surface_.filledRectangle(QRectF(r.x(), r.y(), fixedCols * colW, bottom - r.y()), c.shadowColor);
    for (int k = headW > 0 ? 0 : 1; k < cols; ++k) {
        const double x = r.x() + headW + k * colW;
        surface_.line({x, r.y()}, {x, bottom}, pen.foreColor);
    }
    for (int k = headH > 0 ? 0 : 1; k < rows; ++k) {
        const double y = r.y() + headH + k * rowH;
        surface_.line({r.x(), y}, {right, y}, pen.foreColor);
    }
    if (spread ? !c.noBorder : c.borderStyle == 1)
        surface_.rectangle(QRectF(r.x(), r.y(), right - r.x(), bottom - r.y()), Qt::black);
    for (int col = 0; col < cols && headH > 0; ++col)
        cellText(QRectF(r.x() + headW + col * colW, r.y(), colW, headH), ColumnLetters(col + 1));
    for (int row = 0; row < rows && headW > 0; ++row)
        cellText(QRectF(r.x(), r.y() + headH + row * rowH, headW, rowH), QString::number(row + 1));
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col)
            cellText(QRectF(r.x() + headW + col * colW, r.y() + headH + row * rowH, colW, rowH),
                     c.cells.value(row * c.cols + col));
}
