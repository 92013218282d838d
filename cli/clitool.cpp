#include "clitool.h"

#include "cli/cliargs.h"
#include "cli/cliprogress.h"
#include "cli/peakcsv.h"
#include "data/datainfo.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "data/tddataheader.h"
#include "display/colorbar0.h"
#include "processing/adaptivethresholdf.h"
#include "processing/calcratio.h"
#include "processing/copyaroundpeaks.h"
#include "processing/copyregion.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>
#include <QVector>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

struct CliTool::Command
{
    QString name;
    QString synopsis;
    QString summary;
    QString details;
    QVector<CliOption> options;
    QStringList required;
    int minInputs;
    int maxInputs;  // -1: any number
    int (CliTool::*handler)(const CliArgs &);
};

namespace {

const QString Program = QStringLiteral("quelvo-cli");

CliTool *current = nullptr;
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

CliOption option(const QString &name, QChar shortName, int arity, const QString &valueName, const QString &help)
{
    return {name, shortName, arity, valueName, help};
}

CliOption outputOption(const QString &what)
{
    return option(QStringLiteral("output"), QLatin1Char('o'), CliOption::One, QStringLiteral("OUT"), what);
}

CliOption rectOptionSpec()
{
    return option(QStringLiteral("rect"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"),
                  QStringLiteral("work rectangle (default: the whole grid)"));
}

CliOption halfOptionSpec()
{
    return option(QStringLiteral("half"), QChar(), CliOption::Two, QStringLiteral("W H"),
                  QStringLiteral("half width and half height of the window (0 or more)"));
}

const QString OneOutput = QStringLiteral("output file, or folder for several inputs");

QVector<CliOption> withCommonOptions(QVector<CliOption> options)
{
    options.append(option(QStringLiteral("verbose"), QLatin1Char('v'), CliOption::Flag, QString(),
                          QStringLiteral("show the library's diagnostic lines")));
    options.append(option(QStringLiteral("help"), QLatin1Char('h'), CliOption::Flag, QString(), QStringLiteral("show this help")));
    return options;
}

QString toolHelp()
{
    QString text = QStringLiteral("Usage: %1 COMMAND [OPTIONS] FILE...\n\n"
                                  "Batch processing of 2-D measured data with Quelvo's own operations.\n\n"
                                  "Commands:\n").arg(Program);
    for (const CliTool::Command &c : CliTool::commands())
        text += QStringLiteral("  %1%2\n").arg(c.name.leftJustified(10), c.summary);
    text += QStringLiteral(
        "\nInputs are TIFF (16-bit), ZRT, PLMR CT text or 2dData files, recognised by their contents.\n"
        "Rectangles are L,T,R,B: inclusive pixel corners, x to the right, y downwards.\n"
        "With several inputs, OUT is a folder (made when missing) receiving one file per input,\n"
        "named after it.\n\n"
        "Exit status: 0 success, 1 an input could not be read or processed, 2 bad usage.\n"
        "Run '%1 COMMAND --help' for the options of a command.\n").arg(Program);
    return text;
}

QString commandHelp(const CliTool::Command &c)
{
    QString text = QStringLiteral("Usage: %1 %2 %3\n\n%4.\n").arg(Program, c.name, c.synopsis, c.summary);
    if (!c.details.isEmpty())
        text += QLatin1Char('\n') + c.details + QLatin1Char('\n');
    text += QStringLiteral("\nOptions:\n") + CliArgs(withCommonOptions(c.options)).optionHelp();
    return text;
}

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

qint64 validCount(const TDData &data)
{
    return data.valids.count(true);
}

QJsonArray rectJson(const QRect &r)
{
    return {r.left(), r.top(), r.right(), r.bottom()};
}

QJsonObject infoJson(const DataInfo &info)
{
    QJsonObject o{{QStringLiteral("kind"), info.kind}, {QStringLiteral("name"), info.name}};
    if (info.kind == DataInfo::PeakList) {
        QJsonArray points;
        for (const QPointF &p : info.points)
            points.append(QJsonArray{p.x(), p.y()});
        o.insert(QStringLiteral("points"), points);
    } else if (info.kind == DataInfo::RegionList) {
        QJsonArray rects;
        for (const QRect &r : info.rects)
            rects.append(rectJson(r));
        o.insert(QStringLiteral("rects"), rects);
    } else if (info.kind == DataInfo::Region) {
        o.insert(QStringLiteral("rect"), rectJson(info.rect));
    }
    return o;
}

QJsonObject dataJson(const QString &file, const TDData &data)
{
    QJsonArray infos;
    for (const DataInfo *info : data.infos)
        infos.append(infoJson(*info));
    return {{QStringLiteral("file"), file},
            {QStringLiteral("width"), data.width},
            {QStringLiteral("height"), data.height},
            {QStringLiteral("id"), data.dataId},
            {QStringLiteral("min"), data.minVal},
            {QStringLiteral("max"), data.maxVal},
            {QStringLiteral("validPixels"), validCount(data)},
            {QStringLiteral("region"), data.regionSet ? QJsonValue(rectJson(data.region)) : QJsonValue()},
            {QStringLiteral("infos"), infos}};
}

QString infoText(const DataInfo &info)
{
    switch (info.kind) {
    case DataInfo::PeakList:
        return QStringLiteral("peak list \"%1\", %2 points").arg(info.name).arg(info.points.size());
    case DataInfo::RegionList:
        return QStringLiteral("region list, %1 rectangles").arg(info.rects.size());
    case DataInfo::Region:
        return QStringLiteral("region %1").arg(CliArgs::rectText(info.rect));
    default:
        return QStringLiteral("kind %1").arg(info.kind);
    }
}

QString dataText(const QString &file, const TDData &data)
{
    QString text = file + QLatin1Char('\n');
    text += QStringLiteral("  size: %1 x %2\n").arg(data.width).arg(data.height);
    text += QStringLiteral("  identifier: %1\n").arg(data.dataId);
    text += QStringLiteral("  range: %1 .. %2\n").arg(number(data.minVal), number(data.maxVal));
    text += QStringLiteral("  valid pixels: %1 of %2\n").arg(validCount(data)).arg(data.values.size());
    text += QStringLiteral("  region: %1\n").arg(data.regionSet ? CliArgs::rectText(data.region) : QStringLiteral("none"));
    text += QStringLiteral("  info items: %1\n").arg(data.infos.size());
    for (const DataInfo *info : data.infos)
        text += QStringLiteral("    %1\n").arg(infoText(*info));
    return text;
}

// Lines the readers and filters write on success; they explain no failure.
const QRegularExpression Chatter(QStringLiteral("^(ksv|header size|2dData save:|iy|M|exec[12])( |$)"));
const QRegularExpression MatchRow(QStringLiteral("^(iy|M) (-?\\d+)$"));

} // namespace

QVector<CliTool::Command> CliTool::commands()
{
    const auto peakOptions = [](const QString &of) {
        return QVector<CliOption>{
            option(QStringLiteral("num"), QChar(), CliOption::One, QStringLiteral("N"), QStringLiteral("number of peaks to find")),
            option(QStringLiteral("radius"), QChar(), CliOption::One, QStringLiteral("R"),
                   QStringLiteral("exclusion radius in pixels around every peak found")),
            option(QStringLiteral("min"), QChar(), CliOption::Flag, QString(), QStringLiteral("find minima instead of maxima")),
            option(QStringLiteral("rect"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"),
                   QStringLiteral("rectangle searched in %1 (default: the whole grid)").arg(of))};
    };
    QVector<CliOption> peaksOptions = peakOptions(QStringLiteral("each input"));
    peaksOptions.prepend(outputOption(QStringLiteral("2dData output file, or folder for several inputs")));
    peaksOptions.append(option(QStringLiteral("csv"), QChar(), CliOption::One, QStringLiteral("CSV"),
                               QStringLiteral("peak list file (index,x,y,value), or folder for several inputs")));
    QVector<CliOption> tilesOptions{
        outputOption(QStringLiteral("folder receiving one 2dData file per tile")),
        option(QStringLiteral("template"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"),
               QStringLiteral("rectangle of S2 that is copied (default: the whole grid)")),
        option(QStringLiteral("peaks"), QChar(), CliOption::One, QStringLiteral("CSV"), QStringLiteral("peak list written by 'peaks --csv'")),
        option(QStringLiteral("peaks-of"), QChar(), CliOption::One, QStringLiteral("FILE"),
               QStringLiteral("find the peaks in FILE (needs --num and --radius)")),
        option(QStringLiteral("ref"), QChar(), CliOption::One, QStringLiteral("K"),
               QStringLiteral("reference peak, numbered from 0 in list order (default 0)")),
        option(QStringLiteral("order"), QChar(), CliOption::One, QStringLiteral("h|v|hv|vh"),
               QStringLiteral("save order: by x, by y, by x then y, by y then x (default h)")),
        option(QStringLiteral("rl"), QChar(), CliOption::Flag, QString(), QStringLiteral("x descending (right to left)")),
        option(QStringLiteral("bt"), QChar(), CliOption::Flag, QString(), QStringLiteral("y descending (bottom to top)"))};
    tilesOptions += peakOptions(QStringLiteral("the --peaks-of file"));

    return {
        {QStringLiteral("info"), QStringLiteral("[--json] FILE..."),
         QStringLiteral("Show size, identifier, value range, valid pixels, region and info items"), QString(),
         {option(QStringLiteral("json"), QChar(), CliOption::Flag, QString(), QStringLiteral("write a JSON array instead of text"))},
         {}, 1, -1, &CliTool::info},
        {QStringLiteral("convert"), QStringLiteral("FILE... -o OUT"),
         QStringLiteral("Write readable files (TIFF, ZRT, PLMR CT text, 2dData) as 2dData"), QString(),
         {outputOption(OneOutput)}, {QStringLiteral("output")}, 1, -1, &CliTool::convert},
        {QStringLiteral("ma"), QStringLiteral("FILE... -o OUT --half W H"), QStringLiteral("Moving average over the valid pixels"),
         QStringLiteral("The window is 2W+1 columns by 2H+1 rows; invalid pixels stay invalid. Results are named\n"
                        "\"<id>: MA(W,H)\"."),
         {outputOption(OneOutput), halfOptionSpec()}, {QStringLiteral("output"), QStringLiteral("half")}, 1, -1,
         &CliTool::movingAverage},
        {QStringLiteral("at"), QStringLiteral("FILE... -o OUT --half W H [--rect L,T,R,B]"), QStringLiteral("Adaptive threshold"),
         QStringLiteral("1 where a pixel is above the moving average of its window, else 0; pixels outside the\n"
                        "rectangle are invalid. Results are named \"<id>: AT(W,H)\"."),
         {outputOption(OneOutput), halfOptionSpec(), rectOptionSpec()}, {QStringLiteral("output"), QStringLiteral("half")}, 1,
         -1, &CliTool::adaptiveThreshold},
        {QStringLiteral("match"), QStringLiteral("FILE... -o OUT --template L,T,R,B [--measure cos|acos] [--rect L,T,R,B]"),
         QStringLiteral("Pattern matching against a template cut out of each input"),
         QStringLiteral("At every window position of the rectangle (the window's top-left corner) the window of the\n"
                        "template's size is compared with the template: cos of the angle between them (cos) or\n"
                        "1 - angle/pi (acos). Results are named \"<id>: PM\"."),
         {outputOption(OneOutput),
          option(QStringLiteral("template"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"), QStringLiteral("template rectangle")),
          option(QStringLiteral("measure"), QChar(), CliOption::One, QStringLiteral("cos|acos"), QStringLiteral("similarity measure (default cos)")),
          rectOptionSpec()},
         {QStringLiteral("output"), QStringLiteral("template")}, 1, -1, &CliTool::match},
        {QStringLiteral("peaks"), QStringLiteral("FILE... [-o OUT] [--csv CSV] --num N --radius R [--min] [--rect L,T,R,B]"),
         QStringLiteral("Find peaks"),
         QStringLiteral("Finds N maxima (or minima) one after the other, each at least R pixels from those before.\n"
                        "The 2dData result shows the peak values on a zero background (\"<id>: PKs(+)\"); the CSV\n"
                        "lists index,x,y,value in the order found. Give -o, --csv or both."),
         peaksOptions, {QStringLiteral("num"), QStringLiteral("radius")}, 1, -1, &CliTool::peaks},
        {QStringLiteral("calc"), QStringLiteral("--num A... [--den B...] [--log] [--neg] [--region FILE=L,T,R,B] -o OUT"),
         QStringLiteral("Ratio of the sum of datasets A to the sum of datasets B"),
         QStringLiteral("Pixel by pixel: sum of A / sum of B, then the natural logarithm (--log) and the sign\n"
                        "(--neg). Operands are aligned at their top-left pixel; the result has the size of the first\n"
                        "operand on the command line and is named like Cl[log(I[1]+I[2]/I[3])], operands numbered\n"
                        "by their position. Pixels that cannot be computed are invalid."),
         {outputOption(QStringLiteral("output file")),
          option(QStringLiteral("num"), QChar(), CliOption::Many, QStringLiteral("A..."), QStringLiteral("numerator files")),
          option(QStringLiteral("den"), QChar(), CliOption::Many, QStringLiteral("B..."), QStringLiteral("denominator files")),
          option(QStringLiteral("log"), QChar(), CliOption::Flag, QString(), QStringLiteral("take the natural logarithm")),
          option(QStringLiteral("neg"), QChar(), CliOption::Flag, QString(), QStringLiteral("negate the result")),
          option(QStringLiteral("region"), QChar(), CliOption::One, QStringLiteral("FILE=L,T,R,B"),
                 QStringLiteral("use FILE only inside the rectangle (may be repeated)"))},
         {QStringLiteral("output")}, 0, 0, &CliTool::calc},
        {QStringLiteral("crop"), QStringLiteral("FILE... --rect L,T,R,B [--in-place] -o OUT"), QStringLiteral("Cut out a rectangle"),
         QStringLiteral("The result is the rectangle's size, or with --in-place the input's size with every pixel\n"
                        "outside the rectangle invalid. Results are named \"<id>: Cp(L,T)-(R,B)\"."),
         {outputOption(OneOutput),
          option(QStringLiteral("rect"), QChar(), CliOption::One, QStringLiteral("L,T,R,B"), QStringLiteral("rectangle to copy")),
          option(QStringLiteral("in-place"), QChar(), CliOption::Flag, QString(), QStringLiteral("keep the input's size"))},
         {QStringLiteral("output"), QStringLiteral("rect")}, 1, -1, &CliTool::crop},
        {QStringLiteral("tiles"),
         QStringLiteral("S2 (--peaks CSV | --peaks-of FILE --num N --radius R) [--template L,T,R,B] [--ref K]\n"
                        "       [--order h|v|hv|vh] [--rl] [--bt] -o DIR"),
         QStringLiteral("Copy a rectangle of S2 around every peak"),
         QStringLiteral("The template keeps its offset from the reference peak: every peak gets a copy placed the\n"
                        "same way. Tiles are numbered k = 0, 1, ... in save order, written as DIR/<S2 name>-<k>.qlv\n"
                        "and named \"<id>:CpAPk[k(x,y)]\"."),
         tilesOptions, {QStringLiteral("output")}, 1, 1, &CliTool::tiles},
        {QStringLiteral("render"), QStringLiteral("FILE... -o OUT.png [--grey] [--lower F] [--upper F]"),
         QStringLiteral("Render through the colour table or the grey ramp into PNG"),
         QStringLiteral("Values are normalised by each dataset's range (0 at its minimum, 1 at its maximum) and\n"
                        "stretched between the marks; invalid pixels get their own colour."),
         {outputOption(QStringLiteral("PNG file, or folder for several inputs")),
          option(QStringLiteral("grey"), QChar(), CliOption::Flag, QString(), QStringLiteral("grey ramp instead of the colour table")),
          option(QStringLiteral("lower"), QChar(), CliOption::One, QStringLiteral("F"), QStringLiteral("lower mark (default 0)")),
          option(QStringLiteral("upper"), QChar(), CliOption::One, QStringLiteral("F"), QStringLiteral("upper mark (default 1)"))},
         {QStringLiteral("output")}, 1, -1, &CliTool::render},
    };
}

CliTool::CliTool(QTextStream &out, QTextStream &err, bool progress)
    : out(out)
    , err(err)
    , progressWanted(progress)
{
}

CliTool::~CliTool() = default;

void CliTool::setProgressTiming(int delayMs, int intervalMs)
{
    progressDelayMs = delayMs;
    progressIntervalMs = intervalMs;
}

int CliTool::run(const QStringList &args)
{
    progress = std::make_unique<CliProgress>(err, progressWanted, progressDelayMs, progressIntervalMs);
    current = this;
    previousHandler = qInstallMessageHandler(messageHandler);
    const TIFFErrorHandler oldError = TIFFSetErrorHandler(libtiffError);
    const TIFFErrorHandler oldWarning = TIFFSetWarningHandler(libtiffWarning);
    commandName.clear();

    int code = Usage;
    const QString first = args.value(0);
    const QVector<Command> all = commands();
    const auto found = std::find_if(all.begin(), all.end(), [&](const Command &c) { return c.name == first; });
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        const auto topic = std::find_if(all.begin(), all.end(), [&](const Command &c) { return c.name == args.value(1); });
        out << (topic == all.end() ? toolHelp() : commandHelp(*topic));
        code = Success;
    } else if (found != all.end()) {
        commandName = found->name;
        code = runCommand(*found, args.mid(1));
    } else {
        code = usageError(first.isEmpty() ? QStringLiteral("no command given") : QStringLiteral("unknown command '%1'").arg(first));
    }
    progress->clear();
    out.flush();
    err.flush();
    releaseDeferred();

    TIFFSetWarningHandler(oldWarning);
    TIFFSetErrorHandler(oldError);
    qInstallMessageHandler(previousHandler);
    current = nullptr;
    return code;
}

int CliTool::runCommand(const Command &command, const QStringList &args)
{
    CliArgs parsed(withCommonOptions(command.options));
    if (!parsed.parse(args))
        return usageError(parsed.errorText());
    if (parsed.isSet(QStringLiteral("help"))) {
        out << commandHelp(command);
        return Success;
    }
    verbose = parsed.isSet(QStringLiteral("verbose"));
    for (const QString &name : command.required) {
        if (!parsed.isSet(name))
            return usageError(QStringLiteral("option '--%1' is required").arg(name));
    }
    const int inputs = parsed.positional().size();
    if (inputs < command.minInputs)
        return usageError(QStringLiteral("no input file given"));
    if (command.maxInputs >= 0 && inputs > command.maxInputs)
        return usageError(command.maxInputs == 0 ? QStringLiteral("unexpected argument '%1'").arg(parsed.positional().first())
                                                 : QStringLiteral("takes exactly one input file"));
    return (this->*command.handler)(parsed);
}

int CliTool::usageError(const QString &message)
{
    const QString who = commandName.isEmpty() ? Program : Program + QLatin1Char(' ') + commandName;
    say(QStringLiteral("%1: %2\nTry '%1 --help' for more information.").arg(who, message));
    return Usage;
}

// ---- inputs and outputs

std::unique_ptr<TDData> CliTool::load(const QString &file)
{
    const QFileInfo fi(file);
    if (!fi.exists()) {
        report(file, QStringLiteral("no such file"));
        return nullptr;
    }
    if (fi.isDir()) {
        report(file, QStringLiteral("is a folder"));
        return nullptr;
    }
    QFile probe(file);
    if (!probe.open(QIODevice::ReadOnly)) {
        report(file, probe.errorString());
        return nullptr;
    }
    probe.close();

    beginCapture();
    // The main window's order: a 2dData file directly, anything else through the image readers.
    auto data = std::make_unique<TDData>();
    TDDataHeader header;
    if (header.readHeader(file) && data->read2dData(file)) {
        // The reader fills what a short file lacks with invalid zeros; in a batch that is a broken file.
        const qint64 needed = header.headerSize + qint64(header.width) * header.height * (sizeof(double) + 1);
        if (fi.size() >= needed)
            return data;
        report(file, QStringLiteral("truncated 2dData file: %1 of %2 bytes").arg(fi.size()).arg(needed));
        return nullptr;
    }
    ImgData img;
    if (img.load(file))
        return std::unique_ptr<TDData>(img.toTDData());
    const QString details = captured(file);
    report(file, QStringLiteral("not a readable TIFF, ZRT, PLMR CT text or 2dData file") + details);
    return nullptr;
}

int CliTool::eachInput(const QStringList &inputs, bool needPixels, const InputJob &job)
{
    bool allDone = true;
    for (int i = 0; i < inputs.size(); ++i) {
        const QString &input = inputs.at(i);
        progress->setItem(QStringLiteral("%1 %2: [%3/%4] %5").arg(Program, commandName).arg(i + 1).arg(inputs.size()).arg(input));
        std::unique_ptr<TDData> src = load(input);
        bool done = false;
        if (src && needPixels && src->values.isEmpty())
            report(input, QStringLiteral("holds no pixels (%1 x %2)").arg(src->width).arg(src->height));
        else if (src)
            done = job(input, src.get(), i);
        allDone = allDone && done;
        src.reset();
        releaseDeferred();
    }
    return allDone ? Success : Failure;
}

int CliTool::makeFolder(const QString &folder)
{
    if (QDir().mkpath(folder))
        return Success;
    report(folder, QStringLiteral("cannot make this folder"));
    return Failure;
}

int CliTool::outputPaths(const QStringList &inputs, const QString &out, const QString &suffix, QStringList *paths)
{
    paths->clear();
    const bool folder = inputs.size() > 1 || QFileInfo(out).isDir() || out.endsWith(QLatin1Char('/'));
    if (!folder) {
        paths->append(out);
        return Success;
    }
    QSet<QString> taken;
    for (const QString &input : inputs) {
        const QString path = QDir(out).filePath(QFileInfo(input).completeBaseName() + suffix);
        if (taken.contains(path))
            return usageError(QStringLiteral("two inputs would both be written to %1").arg(path));
        taken.insert(path);
        paths->append(path);
    }
    return makeFolder(out);
}

bool CliTool::saveData(const TDData &data, const QString &path)
{
    beginCapture();
    if (data.save2dData(path))
        return true;
    report(path, QStringLiteral("cannot write") + captured(path));
    return false;
}

bool CliTool::saveBytes(const QByteArray &bytes, const QString &path)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    report(path, QStringLiteral("cannot write: ") + file.errorString());
    file.cancelWriting();
    return false;
}

bool CliTool::failed(const QString &input, const QString &what)
{
    report(input, what + captured(input));
    return false;
}

// ---- options

bool CliTool::rectOption(const CliArgs &args, const QString &name, QRect *rect, bool *given)
{
    *given = args.isSet(name);
    if (!*given)
        return true;
    if (CliArgs::parseRect(args.value(name), rect))
        return true;
    usageError(QStringLiteral("option '--%1' needs L,T,R,B with L <= R and T <= B, got '%2'").arg(name, args.value(name)));
    return false;
}

bool CliTool::halfOption(const CliArgs &args, int *hw, int *hh)
{
    const QStringList v = args.values(QStringLiteral("half"));
    // Windows wider than any grid average like the grid's own width; the limit only keeps sums sane.
    const int limit = 1000000;
    if (CliArgs::parseInt(v.value(v.size() - 2), 0, limit, hw) && CliArgs::parseInt(v.value(v.size() - 1), 0, limit, hh))
        return true;
    usageError(QStringLiteral("option '--half' needs two whole numbers from 0 to %1, got '%2'").arg(limit).arg(v.mid(v.size() - 2).join(QLatin1Char(' '))));
    return false;
}

bool CliTool::intOption(const CliArgs &args, const QString &name, int min, int max, int *value)
{
    if (CliArgs::parseInt(args.value(name), min, max, value))
        return true;
    usageError(QStringLiteral("option '--%1' needs a whole number from %2 to %3, got '%4'").arg(name).arg(min).arg(max).arg(args.value(name)));
    return false;
}

bool CliTool::doubleOption(const CliArgs &args, const QString &name, double *value)
{
    if (CliArgs::parseDouble(args.value(name), value))
        return true;
    usageError(QStringLiteral("option '--%1' needs a number, got '%2'").arg(name, args.value(name)));
    return false;
}

bool CliTool::rectFor(const QString &input, const TDData &src, bool given, const QRect &rect, QRect *result)
{
    const QRect grid(0, 0, src.width, src.height);
    *result = given ? rect : grid;
    if (grid.intersects(*result))
        return true;
    report(input, QStringLiteral("the rectangle %1 lies outside the %2 x %3 grid").arg(CliArgs::rectText(rect)).arg(src.width).arg(src.height));
    return false;
}

// ---- commands

int CliTool::info(const CliArgs &args)
{
    const bool json = args.isSet(QStringLiteral("json"));
    QJsonArray all;
    bool firstText = true;
    const int code = eachInput(args.positional(), false, [&](const QString &input, TDData *src, int) {
        if (json) {
            all.append(dataJson(input, *src));
        } else {
            progress->clear();
            out << (firstText ? QString() : QStringLiteral("\n")) << dataText(input, *src) << Qt::flush;
            firstText = false;
        }
        return true;
    });
    if (json)
        out << QJsonDocument(all).toJson(QJsonDocument::Indented);
    return code;
}

int CliTool::convert(const CliArgs &args)
{
    QStringList outputs;
    if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &outputs))
        return code;
    return eachInput(args.positional(), false, [&](const QString &, TDData *src, int i) { return saveData(*src, outputs.at(i)); });
}

int CliTool::movingAverage(const CliArgs &args)
{
    int hw = 0;
    int hh = 0;
    if (!halfOption(args, &hw, &hh))
        return Usage;
    QStringList outputs;
    if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &outputs))
        return code;
    const MovingAvrF filter(hw, hh);
    return eachInput(args.positional(), true, [&](const QString &, TDData *src, int i) {
        const std::unique_ptr<TDData> result(filter.exec(src, QRect(0, 0, src->width, src->height)));
        return saveData(*result, outputs.at(i));
    });
}

