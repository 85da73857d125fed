// Every window and dialog the program opens, Qt's own included, shows no English word but names,
// units and file names; runs under LC_ALL=C, so Qt's texts are Japanese whatever the locale.
#include "Globals.h"
#include "Main.h"
#include "QtUiServices.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmAbout.h"
#include "frmChart.h"
#include "frmHATrance.h"
#include "frmLogList.h"
#include "frmMemorial.h"
#include "frmProfCalc.h"
#include "frmProgress.h"
#include "frmProperties.h"
#include "frmRecord.h"

#include <QPrinterInfo>
#include <QtWidgets>
#include <QtTest>
#include <functional>

namespace {
// Names, divers' abbreviations (No., IN/OUT, SI, PG, RNT …), the About box's notices, units, key names, the home folder.
const QSet<QString> kAllowed = {
    "Tidewriter", "Calvane", "PADI", "DIVE", "RECORD", "Shift", "JIS", "CSV", "HTML", "PDF", "UDDF", "CUPS",
    "SQLite", "OK", "No", "En", "Ex", "IN", "OUT", "Max", "Min", "COM", "USB", "RNT", "ABT", "TBT", "SI", "PG", "DB",
    "Version", "Copyright", "mail", "min", "bar", "lit", "kg", "mm", "cm", "pt", "KiB", "MiB", "GiB", "Ctrl", "Alt",
    "Del", QDir::home().dirName()};
// Designed phrases: the progress window's record counter and the milestone's signature.
const QStringList kPhrases = {"Rec. ", "from Calvane"};

QStringList englishWords(QString text)
{
    if (Qt::mightBeRichText(text)) {
        QTextDocument html;
        html.setHtml(text);
        text = html.toPlainText();
    }
    text.remove('&');  // mnemonics: "P&G:" reads PG
    for (const QString& phrase : kPhrases)
        text.remove(phrase);
    // The printers' names and models are the machine's, as they are.
    static const QStringList printers = [] {
        QStringList names;
        for (const QPrinterInfo& printer : QPrinterInfo::availablePrinters())
            names << printer.makeAndModel() << printer.description() << printer.printerName();
        names.removeAll(QString());
        return names;
    }();
    for (const QString& name : printers)
        text.remove(name);
    // File names and paths: a word with a slash, or a dot followed by more.
    static const QRegularExpression fileName(QStringLiteral("\\S*[/.]\\w\\S*")), word(QStringLiteral("[A-Za-z]{2,}"));
    text.remove(fileName);
    QStringList words;
    for (auto it = word.globalMatch(text); it.hasNext();)
        if (const QString w = it.next().captured(); !kAllowed.contains(w))
            words << w;
    return words;
}

// Collects "where: text" for every visible text of a window that holds an English word.
struct Walker {
    QStringList found;
    int windows = 0, menus = 0;

    void check(const QString& where, const QString& text)
    {
        if (!englishWords(text).isEmpty())
            found << where + ": " + text;
    }
    void actions(const QString& where, const QList<QAction*>& list)
    {
        for (QAction* a : list) {
            check(where + " action", a->text());
            check(where + " tooltip", a->toolTip() == QString(a->text()).remove('&') ? QString() : a->toolTip());
            if (a->menu())
                actions(where + " > " + a->text(), a->menu()->actions());
        }
    }
    void widgets(QWidget* window)
    {
        check(window->objectName() + " title", window->windowTitle());
        QList<QWidget*> all = window->findChildren<QWidget*>();
        all.prepend(window);
        for (QWidget* w : all) {
            if (!w->isVisibleTo(window) && w != window)
                continue;
            const QString where = window->objectName() + "/" + w->objectName() + " (" + w->metaObject()->className() + ")";
            // Labels, buttons, group boxes, line edits (their text and placeholder) and every tooltip.
            for (const char* property : {"toolTip", "text", "title", "placeholderText"})
                check(where + " " + property, w->property(property).toString());
            if (auto* c = qobject_cast<QComboBox*>(w))
                for (int i = 0; i < c->count(); ++i)
                    check(where, c->itemText(i));
            else if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
                auto* tree = qobject_cast<QTreeView*>(v);
                for (int c = 0; tree && c < v->model()->columnCount(); ++c)
                    if (!tree->isColumnHidden(c))
                        check(where + " header", v->model()->headerData(c, Qt::Horizontal).toString());
                for (int r = 0; r < qMin(100, v->model()->rowCount(v->rootIndex())); ++r)
                    for (int c = 0; c < v->model()->columnCount(v->rootIndex()); ++c)
                        check(where, v->model()->index(r, c, v->rootIndex()).data().toString());
            } else if (auto* bar = qobject_cast<QMenuBar*>(w))
                actions(where, bar->actions());
            else if (auto* tools = qobject_cast<QToolBar*>(w))
                actions(where, tools->actions());
        }
    }
    // The window as it opens, then each page of each tab strip.
    void window(QWidget* window)
    {
        ++windows;
        window->show();
        QCoreApplication::processEvents();
        widgets(window);
        for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
            for (int i = 0; i < tabs->count(); ++i) {
                check(tabs->objectName() + " tab", tabs->tabText(i));
                tabs->setCurrentIndex(i);
                widgets(window);
            }
            tabs->setCurrentIndex(0);
        }
    }
};

