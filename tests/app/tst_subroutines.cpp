#include "ScriptedUi.h"
#include "TestLog.h"
#include "modSubroutines.h"

#include <QtTest>
#include <bit>
#include <limits>

class tst_subroutines : public QObject {
    Q_OBJECT
private slots:

    void paths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("parts");  // file name | folder name | path without extension
        QTest::newRow("full") << "/pic/a.jpg" << "a.jpg|/pic|/pic/a";
        QTest::newRow("dot in folder only") << "/pic.d/a" << "a|/pic.d|/pic";
        QTest::newRow("trailing separator") << "/pic/" << "|/pic|/pic/";
    }
    void paths()
    {
        QFETCH(QString, path);
        QFETCH(QString, parts);
        QCOMPARE(QStringList({GetFileName(path), GetFolderName(path), RemoveExtension(path)}).join('|'), parts);
    }

    // The values, and whether the text holds a number at all (the two zeros of none do not count).
    void splitNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<float>>("values");
        QTest::addColumn<bool>("holds");
        QTest::newRow("separators only") << " ,\r\n\t" << QList<float>{0, 0} << false;
        QTest::newRow("two zeros typed") << "0 0" << QList<float>{0, 0} << true;
        QTest::newRow("empty fields between commas and at the end") << "1,,2," << QList<float>{1, 2} << true;
        QTest::newRow("mixed separators, first and last too") << " 1\t2\r\n3  4 " << QList<float>{1, 2, 3, 4} << true;
        QTest::newRow("fixed decimals and leading point") << "12.0 0.50 .5 -.5" << QList<float>{12, 0.5f, 0.5f, -0.5f} << true;
        QTest::newRow("unreadable number is 0") << "1-2 3 1.2.3 - . -." << QList<float>{0, 3, 0, 0, 0, 0} << true;
        QTest::newRow("point last, seventy digits") << "7. " + QString(69, '0') + "1" << QList<float>{7, 1} << true;
    }
    void splitNumbers()
    {
        QFETCH(QString, text);
        QFETCH(QList<float>, values);
        QFETCH(bool, holds);
        QCOMPARE(SplitNumbers(text), values);
        QCOMPARE(HoldsNumbers(text), holds);
    }

    // Series and settings numbers: plain decimal, and read back as the very same float.
    void numberTexts_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("window width") << 9600.0f << "9600";
        QTest::newRow("tenth") << 0.1f << "0.1";
        QTest::newRow("negative half") << -0.5f << "-0.5";
        QTest::newRow("small, no exponent") << 1e-5f << "0.00001";
        QTest::newRow("eight digits, none lost") << 12345678.0f << "12345678";
        QTest::newRow("a third needs eight digits") << 1.0f / 3 << "0.33333334";
        QTest::newRow("largest float") << std::numeric_limits<float>::max() << "340282346638528859811704183484516925440";
        QTest::newRow("smallest float") << std::numeric_limits<float>::denorm_min()
                                        << "0.000000000000000000000000000000000000000000001";
        QTest::newRow("minus zero") << -0.0f << "0";
    }
    void numberTexts()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(SingleToText(value), text);
        const QList<float> read = SplitNumbers(text);
        QCOMPARE(read.size(), 1);
        QCOMPARE(std::bit_cast<quint32>(read[0]), std::bit_cast<quint32>(value == 0.0f ? 0.0f : value));
    }

    // What each reader makes of a text: the number, the whole number (CLng), the time of
    // day, the editor's date, then CBool as 0 or 1; "-" where it reads nothing.
    void readers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        QTest::newRow("blanks around") << " 21 " << "21 21 - - 1";
        QTest::newRow("half to even down") << "2.5" << "2.5 2 - - 1";
        QTest::newRow("half to even up") << "1.5" << "1.5 2 - - 1";
        QTest::newRow("exponent") << "1e3" << "- - - - -";
        QTest::newRow("True") << "True" << "- - - - 1";
        QTest::newRow("false any case") << "fAlSe" << "- - - - 0";
        QTest::newRow("beyond 32 bits") << "3000000000" << "3000000000 - - - 1";
        QTest::newRow("beyond a double") << QString(400, '9') << "- - - - -";
        QTest::newRow("time H:m") << "1:5" << "- - 01:05:00 - -";
        QTest::newRow("time with seconds") << " 09:05:30 " << "- - 09:05:30 - -";
        QTest::newRow("hour 24") << "24:00" << "- - - - -";
        QTest::newRow("minute 60") << "9:60" << "- - - - -";
        QTest::newRow("date") << "2024/07/15" << "- - - 2024-07-15 -";
        QTest::newRow("no leap day") << "2023/02/29" << "- - - - -";
        QTest::newRow("ISO date is no typed date") << "2024-07-15" << "- - - - -";
    }
    void readers()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        auto shown = [](auto value) { return value ? QString::number(double(*value), 'g', 17) : QStringLiteral("-"); };
        const QTime t = TimeIn(text);
        const QDate d = DateIn(text);
        QCOMPARE(QStringList({shown(NumberIn(text)), shown(CLng(text)),
                              t.isValid() ? t.toString("HH:mm:ss") : "-", d.isValid() ? d.toString(Qt::ISODate) : "-",
                              shown(CBool(text))})
                     .join(' '),
                 read);
    }

    void formatFixed_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");  // with one digit before the point, then with two
        QTest::newRow("depth padded") << 7.0 << "7.0 07.0";
        QTest::newRow("small half") << 0.05 << "0.1 00.1";
        QTest::newRow("negative away from zero") << -1.25 << "-1.3 -01.3";
        QTest::newRow("large, with a carry") << 12345678.96 << "12345679.0 12345679.0";
    }
    void formatFixed()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatFixed(value, 1, 1) + ' ' + FormatFixed(value, 2, 1), text);
    }

    void helpOpensTheGuideAtItsTopic()
    {
        ScriptedUi ui;
        QVERIFY(ShowHelp(0, nullptr) && ShowHelp(2, nullptr));
        QCOMPARE(ui.opened.size(), 2);
        const QUrl contents(ui.opened[0]), topic(ui.opened[1]);
        QVERIFY(contents.isLocalFile() && !contents.hasFragment());
        QCOMPARE(topic.fragment(), QStringLiteral("context-2"));
        // Every topic the program can ask for has its anchor in the guide.
        const QByteArray html = ReadFileBytes(contents.toLocalFile());
        for (int id = 0; id <= 4; ++id)
            QVERIFY2(html.contains(QStringLiteral("id=\"context-%1\"").arg(id).toUtf8()),
                     qPrintable(contents.toLocalFile()));
        // Its pictures lie beside it, and every link inside it has its anchor.
        const QString text = QString::fromUtf8(html);
        const QDir folder = QFileInfo(contents.toLocalFile()).dir();
        int pictures = 0;
        for (auto it = QRegularExpression(R"x(<img src="([^"]+)")x").globalMatch(text); it.hasNext(); ++pictures) {
            const QString picture = it.next().captured(1);
            QVERIFY2(QFileInfo(folder.filePath(picture)).isFile(), qPrintable(picture));
        }
        QVERIFY(pictures > 0);
        for (auto it = QRegularExpression(R"x(href="#([^"]+)")x").globalMatch(text); it.hasNext();) {
            const QString anchor = it.next().captured(1);
            QVERIFY2(text.contains(QStringLiteral("id=\"%1\"").arg(anchor)), qPrintable(anchor));
        }
    }

    // A guide that cannot be shown says why: missing (a folder in its place counts), or no
    // program on the desktop to open it; either message names the file.
    void helpSaysWhyItDidNotOpen_data()
    {
        QTest::addColumn<QString>("guide");  // file, folder or none
        QTest::addColumn<bool>("viewer");
        QTest::addColumn<QString>("message");  // how it begins; empty: the guide opened
        QTest::newRow("opened") << "file" << true << "";
        QTest::newRow("no program for it") << "file" << false << "ヘルプファイル %1 を開けるプログラムが見つかりません";
        QTest::newRow("missing") << "none" << true << "ヘルプファイルが見つかりません\n%1";
        QTest::newRow("a folder in its place") << "folder" << true << "ヘルプファイルが見つかりません\n%1";
    }
    void helpSaysWhyItDidNotOpen()
    {
        QFETCH(QString, guide);
        QFETCH(bool, viewer);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("index.html"));
        if (guide == "file")
            WriteFileBytes(path, "<html></html>");
        else if (guide == "folder")
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("index.html")));
        ScriptedUi ui;
        ui.shellOpens = viewer;
        QCOMPARE(ShowHelp(0, nullptr, path), message.isEmpty());
        QCOMPARE(ui.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(ui.messages[0].text.startsWith(message.arg(path)), qPrintable(ui.messages[0].text));
        QCOMPARE(ui.opened.size(), guide == "file" ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(tst_subroutines)
#include "tst_subroutines.moc"