int CliTool::adaptiveThreshold(const CliArgs &args)
{
    int hw = 0;
    int hh = 0;
    QRect rect;
    bool rectGiven = false;
    if (!halfOption(args, &hw, &hh) || !rectOption(args, QStringLiteral("rect"), &rect, &rectGiven))
        return Usage;
    QStringList outputs;
    if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &outputs))
        return code;
    const AdaptiveThresholdF filter(hw, hh);
    return eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        QRect work;
        if (!rectFor(input, *src, rectGiven, rect, &work))
            return false;
        const std::unique_ptr<TDData> result(filter.exec(src, work));
        return saveData(*result, outputs.at(i));
    });
}

int CliTool::match(const CliArgs &args)
{
    QRect templ;
    QRect rect;
    bool templGiven = false;
    bool rectGiven = false;
    if (!rectOption(args, QStringLiteral("template"), &templ, &templGiven) || !rectOption(args, QStringLiteral("rect"), &rect, &rectGiven))
        return Usage;
    const QString measureText = args.isSet(QStringLiteral("measure")) ? args.value(QStringLiteral("measure")) : QStringLiteral("cos");
    if (measureText != QLatin1String("cos") && measureText != QLatin1String("acos"))
        return usageError(QStringLiteral("option '--measure' is cos or acos, got '%1'").arg(measureText));
    QStringList outputs;
    if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &outputs))
        return code;
    MatchingF filter(measureText == QLatin1String("acos") ? MatchingF::ArcCosTh : MatchingF::CosTh, MatchingF::Exec2);
    return eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        QRect work;
        QRect unused;
        if (!rectFor(input, *src, true, templ, &unused) || !rectFor(input, *src, rectGiven, rect, &work))
            return false;
        // The template is the source's own region, as when the user drags it on the image.
        src->setRegion(templ);
        const QRect rows = work & QRect(0, 0, src->width, src->height);
        rowsTop = rows.top();
        rowsCount = rows.height();
        beginCapture();
        const std::unique_ptr<TDData> result(filter.exec2(src, work));
        rowsCount = 0;
        if (!result)
            return failed(input, QStringLiteral("cannot match against the template %1").arg(CliArgs::rectText(templ)));
        return saveData(*result, outputs.at(i));
    });
}

