// The attached-files list against a real record store and real files: adding by dialog
// and by dropping, removing, renaming, sorting, opening, dragging out and the menu.
#include "DiveTexts.h"
#include "Globals.h"
#include "PicListView.h"
#include "RecordStore.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmProperties.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

Q_DECLARE_METATYPE(MsgResult)

namespace {
// A record window in miniature: the list above a default OK button, so that an Enter or
// Esc the list let through would close it.
struct Window {
    TestLog log;
    ScriptedUi ui;
    DiveTexts texts;
    RecordStore store{texts};
    QDialog dialog;
    PicListView* view = new PicListView(&dialog);
    QPushButton* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    QSignalSpy changed{view, &PicListView::changed};
    qint64 id = log.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:05"), QStringLiteral("09:50"));

    Window()
    {
        QDir(log.dir.path()).mkpath(QStringLiteral("pics"));
        gPicPath = log.path(QStringLiteral("pics"));
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(view);
        layout->addWidget(ok);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    }
    // Loads the dive with its stored rows (dropping files added before) and shows the list.
    void open()
    {
        if (!store.LoadRecord(id, 1))
            qFatal("load");
        view->setStore(&store);
        dialog.resize(600, 300);
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            qFatal("window");
        view->setFocus();
    }
    QString file(const QString& relative, const QDateTime& modified = {}, qint64 size = 3)
    {
        const QString path = log.path(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(size, 'x')) != size || !f.flush())
            qFatal("file");
        if (modified.isValid())  // after the flush, which would stamp the present time
            f.setFileTime(modified, QFileDevice::FileModificationTime);
        return path;
    }
    QString pic(const QString& name, const QDateTime& modified = {}) { return file("pics/" + name, modified); }
    void add(const QStringList& names, const QList<QDateTime>& modified = {})
    {
        for (int i = 0; i < names.size(); ++i)
            store.AddPicture(pic(names[i], modified.value(i)), QFileInfo(names[i]).baseName());
    }
    QStringList titles() const
    {
        QStringList shown, stored;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            shown << view->model()->index(r, 0).data().toString();
        for (const PictureEntry& e : store.pictures())
            stored << e.title;
        return shown == stored ? shown : QStringList{QStringLiteral("list and store differ")};
    }
    void select(const QList<int>& rows)
    {
        view->selectionModel()->clear();
        for (int r : rows)
            view->selectionModel()->select(view->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!rows.isEmpty())
            view->selectionModel()->setCurrentIndex(view->model()->index(rows[0], 0), QItemSelectionModel::NoUpdate);
    }
    QPoint rowCenter(int row) const { return view->visualRect(view->model()->index(row, 0)).center(); }
    QPoint belowRows() const { return QPoint(10, view->viewport()->height() - 5); }
    QAction* action(const char* name) const { return view->findChild<QAction*>(QString::fromLatin1(name)); }
};
}  // namespace

class tst_piclist : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetGlobals(); }
    void dropFiles_data();
    void dropFiles();
    void addThroughDialog_data();
    void addThroughDialog();
    void removeAsksFirst_data();
    void removeAsksFirst();
    void renameInPlace_data();
    void renameInPlace();
    void sortByHeading_data();
    void sortByHeading();
    void rightClickMenu();
    void openEntry_data();
    void openEntry();
    void dragOutAndProperties();
    void focusKeptWhileEditing();
};

void tst_piclist::dropFiles_data()
{
    QTest::addColumn<QStringList>("dropped");  // names in the picture folder, or web addresses
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("duplicates");
    QTest::newRow("one already listed") << QStringList{"b.jpg", "a.jpg", "c.jpg"} << QStringList{"a", "b", "c"} << 1;
    QTest::newRow("case differs") << QStringList{"a.JPG"} << QStringList{"a", "a"} << 0;
    QTest::newRow("web address") << QStringList{"https://example.com/x.jpg"} << QStringList{"a"} << 0;
}

void tst_piclist::dropFiles()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, titles);
    QFETCH(int, duplicates);
    Window w;
    w.open();
    w.add({"a.jpg"});
    QList<QUrl> urls;
    for (const QString& d : dropped)
        urls << (d.startsWith(QLatin1String("http")) ? QUrl(d) : QUrl::fromLocalFile(w.pic(d)));
    QMimeData data;
    data.setUrls(urls);
    // A drop reaches only the widget that accepted the drag's entry.
    QDragEnterEvent enter(w.rowCenter(0), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.view->viewport(), &enter);
    QDropEvent drop(QPointF(w.rowCenter(0)), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.view->viewport(), &drop);

    QCOMPARE(w.titles(), titles);
    QCOMPARE(w.changed.size(), int(titles.size()) - 1);
    QCOMPARE(w.ui.messages.size(), duplicates);
    for (const ShownMessage& m : w.ui.messages)
        QVERIFY(m.text.endsWith(QStringLiteral("\nこのファイルはすでに登録されています")));
}

