// The calculation, copy and filter panels driven by clicks in a fresh main window per test. What
// they compute is checked in tst_calccopy and tst_filterexactness; here each path from the
// buttons to a new row once.

#include "app/body.h"
#include "data/datainfo.h"
#include "data/tddata.h"
#include "../display/displaytesttools.h"
#include "../memorylimit.h"
#include "display/colorbar0.h"
#include "display/datactrl.h"
#include "filtertesttools.h"
#include "processing/calcctrl.h"
#include "processing/copyctrl.h"
#include "processing/filter.h"
#include "processing/filterctrl.h"
#include "processing/matchingf.h"

#include <QPointer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// Holds the only thread of Qt's global pool, where panel runs go, until destroyed: runs started
// meanwhile cannot end before the test has looked at them, however fast the machine.
class PoolGate
{
public:
    PoolGate()
    {
        pool->setMaxThreadCount(1);
        pool->start([this] { gate.acquire(); });
    }
    ~PoolGate()
    {
        gate.release();
        pool->waitForDone();
        pool->setMaxThreadCount(threads);
    }

private:
    QThreadPool *pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    QSemaphore gate;
};

// Clicks near the left end, where check boxes and radio buttons have their indicator.
void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

// A grid named id whose pixel (x, y) holds base + x + 100 y, all valid.
TDData *ramp(const QString &id, int width, int height, double base = 1.0)
{
    auto *d = new TDData(width, height);
    d->dataId = id;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            d->setValue(x, y, base + x + 100.0 * y);
    }
    return d;
}

// Puts the row's image window into the state a drag from `from` to `to` leaves.
void dragRegion(DataCtrl *row, QPointF from, QPointF to)
{
    row->imgDisp.regionState = ImgDisp::RegionSet;
    row->imgDisp.pressData = from;
    row->imgDisp.curData = to;
}

QStringList entries(const FilterCtrl &panel)
{
    QStringList texts;
    for (int i = 0; i < panel.ui.Filters->count(); ++i)
        texts << panel.ui.Filters->itemText(i);
    return texts;
}

} // namespace

class TestPanels : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void toggledFromTheMainWindow();
    void calcGenerate_data();
    void calcGenerate();
    void calcSizedFromFirstSelectedRow();
    void calcStaleSelectionVectors();
    void outlineRegionAndMaskAgree_data();
    void outlineRegionAndMaskAgree();
    void simpleCopy_data();
    void simpleCopy();
    void aroundPeaks_data();
    void aroundPeaks();
    void copiesBeyondMemory();
    void filterListWithoutS1();
    void filterRuns_data();
    void filterRuns();
    void filterWorksInTopKeptRegion();
    void matchingWithoutExecModeOrRegionEmitsNull();
    void runBesideEventLoop_data();
    void runBesideEventLoop();

private:
    // Adds d to the main window's list as a panel result would be added, and returns its row.
    DataCtrl *addRow(TDData *d)
    {
        const int before = body->ctrls.dataCtrls.size();
        if (!QMetaObject::invokeMethod(body.get(), "calculatedData", Q_ARG(TDData *, d))
            || body->ctrls.dataCtrls.size() != before + 1)
            qFatal("row not added");
        return body->ctrls.dataCtrls.last();
    }
    DataCtrl *row(int i) const { return body->ctrls.dataCtrls.at(i); }
    const TDData *lastData() const { return body->ctrls.dataCtrls.last()->data(false); }
    // Rows 1 .. count, grids of 6 x 4 with pixel values i + x + 100 y in row i.
    void addRamps(int count)
    {
        for (int i = 1; i <= count; ++i)
            addRow(ramp(QStringLiteral("d%1").arg(i), 6, 4, i));
    }
    // A random grid named S as the S1 row.
    DataCtrl *addS1(int width, int height)
    {
        TDData *d = randomGrid(width, height, 77);
        d->dataId = QStringLiteral("S");
        DataCtrl *r = addRow(d);
        click(r->ui.SingleSel1);
        return r;
    }

    std::unique_ptr<Body> body;
};

void TestPanels::init()
{
    qRegisterMetaType<TDData *>();
    body.reset(new Body);
    body->show();
}

