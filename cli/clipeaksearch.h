#pragma once

#include "cli/cliargs.h"

#include <QRect>
#include <QString>
#include <QVector>

#include <memory>

class CliContext;
class TDData;

// The peak search of the commands peaks and tiles (--peaks-of): --num, --radius, --min and --rect.
class CliPeakSearch
{
public:
    // The search's options, the rectangle's help naming what is searched.
    static QVector<CliOption> options(const QString &of);

    // Reads and checks the option values; false after reporting a usage error.
    bool read(CliContext &context, const CliArgs &args);
    // The peaks of src's rectangle, as FindPeaksF gives them (the caller owns the result); null,
    // reported, when the rectangle misses the grid.
    std::unique_ptr<TDData> find(CliContext &context, const QString &input, const TDData *src) const;

private:
    int num = 0;
    double radius = 0.0;
    bool maxima = true;
    QRect rect;
    bool rectGiven = false;
};
