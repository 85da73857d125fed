#include "PrintLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <optional>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("PrintLayout", text);
}

constexpr double kTwipsPerPixel = 15.0;

// One property value of a .ui file: its element name (string, rect, font, color, …), its
// text, and the texts of its child elements (x, y, width, height; family, pointsize; red, …).
struct Value {
    QString tag;
    QString text;
    QHash<QString, QString> fields;
};

std::optional<ControlType> TypeNamed(const QString& name)
{
    static const QHash<QString, ControlType> kTypes = {
        {QStringLiteral("Label"), ControlType::Label},         {QStringLiteral("TextBox"), ControlType::TextBox},
        {QStringLiteral("PictureBox"), ControlType::PictureBox}, {QStringLiteral("Image"), ControlType::Image},
        {QStringLiteral("Line"), ControlType::Line},           {QStringLiteral("CommandButton"), ControlType::CommandButton},
        {QStringLiteral("Shape"), ControlType::Shape},         {QStringLiteral("Grid"), ControlType::Grid},
        {QStringLiteral("vaSpread"), ControlType::Spread}};
    const auto it = kTypes.constFind(name);
    return it == kTypes.constEnd() ? std::nullopt : std::optional(*it);
}

std::optional<ControlType> TypeOfClass(const QString& cls)
{
    static const QHash<QString, ControlType> kClasses = {
        {QStringLiteral("QLabel"), ControlType::Label},         {QStringLiteral("QLineEdit"), ControlType::TextBox},
        {QStringLiteral("QPlainTextEdit"), ControlType::TextBox}, {QStringLiteral("Line"), ControlType::Line},
        {QStringLiteral("QFrame"), ControlType::Shape},         {QStringLiteral("QGraphicsView"), ControlType::PictureBox},
        {QStringLiteral("QPushButton"), ControlType::CommandButton}, {QStringLiteral("QTableWidget"), ControlType::Grid}};
    const auto it = kClasses.constFind(cls);
    return it == kClasses.constEnd() ? std::nullopt : std::optional(*it);
}

class UiReader {
public:
    UiReader(QIODevice* device, const QString& path) : xml_(device), dir_(QFileInfo(path).absoluteDir()) {}

    // False with the problem (without the file's name) in *problem.
    bool read(PrintLayout* layout, QString* problem);

private:
    struct Widget {
        QString cls, name;
        QHash<QString, Value> props;
        QHash<QPair<int, int>, QString> items;
        QPointF origin;  // of the container, twips
        SurfaceFont font;
    };

    Value readValue();
    bool readWidget(const QPointF& origin, const SurfaceFont& font, bool top);
    bool makeControl(const Widget& w, ControlType type);
    bool fail(const QString& problem)
    {
        if (problem_.isEmpty())
            problem_ = problem;
        return false;
    }
    bool badValue(const Widget& w, const QString& property, const QString& text)
    {
        return fail(tr("コントロール %1 のプロパティ %2 の値「%3」が正しくありません").arg(w.name, property, text));
    }
    std::optional<double> number(const Widget& w, const QString& property, double fallback);
    std::optional<QColor> colour(const Widget& w, const QString& property, const QColor& fallback);
    SurfaceFont mergedFont(const Widget& w, const SurfaceFont& inherited);

    QXmlStreamReader xml_;
    QDir dir_;
    PrintLayout* layout_ = nullptr;
    QString problem_;
};

Value UiReader::readValue()
{
    Value value{xml_.name().toString(), {}, {}};
    while (xml_.readNext() != QXmlStreamReader::EndElement && !xml_.atEnd()) {
        if (xml_.isCharacters())
            value.text += xml_.text();
        else if (xml_.isStartElement())
            value.fields.insert(xml_.name().toString(), readValue().text);
    }
    return value;
}

std::optional<double> UiReader::number(const Widget& w, const QString& property, double fallback)
{
    const auto it = w.props.constFind(property);
    if (it == w.props.constEnd())
        return fallback;
    bool ok = false;
    const double n = it->text.trimmed().toDouble(&ok);
    if (!ok) {
        badValue(w, property, it->text);
        return std::nullopt;
    }
    return n;
}

std::optional<QColor> UiReader::colour(const Widget& w, const QString& property, const QColor& fallback)
{
    const auto it = w.props.constFind(property);
    if (it == w.props.constEnd())
        return fallback;
    QColor c;
    if (it->tag == QLatin1String("color"))
        c = QColor(it->fields.value(QStringLiteral("red")).toInt(), it->fields.value(QStringLiteral("green")).toInt(),
                   it->fields.value(QStringLiteral("blue")).toInt());
    else
        c = QColor::fromString(it->text.trimmed());
    if (!c.isValid()) {
        badValue(w, property, it->text);
        return std::nullopt;
    }
    return c;
}

