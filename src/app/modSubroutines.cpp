#include "modSubroutines.h"

#include "UiServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {
const QChar kSep = QLatin1Char('/');

bool isNumberChar(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('-');
}

// Digits with at most one point and a digit somewhere, after an optional minus.
bool plainNumber(QStringView t)
{
    qsizetype i = t.startsWith(u'-') ? 1 : 0;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9')
            ++i;
        return i - from;
    };
    qsizetype count = digits();
    if (i < t.size() && t[i] == u'.') {
        ++i;
        count += digits();
    }
    return count > 0 && i == t.size();
}

float numberValue(QStringView text)
{
    // A number closed by the end of the text carries its separator along: drop it.
    if (!text.isEmpty() && !isNumberChar(text.back()))
        text.chop(1);
    if (!plainNumber(text))
        return 0.0f;
    // Read straight into a float, correctly rounded, so that every text SingleToText
    // writes comes back as the very same number. Out of range reads as 0.
    char buffer[64];
    QByteArray longer;
    char* digits = buffer;
    if (text.size() > qsizetype(sizeof buffer)) {
        longer.resize(text.size());
        digits = longer.data();
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        digits[i] = char(text[i].unicode());
    float v = 0.0f;
    const auto [end, ec] = std::from_chars(digits, digits + text.size(), v);
    return ec == std::errc() && end == digits + text.size() ? v : 0.0f;
}
}  // namespace

QString QuoteSQL(const QString& s)
{
    QString r = s;
    return r.replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString MakeItemKey(qint64 id)
{
    return QLatin1Char('#') + QString::number(id);
}

qint64 KeyToId(const QString& key)
{
    return key.mid(1).toLongLong();
}

QString GetFileName(const QString& path)
{
    const qsizetype i = path.lastIndexOf(kSep);
    return i < 0 ? QString() : path.mid(i + 1);
}

QString GetFolderName(const QString& path)
{
    const qsizetype i = path.lastIndexOf(kSep);
    return i < 0 ? QString() : path.left(i);
}

QString RemoveExtension(const QString& name)
{
    const qsizetype i = name.lastIndexOf(QLatin1Char('.'));
    return i < 0 ? name : name.left(i);
}

QString RemoveTrailing(const QString& s, const QString& suffix)
{
    QString r = s;
    if (suffix.isEmpty())
        return r;
    while (r.endsWith(suffix))
        r.chop(suffix.size());
    return r;
}

QString JoinValues(const QStringList& values, const QString& separator)
{
    QString r;
    for (const QString& v : values)
        r += v + separator;
    qsizetype end = r.size();
    while (end > 0 && r.at(end - 1) == QLatin1Char(' '))
        --end;
    r.truncate(end);
    return r;
}

QList<float> SplitNumbers(const QString& text)
{
    QList<float> values;
    const qsizetype len = text.size();
    qsizetype start = 0;  // 1-based position of the open number, 0 when none is open
    for (qsizetype i = 1; i <= len + 1; ++i) {
        const bool numberChar = i <= len && isNumberChar(text.at(i - 1));
        if (numberChar) {
            if (start == 0)
                start = i;
        } else if (i != len && start != 0) {
            values << numberValue(QStringView(text).mid(start - 1, i - start));
            start = 0;
        }
    }
    if (values.isEmpty())
        values = {0.0f, 0.0f};
    return values;
}

bool HoldsNumbers(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), isNumberChar);
}

std::optional<bool> CBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const auto v = NumberIn(t);
    if (!v)
        return std::nullopt;
    return *v != 0.0;
}

std::optional<int> TwipsToPixels(const QString& text, int minPixels, int maxPixels)
{
    const auto twips = CSng(text);
    if (!twips)
        return std::nullopt;
    // Compared as a double, so that no huge value is ever converted to int.
    const double pixels = std::round(double(*twips) / 15.0);
    if (!(pixels >= minPixels && pixels <= maxPixels))
        return std::nullopt;
    return int(pixels);
}

QString SingleToText(float value)
{
    // No exponent form: the number readers take "1e-05" for the two numbers 1 and -05.
    if (value == 0.0f || !std::isfinite(value))
        return QStringLiteral("0");
    char text[64];  // the longest float in plain form (the smallest subnormal, negative) needs 48
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return QString::fromLatin1(text, written.ptr - text);
}

