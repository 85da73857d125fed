#include <QtTest>
class tst_subroutines : public QObject { Q_OBJECT };
QTEST_MAIN(tst_subroutines)
#include "tst_subroutines.moc"
