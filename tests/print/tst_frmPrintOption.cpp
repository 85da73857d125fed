// The page setup against a settings file of its own: margins as typed, switching page types,
// what OK writes (from a hand-edited file too), a file that cannot be written, and the dialog.
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

QString text(const PageTypeSetup& s)
{
    return QStringLiteral("%1/%2/%3/%4").arg(s.topMargin).arg(s.leftMarginRight).arg(s.leftMarginLeft).arg(s.orientation);
}

// Both types' margins and orientations, then page type and page order.
QString shared()
{
    QString all;
    for (int i = 0; i < 2; ++i)
        all += text({gTopMargin[i], gLeftMarginRight[i], gLeftMarginLeft[i], gOrientation[i]}) + ' ';
    return all + QStringLiteral("%1 %2").arg(gPageType).arg(gPageSeq);
}
}  // namespace

class tst_frmPrintOption : public QObject {
    Q_OBJECT
private slots:
    // Typed into one box of the A5 page: its margins afterwards ("" when refused).
    void margins_data()
    {
        QTest::addColumn<int>("margin");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("12.6 rounds up") << int(PageMargin::Top) << "12.6" << "13/24/5/0";
        QTest::newRow("blanks, half to even") << int(PageMargin::LeftOfRightPage) << " 12.5 " << "12/12/5/0";
        QTest::newRow("negative, no range") << int(PageMargin::LeftOfLeftPage) << "-3" << "12/24/-3/0";
        QTest::newRow("words") << int(PageMargin::Top) << "12mm" << "";
    }
    void margins()
    {
        QFETCH(int, margin);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        ScriptedUi ui;
        TestLog t(false);
        ReadProgramSettings();
        PrintOptions options;
        options.selectPageType(1);
        QCOMPARE(options.enterMargin(PageMargin(margin), typed), !kept.isEmpty());
        QCOMPARE(text(options.current()), kept.isEmpty() ? "12/24/5/0" : kept);
        QCOMPARE(ui.messages.size(), kept.isEmpty() ? 1 : 0);
        for (const ShownMessage& m : ui.messages)
            QCOMPARE(m.text + m.caption + QString::number(m.icon == MsgIcon::Critical), "正しい数値を入力してください入力エラー1");
        // The organizer page and the shared settings are untouched until OK.
        QCOMPARE(text(options.setup(0)) + ' ' + shared(), "16/21/15/0 16/21/15/0 12/24/5/0 0 0");
    }

    // Edits to the A5 page survive a visit to the organizer page and one OK writes both: the
    // file before ("-": cannot be written) and afterwards. Out-of-range page type, page order and
    // orientation read as the organizer page, left-hand pages and portrait.
    void save_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("no file yet")
            << "" << "[PAGETYPE_1]\nTOP_MARGINE=16\nLEFT_MARGINE_RIGHT=9\nLEFT_MARGINE_LEFT=15\nORIENTATION=0\n"
                     "[PAGETYPE_2]\nTOP_MARGINE=30\nLEFT_MARGINE_RIGHT=24\nLEFT_MARGINE_LEFT=5\nORIENTATION=1\n"
                     "[PRINT]\nPAGE_TYPE=1\nPAGE_SEQ=3\n";
        QTest::newRow("hand-edited")
            << "[print]\npage_seq=9\nPAGE_TYPE=7\n[PAGETYPE_1]\nORIENTATION=2\nTOP_MARGINE=\n[Other]\nKEY=kept\n"
            << "[print]\nPAGE_SEQ=3\nPAGE_TYPE=1\n[PAGETYPE_1]\nORIENTATION=0\nTOP_MARGINE=16\nLEFT_MARGINE_RIGHT=9\n"
               "LEFT_MARGINE_LEFT=15\n[Other]\nKEY=kept\n[PAGETYPE_2]\nTOP_MARGINE=30\nLEFT_MARGINE_RIGHT=24\n"
               "LEFT_MARGINE_LEFT=5\nORIENTATION=1\n";
        QTest::newRow("cannot be written") << "-" << "";
    }
    void save()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        ScriptedUi ui;
        TestLog t(false);
        if (before != "-")
            WriteFileBytes(gIniPath, before.toUtf8());
        ReadProgramSettings();
        PrintOptions options;
        QCOMPARE(std::pair(options.pageType(), options.pageSeq()), std::pair(0L, before.size() > 1 ? 1L : 0L));
        options.selectPageType(1);
        QVERIFY(options.enterMargin(PageMargin::Top, "30"));
        options.setOrientation(1);
        options.selectPageType(0);
        QCOMPARE(text(options.current()), "16/21/15/0");
        QVERIFY(options.enterMargin(PageMargin::LeftOfRightPage, "9"));
        options.selectPageType(1);
        options.setPageSeq(3);
        if (before == "-")
            gIniPath = t.path("no/such/folder/tidewriter.ini");
        QCOMPARE(options.save(), before != "-");
        // The shared settings hold the choice even when the file refused it.
        QCOMPARE(shared(), "16/9/15/0 30/24/5/1 1 3");
        QCOMPARE(QString::fromUtf8(ReadFileBytes(gIniPath)), after);
        QCOMPARE(ui.messages.size(), after.isEmpty() ? 1 : 0);
        for (const ShownMessage& m : ui.messages)
            QCOMPARE(m.caption + m.text, "エラー設定の更新に失敗しました\r\nファイル " + gIniPath + " に書き込めませんでした");
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
            const auto show = [&](const QString& option) {
                shown << child(*d, "txtTopMargine")->text() + '/' + child(*d, "txtLeftMargineRight")->text() + '/'
                        + child(*d, "txtLeftMargineLeft")->text() + ' ' + QString::number(child<QRadioButton>(*d, option)->isChecked());
            };
            show("optOrientation_1");
            show("optPageSeq_2");
            child(*d, "txtTopMargine")->setText("12.6");
            child<QComboBox>(*d, "cboType")->setCurrentIndex(0);
            show("optOrientation_0");
            child<QRadioButton>(*d, "optOrientation_1")->click();
            child<QComboBox>(*d, "cboType")->setCurrentIndex(1);
            child<QRadioButton>(*d, "optPageSeq_3")->click();
            child(*d, "txtLeftMargineLeft")->setText("abc");
            child<QPushButton>(*d, "cmdOk")->click();
            show("optOrientation_1");
            shown << QString::number(ui.messages.size()) + QString::number(static_cast<frmPrintOption*>(d)->okPressed())
                    + QString::number(ReadFileBytes(gIniPath) == before);
            // Corrected and confirmed without leaving the box.
            child(*d, "txtLeftMargineLeft")->setText("4");
            child<QPushButton>(*d, button)->click();
            ok = static_cast<frmPrintOption*>(d)->okPressed();
        };
        QAction* command = w.findChild<QAction*>("mnuToolPageOption");
        QVERIFY(command->isEnabled());
        command->trigger();
        QCOMPARE(ui.dialogs, QStringList{"frmPrintOption"});
        QCOMPARE(shown, QStringList({"12/24/5 1", "12/24/5 1", "16/21/15 1", "13/24/abc 1", "101"}));
        QCOMPARE(ui.messages[0].text, QStringLiteral("正しい数値を入力してください"));
        QCOMPARE(ok, button == "cmdOk");
        QCOMPARE(shared(), ok ? QStringLiteral("16/21/15/1 13/24/4/1 1 3") : unchanged);
        QVERIFY(ok ? ReadFileBytes(gIniPath).count('=') == 10 : ReadFileBytes(gIniPath) == before);
    }
};

QTEST_MAIN(tst_frmPrintOption)
#include "tst_frmPrintOption.moc"
