// The About box and the milestone dialog: their texts and the links the About box opens.
#include "ScriptedUi.h"
#include "Version.h"
#include "frmAbout.h"
#include "frmMemorial.h"

#include <QLabel>
#include <QtTest>

class tst_about : public QObject {
    Q_OBJECT
private slots:
    void aboutTexts()
    {
        frmAbout about;
        QCOMPARE(about.findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Calvane Tidewriter"));
        // The label must follow the project's version, not a number typed into the form.
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), QStringLiteral("Version " TIDEWRITER_VERSION));
    }

    void aboutLinks()
    {
        ScriptedUi ui;
        frmAbout about;
        QStringList expected;
        for (const char* name : {"lblMail", "lblURL_0", "lblURL_1"}) {
            QLabel* link = about.findChild<QLabel*>(name);
            QVERIFY2(link && !link->text().isEmpty(), name);
            QTest::mouseClick(link, Qt::LeftButton);
            // The address (the first label) opens as a mailto: link, the pages as they are written.
            expected << (expected.isEmpty() ? QStringLiteral("mailto:") : QString()) + link->text();
        }
        QCOMPARE(ui.opened, expected);
    }

    void memorial()
    {
        frmMemorial memorial;
        QCOMPARE(memorial.windowTitle(), QStringLiteral("おめでとう！"));
        QCOMPARE(memorial.findChild<QLabel*>("lblMessage")->text(),
                 QStringLiteral("おめでとうございます\n\nこれからもガンガン潜ってください\n\n"
                                "今後ともTidewriterの末永いご愛用を\n宜しくお願い申し上げます\n\nfrom Calvane"));
        for (qlonglong count : {50LL, 100LL}) {
            memorial.setTitleCount(count);
            QCOMPARE(memorial.findChild<QLabel*>("lblTitle")->text(),
                     QStringLiteral("%1本達成おめでとうございます").arg(count));
        }
    }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
