#include <QtTest>
class tst_database : public QObject { Q_OBJECT };
QTEST_MAIN(tst_database)
#include "tst_database.moc"
