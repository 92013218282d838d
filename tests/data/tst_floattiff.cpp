// The float TIFF writer: what it writes reads back through ImgData::load, and a failed write
// leaves an existing file alone, as does a cancelled one.

#include "../filetesttools.h"
#include "data/floattiff.h"
#include "data/imgdata.h"
#include "data/parallelrows.h"
#include "data/tddata.h"

#include <QTemporaryDir>
#include <QtTest>

#include <tiffio.h>

#include <cmath>
#include <limits>
#include <memory>

class TestFloatTiff : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void failureKeepsTheOldFile();
};

void TestFloatTiff::roundTrip_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("one pixel") << 1 << 1;
    QTest::newRow("many strips") << 37 << 300;
}

void TestFloatTiff::roundTrip()
{
    QFETCH(int, w);
    QFETCH(int, h);
    TDData d(w, h);
    d.dataId = QStringLiteral("ratio");
    const double specials[] = {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e-50, -0.0};
    for (int i = 0; i < w * h; ++i) {
        d.setValue(i % w, i / w, i % 11 < 5 ? specials[i % 11] : (i - 40) * 0.37);
        d.setValid(i % w, i / w, i % 7 != 3);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.tif"));
    {
        // Written inside a run (an export beside the event loop), it counts every row.
        ParallelRows::Progress rows;
        const ParallelRows::Scope scope(&rows);
        QVERIFY(FloatTiff::write(d, path));
        QCOMPARE(QPoint(rows.done, rows.total), QPoint(h, h));
    }

    // The layout other programs expect.
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    QVERIFY(tif);
    uint16_t bits = 0, format = 0, spp = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFClose(tif);
    QCOMPARE(QVector<int>({bits, format, spp}), QVector<int>({32, SAMPLEFORMAT_IEEEFP, 1}));

    ImgData img;
    QVERIFY(img.load(path));
    const std::unique_ptr<TDData> back(img.toTDData());
    QCOMPARE(QSize(back->width, back->height), QSize(w, h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Invalid pixels come back as NaN, valid ones rounded to float, bit for bit.
            const double want = d.isValid(x, y) ? double(float(d.value(x, y))) : std::nan("");
            const double got = back->value(x, y);
            if (!(std::isnan(want) ? std::isnan(got) : std::signbit(want) == std::signbit(got) && want == got))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3 read as %4").arg(x).arg(y).arg(want).arg(got)));
        }
    }
}

void TestFloatTiff::failureKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.tif"));
    QVERIFY(writeFile(path, "old contents"));
    QString reason;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^can't write float TIFF")));
    QVERIFY(!FloatTiff::write(TDData(0, 5), path, &reason));
    QCOMPARE(reason, QStringLiteral("empty grid"));
    QCOMPARE(readFile(path), QByteArray("old contents"));

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^can't write float TIFF")));
    QVERIFY(!FloatTiff::write(TDData(2, 2), dir.filePath(QStringLiteral("missing/out.tif")), &reason));
    QVERIFY(!reason.isEmpty());

    // A cancelled run stops the writing and leaves the file alone.
    ParallelRows::Progress cancelled;
    cancelled.cancelled = true;
    const ParallelRows::Scope scope(&cancelled);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^can't write float TIFF")));
    QVERIFY(!FloatTiff::write(TDData(3, 3), path, &reason));
    QCOMPARE(reason, QStringLiteral("cancelled"));
    QCOMPARE(readFile(path), QByteArray("old contents"));
}

QTEST_MAIN(TestFloatTiff)
#include "tst_floattiff.moc"
