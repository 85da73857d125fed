// The options dialog against a log of its own: what it shows on opening, what Apply
// leaves in the log, the settings file and the shared lists, when it leaves everything
// alone, its field checks and keys, and the list window it is opened from.
#include "Globals.h"
#include "IniFile.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "frmOption.h"
#include "modStartup.h"
#include "modSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

namespace {
template <class T> T* child(const QObject& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

QLineEdit* box(const QObject& d, const QString& name)
{
    return child<QLineEdit>(d, name);
}

void click(const QObject& d, const char* button)
{
    child<QPushButton>(d, QString::fromLatin1(button))->click();
}

QComboBox* portCombo(const QObject& d)
{
    return child<QComboBox>(d, QStringLiteral("cboPort"));
}

// Chooses the entry with that text, as the user would from the list.
void choosePort(const QObject& d, const QString& text)
{
    const int i = portCombo(d)->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    portCombo(d)->setCurrentIndex(i);
}

QStringList boxTexts(const QObject& d, const QString& prefix)
{
    QStringList texts;
    for (int n = 0; n < kOptionListBoxes; ++n)
        texts << box(d, QStringLiteral("%1_%2").arg(prefix).arg(n))->text();
    return texts;
}

// Rows as "id=text", in storage order.
QStringList rows(TestLog& t, const QString& table, const QString& column)
{
    QStringList r;
    auto rs = t.db().query(QStringLiteral("SELECT id, %1 FROM %2 ORDER BY rowid").arg(column, table));
    for (; rs && !rs->eof(); rs->moveNext())
        r << rs->field(0).toString() + QLatin1Char('=') + rs->field(1).toString();
    return r;
}

QStringList configRow(TestLog& t)
{
    auto rs = t.db().query(QStringLiteral("SELECT no_offset, time_offset, pic_path FROM ConfigTbl"));
    return {rs->field(0).toString(), rs->field(1).toString(), rs->field(2).toString()};
}

// Every lookup table and the dives, to show what an Apply left alone.
QStringList snapshot(TestLog& t, const QString& except = {})
{
    QStringList all;
    const std::pair<const char*, const char*> tables[] = {
        {"SuitTbl", "text"},       {"ItemTbl", "name"},       {"WeatherTbl", "text"}, {"ConditionTbl", "name"},
        {"AirTypeTbl", "text"},    {"EntryTypeTbl", "text"}, {"TankMatTbl", "text"}};
    for (const auto& [table, column] : tables)
        if (except != QLatin1String(table))
            all << rows(t, table, column);
    auto rs = t.db().query("SELECT id, suit, item, weather, condition, air_type FROM LogTbl ORDER BY id");
    for (; rs && !rs->eof(); rs->moveNext())
        for (int i = 0; i < rs->fieldCount(); ++i)
            all << rs->field(i).toString();
    return all;
}

QStringList* globalList(const QString& table)
{
    if (table == "SuitTbl") return &gSuits;
    if (table == "ItemTbl") return &gItems;
    if (table == "WeatherTbl") return &gWeathers;
    if (table == "ConditionTbl") return &gConditions;
    return &gAirTypes;
}

void setIni(const QString& key, const QString& value)
{
    QVERIFY(IniFile::write(gIniPath, "OPTION", key, value));
}

QString ini(const QString& key)
{
    return IniFile::read(gIniPath, "OPTION", key, QString());
}

void setOffsets(TestLog& t, int noOffset, int timeOffset, const QString& picPath = {})
{
    QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = ?, time_offset = ?, pic_path = ?",
                           {noOffset, timeOffset, picPath.isNull() ? QVariant() : QVariant(picPath)}));
    LoadLookupTables();
}

// A dialog shown and active, so that the focus moves as it does for a user.
struct ShownDialog {
    ShownDialog()
    {
        d.show();
        d.activateWindow();
        if (!QTest::qWaitForWindowActive(&d))
            qFatal("the options dialog did not become active");
    }
    QTabWidget* tabs() const { return child<QTabWidget>(d, QStringLiteral("tbsOptions")); }
    frmOption d;
};
}  // namespace

