#include "UddfImport.h"

#include "Database.h"
#include "Globals.h"
#include "LogOperations.h"
#include "modSubroutines.h"
#include "modSupport.h"
#include "modUDDF.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <thread>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("UddfImport", text);
}

constexpr double kZeroCelsius = 273.15;
constexpr double kPascalPerBar = 100000;
constexpr double kLongestDive = 24 * 3600;  // seconds

// A number as XML files write it: blanks around, a sign, an exponent; the C locale whatever
// the user's. Nothing for anything else, infinities included.
std::optional<double> ParseNumber(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u'+'))
        text = text.mid(1);  // from_chars takes no plus sign
    char ascii[64];
    if (text.size() >= qsizetype(sizeof ascii)) {  // written with needless digits
        bool ok = false;
        const double v = text.toString().toDouble(&ok);
        return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
    }
    if (text.isEmpty() || text.startsWith(u'+'))
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() >= 0x80)
            return std::nullopt;
        ascii[i] = char(text[i].unicode());
    }
    double v = 0;
    const char* end = ascii + text.size();
    const auto [stop, ec] = std::from_chars(ascii, end, v, std::chars_format::general);
    if (ec != std::errc() || stop != end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

struct Point {
    double time = 0;
    std::optional<double> depth, temperature;
};

// A dive as the file gives it, before its links are resolved.
struct FileDive {
    QStringList links;  // sites and buddies, in the file's order
    QString mix;
    QString datetime;
    std::optional<double> airTemp, lead, volume, begin, end, greatest, average, duration, lowest, visibility;
    std::vector<Point> points;
    QStringList paras;
    bool own = false;
    UddfDive stored;
};

struct Mix {
    QString name;
    std::optional<double> o2;
};

// What a file holds: its dives, and the sites, buddies and mixes they link to by id.
struct FileContents {
    QList<FileDive> dives;
    QHash<QString, QString> sites, buddies;
    QHash<QString, Mix> mixes;
};

class Reader : public FileContents {
public:
    explicit Reader(QIODevice* device) : m_xml(device) {}

    // False with the problem and its line.
    bool read(QString* problem);
    QXmlStreamReader::Error xmlError() const { return m_xml.error(); }
    // Where the last dive read ended (in characters), and the elements it was inside.
    qint64 afterLastDive = -1;
    QStringList pathAfterLastDive;
    // Whether an element outside the dives, the root aside, declares a namespace.
    bool declaresBelowRoot = false;

private:
    bool fail(const QString& what)
    {
        if (m_problem.isEmpty())
            m_problem = tr("%1 行目: %2").arg(m_xml.lineNumber()).arg(what);
        return false;
    }
    // The text of the element just begun, up to its end; child elements are skipped. The
    // buffer is reused, so that reading a number costs no allocation.
    const QString& leaf()
    {
        m_text.resize(0);
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::Characters || token == QXmlStreamReader::EntityReference)
                m_text += m_xml.text();
            else if (token == QXmlStreamReader::StartElement)
                m_xml.skipCurrentElement();
            else if (token == QXmlStreamReader::EndElement)
                break;
        }
        return m_text;
    }
    // The element's number, in the unit written; blanks around and exponents allowed.
    std::optional<double> number(QLatin1String what)
    {
        const QString& text = leaf();
        if (const std::optional<double> v = ParseNumber(text))
            return v;
        if (!m_xml.hasError())
            fail(tr("%1 の値「%2」は数値として読めません").arg(what, text));
        return std::nullopt;
    }
    bool nonNegative(const std::optional<double>& v, QLatin1String what)
    {
        return !v || *v >= 0 || fail(tr("%1 が負の値です（%2）").arg(what).arg(*v));
    }
    bool readDive(FileDive& dive);
    bool readOwn(FileDive& dive);
    QVariant ownValue();

    QXmlStreamReader m_xml;
    QString m_problem;
    QString m_text;
    QStringList m_columnNames;
};

