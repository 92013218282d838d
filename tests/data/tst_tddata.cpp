#include "data/datainfo.h"
#include "data/tddata.h"

#include <QtTest>

class TestTDData : public QObject
{
    Q_OBJECT

private slots:
    void construction();
};

void TestTDData::construction()
{
    TDData empty;
    QCOMPARE(empty.values.size(), 0);
    QCOMPARE(empty.minVal, 1e300);
    QCOMPARE(empty.maxVal, -1e300);

    TDData grid(3, 2);
    QCOMPARE(grid.values.size(), 6);
    QCOMPARE(grid.valids.count(false), 6);
    QCOMPARE(grid.minVal, 0.0);
    QCOMPARE(grid.maxVal, 0.0);
}

QTEST_GUILESS_MAIN(TestTDData)
#include "tst_tddata.moc"
