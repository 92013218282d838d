#include "clipeaksearch.h"

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "data/tddata.h"
#include "processing/findpeaksf.h"

#include <cmath>

QVector<CliOption> CliPeakSearch::options(const QString &of)
{
    return {cliOption(QStringLiteral("num"), QChar(), CliOption::One, QStringLiteral("N"), QStringLiteral("number of peaks to find")),
            cliOption(QStringLiteral("radius"), QChar(), CliOption::One, QStringLiteral("R"),
                      QStringLiteral("exclusion radius in pixels around every peak found")),
            cliOption(QStringLiteral("min"), QChar(), CliOption::Flag, QString(), QStringLiteral("find minima instead of maxima")),
            cliOption(QStringLiteral("rect"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"),
                      QStringLiteral("rectangle searched in %1 (default: the whole grid)").arg(of))};
}

bool CliPeakSearch::read(CliContext &context, const CliArgs &args)
{
    maxima = !args.isSet(QStringLiteral("min"));
    return context.intOption(args, QStringLiteral("num"), 1, 100000, &num) && context.doubleOption(args, QStringLiteral("radius"), &radius)
        && context.rectOption(args, QStringLiteral("rect"), &rect, &rectGiven);
}

std::unique_ptr<TDData> CliPeakSearch::find(CliContext &context, const QString &input, const TDData *src) const
{
    QRect work;
    if (!context.rectFor(input, *src, rectGiven, rect, &work))
        return nullptr;
    return std::unique_ptr<TDData>(FindPeaksF(std::abs(radius), num, maxima).exec(src, work));
}
