#include "modExport.h"

#include "DiveTexts.h"
#include "JobProgress.h"
#include "PngEncoder.h"
#include "ProfileChart.h"
#include "SafeFile.h"
#include "UiServices.h"
#include "Version.h"
#include "modCSV.h"
#include "modSubroutines.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QThreadPool>
#include <QTime>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("modExport", text);
}

using F = DiveTexts::Field;

// A line that holds "<!--", later " word ", later "-->", in lower case.
bool isMarker(const QString& lowerLine, QLatin1StringView word)
{
    const qsizetype open = lowerLine.indexOf(QLatin1String("<!--"));
    if (open < 0)
        return false;
    const qsizetype at = lowerLine.indexOf(word, open + 4);
    return at >= 0 && lowerLine.indexOf(QLatin1String("-->"), at + word.size()) >= 0;
}

QString longDate(const QString& shortDate)
{
    const QDate d = QDate::fromString(shortDate, QStringLiteral("yyyy/MM/dd"));
    return d.isValid() ? d.toString(QStringLiteral("yyyy年M月d日")) : shortDate;
}

// The editor's time text as a time of day; nothing for a text that is no time of day.
// An empty text (a dive logged without its times) is an empty value, not an error.
std::optional<QTime> timeOfDay(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QTime();
    for (const char* format : {"H:mm", "H:mm:ss"})
        if (const QTime time = QTime::fromString(t, QLatin1String(format)); time.isValid())
            return time;
    return std::nullopt;
}

QString timeText(const QTime& time, bool withSeconds)
{
    return time.isValid() ? time.toString(withSeconds ? QStringLiteral("H:mm:ss") : QStringLiteral("H:mm")) : QString();
}

QByteArray encode(const QString& text)
{
    // In pieces ending at line ends: a character the code page lacks sends only its own
    // piece down the slow way.
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    constexpr qsizetype kPiece = 4096;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start + kPiece < text.size() ? text.indexOf(QLatin1Char('\n'), start + kPiece) : -1;
        end = end < 0 ? text.size() : end + 1;
        bytes += ToShiftJis(QStringView(text).mid(start, end - start).toString(), ShiftJisMiss::CharRef);
        start = end;
    }
    return bytes;
}

// The pictures of a page, drawn and encoded on worker threads and committed together in
// batches: one wait for the disk per batch rather than two per picture. A picture whose
// file already holds the same bytes (a page exported again) is left alone, which spares
// replacing it. Workers never touch the log; they get the values the pictures are drawn from.
class PictureWriter {
public:
    PictureWriter() { m_pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount())); }
    ~PictureWriter() { m_pool.waitForDone(); }

    // False with error set when a picture of an earlier batch could not be written.
    bool add(const QString& path, long uwTime, QList<float> depths, QList<float> temps, QString* error)
    {
        if (m_jobs.size() >= kBatch && !commit(error))
            return false;
        m_jobs.push_back(std::make_unique<Job>(path));
        Job* job = m_jobs.back().get();
        m_pool.start([job, uwTime, depths = std::move(depths), temps = std::move(temps)] {
            const QByteArray png = EncodePng(RenderChart(QSize(kChartWidth, kChartHeight), uwTime, depths, temps));
            QFile old(job->path);
            job->same = !png.isEmpty() && old.size() == png.size() && old.open(QIODevice::ReadOnly) && old.readAll() == png;
            // A picture that could not be encoded leaves its file unwritten, which fails at the commit.
            if (!png.isEmpty() && !job->same)
                job->file.open() && job->file.write(png) && job->file.closeUnsynced();
        });
        return true;
    }
    // Waits for the pictures added so far and puts them in place. Of two dives with one
    // number in a batch only the later is written, as it would replace the earlier.
    bool commit(QString* error)
    {
        m_pool.waitForDone();
        std::vector<SafeFileWriter*> files;
        QSet<QString> seen;
        for (auto job = m_jobs.rbegin(); job != m_jobs.rend(); ++job) {
            const bool replaced = seen.contains((*job)->path);
            seen.insert((*job)->path);
            if (!replaced && !(*job)->same)
                files.push_back(&(*job)->file);
        }
        std::reverse(files.begin(), files.end());
        const bool ok = CommitTogether(files, error);
        m_jobs.clear();
        return ok;
    }

private:
    struct Job {
        explicit Job(const QString& path) : path(path), file(path) {}
        QString path;
        SafeFileWriter file;
        bool same = false;
    };
    static constexpr size_t kBatch = 256;
    QThreadPool m_pool;
    std::vector<std::unique_ptr<Job>> m_jobs;
};

// Where the pictures of a page go: "charts" beside it.
QString chartsFolder(const QString& fileName)
{
    return QFileInfo(fileName).absolutePath() + QStringLiteral("/charts");
}

