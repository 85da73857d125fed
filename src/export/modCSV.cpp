#include "modCSV.h"

#include "Database.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "JobProgress.h"
#include "LogSnapshot.h"
#include "SafeFile.h"
#include "UiServices.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QStringEncoder>
#include <algorithm>
#include <memory>
#include <optional>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modCSV", text);
}

using F = DiveTexts::Field;
// The first is written as it is, the others quoted.
constexpr F kColumns[] = {
    F::txtNo, F::txtTotalTime, F::dtpDate, F::cboLocation, F::cboEntryType, F::cboBuddy, F::cboGuide, F::txtSI,
    F::txtInTime, F::txtOutTime, F::txtInPG, F::txtOutPG, F::txtAvgDepth, F::txtMaxDepth, F::txtUWTime, F::txtRnt,
    F::txtTbt, F::txtTankCapa, F::cboTankMat, F::cboAirType, F::txtStartTankBar, F::txtEndTankBar, F::txtTankQuant,
    F::txtTankUsed, F::txtTankSpeed, F::cboWeather, F::txtAirTemp, F::txtSurfaceTemp, F::txtDepthTemp, F::txtWeight,
    F::cboSuit, F::txtMinVisibility, F::txtMaxVisibility, F::txtMinTransparency, F::txtMaxTransparency,
    F::lstCondition, F::lstItem, F::txtComment};

bool needsQuotes(QStringView field)
{
    // Any line end counts: a bare CR or LF outside quotes splits the dive in two for a reader.
    return std::any_of(field.cbegin(), field.cend(), [](QChar c) {
        return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char(',') || c == QLatin1Char('"');
    });
}

void appendQuoted(QString& line, const QString& field)
{
    if (!needsQuotes(field)) {
        line += field;
        return;
    }
    line += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == QLatin1Char('"'))
            line += QLatin1Char('"');
        line += c;
    }
    line += QLatin1Char('"');
}

}  // namespace

QString CsvQuote(const QString& field)
{
    if (!needsQuotes(field))
        return field;
    QString r;
    r.reserve(field.size() + 2);
    appendQuoted(r, field);
    return r;
}

QString CsvHeader()
{
    return QStringLiteral(
        "No,累計時間,日付,潜水地,エントリー,バディ,ガイド,水面休息時間,開始時刻,終了時刻,開始時圧力グループ,"
        "終了時圧力グループ,平均深度,最大深度,潜水時間,残留窒素時間,合計潜水時間,タンク容量,タンク素材,エア種類,"
        "開始時タンク圧,終了時タンク圧,開始時エア量,エア消費量,水面換算エア消費/分,天気,気温,最大水温,最低水温,"
        "ウエイト,スーツ,最小透視度,最大透視度,最小透明度,最大透明度,海況,アイテム,コメント,深度推移,水温推移");
}

QString CsvLine(const DiveTexts& dive)
{
    qsizetype size = dive.depthSeries().size() + dive.tempSeries().size() + 48;
    for (const F f : kColumns)
        size += dive.text(f).size() + 1;
    QString line;
    line.reserve(size);
    line += dive.text(kColumns[0]);
    for (size_t i = 1; i < std::size(kColumns); ++i) {
        line += QLatin1Char(',');
        appendQuoted(line, dive.text(kColumns[i]));
    }
    line += QLatin1Char(',');
    appendQuoted(line, dive.depthSeries());
    line += QLatin1Char(',');
    appendQuoted(line, dive.tempSeries());
    return line;
}

namespace {
// The form the code page holds of a character it knows under another code point.
char16_t jisForm(char16_t c)
{
    switch (c) {
    case 0x301C: return 0xFF5E;  // wave dash
    case 0x2016: return 0x2225;  // double vertical line
    case 0x2212: return 0xFF0D;  // minus sign
    case 0x00A2: return 0xFFE0;  // cent sign
    case 0x00A3: return 0xFFE1;  // pound sign
    case 0x00AC: return 0xFFE2;  // not sign
    case 0x2014: return 0x2015;  // em dash
    default: return c;
    }
}
}  // namespace

