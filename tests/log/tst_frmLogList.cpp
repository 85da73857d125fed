#include <QtTest>
class tst_frmLogList : public QObject { Q_OBJECT };
QTEST_MAIN(tst_frmLogList)
#include "tst_frmLogList.moc"
