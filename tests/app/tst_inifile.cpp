#include "IniFile.h"
#include "TestLog.h"

#include <QFile>
#include <QtTest>

class tst_inifile : public QObject {
    Q_OBJECT
private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("entry");  // SECTION/KEY
        QTest::addColumn<QString>("expected");
        const QByteArray ini = "[WINDOW]\r\nWIDTH=9600\r\nHEIGHT=\r\nToolbar_Visible = False \r\n"
                               "; WIDTH=1\r\n[option]\nPORT=\"3\"\n";
        QTest::newRow("plain") << ini << "WINDOW/WIDTH" << "9600";
        QTest::newRow("empty value gives default") << ini << "WINDOW/HEIGHT" << "dflt";
        QTest::newRow("missing key") << ini << "WINDOW/COLUMN_1" << "dflt";
        QTest::newRow("case and blanks") << ini << "window/TOOLBAR_VISIBLE" << "False";
        QTest::newRow("section case, quotes") << ini << "OPTION/port" << "3";
        QTest::newRow("key of another section") << ini << "OPTION/WIDTH" << "dflt";
        QTest::newRow("no file") << QByteArray() << "WINDOW/WIDTH" << "dflt";
    }
    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, entry);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath(QStringLiteral("read.ini"));
        QFile::remove(path);
        if (!file.isNull())
            WriteFileBytes(path, file);
        QCOMPARE(IniFile::read(path, entry.section('/', 0, 0), entry.section('/', 1), "dflt"), expected);
    }
    void writeKeepsTheRest()
    {
        const QString path = m_dir.filePath(QStringLiteral("write.ini"));
        WriteFileBytes(path, "; my notes\n[Window]\nwidth=1\nOTHER=keep\n\n[PRINT]\nPAGE_TYPE=1\n");
        QVERIFY(IniFile::write(path, QStringLiteral("WINDOW"), QStringLiteral("WIDTH"), QStringLiteral("9600")));
        QVERIFY(IniFile::write(path, QStringLiteral("WINDOW"), QStringLiteral("HEIGHT"), QStringLiteral("7200")));
        QVERIFY(IniFile::write(path, QStringLiteral("PAGETYPE_1"), QStringLiteral("TOP_MARGINE"), QStringLiteral("16")));
        QCOMPARE(IniFile::read(path, QStringLiteral("PRINT"), QStringLiteral("PAGE_TYPE"), {}), QStringLiteral("1"));
        QCOMPARE(IniFile::read(path, QStringLiteral("PAGETYPE_1"), QStringLiteral("TOP_MARGINE"), {}), QStringLiteral("16"));
        const QString text = QString::fromUtf8(ReadFileBytes(path));
        QVERIFY(text.startsWith(QStringLiteral("; my notes\n[Window]\nWIDTH=9600\nOTHER=keep\nHEIGHT=7200\n")));
        QCOMPARE(text.count(QStringLiteral("WIDTH")), 1);
    }
    void writeToMissingFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("new.ini"));
        QVERIFY(IniFile::write(path, QStringLiteral("OPTION"), QStringLiteral("PORT"), QStringLiteral("2")));
        QCOMPARE(IniFile::read(path, QStringLiteral("OPTION"), QStringLiteral("PORT"), {}), QStringLiteral("2"));
        QVERIFY(!IniFile::write(m_dir.filePath(QStringLiteral("no/such/folder.ini")), QStringLiteral("A"),
                                QStringLiteral("B"), QStringLiteral("C")));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_APPLESS_MAIN(tst_inifile)
#include "tst_inifile.moc"
