// The commands that write inputs in other forms: convert (2dData or float TIFF) and render (PNG).

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "data/tddata.h"
#include "display/colorbar0.h"

#include <QBuffer>
#include <QImage>

namespace {

int convert(CliContext &context, const CliArgs &args)
{
    const QString format = args.isSet(QStringLiteral("format")) ? args.value(QStringLiteral("format")) : QStringLiteral("2ddata");
    if (format != QLatin1String("2ddata") && format != QLatin1String("tiff"))
        return context.usageError(QStringLiteral("option '--format' is 2ddata or tiff, got '%1'").arg(format));
    const bool tiff = format == QLatin1String("tiff");
    QStringList outputs;
    if (const int code = context.outputPaths(args.positional(), args.value(QStringLiteral("output")), tiff ? QStringLiteral(".tif") : QStringLiteral(".qlv"), &outputs))
        return code;
    // Each page of a stack goes to a file of its own, numbered from 1.
    return context.eachInput(
        args.positional(), false,
        [&](const QString &, TDData *src, int i) {
            const QString path = CliContext::pagePath(outputs.at(i), context.stackPage());
            return tiff ? context.saveFloatTiff(*src, path) : context.saveData(*src, path);
        },
        true);
}

int render(CliContext &context, const CliArgs &args)
{
    ColorBar0 bar;
    bar.format = args.isSet(QStringLiteral("grey")) ? ColorBar0::FormatGrayscale8 : ColorBar0::FormatRGB888;
    if ((args.isSet(QStringLiteral("lower")) && !context.doubleOption(args, QStringLiteral("lower"), &bar.lowerMark))
        || (args.isSet(QStringLiteral("upper")) && !context.doubleOption(args, QStringLiteral("upper"), &bar.upperMark)))
        return CliContext::Usage;
    QStringList outputs;
    if (const int code = context.outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".png"), &outputs))
        return code;
    return context.eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        context.beginCapture();
        const QImage *img = src->makeImg(&bar);
        if (!img)
            return context.failed(input, QStringLiteral("cannot render %1 x %2 pixels").arg(src->width).arg(src->height));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!img->save(&buffer, "PNG"))
            return context.failed(input, QStringLiteral("cannot encode PNG"));
        return context.saveBytes(png, outputs.at(i));
    });
}

} // namespace

CliCommand convertCommand()
{
    return {QStringLiteral("convert"), QStringLiteral("FILE... -o OUT [--format 2ddata|tiff]"),
            QStringLiteral("Write readable files (TIFF, ZRT, PLMR CT text, 2dData) as 2dData or float TIFF"),
            QStringLiteral("2dData keeps every value and flag. The TIFF holds one 32-bit float per pixel, as ImageJ,\n"
                           "Fiji and tifffile open it: values are rounded to float and invalid pixels become NaN.\n"
                           "Outputs in a folder are named <input>.qlv or <input>.tif."),
            {oneOutputOption(),
             cliOption(QStringLiteral("format"), QChar(), CliOption::One, QStringLiteral("2ddata|tiff"),
                       QStringLiteral("output format (default 2ddata)"))},
            {QStringLiteral("output")}, 1, -1, &convert};
}

CliCommand renderCommand()
{
    return {QStringLiteral("render"), QStringLiteral("FILE... -o OUT.png [--grey] [--lower F] [--upper F]"),
            QStringLiteral("Render through the colour table or the grey ramp into PNG"),
            QStringLiteral("Values are normalised by each dataset's range (0 at its minimum, 1 at its maximum) and\n"
                           "stretched between the marks; invalid pixels get their own colour."),
            {outputOption(QStringLiteral("PNG file, or folder for several inputs")),
             cliOption(QStringLiteral("grey"), QChar(), CliOption::Flag, QString(), QStringLiteral("grey ramp instead of the colour table")),
             cliOption(QStringLiteral("lower"), QChar(), CliOption::One, QStringLiteral("F"), QStringLiteral("lower mark (default 0)")),
             cliOption(QStringLiteral("upper"), QChar(), CliOption::One, QStringLiteral("F"), QStringLiteral("upper mark (default 1)"))},
            {QStringLiteral("output")}, 1, -1, &render};
}
