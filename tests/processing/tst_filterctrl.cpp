// The filter panel driven by clicks: parameters read from its fields, single runs and chains.

#include "processing/filterctrl.h"

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

// What a run's result is checked against besides its name.
enum Expected { NameOnly, SourceCopy, MovingAverage, MovingAverageThenThreshold, TemplateCorner, ThreePeaks };

} // namespace

class TestFilterCtrl : public QObject, PanelFixture
{
    Q_OBJECT

private slots:
    void init()
    {
        open();
        panel = &body->filterCtrl;
    }
    void cleanup() { close(); }
    void toggledFromTheMainWindow() { checkToggles(body->ui.Filter, panel); }
    void nothingRuns();
    void runs_data();
    void runs();
    void topKeptRegionIsTheWorkRectangle();
    void matchingWithoutExecModeOrRegionEmitsNull();
    void delReleasesTheCurrentEntry();

private:
    // A 16 x 12 random grid named S as the S1 row.
    DataCtrl *addS1()
    {
        TDData *d = randomGrid(16, 12, 77);
        d->dataId = QStringLiteral("S");
        DataCtrl *r = addRow(d);
        click(r->ui.SingleSel1);
        return r;
    }

    FilterCtrl *panel = nullptr;
};

void TestFilterCtrl::nothingRuns()
{
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.MovingAvrExecB);
    addRow(randomGrid(5, 5, 1));
    click(panel->ui.MovingAvrRegB);
    // Without S1 no button runs anything.
    for (QAbstractButton *b : {panel->ui.AdaptiveThresholdExecB, panel->ui.MovingAvrExecB, panel->ui.MatchingExecB,
                               panel->ui.FindPeaksExecB, panel->ui.Apply})
        click(b);
    // With S1, Apply on an empty list does nothing either.
    click(panel->ui.Del);
    addS1();
    click(panel->ui.Apply);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(body->ctrls.dataCtrls.size(), 2);
}

void TestFilterCtrl::runs_data()
{
    // Steps are button names, or "MA=hw,hh", "R=radius", "N=count" for the edit fields.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("expected");
    const QString ma = QStringLiteral("Moving Avr. (12, 12)");
    QTest::newRow("exec on S1") << QStringList{"MovingAvrExecB"} << QStringList() << "S: MA(12,12)"
                                << int(MovingAverage);
    QTest::newRow("registered parameters") << QStringList{"MA=3,4", "MovingAvrRegB", "MA=5,6", "Apply"}
                                           << QStringList{"Moving Avr. (3, 4)"} << "S: MA(3,4)" << int(NameOnly);
    QTest::newRow("chain") << QStringList{"MovingAvrRegB", "AdaptiveThresholdRegB", "Apply"}
                           << QStringList{ma, "Addaptive Threshold (12, 12)"} << "S: MA(12,12): AT(12,12)"
                           << int(MovingAverageThenThreshold);
    QTest::newRow("matching without exec mode") << QStringList{"MatchingRegB", "Apply"} << QStringList{"Match"}
                                                << "S" << int(SourceCopy);
    QTest::newRow("matching after a moving average")
        << QStringList{"MovingAvrRegB", "PMExec1", "MatchingRegB", "Apply"} << QStringList{ma, "Match"}
        << "S: MA(12,12)" << int(MovingAverage);
    QTest::newRow("matching first") << QStringList{"PMExec2", "MatchingRegB", "Apply"} << QStringList{"Match"}
                                    << "S: PM" << int(TemplateCorner);
    QTest::newRow("find peaks") << QStringList{"FindPeaksRegB", "R=2.5", "N=3", "FindPeaksMin", "FindPeaksRegB",
                                               "FindPeaksExecB"}
                                << QStringList{"Find Max Peaks (100:10)", "Find Min Peaks (2.5:3)"} << "S: PKs(-)"
                                << int(ThreePeaks);
    QTest::newRow("text that is no number") << QStringList{"MA=abc,", "N=ten", "FindPeaksRegB", "MovingAvrExecB"}
                                            << QStringList{"Find Max Peaks (100:0)"} << "S: MA(0,0)" << int(NameOnly);
}

void TestFilterCtrl::runs()
{
    QFETCH(QStringList, steps);
    QFETCH(int, expected);
    DataCtrl *s1 = addS1();
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
    const TDData *result = lastData();
    QTEST(result->dataId, "name");

    const TDData *src = s1->data(false);
    const std::unique_ptr<TDData> mean(MovingAvrF(12, 12).exec(src, QRect()));
    const std::unique_ptr<TDData> at(AdaptiveThresholdF(12, 12).exec(mean.get(), QRect(0, 0, 16, 12)));
    const TDData0 *want = expected == SourceCopy      ? src
                          : expected == MovingAverage ? mean.get()
                          : expected == MovingAverageThenThreshold ? at.get() : nullptr;
    if (want) {
        QCOMPARE(result->values, want->values);
        QCOMPARE(result->valids, want->valids);
    } else if (expected == TemplateCorner) {
        QCOMPARE(result->value(2, 2), 1.0);  // at the template's own corner the window is the template
    } else if (expected == ThreePeaks) {
        QCOMPARE(result->infos.last()->kind, int(DataInfo::PeakList));
        QCOMPARE(result->infos.last()->points.size(), 3);
    }
}

void TestFilterCtrl::topKeptRegionIsTheWorkRectangle()
{
    DataCtrl *s1 = addS1();
    const QRect last(QPoint(6, 2), QPoint(12, 9));
    for (const QRect &r : {QRect(QPoint(1, 1), QPoint(4, 3)), last}) {
        s1->imgDisp.setRegion(r);
        click(s1->imgDisp.ui.SetARegion);
    }
    // The current region is a third one; only the region kept last counts.
    s1->imgDisp.setRegion(QRect(QPoint(0, 0), QPoint(2, 2)));
    click(panel->ui.AdaptiveThresholdExecB);
    QCOMPARE(lastData()->dataId, QStringLiteral("S: AT(12,12)"));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x)
            QCOMPARE(lastData()->isValid(x, y), last.contains(x, y) && s1->data(false)->isValid(x, y));
    }
}

void TestFilterCtrl::matchingWithoutExecModeOrRegionEmitsNull()
{
    addS1();
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.MatchingExecB);
    click(panel->ui.PMExec1);
    click(panel->ui.MatchingExecB);  // Exec1, but the source has no region
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy[0][0].value<TDData *>(), nullptr);
    QCOMPARE(spy[1][0].value<TDData *>(), nullptr);
    QCOMPARE(body->ctrls.dataCtrls.size(), 1);
}

void TestFilterCtrl::delReleasesTheCurrentEntry()
{
    click(panel->ui.Del);  // empty list: nothing happens
    for (QAbstractButton *b : {panel->ui.MovingAvrRegB, panel->ui.AdaptiveThresholdRegB, panel->ui.MatchingRegB})
        click(b);
    panel->ui.Filters->setCurrentIndex(1);
    const QPointer<Filter> removed = panel->ui.Filters->itemData(1).value<Filter *>();
    QVERIFY(removed);
    click(panel->ui.Del);
    QCOMPARE(entries(*panel), (QStringList{"Moving Avr. (12, 12)", "Match"}));
    QVERIFY(!removed);  // released with its entry
    for (int i = 0; i < 3; ++i)
        click(panel->ui.Del);
    QCOMPARE(panel->ui.Filters->count(), 0);
}

QTEST_MAIN(TestFilterCtrl)
#include "tst_filterctrl.moc"
