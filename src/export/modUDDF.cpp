#include "modUDDF.h"

#include "Database.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "JobProgress.h"
#include "SafeFile.h"
#include "TextReaders.h"
#include "UiServices.h"
#include "Version.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modUDDF", text);
}

using F = DiveTexts::Field;

constexpr double kZeroCelsius = 273.15;  // kelvin
constexpr double kPascalPerBar = 100000;

// Plain decimal with at most `decimals` places, no trailing zeros, never "-0"; into `out`.
void appendDecimal(QByteArray& out, double value, int decimals)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {  // beyond any value a dive has; the shortest form still reads back
        out += QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
        return;
    }
    std::string_view digits(text, size_t(end - text));
    if (digits.find('.') != std::string_view::npos) {
        while (digits.ends_with('0'))
            digits.remove_suffix(1);
        if (digits.ends_with('.'))
            digits.remove_suffix(1);
    }
    if (digits == "-0")
        digits = "0";
    out.append(digits.data(), qsizetype(digits.size()));
}

// A text an XML file cannot carry as it is: a CR (read back as LF), a control character, a
// lone surrogate or a non-character.
bool needsEncoding(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c < 0x20 && c != u'\t' && c != u'\n') || c == 0xFFFE || c == 0xFFFF)
            return true;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return true;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return true;
        }
    }
    return false;
}

QString xmlText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            kept += c;
            kept += text.at(++i);
        } else if (!c.isSurrogate() && (c.unicode() >= 0x20 || c == u'\t' || c == u'\n') && c.unicode() < 0xFFFE) {
            kept += c;
        }
    }
    return kept;
}

// The stored row of a dive and its attached files, as the log holds them.
struct StoredDive {
    QVariantList values;  // the LogTbl columns but id, in the table's order
    QList<std::pair<QVariant, QVariant>> pictures;  // filename, title
};

// The file's markup, written straight as UTF-8: the exporter's elements are few and known,
// and a general XML writer's checks on every token cost more than the rest of the export.
// An element on a line of its own, indented a space a level; a waypoint on one line.
class Markup {
public:
    using Attributes = std::initializer_list<std::pair<const char*, QStringView>>;

    QByteArray bytes;

