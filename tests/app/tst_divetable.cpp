#include <QtTest>
class tst_divetable : public QObject { Q_OBJECT };
QTEST_MAIN(tst_divetable)
#include "tst_divetable.moc"