SurfaceFont UiReader::mergedFont(const Widget& w, const SurfaceFont& inherited)
{
    SurfaceFont font = inherited;
    const auto it = w.props.constFind(QStringLiteral("font"));
    if (it == w.props.constEnd())
        return font;
    const auto& f = it->fields;
    const auto flag = [&f](const char* key, bool current) {
        const auto v = f.constFind(QLatin1String(key));
        return v == f.constEnd() ? current : *v == QLatin1String("true");
    };
    if (f.contains(QStringLiteral("family")))
        font.name = f.value(QStringLiteral("family"));
    if (const double size = f.value(QStringLiteral("pointsize")).toDouble(); size > 0)
        font.size = size;
    font.bold = flag("bold", font.bold);
    font.italic = flag("italic", font.italic);
    font.underline = flag("underline", font.underline);
    font.strikethru = flag("strikeout", font.strikethru);
    return font;
}

bool UiReader::read(PrintLayout* layout, QString* problem)
{
    layout_ = layout;
    bool sawUi = false, sawPage = false;
    while (!xml_.atEnd() && problem_.isEmpty()) {
        xml_.readNext();
        if (!xml_.isStartElement())
            continue;
        if (!sawUi) {
            if (xml_.name() != QLatin1String("ui"))
                break;
            sawUi = true;
        } else if (xml_.name() == QLatin1String("widget") && !sawPage) {
            sawPage = true;
            readWidget({}, SurfaceFont{}, true);
        } else {
            xml_.skipCurrentElement();
        }
    }
    if (xml_.hasError())  // whatever else went wrong follows from it
        problem_ = tr("%1 行目: XML として読めません (%2)").arg(xml_.lineNumber()).arg(xml_.errorString());
    else if (problem_.isEmpty() && !sawPage)
        problem_ = tr("Qt Designer の画面ファイル (.ui) ではありません");
    *problem = problem_;
    return problem_.isEmpty();
}

bool UiReader::readWidget(const QPointF& origin, const SurfaceFont& inherited, bool top)
{
    Widget w{xml_.attributes().value(QLatin1String("class")).toString(),
             xml_.attributes().value(QLatin1String("name")).toString(), {}, {}, origin, inherited};
    std::optional<ControlType> type;
    bool placed = false;  // the control goes before its children, as a container is drawn first
    const auto place = [&]() {
        if (placed)
            return true;
        placed = true;
        if (top) {
            const auto geometry = w.props.value(QStringLiteral("geometry")).fields;
            layout_->width = geometry.value(QStringLiteral("width")).toDouble() * kTwipsPerPixel;
            layout_->height = geometry.value(QStringLiteral("height")).toDouble() * kTwipsPerPixel;
            if (layout_->width <= 0 || layout_->height <= 0)
                return fail(tr("ページ %1 に大きさ (geometry) がありません").arg(w.name));
            layout_->caption = w.props.value(QStringLiteral("windowTitle")).text;
            layout_->font = w.font = mergedFont(w, inherited);
            const auto drawWidth = number(w, QStringLiteral("drawWidth"), 1);
            const auto fore = colour(w, QStringLiteral("foreColor"), Qt::black);
            const auto fill = colour(w, QStringLiteral("fillColor"), Qt::black);
            if (!drawWidth || !fore || !fill)
                return false;
            layout_->drawWidth = int(*drawWidth);
            layout_->foreColor = *fore;
            layout_->fillColor = *fill;
            return true;
        }
        w.font = mergedFont(w, inherited);
        const auto explicitType = w.props.constFind(QStringLiteral("controlType"));
        if (explicitType != w.props.constEnd()) {
            type = TypeNamed(explicitType->text.trimmed());
            if (!type)
                return badValue(w, QStringLiteral("controlType"), explicitType->text);
        } else {
            type = TypeOfClass(w.cls);
        }
        if (!type)
            return true;
        return makeControl(w, *type);
    };

    while (problem_.isEmpty() && xml_.readNextStartElement()) {
        const auto tag = xml_.name();
        if (tag == QLatin1String("property")) {
            const QString name = xml_.attributes().value(QLatin1String("name")).toString();
            if (xml_.readNextStartElement()) {
                w.props.insert(name, readValue());
                xml_.skipCurrentElement();
            }
        } else if (tag == QLatin1String("item")) {
            const auto attrs = xml_.attributes();
            const QPair<int, int> cell(attrs.value(QLatin1String("row")).toInt(), attrs.value(QLatin1String("column")).toInt());
            while (xml_.readNextStartElement()) {
                if (xml_.attributes().value(QLatin1String("name")) != QLatin1String("text")) {
                    xml_.skipCurrentElement();
                } else if (xml_.readNextStartElement()) {
                    w.items.insert(cell, readValue().text);
                    xml_.skipCurrentElement();
                }
            }
        } else if (tag == QLatin1String("widget")) {
            if (!place())
                return false;
            const auto geometry = w.props.value(QStringLiteral("geometry")).fields;
            const QPointF inner = top ? QPointF() : origin + QPointF(geometry.value(QStringLiteral("x")).toDouble(),
                                                                     geometry.value(QStringLiteral("y")).toDouble()) * kTwipsPerPixel;
            readWidget(inner, w.font, false);
        } else if (tag == QLatin1String("layout")) {
            return fail(tr("%1 の中に Qt Designer のレイアウトがあります: 配置されたコントロールは位置が決まらないため使えません")
                            .arg(w.name));
        } else {
            xml_.skipCurrentElement();
        }
    }
    return problem_.isEmpty() && place();
}