int CliTool::peaks(const CliArgs &args)
{
    int num = 0;
    double radius = 0.0;
    QRect rect;
    bool rectGiven = false;
    if (!intOption(args, QStringLiteral("num"), 1, 100000, &num) || !doubleOption(args, QStringLiteral("radius"), &radius)
        || !rectOption(args, QStringLiteral("rect"), &rect, &rectGiven))
        return Usage;
    const bool toData = args.isSet(QStringLiteral("output"));
    const bool toCsv = args.isSet(QStringLiteral("csv"));
    if (!toData && !toCsv)
        return usageError(QStringLiteral("give -o, --csv or both"));
    QStringList dataPaths;
    QStringList csvPaths;
    if (toData) {
        if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &dataPaths))
            return code;
    }
    if (toCsv) {
        if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("csv")), QStringLiteral(".csv"), &csvPaths))
            return code;
    }
    const FindPeaksF filter(std::abs(radius), num, !args.isSet(QStringLiteral("min")));
    return eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        QRect work;
        if (!rectFor(input, *src, rectGiven, rect, &work))
            return false;
        const std::unique_ptr<TDData> result(filter.exec(src, work));
        if (toData && !saveData(*result, dataPaths.at(i)))
            return false;
        if (toCsv && !saveBytes(PeakCsv::write(result->infos.last()->points, result.get()), csvPaths.at(i))) {
            // Both outputs or none: the grid just written goes again.
            if (toData)
                QFile::remove(dataPaths.at(i));
            return false;
        }
        return true;
    });
}

