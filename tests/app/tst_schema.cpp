#include <QtTest>
class tst_schema : public QObject { Q_OBJECT };
QTEST_MAIN(tst_schema)
#include "tst_schema.moc"
