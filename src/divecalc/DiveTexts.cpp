#include "DiveTexts.h"

#include "Database.h"
#include "DiveContext.h"
#include "Globals.h"
#include "modDiveCalc.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QDate>
#include <QTime>
#include <cmath>
#include <optional>

namespace {

const QString kInTime = QStringLiteral("txtInTime"), kOutTime = QStringLiteral("txtOutTime"),
              kUWTime = QStringLiteral("txtUWTime"), kAvgDepth = QStringLiteral("txtAvgDepth"),
              kMaxDepth = QStringLiteral("txtMaxDepth"), kTankCapa = QStringLiteral("txtTankCapa"),
              kStartBar = QStringLiteral("txtStartTankBar"), kEndBar = QStringLiteral("txtEndTankBar"),
              kRnt = QStringLiteral("txtRnt"), kAbt = QStringLiteral("txtAbt"), kTbt = QStringLiteral("txtTbt"),
              kDate = QStringLiteral("dtpDate");

std::optional<double> readNumber(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// A whole number from a double, halves to the even neighbour, within 32 bits.
std::optional<long> toLong(double v)
{
    const double r = std::nearbyint(v);
    if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0)
        return std::nullopt;
    return long(r);
}

std::optional<long> readLong(const QString& text)
{
    const auto v = readNumber(text);
    return v ? toLong(*v) : std::nullopt;
}

// What a number box "reads as": its number, or 0 when it holds none.
double readsAs(const QString& text)
{
    return readNumber(text).value_or(0.0);
}

// Reads one or two digits at i; -1 when there are none.
int twoDigits(QStringView s, qsizetype& i)
{
    int v = -1;
    for (int n = 0; n < 2 && i < s.size() && s[i].isDigit() && s[i].unicode() < 128; ++n, ++i)
        v = (v < 0 ? 0 : v * 10) + (s[i].unicode() - '0');
    return v;
}

// A time of day as the user may type it: 9:05, 09:05 or 09:05:30.
QTime readTime(const QString& text)
{
    const QStringView s = QStringView(text).trimmed();
    qsizetype i = 0;
    const int h = twoDigits(s, i);
    if (h < 0 || i >= s.size() || s[i++] != QLatin1Char(':'))
        return {};
    const int m = twoDigits(s, i);
    int sec = 0;
    if (m >= 0 && i < s.size() && s[i] == QLatin1Char(':')) {
        ++i;
        sec = twoDigits(s, i);
    }
    if (m < 0 || sec < 0 || i != s.size())
        return {};
    return QTime(h, m, sec);
}

// A date in the editor's form yyyy/MM/dd.
QDate readDate(const QString& text)
{
    if (text.size() != 10 || text[4] != QLatin1Char('/') || text[7] != QLatin1Char('/'))
        return {};
    bool y, m, d;
    return QDate(text.left(4).toInt(&y), text.mid(5, 2).toInt(&m), text.mid(8, 2).toInt(&d));
}

QString shortTime(const QTime& t)
{
    return t.toString(QStringLiteral("HH:mm"));
}

QString plainNumber(double v)
{
    return QString::number(v, 'g', 15);
}

QString fixedOne(const QVariant& v)
{
    return v.isNull() ? QString() : FormatFixed(v.toDouble(), 1, 1);
}

const QStringList& lookupList(const QString& control)
{
    static const QHash<QString, QStringList*> lists = {
        {QStringLiteral("cboEntryType"), &gEntryTypes}, {QStringLiteral("cboWeather"), &gWeathers},
        {QStringLiteral("cboSuit"), &gSuits},           {QStringLiteral("cboTankMat"), &gTankMats},
        {QStringLiteral("cboAirType"), &gAirTypes},     {QStringLiteral("lstCondition"), &gConditions},
        {QStringLiteral("lstItem"), &gItems}};
    static const QStringList none;
    const auto it = lists.constFind(control);
    return it == lists.cend() ? none : **it;
}

}  // namespace

const QStringList& DiveTexts::controls()
{
    static const QStringList names = {
        "dtpDate", "cboLocation", "cboBuddy", "cboGuide", "cboEntryType", "txtNo", "txtTotalTime",
        "txtTodayNum", "txtTodayTotal", "txtComment", "cboWeather", "txtAirTemp", "txtSurfaceTemp",
        "txtDepthTemp", "txtMinVisibility", "txtMaxVisibility", "txtMinTransparency", "txtMaxTransparency",
        "lstCondition", "cboSuit", "txtWeight", "cboTankMat", "cboAirType", "txtTankCapa", "txtStartTankBar",
        "txtEndTankBar", "txtTankQuant", "txtTankUsed", "txtTankSpeed", "lstItem", "txtInTime", "txtOutTime",
        "txtUWTime", "txtAvgDepth", "txtMaxDepth", "txtSI", "txtInPG", "txtOutPG", "txtRnt", "txtAbt", "txtTbt"};
    return names;
}

