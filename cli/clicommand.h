#pragma once

#include "cli/cliargs.h"

#include <QString>
#include <QStringList>
#include <QVector>

class CliContext;

// One command of the batch tool: its name, help texts and options, and the function that runs it.
// Every command lives in the file of its family and is listed once in all(); a new command is a
// new file and a line in that table.
struct CliCommand
{
    QString name;
    QString synopsis;
    QString summary;
    QString details;
    QVector<CliOption> options;
    QStringList required;
    int minInputs;
    int maxInputs;  // -1: any number
    // Called with arguments that hold the required options and a fitting number of inputs;
    // returns the exit code.
    int (*run)(CliContext &context, const CliArgs &args);

    // The commands, in the order the help lists them.
    static QVector<CliCommand> all();
};

// Option entries that several commands share.
CliOption cliOption(const QString &name, QChar shortName, int arity, const QString &valueName, const QString &help);
CliOption outputOption(const QString &what);
// -o OUT for commands that write one file per input.
CliOption oneOutputOption();
// --rect L,T,R,B, the work rectangle.
CliOption workRectOption();
// --json, for commands that describe their inputs (CliContext::describeInputs).
CliOption jsonOption();
// --half W H, the half sizes of a moving window.
CliOption halfSizeOption();

// The commands, by family.
// infocommand.cpp
CliCommand infoCommand();
// filtercommands.cpp
CliCommand movingAverageCommand();
CliCommand adaptiveThresholdCommand();
CliCommand matchCommand();
CliCommand peaksCommand();
// statscommand.cpp
CliCommand statsCommand();
// profilecommand.cpp
CliCommand profileCommand();
// calccommand.cpp
CliCommand calcCommand();
// copycommands.cpp
CliCommand cropCommand();
CliCommand tilesCommand();
// exportcommands.cpp
CliCommand convertCommand();
CliCommand renderCommand();
