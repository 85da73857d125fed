#pragma once
// What the options dialog edits, read from the log and the settings file, and written
// back in one transaction. No widget here: the dialog only moves texts in and out.
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

// The five lookup lists the dialog edits, in the order they are read and written.
enum class OptionList { Suit, Item, Weather, Condition, AirType };
inline constexpr int kOptionListCount = 5;
// Each list page offers this many boxes; box n shows the entry with id n - 1.
inline constexpr int kOptionListBoxes = 14;
// "COM 1" to "COM 4" are the first four serial lines of the machine.
inline constexpr int kComPorts = 4;

struct OptionTable {
    QString table;
    QString column;
};
OptionTable OptionListTable(OptionList list);

struct OptionValues {
    // Offsets as typed; Apply refuses the whole change when one is not a whole number.
    QString noOffset;
    QString timeHours;
    QString timeMinutes;
    QString picPath;
    // Box texts, kOptionListBoxes per list, indexed by OptionList.
    std::array<QStringList, kOptionListCount> lists;
    // The chosen line: a device path wins; otherwise port 1 to 4 (COM n); 0 keeps the
    // settings as they are.
    long port = 0;
    QString portName;
};

// The log's values and the current port settings (gPort, gPortName).
OptionValues LoadOptionValues();

// The field rules, shared by the checks on leaving a box and by Apply: a number (blanks
// around it allowed) rounded to a whole one, within the range the labels name.
std::optional<long> OffsetCountIn(const QString& text);
std::optional<long> OffsetHoursIn(const QString& text);
std::optional<long> OffsetMinutesIn(const QString& text);

// Backs the log up, then writes everything in one transaction: the configuration row,
// the five lists renumbered 0 to n - 1 in box order (empty boxes dropped), the port
// settings, and reloads the lookup lists; refresh runs before the commit so the list
// window shows the new numbers. False when anything failed: the log and the port settings
// are as they were, and nothing at all is touched when an offset is not a whole number.
// why, when given, receives what refused the change (the failing statement with the log's
// description, or the settings file); it stays empty for a refused offset.
bool ApplyOptionValues(const OptionValues& values, const std::function<void()>& refresh, QString* why = nullptr);

// The device path of COM n (1 to 4), and the COM number of a device path (0 for others).
QString ComPortDevice(long port);
long ComPortOfDevice(const QString& device);
// Serial devices present on the machine, as device paths.
QStringList PresentSerialDevices();
// The entries after the four COM ports: the present devices that are not COM ports, in
// natural order, and the saved device even when it is absent now.
QStringList PortDeviceEntries(const QStringList& present, const QString& savedDevice);
