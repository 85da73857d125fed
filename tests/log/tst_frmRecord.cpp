// The record editor against a log of its own: what it shows after opening a dive, which
// edits mark it as changed and what a save then writes, the checks on leaving a box,
// the closing rules, the series dialog, the chart window and opening editors from the list.
#include "DiveListModel.h"
#include "ProfileView.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "UpDown.h"
#include "frmChart.h"
#include "frmInputDepth.h"
#include "frmLogList.h"
#include "frmRecord.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

Q_DECLARE_METATYPE(MsgResult)

namespace {
template <class T> T* child(const QWidget& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

QVariant column(TestLog& t, qint64 id, const QString& name)
{
    auto rs = t.db().query(QStringLiteral("SELECT %1 FROM LogTbl WHERE id = ?").arg(name), {id});
    return rs && !rs->eof() ? rs->field(0) : QVariant(QStringLiteral("<no row>"));
}

// A dive with every kind of field filled, last written long ago.
qint64 addFullDive(TestLog& t)
{
    const qint64 id = t.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:05"), QStringLiteral("09:50"), 18.5,
                                QStringLiteral("Okinawa"), 1);
    t.db().execute(QStringLiteral("UPDATE LogTbl SET avg_depth = 9.2, air_temp = 28, tank_capa = 10, start_tank_bar = 200,"
                                  " end_tank_bar = 50, comment = 'Turtle', condition = 5, item = 0, weather = 1, surface_temp = 27,"
                                  " depth_temp = 25, weight = 4,"
                                  " depth_transit = '0 5 10', update_time = '2000-01-01 00:00:00' WHERE id = ?"),
                   {id});
    return id;
}

// An editor shown and active, so that the focus moves as it does for a user.
struct Editor {
    explicit Editor(qint64 id = 0, long no = 7)
    {
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qFatal("the editor did not become active");
        if (id)
            w.OpenRec(id, no);
    }
    QLineEdit* box(const QString& name) const { return child<QLineEdit>(w, name); }
    QPushButton* button(const QString& name) const { return child<QPushButton>(w, name); }
    QTabWidget* tabs() const { return child<QTabWidget>(w, QStringLiteral("tabInfo")); }
    bool applyEnabled() const { return button(QStringLiteral("cmdApply"))->isEnabled(); }
    // Shows the tab holding the control, as a user must before typing into it.
    QWidget* reveal(const QString& name) const
    {
        QWidget* c = child<QWidget>(w, name);
        for (int i = 0; i < tabs()->count(); ++i)
            if (tabs()->widget(i)->isAncestorOf(c))
                tabs()->setCurrentIndex(i);
        return c;
    }
    // Enters the box, writes, and leaves it with Tab; the check runs once the focus settled.
    void typeAndLeave(const QString& name, const QString& text) const
    {
        QWidget* c = reveal(name);
        c->setFocus(Qt::TabFocusReason);
        QLineEdit* line = qobject_cast<QComboBox*>(c) ? qobject_cast<QComboBox*>(c)->lineEdit() : box(name);
        line->setText(text);
        QTest::keyClick(line, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    void choose(const QString& name, int position) const
    {
        auto* combo = child<QComboBox>(w, name);
        combo->setCurrentIndex(position);
        emit combo->activated(position);
    }

    frmRecord w;
};
}  // namespace

class tst_frmRecord : public QObject {
    Q_OBJECT
private slots:
    void opensStoredDive()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        Editor e(id, 12);
        QCOMPARE(e.w.recordId(), id);
        QCOMPARE(e.box("txtNo")->text(), QStringLiteral("12"));
        QCOMPARE(child<QDateEdit>(e.w, "dtpDate")->date(), QDate(2024, 7, 15));
        QCOMPARE(child<QComboBox>(e.w, "cboLocation")->currentText(), QStringLiteral("Okinawa"));
        QCOMPARE(e.box("txtMaxDepth")->text(), QStringLiteral("18.5"));
        QCOMPARE(e.box("txtUWTime")->text(), QStringLiteral("45"));
        QCOMPARE(child<QPlainTextEdit>(e.w, "txtComment")->toPlainText(), QStringLiteral("Turtle"));
        QCOMPARE(child<QComboBox>(e.w, "cboEntryType")->currentIndex(), 1);
        QCOMPARE(child<QComboBox>(e.w, "cboSuit")->currentIndex(), -1);
        // Bits 1 and 4 of 5 tick the first and third sea conditions.
        auto* conditions = child<QListWidget>(e.w, "lstCondition");
        QVERIFY(conditions->count() >= 3);
        for (int i = 0; i < conditions->count(); ++i)
            QCOMPARE(conditions->item(i)->checkState() == Qt::Checked, i == 0 || i == 2);
        QCOMPARE(e.w.DepthSeries(), QStringLiteral("0 5 10"));
        QCOMPARE(e.w.windowTitle(), e.w.texts().caption());
        QVERIFY(e.w.windowTitle().contains(QStringLiteral("Okinawa")));
        QVERIFY(!e.applyEnabled());
    }