bool UiReader::makeControl(const Widget& w, ControlType type)
{
    LayoutControl c;
    c.type = type;
    c.name = w.name;
    static const QRegularExpression kElement(QStringLiteral("^(.+)_(\\d+)$"));
    if (const auto m = kElement.match(w.name); m.hasMatch()) {
        c.name = m.captured(1);
        c.index = m.captured(2).toInt();
    }
    const auto geometry = w.props.constFind(QStringLiteral("geometry"));
    if (geometry == w.props.constEnd() || geometry->tag != QLatin1String("rect"))
        return fail(tr("コントロール %1 に位置と大きさ (geometry) がありません").arg(w.name));
    const auto px = [&](const char* key) { return geometry->fields.value(QLatin1String(key)).toDouble() * kTwipsPerPixel; };
    c.left = w.origin.x() + px("x");
    c.top = w.origin.y() + px("y");
    c.width = px("width");
    c.height = px("height");
    c.font = w.font;

    const QString frameShape = w.props.value(QStringLiteral("frameShape")).text;
    const bool framed = !frameShape.isEmpty() && !frameShape.endsWith(QLatin1String("NoFrame"));
    const QString alignment = w.props.value(QStringLiteral("alignment")).text;
    c.alignment = alignment.contains(QLatin1String("AlignRight")) ? 1
                  : alignment.contains(QLatin1String("AlignHCenter")) || alignment.contains(QLatin1String("AlignCenter")) ? 2
                                                                                                                       : 0;
    switch (type) {
    case ControlType::Label:
        c.caption = w.props.value(QStringLiteral("text")).text;
        c.backStyle = w.props.value(QStringLiteral("autoFillBackground")).text == QLatin1String("true") ? 1 : 0;
        c.borderStyle = framed ? 1 : 0;
        if (w.cls == QLatin1String("QLabel") && w.props.contains(QStringLiteral("pixmap")))
            c.type = ControlType::Image;
        break;
    case ControlType::TextBox:
        c.multiLine = w.cls == QLatin1String("QPlainTextEdit");
        c.caption = w.props.value(c.multiLine ? QStringLiteral("plainText") : QStringLiteral("text")).text;
        c.borderStyle = (c.multiLine ? frameShape.isEmpty() || framed
                                     : w.props.value(QStringLiteral("frame")).text != QLatin1String("false")) ? 1 : 0;
        break;
    case ControlType::Line: {
        const bool vertical = w.props.value(QStringLiteral("orientation")).text.endsWith(QLatin1String("Vertical"));
        c.x1 = vertical ? c.left + c.width / 2 : c.left;
        c.x2 = vertical ? c.x1 : c.left + c.width;
        c.y1 = vertical ? c.top : c.top + c.height / 2;
        c.y2 = vertical ? c.top + c.height : c.y1;
        c.borderStyle = 1;
        break;
    }
    case ControlType::Shape:
        c.backStyle = 0;
        c.borderStyle = framed ? 1 : 0;
        break;
    case ControlType::CommandButton:
        c.caption = w.props.value(QStringLiteral("text")).text;
        c.backColor = QColor(240, 240, 240);
        break;
    case ControlType::PictureBox:
    case ControlType::Grid:
    case ControlType::Spread:
        c.borderStyle = frameShape.isEmpty() || framed ? 1 : 0;
        break;
    case ControlType::Image:
        break;
    }

    // What Designer cannot say, as dynamic properties.
    const auto flag = [&](const char* key, bool current) {
        const auto it = w.props.constFind(QLatin1String(key));
        return it == w.props.constEnd() ? current : it->text.trimmed() == QLatin1String("true");
    };
    c.visible = flag("visible", c.visible);
    c.multiLine = flag("multiLine", c.multiLine);
    c.colHeaders = flag("displayColHeaders", c.colHeaders);
    c.rowHeaders = flag("displayRowHeaders", c.rowHeaders);
    c.noBorder = flag("noBorder", c.noBorder);
    const auto lineWidth = number(w, QStringLiteral("lineWidth"), c.borderWidth);
    if (!lineWidth)
        return false;
    struct IntProperty { const char* key; int* field; int low, high; };
    const IntProperty ints[] = {{"backStyle", &c.backStyle, 0, 1},   {"borderStyle", &c.borderStyle, 0, 6},
                                {"borderWidth", &c.borderWidth, 1, 8192}, {"fillStyle", &c.fillStyle, 0, 7},
                                {"shape", &c.shape, 0, 5},           {"rowCount", &c.rows, 0, 1000},
                                {"columnCount", &c.cols, 0, 1000},   {"fixedRows", &c.fixedRows, 0, 1000},
                                {"fixedCols", &c.fixedCols, 0, 1000}, {"gridLineWidth", &c.gridLineWidth, 1, 100}};
    c.borderWidth = std::max(1, int(*lineWidth));
    for (const auto& p : ints) {
        const auto n = number(w, QLatin1String(p.key), *p.field);
        if (!n)
            return false;
        if (*n < p.low || *n > p.high || *n != int(*n))
            return badValue(w, QLatin1String(p.key), w.props.value(QLatin1String(p.key)).text);
        *p.field = int(*n);
    }
    struct ColourProperty { const char* key; QColor* field; };
    const ColourProperty colours[] = {{"backColor", &c.backColor}, {"borderColor", &c.borderColor},
                                      {"fillColor", &c.fillColor}, {"shadowColor", &c.shadowColor}};
    for (const auto& p : colours) {
        const auto value = colour(w, QLatin1String(p.key), *p.field);
        if (!value)
            return false;
        *p.field = *value;
    }
    struct TwipsProperty { const char* key; double* field; double origin; };
    const TwipsProperty ends[] = {{"x1", &c.x1, w.origin.x()}, {"y1", &c.y1, w.origin.y()}, {"x2", &c.x2, w.origin.x()},
                                  {"y2", &c.y2, w.origin.y()}, {"colWidth", &c.colWidth, 0}, {"rowHeight", &c.rowHeight, 0}};
    for (const auto& p : ends) {
        if (!w.props.contains(QLatin1String(p.key)))
            continue;
        const auto n = number(w, QLatin1String(p.key), 0);
        if (!n)
            return false;
        *p.field = p.origin + *n * kTwipsPerPixel;
    }
    if (c.cols > 0 && c.colWidth <= 0)
        c.colWidth = c.width / c.cols;
    if (c.rows > 0 && c.rowHeight <= 0)
        c.rowHeight = c.height / c.rows;
    for (int r = 0; r < c.rows; ++r)
        for (int col = 0; col < c.cols; ++col)
            c.cells << w.items.value({r, col});

    QString pictureFile = w.props.value(QStringLiteral("picture")).text;
    if (pictureFile.isEmpty())
        pictureFile = w.props.value(QStringLiteral("pixmap")).text;
    if (!pictureFile.isEmpty()) {
        // Designer may name a picture in a resource file, which a layout on disk has not got.
        const QString path = dir_.absoluteFilePath(pictureFile.startsWith(QLatin1Char(':')) ? pictureFile.mid(1) : pictureFile);
        if (!c.picture.load(path))
            return fail(tr("コントロール %1 の画像 %2 を読み込めません").arg(w.name, path));
    }
    layout_->controls << c;
    return true;
}
}  // namespace

