#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class CliArgs;
class CliProgress;
class QByteArray;
class QTextStream;
class TDData;

// The batch command-line tool (quelvo-cli). Each command loads its input files the way the main
// window does (2dData first, then the image readers), runs one of the program's own operations on
// them (filters, ratio, copies, rendering) and writes the results as 2dData, PNG or CSV files.
//
// Exit codes: 0 success, 1 when an input could not be read or processed, 2 on bad usage. Every
// failure is one line on err naming the file and the reason; with several inputs each failing
// input is reported and the others are still processed. Outputs go through QSaveFile, so a failed
// write leaves no file behind. Diagnostics of the library (debug stream, libtiff) are captured to
// explain failures and shown as they come only with --verbose.
class CliTool
{
public:
    enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

    // out receives the text output of info; err the messages and, with progress set (stderr is a
    // terminal), a progress line while a long run goes on. Both streams must outlive the tool.
    CliTool(QTextStream &out, QTextStream &err, bool progress);
    ~CliTool();

    // Runs one command line (args without the program name) and returns the exit code. Installs
    // its own handlers for the debug stream and libtiff while it runs; one run at a time.
    int run(const QStringList &args);

    // How long a run goes on before the progress line appears, and how often it is redrawn.
    void setProgressTiming(int delayMs, int intervalMs);

    // Called by the installed handlers with every diagnostic line of the library.
    void diagnostic(const QString &line, bool fromLibtiffWarning);

    struct Command;
    // The commands with their options and help texts, in the order the help lists them.
    static QVector<Command> commands();

private:
    using InputJob = std::function<bool(const QString &input, TDData *src, int index)>;

    int runCommand(const Command &command, const QStringList &args);
    int usageError(const QString &message);

    int info(const CliArgs &args);
    int convert(const CliArgs &args);
    int movingAverage(const CliArgs &args);
    int adaptiveThreshold(const CliArgs &args);
    int match(const CliArgs &args);
    int peaks(const CliArgs &args);
    int calc(const CliArgs &args);
    int crop(const CliArgs &args);
    int tiles(const CliArgs &args);
    int render(const CliArgs &args);

    // Loads every input in turn and hands it to job, reporting inputs that cannot be read (or, with
    // needPixels, hold an empty grid). Failure when any input failed.
    int eachInput(const QStringList &inputs, bool needPixels, const InputJob &job);
    // Reads file as the main window does; null, reported, when it cannot be read.
    std::unique_ptr<TDData> load(const QString &file);
    // The output file of each input: out itself for a single input unless out names a folder, else
    // out/<complete base name of the input><suffix>. The folder is made when missing. Returns
    // Success, or the exit code after reporting the problem.
    int outputPaths(const QStringList &inputs, const QString &out, const QString &suffix, QStringList *paths);
    int makeFolder(const QString &folder);

    // Option values, checked before any input is read; false after reporting a usage error.
    bool rectOption(const CliArgs &args, const QString &name, QRect *rect, bool *given);
    bool halfOption(const CliArgs &args, int *hw, int *hh);
    bool intOption(const CliArgs &args, const QString &name, int min, int max, int *value);
    bool doubleOption(const CliArgs &args, const QString &name, double *value);
    // The rectangle (or, when not given, the whole grid) for src; false, reported, when it misses the grid.
    bool rectFor(const QString &input, const TDData &src, bool given, const QRect &rect, QRect *result);

    bool saveData(const TDData &data, const QString &path);
    bool saveBytes(const QByteArray &bytes, const QString &path);
    // Reports a result that an operation could not make.
    bool failed(const QString &input, const QString &what);

    void report(const QString &file, const QString &reason);
    void say(const QString &text);
    // Starts collecting diagnostics; captured() gives the ones that explain a failure, for file.
    void beginCapture();
    QString captured(const QString &file) const;
    static void releaseDeferred();

    QTextStream &out;
    QTextStream &err;
    std::unique_ptr<CliProgress> progress;
    bool progressWanted;
    int progressDelayMs = 500;
    int progressIntervalMs = 100;
    bool verbose = false;
    QString commandName;
    QStringList diagnostics;
    // Rows of the matching run under way, for the progress line.
    int rowsTop = 0;
    int rowsCount = 0;
};