void TestPanels::cleanup()
{
    body.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPanels::toggledFromTheMainWindow()
{
    const QPair<QAbstractButton *, QWidget *> toggles[] = {
        {body->ui.Calc, &body->calcCtrl}, {body->ui.Copy, &body->copyCtrl}, {body->ui.Filter, &body->filterCtrl}};
    for (const auto &toggle : toggles) {
        click(toggle.first);
        QVERIFY(toggle.second->isVisible());
        click(toggle.first);
        QVERIFY(!toggle.second->isVisible());
    }
}

void TestPanels::calcGenerate_data()
{
    QTest::addColumn<bool>("neg");
    QTest::addColumn<bool>("log");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");  // at (1, 0): (4 + 1) / (3 + 1)
    QTest::newRow("as the panel starts: log") << false << true << "" << "Cl[log(I[4]/I[3])]" << std::log(5.0 / 4.0);
    QTest::newRow("neg, typed name") << true << false << "bright %1" << "Cl[-bright %1/I[3]]" << -5.0 / 4.0;
}

void TestPanels::calcGenerate()
{
    QFETCH(bool, neg);
    QFETCH(bool, log);
    QFETCH(QString, typed);
    addRamps(4);
    // Numbers are never reused: after row 1 goes, the texts still name rows by their numbers.
    click(row(0)->ui.Del);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    click(row(2)->ui.MultiSelA);
    click(row(1)->ui.MultiSelB);
    CalcCtrl &calc = body->calcCtrl;
    if (calc.ui.Neg->isChecked() != neg)
        click(calc.ui.Neg);
    if (calc.ui.Log->isChecked() != log)
        click(calc.ui.Log);
    if (!typed.isEmpty()) {
        calc.ui.Numerators->clear();
        QTest::keyClicks(calc.ui.Numerators, typed);
    }
    QSignalSpy spy(&calc, &CalcCtrl::newDataGenerated);
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(body->ctrls.dataCtrls.size(), 4);
    QTEST(lastData()->dataId, "name");
    QTEST(lastData()->value(1, 0), "value");
}

void TestPanels::calcSizedFromFirstSelectedRow()
{
    addRow(ramp("big", 5, 4));
    addRow(ramp("small", 3, 2));
    // The first selected row is a denominator; pixels beyond the small grid stay invalid.
    click(row(0)->ui.MultiSelB);
    click(row(1)->ui.MultiSelA);
    click(body->calcCtrl.ui.Gen);
    const TDData *r = lastData();
    QCOMPARE(QSize(r->width, r->height), QSize(5, 4));
    QVERIFY(r->isValid(2, 1));
    QVERIFY(!r->isValid(3, 1));
    QVERIFY(!r->isValid(2, 2));
}

void TestPanels::calcStaleSelectionVectors()
{
    addRamps(3);
    CalcCtrl &calc = body->calcCtrl;
    QSignalSpy spy(&calc, &CalcCtrl::newDataGenerated);
    click(calc.ui.Gen);  // nothing selected: nothing to compute
    QCOMPARE(spy.count(), 0);
    // Longer than the row list: the entries without a row are ignored.
    const QVector<bool> none(8, false);
    calc.selsChanged(none, none, QVector<bool>(8, true), none);
    QCOMPARE(calc.ui.Numerators->text(), QStringLiteral("I[1]+I[2]+I[3]"));
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(lastData()->value(1, 0), std::log(2.0 + 3.0 + 4.0));
    // Shorter than the row list (rows added since): the new rows take no part.
    calc.selsChanged({false}, {false}, {true}, {false});
    addRamps(2);
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(lastData()->value(1, 0), std::log(2.0));
}

void TestPanels::outlineRegionAndMaskAgree_data()
{
    QTest::addColumn<QPoint>("from");  // a drag between widget positions ...
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QRect>("restored");  // ... or, when valid, a region restored with setRegion
    QTest::newRow("dragged down and right") << QPoint(103, 77) << QPoint(331, 240) << QRect();
    QTest::newRow("dragged up and left") << QPoint(338, 251) << QPoint(97, 64) << QRect();
    QTest::newRow("restored") << QPoint() << QPoint() << QRect(QPoint(10, 20), QPoint(29, 38));
    QTest::newRow("a click: empty") << QPoint(150, 150) << QPoint(150, 150) << QRect();
}

void TestPanels::outlineRegionAndMaskAgree()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QRect, restored);
    DataCtrl *r = addRow(ramp("src", 100, 50));
    ImgDisp &disp = r->imgDisp;
    DispA *area = disp.ui.ImgDispA;
    area->grab();
    if (restored.isValid()) {
        disp.setRegion(restored);
    } else {
        sendMouse(area, QEvent::MouseButtonPress, from, Qt::LeftButton);
        sendMouse(area, QEvent::MouseMove, to, Qt::LeftButton);
        sendMouse(area, QEvent::MouseButtonRelease, to, Qt::LeftButton);
    }
    const QRect region = disp.regionRect();
    QVERIFY(!restored.isValid() || region == restored);
    QCOMPARE(disp.ui.Region->text(), QStringLiteral("(%1, %2)-(%3, %4)")
                                         .arg(region.left()).arg(region.top()).arg(region.right()).arg(region.bottom()));

    // The outline runs on the outermost widget pixels of exactly the region's pixels (seen
    // without the crosshair, which the mouse left on it).
    r->noticedAt(-1, -1);
    const QImage drawn = area->grab().toImage();
    const QColor set = ColorBar0::markColor(1);
    QRect outline;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (drawn.pixelColor(x, y) == set)
                outline |= QRect(x, y, 1, 1);
    QSignalSpy readOut(&disp, &ImgDisp::mMovedWithin);
    auto pixelAt = [&](QPoint at) {
        sendMouse(area, QEvent::MouseMove, at);
        return QPoint(readOut.last().at(0).toInt(), readOut.last().at(1).toInt());
    };
    QCOMPARE(outline.isNull(), region.isEmpty());
    if (!region.isEmpty()) {
        QCOMPARE(pixelAt(outline.topLeft()), region.topLeft());
        QCOMPARE(pixelAt(outline.bottomRight()), region.bottomRight());
        QCOMPARE(pixelAt(outline.topLeft() - QPoint(1, 1)), region.topLeft() - QPoint(1, 1));
        QCOMPARE(pixelAt(outline.bottomRight() + QPoint(1, 1)), region.bottomRight() + QPoint(1, 1));
    }

    // The calculation masks the source with exactly those pixels: none for an empty region.
    click(r->ui.MultiSelA);
    click(body->calcCtrl.ui.Gen);
    const TDData *result = lastData();
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            QCOMPARE(result->isValid(x, y), region.contains(x, y));
}

