#pragma once

#include <QPointF>
#include <QString>
#include <QVector>

class TDData;
class TDData0;

// One operand of a ratio: a dataset, and when it is masked, the inclusive top-left and
// bottom-right pixels of the region it is restricted to (its image window's regionRect(), or the
// rectangle given on the command line). A bottom-right pixel left of or above the top-left one
// (an empty region, from a click without dragging) admits no pixel.
struct RatioOperand
{
    const TDData0 *data = nullptr;
    bool masked = false;
    QPointF corner1;
    QPointF corner2;
};

struct RatioOptions
{
    bool log = true;
    bool neg = false;
};

// The calculation panel's arithmetic: sum of the numerators divided by the sum of the
// denominators, pixel by pixel, optionally followed by the natural logarithm and a negation.
class CalcRatio
{
public:
    // A new width x height grid (no region, range including 0) holding at each computable pixel
    // sign * [log](num / den), or sign * [log](num) without denominators. A pixel is computable when
    // every operand has it inside its grid (operands are aligned at their top-left pixel), inside
    // its mask and valid, and the denominator sum is not exactly 0; under log the value must be > 0.
    // A mask admits x with corner1.x <= x <= corner2.x, bounds included, and likewise y.
    // Operands without data are skipped. The caller owns the result; it has an empty dataId.
    static TDData *exec(const QVector<RatioOperand> &numerators, const QVector<RatioOperand> &denominators,
                        int width, int height, const RatioOptions &options);

    // "I[3]+I[5]" for the row numbers 3 and 5; empty for none.
    static QString operandText(const QVector<int> &rowNumbers);

    // "Cl[log(num/den)]" and its variants; the outer format is translated in the context CalcCtrl.
    static QString resultName(const QString &numerators, const QString &denominators, const RatioOptions &options);
};