    void open(const char* tag, Attributes attributes = {})
    {
        startTag(tag, attributes);
        bytes += '>';
        m_open.push_back(tag);
    }
    void close()
    {
        const char* tag = m_open.back();
        m_open.pop_back();
        newLine();
        endTag(tag);
    }
    // An element whose children stay on its line.
    void openLine(const char* tag) { plainStartTag(tag, false); }
    void closeLine(const char* tag) { endTag(tag); }
    void empty(const char* tag, Attributes attributes)
    {
        startTag(tag, attributes);
        bytes += "/>";
    }
    // An element holding text; what XML cannot carry must be gone already.
    void leaf(const char* tag, QStringView text, Attributes attributes = {})
    {
        startTag(tag, attributes);
        bytes += '>';
        escaped(text, false);
        endTag(tag);
    }
    // An element holding a whole number.
    void integer(const char* tag, qint64 value)
    {
        plainStartTag(tag, false);
        bytes += QByteArray::number(value);
        endTag(tag);
    }
    // An element holding a number; `inLine` keeps it on the line before.
    void number(const char* tag, double value, int decimals, bool inLine = false)
    {
        plainStartTag(tag, inLine);
        appendDecimal(bytes, value, decimals);
        endTag(tag);
    }
    void document()
    {
        bytes += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    }
    void end() { bytes += '\n'; }

private:
    void newLine()
    {
        bytes += '\n';
        bytes.append(qsizetype(m_open.size()), ' ');
    }
    void plainStartTag(const char* tag, bool inLine)
    {
        if (!inLine)
            newLine();
        bytes += '<';
        bytes += tag;
        bytes += '>';
    }
    void startTag(const char* tag, Attributes attributes)
    {
        newLine();
        bytes += '<';
        bytes += tag;
        for (const auto& [name, value] : attributes) {
            bytes += ' ';
            bytes += name;
            bytes += "=\"";
            escaped(value, true);
            bytes += '"';
        }
    }
    void endTag(const char* tag)
    {
        bytes += "</";
        bytes += tag;
        bytes += '>';
    }
    // UTF-8 with the markup characters as references; in an attribute also the quote and the
    // white space a reader would turn into blanks.
    void escaped(QStringView text, bool attribute)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char32_t c = text[i].unicode();
            if (c < 0x80) {
                switch (c) {
                case '<': bytes += "&lt;"; break;
                case '>': bytes += "&gt;"; break;
                case '&': bytes += "&amp;"; break;
                case '"': bytes += attribute ? "&quot;" : "\""; break;
                case '\n': bytes += attribute ? "&#10;" : "\n"; break;
                case '\t': bytes += attribute ? "&#9;" : "\t"; break;
                default: bytes += char(c);
                }
            } else if (c < 0x800) {
                bytes += char(0xC0 | (c >> 6));
                bytes += char(0x80 | (c & 0x3F));
            } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                const char32_t u = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
                bytes += char(0xF0 | (u >> 18));
                bytes += char(0x80 | ((u >> 12) & 0x3F));
                bytes += char(0x80 | ((u >> 6) & 0x3F));
                bytes += char(0x80 | (u & 0x3F));
            } else if (!QChar::isSurrogate(c)) {
                bytes += char(0xE0 | (c >> 12));
                bytes += char(0x80 | ((c >> 6) & 0x3F));
                bytes += char(0x80 | (c & 0x3F));
            }
        }
    }

    std::vector<const char*> m_open;
};

class UddfWriter {
public:
    explicit UddfWriter(const QStringList& columns) : m_columns(columns) {}

    Markup& xml() { return m_xml; }

