#include "filterctrl.h"

#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/datactrls.h"
#include "processing/adaptivethresholdf.h"
#include "processing/filterchain.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <memory>

FilterCtrl::FilterCtrl(QWidget *parent)
    : QFrame(parent)
{
    ui.setupUi(this);
    ui.gridLayout->addWidget(&runBar, ui.gridLayout->rowCount(), 0, 1, -1);
    qRegisterMetaType<Filter *>("Filter*");
    measureGroup.addButton(ui.MatchingCosTh);
    measureGroup.addButton(ui.MatchingACosTh);
    execModeGroup.addButton(ui.PMExec1);
    execModeGroup.addButton(ui.PMExec2);
    peakKindGroup.addButton(ui.FindPeaksMax);
    peakKindGroup.addButton(ui.FindPeaksMin);
    ui.FindPeaksMax->setChecked(true);

    connect(ui.Del, &QPushButton::clicked, this, &FilterCtrl::del);
    connect(ui.Apply, &QPushButton::clicked, this, &FilterCtrl::apply);
    connect(ui.AdaptiveThresholdRegB, &QPushButton::clicked, this, &FilterCtrl::regAdaptiveThresholdF);
    connect(ui.MovingAvrRegB, &QPushButton::clicked, this, &FilterCtrl::regMovingAvrF);
    connect(ui.MatchingRegB, &QPushButton::clicked, this, &FilterCtrl::regMatchingF);
    connect(ui.FindPeaksRegB, &QPushButton::clicked, this, &FilterCtrl::regFindPeaksF);
    connect(ui.AdaptiveThresholdExecB, &QPushButton::clicked, this, &FilterCtrl::execAdaptiveThresholdF);
    connect(ui.MovingAvrExecB, &QPushButton::clicked, this, &FilterCtrl::execMovingAvrF);
    connect(ui.MatchingExecB, &QPushButton::clicked, this, &FilterCtrl::execMatchingF);
    connect(ui.FindPeaksExecB, &QPushButton::clicked, this, &FilterCtrl::execFindPeaksF);
}

FilterCtrl::~FilterCtrl()
{
    for (int i = 0; i < ui.Filters->count(); ++i)
        delete filterAt(i);
}

void FilterCtrl::del()
{
    const int index = ui.Filters->currentIndex();
    if (index < 0)
        return;
    Filter *filter = filterAt(index);
    ui.Filters->removeItem(index);
    delete filter;
}

void FilterCtrl::apply()
{
    if (ui.Filters->count() == 0) {
        emit notice(tr("Filter: no filter is registered"));
        return;
    }
    QRect rect;
    const TDData *src = source(rect);
    if (!src)
        return;
    // The run works on copies: entries may be deleted while it goes on.
    QVector<Filter *> filters;
    for (int i = 0; i < ui.Filters->count(); ++i)
        filters.append(FilterChain::copyOf(filterAt(i)));
    startRun(src, rect, filters, true);
}

void FilterCtrl::regAdaptiveThresholdF()
{
    auto *filter = makeAdaptiveThresholdF();
    registerFilter(filter, tr("Addaptive Threshold (%1, %2)").arg(filter->areaHW).arg(filter->areaHH));
}

void FilterCtrl::regMovingAvrF()
{
    auto *filter = makeMovingAvrF();
    registerFilter(filter, tr("Moving Avr. (%1, %2)").arg(filter->areaHW).arg(filter->areaHH));
}

void FilterCtrl::regMatchingF()
{
    registerFilter(makeMatchingF(), tr("Match"));
}

void FilterCtrl::regFindPeaksF()
{
    auto *filter = makeFindPeaksF();
    registerFilter(filter, tr("Find %1 Peaks (%2:%3)")
                               .arg(filter->findMax ? tr("Max") : tr("Min"), QString::number(filter->exclRadius, 'g', 6),
                                    QString::number(filter->peakNum)));
}

void FilterCtrl::execAdaptiveThresholdF()
{
    execOnce(makeAdaptiveThresholdF());
}

void FilterCtrl::execMovingAvrF()
{
    execOnce(makeMovingAvrF());
}

void FilterCtrl::execMatchingF()
{
    // Without a mode the run gives nothing (a null result, as before); the notice says why.
    if (!ui.PMExec1->isChecked() && !ui.PMExec2->isChecked())
        emit notice(tr("Matching: choose Exec1 or Exec2"));
    execOnce(makeMatchingF());
}

void FilterCtrl::execFindPeaksF()
{
    execOnce(makeFindPeaksF());
}

AdaptiveThresholdF *FilterCtrl::makeAdaptiveThresholdF() const
{
    return new AdaptiveThresholdF(ui.ATWinS->halfWidth(), ui.ATWinS->halfHeight());
}

MovingAvrF *FilterCtrl::makeMovingAvrF() const
{
    return new MovingAvrF(ui.MAWinS->halfWidth(), ui.MAWinS->halfHeight());
}

MatchingF *FilterCtrl::makeMatchingF() const
{
    const int measure = ui.MatchingCosTh->isChecked() ? MatchingF::CosTh : ui.MatchingACosTh->isChecked() ? MatchingF::ArcCosTh : 0;
    const int execMode = ui.PMExec1->isChecked() ? MatchingF::Exec1 : ui.PMExec2->isChecked() ? MatchingF::Exec2 : 0;
    return new MatchingF(measure, execMode);
}

FindPeaksF *FilterCtrl::makeFindPeaksF() const
{
    return new FindPeaksF(ui.FindPeaksExclusionR->text().toDouble(), ui.FindPeaksNum->text().toInt(),
                          ui.FindPeaksMax->isChecked());
}

void FilterCtrl::registerFilter(Filter *filter, const QString &text)
{
    ui.Filters->addItem(text, QVariant::fromValue(filter));
}

Filter *FilterCtrl::filterAt(int index) const
{
    return ui.Filters->itemData(index).value<Filter *>();
}

void FilterCtrl::execOnce(Filter *filter)
{
    QRect rect;
    const TDData *src = source(rect);
    if (src)
        startRun(src, rect, {filter}, false);
    else
        delete filter;
}

void FilterCtrl::startRun(const TDData *src, const QRect &rect, const QVector<Filter *> &filters, bool chain)
{
    const std::shared_ptr<const TDData> input(src->snapshot());
    std::shared_ptr<QVector<Filter *>> owned(new QVector<Filter *>(filters), [](QVector<Filter *> *f) {
        qDeleteAll(*f);
        delete f;
    });
    runBar.start(
        [input, owned, rect, chain] {
            TDData *result = chain ? FilterChain::apply(*owned, input.get(), rect)
                                   : FilterChain::run(owned->first(), input.get(), rect);
            return QVector<TDData *>{result};
        },
        [this](TDData *result) { emit newFilteredData(result); });
}

TDData *FilterCtrl::source(QRect &rect)
{
    if (!ctrls)
        return nullptr;
    DataCtrl *row = ctrls->ctrlOf(ctrls->singleSels1Group.checkedButton());
    TDData *src = row ? row->data(true) : nullptr;
    if (!src) {
        emit notice(tr("Filter: no dataset is marked S1"));
        return nullptr;
    }
    // A newly kept region goes to the top of the list, so entry 0 is the one kept last.
    const ImgDisp &disp = row->imgDisp;
    rect = disp.ui.Regions->count() > 0 ? disp.listedRegion(0) : QRect(0, 0, src->width, src->height);
    return src;
}
