#include "TextReaders.h"

#include <QByteArray>
#include <charconv>
#include <cmath>
#include <limits>

namespace {
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || (c.unicode() >= 9 && c.unicode() <= 13);
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

QStringView withoutBlanks(const QString& text)
{
    QStringView s(text);
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

// One or two digits at i; -1 when there are none.
int upToTwoDigits(QStringView s, qsizetype& i)
{
    int v = -1;
    for (int n = 0; n < 2 && i < s.size() && isDigit(s[i]); ++n, ++i)
        v = (v < 0 ? 0 : v * 10) + (s[i].unicode() - '0');
    return v;
}
}  // namespace

std::optional<double> NumberIn(const QString& text)
{
    const QStringView s = withoutBlanks(text);
    qsizetype i = !s.isEmpty() && (s[0] == QLatin1Char('+') || s[0] == QLatin1Char('-')) ? 1 : 0;
    const qsizetype first = i;
    qsizetype digits = 0, points = 0;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i]))
            ++digits;
        else if (s[i] == QLatin1Char('.') && ++points == 1)
            continue;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    // from_chars takes no "+" and reads correctly rounded, as a double holds the decimal.
    const QByteArray latin = s.mid(first).toLatin1();
    double value = 0;
    const auto [end, ec] = std::from_chars(latin.cbegin(), latin.cend(), value, std::chars_format::fixed);
    if (ec != std::errc() || end != latin.cend() || !std::isfinite(value))
        return std::nullopt;
    return s[0] == QLatin1Char('-') ? -value : value;
}

std::optional<long> RoundToLong(double value)
{
    const double r = std::nearbyint(value);  // the default rounding mode rounds halves to even
    if (!std::isfinite(r) || r < double(std::numeric_limits<int>::min()) || r > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return long(r);
}

std::optional<long> CLng(const QString& text)
{
    const auto v = NumberIn(text);
    return v ? RoundToLong(*v) : std::nullopt;
}

std::optional<float> CSng(const QString& text)
{
    const auto v = NumberIn(text);
    if (!v || std::fabs(*v) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*v);
}

QTime TimeIn(const QString& text)
{
    const QStringView s = withoutBlanks(text);
    qsizetype i = 0;
    const int h = upToTwoDigits(s, i);
    if (h < 0 || i >= s.size() || s[i++] != QLatin1Char(':'))
        return {};
    const int m = upToTwoDigits(s, i);
    int sec = 0;
    if (m >= 0 && i < s.size() && s[i] == QLatin1Char(':')) {
        ++i;
        sec = upToTwoDigits(s, i);
    }
    if (m < 0 || sec < 0 || i != s.size())
        return {};
    return QTime(h, m, sec);  // invalid beyond 23:59:59
}

QDate DateIn(const QString& text)
{
    if (text.size() != 10 || text[4] != QLatin1Char('/') || text[7] != QLatin1Char('/'))
        return {};
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isDigit(text[i]))
            return {};
    return QDate(text.left(4).toInt(), text.mid(5, 2).toInt(), text.mid(8, 2).toInt());
}

QDate StoredDateIn(const QString& text)
{
    return QDate::fromString(text, Qt::ISODate);
}