void TestPanels::simpleCopy_data()
{
    QTest::addColumn<bool>("resize");
    QTest::newRow("resize") << true;
    QTest::newRow("in place") << false;
}

void TestPanels::simpleCopy()
{
    QFETCH(bool, resize);
    CopyCtrl *panel = &body->copyCtrl;
    click(panel->ui.SimpleCopy);
    if (panel->ui.SimpleCopyResize->isChecked() != resize)
        click(panel->ui.SimpleCopyResize);
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    DataCtrl *r = addRow(randomGrid(50, 45, 77));
    dragRegion(r, {30.9, 40.2}, {10.3, 20.7});
    click(panel->ui.ExecCopy);  // no S1
    click(r->ui.SingleSel1);
    dragRegion(r, {3.2, 4.5}, {3.2, 4.5});  // a click without dragging
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 0);
    dragRegion(r, {30.9, 40.2}, {10.3, 20.7});
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), 1);
    const TDData *src = r->data(false);
    const TDData *copy = lastData();
    QCOMPARE(copy->dataId, QStringLiteral("src: Cp(10,20)-(29,38)"));
    QCOMPARE(QSize(copy->width, copy->height), resize ? QSize(20, 19) : QSize(50, 45));
    const QPoint p = resize ? QPoint(19, 18) : QPoint(29, 38);
    QCOMPARE(copy->value(p.x(), p.y()), src->value(29, 38));
    QCOMPARE(copy->isValid(p.x(), p.y()), src->isValid(29, 38));
    QVERIFY(resize || !copy->isValid(30, 38));
}

