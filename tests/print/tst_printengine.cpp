// The print engine's rules on a recording surface, the .ui reader's mapping and failures, and
// one layout painted onto a picture.
#include "PainterSurface.h"
#include "PrintEngine.h"
#include "PrintLayout.h"
#include "RecordingSurface.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
QString Geometry(int x, int y, int w, int h)
{
    return QStringLiteral("<property name=\"geometry\"><rect><x>%1</x><y>%2</y><width>%3</width><height>%4</height></rect></property>")
        .arg(x).arg(y).arg(w).arg(h);
}
// A property: <name> holding <tag>value</tag>.
QString P(const QString& name, const QString& value, const QString& tag = QStringLiteral("string"))
{
    return QStringLiteral("<property name=\"%1\"><%2>%3</%2></property>").arg(name, tag, value);
}
QString W(const QString& cls, const QString& name, const QRect& g, const QString& props = {})
{
    return QStringLiteral("<widget class=\"%1\" name=\"%2\">%3%4</widget>")
        .arg(cls, name, Geometry(g.x(), g.y(), g.width(), g.height()), props);
}
QString Font(const QString& family)
{
    return family.isEmpty() ? QString() : QStringLiteral("<property name=\"font\"><font><family>%1</family></font></property>").arg(family);
}
// A page of 300 × 600 pixels holding the widgets.
QString Ui(const QString& widgets, const QString& formFont = QStringLiteral("IPAGothic"))
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\"><class>frmTest</class>"
                          "<widget class=\"QWidget\" name=\"frmTest\">%1%2%3%4</widget></ui>\n")
        .arg(Geometry(0, 0, 300, 600), P(QStringLiteral("windowTitle"), QStringLiteral("テスト")), Font(formFont), widgets);
}

struct Page {
    QTemporaryDir dir;
    PrintLayout layout;
    QString error;
    bool read(const QString& ui)
    {
        QFile file(dir.filePath(QStringLiteral("layout.ui")));
        return file.open(QIODevice::WriteOnly) && file.write(ui.toUtf8()) > 0 && (file.close(), true)
               && ReadLayout(file.fileName(), &layout, &error);
    }
};

const QRect kBox(10, 20, 50, 40);
}  // namespace

