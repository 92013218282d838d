#include "processing/filterctrl.h"

#include "app/body.h"
#include "data/datainfo.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "filtertesttools.h"
#include "paneltesttools.h"
#include "processing/adaptivethresholdf.h"
#include "processing/filter.h"
#include "processing/movingavrf.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

QStringList entries(const FilterCtrl &panel)
{
    QStringList texts;
    for (int i = 0; i < panel.ui.Filters->count(); ++i)
        texts << panel.ui.Filters->itemText(i);
    return texts;
}

void setWindow(WinSizeSet *w, const QString &hw, const QString &hh)
{
    w->ui.AreaHW->setText(hw);
    w->ui.AreaHH->setText(hh);
}

void compareGrids(const TDData0 *a, const TDData0 *b)
{
    QCOMPARE(a->width, b->width);
    QCOMPARE(a->height, b->height);
    QCOMPARE(a->valids, b->valids);
    for (int i = 0; i < a->values.size(); ++i) {
        if (a->valids[i])
            QCOMPARE(a->values[i], b->values[i]);
    }
}

} // namespace

class TestFilterCtrl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hostedInTheMainWindow();
    void withoutS1NothingRuns();
    void execRunsOnS1();
    void topKeptRegionIsTheWorkRectangle();
    void registeredParametersAreUsed();
    void applyWithEmptyList();
    void chainNamesNest();
    void matchingWithoutExecModeGivesUnfilteredCopy();
    void matchingAfterMovingAverageIsPassedOver();
    void matchingFirstInTheChain();
    void execMatchingWithoutExecModeEmitsNull();
    void delRemovesTheCurrentEntry();
    void findPeaks();
    void textThatIsNoNumberGivesZero();

private:
    // A 16 x 12 random grid named S as the S1 row.
    DataCtrl *addS1();

    Body *body = nullptr;
    FilterCtrl *panel = nullptr;
};

void TestFilterCtrl::initTestCase()
{
    qRegisterMetaType<TDData *>();
}

void TestFilterCtrl::init()
{
    body = new Body;
    body->show();
    panel = &body->filterCtrl;
}

void TestFilterCtrl::cleanup()
{
    delete body;
    body = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

DataCtrl *TestFilterCtrl::addS1()
{
    TDData *d = randomGrid(16, 12, 77);
    d->dataId = QStringLiteral("S");
    DataCtrl *row = addRow(*body, d);
    click(row->ui.SingleSel1);
    return row;
}

void TestFilterCtrl::hostedInTheMainWindow()
{
    QVERIFY(!panel->isVisible());
    click(body->ui.Filter);
    QVERIFY(panel->isVisible());
    QCOMPARE(body->ui.FilterLayout->indexOf(panel), 0);
    click(body->ui.Filter);
    QVERIFY(!panel->isVisible());

    QCOMPARE(panel->ui.ATWinS->halfWidth(), 12);
    QCOMPARE(panel->ui.MAWinS->halfHeight(), 12);
    QVERIFY(panel->ui.MatchingCosTh->isChecked());
    QVERIFY(!panel->ui.PMExec1->isChecked() && !panel->ui.PMExec2->isChecked());
    QVERIFY(panel->ui.FindPeaksMax->isChecked());
    // The pairs are exclusive only among themselves.
    click(panel->ui.PMExec2);
    click(panel->ui.MatchingACosTh);
    click(panel->ui.FindPeaksMin);
    QVERIFY(panel->ui.PMExec2->isChecked());
    QVERIFY(panel->ui.MatchingACosTh->isChecked() && !panel->ui.MatchingCosTh->isChecked());
    QVERIFY(!panel->ui.FindPeaksMax->isChecked());
}

void TestFilterCtrl::withoutS1NothingRuns()
{
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.MovingAvrExecB);
    addRow(*body, randomGrid(5, 5, 1));
    click(panel->ui.MovingAvrRegB);
    for (QAbstractButton *b : {panel->ui.AdaptiveThresholdExecB, panel->ui.MovingAvrExecB, panel->ui.MatchingExecB,
                               panel->ui.FindPeaksExecB, panel->ui.Apply})
        click(b);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(body->ctrls.dataCtrls.size(), 1);
}