void tst_piclist::addThroughDialog_data()
{
    QTest::addColumn<QString>("chosen");  // relative to the test folder; empty: cancelled
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("title");   // empty: nothing added
    QTest::newRow("title without extension") << "pics/2001/IMG_0012.v2.JPG" << true << "IMG_0012.v2";
    QTest::newRow("cancelled") << "" << false << "";
    QTest::newRow("no such file") << "pics/gone.jpg" << false << "";
    QTest::newRow("outside the folder") << "other/x.jpg" << true << "";
    QTest::newRow("folder cased differently") << "Pics/x.jpg" << true << "";
}

void tst_piclist::addThroughDialog()
{
    QFETCH(QString, chosen);
    QFETCH(bool, exists);
    QFETCH(QString, title);
    Window w;
    w.open();
    if (!chosen.isEmpty())
        w.ui.openAnswer = exists ? w.file(chosen) : w.log.path(chosen);
    w.action("mnuPicAdd")->trigger();

    QCOMPARE(w.ui.openDialogs, (QList<QStringList>{{QStringLiteral("ファイルを追加する"),
                                                    QStringLiteral("JPEGファイル (*jpg *.jpeg);;すべてのファイル (*)"),
                                                    gPicPath}}));
    QCOMPARE(w.titles(), title.isEmpty() ? QStringList() : QStringList{title});
    QCOMPARE(w.changed.size(), title.isEmpty() ? 0 : 1);
    const bool refused = exists && title.isEmpty();
    QCOMPARE(w.ui.messages.size(), refused ? 1 : 0);
    if (refused) {
        const QStringList lines = w.ui.messages[0].text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], w.ui.openAnswer);
        QCOMPARE(lines[4], gPicPath);
    }
}

void tst_piclist::removeAsksFirst_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("No keeps all") << "menu" << QList<int>{0, 2} << MsgResult::No << QStringList{"a", "b", "c"};
    QTest::newRow("Yes by menu") << "menu" << QList<int>{2, 0} << MsgResult::Yes << QStringList{"b"};
    QTest::newRow("Ctrl+A, Delete key") << "all" << QList<int>{} << MsgResult::Yes << QStringList{};
    QTest::newRow("nothing selected") << "key" << QList<int>{} << MsgResult::Yes << QStringList{"a", "b", "c"};
}

void tst_piclist::removeAsksFirst()
{
    QFETCH(QString, how);
    QFETCH(QList<int>, selected);
    QFETCH(MsgResult, answer);
    QFETCH(QStringList, remaining);
    Window w;
    w.open();
    w.add({"a.jpg", "b.jpg", "c.jpg"});
    w.select(selected);
    w.ui.answers = {answer};
    if (how == QLatin1String("all"))
        QTest::keyClick(w.view, Qt::Key_A, Qt::ControlModifier);
    if (how == QLatin1String("menu"))
        w.action("mnuPicDelete")->trigger();
    else
        QTest::keyClick(w.view, Qt::Key_Delete);

    const bool asked = how == QLatin1String("all") || !selected.isEmpty();
    QCOMPARE(w.ui.messages.size(), asked ? 1 : 0);
    if (asked) {
        const ShownMessage& m = w.ui.messages[0];
        QCOMPARE(m.text, QStringLiteral("選択されている画像へのリンクを削除してもよろしいですか?"));
        QCOMPARE(m.caption, QStringLiteral("確認"));
        QCOMPARE(m.icon, MsgIcon::Exclamation);
        QCOMPARE(m.buttons, MsgButtons::YesNo);
    }
    QCOMPARE(w.titles(), remaining);
    QCOMPARE(w.changed.size(), remaining.size() < 3 ? 1 : 0);
    QCOMPARE(QDir(gPicPath).entryList(QDir::Files).size(), 3);  // links go, files stay
}

