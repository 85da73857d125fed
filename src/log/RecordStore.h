#pragma once
// One dive as its record window edits it: the texts it loaded, the attached files, and
// the save that writes what changed.
#include "DiveFields.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class DiveTexts;

struct PictureEntry {
    QString path;      // full path: the picture folder followed by the stored file name
    QString title;
    QString modified;  // last-modified time "yyyy/MM/dd HH:mm", empty when unreadable
};

class RecordStore : public QObject {
    Q_OBJECT
public:
    // The stored fields in the order a save writes them.
    static const QList<RecordField>& fields();
    // The series text of a list of numbers: each in its shortest plain decimal form (never
    // an exponent), one blank between; SplitNumbers reads the same numbers back.
    static QString SeriesText(const QList<float>& values);
    // Columns whose change the dive list shows.
    static bool isListedColumn(const QString& column);

    explicit RecordStore(DiveTexts& texts, QObject* parent = nullptr);

    qint64 id() const { return m_id; }
    // Loads dive id into the texts (as a freshly opened editor shows it), remembers every
    // field's loaded text and lists the attached files. False, with the message shown,
    // when the log could not be read; an id without a row gives an empty record.
    bool LoadRecord(qint64 id, long number);
    // The loaded dive had no readable date: it shows today's, which the next save writes.
    bool datePending() const { return m_datePending; }
    void unload() { m_id = 0; }

    // The text a field had when loaded (the field's own control name or series name).
    QString loadedText(const QString& control) const { return m_loaded.value(control); }
    // The field's current value as text, compared with its loaded text by a save; a
    // text's line breaks as CR LF, the form it is stored in.
    QString currentText(const RecordField& field) const;

    // Attached files, in the order a save writes them.
    const QList<PictureEntry>& pictures() const { return m_pictures; }
    enum class AddResult { Added, Duplicate, OutsideFolder };
    // Adds a file unless it is listed already or lies outside the picture folder (both
    // told to the user); an added file marks the list as changed.
    AddResult AddPicture(const QString& path, const QString& title);
    void removePictures(QList<int> rows);
    void renamePicture(int row, const QString& title);
    // Puts the list in the order the window shows it.
    void reorderPictures(const QList<int>& newOrderOfOldRows);
    bool picturesChanged() const { return m_picturesChanged; }
    void markPicturesChanged() { m_picturesChanged = true; }

    struct SaveResult {
        bool ok = false;
        QString failedControl;      // the field whose write failed
        bool listedFieldWritten = false;
        int fieldsWritten = 0;
    };
    // Backup, then every changed field and the attached files in one transaction. A
    // failed field write undoes the whole save and is told to the user; the loaded texts
    // change only once the save is committed. File rows that cannot be written (a file
    // outside the picture folder) keep the old rows and do not fail the save.
    SaveResult SaveRecord();

private:
    // Kept: rows rewritten. Refused: the old rows stay (told to the user), the save goes
    // on. Broken: the rows could not be put back, so the whole save must be undone.
    enum class PictureSave { Unchanged, Kept, Refused, Broken };
    PictureSave SavePictures();

    DiveTexts& m_texts;
    qint64 m_id = 0;
    QHash<QString, QString> m_loaded;
    QList<PictureEntry> m_pictures;
    bool m_picturesChanged = false;
    bool m_datePending = false;
};
