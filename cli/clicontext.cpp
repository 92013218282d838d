#include "clicontext.h"

#include "cli/cliargs.h"
#include "data/floattiff.h"
#include "data/imgdata.h"
#include "data/savefile.h"
#include "data/tddata.h"
#include "data/tddataheader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <new>

namespace {

// Lines the readers and filters write on success; they explain no failure.
const QRegularExpression Chatter(QStringLiteral("^(ksv|header size|2dData save:|iy|M|exec[12])( |$)"));
const QRegularExpression MatchRow(QStringLiteral("^(iy|M) (-?\\d+)$"));

} // namespace

CliContext::CliContext(QTextStream &out, QTextStream &err, bool progress, int progressDelayMs, int progressIntervalMs)
    : out(out)
    , err(err)
    , progressLine(err, progress, progressDelayMs, progressIntervalMs)
{
}

int CliContext::usageError(const QString &message)
{
    say(QStringLiteral("%1: %2\nTry '%1 --help' for more information.").arg(who(), message));
    return Usage;
}

void CliContext::report(const QString &file, const QString &reason)
{
    say(QStringLiteral("%1: %2: %3").arg(who(), file, reason));
}

QString CliContext::who() const
{
    return commandName.isEmpty() ? program() : program() + QLatin1Char(' ') + commandName;
}

void CliContext::say(const QString &text)
{
    progressLine.clear();
    err << text << '\n' << Qt::flush;
}

bool CliContext::print(const QString &text)
{
    progressLine.clear();
    out << text << Qt::flush;
    return true;
}

void CliContext::diagnostic(const QString &line, bool fromLibtiffWarning)
{
    if (verbose)
        say(line);
    const QRegularExpressionMatch row = MatchRow.match(line);
    if (row.hasMatch() && rowsCount > 0)
        progressLine.setDetail(QStringLiteral("row %1 of %2").arg(row.captured(2).toInt() - rowsTop + 1).arg(rowsCount));
    if (!fromLibtiffWarning && !Chatter.match(line).hasMatch())
        diagnostics.append(line);
}

void CliContext::followRows(int top, int count)
{
    rowsTop = top;
    rowsCount = count;
}

void CliContext::beginCapture()
{
    diagnostics.clear();
}

QString CliContext::captured(const QString &file) const
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

void CliContext::releaseDeferred()
{
    // Filters release their temporaries with deleteLater(); without an event loop they go here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// ---- inputs and outputs

std::unique_ptr<TDData> CliContext::load(const QString &file, ImgData::Stack *stack)
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
    if (stack ? img.loadPage(file, stack) : img.load(file)) {
        if (!stack && img.pageCount > 1) {
            // Not an error, but the other pages must not vanish without a word.
            report(file, QStringLiteral("a stack of %1 pages; only page 1 is used").arg(img.pageCount));
        }
        std::unique_ptr<TDData> converted(img.toTDData());
        if (!converted)
            report(file, QStringLiteral("not enough memory for its %1 x %2 grid").arg(img.width).arg(img.height));
        return converted;
    }
    const QString details = captured(file);
    report(file, QStringLiteral("not a readable TIFF, ZRT, PLMR CT text or 2dData file") + details);
    return nullptr;
}

int CliContext::eachInput(const QStringList &inputs, bool needPixels, const InputJob &job, bool everyPage)
{
    bool allDone = true;
    for (int i = 0; i < inputs.size(); ++i) {
        const QString &input = inputs.at(i);
        progressLine.setItem(QStringLiteral("%1 %2: [%3/%4] %5").arg(program(), commandName).arg(i + 1).arg(inputs.size()).arg(input));
        ImgData::Stack stack;
        // A page that cannot be read ends the stack there.
        bool done = true;
        for (int p = 0; done && p < (everyPage ? stack.pages : 1); ++p) {
            done = false;
            // An input that needs more memory than there is fails alone; the others still run.
            try {
                const std::unique_ptr<TDData> src = load(input, everyPage ? &stack : nullptr);
                page = stack.pages > 1 ? p + 1 : 0;
                if (src && needPixels && src->values.isEmpty())
                    report(input, QStringLiteral("holds no pixels (%1 x %2)").arg(src->width).arg(src->height));
                else if (src)
                    done = job(input, src.get(), i);
            } catch (const std::bad_alloc &) {
                report(input, QStringLiteral("not enough memory"));
            }
            releaseDeferred();
        }
        page = 0;
        allDone = allDone && done;
    }
    return allDone ? Success : Failure;
}

QString CliContext::pagePath(const QString &path, int page)
{
    if (page == 0)
        return path;
    const QFileInfo fi(path);
    const QString suffix = fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix();
    return path.left(path.size() - fi.fileName().size()) + fi.completeBaseName() + QLatin1Char('-') + QString::number(page) + suffix;
}

