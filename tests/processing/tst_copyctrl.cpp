// The copy panel driven by clicks; every save order is checked in tst_copying, here each button once.

#include "processing/copyctrl.h"

#include "filtertesttools.h"
#include "paneltesttools.h"

#include <QSignalSpy>
#include <QtTest>

class TestCopyCtrl : public QObject, PanelFixture
{
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }
    void toggledFromTheMainWindow() { checkToggles(body->ui.Copy, &body->copyCtrl); }
    void simpleCopy_data();
    void simpleCopy();
    void simpleCopyWithoutRegionOrS1();
    void aroundPeaks_data();
    void aroundPeaks();
    void nothingAroundPeaks();
};

void TestCopyCtrl::simpleCopy_data()
{
    QTest::addColumn<bool>("resize");
    QTest::newRow("resize") << true;
    QTest::newRow("in place") << false;
}

void TestCopyCtrl::simpleCopy()
{
    QFETCH(bool, resize);
    CopyCtrl *panel = &body->copyCtrl;
    TDData *src = randomGrid(50, 45, 8);
    src->dataId = QStringLiteral("S");
    DataCtrl *r = addRow(src);
    click(r->ui.SingleSel1);
    dragRegion(r, {30.9, 40.2}, {10.3, 20.7});
    click(panel->ui.SimpleCopy);
    if (panel->ui.SimpleCopyResize->isChecked() != resize)
        click(panel->ui.SimpleCopyResize);
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 1);
    const TDData *copy = lastData();
    QCOMPARE(copy->dataId, QStringLiteral("S: Cp(10,20)-(29,38)"));
    const QRect rect(QPoint(10, 20), QPoint(29, 38));
    QCOMPARE(QSize(copy->width, copy->height), resize ? rect.size() : QSize(50, 45));
    const QPoint origin = resize ? rect.topLeft() : QPoint();
    for (int y = 0; y < copy->height; ++y) {
        for (int x = 0; x < copy->width; ++x) {
            const QPoint s = origin + QPoint(x, y);
            QCOMPARE(copy->isValid(x, y), rect.contains(s) && src->isValid(s.x(), s.y()));
            QCOMPARE(copy->value(x, y), rect.contains(s) ? src->value(s.x(), s.y()) : 0.0);
        }
    }
}

void TestCopyCtrl::simpleCopyWithoutRegionOrS1()
{
    click(body->copyCtrl.ui.SimpleCopy);
    QSignalSpy spy(&body->copyCtrl, &CopyCtrl::copiedData);
    DataCtrl *r = addRow(randomGrid(10, 10, 1));
    dragRegion(r, {1, 1}, {6, 6});
    click(body->copyCtrl.ui.ExecCopy);  // no S1
    click(r->ui.SingleSel1);
    dragRegion(r, {3.2, 4.5}, {3.2, 4.5});  // a click without dragging
    click(body->copyCtrl.ui.ExecCopy);
    QCOMPARE(spy.count(), 0);
}

void TestCopyCtrl::aroundPeaks_data()
{
    QTest::addColumn<QVector<QVector<QPointF>>>("lists");
    QTest::addColumn<int>("reference");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QVector<QPointF>>("expected");
    QTest::addColumn<QPoint>("offset");  // of each tile's corner from its peak
    const QPointF a(10, 10), b(50, 10), c(10, 50), d(50, 50);
    const QVector<QVector<QPointF>> four = {{a, b, c, d}};
    QTest::newRow("as the panel starts: H") << four << 0 << QStringList() << QVector<QPointF>{a, c, b, d}
                                           << QPoint(-5, -5);
    QTest::newRow("V B->T") << four << 0 << QStringList{"OrderV", "OrderBT"} << QVector<QPointF>{c, d, a, b}
                            << QPoint(-5, -5);
    QTest::newRow("VH R->L") << four << 0 << QStringList{"OrderVH", "OrderRL"} << QVector<QPointF>{b, a, d, c}
                             << QPoint(-5, -5);
    QTest::newRow("HV R->L B->T") << four << 0 << QStringList{"OrderHV", "OrderRL", "OrderBT"}
                                  << QVector<QPointF>{d, b, c, a} << QPoint(-5, -5);
    QTest::newRow("reference in the second list") << QVector<QVector<QPointF>>{{{40, 30}, {44, 33}}, {{40, 10}}} << 2
                                                  << QStringList{"OrderVH"}
                                                  << QVector<QPointF>{{40, 10}, {40, 30}, {44, 33}} << QPoint(-35, -5);
    QTest::newRow("past the S2 edge") << QVector<QVector<QPointF>>{{a, {57, 54}, {2, 1}}} << 0
                                      << QStringList{"OrderV"} << QVector<QPointF>{{2, 1}, a, {57, 54}}
                                      << QPoint(-5, -5);
}

void TestCopyCtrl::aroundPeaks()
{
    QFETCH(QVector<QVector<QPointF>>, lists);
    QFETCH(int, reference);
    QFETCH(QStringList, buttons);
    QFETCH(QVector<QPointF>, expected);
    QFETCH(QPoint, offset);
    CopyCtrl *panel = &body->copyCtrl;
    // S1 carries the peak lists; S2, named T, holds the template region (5, 5)-(14, 14).
    auto *s1 = new TDData(60, 60);
    for (const QVector<QPointF> &points : lists)
        s1->infos.append(peakList(points));
    click(addRow(s1)->ui.SingleSel1);
    TDData *s2 = randomGrid(60, 60, 3);
    s2->dataId = QStringLiteral("T");
    DataCtrl *s2Row = addRow(s2);
    s2Row->imgDisp.setRegion(QRect(QPoint(5, 5), QPoint(14, 14)));
    click(s2Row->ui.SingleSel2);
    panel->ui.ReferencePeak->setValue(reference);
    for (const QString &name : buttons)
        click(panel->findChild<QAbstractButton *>(name));
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), expected.size());
    QCOMPARE(body->ctrls.dataCtrls.size(), 2 + expected.size());
    for (int k = 0; k < expected.size(); ++k) {
        const TDData *tile = row(2 + k)->data(false);
        QCOMPARE(tile->dataId, QStringLiteral("T:CpAPk[%1(%2,%3)]").arg(k).arg(expected[k].x()).arg(expected[k].y()));
        QCOMPARE(QSize(tile->width, tile->height), QSize(10, 10));
        // The tile holds S2's pixels from its corner on, invalid where they lie outside S2.
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                const QPoint p = expected[k].toPoint() + offset + QPoint(x, y);
                const bool inside = QRect(0, 0, 60, 60).contains(p);
                QCOMPARE(tile->isValid(x, y), inside && s2->isValid(p.x(), p.y()));
                if (inside)
                    QCOMPARE(tile->value(x, y), s2->value(p.x(), p.y()));
            }
        }
    }
}

void TestCopyCtrl::nothingAroundPeaks()
{
    CopyCtrl *panel = &body->copyCtrl;
    auto *s1 = new TDData(20, 20);
    s1->infos.append(peakList({{10, 10}, {5, 5}}));
    click(addRow(s1)->ui.SingleSel1);
    DataCtrl *s2 = addRow(randomGrid(20, 20, 3));
    s2->imgDisp.setRegion(QRect(QPoint(5, 5), QPoint(14, 14)));
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);  // no S2
    click(s2->ui.SingleSel2);
    panel->ui.ReferencePeak->setValue(2);  // out of range
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 0);
    panel->ui.ReferencePeak->setValue(1);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 2);
}

QTEST_MAIN(TestCopyCtrl)
#include "tst_copyctrl.moc"