void TestPanels::aroundPeaks_data()
{
    QTest::addColumn<QVector<QVector<QPointF>>>("lists");
    QTest::addColumn<int>("reference");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QVector<QPointF>>("expected");
    QTest::addColumn<QPoint>("offset");  // of each tile's corner from its peak
    const QPointF a(10, 10), b(50, 10), c(10, 50), d(50, 50);
    QTest::newRow("HV R->L B->T") << QVector<QVector<QPointF>>{{a, b, c, d}} << 0 << QStringList{"OrderHV", "OrderRL", "OrderBT"}
                                  << QVector<QPointF>{d, b, c, a} << QPoint(-5, -5);
    QTest::newRow("reference in the second list") << QVector<QVector<QPointF>>{{{40, 30}, {44, 33}}, {{40, 10}}} << 2
                                                  << QStringList{"OrderVH"}
                                                  << QVector<QPointF>{{40, 10}, {40, 30}, {44, 33}} << QPoint(-35, -5);
    QTest::newRow("past the S2 edge") << QVector<QVector<QPointF>>{{a, {57, 54}, {2, 1}}} << 0
                                      << QStringList{"OrderV"} << QVector<QPointF>{{2, 1}, a, {57, 54}}
                                      << QPoint(-5, -5);
}

void TestPanels::aroundPeaks()
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
    panel->ui.ReferencePeak->setValue(reference);
    for (const QString &name : buttons)
        click(panel->findChild<QAbstractButton *>(name));
    QSignalSpy spy(panel, &CopyCtrl::copiedData);
    click(panel->ui.ExecCopy);  // no S2
    QCOMPARE(spy.count(), 0);
    click(s2Row->ui.SingleSel2);
    click(panel->ui.ExecCopy);
    QCOMPARE(spy.count(), expected.size());
    QCOMPARE(body->ctrls.dataCtrls.size(), 2 + expected.size());
    for (int k = 0; k < expected.size(); ++k) {
        const TDData *tile = row(2 + k)->data(false);
        QCOMPARE(tile->dataId, QStringLiteral("T:CpAPk[%1(%2,%3)]").arg(k).arg(expected[k].x()).arg(expected[k].y()));
        QCOMPARE(QSize(tile->width, tile->height), QSize(10, 10));
        // The tile holds S2's pixels from its corner on, invalid where they lie outside S2.
        const QPoint corner = expected[k].toPoint() + offset;
        const bool inside = QRect(0, 0, 60, 60).contains(corner);
        QCOMPARE(tile->isValid(0, 0), inside && s2->isValid(corner.x(), corner.y()));
        QVERIFY(!inside || tile->value(0, 0) == s2->value(corner.x(), corner.y()));
    }
}

// A copy or tile larger than memory holds is refused with a notice, and nothing is added.
void TestPanels::copiesBeyondMemory()
{
    if (!MemoryLimit::possible())
        QSKIP("address space cannot be limited under AddressSanitizer");
    CopyCtrl *panel = &body->copyCtrl;
    // 1.3 GB a copy, against a quarter of a gigabyte to spare.
    const QRect huge(QPoint(-6000, -6000), QPoint(5999, 5999));
    auto *s1 = new TDData(60, 60);
    s1->infos.append(peakList({{10, 10}, {30, 30}}));
    DataCtrl *s1Row = addRow(s1);
    click(s1Row->ui.SingleSel1);
    s1Row->imgDisp.setRegion(huge);
    DataCtrl *s2Row = addRow(randomGrid(60, 60, 3));
    click(s2Row->ui.SingleSel2);
    s2Row->imgDisp.setRegion(huge);
    QSignalSpy copies(panel, &CopyCtrl::copiedData);
    QSignalSpy notices(panel, &CopyCtrl::notice);
    click(panel->ui.SimpleCopy);
    if (!panel->ui.SimpleCopyResize->isChecked())
        click(panel->ui.SimpleCopyResize);
    {
        const MemoryLimit limit(qint64(1) << 28);
        QVERIFY(limit.active);
        click(panel->ui.ExecCopy);
        click(panel->ui.AroundPeaks);
        click(panel->ui.ExecCopy);
        QTRY_VERIFY_WITH_TIMEOUT(!panel->runBar.busy(), 60000);
    }
    QCOMPARE(copies.count(), 0);
    QCOMPARE(body->ctrls.dataCtrls.size(), 2);
    QCOMPARE(notices.count(), 3);
    QCOMPARE(notices[0][0].toString(), QStringLiteral("Copy: the copy does not fit in memory; nothing was added"));
    QCOMPARE(notices[1][0].toString(), QStringLiteral("Copy: a tile does not fit in memory and was left out"));
    QCOMPARE(notices[2][0], notices[1][0]);
    // Beyond what a dataset can hold at all, nothing is tried.
    s2Row->imgDisp.setRegion(QRect(0, 0, 20000, 20000));
    click(panel->ui.ExecCopy);
    QCOMPARE(notices.count(), 4);
    QCOMPARE(notices[3][0].toString(), QStringLiteral("Copy: the region of S2 is larger than a dataset can hold"));
}

