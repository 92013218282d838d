#pragma once

#include "processing/framestats.h"
#include "processing/framestatsrun.h"
#include "processing/runbar.h"
#include "ui_analysiswin.h"

#include <QFrame>
#include <QPoint>
#include <QPointer>
#include <QThreadPool>

#include <functional>

class DataCtrl;
class DataCtrls;
class QShowEvent;
class TDData;
class _FileDialog;

// The analysis window: histogram of the current dataset with its colour bar's marks (dragged
// there or set by Full, Auto, Reset and two number fields, which move the bar's marks exactly as
// a drag on the bar), statistics of the whole dataset and of its current region, row and column
// profiles through the crosshair, and PNG and float TIFF export.
//
// The current dataset is the one whose image the mouse last moved over, else the one of the
// current tab. The window follows it live; while hidden it only notes what changed and computes
// nothing. Histogram and statistics are computed when the dataset or its region changes, beside
// the event loop for a large frame (the figures show "..." until they are known), the profiles on
// every crosshair move, the mark lines on every colour bar change. Exports are encoded and written
// beside the event loop too, a long one with its progress and Cancel under the buttons. Top-level,
// no parent; every export says through notice() what it wrote or why it wrote nothing.
class AnalysisWin : public QFrame
{
    Q_OBJECT

public:
    explicit AnalysisWin(DataCtrls *ctrls, QWidget *parent = nullptr);

    // The row whose dataset is shown, null when there is none.
    DataCtrl *currentCtrl() const;
    // Its dataset, null when there is none.
    TDData *currentData() const;
    // Whole-dataset statistics as last computed; empty while they are being computed.
    const FrameStats::Result &wholeStats() const { return whole; }
    // True while the whole-dataset or region figures are being computed.
    bool computing() const { return wholeRun.busy() || regionRun.busy(); }

    Ui_AnalysisWin ui;
    // The figures of the whole dataset (with the histogram) and of its region.
    FrameStatsRun wholeRun;
    FrameStatsRun regionRun;
    // How long a change waits for its figures before it lets them come beside the event loop.
    int statsWaitMs = 100;
    // Exports, one at a time in the order asked for (two to one file end with the later), each
    // delivered as soon as it is over.
    QThreadPool exportPool;
    // A long export: its progress and Cancel, under the export buttons.
    RunBar exportRun;

public slots:
    // Follows c's mouse, colour bar and region from now on.
    void watch(DataCtrl *c);
    void showWindow();
    void refreshAll();
    // Write the current dataset to path beside the event loop; notice() tells how that ended.
    void savePng(const QString &path);
    void exportTiff(const QString &path);

signals:
    // What an export wrote, or why it wrote nothing, in plain words.
    void notice(const QString &text);

protected:
    void showEvent(QShowEvent *e) override;

private slots:
    void pointedAt(DataCtrl *c, int ix, int iy);
    // Computes everything anew when the current row is another than the one last shown.
    void followCurrent();
    void refreshMarks();
    void refreshRegion();
    // Starts the region's figures, or shows there are none.
    void startRegion();
    void dragMark(bool lower, double value);
    void typedMarks();

private:
    // The current dataset's value at colour bar fraction f, and the fraction of a value.
    double valueOf(double f) const;
    double fractionOf(double value) const;
    // Moves the current colour bar's marks to these values and lets the bar redraw (and the
    // dataset render) as after a drag on it.
    void setMarkValues(double lower, double upper);
    void setMarkFractions(double lower, double upper);
    void refreshProfiles();
    void showWhole(const FrameStats::Result *stats, const FrameStats::Histogram &histogram);
    // Figures for a column: stats, "--" without them, "..." while they are computed.
    void fillStats(int column, const FrameStats::Result *stats);
    void fillPending(int column);
    // Runs write (which returns why it wrote nothing, or an empty text) beside the event loop and
    // tells how it ended.
    void startExport(const QString &path, const std::function<QString()> &write);
    // Tells what an export did: wrote path when error is empty, else nothing for that reason.
    void exported(const QString &path, const QString &error);
    // The one dialog for PNG or for TIFF, made on first use.
    _FileDialog *saveDialog(bool png);

    DataCtrls *ctrls;
    QPointer<DataCtrl> hovered;
    // The row the histogram and statistics were computed for.
    QPointer<DataCtrl> computedFor;
    QPoint crosshair{-1, -1};
    FrameStats::Result whole;
    _FileDialog *pngDialog = nullptr;
    _FileDialog *tiffDialog = nullptr;
};
