#include "cliargs.h"

#include "data/parallelrows.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

bool looksLikeOption(const QString &arg)
{
    bool number = false;
    arg.toDouble(&number);
    return arg.size() > 1 && arg.startsWith(QLatin1Char('-')) && !number;
}

} // namespace

CliArgs::CliArgs(const QVector<CliOption> &options)
    : options(options)
{
}

bool CliArgs::parse(const QStringList &args)
{
    parsed.clear();
    seen.clear();
    error.clear();
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            parsed.append({QString(), arg});
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--threads") || arg.startsWith(QLatin1String("--threads="))) {
            if (!takeThreads(args, &i))
                return false;
            continue;
        }
        const CliOption *option = nullptr;
        QString inlineValue;
        bool hasInline = false;
        if (arg.startsWith(QLatin1String("--"))) {
            const int eq = arg.indexOf(QLatin1Char('='));
            hasInline = eq > 0;
            inlineValue = hasInline ? arg.mid(eq + 1) : QString();
            option = find(arg.mid(2, hasInline ? eq - 2 : -1));
        } else if (arg.size() == 2) {
            option = findShort(arg.at(1));
        }
        if (!option) {
            error = QStringLiteral("unknown option '%1'").arg(hasInline ? arg.left(arg.indexOf(QLatin1Char('='))) : arg);
            return false;
        }
        if (!take(option, args, &i, inlineValue, hasInline))
            return false;
    }
    return true;
}

// Takes the option's values from args behind position *i (or from its "=value") and moves *i on.
bool CliArgs::take(const CliOption *option, const QStringList &args, int *i, const QString &inlineValue,
                   bool hasInline)
{
    seen.append(option->name);
    const QString display = QStringLiteral("--") + option->name;
    if (option->arity == CliOption::Flag) {
        if (hasInline) {
            error = QStringLiteral("option '%1' takes no value").arg(display);
            return false;
        }
        return true;
    }
    if (hasInline) {
        if (option->arity == CliOption::Two) {
            error = QStringLiteral("option '%1' takes two values: %1 %2").arg(display, option->valueName);
            return false;
        }
        parsed.append({option->name, inlineValue});
        return true;
    }
    const int wanted = option->arity == CliOption::Many ? 1 : option->arity;
    // A value may start with "-" only as a number, so that a forgotten value does not eat the next option.
    bool missing = *i + wanted >= args.size();
    for (int k = 1; !missing && k <= wanted; ++k)
        missing = looksLikeOption(args.at(*i + k));
    if (missing) {
        error = wanted == 1 ? QStringLiteral("option '%1' needs a value").arg(display)
                            : QStringLiteral("option '%1' needs two values: %1 %2").arg(display, option->valueName);
        return false;
    }
    for (int k = 0; k < wanted; ++k)
        parsed.append({option->name, args.at(++*i)});
    if (option->arity == CliOption::Many) {
        while (*i + 1 < args.size() && !looksLikeOption(args.at(*i + 1)))
            parsed.append({option->name, args.at(++*i)});
    }
    return true;
}

// Every command takes --threads N: the number of threads its pixel loops are spread over.
bool CliArgs::takeThreads(const QStringList &args, int *i)
{
    const QString &arg = args.at(*i);
    const int eq = arg.indexOf(QLatin1Char('='));
    const QString text = eq > 0 ? arg.mid(eq + 1) : *i + 1 < args.size() ? args.at(++*i) : QString();
    int threads = 0;
    if (!parseInt(text, 1, ParallelRows::MaxThreads, &threads)) {
        error = QStringLiteral("option '--threads' needs a whole number from 1 to %1").arg(ParallelRows::MaxThreads);
        return false;
    }
    ParallelRows::setThreadCount(threads);
    return true;
}

const CliOption *CliArgs::find(const QString &name) const
{
    auto it = std::find_if(options.begin(), options.end(), [&](const CliOption &o) { return o.name == name; });
    return it == options.end() ? nullptr : &*it;
}

const CliOption *CliArgs::findShort(QChar c) const
{
    auto it = std::find_if(options.begin(), options.end(), [&](const CliOption &o) { return o.shortName == c; });
    return it == options.end() ? nullptr : &*it;
}

bool CliArgs::isSet(const QString &name) const
{
    return seen.contains(name);
}

QStringList CliArgs::values(const QString &name) const
{
    QStringList result;
    for (const auto &item : parsed) {
        if (item.first == name)
            result.append(item.second);
    }
    return result;
}

QString CliArgs::value(const QString &name) const
{
    const QStringList all = values(name);
    return all.isEmpty() ? QString() : all.last();
}

QString CliArgs::optionHelp() const
{
    QStringList heads;
    for (const CliOption &o : options) {
        QString head = o.shortName.isNull() ? QStringLiteral("      ") : QStringLiteral("  -%1, ").arg(o.shortName);
        head += QStringLiteral("--") + o.name;
        if (!o.valueName.isEmpty())
            head += QLatin1Char(' ') + o.valueName;
        heads.append(head);
    }
    int width = 0;
    for (const QString &head : qAsConst(heads))
        width = std::max(width, int(head.size()));
    QString text;
    for (int k = 0; k < options.size(); ++k)
        text += heads.at(k).leftJustified(width + 2) + options.at(k).help + QLatin1Char('\n');
    text += QStringLiteral("      --threads N").leftJustified(width + 2)
            + QStringLiteral("threads for the pixel loops (default: every core)\n");
    return text;
}

bool CliArgs::parseRect(const QString &text, QRect *rect)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int c[4];
    for (int k = 0; k < 4; ++k) {
        if (!parseInt(parts.at(k).trimmed(), -CoordinateLimit, CoordinateLimit, &c[k]))
            return false;
    }
    if (c[2] < c[0] || c[3] < c[1])
        return false;
    *rect = QRect(QPoint(c[0], c[1]), QPoint(c[2], c[3]));
    return true;
}

bool CliArgs::parseInt(const QString &text, int min, int max, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

bool CliArgs::parseDouble(const QString &text, double *value)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

QString CliArgs::rectText(const QRect &rect)
{
    return QStringLiteral("%1,%2,%3,%4").arg(rect.left()).arg(rect.top()).arg(rect.right()).arg(rect.bottom());
}

QString CliArgs::numberText(double v)
{
    // QString::number drops the sign of -0.0, which the dataset holds all the same.
    if (v == 0.0 && std::signbit(v))
        return QStringLiteral("-0");
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}
