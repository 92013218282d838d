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
    connect(&runBar, &RunBar::notice, this, &FilterCtrl::notice);
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
    // Whether matching can run depends on the chosen variant.
    connect(&execModeGroup, qOverload<QAbstractButton *, bool>(&QButtonGroup::buttonToggled), this, &FilterCtrl::showInputs);
}

void FilterCtrl::setCtrls(DataCtrls *c)
{
    ctrls = c;
    connect(c, &DataCtrls::inputsChanged, this, &FilterCtrl::showInputs);
    showInputs();
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
    const Source src = runSource();
    if (!src.data)
        return;
    // The run works on copies: entries may be deleted while it goes on.
    QVector<Filter *> filters;
    for (int i = 0; i < ui.Filters->count(); ++i)
        filters.append(FilterChain::copyOf(filterAt(i)));
    startRun(src, filters, true);
}

void FilterCtrl::regAdaptiveThresholdF()
{
    registerFilter(makeAdaptiveThresholdF());
}

void FilterCtrl::regMovingAvrF()
{
    registerFilter(makeMovingAvrF());
}

void FilterCtrl::regMatchingF()
{
    registerFilter(makeMatchingF());
}

void FilterCtrl::regFindPeaksF()
{
    registerFilter(makeFindPeaksF());
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

void FilterCtrl::registerFilter(Filter *filter)
{
    ui.Filters->addItem(entryText(filter), QVariant::fromValue(filter));
}

QString FilterCtrl::entryText(const Filter *filter) const
{
    switch (filter->type) {
    case Filter::AdaptiveThreshold: {
        const auto *f = static_cast<const FilterWArea *>(filter);
        return tr("Addaptive Threshold (%1, %2)").arg(f->areaHW).arg(f->areaHH);
    }
    case Filter::MovingAvr: {
        const auto *f = static_cast<const FilterWArea *>(filter);
        return tr("Moving Avr. (%1, %2)").arg(f->areaHW).arg(f->areaHH);
    }
    case Filter::Matching:
        return tr("Match");
    case Filter::FindPeaks: {
        const auto *f = static_cast<const FindPeaksF *>(filter);
        return tr("Find %1 Peaks (%2:%3)")
            .arg(f->findMax ? tr("Max") : tr("Min"), QString::number(f->exclRadius, 'g', 6), QString::number(f->peakNum));
    }
    }
    return QString();
}

Filter *FilterCtrl::filterAt(int index) const
{
    return ui.Filters->itemData(index).value<Filter *>();
}

FilterCtrl::Source FilterCtrl::runSource()
{
    const Source src = source(true);
    if (!src.data)
        emit notice(tr("Filter: no dataset is marked S1"));
    return src;
}

void FilterCtrl::execOnce(Filter *filter)
{
    const Source src = runSource();
    if (src.data)
        startRun(src, {filter}, false);
    else
        delete filter;
}

void FilterCtrl::startRun(const Source &src, const QVector<Filter *> &filters, bool chain)
{
    QStringList steps;
    for (const Filter *f : filters)
        steps << entryText(f);
    const QString provenance = tr("%1\nFilters: %2").arg(inputsText(src), steps.join(QStringLiteral(" → ")));
    const std::shared_ptr<const TDData> input(src.data->snapshot());
    std::shared_ptr<QVector<Filter *>> owned(new QVector<Filter *>(filters), [](QVector<Filter *> *f) {
        qDeleteAll(*f);
        delete f;
    });
    const QRect rect = src.rect;
    runBar.start(
        [input, owned, rect, chain] {
            return RunBar::single(std::unique_ptr<TDData>(chain ? FilterChain::apply(*owned, input.get(), rect)
                                                                : FilterChain::run(owned->first(), input.get(), rect)));
        },
        [this, provenance](TDData *result) {
            if (result)
                result->provenance = provenance;
            emit newFilteredData(result);
        });
}

void FilterCtrl::showInputs()
{
    ui.Inputs->setText(inputsText(source(false)));
}

FilterCtrl::Source FilterCtrl::source(bool withRegions) const
{
    Source src;
    src.row = ctrls ? ctrls->ctrlOf(ctrls->singleSels1Group.checkedButton()) : nullptr;
    src.data = src.row ? src.row->data(withRegions) : nullptr;
    if (!src.data)
        return src;
    // A newly kept region goes to the top of the list, so entry 0 is the one kept last.
    const ImgDisp &disp = src.row->imgDisp;
    src.kept = disp.ui.Regions->count();
    src.rect = src.kept > 0 ? disp.listedRegion(0) : QRect(0, 0, src.data->width, src.data->height);
    return src;
}

QString FilterCtrl::inputsText(const Source &src) const
{
    if (!src.data)
        return tr("Runs take nothing yet: select a dataset as S1.");
    const QString where = src.kept > 0
                              ? tr("kept region 1 of %1: %2").arg(src.kept).arg(ImgDisp::regionText(src.rect))
                              : tr("whole grid %1 × %2").arg(src.data->width).arg(src.data->height);
    const std::unique_ptr<MatchingF> matching(makeMatchingF());
    QString templ;
    // In the order in which a run gives up.
    if (matching->execMode == 0)
        templ = tr("Matching cannot run: choose Exec1 or Exec2.");
    else if (!src.data->regionSet)
        templ = tr("Matching cannot run: S1 has no region for a template.");
    else
        templ = tr("Matching template %1, %2 × %3.")
                    .arg(ImgDisp::regionText(src.data->region))
                    .arg(src.data->region.width())
                    .arg(src.data->region.height());
    return tr("Runs take S1 %1 in %2. %3").arg(src.row->inputName(), where, templ);
}