int CliTool::calc(const CliArgs &args)
{
    struct Operand
    {
        QString file;
        bool numerator;
        std::unique_ptr<TDData> data;
        RatioOperand ratio;
    };
    std::vector<Operand> operands;
    for (const auto &item : args.items()) {
        if (item.first == QLatin1String("num") || item.first == QLatin1String("den"))
            operands.push_back({item.second, item.first == QLatin1String("num"), nullptr, RatioOperand()});
    }
    if (operands.empty())
        return usageError(QStringLiteral("give at least one --num or --den file"));
    for (const QString &regionArg : args.values(QStringLiteral("region"))) {
        const int eq = regionArg.lastIndexOf(QLatin1Char('='));
        const QString file = regionArg.left(eq);
        QRect r;
        if (eq < 1 || !CliArgs::parseRect(regionArg.mid(eq + 1), &r))
            return usageError(QStringLiteral("option '--region' needs FILE=L,T,R,B, got '%1'").arg(regionArg));
        bool named = false;
        for (Operand &op : operands) {
            if (op.file == file) {
                op.ratio.masked = true;
                op.ratio.corner1 = r.topLeft();
                op.ratio.corner2 = r.bottomRight();
                named = true;
            }
        }
        if (!named)
            return usageError(QStringLiteral("option '--region' names '%1', which is no operand").arg(file));
    }

    // Every operand is read, so that each unreadable one is reported.
    bool allRead = true;
    for (int k = 0; k < int(operands.size()); ++k) {
        progress->setItem(QStringLiteral("%1 calc: reading [%2/%3] %4").arg(Program).arg(k + 1).arg(operands.size()).arg(operands[k].file));
        operands[k].data = load(operands[k].file);
        allRead = allRead && operands[k].data;
    }
    if (!allRead)
        return Failure;

    QVector<RatioOperand> numerators;
    QVector<RatioOperand> denominators;
    QVector<int> numNumbers;
    QVector<int> denNumbers;
    for (int k = 0; k < int(operands.size()); ++k) {
        Operand &op = operands[k];
        op.ratio.data = op.data.get();
        (op.numerator ? numerators : denominators).append(op.ratio);
        (op.numerator ? numNumbers : denNumbers).append(k + 1);
    }
    RatioOptions options;
    options.log = args.isSet(QStringLiteral("log"));
    options.neg = args.isSet(QStringLiteral("neg"));
    const TDData &first = *operands.front().data;
    progress->setItem(QStringLiteral("%1 calc: computing").arg(Program));
    const std::unique_ptr<TDData> result(CalcRatio::exec(numerators, denominators, first.width, first.height, options));
    result->dataId = CalcRatio::resultName(CalcRatio::operandText(numNumbers), CalcRatio::operandText(denNumbers), options);
    return saveData(*result, args.value(QStringLiteral("output"))) ? Success : Failure;
}