void LayoutControl::shift(double dx, double dy)
{
    left += dx;
    top += dy;
    x1 += dx;
    x2 += dx;
    y1 += dy;
    y2 += dy;
}

LayoutControl* PrintLayout::find(const QString& name, int index, QString* error)
{
    for (auto& c : controls)
        if (c.name == name && c.index == index)
            return &c;
    if (error)
        *error = tr("印刷レイアウト %1 にコントロール %2 がありません")
                     .arg(QDir::toNativeSeparators(file), index < 0 ? name : QStringLiteral("%1_%2").arg(name).arg(index));
    return nullptr;
}

QList<LayoutControl*> PrintLayout::elements(const QString& name)
{
    QList<LayoutControl*> found;
    for (auto& c : controls)
        if (c.name == name && c.index >= 0)
            found << &c;
    std::stable_sort(found.begin(), found.end(), [](auto* a, auto* b) { return a->index < b->index; });
    return found;
}

bool ReadLayout(const QString& path, PrintLayout* layout, QString* error)
{
    *layout = PrintLayout{};
    layout->file = path;
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.exists()) {
        *error = tr("印刷レイアウト %1 がありません").arg(shown);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("印刷レイアウト %1 を読み込めません: %2").arg(shown, file.errorString());
        return false;
    }
    QString problem;
    if (!UiReader(&file, path).read(layout, &problem)) {
        *error = tr("印刷レイアウト %1 を読み込めません: %2").arg(shown, problem);
        *layout = PrintLayout{};
        layout->file = path;
        return false;
    }
    return true;
}