QString CrLfLines(const QString& text)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString r;
    r.reserve(text.size() + text.count(QLatin1Char('\n')));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            r += QLatin1String("\r\n");
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            r += c;
        }
    }
    return r;
}

QString BrowseFolder(const QString& title, QObject* owner)
{
    return Services().browseFolder(title, owner);
}

bool ShellOpen(const QString& file, QObject* owner)
{
    return Services().shellOpen(file, owner);
}

void ShowFileProperties(const QString& file, QObject* owner)
{
    Services().showFileProperties(file, owner);
}

QString HelpFilePath()
{
    // The guide sits in share/tidewriter/help beside bin/, in the build tree and when installed.
    const QString appDir = QCoreApplication::applicationDirPath();
    return QDir(appDir).absoluteFilePath(QStringLiteral("../share/tidewriter/help/index.html"));
}

bool ShowHelp(long contextId, QObject* owner, const QString& guide)
{
    const QString path = QDir::cleanPath(guide);
    if (!QFileInfo(path).isFile()) {
        MsgBox(QCoreApplication::translate("modSubroutines", "ヘルプファイルが見つかりません") + QLatin1Char('\n') + path,
               MsgIcon::Exclamation, MsgButtons::Ok, QString(), owner);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (contextId != 0)
        url.setFragment(QStringLiteral("context-%1").arg(contextId));
    if (Services().shellOpen(url.toString(), owner))
        return true;
    // The guide is there, but the desktop has no program for HTML files (or no launcher).
    MsgBox(QCoreApplication::translate("modSubroutines", "ヘルプファイル %1 を開けるプログラムが見つかりません。"
                                                         "ウェブブラウザで開いてください。")
               .arg(path),
           MsgIcon::Exclamation, MsgButtons::Ok, QString(), owner);
    return false;
}

QString FormatFixed(double value, int minIntDigits, int decimals)
{
    if (!std::isfinite(value))
        return QString();
    // Away from a tie the binary value rounds like its decimal form: skip the digit work.
    if (std::fabs(value) < 1e9 && decimals >= 0 && decimals <= 6) {
        const double scale = std::pow(10.0, decimals), scaled = std::fabs(value) * scale;
        const double fraction = scaled - std::floor(scaled);
        if (std::fabs(fraction - 0.5) > 1e-6) {
            const qint64 units = qint64(std::floor(scaled + 0.5));
            QString digits = QString::number(units);
            if (digits.size() < decimals + 1)
                digits.prepend(QString(decimals + 1 - digits.size(), QLatin1Char('0')));
            QString intPart = digits.left(digits.size() - decimals);
            if (intPart.size() < minIntDigits)
                intPart.prepend(QString(minIntDigits - intPart.size(), QLatin1Char('0')));
            QString r = decimals > 0 ? intPart + QLatin1Char('.') + digits.right(decimals) : intPart;
            if (value < 0 && units != 0)
                r.prepend(QLatin1Char('-'));
            return r;
        }
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // buf: d.dddddddddddddde±XX
    QByteArray digits;
    digits.append(buf[0]);
    digits.append(buf + 2, 14);
    const int exponent = std::atoi(buf + 17);
    // Digits before the cut: those of the integer part and the kept decimals.
    const int keep = exponent + 1 + decimals;
    QByteArray kept;
    if (keep > 0) {
        kept = digits.left(keep);
        while (kept.size() < keep)
            kept.append('0');
        if (keep < digits.size() && digits[keep] >= '5') {
            int i = int(kept.size()) - 1;
            for (; i >= 0 && kept[i] == '9'; --i)
                kept[i] = '0';
            if (i >= 0)
                kept[i] = char(kept[i] + 1);
            else
                kept.prepend('1');
        }
    } else if (keep == 0 && digits[0] >= '5') {
        kept = "1";
    }
    while (kept.size() < decimals + 1)
        kept.prepend('0');
    QString intPart = QString::fromLatin1(kept.left(kept.size() - decimals));
    while (intPart.size() > 1 && intPart.startsWith(QLatin1Char('0')))
        intPart.remove(0, 1);
    while (intPart.size() < minIntDigits)
        intPart.prepend(QLatin1Char('0'));
    QString r = intPart;
    if (decimals > 0)
        r += QLatin1Char('.') + QString::fromLatin1(kept.right(decimals));
    const bool zero = kept.count('0') == kept.size();
    if (value < 0 && !zero)
        r.prepend(QLatin1Char('-'));
    return r;
}
