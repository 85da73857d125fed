// The options dialog against a log of its own: the port it shows and stores, what Apply leaves in
// the log, the settings file and the shared lists, when it leaves them alone, and the list window.
#include "Globals.h"
#include "IniFile.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "frmOption.h"
#include "modStartup.h"
#include "modSupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {
template <class T = QLineEdit> T* child(const QObject& w, const QString& name)
{
    if (T* c = w.findChild<T*>(name))
        return c;
    qFatal("no control %s", qPrintable(name));
}

// A disabled button ignores click(), so a click that changes something also shows the button was enabled.
void click(const QObject& d, const QString& button) { child<QPushButton>(d, button)->click(); }

// Every table of the log but one, to show what was left alone.
QStringList dump(TestLog& t, const QString& except = {})
{
    QStringList all;
    for (const QString& table : t.values("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
        if (table != except)
            all << table << t.values("SELECT * FROM " + table);
    return all;
}

QString ini(const QString& key) { return IniFile::read(gIniPath, "OPTION", key, QString()); }

void setOffsets(TestLog& t, int noOffset, int timeOffset, const QVariant& picPath = {})
{
    QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = ?, time_offset = ?, pic_path = ?",
                           {noOffset, timeOffset, picPath}));
    LoadLookupTables();
}

// The characters on each line of a label's text as it is laid out in the label.
QList<int> lineLengths(const QLabel* label)
{
    QTextLayout layout(label->text(), label->font());
    QTextOption wrapping;
    wrapping.setWrapMode(label->wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(wrapping);
    QList<int> lengths;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->contentsRect().width());
        lengths << line.textLength();
    }
    layout.endLayout();
    return lengths;
}

// PORT and PORT_NAME saved, the port shown, each choice made and applied, PORT and PORT_NAME stored.
struct Port { QStringList saved; QString shown; QStringList choices, stored; };
// Offset, hours, minutes, folder ("chosen:" by the chooser); what breaks ("ini", "COMMIT" or a table dropped);
// no_offset, time_offset, pic_path stored (empty: Apply fails); the failure's detail (%1: the settings file).
struct Apply { QStringList input; QString breakage; QStringList stored; QString detail; };
}  // namespace
Q_DECLARE_METATYPE(Apply)
Q_DECLARE_METATYPE(Port)

class tst_frmOption : public QObject {
    Q_OBJECT
private slots:
    void port_data()
    {
        QTest::addColumn<Port>("p");
        const QString usb = "/dev/ttyUSB7";
        const QString com1 = "COM 1 (/dev/ttyS0)", com3 = "COM 3 (/dev/ttyS2)";
        QTest::newRow("absent device wins, COM clears it") << Port{{"2", usb}, usb, {com3}, {"3", ""}};
        QTest::newRow("COM, then the device again") << Port{{"2", usb}, usb, {com3, usb}, {"3", usb}};
        QTest::newRow("device of a COM line") << Port{{"4", "/dev/ttyS1"}, "COM 2 (/dev/ttyS1)", {com1}, {"1", ""}};
    }
    void port()
    {
        QFETCH(Port, p);
        ScriptedUi ui;
        TestLog t;
        QVERIFY(IniFile::write(gIniPath, "OPTION", "PORT", p.saved[0]));
        QVERIFY(IniFile::write(gIniPath, "OPTION", "PORT_NAME", p.saved[1]));
        ReadProgramSettings();
        frmOption d;
        QCOMPARE(child<QComboBox>(d, "cboPort")->currentText(), p.shown);
        for (const QString& choice : p.choices) {
            child<QComboBox>(d, "cboPort")->setCurrentText(choice);
            click(d, "cmdApply");
        }
        QCOMPARE(QStringList({QString::number(gPort), gPortName}), p.stored);
        QCOMPARE(QStringList({ini("PORT"), ini("PORT_NAME")}), p.stored);
    }

    // At each font size, every note on the first two pages is wholly inside its label, the
    // port's on one line, the others without a character left alone on their last line.
    void notesFit_data()
    {
        QTest::addColumn<qreal>("points");
        for (qreal points : {8.0, 9.0, 10.0, 10.5, 11.0, 12.0, 13.0, 14.0})
            QTest::addRow("%g pt", points) << points;
    }
    void notesFit()
    {
        QFETCH(qreal, points);
        ScriptedUi ui;
        TestLog t;
        const QFont before = QApplication::font();
        QFont font = before;
        font.setPointSizeF(points);
        QApplication::setFont(font);
        frmOption d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        for (int page = 0; page < 2; ++page) {
            child<QTabWidget>(d, "tbsOptions")->setCurrentIndex(page);
            QCoreApplication::processEvents();
            for (const QString name : {"lblPortNote", "lblPicNote", "lblOffsetNote"}) {
                const QLabel* note = child<QLabel>(d, name);
                if (!note->isVisible())
                    continue;
                const QList<int> lines = lineLengths(note);
                QVERIFY2(lines.size() * note->fontMetrics().lineSpacing() <= note->contentsRect().height() + 1,
                         qPrintable(name));
                QVERIFY2(name == "lblPortNote" ? lines.size() == 1 : lines.last() > 1,
                         qPrintable(QStringLiteral("%1: %2 lines, the last of %3").arg(name).arg(lines.size()).arg(lines.last())));
            }
        }
        QApplication::setFont(before);
    }