class tst_frmOption : public QObject {
    Q_OBJECT
private slots:
    void portShown_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("portName");
        QTest::addColumn<QString>("shown");
        QTest::newRow("PORT=3") << "3" << "" << "COM 3";
        QTest::newRow("no settings") << "" << "" << "COM 1";
        QTest::newRow("absent device wins") << "3" << "/dev/ttyUSB7" << "/dev/ttyUSB7";
        QTest::newRow("device of a COM line") << "4" << "/dev/ttyS1" << "COM 2";
        QTest::newRow("PORT without an entry") << "7" << "" << "";
    }

    void portShown()
    {
        QFETCH(QString, port);
        QFETCH(QString, portName);
        QFETCH(QString, shown);
        ScriptedUi ui;
        TestLog t;
        setIni("PORT", port);
        setIni("PORT_NAME", portName);
        ReadProgramSettings();
        frmOption d;
        QComboBox* combo = portCombo(d);
        for (int n = 1; n <= kComPorts; ++n)
            QCOMPARE(combo->itemText(n - 1), QStringLiteral("COM %1").arg(n));
        QCOMPARE(combo->currentText(), shown);
        QVERIFY(!child<QPushButton>(d, "cmdApply")->isEnabled());
    }

    void portApplied_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("portName");
        QTest::addColumn<QStringList>("choices");  // each chosen, then applied
        QTest::addColumn<long>("newPort");
        QTest::addColumn<QString>("newPortName");
        QTest::newRow("COM 3 to COM 1") << "3" << "" << QStringList{"COM 1"} << 1L << "";
        QTest::newRow("device to COM") << "2" << "/dev/ttyUSB7" << QStringList{"COM 3"} << 3L << "";
        QTest::newRow("COM, then the device again")
            << "2" << "/dev/ttyUSB7" << QStringList{"COM 3", "/dev/ttyUSB7"} << 3L << "/dev/ttyUSB7";
    }

    void portApplied()
    {
        QFETCH(QString, port);
        QFETCH(QString, portName);
        QFETCH(QStringList, choices);
        QFETCH(long, newPort);
        QFETCH(QString, newPortName);
        ScriptedUi ui;
        TestLog t;
        setIni("PORT", port);
        setIni("PORT_NAME", portName);
        ReadProgramSettings();
        {
            frmOption d;
            for (const QString& choice : choices) {
                choosePort(d, choice);
                QVERIFY(child<QPushButton>(d, "cmdApply")->isEnabled());
                click(d, "cmdApply");
                QVERIFY(!child<QPushButton>(d, "cmdApply")->isEnabled());
            }
        }
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(gPort, newPort);
        QCOMPARE(gPortName, newPortName);
        QCOMPARE(ini("PORT"), QString::number(newPort));
        QCOMPARE(ini("PORT_NAME"), newPortName);

        // The next run reads the same choice back.
        ResetGlobals();
        gIniPath = t.path("tidewriter.ini");
        gDatabase = &t.db();
        ReadProgramSettings();
        frmOption again;
        QCOMPARE(portCombo(again)->currentText(), newPortName.isEmpty() ? QStringLiteral("COM %1").arg(newPort)
                                                                        : newPortName);
    }

    void deviceEntries_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("COM lines left out") << QStringList{"/dev/ttyS0", "/dev/ttyS3", "/dev/ttyS4", "/dev/ttyUSB0"}
                                            << "" << QStringList{"/dev/ttyS4", "/dev/ttyUSB0"};
        QTest::newRow("natural order") << QStringList{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyACM0"} << ""
                                       << QStringList{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10"};
        QTest::newRow("absent saved device") << QStringList{"/dev/ttyUSB0"} << "/dev/ttyUSB7"
                                             << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB7"};
        QTest::newRow("present saved device once") << QStringList{"/dev/ttyUSB0"} << "/dev/ttyUSB0"
                                                   << QStringList{"/dev/ttyUSB0"};
        QTest::newRow("saved COM line") << QStringList{} << "/dev/ttyS2" << QStringList{};
    }

    void deviceEntries()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, saved);
        QFETCH(QStringList, entries);
        QCOMPARE(PortDeviceEntries(present, saved), entries);
    }

    void lists_data()
    {
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::newRow("suit") << "txtSuit" << "SuitTbl" << "text";
        QTest::newRow("item") << "txtItem" << "ItemTbl" << "name";
        QTest::newRow("air") << "txtAirType" << "AirTypeTbl" << "text";
        QTest::newRow("weather") << "txtWeather" << "WeatherTbl" << "text";
        QTest::newRow("condition") << "txtCondition" << "ConditionTbl" << "name";
    }

    void lists()
    {
        QFETCH(QString, boxes);
        QFETCH(QString, table);
        QFETCH(QString, column);
        ScriptedUi ui;
        TestLog t;
        const qint64 dive = t.addDive("2023-05-01", "10:00", "10:40");
        QVERIFY(t.db().execute("UPDATE LogTbl SET suit = 3, item = 2, weather = 3, condition = 3, air_type = 3"
                               " WHERE id = ?", {dive}));
        const QStringList others = snapshot(t, table);
        {
            frmOption d;
            for (int n = 0; n < kOptionListBoxes; ++n)
                box(d, QStringLiteral("%1_%2").arg(boxes).arg(n))->clear();
            // Boxes 1, 2, 4 and 14 filled: the ids close up over the empty boxes.
            box(d, boxes + "_0")->setText("First");
            box(d, boxes + "_1")->setText("O'Neil's");
            box(d, boxes + "_3")->setText("Fourth");
            box(d, boxes + "_13")->setText("Last");
            click(d, "cmdOk");
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(rows(t, table, column), QStringList({"0=First", "1=O'Neil's", "2=Fourth", "3=Last"}));
        QCOMPARE(*globalList(table), QStringList({"First", "O'Neil's", "Fourth", "Last"}));
        QCOMPARE(snapshot(t, table), others);
        QVERIFY(QFileInfo::exists(t.logPath() + ".bak"));

        frmOption again;
        QStringList expected{"First", "O'Neil's", "Fourth", "Last"};
        while (expected.size() < kOptionListBoxes)
            expected << QString();
        QCOMPARE(boxTexts(again, boxes), expected);
    }

    void boxesShowRowsById_data()
    {
        lists_data();
    }

    void boxesShowRowsById()
    {
        QFETCH(QString, boxes);
        QFETCH(QString, table);
        QFETCH(QString, column);
        ScriptedUi ui;
        TestLog t;
        QVERIFY(t.db().execute(QStringLiteral("DELETE FROM %1").arg(table)));
        // Stored out of order, one id beyond the last box and one below the first.
        const std::pair<int, const char*> stored[] = {{13, "n"}, {2, "c"}, {0, "a"}, {14, "beyond"}, {-1, "below"}};
        for (const auto& [id, text] : stored)
            QVERIFY(t.db().execute(QStringLiteral("INSERT INTO %1 (id, %2) VALUES (?, ?)").arg(table, column),
                                   {id, QString::fromLatin1(text)}));
        frmOption d;
        QStringList expected(kOptionListBoxes, QString());
        expected[0] = "a";
        expected[2] = "c";
        expected[13] = "n";
        QCOMPARE(boxTexts(d, boxes), expected);
        QVERIFY(!child<QPushButton>(d, "cmdApply")->isEnabled());
    }

    void configValues_data()
    {
        QTest::addColumn<QString>("no");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("stored");  // no_offset, time_offset, pic_path; empty: Apply fails
        QTest::newRow("2 h 30 min") << "12" << "2" << "30" << "/home/diver/写真"
                                    << QStringList{"12", "150", "/home/diver/写真"};
        QTest::newRow("trailing separators") << "0" << "0" << "0" << "/home/diver/pics///"
                                             << QStringList{"0", "0", "/home/diver/pics"};
        QTest::newRow("apostrophe in the folder") << "5" << "0" << "45" << "/home/o'neil/pics/"
                                                  << QStringList{"5", "45", "/home/o'neil/pics"};
        QTest::newRow("blanks, halves to even") << " 7 " << "2.5" << "60" << ""
                                                << QStringList{"7", "180", ""};
        QTest::newRow("empty number") << "" << "2" << "30" << "/x" << QStringList{};
        QTest::newRow("statement in the number") << "1; DROP TABLE LogTbl" << "0" << "0" << "" << QStringList{};
        QTest::newRow("words in the number") << "12 OR 1=1" << "0" << "0" << "" << QStringList{};
        QTest::newRow("empty hours") << "1" << "" << "30" << "" << QStringList{};
        QTest::newRow("negative hours") << "1" << "-1" << "0" << "" << QStringList{};
        QTest::newRow("hours past 9999") << "1" << "10000" << "0" << "" << QStringList{};
        QTest::newRow("minutes past 60") << "1" << "0" << "61" << "" << QStringList{};
    }

    void configValues()
    {
        QFETCH(QString, no);
        QFETCH(QString, hours);
        QFETCH(QString, minutes);
        QFETCH(QString, folder);
        QFETCH(QStringList, stored);
        ScriptedUi ui;
        TestLog t;
        t.addDive("2023-05-01", "10:00", "10:40");
        setOffsets(t, 3, 75, "/old");
        const QStringList lists = snapshot(t);
        frmOption d;
        box(d, "txtNo")->setText(no);
        box(d, "txtTimeH")->setText(hours);
        box(d, "txtTimeM")->setText(minutes);
        box(d, "txtPicPath")->setText(folder);
        box(d, "txtSuit_0")->setText("Changed");
        choosePort(d, "COM 4");
        click(d, "cmdApply");

        if (stored.isEmpty()) {
            QCOMPARE(ui.messages.size(), 1);
            QCOMPARE(ui.messages[0].text, QStringLiteral("設定の更新に失敗しました"));
            QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
            QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
            QCOMPARE(configRow(t), QStringList({"3", "75", "/old"}));
            QCOMPARE(snapshot(t), lists);
            QCOMPARE(std::pair(gNoOffset, gTimeOffset), std::pair(3L, 75L));
            QVERIFY(!QFileInfo::exists(gIniPath));
            QVERIFY(!QFileInfo::exists(t.logPath() + ".bak"));
            QVERIFY(!gModified);
            QCOMPARE(gPort, 1L);
            // The user's input stays, ready to be corrected.
            QVERIFY(child<QPushButton>(d, "cmdApply")->isEnabled());
            QCOMPARE(box(d, "txtNo")->text(), no);
            return;
        }
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(configRow(t), stored);
        QCOMPARE(QString::number(gNoOffset), stored[0]);
        QCOMPARE(QString::number(gTimeOffset), stored[1]);
        QCOMPARE(gPicPath, stored[2]);
        QCOMPARE(gSuits.value(0), QStringLiteral("Changed"));
        QCOMPARE(ini("PORT"), QStringLiteral("4"));
        QCOMPARE(gPort, 4L);
        QVERIFY(!child<QPushButton>(d, "cmdApply")->isEnabled());

        frmOption again;
        const long minutesStored = stored[1].toLong();
        QCOMPARE(box(again, "txtNo")->text(), stored[0]);
        QCOMPARE(box(again, "txtTimeH")->text(), QString::number(minutesStored / 60));
        QCOMPARE(box(again, "txtTimeM")->text(), QString::number(minutesStored % 60));
        QCOMPARE(box(again, "txtPicPath")->text(), stored[2]);
    }

    void applyRollsBack_data()
    {
        QTest::addColumn<bool>("iniUnwritable");
        QTest::addColumn<QString>("missingTable");
        QTest::newRow("settings file cannot be written") << true << "";
        QTest::newRow("last list table missing") << false << "AirTypeTbl";
    }

    void applyRollsBack()
    {
        QFETCH(bool, iniUnwritable);
        QFETCH(QString, missingTable);
        ScriptedUi ui;
        TestLog t;
        setOffsets(t, 3, 75, "/old");
        if (!missingTable.isEmpty())
            QVERIFY(t.db().execute("DROP TABLE " + missingTable));
        if (iniUnwritable)
            gIniPath = t.path("no/such/folder/tidewriter.ini");
        const QStringList lists = snapshot(t, missingTable);
        const QStringList suits = gSuits;
        frmOption d;
        box(d, "txtNo")->setText("100");
        box(d, "txtPicPath")->setText("/new");
        box(d, "txtSuit_0")->setText("Changed");
        choosePort(d, "COM 2");
        click(d, "cmdOk");

        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("設定の更新に失敗しました"));
        QCOMPARE(configRow(t), QStringList({"3", "75", "/old"}));
        QCOMPARE(snapshot(t, missingTable), lists);
        QCOMPARE(gSuits, suits);
        QCOMPARE(gNoOffset, 3L);
        QVERIFY(!t.db().inTransaction());
        // The backup was taken before the attempt; OK closes the dialog all the same.
        QVERIFY(QFileInfo::exists(t.logPath() + ".bak"));
        QCOMPARE(d.result(), int(QDialog::Accepted));
        if (iniUnwritable)
            QCOMPARE(gPort, 1L);
    }

    void okAndCancel_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("written");
        QTest::newRow("OK untouched") << false << "cmdOk" << false;
        QTest::newRow("Cancel after edits") << true << "cmdCancel" << false;
        QTest::newRow("OK after edits") << true << "cmdOk" << true;
    }

    void okAndCancel()
    {
        QFETCH(bool, edit);
        QFETCH(QString, button);
        QFETCH(bool, written);
        ScriptedUi ui;
        TestLog t;
        t.addDive("2023-05-01", "10:00", "10:40");
        const QByteArray before = ReadFileBytes(t.logPath());
        QVERIFY(!before.isEmpty());
        frmOption d;
        if (edit) {
            box(d, "txtNo")->setText("9");
            box(d, "txtWeather_5")->setText("霧");
        }
        click(d, button.toLatin1());
        QCOMPARE(d.result(), int(button == "cmdOk" ? QDialog::Accepted : QDialog::Rejected));
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(QFileInfo::exists(t.logPath() + ".bak"), written);
        QCOMPARE(gModified, written);
        QCOMPARE(ReadFileBytes(t.logPath()) == before, !written);
        QCOMPARE(QFileInfo::exists(gIniPath), written);
        QCOMPARE(gNoOffset, written ? 9L : 0L);
    }

    void listWindowFollowsApply_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("no");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QString>("timePanel");
        // Three dives of 40 minutes, opened with offsets 20 and 30 minutes.
        QTest::newRow("menu") << "mnuToolOption" << "10" << "1" << "5" << QStringList{"13", "12", "11"}
                              << "潜水時間 : 3時間5分";
        QTest::newRow("toolbar") << "option" << "0" << "0" << "0" << QStringList{"3", "2", "1"}
                                 << "潜水時間 : 2時間0分";
        QTest::newRow("failed apply") << "mnuToolOption" << "" << "1" << "5" << QStringList{"23", "22", "21"}
                                      << "潜水時間 : 2時間30分";
    }

    void listWindowFollowsApply()
    {
        QFETCH(QString, command);
        QFETCH(QString, no);
        QFETCH(QString, hours);
        QFETCH(QString, minutes);
        QFETCH(QStringList, numbers);
        QFETCH(QString, timePanel);
        ScriptedUi ui;
        TestLog t;
        for (const char* day : {"2023-05-01", "2023-05-02", "2023-05-03"})
            t.addDive(day, "10:00", "10:40");
        setOffsets(t, 20, 30);
        frmLogList w;
        auto shownNumbers = [&w] {
            QStringList texts;
            for (int r = 0; r < w.model()->rowCount(); ++r)
                texts << w.model()->index(r, DiveListModel::ColNo).data().toString();
            return texts;
        };
        QCOMPARE(shownNumbers(), QStringList({"23", "22", "21"}));
        QStringList duringDialog;
        QString panelDuringDialog;
        ui.onDialog = [&](QObject* dialog) {
            box(*dialog, "txtNo")->setText(no);
            box(*dialog, "txtTimeH")->setText(hours);
            box(*dialog, "txtTimeM")->setText(minutes);
            click(*dialog, "cmdApply");
            // Apply alone refreshes the list; closing the dialog adds nothing.
            duringDialog = shownNumbers();
            panelDuringDialog = w.panelText(3);
            click(*dialog, "cmdCancel");
        };
        QAction* action = command.startsWith("mnu") ? w.findChild<QAction*>(command) : w.toolButton(command);
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QCOMPARE(ui.dialogs, QStringList{"frmOption"});
        QCOMPARE(duringDialog, numbers);
        QCOMPARE(panelDuringDialog, timePanel);
        QCOMPARE(shownNumbers(), numbers);
        QCOMPARE(ui.messages.size(), no.isEmpty() ? 1 : 0);
    }

    void fieldChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("leave");  // "tab", "cancel" or "other tab"
        QTest::addColumn<QString>("message");
        const QString hours = "正しい時間(0～9999)を入力してください", minutes = "正しい分(0～60)を入力してください",
                      count = "正しい本数を入力してください";
        QTest::newRow("hours in words") << "txtTimeH" << "abc" << "tab" << hours;
        QTest::newRow("hours past 9999") << "txtTimeH" << "10000" << "tab" << hours;
        QTest::newRow("hours fine") << "txtTimeH" << "12" << "tab" << "";
        QTest::newRow("minutes past 60") << "txtTimeM" << "61" << "tab" << minutes;
        QTest::newRow("minutes 60") << "txtTimeM" << "60" << "tab" << "";
        QTest::newRow("empty number") << "txtNo" << "" << "tab" << count;
        QTest::newRow("number with blanks") << "txtNo" << " 42 " << "tab" << "";
        QTest::newRow("Cancel skips the check") << "txtNo" << "x" << "cancel" << "";
        QTest::newRow("another tab brings the box back") << "txtTimeM" << "x" << "other tab" << minutes;
    }

    void fieldChecks()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, leave);
        QFETCH(QString, message);
        ScriptedUi ui;
        TestLog t;
        ShownDialog s;
        s.tabs()->setCurrentIndex(1);
        QLineEdit* b = box(s.d, name);
        b->setFocus(Qt::TabFocusReason);
        b->setText(text);
        if (leave == "tab")
            QTest::keyClick(b, Qt::Key_Tab);
        else if (leave == "cancel")
            child<QPushButton>(s.d, "cmdCancel")->setFocus(Qt::MouseFocusReason);
        else
            s.tabs()->setCurrentIndex(4);
        QCoreApplication::processEvents();

        if (message.isEmpty()) {
            QVERIFY(ui.messages.isEmpty());
            QVERIFY(QApplication::focusWidget() != b);
            return;
        }
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, message);
        QCOMPARE(ui.messages[0].caption, QStringLiteral("入力エラー"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
        QCOMPARE(s.tabs()->currentIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), b);
        QCOMPARE(b->selectedText(), text);
    }

    void tabKeys_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("back");
        QTest::addColumn<int>("selected");
        QTest::newRow("next") << 2 << false << 3;
        QTest::newRow("next from the last wraps") << 6 << false << 0;
        QTest::newRow("previous") << 3 << true << 2;
        QTest::newRow("previous from the first wraps") << 0 << true << 6;
    }

    void tabKeys()
    {
        QFETCH(int, start);
        QFETCH(bool, back);
        QFETCH(int, selected);
        ScriptedUi ui;
        TestLog t;
        ShownDialog s;
        s.tabs()->setCurrentIndex(start);
        // From a box inside the page: the dialog, not the box, takes the keys.
        QLineEdit* inside = s.tabs()->currentWidget()->findChild<QLineEdit*>();
        QWidget* from = inside ? static_cast<QWidget*>(inside) : s.tabs()->tabBar();
        from->setFocus(Qt::OtherFocusReason);
        if (back)
            QTest::keyClick(from, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        else
            QTest::keyClick(from, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(s.tabs()->currentIndex(), selected);
        QCOMPARE(QApplication::focusWidget(), s.tabs()->tabBar());
    }

    void folderButton_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("folder chosen") << "/media/diver/photos" << "/media/diver/photos";
        QTest::newRow("chooser cancelled") << "" << "/old";
    }

    void folderButton()
    {
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        ScriptedUi ui;
        ui.folder = answer;
        TestLog t;
        setOffsets(t, 0, 0, "/old");
        frmOption d;
        click(d, "cmdPicPathRef");
        QCOMPARE(box(d, "txtPicPath")->text(), shown);
        QCOMPARE(child<QPushButton>(d, "cmdApply")->isEnabled(), shown != "/old");
    }
};

QTEST_MAIN(tst_frmOption)
#include "tst_frmOption.moc"
