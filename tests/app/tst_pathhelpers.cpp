#include "app/pathhelpers.h"
#include "data/tddata.h"

#include <QDir>
#include <QtTest>

class TestPathHelpers : public QObject
{
    Q_OBJECT

private slots:
    void fileSafeNames_data();
    void fileSafeNames();
    void insertIntoFileNames_data();
    void insertIntoFileNames();
    void withSuffixes_data();
    void withSuffixes();
};

void TestPathHelpers::fileSafeNames_data()
{
    QTest::addColumn<QString>("dataId");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ratio") << "Cl[I[1]/I[2]]" << "Cl[I[1]divI[2]]";
    QTest::newRow("four underscores") << "a____b" << "a_b";
    QTest::newRow("odd runs") << "a___b__c_d" << "a_b_c_d";
    QTest::newRow("others kept") << "x: (1) [2]" << "x: (1) [2]";
    QTest::newRow("slashes and underscores") << "_/_" << "_div_";
    QTest::newRow("empty") << "" << "";
}

void TestPathHelpers::fileSafeNames()
{
    QFETCH(QString, dataId);
    QFETCH(QString, expected);
    TDData d;
    d.dataId = dataId;
    QCOMPARE(fileSafeName(&d), expected);
}

void TestPathHelpers::insertIntoFileNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("suffix") << "/d/out.txt" << "abc" << "/d/out-abc.txt";
    QTest::newRow("no suffix keeps the dot") << "/d/out" << "abc" << "/d/out-abc.";
    QTest::newRow("last suffix only") << "/d/x.tar.gz" << "1" << "/d/x.tar-1.gz";
    QTest::newRow("relative") << "out.txt" << "abc" << QDir::current().absoluteFilePath("out-abc.txt");
}

void TestPathHelpers::insertIntoFileNames()
{
    QFETCH(QString, path);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(insertIntoFileName(path, text), expected);
}

void TestPathHelpers::withSuffixes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("expected");
    QTest::newRow("trailing dot") << "/d/out-abc." << false << "/d/out-abc.qlv";
    QTest::newRow("last suffix replaced") << "/d/x.tar.gz" << false << "/d/x.tar.qlv";
    QTest::newRow("appended") << "/d/x" << false << "/d/x.qlv";
    QTest::newRow("kept") << "/d/x.txt" << true << "/d/x.txt";
    QTest::newRow("keep without suffix") << "/d/x" << true << "/d/x.qlv";
    QTest::newRow("keep with trailing dot") << "/d/x." << true << "/d/x.qlv";
    QTest::newRow("relative") << "out.txt" << false << QDir::current().absoluteFilePath("out.qlv");
}

void TestPathHelpers::withSuffixes()
{
    QFETCH(QString, path);
    QFETCH(bool, keep);
    QFETCH(QString, expected);
    QCOMPARE(withSuffix(path, "qlv", keep), expected);
}

QTEST_GUILESS_MAIN(TestPathHelpers)
#include "tst_pathhelpers.moc"
