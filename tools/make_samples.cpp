// Writes a small, realistic set of sample files into a folder, one per input format, and checks
// that each of them reads back:
//   make_samples <folder>
//   spots.tif     16-bit TIFF, a lattice of Gaussian spots on a noisy, slightly sloped background
//   spots2.zrt    the same scene a moment later (shifted, dimmer, fresh noise) as a ZRT camera file
//   phantom.ct    a CT text slice of a cylinder phantom with inserts
//   flat.qlv      a 2dData flat-field frame with a few dead (invalid) pixels
// The files are the same on every run.

#include "data/imgdata.h"
#include "data/savefile.h"
#include "data/tddata0.h"
#include "data/tddataheader.h"
#include "tools/zrtheader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTextStream>
#include <QtEndian>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

const int FrameWidth = 320;
const int FrameHeight = 256;
const int CtSize = 128;

// A camera frame: a 6 x 5 lattice of spots whose heights vary from spot to spot, so that peak
// finding has a clear order, on an offset with a gentle slope and Gaussian read noise.
struct Scene {
    double shiftX = 0.0;
    double shiftY = 0.0;
    double gain = 1.0;
    unsigned seed = 1;
};

std::vector<quint16> cameraFrame(const Scene &scene)
{
    const int columns = 6;
    const int rows = 5;
    const double pitchX = 48.0;
    const double pitchY = 46.0;
    const double sigma = 3.2;
    std::mt19937 rng(scene.seed);
    std::normal_distribution<double> noise(0.0, 25.0);
    std::vector<quint16> pixels(size_t(FrameWidth) * FrameHeight);
    for (int y = 0; y < FrameHeight; ++y) {
        for (int x = 0; x < FrameWidth; ++x) {
            double v = 400.0 + 0.4 * x + 0.2 * y;
            for (int j = 0; j < rows; ++j) {
                for (int i = 0; i < columns; ++i) {
                    const double cx = 40.0 + i * pitchX + scene.shiftX;
                    const double cy = 36.0 + j * pitchY + scene.shiftY;
                    const double dx = x - cx;
                    const double dy = y - cy;
                    const double height = scene.gain * (1500.0 + 97.0 * ((i * 7 + j * 11) % 29));
                    v += height * std::exp(-(dx * dx + dy * dy) / (2.0 * sigma * sigma));
                }
            }
            v += noise(rng);
            pixels[size_t(y) * FrameWidth + x] = quint16(std::clamp(std::lround(v), 0L, 65535L));
        }
    }
    return pixels;
}

bool writeTiff(const QString &path, const std::vector<quint16> &pixels)
{
    std::unique_ptr<TIFF, void (*)(TIFF *)> tif(TIFFOpen(QFile::encodeName(path).constData(), "w"), TIFFClose);
    if (!tif)
        return false;
    TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, uint32_t(FrameWidth));
    TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, uint32_t(FrameHeight));
    TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, uint16_t(16));
    TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif.get(), TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_UINT));
    TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, uint32_t(16));
    std::vector<quint16> row(FrameWidth);
    for (int y = 0; y < FrameHeight; ++y) {
        std::copy_n(pixels.begin() + ptrdiff_t(y) * FrameWidth, FrameWidth, row.begin());
        if (TIFFWriteScanline(tif.get(), row.data(), uint32_t(y), 0) < 0)
            return false;
    }
    return true;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QString error;
    if (SaveFile::save(path, bytes, &error))
        return true;
    std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(error));
    return false;
}

bool writeZrt(const QString &path, const std::vector<quint16> &pixels)
{
    QByteArray bytes = zrtHeader("BytesPerPixel=2,Exposure=20ms,Camera=sample", FrameWidth, FrameHeight);
    const int samplesAt = bytes.size();
    bytes.resize(samplesAt + int(pixels.size()) * 2);
    qToLittleEndian<quint16>(pixels.data(), qsizetype(pixels.size()), bytes.data() + samplesAt);
    return writeFile(path, bytes);
}

