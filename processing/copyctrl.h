#pragma once

#include "processing/copyaroundpeaks.h"
#include "processing/runbar.h"
#include "ui_copyctrl.h"

#include <QButtonGroup>
#include <QFrame>

class DataCtrl;
class DataCtrls;
class TDData;

// The copy panel: cuts the region drawn on the S1 dataset's image out (or copies it in place),
// or copies the S2 dataset's region around every peak of the S1 dataset, one new dataset per
// peak in the chosen save order. New datasets go out through copiedData.
//
// ctrls is the main window's row manager, set by it and never owned. Every failure (no S1 or S2
// row, an empty region, a reference peak that does not exist) ends the copy with nothing emitted
// but a notice saying why. The line Inputs says what the next copy takes; each copy keeps that
// line and the settings as its provenance.
class CopyCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit CopyCtrl(QWidget *parent = nullptr);

    // Sets the row manager (never owned) and keeps Inputs up to date with its rows.
    void setCtrls(DataCtrls *c);

    Ui_CopyCtrl ui;
    DataCtrls *ctrls = nullptr;
    RunBar runBar;

signals:
    // The receiver owns data.
    void copiedData(TDData *data);
    // Why a copy did nothing, in plain words.
    void notice(const QString &text);

public slots:
    void execCopy();
    void simpleCopy();
    void aroundPeaks();
    void show(bool f);
    // Rewrites Inputs from what the checked mode would take now.
    void showInputs();

private:
    // What a simple copy takes: the S1 row, its dataset and the rectangle drawn on its image.
    struct SimpleInputs
    {
        DataCtrl *row = nullptr;
        TDData *src = nullptr;
        QRect rect;
    };
    // What a copy around peaks takes: S1's peaks, S2's dataset and its template rectangle.
    struct PeakInputs
    {
        DataCtrl *row1 = nullptr;
        DataCtrl *row2 = nullptr;
        TDData *s1 = nullptr;
        TDData *s2 = nullptr;
        QVector<QPointF> peaks;
        QRect templ;
    };
    // Datasets are fetched with their regions for a run.
    SimpleInputs simpleInputs(bool withRegions) const;
    PeakInputs peakInputs(bool withRegions) const;
    QString simpleText(const SimpleInputs &in) const;
    QString peaksText(const PeakInputs &in) const;
    SaveOrder saveOrder() const;
    // The rows whose S1 or S2 button is checked, or null.
    DataCtrl *s1Row() const;
    DataCtrl *s2Row() const;

    QButtonGroup modeGroup;
    QButtonGroup orderGroup;
    QButtonGroup horizontalGroup;
    QButtonGroup verticalGroup;
};
