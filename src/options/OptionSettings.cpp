#include "OptionSettings.h"

#include "Database.h"
#include "Globals.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>
#include <limits>

namespace {
const QString kSection = QStringLiteral("OPTION");

// A whole number within the range, as a user types it.
std::optional<long> WholeNumberIn(const QString& text, long minimum, long maximum)
{
    const std::optional<long> value = CLng(text);
    if (!value || *value < minimum || *value > maximum)
        return std::nullopt;
    return value;
}

// A device path wins over the COM number; with neither chosen the settings stay as they are.
bool WritePortSettings(const OptionValues& values)
{
    if (!values.portName.isEmpty()) {
        if (!WriteIni(kSection, QStringLiteral("PORT_NAME"), values.portName))
            return false;
        gPortName = values.portName;
        return true;
    }
    if (values.port < 1 || values.port > kComPorts)
        return true;
    if (!WriteIni(kSection, QStringLiteral("PORT"), QString::number(values.port))
        || !WriteIni(kSection, QStringLiteral("PORT_NAME"), QString()))
        return false;
    gPort = values.port;
    gPortName.clear();
    return true;
}

// The port settings as Apply found them, put back when the log does not take the change,
// so that a failed Apply has changed nothing, the port included.
class PortSettingsBefore {
public:
    void restore() const
    {
        gPort = m_port;
        gPortName = m_portName;
        if (!m_fileExisted) {
            QFile::remove(gIniPath);
            return;
        }
        for (const auto& [key, value] : {std::pair(QStringLiteral("PORT"), m_portText),
                                         std::pair(QStringLiteral("PORT_NAME"), m_portNameText)})
            if (ReadIni(kSection, key, QString()) != value)
                WriteIni(kSection, key, value);
    }

private:
    bool m_fileExisted = QFileInfo::exists(gIniPath);
    QString m_portText = ReadIni(kSection, QStringLiteral("PORT"), QString());
    QString m_portNameText = ReadIni(kSection, QStringLiteral("PORT_NAME"), QString());
    long m_port = gPort;
    QString m_portName = gPortName;
};

// Everything that belongs to one Apply, inside the caller's transaction.
bool WriteAll(const OptionValues& values, long noOffset, long timeOffset, QString* why)
{
    try {
        ExecuteSQL(QStringLiteral("UPDATE ConfigTbl SET no_offset = ?, time_offset = ?, pic_path = ?"),
                   {qlonglong(noOffset), qlonglong(timeOffset), RemoveTrailing(values.picPath, QStringLiteral("/"))},
                   true);
        for (int i = 0; i < kOptionListCount; ++i) {
            const OptionTable t = OptionListTable(OptionList(i));
            // Only the ids the boxes show are rewritten: rows another tool keeps beyond them stay.
            ExecuteSQL(QStringLiteral("DELETE FROM %1 WHERE id >= 0 AND id < ?").arg(t.table),
                       {qlonglong(kOptionListBoxes)}, true);
            // Ids follow the filled boxes without gaps: a list is addressed by position.
            qlonglong id = 0;
            for (const QString& text : values.lists[i]) {
                if (text.isEmpty())
                    continue;
                // A pasted line break is stored as CR LF, like every text of the log.
                ExecuteSQL(QStringLiteral("INSERT INTO %1 (id, %2) VALUES (?, ?)").arg(t.table, t.column),
                           {id, CrLfLines(text)}, true);
                ++id;
            }
        }
    } catch (const SqlError& e) {
        *why = DatabaseFailure(e);
        return false;
    }
    if (!WritePortSettings(values)) {
        *why = QCoreApplication::translate("OptionSettings", "ファイル %1 に書き込めませんでした").arg(gIniPath);
        return false;
    }
    return true;
}
}  // namespace

OptionTable OptionListTable(OptionList list)
{
    switch (list) {
    case OptionList::Suit: return {QStringLiteral("SuitTbl"), QStringLiteral("text")};
    case OptionList::Item: return {QStringLiteral("ItemTbl"), QStringLiteral("name")};
    case OptionList::Weather: return {QStringLiteral("WeatherTbl"), QStringLiteral("text")};
    case OptionList::Condition: return {QStringLiteral("ConditionTbl"), QStringLiteral("name")};
    case OptionList::AirType: return {QStringLiteral("AirTypeTbl"), QStringLiteral("text")};
    }
    return {};
}

