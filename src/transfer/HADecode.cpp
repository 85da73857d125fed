#include "HADecode.h"

#include "modSubroutines.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {
constexpr quint8 kDepthEnd = 0xEF, kTempEnd = 0xFF;
constexpr int kNoData = 999;  // 99.9 in tenths

QString tr(const char* text)
{
    return QCoreApplication::translate("HADecode", text);
}

// Reads the buffer and remembers the first thing that went wrong.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool has(qsizetype i) const { return i >= 0 && i < m_bytes.size(); }
    quint8 at(qsizetype i)
    {
        if (!has(i)) {
            fail(tr("転送データが途中で終わっています"));
            return 0;
        }
        return quint8(m_bytes[i]);
    }
    // A decimal digit from a nibble.
    int digit(int nibble)
    {
        if (nibble > 9) {
            fail(tr("転送データに数字でない値があります"));
            return 0;
        }
        return nibble;
    }
    // The number a byte's digits spell (0x23 gives 23, 0x07 gives 7).
    int number(quint8 b) { return digit(b >> 4) * 10 + digit(b & 0x0F); }
    void fail(const QString& why)
    {
        if (m_error.isEmpty())
            m_error = why;
    }
    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    const QByteArray& m_bytes;
    QString m_error;
};

// Three digits split over a byte and the high nibble of the next one: tens, units, tenths.
int firstSample(Reader& r, quint8 a, quint8 b)
{
    return r.number(a) * 10 + r.digit(b >> 4);
}

// Three digits from the low nibble of a byte and the next byte.
int secondSample(Reader& r, quint8 b, quint8 c)
{
    return r.digit(b & 0x0F) * 100 + r.number(c);
}

double roundOne(double v)
{
    return FormatFixed(v, 1, 1).toDouble();
}

QString seriesText(const QList<double>& values)
{
    QStringList texts;
    for (double v : values)
        texts << QString::number(v, 'g', 15);
    return texts.join(QLatin1Char(' '));
}

bool failWith(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}
}  // namespace

std::optional<HAHeader> DecodeHeader(const QByteArray& block, QString* error)
{
    if (block.size() != kHABlockSize) {
        failWith(error, tr("ヘッダのデータが正しくありません"));
        return std::nullopt;
    }
    Reader r(block);
    HAHeader h;
    h.blocks = r.at(3);
    const int year = r.number(r.at(5)) * 100 + r.number(r.at(6));
    h.date = QDate(year, r.number(r.at(7)), r.number(r.at(8)));
    h.inTime = QTime(r.number(r.at(10)), r.number(r.at(11)));
    h.outTime = QTime(r.number(r.at(13)), r.number(r.at(14)));
    const quint8 b19 = r.at(19), b22 = r.at(22);
    h.maxDepth = firstSample(r, r.at(18), b19) / 10.0;
    h.depthTemp = secondSample(r, b19, r.at(20)) / 10.0;
    h.avgDepth = firstSample(r, r.at(21), b22) / 10.0;
    if (!r.ok()) {
        failWith(error, r.error());
        return std::nullopt;
    }
    if (h.blocks == 0) {
        failWith(error, tr("転送するプロフィールがありません"));
        return std::nullopt;
    }
    if (!h.date.isValid() || !h.inTime.isValid() || !h.outTime.isValid()) {
        failWith(error, tr("転送データの日付または時刻が正しくありません"));
        return std::nullopt;
    }
    return h;
}

void FillGaps(QList<double>& samples)
{
    // One pass from the first sample to the last fills every gap from a sample already
    // filled; samples never exceed 99.8, so no filled value reads as a gap again.
    const auto gap = [](double v) { return std::lround(v * 10) == kNoData; };
    QList<bool> wasGap;
    for (double v : std::as_const(samples))
        wasGap << gap(v);
    for (qsizetype i = 0; i < samples.size(); ++i) {
        if (!wasGap[i])
            continue;
        double v = i == 0 ? 0.0 : samples[i - 1];
        if (i + 1 < samples.size() && !wasGap[i + 1])
            v = (v + samples[i + 1]) / 2;
        samples[i] = v;
    }
}

bool DecodeProfile(const QByteArray& buffer, HADive& dive, QString* error)
{
    Reader r(buffer);
    QList<int> depths, temps;
    qsizetype k = 0;
    // Depth samples, up to 0xEF.
    while (r.ok()) {
        if (r.at(k) == kDepthEnd) {
            k += 1;
            break;
        }
        if (r.at(k + 1) == kDepthEnd) {
            k += 2;
            break;
        }
        depths << firstSample(r, r.at(k), r.at(k + 1));
        if (r.at(k + 2) == kDepthEnd) {
            k += 3;
            break;
        }
        depths << secondSample(r, r.at(k + 1), r.at(k + 2));
        k += 3;
    }
    // Temperature samples, up to 0xFF.
    while (r.ok()) {
        if (r.at(k) == kTempEnd || r.at(k + 1) == kTempEnd)
            break;
        temps << firstSample(r, r.at(k), r.at(k + 1));
        if (r.at(k + 2) == kTempEnd)
            break;
        temps << secondSample(r, r.at(k + 1), r.at(k + 2));
        k += 3;
    }
    if (!r.ok())
        return failWith(error, r.error());
    if (depths.isEmpty())
        return failWith(error, tr("転送データに深度の記録がありません"));

    dive.depths.clear();
    dive.temps.clear();
    for (int d : depths)
        dive.depths << d / 10.0;
    for (int t : temps)
        dive.temps << t / 10.0;
    FillGaps(dive.depths);
    FillGaps(dive.temps);
    dive.depthTransit = seriesText(dive.depths);
    dive.tempTransit = seriesText(dive.temps);

    const auto noData = [](double v) { return std::lround(v * 10) == kNoData; };
    double highest = 0;
    for (double t : std::as_const(dive.temps))
        highest = std::max(highest, t);
    dive.surfaceTemp = roundOne(highest);
    if (!dive.depthTemp || noData(*dive.depthTemp)) {
        if (dive.temps.isEmpty())
            dive.depthTemp.reset();
        else
            dive.depthTemp = roundOne(*std::min_element(dive.temps.cbegin(), dive.temps.cend()));
    }
    if (noData(dive.maxDepth)) {
        double deepest = 0;
        for (double d : std::as_const(dive.depths))
            deepest = std::max(deepest, d);
        dive.maxDepth = roundOne(deepest);
    }
    if (noData(dive.avgDepth)) {
        double sum = 0;
        for (double d : std::as_const(dive.depths))
            sum += d;
        dive.avgDepth = roundOne(sum / double(dive.depths.size()));
    }
    return true;
}

std::optional<HADive> DecodeTransfer(const QByteArray& header, const QByteArray& profile, QString* error)
{
    const auto h = DecodeHeader(header, error);
    if (!h)
        return std::nullopt;
    if (profile.size() != qsizetype(h->blocks) * kHABlockSize) {
        failWith(error, tr("転送データが途中で終わっています"));
        return std::nullopt;
    }
    HADive dive;
    dive.date = h->date;
    dive.inTime = h->inTime;
    dive.outTime = h->outTime;
    dive.maxDepth = h->maxDepth;
    dive.avgDepth = h->avgDepth;
    dive.depthTemp = h->depthTemp;
    if (!DecodeProfile(profile, dive, error))
        return std::nullopt;
    return dive;
}
