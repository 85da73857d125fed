#pragma once
// The log's record commands without a window: new, clone, delete and the insert of a
// transferred dive. Each backs up the log first, binds every value and tells the user
// through the UI services when the log refuses; the list window calls them, then
// refreshes itself and closes the editors of deleted dives.
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QDate;
class QObject;
class QTime;
struct HADive;

// A dive as the list shows it, for the delete question.
struct ListedDive {
    qint64 id = 0;
    QString number;    // the No. column
    QString when;      // the date and entry time column
    QString location;
};

class LogOperations {
    Q_DECLARE_TR_FUNCTIONS(LogOperations)
public:
    // owner: the window the messages belong to.
    explicit LogOperations(QObject* owner = nullptr) : m_owner(owner) {}

    // A dive dated today with both time stamps now, every other column empty. Its id, or
    // none when the log refused it.
    std::optional<qint64> InsertNewRecord() const;

    struct CloneResult {
        QList<qint64> ids;  // the copies made, in the order of the originals
        bool ok = true;     // false: the log refused one, and the rest were not copied
    };
    // Copies every column of each dive but its id, the time stamps included, with a backup
    // before each copy. Attached files stay with the original.
    CloneResult CloneRecords(const QList<qint64>& ids) const;

    // Asks first, backs up the log whatever the answer, then deletes each dive; a refusal
    // is told and the other dives are still deleted. `deleted` runs after each deletion.
    // False when the user said No (nothing deleted). Attached-file rows stay.
    bool DeleteRecords(const QList<ListedDive>& dives, const std::function<void(qint64)>& deleted = {}) const;

    // Whether a dive with that date and entry time is logged already.
    static bool DiveLoggedAt(const QDate& date, const QTime& inTime);
    // A transferred dive as a new record, in one transaction: all of it or nothing. Its
    // id, or none when the log refused it.
    std::optional<qint64> ImportDive(const HADive& dive) const;

private:
    void tellFailure(const QString& text, const QString& why, bool critical = false) const;

    QObject* m_owner;
};