void tst_piclist::renameInPlace_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("endKey");
    QTest::addColumn<QString>("title");
    QTest::newRow("typed, Enter") << "大瀬崎の朝" << int(Qt::Key_Return) << "大瀬崎の朝";
    QTest::newRow("unchanged, Enter") << "" << int(Qt::Key_Return) << "a";
    QTest::newRow("typed, Esc") << "大瀬崎の朝" << int(Qt::Key_Escape) << "a";
}

void tst_piclist::renameInPlace()
{
    QFETCH(QString, typed);
    QFETCH(int, endKey);
    QFETCH(QString, title);
    const bool ended = endKey != Qt::Key_Escape;
    Window w;
    QVERIFY(w.log.db().execute(QStringLiteral("INSERT INTO PictureTbl VALUES (?, '/a.jpg', 'a'), (?, '/b.jpg', 'b')"),
                               {w.id, w.id}));
    w.open();
    QCOMPARE(w.titles(), (QStringList{"a", "b"}));
    QVERIFY(w.store.SaveRecord().ok);  // a saved list carries no changed mark
    w.select({0});
    QTest::keyClick(w.view, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(w.view->indexWidget(w.view->model()->index(0, 0)));
    QVERIFY(editor);
    if (!typed.isEmpty())
        editor->insert(typed);  // replaces the selected title
    QTest::keyClick(editor, Qt::Key(endKey));
    QTRY_VERIFY(!w.view->indexWidget(w.view->model()->index(0, 0)));

    QCOMPARE(w.titles()[0], title);
    QCOMPARE(w.changed.size(), ended ? 1 : 0);
    QCOMPARE(w.store.picturesChanged(), ended);
    QVERIFY(w.dialog.isVisible());  // the key ended the edit, not the window
    QVERIFY(w.store.SaveRecord().ok);
    QCOMPARE(w.log.scalar(QStringLiteral("SELECT Count(*) FROM PictureTbl WHERE title = ?"), {title}), 1);
}

void tst_piclist::sortByHeading_data()
{
    // Added r, p, q; last modified q 2022, r 2023, p 2024.
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("日時 once") << QList<int>{1} << QStringList{"q", "r", "p"};
    QTest::newRow("日時 twice") << QList<int>{1, 1} << QStringList{"p", "r", "q"};
    QTest::newRow("another heading keeps the direction") << QList<int>{1, 1, 0} << QStringList{"r", "q", "p"};
    QTest::newRow("タイトル once") << QList<int>{0} << QStringList{"p", "q", "r"};
}

void tst_piclist::sortByHeading()
{
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, order);
    Window w;
    w.open();
    const QTime ten(10, 0);
    w.add({"r.jpg", "p.jpg", "q.jpg"}, {QDateTime(QDate(2023, 7, 1), ten), QDateTime(QDate(2024, 3, 1), ten),
                                        QDateTime(QDate(2022, 5, 1), ten)});
    w.select({0});  // r
    QHeaderView* header = w.view->header();
    for (int column : clicks)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));

    QCOMPARE(w.titles(), order);  // the store, which the save follows, in the shown order
    const QModelIndexList selected = w.view->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].data().toString(), QStringLiteral("r"));
}

void tst_piclist::rightClickMenu()
{
    Window w;
    w.open();
    w.add({"a.jpg", "b.jpg"});
    QMenu* menu = w.view->contextMenu();
    const QList<const char*> needEntry{"mnuPicOpen", "mnuPicDelete", "mnuPicRename", "mnuPicProperty"};
    auto enabled = [&] {
        QList<bool> e;
        for (const char* name : needEntry + QList<const char*>{"mnuPicAdd", "mnuPicSelectAll"})
            e << w.action(name)->isEnabled();
        return e;
    };

    QTest::mouseClick(w.view->viewport(), Qt::RightButton, {}, w.rowCenter(1));
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->defaultAction(), w.action("mnuPicOpen"));
    QCOMPARE(enabled(), QList<bool>(6, true));
    menu->hide();
    QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {}, w.belowRows());
    QTest::mouseClick(w.view->viewport(), Qt::RightButton, {}, w.belowRows());
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(enabled(), (QList<bool>{false, false, false, false, true, true}));
    w.action("mnuPicSelectAll")->trigger();
    QCOMPARE(w.view->selectionModel()->selectedRows().size(), 2);
}

void tst_piclist::openEntry_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("missing");
    QTest::addColumn<bool>("opens");
    QTest::newRow("menu") << "menu" << false << true;
    QTest::newRow("Enter") << "enter" << false << true;
    QTest::newRow("double-click on an entry") << "dblclick" << false << true;
    QTest::newRow("double-click below the entries") << "dblclick below" << false << false;
    QTest::newRow("missing file") << "enter" << true << false;
}

