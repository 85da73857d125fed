#include "ScriptedUi.h"
#include "modSubroutines.h"

#include <QFile>

#include <QtTest>

class tst_subroutines : public QObject {
    Q_OBJECT
private slots:
    void keysAndQuotes();
    void paths_data();
    void paths();
    void joinValues();
    void splitNumbers_data();
    void splitNumbers();
    void conversions_data();
    void conversions();
    void formatFixed_data();
    void formatFixed();
    void helpOpensTheGuideAtItsTopic();
};

void tst_subroutines::keysAndQuotes()
{
    QCOMPARE(MakeItemKey(42), QStringLiteral("#42"));
    QCOMPARE(KeyToId(QStringLiteral("#42")), 42);
    QCOMPARE(KeyToId(MakeItemKey(2147483647)), 2147483647);
    QCOMPARE(QuoteSQL(QStringLiteral("O'Neil")), QStringLiteral("O''Neil"));
    QCOMPARE(QuoteSQL(QStringLiteral("''")), QStringLiteral("''''"));
}

void tst_subroutines::paths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QString>("withoutExtension");
    QTest::newRow("full") << "/pic/a.jpg" << "a.jpg" << "/pic" << "/pic/a";
    QTest::newRow("no separator") << "a.jpg" << "" << "" << "a";
    QTest::newRow("two dots") << "/pic/a.b.jpg" << "a.b.jpg" << "/pic" << "/pic/a.b";
    QTest::newRow("dot in folder only") << "/pic.d/a" << "a" << "/pic.d" << "/pic";
    QTest::newRow("trailing separator") << "/pic/" << "" << "/pic" << "/pic/";
}

void tst_subroutines::paths()
{
    QFETCH(QString, path);
    QFETCH(QString, fileName);
    QFETCH(QString, folderName);
    QFETCH(QString, withoutExtension);
    QCOMPARE(GetFileName(path), fileName);
    QCOMPARE(GetFolderName(path), folderName);
    QCOMPARE(RemoveExtension(path), withoutExtension);
}

void tst_subroutines::joinValues()
{
    QCOMPARE(RemoveTrailing(QStringLiteral("/pic//"), QStringLiteral("/")), QStringLiteral("/pic"));
    QCOMPARE(RemoveTrailing(QStringLiteral("/"), QStringLiteral("/")), QString());
    QCOMPARE(RemoveTrailing(QStringLiteral("abab"), QStringLiteral("ab")), QString());
    QCOMPARE(JoinValues({"1", "2", "3"}, QStringLiteral(" ")), QStringLiteral("1 2 3"));
    QCOMPARE(JoinValues({"1", "2"}, QStringLiteral(",")), QStringLiteral("1,2,"));
    QCOMPARE(JoinValues({}, QStringLiteral(" ")), QString());
    QCOMPARE(JoinValues({"a ", ""}, QStringLiteral(" ")), QStringLiteral("a"));
}

void tst_subroutines::splitNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<float>>("values");
    QTest::newRow("empty") << "" << QList<float>{0, 0};
    QTest::newRow("letters only") << "abc" << QList<float>{0, 0};
    QTest::newRow("single") << "5" << QList<float>{5};
    QTest::newRow("blanks") << "10 12.5 -3" << QList<float>{10, 12.5f, -3};
    QTest::newRow("double comma") << "1,,2" << QList<float>{1, 2};
    QTest::newRow("mixed separators") << "1\t2\r\n3  4" << QList<float>{1, 2, 3, 4};
    QTest::newRow("trailing separator") << "1 2 " << QList<float>{1, 2};
    QTest::newRow("trailing comma") << "7,8," << QList<float>{7, 8};
    QTest::newRow("fixed decimals") << "12.0 0.50" << QList<float>{12, 0.5f};
    QTest::newRow("leading point") << ".5 -.5" << QList<float>{0.5f, -0.5f};
    QTest::newRow("unreadable number is 0") << "1-2 3 1.2.3 -" << QList<float>{0, 3, 0, 0};
    QTest::newRow("separator first") << " 4" << QList<float>{4};
}