void TestPanels::filterListWithoutS1()
{
    FilterCtrl *panel = &body->filterCtrl;
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.Del);  // empty list: nothing happens
    click(panel->ui.MovingAvrExecB);
    addRow(randomGrid(5, 5, 1));
    for (QAbstractButton *b : {panel->ui.MovingAvrRegB, panel->ui.AdaptiveThresholdRegB, panel->ui.MatchingRegB})
        click(b);
    for (QAbstractButton *b : {panel->ui.AdaptiveThresholdExecB, panel->ui.MovingAvrExecB, panel->ui.MatchingExecB,
                               panel->ui.FindPeaksExecB, panel->ui.Apply})
        click(b);
    QCOMPARE(spy.count(), 0);

    // Del releases the current entry's filter with it.
    panel->ui.Filters->setCurrentIndex(1);
    const QPointer<Filter> removed = panel->ui.Filters->itemData(1).value<Filter *>();
    QVERIFY(removed);
    click(panel->ui.Del);
    QCOMPARE(entries(*panel), (QStringList{"Moving Avr. (12, 12)", "Match"}));
    QVERIFY(!removed);

    // With S1, Apply on an emptied list does nothing either.
    click(panel->ui.Del);
    click(panel->ui.Del);
    addS1(16, 12);
    click(panel->ui.Apply);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(body->ctrls.dataCtrls.size(), 2);
}

void TestPanels::filterRuns_data()
{
    // Steps are button names, or "MA=hw,hh", "R=radius", "N=count" for the edit fields.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("peaks");  // in the result's last peak list
    QTest::newRow("registered parameters") << QStringList{"MA=3,4", "MovingAvrRegB", "MA=5,6", "Apply"}
                                           << QStringList{"Moving Avr. (3, 4)"} << "S: MA(3,4)" << 0;
    QTest::newRow("chain, matching without exec mode passing")
        << QStringList{"MovingAvrRegB", "MatchingRegB", "AdaptiveThresholdRegB", "Apply"}
        << QStringList{"Moving Avr. (12, 12)", "Match", "Addaptive Threshold (12, 12)"} << "S: MA(12,12): AT(12,12)"
        << 0;
    QTest::newRow("matching first") << QStringList{"PMExec2", "MatchingRegB", "Apply"} << QStringList{"Match"}
                                    << "S: PM" << 0;
    QTest::newRow("find peaks") << QStringList{"FindPeaksRegB", "R=2.5", "N=3", "FindPeaksMin", "FindPeaksRegB",
                                               "FindPeaksExecB"}
                                << QStringList{"Find Max Peaks (100:10)", "Find Min Peaks (2.5:3)"} << "S: PKs(-)"
                                << 3;
    QTest::newRow("text that is no number") << QStringList{"MA=abc,", "N=ten", "FindPeaksRegB", "MovingAvrExecB"}
                                            << QStringList{"Find Max Peaks (100:0)"} << "S: MA(0,0)" << 0;
}

void TestPanels::filterRuns()
{
    QFETCH(QStringList, steps);
    FilterCtrl *panel = &body->filterCtrl;
    DataCtrl *s1 = addS1(16, 12);
    s1->imgDisp.setRegion(QRect(QPoint(2, 2), QPoint(4, 4)));
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    const DebugCatcher quiet;
    for (const QString &step : steps) {
        const QString value = step.section(QLatin1Char('='), 1);
        if (step.startsWith(QLatin1String("MA="))) {
            panel->ui.MAWinS->ui.AreaHW->setText(value.section(QLatin1Char(','), 0, 0));
            panel->ui.MAWinS->ui.AreaHH->setText(value.section(QLatin1Char(','), 1, 1));
        } else if (step.startsWith(QLatin1String("R="))) {
            panel->ui.FindPeaksExclusionR->setText(value);
        } else if (step.startsWith(QLatin1String("N="))) {
            panel->ui.FindPeaksNum->setText(value);
        } else {
            click(panel->findChild<QAbstractButton *>(step));
        }
    }
    QTEST(entries(*panel), "list");
    QCOMPARE(spy.count(), 1);  // intermediate results of a chain are not handed out
    QCOMPARE(body->ctrls.dataCtrls.size(), 2);
    QTEST(lastData()->dataId, "name");
    const QVector<DataInfo *> &infos = lastData()->infos;
    QTEST(infos.isEmpty() || infos.last()->kind != DataInfo::PeakList ? 0 : infos.last()->points.size(), "peaks");
}