const QStringList& DiveTexts::listControls()
{
    static const QStringList names = {"cboEntryType", "cboWeather", "cboSuit", "cboTankMat", "cboAirType"};
    return names;
}

const QStringList& DiveTexts::maskControls()
{
    static const QStringList names = {"lstCondition", "lstItem"};
    return names;
}

DiveTexts::DiveTexts(DiveContext* context, QObject* parent) : QObject(parent)
{
    setContext(context);
    clear();
}

DiveTexts::~DiveTexts()
{
    delete m_ownContext;
}

void DiveTexts::setContext(DiveContext* context)
{
    if (!context && !m_ownContext)
        m_ownContext = new SqlDiveContext;
    m_context = context ? context : m_ownContext;
}

void DiveTexts::clear()
{
    m_texts.clear();
    for (const QString& c : controls())
        m_texts.insert(c, QString());
    for (const QString& c : {kRnt, kAbt, kTbt})
        m_texts.insert(c, QStringLiteral("0"));
    m_positions.clear();
    m_masks.clear();
    m_depthSeries.clear();
    m_tempSeries.clear();
    m_caption.clear();
}

void DiveTexts::setText(const QString& control, const QString& text)
{
    if (m_texts.value(control) == text)
        return;
    m_texts.insert(control, text);
    emit textChanged(control, text);
    changed(control);
}

void DiveTexts::setPosition(const QString& control, int position)
{
    m_positions.insert(control, position);
    const QStringList& list = lookupList(control);
    setText(control, position >= 0 && position < list.size() ? list.at(position) : QString());
}

void DiveTexts::setMask(const QString& control, long mask)
{
    m_masks.insert(control, mask);
    // The ticked entries joined with the ideographic comma, as the exports list them.
    const QStringList& list = lookupList(control);
    QStringList ticked;
    for (int i = 0; i < list.size() && i < 31; ++i)
        if (mask & (1L << i))
            ticked << list.at(i);
    setText(control, ticked.join(QChar(0x3001)));
}

// The recomputations each field feeds.
void DiveTexts::changed(const QString& control)
{
    if (control == kInTime || control == kOutTime) {
        CalcUWTime();
    } else if (control == kUWTime) {
        if (!m_uwBusy) {
            // The exit time follows a typed underwater time.
            const QTime in = readTime(text(kInTime));
            const auto m = readNumber(text(kUWTime));
            if (in.isValid() && m && *m >= 0 && *m < 1440) {
                if (const auto rounded = toLong(*m)) {
                    const int hours = int(std::floor(*m / 60.0));
                    const int minutes = int(*rounded % 60);
                    setText(kOutTime, shortTime(in.addSecs((hours * 60 + minutes) * 60)));
                }
            }
            // ABT is the underwater time, and TBT follows it.
            setText(kAbt, text(kUWTime));
            const auto rnt = readLong(text(kRnt)), abt = readLong(text(kAbt));
            if (rnt && abt)
                setText(kTbt, QString::number(*rnt + *abt));
        }
        CalcOutPg();
        CalcAir();
    } else if (control == kAvgDepth) {
        CalcOutPg();
        CalcAir();
    } else if (control == kMaxDepth) {
        CalcOutPg();
        if (readsAs(text(kAvgDepth)) == 0.0)
            CalcAir();
    } else if (control == kTankCapa || control == kStartBar || control == kEndBar) {
        CalcAir();
    }
}

void DiveTexts::CalcUWTime()
{
    const QTime in = readTime(text(kInTime)), out = readTime(text(kOutTime));
    const long uw = in.isValid() && out.isValid() ? GetTimeDiff(in, out) : 0;
    if (readsAs(text(kUWTime)) == double(uw))
        return;
    m_uwBusy = true;
    setText(kUWTime, QString::number(uw));
    setText(kAbt, text(kUWTime));
    const auto rnt = readLong(text(kRnt)), abt = readLong(text(kAbt));
    if (rnt && abt)
        setText(kTbt, QString::number(*rnt + *abt));
    m_uwBusy = false;
}

