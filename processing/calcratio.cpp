#include "calcratio.h"

#include "data/parallelrows.h"
#include "data/tddata.h"

#include <QCoreApplication>

#include <cmath>
#include <memory>

namespace {

bool insideMask(const RatioOperand &op, int x, int y)
{
    return !op.masked || (op.corner1.x() <= x && x <= op.corner2.x() && op.corner1.y() <= y && y <= op.corner2.y());
}

// Adds the operands' values at (x, y) in their order; clears valid when one cannot contribute.
double sumAt(const QVector<RatioOperand> &operands, int x, int y, bool &valid)
{
    double sum = 0.0;
    for (const RatioOperand &op : operands) {
        const TDData0 *d = op.data;
        if (!d)
            continue;
        if (insideMask(op, x, y) && x < d->width && y < d->height && d->isValid(x, y))
            sum += d->value(x, y);
        else
            valid = false;
    }
    return sum;
}

} // namespace

TDData *CalcRatio::exec(const QVector<RatioOperand> &numerators, const QVector<RatioOperand> &denominators,
                        int width, int height, const RatioOptions &options)
{
    // Owned here until returned: a run that throws (out of memory, say) must not leak the grid.
    std::unique_ptr<TDData> result(new TDData(width, height));
    const double sign = options.neg ? -1.0 : 1.0;
    const bool ratio = !denominators.isEmpty();
    ParallelRows::Extremes extremes(0, result->height);
    double *values = result->values.data();
    bool *valids = result->valids.data();
    // In chunks of rows, so that a long run reports its progress and can be cancelled.
    ParallelRows::run(0, result->height, 32, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            for (int x = 0; x < result->width; ++x) {
                bool valid = true;
                double value = sumAt(numerators, x, y, valid);
                if (ratio) {
                    const double den = sumAt(denominators, x, y, valid);
                    if (den == 0.0)
                        continue;
                    value /= den;
                }
                if (!valid)
                    continue;
                if (options.log) {
                    // NaN passes this test on purpose and stays NaN.
                    if (value <= 0.0)
                        continue;
                    value = std::log(value);
                }
                const int i = result->index(x, y);
                values[i] = sign * value;
                valids[i] = true;
                extremes.widen(y, sign * value);
            }
        }
    });
    extremes.foldInto(result.get(), 0, result->height);
    return result.release();
}

QString CalcRatio::operandText(const QVector<int> &rowNumbers)
{
    QString text;
    for (int n : rowNumbers)
        text += (text.isEmpty() ? QStringLiteral("I[%1]") : QStringLiteral("+I[%1]")).arg(n);
    return text;
}

QString CalcRatio::resultName(const QString &numerators, const QString &denominators, const RatioOptions &options)
{
    // One multi-argument arg() so that a typed "%1" in an operand text is not substituted again.
    QString name = QStringLiteral("%1/%2").arg(numerators, denominators);
    if (options.log)
        name = QStringLiteral("log(%1)").arg(name);
    if (options.neg)
        name.prepend(QLatin1Char('-'));
    return QCoreApplication::translate("CalcCtrl", "Cl[%1]").arg(name);
}
