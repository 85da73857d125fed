#pragma once
// What an export needs from the log, read in one go before its progress window lets other
// windows run: the chosen dives' rows, the dates and times their worked-out values come
// from, and the lookup lists and time offset their texts are made of. The file then shows
// one state of the log, and a save made meanwhile neither fails nor shows up in it.
#include "DiveContext.h"
#include "DiveTexts.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

struct ExportItem {
    qint64 id;
    long number;  // the dive number the list shows for it
};

// Chooses the dives inside that same read of the log, so that what the choice reads (the
// list's numbers, say) belongs to the state the file shows. False, with error set, stops
// the export before the target is touched.
using ExportChoice = std::function<bool(QList<ExportItem>* items, QString* error)>;
// The choice of dives already made: these, in this order.
ExportChoice ChosenItems(QList<ExportItem> items);

// Runs query once per slice of the items' ids, with "?,?,…" for the slice's IN list and
// its ids as the values, so that no statement gets more parameters than SQLite takes.
// False as soon as query is.
bool ForIdChunks(const QList<ExportItem>& items, const std::function<bool(const QString& marks, const QVariantList& ids)>& query);

// A read transaction unless one is open already: the queries inside it take the file lock
// once between them instead of once each.
struct ReadTransaction {
    ReadTransaction();
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;
    bool open;
};

class LogSnapshot {
public:
    // False with error set when the choice refused or the log could not be read.
    bool read(const ExportChoice& choose, QList<ExportItem>* chosen, QString* error);
    // Loads the item's dive into texts, as its editor would show it. Call it while a Lend
    // is alive.
    void load(DiveTexts& texts, const ExportItem& item) const;
    DiveContext* context() { return &m_context; }

    // Lends the lists and offset as read to the globals the texts are made from, while
    // one dive is made. Nothing else runs meanwhile, so an options change applied during
    // the export neither reaches the file nor is lost.
    class Lend {
    public:
        explicit Lend(LogSnapshot& log) : m_log(log) { swap(); }
        ~Lend() { swap(); }
        Lend(const Lend&) = delete;
        Lend& operator=(const Lend&) = delete;

    private:
        void swap();
        LogSnapshot& m_log;
    };

private:
    BatchDiveContext m_context;
    // Only what the texts are made of, not the whole rows: a large log's rows would take
    // many megabytes while the export runs.
    std::vector<DiveRow> m_rows;
    QHash<qint64, int> m_rowOf;  // id: position in m_rows
    std::array<QStringList, 7> m_lists;
    long m_timeOffset = 0;
};
