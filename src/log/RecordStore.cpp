#include "RecordStore.h"

#include "Database.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "UiServices.h"
#include "TextReaders.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QTime>
#include <algorithm>

namespace {
QString modifiedText(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toString(QStringLiteral("yyyy/MM/dd HH:mm")) : QString();
}

// A typed time as the log stores it (09:05 for 9:05); other text as it stands.
QString storedTime(const QString& text)
{
    const QTime t = TimeIn(text);
    return t.isValid() ? t.toString(QStringLiteral("HH:mm")) : text;
}
}  // namespace

const QList<RecordField>& RecordStore::fields()
{
    return DiveFields::stored();
}

QString RecordStore::SeriesText(const QList<float>& values)
{
    QStringList texts;
    texts.reserve(values.size());
    for (float v : values)
        texts << SingleToText(v);
    return JoinValues(texts, QStringLiteral(" "));
}

bool RecordStore::isListedColumn(const QString& column)
{
    for (const RecordField& f : fields())
        if (column == QLatin1String(f.column))
            return f.flags & RecordField::Listed;
    return false;
}

RecordStore::RecordStore(DiveTexts& texts, QObject* parent) : QObject(parent), m_texts(texts) {}

QString RecordStore::currentText(const RecordField& field) const
{
    const QString control = QString::fromLatin1(field.control);
    switch (field.kind) {
    case RecordField::ListIndex:
        return QString::number(m_texts.position(control));
    case RecordField::Mask:
        return QString::number(m_texts.mask(control));
    case RecordField::Series:
        return field.column == QLatin1String("depth_transit") ? m_texts.depthSeries() : m_texts.tempSeries();
    case RecordField::Text:
        // Line breaks are stored as CR LF whatever the box gave (a text box gives LF).
        return CrLfLines(m_texts.text(control));
    default:
        return m_texts.text(control);
    }
}

bool RecordStore::LoadRecord(qint64 id, long number)
{
    auto rs = OpenQuery(QStringLiteral("SELECT * FROM LogTbl WHERE id = ?"), {id});
    if (!rs) {
        MsgBox(FailureMessage(tr("レコードの読み込みに失敗しました"), LastDatabaseFailure()), MsgIcon::Exclamation,
               MsgButtons::Ok, tr("エラー"));
        return false;
    }
    m_id = id;
    m_loaded.clear();
    m_pictures.clear();
    m_picturesChanged = false;
    m_datePending = false;
    if (rs->eof()) {
        m_texts.loadEmpty(number);
        return true;
    }
    m_texts.loadRow(*rs, number);
    // The loaded text of a field is what its control shows; lists and masks keep the stored number.
    for (const RecordField& f : fields()) {
        const QString control = QString::fromLatin1(f.control);
        const QVariant stored = rs->field(QString::fromLatin1(f.column));
        if (f.kind == RecordField::ListIndex || f.kind == RecordField::Mask)
            m_loaded.insert(control, stored.isNull() ? QString() : QString::number(stored.toLongLong()));
        else
            m_loaded.insert(control, currentText(f));
    }
    // The window shows a date in any case: a dive without one that reads shows the date a
    // save would write, as an edit not saved yet.
    const QString date = DiveFields::name(DiveField::dtpDate);
    if (m_texts.text(date).isEmpty()) {
        m_texts.setText(date, QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
        m_texts.RecalcAll();
        m_datePending = true;
    }
    if (auto pics = OpenQuery(QStringLiteral("SELECT * FROM PictureTbl WHERE dive_id = ?"), {id}))
        for (; !pics->eof(); pics->moveNext())
            AddPicture(gPicPath + pics->field(QStringLiteral("filename")).toString(),
                       pics->field(QStringLiteral("title")).toString());
    return true;
}

RecordStore::AddResult RecordStore::AddPicture(const QString& path, const QString& title)
{
    for (const PictureEntry& e : std::as_const(m_pictures)) {
        if (e.path == path) {
            MsgBox(path + QStringLiteral("\n") + tr("このファイルはすでに登録されています"), MsgIcon::Critical,
                   MsgButtons::Ok, tr("登録エラー"));
            return AddResult::Duplicate;
        }
    }
    if (!path.startsWith(gPicPath)) {
        MsgBox(path + QStringLiteral("\n") + tr("このファイルは登録できません") + QStringLiteral("\n\n")
                   + tr("設定されている画像フォルダ") + QStringLiteral("\n") + gPicPath + QStringLiteral("\n")
                   + tr("以下のフォルダ内のファイルのみが登録できます"),
               MsgIcon::Critical, MsgButtons::Ok, tr("登録エラー"));
        return AddResult::OutsideFolder;
    }
    m_pictures.append({path, title, modifiedText(path)});
    m_picturesChanged = true;
    return AddResult::Added;
}

void RecordStore::removePictures(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int r : rows) {
        if (r >= 0 && r < m_pictures.size()) {
            m_pictures.removeAt(r);
            m_picturesChanged = true;
        }
    }
}