bool Reader::read(QString* problem)
{
    if (!m_xml.readNextStartElement() || m_xml.name() != QLatin1String("uddf")) {
        if (!m_xml.hasError())
            fail(tr("UDDF ファイルではありません"));
    }
    QStringList path;  // open elements inside uddf
    QString owner;     // id of the buddy, site or mix being read
    while (m_problem.isEmpty() && !m_xml.atEnd()) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (!path.isEmpty())
                path.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = m_xml.name().toString();
        const QString parent = path.value(path.size() - 1);
        declaresBelowRoot = declaresBelowRoot || !m_xml.namespaceDeclarations().isEmpty();
        if (name == QLatin1String("dive") && path.contains(QLatin1String("profiledata"))) {
            dives.append(FileDive());
            if (!readDive(dives.last()))
                break;
            afterLastDive = m_xml.characterOffset();
            pathAfterLastDive = path;
            continue;
        }
        if ((name == QLatin1String("buddy") && parent == QLatin1String("diver"))
            || (name == QLatin1String("site") && parent == QLatin1String("divesite"))
            || (name == QLatin1String("mix") && parent == QLatin1String("gasdefinitions")))
            owner = m_xml.attributes().value(QLatin1String("id")).toString();
        if (path.contains(QLatin1String("buddy")) && path.contains(QLatin1String("personal"))
            && (name == QLatin1String("firstname") || name == QLatin1String("middlename")
                || name == QLatin1String("lastname"))) {
            QString& full = buddies[owner];
            full = (full + QLatin1Char(' ') + m_xml.readElementText(QXmlStreamReader::SkipChildElements)).trimmed();
            continue;
        }
        if (name == QLatin1String("name") && parent == QLatin1String("site")) {
            sites[owner] = m_xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            continue;
        }
        if (parent == QLatin1String("mix") && (name == QLatin1String("name") || name == QLatin1String("o2"))) {
            if (name == QLatin1String("name"))
                mixes[owner].name = m_xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            else if (!(mixes[owner].o2 = number(QLatin1String("o2"))))
                break;
            continue;
        }
        path << name;
    }
    if (m_xml.hasError() && m_problem.isEmpty())
        m_problem = tr("%1 行目: XML として読めません（%2）").arg(m_xml.lineNumber()).arg(m_xml.errorString());
    *problem = m_problem;
    return m_problem.isEmpty();
}

