// The attached-files list over a real record store and real files. The store's rules
// (duplicates, the picture folder, relative paths) are proven in tst_recordstore.
#include "DiveTexts.h"
#include "Globals.h"
#include "PicListView.h"
#include "RecordStore.h"
#include "ScriptedUi.h"
#include "TestLog.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// A record window in miniature: the list above a default OK button, so that an Enter or
// Esc the list let through would close it. Loads a dive and adds the named pictures.
struct Window {
    TestLog log;
    ScriptedUi ui;
    DiveTexts texts;
    RecordStore store{texts};
    QDialog dialog;
    PicListView* view = new PicListView(&dialog);
    QSignalSpy changed{view, &PicListView::changed};
    qint64 id = log.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:05"), QStringLiteral("09:50"));

    explicit Window(const QStringList& names = {})
    {
        QDir(log.dir.path()).mkpath(QStringLiteral("pics/sub"));
        gPicPath = log.path(QStringLiteral("pics"));
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        (new QVBoxLayout(&dialog))->addWidget(view);
        dialog.layout()->addWidget(ok);
        view->setStore(store.LoadRecord(id, 1) ? &store : nullptr);
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            qFatal("window");
        view->setFocus();
        for (int i = 0; i < names.size(); ++i)
            store.AddPicture(pic(names[i]), QFileInfo(names[i]).baseName());
        view->reload();
    }
    QString pic(const QString& name)
    {
        QFile f(log.path("pics/" + name));
        if (!f.open(QIODevice::WriteOnly) || f.write("xyz") != 3 || !f.flush())
            qFatal("file");
        return f.fileName();
    }
    QStringList titles() const
    {
        QStringList shown;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            shown << view->model()->index(r, 0).data().toString();
        return shown;
    }
    void select(const QList<int>& rows)
    {
        view->selectionModel()->clear();
        for (int r : rows)
            view->selectionModel()->setCurrentIndex(view->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QAction* action(const char* name) const { return view->findChild<QAction*>(QString::fromLatin1(name)); }
};
}  // namespace

class tst_piclist : public QObject {
    Q_OBJECT
private slots:
    // A drop goes on past a file the store refuses; the dialog starts in the picture folder.
    void addByDropAndDialog()
    {
        Window w({"a.jpg"});
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(w.pic("b.jpg")), QUrl::fromLocalFile(w.pic("a.jpg")),
                      QUrl::fromLocalFile(w.pic("c.jpg"))});
        // A drop reaches only the widget that accepted the drag's entry.
        const QPoint at = w.view->visualRect(w.view->model()->index(0, 0)).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.view->viewport(), &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.view->viewport(), &drop);
        QCOMPARE(w.titles(), (QStringList{"a", "b", "c"}));
        w.ui.openAnswer = w.pic(QStringLiteral("sub/IMG_0012.v2.JPG"));
        w.action("mnuPicAdd")->trigger();
        QCOMPARE(w.titles(), (QStringList{"a", "b", "c", "IMG_0012.v2"}));
        QCOMPARE(w.changed.size(), 3);
    }

    void removeAsksFirst()
    {
        Window w({"a.jpg", "b.jpg", "c.jpg"});
        w.select({2, 0});
        w.ui.answers = {MsgResult::No, MsgResult::Yes};
        w.action("mnuPicDelete")->trigger();
        QCOMPARE(w.titles(), (QStringList{"a", "b", "c"}));
        QCOMPARE(w.changed.size(), 0);
        QTest::keyClick(w.view, Qt::Key_Delete);
        QCOMPARE(w.titles(), QStringList{"b"});
        QCOMPARE(w.changed.size(), 1);
        QCOMPARE(w.ui.messages.size(), 2);
        QCOMPARE(QDir(gPicPath).entryList(QDir::Files).size(), 3);  // links go, files stay
    }

    void renameInPlace()
    {
        const QString typed = QStringLiteral("大瀬崎の朝");
        Window w({"a.jpg", "b.jpg"});
        QVERIFY(w.store.SaveRecord().ok);  // a saved list carries no changed mark
        w.select({0});
        for (const Qt::Key end : {Qt::Key_Escape, Qt::Key_Return}) {
            QTest::keyClick(w.view, Qt::Key_F2);
            auto* editor = qobject_cast<QLineEdit*>(w.view->indexWidget(w.view->model()->index(0, 0)));
            QVERIFY(editor);
            editor->insert(typed);  // replaces the selected title
            QTest::keyClick(editor, end);
            QTRY_VERIFY(!w.view->indexWidget(w.view->model()->index(0, 0)));
            QVERIFY(w.dialog.isVisible());  // the key ended the edit, not the window
            const bool kept = end == Qt::Key_Return;
            QCOMPARE(w.titles(), (QStringList{kept ? typed : "a", "b"}));
            QCOMPARE(w.changed.size(), kept ? 1 : 0);
            QCOMPARE(w.store.picturesChanged(), kept);
        }
        QVERIFY(w.store.SaveRecord().ok);
        QCOMPARE(w.log.scalar(QStringLiteral("SELECT Count(*) FROM PictureTbl WHERE title = ?"), {typed}), 1);
    }

    void openAndDragOut()
    {
        Window w({"a.jpg", "b.jpg", "c.jpg"});
        const QString path = w.store.pictures()[1].path;
        w.select({1});
        QTest::keyClick(w.view, Qt::Key_Return);
        QCOMPARE(w.ui.opened, QStringList{path});
        QFile::remove(path);
        QTest::keyClick(w.view, Qt::Key_Return);
        QTest::keyClick(w.view, Qt::Key_Escape);
        QVERIFY(w.dialog.isVisible());  // Enter and Esc in the list leave the window open
        QCOMPARE(w.ui.opened.size(), 1);
        QCOMPARE(w.ui.messages.size(), 1);
        QCOMPARE(w.ui.messages[0].text, path + QStringLiteral("\nファイルが見つかりません"));
    }
};

QTEST_MAIN(tst_piclist)
#include "tst_piclist.moc"
