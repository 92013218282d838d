#pragma once

#include "processing/runbar.h"
#include "ui_filterctrl.h"

#include <QButtonGroup>
#include <QFrame>
#include <QRect>

class AdaptiveThresholdF;
class DataCtrl;
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
// row holding a dataset end silently. The line Inputs says what the next run takes; each result
// keeps that line and the filters that made it as its provenance.
class FilterCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit FilterCtrl(QWidget *parent = nullptr);
    ~FilterCtrl() override;

    // Sets the row manager (never owned) and keeps Inputs up to date with its rows.
    void setCtrls(DataCtrls *c);

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
    // Rewrites Inputs from the S1 row and work rectangle a run would take now.
    void showInputs();

private:
    // The S1 row, its dataset (fetched with its regions for a run) and the work rectangle: the
    // region kept last (the top of the kept list, of kept entries) or the whole grid.
    struct Source
    {
        DataCtrl *row = nullptr;
        TDData *data = nullptr;
        QRect rect;
        int kept = 0;
    };
    Source source(bool withRegions) const;
    QString inputsText(const Source &src) const;
    // The list entry text of filter, as registering shows it.
    QString entryText(const Filter *filter) const;
    // Filters made from the widgets as they are now; the caller owns them.
    AdaptiveThresholdF *makeAdaptiveThresholdF() const;
    MovingAvrF *makeMovingAvrF() const;
    MatchingF *makeMatchingF() const;
    FindPeaksF *makeFindPeaksF() const;
    void registerFilter(Filter *filter);
    Filter *filterAt(int index) const;
    // Runs filter once (it is released afterwards) and emits the result.
    void execOnce(Filter *filter);
    // Runs the filters (taking them over) on a snapshot of the source, as a chain or the first
    // alone, beside the event loop; the result is emitted when it is ready.
    void startRun(const Source &src, const QVector<Filter *> &filters, bool chain);
    // The source for a run; a notice says so when there is none.
    Source runSource();

    QButtonGroup measureGroup;
    QButtonGroup execModeGroup;
    QButtonGroup peakKindGroup;
};
