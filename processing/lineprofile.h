#pragma once

#include <QVector>

class TDData0;

// One row or one column of a dataset as a profile: the value and the valid flag of every pixel
// along it, index 0 at the left or top. Widget-free; the caller owns the result.
class LineProfile
{
public:
    struct Result
    {
        QVector<double> values;
        QVector<bool> valid;  // the pixel's flag; the value is meaningless where it is clear
    };

    // Row y (all columns) of d; empty when y lies outside the grid.
    static Result row(const TDData0 &d, int y);
    // Column x (all rows) of d; empty when x lies outside the grid.
    static Result column(const TDData0 &d, int x);
};
