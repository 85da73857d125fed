// The repetitive-dive calculator against the dive table a new log ships with: how each
// field recomputes its dependants, the two guards between the interval and the start
// group, the checks on leaving a box, the spin buttons, and opening it from the list.
#include "ScriptedUi.h"
#include "TestLog.h"
#include "UpDown.h"
#include "frmLogList.h"
#include "frmProfCalc.h"
#include "modDiveCalc.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTime>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// A group as the lists show it: "none" is no selection at all, "" the empty entry.
int position(const QString& group)
{
    if (group == QLatin1String("none"))
        return -1;
    if (group.isEmpty())
        return 0;
    return group == QLatin1String("*") ? 27 : group.at(0).unicode() - 'A' + 1;
}

template <class T> T* child(const QWidget& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

QToolButton* arrow(const UpDown* spin, bool up)
{
    return spin->findChild<QToolButton*>(up ? QStringLiteral("cmdUp") : QStringLiteral("cmdDown"));
}

// A calculator shown and active, so that the focus moves as it does for a user.
struct Calc {
    Calc()
    {
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qFatal("the calculator did not become active");
    }
    QLineEdit* box(const QString& name) const { return child<QLineEdit>(w, name); }
    QString group(const QString& name) const
    {
        const int i = child<QComboBox>(w, name)->currentIndex();
        return i < 0 ? QStringLiteral("none") : child<QComboBox>(w, name)->itemText(i);
    }
    void choose(const QString& name, const QString& group) const
    {
        child<QComboBox>(w, name)->setCurrentIndex(position(group));
    }
    // Typing replaces the selected text key by key, so every step of the text is seen.
    void type(const QString& name, const QString& text) const
    {
        box(name)->selectAll();
        QTest::keyClicks(box(name), text);
    }
    // Enters the box, writes, and leaves it with Tab; the check runs once the focus settled.
    void typeAndLeave(const QString& name, const QString& text) const
    {
        box(name)->setFocus(Qt::TabFocusReason);
        box(name)->setText(text);
        QTest::keyClick(box(name), Qt::Key_Tab);
        QCoreApplication::processEvents();
    }

    frmProfCalc w;
};
}  // namespace

