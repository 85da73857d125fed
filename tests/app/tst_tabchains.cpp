// The Tab chain of every dialog with fields, walked with real Tab and Shift+Tab keys: the header
// fields, the tab strip, the fields of the page shown in reading order, the buttons, and round
// to the first again.
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmInputDepth.h"
#include "frmOption.h"
#include "frmPrintOption.h"
#include "frmProfCalc.h"
#include "frmRecord.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <map>
#include <memory>

namespace {
// The control a user sees holding the focus: the tab widget for its tab strip, the combo or
// date box for its inner text box.
QString controlName(QWidget* w)
{
    while (w && (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))))
        w = w->parentWidget();
    return w ? w->objectName() : QStringLiteral("<none>");
}

// Presses Tab (or Shift+Tab) on the focus widget until the focus is back on the first control,
// at most limit times; a control that takes several presses (the date's year, month and day)
// is named once.
QStringList walk(QWidget* first, bool back, int limit)
{
    first->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    QStringList visited{controlName(QApplication::focusWidget())};
    for (int i = 0; i < limit; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            break;
        QTest::keyClick(focus, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        const QString name = controlName(QApplication::focusWidget());
        if (name != visited.last())
            visited << name;
        if (visited.size() > 1 && name == visited.first())
            break;
    }
    return visited;
}

QStringList names(const char* spaced)
{
    return QString::fromLatin1(spaced).split(' ');
}

QStringList numbered(const QString& prefix)
{
    QStringList boxes;
    for (int i = 0; i < 14; ++i)
        boxes << QStringLiteral("%1_%2").arg(prefix).arg(i);
    return boxes;
}
}  // namespace

class tst_tabchains : public QObject {
    Q_OBJECT
private slots:
    // window; the tab page shown (-1: none); the controls in their intended order.
    void chain_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("order");
        const QStringList header = names("dtpDate cboLocation cboBuddy cboGuide cboEntryType tabInfo");
        const QStringList buttons = names("cmdOk cmdCancel cmdApply");
        const QStringList pages[] = {
            names("txtComment"),
            names("cboWeather txtAirTemp txtSurfaceTemp txtDepthTemp txtMinVisibility txtMaxVisibility "
                  "txtMinTransparency txtMaxTransparency lstCondition"),
            names("cboSuit txtWeight cboTankMat cboAirType txtTankCapa txtStartTankBar txtEndTankBar lstItem"),
            names("txtInTime txtOutTime txtUWTime txtAvgDepth txtMaxDepth"),
            names("cmdZoom cmdInputDepth cmdInputTemp"),
            names("lvwPicList")};
        for (int i = 0; i < 6; ++i)
            QTest::addRow("record, tab %d", i + 1) << "frmRecord" << i << header + pages[i] + buttons;
        const QStringList options[] = {names("cboPort"), names("txtPicPath cmdPicPathRef txtNo txtTimeH txtTimeM"),
                                       numbered("txtSuit"), numbered("txtItem"), numbered("txtAirType"),
                                       numbered("txtWeather"), numbered("txtCondition")};
        for (int i = 0; i < 7; ++i)
            QTest::addRow("options, tab %d", i + 1) << "frmOption" << i << QStringList{"tbsOptions"} + options[i] + buttons;
        QTest::newRow("calculator") << "frmProfCalc" << -1
                                    << names("txt1Depth txt1UWTime cbo1EndPg txtSI cbo2StartPg txt2Depth txt2UWTime "
                                             "cbo2EndPg cmdClose");
        QTest::newRow("series") << "frmInputDepth" << -1 << names("txtList cmdOk cmdCancel");
        QTest::newRow("page setup") << "frmPrintOption" << -1
                                    << names("cboType txtTopMargine txtLeftMargineRight txtLeftMargineLeft "
                                             "optOrientation_0 optPageSeq_0 cmdOk cmdCancel");
    }
    void chain()
    {
        QFETCH(QString, window);
        QFETCH(int, page);
        QFETCH(QStringList, order);
        ScriptedUi ui;
        TestLog t;
        // Every checked box of the dive holds a value that passes, so Tab leaves each one.
        const qint64 id = t.addDive("2024-07-15", "10:00", "10:45", 18.5, "Okinawa", 1);
        t.db().execute("UPDATE LogTbl SET avg_depth = 9, air_temp = 28, surface_temp = 27, depth_temp = 25,"
                       " weight = 4, tank_capa = 10, start_tank_bar = 200, end_tank_bar = 50");
        const std::map<QString, std::function<QDialog*()>> make{
            {"frmRecord", [id] { auto* r = new frmRecord; r->OpenRec(id, 1); return r; }},
            {"frmOption", [] { return new frmOption; }},           {"frmProfCalc", [] { return new frmProfCalc; }},
            {"frmInputDepth", [] { return new frmInputDepth; }}, {"frmPrintOption", [] { return new frmPrintOption; }}};
        std::unique_ptr<QDialog> w(make.at(window)());
        if (auto* tabs = w->findChild<QTabWidget*>())
            tabs->setCurrentIndex(page);
        // Apply is reached once there is something to apply.
        if (auto* apply = w->findChild<QPushButton*>("cmdApply"))
            apply->setEnabled(true);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QWidget* first = w->findChild<QWidget*>(order.first());
        if (auto* tabs = qobject_cast<QTabWidget*>(first))
            first = tabs->tabBar();
        const int limit = 4 * int(order.size());
        QCOMPARE(walk(first, false, limit).join(' '), (order + order.mid(0, 1)).join(' '));
        QStringList backwards(order.crbegin(), order.crend());
        QCOMPARE(walk(first, true, limit).join(' '), (order.mid(0, 1) + backwards).join(' '));
        QVERIFY(ui.messages.isEmpty());
    }
};

QTEST_MAIN(tst_tabchains)
#include "tst_tabchains.moc"
