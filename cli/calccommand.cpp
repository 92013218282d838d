// The command calc: the ratio of sums of datasets, as the calculation panel makes it.

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "data/tddata.h"
#include "processing/calcratio.h"

#include <memory>
#include <vector>

namespace {

int calc(CliContext &context, const CliArgs &args)
{
    struct Operand
    {
        QString file;
        bool numerator;
        std::unique_ptr<TDData> data;
        RatioOperand ratio;
    };
    std::vector<Operand> operands;
    for (const auto &item : args.items()) {
        if (item.first == QLatin1String("num") || item.first == QLatin1String("den"))
            operands.push_back({item.second, item.first == QLatin1String("num"), nullptr, RatioOperand()});
    }
    if (operands.empty())
        return context.usageError(QStringLiteral("give at least one --num or --den file"));
    for (const QString &regionArg : args.values(QStringLiteral("region"))) {
        const int eq = regionArg.lastIndexOf(QLatin1Char('='));
        const QString file = regionArg.left(eq);
        QRect r;
        if (eq < 1 || !CliArgs::parseRect(regionArg.mid(eq + 1), &r))
            return context.usageError(QStringLiteral("option '--region' needs FILE=L,T,R,B, got '%1'").arg(regionArg));
        bool named = false;
        for (Operand &op : operands) {
            if (op.file == file) {
                op.ratio.masked = true;
                op.ratio.corner1 = r.topLeft();
                op.ratio.corner2 = r.bottomRight();
                named = true;
            }
        }
        if (!named)
            return context.usageError(QStringLiteral("option '--region' names '%1', which is no operand").arg(file));
    }

    // Every operand is read, so that each unreadable one is reported.
    bool allRead = true;
    for (int k = 0; k < int(operands.size()); ++k) {
        context.progress().setItem(QStringLiteral("%1 calc: reading [%2/%3] %4").arg(CliContext::program()).arg(k + 1).arg(operands.size()).arg(operands[k].file));
        operands[k].data = context.load(operands[k].file);
        allRead = allRead && operands[k].data;
    }
    if (!allRead)
        return CliContext::Failure;

    QVector<RatioOperand> numerators;
    QVector<RatioOperand> denominators;
    QVector<int> numNumbers;
    QVector<int> denNumbers;
    for (int k = 0; k < int(operands.size()); ++k) {
        Operand &op = operands[k];
        op.ratio.data = op.data.get();
        (op.numerator ? numerators : denominators).append(op.ratio);
        (op.numerator ? numNumbers : denNumbers).append(k + 1);
    }
    RatioOptions options;
    options.log = args.isSet(QStringLiteral("log"));
    options.neg = args.isSet(QStringLiteral("neg"));
    const TDData &first = *operands.front().data;
    context.progress().setItem(QStringLiteral("%1 calc: computing").arg(CliContext::program()));
    const std::unique_ptr<TDData> result(CalcRatio::exec(numerators, denominators, first.width, first.height, options));
    result->dataId = CalcRatio::resultName(CalcRatio::operandText(numNumbers), CalcRatio::operandText(denNumbers), options);
    return context.saveData(*result, args.value(QStringLiteral("output"))) ? CliContext::Success : CliContext::Failure;
}

} // namespace

CliCommand calcCommand()
{
    return {QStringLiteral("calc"), QStringLiteral("--num A... [--den B...] [--log] [--neg] [--region FILE=L,T,R,B] -o OUT"),
            QStringLiteral("Ratio of the sum of datasets A to the sum of datasets B"),
            QStringLiteral("Pixel by pixel: sum of A / sum of B, then the natural logarithm (--log) and the sign\n"
                           "(--neg). Operands are aligned at their top-left pixel; the result has the size of the first\n"
                           "operand on the command line and is named like Cl[log(I[1]+I[2]/I[3])], operands numbered\n"
                           "by their position. Pixels that cannot be computed are invalid."),
            {outputOption(QStringLiteral("output file")),
             cliOption(QStringLiteral("num"), QChar(), CliOption::Many, QStringLiteral("A..."), QStringLiteral("numerator files")),
             cliOption(QStringLiteral("den"), QChar(), CliOption::Many, QStringLiteral("B..."), QStringLiteral("denominator files")),
             cliOption(QStringLiteral("log"), QChar(), CliOption::Flag, QString(), QStringLiteral("take the natural logarithm")),
             cliOption(QStringLiteral("neg"), QChar(), CliOption::Flag, QString(), QStringLiteral("negate the result")),
             cliOption(QStringLiteral("region"), QChar(), CliOption::One, QStringLiteral("FILE=L,T,R,B"),
                       QStringLiteral("use FILE only inside the rectangle (may be repeated)"))},
            {QStringLiteral("output")}, 0, 0, &calc};
}
