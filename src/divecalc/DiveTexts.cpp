#include "DiveTexts.h"

#include "Database.h"
#include "DiveContext.h"
#include "Globals.h"
#include "modDiveCalc.h"
#include "modSubroutines.h"
#include "TextReaders.h"
#include "modSupport.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

using F = DiveTexts::Field;
constexpr F kInTime = F::txtInTime, kOutTime = F::txtOutTime, kUWTime = F::txtUWTime, kAvgDepth = F::txtAvgDepth,
            kMaxDepth = F::txtMaxDepth, kTankCapa = F::txtTankCapa, kStartBar = F::txtStartTankBar,
            kEndBar = F::txtEndTankBar, kRnt = F::txtRnt, kAbt = F::txtAbt, kTbt = F::txtTbt, kDate = F::dtpDate;

// What a number box "reads as": its number, or 0 when it holds none.
double readsAs(const QString& text)
{
    return NumberIn(text).value_or(0.0);
}

QString shortTime(const QTime& t)
{
    return t.toString(QStringLiteral("HH:mm"));
}

// Tank pressures: up to 15 significant digits, never in exponent form, which no number
// reader of the program takes back.
QString plainNumber(double v)
{
    QString s = QString::number(v, 'g', 15);
    if (!s.contains(QLatin1Char('e')))
        return s;
    const int decimals = std::max(0, 14 - int(std::floor(std::log10(std::fabs(v)))));
    s = QString::number(v, 'f', decimals);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s;
}

const QStringList& lookupList(F field)
{
    static const QStringList none;
    switch (field) {
    case F::cboEntryType: return gEntryTypes;
    case F::cboWeather: return gWeathers;
    case F::cboSuit: return gSuits;
    case F::cboTankMat: return gTankMats;
    case F::cboAirType: return gAirTypes;
    case F::lstCondition: return gConditions;
    case F::lstItem: return gItems;
    default: return none;
    }
}

}  // namespace

const QStringList& DiveTexts::controls()
{
    static const QStringList names = [] {
        QStringList l;
        for (int i = 0; i < int(Field::Count); ++i)
            l << DiveFields::name(Field(i));
        return l;
    }();
    return names;
}

std::optional<DiveTexts::Field> DiveTexts::fieldOf(const QString& control)
{
    static const QHash<QString, Field> fields = [] {
        QHash<QString, Field> h;
        for (int i = 0; i < controls().size(); ++i)
            h.insert(controls().at(i), Field(i));
        return h;
    }();
    const auto it = fields.constFind(control);
    return it == fields.cend() ? std::nullopt : std::optional<Field>(*it);
}

namespace {
QStringList controlsOfKind(RecordField::Kind kind)
{
    QStringList names;
    for (const RecordField& f : DiveFields::all())
        if (f.kind == kind)
            names << QLatin1String(f.control);
    return names;
}
}  // namespace

const QStringList& DiveTexts::listControls()
{
    static const QStringList names = controlsOfKind(RecordField::ListIndex);
    return names;
}

const QStringList& DiveTexts::maskControls()
{
    static const QStringList names = controlsOfKind(RecordField::Mask);
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
    for (QString& t : m_texts)
        t.clear();
    static const QString zero = QStringLiteral("0");
    for (const F f : {kRnt, kAbt, kTbt})
        m_texts[size_t(f)] = zero;
    m_otherTexts.clear();
    m_positions.fill(-1);
    m_masks.fill(0);
    m_depthSeries.clear();
    m_tempSeries.clear();
    m_caption.clear();
}

QString DiveTexts::text(const QString& control) const
{
    const auto field = fieldOf(control);
    return field ? text(*field) : m_otherTexts.value(control);
}

void DiveTexts::setText(const QString& control, const QString& text)
{
    if (const auto field = fieldOf(control)) {
        setText(*field, text);
    } else if (m_otherTexts.value(control) != text) {
        m_otherTexts.insert(control, text);
        emit textChanged(control, text);
    }
}