void DiveTexts::CalcAir()
{
    const auto start = readNumber(text(kStartBar)), end = readNumber(text(kEndBar)),
               capa = readNumber(text(kTankCapa));
    long startAir = 0, endAir = 0;
    if (start && capa)
        startAir = toLong(*start * *capa).value_or(0);
    if (end && capa)
        endAir = toLong(*end * *capa).value_or(0);
    setText(QStringLiteral("txtTankQuant"), QString::number(startAir));
    setText(QStringLiteral("txtTankUsed"), QString::number(startAir - endAir));

    long air = 0;
    const auto depth = CSng(text(kAvgDepth));
    const auto capaL = readLong(text(kTankCapa)), startL = readLong(text(kStartBar)), endL = readLong(text(kEndBar));
    if (depth && capaL && startL && endL)
        air = GetSurfaceAir(*depth, *capaL, *startL, *endL).value_or(0);
    const QString speed = QStringLiteral("txtTankSpeed");
    if (const auto uw = readLong(text(kUWTime)); uw && *uw != 0)
        setText(speed, FormatFixed(double(air) / double(*uw), 1, 1));
    if (text(speed).isEmpty())
        setText(speed, QStringLiteral("0.0"));
}

float DiveTexts::lookUpDepth(bool* ok) const
{
    const QString source = readsAs(text(kAvgDepth)) == 0.0 ? kMaxDepth : kAvgDepth;
    const auto d = CSng(text(source));
    *ok = d.has_value();
    return d.value_or(0.0f);
}

void DiveTexts::CalcOutPg()
{
    if (m_loading)
        return;
    const long inPg = GroupFromText(text(QStringLiteral("txtInPG")));
    bool depthOk;
    const float depth = lookUpDepth(&depthOk);
    long outPg = 0;
    if (const auto uw = readLong(text(kUWTime)))
        outPg = GetEndPg(inPg, depthOk ? depth : 0.0f, *uw);
    setText(QStringLiteral("txtOutPG"), GroupLetter(outPg));
}