class tst_printengine : public QObject {
    Q_OBJECT
private slots:
    // Every call the surface receives for one layout, at 15 twips per pixel unless the row says otherwise.
    void draw_data()
    {
        QTest::addColumn<QString>("widgets");
        QTest::addColumn<double>("tpp");
        QTest::addColumn<QStringList>("calls");
        const auto row = [](const char* name, const QString& widgets, const QStringList& calls, double tpp = 15) {
            QTest::newRow(name) << widgets << tpp << calls;
        };
        const QString letters = QStringLiteral("abcdefghijkl");
        row("label wraps at the last fitting character, below its bottom", W("QLabel", "lblA", kBox, P("text", letters)),
            {"text 10,20 abcde", "text 10,40 fghij", "text 10,60 kl"});
        row("CR LF breaks, CR not printed", W("QLabel", "lblA", kBox, P("text", "ab&#13;&#10;cd")),
            {"text 10,20 ab", "text 10,40 cd"});
        row("full line then CR LF: no empty line", W("QLabel", "lblA", kBox, P("text", "abcde&#13;&#10;fg")),
            {"text 10,20 abcde", "text 10,40 fg"});
        row("a surrogate pair stays whole", W("QLabel", "lblA", kBox, P("text", "abcd𠮷e")), {"text 10,20 abcd", "text 10,40 𠮷e"});
        row("right", W("QLabel", "lblA", kBox, P("text", "ab") + P("alignment", "Qt::AlignRight|Qt::AlignVCenter", "set")),
            {"text 40,20 ab"});
        row("centre", W("QLabel", "lblA", kBox, P("text", "ab") + P("alignment", "Qt::AlignCenter", "set")), {"text 25,20 ab"});
        row("opaque framed label",
            W("QLabel", "lblA", kBox, P("text", "ab") + P("autoFillBackground", "true", "bool") + P("frameShape", "QFrame::Box", "enum")),
            {"fill 10,20 50x40 #ffffff", "rect 10,20 50x40 #000000 style 0 width 1 fill 1 #000000", "text 10,20 ab"});
        row("single-line box: centred on W, cut", W("QLineEdit", "txtA", kBox, P("text", letters) + P("frame", "false", "bool")),
            {"fill 10,20 50x40 #ffffff", "text 10,30 abcde"});
        row("multi-line box stops at its bottom",
            W("QPlainTextEdit", "txtA", QRect(10, 20, 50, 30), P("plainText", letters)),
            {"fill 10,20 50x30 #ffffff", "rect 10,20 50x30 #000000 style 0 width 1 fill 1 #000000", "text 10,20 abcde", "text 10,40 fghij"});
        row("invisible", W("QLabel", "lblA", kBox, P("text", "ab") + P("visible", "false", "bool")), {});
        row("line width 2 at 4 twips per pixel", W("Line", "linA", QRect(4, 3, 8, 2), P("lineWidth", "2", "number")),
            {"line 15,15-45,15 #000000 style 0 width 5"}, 4.0);
        row("dashed vertical line",
            W("Line", "linA", QRect(4, 3, 2, 8), P("orientation", "Qt::Vertical", "enum") + P("borderStyle", "2", "number")),
            {"line 5,3-5,11 #000000 style 1 width 1"});
        row("transparent line", W("Line", "linA", kBox, P("borderStyle", "0", "number")), {});
        row("oval", W("QFrame", "shpA", kBox, P("frameShape", "QFrame::Box", "enum") + P("shape", "2", "number")), {});
        row("pattern without border draws no border",
            W("QFrame", "shpA", kBox, P("fillStyle", "6", "number") + P("fillColor", "#ff0000")),
            {"rect 10,20 50x40 #000000 style 5 width 1 fill 6 #ff0000"});
        row("opaque shape, dotted border 3",
            W("QFrame", "shpA", kBox, P("frameShape", "QFrame::Box", "enum") + P("backStyle", "1", "number")
                                     + P("borderStyle", "3", "number") + P("lineWidth", "3", "number")),
            {"fill 10,20 50x40 #ffffff", "rect 10,20 50x40 #000000 style 2 width 2 fill 1 #000000"});
        row("picture box", W("QGraphicsView", "picA", kBox),
            {"fill 10,20 50x40 #ffffff", "rect 10,20 50x40 #000000 style 0 width 1 fill 1 #000000"});
        row("button", W("QPushButton", "cmdA", kBox, P("text", "ok")),
            {"fill 10,20 50x40 #f0f0f0", "rect 10,20 50x40 #000000 style 0 width 1 fill 1 #000000", "text 25,30 ok"});
        row("grid: cells beyond the control left out",
            W("QTableWidget", "grdA", QRect(10, 20, 50, 20),
              P("rowCount", "2", "number") + P("columnCount", "3", "number") + P("colWidth", "30", "number") + P("rowHeight", "20", "number")
                  + "<item row=\"0\" column=\"1\"><property name=\"text\"><string>b</string></property></item>"),
            {"line 40,20-40,40 #000000 style 0 width 1", "rect 10,20 60x20 #000000 style 0 width 1 fill 1 #000000", "text 42,20 b"});
    }
    void draw()
    {
        QFETCH(QString, widgets);
        QFETCH(double, tpp);
        QFETCH(QStringList, calls);
        Page page;
        QVERIFY2(page.read(Ui(widgets)), qPrintable(page.error));
        RecordingSurface surface;
        surface.tppX = surface.tppY = tpp;
        PrintEngine(surface).PrintForm(page.layout);
        QCOMPARE(surface.calls, calls);
    }

    void fonts_data()
    {
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("formFont");
        QTest::addColumn<QStringList>("labelFonts");
        QTest::addColumn<QStringList>("printedIn");
        const QStringList usual{"IPAGothic", "@Mincho"};
        QTest::newRow("offered") << usual << "IPAGothic" << QStringList{""} << QStringList{"IPAGothic"};
        QTest::newRow("vertical variant offered") << usual << "IPAGothic" << QStringList{"Mincho"} << QStringList{"Mincho"};
        QTest::newRow("unknown keeps the previous")
            << usual << "IPAGothic" << QStringList{"Mincho", "NoSuchFont"} << QStringList{"Mincho", "Mincho"};
        QTest::newRow("System first when offered") << QStringList{"System"} << "" << QStringList{""} << QStringList{"System"};
        QTest::newRow("@System counts") << QStringList{"@System"} << "Gone" << QStringList{""} << QStringList{"System"};
        QTest::newRow("no System, nothing set") << usual << "" << QStringList{""} << QStringList{""};
    }
    void fonts()
    {
        QFETCH(QStringList, offered);
        QFETCH(QString, formFont);
        QFETCH(QStringList, labelFonts);
        QFETCH(QStringList, printedIn);
        QString widgets;
        for (int i = 0; i < labelFonts.size(); ++i)
            widgets += W("QLabel", QStringLiteral("lbl_%1").arg(i), kBox, P("text", "ab") + Font(labelFonts[i]));
        Page page;
        QVERIFY2(page.read(Ui(widgets, formFont)), qPrintable(page.error));
        RecordingSurface surface;
        surface.fonts = offered;
        PrintEngine(surface).PrintForm(page.layout);
        QCOMPARE(surface.textFonts, printedIn);
    }

