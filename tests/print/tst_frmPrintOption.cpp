// The page setup against a settings file of its own: margins as typed, switching page types,
// what OK writes (and what a hand-edited file turns into), a file that cannot be written, and
// the dialog opened from the list window.
#include "Globals.h"
#include "PrintOptions.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "frmPrintOption.h"
#include "modStartup.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {
template <class T = QLineEdit> T* child(const QObject& w, const QString& name)
{
    if (T* c = w.findChild<T*>(name))
        return c;
    qFatal("no control %s", qPrintable(name));
}

QString iniText() { return QString::fromUtf8(ReadFileBytes(gIniPath)); }

// Both types' margins and orientations, then page type and page order, as one line.
QString shared()
{
    QStringList all;
    for (int i = 0; i < 2; ++i)
        all << QStringLiteral("%1/%2/%3/%4").arg(gTopMargin[i]).arg(gLeftMarginRight[i]).arg(gLeftMarginLeft[i]).arg(gOrientation[i]);
    return all.join(' ') + QStringLiteral(" %1 %2").arg(gPageType).arg(gPageSeq);
}
}  // namespace

class tst_frmPrintOption : public QObject {
    Q_OBJECT
private slots:
    // A margin typed into each box: the millimetres kept, or -1 when it is refused.
    void margins_data()
    {
        QTest::addColumn<int>("margin");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<long>("kept");
        QTest::newRow("12.6 rounds up") << int(PageMargin::Top) << "12.6" << 13L;
        QTest::newRow("blanks, half to even") << int(PageMargin::LeftOfRightPage) << " 12.5 " << 12L;
        QTest::newRow("negative, no range") << int(PageMargin::LeftOfLeftPage) << "-3" << -3L;
        QTest::newRow("words") << int(PageMargin::Top) << "12mm" << -1L;
        QTest::newRow("empty") << int(PageMargin::LeftOfRightPage) << "" << -1L;
        QTest::newRow("exponent") << int(PageMargin::LeftOfLeftPage) << "1e3" << -1L;
        QTest::newRow("beyond 32 bits") << int(PageMargin::Top) << "3000000000" << -1L;
    }
    void margins()
    {
        QFETCH(int, margin);
        QFETCH(QString, typed);
        QFETCH(long, kept);
        ScriptedUi ui;
        TestLog t(false);
        ReadProgramSettings();
        PrintOptions options;
        options.selectPageType(1);
        QCOMPARE(options.enterMargin(PageMargin(margin), typed), kept != -1);
        const PageTypeSetup& a5 = options.current();
        const long values[] = {a5.topMargin, a5.leftMarginRight, a5.leftMarginLeft};
        const long defaults[] = {12, 24, 5};
        QCOMPARE(values[margin], kept == -1 ? defaults[margin] : kept);
        QCOMPARE(ui.messages.size(), kept == -1 ? 1 : 0);
        if (kept == -1) {
            QCOMPARE(ui.messages[0].text, QStringLiteral("正しい数値を入力してください"));
            QCOMPARE(ui.messages[0].caption, QStringLiteral("入力エラー"));
            QCOMPARE(ui.messages[0].icon, MsgIcon::Critical);
        }
        // The organizer page and the shared settings are untouched until OK.
        QCOMPARE(options.setup(0).topMargin + options.setup(0).leftMarginRight + options.setup(0).leftMarginLeft, 52L);
        QCOMPARE(shared(), QStringLiteral("16/21/15/0 12/24/5/0 0 0"));
    }

