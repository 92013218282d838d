#pragma once

#include "processing/filter.h"

#include <QVector>

class TDData;

// Pattern matching against the source's own region (the template). At every window position the
// window of the template's size, reaching right and down from the position, is compared with the
// template as two vectors over the pixel pairs that are both inside the grid and valid: cos θ
// (measure CosTh or 0) or 1 - θ/π (ArcCosTh). Values are not shifted by their mean.
class MatchingF : public Filter
{
    Q_OBJECT

public:
    enum Measure { CosTh = 1, ArcCosTh = 2 };
    enum ExecMode { Exec1 = 1, Exec2 = 2 };

    MatchingF(int measure, int execMode);

    // Evaluates the window positions of the work rectangle that lie inside the grid; positions
    // without energy in window or template stay invalid. The result is named "<source>: PM", has no
    // region and carries the source's info items; the caller owns it. Returns null when the source
    // has no region. Only the part of the template that can meet the grid is used, so memory
    // follows the grid, however large the region. Writes "iy" and the row per row, and "exec1"
    // and the elapsed milliseconds at the end, to the debug stream.
    TDData *exec1(const TDData *src, const QRect &rect) const;
    // Same result as exec1, with the template first copied into patValues/patValids (kept until
    // the next run): the part of it that can meet the grid, row by row. Writes "M" per row and
    // "exec2" at the end.
    TDData *exec2(const TDData *src, const QRect &rect);

    QVector<double> patValues;
    QVector<bool> patValids;
    int measure;
    int execMode;
};
