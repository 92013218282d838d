// The line each panel shows about what its next run takes, in English and in Japanese, and the
// provenance a result carries as its row's tooltip.

#include "app/body.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "filtertesttools.h"
#include "processing/calcctrl.h"
#include "processing/copyctrl.h"
#include "processing/filterctrl.h"

#include <QTranslator>
#include <QtTest>

#include <memory>

class TestPanelLines : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lines_data();
    void lines();
    void resultTooltips();
    void longIdentifier();

private:
    enum Scene { NoSelection, RegionOnOneOperand, KeptListOfThree, NoTemplate };

    // Row 1 "spots" (with two peaks at (5, 6) and (20, 7)) and row 2 "flat", both 40 x 30.
    void addRows()
    {
        for (const char *id : {"spots", "flat"}) {
            TDData *d = randomGrid(40, 30, 5);
            d->dataId = QLatin1String(id);
            QMetaObject::invokeMethod(body.get(), "calculatedData", Q_ARG(TDData *, d));
        }
        row(0)->data(false)->infos.append(peakList({QPointF(5, 6), QPointF(20, 7)}));
    }
    DataCtrl *row(int i) const { return body->ctrls.dataCtrls.at(i); }
    void build(Scene scene)
    {
        addRows();
        switch (scene) {
        case NoSelection:
            break;
        case RegionOnOneOperand:
            row(0)->imgDisp.setRegion(QRect(QPoint(10, 20), QPoint(29, 28)));
            row(0)->ui.MultiSelA->setChecked(true);
            row(1)->ui.MultiSelB->setChecked(true);
            row(0)->ui.SingleSel1->setChecked(true);
            row(0)->ui.SingleSel2->setChecked(true);
            body->filterCtrl.ui.PMExec1->setChecked(true);
            break;
        case KeptListOfThree:
            for (const QRect &r : {QRect(1, 1, 3, 3), QRect(2, 2, 4, 4), QRect(QPoint(5, 5), QPoint(30, 20))})
                row(0)->imgDisp.insertRegion(0, r);
            row(0)->ui.MultiSelA->setChecked(true);
            row(0)->ui.SingleSel1->setChecked(true);
            row(1)->ui.SingleSel2->setChecked(true);
            break;
        case NoTemplate:
            row(1)->ui.MultiSelB->setChecked(true);
            row(1)->ui.SingleSel1->setChecked(true);
            body->filterCtrl.ui.PMExec2->setChecked(true);
            body->copyCtrl.ui.SimpleCopy->setChecked(true);
            break;
        }
    }

    std::unique_ptr<QTranslator> translator;
    std::unique_ptr<Body> body;
};

void TestPanelLines::init()
{
    qRegisterMetaType<TDData *>();
    body.reset(new Body);
}

