// TDData::makeImg against the per-pixel definition (ColorBar0::writePixel over every pixel in
// order): whole buffers, padding included, compared byte for byte on random grids with invalid
// pixels, NaN and infinities, in every format, with odd widths and awkward ranges and marks, on
// 1, 2 and 7 threads, in vectors of four and (where the processor has AVX-512) of eight.

#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/tddata.h"
#include "display/colorbar0.h"

#include <QImage>
#include <QRandomGenerator>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

const double infinity = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

// The plain rendering: a zeroed buffer and writePixel for each pixel in scan order.
QByteArray plainImage(const TDData *g, const ColorBar0 &cb)
{
    const qint64 bpl = ColorBar0::bytesPerLine(cb.format, g->width);
    QByteArray buf(int(bpl * g->height), '\0');
    const double range = g->maxVal - g->minVal;
    for (int y = 0; y < g->height; ++y) {
        uchar *out = reinterpret_cast<uchar *>(buf.data()) + y * bpl;
        for (int x = 0; x < g->width; ++x)
            out = cb.writePixel((g->value(x, y) - g->minVal) / range, g->isValid(x, y), out);
    }
    return buf;
}

QByteArray rendered(TDData *g, const ColorBar0 &cb)
{
    const QImage *img = g->makeImg(&cb);
    if (!img)
        return QByteArray();
    const qint64 bpl = ColorBar0::bytesPerLine(cb.format, g->width);
    return QByteArray(reinterpret_cast<const char *>(g->imgBuf), int(bpl * g->height));
}

// Values spread over and past minVal..maxVal, a fifth invalid, some valid and invalid pixels
// holding NaN or infinities; the range is set afterwards so that values fall outside it too.
std::unique_ptr<TDData> troubledGrid(int width, int height, quint32 seed, double minVal, double maxVal)
{
    QRandomGenerator rng(seed);
    auto g = std::make_unique<TDData>(width, height);
    const double odd[] = {notANumber, infinity, -infinity, 0.0, -0.0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int kind = int(rng.bounded(40));
            const double v = rng.bounded(300.0) - 100.0;
            g->setValue(x, y, kind < 5 ? odd[kind] : v);
            g->setValid(x, y, rng.bounded(5) != 0);
        }
    }
    g->minVal = minVal;
    g->maxVal = maxVal;
    return g;
}

} // namespace

class TestMakeImgExactness : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        ParallelRows::setThreadCount(0);
        Lanes::narrowChosen = false;
    }

    void sameBytes_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<double>("minVal");
        QTest::addColumn<double>("maxVal");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<int>("threads");
        QTest::addColumn<bool>("narrow");
        const struct
        {
            const char *name;
            double minVal, maxVal, lower, upper;
        } cases[] = {
            {"whole range", -100.0, 200.0, 0.0, 1.0},
            {"crossed marks", 0.0, 100.0, 0.8, 0.2},
            {"min equals max", 5.0, 5.0, 0.0, 1.0},
            {"infinite range", -infinity, infinity, 0.0, 1.0},
            {"NaN mark", 0.0, 100.0, notANumber, 1.0},
        };
        const int formats[] = {ColorBar0::FormatRGB32, ColorBar0::FormatARGB32, ColorBar0::FormatRGB888,
                               ColorBar0::FormatGrayscale8};
        // Seven threads are more than the grids have rows. Four lanes, then the processor's choice
        // (eight where it has AVX-512).
        for (int threads : {1, 2, 7}) {
            for (int format : formats) {
                for (const auto &c : cases) {
                    for (bool narrow : {true, false}) {
                        QTest::addRow("format %d, %s, %d threads, %s", format, c.name, threads, narrow ? "narrow" : "wide")
                            << format << c.minVal << c.maxVal << c.lower << c.upper << threads << narrow;
                    }
                }
            }
        }
    }

    void sameBytes()
    {
        QFETCH(int, format);
        QFETCH(double, minVal);
        QFETCH(double, maxVal);
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(int, threads);
        QFETCH(bool, narrow);
        ParallelRows::setThreadCount(threads);
        Lanes::narrowChosen = narrow;
        if (!narrow && !Lanes::wide())
            QSKIP("no AVX-512 here: the processor's choice is four lanes, tested already");
        // Each grid is rendered grey with other marks first, so that a stale buffer of the same or
        // another format would show.
        ColorBar0 before;
        before.format = ColorBar0::FormatGrayscale8;
        before.lowerMark = 0.3;
        ColorBar0 cb;
        cb.format = format;
        cb.lowerMark = lower;
        cb.upperMark = upper;
        // Odd widths leave padding at each line's end and partial vector chunks.
        for (int width : {1, 7, 8, 9, 17, 66}) {
            const auto g = troubledGrid(width, 5, quint32(width), minVal, maxVal);
            QCOMPARE(rendered(g.get(), before), plainImage(g.get(), before));
            // A buffer is reused whatever it holds (a fresh one holds anything): every byte is written.
            std::fill_n(g->imgBuf, ColorBar0::bytesPerLine(before.format, width) * g->height, uchar(0xa5));
            QCOMPARE(rendered(g.get(), before), plainImage(g.get(), before));
            QCOMPARE(rendered(g.get(), cb).toHex(' '), plainImage(g.get(), cb).toHex(' '));
            QCOMPARE(int(g->img->format()), format);
        }
        // An unknown format renders nothing and drops the old image.
        cb.format = 99;
        const auto g = troubledGrid(3, 2, 1, minVal, maxVal);
        QVERIFY(g->makeImg(&before));
        QCOMPARE(g->makeImg(&cb), nullptr);
        QCOMPARE(g->img, nullptr);
    }
};

QTEST_GUILESS_MAIN(TestMakeImgExactness)
#include "tst_makeimgexactness.moc"