bool Reader::readDive(FileDive& dive)
{
    // The open elements inside the dive, as far as the reading cares.
    enum class Tag : quint8 { Other, BeforeDive, Equipment, TankData, Samples, Waypoint, AfterDive, Notes };
    std::vector<Tag> path;
    const auto inside = [&](Tag tag) { return std::find(path.begin(), path.end(), tag) != path.end(); };
    Point point;
    while (!m_xml.atEnd()) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (path.empty()) {
                // Our own dives come back from their stored row; their waypoints are not kept.
                if (dive.own)
                    dive.points = std::vector<Point>();
                return true;  // the dive's own end
            }
            if (path.back() == Tag::Waypoint)
                dive.points.push_back(point);
            path.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        // The name is the reader's until its next token: compared here, never kept.
        const QStringView name = m_xml.name();
        const Tag parent = path.empty() ? Tag::Other : path.back();
        const auto take = [&](std::optional<double>& into, const char* what, bool positive = true) {
            into = number(QLatin1String(what));
            return into && (!positive || nonNegative(into, QLatin1String(what)));
        };
        bool ok = true;
        if (parent == Tag::Waypoint && name == u"divetime") {
            std::optional<double> t;
            ok = take(t, "divetime");
            point.time = t.value_or(0);
        } else if (parent == Tag::Waypoint && name == u"depth") {
            ok = take(point.depth, "depth");
        } else if (parent == Tag::Waypoint && name == u"temperature") {
            ok = take(point.temperature, "temperature", false);
        } else if (name == u"waypoint") {
            point = {};
            path.push_back(Tag::Waypoint);
        } else if (name == u"link") {
            const QString ref = m_xml.attributes().value(QLatin1String("ref")).toString();
            if (inside(Tag::TankData))
                dive.mix = ref;
            else if (!inside(Tag::Samples))
                dive.links << ref;
            m_xml.skipCurrentElement();
        } else if (name == u"logtbl" && m_xml.namespaceUri() == QLatin1String(kTidewriterNamespace)) {
            ok = readOwn(dive);
        } else if (parent == Tag::BeforeDive && name == u"datetime") {
            dive.datetime = leaf().trimmed();
        } else if (parent == Tag::BeforeDive && name == u"airtemperature") {
            ok = take(dive.airTemp, "airtemperature", false);
        } else if (parent == Tag::Equipment && name == u"leadquantity") {
            ok = take(dive.lead, "leadquantity");
        } else if (inside(Tag::TankData) && name == u"tankvolume") {
            ok = take(dive.volume, "tankvolume");
        } else if (inside(Tag::TankData) && name == u"tankpressurebegin") {
            ok = take(dive.begin, "tankpressurebegin");
        } else if (inside(Tag::TankData) && name == u"tankpressureend") {
            ok = take(dive.end, "tankpressureend");
        } else if (parent == Tag::AfterDive && name == u"greatestdepth") {
            ok = take(dive.greatest, "greatestdepth");
        } else if (parent == Tag::AfterDive && name == u"averagedepth") {
            ok = take(dive.average, "averagedepth");
        } else if (parent == Tag::AfterDive && name == u"diveduration") {
            ok = take(dive.duration, "diveduration")
                && (*dive.duration <= kLongestDive || fail(tr("潜水時間が 1 日を超えています（%1 秒）").arg(*dive.duration)));
        } else if (parent == Tag::AfterDive && name == u"lowesttemperature") {
            ok = take(dive.lowest, "lowesttemperature", false);
        } else if (parent == Tag::AfterDive && name == u"visibility") {
            ok = take(dive.visibility, "visibility");
        } else if (parent == Tag::Notes && name == u"para" && inside(Tag::AfterDive)) {
            dive.paras << m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else {
            path.push_back(name == u"informationbeforedive" ? Tag::BeforeDive
                           : name == u"equipmentused"       ? Tag::Equipment
                           : name == u"tankdata"            ? Tag::TankData
                           : name == u"samples"             ? Tag::Samples
                           : name == u"informationafterdive" ? Tag::AfterDive
                           : name == u"notes"               ? Tag::Notes
                                                            : Tag::Other);
        }
        if (!ok || !m_problem.isEmpty())
            return false;
    }
    return false;
}

QVariant Reader::ownValue()
{
    const QXmlStreamAttributes a = m_xml.attributes();  // holds its texts past the next token
    const QStringView type = a.value(QLatin1String("type"));
    const bool base64 = a.value(QLatin1String("encoding")) == QLatin1String("base64");
    const QString& text = leaf();
    bool ok = true;
    QVariant v;
    if (type == QLatin1String("integer"))
        v = QStringView(text).trimmed().toLongLong(&ok);
    else if (type == QLatin1String("real"))
        v = QStringView(text).toDouble(&ok);
    else if (type == QLatin1String("text"))
        v = base64 ? QString::fromUtf8(QByteArray::fromBase64(text.toLatin1()))
                   : QString(text.constData(), text.size());  // a copy of its own, never Null
    else if (type == QLatin1String("blob"))
        v = QByteArray::fromBase64(text.toLatin1());
    else if (type != QLatin1String("null"))
        ok = false;
    if (!ok)
        fail(tr("値「%1」（%2）が読めません").arg(text, type));
    return v;
}

