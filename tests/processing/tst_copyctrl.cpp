#include "processing/copyctrl.h"

#include "app/body.h"
#include "data/datainfo.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "filtertesttools.h"
#include "paneltesttools.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

DataInfo *peakList(const QVector<QPointF> &points)
{
    auto *info = new DataInfo(DataInfo::PeakList, "Peaks(+)");
    info->points = points;
    return info;
}

QStringList namesFrom(const QSignalSpy &spy)
{
    QStringList names;
    for (const QList<QVariant> &args : spy)
        names << args[0].value<TDData *>()->dataId;
    return names;
}

} // namespace

class TestCopyCtrl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hostedInTheMainWindow();
    void simpleCopy_data();
    void simpleCopy();
    void simpleCopyWithoutRegionOrS1();
    void fourPeaksInEverySaveOrder_data();
    void fourPeaksInEverySaveOrder();
    void equalKeysMayChangeOrder();
    void referencePeakOutOfRange();
    void twoPeakListsNumberedConsecutively();
    void tilesReachingPastTheS2Edge();
    void aroundPeaksNeedsS2();

private:
    // S1: a 60 x 60 grid carrying the peak lists; S2: a 60 x 60 random grid named T with the
    // region (5, 5)-(14, 14).
    void addPeaksAndTemplate(const QVector<QVector<QPointF>> &lists);
    void check(QAbstractButton *button);

    Body *body = nullptr;
    CopyCtrl *panel = nullptr;
    DataCtrl *s2Row = nullptr;
};

void TestCopyCtrl::initTestCase()
{
    qRegisterMetaType<TDData *>();
}

void TestCopyCtrl::init()
{
    body = new Body;
    body->show();
    panel = &body->copyCtrl;
}

void TestCopyCtrl::cleanup()
{
    delete body;
    body = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestCopyCtrl::check(QAbstractButton *button)
{
    click(button);
    QVERIFY(button->isChecked());
}

void TestCopyCtrl::addPeaksAndTemplate(const QVector<QVector<QPointF>> &lists)
{
    auto *s1 = new TDData(60, 60);
    s1->dataId = QStringLiteral("P");
    for (const QVector<QPointF> &points : lists)
        s1->infos.append(peakList(points));
    click(addRow(*body, s1)->ui.SingleSel1);
    TDData *s2 = randomGrid(60, 60, 3);
    s2->dataId = QStringLiteral("T");
    s2Row = addRow(*body, s2);
    s2Row->imgDisp.setRegion(QRect(QPoint(5, 5), QPoint(14, 14)));
    click(s2Row->ui.SingleSel2);
}

void TestCopyCtrl::hostedInTheMainWindow()
{
    QVERIFY(!panel->isVisible());
    click(body->ui.Copy);
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->parentWidget(), body->ui.CopyFrame);
    QVERIFY(panel->ui.AroundPeaks->isChecked());
    QVERIFY(panel->ui.SimpleCopyResize->isChecked());
    QVERIFY(panel->ui.OrderH->isChecked() && panel->ui.OrderLR->isChecked() && panel->ui.OrderTB->isChecked());
    QCOMPARE(panel->ui.ReferencePeak->maximum(), 10000);
    // The four groups are exclusive only within themselves.
    check(panel->ui.SimpleCopy);
    check(panel->ui.OrderVH);
    check(panel->ui.OrderRL);
    check(panel->ui.OrderBT);
    QVERIFY(!panel->ui.AroundPeaks->isChecked() && !panel->ui.OrderH->isChecked());
    QVERIFY(panel->ui.SimpleCopy->isChecked() && panel->ui.OrderVH->isChecked() && panel->ui.OrderRL->isChecked());
    click(body->ui.Copy);
    QVERIFY(!panel->isVisible());
}

void TestCopyCtrl::simpleCopy_data()
{
    QTest::addColumn<bool>("resize");
    QTest::newRow("resize") << true;
    QTest::newRow("in place") << false;
}

