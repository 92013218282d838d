#include "fuzztargets.h"

#include "app/opttable.h"
#include "cli/peakcsv.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "data/tddataheader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <tiffio.h>

#include <cstring>
#include <memory>

namespace {

// Removed with its files when the process ends.
std::unique_ptr<QTemporaryDir> scratch;

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

QString scratchFile(const char *name)
{
    return scratch->filePath(QString::fromLatin1(name));
}

// The readers take file names, so the input goes to a file first.
QString inputFile(const uint8_t *data, size_t size, const char *name = "input")
{
    const QString path = scratchFile(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}

// A CT header may rightly claim a large grid of zeros in a few bytes; the conversion then allocates
// the whole grid, as it must, which is no finding. Smaller images are converted.
const qint64 maxConvertedPixels = 1 << 16;

// Pages of a stack read in order, as the window reads them; a few suffice to step between them.
const int maxPages = 8;

int imgData(const uint8_t *data, size_t size)
{
    const QString path = inputFile(data, size);
    ImgData::Stack stack;
    for (int p = 0; p < maxPages && !stack.atEnd(); ++p) {
        ImgData img;
        if (img.loadPage(path, &stack) && qint64(img.width) * img.height <= maxConvertedPixels)
            std::unique_ptr<TDData>(img.toTDData());
    }
    return 0;
}

int header(const uint8_t *data, size_t size)
{
    const QString path = inputFile(data, size);
    TDDataHeader h;
    if (h.readHeader(path)) {
        TDData grid;
        grid.read2dData(path);
    }
    return 0;
}

// The input is a.cfg and b.cfg at once, so INCLUDE lines of either name make chains and cycles.
int config(const uint8_t *data, size_t size)
{
    inputFile(data, size, "b.cfg");
    OptTable table;
    table.readCfgFile(inputFile(data, size, "a.cfg"));
    return 0;
}

int peakCsv(const uint8_t *data, size_t size)
{
    QVector<QPointF> peaks;
    QString error;
    PeakCsv::read(QByteArray(reinterpret_cast<const char *>(data), int(size)), &peaks, &error);
    return 0;
}

} // namespace

void FuzzTargets::init()
{
    qInstallMessageHandler(dropMessage);
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    // Every input is written to a file; in memory that is ten times faster than on a disk.
    const QString shm = QStringLiteral("/dev/shm");
    scratch.reset(QDir(shm).exists() ? new QTemporaryDir(shm + QStringLiteral("/quelvo-fuzz-XXXXXX")) : new QTemporaryDir);
    QDir::setCurrent(scratch->path());
}

FuzzTargets::Target FuzzTargets::byName(const char *name)
{
    const struct {
        const char *name;
        Target target;
    } targets[] = {{"imgdata", imgData}, {"header", header}, {"config", config}, {"peakcsv", peakCsv}};
    for (const auto &t : targets) {
        if (std::strcmp(t.name, name) == 0)
            return t.target;
    }
    return nullptr;
}
