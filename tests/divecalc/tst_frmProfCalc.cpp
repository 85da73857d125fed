// The repetitive-dive calculator over the dive table of a new log. The look-ups themselves
// are proven in tst_divecalc and tst_divetable; here, how the boxes feed each other.
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmProfCalc.h"
#include "modDiveCalc.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// A calculator shown and active, so that the focus moves as it does for a user.
struct Calc {
    ScriptedUi ui;
    TestLog t;
    frmProfCalc w;

    Calc()
    {
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qFatal("the calculator did not become active");
    }
    QLineEdit* box(const QString& name) const { return w.findChild<QLineEdit*>(name); }
    QComboBox* list(const char* name) const { return w.findChild<QComboBox*>(name); }
    // A group "none" is no selection at all, "" the empty entry.
    QString group(const char* n) const { return list(n)->currentIndex() < 0 ? QStringLiteral("none") : list(n)->currentText(); }
    void choose(const char* n, const QString& g) const { list(n)->setCurrentIndex(g == "none" ? -1 : list(n)->findText(g)); }
    // Typing replaces the selected text key by key, so every step of the text is seen.
    void type(const QString& name, const QString& text) const
    {
        box(name)->selectAll();
        QTest::keyClicks(box(name), text);
    }
};

// The second start group chosen before 18 m is typed, the first dive time (empty: as computed) and the
// interval typed, the start group chosen last ("-": none); the first end group, interval, second start group.
struct First { QString startBefore, time, typed, startAfter; QStringList expected; };
struct Leave { QString box, typed, after, message; };  // message: empty when the check passes
}  // namespace
Q_DECLARE_METATYPE(First)
Q_DECLARE_METATYPE(Leave)

class tst_frmProfCalc : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void firstDiveAndInterval_data()
    {
        QTest::addColumn<First>("row");
        QTest::newRow("no selection: no interval") << First{"none", "", "", "-", {"W", "00:00", "none"}};
        QTest::newRow("empty entry: nitrogen free") << First{"", "", "", "-", {"W", "free", ""}};
        QTest::newRow("time typed") << First{"none", "25", "", "-", {"I", "00:00", "none"}};
        QTest::newRow("interval typed picks the group") << First{"none", "", "01:00", "-", {"W", "01:00", "I"}};
        QTest::newRow("group chosen sets the interval") << First{"none", "", "01:00", "A", {"W", "02:51", "A"}};
        QTest::newRow("a higher group is never reached") << First{"none", "", "01:00", "Z", {"W", "00:00", "Z"}};
    }
    void firstDiveAndInterval()
    {
        QFETCH(First, row);
        QStringList& expected = row.expected;
        Calc c;
        c.choose("cbo2StartPg", row.startBefore);
        c.type("txt1Depth", QStringLiteral("18"));
        QCOMPARE(c.box("txt1UWTime")->text(), QStringLiteral("56"));  // the limit at 18 m
        c.type("txt1UWTime", row.time);  // typing nothing leaves the box as it is
        c.type("txtSI", row.typed);
        if (row.startAfter != "-")
            c.choose("cbo2StartPg", row.startAfter);
        if (expected[1] == "free")  // one minute past the longest rest that still leaves a group
            expected[1] = QTime(0, 1).addSecs(60 * c.t.scalar("SELECT Max(rest) FROM SiTbl WHERE start_pg = ?",
                                                              {c.list("cbo1EndPg")->currentIndex()}))
                              .toString(QStringLiteral("HH:mm"));
        QCOMPARE((QStringList{c.group("cbo1EndPg"), c.box("txtSI")->text(), c.group("cbo2StartPg")}), expected);
        QVERIFY(c.ui.messages.isEmpty());
    }
    void secondDive()
    {
        Calc c;
        c.choose("cbo2StartPg", QStringLiteral("A"));
        c.type("txt2Depth", QStringLiteral("0.0"));  // counts as the shallowest tabulated depth, 10 m
        QCOMPARE(c.box("txt2UWTime")->text(), QStringLiteral("209"));
        c.type("txt2UWTime", QStringLiteral("20"));
        const QStringList results{c.group("cbo2EndPg"), c.box("txtRnt")->text(), c.box("txtAbt")->text(),
                                  c.box("txtTbt")->text()};
        QCOMPARE(results, (QStringList{"D", "10", "20", "30"}));
        // With no start group selected at all, no time is allowed.
        c.choose("cbo2StartPg", QStringLiteral("none"));
        c.type("txt2Depth", QStringLiteral("18"));
        QCOMPARE(c.box("txt2UWTime")->text(), QStringLiteral("0"));
    }
    // Tab into a box the program filled, then type: the typing replaces the filled text,
    // also after the check of the box left has written it again.
    void tabIntoFilledBoxReplacesIt_data()
    {
        QTest::addColumn<QString>("dive");
        QTest::addColumn<QString>("depth");
        QTest::newRow("first dive") << "1" << "18";
        QTest::newRow("second dive, depth reformatted") << "2" << "12.34";
    }
    void tabIntoFilledBoxReplacesIt()
    {
        QFETCH(QString, dive);
        QFETCH(QString, depth);
        const QString from = "txt" + dive + "Depth", to = "txt" + dive + "UWTime";
        Calc c;
        c.choose("cbo2StartPg", QStringLiteral("A"));
        c.box(from)->setFocus(Qt::TabFocusReason);
        c.type(from, depth);
        QVERIFY(c.box(to)->text().toInt() > 0);  // the allowed time
        QTest::keyClick(c.box(from), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), c.box(to));
        QTest::keyClicks(c.box(to), QStringLiteral("30"));
        QCOMPARE(c.box(to)->text(), QStringLiteral("30"));
    }
    void checksOnLeaving_data()
    {
        QTest::addColumn<Leave>("row");
        QTest::newRow("depth 12") << Leave{"txt1Depth", "12", "12.0", ""};
        QTest::newRow("depth abc") << Leave{"txt1Depth", "abc", "abc", "正しい深度を入力してください"};
        QTest::newRow("interval 24:00") << Leave{"txtSI", "24:00", "24:00", "正しい水面休息時間(hh:mm)を入力してください"};
    }
    void checksOnLeaving()
    {
        QFETCH(Leave, row);
        const QString& message = row.message;
        Calc c;
        QLineEdit* edit = c.box(row.box);
        c.box("txt1UWTime")->setText(QStringLiteral("x"));  // checked only if the focus settles there
        edit->setFocus(Qt::TabFocusReason);
        edit->setText(row.typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(edit->text(), row.after);
        QCOMPARE(QApplication::focusWidget() == edit, !message.isEmpty());  // kept, all text selected
        QCOMPARE(c.ui.messages.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(c.ui.messages.value(0).text, message);
    }
};

QTEST_MAIN(tst_frmProfCalc)
#include "tst_frmProfCalc.moc"
