#include "clicommand.h"

QVector<CliCommand> CliCommand::all()
{
    return {infoCommand(), statsCommand(), profileCommand(), convertCommand(),
            movingAverageCommand(), adaptiveThresholdCommand(), matchCommand(), peaksCommand(),
            calcCommand(), cropCommand(), tilesCommand(), renderCommand()};
}

CliOption cliOption(const QString &name, QChar shortName, int arity, const QString &valueName, const QString &help)
{
    return {name, shortName, arity, valueName, help};
}

CliOption outputOption(const QString &what)
{
    return cliOption(QStringLiteral("output"), QLatin1Char('o'), CliOption::One, QStringLiteral("OUT"), what);
}

CliOption oneOutputOption()
{
    return outputOption(QStringLiteral("output file, or folder for several inputs"));
}

CliOption workRectOption()
{
    return cliOption(QStringLiteral("rect"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"),
                     QStringLiteral("work rectangle (default: the whole grid)"));
}

CliOption jsonOption()
{
    return cliOption(QStringLiteral("json"), QChar(), CliOption::Flag, QString(), QStringLiteral("write a JSON array instead of text"));
}

CliOption halfSizeOption()
{
    return cliOption(QStringLiteral("half"), QChar(), CliOption::Two, QStringLiteral("W H"),
                     QStringLiteral("half width and half height of the window (0 or more)"));
}