void TestPanels::filterWorksInTopKeptRegion()
{
    DataCtrl *s1 = addS1(16, 12);
    const QRect last(QPoint(6, 2), QPoint(12, 9));
    for (const QRect &r : {QRect(QPoint(1, 1), QPoint(4, 3)), last}) {
        s1->imgDisp.setRegion(r);
        click(s1->imgDisp.ui.SetARegion);
    }
    // The current region is a third one; only the region kept last counts.
    s1->imgDisp.setRegion(QRect(QPoint(0, 0), QPoint(2, 2)));
    click(body->filterCtrl.ui.AdaptiveThresholdExecB);
    QCOMPARE(lastData()->dataId, QStringLiteral("S: AT(12,12)"));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x)
            QCOMPARE(lastData()->isValid(x, y), last.contains(x, y) && s1->data(false)->isValid(x, y));
    }
}

void TestPanels::matchingWithoutExecModeOrRegionEmitsNull()
{
    FilterCtrl *panel = &body->filterCtrl;
    addS1(16, 12);
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.MatchingExecB);
    click(panel->ui.PMExec1);
    click(panel->ui.MatchingExecB);  // Exec1, but the source has no region
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy[0][0].value<TDData *>(), nullptr);
    QCOMPARE(spy[1][0].value<TDData *>(), nullptr);
    QCOMPARE(body->ctrls.dataCtrls.size(), 1);
}

void TestPanels::runBesideEventLoop_data()
{
    QTest::addColumn<QString>("during");
    QTest::newRow("nothing: results in the order started") << "";
    QTest::newRow("cancel") << "RunCancel";
    QTest::newRow("source row deleted") << "Del";
}

// Every run goes beside the event loop here (no short runs), on a snapshot of its source.
void TestPanels::runBesideEventLoop()
{
    QFETCH(QString, during);
    FilterCtrl *panel = &body->filterCtrl;
    panel->runBar.shortRunMs = 0;
    DataCtrl *s1 = addS1(300, 200);
    s1->imgDisp.setRegion(QRect(QPoint(20, 30), QPoint(35, 45)));
    const std::unique_ptr<TDData> source(s1->data(true)->snapshot());
    QSignalSpy results(panel, &FilterCtrl::newFilteredData);
    QSignalSpy progress(&panel->runBar, &RunBar::progressed);
    const DebugCatcher quiet;
    {
        const PoolGate held;
        click(panel->ui.PMExec1);
        click(panel->ui.MatchingExecB);
        click(panel->ui.MovingAvrExecB);
        QCOMPARE(results.count(), 0);
        QVERIFY(panel->runBar.isVisibleTo(panel));
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
        if (!during.isEmpty())
            click((during == "Del" ? static_cast<QWidget *>(s1) : panel)->findChild<QAbstractButton *>(during));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!panel->runBar.busy(), 60000);
    QTRY_VERIFY(!panel->runBar.isVisibleTo(panel));  // it lingers a moment
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    if (during == "RunCancel") {
        QCOMPARE(results.count(), 0);
        QCOMPARE(body->ctrls.dataCtrls.size(), 1);
        return;
    }
    QCOMPARE(results.count(), 2);
    QCOMPARE(results[1][0].value<TDData *>()->dataId, QStringLiteral("S: MA(12,12)"));
    const TDData *got = results[0][0].value<TDData *>();
    const std::unique_ptr<TDData> want(
        MatchingF(MatchingF::CosTh, MatchingF::Exec1).exec1(source.get(), QRect(0, 0, 300, 200)));
    QCOMPARE(got->dataId, want->dataId);
    QCOMPARE(got->valids, want->valids);
    QCOMPARE(got->values, want->values);
    // Rows done out of rows started, ending with every row of the last run done.
    QVERIFY(!progress.isEmpty());
    for (const QList<QVariant> &report : qAsConst(progress))
        QVERIFY(report.at(0).toInt() >= 0 && report.at(0).toInt() <= report.at(1).toInt());
    QCOMPARE(progress.last(), (QList<QVariant>{200, 200}));
}

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