void tst_piclist::openEntry()
{
    QFETCH(QString, how);
    QFETCH(bool, missing);
    QFETCH(bool, opens);
    Window w;
    w.open();
    w.add({"a.jpg", "b.jpg"});
    const QString path = w.store.pictures()[1].path;
    if (missing)
        QFile::remove(path);
    w.select({1});
    if (how == QLatin1String("menu")) {
        w.action("mnuPicOpen")->trigger();
    } else if (how == QLatin1String("enter")) {
        QTest::keyClick(w.view, Qt::Key_Return);
    } else {
        const QPoint at = how.endsWith(QLatin1String("below")) ? w.belowRows() : w.rowCenter(1);
        QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {}, at);
        w.select({1});
        QTest::mouseDClick(w.view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(w.view->viewport(), Qt::LeftButton, {}, at);
    }

    QCOMPARE(w.ui.opened, opens ? QStringList{path} : QStringList());
    QTest::keyClick(w.view, Qt::Key_Escape);
    QVERIFY(w.dialog.isVisible());  // Enter and Esc in the list leave the window open
    QCOMPARE(w.ui.messages.size(), missing ? 1 : 0);
    if (missing) {
        QCOMPARE(w.ui.messages[0].text, path + QStringLiteral("\nファイルが見つかりません"));
        QCOMPARE(w.ui.messages[0].caption, QStringLiteral("起動エラー"));
        QCOMPARE(w.ui.messages[0].icon, MsgIcon::Critical);
    }
}

void tst_piclist::dragOutAndProperties()
{
    Window w;
    w.open();
    w.add({"a.jpg", "b.jpg", "c.jpg"});
    const QString a = w.store.pictures()[0].path;
    w.file(QStringLiteral("pics/a.jpg"), QDateTime(QDate(2024, 3, 5), QTime(9, 7, 8)), 1234567);
    w.select({2, 0});
    QAbstractItemModel* model = w.view->model();
    std::unique_ptr<QMimeData> data(model->mimeData(w.view->selectionModel()->selectedIndexes()));
    QCOMPARE(data->urls(), (QList<QUrl>{QUrl::fromLocalFile(w.store.pictures()[2].path), QUrl::fromLocalFile(a)}));
    QCOMPARE(model->supportedDragActions(), Qt::CopyAction);

    w.action("mnuPicProperty")->trigger();
    QCOMPARE(w.ui.properties, QStringList{w.store.pictures()[2].path});  // the current entry
    frmProperties sheet(a);
    QCOMPARE(sheet.windowTitle(), QStringLiteral("a.jpgのプロパティ"));
    QCOMPARE(sheet.findChild<QLabel*>(QStringLiteral("lblPath"))->text(), a);
    QCOMPARE(sheet.findChild<QLabel*>(QStringLiteral("lblSize"))->text(), QStringLiteral("1,234,567 バイト"));
    QCOMPARE(sheet.findChild<QLabel*>(QStringLiteral("lblModified"))->text(), QStringLiteral("2024/03/05 9:07:08"));
}

void tst_piclist::focusKeptWhileEditing()
{
    Window w;
    w.open();
    w.add({"a.jpg"});
    QSignalSpy focus(w.view, &PicListView::focusTaken);
    w.ok->setFocus();
    w.view->setFocus();
    w.select({0});
    QTest::keyClick(w.view, Qt::Key_F2);
    QVERIFY(w.view->indexWidget(w.view->model()->index(0, 0)));
    // Leaving the title editor for the button ends the edit and the list's focus.
    w.ok->setFocus();
    QTRY_VERIFY(!w.view->indexWidget(w.view->model()->index(0, 0)));
    QCOMPARE(focus.size(), 3);
    QCOMPARE((QList<bool>{focus[0][0].toBool(), focus[1][0].toBool(), focus[2][0].toBool()}),
             (QList<bool>{false, true, false}));
    QCOMPARE(w.changed.size(), 1);

    // Another dive without files: no rows of the last one stay behind.
    const qint64 other = w.log.addDive(QStringLiteral("2024-07-16"), QStringLiteral("10:00"), QStringLiteral("10:40"));
    QVERIFY(w.store.LoadRecord(other, 2));
    w.view->reload();
    QCOMPARE(w.view->model()->rowCount(), 0);
}

QTEST_MAIN(tst_piclist)
#include "tst_piclist.moc"
