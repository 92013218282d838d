// The commands that run one of the filters on every input: ma, at, match and peaks.

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "cli/clipeaksearch.h"
#include "cli/peakcsv.h"
#include "data/datainfo.h"
#include "data/tddata.h"
#include "processing/adaptivethresholdf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <QFile>

namespace {

int movingAverage(CliContext &context, const CliArgs &args)
{
    int hw = 0;
    int hh = 0;
    if (!context.halfOption(args, &hw, &hh))
        return CliContext::Usage;
    const MovingAvrF filter(hw, hh);
    return context.eachResult(args, [&](const QString &, TDData *src) {
        return std::unique_ptr<TDData>(filter.exec(src, QRect(0, 0, src->width, src->height)));
    });
}

int adaptiveThreshold(CliContext &context, const CliArgs &args)
{
    int hw = 0;
    int hh = 0;
    QRect rect;
    bool rectGiven = false;
    if (!context.halfOption(args, &hw, &hh) || !context.rectOption(args, QStringLiteral("rect"), &rect, &rectGiven))
        return CliContext::Usage;
    const AdaptiveThresholdF filter(hw, hh);
    return context.eachResult(args, [&](const QString &input, TDData *src) {
        QRect work;
        return std::unique_ptr<TDData>(context.rectFor(input, *src, rectGiven, rect, &work) ? filter.exec(src, work) : nullptr);
    });
}

int match(CliContext &context, const CliArgs &args)
{
    QRect templ;
    QRect rect;
    bool templGiven = false;
    bool rectGiven = false;
    if (!context.rectOption(args, QStringLiteral("template"), &templ, &templGiven) || !context.rectOption(args, QStringLiteral("rect"), &rect, &rectGiven))
        return CliContext::Usage;
    const QString measureText = args.isSet(QStringLiteral("measure")) ? args.value(QStringLiteral("measure")) : QStringLiteral("cos");
    if (measureText != QLatin1String("cos") && measureText != QLatin1String("acos"))
        return context.usageError(QStringLiteral("option '--measure' is cos or acos, got '%1'").arg(measureText));
    MatchingF filter(measureText == QLatin1String("acos") ? MatchingF::ArcCosTh : MatchingF::CosTh, MatchingF::Exec2);
    return context.eachResult(args, [&](const QString &input, TDData *src) -> std::unique_ptr<TDData> {
        QRect work;
        QRect unused;
        if (!context.rectFor(input, *src, true, templ, &unused) || !context.rectFor(input, *src, rectGiven, rect, &work))
            return nullptr;
        // The template is the source's own region, as when the user drags it on the image.
        src->setRegion(templ);
        const QRect rows = work & QRect(0, 0, src->width, src->height);
        context.followRows(rows.top(), rows.height());
        context.beginCapture();
        std::unique_ptr<TDData> result(filter.exec2(src, work));
        context.followRows(0, 0);
        if (!result)
            context.failed(input, QStringLiteral("cannot match against the template %1").arg(CliArgs::rectText(templ)));
        return result;
    });
}

int peaks(CliContext &context, const CliArgs &args)
{
    CliPeakSearch search;
    if (!search.read(context, args))
        return CliContext::Usage;
    const bool toData = args.isSet(QStringLiteral("output"));
    const bool toCsv = args.isSet(QStringLiteral("csv"));
    if (!toData && !toCsv)
        return context.usageError(QStringLiteral("give -o, --csv or both"));
    QStringList dataPaths;
    QStringList csvPaths;
    if (toData) {
        if (const int code = context.outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &dataPaths))
            return code;
    }
    if (toCsv) {
        if (const int code = context.outputPaths(args.positional(), args.value(QStringLiteral("csv")), QStringLiteral(".csv"), &csvPaths))
            return code;
    }
    return context.eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        const std::unique_ptr<TDData> result = search.find(context, input, src);
        if (!result)
            return false;
        if (toData && !context.saveData(*result, dataPaths.at(i)))
            return false;
        if (toCsv && !context.saveBytes(PeakCsv::write(result->infos.last()->points, result.get()), csvPaths.at(i))) {
            // Both outputs or none: the grid just written goes again.
            if (toData)
                QFile::remove(dataPaths.at(i));
            return false;
        }
        return true;
    });
}

} // namespace

CliCommand movingAverageCommand()
{
    return {QStringLiteral("ma"), QStringLiteral("FILE... -o OUT --half W H"), QStringLiteral("Moving average over the valid pixels"),
            QStringLiteral("The window is 2W+1 columns by 2H+1 rows; invalid pixels stay invalid. Results are named\n"
                           "\"<id>: MA(W,H)\"."),
            {oneOutputOption(), halfSizeOption()}, {QStringLiteral("output"), QStringLiteral("half")}, 1, -1, &movingAverage};
}

CliCommand adaptiveThresholdCommand()
{
    return {QStringLiteral("at"), QStringLiteral("FILE... -o OUT --half W H [--rect L,T,R,B]"), QStringLiteral("Adaptive threshold"),
            QStringLiteral("1 where a pixel is above the moving average of its window, else 0; pixels outside the\n"
                           "rectangle are invalid. Results are named \"<id>: AT(W,H)\"."),
            {oneOutputOption(), halfSizeOption(), workRectOption()}, {QStringLiteral("output"), QStringLiteral("half")}, 1, -1,
            &adaptiveThreshold};
}

CliCommand matchCommand()
{
    return {QStringLiteral("match"), QStringLiteral("FILE... -o OUT --template L,T,R,B [--measure cos|acos] [--rect L,T,R,B]"),
            QStringLiteral("Pattern matching against a template cut out of each input"),
            QStringLiteral("At every window position of the rectangle (the window's top-left corner) the window of the\n"
                           "template's size is compared with the template: cos of the angle between them (cos) or\n"
                           "1 - angle/pi (acos). Results are named \"<id>: PM\"."),
            {oneOutputOption(),
             cliOption(QStringLiteral("template"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"), QStringLiteral("template rectangle")),
             cliOption(QStringLiteral("measure"), QChar(), CliOption::One, QStringLiteral("cos|acos"), QStringLiteral("similarity measure (default cos)")),
             workRectOption()},
            {QStringLiteral("output"), QStringLiteral("template")}, 1, -1, &match};
}

CliCommand peaksCommand()
{
    QVector<CliOption> options = CliPeakSearch::options(QStringLiteral("each input"));
    options.prepend(outputOption(QStringLiteral("2dData output file, or folder for several inputs")));
    options.append(cliOption(QStringLiteral("csv"), QChar(), CliOption::One, QStringLiteral("CSV"),
                             QStringLiteral("peak list file (index,x,y,value), or folder for several inputs")));
    return {QStringLiteral("peaks"), QStringLiteral("FILE... [-o OUT] [--csv CSV] --num N --radius R [--min] [--rect L,T,R,B]"),
            QStringLiteral("Find peaks"),
            QStringLiteral("Finds N maxima (or minima) one after the other, each at least R pixels from those before.\n"
                           "The 2dData result shows the peak values on a zero background (\"<id>: PKs(+)\"); the CSV\n"
                           "lists index,x,y,value in the order found. Give -o, --csv or both."),
            options, {QStringLiteral("num"), QStringLiteral("radius")}, 1, -1, &peaks};
}