// Attenuation per millimetre: a water cylinder with a bone-like ring, an air hole and a dense rod.
double phantom(double x, double y)
{
    const double r = std::hypot(x, y);
    if (r > 56.0)
        return 0.0;
    if (std::hypot(x + 22.0, y - 8.0) < 9.0)
        return 0.0;
    if (std::hypot(x - 20.0, y + 14.0) < 6.0)
        return 0.11;
    if (r > 50.0)
        return 0.048;
    return 0.019 + 0.0005 * std::sin(x * 0.3);
}

bool writeCt(const QString &path)
{
    QByteArray text;
    QTextStream out(&text);
    out << "#PLMR-CTImg sample slice\n"
        << "# RANGE_X0 = 0\n# RANGE_X1 = " << CtSize << "\n"
        << "# RANGE_Y0 = 0\n# RANGE_Y1 = " << CtSize << "\n"
        << "# UNIT = 1/mm\n";
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.0015);
    for (int y = 0; y < CtSize; ++y) {
        for (int x = 0; x < CtSize; ++x) {
            const double v = phantom(x - CtSize / 2 + 0.5, y - CtSize / 2 + 0.5) + noise(rng);
            out << x << ' ' << y << ' ' << QString::number(v, 'g', 5) << '\n';
        }
    }
    out.flush();
    return writeFile(path, text);
}

// A flat-field frame: a smooth vignetting falling off towards the corners, with dead pixels.
bool writeFlat(const QString &path)
{
    TDData0 flat(FrameWidth, FrameHeight);
    flat.dataId = QStringLiteral("flat field");
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> pick(0, FrameWidth * FrameHeight - 1);
    for (int y = 0; y < FrameHeight; ++y) {
        for (int x = 0; x < FrameWidth; ++x) {
            const double dx = (x - FrameWidth / 2.0) / FrameWidth;
            const double dy = (y - FrameHeight / 2.0) / FrameHeight;
            flat.setValue(x, y, 1.0 - 0.6 * (dx * dx + dy * dy));
        }
    }
    for (int i = 0; i < 40; ++i) {
        const int p = pick(rng);
        flat.setValid(p % FrameWidth, p / FrameWidth, false);
    }
    // A grid built with a size has its range start at 0; the file carries the values' own range
    // instead, so that the vignetting fills the colour scale.
    const auto [lowest, highest] = std::minmax_element(flat.values.cbegin(), flat.values.cend());
    flat.minVal = *lowest;
    flat.maxVal = *highest;
    return flat.save2dData(path);
}

// Reads a written file back the way the program does.
bool readsBack(const QString &path, int width, int height)
{
    TDDataHeader header;
    if (header.readHeader(path)) {
        TDData0 grid;
        return grid.read2dData(path) && grid.width == width && grid.height == height;
    }
    ImgData img;
    return img.load(path) && img.width == width && img.height == height;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir dir(QFile::decodeName(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    Scene later;
    later.shiftX = 1.5;
    later.shiftY = -1.0;
    later.gain = 0.85;
    later.seed = 2;

    struct Sample {
        const char *name;
        int width;
        int height;
        std::function<bool(const QString &)> write;
    };
    const Sample samples[] = {
        {"spots.tif", FrameWidth, FrameHeight, [](const QString &p) { return writeTiff(p, cameraFrame(Scene())); }},
        {"spots2.zrt", FrameWidth, FrameHeight, [&](const QString &p) { return writeZrt(p, cameraFrame(later)); }},
        {"phantom.ct", CtSize, CtSize, writeCt},
        {"flat.qlv", FrameWidth, FrameHeight, writeFlat},
    };
    bool ok = true;
    for (const Sample &s : samples) {
        const QString path = dir.filePath(QString::fromLatin1(s.name));
        const bool written = s.write(path) && readsBack(path, s.width, s.height);
        std::printf("%s %s\n", written ? "wrote" : "FAILED", qPrintable(QDir::toNativeSeparators(path)));
        ok = ok && written;
    }
    return ok ? 0 : 1;
}