int CliTool::crop(const CliArgs &args)
{
    QRect rect;
    bool given = false;
    if (!rectOption(args, QStringLiteral("rect"), &rect, &given))
        return Usage;
    QStringList outputs;
    if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &outputs))
        return code;
    const bool resize = !args.isSet(QStringLiteral("in-place"));
    return eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        QRect unused;
        if (!rectFor(input, *src, true, rect, &unused))
            return false;
        beginCapture();
        const std::unique_ptr<TDData> result(CopyRegion::exec(src, rect, resize));
        if (!result)
            return failed(input, QStringLiteral("cannot copy the rectangle %1").arg(CliArgs::rectText(rect)));
        return saveData(*result, outputs.at(i));
    });
}

int CliTool::tiles(const CliArgs &args)
{
    const bool fromCsv = args.isSet(QStringLiteral("peaks"));
    const bool fromData = args.isSet(QStringLiteral("peaks-of"));
    if (fromCsv == fromData)
        return usageError(QStringLiteral("give either --peaks or --peaks-of"));
    const QStringList findOptions{QStringLiteral("num"), QStringLiteral("radius"), QStringLiteral("min"), QStringLiteral("rect")};
    for (const QString &name : findOptions) {
        if (fromCsv && args.isSet(name))
            return usageError(QStringLiteral("option '--%1' goes with --peaks-of only").arg(name));
    }
    int num = 0;
    double radius = 0.0;
    QRect rect;
    bool rectGiven = false;
    if (fromData) {
        for (const QString &name : {QStringLiteral("num"), QStringLiteral("radius")}) {
            if (!args.isSet(name))
                return usageError(QStringLiteral("--peaks-of needs '--%1'").arg(name));
        }
        if (!intOption(args, QStringLiteral("num"), 1, 100000, &num) || !doubleOption(args, QStringLiteral("radius"), &radius)
            || !rectOption(args, QStringLiteral("rect"), &rect, &rectGiven))
            return Usage;
    }
    QRect templ;
    bool templGiven = false;
    int reference = 0;
    if (!rectOption(args, QStringLiteral("template"), &templ, &templGiven))
        return Usage;
    if (args.isSet(QStringLiteral("ref")) && !intOption(args, QStringLiteral("ref"), 0, 100000000, &reference))
        return Usage;
    SaveOrder order;
    const QString orderText = args.isSet(QStringLiteral("order")) ? args.value(QStringLiteral("order")) : QStringLiteral("h");
    const QVector<QPair<QString, SaveOrder::Axis>> axes{
        {QStringLiteral("h"), SaveOrder::H}, {QStringLiteral("v"), SaveOrder::V}, {QStringLiteral("hv"), SaveOrder::HFirst}, {QStringLiteral("vh"), SaveOrder::VFirst}};
    const auto axis = std::find_if(axes.begin(), axes.end(), [&](const auto &a) { return a.first == orderText; });
    if (axis == axes.end())
        return usageError(QStringLiteral("option '--order' is h, v, hv or vh, got '%1'").arg(orderText));
    order.axis = axis->second;
    order.rightToLeft = args.isSet(QStringLiteral("rl"));
    order.bottomToTop = args.isSet(QStringLiteral("bt"));

    QVector<QPointF> peakList;
    if (fromCsv) {
        const QString csv = args.value(QStringLiteral("peaks"));
        QFile file(csv);
        QString error;
        if (!file.open(QIODevice::ReadOnly)) {
            report(csv, file.errorString());
            return Failure;
        }
        if (!PeakCsv::read(file.readAll(), &peakList, &error)) {
            report(csv, error);
            return Failure;
        }
    } else {
        const QString of = args.value(QStringLiteral("peaks-of"));
        const int code = eachInput({of}, true, [&](const QString &input, TDData *src, int) {
            QRect work;
            if (!rectFor(input, *src, rectGiven, rect, &work))
                return false;
            const std::unique_ptr<TDData> found(FindPeaksF(std::abs(radius), num, !args.isSet(QStringLiteral("min"))).exec(src, work));
            peakList = CopyAroundPeaks::collectPeaks(found.get());
            return true;
        });
        if (code != Success)
            return code;
    }

    const QString folder = args.value(QStringLiteral("output"));
    const QString s2 = args.positional().first();
    if (reference >= peakList.size()) {
        report(s2, QStringLiteral("there is no reference peak %1 among %2 peaks").arg(reference).arg(peakList.size()));
        return Failure;
    }
    if (const int code = makeFolder(folder))
        return code;
    return eachInput({s2}, true, [&](const QString &input, TDData *src, int) {
        QRect unused;
        if (templGiven) {
            if (!rectFor(input, *src, true, templ, &unused))
                return false;
            src->setRegion(templ);
        }
        beginCapture();
        const QVector<PeakTile> plan = CopyAroundPeaks::plan(peakList, reference, CopyAroundPeaks::templateRect(src), order);
        if (plan.isEmpty())
            return failed(input, QStringLiteral("cannot place the tiles"));
        const int digits = QString::number(plan.size() - 1).size();
        const QString base = QFileInfo(input).completeBaseName();
        QStringList written;
        for (const PeakTile &tile : plan) {
            progress->setDetail(QStringLiteral("tile %1 of %2").arg(tile.k + 1).arg(plan.size()));
            const std::unique_ptr<TDData> copy(CopyAroundPeaks::makeTile(src, tile));
            const QString path = QDir(folder).filePath(QStringLiteral("%1-%2.qlv").arg(base).arg(tile.k, digits, 10, QLatin1Char('0')));
            if (!saveData(*copy, path)) {
                // A partial set of tiles would pass for a whole one.
                for (const QString &done : qAsConst(written))
                    QFile::remove(done);
                return false;
            }
            written.append(path);
        }
        return true;
    });
}

