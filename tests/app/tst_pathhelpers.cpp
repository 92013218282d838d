#include "app/pathhelpers.h"
#include "data/tddata.h"

#include <QDir>
#include <QtTest>

class TestPathHelpers : public QObject
{
    Q_OBJECT

private slots:
    void fileSafeNames_data()
    {
        QTest::addColumn<QString>("dataId");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ratio") << "Cl[I[1]/I[2]]" << "Cl[I[1]divI[2]]";
        QTest::newRow("runs of underscores") << "a___b__c____d" << "a_b_c_d";
        QTest::newRow("others kept") << "x: (1) [2]" << "x: (1) [2]";
        QTest::newRow("slashes and underscores") << "_/_" << "_div_";
    }

    void fileSafeNames()
    {
        QFETCH(QString, dataId);
        QFETCH(QString, expected);
        TDData d;
        d.dataId = dataId;
        QCOMPARE(fileSafeName(&d), expected);
    }

    // insertIntoFileName, then withSuffix on its result.
    void fileNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("suffixed");
        QTest::newRow("suffix") << "/d/out.txt" << false << "/d/out-abc.txt" << "/d/out-abc.qlv";
        QTest::newRow("suffix kept") << "/d/out.txt" << true << "/d/out-abc.txt" << "/d/out-abc.txt";
        QTest::newRow("no suffix keeps the dot") << "/d/out" << false << "/d/out-abc." << "/d/out-abc.qlv";
        QTest::newRow("trailing dot, kept") << "/d/out" << true << "/d/out-abc." << "/d/out-abc.qlv";
        QTest::newRow("last suffix only") << "/d/x.tar.gz" << false << "/d/x.tar-abc.gz" << "/d/x.tar-abc.qlv";
        QTest::newRow("relative") << "out.txt" << false << QDir::current().absoluteFilePath("out-abc.txt")
                                  << QDir::current().absoluteFilePath("out-abc.qlv");
    }

    void fileNames()
    {
        QFETCH(QString, path);
        QFETCH(bool, keep);
        QFETCH(QString, inserted);
        QFETCH(QString, suffixed);
        QCOMPARE(insertIntoFileName(path, "abc"), inserted);
        QCOMPARE(withSuffix(inserted, "qlv", keep), suffixed);
        QCOMPARE(withSuffix("/d/x", "qlv", keep), QString("/d/x.qlv"));
    }
};

QTEST_GUILESS_MAIN(TestPathHelpers)
#include "tst_pathhelpers.moc"