bool makeFolder(const QString& folder, QString* error)
{
    const QFileInfo info(folder);
    if (info.isDir() || (!info.exists() && QDir().mkdir(folder)))
        return true;
    *error = tr("フォルダ %1 を作成できません").arg(folder);
    return false;
}
}  // namespace

HtmlTemplate SplitTemplate(const QString& text)
{
    HtmlTemplate t;
    t.page.reserve(text.size() + 64);
    bool inBlock = false;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = QStringView(text).mid(start, end - start);
        start = end + (end + 1 < text.size() && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n') ? 2 : 1);
        const QString lower = line.toString().toLower();
        if (isMarker(lower, QLatin1StringView(" begin "))) {
            t.page += kInsertData;
            t.page += QLatin1String("\r\n");
            inBlock = true;
        } else if (isMarker(lower, QLatin1StringView(" end "))) {
            inBlock = false;
        } else {
            QString& to = inBlock ? t.block : t.page;
            to += line;
            to += QLatin1String("\r\n");
        }
    }
    return t;
}

bool ReadTemplate(const QString& path, HtmlTemplate* result, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("テンプレート %1 を読み込めません: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = tr("テンプレート %1 を読み込めません: %2").arg(path, file.errorString());
        return false;
    }
    *result = SplitTemplate(QStringDecoder("Shift_JIS").decode(bytes));
    return true;
}

QString TemplateFilePath()
{
    const QString own =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/template.htm");
    if (QFileInfo::exists(own))
        return own;
    // Installed in share/tidewriter beside bin/, in the build tree as installed.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tidewriter/template.htm"));
}

void ReplaceField(QString& record, const QString& name, QString value)
{
    // Values never hold "<" once escaped, so a record without "<%" has nothing left to replace.
    if (!record.contains(QLatin1String("<%")))
        return;
    value = CrLfLines(value);  // a lone line feed would leave a line without its CR
    value.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    value.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    value.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    value.replace(QLatin1String("\r\n"), QLatin1String("<br>\r\n"));
    if (value.isEmpty())
        value = QString(QChar(0x3000));
    record.replace(QLatin1String("<%") + name + QLatin1String("%>"), value);
}

bool RecordHtml(const QString& block, const DiveTexts& dive, QString* record, QString* error)
{
    const QString inText = dive.text(F::txtInTime), outText = dive.text(F::txtOutTime);
    const std::optional<QTime> in = timeOfDay(inText), out = timeOfDay(outText);
    if (!in || !out) {
        *error = tr("No.%1 の時刻 %2 を時刻として読めません").arg(dive.text(F::txtNo), in ? outText : inText);
        return false;
    }
    const QString date = dive.text(F::dtpDate);
    const std::pair<const char*, QString> fields[] = {
        {"no", dive.text(F::txtNo)},
        {"total_time", dive.text(F::txtTotalTime)},
        {"date", longDate(date)},
        {"date_short", date},
        {"location", dive.text(F::cboLocation)},
        {"buddy", dive.text(F::cboBuddy)},
        {"guide", dive.text(F::cboGuide)},
        {"comment", dive.text(F::txtComment)},
        {"in_time", timeText(*in, true)},
        {"ex_time", timeText(*out, true)},
        {"in_time_short", timeText(*in, false)},
        {"ex_time_short", timeText(*out, false)},
        {"si", dive.text(F::txtSI)},
        {"in_pg", dive.text(F::txtInPG)},
        {"ex_pg", dive.text(F::txtOutPG)},
        {"avg_depth", dive.text(F::txtAvgDepth)},
        {"max_depth", dive.text(F::txtMaxDepth)},
        {"time", dive.text(F::txtUWTime)},
        {"rnt", dive.text(F::txtRnt)},
        {"abt", dive.text(F::txtAbt)},
        {"tbt", dive.text(F::txtTbt)},
        {"tank_capa", dive.text(F::txtTankCapa)},
        {"in_tank_bar", dive.text(F::txtStartTankBar)},
        {"ex_tank_bar", dive.text(F::txtEndTankBar)},
        {"tan_quant", dive.text(F::txtTankQuant)},
        {"tank_used", dive.text(F::txtTankUsed)},
        {"tank_speed", dive.text(F::txtTankSpeed)},
        {"weather", dive.text(F::cboWeather)},
        {"air_temp", dive.text(F::txtAirTemp)},
        {"max_temp", dive.text(F::txtSurfaceTemp)},
        {"min_temp", dive.text(F::txtDepthTemp)},
        {"weight", dive.text(F::txtWeight)},
        {"suit", dive.text(F::cboSuit)},
        {"air_type", dive.text(F::cboAirType)},
        {"min_visibility", dive.text(F::txtMinVisibility)},
        {"max_visibility", dive.text(F::txtMaxVisibility)},
        {"min_transparency", dive.text(F::txtMinTransparency)},
        {"max_transparency", dive.text(F::txtMaxTransparency)},
        {"entry", dive.text(F::cboEntryType)},
        {"tank_mat", dive.text(F::cboTankMat)},
        {"condition", dive.text(F::lstCondition)},
        {"item", dive.text(F::lstItem)},
    };
    *record = block;
    for (const auto& [name, value] : fields)
        ReplaceField(*record, QLatin1String(name), value);
    return true;
}