void TestPanelLines::cleanup()
{
    body.reset();
    translator.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPanelLines::lines_data()
{
    QTest::addColumn<int>("scene");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QString>("calc");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("copy");
    QTest::newRow("no selection") << int(NoSelection) << false
                                  << "Gen takes nothing yet: mark numerators with A and denominators with B."
                                  << "Runs take nothing yet: select a dataset as S1."
                                  << "Copy takes nothing yet: select S1 (with peaks) and S2.";
    QTest::newRow("region on one operand")
        << int(RegionOnOneOperand) << false
        << "Gen takes I[1] spots, region (10,20)-(29,28) over I[2] flat; result 40 × 30"
        << "Runs take S1 I[1] spots in whole grid 40 × 30. Matching template (10,20)-(29,28), 20 × 9."
        << "Copy takes region (10,20)-(29,28) of S2 I[1] spots around the 2 peaks of S1 I[1] spots; reference peak 0 at (5, 6)";
    QTest::newRow("kept list of three")
        << int(KeptListOfThree) << false << "Gen takes I[1] spots over none; result 40 × 30"
        << "Runs take S1 I[1] spots in kept region 1 of 3: (5,5)-(30,20). Matching cannot run: choose Exec1 or Exec2."
        << "Copy takes region (0,0)-(39,29) of S2 I[2] flat around the 2 peaks of S1 I[1] spots; reference peak 0 at (5, 6)";
    QTest::newRow("no template") << int(NoTemplate) << false << "Gen takes none over I[2] flat; result 40 × 30"
                                 << "Runs take S1 I[2] flat in whole grid 40 × 30. Matching cannot run: S1 has no region for a template."
                                 << "Copy takes nothing: draw a region on S1 I[2] flat.";
    QTest::newRow("no selection ja") << int(NoSelection) << true
                                     << "結果生成の入力はまだありません: 分子を A、分母を B で選んでください。"
                                     << "実行の入力はまだありません: S1 でデータを選んでください。"
                                     << "コピーの入力はまだありません: S1 (ピーク付き) と S2 を選んでください。";
    QTest::newRow("region on one operand ja")
        << int(RegionOnOneOperand) << true << "結果生成の入力: 分子 I[1] spots、領域 (10,20)-(29,28)、分母 I[2] flat、結果 40 × 30"
        << "実行の入力: S1 I[1] spots、範囲 全体 40 × 30。パタンマッチのテンプレート (10,20)-(29,28)、20 × 9。"
        << "コピーの入力: S2 I[1] spots の領域 (10,20)-(29,28) を S1 I[1] spots の 2 個のピークの周りに、基準ピーク 0 (5, 6)";
    QTest::newRow("kept list of three ja")
        << int(KeptListOfThree) << true << "結果生成の入力: 分子 I[1] spots、分母 なし、結果 40 × 30"
        << "実行の入力: S1 I[1] spots、範囲 保存領域 3 個の 1 番目: (5,5)-(30,20)。パタンマッチ不可: Exec1 か Exec2 を選んでください。"
        << "コピーの入力: S2 I[2] flat の領域 (0,0)-(39,29) を S1 I[1] spots の 2 個のピークの周りに、基準ピーク 0 (5, 6)";
    QTest::newRow("no template ja") << int(NoTemplate) << true << "結果生成の入力: 分子 なし、分母 I[2] flat、結果 40 × 30"
                                    << "実行の入力: S1 I[2] flat、範囲 全体 40 × 30。パタンマッチ不可: S1 にテンプレートとなる領域がありません。"
                                    << "コピーの入力がありません: S1 I[2] flat に領域を描いてください。";
}

void TestPanelLines::lines()
{
    QFETCH(int, scene);
    QFETCH(bool, japanese);
    if (japanese) {
        // The embedded catalogue, loaded as the program loads it.
        translator.reset(new QTranslator);
        QVERIFY(translator->load(QStringLiteral(":Quelvo_ja_JP")));
        QVERIFY(QCoreApplication::installTranslator(translator.get()));
    }
    build(Scene(scene));
    QTEST(body->calcCtrl.ui.Inputs->text(), "calc");
    QTEST(body->filterCtrl.ui.Inputs->text(), "filter");
    QTEST(body->copyCtrl.ui.Inputs->text(), "copy");
}

// A result's row names its sources, their regions and the settings; its name stays as it was.
void TestPanelLines::resultTooltips()
{
    build(RegionOnOneOperand);
    body->calcCtrl.ui.Gen->click();
    QTRY_COMPARE(body->ctrls.dataCtrls.size(), 3);
    QCOMPARE(row(2)->data(false)->dataId, QStringLiteral("Cl[log(I[1]/I[2])]"));
    QCOMPARE(row(2)->toolTip(), QStringLiteral("Gen takes I[1] spots, region (10,20)-(29,28) over I[2] flat; result 40 × 30\n"
                                               "Log on, Neg. off"));
    row(0)->imgDisp.insertRegion(0, QRect(QPoint(5, 5), QPoint(30, 20)));
    body->filterCtrl.ui.MovingAvrRegB->click();
    body->filterCtrl.ui.MatchingRegB->click();
    body->filterCtrl.ui.Apply->click();
    QTRY_COMPARE(body->ctrls.dataCtrls.size(), 4);
    QCOMPARE(row(3)->toolTip(),
             QStringLiteral("Runs take S1 I[1] spots in kept region 1 of 1: (5,5)-(30,20). Matching template "
                            "(10,20)-(29,28), 20 × 9.\nFilters: Moving Avr. (12, 12) → Match"));
}

// An identifier of megabytes (a file may carry one) is named shortened wherever it is shown.
void TestPanelLines::longIdentifier()
{
    TDData *d = randomGrid(4, 3, 5);
    d->dataId = QString(4000000, 'x');
    QMetaObject::invokeMethod(body.get(), "calculatedData", Q_ARG(TDData *, d));
    row(0)->ui.SingleSel1->setChecked(true);
    row(0)->ui.MultiSelA->setChecked(true);
    body->copyCtrl.ui.SimpleCopy->setChecked(true);
    const QString shown = d->shownId();
    QCOMPARE(shown.size(), 200);
    QCOMPARE(body->calcCtrl.ui.Inputs->text(), "Gen takes I[1] " + shown + " over none; result 4 × 3");
    QCOMPARE(body->filterCtrl.ui.Inputs->text(), "Runs take S1 I[1] " + shown + " in whole grid 4 × 3. Matching cannot run: "
                                                 "choose Exec1 or Exec2.");
    QCOMPARE(body->copyCtrl.ui.Inputs->text(), "Copy takes nothing: draw a region on S1 I[1] " + shown + ".");
    QCOMPARE(row(0)->imgDisp.windowTitle(), shown);
    QCOMPARE(body->ctrls.imgBase.ui.ImgBaseTab->tabToolTip(0), shown);
    QCOMPARE(row(0)->data(false)->dataId.size(), 4000000);
}

QTEST_MAIN(TestPanelLines)
#include "tst_panellines.moc"