    void shortcutsLeadToTheirBoxes()
    {
        ScriptedUi ui;
        TestLog t;
        frmRecord w;
        int labelled = 0;
        for (QLabel* label : w.findChildren<QLabel*>()) {
            if (!label->text().contains(QLatin1Char('&')))
                continue;
            ++labelled;
            QVERIFY2(label->buddy() && label->buddy()->isEnabled(), qPrintable(label->objectName()));
        }
        QCOMPARE(labelled, 24);
        // Spin buttons step their own box within the designed range.
        const std::tuple<const char*, const char*, int, int> spins[] = {
            {"updAvgDepth", "txtAvgDepth", 0, 99},         {"updUWTime", "txtUWTime", 0, 99},
            {"updAirTemp", "txtAirTemp", -99, 99},         {"updDepthTemp", "txtDepthTemp", -99, 99},
            {"updMaxTransparency", "txtMaxTransparency", 0, 99}, {"updEndTankBar", "txtEndTankBar", 0, 999}};
        for (const auto& [spin, box, lo, hi] : spins) {
            auto* u = child<UpDown>(w, spin);
            QCOMPARE(u->buddy(), child<QLineEdit>(w, box));
            QCOMPARE(std::pair(u->minimum(), u->maximum()), std::pair(lo, hi));
        }
    }

    void unchangedOkWritesNothing()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        Editor e(id);
        e.button("cmdOk")->click();
        QVERIFY(!e.w.isVisible());
        QCOMPARE(column(t, id, "update_time").toString(), QStringLiteral("2000-01-01 00:00:00"));
        QCOMPARE(e.w.recordId(), 0);
        QVERIFY(ui.messages.isEmpty());
    }

