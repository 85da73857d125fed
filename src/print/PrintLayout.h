#pragma once
// A print layout as plain data: the page's controls with their geometry in twips, read from a
// Qt Designer .ui file without creating a widget. Diver-editable layouts are .ui files; the
// print engine draws this model.
//
// How a .ui file maps (Designer geometry is in pixels, 15 twips each; a widget inside a
// container is placed relative to it):
//   top widget          the page: width × height = content area, windowTitle = caption,
//                       font = the page's font; dynamic drawWidth, foreColor, fillColor
//   QLabel              Label: text; pixmap makes it an Image instead
//   QLineEdit           single-line TextBox: text; frame false = no border
//   QPlainTextEdit      multi-line TextBox: plainText; frameShape NoFrame = no border
//   Line                Line across the middle of its geometry, by orientation
//   QFrame              Shape (rectangle): framed = border, frameShape NoFrame = none
//   QGraphicsView       PictureBox
//   QPushButton         CommandButton: text
//   QTableWidget        Grid: rowCount × columnCount, item texts;
//                       dynamic controlType "vaSpread" makes it a spreadsheet grid
// Any widget may carry the dynamic property controlType (Label, TextBox, PictureBox, Image,
// Line, CommandButton, Shape, Grid, vaSpread) to choose its type; other classes are skipped.
// Control arrays: an object name ending in "_" and digits ("lblH_3") is element 3 of "lblH".
// Standard properties read: geometry, font (merged over the container's), alignment
// (AlignRight = right, AlignHCenter = centre), autoFillBackground (an opaque label),
// frameShape, lineWidth (border width of lines and shapes), pixmap (file relative to the .ui). Dynamic properties for what Designer lacks:
// visible, multiLine, backStyle (0 transparent, 1 opaque), backColor, borderStyle (0–6),
// borderWidth, borderColor, fillStyle (0–7), fillColor, shape (0 rectangle, 2 oval,
// 3 circle, …), picture (file), x1/y1/x2/y2 (a line's ends, pixels), colWidth and
// rowHeight (pixels), fixedRows, fixedCols, gridLineWidth, displayColHeaders,
// displayRowHeaders, noBorder, shadowColor. Colours are Designer colours or "#rrggbb".
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include "PageSurface.h"

enum class ControlType { Label, TextBox, PictureBox, Image, Line, CommandButton, Shape, Grid, Spread };

struct LayoutControl {
    ControlType type = ControlType::Label;
    QString name;
    int index = -1;  // element of a control array; -1 for a single control
    double left = 0, top = 0, width = 0, height = 0;  // twips
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // a line's ends, twips
    QString caption;  // caption of labels and buttons, text of text boxes
    SurfaceFont font;
    int alignment = 0;  // 0 left, 1 right, 2 centre
    QColor backColor = Qt::white, borderColor = Qt::black, fillColor = Qt::black;
    int backStyle = 1;    // 0 transparent, 1 opaque
    int borderStyle = 0;  // 0 none; lines and shapes: the line styles 1–6
    int borderWidth = 1;
    int fillStyle = 1;  // the surface's fill styles; 1 transparent
    bool multiLine = false;
    bool visible = true;
    int shape = 0;  // 0 rectangle; ovals, circles and rounded shapes are not printed
    QImage picture;
    // Grids: cells row by row.
    int rows = 0, cols = 0, fixedRows = 0, fixedCols = 0, gridLineWidth = 1;
    double colWidth = 0, rowHeight = 0;  // twips
    QStringList cells;
    bool colHeaders = true, rowHeaders = true, noBorder = false;
    QColor shadowColor = QColor(192, 192, 192);

    // Moves the control (both ends of a line) by dx, dy twips.
    void shift(double dx, double dy);
};

struct PrintLayout {
    QString file;
    QString caption;
    double width = 0, height = 0;  // the content area, twips
    SurfaceFont font;
    int drawWidth = 1;
    QColor foreColor = Qt::black, fillColor = Qt::black;
    QList<LayoutControl> controls;  // in the file's order, which is the drawing order

    // The control of that name (and element), or null with a message naming it.
    LayoutControl* find(const QString& name, int index = -1, QString* error = nullptr);
    // The elements of a control array, by index.
    QList<LayoutControl*> elements(const QString& name);
};

// Reads a layout file; false with a message naming the file and what is wrong.
bool ReadLayout(const QString& path, PrintLayout* layout, QString* error);