    // A text element; line breaks become LF and what XML cannot carry is left out (our own
    // element keeps the stored text exactly).
    void element(const char* name, const QString& text)
    {
        if (needsEncoding(text))
            m_xml.leaf(name, xmlText(text));
        else
            m_xml.leaf(name, text);
    }
    void link(const QString& ref) { m_xml.empty("link", {{"ref", ref}}); }
    // The value of a stored column as our own element; a text the file cannot carry as it is
    // goes in base64 of its UTF-8.
    void value(const char* element, const QString& name, const QVariant& v)
    {
        const auto write = [&](QStringView type, QStringView text, bool base64 = false) {
            if (name.isEmpty())
                m_xml.leaf(element, text, {{"type", type}});
            else if (base64)
                m_xml.leaf(element, text, {{"name", name}, {"type", type}, {"encoding", u"base64"}});
            else
                m_xml.leaf(element, text, {{"name", name}, {"type", type}});
        };
        switch (v.typeId()) {
        case QMetaType::LongLong:
            write(u"integer", QString::number(v.toLongLong()));
            break;
        case QMetaType::Double:
            write(u"real", QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
            break;
        case QMetaType::QString: {
            const QString text = v.toString();
            if (needsEncoding(text))
                write(u"text", QString::fromLatin1(text.toUtf8().toBase64()), true);
            else
                write(u"text", text);
            break;
        }
        case QMetaType::QByteArray:
            write(u"blob", QString::fromLatin1(v.toByteArray().toBase64()));
            break;
        default:
            write(u"null", {});
        }
    }
    void stored(const StoredDive& dive)
    {
        m_xml.open("applicationdata");
        m_xml.open("tw:logtbl");
        for (qsizetype i = 0; i < m_columns.size(); ++i)
            value("tw:column", m_columns[i], dive.values.value(i));
        for (const auto& [file, title] : dive.pictures) {
            m_xml.open("tw:picture");
            value("tw:filename", {}, file);
            value("tw:title", {}, title);
            m_xml.close();
        }
        m_xml.close();
        m_xml.close();
    }

private:
    Markup m_xml;
    QStringList m_columns;
};

// The oxygen fraction of an air type's text: air, or the percentage written in it.
std::optional<double> oxygenOf(const QString& airType)
{
    if (airType.contains(QStringLiteral("空気")) || airType.contains(QStringLiteral("air"), Qt::CaseInsensitive))
        return 0.21;
    static const QRegularExpression percent(QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*[%％]"));
    const QRegularExpressionMatch m = percent.match(airType);
    if (!m.hasMatch())
        return std::nullopt;
    const double o2 = m.captured(1).toDouble() / 100;
    return o2 > 0 && o2 <= 1 ? std::optional(o2) : std::nullopt;
}

// Ids of the distinct non-empty names, in first-seen order.
class NameIds {
public:
    explicit NameIds(QString prefix) : m_prefix(std::move(prefix)) {}
    QString add(const QString& name)
    {
        const QString n = name.trimmed();
        if (n.isEmpty())
            return {};
        auto it = m_ids.constFind(n);
        if (it == m_ids.cend()) {
            it = m_ids.insert(n, m_prefix + QString::number(m_names.size() + 1));
            m_names << n;
        }
        return *it;
    }
    QString id(const QString& name) const { return m_ids.value(name.trimmed()); }
    const QStringList& names() const { return m_names; }

private:
    QString m_prefix;
    QHash<QString, QString> m_ids;
    QStringList m_names;
};
}  // namespace

double SampleSeconds(qsizetype i, qsizetype n, double durationSeconds)
{
    return durationSeconds > 0 ? double(i + 1) * durationSeconds / double(n + 1) : double(i + 1) * 60;
}

namespace {
// The stored rows and attached files of the chosen dives, by id.
bool readStored(const QList<ExportItem>& items, QStringList* columns, QHash<qint64, StoredDive>* dives)
{
    return ForIdChunks(items, [&](const QString& in, const QVariantList& ids) {
        auto rows = OpenQuery(QStringLiteral("SELECT * FROM LogTbl WHERE id IN (%1)").arg(in), ids);
        auto pictures = OpenQuery(
            QStringLiteral("SELECT dive_id, filename, title FROM PictureTbl WHERE dive_id IN (%1) ORDER BY rowid").arg(in), ids);
        if (!rows || !pictures)
            return false;
        const int idColumn = int(rows->fieldNames().indexOf(QStringLiteral("id")));
        if (columns->isEmpty())
            for (int c = 0; c < rows->fieldCount(); ++c)
                if (c != idColumn)
                    columns->append(rows->fieldNames()[c]);
        for (; !rows->eof(); rows->moveNext()) {
            StoredDive& dive = (*dives)[rows->field(idColumn).toLongLong()];
            for (int c = 0; c < rows->fieldCount(); ++c)
                if (c != idColumn)
                    dive.values << rows->field(c);
        }
        for (; !pictures->eof(); pictures->moveNext())
            (*dives)[pictures->field(0).toLongLong()].pictures.append({pictures->field(1), pictures->field(2)});
        return true;
    });
}

// One dive's UDDF elements from its stored row and the texts its editor shows.
void writeDive(UddfWriter& w, const ExportItem& item, const StoredDive& stored, const QStringList& columns,
               const DiveTexts& dive, const NameIds& sites, const NameIds& buddies)
{
    Markup& xml = w.xml();
    const auto column = [&](const char* name) { return stored.values.value(columns.indexOf(QLatin1String(name))); };
    const auto number = [&](const char* name) -> std::optional<double> {
        const QVariant v = column(name);
        bool ok = false;
        const double d = v.toDouble(&ok);
        return !v.isNull() && ok && std::isfinite(d) ? std::optional(d) : std::nullopt;
    };
    // Quantities that cannot be below zero; a stored one that is (a slip) stays in our own
    // element only, so that other programs get a file they can read.
    const auto amount = [&](const char* name) {
        const auto v = number(name);
        return v && *v >= 0 ? v : std::nullopt;
    };

    xml.open("dive", {{"id", QStringLiteral("dive_%1").arg(item.id)}});

    xml.open("informationbeforedive");
    if (const QString site = sites.id(column("location").toString()); !site.isEmpty())
        w.link(site);
    QStringList linked;
    for (const char* who : {"buddy", "guide"})
        if (const QString id = buddies.id(column(who).toString()); !id.isEmpty() && !linked.contains(id)) {
            linked << id;
            w.link(id);
        }
    const QDate date = StoredDateIn(column("dive_date").toString());
    const QTime entry = TimeIn(column("in_time").toString());
    if (date.isValid())
        w.element("datetime",
                  entry.isValid() ? QDateTime(date, entry).toString(Qt::ISODate) : date.toString(Qt::ISODate));
    xml.integer("divenumber", item.number);
    if (const auto air = number("air_temp"))
        xml.number("airtemperature", *air + kZeroCelsius, 2);
    if (const QTime si = TimeIn(dive.text(F::txtSI)); si.isValid()) {
        xml.open("surfaceintervalbeforedive");
        xml.integer("passedtime", si.hour() * 3600 + si.minute() * 60);
        xml.close();
    }
    if (const auto weight = amount("weight")) {
        xml.open("equipmentused");
        xml.number("leadquantity", *weight, 3);
        xml.close();
    }
    xml.close();

    const QVariant airType = column("air_type");
    const auto volume = amount("tank_capa"), begin = amount("start_tank_bar"), end = amount("end_tank_bar");
    if (!airType.isNull() || volume || begin || end) {
        xml.open("tankdata");
        if (!airType.isNull() && airType.toLongLong() >= 0 && airType.toLongLong() < gAirTypes.size())
            w.link(QStringLiteral("mix_%1").arg(airType.toLongLong()));
        if (volume)
            xml.number("tankvolume", *volume / 1000, 6);
        if (begin)
            xml.number("tankpressurebegin", *begin * kPascalPerBar, 0);
        if (end)
            xml.number("tankpressureend", *end * kPascalPerBar, 0);
        xml.close();
    }

    // The profile: from the surface, through the samples spread over the dive, back up.
    const double duration = double(CLng(dive.text(F::txtUWTime)).value_or(0)) * 60;
    const QList<float> depths = SplitNumbers(dive.depthSeries());
    const QList<float> temperatures = SplitNumbers(dive.tempSeries());
    if (!depths.isEmpty()) {
        std::map<double, std::pair<double, std::optional<double>>> points;  // seconds: depth, temperature
        for (qsizetype i = 0; i < depths.size(); ++i)
            points[SampleSeconds(i, depths.size(), duration)].first = std::max(0.0, double(depths[i]));
        const double last = duration > 0 ? duration : SampleSeconds(depths.size(), depths.size(), 0);
        points[0] = {0, std::nullopt};
        points[last] = {0, std::nullopt};
        // Temperatures at their own times, at the depth the profile has there.
        const auto depthAt = [&](double t) {
            auto after = points.lower_bound(t);
            if (after == points.end())
                return 0.0;
            if (after->first == t || after == points.begin())
                return after->second.first;
            const auto before = std::prev(after);
            return before->second.first
                + (after->second.first - before->second.first) * (t - before->first) / (after->first - before->first);
        };
        for (qsizetype i = 0; i < temperatures.size(); ++i) {
            const double t = SampleSeconds(i, temperatures.size(), duration);
            const double d = depthAt(t);
            points[t] = {d, temperatures[i]};
        }
        xml.open("samples");
        for (const auto& [t, p] : points) {
            xml.openLine("waypoint");
            xml.number("depth", p.first, 2, true);
            xml.number("divetime", t, 1, true);
            if (p.second)
                xml.number("temperature", *p.second + kZeroCelsius, 2, true);
            xml.closeLine("waypoint");
        }
        xml.close();
    }

    xml.open("informationafterdive");
    if (const auto max = amount("max_depth"))
        xml.number("greatestdepth", *max, 2);
    if (const auto avg = amount("avg_depth"))
        xml.number("averagedepth", *avg, 2);
    if (duration > 0)
        xml.number("diveduration", duration, 0);
    std::optional<double> lowest;
    for (const char* water : {"surface_temp", "depth_temp"})
        if (const auto t = number(water))
            lowest = lowest ? std::min(*lowest, *t) : *t;
    if (lowest)
        xml.number("lowesttemperature", *lowest + kZeroCelsius, 2);
    const auto visibility = std::max(amount("max_visibility").value_or(0), amount("min_visibility").value_or(0));
    if (visibility > 0)
        xml.number("visibility", visibility, 1);
    // What UDDF has no element for, as labelled lines after the comment.
    QStringList paras;
    if (const QString comment = dive.text(F::txtComment); !comment.isEmpty())
        paras << comment;
    const std::pair<QString, QString> labelled[] = {
        {tr("エントリー"), dive.text(F::cboEntryType)},
        {tr("天気"), dive.text(F::cboWeather)},
        {tr("スーツ"), dive.text(F::cboSuit)},
        {tr("海況"), dive.text(F::lstCondition)},
        {tr("アイテム"), dive.text(F::lstItem)},
        {tr("透視度"), number("max_transparency").value_or(0) > 0 || number("min_transparency").value_or(0) > 0
                           ? dive.text(F::txtMinTransparency) + QStringLiteral("〜") + dive.text(F::txtMaxTransparency)
                               + QStringLiteral(" m")
                           : QString()},
    };
    for (const auto& [label, text] : labelled)
        if (!text.isEmpty())
            paras << label + QStringLiteral(": ") + text;
    if (!paras.isEmpty()) {
        xml.open("notes");
        for (const QString& para : paras)
            w.element("para", para);
        xml.close();
    }
    xml.close();

    w.stored(stored);
    xml.close();
}
}  // namespace

bool ExportUDDF(const QString& fileName, const ExportChoice& choose, JobProgress* progress, QString* error)
{
    SafeFileWriter file(fileName);
    bool begun = false;
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        file.discard();
        if (begun)
            progress->end();
        return false;
    };
    if (!file.open())
        return fail(file.errorString());