    // Edits to the A5 page survive a visit to the organizer page, and one OK writes both.
    // The file before (hand-edited values: a sound meaning, never a crash), whether it can be
    // written, and the file and shared settings afterwards.
    void save_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("settings");
        const QString written = "[PAGETYPE_1]\nTOP_MARGINE=16\nLEFT_MARGINE_RIGHT=9\nLEFT_MARGINE_LEFT=15\nORIENTATION=0\n"
                                "[PAGETYPE_2]\nTOP_MARGINE=30\nLEFT_MARGINE_RIGHT=24\nLEFT_MARGINE_LEFT=5\nORIENTATION=1\n"
                                "[PRINT]\nPAGE_TYPE=1\nPAGE_SEQ=3\n";
        QTest::newRow("no file yet") << "" << true << written << "16/9/15/0 30/24/5/1 1 3";
        QTest::newRow("hand-edited")
            << "[print]\npage_seq=9\nPAGE_TYPE=7\n[PAGETYPE_1]\nORIENTATION=2\nTOP_MARGINE=\n[Other]\nKEY=kept\n" << true
            << "[print]\nPAGE_SEQ=3\nPAGE_TYPE=1\n[PAGETYPE_1]\nORIENTATION=0\nTOP_MARGINE=16\nLEFT_MARGINE_RIGHT=9\n"
               "LEFT_MARGINE_LEFT=15\n[Other]\nKEY=kept\n[PAGETYPE_2]\nTOP_MARGINE=30\nLEFT_MARGINE_RIGHT=24\n"
               "LEFT_MARGINE_LEFT=5\nORIENTATION=1\n"
            << "16/9/15/0 30/24/5/1 1 3";
        QTest::newRow("cannot be written") << "" << false << "" << "16/9/15/0 30/24/5/1 1 3";
    }
    void save()
    {
        QFETCH(QString, before);
        QFETCH(bool, writable);
        QFETCH(QString, after);
        QFETCH(QString, settings);
        ScriptedUi ui;
        TestLog t(false);
        if (!before.isEmpty())
            WriteFileBytes(gIniPath, before.toUtf8());
        ReadProgramSettings();
        PrintOptions options;
        // Out-of-range page types and orders read as the organizer page and left-hand pages.
        QCOMPARE(std::pair(options.pageType(), options.pageSeq()), std::pair(0L, before.isEmpty() ? 0L : 1L));
        options.selectPageType(1);
        QVERIFY(options.enterMargin(PageMargin::Top, "30"));
        options.setOrientation(1);
        options.selectPageType(0);
        QCOMPARE(options.current().topMargin, 16L);
        QVERIFY(options.enterMargin(PageMargin::LeftOfRightPage, "9"));
        options.selectPageType(1);
        QCOMPARE(std::pair(options.current().topMargin, options.current().orientation), std::pair(30L, 1L));
        options.setPageSeq(3);
        if (!writable)
            gIniPath = t.path("no/such/folder/tidewriter.ini");
        QCOMPARE(options.save(), writable);
        // The shared settings hold the choice even when the file refused it.
        QCOMPARE(shared(), settings);
        if (writable) {
            QVERIFY(ui.messages.isEmpty());
            QCOMPARE(iniText(), after);
            return;
        }
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, "設定の更新に失敗しました\r\nファイル " + gIniPath + " に書き込めませんでした");
        QCOMPARE(ui.messages[0].caption, QStringLiteral("エラー"));
        QVERIFY(!QFileInfo::exists(gIniPath));
    }

    // ツール > ページ設定: the controls show and edit the settings; a bad margin keeps the dialog
    // open; OK saves and reports it, Cancel leaves the settings and the file as they were.
    void dialog_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("OK") << "cmdOk";
        QTest::newRow("Cancel") << "cmdCancel";
    }
    void dialog()
    {
        QFETCH(QString, button);
        ScriptedUi ui;
        TestLog t;
        WriteFileBytes(gIniPath, "[PRINT]\nPAGE_TYPE=1\nPAGE_SEQ=2\n[PAGETYPE_2]\nORIENTATION=1\n");
        const QByteArray before = ReadFileBytes(gIniPath);
        ReadProgramSettings();
        const QString unchanged = shared();
        frmLogList w;
        QStringList shown;
        bool ok = false;
        ui.onDialog = [&](QObject* d) {
            const auto boxes = [&d] {
                return QStringList{child(*d, "txtTopMargine")->text(), child(*d, "txtLeftMargineRight")->text(),
                                   child(*d, "txtLeftMargineLeft")->text()}.join('/');
            };
            const auto checked = [&d](const QString& name) { return child<QRadioButton>(*d, name)->isChecked(); };
            shown << boxes() << QString::number(checked("optOrientation_1")) << QString::number(checked("optPageSeq_2"));
            child(*d, "txtTopMargine")->setText("12.6");
            child<QComboBox>(*d, "cboType")->setCurrentIndex(0);
            shown << boxes() << QString::number(checked("optOrientation_0"));
            child<QRadioButton>(*d, "optOrientation_1")->click();
            child<QComboBox>(*d, "cboType")->setCurrentIndex(1);
            shown << boxes();
            child<QRadioButton>(*d, "optPageSeq_3")->click();
            child(*d, "txtLeftMargineLeft")->setText("abc");
            child<QPushButton>(*d, "cmdOk")->click();
            shown << QString::number(ui.messages.size()) << QString::number(static_cast<frmPrintOption*>(d)->okPressed())
                  << QString::number(ReadFileBytes(gIniPath) == before);
            // Corrected and confirmed without leaving the box.
            child(*d, "txtLeftMargineLeft")->setText("4");
            child<QPushButton>(*d, button)->click();
            ok = static_cast<frmPrintOption*>(d)->okPressed();
        };
        QAction* command = w.findChild<QAction*>("mnuToolPageOption");
        QVERIFY(command->isEnabled());
        command->trigger();
        QCOMPARE(ui.dialogs, QStringList{"frmPrintOption"});
        QCOMPARE(shown, QStringList({"12/24/5", "1", "1", "16/21/15", "1", "13/24/5", "1", "0", "1"}));
        QCOMPARE(ui.messages[0].text, QStringLiteral("正しい数値を入力してください"));
        QCOMPARE(ok, button == "cmdOk");
        if (!ok) {
            QCOMPARE(shared(), unchanged);
            QCOMPARE(ReadFileBytes(gIniPath), before);
            return;
        }
        QCOMPARE(shared(), QStringLiteral("16/21/15/1 13/24/4/1 1 3"));
        QCOMPARE(iniText().count('='), 10);
    }
};

QTEST_MAIN(tst_frmPrintOption)
#include "tst_frmPrintOption.moc"