OptionValues LoadOptionValues()
{
    OptionValues values;
    if (auto rs = OpenQuery(QStringLiteral("SELECT * FROM ConfigTbl")); rs && !rs->eof()) {
        const QVariant no = rs->field(QStringLiteral("no_offset"));
        const QVariant time = rs->field(QStringLiteral("time_offset"));
        const QVariant pic = rs->field(QStringLiteral("pic_path"));
        if (!no.isNull())
            values.noOffset = QString::number(no.toLongLong());
        if (!time.isNull()) {
            const qlonglong minutes = time.toLongLong();
            values.timeHours = QString::number(minutes / 60);
            values.timeMinutes = QString::number(minutes % 60);
        }
        if (!pic.isNull())
            values.picPath = pic.toString();
    }
    for (int i = 0; i < kOptionListCount; ++i) {
        QStringList& boxes = values.lists[i];
        boxes = QStringList(kOptionListBoxes, QString());
        const OptionTable t = OptionListTable(OptionList(i));
        auto rs = OpenQuery(QStringLiteral("SELECT id, %1 FROM %2").arg(t.column, t.table));
        for (; rs && !rs->eof(); rs->moveNext()) {
            bool ok = false;
            const qlonglong id = rs->field(0).toLongLong(&ok);
            // A row without a box of its own cannot be shown.
            if (ok && id >= 0 && id < kOptionListBoxes)
                boxes[id] = rs->field(1).toString();
        }
    }
    if (const long com = ComPortOfDevice(gPortName)) {
        values.port = com;
    } else {
        values.port = gPort >= 1 && gPort <= kComPorts ? gPort : 0;
        values.portName = gPortName;
    }
    return values;
}

std::optional<long> OffsetCountIn(const QString& text)
{
    return WholeNumberIn(text, 0, std::numeric_limits<int>::max());
}

std::optional<long> OffsetHoursIn(const QString& text)
{
    return WholeNumberIn(text, 0, 9999);
}

std::optional<long> OffsetMinutesIn(const QString& text)
{
    return WholeNumberIn(text, 0, 60);
}

bool ApplyOptionValues(const OptionValues& values, const std::function<void()>& refresh, QString* why)
{
    QString reason;
    const auto fail = [&reason, why] {
        if (why)
            *why = reason;
        return false;
    };
    const std::optional<long> no = OffsetCountIn(values.noOffset);
    const std::optional<long> hours = OffsetHoursIn(values.timeHours);
    const std::optional<long> minutes = OffsetMinutesIn(values.timeMinutes);
    if (!no || !hours || !minutes || !gDatabase)
        return false;
    BackupDatabase();
    if (!gDatabase->beginTrans()) {
        reason = LastDatabaseFailure();
        return fail();
    }
    const PortSettingsBefore portBefore;
    bool reloaded = false;
    if (WriteAll(values, *no, *hours * 60 + *minutes, &reason)) {
        LoadLookupTables();
        reloaded = true;
        if (refresh)
            refresh();
        if (gDatabase->commitTrans())
            return true;
        reason = LastDatabaseFailure();
    }
    gDatabase->rollback();
    portBefore.restore();
    // The lists and the window must not show what the log no longer holds.
    if (reloaded) {
        LoadLookupTables();
        if (refresh)
            refresh();
    }
    return fail();
}

QString ComPortDevice(long port)
{
    return port >= 1 && port <= kComPorts ? QStringLiteral("/dev/ttyS%1").arg(port - 1) : QString();
}

long ComPortOfDevice(const QString& device)
{
    for (long port = 1; port <= kComPorts; ++port)
        if (device == ComPortDevice(port))
            return port;
    return 0;
}

QStringList PresentSerialDevices()
{
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    return devices;
}

QStringList PortDeviceEntries(const QStringList& present, const QString& savedDevice)
{
    QStringList entries;
    for (const QString& device : present + QStringList{savedDevice})
        if (!device.isEmpty() && !ComPortOfDevice(device) && !entries.contains(device))
            entries << device;
    // ttyUSB2 before ttyUSB10: the trailing unit number compares as a number.
    const auto split = [](const QString& device) {
        qsizetype digits = device.size();
        while (digits > 0 && device.at(digits - 1).isDigit())
            --digits;
        return std::pair(device.left(digits), device.mid(digits).toULongLong());
    };
    std::sort(entries.begin(), entries.end(),
              [&split](const QString& a, const QString& b) { return split(a) < split(b); });
    return entries;
}