void tst_subroutines::splitNumbers()
{
    QFETCH(QString, text);
    QFETCH(QList<float>, values);
    QCOMPARE(SplitNumbers(text), values);
}

void tst_subroutines::conversions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lng");  // INT_MIN: no conversion
    QTest::addColumn<int>("boolean");  // -1: no conversion
    const int none = std::numeric_limits<int>::min();
    QTest::newRow("integer") << "16" << 16 << 1;
    QTest::newRow("blanks") << " 21 " << 21 << 1;
    QTest::newRow("half to even down") << "2.5" << 2 << 1;
    QTest::newRow("half to even up") << "1.5" << 2 << 1;
    QTest::newRow("half of zero") << "0.5" << 0 << 1;
    QTest::newRow("negative half") << "-2.5" << -2 << 1;
    QTest::newRow("zero") << "0" << 0 << 0;
    QTest::newRow("word") << "abc" << none << -1;
    QTest::newRow("empty") << "" << none << -1;
    QTest::newRow("True") << "True" << none << 1;
    QTest::newRow("false any case") << "fAlSe" << none << 0;
    QTest::newRow("too large") << "3000000000" << none << 1;
}

void tst_subroutines::conversions()
{
    QFETCH(QString, text);
    QFETCH(int, lng);
    QFETCH(int, boolean);
    const auto l = CLng(text);
    QCOMPARE(l.has_value(), lng != std::numeric_limits<int>::min());
    if (l)
        QCOMPARE(*l, long(lng));
    const auto b = CBool(text);
    QCOMPARE(b.has_value(), boolean >= 0);
    if (b)
        QCOMPARE(int(*b), boolean);
}

void tst_subroutines::formatFixed_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("intDigits");
    QTest::addColumn<QString>("text");
    QTest::newRow("depth padded") << 7.0 << 2 << "07.0";
    QTest::newRow("depth") << 18.5 << 2 << "18.5";
    QTest::newRow("deep") << 105.25 << 2 << "105.3";
    QTest::newRow("binary just below half") << 761.0 / 20 << 1 << "38.1";
    QTest::newRow("stored 18.04") << 18.04 << 1 << "18.0";
    QTest::newRow("carry") << 9.96 << 1 << "10.0";
    QTest::newRow("small half") << 0.05 << 1 << "0.1";
    QTest::newRow("negative away from zero") << -1.25 << 1 << "-1.3";
    QTest::newRow("negative padded") << -1.5 << 2 << "-01.5";
    QTest::newRow("zero") << 0.0 << 1 << "0.0";
    QTest::newRow("tiny") << 1e-9 << 1 << "0.0";
    QTest::newRow("large") << 12345678.96 << 1 << "12345679.0";
}

void tst_subroutines::formatFixed()
{
    QFETCH(double, value);
    QFETCH(int, intDigits);
    QFETCH(QString, text);
    QCOMPARE(FormatFixed(value, intDigits, 1), text);
}

void tst_subroutines::helpOpensTheGuideAtItsTopic()
{
    ScriptedUi ui;
    QVERIFY(ShowHelp(0, nullptr));
    QVERIFY(ShowHelp(2, nullptr));
    QCOMPARE(ui.opened.size(), 2);
    const QUrl contents(ui.opened[0]), topic(ui.opened[1]);
    QVERIFY(contents.isLocalFile());
    QVERIFY(!contents.hasFragment());
    QCOMPARE(topic.fragment(), QStringLiteral("context-2"));
    QFile guide(contents.toLocalFile());
    QVERIFY(guide.open(QIODevice::ReadOnly));
    const QByteArray html = guide.readAll();
    // Every topic the program can ask for has its anchor in the guide.
    for (int id = 0; id <= 4; ++id)
        QVERIFY(html.contains(QStringLiteral("id=\"context-%1\"").arg(id).toUtf8()));
}

QTEST_GUILESS_MAIN(tst_subroutines)
#include "tst_subroutines.moc"
