// The repetitive-dive calculator over the dive table of a new log. The look-ups themselves
// are proven in tst_divecalc and tst_divetable; here, how the boxes feed each other.
#include "ScriptedUi.h"
#include "TestLog.h"
#include "UpDown.h"
#include "frmLogList.h"
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
    QLineEdit* box(const char* name) const { return w.findChild<QLineEdit*>(name); }
    QComboBox* list(const char* name) const { return w.findChild<QComboBox*>(name); }
    // A group "none" is no selection at all, "" the empty entry.
    QString group(const char* n) const { return list(n)->currentIndex() < 0 ? QStringLiteral("none") : list(n)->currentText(); }
    void choose(const char* n, const QString& g) const { list(n)->setCurrentIndex(g == "none" ? -1 : list(n)->findText(g)); }
    // Typing replaces the selected text key by key, so every step of the text is seen.
    void type(const char* name, const QString& text) const
    {
        box(name)->selectAll();
        QTest::keyClicks(box(name), text);
    }
};
}  // namespace

class tst_frmProfCalc : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }

    void firstDiveAndInterval_data()
    {
        // Every row types 18 m for the first dive.
        QTest::addColumn<QString>("startBefore");   // second start group chosen before the depth
        QTest::addColumn<QString>("time");          // first dive time typed; empty: as computed
        QTest::addColumn<QString>("typed");         // interval typed
        QTest::addColumn<QString>("startAfter");    // second start group chosen last; "-": none
        QTest::addColumn<QStringList>("expected");  // first end group, interval, second start group
        QTest::newRow("no selection: no interval") << "none" << "" << "" << "-" << QStringList{"W", "00:00", "none"};
        QTest::newRow("empty entry: nitrogen free") << "" << "" << "" << "-" << QStringList{"W", "free", ""};
        QTest::newRow("time typed") << "none" << "25" << "" << "-" << QStringList{"I", "00:00", "none"};
        QTest::newRow("interval typed picks the group") << "none" << "" << "01:00" << "-" << QStringList{"W", "01:00", "I"};
        QTest::newRow("group chosen sets the interval") << "none" << "" << "01:00" << "A" << QStringList{"W", "02:51", "A"};
        QTest::newRow("a higher group is never reached") << "none" << "" << "01:00" << "Z" << QStringList{"W", "00:00", "Z"};
    }

    void firstDiveAndInterval()
    {
        QFETCH(QString, startBefore);
        QFETCH(QString, time);
        QFETCH(QString, typed);
        QFETCH(QString, startAfter);
        QFETCH(QStringList, expected);
        Calc c;
        c.choose("cbo2StartPg", startBefore);
        c.type("txt1Depth", QStringLiteral("18"));
        QCOMPARE(c.box("txt1UWTime")->text(), QStringLiteral("56"));  // the limit at 18 m
        c.type("txt1UWTime", time);  // typing nothing leaves the box as it is
        c.type("txtSI", typed);
        if (startAfter != "-")
            c.choose("cbo2StartPg", startAfter);
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
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("depth");
        QTest::addColumn<QString>("to");
        QTest::newRow("first dive") << "txt1Depth" << "18" << "txt1UWTime";
        QTest::newRow("second dive, depth reformatted") << "txt2Depth" << "12.34" << "txt2UWTime";
    }
    void tabIntoFilledBoxReplacesIt()
    {
        QFETCH(QString, from);
        QFETCH(QString, depth);
        QFETCH(QString, to);
        Calc c;
        c.choose("cbo2StartPg", QStringLiteral("A"));
        c.box(qPrintable(from))->setFocus(Qt::TabFocusReason);
        c.type(qPrintable(from), depth);
        QVERIFY(c.box(qPrintable(to))->text().toInt() > 0);  // the allowed time
        QTest::keyClick(c.box(qPrintable(from)), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), c.box(qPrintable(to)));
        QTest::keyClicks(c.box(qPrintable(to)), QStringLiteral("30"));
        QCOMPARE(c.box(qPrintable(to))->text(), QStringLiteral("30"));
    }

    void checksOnLeaving_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message");  // empty: the check passes
        QTest::newRow("depth 12") << "txt1Depth" << "12" << "12.0" << "";
        QTest::newRow("depth abc") << "txt1Depth" << "abc" << "abc" << "正しい深度を入力してください";
        QTest::newRow("time x") << "txt2UWTime" << "x" << "x" << "正しい潜水時間(分)を入力してください";
        QTest::newRow("interval H:m") << "txtSI" << "1:5" << "01:05" << "";
        QTest::newRow("interval with seconds") << "txtSI" << "01:00:59" << "01:00" << "";
        QTest::newRow("interval 24:00") << "txtSI" << "24:00" << "24:00" << "正しい水面休息時間(hh:mm)を入力してください";
    }

    void checksOnLeaving()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(QString, message);
        Calc c;
        QLineEdit* edit = c.box(qPrintable(box));
        c.box("txt1UWTime")->setText(QStringLiteral("x"));  // checked only if the focus settles there
        edit->setFocus(Qt::TabFocusReason);
        edit->setText(typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(edit->text(), after);
        QCOMPARE(QApplication::focusWidget() == edit, !message.isEmpty());  // kept, all text selected
        QCOMPARE(edit->selectedText(), message.isEmpty() ? QString() : typed);
        QStringList shown;
        for (const ShownMessage& m : c.ui.messages)
            shown << m.caption + ": " + m.text;
        QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{QStringLiteral("入力エラー: ") + message});
    }

    void closingSkipsChecks_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close button") << false;
        QTest::newRow("escape key") << true;
    }

    void closingSkipsChecks()
    {
        QFETCH(bool, escape);
        Calc c;
        c.box("txt1Depth")->setFocus(Qt::TabFocusReason);
        c.box("txt1Depth")->setText(QStringLiteral("abc"));
        if (escape)
            QTest::keyClick(c.box("txt1Depth"), Qt::Key_Escape);
        else
            QTest::mouseClick(c.w.findChild<QPushButton*>(QStringLiteral("cmdClose")), Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!c.w.isVisible());
        QVERIFY(c.ui.messages.isEmpty());
    }

    // The form's spin button beside the second dive time, set to steps of 5 from 10 to 42.
    void upDownSteps_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("expected");
        QTest::newRow("up") << "20" << true << "25";
        QTest::newRow("up at the maximum") << "42" << true << "42";
        QTest::newRow("down at the minimum") << "10" << false << "10";
        QTest::newRow("step past the maximum") << "40" << true << "42";
        QTest::newRow("text counts as the minimum") << "abc" << true << "15";
        QTest::newRow("decimal text") << "18.0" << false << "13";
    }

    void upDownSteps()
    {
        QFETCH(QString, start);
        QFETCH(bool, up);
        QFETCH(QString, expected);
        Calc c;
        auto* spin = c.w.findChild<UpDown*>(QStringLiteral("upd2UWTime"));
        spin->setRange(10, 42);
        spin->setStep(5);
        QLineEdit* box = c.box("txt2UWTime");
        box->setText(start);
        c.box("txtTbt")->setFocus(Qt::TabFocusReason);
        QSignalSpy changes(box, &QLineEdit::textChanged);
        QTest::mouseClick(spin->findChild<QToolButton*>(up ? QStringLiteral("cmdUp") : QStringLiteral("cmdDown")),
                          Qt::LeftButton);
        QCOMPARE(box->text(), expected);
        QCOMPARE(changes.size(), expected == start ? 0 : 1);
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(box->selectedText(), expected);
        QCOMPARE(c.box("txtTbt")->text(), expected);  // the form recomputed: no residual nitrogen
    }

    void openedFromList()
    {
        ScriptedUi ui;
        TestLog t;
        frmLogList list;
        list.show();
        list.findChild<QAction*>(QStringLiteral("mnuToolCalc"))->trigger();
        const QList<frmProfCalc*> calcs = list.findChildren<frmProfCalc*>();
        QCOMPARE(calcs.size(), 1);
        QVERIFY(calcs[0]->isVisible() && !calcs[0]->isModal() && ui.dialogs.isEmpty());
        // While it is open the tool button brings back the same one.
        list.toolButton(QStringLiteral("calc"))->trigger();
        QCOMPARE(list.findChildren<frmProfCalc*>(), calcs);
    }
};

QTEST_MAIN(tst_frmProfCalc)
#include "tst_frmProfCalc.moc"
