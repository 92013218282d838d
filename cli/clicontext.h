#pragma once

#include "cli/cliprogress.h"
#include "data/imgdata.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CliArgs;
class QByteArray;
class QJsonObject;
class QTextStream;
class TDData;

// What every command of the batch tool shares while one command line runs: reading inputs the way
// the main window does, naming output files, checking option values, writing results and reporting.
//
// Every failure is one line on err naming the file (or the tool and command) and the reason.
// Outputs go through SaveFile (data/savefile.h) or the writers built on it, so a failed write
// leaves no file behind and keeps an old one.
// Diagnostics of the library (debug stream, libtiff) come in through diagnostic(): they are
// collected to explain a failure and shown as they come only with verbose set.
class CliContext
{
public:
    enum ExitCode { Success = 0, Failure = 1, Usage = 2 };
    using InputJob = std::function<bool(const QString &input, TDData *src, int index)>;
    // Makes the result of one input; null after reporting why it could not.
    using ResultJob = std::function<std::unique_ptr<TDData>(const QString &input, TDData *src)>;
    // Describes one input as a text block and as a JSON object; false after reporting why it could not.
    using DescribeJob = std::function<bool(const QString &input, TDData *src, QString *text, QJsonObject *object)>;

    static QString program() { return QStringLiteral("quelvo-cli"); }

    // out receives the text output of the commands, err the messages and, with progress set, the
    // progress line. Both streams must outlive the context.
    CliContext(QTextStream &out, QTextStream &err, bool progress, int progressDelayMs, int progressIntervalMs);

    QTextStream &output() { return out; }
    CliProgress &progress() { return progressLine; }
    // The command being run, named in every message; empty before one is found.
    void setCommand(const QString &name) { commandName = name; }
    void setVerbose(bool on) { verbose = on; }

    // Reports message as bad usage and returns Usage.
    int usageError(const QString &message);
    void report(const QString &file, const QString &reason);
    // One line on err, after wiping the progress line.
    void say(const QString &text);
    // Text on out, after wiping the progress line; true.
    bool print(const QString &text);
    // Reports a result that an operation could not make, with the diagnostics that explain it;
    // returns false.
    bool failed(const QString &input, const QString &what);

    // Takes one diagnostic line of the library.
    void diagnostic(const QString &line, bool fromLibtiffWarning);
    // Starts collecting diagnostics; captured() gives the ones that explain a failure, for file.
    void beginCapture();
    QString captured(const QString &file) const;
    // The rows a matching run goes through, shown as its progress; a count of 0 stops that.
    void followRows(int top, int count);
    // Deletes what was left to deleteLater(), as an event loop would.
    static void releaseDeferred();

    // Reads file as the main window does; null, reported, when it cannot be read. With stack, reads
    // the stack's next page and moves it on; without, a stack's first page is read with a note
    // that the others are not used.
    std::unique_ptr<TDData> load(const QString &file, ImgData::Stack *stack = nullptr);
    // Loads every input in turn and hands it to job, reporting inputs that cannot be read (or, with
    // needPixels, hold an empty grid). With everyPage, each page of a TIFF stack goes to job in
    // turn (stackPage() tells which); otherwise only its first. Failure when any input failed.
    int eachInput(const QStringList &inputs, bool needPixels, const InputJob &job, bool everyPage = false);
    // The page of a stack the job of eachInput is given, counted from 1; 0 for a file of one page.
    int stackPage() const { return page; }
    // path with "-n" before its suffix for page n of a stack; path itself for page 0.
    static QString pagePath(const QString &path, int page);
    // For commands that turn every input with pixels into one 2dData result: make runs on each
    // and its result goes to the input's output file under -o (outputPaths, suffix ".qlv").
    int eachResult(const CliArgs &args, const ResultJob &make);
    // For commands that report on every input: the text blocks go to the output as they come,
    // separated by blank lines, or with json the objects as one JSON array once all are done.
    // Every page of a stack is described, as "file[n]".
    int describeInputs(const QStringList &inputs, bool json, const DescribeJob &describe);
    // The output file of each input: out itself for a single input unless out names a folder, else
    // out/<complete base name of the input><suffix>. The folder is made when missing. Returns
    // Success, or the exit code after reporting the problem.
    int outputPaths(const QStringList &inputs, const QString &out, const QString &suffix, QStringList *paths);
    int makeFolder(const QString &folder);
    bool saveData(const TDData &data, const QString &path);
    bool saveBytes(const QByteArray &bytes, const QString &path);
    // As a TIFF of 32-bit floats (FloatTiff).
    bool saveFloatTiff(const TDData &data, const QString &path);

    // Option values, checked before any input is read; false after reporting a usage error.
    bool rectOption(const CliArgs &args, const QString &name, QRect *rect, bool *given);
    bool halfOption(const CliArgs &args, int *hw, int *hh);
    bool intOption(const CliArgs &args, const QString &name, int min, int max, int *value);
    bool doubleOption(const CliArgs &args, const QString &name, double *value);
    // The rectangle (or, when not given, the whole grid) for src; false, reported, when it misses the grid.
    bool rectFor(const QString &input, const TDData &src, bool given, const QRect &rect, QRect *result);

private:
    // The tool and the command, as messages begin.
    QString who() const;

    QTextStream &out;
    QTextStream &err;
    CliProgress progressLine;
    bool verbose = false;
    QString commandName;
    int page = 0;
    QStringList diagnostics;
    // Rows of the matching run under way, for the progress line.
    int rowsTop = 0;
    int rowsCount = 0;
};