void TestCopyCtrl::simpleCopy()
{
    QFETCH(bool, resize);
    TDData *src = randomGrid(50, 45, 8);
    src->dataId = QStringLiteral("S");
    DataCtrl *row = addRow(*body, src);
    click(row->ui.SingleSel1);
    dragRegion(row, {30.9, 40.2}, {10.3, 20.7});
    check(panel->ui.SimpleCopy);
    if (panel->ui.SimpleCopyResize->isChecked() != resize)
        click(panel->ui.SimpleCopyResize);
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 1);
    const TDData *copy = lastData(*body);
    QCOMPARE(copy->dataId, QStringLiteral("S: Cp(10,20)-(29,38)"));
    QCOMPARE(copy->width, resize ? 20 : 50);
    QCOMPARE(copy->height, resize ? 19 : 45);
    const QRect r(QPoint(10, 20), QPoint(29, 38));
    for (int y = 0; y < copy->height; ++y) {
        for (int x = 0; x < copy->width; ++x) {
            const QPoint s = resize ? QPoint(x, y) + r.topLeft() : QPoint(x, y);
            if (r.contains(s)) {
                QCOMPARE(copy->isValid(x, y), src->isValid(s.x(), s.y()));
                QCOMPARE(copy->value(x, y), src->value(s.x(), s.y()));
            } else {
                QVERIFY(!copy->isValid(x, y));
            }
        }
    }
}

void TestCopyCtrl::simpleCopyWithoutRegionOrS1()
{
    check(panel->ui.SimpleCopy);
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    DataCtrl *row = addRow(*body, randomGrid(10, 10, 1));
    dragRegion(row, {1, 1}, {6, 6});
    click(panel->ui.ExecCopy); // no S1
    click(row->ui.SingleSel1);
    dragRegion(row, {3.2, 4.5}, {3.2, 4.5}); // a click without dragging
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 0);
}

void TestCopyCtrl::fourPeaksInEverySaveOrder_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<QVector<QPointF>>("expected");
    const QPointF a(10, 10), b(50, 10), c(10, 50), d(50, 50);
    QTest::newRow("H") << "OrderH" << "OrderLR" << "OrderTB" << QVector<QPointF>{a, c, b, d};
    QTest::newRow("H R->L") << "OrderH" << "OrderRL" << "OrderTB" << QVector<QPointF>{b, d, c, a};
    QTest::newRow("V") << "OrderV" << "OrderLR" << "OrderTB" << QVector<QPointF>{a, b, c, d};
    QTest::newRow("V B->T") << "OrderV" << "OrderLR" << "OrderBT" << QVector<QPointF>{c, d, a, b};
    QTest::newRow("Both(V First)") << "OrderVH" << "OrderLR" << "OrderTB" << QVector<QPointF>{a, b, c, d};
    QTest::newRow("Both(V First) R->L") << "OrderVH" << "OrderRL" << "OrderTB" << QVector<QPointF>{b, a, d, c};
    QTest::newRow("Both(V First) B->T") << "OrderVH" << "OrderLR" << "OrderBT" << QVector<QPointF>{c, d, a, b};
    QTest::newRow("Both(V First) R->L B->T") << "OrderVH" << "OrderRL" << "OrderBT" << QVector<QPointF>{d, c, b, a};
    QTest::newRow("Both(H First)") << "OrderHV" << "OrderLR" << "OrderTB" << QVector<QPointF>{a, c, b, d};
    QTest::newRow("Both(H First) R->L") << "OrderHV" << "OrderRL" << "OrderTB" << QVector<QPointF>{b, d, a, c};
    QTest::newRow("Both(H First) B->T") << "OrderHV" << "OrderLR" << "OrderBT" << QVector<QPointF>{c, a, d, b};
    QTest::newRow("Both(H First) R->L B->T") << "OrderHV" << "OrderRL" << "OrderBT" << QVector<QPointF>{d, b, c, a};
}

