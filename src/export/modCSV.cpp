#include "modCSV.h"

#include "Database.h"
#include "DiveContext.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "JobProgress.h"
#include "UiServices.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QStringEncoder>
#include <algorithm>
#include <memory>

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

// Ids read per query while exporting many dives.
constexpr int kChunk = 400;
// Beyond this many dives the log's dates and times are read once for all of them.
constexpr int kBatchFrom = 8;
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

bool ExportCSV(const QString& fileName, const QList<ExportItem>& items, JobProgress* progress, QString* error)
{
    QFile file(fileName);
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        if (progress)
            progress->end();
        return false;
    };
    if (progress)
        progress->begin(tr("CSV出力処理中です . . ."), int(items.size()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(file.errorString());
    auto writeLine = [&](const QString& line) {
        const QByteArray bytes = ToShiftJis(line) + "\r\n";
        return file.write(bytes) == bytes.size();
    };
    if (!writeLine(CsvHeader()))
        return fail(file.errorString());

    // One read transaction for the whole job: the log stays as it was from the first
    // dive to the last, and no query pays for taking the file lock again.
    struct ReadTransaction {
        bool open = gDatabase && !gDatabase->inTransaction() && gDatabase->beginTrans();
        ~ReadTransaction()
        {
            if (open)
                gDatabase->commitTrans();
        }
    } readTransaction;
    std::unique_ptr<DiveContext> context;
    if (items.size() >= kBatchFrom) {
        auto batch = std::make_unique<BatchDiveContext>();
        if (!batch->load())
            return fail(LastDatabaseError());
        context = std::move(batch);
    } else {
        context = std::make_unique<SqlDiveContext>();
    }
    DiveTexts dive(context.get());
    for (qsizetype start = 0; start < items.size(); start += kChunk) {
        const qsizetype n = std::min<qsizetype>(kChunk, items.size() - start);
        QStringList marks;
        QVariantList ids;
        for (qsizetype i = 0; i < n; ++i) {
            marks << QStringLiteral("?");
            ids << items[start + i].id;
        }
        auto rs = OpenQuery(QStringLiteral("SELECT * FROM LogTbl WHERE id IN (%1)").arg(marks.join(QLatin1Char(','))), ids);
        if (!rs)
            return fail(LastDatabaseError());
        QHash<qint64, int> rowOf;
        for (int r = 0; !rs->eof(); rs->moveNext(), ++r)
            rowOf.insert(rs->field(QStringLiteral("id")).toLongLong(), r);
        for (qsizetype i = 0; i < n; ++i) {
            const ExportItem& item = items[start + i];
            if (progress && progress->stepAndAskStop(int(start + i + 1), int(items.size()))) {
                MsgBox(tr("出力を中断します"), MsgIcon::Exclamation);
                file.close();
                progress->end();
                return true;
            }
            if (const auto row = rowOf.constFind(item.id); row != rowOf.cend()) {
                rs->moveTo(*row);
                dive.loadRow(*rs, item.number);
            } else {
                // A dive deleted meanwhile shows as an empty record, as the editor would.
                dive.loadEmpty(item.number);
            }
            if (!writeLine(CsvLine(dive)))
                return fail(file.errorString());
        }
    }
    if (!file.flush())
        return fail(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (progress)
        progress->end();
    return true;
}