bool Reader::readOwn(FileDive& dive)
{
    dive.own = true;
    QList<std::pair<QString, QVariant>>& columns = dive.stored.columns;
    columns.reserve(m_columnNames.size());
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == QLatin1String("column")) {
            // The names of one file's dives repeat: the previous dive's strings are shared.
            const QXmlStreamAttributes attributes = m_xml.attributes();
            const QStringView name = attributes.value(QLatin1String("name"));
            const qsizetype i = columns.size();
            if (i >= m_columnNames.size())
                m_columnNames.append(name.toString());
            else if (m_columnNames[i] != name)
                m_columnNames[i] = name.toString();
            columns.append({m_columnNames[i], ownValue()});
        } else if (m_xml.name() == QLatin1String("picture")) {
            QVariant file, title;
            while (m_xml.readNextStartElement())
                (m_xml.name() == QLatin1String("filename") ? file : title) = ownValue();
            dive.stored.pictures.append({file, title});
        } else {
            m_xml.skipCurrentElement();
        }
        if (!m_problem.isEmpty())
            return false;
    }
    return true;
}

// The samples of a profile, rounded to a tenth, as the log's series text; none is Null.
QVariant seriesText(const QList<double>& values)
{
    QStringList texts;
    for (const double v : values)
        texts << SingleToText(float(std::round(v * 10) / 10));
    return texts.isEmpty() ? QVariant() : QVariant(texts.join(QLatin1Char(' ')));
}

QVariant orNull(const std::optional<double>& v)
{
    return v ? QVariant(*v) : QVariant();
}

// The log's air type for a mix: its name among the air types, else its oxygen.
QVariant airTypeOf(const Mix& mix)
{
    if (const qsizetype at = gAirTypes.indexOf(mix.name); at >= 0)
        return qlonglong(at);
    if (!mix.o2)
        return {};
    for (qsizetype i = 0; i < gAirTypes.size(); ++i) {
        const QString& t = gAirTypes[i];
        const bool air = t.contains(QStringLiteral("空気"));
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*[%％]")).match(t);
        if ((air && std::abs(*mix.o2 - 0.21) < 0.005)
            || (m.hasMatch() && std::abs(m.captured(1).toDouble() / 100 - *mix.o2) < 0.005))
            return qlonglong(i);
    }
    return {};
}

