// The command stats: the statistics of every input, or of a rectangle of it, as the analysis
// window shows them, as text or JSON.

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "data/tddata.h"
#include "processing/framestats.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

// The figures that need valid values, as (JSON key, text label, value).
struct Figure
{
    const char *key;
    const char *label;
    double value;
};

QVector<Figure> figures(const FrameStats::Result &s)
{
    return {{"min", "minimum", s.min},
            {"max", "maximum", s.max},
            {"mean", "mean", s.mean},
            {"stdDev", "standard deviation", s.stdDev},
            {"sum", "sum", s.sum},
            {"median", "median", s.median},
            {"p0.5", "0.5 % quantile", s.lowQuantile},
            {"p99.5", "99.5 % quantile", s.highQuantile}};
}

// A figure in JSON: null for an empty set; a sum that overflowed (and what follows from it)
// as the text "inf" or "nan", which JSON has no number for.
QJsonValue figureJson(const FrameStats::Result &s, double v)
{
    if (s.empty())
        return QJsonValue();
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue(CliArgs::numberText(v));
}

void describe(const QString &input, const QRect &rect, const FrameStats::Result &s, QString *text, QJsonObject *object)
{
    *text = QStringLiteral("%1\n  rectangle: %2\n  pixels: %3 valid, %4 invalid, %5 NaN, %6 infinite\n")
                .arg(input, rect.isEmpty() ? QStringLiteral("none") : CliArgs::rectText(rect))
                .arg(s.valid)
                .arg(s.invalid)
                .arg(s.nan)
                .arg(s.infinite);
    *object = {{QStringLiteral("file"), input},
               {QStringLiteral("rect"), rect.isEmpty() ? QJsonValue() : QJsonArray{rect.left(), rect.top(), rect.right(), rect.bottom()}},
               {QStringLiteral("valid"), s.valid},
               {QStringLiteral("invalid"), s.invalid},
               {QStringLiteral("nan"), s.nan},
               {QStringLiteral("infinite"), s.infinite}};
    for (const Figure &f : figures(s)) {
        *text += QStringLiteral("  %1: %2\n").arg(QLatin1String(f.label), s.empty() ? QStringLiteral("--") : CliArgs::numberText(f.value));
        object->insert(QLatin1String(f.key), figureJson(s, f.value));
    }
}

int stats(CliContext &context, const CliArgs &args)
{
    QRect rect;
    bool given = false;
    if (!context.rectOption(args, QStringLiteral("rect"), &rect, &given))
        return CliContext::Usage;
    return context.describeInputs(args.positional(), args.isSet(QStringLiteral("json")),
                                  [&](const QString &input, TDData *src, QString *text, QJsonObject *object) {
                                      QRect work = FrameStats::wholeGrid(*src);
                                      if (given && !context.rectFor(input, *src, true, rect, &work))
                                          return false;
                                      describe(input, work & FrameStats::wholeGrid(*src), FrameStats::compute(*src, work), text, object);
                                      return true;
                                  });
}

} // namespace

CliCommand statsCommand()
{
    return {QStringLiteral("stats"), QStringLiteral("FILE... [--rect L,T,R,B] [--json]"),
            QStringLiteral("Pixel counts and statistics of the valid values, whole or in a rectangle"),
            QStringLiteral("Pixels are counted as valid, invalid (flag clear), NaN and infinite; only the valid ones\n"
                           "enter the figures. The standard deviation is the sample one (n - 1); the median and the\n"
                           "0.5 % and 99.5 % quantiles interpolate linearly between the sorted values. A set without\n"
                           "valid pixels shows \"--\" (null in JSON). Numbers read back as the same double."),
            {workRectOption(),
             jsonOption()},
            {}, 1, -1, &stats};
}
