#include "display/chcoord.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

class TestChCoord : public QObject
{
    Q_OBJECT

private slots:
    void rangesKeepArgumentOrder();
    void imageMapping();
    void roundTrip_data();
    void roundTrip();
};

void TestChCoord::rangesKeepArgumentOrder()
{
    ChCoord c;
    QCOMPARE(c.toWidgetX(0.3), 0.3); // identity until ranges are set
    QCOMPARE(c.toDataY(-4.0), -4.0);
    // Left, bottom, right, top.
    c.setWidgetRange(1, 2, 3, 4);
    c.setRange(5, 6, 7, 8);
    QCOMPARE(QVector<double>({c.wx0, c.wy0, c.wx1, c.wy1, c.dx0, c.dy0, c.dx1, c.dy1}),
             QVector<double>({1, 2, 3, 4, 5, 6, 7, 8}));
}

void TestChCoord::imageMapping()
{
    // A 200 x 100 area showing an image of data x 0..10 and data y growing downwards 0..10.
    ChCoord c;
    c.setWidgetRange(0, 100, 200, 0);
    c.setRange(0, 10, 10, 0);
    QCOMPARE(c.toWidgetX(5), 100.0);
    QCOMPARE(c.toWidgetY(0), 0.0); // the top
    QCOMPARE(c.toWidgetY(10), 100.0);
    QCOMPARE(c.toDataY(25), 2.5);
    QCOMPARE(c.toDataX(100), 5.0);
    QCOMPARE(c.toWidgetX(12), 240.0); // beyond the right edge
}

void TestChCoord::roundTrip_data()
{
    QTest::addColumn<QVector<double>>("widget");
    QTest::addColumn<QVector<double>>("data");

    QTest::newRow("image") << QVector<double>{0, 480, 640, 0} << QVector<double>{0, 99, 127, 0};
    QTest::newRow("zoomed into a fraction")
        << QVector<double>{0, 300, 400, 0} << QVector<double>{10.25, 10.5, 10.75, 10.3};
    QTest::newRow("mirrored both ways")
        << QVector<double>{50, -20, -70, 900} << QVector<double>{1e6, -3e5, -2e6, 4e5};
}

void TestChCoord::roundTrip()
{
    QFETCH(QVector<double>, widget);
    QFETCH(QVector<double>, data);

    ChCoord c;
    c.setWidgetRange(widget[0], widget[1], widget[2], widget[3]);
    c.setRange(data[0], data[1], data[2], data[3]);
    const double scale = std::abs(data[2] - data[0]) + std::abs(data[3] - data[1]);
    QRandomGenerator rng(17);
    for (int i = 0; i < 1000; ++i) {
        const double x = (rng.generateDouble() - 0.5) * 4 * scale;
        const double y = (rng.generateDouble() - 0.5) * 4 * scale;
        QVERIFY(std::abs(c.toDataX(c.toWidgetX(x)) - x) <= 1e-9 * scale);
        QVERIFY(std::abs(c.toDataY(c.toWidgetY(y)) - y) <= 1e-9 * scale);
    }
}

QTEST_GUILESS_MAIN(TestChCoord)
#include "tst_chcoord.moc"