void DiveTexts::setText(Field field, const QString& text)
{
    QString& current = m_texts[size_t(field)];
    if (current == text)
        return;
    current = text;
    emit textChanged(controls().at(int(field)), text);
    changed(field);
}

int DiveTexts::position(const QString& control) const
{
    const auto field = fieldOf(control);
    return field ? m_positions[size_t(*field)] : -1;
}

void DiveTexts::setPosition(const QString& control, int position)
{
    if (const auto field = fieldOf(control))
        setPosition(*field, position);
    else
        setText(control, QString());
}

void DiveTexts::setPosition(Field field, int position)
{
    m_positions[size_t(field)] = position;
    const QStringList& list = lookupList(field);
    setText(field, position >= 0 && position < list.size() ? list.at(position) : QString());
}

long DiveTexts::mask(const QString& control) const
{
    const auto field = fieldOf(control);
    return field ? m_masks[size_t(*field)] : 0;
}

void DiveTexts::setMask(const QString& control, long mask)
{
    if (const auto field = fieldOf(control))
        setMask(*field, mask);
    else
        setText(control, QString());
}

void DiveTexts::setMask(Field field, long mask)
{
    m_masks[size_t(field)] = mask;
    // The ticked entries joined with the ideographic comma, as the exports list them.
    const QStringList& list = lookupList(field);
    QString ticked;
    for (int i = 0; i < list.size() && i < 31; ++i)
        if (mask & (1L << i)) {
            if (!ticked.isEmpty())
                ticked += QChar(0x3001);
            ticked += list.at(i);
        }
    setText(field, ticked);
}

