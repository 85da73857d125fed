#include <QtTest>
class tst_inifile : public QObject { Q_OBJECT };
QTEST_MAIN(tst_inifile)
#include "tst_inifile.moc"