void RecordStore::renamePicture(int row, const QString& title)
{
    if (row < 0 || row >= m_pictures.size())
        return;
    m_pictures[row].title = title;
    m_picturesChanged = true;
}

void RecordStore::reorderPictures(const QList<int>& newOrderOfOldRows)
{
    QList<PictureEntry> reordered;
    for (int old : newOrderOfOldRows)
        if (old >= 0 && old < m_pictures.size())
            reordered.append(m_pictures.at(old));
    if (reordered.size() == m_pictures.size())
        m_pictures = reordered;
}

RecordStore::PictureSave RecordStore::SavePictures()
{
    if (!m_picturesChanged)
        return PictureSave::Unchanged;
    const auto tell = [](const QString& text) { MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, tr("エラー")); };
    const auto failure = [] { return FailureMessage(tr("データの更新に失敗しました"), LastDatabaseFailure()); };
    // The old rows stay when the new ones cannot all be written.
    if (!gDatabase->execute(QStringLiteral("SAVEPOINT pictures"))) {
        tell(failure());
        return PictureSave::Refused;
    }
    // Puts back the old rows; when even that fails, some of them may be gone.
    const auto undo = [&tell](const QString& message) {
        const bool undone = gDatabase->execute(QStringLiteral("ROLLBACK TO pictures"))
            && gDatabase->execute(QStringLiteral("RELEASE pictures"));
        tell(message);
        return undone ? PictureSave::Refused : PictureSave::Broken;
    };
    try {
        ExecuteSQL(QStringLiteral("DELETE FROM PictureTbl WHERE dive_id = ?"), {m_id}, true);
        for (const PictureEntry& e : std::as_const(m_pictures)) {
            if (!e.path.startsWith(gPicPath))
                return undo(tr("設定されている画像フォルダ") + QStringLiteral("\r\n") + gPicPath + QStringLiteral("\r\n")
                            + tr("以下のフォルダ内のファイルのみが登録できます"));
            ExecuteSQL(QStringLiteral("INSERT INTO PictureTbl (dive_id, filename, title) VALUES (?, ?, ?)"),
                       {m_id, e.path.mid(gPicPath.size()), e.title}, true);
        }
    } catch (const SqlError& e) {
        return undo(FailureMessage(tr("データの更新に失敗しました"), DatabaseFailure(e)));
    }
    if (!gDatabase->execute(QStringLiteral("RELEASE pictures"))) {
        tell(failure());
        return PictureSave::Broken;
    }
    return PictureSave::Kept;
}

RecordStore::SaveResult RecordStore::SaveRecord()
{
    SaveResult result;
    BackupDatabase();
    if (!gDatabase || !gDatabase->beginTrans()) {
        MsgBox(FailureMessage(tr("データの更新に失敗しました"), LastDatabaseError()), MsgIcon::Exclamation,
               MsgButtons::Ok, tr("エラー"));
        return result;
    }
    QHash<QString, QString> written;
    for (const RecordField& f : fields()) {
        const QString control = QString::fromLatin1(f.control);
        const QString value = currentText(f);
        if (value == m_loaded.value(control))
            continue;
        QVariant bound;
        switch (f.kind) {
        case RecordField::Date:
            bound = DateIn(value).toString(Qt::ISODate);
            break;
        case RecordField::ListIndex:
        case RecordField::Mask:
            bound = value.toLongLong();
            break;
        default:
            if (!value.isEmpty())
                bound = f.column == QLatin1String("in_time") || f.column == QLatin1String("out_time") ? storedTime(value)
                                                                                                      : value;
        }
        const QString sql = QStringLiteral("UPDATE LogTbl SET %1 = ?, update_time = datetime('now', 'localtime')"
                                           " WHERE id = ?")
                                .arg(QLatin1String(f.column));
        if (!ExecuteSQL(sql, {bound, m_id})) {
            const QString message = FailureMessage(tr("データの更新に失敗しました"), LastDatabaseFailure());
            gDatabase->rollback();
            MsgBox(message, MsgIcon::Exclamation, MsgButtons::Ok, tr("エラー"));
            result.failedControl = control;
            return result;
        }
        written.insert(control, value);
        ++result.fieldsWritten;
        if (isListedColumn(QString::fromLatin1(f.column)))
            result.listedFieldWritten = true;
    }
    const PictureSave pictures = SavePictures();
    if (pictures == PictureSave::Broken) {
        gDatabase->rollback();
        return result;
    }
    // A commit that fails is rolled back; the edits stay in the window to save again.
    if (!gDatabase->commitTrans()) {
        MsgBox(FailureMessage(tr("データの更新に失敗しました"), LastDatabaseFailure()), MsgIcon::Exclamation,
               MsgButtons::Ok, tr("エラー"));
        return result;
    }
    for (auto it = written.cbegin(); it != written.cend(); ++it)
        m_loaded.insert(it.key(), it.value());
    if (pictures == PictureSave::Kept)
        m_picturesChanged = false;
    m_texts.RecalcAll();
    LoadSuggestionLists();
    result.ok = true;
    return result;
}
