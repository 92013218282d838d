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

// The tile must hold src's pixels from corner on, invalid where they lie outside src.
void checkTile(const TDData0 *tile, const TDData0 *src, QPoint corner, QSize size)
{
    QCOMPARE(QSize(tile->width, tile->height), size);
    for (int y = 0; y < tile->height; ++y) {
        for (int x = 0; x < tile->width; ++x) {
            const QPoint s = corner + QPoint(x, y);
            const bool inside = s.x() >= 0 && s.y() >= 0 && s.x() < src->width && s.y() < src->height;
            QCOMPARE(tile->isValid(x, y), inside && src->isValid(s.x(), s.y()));
            if (inside)
                QCOMPARE(tile->value(x, y), src->value(s.x(), s.y()));
        }
    }
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
    void aroundPeaks_data();
    void aroundPeaks();
    void nothingAroundPeaks();

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
    click(body->ui.Copy);
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->parentWidget(), body->ui.CopyFrame);
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
    const QRect r(QPoint(10, 20), QPoint(29, 38));
    QCOMPARE(QSize(copy->width, copy->height), resize ? r.size() : QSize(50, 45));
    for (int y = 0; y < copy->height; ++y) {
        for (int x = 0; x < copy->width; ++x) {
            const QPoint s = resize ? QPoint(x, y) + r.topLeft() : QPoint(x, y);
            QCOMPARE(copy->isValid(x, y), r.contains(s) && src->isValid(s.x(), s.y()));
            QCOMPARE(copy->value(x, y), r.contains(s) ? src->value(s.x(), s.y()) : 0.0);
        }
    }
}

void TestCopyCtrl::simpleCopyWithoutRegionOrS1()
{
    check(panel->ui.SimpleCopy);
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    DataCtrl *row = addRow(*body, randomGrid(10, 10, 1));
    dragRegion(row, {1, 1}, {6, 6});
    click(panel->ui.ExecCopy);  // no S1
    click(row->ui.SingleSel1);
    dragRegion(row, {3.2, 4.5}, {3.2, 4.5});  // a click without dragging
    click(panel->ui.ExecCopy);
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
    const QPoint fromA(-5, -5);
    const auto fourPeaks = [&](const char *name, const QStringList &buttons, const QVector<QPointF> &expected) {
        QTest::newRow(name) << four << 0 << buttons << expected << fromA;
    };
    fourPeaks("H", {"OrderH", "OrderLR", "OrderTB"}, {a, c, b, d});
    fourPeaks("H R->L", {"OrderH", "OrderRL", "OrderTB"}, {b, d, c, a});
    fourPeaks("V", {"OrderV", "OrderLR", "OrderTB"}, {a, b, c, d});
    fourPeaks("V B->T", {"OrderV", "OrderLR", "OrderBT"}, {c, d, a, b});
    fourPeaks("VH", {"OrderVH", "OrderLR", "OrderTB"}, {a, b, c, d});
    fourPeaks("VH R->L", {"OrderVH", "OrderRL", "OrderTB"}, {b, a, d, c});
    fourPeaks("VH B->T", {"OrderVH", "OrderLR", "OrderBT"}, {c, d, a, b});
    fourPeaks("VH R->L B->T", {"OrderVH", "OrderRL", "OrderBT"}, {d, c, b, a});
    fourPeaks("HV", {"OrderHV", "OrderLR", "OrderTB"}, {a, c, b, d});
    fourPeaks("HV R->L", {"OrderHV", "OrderRL", "OrderTB"}, {b, d, a, c});
    fourPeaks("HV B->T", {"OrderHV", "OrderLR", "OrderBT"}, {c, a, d, b});
    fourPeaks("HV R->L B->T", {"OrderHV", "OrderRL", "OrderBT"}, {d, b, c, a});
    // Equal keys (x = 10 twice) may come in any order the sort leaves them; this is the one it leaves.
    QTest::newRow("ties") << QVector<QVector<QPointF>>{{{10, 5}, {10, 1}, {3, 7}}} << 0 << QStringList()
                          << QVector<QPointF>{{3, 7}, {10, 1}, {10, 5}} << QPoint(-5, 0);
    // Reference 2 is the first point of the second list.
    QTest::newRow("two lists") << QVector<QVector<QPointF>>{{{40, 30}, {44, 33}}, {{40, 10}}} << 2
                               << QStringList{"OrderVH"} << QVector<QPointF>{{40, 10}, {40, 30}, {44, 33}}
                               << QPoint(-35, -5);
    QTest::newRow("past the S2 edge") << QVector<QVector<QPointF>>{{a, {57, 54}, {2, 1}}} << 0 << QStringList{"OrderV"}
                                      << QVector<QPointF>{{2, 1}, a, {57, 54}} << fromA;
}

void TestCopyCtrl::aroundPeaks()
{
    QFETCH(QVector<QVector<QPointF>>, lists);
    QFETCH(int, reference);
    QFETCH(QStringList, buttons);
    QFETCH(QVector<QPointF>, expected);
    QFETCH(QPoint, offset);
    addPeaksAndTemplate(lists);
    panel->ui.ReferencePeak->setValue(reference);
    for (const QString &name : buttons)
        check(panel->findChild<QRadioButton *>(name));
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), expected.size());
    QCOMPARE(body->ctrls.dataCtrls.size(), 2 + expected.size());
    for (int k = 0; k < expected.size(); ++k) {
        const QPointF p = expected[k];
        const TDData *tile = body->ctrls.dataCtrls[2 + k]->data(false);
        QCOMPARE(tile->dataId, QStringLiteral("T:CpAPk[%1(%2,%3)]").arg(k).arg(p.x()).arg(p.y()));
        checkTile(tile, s2Row->data(false), p.toPoint() + offset, QSize(10, 10));
    }
}

void TestCopyCtrl::nothingAroundPeaks()
{
    auto *s1 = new TDData(20, 20);
    s1->infos.append(peakList({{10, 10}, {5, 5}}));
    click(addRow(*body, s1)->ui.SingleSel1);
    DataCtrl *s2 = addRow(*body, randomGrid(20, 20, 3));
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
