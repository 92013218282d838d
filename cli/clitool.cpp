#include "clitool.h"

#include "cli/cliargs.h"
#include "cli/clicommand.h"
#include "cli/clicontext.h"

#include <QTextStream>

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <new>

namespace {

// The context of the run under way, for the handlers of the library's diagnostics.
CliContext *current = nullptr;
QtMessageHandler previousHandler = nullptr;

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg || !current) {
        if (previousHandler)
            previousHandler(type, context, message);
        return;
    }
    current->diagnostic(message, false);
}

void libtiffHandler(const char *module, const char *format, va_list ap, bool warning)
{
    char text[1024];
    std::vsnprintf(text, sizeof text, format, ap);
    if (current)
        current->diagnostic(module ? QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(module), QString::fromLocal8Bit(text))
                                   : QString::fromLocal8Bit(text),
                            warning);
}

void libtiffError(const char *module, const char *format, va_list ap)
{
    libtiffHandler(module, format, ap, false);
}

void libtiffWarning(const char *module, const char *format, va_list ap)
{
    libtiffHandler(module, format, ap, true);
}

// The options every command takes.
QVector<CliOption> withCommonOptions(QVector<CliOption> options)
{
    options.append(cliOption(QStringLiteral("verbose"), QLatin1Char('v'), CliOption::Flag, QString(),
                             QStringLiteral("show the library's diagnostic lines")));
    options.append(cliOption(QStringLiteral("help"), QLatin1Char('h'), CliOption::Flag, QString(), QStringLiteral("show this help")));
    return options;
}

QString toolHelp()
{
    QString text = QStringLiteral("Usage: %1 COMMAND [OPTIONS] FILE...\n\n"
                                  "Batch processing of 2-D measured data with Quelvo's own operations.\n\n"
                                  "Commands:\n").arg(CliContext::program());
    for (const CliCommand &c : CliCommand::all())
        text += QStringLiteral("  %1%2\n").arg(c.name.leftJustified(10), c.summary);
    text += QStringLiteral(
        "\nInputs are TIFF (16-bit), ZRT, PLMR CT text or 2dData files, recognised by their contents.\n"
        "Rectangles are L,T,R,B: inclusive pixel corners, x to the right, y downwards.\n"
        "With several inputs, OUT is a folder (made when missing) receiving one file per input,\n"
        "named after it.\n\n"
        "Exit status: 0 success, 1 an input could not be read or processed, 2 bad usage.\n"
        "Run '%1 COMMAND --help' for the options of a command.\n").arg(CliContext::program());
    return text;
}

QString commandHelp(const CliCommand &c)
{
    QString text = QStringLiteral("Usage: %1 %2 %3\n\n%4.\n").arg(CliContext::program(), c.name, c.synopsis, c.summary);
    if (!c.details.isEmpty())
        text += QLatin1Char('\n') + c.details + QLatin1Char('\n');
    text += QStringLiteral("\nOptions:\n") + CliArgs(withCommonOptions(c.options)).optionHelp();
    return text;
}

int runCommand(CliContext &context, const CliCommand &command, const QStringList &args)
{
    CliArgs parsed(withCommonOptions(command.options));
    if (!parsed.parse(args))
        return context.usageError(parsed.errorText());
    if (parsed.isSet(QStringLiteral("help"))) {
        context.output() << commandHelp(command);
        return CliContext::Success;
    }
    context.setVerbose(parsed.isSet(QStringLiteral("verbose")));
    for (const QString &name : command.required) {
        if (!parsed.isSet(name))
            return context.usageError(QStringLiteral("option '--%1' is required").arg(name));
    }
    const int inputs = parsed.positional().size();
    if (inputs < command.minInputs)
        return context.usageError(QStringLiteral("no input file given"));
    if (command.maxInputs >= 0 && inputs > command.maxInputs)
        return context.usageError(command.maxInputs == 0 ? QStringLiteral("unexpected argument '%1'").arg(parsed.positional().first())
                                                         : QStringLiteral("takes exactly one input file"));
    // Commands that do not go input by input (calc) fail as a whole.
    try {
        return command.run(context, parsed);
    } catch (const std::bad_alloc &) {
        context.say(QStringLiteral("%1 %2: not enough memory").arg(CliContext::program(), command.name));
        return CliContext::Failure;
    }
}

} // namespace

CliTool::CliTool(QTextStream &out, QTextStream &err, bool progress)
    : out(out)
    , err(err)
    , progressWanted(progress)
{
}

void CliTool::setProgressTiming(int delayMs, int intervalMs)
{
    progressDelayMs = delayMs;
    progressIntervalMs = intervalMs;
}

int CliTool::run(const QStringList &args)
{
    CliContext context(out, err, progressWanted, progressDelayMs, progressIntervalMs);
    current = &context;
    previousHandler = qInstallMessageHandler(messageHandler);
    const TIFFErrorHandler oldError = TIFFSetErrorHandler(libtiffError);
    const TIFFErrorHandler oldWarning = TIFFSetWarningHandler(libtiffWarning);

    int code = CliContext::Usage;
    const QString first = args.value(0);
    const QVector<CliCommand> all = CliCommand::all();
    const auto found = std::find_if(all.begin(), all.end(), [&](const CliCommand &c) { return c.name == first; });
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        const auto topic = std::find_if(all.begin(), all.end(), [&](const CliCommand &c) { return c.name == args.value(1); });
        out << (topic == all.end() ? toolHelp() : commandHelp(*topic));
        code = CliContext::Success;
    } else if (found != all.end()) {
        context.setCommand(found->name);
        code = runCommand(context, *found, args.mid(1));
    } else {
        code = context.usageError(first.isEmpty() ? QStringLiteral("no command given") : QStringLiteral("unknown command '%1'").arg(first));
    }
    context.progress().clear();
    out.flush();
    err.flush();
    CliContext::releaseDeferred();

    TIFFSetWarningHandler(oldWarning);
    TIFFSetErrorHandler(oldError);
    qInstallMessageHandler(previousHandler);
    current = nullptr;
    return code;
}