QByteArray ToShiftJis(const QString& text)
{
    return ToShiftJis(text, ShiftJisMiss::Question);
}

QByteArray ToShiftJis(const QString& text, ShiftJisMiss miss)
{
    // One encoder for every line: making one costs more than encoding a line. Stateless,
    // so that half a surrogate pair at a line's end never joins the next line; an encoder
    // that met a character the code page lacks keeps saying so, and is replaced.
    thread_local std::optional<QStringEncoder> encoder;
    const auto encode = [](QStringView part, bool* ok) {
        if (!encoder)
            encoder.emplace("Shift_JIS", QStringConverter::Flag::Stateless);
        QByteArray bytes = encoder->encode(part);
        *ok = !encoder->hasError();
        if (!*ok)
            encoder.reset();
        return bytes;
    };
    QString t = text;  // copied only when a character changes
    for (qsizetype i = 0; i < t.size(); ++i)
        if (const char16_t c = t.at(i).unicode(), j = jisForm(c); j != c)
            t[i] = QChar(j);
    bool ok = false;
    QByteArray bytes = encode(t, &ok);
    if (ok)
        return bytes;
    // Only a line with a character the code page lacks pays for the slow way.
    bytes.clear();
    for (qsizetype i = 0; i < t.size(); ++i) {
        const qsizetype n = t.at(i).isHighSurrogate() && i + 1 < t.size() ? 2 : 1;
        const QByteArray b = encode(QStringView(t).mid(i, n), &ok);
        if (ok)
            bytes += b;
        else if (miss == ShiftJisMiss::Question || (n == 1 && t.at(i).isSurrogate()))
            bytes += '?';  // half a surrogate pair is no character a reference could name
        else
            bytes += "&#" + QByteArray::number(n == 2 ? QChar::surrogateToUcs4(t.at(i), t.at(i + 1)) : t.at(i).unicode())
                + ';';
        i += n - 1;
    }
    return bytes;
}

bool ExportCSV(const QString& fileName, const ExportChoice& choose, JobProgress* progress, QString* error)
{
    SafeFileWriter file(fileName);
    bool begun = false;
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        file.discard();
        if (begun)
            progress->end();
        return false;
    };
    if (!file.open())
        return fail(file.errorString());
    auto writeLine = [&](const QString& line) {
        QByteArray bytes = ToShiftJis(line);
        bytes += "\r\n";
        return file.write(bytes);
    };
    if (!writeLine(CsvHeader()))
        return fail(file.errorString());

    // Everything is read before the first step lets other windows run, so a save made
    // meanwhile neither fails nor shows up in the file.
    LogSnapshot log;
    QList<ExportItem> items;
    QString reason;
    if (!log.read(choose, &items, &reason))
        return fail(reason);
    if (progress) {
        progress->begin(tr("CSV出力処理中です . . ."), int(items.size()));
        begun = true;
    }
    DiveTexts dive(log.context());
    // The dive tables' look-ups share one lock from one step that lets other windows run
    // to the next: taking it for each look-up would cost more than the look-ups.
    std::optional<ReadTransaction> lookUps;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const ExportItem& item = items[i];
        if (progress)
            lookUps.reset();
        if (progress && progress->stepAndAskStop(int(i + 1), int(items.size()))) {
            MsgBox(tr("出力を中断します"), MsgIcon::Exclamation);
            // A stopped export keeps the dives written so far.
            if (!file.commit())
                return fail(file.errorString());
            progress->end();
            return true;
        }
        QString line;
        {
            const LogSnapshot::Lend lend(log);
            if (!lookUps)
                lookUps.emplace();
            log.load(dive, item);
            line = CsvLine(dive);
        }
        if (!writeLine(line))
            return fail(file.errorString());
    }
    lookUps.reset();
    if (!file.commit())
        return fail(file.errorString());
    if (begun)
        progress->end();
    return true;
}

bool ExportCSV(const QString& fileName, const QList<ExportItem>& items, JobProgress* progress, QString* error)
{
    return ExportCSV(fileName, ChosenItems(items), progress, error);
}