class tst_frmProfCalc : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }

    void listsAndShortcuts()
    {
        ScriptedUi ui;
        TestLog t;
        Calc c;
        // List position is the group number the look-ups take and give.
        for (const char* name : {"cbo1EndPg", "cbo2StartPg", "cbo2EndPg"}) {
            auto* combo = child<QComboBox>(c.w, name);
            QCOMPARE(combo->count(), 28);
            for (int i = 0; i < 28; ++i)
                QCOMPARE(position(combo->itemText(i)), i);
            QCOMPARE(combo->currentIndex(), -1);
        }
        // Every shortcut leads to the box beside its label.
        const std::pair<const char*, const char*> labels[] = {
            {"深度(&D):", "txt1Depth"}, {"潜水時間(&T):", "txt1UWTime"}, {"&SI:", "txtSI"},
            {"深度(&P):", "txt2Depth"}, {"潜水時間(&U):", "txt2UWTime"}};
        for (const auto& [text, box] : labels) {
            QLabel* label = nullptr;
            for (QLabel* l : c.w.findChildren<QLabel*>())
                if (l->text() == QString::fromUtf8(text))
                    label = l;
            QVERIFY2(label && label->buddy() == c.box(box), text);
        }
    }

    void firstDive_data()
    {
        QTest::addColumn<QString>("depth");
        QTest::addColumn<QString>("time");  // typed after the depth; empty: left as computed
        QTest::addColumn<QString>("expectedTime");
        QTest::addColumn<QString>("endGroup");
        QTest::newRow("18 m to the limit") << "18" << "" << "56" << "W";
        QTest::newRow("17 m counts as 18 m") << "17" << "" << "56" << "W";
        QTest::newRow("blanks around the depth") << " 12 " << "" << "147" << "Z";
        QTest::newRow("18 m for 25 min") << "18" << "25" << "25" << "I";
        QTest::newRow("18 m past the limit") << "18" << "57" << "57" << "";
        QTest::newRow("below the table") << "45" << "" << "0" << "";
        QTest::newRow("not a number") << "abc" << "" << "0" << "none";
    }

    void firstDive()
    {
        QFETCH(QString, depth);
        QFETCH(QString, time);
        QFETCH(QString, expectedTime);
        QFETCH(QString, endGroup);
        ScriptedUi ui;
        TestLog t;
        Calc c;
        c.type("txt1Depth", depth);
        if (!time.isEmpty())
            c.type("txt1UWTime", time);
        QCOMPARE(c.box("txt1UWTime")->text(), expectedTime);
        QCOMPARE(c.group("cbo1EndPg"), endGroup);
        // With no second start group chosen there is no interval to show.
        QCOMPARE(c.box("txtSI")->text(), QStringLiteral("00:00"));
        QCOMPARE(c.group("cbo2StartPg"), QStringLiteral("none"));
    }

    void interval_data()
    {
        QTest::addColumn<QString>("startBefore");  // second start group set before the first end group
        QTest::addColumn<QString>("firstEnd");
        QTest::addColumn<QString>("typed");        // interval typed; empty: none
        QTest::addColumn<QString>("startAfter");   // second start group chosen last; "-": none chosen
        QTest::addColumn<QString>("interval");     // "free": the interval after which no group is left
        QTest::addColumn<QString>("secondStart");
        QTest::newRow("no group wished") << "" << "W" << "" << "-" << "free" << "";
        QTest::newRow("no group wished after A") << "" << "A" << "" << "-" << "free" << "";
        QTest::newRow("no selection") << "none" << "W" << "" << "-" << "00:00" << "none";
        QTest::newRow("W, one hour") << "none" << "W" << "01:00" << "-" << "01:00" << "I";
        QTest::newRow("W, 1:00") << "none" << "W" << "1:00" << "-" << "1:00" << "I";
        QTest::newRow("A, the last minute of A") << "none" << "A" << "03:00" << "-" << "03:00" << "A";
        QTest::newRow("A, free of nitrogen") << "none" << "A" << "03:01" << "-" << "03:01" << "";
        QTest::newRow("no first group") << "none" << "none" << "01:00" << "-" << "01:00" << "";
        QTest::newRow("24:00 is no time") << "none" << "W" << "24:00" << "-" << "24:00" << "none";
        QTest::newRow("U to J") << "none" << "U" << "" << "J" << "00:45" << "J";
        QTest::newRow("W to A") << "none" << "W" << "" << "A" << "02:51" << "A";
        QTest::newRow("J over a typed interval") << "none" << "U" << "03:00" << "J" << "00:45" << "J";
        QTest::newRow("a higher group is never reached") << "none" << "U" << "01:00" << "Z" << "00:00" << "Z";
        QTest::newRow("the empty entry keeps the interval") << "none" << "U" << "01:00" << "" << "01:00" << "";
    }

    void interval()
    {
        QFETCH(QString, startBefore);
        QFETCH(QString, firstEnd);
        QFETCH(QString, typed);
        QFETCH(QString, startAfter);
        QFETCH(QString, interval);
        QFETCH(QString, secondStart);
        ScriptedUi ui;
        TestLog t;
        Calc c;
        c.choose("cbo2StartPg", startBefore);
        c.choose("cbo1EndPg", firstEnd);
        if (!typed.isEmpty())
            c.type("txtSI", typed);
        if (startAfter != "-")
            c.choose("cbo2StartPg", startAfter);
        if (interval == "free") {
            // One minute past the longest rest that still leaves a group.
            const int longest = int(t.scalar("SELECT Max(rest) FROM SiTbl WHERE start_pg = ?", {position(firstEnd)}));
            interval = QTime(0, 0).addSecs(60 * (longest + 1)).toString(QStringLiteral("HH:mm"));
        }
        QCOMPARE(c.box("txtSI")->text(), interval);
        QCOMPARE(c.group("cbo2StartPg"), secondStart);
        QVERIFY(ui.messages.isEmpty());
    }

    void secondDive_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("depth");
        QTest::addColumn<QString>("allowed");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("endGroup");
        QTest::addColumn<QString>("rnt");
        QTest::addColumn<QString>("abt");
        QTest::addColumn<QString>("tbt");
        // A 0.0 m dive counts as the shallowest tabulated depth, 10 m.
        QTest::newRow("A at 0.0 m") << "A" << "0.0" << "209" << "20" << "D" << "10" << "20" << "30";
        QTest::newRow("A at 12 m") << "A" << "12" << "138" << "20" << "E" << "9" << "20" << "29";
        QTest::newRow("half minute to even") << "A" << "12" << "138" << "20.5" << "E" << "9" << "20.5" << "29";
        QTest::newRow("no group: plain limit") << "" << "18" << "56" << "56" << "W" << "0" << "56" << "56";
        QTest::newRow("no selection: nothing allowed") << "none" << "18" << "0" << "10" << "B" << "0" << "10" << "10";
        QTest::newRow("below the table") << "A" << "45" << "0" << "5" << "" << "0" << "5" << "5";
        // The depth already gave the results of the allowed time; they stay.
        QTest::newRow("time not a number") << "A" << "12" << "138" << "x" << "Z" << "9" << "138" << "147";
    }

    void secondDive()
    {
        QFETCH(QString, start);
        QFETCH(QString, depth);
        QFETCH(QString, allowed);
        QFETCH(QString, time);
        QFETCH(QString, endGroup);
        QFETCH(QString, rnt);
        QFETCH(QString, abt);
        QFETCH(QString, tbt);
        ScriptedUi ui;
        TestLog t;
        Calc c;
        c.choose("cbo2StartPg", start);
        c.type("txt2Depth", depth);
        QCOMPARE(c.box("txt2UWTime")->text(), allowed);
        c.type("txt2UWTime", time);
        const QStringList results{c.group("cbo2EndPg"), c.box("txtRnt")->text(), c.box("txtAbt")->text(),
                                  c.box("txtTbt")->text()};
        QCOMPARE(results, QStringList({endGroup, rnt, abt, tbt}));
        // Another start group alone leaves the second dive as it is.
        c.choose("cbo2StartPg", QStringLiteral("C"));
        QCOMPARE(c.box("txt2UWTime")->text(), time);
        QCOMPARE(c.box("txtTbt")->text(), tbt);
    }

    void checksOnLeaving_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message");  // empty: the check passes
        const QString depth = QStringLiteral("正しい深度を入力してください");
        const QString time = QStringLiteral("正しい潜水時間(分)を入力してください");
        const QString interval = QStringLiteral("正しい水面休息時間(hh:mm)を入力してください");
        QTest::newRow("depth 12") << "txt1Depth" << "12" << "12.0" << "";
        QTest::newRow("depth half up") << "txt1Depth" << "7.25" << "7.3" << "";
        QTest::newRow("depth signed, blanks") << "txt2Depth" << " +18 " << "18.0" << "";
        QTest::newRow("depth abc") << "txt1Depth" << "abc" << "abc" << depth;
        QTest::newRow("depth empty") << "txt2Depth" << "" << "" << depth;
        QTest::newRow("depth with exponent") << "txt2Depth" << "1e1" << "1e1" << depth;
        QTest::newRow("time half up") << "txt1UWTime" << "40.5" << "41" << "";
        QTest::newRow("time x") << "txt2UWTime" << "x" << "x" << time;
        QTest::newRow("time comma") << "txt1UWTime" << "4,5" << "4,5" << time;
        QTest::newRow("interval H:mm") << "txtSI" << "1:05" << "01:05" << "";
        QTest::newRow("interval 24:00") << "txtSI" << "24:00" << "24:00" << interval;
        QTest::newRow("interval 60 minutes") << "txtSI" << "12:60" << "12:60" << interval;
        QTest::newRow("interval without colon") << "txtSI" << "0130" << "0130" << interval;
    }

    void checksOnLeaving()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(QString, message);
        ScriptedUi ui;
        TestLog t;
        Calc c;
        c.typeAndLeave(box, typed);
        QCOMPARE(c.box(box)->text(), after);
        if (message.isEmpty()) {
            QVERIFY(ui.messages.isEmpty());
            QVERIFY(QApplication::focusWidget() != c.box(box));
            return;
        }
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, message);
        QCOMPARE(ui.messages[0].caption, QStringLiteral("入力エラー"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
        QCOMPARE(QApplication::focusWidget(), c.box(box));
        QCOMPARE(c.box(box)->selectedText(), typed);
    }

    void failedCheckLeavesNextBoxUnchecked()
    {
        ScriptedUi ui;
        TestLog t;
        Calc c;
        c.box("txt1UWTime")->setText(QStringLiteral("x"));
        c.typeAndLeave("txt1Depth", QStringLiteral("abc"));
        QCoreApplication::processEvents();
        // The focus only passed through the time box on its way back: no second check.
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(QApplication::focusWidget(), c.box("txt1Depth"));
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
        ScriptedUi ui;
        TestLog t;
        Calc c;
        c.box("txt1Depth")->setFocus(Qt::TabFocusReason);
        c.box("txt1Depth")->setText(QStringLiteral("abc"));
        if (escape)
            QTest::keyClick(c.box("txt1Depth"), Qt::Key_Escape);
        else
            QTest::mouseClick(child<QPushButton>(c.w, "cmdClose"), Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!c.w.isVisible());
        QVERIFY(ui.messages.isEmpty());
    }

    void formSpinButtons_data()
    {
        QTest::addColumn<QString>("spin");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("dependant");
        QTest::addColumn<QString>("dependantText");
        // One step up from the initial texts writes 1, then the box's change handling runs.
        QTest::newRow("first depth") << "upd1Depth" << "txt1Depth" << "txt1UWTime" << "219";
        QTest::newRow("first time") << "upd1UWTime" << "txt1UWTime" << "cbo1EndPg" << "A";
        QTest::newRow("second depth") << "upd2Depth" << "txt2Depth" << "txt2UWTime" << "0";
        QTest::newRow("second time") << "upd2UWTime" << "txt2UWTime" << "txtTbt" << "1";
    }

    void formSpinButtons()
    {
        QFETCH(QString, spin);
        QFETCH(QString, box);
        QFETCH(QString, dependant);
        QFETCH(QString, dependantText);
        ScriptedUi ui;
        TestLog t;
        Calc c;
        c.box("txtTbt")->setFocus(Qt::TabFocusReason);
        QTest::mouseClick(arrow(child<UpDown>(c.w, spin), true), Qt::LeftButton);
        QCOMPARE(c.box(box)->text(), QStringLiteral("1"));
        QCOMPARE(QApplication::focusWidget(), c.box(box));
        QCOMPARE(c.box(box)->selectedText(), QStringLiteral("1"));
        auto* combo = c.w.findChild<QComboBox*>(dependant);
        QCOMPARE(combo ? combo->currentText() : c.box(dependant)->text(), dependantText);
    }

    void upDownSteps_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("expected");
        // The range ends at 42.
        QTest::newRow("up") << 0 << 1 << "5" << true << "6";
        QTest::newRow("down") << 0 << 1 << "5" << false << "4";
        QTest::newRow("up at the maximum") << 0 << 1 << "42" << true << "42";
        QTest::newRow("down at the minimum") << 0 << 1 << "0" << false << "0";
        QTest::newRow("step past the maximum") << 0 << 5 << "40" << true << "42";
        QTest::newRow("above the range") << 0 << 1 << "50" << false << "42";
        QTest::newRow("text counts as the minimum") << 10 << 1 << "abc" << true << "11";
        QTest::newRow("empty counts as the minimum") << 10 << 1 << "" << false << "10";
        QTest::newRow("fraction rounded first") << 0 << 1 << "7.6" << true << "9";
        QTest::newRow("depth text") << 0 << 1 << "18.0" << false << "17";
    }

    void upDownSteps()
    {
        QFETCH(int, minimum);
        QFETCH(int, step);
        QFETCH(QString, start);
        QFETCH(bool, up);
        QFETCH(QString, expected);
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        auto* other = new QLineEdit(&host);
        auto* box = new QLineEdit(start, &host);
        auto* spin = new UpDown(&host);
        for (QWidget* w : {static_cast<QWidget*>(other), static_cast<QWidget*>(box), static_cast<QWidget*>(spin)})
            layout->addWidget(w);
        spin->setBuddy(box);
        spin->setRange(minimum, 42);
        spin->setStep(step);
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        other->setFocus();
        QSignalSpy changes(box, &QLineEdit::textChanged);

        QTest::mouseClick(arrow(spin, up), Qt::LeftButton);
        QCOMPARE(box->text(), expected);
        QCOMPARE(changes.size(), expected == start ? 0 : 1);
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(box->selectedText(), expected);
    }

    void openedFromList()
    {
        ScriptedUi ui;
        TestLog t;
        frmLogList list;
        list.show();
        auto* command = list.findChild<QAction*>(QStringLiteral("mnuToolCalc"));
        QVERIFY(command->isEnabled() && list.toolButton(QStringLiteral("calc"))->isEnabled());

        command->trigger();
        QList<frmProfCalc*> calcs = list.findChildren<frmProfCalc*>();
        QCOMPARE(calcs.size(), 1);
        frmProfCalc* first = calcs[0];
        QVERIFY(first->isVisible() && !first->isModal());
        QVERIFY(ui.dialogs.isEmpty());
        child<QLineEdit>(*first, "txt1Depth")->setText(QStringLiteral("18"));

        // While it is open the command brings back the same one, as it was left.
        list.toolButton(QStringLiteral("calc"))->trigger();
        QCOMPARE(list.findChildren<frmProfCalc*>(), QList<frmProfCalc*>{first});
        QCOMPARE(child<QLineEdit>(*first, "txt1Depth")->text(), QStringLiteral("18"));

        first->close();
        QTRY_VERIFY(list.findChildren<frmProfCalc*>().isEmpty());
        command->trigger();
        calcs = list.findChildren<frmProfCalc*>();
        QCOMPARE(calcs.size(), 1);
        QCOMPARE(child<QLineEdit>(*calcs[0], "txt1Depth")->text(), QStringLiteral("0.0"));
        QCOMPARE(child<QLineEdit>(*calcs[0], "txt1UWTime")->text(), QStringLiteral("0"));
    }
};

QTEST_MAIN(tst_frmProfCalc)
#include "tst_frmProfCalc.moc"
