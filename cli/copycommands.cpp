// The commands that copy parts of inputs: crop (one rectangle) and tiles (a rectangle around
// every peak), as the copy panel makes them.

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "cli/clipeaksearch.h"
#include "cli/peakcsv.h"
#include "data/tddata.h"
#include "processing/copyaroundpeaks.h"
#include "processing/copyregion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

int crop(CliContext &context, const CliArgs &args)
{
    QRect rect;
    bool given = false;
    if (!context.rectOption(args, QStringLiteral("rect"), &rect, &given))
        return CliContext::Usage;
    const bool resize = !args.isSet(QStringLiteral("in-place"));
    return context.eachResult(args, [&](const QString &input, TDData *src) -> std::unique_ptr<TDData> {
        QRect unused;
        if (!context.rectFor(input, *src, true, rect, &unused))
            return nullptr;
        context.beginCapture();
        std::unique_ptr<TDData> result(CopyRegion::exec(src, rect, resize));
        if (!result)
            context.failed(input, QStringLiteral("cannot copy the rectangle %1").arg(CliArgs::rectText(rect)));
        return result;
    });
}

// --order, --rl and --bt; false after reporting a usage error.
bool readOrder(CliContext &context, const CliArgs &args, SaveOrder *order)
{
    const QString orderText = args.isSet(QStringLiteral("order")) ? args.value(QStringLiteral("order")) : QStringLiteral("h");
    const QVector<QPair<QString, SaveOrder::Axis>> axes{
        {QStringLiteral("h"), SaveOrder::H}, {QStringLiteral("v"), SaveOrder::V}, {QStringLiteral("hv"), SaveOrder::HFirst}, {QStringLiteral("vh"), SaveOrder::VFirst}};
    const auto axis = std::find_if(axes.begin(), axes.end(), [&](const auto &a) { return a.first == orderText; });
    if (axis == axes.end()) {
        context.usageError(QStringLiteral("option '--order' is h, v, hv or vh, got '%1'").arg(orderText));
        return false;
    }
    order->axis = axis->second;
    order->rightToLeft = args.isSet(QStringLiteral("rl"));
    order->bottomToTop = args.isSet(QStringLiteral("bt"));
    return true;
}

// The peaks of the --peaks list or, without it, those search finds in the --peaks-of file.
int readPeaks(CliContext &context, const CliArgs &args, const CliPeakSearch &search, QVector<QPointF> *peaks)
{
    if (args.isSet(QStringLiteral("peaks"))) {
        const QString csv = args.value(QStringLiteral("peaks"));
        QFile file(csv);
        QString error;
        if (!file.open(QIODevice::ReadOnly)) {
            context.report(csv, file.errorString());
            return CliContext::Failure;
        }
        if (!PeakCsv::read(file.readAll(), peaks, &error)) {
            context.report(csv, error);
            return CliContext::Failure;
        }
        return CliContext::Success;
    }
    return context.eachInput({args.value(QStringLiteral("peaks-of"))}, true, [&](const QString &input, TDData *src, int) {
        const std::unique_ptr<TDData> found = search.find(context, input, src);
        if (found)
            *peaks = CopyAroundPeaks::collectPeaks(found.get());
        return bool(found);
    });
}

// One file per tile of the plan, written to folder as <input's name>-<k>.qlv: all of them or none.
bool writeTiles(CliContext &context, const QString &input, const TDData &src, const QVector<PeakTile> &plan, const QString &folder)
{
    const int digits = QString::number(plan.size() - 1).size();
    const QString base = QFileInfo(input).completeBaseName();
    QStringList written;
    for (const PeakTile &tile : plan) {
        context.progress().setDetail(QStringLiteral("tile %1 of %2").arg(tile.k + 1).arg(plan.size()));
        const std::unique_ptr<TDData> copy(CopyAroundPeaks::makeTile(&src, tile));
        const QString path = QDir(folder).filePath(QStringLiteral("%1-%2.qlv").arg(base).arg(tile.k, digits, 10, QLatin1Char('0')));
        if (!copy)
            context.report(path, QStringLiteral("not enough memory for the tile"));
        if (!copy || !context.saveData(*copy, path)) {
            // A partial set of tiles would pass for a whole one.
            for (const QString &done : qAsConst(written))
                QFile::remove(done);
            return false;
        }
        written.append(path);
    }
    return true;
}