// A dive of another program as the log's columns.
bool mapDive(const FileDive& d, const FileContents& file, UddfDive* dive, QString* problem)
{
    QList<std::pair<QString, QVariant>>& c = dive->columns;
    static const QRegularExpression when(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[T ](\\d{2}):(\\d{2})(?::(\\d{2}))?)?"));
    const QRegularExpressionMatch m = when.match(d.datetime);
    QDate date;
    QTime entry;
    if (m.hasMatch()) {
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (m.capturedLength(4))
            entry = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    }
    if (!d.datetime.isEmpty() && (!date.isValid() || (m.capturedLength(4) && !entry.isValid()))) {
        *problem = tr("日時「%1」が読めません").arg(d.datetime);
        return false;
    }
    if (date.isValid() && date.year() < 1900) {
        *problem = tr("日付 %1 は 1900 年より前です").arg(date.toString(Qt::ISODate));
        return false;
    }
    // Waypoints by time; of two at one time the later in the file counts.
    QList<std::pair<double, double>> depths, temperatures;
    for (const Point& p : d.points) {
        if (p.depth)
            depths.append({p.time, *p.depth});
        if (p.temperature)
            temperatures.append({p.time, *p.temperature - kZeroCelsius});
    }
    double last = 0;
    for (const Point& p : d.points)
        last = std::max(last, p.time);
    const double duration = d.duration.value_or(last);
    if (duration > kLongestDive) {
        *problem = tr("潜水時間が 1 日を超えています（%1 秒）").arg(duration);
        return false;
    }
    c.append({QStringLiteral("dive_date"), date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant()});
    c.append({QStringLiteral("in_time"), entry.isValid() ? QVariant(entry.toString(QStringLiteral("HH:mm"))) : QVariant()});
    c.append({QStringLiteral("out_time"), entry.isValid() && duration > 0
                                              ? QVariant(entry.addSecs(qint64(duration)).toString(QStringLiteral("HH:mm")))
                                              : QVariant()});

    QString location;
    QStringList people;
    for (const QString& ref : d.links) {
        if (file.sites.contains(ref) && location.isEmpty())
            location = file.sites.value(ref);
        else if (file.buddies.contains(ref) && !file.buddies.value(ref).isEmpty())
            people << file.buddies.value(ref);
    }
    c.append({QStringLiteral("location"), location.isEmpty() ? QVariant() : QVariant(location)});
    c.append({QStringLiteral("buddy"), people.size() > 0 ? QVariant(people[0]) : QVariant()});
    c.append({QStringLiteral("guide"), people.size() > 1 ? QVariant(people[1]) : QVariant()});
    QStringList comment = d.paras;
    for (qsizetype i = 2; i < people.size(); ++i)
        comment << tr("バディ: %1").arg(people[i]);
    c.append({QStringLiteral("comment"),
              comment.isEmpty() ? QVariant() : QVariant(CrLfLines(comment.join(QLatin1Char('\n'))))});

    std::optional<double> greatest = d.greatest, average = d.average;
    if (!depths.isEmpty()) {
        std::stable_sort(depths.begin(), depths.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        if (!greatest)
            for (const auto& p : depths)
                greatest = std::max(greatest.value_or(0), p.second);
        if (!average && depths.last().first > depths.first().first) {
            double area = 0;
            for (qsizetype i = 1; i < depths.size(); ++i)
                area += (depths[i].first - depths[i - 1].first) * (depths[i].second + depths[i - 1].second) / 2;
            average = area / (depths.last().first - depths.first().first);
        }
    }
    const auto tenth = [](const std::optional<double>& v) {
        return v ? QVariant(std::round(*v * 10) / 10) : QVariant();
    };
    c.append({QStringLiteral("max_depth"), tenth(greatest)});
    c.append({QStringLiteral("avg_depth"), tenth(average)});
    c.append({QStringLiteral("depth_transit"), seriesText(ResampleProfile(depths, duration))});
    c.append({QStringLiteral("temp_transit"), seriesText(ResampleProfile(temperatures, duration))});

    std::optional<double> highest, lowest;
    if (d.lowest)
        lowest = *d.lowest - kZeroCelsius;
    for (const auto& t : temperatures) {
        highest = std::max(highest.value_or(t.second), t.second);
        if (!d.lowest)
            lowest = std::min(lowest.value_or(t.second), t.second);
    }
    c.append({QStringLiteral("air_temp"), tenth(d.airTemp ? std::optional(*d.airTemp - kZeroCelsius) : std::nullopt)});
    c.append({QStringLiteral("surface_temp"), tenth(highest)});
    c.append({QStringLiteral("depth_temp"), tenth(lowest)});
    c.append({QStringLiteral("weight"), orNull(d.lead)});
    // UDDF asks for cubic metres; a value above 1 can only be litres.
    c.append({QStringLiteral("tank_capa"), orNull(d.volume ? std::optional(*d.volume > 1 ? *d.volume : *d.volume * 1000)
                                                           : std::nullopt)});
    c.append({QStringLiteral("start_tank_bar"), d.begin ? QVariant(std::round(*d.begin / kPascalPerBar)) : QVariant()});
    c.append({QStringLiteral("end_tank_bar"), d.end ? QVariant(std::round(*d.end / kPascalPerBar)) : QVariant()});
    c.append({QStringLiteral("air_type"), d.mix.isEmpty() ? QVariant() : airTypeOf(file.mixes.value(d.mix))});
    if (d.visibility)
        c.append({QStringLiteral("max_visibility"), tenth(d.visibility)});
    return true;
}
}  // namespace

