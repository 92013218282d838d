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

bool sameGrid(const TDData0 *a, const TDData0 *b)
{
    return a->values == b->values && a->valids == b->valids;
}

// What a run's result is checked against besides its name.
enum Expected { NameOnly, SourceCopy, MovingAverage, MovingAverageThenThreshold, TemplateCorner, ThreePeaks };

} // namespace

class TestFilterCtrl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hostedInTheMainWindow();
    void nothingRuns();
    void runs_data();
    void runs();
    void topKeptRegionIsTheWorkRectangle();
    void execMatchingWithoutExecModeEmitsNull();
    void delRemovesTheCurrentEntry();

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
    click(body->ui.Filter);
    QVERIFY(panel->isVisible());
    QCOMPARE(body->ui.FilterLayout->indexOf(panel), 0);
    click(body->ui.Filter);
    QVERIFY(!panel->isVisible());
}

void TestFilterCtrl::nothingRuns()
{
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.MovingAvrExecB);
    addRow(*body, randomGrid(5, 5, 1));
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
    QTest::newRow("matching after a moving average") << QStringList{"MovingAvrRegB", "PMExec1", "MatchingRegB", "Apply"}
                                                     << QStringList{ma, "Match"} << "S: MA(12,12)" << int(MovingAverage);
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
    QFETCH(QStringList, list);
    QFETCH(QString, name);
    QFETCH(int, expected);
    DataCtrl *s1 = addS1();
    s1->imgDisp.setRegion(QRect(QPoint(2, 2), QPoint(4, 4)));
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    const DebugCatcher quiet;
    for (const QString &step : steps) {
        const QStringList field = step.split(QLatin1Char('='));
        if (field[0] == QLatin1String("MA")) {
            panel->ui.MAWinS->ui.AreaHW->setText(field[1].section(QLatin1Char(','), 0, 0));
            panel->ui.MAWinS->ui.AreaHH->setText(field[1].section(QLatin1Char(','), 1, 1));
        } else if (field[0] == QLatin1String("R")) {
            panel->ui.FindPeaksExclusionR->setText(field[1]);
        } else if (field[0] == QLatin1String("N")) {
            panel->ui.FindPeaksNum->setText(field[1]);
        } else {
            click(panel->findChild<QAbstractButton *>(step));
        }
    }
    QCOMPARE(entries(*panel), list);
    QCOMPARE(spy.count(), 1);  // intermediate results of a chain are not handed out
    QCOMPARE(body->ctrls.dataCtrls.size(), 2);
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, name);

    const TDData *src = s1->data(false);
    const std::unique_ptr<TDData> mean(MovingAvrF(12, 12).exec(src, QRect()));
    const std::unique_ptr<TDData> at(AdaptiveThresholdF(12, 12).exec(mean.get(), QRect(0, 0, 16, 12)));
    if (expected == SourceCopy || expected == MovingAverage || expected == MovingAverageThenThreshold) {
        const TDData0 *want = expected == SourceCopy ? src : expected == MovingAverage ? mean.get() : at.get();
        QVERIFY(sameGrid(result, want));
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
    QCOMPARE(s1->imgDisp.listedRegion(0), last);

    click(panel->ui.AdaptiveThresholdExecB);
    const TDData *result = lastData(*body);
    QCOMPARE(result->dataId, QStringLiteral("S: AT(12,12)"));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x)
            QCOMPARE(result->isValid(x, y), last.contains(x, y) && s1->data(false)->isValid(x, y));
    }
}

void TestFilterCtrl::execMatchingWithoutExecModeEmitsNull()
{
    addS1();
    QSignalSpy spy(panel, &FilterCtrl::newFilteredData);
    click(panel->ui.MatchingExecB);
    // With Exec1 but no region on the source, matching gives nothing either.
    click(panel->ui.PMExec1);
    click(panel->ui.MatchingExecB);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy[0][0].value<TDData *>(), nullptr);
    QCOMPARE(spy[1][0].value<TDData *>(), nullptr);
    QCOMPARE(body->ctrls.dataCtrls.size(), 1);
}

void TestFilterCtrl::delRemovesTheCurrentEntry()
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