void TestCopyCtrl::fourPeaksInEverySaveOrder()
{
    QFETCH(QString, order);
    QFETCH(QString, horizontal);
    QFETCH(QString, vertical);
    QFETCH(QVector<QPointF>, expected);
    addPeaksAndTemplate({{{10, 10}, {50, 10}, {10, 50}, {50, 50}}});
    for (const QString &name : {order, horizontal, vertical})
        check(panel->findChild<QRadioButton *>(name));
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 4);
    QCOMPARE(body->ctrls.dataCtrls.size(), 6);
    const TDData *s2 = s2Row->data(false);
    for (int k = 0; k < 4; ++k) {
        const QPointF p = expected[k];
        const TDData *tile = body->ctrls.dataCtrls[2 + k]->data(false);
        QCOMPARE(tile->dataId, QStringLiteral("T:CpAPk[%1(%2,%3)]").arg(k).arg(p.x()).arg(p.y()));
        QCOMPARE(tile->width, 10);
        QCOMPARE(tile->height, 10);
        // The tile's top-left pixel is 5 up and left of the peak, as the region is of peak 0.
        const int left = int(p.x()) - 5, top = int(p.y()) - 5;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                QCOMPARE(tile->isValid(x, y), s2->isValid(left + x, top + y));
                QCOMPARE(tile->value(x, y), s2->value(left + x, top + y));
            }
        }
    }
}

void TestCopyCtrl::equalKeysMayChangeOrder()
{
    addPeaksAndTemplate({{{10, 5}, {10, 1}, {3, 7}}});
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(namesFrom(spy), (QStringList{"T:CpAPk[0(3,7)]", "T:CpAPk[1(10,1)]", "T:CpAPk[2(10,5)]"}));
}

void TestCopyCtrl::referencePeakOutOfRange()
{
    addPeaksAndTemplate({{{10, 10}, {50, 10}, {10, 50}, {50, 50}}});
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    panel->ui.ReferencePeak->setValue(4);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 0);
    panel->ui.ReferencePeak->setValue(3);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 4);
}

void TestCopyCtrl::twoPeakListsNumberedConsecutively()
{
    // Reference 2 is the first point of the second list; its offset to the region is (-35, -5).
    addPeaksAndTemplate({{{40, 30}, {44, 33}}, {{40, 10}}});
    panel->ui.ReferencePeak->setValue(2);
    check(panel->ui.OrderVH);
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(namesFrom(spy), (QStringList{"T:CpAPk[0(40,10)]", "T:CpAPk[1(40,30)]", "T:CpAPk[2(44,33)]"}));
    const TDData *s2 = s2Row->data(false);
    const TDData *second = spy[1][0].value<TDData *>();
    QCOMPARE(second->value(0, 0), s2->value(5, 25));
}

void TestCopyCtrl::tilesReachingPastTheS2Edge()
{
    addPeaksAndTemplate({{{10, 10}, {57, 54}, {2, 1}}});
    check(panel->ui.OrderV);
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 3);
    const TDData *s2 = s2Row->data(false);
    // In y order: (2, 1) at (-3, -4), (10, 10) at (5, 5), (57, 54) at (52, 49).
    const QVector<QPoint> corners = {{-3, -4}, {5, 5}, {52, 49}};
    for (int k = 0; k < 3; ++k) {
        const TDData *tile = spy[k][0].value<TDData *>();
        QCOMPARE(tile->width, 10);
        QCOMPARE(tile->height, 10);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                const QPoint s = corners[k] + QPoint(x, y);
                const bool inside = s.x() >= 0 && s.y() >= 0 && s.x() < 60 && s.y() < 60;
                QCOMPARE(tile->isValid(x, y), inside && s2->isValid(s.x(), s.y()));
                if (inside)
                    QCOMPARE(tile->value(x, y), s2->value(s.x(), s.y()));
            }
        }
    }
}

void TestCopyCtrl::aroundPeaksNeedsS2()
{
    auto *s1 = new TDData(20, 20);
    s1->infos.append(peakList({{10, 10}}));
    click(addRow(*body, s1)->ui.SingleSel1);
    addRow(*body, randomGrid(20, 20, 3));
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(TestCopyCtrl)
#include "tst_copyctrl.moc"
