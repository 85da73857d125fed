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
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modUDDF", text);
}

using F = DiveTexts::Field;

constexpr double kZeroCelsius = 273.15;  // kelvin
constexpr double kPascalPerBar = 100000;

// A number in plain decimal with at most `decimals` places, no trailing zeros.
QString decimal(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

// A text an XML file cannot carry as it is: a CR (read back as LF), a control character, a
// lone surrogate or a non-character.
bool needsEncoding(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if ((c < 0x20 && c != u'\t' && c != u'\n') || c == 0xFFFE || c == 0xFFFF)
            return true;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
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

// Collects what the XML writer writes, for the file a dive at a time: one write per dive
// instead of one per piece of markup.
class Chunks : public QIODevice {
public:
    Chunks() { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    QByteArray bytes;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        bytes.append(data, size);
        return size;
    }
};

class UddfWriter {
public:
    UddfWriter(QIODevice* device, const QStringList& columns) : m_xml(device), m_columns(columns)
    {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(1);
    }

    QXmlStreamWriter& xml() { return m_xml; }

    // A text element; line breaks become LF and what XML cannot carry is left out (our own
    // element keeps the stored text exactly).
    void element(const QString& name, const QString& text)
    {
        m_xml.writeTextElement(name, needsEncoding(text) ? xmlText(text) : text);
    }
    void link(const QString& ref)
    {
        m_xml.writeEmptyElement(QStringLiteral("link"));
        m_xml.writeAttribute(QStringLiteral("ref"), ref);
    }
    // The value of a stored column as our own element; a text the file cannot carry as it is
    // goes in base64 of its UTF-8.
    void value(const char* element, const QString& name, const QVariant& v)
    {
        m_xml.writeStartElement(QString::fromLatin1(kTidewriterNamespace), QString::fromLatin1(element));
        if (!name.isEmpty())
            m_xml.writeAttribute(QStringLiteral("name"), name);
        switch (v.typeId()) {
        case QMetaType::LongLong:
            m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("integer"));
            m_xml.writeCharacters(QString::number(v.toLongLong()));
            break;
        case QMetaType::Double:
            m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("real"));
            m_xml.writeCharacters(QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
            break;
        case QMetaType::QString:
            m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("text"));
            if (needsEncoding(v.toString())) {
                m_xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
                m_xml.writeCharacters(QString::fromLatin1(v.toString().toUtf8().toBase64()));
            } else {
                m_xml.writeCharacters(v.toString());
            }
            break;
        case QMetaType::QByteArray:
            m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("blob"));
            m_xml.writeCharacters(QString::fromLatin1(v.toByteArray().toBase64()));
            break;
        default:
            m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("null"));
        }
        m_xml.writeEndElement();
    }
    void stored(const StoredDive& dive)
    {
        m_xml.writeStartElement(QStringLiteral("applicationdata"));
        m_xml.writeStartElement(QString::fromLatin1(kTidewriterNamespace), QStringLiteral("logtbl"));
        for (qsizetype i = 0; i < m_columns.size(); ++i)
            value("column", m_columns[i], dive.values.value(i));
        for (const auto& [file, title] : dive.pictures) {
            m_xml.writeStartElement(QString::fromLatin1(kTidewriterNamespace), QStringLiteral("picture"));
            value("filename", {}, file);
            value("title", {}, title);
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }

private:
    QXmlStreamWriter m_xml;
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
    QXmlStreamWriter& xml = w.xml();
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
    const auto kelvin = [](double celsius) { return decimal(celsius + kZeroCelsius, 2); };

    xml.writeStartElement(QStringLiteral("dive"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("dive_%1").arg(item.id));

    xml.writeStartElement(QStringLiteral("informationbeforedive"));
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
        w.element(QStringLiteral("datetime"),
                  entry.isValid() ? QDateTime(date, entry).toString(Qt::ISODate) : date.toString(Qt::ISODate));
    w.element(QStringLiteral("divenumber"), QString::number(item.number));
    if (const auto air = number("air_temp"))
        w.element(QStringLiteral("airtemperature"), kelvin(*air));
    if (const QTime si = TimeIn(dive.text(F::txtSI)); si.isValid()) {
        xml.writeStartElement(QStringLiteral("surfaceintervalbeforedive"));
        w.element(QStringLiteral("passedtime"), QString::number(si.hour() * 3600 + si.minute() * 60));
        xml.writeEndElement();
    }
    if (const auto weight = amount("weight")) {
        xml.writeStartElement(QStringLiteral("equipmentused"));
        w.element(QStringLiteral("leadquantity"), decimal(*weight, 3));
        xml.writeEndElement();
    }
    xml.writeEndElement();

    const QVariant airType = column("air_type");
    const auto volume = amount("tank_capa"), begin = amount("start_tank_bar"), end = amount("end_tank_bar");
    if (!airType.isNull() || volume || begin || end) {
        xml.writeStartElement(QStringLiteral("tankdata"));
        if (!airType.isNull() && airType.toLongLong() >= 0 && airType.toLongLong() < gAirTypes.size())
            w.link(QStringLiteral("mix_%1").arg(airType.toLongLong()));
        if (volume)
            w.element(QStringLiteral("tankvolume"), decimal(*volume / 1000, 6));
        if (begin)
            w.element(QStringLiteral("tankpressurebegin"), decimal(*begin * kPascalPerBar, 0));
        if (end)
            w.element(QStringLiteral("tankpressureend"), decimal(*end * kPascalPerBar, 0));
        xml.writeEndElement();
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
        xml.writeStartElement(QStringLiteral("samples"));
        for (const auto& [t, p] : points) {
            xml.writeStartElement(QStringLiteral("waypoint"));
            w.element(QStringLiteral("depth"), decimal(p.first, 2));
            w.element(QStringLiteral("divetime"), decimal(t, 1));
            if (p.second)
                w.element(QStringLiteral("temperature"), kelvin(*p.second));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }

    xml.writeStartElement(QStringLiteral("informationafterdive"));
    if (const auto max = amount("max_depth"))
        w.element(QStringLiteral("greatestdepth"), decimal(*max, 2));
    if (const auto avg = amount("avg_depth"))
        w.element(QStringLiteral("averagedepth"), decimal(*avg, 2));
    if (duration > 0)
        w.element(QStringLiteral("diveduration"), decimal(duration, 0));
    std::optional<double> lowest;
    for (const char* water : {"surface_temp", "depth_temp"})
        if (const auto t = number(water))
            lowest = lowest ? std::min(*lowest, *t) : *t;
    if (lowest)
        w.element(QStringLiteral("lowesttemperature"), kelvin(*lowest));
    const auto visibility = std::max(amount("max_visibility").value_or(0), amount("min_visibility").value_or(0));
    if (visibility > 0)
        w.element(QStringLiteral("visibility"), decimal(visibility, 1));
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
        xml.writeStartElement(QStringLiteral("notes"));
        for (const QString& para : paras)
            w.element(QStringLiteral("para"), para);
        xml.writeEndElement();
    }
    xml.writeEndElement();

    w.stored(stored);
    xml.writeEndElement();
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

    Chunks chunks;
    const auto flush = [&] {
        const bool written = file.write(chunks.bytes);
        chunks.bytes.clear();
        return written;
    };
    UddfWriter w(&chunks, columns);
    QXmlStreamWriter& xml = w.xml();
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QString::fromLatin1(kUddfNamespace));
    xml.writeNamespace(QString::fromLatin1(kTidewriterNamespace), QStringLiteral("tw"));
    xml.writeStartElement(QString::fromLatin1(kUddfNamespace), QStringLiteral("uddf"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("3.2.0"));

    xml.writeStartElement(QStringLiteral("generator"));
    w.element(QStringLiteral("name"), QStringLiteral("Tidewriter"));
    w.element(QStringLiteral("version"), QStringLiteral(TIDEWRITER_VERSION));
    w.element(QStringLiteral("datetime"), QDateTime::currentDateTime().toString(Qt::ISODate));
    w.element(QStringLiteral("type"), QStringLiteral("logbook"));
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("diver"));
    xml.writeEmptyElement(QStringLiteral("owner"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("owner"));
    for (const QString& name : buddies.names()) {
        xml.writeStartElement(QStringLiteral("buddy"));
        xml.writeAttribute(QStringLiteral("id"), buddies.id(name));
        xml.writeStartElement(QStringLiteral("personal"));
        w.element(QStringLiteral("lastname"), name);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();

    if (!sites.names().isEmpty()) {
        xml.writeStartElement(QStringLiteral("divesite"));
        for (const QString& name : sites.names()) {
            xml.writeStartElement(QStringLiteral("site"));
            xml.writeAttribute(QStringLiteral("id"), sites.id(name));
            w.element(QStringLiteral("name"), name);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }

    if (std::find(airTypesUsed.begin(), airTypesUsed.end(), true) != airTypesUsed.end()) {
        xml.writeStartElement(QStringLiteral("gasdefinitions"));
        for (size_t a = 0; a < airTypesUsed.size(); ++a) {
            if (!airTypesUsed[a])
                continue;
            xml.writeStartElement(QStringLiteral("mix"));
            xml.writeAttribute(QStringLiteral("id"), QStringLiteral("mix_%1").arg(a));
            w.element(QStringLiteral("name"), gAirTypes[qsizetype(a)]);
            if (const auto o2 = oxygenOf(gAirTypes[qsizetype(a)])) {
                w.element(QStringLiteral("o2"), decimal(*o2, 4));
                w.element(QStringLiteral("n2"), decimal(1 - *o2, 4));
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }

    xml.writeStartElement(QStringLiteral("profiledata"));
    DiveTexts dive(log.context());
    int done = 0;
    bool stopped = false;
    std::optional<ReadTransaction> lookUps;  // between two steps that let other windows run
    for (size_t g = 0; g < groups.size() && !stopped; ++g) {
        xml.writeStartElement(QStringLiteral("repetitiongroup"));
        xml.writeAttribute(QStringLiteral("id"), QStringLiteral("group_%1").arg(g + 1));
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
        xml.writeEndElement();
    }
    lookUps.reset();
    xml.writeEndDocument();
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
