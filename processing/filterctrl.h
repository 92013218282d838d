#pragma once

#include "processing/runbar.h"
#include "ui_filterctrl.h"

#include <QButtonGroup>
#include <QFrame>
#include <QRect>

class AdaptiveThresholdF;
class DataCtrls;
class Filter;
class FindPeaksF;
class MatchingF;
class MovingAvrF;
class TDData;

// The filter panel: each of the four filters can run once on the S1 dataset with the panel's
// current parameters, or be registered with them in the list Filters, which runs as a chain
// (Apply). Runs use the S1 row's region kept last as work rectangle, or the whole grid. Results
// go out through newFilteredData.
//
// The panel owns the registered filters (one per list entry, released with the entry or with the
// panel); ctrls is the main window's row manager, set by it and never owned. Runs without an S1
// row holding a dataset end silently.
class FilterCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit FilterCtrl(QWidget *parent = nullptr);
    ~FilterCtrl() override;

    Ui_FilterCtrl ui;
    DataCtrls *ctrls = nullptr;
    RunBar runBar;

signals:
    // Why a filter run did nothing, in plain words.
    void notice(const QString &text);
    // A new dataset owned by the receiver, or null when a matching run gave nothing.
    void newFilteredData(TDData *data);

public slots:
    void del();
    void apply();
    void regAdaptiveThresholdF();
    void regMovingAvrF();
    void regMatchingF();
    void regFindPeaksF();
    void execAdaptiveThresholdF();
    void execMovingAvrF();
    void execMatchingF();
    void execFindPeaksF();

private:
    // Filters made from the widgets as they are now; the caller owns them.
    AdaptiveThresholdF *makeAdaptiveThresholdF() const;
    MovingAvrF *makeMovingAvrF() const;
    MatchingF *makeMatchingF() const;
    FindPeaksF *makeFindPeaksF() const;
    void registerFilter(Filter *filter, const QString &text);
    Filter *filterAt(int index) const;
    // Runs filter once (it is released afterwards) and emits the result.
    void execOnce(Filter *filter);
    // Runs the filters (taking them over) on a snapshot of src, as a chain or the first alone,
    // beside the event loop; the result is emitted when it is ready.
    void startRun(const TDData *src, const QRect &rect, const QVector<Filter *> &filters, bool chain);
    // The S1 row's dataset and the work rectangle; null, with a notice, when there is none.
    TDData *source(QRect &rect);

    QButtonGroup measureGroup;
    QButtonGroup execModeGroup;
    QButtonGroup peakKindGroup;
};