// The recomputations each field feeds.
void DiveTexts::changed(Field control)
{
    if (control == kInTime || control == kOutTime) {
        CalcUWTime();
    } else if (control == kUWTime) {
        if (!m_uwBusy) {
            // The exit time follows a typed underwater time.
            const QTime in = TimeIn(text(kInTime));
            const auto m = NumberIn(text(kUWTime));
            if (in.isValid() && m && *m >= 0 && *m < 1440) {
                if (const auto rounded = RoundToLong(*m)) {
                    const int hours = int(std::floor(*m / 60.0));
                    const int minutes = int(*rounded % 60);
                    setText(kOutTime, shortTime(in.addSecs((hours * 60 + minutes) * 60)));
                }
            }
            // ABT is the underwater time, and TBT follows it.
            setText(kAbt, text(kUWTime));
            const auto rnt = CLng(text(kRnt)), abt = CLng(text(kAbt));
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
    const QTime in = TimeIn(text(kInTime)), out = TimeIn(text(kOutTime));
    const long uw = in.isValid() && out.isValid() ? GetTimeDiff(in, out) : 0;
    if (readsAs(text(kUWTime)) == double(uw))
        return;
    m_uwBusy = true;
    setText(kUWTime, QString::number(uw));
    setText(kAbt, text(kUWTime));
    const auto rnt = CLng(text(kRnt)), abt = CLng(text(kAbt));
    if (rnt && abt)
        setText(kTbt, QString::number(*rnt + *abt));
    m_uwBusy = false;
}

void DiveTexts::CalcAir()
{
    // Every loading step that feeds the air values sees the same underwater time, so the
    // last one decides them: loading works them out once, at its end.
    if (m_loading) {
        m_airPending = true;
        return;
    }
    const auto start = NumberIn(text(kStartBar)), end = NumberIn(text(kEndBar)),
               capa = NumberIn(text(kTankCapa));
    long startAir = 0, endAir = 0;
    if (start && capa)
        startAir = RoundToLong(*start * *capa).value_or(0);
    if (end && capa)
        endAir = RoundToLong(*end * *capa).value_or(0);
    setText(F::txtTankQuant, QString::number(startAir));
    setText(F::txtTankUsed, QString::number(startAir - endAir));

    long air = 0;
    const auto depth = CSng(text(kAvgDepth));
    const auto capaL = CLng(text(kTankCapa)), startL = CLng(text(kStartBar)), endL = CLng(text(kEndBar));
    if (depth && capaL && startL && endL)
        air = GetSurfaceAir(*depth, *capaL, *startL, *endL).value_or(0);
    const F speed = F::txtTankSpeed;
    if (const auto uw = CLng(text(kUWTime)); uw && *uw != 0)
        setText(speed, FormatFixed(double(air) / double(*uw), 1, 1));
    if (text(speed).isEmpty())
        setText(speed, QStringLiteral("0.0"));
}

float DiveTexts::lookUpDepth(bool* ok) const
{
    const F source = readsAs(text(kAvgDepth)) == 0.0 ? kMaxDepth : kAvgDepth;
    const auto d = CSng(text(source));
    *ok = d.has_value();
    return d.value_or(0.0f);
}

void DiveTexts::CalcOutPg()
{
    if (m_loading)
        return;
    const long inPg = GroupFromText(text(F::txtInPG));
    bool depthOk;
    const float depth = lookUpDepth(&depthOk);
    long outPg = 0;
    if (const auto uw = CLng(text(kUWTime)))
        outPg = GetEndPg(inPg, depthOk ? depth : 0.0f, *uw);
    setText(F::txtOutPG, GroupLetter(outPg));
}

QString DiveTexts::storedDate() const
{
    const QDate d = DateIn(text(kDate));
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

QString DiveTexts::storedEntry() const
{
    const QTime t = TimeIn(text(kInTime));
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
        const QTime in = TimeIn(d.inTime), out = TimeIn(d.outTime);
        const long minutes = in.isValid() && out.isValid() ? GetTimeDiff(in, out) : 0;
        const float depth = float(d.avgDepth > 0 ? d.avgDepth : d.maxDepth);
        // Each earlier dive starts from the group its own surface interval leaves.
        const QTime lastOut = TimeIn(previousExit);
        const long gap = lastOut.isValid() && in.isValid() ? GetTimeDiff(lastOut, in) : 0;
        pg = GetSiEndPg(pg, gap);
        pg = GetEndPg(pg, depth, minutes);
        previousExit = d.outTime;
    }
    return pg;
}

void DiveTexts::RecalcAll()
{
    m_caption = text(kDate) + QStringLiteral(" - ") + text(F::cboLocation);
    const QString date = storedDate(), entry = storedEntry();
    if (!date.isEmpty())
        if (const auto n = m_context->diveCountOn(date))
            setText(F::txtTodayTotal, QString::number(*n));
    if (!date.isEmpty() && !entry.isEmpty())
        if (const auto n = m_context->divesBefore(date, entry))
            setText(F::txtTodayNum, QString::number(*n + 1));

    // The cumulative time: the offset (minutes logged before this log), plus the minutes of
    // every earlier dive from its entry to its exit (an exit before the entry runs past
    // midnight; a dive without both times adds nothing), plus this dive's own underwater
    // minutes, 0 while they are unreadable. Earlier dives are those of earlier dates and
    // those of the same date that began before this one; without an entry time only those
    // of earlier dates, without a date none.
    qint64 total = gTimeOffset + CLng(text(kUWTime)).value_or(0);
    if (!date.isEmpty())
        if (const auto earlier = m_context->earlierMinutes(date, entry))
            total += earlier->withinDay.value_or(0) + earlier->pastMidnight.value_or(0);
    const qint64 hours = total >= 0 ? total / 60 : -((-total + 59) / 60);
    const qint64 minutes = total - hours * 60;
    setText(F::txtTotalTime,
            QString::number(hours) + QLatin1Char(':') + QStringLiteral("%1").arg(minutes, 2, 10, QLatin1Char('0')));

    if (text(F::txtTodayNum) != QLatin1String("1")) {
        const F si = F::txtSI;
        if (!date.isEmpty() && !entry.isEmpty())
            if (const auto exit = m_context->previousExit(date, entry))
                if (const QTime out = TimeIn(*exit); out.isValid())
                    setText(si, shortTime(QTime(0, 0).addSecs(out.secsTo(TimeIn(entry)))));
        const QTime siTime = TimeIn(text(si));
        const long siMinutes = siTime.isValid() ? siTime.hour() * 60 + siTime.minute() : 0;
        const long inPg = GetSiEndPg(GetPrevEndPg(), siMinutes);
        setText(F::txtInPG, GroupLetter(inPg));
        bool depthOk;
        const float depth = lookUpDepth(&depthOk);
        setText(kRnt, QString::number(GetRnt(inPg, depthOk ? depth : 0.0f)));
    }
    CalcOutPg();
    const auto rnt = CLng(text(kRnt)), abt = CLng(text(kAbt));
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
    setText(F::txtNo, QString::number(number));
    RecalcAll();
}

namespace {
const char* const textColumns[] = {"dive_date", "location", "buddy", "guide", "in_time", "out_time", "comment",
                                   "depth_transit", "temp_transit"};
const char* const numberColumns[] = {"avg_depth", "max_depth", "air_temp", "surface_temp", "depth_temp",
                                     "min_visibility", "max_visibility", "min_transparency", "max_transparency",
                                     "tank_capa", "weight", "start_tank_bar", "end_tank_bar"};
const char* const wholeColumns[] = {"entry_type", "weather", "suit", "tank_mat", "air_type", "condition", "item"};
}  // namespace

const QString& DiveRow::columns()
{
    static const QString list = [] {
        for (const char* c : textColumns)
            DiveFields::requireColumn(c);
        for (const char* c : numberColumns)
            DiveFields::requireColumn(c);
        for (const char* c : wholeColumns)
            DiveFields::requireColumn(c);
        QStringList names;
        for (const char* c : textColumns)
            names << QLatin1String(c);
        for (const char* c : numberColumns)
            names << QLatin1String(c);
        for (const char* c : wholeColumns)
            names << QLatin1String(c);
        return names.join(QStringLiteral(", "));
    }();
    return list;
}

DiveRow DiveRow::read(const Recordset& row)
{
    // Column positions are found once per set of names, not once per dive.
    static QStringList names;
    static std::array<int, TextCount> texts;
    static std::array<int, NumberCount> numbers;
    static std::array<int, WholeCount> wholes;
    if (row.fieldNames() != names) {
        columns();  // a column name no field has stops here
        names = row.fieldNames();
        const auto at = [&](const char* column) {
            for (int i = 0; i < names.size(); ++i)
                if (names.at(i).compare(QLatin1String(column), Qt::CaseInsensitive) == 0)
                    return i;
            return -1;
        };
        for (int i = 0; i < TextCount; ++i)
            texts[size_t(i)] = at(textColumns[i]);
        for (int i = 0; i < NumberCount; ++i)
            numbers[size_t(i)] = at(numberColumns[i]);
        for (int i = 0; i < WholeCount; ++i)
            wholes[size_t(i)] = at(wholeColumns[i]);
    }
    DiveRow r;
    std::array<QString, TextCount> values;
    qsizetype size = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        const QVariant v = row.field(texts[i]);
        if (v.isNull())
            r.m_nullTexts |= 1u << i;
        else
            values[i] = v.toString();
        if (!std::all_of(values[i].cbegin(), values[i].cend(), [](QChar c) { return c.unicode() < 256; }))
            r.m_wideTexts |= 1u << i;
        size += values[i].size() * (r.m_wideTexts & (1u << i) ? qsizetype(sizeof(QChar)) : 1);
    }
    r.m_block.reserve(size);
    for (size_t i = 0; i < texts.size(); ++i) {
        r.m_ends[i] = quint32(r.m_block.size());
        if (r.m_wideTexts & (1u << i))
            r.m_block.append(reinterpret_cast<const char*>(values[i].constData()),
                             values[i].size() * qsizetype(sizeof(QChar)));
        else
            r.m_block.append(values[i].toLatin1());
    }
    r.m_ends[texts.size()] = quint32(r.m_block.size());
    for (size_t i = 0; i < numbers.size(); ++i) {
        const QVariant v = row.field(numbers[i]);
        if (v.isNull())
            r.m_nullNumbers |= 1u << i;
        else
            r.m_numbers[i] = v.toDouble();
    }
    for (size_t i = 0; i < wholes.size(); ++i) {
        const QVariant v = row.field(wholes[i]);
        if (v.isNull())
            r.m_nullWholes |= 1u << i;
        else
            r.m_wholes[i] = v.toLongLong();
    }
    return r;
}

QString DiveRow::text(Text t) const
{
    if (m_nullTexts & (1u << t))
        return QString();
    const char* const begin = m_block.constData() + m_ends[t];
    const qsizetype bytes = m_ends[t + 1] - m_ends[t];
    if (m_wideTexts & (1u << t)) {
        // Copied out: the block holds no alignment promise for QChar.
        QString s(bytes / qsizetype(sizeof(QChar)), Qt::Uninitialized);
        std::memcpy(s.data(), begin, size_t(bytes));
        return s;
    }
    return QString::fromLatin1(begin, bytes);
}

void DiveTexts::loadRow(const Recordset& row, long number)
{
    loadRow(DiveRow::read(row), number);
}

void DiveTexts::loadRow(const DiveRow& row, long number)
{
    clear();
    // The end group shown after loading is the one RecalcAll works out from all fields;
    // the loading steps would only compute it again and again in between.
    m_loading = true;
    m_airPending = false;
    setText(F::txtNo, QString::number(number));
    auto time = [&](DiveRow::Text column) {
        const QString stored = row.text(column);
        const QTime t = TimeIn(stored);
        return t.isValid() ? shortTime(t) : stored;
    };
    const QDate date = StoredDateIn(row.text(DiveRow::Date));
    setText(kDate, date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : QString());
    setText(F::cboLocation, row.text(DiveRow::Location));
    setText(F::cboBuddy, row.text(DiveRow::Buddy));
    setText(F::cboGuide, row.text(DiveRow::Guide));
    setText(kOutTime, time(DiveRow::OutTime));
    setText(kInTime, time(DiveRow::InTime));
    const std::pair<DiveRow::Number, F> fixed[] = {
        {DiveRow::AvgDepth, kAvgDepth},
        {DiveRow::MaxDepth, kMaxDepth},
        {DiveRow::AirTemp, F::txtAirTemp},
        {DiveRow::SurfaceTemp, F::txtSurfaceTemp},
        {DiveRow::DepthTemp, F::txtDepthTemp},
        {DiveRow::MinVisibility, F::txtMinVisibility},
        {DiveRow::MaxVisibility, F::txtMaxVisibility},
        {DiveRow::MinTransparency, F::txtMinTransparency},
        {DiveRow::MaxTransparency, F::txtMaxTransparency},
        {DiveRow::TankCapa, kTankCapa},
        {DiveRow::Weight, F::txtWeight}};
    for (const auto& [column, control] : fixed)
        setText(control, row.isNull(column) ? QString() : FormatFixed(row.number(column), 1, 1));
    for (const auto& [column, control] : {std::pair{DiveRow::StartTankBar, kStartBar}, std::pair{DiveRow::EndTankBar, kEndBar}})
        setText(control, row.isNull(column) ? QString() : plainNumber(row.number(column)));
    setText(F::txtComment, row.text(DiveRow::Comment));
    const std::pair<DiveRow::Whole, F> lists[] = {{DiveRow::EntryType, F::cboEntryType},
                                                  {DiveRow::Weather, F::cboWeather},
                                                  {DiveRow::Suit, F::cboSuit},
                                                  {DiveRow::TankMat, F::cboTankMat},
                                                  {DiveRow::AirType, F::cboAirType}};
    for (const auto& [column, control] : lists)
        setPosition(control, row.isNull(column) ? -1 : int(row.whole(column)));
    setMask(F::lstCondition, row.isNull(DiveRow::Condition) ? 0 : long(row.whole(DiveRow::Condition)));
    setMask(F::lstItem, row.isNull(DiveRow::Item) ? 0 : long(row.whole(DiveRow::Item)));
    m_depthSeries = row.text(DiveRow::DepthTransit);
    m_tempSeries = row.text(DiveRow::TempTransit);
    m_loading = false;
    if (m_airPending)
        CalcAir();
    RecalcAll();
}
