#include "modCSV.h"

#include "Database.h"
#include "DiveContext.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "JobProgress.h"
#include "SafeFile.h"
#include "UiServices.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modCSV", text);
}

const char* const kColumns[] = {
    "txtNo", "txtTotalTime", "dtpDate", "cboLocation", "cboEntryType", "cboBuddy", "cboGuide", "txtSI",
    "txtInTime", "txtOutTime", "txtInPG", "txtOutPG", "txtAvgDepth", "txtMaxDepth", "txtUWTime", "txtRnt",
    "txtTbt", "txtTankCapa", "cboTankMat", "cboAirType", "txtStartTankBar", "txtEndTankBar", "txtTankQuant",
    "txtTankUsed", "txtTankSpeed", "cboWeather", "txtAirTemp", "txtSurfaceTemp", "txtDepthTemp", "txtWeight",
    "cboSuit", "txtMinVisibility", "txtMaxVisibility", "txtMinTransparency", "txtMaxTransparency",
    "lstCondition", "lstItem", "txtComment"};

// Ids read per query.
constexpr int kChunk = 400;

// A read transaction unless one is open already: the queries inside it take the file lock
// once between them instead of once each.
struct ReadTransaction {
    bool open = gDatabase && !gDatabase->inTransaction() && gDatabase->beginTrans();
    ~ReadTransaction()
    {
        if (open)
            gDatabase->commitTrans();
    }
};

// What the export needs from the log, read in one read transaction: the dives' rows,
// the dates and times their worked-out values come from, and the lookup lists and time
// offset their texts are made of.
struct LogSnapshot {
    BatchDiveContext context;
    std::vector<std::unique_ptr<Recordset>> chunks;
    QHash<qint64, std::pair<int, int>> rowOf;  // id: chunk and row
    std::array<QStringList, 7> lists;
    long timeOffset = 0;

    static std::array<QStringList*, 7> globalLists()
    {
        return {&gAirTypes, &gEntryTypes, &gSuits, &gTankMats, &gWeathers, &gItems, &gConditions};
    }

    bool read(const ExportChoice& choose, QList<ExportItem>* chosen, QString* error)
    {
        const ReadTransaction readTransaction;
        const auto readError = [&] {
            *error = tr("データベースファイルを読み込めませんでした") + QLatin1Char('\n') + LastDatabaseError();
            return false;
        };
        if (!choose(chosen, error))
            return false;
        const QList<ExportItem>& items = *chosen;
        if (!context.load())
            return readError();
        for (qsizetype start = 0; start < items.size(); start += kChunk) {
            const qsizetype n = std::min<qsizetype>(kChunk, items.size() - start);
            QStringList marks;
            QVariantList ids;
            for (qsizetype i = 0; i < n; ++i) {
                marks << QStringLiteral("?");
                ids << items[start + i].id;
            }
            auto rs = OpenQuery(QStringLiteral("SELECT * FROM LogTbl WHERE id IN (%1)").arg(marks.join(QLatin1Char(','))),
                                ids);
            if (!rs)
                return readError();
            for (int r = 0; !rs->eof(); rs->moveNext(), ++r)
                rowOf.insert(rs->field(QStringLiteral("id")).toLongLong(), {int(chunks.size()), r});
            chunks.push_back(std::move(rs));
        }
        for (size_t i = 0; i < lists.size(); ++i)
            lists[i] = *globalLists()[i];
        timeOffset = gTimeOffset;
        return true;
    }

    // Lends the lists and offset as read to the globals the texts are made from, while
    // one line is made. Nothing else runs meanwhile, so an options change applied during
    // the export reaches neither the file nor is lost.
    class Lend {
    public:
        explicit Lend(LogSnapshot& log) : m_log(log) { swap(); }
        ~Lend() { swap(); }

    private:
        void swap()
        {
            for (size_t i = 0; i < m_log.lists.size(); ++i)
                m_log.lists[i].swap(*globalLists()[i]);
            std::swap(m_log.timeOffset, gTimeOffset);
        }
        LogSnapshot& m_log;
    };
};
}  // namespace

QString CsvQuote(const QString& field)
{
    // Any line end counts: a bare CR or LF outside quotes splits the dive in two for a reader.
    const bool quoted = std::any_of(field.cbegin(), field.cend(), [](QChar c) {
        return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char(',') || c == QLatin1Char('"');
    });
    if (!quoted)
        return field;
    QString r = field;
    r.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + r + QLatin1Char('"');
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
    QStringList fields;
    fields.reserve(40);
    fields << dive.text(QString::fromLatin1(kColumns[0]));
    for (size_t i = 1; i < std::size(kColumns); ++i)
        fields << CsvQuote(dive.text(QString::fromLatin1(kColumns[i])));
    fields << CsvQuote(dive.depthSeries()) << CsvQuote(dive.tempSeries());
    return fields.join(QLatin1Char(','));
}

QByteArray ToShiftJis(const QString& text)
{
    static const QHash<char16_t, char16_t> jisForms = {
        {0x301C, 0xFF5E},  // wave dash
        {0x2016, 0x2225},  // double vertical line
        {0x2212, 0xFF0D},  // minus sign
        {0x00A2, 0xFFE0},  // cent sign
        {0x00A3, 0xFFE1},  // pound sign
        {0x00AC, 0xFFE2},  // not sign
        {0x2014, 0x2015},  // em dash
    };
    QString t = text;
    for (QChar& c : t)
        if (const auto it = jisForms.constFind(c.unicode()); it != jisForms.cend())
            c = QChar(*it);
    QStringEncoder encoder("Shift_JIS");
    QByteArray bytes = encoder.encode(t);
    if (!encoder.hasError())
        return bytes;
    // Only a line with a character the code page lacks pays for the slow way.
    bytes.clear();
    for (qsizetype i = 0; i < t.size(); ++i) {
        const qsizetype n = t.at(i).isHighSurrogate() && i + 1 < t.size() ? 2 : 1;
        QStringEncoder one("Shift_JIS");
        const QByteArray b = one.encode(QStringView(t).mid(i, n));
        bytes += one.hasError() ? QByteArray("?") : b;
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
    auto writeLine = [&](const QString& line) { return file.write(ToShiftJis(line) + "\r\n"); };
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
    DiveTexts dive(&log.context);
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
            if (const auto at = log.rowOf.constFind(item.id); at != log.rowOf.cend()) {
                Recordset& rows = *log.chunks[size_t(at->first)];
                rows.moveTo(at->second);
                dive.loadRow(rows, item.number);
            } else {
                // Gone before the log was read (another program deleted it after the list was
                // drawn): an empty record with its number, as the editor would show it. A dive
                // deleted while the export runs was read already and is written as it was.
                dive.loadEmpty(item.number);
            }
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
    return ExportCSV(
        fileName,
        [&](QList<ExportItem>* chosen, QString*) {
            *chosen = items;
            return true;
        },
        progress, error);
}
