// The record editor against a log of its own: edits, saves, box checks, closing, series, editors of the list.
#include "DiveListModel.h"
#include "Globals.h"
#include "IniFile.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmInputDepth.h"
#include "frmLogList.h"
#include "frmRecord.h"

#include <QtTest>
#include <QtWidgets>

namespace {
const QString kNeverWritten = QStringLiteral("2000-01-01 00:00:00");
const QString kCloseQuestion = QStringLiteral("変更点を更新せずにレコードを閉じます。よろしいですか");

template <class T = QWidget> T* child(const QWidget& w, const QString& name)
{
    if (T* c = w.findChild<T*>(name))
        return c;
    qFatal("no control %s", qPrintable(name));
}

// Scripted message boxes; a log with one evening dive, every kind of field filled (suit Null) and
// last written long ago; and its editor shown and active, so the focus moves as for a user.
struct Fixture {
    explicit Fixture(bool openIt = true)
    {
        id = t.addDive("2024-07-15", "23:30", "23:59", 18.5, "Okinawa", 1);
        t.db().execute("UPDATE LogTbl SET avg_depth = 9.2, air_temp = 28, tank_capa = 10, start_tank_bar = 200,"
                       " end_tank_bar = 50, comment = 'Turtle' || char(13, 10) || 'Shark', condition = 5, item = 0, weather = 1, surface_temp = 27,"
                       " depth_temp = 25, weight = 4, depth_transit = '0 5 10', update_time = ? WHERE id = ?",
                       {kNeverWritten, id});
        if (!openIt)
            return;
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qFatal("the editor did not become active");
        w.OpenRec(id, 7);
    }
    QVariant column(const QString& name)
    {
        auto rs = t.db().query(QStringLiteral("SELECT %1 FROM LogTbl WHERE id = ?").arg(name), {id});
        return rs && !rs->eof() ? rs->field(0) : QVariant("<no row>");
    }
    QLineEdit* box(const QString& name) const { return child<QLineEdit>(w, name); }
    QPushButton* button(const QString& name) const { return child<QPushButton>(w, name); }
    QTabWidget* tabs() const { return child<QTabWidget>(w, "tabInfo"); }
    bool applyEnabled() const { return button("cmdApply")->isEnabled(); }
    // Shows the tab holding the control, as a user must before using it.
    QWidget* reveal(const QString& name) const
    {
        QWidget* c = child(w, name);
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
    ScriptedUi ui;
    TestLog t;
    qint64 id = 0;
    frmRecord w;
};

// Edit::value: a combo position or the list positions ticked; Series::first and second: the boxes filled.
struct Edit { QString control, value; bool changed; QString column; QVariant stored; };
struct Closing { bool edited; QString how; MsgResult answer; bool asked, closed; };
struct Series { bool depth, dialogOk; QString typed, series, first, second; };
// The exit's answers, the first editor's save failing, the program ending; the two dives' buddies afterwards.
struct Exit { QList<MsgResult> answers; bool firstFails; bool ends; QString saved; };
struct Spin { QString box, typed; bool up; QString shown, exit; };
}  // namespace
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Closing)
Q_DECLARE_METATYPE(Series)
Q_DECLARE_METATYPE(Exit)
Q_DECLARE_METATYPE(Spin)

