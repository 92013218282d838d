// The command profile: one row or one column of an input as CSV, as the analysis window plots it.

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "data/tddata.h"
#include "processing/lineprofile.h"

namespace {

// "index,value,valid", one line per pixel; invalid pixels keep their stored value.
QByteArray profileCsv(const LineProfile::Result &line)
{
    QByteArray text = "index,value,valid\n";
    for (int i = 0; i < line.values.size(); ++i)
        text += QByteArray::number(i) + ',' + CliArgs::numberText(line.values.at(i)).toLatin1() + ',' + (line.valid.at(i) ? "1\n" : "0\n");
    return text;
}

int profile(CliContext &context, const CliArgs &args)
{
    const bool byRow = args.isSet(QStringLiteral("row"));
    if (byRow == args.isSet(QStringLiteral("column")))
        return context.usageError(QStringLiteral("give either --row or --column"));
    const QString option = byRow ? QStringLiteral("row") : QStringLiteral("column");
    int n = 0;
    if (!context.intOption(args, option, 0, CliArgs::CoordinateLimit, &n))
        return CliContext::Usage;
    const bool toFile = args.isSet(QStringLiteral("output"));
    return context.eachInput(args.positional(), false, [&](const QString &input, TDData *src, int) {
        if (n >= (byRow ? src->height : src->width)) {
            context.report(input, QStringLiteral("%1 %2 lies outside the %3 x %4 grid").arg(option).arg(n).arg(src->width).arg(src->height));
            return false;
        }
        const QByteArray csv = profileCsv(byRow ? LineProfile::row(*src, n) : LineProfile::column(*src, n));
        return toFile ? context.saveBytes(csv, args.value(QStringLiteral("output"))) : context.print(QString::fromLatin1(csv));
    });
}

} // namespace

CliCommand profileCommand()
{
    return {QStringLiteral("profile"), QStringLiteral("FILE (--row Y | --column X) [-o CSV]"),
            QStringLiteral("Write one row or one column as CSV"),
            QStringLiteral("Lines index,value,valid, from 0 at the left or top; invalid pixels keep their value, valid 0."),
            {outputOption(QStringLiteral("CSV file (default: standard output)")),
             cliOption(QStringLiteral("row"), QChar(), CliOption::One, QStringLiteral("Y"), QStringLiteral("the row, from 0 at the top")),
             cliOption(QStringLiteral("column"), QChar(), CliOption::One, QStringLiteral("X"), QStringLiteral("the column, from 0 at the left"))},
            {}, 1, 1, &profile};
}