int tiles(CliContext &context, const CliArgs &args)
{
    const bool fromCsv = args.isSet(QStringLiteral("peaks"));
    const bool fromData = args.isSet(QStringLiteral("peaks-of"));
    if (fromCsv == fromData)
        return context.usageError(QStringLiteral("give either --peaks or --peaks-of"));
    const QStringList findOptions{QStringLiteral("num"), QStringLiteral("radius"), QStringLiteral("min"), QStringLiteral("rect")};
    for (const QString &name : findOptions) {
        if (fromCsv && args.isSet(name))
            return context.usageError(QStringLiteral("option '--%1' goes with --peaks-of only").arg(name));
    }
    CliPeakSearch search;
    if (fromData) {
        for (const QString &name : {QStringLiteral("num"), QStringLiteral("radius")}) {
            if (!args.isSet(name))
                return context.usageError(QStringLiteral("--peaks-of needs '--%1'").arg(name));
        }
        if (!search.read(context, args))
            return CliContext::Usage;
    }
    QRect templ;
    bool templGiven = false;
    int reference = 0;
    SaveOrder order;
    if (!context.rectOption(args, QStringLiteral("template"), &templ, &templGiven)
        || (args.isSet(QStringLiteral("ref")) && !context.intOption(args, QStringLiteral("ref"), 0, 100000000, &reference))
        || !readOrder(context, args, &order))
        return CliContext::Usage;

    QVector<QPointF> peakList;
    if (const int code = readPeaks(context, args, search, &peakList))
        return code;
    const QString folder = args.value(QStringLiteral("output"));
    const QString s2 = args.positional().first();
    if (reference >= peakList.size()) {
        context.report(s2, QStringLiteral("there is no reference peak %1 among %2 peaks").arg(reference).arg(peakList.size()));
        return CliContext::Failure;
    }
    if (const int code = context.makeFolder(folder))
        return code;
    return context.eachInput({s2}, true, [&](const QString &input, TDData *src, int) {
        QRect unused;
        if (templGiven) {
            if (!context.rectFor(input, *src, true, templ, &unused))
                return false;
            src->setRegion(templ);
        }
        context.beginCapture();
        const QVector<PeakTile> plan = CopyAroundPeaks::plan(peakList, reference, CopyAroundPeaks::templateRect(src), order);
        if (plan.isEmpty())
            return context.failed(input, QStringLiteral("cannot place the tiles"));
        return writeTiles(context, input, *src, plan, folder);
    });
}

} // namespace

CliCommand cropCommand()
{
    return {QStringLiteral("crop"), QStringLiteral("FILE... --rect L,T,R,B [--in-place] -o OUT"), QStringLiteral("Cut out a rectangle"),
            QStringLiteral("The result is the rectangle's size, or with --in-place the input's size with every pixel\n"
                           "outside the rectangle invalid. Results are named \"<id>: Cp(L,T)-(R,B)\"."),
            {oneOutputOption(),
             cliOption(QStringLiteral("rect"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"), QStringLiteral("rectangle to copy")),
             cliOption(QStringLiteral("in-place"), QChar(), CliOption::Flag, QString(), QStringLiteral("keep the input's size"))},
            {QStringLiteral("output"), QStringLiteral("rect")}, 1, -1, &crop};
}

CliCommand tilesCommand()
{
    QVector<CliOption> options{
        outputOption(QStringLiteral("folder receiving one 2dData file per tile")),
        cliOption(QStringLiteral("template"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"),
                  QStringLiteral("rectangle of S2 that is copied (default: the whole grid)")),
        cliOption(QStringLiteral("peaks"), QChar(), CliOption::One, QStringLiteral("CSV"), QStringLiteral("peak list written by 'peaks --csv'")),
        cliOption(QStringLiteral("peaks-of"), QChar(), CliOption::One, QStringLiteral("FILE"),
                  QStringLiteral("find the peaks in FILE (needs --num and --radius)")),
        cliOption(QStringLiteral("ref"), QChar(), CliOption::One, QStringLiteral("K"),
                  QStringLiteral("reference peak, numbered from 0 in list order (default 0)")),
        cliOption(QStringLiteral("order"), QChar(), CliOption::One, QStringLiteral("h|v|hv|vh"),
                  QStringLiteral("save order: by x, by y, by x then y, by y then x (default h)")),
        cliOption(QStringLiteral("rl"), QChar(), CliOption::Flag, QString(), QStringLiteral("x descending (right to left)")),
        cliOption(QStringLiteral("bt"), QChar(), CliOption::Flag, QString(), QStringLiteral("y descending (bottom to top)"))};
    options += CliPeakSearch::options(QStringLiteral("the --peaks-of file"));
    return {QStringLiteral("tiles"),
            QStringLiteral("S2 (--peaks CSV | --peaks-of FILE --num N --radius R) [--template L,T,R,B] [--ref K]\n"
                           "       [--order h|v|hv|vh] [--rl] [--bt] -o DIR"),
            QStringLiteral("Copy a rectangle of S2 around every peak"),
            QStringLiteral("The template keeps its offset from the reference peak: every peak gets a copy placed the\n"
                           "same way. Tiles are numbered k = 0, 1, ... in save order, written as DIR/<S2 name>-<k>.qlv\n"
                           "and named \"<id>:CpAPk[k(x,y)]\"."),
            options, {QStringLiteral("output")}, 1, 1, &tiles};
}