    void mapping()
    {
        const QString ui = Ui(W("QLabel", "lblH_3", kBox, P("text", "15") + P("font", "<pointsize>12</pointsize><bold>true</bold>", "font"))
                              + W("QFrame", "fraA", QRect(10, 10, 100, 100),
                                  P("frameShape", "QFrame::NoFrame", "enum") + W("QPlainTextEdit", "txtComment", QRect(5, 5, 20, 20)))
                              + W("QTableWidget", "sprA", kBox, P("controlType", "vaSpread") + P("backColor", "<red>255</red><green>0</green><blue>0</blue>", "color"))
                              + W("QCheckBox", "chkA", kBox));
        Page page;
        QVERIFY2(page.read(ui), qPrintable(page.error));
        QCOMPARE(page.layout.caption, QStringLiteral("テスト"));
        QCOMPARE(QSizeF(page.layout.width, page.layout.height), QSizeF(4500, 9000));
        QCOMPARE(page.layout.controls.size(), 4);  // the check box has no print type
        const LayoutControl* label = page.layout.find(QStringLiteral("lblH"), 3);
        QVERIFY(label);
        QCOMPARE(QRectF(label->left, label->top, label->width, label->height), QRectF(150, 300, 750, 600));
        QCOMPARE(label->font, (SurfaceFont{"IPAGothic", 12, true}));
        const LayoutControl* box = page.layout.find(QStringLiteral("txtComment"));
        QVERIFY(box && box->type == ControlType::TextBox && box->multiLine);
        QCOMPARE(QPointF(box->left, box->top), QPointF(225, 225));  // inside the frame
        QCOMPARE(page.layout.find(QStringLiteral("fraA"))->borderStyle, 0);
        QCOMPARE(page.layout.find(QStringLiteral("sprA"))->type, ControlType::Spread);
        QCOMPARE(page.layout.find(QStringLiteral("sprA"))->backColor, QColor(Qt::red));
        QString error;
        QVERIFY(!page.layout.find(QStringLiteral("lblH"), 4, &error));
        QVERIFY2(error.contains(QStringLiteral("lblH_4")) && error.contains(QStringLiteral("layout.ui")), qPrintable(error));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("content");  // empty: no file
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << QString() << "がありません";
        QTest::newRow("not XML") << "<ui><widget" << "XML として読めません";
        QTest::newRow("not a .ui") << "<html><body/></html>" << "Qt Designer の画面ファイル";
        QTest::newRow("no page size") << "<ui><widget class=\"QWidget\" name=\"frmX\"/></ui>" << "frmX に大きさ";
        QTest::newRow("bad value") << Ui(W("QFrame", "shpA", kBox, P("borderStyle", "thick", "number"))) << "shpA のプロパティ borderStyle の値「thick」";
        QTest::newRow("style out of range") << Ui(W("QFrame", "shpA", kBox, P("fillStyle", "9", "number"))) << "fillStyle の値「9」";
        QTest::newRow("no geometry") << Ui("<widget class=\"QLabel\" name=\"lblA\"/>") << "lblA に位置と大きさ";
        QTest::newRow("Designer layout") << Ui("<widget class=\"QFrame\" name=\"fraA\"><layout class=\"QVBoxLayout\"/></widget>") << "fraA の中に";
        QTest::newRow("missing picture") << Ui(W("QLabel", "imgA", kBox, P("pixmap", "none.png", "pixmap"))) << "none.png を読み込めません";
    }
    void failures()
    {
        QFETCH(QString, content);
        QFETCH(QString, says);
        Page page;
        const QString path = page.dir.filePath(QStringLiteral("layout.ui"));
        const bool read = content.isEmpty() ? ReadLayout(path, &page.layout, &page.error) : page.read(content);
        QVERIFY(!read);
        QVERIFY2(page.error.contains(says) && page.error.contains(path), qPrintable(page.error));
        QVERIFY(page.layout.controls.isEmpty());
    }

    // The real surface on a picture at 96 dpi (15 twips per pixel): a solid red shape without
    // a border, a 2-pixel line below it, the rest untouched.
    void painter()
    {
        Page page;
        QVERIFY2(page.read(Ui(W("QFrame", "shpA", QRect(10, 10, 20, 20), P("fillStyle", "0", "number") + P("fillColor", "#ff0000"))
                              + W("Line", "linA", QRect(10, 39, 40, 3), P("lineWidth", "3", "number")))),
                 qPrintable(page.error));
        QImage image(100, 60, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            PainterSurface surface(&image);
            QCOMPARE(surface.twipsPerPixelX(), 15.0);
            PrintEngine(surface).PrintForm(page.layout);
            QVERIFY(!surface.newPage());  // a picture has one page
            QVERIFY(surface.end());
        }
        const QRgb red = qRgb(255, 0, 0), white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
        for (const auto& [x, y, colour] :
             {std::tuple{20, 20, red}, {10, 10, red}, {32, 20, white}, {30, 40, black}, {30, 43, white}, {30, 37, white}})
            QCOMPARE(image.pixel(x, y), colour);
    }
};

QTEST_MAIN(tst_printengine)
#include "tst_printengine.moc"