    // The five lists share one routine: one list of texts and one of names.
    void lists_data()
    {
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::newRow("suit") << "txtSuit" << "SuitTbl" << "text";
        QTest::newRow("item") << "txtItem" << "ItemTbl" << "name";
    }
    void lists()
    {
        QFETCH(QString, boxes);
        QFETCH(QString, table);
        QFETCH(QString, column);
        ScriptedUi ui;
        TestLog t;
        QVERIFY(t.db().execute("UPDATE LogTbl SET suit = 3, item = 2, weather = 3, condition = 3, air_type = 3"
                               " WHERE id = ?", {t.addDive("2023-05-01", "10:00", "10:40")}));
        // Rows another tool added with ids that no box shows.
        QVERIFY(t.db().execute("INSERT INTO " + table + " VALUES (14, 'Fifteenth'), (-1, 'Hidden')"));
        QVERIFY(t.db().execute("UPDATE ConfigTbl SET pic_path = ''"));  // OK stores an unset folder as ''
        const QStringList others = dump(t, table);
        auto box = [&boxes](const frmOption& d, int n) { return child(d, QStringLiteral("%1_%2").arg(boxes).arg(n)); };
        // Boxes 1, 2, 4 and 14 filled: the ids close up over the empty boxes. A pasted line
        // break is stored as CR LF.
        QStringList entered(kOptionListBoxes, QString());
        entered[0] = "First", entered[1] = "O'Neil's", entered[3] = "Fourth\nline", entered[13] = "Last";
        {
            frmOption d;
            for (int n = 0; n < kOptionListBoxes; ++n)
                box(d, n)->setText(entered[n]);
            click(d, "cmdOk");
        }
        const QStringList kept{"First", "O'Neil's", "Fourth\r\nline", "Last"};
        QCOMPARE(t.values("SELECT * FROM " + table + " ORDER BY id"),
                 QStringList({"-1", "Hidden", "0", "First", "1", "O'Neil's", "2", "Fourth\r\nline", "3", "Last", "14", "Fifteenth"}));
        QCOMPARE(table == "SuitTbl" ? gSuits : gItems, t.values("SELECT " + column + " FROM " + table + " ORDER BY id"));
        QCOMPARE(dump(t, table), others);
        QVERIFY(QFileInfo::exists(t.logPath() + ".bak"));
        frmOption again;
        for (int n = 0; n < kOptionListBoxes; ++n)
            QCOMPARE(box(again, n)->text(), kept.value(n));
    }