class tst_frmRecord : public QObject {
    Q_OBJECT
private slots:
    // One edit per row, then OK: only a real change enables Apply and is written; a column
    // written behind the editor's back keeps its value either way.
    void saveWritesOnlyChanges_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::newRow("suit was Null") << Edit{"cboSuit", "1", true, "suit", QVariant(1)};
        QTest::newRow("same entry chosen again") << Edit{"cboEntryType", "1", false, "entry_type", QVariant(1)};
        QTest::newRow("items ticked") << Edit{"lstItem", "1 3", true, "item", QVariant(0b1010)};
    }
    void saveWritesOnlyChanges()
    {
        QFETCH(Edit, edit);
        Fixture f;
        f.t.db().execute("UPDATE LogTbl SET buddy = 'Ken' WHERE id = ?", {f.id});
        QWidget* c = f.reveal(edit.control);
        if (auto* combo = qobject_cast<QComboBox*>(c)) {
            combo->setCurrentIndex(edit.value.toInt());
            emit combo->activated(edit.value.toInt());
        } else if (auto* list = qobject_cast<QListWidget*>(c)) {
            for (const QString& position : edit.value.split(' '))
                list->item(position.toInt())->setCheckState(Qt::Checked);
        }
        QCOMPARE(f.applyEnabled(), edit.changed);
        f.button("cmdOk")->click();
        QCOMPARE(f.column(edit.column), edit.stored);
        QCOMPARE(f.column("buddy").toString(), QStringLiteral("Ken"));
        QCOMPARE(f.column("update_time").toString() != kNeverWritten, edit.changed);
    }
    // The checks bound to the boxes: accepted text is shown reformatted; rejected text stays,
    // with its message and the focus back in the box, and OK checks it again before saving.
    void fieldChecks()
    {
        Fixture f;
        f.typeAndLeave("txtInTime", "9:05");
        QCOMPARE(f.box("txtInTime")->text(), QStringLiteral("09:05"));
        QVERIFY(f.ui.messages.isEmpty());
        f.typeAndLeave("cboLocation", "");
        QVERIFY(child(f.w, "cboLocation")->hasFocus());
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].caption + ": " + f.ui.messages[0].text, QStringLiteral("入力エラー: 潜水地を正しく入力してください"));
        f.button("cmdOk")->click();
        QCOMPARE(f.ui.messages.size(), 2);
        QCOMPARE(f.column("update_time").toString(), kNeverWritten);
    }
    // The edit leaves a rejected depth box focused: Cancel, Esc and the close box check and save
    // nothing, and only the close box asks.
    void closing_data()
    {
        QTest::addColumn<Closing>("closing");
        QTest::newRow("close box, no edit") << Closing{false, "close", MsgResult::No, false, true};
        QTest::newRow("close box, edit, No") << Closing{true, "close", MsgResult::No, true, false};
        QTest::newRow("close box, edit, Yes") << Closing{true, "close", MsgResult::Yes, true, true};
        QTest::newRow("Cancel after an edit") << Closing{true, "cancel", MsgResult::No, false, true};
    }
    void closing()
    {
        QFETCH(Closing, closing);
        Fixture f;
        if (closing.edited) {
            f.typeAndLeave("cboBuddy", "Ken");
            f.reveal("txtMaxDepth")->setFocus(Qt::TabFocusReason);
            f.box("txtMaxDepth")->clear();
        }
        f.ui.answers = {closing.answer};
        if (closing.how == "close")
            f.w.close();
        else
            QTest::mouseClick(f.button("cmdCancel"), Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(f.ui.messages.size(), closing.asked ? 1 : 0);
        QCOMPARE(f.ui.messages.value(0).text, closing.asked ? kCloseQuestion : QString());
        QCOMPARE(!f.w.isVisible(), closing.closed);
        QCOMPARE(f.column("update_time").toString(), kNeverWritten);
    }
    // A comment typed on two lines is stored with CR LF and shown as two lines again (its CSV: tst_csv).
    void typedCommentKeepsItsLines()
    {
        Fixture f;
        auto* comment = qobject_cast<QPlainTextEdit*>(f.reveal("txtComment"));
        comment->setFocus(Qt::TabFocusReason);
        comment->selectAll();
        QTest::keyClicks(comment, "Turtle");
        QTest::keyClick(comment, Qt::Key_Return);
        QTest::keyClicks(comment, "Shark, \"big\"");
        f.button("cmdOk")->click();
        QCOMPARE(f.column("comment").toString(), QStringLiteral("Turtle\r\nShark, \"big\""));
        frmRecord again;
        again.OpenRec(f.id, 7);
        QCOMPARE(child<QPlainTextEdit>(again, "txtComment")->document()->blockCount(), 2);
    }
    // A value typed beyond a spin button's range: a step towards the range moves it by one,
    // a step away leaves it (and the exit time that follows the underwater time) alone.
    void spinSteps_data()
    {
        QTest::addColumn<Spin>("spin");
        QTest::newRow("120 minutes, up") << Spin{"txtUWTime", "120", true, "120", "01:30"};
        QTest::newRow("just above 99 m, down") << Spin{"txtAvgDepth", "99.3", false, "98", "23:59"};
        QTest::newRow("-120 degrees, up") << Spin{"txtAirTemp", "-120", true, "-119", "23:59"};
    }
    void spinSteps()
    {
        QFETCH(Spin, spin);
        Fixture f;
        f.reveal(spin.box);
        f.box(spin.box)->setText(spin.typed);
        auto* arrows = child(f.w, "upd" + spin.box.mid(3));
        QTest::mouseClick(child<QToolButton>(*arrows, spin.up ? "cmdUp" : "cmdDown"), Qt::LeftButton);
        QCOMPARE(f.box(spin.box)->text(), spin.shown);
        QCOMPARE(f.box("txtOutTime")->text(), spin.exit);
    }
    // The series dialog bound to the window: OK stores the series and the boxes it fills,
    // Cancel changes nothing, a list without a number clears the series and keeps the boxes.
    void seriesInput_data()
    {
        QTest::addColumn<Series>("row");
        QTest::newRow("mixed separators") << Series{true, true, "0, 5\n12.5\t18 10 3", "0 5 12.5 18 10 3", "8.1", "18.0"};
        QTest::newRow("Cancel") << Series{true, false, "30 30 30", "0 5 10", "9.2", "18.5"};
        QTest::newRow("temperatures without a number") << Series{false, true, " ,\n", "", "27.0", "25.0"};
    }
    void seriesInput()
    {
        QFETCH(Series, row);
        Fixture f;
        f.ui.onDialog = [&](QObject* d) {
            qobject_cast<frmInputDepth*>(d)->setText(row.typed);
            child<QPushButton>(*qobject_cast<QWidget*>(d), row.dialogOk ? "cmdOk" : "cmdCancel")->click();
        };
        f.reveal("cmdInputDepth");
        f.button(row.depth ? "cmdInputDepth" : "cmdInputTemp")->click();
        QCOMPARE(row.depth ? f.w.DepthSeries() : f.w.TempSeries(), row.series);
        QCOMPARE(f.box(row.depth ? "txtAvgDepth" : "txtSurfaceTemp")->text(), row.first);
        QCOMPARE(f.box(row.depth ? "txtMaxDepth" : "txtDepthTemp")->text(), row.second);
        QCOMPARE(f.applyEnabled(), row.dialogOk);
        f.button("cmdOk")->click();
        QCOMPARE(f.column(row.depth ? "depth_transit" : "temp_transit").toString(), row.series);
        QCOMPARE(f.column(row.depth ? "depth_transit" : "temp_transit").isNull(), row.series.isEmpty());
        QCOMPARE(f.column(row.depth ? "max_depth" : "depth_temp").toDouble(), row.second.toDouble());
    }
    // Return on every dive of the list opens one editor per dive, and only one.
    void listEditorsOnePerDive()
    {
        Fixture f(false);
        const qint64 a = f.id, b = f.t.addDive("2024-07-16", "09:00", "09:40", 14.0, "B");
        frmLogList list;
        list.show();
        auto* view = child<QTreeView>(list, "lvwLogList");
        view->selectAll();
        QTest::keyClick(view, Qt::Key_Return);
        QPointer<frmRecord> ea = list.editorOf(a), eb = list.editorOf(b);
        QVERIFY(ea && eb && ea != eb && ea->isVisible() && eb->isVisible());
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(list.editorOf(a), ea.data());
        QCOMPARE(list.findChildren<frmRecord*>().size(), 2);
        // A listed field saved in an editor shows in the list at once.
        const QModelIndex top = list.model()->index(0, DiveListModel::ColLocation);
        child<QComboBox>(*ea, "cboLocation")->setEditText("A2");
        child<QPushButton>(*ea, "cmdApply")->click();
        QCOMPARE(list.model()->match(top, Qt::DisplayRole, "A2").size(), 1);
    }
    // Leaving asks every edited editor in opening order before the settings are written and the log closed;
    // キャンセル or a failed save keeps the program running, and the editors kept can still save.
    void exitAsksEveryEditorFirst_data()
    {
        QTest::addColumn<Exit>("exit");
        using R = MsgResult;
        QTest::newRow("both saved") << Exit{{R::Yes, R::Yes}, false, true, "Ken|Mai"};
        QTest::newRow("first dropped") << Exit{{R::No, R::Yes}, false, true, "|Mai"};
        QTest::newRow("second kept") << Exit{{R::Yes, R::Cancel}, false, false, "Ken|Mai"};
        QTest::newRow("first kept") << Exit{{R::Cancel}, false, false, "Ken|Mai"};
        QTest::newRow("first fails to save") << Exit{{R::Yes}, true, false, "Ken|Mai"};
    }
    void exitAsksEveryEditorFirst()
    {
        QFETCH(Exit, exit);
        Fixture f(false);
        const qint64 ids[] = {f.id, f.t.addDive("2024-07-16", "09:00", "09:40", 14.0, "B")};
        if (exit.firstFails)
            QVERIFY(f.t.db().execute(QStringLiteral("CREATE TRIGGER locked BEFORE UPDATE OF buddy ON LogTbl WHEN OLD.id = %1"
                                                    " BEGIN SELECT RAISE(ABORT, 'buddy locked'); END").arg(ids[0])));
        frmLogList list;
        list.show();
        QPointer<frmRecord> editors[2];
        for (int i : {0, 1}) {
            list.OpenRecordWindow(ids[i]);
            editors[i] = list.editorOf(ids[i]);
            child<QComboBox>(*editors[i], "cboBuddy")->setEditText(i == 0 ? "Ken" : "Mai");
        }
        f.ui.answers = exit.answers;
        list.close();
        QCOMPARE(f.ui.messages.size(), exit.answers.size() + (exit.firstFails ? 1 : 0));
        QCOMPARE(f.ui.messages[0].text, "2024/07/15 - Okinawa\n\n変更点が更新されていません。\n終了する前に変更点を更新しますか?");
        QCOMPARE(f.ui.messages[0].buttons, MsgButtons::YesNoCancel);
        QCOMPARE(list.isVisible(), !exit.ends);
        QCOMPARE(IniFile::read(gIniPath, "WINDOW", "COLUMN_1", QString()).isEmpty(), !exit.ends);
        if (exit.ends) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!editors[0] && !editors[1]);
            f.t.open();  // closed by the exit
        } else {
            // The program goes on with the log open: OK in every editor still open saves.
            f.t.db().execute("DROP TRIGGER IF EXISTS locked");
            for (const QPointer<frmRecord>& e : editors)
                if (e && e->isVisible())
                    child<QPushButton>(*e, "cmdOk")->click();
        }
        auto buddies = f.t.db().query("SELECT group_concat(coalesce(buddy, ''), '|') FROM LogTbl");  // in id order
        QCOMPARE(buddies->field(0).toString(), exit.saved);
    }
};

QTEST_MAIN(tst_frmRecord)
#include "tst_frmRecord.moc"