    // Everything is read in one go, before other windows get their turn.
    LogSnapshot log;
    QList<ExportItem> items;
    QStringList columns;
    QHash<qint64, StoredDive> stored;
    QString reason;
    {
        const ReadTransaction readTransaction;
        if (!log.read(choose, &items, &reason))
            return fail(reason);
        if (!readStored(items, &columns, &stored))
            return fail(tr("データベースファイルを読み込めませんでした") + QLatin1Char('\n') + LastDatabaseError());
    }
    if (progress) {
        progress->begin(tr("UDDF出力処理中です . . ."), int(items.size()));
        begun = true;
    }

    const auto text = [&](const StoredDive& d, const char* name) {
        return d.values.value(columns.indexOf(QLatin1String(name))).toString();
    };
    NameIds sites(QStringLiteral("site_")), buddies(QStringLiteral("buddy_"));
    std::vector<bool> airTypesUsed;
    // Dives of one day form one repetition group, the days in the order their first dive comes.
    QHash<QString, int> groupOf;
    std::vector<std::vector<qsizetype>> groups;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const StoredDive& d = stored[items[i].id];
        sites.add(text(d, "location"));
        buddies.add(text(d, "buddy"));
        buddies.add(text(d, "guide"));
        const QVariant air = d.values.value(columns.indexOf(QLatin1String("air_type")));
        if (!air.isNull() && air.toLongLong() >= 0 && air.toLongLong() < gAirTypes.size()) {
            airTypesUsed.resize(std::max(airTypesUsed.size(), size_t(air.toLongLong() + 1)));
            airTypesUsed[size_t(air.toLongLong())] = true;
        }
        const QString day = text(d, "dive_date");
        auto at = groupOf.constFind(day);
        if (at == groupOf.cend()) {
            at = groupOf.insert(day, int(groups.size()));
            groups.emplace_back();
        }
        groups[size_t(*at)].push_back(i);
    }

    UddfWriter w(columns);
    Markup& xml = w.xml();
    const auto flush = [&] {
        const bool written = file.write(xml.bytes);
        xml.bytes.clear();
        return written;
    };
    xml.document();
    xml.open("uddf", {{"xmlns", QString::fromLatin1(kUddfNamespace)},
                      {"xmlns:tw", QString::fromLatin1(kTidewriterNamespace)},
                      {"version", u"3.2.0"}});

    xml.open("generator");
    w.element("name", QStringLiteral("Tidewriter"));
    w.element("version", QStringLiteral(TIDEWRITER_VERSION));
    w.element("datetime", QDateTime::currentDateTime().toString(Qt::ISODate));
    w.element("type", QStringLiteral("logbook"));
    xml.close();

    xml.open("diver");
    xml.empty("owner", {{"id", u"owner"}});
    for (const QString& name : buddies.names()) {
        xml.open("buddy", {{"id", buddies.id(name)}});
        xml.open("personal");
        w.element("lastname", name);
        xml.close();
        xml.close();
    }
    xml.close();

    if (!sites.names().isEmpty()) {
        xml.open("divesite");
        for (const QString& name : sites.names()) {
            xml.open("site", {{"id", sites.id(name)}});
            w.element("name", name);
            xml.close();
        }
        xml.close();
    }

    if (std::find(airTypesUsed.begin(), airTypesUsed.end(), true) != airTypesUsed.end()) {
        xml.open("gasdefinitions");
        for (size_t a = 0; a < airTypesUsed.size(); ++a) {
            if (!airTypesUsed[a])
                continue;
            xml.open("mix", {{"id", QStringLiteral("mix_%1").arg(a)}});
            w.element("name", gAirTypes[qsizetype(a)]);
            if (const auto o2 = oxygenOf(gAirTypes[qsizetype(a)])) {
                xml.number("o2", *o2, 4);
                xml.number("n2", 1 - *o2, 4);
            }
            xml.close();
        }
        xml.close();
    }

    xml.open("profiledata");
    DiveTexts dive(log.context());
    int done = 0;
    bool stopped = false;
    std::optional<ReadTransaction> lookUps;  // between two steps that let other windows run
    for (size_t g = 0; g < groups.size() && !stopped; ++g) {
        xml.open("repetitiongroup", {{"id", QStringLiteral("group_%1").arg(g + 1)}});
        for (const qsizetype i : groups[g]) {
            if (progress) {
                lookUps.reset();
                if (progress->stepAndAskStop(++done, int(items.size()))) {
                    MsgBox(tr("出力を中断します"), MsgIcon::Exclamation);
                    stopped = true;
                    break;
                }
            }
            {
                const LogSnapshot::Lend lend(log);
                if (!lookUps)
                    lookUps.emplace();
                log.load(dive, items[i]);
            }
            writeDive(w, items[i], stored.value(items[i].id), columns, dive, sites, buddies);
            if (!flush())
                return fail(file.errorString());
        }
        xml.close();
    }
    lookUps.reset();
    xml.close();
    xml.close();
    xml.end();
    if (!flush() || !file.commit())
        return fail(file.errorString());
    if (begun)
        progress->end();
    return true;
}

bool ExportUDDF(const QString& fileName, const QList<ExportItem>& items, JobProgress* progress, QString* error)
{
    return ExportUDDF(fileName, ChosenItems(items), progress, error);
}
