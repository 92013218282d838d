#pragma once

#include <QStringList>

class QTextStream;

// The batch command-line tool (quelvo-cli). Each command loads its input files the way the main
// window does (2dData first, then the image readers), runs one of the program's own operations on
// them (filters, ratio, copies, rendering) and writes the results as 2dData, PNG or CSV files.
// The commands are listed in CliCommand::all(); what they share is CliContext.
//
// Exit codes: 0 success, 1 when an input could not be read or processed, 2 on bad usage. Every
// failure is one line on err naming the file and the reason; with several inputs each failing
// input is reported and the others are still processed. Outputs go through SaveFile, so a failed
// write leaves no file behind and keeps an old one. Diagnostics of the library (debug stream, libtiff) are captured to
// explain failures and shown as they come only with --verbose.
class CliTool
{
public:
    // out receives the text output of info; err the messages and, with progress set (stderr is a
    // terminal), a progress line while a long run goes on. Both streams must outlive the tool.
    CliTool(QTextStream &out, QTextStream &err, bool progress);

    // Runs one command line (args without the program name) and returns the exit code. Installs
    // its own handlers for the debug stream and libtiff while it runs; one run at a time.
    int run(const QStringList &args);

    // How long a run goes on before the progress line appears, and how often it is redrawn.
    void setProgressTiming(int delayMs, int intervalMs);

private:
    QTextStream &out;
    QTextStream &err;
    bool progressWanted;
    int progressDelayMs = 500;
    int progressIntervalMs = 100;
};
