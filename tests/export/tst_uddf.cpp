// UDDF: a log's dives out and back in unchanged, another program's file in with its values
// converted, broken files refused with the log untouched, duplicates, the command line.
#include "Globals.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "UddfImport.h"
#include "frmLogList.h"
#include "modCSV.h"
#include "modDiveCalc.h"
#include "modUDDF.h"

#include <QtTest>

namespace {
// Every kind of value a row may hold: Nulls, list positions beyond the lists, masks, CR LF
// and signs in texts, emoji, a dive across midnight, odd stored types.
void addEveryKind(TestLog& t)
{
    const char* insert = "INSERT INTO LogTbl (location, buddy, guide, entry_type, comment, weather, dive_date, in_time,"
                         " out_time, avg_depth, max_depth, tank_mat, tank_capa, start_tank_bar, end_tank_bar, suit,"
                         " air_type, weight, air_temp, surface_temp, depth_temp, create_time, update_time, depth_transit,"
                         " min_visibility, max_visibility, min_transparency, max_transparency, condition, item, temp_transit)"
                         " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    const QVariant n;
    const QList<QVariantList> rows = {
        {"大瀬崎 <湾内> & \"外海\"", "山田 花子", "佐藤", 1, "1行目\r\n2行目 😀\r\n", 1, "2024-07-15", "09:05", "09:50", 10.5,
         18.25, 1, 10, 200, 50, 3, 1, 4.5, 28, 26, 24.5, "2024-07-15 20:00:00", "2024-07-16 08:00:00",
         "3 8.5 14 18.25 12 5", 10, 15, 8, 12, 5, 3, "26 25.5 24.5 24.5 25 26"},
        {"Blue Hole", "佐藤", "山田 花子", 7, "", 9, "2024-07-15", "23:40", "00:25", n, 30, n, n, n, n, n, n, n, n, n, n,
         n, n, "12", 0, 0, 0, 0, 0, 0, n},
        {n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n},
        {42, "\x01tab\there", n, -1, "\r", 0, "2024-07-16", "8:5", "junk", "deep", 1e-5, 2.5, 1e300, -3, 0.1, 0, 2, n, -40,
         n, n, n, n, "", 1, 2, 3, 4, 2147483647, -1, "1 2 3"},
    };
    for (const QVariantList& row : rows)
        QVERIFY2(t.db().execute(QString::fromLatin1(insert), row), qPrintable(t.db().lastError()));
    QVERIFY(t.db().execute("INSERT INTO PictureTbl (dive_id, filename, title) VALUES (1, '/p/a.jpg', 'ウミガメ'),"
                           " (1, '/p/b.png', NULL), (2, 'c.jpg', '')"));
}

// Every stored value of every dive but its id, and each value's stored type.
QStringList storedRows(TestLog& t, const char* order)
{
    QStringList columns;
    for (const QString& c : t.values("SELECT name FROM pragma_table_info('LogTbl') WHERE name <> 'id'"))
        columns << c << QStringLiteral("typeof(%1)").arg(c);
    return t.values(QStringLiteral("SELECT %1 FROM LogTbl ORDER BY id %2").arg(columns.join(','), order));
}

QList<ExportItem> everyDive(TestLog& t, const char* order = "DESC")
{
    QList<ExportItem> items;
    for (const QString& id : t.values(QStringLiteral("SELECT id FROM LogTbl ORDER BY id %1").arg(order)))
        items.append({id.toLongLong(), long(items.size() + 1)});
    return items;
}

// A file as other programs write it: namespaced (or not), over a thousand waypoints 1 to 20 s apart, some
// twice or stepping back, temperatures on some, extra elements, litres in tankvolume.
QString foreignFile(bool namespaced, const QString& dive = {})
{
    QString waypoints;
    int t = 0;
    for (int i = 0; t < 2400; ++i) {
        const double depth = t < 300 ? t / 15.0 : t > 2100 ? (2400 - t) / 15.0 : 20;
        waypoints += QStringLiteral("<waypoint><divetime>%1</divetime><depth>%2</depth>%3<switchmix ref='m1'/></waypoint>")
                         .arg(t)
                         .arg(depth)
                         .arg(i % 5 == 0 ? QStringLiteral("<temperature>%1</temperature>").arg(t < 1200 ? 295.15 : 293.15) : QString());
        if (i % 50 == 7)  // a waypoint written again, and one that steps back
            waypoints += QStringLiteral("<waypoint><depth>%1</depth><divetime>%2</divetime></waypoint>").arg(depth).arg(t - 3);
        t += i % 40 == 39 ? 20 : 1 + i % 2;  // mostly every 1 or 2 s, now and then a 20 s gap
    }
    const QString body = dive.isEmpty()
        ? "<informationbeforedive><link ref='s1'/><link ref='b1'/><link ref='b2'/><link ref='b3'/>"
          "<datetime>2023-03-04T10:15:42</datetime><divenumber>77</divenumber><airtemperature>2.9815E2</airtemperature>"
          "<equipmentused><leadquantity>6</leadquantity></equipmentused><divecomputer>x</divecomputer></informationbeforedive>"
          "<tankdata><link ref='m1'/><tankvolume>12</tankvolume><tankpressurebegin>2.1e7</tankpressurebegin>"
          "<tankpressureend>5000000</tankpressureend></tankdata><samples>" + waypoints + "</samples>"
          "<informationafterdive><greatestdepth>20.4</greatestdepth><diveduration>2430</diveduration>"
          "<lowesttemperature>292.65</lowesttemperature><notes><para>Turtles.</para><para>Strong current</para></notes>"
          "</informationafterdive>"
        : dive;
    return QStringLiteral("<?xml version='1.0' encoding='utf-8'?><uddf %1 version='3.1.0'>"
                          "<generator><name>Other</name></generator><diver><owner id='o'><personal><firstname>Me</firstname>"
                          "</personal></owner><buddy id='b1'><personal><firstname>Ann</firstname><lastname>Lee</lastname></personal>"
                          "</buddy><buddy id='b2'><personal><firstname>Bo</firstname></personal></buddy><buddy id='b3'><personal>"
                          "<firstname>Cy</firstname></personal></buddy></diver><divesite><site id='s1'><name>Blue Corner</name>"
                          "<geography><latitude>7.1</latitude></geography></site></divesite><gasdefinitions><mix id='m1'>"
                          "<name>EAN32</name><o2>0.32</o2></mix></gasdefinitions><profiledata><repetitiongroup id='r'>"
                          "<dive id='d'>%2</dive></repetitiongroup></profiledata></uddf>")
        .arg(namespaced ? QStringLiteral("xmlns='http://www.streit.cc/uddf/3.1/'") : QString(), body);
}
// Megabytes of another program's dives, a day apart, `middle` between the two halves.
QString largeForeignFile(const QString& middle = {})
{
    const QString one = foreignFile(true);
    const qsizetype from = one.indexOf("<dive id='d'>"), to = one.indexOf("</repetitiongroup>");
    QString halves[2];
    for (int i = 0; i < 24; ++i)
        halves[i / 12] += one.mid(from, to - from).replace("2023-03-04", QDate(2023, 3, 4).addDays(i).toString(Qt::ISODate));
    return one.left(from) + halves[0] + middle + halves[1] + one.mid(to);
}
}  // namespace

