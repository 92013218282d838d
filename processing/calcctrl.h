#pragma once

#include "processing/calcratio.h"
#include "processing/runbar.h"
#include "ui_calcctrl.h"

#include <QFrame>
#include <QVector>

class DataCtrl;
class DataCtrls;
class TDData;

// The calculation panel: from the rows marked A (numerators) and B (denominators) it makes the
// ratio of their sums, optionally with logarithm and negation, and hands it out through
// newDataGenerated. It shows the operands as texts built from the row numbers. It owns no
// datasets; it reads them through the rows of ctrls (set by the main window, never owned).
// Selection vectors may be stale after rows came or went: entries without a row are ignored.
// The line Inputs says what Gen takes now; each result keeps that line and the settings as its
// provenance.
class CalcCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit CalcCtrl(QWidget *parent = nullptr);

    // Sets the row manager (never owned) and keeps Inputs up to date with its rows.
    void setCtrls(DataCtrls *c);

    Ui_CalcCtrl ui;
    DataCtrls *ctrls = nullptr;
    RunBar runBar;
    // As last published by ctrls.
    QVector<bool> selsS1;
    QVector<bool> selsS2;
    QVector<bool> selsA;
    QVector<bool> selsB;

signals:
    // Why a calculation did nothing, in plain words.
    void notice(const QString &text);
    // The receiver owns data.
    void newDataGenerated(TDData *data);

public slots:
    // Makes the ratio of the A rows over the B rows, sized after the first selected row; does
    // nothing without a selected row that holds a dataset.
    void calc();
    // Stores the vectors and rewrites Numerators and Denominators ("I[3]+I[5]").
    void selsChanged(QVector<bool> selsS1, QVector<bool> selsS2, QVector<bool> selsA, QVector<bool> selsB);
    void show(bool f);
    // Rewrites Inputs from the rows Gen would take now.
    void showInputs();

private:
    // A row Gen takes, with its dataset (fetched with its regions for a run).
    struct Operand
    {
        DataCtrl *row;
        TDData *data;
        bool numerator;
        bool denominator;
    };
    // The marked rows that hold a dataset, in list order.
    QVector<Operand> operands(bool withRegions) const;
    QString inputsText(const QVector<Operand> &ops) const;
    QString operandText(const QVector<bool> &sels) const;
    RatioOptions options() const;
};
