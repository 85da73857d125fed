#include <QtTest>
class tst_divelist : public QObject { Q_OBJECT };
QTEST_MAIN(tst_divelist)
#include "tst_divelist.moc"