class tst_uddf : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }

    // Out of one log and into a new one: every row and attached file as it was, and the CSV
    // of both logs the same bytes. A file of megabytes is read from both ends at once.
    void roundTrip_data()
    {
        QTest::addColumn<int>("copies");  // of the first dive, with a long profile
        QTest::newRow("every kind") << 0;
        QTest::newRow("megabytes") << 250;
    }
    void roundTrip()
    {
        QFETCH(int, copies);
        ScriptedUi ui;
        QStringList rows, pictures;
        QByteArray csv;
        QString error;
        const QString file = QDir::temp().filePath("tst_uddf_round.uddf");
        {
            TestLog t;
            addEveryKind(t);
            QStringList profile;
            for (int i = 0; i < 100; ++i)
                profile << QString::number(10 + i % 17 * 0.5);
            const QString columns = t.values("SELECT name FROM pragma_table_info('LogTbl') WHERE name NOT IN"
                                             " ('id', 'dive_date', 'depth_transit', 'temp_transit')").join(',');
            QVERIFY(t.db().execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?)"
                                                  " INSERT INTO LogTbl (%1, dive_date, depth_transit, temp_transit)"
                                                  " SELECT %1, date('2000-01-01', '+' || i || ' days'), ?, ? FROM LogTbl, n"
                                                  " WHERE id = 1 AND i <= ?").arg(columns),
                                   {copies, profile.join(' '), profile.join(' '), copies}));
            QVERIFY2(ExportUDDF(file, everyDive(t), nullptr, &error), qPrintable(error));
            QVERIFY2(ExportCSV(t.path("a.csv"), everyDive(t), nullptr, &error), qPrintable(error));
            csv = ReadFileBytes(t.path("a.csv"));
            rows = storedRows(t, "DESC");
            pictures = t.values("SELECT filename, title, typeof(title) FROM PictureTbl ORDER BY dive_id DESC, rowid");
        }
        TestLog u;
        UddfImportResult result;
        QVERIFY2(ImportUDDF(file, {}, &result, &error), qPrintable(error));
        QVERIFY(QFileInfo(file).size() > (copies ? 2 : 0) << 20);
        QFile::remove(file);
        QCOMPARE(result.imported, 4 + copies);
        // Imported in the file's order, newest first: ids count the other way.
        QCOMPARE(storedRows(u, "ASC"), rows);
        QCOMPARE(u.values("SELECT filename, title, typeof(title) FROM PictureTbl ORDER BY dive_id, rowid"), pictures);
        QVERIFY(ExportCSV(u.path("b.csv"), everyDive(u, "ASC"), nullptr, &error));
        QCOMPARE(ReadFileBytes(u.path("b.csv")), csv);
        QVERIFY(ui.messages.isEmpty());
    }

    // Another program's file: units converted, links resolved, the profile resampled.
    void foreign_data()
    {
        QTest::addColumn<bool>("namespaced");
        QTest::newRow("UDDF 3.1 namespace") << true;
        QTest::newRow("no namespace") << false;
    }
    void foreign()
    {
        QFETCH(bool, namespaced);
        ScriptedUi ui;
        TestLog t;
        WriteFileBytes(t.path("in.uddf"), foreignFile(namespaced).toUtf8());
        UddfImportResult result;
        QString error;
        QVERIFY2(ImportUDDF(t.path("in.uddf"), {}, &result, &error), qPrintable(error));
        QCOMPARE(result.imported, 1);
        QCOMPARE(t.values("SELECT dive_date, in_time, out_time, location, buddy, guide, comment, max_depth, air_temp,"
                          " depth_temp, surface_temp, weight, tank_capa, start_tank_bar, end_tank_bar, air_type FROM LogTbl"),
                 QString("2023-03-04|10:15|10:56|Blue Corner|Ann Lee|Bo|Turtles.\r\nStrong current\r\nバディ: Cy|20.4|"
                         "25|19.5|22|6|12|210|50|1").split('|'));
        const QStringList depths = t.values("SELECT depth_transit FROM LogTbl").value(0).split(' ');
        const QStringList temps = t.values("SELECT temp_transit FROM LogTbl").value(0).split(' ');
        QCOMPARE(depths.size(), 40);  // about a sample a minute over 40.5 minutes
        QCOMPARE(depths.mid(5, 30), QStringList(30, "20"));
        QCOMPARE(depths.first(), "4");  // 60.75 s down at 1 m per 15 s
        QCOMPARE(temps.size(), 40);
        QCOMPARE(temps.first() + temps.last(), "2220");
        QVERIFY(t.scalar("SELECT avg_depth BETWEEN 17 AND 18 FROM LogTbl") == 1);
    }

    // Untidy but sound: a link to a site that is not there, a waypoint without depth.
    void untidy()
    {
        ScriptedUi ui;
        TestLog t;
        WriteFileBytes(t.path("in.uddf"),
                       foreignFile(false, "<informationbeforedive><link ref='nowhere'/><datetime>2020-01-01T10:00</datetime>"
                                          "</informationbeforedive><samples><waypoint><divetime>60</divetime>"
                                          "<temperature>290.15</temperature></waypoint></samples><informationafterdive>"
                                          "<greatestdepth> +1.85E1 </greatestdepth><averagedepth><!-- m -->9.<![CDATA[5]]>"
                                          "</averagedepth></informationafterdive>")
                           .toUtf8());
        UddfImportResult result;
        QString error;
        QVERIFY2(ImportUDDF(t.path("in.uddf"), {}, &result, &error), qPrintable(error));
        QCOMPARE(t.values("SELECT location, depth_transit, depth_temp, max_depth, avg_depth FROM LogTbl"),
                 QStringList({"NULL", "NULL", "17", "18.5", "9.5"}));
    }

    // A large file is read from both ends only where that gives what reading it whole gives.
    void largeForeign_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("dives");  // -1: refused
        const QString hidden = "</dive><dive id='hidden'><informationbeforedive><datetime>2020-01-01T10:00</datetime>"
                               "</informationbeforedive></dive>";
        const QString trap = largeForeignFile("<!--" + QString(2000, ' ') + hidden + "-->");
        QVERIFY(trap.indexOf("</dive>", trap.size() / 2) == trap.indexOf(hidden));  // the middle is in the comment
        QTest::newRow("a dive in a comment at the middle") << trap << 24;
        QTest::newRow("byte order mark") << QChar(0xFEFF) + largeForeignFile() << 24;
        QTest::newRow("declared below the root")
            << largeForeignFile().replace("<profiledata>", "<profiledata xmlns:x='urn:x'>") << 24;
        QTest::newRow("cut in the second half") << largeForeignFile().chopped(300000) << -1;
    }
    void largeForeign()
    {
        QFETCH(QString, text);
        QFETCH(int, dives);
        ScriptedUi ui;
        TestLog t;
        WriteFileBytes(t.path("big.uddf"), text.toUtf8());
        QVERIFY(QFileInfo(t.path("big.uddf")).size() > 2 << 20);
        UddfImportResult result;
        QString error;
        QCOMPARE(ImportUDDF(t.path("big.uddf"), {}, &result, &error), dives >= 0);
        if (dives < 0)
            QVERIFY2(error.contains("XML"), qPrintable(error));
        const QStringList expected = dives < 0 ? QStringList{"0", "0", "NULL", "NULL", "NULL"}
                                               : QStringList{QString::number(dives), QString::number(dives), "20.4",
                                                             "20.4", "2023-03-04"};
        QCOMPARE(t.values("SELECT Count(*), Count(DISTINCT dive_date), Min(max_depth), Max(max_depth),"
                          " Min(dive_date) FROM LogTbl"),
                 expected);
    }

    // A broken file names itself and its first problem; the log stays as it was.
    void refused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        const QString good = foreignFile(true);
        QTest::newRow("not XML") << "hello" << "XML";
        QTest::newRow("not UDDF") << "<dives><dive/></dives>" << "UDDF ファイルではありません";
        QTest::newRow("cut off") << good.left(good.size() / 2) << "XML";
        QTest::newRow("negative depth") << foreignFile(true, "<samples><waypoint><depth>-2</depth><divetime>5</divetime>"
                                                            "</waypoint></samples>")
                                        << "depth が負の値です";
        QTest::newRow("before 1900") << foreignFile(false, "<informationbeforedive><datetime>1899-12-31T10:00"
                                                           "</datetime></informationbeforedive>")
                                     << "1900";
        QTest::newRow("longer than a day") << foreignFile(false, "<informationafterdive><diveduration>90000</diveduration>"
                                                                 "</informationafterdive>")
                                           << "1 日を超えています";
        QTest::newRow("no number") << foreignFile(false, "<informationafterdive><greatestdepth>deep</greatestdepth>"
                                                         "</informationafterdive>")
                                   << "「deep」は数値として読めません";
        QTest::newRow("beyond a double") << foreignFile(false, "<informationafterdive><greatestdepth>1e999</greatestdepth>"
                                                               "</informationafterdive>")
                                         << "「1e999」は数値として読めません";
        QTest::newRow("wide digits") << foreignFile(false, "<informationafterdive><greatestdepth>１８</greatestdepth>"
                                                           "</informationafterdive>")
                                     << "「１８」は数値として読めません";
    }
    void refused()
    {
        QFETCH(QString, text);
        QFETCH(QString, problem);
        ScriptedUi ui;
        TestLog t;
        t.addDive("2024-01-01", "10:00", "10:30");
        WriteFileBytes(t.path("bad.uddf"), text.toUtf8());
        t.close();
        const QByteArray before = ReadFileBytes(t.logPath());
        t.open();
        UddfImportResult result;
        QString error;
        QVERIFY(!ImportUDDF(t.path("bad.uddf"), {}, &result, &error));
        QVERIFY2(error.contains(t.path("bad.uddf")) && error.contains(problem), qPrintable(error));
        QCOMPARE(result.imported, 0);
        t.close();
        QCOMPARE(ReadFileBytes(t.logPath()), before);
        QVERIFY(!QFile::exists(t.logPath() + ".bak"));
    }

    // The same date and entry time again: asked per dive; a cancel imports nothing at all.
    void duplicates_data()
    {
        QTest::addColumn<int>("choice");  // DuplicateChoice
        QTest::addColumn<int>("imported");
        QTest::addColumn<int>("dives");
        QTest::newRow("import") << int(DuplicateChoice::Import) << 2 << 3;
        QTest::newRow("skip") << int(DuplicateChoice::Skip) << 1 << 2;
        QTest::newRow("cancel everything") << int(DuplicateChoice::CancelAll) << 0 << 1;
    }
    void duplicates()
    {
        QFETCH(int, choice);
        QFETCH(int, imported);
        QFETCH(int, dives);
        ScriptedUi ui;
        TestLog t;
        t.addDive("2024-01-01", "10:00", "10:30");
        t.addDive("2024-01-02", "10:00", "10:30");
        QString error;
        QVERIFY(ExportUDDF(t.path("out.uddf"), everyDive(t), nullptr, &error));
        t.db().execute("DELETE FROM LogTbl WHERE dive_date = '2024-01-02'");
        QStringList asked;
        UddfImportResult result;
        QVERIFY(ImportUDDF(
            t.path("out.uddf"),
            [&](const UddfDive& d) {
                asked << d.column("dive_date").toString();
                return DuplicateChoice(choice);
            },
            &result, &error));
        QCOMPARE(asked, QStringList{"2024-01-01"});
        QCOMPARE(result.imported, imported);
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), dives);
    }

    // Profiles to a sample a minute: sorted, the later of two equal times, never more than
    // the waypoints hold.
    void resample_data()
    {
        QTest::addColumn<QString>("points");  // time:value ...
        QTest::addColumn<double>("duration");
        QTest::addColumn<QString>("samples");
        QTest::newRow("a minute apart") << "0:0 60:10 120:20 180:10 240:0" << 240.0 << "10 20 10";
        QTest::newRow("unsorted, later of equal times") << "120:20 0:0 60:5 60:10 240:0 180:10" << 240.0 << "10 20 10";
        QTest::newRow("fewer points than minutes") << "0:0 600:30" << 600.0 << "10 20";
        QTest::newRow("held after the last point") << "0:0 100:10" << 200.0 << "6.66667 10";
        QTest::newRow("no points") << "" << 600.0 << "";
    }
    void resample()
    {
        QFETCH(QString, points);
        QFETCH(double, duration);
        QFETCH(QString, samples);
        QList<std::pair<double, double>> list;
        for (const QString& p : points.split(' ', Qt::SkipEmptyParts))
            list.append({p.section(':', 0, 0).toDouble(), p.section(':', 1).toDouble()});
        QStringList got;
        for (const double v : ResampleProfile(list, duration))
            got << QString::number(v);
        QCOMPARE(got.join(' '), samples);
    }

    // The menu commands: all dives offered when none is selected; an import refreshes the
    // list, counts the new dives and brings the milestone.
    void menuCommands()
    {
        ScriptedUi ui;
        TestLog t;
        const qint64 id = t.addDive("2001-01-01", "10:00", "10:40");
        QString error;
        QVERIFY(ExportUDDF(t.path("one.uddf"), {{id, 1}}, nullptr, &error));
        t.db().execute("DELETE FROM LogTbl");
        for (int i = 0; i < 49; ++i)
            t.addDive(QDate(2010, 1, 1).addDays(i).toString(Qt::ISODate), "10:00", "10:30");
        frmLogList w;
        ui.answers = {MsgResult::No};
        w.findChild<QAction*>("mnuRecExportUDDF")->trigger();
        QCOMPARE(ui.messages.value(0).text, "レコードが選択されていません。すべてのレコード（49 本）を出力しますか?");
        QVERIFY(ui.saveDialogs.isEmpty());
        ui.messages.clear();
        ui.openAnswer = t.path("one.uddf");
        w.findChild<QAction*>("mnuFileImportUDDF")->trigger();
        QCOMPARE(w.model()->rowCount(), 50);
        QCOMPARE(w.panelText(2), "本数 : 50 本");
        QCOMPARE(ui.dialogs, QStringList{"frmMemorial"});
        QCOMPARE(ui.messages.value(0).text, "1 本のダイブを取り込みました");
    }

    // The command line: a new log made from a file, the duplicates skipped unless allowed.
    void commandLine()
    {
        TestLog t;
        t.addDive("2024-01-01", "10:00", "10:30", 12.5, "大瀬崎");
        t.close();
        const auto run = [&](const QStringList& args, QString* out = nullptr) { return RunTidewriter(t.path("home"), args, out); };
        QString out;
        QCOMPARE(run({"--export-uddf", t.path("out.uddf"), t.logPath()}, &out), 0);
        QCOMPARE(run({"--import-uddf", t.path("out.uddf"), t.path("new.db")}, &out), 0);
        QVERIFY2(out.contains("1 本"), qPrintable(out));
        QCOMPARE(run({"--import-uddf", t.path("out.uddf"), t.path("new.db")}, &out), 0);
        QVERIFY2(out.contains("0 本のダイブ") && out.contains("1 本）"), qPrintable(out));
        QCOMPARE(run({"--import-uddf", t.path("out.uddf"), "--allow-duplicates", t.path("new.db")}), 0);
        QCOMPARE(run({"--import-uddf", t.path("none.uddf"), t.path("new.db")}, &out), 1);
        QCOMPARE(run({"--import-uddf", t.path("out.uddf"), "--ids", "1", t.path("new.db")}), 2);
        Database db;
        QVERIFY(db.open(t.path("new.db"), Database::OpenMode::ReadOnly));
        QCOMPARE(db.firstValue("SELECT group_concat(location) FROM LogTbl")->toString(), "大瀬崎,大瀬崎");
        // Compacted at the end, as a windowed run that changed the log.
        QVERIFY(QFile::exists(t.path("new.db.bak")));
    }
};

QTEST_MAIN(tst_uddf)
#include "tst_uddf.moc"