int CliContext::eachResult(const CliArgs &args, const ResultJob &make)
{
    QStringList outputs;
    if (const int code = outputPaths(args.positional(), args.value(QStringLiteral("output")), QStringLiteral(".qlv"), &outputs))
        return code;
    return eachInput(args.positional(), true, [&](const QString &input, TDData *src, int i) {
        const std::unique_ptr<TDData> result = make(input, src);
        return result && saveData(*result, outputs.at(i));
    });
}

int CliContext::describeInputs(const QStringList &inputs, bool json, const DescribeJob &describe)
{
    QJsonArray all;
    bool firstText = true;
    const int code = eachInput(
        inputs, false,
        [&](const QString &input, TDData *src, int) {
            // Pages of a stack are named as the main window names their datasets.
            const QString file = page ? QStringLiteral("%1[%2]").arg(input).arg(page) : input;
            QString text;
            QJsonObject object;
            if (!describe(file, src, &text, &object))
                return false;
            if (json)
                all.append(object);
            else
                print(firstText ? text : QLatin1Char('\n') + text);
            firstText = false;
            return true;
        },
        true);
    if (json)
        out << QJsonDocument(all).toJson(QJsonDocument::Indented);
    return code;
}

int CliContext::makeFolder(const QString &folder)
{
    if (QDir().mkpath(folder))
        return Success;
    report(folder, QStringLiteral("cannot make this folder"));
    return Failure;
}

int CliContext::outputPaths(const QStringList &inputs, const QString &out, const QString &suffix, QStringList *paths)
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

bool CliContext::saveData(const TDData &data, const QString &path)
{
    beginCapture();
    if (data.save2dData(path))
        return true;
    report(path, QStringLiteral("cannot write") + captured(path));
    return false;
}

bool CliContext::saveBytes(const QByteArray &bytes, const QString &path)
{
    QString error;
    if (SaveFile::save(path, bytes, &error))
        return true;
    report(path, QStringLiteral("cannot write: ") + error);
    return false;
}

bool CliContext::saveFloatTiff(const TDData &data, const QString &path)
{
    QString reason;
    if (FloatTiff::write(data, path, &reason))
        return true;
    report(path, QStringLiteral("cannot write: ") + reason);
    return false;
}

bool CliContext::failed(const QString &input, const QString &what)
{
    report(input, what + captured(input));
    return false;
}

// ---- options

bool CliContext::rectOption(const CliArgs &args, const QString &name, QRect *rect, bool *given)
{
    *given = args.isSet(name);
    if (!*given)
        return true;
    if (CliArgs::parseRect(args.value(name), rect))
        return true;
    usageError(QStringLiteral("option '--%1' needs L,T,R,B with L <= R and T <= B, got '%2'").arg(name, args.value(name)));
    return false;
}

bool CliContext::halfOption(const CliArgs &args, int *hw, int *hh)
{
    const QStringList v = args.values(QStringLiteral("half"));
    // Windows wider than any grid average like the grid's own width; the limit only keeps sums sane.
    const int limit = 1000000;
    if (CliArgs::parseInt(v.value(v.size() - 2), 0, limit, hw) && CliArgs::parseInt(v.value(v.size() - 1), 0, limit, hh))
        return true;
    usageError(QStringLiteral("option '--half' needs two whole numbers from 0 to %1, got '%2'").arg(limit).arg(v.mid(v.size() - 2).join(QLatin1Char(' '))));
    return false;
}

bool CliContext::intOption(const CliArgs &args, const QString &name, int min, int max, int *value)
{
    if (CliArgs::parseInt(args.value(name), min, max, value))
        return true;
    usageError(QStringLiteral("option '--%1' needs a whole number from %2 to %3, got '%4'").arg(name).arg(min).arg(max).arg(args.value(name)));
    return false;
}

bool CliContext::doubleOption(const CliArgs &args, const QString &name, double *value)
{
    if (CliArgs::parseDouble(args.value(name), value))
        return true;
    usageError(QStringLiteral("option '--%1' needs a number, got '%2'").arg(name, args.value(name)));
    return false;
}

bool CliContext::rectFor(const QString &input, const TDData &src, bool given, const QRect &rect, QRect *result)
{
    const QRect grid(0, 0, src.width, src.height);
    *result = given ? rect : grid;
    if (grid.intersects(*result))
        return true;
    report(input, QStringLiteral("the rectangle %1 lies outside the %2 x %3 grid").arg(CliArgs::rectText(rect)).arg(src.width).arg(src.height));
    return false;
}
