// The About box and the milestone dialog: the texts the program fills in, and the links the About box opens.
#include "ScriptedUi.h"
#include "Version.h"
#include "frmAbout.h"
#include "frmMemorial.h"

#include <QLabel>
#include <QtTest>

class tst_about : public QObject {
    Q_OBJECT
private slots:
    void aboutVersionAndLinks()
    {
        ScriptedUi ui;
        frmAbout about;
        // The label must follow the project's version, not a number typed into the form.
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), QStringLiteral("Version " TIDEWRITER_VERSION));
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
        memorial.setTitleCount(100);
        QCOMPARE(memorial.findChild<QLabel*>("lblTitle")->text(), QStringLiteral("100本達成おめでとうございます"));
    }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