    void applyWritesOnlyChangedFields()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        // Written behind the editor's back: a save must not put its loaded value back.
        Editor e(id);
        t.db().execute(QStringLiteral("UPDATE LogTbl SET buddy = 'Ken' WHERE id = ?"), {id});
        e.typeAndLeave("txtAirTemp", "25.55");
        QCOMPARE(e.box("txtAirTemp")->text(), QStringLiteral("25.6"));
        QVERIFY(e.applyEnabled());
        e.button("cmdApply")->click();
        QVERIFY(!e.applyEnabled());
        QCOMPARE(QApplication::focusWidget(), e.button("cmdOk"));
        QCOMPARE(column(t, id, "air_temp").toDouble(), 25.6);
        QCOMPARE(column(t, id, "buddy").toString(), QStringLiteral("Ken"));
        QVERIFY(column(t, id, "update_time").toString() != QStringLiteral("2000-01-01 00:00:00"));
        QVERIFY(e.w.isVisible());
    }

    void applyRules_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("position");  // -1: an edit of the text instead of a choice
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("applyEnabled");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("suit was Null") << "cboSuit" << 1 << "" << true << "suit" << QVariant(1);
        QTest::newRow("same entry chosen again") << "cboEntryType" << 1 << "" << false << "entry_type" << QVariant(1);
        QTest::newRow("other entry") << "cboEntryType" << 0 << "" << true << "entry_type" << QVariant(0);
        QTest::newRow("comment cleared") << "txtComment" << -1 << "" << true << "comment" << QVariant();
        QTest::newRow("same text typed") << "txtTankCapa" << -1 << "10.0" << false << "tank_capa" << QVariant(10.0);
    }

    void applyRules()
    {
        QFETCH(QString, control);
        QFETCH(int, position);
        QFETCH(QString, text);
        QFETCH(bool, applyEnabled);
        QFETCH(QString, column);
        QFETCH(QVariant, stored);
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        Editor e(id);
        if (position >= 0)
            e.choose(control, position);
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(e.reveal(control)))
            plain->setPlainText(text);
        else
            e.typeAndLeave(control, text);
        QCOMPARE(e.applyEnabled(), applyEnabled);
        e.button("cmdOk")->click();
        QVERIFY(!e.w.isVisible());
        QCOMPARE(::column(t, id, column), stored);
    }

    void masksAreBitSets()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        {
            Editor e(id);
            e.reveal("lstItem");
            auto* items = child<QListWidget>(e.w, "lstItem");
            QVERIFY(items->count() >= 4);
            items->item(1)->setCheckState(Qt::Checked);
            items->item(3)->setCheckState(Qt::Checked);
            QVERIFY(e.applyEnabled());
            e.button("cmdOk")->click();
            QCOMPARE(column(t, id, "item").toInt(), 0b1010);
            QCOMPARE(column(t, id, "condition").toInt(), 5);
        }
        Editor again(id);
        auto* items = child<QListWidget>(again.w, "lstItem");
        for (int i = 0; i < items->count(); ++i)
            QCOMPARE(items->item(i)->checkState() == Qt::Checked, i == 1 || i == 3);
    }

    void fieldChecks_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("entry time 9:05") << "txtInTime" << "9:05" << "09:05" << "";
        QTest::newRow("entry time 25:00") << "txtInTime" << "25:00" << "25:00" << "正しい潜水開始時刻(hh:mm)を入力してください";
        QTest::newRow("exit time text") << "txtOutTime" << "abc" << "abc" << "正しい潜水終了時刻(hh:mm)を入力してください";
        QTest::newRow("exit time seconds") << "txtOutTime" << "10:07:30" << "10:07" << "";
        QTest::newRow("empty depth") << "txtMaxDepth" << "" << "" << "正しい深度を入力してください";
        QTest::newRow("depth 12.34") << "txtMaxDepth" << "12.34" << "12.3" << "";
        QTest::newRow("depth with blanks") << "txtAvgDepth" << " 7 " << "7.0" << "";
        QTest::newRow("half a bar up") << "txtEndTankBar" << "50.5" << "51" << "";
        QTest::newRow("minutes text") << "txtUWTime" << "4O" << "4O" << "正しい潜水時間(分)を入力してください";
        QTest::newRow("air temperature") << "txtAirTemp" << "-3.25" << "-3.3" << "";
        QTest::newRow("water temperature") << "txtDepthTemp" << "1,5" << "1,5" << "正しい水温を入力してください";
        QTest::newRow("visibility") << "txtMaxVisibility" << "x" << "x" << "正しい透視度を入力してください";
        QTest::newRow("transparency") << "txtMinTransparency" << "." << "." << "正しい透明度を入力してください";
        QTest::newRow("weight") << "txtWeight" << "+4" << "4.0" << "";
        QTest::newRow("tank") << "txtTankCapa" << "" << "" << "正しいタンク容量を入力してください";
        QTest::newRow("start pressure") << "txtStartTankBar" << "199.5" << "200" << "";
        QTest::newRow("end pressure") << "txtEndTankBar" << "-" << "-" << "正しい終了時タンク圧を入力してください";
        QTest::newRow("start pressure empty") << "txtStartTankBar" << "" << "" << "正しい開始時タンク圧を入力してください";
        QTest::newRow("no location") << "cboLocation" << "" << "" << "潜水地を正しく入力してください";
    }

    void fieldChecks()
    {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        ScriptedUi ui;
        TestLog t;
        Editor e(addFullDive(t));
        e.typeAndLeave(control, typed);
        QWidget* c = child<QWidget>(e.w, control);
        auto* combo = qobject_cast<QComboBox*>(c);
        QCOMPARE(combo ? combo->currentText() : e.box(control)->text(), shown);
        if (message.isEmpty()) {
            QVERIFY(ui.messages.isEmpty());
            QVERIFY(!c->hasFocus());
            return;
        }
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, message);
        QCOMPARE(ui.messages[0].caption, QStringLiteral("入力エラー"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
        QVERIFY(c->hasFocus());
        // Leaving it again is checked again; pressing OK checks it before anything is saved.
        e.button("cmdOk")->click();
        QCOMPARE(ui.messages.size(), 2);
        QVERIFY(e.w.isVisible());
    }

    void cancelLeavesARejectedBox()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        Editor e(id);
        QLineEdit* depth = qobject_cast<QLineEdit*>(e.reveal("txtMaxDepth"));
        depth->setFocus(Qt::TabFocusReason);
        depth->clear();
        QTest::mouseClick(e.button("cmdCancel"), Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(!e.w.isVisible());
        QCOMPARE(column(t, id, "max_depth").toDouble(), 18.5);
    }

    void underwaterTimeSetsExitTime()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = t.addDive(QStringLiteral("2024-07-15"), QStringLiteral("23:30"), QStringLiteral("23:59"), 12.0);
        Editor e(id);
        QLineEdit* uw = qobject_cast<QLineEdit*>(e.reveal("txtUWTime"));
        uw->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(uw, QStringLiteral("75"));
        QCOMPARE(e.box("txtOutTime")->text(), QStringLiteral("00:45"));
        QCOMPARE(uw->text(), QStringLiteral("75"));
        QVERIFY(e.applyEnabled());
        e.button("cmdOk")->click();
        QCOMPARE(column(t, id, "out_time").toString(), QStringLiteral("00:45"));

        // Without an entry time the underwater time moves nothing, and is not stored itself.
        const qint64 untimed = t.addDive(QStringLiteral("2024-07-16"), QString(), QString(), 12.0);
        Editor other(untimed);
        other.typeAndLeave("txtUWTime", "30");
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(other.box("txtOutTime")->text().isEmpty());
        QVERIFY(!other.applyEnabled());
    }

    void closing_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("how");
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::newRow("close box, no edit") << false << "close" << MsgResult::No << false << true;
        QTest::newRow("close box, edit, No") << true << "close" << MsgResult::No << true << false;
        QTest::newRow("close box, edit, Yes") << true << "close" << MsgResult::Yes << true << true;
        QTest::newRow("Cancel after an edit") << true << "cancel" << MsgResult::No << false << true;
        QTest::newRow("Esc after an edit") << true << "esc" << MsgResult::No << false << true;
    }

    void closing()
    {
        QFETCH(bool, edited);
        QFETCH(QString, how);
        QFETCH(MsgResult, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        Editor e(id);
        if (edited)
            e.typeAndLeave("cboBuddy", "Ken");
        ui.answers = {answer};
        if (how == QLatin1String("close"))
            e.w.close();
        else if (how == QLatin1String("cancel"))
            e.button("cmdCancel")->click();
        else
            QTest::keyClick(&e.w, Qt::Key_Escape);
        QCOMPARE(!ui.messages.isEmpty(), asked);
        if (asked) {
            QCOMPARE(ui.messages[0].text, QStringLiteral("変更点を更新せずにレコードを閉じます。よろしいですか"));
            QCOMPARE(ui.messages[0].caption, QStringLiteral("確認"));
            QCOMPARE(ui.messages[0].icon, MsgIcon::Exclamation);
            QCOMPARE(ui.messages[0].buttons, MsgButtons::YesNo);
        }
        QCOMPARE(!e.w.isVisible(), closed);
        QCOMPARE(e.w.recordId(), closed ? 0 : id);
        QCOMPARE(e.applyEnabled(), edited);
        QVERIFY(column(t, id, "buddy").isNull());
    }

    void openRecTwiceReadsOnce()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        Editor e(id);
        t.db().execute(QStringLiteral("UPDATE LogTbl SET location = 'Palau' WHERE id = ?"), {id});
        e.w.OpenRec(id, 7);
        QCOMPARE(child<QComboBox>(e.w, "cboLocation")->currentText(), QStringLiteral("Okinawa"));
        // Once closed, the same window reads the dive again.
        e.w.Unload();
        e.w.show();
        e.w.OpenRec(id, 7);
        QCOMPARE(child<QComboBox>(e.w, "cboLocation")->currentText(), QStringLiteral("Palau"));
        QCOMPARE(e.w.windowTitle(), e.w.texts().caption());
    }

    void ctrlTabWraps_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("back");
        QTest::addColumn<int>("to");
        QTest::newRow("sixth to first") << 5 << false << 0;
        QTest::newRow("first to sixth") << 0 << true << 5;
        QTest::newRow("third to fourth") << 2 << false << 3;
        QTest::newRow("fourth to third") << 3 << true << 2;
    }

    void ctrlTabWraps()
    {
        QFETCH(int, from);
        QFETCH(bool, back);
        QFETCH(int, to);
        ScriptedUi ui;
        TestLog t;
        Editor e(addFullDive(t));
        e.tabs()->setCurrentIndex(from);
        // Keys typed into the comment, which takes Tab itself, reach the window first.
        if (from == 0)
            child<QWidget>(e.w, "txtComment")->setFocus();
        else
            e.tabs()->tabBar()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), back ? Qt::Key_Backtab : Qt::Key_Tab,
                        back ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
        QCOMPARE(e.tabs()->currentIndex(), to);
        QCOMPARE(QApplication::focusWidget(), e.tabs()->tabBar());
    }

    void focusSelectsAndDefaultButton()
    {
        ScriptedUi ui;
        TestLog t;
        Editor e(addFullDive(t));
        QLineEdit* air = qobject_cast<QLineEdit*>(e.reveal("txtAirTemp"));
        air->setFocus(Qt::TabFocusReason);
        QCOMPARE(air->selectedText(), air->text());
        QTest::mouseClick(e.box("txtDepthTemp"), Qt::LeftButton);
        QCoreApplication::processEvents();
        e.box("txtDepthTemp")->setText(QStringLiteral("21.0"));
        QTest::mouseClick(air, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(air->hasFocus());
        QVERIFY(air->selectedText().isEmpty());
        // The underwater time is selected however the focus arrives.
        QLineEdit* uw = qobject_cast<QLineEdit*>(e.reveal("txtUWTime"));
        QTest::mouseClick(uw, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(uw->selectedText(), QStringLiteral("45"));

        QVERIFY(e.button("cmdOk")->isDefault());
        auto* comment = qobject_cast<QPlainTextEdit*>(e.reveal("txtComment"));
        comment->setFocus(Qt::MouseFocusReason);
        QVERIFY(!e.button("cmdOk")->isDefault());
        QTest::keyClick(comment, Qt::Key_Return);
        QVERIFY(e.w.isVisible());
        e.tabs()->tabBar()->setFocus(Qt::TabFocusReason);
        QVERIFY(e.button("cmdOk")->isDefault());
    }

    void failedWriteKeepsDiveAndWindow()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        QVERIFY(t.db().execute(QStringLiteral("CREATE TRIGGER no_air BEFORE UPDATE OF air_temp ON LogTbl"
                                              " BEGIN SELECT RAISE(ABORT, 'air temperature locked'); END")));
        Editor e(id);
        e.typeAndLeave("cboLocation", "Palau");  // written before the air temperature
        e.typeAndLeave("txtAirTemp", "30");
        e.typeAndLeave("cboGuide", "Aki");
        QSignalSpy listed(&e.w, &frmRecord::listedFieldSaved);
        e.button("cmdOk")->click();
        QVERIFY(e.w.isVisible());
        QVERIFY(e.applyEnabled());
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.messages[0].text.contains(QStringLiteral("air temperature locked")));
        QCOMPARE(QApplication::focusWidget(), e.box("txtAirTemp"));
        QCOMPARE(column(t, id, "location").toString(), QStringLiteral("Okinawa"));
        QVERIFY(column(t, id, "guide").isNull());
        QCOMPARE(column(t, id, "update_time").toString(), QStringLiteral("2000-01-01 00:00:00"));
        QCOMPARE(listed.count(), 0);
        // Once the column can be written, the same edits save.
        t.db().execute(QStringLiteral("DROP TRIGGER no_air"));
        e.button("cmdOk")->click();
        QVERIFY(!e.w.isVisible());
        QCOMPARE(column(t, id, "location").toString(), QStringLiteral("Palau"));
        QCOMPARE(listed.count(), 1);
    }

    void seriesInput_data()
    {
        QTest::addColumn<bool>("depth");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("series");
        QTest::addColumn<QString>("first");   // txtAvgDepth or txtSurfaceTemp
        QTest::addColumn<QString>("second");  // txtMaxDepth or txtDepthTemp
        QTest::newRow("depths, mixed separators") << true << "0, 5\n12.5\t18 10 3" << "0 5 12.5 18 10 3" << "8.1" << "18.0";
        QTest::newRow("decimal comma splits") << true << "12,5" << "12 5" << "8.5" << "12.0";
        QTest::newRow("negative depths") << true << "-1 -3" << "-1 -3" << "-2.0" << "0.0";
        QTest::newRow("temperatures") << false << "24 23.5 22 22.5" << "24 23.5 22 22.5" << "24.0" << "22.0";
        QTest::newRow("a lowest of 0 is replaced") << false << "0 18 20" << "0 18 20" << "20.0" << "18.0";
        QTest::newRow("a later 0 is replaced") << false << "15 0 17" << "15 0 17" << "17.0" << "17.0";
        QTest::newRow("below zero only") << false << "-2 -1" << "-2 -1" << "0.0" << "-2.0";
    }

    void seriesInput()
    {
        QFETCH(bool, depth);
        QFETCH(QString, typed);
        QFETCH(QString, series);
        QFETCH(QString, first);
        QFETCH(QString, second);
        ScriptedUi ui;
        TestLog t;
        const qint64 id = addFullDive(t);
        Editor e(id);
        QString caption, shownText;
        ui.onDialog = [&](QObject* d) {
            auto* dialog = qobject_cast<frmInputDepth*>(d);
            caption = dialog->windowTitle();
            shownText = dialog->Text();
            dialog->setText(typed);
            child<QPushButton>(*dialog, "cmdOk")->click();
        };
        e.reveal("cmdInputDepth");
        e.button(depth ? "cmdInputDepth" : "cmdInputTemp")->click();
        QCOMPARE(caption, depth ? QStringLiteral("深度推移の入力") : QStringLiteral("水温推移の入力"));
        QCOMPARE(shownText, depth ? QStringLiteral("0 5 10") : QString());
        QCOMPARE(depth ? e.w.DepthSeries() : e.w.TempSeries(), series);
        QCOMPARE(e.box(depth ? "txtAvgDepth" : "txtSurfaceTemp")->text(), first);
        QCOMPARE(e.box(depth ? "txtMaxDepth" : "txtDepthTemp")->text(), second);
        QVERIFY(e.applyEnabled());
        e.button("cmdOk")->click();
        QCOMPARE(column(t, id, depth ? "depth_transit" : "temp_transit").toString(), series);
        QCOMPARE(column(t, id, depth ? "max_depth" : "depth_temp").toDouble(), second.toDouble());
    }

    void seriesCancelAndUnchangedOk()
    {
        ScriptedUi ui;
        TestLog t;
        Editor e(addFullDive(t));
        const QImage before = child<ProfileView>(e.w, "picGraph")->picture();
        bool pressOk = false;
        ui.onDialog = [&](QObject* d) {
            auto* dialog = qobject_cast<frmInputDepth*>(d);
            dialog->setText(QStringLiteral("30 30 30"));
            if (pressOk) {
                dialog->setText(QStringLiteral("0 5 10"));
                child<QPushButton>(*dialog, "cmdOk")->click();
            } else {
                child<QPushButton>(*dialog, "cmdCancel")->click();
            }
        };
        e.button("cmdInputDepth")->click();
        QCOMPARE(e.w.DepthSeries(), QStringLiteral("0 5 10"));
        QCOMPARE(e.box("txtMaxDepth")->text(), QStringLiteral("18.5"));
        QCOMPARE(child<ProfileView>(e.w, "picGraph")->picture(), before);
        QVERIFY(!e.applyEnabled());
        pressOk = true;
        e.button("cmdInputDepth")->click();
        QCOMPARE(e.w.DepthSeries(), QStringLiteral("0 5 10"));
        QVERIFY(e.applyEnabled());
    }

    void graphTimeLabels()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = t.addDive(QStringLiteral("2024-07-15"), QStringLiteral("10:00"), QStringLiteral("10:50"), 12.0);
        Editor e(id);
        e.reveal("picGraph");
        QStringList captions;
        for (int i = 0; i <= 8; ++i)
            captions << child<QLabel>(e.w, QStringLiteral("lblH_%1").arg(i))->text();
        QCOMPARE(captions, QStringList({"0", "6", "13", "19", "25", "31", "38", "44", "50"}));
        QCOMPARE(child<QLabel>(e.w, "lblV_8")->text(), QStringLiteral("40"));
        QCOMPARE(child<QLabel>(e.w, "lblTV_8")->text(), QStringLiteral("-5"));
    }

    void chartWindow()
    {
        ScriptedUi ui;
        TestLog t;
        Editor e(addFullDive(t));
        e.reveal("cmdZoom");
        e.button("cmdZoom")->click();
        QPointer<frmChart> chart = e.w.chartWindow();
        QVERIFY(chart && chart->isVisible());
        QCOMPARE(chart->windowTitle(), QStringLiteral("推移グラフ"));
        QCOMPARE(chart->size(), QSize(640, 480));
        QCOMPARE(chart->UWTime(), 45L);
        QCOMPARE(chart->DepthValues(), QList<float>({0, 5, 10}));
        // The margins around the graph keep their proportions when the window is resized.
        for (const QSize size : {QSize(640, 480), QSize(900, 300)}) {
            chart->resize(size);
            QCoreApplication::processEvents();
            ProfileView* graph = chart->graph();
            const QWidget* cont = child<QWidget>(*chart, "picCont");
            QCOMPARE(cont->width(), size.width());
            QCOMPARE(cont->height(), size.height() - child<QWidget>(*chart, "stsStatus")->height());
            QCOMPARE(graph->width(), qRound(cont->width() - 2.2 * graph->x()));
            QCOMPARE(graph->height(), qRound(cont->height() - 2.5 * graph->y()));
            QCOMPARE(graph->picture().size(), graph->size());
        }
        // A series entered meanwhile reaches the open chart.
        ui.onDialog = [](QObject* d) {
            qobject_cast<frmInputDepth*>(d)->setText(QStringLiteral("3 6 9 12"));
            child<QPushButton>(*qobject_cast<QWidget*>(d), "cmdOk")->click();
        };
        const QImage before = chart->graph()->picture();
        e.button("cmdInputDepth")->click();
        QCOMPARE(chart->DepthValues(), QList<float>({3, 6, 9, 12}));
        QVERIFY(chart->graph()->picture() != before);
        ui.answers = {MsgResult::Yes};
        e.button("cmdCancel")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!chart);
        QVERIFY(!e.w.chartWindow());
    }

    void listOpensOneEditorPerDive()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 a = t.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:00"), QStringLiteral("09:40"), 12.0,
                                   QStringLiteral("A"));
        const qint64 b = t.addDive(QStringLiteral("2024-07-16"), QStringLiteral("09:00"), QStringLiteral("09:40"), 14.0,
                                   QStringLiteral("B"));
        frmLogList list;
        list.show();
        auto* view = child<QTreeView>(list, "lvwLogList");
        view->selectAll();
        QTest::keyClick(view, Qt::Key_Return);
        QPointer<frmRecord> ea = list.editorOf(a), eb = list.editorOf(b);
        QVERIFY(ea && eb && ea != eb);
        QVERIFY(ea->isVisible() && eb->isVisible());
        QCOMPARE(ea->recordId(), a);
        QCOMPARE(eb->recordId(), b);
        // The number shown is the one the list shows for the dive.
        for (int r = 0; r < list.model()->rowCount(); ++r) {
            const QString location = list.model()->index(r, DiveListModel::ColLocation).data().toString();
            const QString no = list.model()->index(r, DiveListModel::ColNo).data().toString();
            frmRecord* editor = location == QLatin1String("A") ? ea : eb;
            QCOMPARE(child<QLineEdit>(*editor, "txtNo")->text(), no);
        }
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(list.editorOf(a), ea.data());
        QCOMPARE(list.findChildren<frmRecord*>().size(), 2);

        // A listed field saved in an editor shows in the list at once.
        child<QComboBox>(*ea, "cboLocation")->setEditText(QStringLiteral("A2"));
        child<QPushButton>(*ea, "cmdApply")->click();
        QVERIFY(list.model()->match(list.model()->index(0, DiveListModel::ColLocation), Qt::DisplayRole, "A2").size() == 1);

        // Deleting a dive closes its editor without a question about its edits.
        child<QComboBox>(*eb, "cboBuddy")->setEditText(QStringLiteral("Ken"));
        view->clearSelection();
        const QModelIndexList rows = list.model()->match(list.model()->index(0, DiveListModel::ColLocation),
                                                         Qt::DisplayRole, "B");
        QCOMPARE(rows.size(), 1);
        view->selectionModel()->select(rows[0], QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ui.answers = {MsgResult::Yes};
        ui.messages.clear();
        child<QAction>(list, "mnuRecDelete")->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(!eb);
        QVERIFY(!list.editorOf(b));
        QVERIFY(ea);
        ea->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!ea);
    }

    void exitAsksAboutUnsavedEditors()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 a = t.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:00"), QStringLiteral("09:40"), 12.0,
                                   QStringLiteral("A"));
        auto list = std::make_unique<frmLogList>();
        list->show();
        auto* view = child<QTreeView>(*list, "lvwLogList");
        view->selectAll();
        QTest::keyClick(view, Qt::Key_Return);
        QPointer<frmRecord> editor = list->editorOf(a);
        QVERIFY(editor);
        child<QComboBox>(*editor, "cboBuddy")->setEditText(QStringLiteral("Ken"));
        ui.answers = {MsgResult::No};
        list->close();
        // The question came, and the editor kept open with its edits stays.
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("変更点を更新せずにレコードを閉じます。よろしいですか"));
        QVERIFY(editor && editor->isVisible());
        QVERIFY(!list->isVisible());
    }
};

QTEST_MAIN(tst_frmRecord)
#include "tst_frmRecord.moc"