QVariant UddfDive::column(const QString& name) const
{
    for (const auto& [column, value] : columns)
        if (column == name)
            return value;
    return {};
}

QList<double> ResampleProfile(QList<std::pair<double, double>> points, double durationSeconds)
{
    std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = points.size() - 1; i > 0; --i)
        if (points[i - 1].first == points[i].first)
            points.removeAt(i - 1);
    if (points.isEmpty())
        return {};
    const double duration = durationSeconds > 0 ? durationSeconds : points.last().first;
    const qsizetype n = std::min<qsizetype>(points.size(), std::max<qsizetype>(0, std::lround(duration / 60) - 1));
    QList<double> samples;
    samples.reserve(n);
    qsizetype j = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double t = SampleSeconds(i, n, duration);
        while (j + 1 < points.size() && points[j + 1].first <= t)
            ++j;
        if (t <= points.first().first)
            samples << points.first().second;
        else if (j + 1 >= points.size())
            samples << points.last().second;
        else
            samples << points[j].second
                    + (points[j + 1].second - points[j].second) * (t - points[j].first) / (points[j + 1].first - points[j].first);
    }
    return samples;
}

namespace {
// Whether two open files are one: not so when another program has put a new file in the
// place of the one being read.
bool sameFile(const QFile& a, const QFile& b)
{
    struct stat sa {}, sb {};
    return fstat(a.handle(), &sa) == 0 && fstat(b.handle(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A stretch of a file read as one device, after an opening of our own; it counts the
// characters it gives, as the XML reader counts them (UTF-16 units of UTF-8). Read through
// its own handle, not a mapping: a file cut short meanwhile reads short, it cannot crash.
class FileStretch : public QIODevice {
public:
    FileStretch(const QFile& file, QByteArray opening, qint64 from, qint64 to)
        : m_file(file.fileName()), m_opening(std::move(opening)), m_to(to)
    {
        if (m_file.open(QIODevice::ReadOnly) && sameFile(file, m_file) && m_file.seek(from))
            open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 characters() const { return m_characters; }

protected:
    qint64 readData(char* data, qint64 most) override
    {
        qint64 done = 0;
        if (m_given < m_opening.size()) {
            done = std::min(most, m_opening.size() - m_given);
            std::memcpy(data, m_opening.constData() + m_given, size_t(done));
            m_given += done;
        }
        const qint64 n = m_file.read(data + done, std::min(most - done, m_to - m_file.pos()));
        if (n < 0)
            return done > 0 ? done : -1;
        for (qint64 i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(data[done + i]);
            m_characters += ((b & 0xC0) != 0x80) + (b >= 0xF0);
        }
        // A byte order mark at the file's start is no character to the reader.
        if (m_file.pos() - n == 0 && QByteArrayView(data + done, n).startsWith("\xEF\xBB\xBF"))
            --m_characters;
        return done + n;
    }
    qint64 bytesAvailable() const override
    {
        return QIODevice::bytesAvailable() + (m_opening.size() - m_given) + std::max<qint64>(0, m_to - m_file.pos());
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile m_file;
    QByteArray m_opening;
    qint64 m_to;
    qint64 m_given = 0;
    qint64 m_characters = 0;
};

// A file read from two ends at once takes half the time on two cores. Below this the
// second thread is not worth its start.
constexpr qint64 kSplitBytes = 2 * 1024 * 1024;

// Where the first "</dive>" at or after `from` ends, or -1.
qint64 endOfDiveAfter(const QString& path, qint64 from)
{
    constexpr QByteArrayView end("</dive>");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(from))
        return -1;
    QByteArray chunk;
    for (qint64 at = from;;) {
        const QByteArray more = f.read(64 * 1024);
        if (more.isEmpty())
            return -1;
        chunk += more;
        if (const qsizetype found = chunk.indexOf(end); found >= 0)
            return at + found + end.size();
        const qsizetype kept = std::min(chunk.size(), end.size() - 1);  // a match across two reads
        at += chunk.size() - kept;
        chunk = chunk.right(kept);
    }
}

// The start tags a stretch of the file from a dive on needs to be read on its own, and the
// elements (inside the root) that dives are in. Nothing when a split cannot be trusted: a
// file not in UTF-8, with a document type, or with namespaces declared below its root.
std::optional<QByteArray> openingOfDives(const QString& file, QStringList* path)
{
    QFile device(file);
    if (!device.open(QIODevice::ReadOnly))
        return std::nullopt;
    QXmlStreamReader xml(&device);
    QList<QByteArray> open;  // start tags, the root's with its declarations
    path->clear();
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (!xml.documentEncoding().isEmpty() && xml.documentEncoding().compare(u"utf-8", Qt::CaseInsensitive) != 0)
                return std::nullopt;
            break;
        case QXmlStreamReader::DTD:
            return std::nullopt;
        case QXmlStreamReader::StartElement: {
            const bool root = open.isEmpty();
            if (!root && path->contains(QLatin1String("profiledata")) && xml.name() == u"dive")
                return open.join();
            if (!root && !xml.namespaceDeclarations().isEmpty())
                return std::nullopt;
            QByteArray tag = '<' + xml.qualifiedName().toUtf8();
            for (const QXmlStreamNamespaceDeclaration& d : xml.namespaceDeclarations()) {
                QString uri = d.namespaceUri().toString();
                uri.replace(u'&', QLatin1String("&amp;")).replace(u'<', QLatin1String("&lt;")).replace(u'"', QLatin1String("&quot;"));
                tag += " xmlns" + (d.prefix().isEmpty() ? QByteArray() : ':' + d.prefix().toUtf8()) + "=\"" + uri.toUtf8() + '"';
            }
            open << tag + '>';
            if (!root)
                *path << xml.name().toString();
            break;
        }
        case QXmlStreamReader::EndElement:
            open.removeLast();
            if (!path->isEmpty())
                path->removeLast();
            break;
        default:
            break;
        }
    }
    return std::nullopt;
}

// Reads a large file as two halves side by side: the first up to the end of a dive near the
// middle, the second from there after the start tags it is inside. Trusted only when the
// first half really ended with that dive inside the same elements, and the second read
// cleanly with no definitions of its own; otherwise nothing, and the file is read whole.
std::optional<FileContents> readInHalves(const QFile& f, qint64 size)
{
    const QString file = f.fileName();
    QStringList path;
    const std::optional<QByteArray> opening = openingOfDives(file, &path);
    const qint64 split = opening ? endOfDiveAfter(file, size / 2) : -1;
    if (split < 0)
        return std::nullopt;

    FileStretch secondBytes(f, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + *opening, split, size);
    Reader second(&secondBytes);
    bool secondRead = false;
    std::thread other([&] {
        QString problem;
        secondRead = second.read(&problem);
    });
    FileStretch firstBytes(f, {}, 0, split);
    Reader first(&firstBytes);
    QString problem;
    first.read(&problem);
    other.join();
    if (!secondRead || first.xmlError() != QXmlStreamReader::PrematureEndOfDocumentError
        || first.afterLastDive != firstBytes.characters() || first.pathAfterLastDive != path || first.declaresBelowRoot
        || !second.sites.isEmpty() || !second.buddies.isEmpty() || !second.mixes.isEmpty())
        return std::nullopt;
    FileContents contents = std::move(static_cast<FileContents&>(first));
    contents.dives.append(std::move(second.dives));
    return contents;
}
}  // namespace

bool ReadUDDF(const QString& path, QList<UddfDive>* dives, QString* error)
{
    const QString named = QDir::toNativeSeparators(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = tr("ファイル %1 を開けません: %2").arg(named, f.errorString());
        return false;
    }
    // Read as a stream: a file of thousands of dives is never held whole in memory.
    std::optional<FileContents> contents;
    if (const qint64 size = f.size(); size >= kSplitBytes)
        contents = readInHalves(f, size);
    QString problem;
    if (!contents) {
        Reader file(&f);
        if (!file.read(&problem)) {
            *error = tr("ファイル %1 は取り込めません\n%2").arg(named, problem);
            return false;
        }
        contents = std::move(static_cast<FileContents&>(file));
    }
    dives->clear();
    dives->reserve(contents->dives.size());
    for (FileDive& d : contents->dives) {
        UddfDive dive = std::move(d.stored);
        if (!d.own && !mapDive(d, *contents, &dive, &problem)) {
            *error = tr("ファイル %1 は取り込めません\n%2 番目のダイブ: %3").arg(named).arg(dives->size() + 1).arg(problem);
            return false;
        }
        dives->append(std::move(dive));
    }
    return true;
}

bool ImportUDDF(const QString& path, const DuplicateQuestion& duplicate, UddfImportResult* result, QString* error)
{
    *result = {};
    QList<UddfDive> dives;
    if (!ReadUDDF(path, &dives, error))
        return false;
    QStringList tableColumns;
    if (auto rs = OpenQuery(QStringLiteral("PRAGMA table_info(LogTbl)")))
        for (; !rs->eof(); rs->moveNext())
            if (rs->field(1).toString() != QLatin1String("id"))
                tableColumns << rs->field(1).toString();
    const QString failed = tr("データの更新に失敗しました");
    if (tableColumns.isEmpty() || (BackupDatabase(), !gDatabase->beginTrans())) {
        *error = FailureMessage(failed, LastDatabaseFailure());
        return false;
    }
    try {
        const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QStringList insertNames;
        QString insert;
        for (const UddfDive& dive : std::as_const(dives)) {
            const QDate date = QDate::fromString(dive.column(QStringLiteral("dive_date")).toString(), Qt::ISODate);
            const QTime entry = QTime::fromString(dive.column(QStringLiteral("in_time")).toString(), QStringLiteral("HH:mm"));
            if (date.isValid() && entry.isValid() && LogOperations::DiveLoggedAt(date, entry)) {
                const DuplicateChoice choice = duplicate ? duplicate(dive) : DuplicateChoice::Skip;
                if (choice == DuplicateChoice::CancelAll) {
                    gDatabase->rollback();
                    *result = {0, 0, true};
                    return true;
                }
                if (choice == DuplicateChoice::Skip) {
                    ++result->skipped;
                    continue;
                }
            }
            QStringList names;
            QVariantList values;
            for (const auto& [name, value] : dive.columns)
                if (tableColumns.contains(name) && !names.contains(name)) {
                    names << name;
                    values << value;
                }
            for (const char* stamp : {"create_time", "update_time"})
                if (!names.contains(QLatin1String(stamp))) {
                    names << QLatin1String(stamp);
                    values << now;
                }
            // One file's dives mostly share their columns, and so one statement.
            if (names != insertNames) {
                insertNames = names;
                insert = QStringLiteral("INSERT INTO LogTbl (%1) VALUES (%2)")
                             .arg(names.join(QLatin1Char(',')), QStringLiteral("?,").repeated(names.size()).chopped(1));
            }
            ExecuteSQL(insert, values, true);
            const qint64 id = gDatabase->lastInsertId();
            for (const auto& [file, title] : dive.pictures)
                ExecuteSQL(QStringLiteral("INSERT INTO PictureTbl (dive_id, filename, title) VALUES (?, ?, ?)"),
                           {id, file, title}, true);
            ++result->imported;
        }
        if (!gDatabase->commitTrans())
            throw SqlError(gDatabase->lastError(), gDatabase->lastStatement());
        return true;
    } catch (const SqlError& e) {
        *error = FailureMessage(failed, DatabaseFailure(e));
        gDatabase->rollback();
        *result = {};
        return false;
    }
}