struct Fixture {
    TestLog t;
    ScriptedUi ui;
    std::unique_ptr<QTranslator> qtTexts = InstallQtTranslation();
    std::unique_ptr<Program> program = std::make_unique<Program>();
    frmLogList* list = nullptr;
    Walker walk;

    Fixture()
    {
        t.addDive("2024-07-15", "09:05", "09:50", 18.5, QStringLiteral("大瀬崎"), 0);
        ResetGlobals();
        if (program->start({t.logPath()}, {t.path("default.db"), t.path("tidewriter.ini"), t.path("run.lock")}) == -1)
            list = program->listWindow();
        // Every dialog the program runs is walked; the page setup is accepted, so printing
        // goes on to the print dialog.
        ui.onDialog = [this](QObject* d) {
            walk.window(qobject_cast<QWidget*>(d));
            if (d->objectName() == "frmPrintOption")
                qobject_cast<QDialog*>(d)->setResult(QDialog::Accepted);
        };
    }
    // With the dive selected, as the record commands need.
    void command(const char* name)
    {
        list->findChild<QTreeView*>("lvwLogList")->selectAll();
        list->findChild<QAction*>(QString::fromLatin1(name))->trigger();
    }
    frmRecord* record()
    {
        command("mnuRecOpen");
        return list->findChild<frmRecord*>();
    }
};

using Opener = std::function<void(Fixture&)>;
}  // namespace
Q_DECLARE_METATYPE(Opener)

class tst_japanese : public QObject {
    Q_OBJECT
private slots:
    void noEnglishText_data()
    {
        using C = QtUiServices::Chooser;
        auto chooser = [](C kind, const char* title, const char* filter) {
            return Opener([=](Fixture& f) {
                f.walk.window(QtUiServices::fileDialog(kind, QString::fromUtf8(title), QString::fromUtf8(filter),
                                                       f.t.path("tidewriter.db"), f.list)
                                  .get());
            });
        };
        QTest::addColumn<Opener>("open");
        QTest::newRow("list window") << Opener([](Fixture& f) { f.walk.window(f.list); });
        QTest::newRow("record window") << Opener([](Fixture& f) {
            frmRecord* record = f.record();
            f.walk.window(record);
            f.walk.window(record->findChild<QDateEdit*>("dtpDate")->calendarWidget());
        });
        QTest::newRow("chart") << Opener([](Fixture& f) { f.walk.window(f.record()->OpenZoom(9600, 7200)); });
        QTest::newRow("series dialog") << Opener([](Fixture& f) {
            f.record()->findChild<QAbstractButton*>("cmdInputDepth")->click();
        });
        QTest::newRow("text box menu") << Opener([](Fixture& f) {
            const std::unique_ptr<QMenu> menu(f.record()->findChild<QLineEdit*>("txtInTime")->createStandardContextMenu());
            ++f.walk.menus;
            f.walk.actions("context menu", menu->actions());
        });
        QTest::newRow("options") << Opener([](Fixture& f) { f.command("mnuToolOption"); });
        QTest::newRow("calculator") << Opener([](Fixture& f) {
            f.command("mnuToolCalc");
            f.walk.window(f.list->findChild<frmProfCalc*>());
        });
        QTest::newRow("page setup, print dialog") << Opener([](Fixture& f) { f.command("mnuRecPrint"); });
        QTest::newRow("print preview") << Opener([](Fixture& f) { f.command("mnuRecPreview"); });
        QTest::newRow("transfer") << Opener([](Fixture& f) { f.walk.window(std::make_unique<frmHATrance>(f.list).get()); });
        QTest::newRow("progress") << Opener([](Fixture& f) { f.walk.window(std::make_unique<frmProgress>(f.list).get()); });
        QTest::newRow("about") << Opener([](Fixture& f) { f.command("mnuHelpAbout"); });
        QTest::newRow("milestone") << Opener([](Fixture& f) {
            frmMemorial memorial(f.list);
            memorial.setTitleCount(100);
            f.walk.window(&memorial);
        });
        QTest::newRow("file properties") << Opener([](Fixture& f) {
            f.walk.window(std::make_unique<frmProperties>(f.t.logPath(), f.list).get());
        });
        QTest::newRow("message box") << Opener([](Fixture& f) {
            f.walk.window(QtUiServices::messageBox(QStringLiteral("上書きしますか?"), MsgIcon::Question,
                                                   MsgButtons::YesNoCancel, QString(), f.list)
                              .get());
        });
        QTest::newRow("save chooser") << chooser(C::Save, "CSVファイル出力", "CSVファイル (*.csv);;テキストファイル (*.txt)");
        QTest::newRow("open chooser") << chooser(C::Open, "ファイルの追加", "すべてのファイル (*)");
        QTest::newRow("folder chooser") << chooser(C::Folder, "ピクチャフォルダ", "");
    }
    void noEnglishText()
    {
        QFETCH(Opener, open);
        Fixture f;
        QVERIFY(f.list);
        QVERIFY2(f.qtTexts, "Qt's Japanese translation (qtbase_ja.qm) is not installed");
        open(f);
        QVERIFY(f.walk.windows + f.walk.menus > 0);
        for (const ShownMessage& m : f.ui.messages)
            f.walk.check("message", m.caption + " " + m.text);
        QVERIFY2(f.walk.found.isEmpty(), qPrintable(f.walk.found.join('\n')));
    }
};

QTEST_MAIN(tst_japanese)
#include "tst_japanese.moc"
