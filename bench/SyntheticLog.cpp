#include "SyntheticLog.h"

#include "Database.h"
#include "Schema.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QVariantList>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Home waters first: the picker favours the front of each list, as a real log does.
const char* const kLocations[] = {
    "大瀬崎", "井田", "黄金崎", "伊豆海洋公園", "富戸", "川奈", "八幡野", "赤沢", "安良里", "田子",
    "雲見", "熱海", "城ヶ島", "館山 坂田", "串本", "白浜 権現崎", "柏島", "八丈島 底土", "三宅島 伊ヶ谷",
    "慶良間 座間味", "慶良間 渡嘉敷", "恩納 真栄田岬", "宮古島 下地島", "石垣島 川平", "西表島 網取湾",
    "与論島", "奄美大島 大島海峡", "屋久島 一湊", "小笠原 父島", "隠岐 西ノ島"};
const char* const kBuddies[] = {
    "田中 健一", "鈴木 美咲", "佐藤 大輔", "高橋 由美", "伊藤 翔太", "渡辺 彩", "山本 拓也",
    "中村 愛", "小林 誠", "加藤 さくら", "吉田 亮", "山田 花子", "松本 直樹", "井上 真由美",
    "木村 隼人", "林 恵", "清水 剛", "山口 千尋", "森 健太", "池田 舞"};
const char* const kGuides[] = {"岡田 浩二", "前田 陽子", "藤田 聡", "石川 修", "長谷川 瞳", "村上 大地",
                               "近藤 美穂", "坂本 隆", "遠藤 葵", "青木 勇気", "西村 早苗", "福田 航"};
const char* const kComments[] = {
    "ウミガメに会えた", "透明度最高", "流れが強かった", "カエルアンコウを発見", "マンタ3枚！",
    "ウミウシ多数", "うねりがあり早めにエキジット", "ドリフトダイブ", "ハンマーヘッドの群れ",
    "水中写真の練習", "中性浮力の練習", "イワシの群れに包まれた", "ダンゴウオを探したが見つからず",
    "寒かった", "ボートが揺れて少し酔った"};

constexpr int kSamples = 60;

class Generator {
public:
    explicit Generator(quint32 seed) : m_rng(seed) {}

    int between(int low, int high) { return int(m_rng.bounded(low, high + 1)); }
    double uniform(double low, double high) { return low + (high - low) * m_rng.generateDouble(); }
    bool chance(double p) { return m_rng.generateDouble() < p; }
    // Index into a list of n, the front ones picked more often.
    int favoured(int n) { return std::min(n - 1, int(n * std::pow(m_rng.generateDouble(), 2.0))); }

private:
    QRandomGenerator m_rng;
};

double oneDecimal(double v)
{
    return std::round(v * 10.0) / 10.0;
}

QString text(const char* s)
{
    return QString::fromUtf8(s);
}