QString PageTexts(QString text)
{
    text.replace(QLatin1String("<%version%>"), QStringLiteral("%1.%2.%3")
                                                   .arg(TIDEWRITER_VERSION_MAJOR)
                                                   .arg(TIDEWRITER_VERSION_MINOR)
                                                   .arg(TIDEWRITER_VERSION_PATCH));
    text.replace(QLatin1String("<%copyright%>"), QStringLiteral(TIDEWRITER_COPYRIGHT));
    return text;
}

bool ExportHTML(const QString& fileName, const QString& templatePath, const ExportChoice& choose,
                JobProgress* progress, QString* error)
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
    HtmlTemplate page;
    QString reason;
    if (!ReadTemplate(templatePath, &page, &reason))
        return fail(reason);
    // Opened first, so that a target that cannot be written fails before any picture is made.
    if (!file.open())
        return fail(file.errorString());

    // Everything is read before the first step lets other windows run, so a save made
    // meanwhile neither fails nor shows up in the page.
    LogSnapshot log;
    QList<ExportItem> items;
    if (!log.read(choose, &items, &reason))
        return fail(reason);
    if (progress) {
        progress->begin(tr("HTML出力処理中です . . ."), int(items.size()));
        begun = true;
    }
    const QString charts = chartsFolder(fileName);
    if (!makeFolder(charts, &reason))
        return fail(reason);

    // The page around its insertion points. With one point (the usual template) each
    // record goes straight to the file; with more, every point gets all records.
    const QStringList parts = PageTexts(page.page).split(QString::fromUtf16(kInsertData));
    const bool streamed = parts.size() <= 2;
    QByteArray records;
    if (!file.write(encode(parts[0])))
        return fail(file.errorString());

    DiveTexts dive(log.context());
    PictureWriter pictures;
    // A picture that cannot be written stops the export; those written before it stay.
    const auto failPicture = [&] { return fail(tr("画像が保存できませんでした") + QLatin1Char('\n') + reason); };
    // Any other failure keeps the pictures of the dives done before it.
    const auto stop = [&](const QString& why) {
        QString ignored;
        pictures.commit(&ignored);
        return fail(why);
    };
    std::optional<ReadTransaction> lookUps;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (progress) {
            lookUps.reset();
            if (progress->stepAndAskStop(int(i + 1), int(items.size()))) {
                MsgBox(tr("出力を中断します"), MsgIcon::Exclamation);
                break;
            }
        }
        QString record;
        {
            const LogSnapshot::Lend lend(log);
            if (!lookUps)
                lookUps.emplace();
            log.load(dive, items[i]);
            if (!RecordHtml(page.block, dive, &record, &reason))
                return stop(reason);
        }
        // The values the record editor hands its chart window.
        if (!pictures.add(charts + QLatin1Char('/') + dive.text(F::txtNo) + QStringLiteral(".png"),
                          CLng(dive.text(F::txtUWTime)).value_or(0), SplitNumbers(dive.depthSeries()),
                          SplitNumbers(dive.tempSeries()), &reason))
            return failPicture();
        if (parts.size() == 1)
            continue;  // no place for the records in the page
        const QByteArray bytes = encode(PageTexts(record));
        if (!streamed)
            records += bytes;
        else if (!file.write(bytes))
            return stop(file.errorString());
    }
    lookUps.reset();
    if (!pictures.commit(&reason))
        return failPicture();
    if (progress)
        progress->setJob(tr("お待ちください . . ."));
    for (qsizetype p = 1; p < parts.size(); ++p)
        if ((!streamed && !file.write(records)) || !file.write(encode(parts[p])))
            return fail(file.errorString());
    if (!file.write("\r\n") || !file.commit())
        return fail(file.errorString());
    if (begun)
        progress->end();
    return true;
}

bool ExportHTML(const QString& fileName, const QString& templatePath, const QList<ExportItem>& items,
                JobProgress* progress, QString* error)
{
    return ExportHTML(fileName, templatePath, ChosenItems(items), progress, error);
}