void TestFilterCtrl::execRunsOnS1()
{
    addRow(*body, randomGrid(16, 12, 5));
    DataCtrl *s1 = addS1();
    click(panel->ui.MovingAvrExecB);
    QCOMPARE(body->ctrls.dataCtrls.size(), 3);
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S: MA(12,12)"));
    const MovingAvrF reference(12, 12);
    const std::unique_ptr<TDData> expected(reference.exec(s1->data(false), QRect()));
    compareGrids(result, expected.get());
}

void TestFilterCtrl::topKeptRegionIsTheWorkRectangle()
{
    DataCtrl *s1 = addS1();
    // Without kept regions the whole grid is worked on.
    click(panel->ui.AdaptiveThresholdExecB);
    const TDData *whole = lastData(*body);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x)
            QCOMPARE(whole->isValid(x, y), s1->data(false)->isValid(x, y));
    }

    const QRect first(QPoint(1, 1), QPoint(4, 3));
    const QRect last(QPoint(6, 2), QPoint(12, 9));
    s1->imgDisp.setRegion(first);
    click(s1->imgDisp.ui.SetARegion);
    s1->imgDisp.setRegion(last);
    click(s1->imgDisp.ui.SetARegion);
    // The current region is a third one; only the region kept last counts.
    s1->imgDisp.setRegion(QRect(QPoint(0, 0), QPoint(2, 2)));
    QCOMPARE(s1->imgDisp.listedRegion(0), last);

    click(panel->ui.AdaptiveThresholdExecB);
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S: AT(12,12)"));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x)
            QCOMPARE(result->isValid(x, y), last.contains(x, y) && s1->data(false)->isValid(x, y));
    }
}

void TestFilterCtrl::registeredParametersAreUsed()
{
    addS1();
    setWindow(panel->ui.MAWinS, "3", "4");
    click(panel->ui.MovingAvrRegB);
    setWindow(panel->ui.MAWinS, "5", "6");
    QCOMPARE(entries(*panel), QStringList{"Moving Avr. (3, 4)"});
    click(panel->ui.Apply);
    QCOMPARE(lastData(*body)->dataId, QStringLiteral("S: MA(3,4)"));
}

void TestFilterCtrl::applyWithEmptyList()
{
    addS1();
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.Apply);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(body->ctrls.dataCtrls.size(), 1);
}

void TestFilterCtrl::chainNamesNest()
{
    DataCtrl *s1 = addS1();
    click(panel->ui.MovingAvrRegB);
    click(panel->ui.AdaptiveThresholdRegB);
    QCOMPARE(entries(*panel), (QStringList{"Moving Avr. (12, 12)", "Addaptive Threshold (12, 12)"}));
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.Apply);
    QCOMPARE(spy.count(), 1); // intermediate results are not handed out
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S: MA(12,12): AT(12,12)"));

    const std::unique_ptr<TDData> mean(MovingAvrF(12, 12).exec(s1->data(false), QRect()));
    const std::unique_ptr<TDData> expected(AdaptiveThresholdF(12, 12).exec(mean.get(), QRect(0, 0, 16, 12)));
    compareGrids(result, expected.get());
}

void TestFilterCtrl::matchingWithoutExecModeGivesUnfilteredCopy()
{
    DataCtrl *s1 = addS1();
    click(panel->ui.MatchingRegB);
    QCOMPARE(entries(*panel), QStringList{"Match"});
    click(panel->ui.Apply);
    QCOMPARE(body->ctrls.dataCtrls.size(), 2);
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S"));
    QCOMPARE(result->values, s1->data(false)->values);
    QCOMPARE(result->valids, s1->data(false)->valids);
    QCOMPARE(result->region, QRect(0, 0, 16, 12));
}