    void apply_data()
    {
        QTest::addColumn<Apply>("a");
        QTest::newRow("trailing separators, apostrophe")
            << Apply{{"0", "0", "0", "/home/o'neil/pics///"}, "", {"0", "0", "/home/o'neil/pics"}, ""};
        QTest::newRow("blanks, halves to even") << Apply{{" 7 ", "2.5", "60", ""}, "", {"7", "180", ""}, ""};
        const QString deep = "/home/diver/" + QString(150, 'p') + "/写真";
        QTest::newRow("long folder from the chooser")
            << Apply{{"1", "0", "0", "chosen:" + deep + "/"}, "", {"1", "0", deep}, ""};
        QTest::newRow("words in the number") << Apply{{"12 OR 1=1", "0", "0", ""}, "", {}, ""};
        QTest::newRow("minutes past 60") << Apply{{"1", "0", "61", ""}, "", {}, ""};
        const QStringList input{"100", "0", "0", "/new"};
        QTest::newRow("settings file cannot be written") << Apply{input, "ini", {}, "ファイル %1 に書き込めませんでした"};
        QTest::newRow("last list table missing")
            << Apply{input, "AirTypeTbl", {},
                     "DELETE FROM AirTypeTbl WHERE id >= 0 AND id < ?\r\nno such table: AirTypeTbl"};
        // Another program reading the log: the port written before the commit is put back too.
        QTest::newRow("commit refused") << Apply{input, "COMMIT", {}, "COMMIT\r\ndatabase is locked"};
    }
    void apply()
    {
        QFETCH(Apply, a);
        const QString& breakage = a.breakage;
        ScriptedUi ui;
        TestLog t;
        t.addDive("2023-05-01", "10:00", "10:40");
        setOffsets(t, 3, 75, "/old");
        if (breakage == "ini")
            gIniPath = t.path("no/such/folder/tidewriter.ini");
        else if (breakage == "COMMIT")
            Database::InstallStatementFault([](const QString& sql) { return sql == "COMMIT" ? "database is locked" : ""; });
        else if (!breakage.isEmpty())
            QVERIFY(t.db().execute("DROP TABLE " + breakage));
        const QStringList before = dump(t, breakage), suits = gSuits;
        frmOption d;
        const QStringList fields{"txtNo", "txtTimeH", "txtTimeM", "txtPicPath"};
        for (int i = 0; i < fields.size(); ++i)
            child(d, fields[i])->setText(a.input[i]);
        if (a.input[3].startsWith("chosen:")) {
            ui.folder = a.input[3].mid(7);
            click(d, "cmdPicPathRef");
        }
        child(d, "txtSuit_0")->setText("Changed");
        child<QComboBox>(d, "cboPort")->setCurrentText("COM 4 (/dev/ttyS3)");
        click(d, "cmdApply");
        Database::InstallStatementFault(nullptr);

        if (a.stored.isEmpty()) {
            QCOMPARE(ui.messages.size(), 1);  // the dialog's own words, then what refused the change
            QCOMPARE(ui.messages[0].text, QStringList({"設定の更新に失敗しました", a.detail.arg(gIniPath)}).join("\r\n").trimmed());
            QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
            QCOMPARE(dump(t, breakage), before);
            QVERIFY(!t.db().inTransaction());
            QCOMPARE(std::tuple(gNoOffset, gTimeOffset, gPicPath, gPort), std::tuple(3L, 75L, QString("/old"), 1L));
            QCOMPARE(gSuits, suits);
            QVERIFY(!QFileInfo::exists(gIniPath));
            // A backup is taken only once the values pass their checks.
            QCOMPARE(QFileInfo::exists(t.logPath() + ".bak"), !breakage.isEmpty());
            return;
        }
        QCOMPARE(t.values("SELECT no_offset, time_offset, pic_path FROM ConfigTbl"), a.stored);
        QCOMPARE(QStringList({QString::number(gNoOffset), QString::number(gTimeOffset), gPicPath}), a.stored);
        frmOption again;  // shows the stored minutes split into hours and minutes
        QCOMPARE(child(again, "txtTimeH")->text() + ':' + child(again, "txtTimeM")->text(),
                 QStringLiteral("%1:%2").arg(a.stored[1].toInt() / 60).arg(a.stored[1].toInt() % 60));
    }

    void okUntouchedWritesNothing()
    {
        ScriptedUi ui;
        TestLog t;
        const QByteArray before = ReadFileBytes(t.logPath());
        frmOption d;
        click(d, "cmdOk");
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(!QFileInfo::exists(t.logPath() + ".bak"));
        QVERIFY(!QFileInfo::exists(gIniPath));
        QCOMPARE(ReadFileBytes(t.logPath()), before);
        QVERIFY(!gModified);
    }

    // Apply alone refreshes the list: three dives of 40 minutes, offsets 20 and 30 min, then 10 and 1 h 5 min.
    void listWindowFollowsApply()
    {
        ScriptedUi ui;
        TestLog t;
        for (const char* day : {"2023-05-01", "2023-05-02", "2023-05-03"})
            t.addDive(day, "10:00", "10:40");
        setOffsets(t, 20, 30);
        frmLogList w;
        QStringList shown;
        ui.onDialog = [&](QObject* dialog) {
            child(*dialog, "txtNo")->setText("10");
            child(*dialog, "txtTimeH")->setText("1");
            child(*dialog, "txtTimeM")->setText("5");
            click(*dialog, "cmdApply");
            for (int r = 0; r < w.model()->rowCount(); ++r)
                shown << w.model()->index(r, DiveListModel::ColNo).data().toString();
            shown << w.panelText(3);
            click(*dialog, "cmdCancel");
        };
        w.findChild<QAction*>("mnuToolOption")->trigger();
        QCOMPARE(shown, QStringList({"13", "12", "11", "潜水時間 : 3時間5分"}));
        QVERIFY(ui.messages.isEmpty());
    }
};

QTEST_MAIN(tst_frmOption)
#include "tst_frmOption.moc"