QString DiveTexts::storedDate() const
{
    const QDate d = readDate(text(kDate));
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

QString DiveTexts::storedEntry() const
{
    const QTime t = readTime(text(kInTime));
    return t.isValid() ? shortTime(t) : QString();
}

long DiveTexts::GetPrevEndPg()
{
    const QString date = storedDate(), entry = storedEntry();
    if (date.isEmpty() || entry.isEmpty())
        return 0;
    long pg = 0;
    QString previousExit;
    for (const EarlierDive& d : m_context->earlierDivesOf(date, entry)) {
        const QTime in = readTime(d.inTime), out = readTime(d.outTime);
        const long minutes = in.isValid() && out.isValid() ? GetTimeDiff(in, out) : 0;
        const float depth = float(d.avgDepth > 0 ? d.avgDepth : d.maxDepth);
        // Each earlier dive starts from the group its own surface interval leaves.
        const QTime lastOut = readTime(previousExit);
        const long gap = lastOut.isValid() && in.isValid() ? GetTimeDiff(lastOut, in) : 0;
        pg = GetSiEndPg(pg, gap);
        pg = GetEndPg(pg, depth, minutes);
        previousExit = d.outTime;
    }
    return pg;
}

void DiveTexts::RecalcAll()
{
    m_caption = text(kDate) + QStringLiteral(" - ") + text(QStringLiteral("cboLocation"));
    const QString date = storedDate(), entry = storedEntry();
    if (!date.isEmpty())
        if (const auto n = m_context->diveCountOn(date))
            setText(QStringLiteral("txtTodayTotal"), QString::number(*n));
    if (!date.isEmpty() && !entry.isEmpty())
        if (const auto n = m_context->divesBefore(date, entry))
            setText(QStringLiteral("txtTodayNum"), QString::number(*n + 1));

    // The cumulative time: the offset (minutes logged before this log), plus the minutes of
    // every earlier dive from its entry to its exit (an exit before the entry runs past
    // midnight; a dive without both times adds nothing), plus this dive's own underwater
    // minutes, 0 while they are unreadable. Earlier dives are those of earlier dates and
    // those of the same date that began before this one; without an entry time only those
    // of earlier dates, without a date none.
    qint64 total = gTimeOffset + readLong(text(kUWTime)).value_or(0);
    if (!date.isEmpty())
        if (const auto earlier = m_context->earlierMinutes(date, entry))
            total += earlier->withinDay.value_or(0) + earlier->pastMidnight.value_or(0);
    const qint64 hours = total >= 0 ? total / 60 : -((-total + 59) / 60);
    const qint64 minutes = total - hours * 60;
    setText(QStringLiteral("txtTotalTime"),
            QString::number(hours) + QLatin1Char(':') + QStringLiteral("%1").arg(minutes, 2, 10, QLatin1Char('0')));

    if (text(QStringLiteral("txtTodayNum")) != QLatin1String("1")) {
        const QString si = QStringLiteral("txtSI");
        if (!date.isEmpty() && !entry.isEmpty())
            if (const auto exit = m_context->previousExit(date, entry))
                if (const QTime out = readTime(*exit); out.isValid())
                    setText(si, shortTime(QTime(0, 0).addSecs(out.secsTo(readTime(entry)))));
        const QTime siTime = readTime(text(si));
        const long siMinutes = siTime.isValid() ? siTime.hour() * 60 + siTime.minute() : 0;
        const long inPg = GetSiEndPg(GetPrevEndPg(), siMinutes);
        setText(QStringLiteral("txtInPG"), GroupLetter(inPg));
        bool depthOk;
        const float depth = lookUpDepth(&depthOk);
        setText(kRnt, QString::number(GetRnt(inPg, depthOk ? depth : 0.0f)));
    }
    CalcOutPg();
    const auto rnt = readLong(text(kRnt)), abt = readLong(text(kAbt));
    if (rnt && abt)
        setText(kTbt, QString::number(*rnt + *abt));
}

bool DiveTexts::load(qint64 id, long number)
{
    auto rs = OpenQuery(QStringLiteral("SELECT * FROM LogTbl WHERE id = ?"), {id});
    if (!rs)
        return false;
    if (rs->eof())
        loadEmpty(number);
    else
        loadRow(*rs, number);
    return true;
}

void DiveTexts::loadEmpty(long number)
{
    clear();
    setText(QStringLiteral("txtNo"), QString::number(number));
    RecalcAll();
}

void DiveTexts::loadRow(const Recordset& row, long number)
{
    clear();
    // The end group shown after loading is the one RecalcAll works out from all fields;
    // the loading steps would only compute it again and again in between.
    m_loading = true;
    setText(QStringLiteral("txtNo"), QString::number(number));
    auto field = [&](const char* column) { return row.field(QString::fromLatin1(column)); };
    auto plain = [&](const char* column) { return field(column).isNull() ? QString() : field(column).toString(); };
    auto time = [&](const char* column) {
        const QString stored = plain(column);
        const QTime t = readTime(stored);
        return t.isValid() ? shortTime(t) : stored;
    };
    const QDate date = QDate::fromString(plain("dive_date"), Qt::ISODate);
    setText(kDate, date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : QString());
    setText(QStringLiteral("cboLocation"), plain("location"));
    setText(QStringLiteral("cboBuddy"), plain("buddy"));
    setText(QStringLiteral("cboGuide"), plain("guide"));
    setText(kOutTime, time("out_time"));
    setText(kInTime, time("in_time"));
    const std::pair<const char*, QString> fixed[] = {
        {"avg_depth", kAvgDepth},
        {"max_depth", kMaxDepth},
        {"air_temp", QStringLiteral("txtAirTemp")},
        {"surface_temp", QStringLiteral("txtSurfaceTemp")},
        {"depth_temp", QStringLiteral("txtDepthTemp")},
        {"min_visibility", QStringLiteral("txtMinVisibility")},
        {"max_visibility", QStringLiteral("txtMaxVisibility")},
        {"min_transparency", QStringLiteral("txtMinTransparency")},
        {"max_transparency", QStringLiteral("txtMaxTransparency")},
        {"tank_capa", kTankCapa},
        {"weight", QStringLiteral("txtWeight")}};
    for (const auto& [column, control] : fixed)
        setText(control, fixedOne(field(column)));
    for (const auto& [column, control] : {std::pair<const char*, QString>{"start_tank_bar", kStartBar}, {"end_tank_bar", kEndBar}})
        setText(control, field(column).isNull() ? QString() : plainNumber(field(column).toDouble()));
    setText(QStringLiteral("txtComment"), plain("comment"));
    const std::pair<const char*, QString> lists[] = {{"entry_type", QStringLiteral("cboEntryType")},
                                                    {"weather", QStringLiteral("cboWeather")},
                                                    {"suit", QStringLiteral("cboSuit")},
                                                    {"tank_mat", QStringLiteral("cboTankMat")},
                                                    {"air_type", QStringLiteral("cboAirType")}};
    for (const auto& [column, control] : lists)
        setPosition(control, field(column).isNull() ? -1 : int(field(column).toLongLong()));
    setMask(QStringLiteral("lstCondition"), field("condition").isNull() ? 0 : long(field("condition").toLongLong()));
    setMask(QStringLiteral("lstItem"), field("item").isNull() ? 0 : long(field("item").toLongLong()));
    m_depthSeries = plain("depth_transit");
    m_tempSeries = plain("temp_transit");
    m_loading = false;
    RecalcAll();
}
