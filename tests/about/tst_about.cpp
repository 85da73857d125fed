// The About box and the milestone dialog: their texts and the links the About box opens.
#include "ScriptedUi.h"
#include "Version.h"
#include "frmAbout.h"
#include "frmMemorial.h"

#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

class tst_about : public QObject {
    Q_OBJECT
private slots:
    void aboutTexts();
    void aboutLinks_data();
    void aboutLinks();
    void memorialTexts();
    void memorialTitle_data();
    void memorialTitle();
};

void tst_about::aboutTexts()
{
    frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("Tidewriterのバージョン情報"));
    QCOMPARE(about.findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Calvane Tidewriter"));
    const QString version = about.findChild<QLabel*>("lblVersion")->text();
    QVERIFY2(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+$")).match(version).hasMatch(),
             qPrintable(version));
    // The label must follow the project's version, not a number typed into the form.
    QCOMPARE(version, QStringLiteral("Version " TIDEWRITER_VERSION));
}

void tst_about::aboutLinks_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("mail") << "lblMail" << "mailto:";
    QTest::newRow("home page") << "lblURL_0" << "";
    QTest::newRow("program page") << "lblURL_1" << "";
}

void tst_about::aboutLinks()
{
    QFETCH(QString, label);
    QFETCH(QString, prefix);
    ScriptedUi ui;
    frmAbout about;
    QLabel* link = about.findChild<QLabel*>(label);
    QVERIFY(link);
    QVERIFY(!link->text().isEmpty());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(ui.opened, QStringList{prefix + link->text()});
    QVERIFY(ui.messages.isEmpty());
}

void tst_about::memorialTexts()
{
    frmMemorial memorial;
    QCOMPARE(memorial.windowTitle(), QStringLiteral("おめでとう！"));
    QCOMPARE(memorial.findChild<QLabel*>("lblMessage")->text(),
             QStringLiteral("おめでとうございます\n\nこれからもガンガン潜ってください\n\n"
                            "今後ともTidewriterの末永いご愛用を\n宜しくお願い申し上げます\n\nfrom Calvane"));
}

void tst_about::memorialTitle_data()
{
    QTest::addColumn<qlonglong>("count");
    QTest::addColumn<QString>("title");
    QTest::newRow("50") << 50LL << "50本達成おめでとうございます";
    QTest::newRow("100") << 100LL << "100本達成おめでとうございます";
}

void tst_about::memorialTitle()
{
    QFETCH(qlonglong, count);
    QFETCH(QString, title);
    frmMemorial memorial;
    memorial.setTitleCount(count);
    QCOMPARE(memorial.findChild<QLabel*>("lblTitle")->text(), title);
}

QTEST_MAIN(tst_about)
#include "tst_about.moc"