int CliTool::render(const CliArgs &args)
{
    ColorBar0 bar;
    bar.format = args.isSet(QStringLiteral("grey")) ? ColorBar0::FormatGrayscale8 : ColorBar0::FormatRGB888;
    if ((args.isSet(QStringLiteral("lower")) && !doubleOption(args, QStringLiteral("lower"), &bar.lowerMark))
        || (args.isSet(QStringLiteral("upper")) && !doubleOption(args, QStringLiteral("upper"), &bar.upperMark)))
        return Usage;
    QStringList outputs;
    if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".png"), &outputs))
        return code;
    return eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        beginCapture();
        const QImage *img = src->makeImg(&bar);
        if (!img)
            return failed(input, QStringLiteral("cannot render %1 x %2 pixels").arg(src->width).arg(src->height));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!img->save(&buffer, "PNG"))
            return failed(input, QStringLiteral("cannot encode PNG"));
        return saveBytes(png, outputs.at(i));
    });
}

// ---- messages

void CliTool::report(const QString &file, const QString &reason)
{
    say(QStringLiteral("%1: %2: %3").arg(commandName.isEmpty() ? Program : Program + QLatin1Char(' ') + commandName, file, reason));
}

void CliTool::say(const QString &text)
{
    progress->clear();
    err << text << '\n' << Qt::flush;
}

void CliTool::diagnostic(const QString &line, bool fromLibtiffWarning)
{
    if (verbose)
        say(line);
    const QRegularExpressionMatch row = MatchRow.match(line);
    if (row.hasMatch() && rowsCount > 0)
        progress->setDetail(QStringLiteral("row %1 of %2").arg(row.captured(2).toInt() - rowsTop + 1).arg(rowsCount));
    if (!fromLibtiffWarning && !Chatter.match(line).hasMatch())
        diagnostics.append(line);
}

void CliTool::beginCapture()
{
    diagnostics.clear();
}

QString CliTool::captured(const QString &file) const
{
    QStringList lines;
    for (QString line : diagnostics) {
        // The file is named at the front of the message already.
        line.remove(QLatin1Char('"') + file + QLatin1Char('"'));
        line.remove(file + QLatin1String(": "));
        line = line.simplified();
        if (!line.isEmpty() && !lines.contains(line))
            lines.append(line);
    }
    return lines.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(lines.join(QStringLiteral("; ")));
}

void CliTool::releaseDeferred()
{
    // Filters release their temporaries with deleteLater(); without an event loop they go here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