QString hhmm(int minutes)
{
    minutes %= 1440;
    return QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString series(const std::vector<double>& values)
{
    QStringList parts;
    parts.reserve(qsizetype(values.size()));
    for (double v : values)
        parts << QString::number(v, 'f', 1);
    return parts.join(QLatin1Char(' '));
}

struct DiveDay {
    QDate date;
    int dives;
};

// Dive days from newest to oldest until they hold the wanted dives, spaced so that the
// whole log spans the wanted years; returned oldest first.
std::vector<DiveDay> planDays(Generator& g, const SyntheticLogOptions& o)
{
    const int weights[] = {25, 35, 28, 12};  // one to four dives a day
    const double meanPerDay = (1 * 25 + 2 * 35 + 3 * 28 + 4 * 12) / 100.0;
    const double span = double(o.lastDay.addYears(-o.years).daysTo(o.lastDay));
    const double days = std::max(1.0, o.dives / meanPerDay);
    const double meanGap = std::max(1.0, span / days);
    std::vector<DiveDay> plan;
    QDate day = o.lastDay;
    for (int left = o.dives; left > 0;) {
        int pick = g.between(1, 100), n = 1;
        while (pick > weights[n - 1]) {
            pick -= weights[n - 1];
            ++n;
        }
        n = std::min(n, left);
        plan.push_back({day, n});
        left -= n;
        // A gap of at least one day; the fraction is rounded up by chance, so short mean
        // gaps keep their length instead of rounding away.
        const double extra = g.uniform(0.0, 2.0 * (meanGap - 1.0));
        day = day.addDays(-(1 + qint64(extra) + (g.chance(extra - std::floor(extra)) ? 1 : 0)));
    }
    std::reverse(plan.begin(), plan.end());
    return plan;
}

struct Profile {
    std::vector<double> depth, temperature;
    double maxDepth = 0, avgDepth = 0;
};

// Descent, a multilevel bottom phase that gets shallower, the ascent, a safety stop at
// five metres and the surface; the temperature follows the depth.
Profile makeProfile(Generator& g, double deepest, double surfaceTemp, double bottomTemp)
{
    Profile p;
    p.depth.resize(kSamples);
    const int descent = g.between(3, 6), stop = 3, ascent = g.between(5, 8);
    const int bottomEnd = kSamples - 1 - stop - ascent;
    const int deepestAt = g.between(descent, descent + 6);
    p.depth[0] = 0;
    for (int i = 1; i <= descent; ++i)
        p.depth[size_t(i)] = deepest * i / descent * g.uniform(0.85, 1.0);
    for (int i = descent + 1; i < bottomEnd; ++i) {
        const double progress = double(i - descent) / (bottomEnd - descent);
        p.depth[size_t(i)] =
            std::clamp(deepest * (1.0 - 0.55 * progress) + g.uniform(-1.2, 1.2), std::min(5.5, deepest), deepest);
    }
    p.depth[size_t(deepestAt)] = deepest;
    const double from = p.depth[size_t(bottomEnd - 1)];
    for (int i = 0; i < ascent; ++i)
        p.depth[size_t(bottomEnd + i)] = from - (from - 5.0) * (i + 1) / ascent;
    for (int i = 0; i < stop; ++i)
        p.depth[size_t(bottomEnd + ascent + i)] = 5.0 + g.uniform(-0.4, 0.4);
    p.depth[kSamples - 1] = 0;

    double sum = 0;
    p.temperature.resize(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        double& d = p.depth[size_t(i)];
        d = oneDecimal(std::max(0.0, d));
        sum += d;
        p.maxDepth = std::max(p.maxDepth, d);
        p.temperature[size_t(i)] =
            oneDecimal(surfaceTemp - (surfaceTemp - bottomTemp) * d / deepest + g.uniform(-0.1, 0.1));
    }
    p.avgDepth = oneDecimal(sum / kSamples);
    return p;
}

// Sea surface temperature around Japan: coldest in February, warmest in August.
double seaTemperature(const QDate& date)
{
    const double phase = 2.0 * std::numbers::pi * (date.month() - 2) / 12.0;
    return 20.5 - 6.5 * std::cos(phase);
}

// The suit a diver picks for the water: SuitTbl positions from dry suit to spring suit.
int suitFor(double water, Generator& g)
{
    if (water < 16) return 0;
    if (water < 18) return 1;
    if (water < 21) return 2;
    if (water < 24) return 3;
    if (water < 26) return 4;
    return g.chance(0.5) ? 5 : 6;
}

const char kInsert[] =
    "INSERT INTO LogTbl (location, buddy, guide, entry_type, comment, weather, dive_date, in_time, out_time,"
    " avg_depth, max_depth, tank_mat, tank_capa, start_tank_bar, end_tank_bar, suit, air_type, weight, air_temp,"
    " surface_temp, depth_temp, create_time, update_time, depth_transit, min_visibility, max_visibility,"
    " min_transparency, max_transparency, condition, item, temp_transit)"
    " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

bool insertDay(Database& db, Generator& g, const DiveDay& day)
{
    const QString date = day.date.toString(QStringLiteral("yyyy-MM-dd"));
    const QVariant location = text(kLocations[g.favoured(int(std::size(kLocations)))]);
    const QVariant buddy = g.chance(0.85) ? QVariant(text(kBuddies[g.favoured(int(std::size(kBuddies)))])) : QVariant();
    const QVariant guide = g.chance(0.6) ? QVariant(text(kGuides[g.between(0, int(std::size(kGuides)) - 1)])) : QVariant();
    const qlonglong entry = g.chance(0.55) ? 1 : 0;
    const qlonglong weather = g.between(0, 3) + (day.date.month() <= 2 && g.chance(0.05) ? 1 : 0);
    const double sea = seaTemperature(day.date) + g.uniform(-1.5, 1.5);
    const double air = sea - 4.0 + g.uniform(-3.0, 6.0);
    const qlonglong suit = suitFor(sea, g);
    const qlonglong tankMat = g.chance(0.7) ? 0 : 1;
    const double capacity = tankMat == 0 ? (g.chance(0.8) ? 10.0 : 12.0) : (g.chance(0.5) ? 10.0 : 14.0);
    const double weight = oneDecimal((suit == 0 ? 8.0 : 4.0) + g.between(-2, 4) * 0.5);
    const QString logged = date + QStringLiteral(" 21:%1:00").arg(g.between(0, 59), 2, 10, QLatin1Char('0'));

    // Entries in the morning with a surface interval between dives; a day sometimes ends
    // with a night dive, and now and then one that runs past midnight.
    int start = g.between(7 * 60 + 30, 9 * 60 + 30);
    for (int n = 0; n < day.dives; ++n) {
        const int minutes = g.between(30, 70);
        const bool last = n == day.dives - 1;
        if (last && n > 0 && g.chance(0.01))
            start = std::max(start, g.between(23 * 60 + 30, 23 * 60 + 55));
        else if (last && n > 0 && g.chance(0.1))
            start = std::max(start, g.between(18 * 60 + 30, 21 * 60));
        start = std::min(start, 23 * 60 + 59);

        const double deepest = oneDecimal(n == 0 ? g.uniform(14.0, 40.0) : g.uniform(5.0, 25.0));
        const double bottomTemp = sea - g.uniform(0.3, 1.0) - deepest * g.uniform(0.05, 0.15);
        const Profile p = makeProfile(g, deepest, sea, bottomTemp);
        const double startBar = 10.0 * g.between(18, 21);
        const double endBar = 10.0 * g.between(3, 8);
        const double vMin = g.between(3, 15), vMax = vMin + g.between(0, 15);
        const QVariantList values = {
            location, buddy, guide, entry,
            g.chance(0.3) ? QVariant(text(kComments[g.between(0, int(std::size(kComments)) - 1)])) : QVariant(),
            weather, date, hhmm(start), hhmm(start + minutes), p.avgDepth, p.maxDepth, tankMat, capacity,
            startBar, endBar, suit, qlonglong(g.chance(0.8) ? 0 : g.between(1, 2)), weight, oneDecimal(air),
            oneDecimal(sea), oneDecimal(bottomTemp), logged, logged, series(p.depth), vMin, vMax, vMin, vMax,
            qlonglong(g.between(0, 7) & g.between(0, 7)), qlonglong(g.between(0, 511) & g.between(0, 511)),
            series(p.temperature)};
        if (!db.execute(QString::fromLatin1(kInsert), values))
            return false;
        start += minutes + g.between(45, 100);
    }
    return true;
}

}  // namespace

bool AddSyntheticDives(Database& db, const SyntheticLogOptions& options, QString* error)
{
    Generator g(options.seed);
    const std::vector<DiveDay> plan = planDays(g, options);
    bool ok = db.beginTrans();
    for (size_t i = 0; ok && i < plan.size(); ++i)
        ok = insertDay(db, g, plan[i]);
    if (ok)
        ok = db.commitTrans();
    if (!ok) {
        if (error)
            *error = db.lastError();
        if (db.inTransaction())
            db.rollback();
    }
    return ok;
}

bool CreateSyntheticLog(const QString& path, const SyntheticLogOptions& options, QString* error)
{
    if (!CreateNewLog(path, error))
        return false;
    Database db;
    if (!db.open(path, Database::OpenMode::ExistingReadWrite, error))
        return false;
    if (AddSyntheticDives(db, options, error))
        return true;
    db.close();
    QFile::remove(path);
    return false;
}