void TestFilterCtrl::matchingAfterMovingAverageIsPassedOver()
{
    DataCtrl *s1 = addS1();
    s1->imgDisp.setRegion(QRect(QPoint(2, 2), QPoint(4, 4)));
    click(panel->ui.MovingAvrRegB);
    click(panel->ui.PMExec1);
    click(panel->ui.MatchingRegB);
    click(panel->ui.Apply);
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S: MA(12,12)"));
    const std::unique_ptr<TDData> expected(MovingAvrF(12, 12).exec(s1->data(false), QRect()));
    compareGrids(result, expected.get());
}

void TestFilterCtrl::matchingFirstInTheChain()
{
    DataCtrl *s1 = addS1();
    s1->imgDisp.setRegion(QRect(QPoint(2, 2), QPoint(4, 4)));
    click(panel->ui.PMExec2);
    click(panel->ui.MatchingRegB);
    {
        const DebugCatcher progress;
        click(panel->ui.Apply);
        QVERIFY(!progress.lines().filter(QRegularExpression("^exec2 \\d+$")).isEmpty());
    }
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S: PM"));
    // At the template's own corner the window is the template.
    QCOMPARE(result->value(2, 2), 1.0);
}

void TestFilterCtrl::execMatchingWithoutExecModeEmitsNull()
{
    addS1();
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.MatchingExecB);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy[0][0].value<TDData *>(), nullptr);
    QCOMPARE(body->ctrls.dataCtrls.size(), 1);

    // With Exec1 but no region on the source, matching gives nothing either.
    click(panel->ui.PMExec1);
    click(panel->ui.MatchingExecB);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy[1][0].value<TDData *>(), nullptr);
}

void TestFilterCtrl::delRemovesTheCurrentEntry()
{
    click(panel->ui.Del); // empty list: nothing happens
    click(panel->ui.MovingAvrRegB);
    click(panel->ui.AdaptiveThresholdRegB);
    click(panel->ui.MatchingRegB);
    panel->ui.Filters->setCurrentIndex(1);
    const QPointer<Filter> removed = panel->ui.Filters->itemData(1).value<Filter *>();
    QVERIFY(removed);
    click(panel->ui.Del);
    QCOMPARE(entries(*panel), (QStringList{"Moving Avr. (12, 12)", "Match"}));
    QVERIFY(!removed); // released with its entry
    click(panel->ui.Del);
    click(panel->ui.Del);
    click(panel->ui.Del);
    QCOMPARE(panel->ui.Filters->count(), 0);
}

void TestFilterCtrl::findPeaks()
{
    addS1();
    click(panel->ui.FindPeaksRegB);
    panel->ui.FindPeaksExclusionR->setText("2.5");
    panel->ui.FindPeaksNum->setText("3");
    click(panel->ui.FindPeaksMin);
    click(panel->ui.FindPeaksRegB);
    QCOMPARE(entries(*panel), (QStringList{"Find Max Peaks (100:10)", "Find Min Peaks (2.5:3)"}));

    click(panel->ui.FindPeaksExecB);
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S: PKs(-)"));
    const DataInfo *peaks = result->infos.last();
    QCOMPARE(peaks->kind, int(DataInfo::PeakList));
    QCOMPARE(peaks->points.size(), 3);
}

void TestFilterCtrl::textThatIsNoNumberGivesZero()
{
    addS1();
    setWindow(panel->ui.MAWinS, "abc", "");
    click(panel->ui.MovingAvrExecB);
    QCOMPARE(lastData(*body)->dataId, QStringLiteral("S: MA(0,0)"));
    panel->ui.FindPeaksNum->setText("ten");
    click(panel->ui.FindPeaksRegB);
    QCOMPARE(entries(*panel).last(), QStringLiteral("Find Max Peaks (100:0)"));
}

QTEST_MAIN(TestFilterCtrl)
#include "tst_filterctrl.moc"
