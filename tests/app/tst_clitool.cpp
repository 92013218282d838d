#include "app/cliargs.h"
#include "app/clitool.h"
#include "app/peakcsv.h"
#include "data/datainfo.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/colorbar0.h"
#include "processing/adaptivethresholdf.h"
#include "processing/calcratio.h"
#include "processing/copyaroundpeaks.h"
#include "processing/copyregion.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <tiffio.h>

#include <memory>

namespace {

// A grid of random values, about a fifth of them invalid, with some structure for the filters.
std::unique_ptr<TDData> randomGrid(int width, int height, quint32 seed, const QString &id)
{
    QRandomGenerator rng(seed);
    auto grid = std::make_unique<TDData>(width, height);
    grid->dataId = id;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grid->setValue(x, y, 1.0 + rng.bounded(100.0) + ((x / 5 + y / 4) % 3) * 40.0);
            if (rng.bounded(5) == 0)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

bool writeTiff16(const QString &path, int width, int height)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(16));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    std::vector<uint16_t> row(static_cast<size_t>(width));
    bool ok = true;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = uint16_t((x * 37 + y * 101) % 5000);
        ok = ok && TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tif);
    return ok;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray savedBytes(const TDData &data, const QString &path)
{
    return data.save2dData(path) ? fileBytes(path) : QByteArray("save failed");
}

std::unique_ptr<TDData> loadData(const QString &path)
{
    auto data = std::make_unique<TDData>();
    if (data->read2dData(path))
        return data;
    ImgData img;
    return img.load(path) ? std::unique_ptr<TDData>(img.toTDData()) : nullptr;
}

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList &args, bool progress = false)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    CliTool tool(out, err, progress);
    tool.setProgressTiming(0, 0);
    r.code = tool.run(args);
    return r;
}

} // namespace

class TestCliTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void parseArguments_data();
    void parseArguments();
    void parseRect_data();
    void parseRect();
    void peakCsvRoundTrip();
    void peakCsvRejects_data();
    void peakCsvRejects();

    void filtersMatchCore();
    void peaksMatchCore();
    void calcNumbersOperandsByPosition();
    void cropAndTilesMatchCore();
    void renderMatchesCore();
    void convertReadsImages();
    void infoJson();

    void usageErrors_data();
    void usageErrors();
    void badInputsAreReportedOthersProcessed();
    void noOutputLeftOnFailedWrite();
    void progressOnlyWhenWanted();

private:
    QTemporaryDir dir;
    QString a, b, tif;
};

void TestCliTool::initTestCase()
{
    QVERIFY(dir.isValid());
    a = dir.filePath(QStringLiteral("a.qlv"));
    b = dir.filePath(QStringLiteral("b.qlv"));
    tif = dir.filePath(QStringLiteral("t.tif"));
    QVERIFY(randomGrid(37, 29, 1, QStringLiteral("grid a"))->save2dData(a));
    QVERIFY(randomGrid(31, 33, 2, QStringLiteral("grid b"))->save2dData(b));
    QVERIFY(writeTiff16(tif, 23, 17));
}

void TestCliTool::parseArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");  // items as name=value joined by "|", or the error

    QTest::newRow("long, short and inline") << QStringList{"x", "--rect", "1,2,3,4", "-o", "out", "--lower=-0.5"} << true
                                            << "=x|rect=1,2,3,4|output=out|lower=-0.5";
    QTest::newRow("two values, negative number") << QStringList{"--half", "3", "-4"} << true << "half=3|half=-4";
    QTest::newRow("many values in order") << QStringList{"--num", "p", "q", "--den", "r", "--num", "s"} << true
                                          << "num=p|num=q|den=r|num=s";
    QTest::newRow("double dash ends options") << QStringList{"--", "--rect", "-o"} << true << "=--rect|=-o";
    QTest::newRow("flag") << QStringList{"--min", "f"} << true << "=f";
    QTest::newRow("unknown") << QStringList{"--frob"} << false << "unknown option '--frob'";
    QTest::newRow("unknown inline") << QStringList{"--frob=1"} << false << "unknown option '--frob'";
    QTest::newRow("missing value") << QStringList{"--rect"} << false << "option '--rect' needs a value";
    QTest::newRow("value would be an option") << QStringList{"--half", "2", "-o", "x"} << false
                                              << "option '--half' needs two values: --half W H";
    QTest::newRow("flag with value") << QStringList{"--min=1"} << false << "option '--min' takes no value";
    QTest::newRow("two values inline") << QStringList{"--half=1"} << false << "option '--half' takes two values: --half W H";
}

void TestCliTool::parseArguments()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    CliArgs parsed({{"rect", QChar(), CliOption::One, "L,T,R,B", ""},
                    {"output", 'o', CliOption::One, "OUT", ""},
                    {"lower", QChar(), CliOption::One, "F", ""},
                    {"half", QChar(), CliOption::Two, "W H", ""},
                    {"num", QChar(), CliOption::Many, "A...", ""},
                    {"den", QChar(), CliOption::Many, "B...", ""},
                    {"min", QChar(), CliOption::Flag, "", ""}});
    QCOMPARE(parsed.parse(args), ok);
    if (!ok) {
        QCOMPARE(parsed.errorText(), expected);
        return;
    }
    QStringList items;
    for (const auto &item : parsed.items())
        items.append(item.first + QLatin1Char('=') + item.second);
    QCOMPARE(items.join(QLatin1Char('|')), expected);
    QCOMPARE(parsed.isSet(QStringLiteral("min")), args.contains(QStringLiteral("--min")));
}

void TestCliTool::parseRect_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("inclusive corners") << "10,20,29,38" << true << QRect(10, 20, 20, 19);
    QTest::newRow("one pixel, spaces") << " 5, 6 ,5,6" << true << QRect(5, 6, 1, 1);
    QTest::newRow("negative corner") << "-3,-3,2,2" << true << QRect(-3, -3, 6, 6);
    QTest::newRow("inverted x") << "5,0,4,3" << false << QRect();
    QTest::newRow("inverted y") << "0,5,3,4" << false << QRect();
    QTest::newRow("three numbers") << "1,2,3" << false << QRect();
    QTest::newRow("not a number") << "1,2,x,4" << false << QRect();
    QTest::newRow("fraction") << "1,2,3.5,4" << false << QRect();
    QTest::newRow("beyond the limit") << "0,0,2000000000,1" << false << QRect();
}

void TestCliTool::parseRect()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QRect, rect);
    QRect parsed;
    QCOMPARE(CliArgs::parseRect(text, &parsed), ok);
    if (ok)
        QCOMPARE(parsed, rect);
}

void TestCliTool::peakCsvRoundTrip()
{
    TDData values(4, 3);
    values.setValue(2, 1, 0.1);
    values.setValue(3, 2, -7.0);
    const QVector<QPointF> peaks{{2, 1}, {3, 2}, {0, 0}};
    const QByteArray csv = PeakCsv::write(peaks, &values);
    QCOMPARE(csv, QByteArray("index,x,y,value\n0,2,1,0.1\n1,3,2,-7\n2,0,0,0\n"));
    QVector<QPointF> read;
    QString error;
    QVERIFY(PeakCsv::read(QByteArray(csv).replace("\n", "\r\n"), &read, &error));
    QCOMPARE(read, peaks);
}

void TestCliTool::peakCsvRejects_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << QByteArray() << "no header \"index,x,y,value\"";
    QTest::newRow("no header") << QByteArray("0,1,2,3\n") << "line 1: the header \"index,x,y,value\" is missing";
    QTest::newRow("three fields") << QByteArray("index,x,y,value\n\n0,1,2\n") << "line 3: expected index,x,y,value with numeric x and y";
    QTest::newRow("x no number") << QByteArray("index,x,y,value\n0,a,2,3\n") << "line 2: expected index,x,y,value with numeric x and y";
    QTest::newRow("y infinite") << QByteArray("index,x,y,value\n0,1,inf,3\n") << "line 2: expected index,x,y,value with numeric x and y";
    QTest::newRow("x far out") << QByteArray("index,x,y,value\n0,1e300,2,3\n") << "line 2: expected index,x,y,value with numeric x and y";
}

void TestCliTool::peakCsvRejects()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QVector<QPointF> peaks;
    QString got;
    QVERIFY(!PeakCsv::read(text, &peaks, &got));
    QCOMPARE(got, error);
}

void TestCliTool::filtersMatchCore()
{
    const QString out = dir.filePath(QStringLiteral("f.qlv"));
    const QString ref = dir.filePath(QStringLiteral("ref.qlv"));
    auto src = loadData(a);
    QVERIFY(src);

    QCOMPARE(runTool({"ma", a, "-o", out, "--half", "3", "2"}).code, 0);
    std::unique_ptr<TDData> expected(MovingAvrF(3, 2).exec(src.get(), QRect()));
    QCOMPARE(fileBytes(out), savedBytes(*expected, ref));

    QCOMPARE(runTool({"at", a, "-o", out, "--half", "4", "1", "--rect", "5,3,30,40"}).code, 0);
    expected.reset(AdaptiveThresholdF(4, 1).exec(src.get(), QRect(QPoint(5, 3), QPoint(30, 40))));
    QCOMPARE(fileBytes(out), savedBytes(*expected, ref));

    const Run run = runTool({"match", a, "-o", out, "--template", "4,5,10,9", "--measure", "acos", "--rect", "0,2,20,25"});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));  // the filter's row lines stay hidden
    src->setRegion(QRect(QPoint(4, 5), QPoint(10, 9)));
    MatchingF matching(MatchingF::ArcCosTh, MatchingF::Exec1);
    expected.reset(matching.exec1(src.get(), QRect(QPoint(0, 2), QPoint(20, 25))));
    QCOMPARE(expected->dataId, QStringLiteral("grid a: PM"));
    QCOMPARE(fileBytes(out), savedBytes(*expected, ref));
}

void TestCliTool::peaksMatchCore()
{
    const QString out = dir.filePath(QStringLiteral("p.qlv"));
    const QString csv = dir.filePath(QStringLiteral("p.csv"));
    const QString ref = dir.filePath(QStringLiteral("ref.qlv"));
    QCOMPARE(runTool({"peaks", a, "-o", out, "--csv", csv, "--num", "6", "--radius", "4.5", "--min", "--rect", "2,2,30,25"}).code, 0);
    auto src = loadData(a);
    std::unique_ptr<TDData> expected(FindPeaksF(4.5, 6, false).exec(src.get(), QRect(QPoint(2, 2), QPoint(30, 25))));
    QCOMPARE(expected->dataId, QStringLiteral("grid a: PKs(-)"));
    QCOMPARE(fileBytes(out), savedBytes(*expected, ref));

    // The CSV lists the peaks in the order found, with the source's values there.
    const QVector<QPointF> peaks = expected->infos.last()->points;
    QStringList lines{QStringLiteral("index,x,y,value")};
    for (int k = 0; k < peaks.size(); ++k) {
        const int x = int(peaks[k].x());
        const int y = int(peaks[k].y());
        lines.append(QStringLiteral("%1,%2,%3,%4").arg(k).arg(x).arg(y).arg(src->value(x, y), 0, 'g', 17));
    }
    const QStringList written = QString::fromLatin1(fileBytes(csv)).trimmed().split(QLatin1Char('\n'));
    QCOMPARE(written.size(), lines.size());
    for (int k = 1; k < written.size(); ++k) {
        const QStringList w = written[k].split(QLatin1Char(','));
        const QStringList e = lines[k].split(QLatin1Char(','));
        QCOMPARE(w.mid(0, 3), e.mid(0, 3));
        QCOMPARE(w[3].toDouble(), e[3].toDouble());
    }
}

void TestCliTool::calcNumbersOperandsByPosition()
{
    const QString out = dir.filePath(QStringLiteral("c.qlv"));
    const QString ref = dir.filePath(QStringLiteral("ref.qlv"));
    // b comes first on the command line, so it is I[1] and sets the size.
    QCOMPARE(runTool({"calc", "--den", b, "--num", a, b, "--neg", "--log", "--region", a + "=3,4,20,22", "-o", out}).code, 0);
    auto da = loadData(a);
    auto db = loadData(b);
    RatioOperand ra;
    ra.data = da.get();
    ra.masked = true;
    ra.corner1 = QPointF(3, 4);
    ra.corner2 = QPointF(20, 22);
    RatioOperand rb;
    rb.data = db.get();
    RatioOptions options;
    options.log = true;
    options.neg = true;
    std::unique_ptr<TDData> expected(CalcRatio::exec({ra, rb}, {rb}, db->width, db->height, options));
    expected->dataId = QStringLiteral("Cl[-log(I[2]+I[3]/I[1])]");
    QCOMPARE(fileBytes(out), savedBytes(*expected, ref));

    QCOMPARE(runTool({"calc", "--num", a, "-o", out}).code, 0);
    auto result = loadData(out);
    QCOMPARE(result->dataId, QStringLiteral("Cl[I[1]/]"));
    QCOMPARE(result->width, da->width);
}

void TestCliTool::cropAndTilesMatchCore()
{
    const QString out = dir.filePath(QStringLiteral("k.qlv"));
    const QString ref = dir.filePath(QStringLiteral("ref.qlv"));
    auto src = loadData(a);
    for (bool inPlace : {false, true}) {
        QStringList args{"crop", a, "--rect", "30,20,45,40", "-o", out};
        if (inPlace)
            args << "--in-place";
        QCOMPARE(runTool(args).code, 0);
        std::unique_ptr<TDData> expected(CopyRegion::exec(src.get(), QRect(QPoint(30, 20), QPoint(45, 40)), !inPlace));
        QCOMPARE(fileBytes(out), savedBytes(*expected, ref));
    }

    const QString csv = dir.filePath(QStringLiteral("t.csv"));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("index,x,y,value\n0,10,10,1\n1,25,5,1\n2,10,20,1\n3,25,20,1\n");
    f.close();
    const QString tiles = dir.filePath(QStringLiteral("tiles"));
    QCOMPARE(runTool({"tiles", b, "--peaks", csv, "--template", "6,7,12,15", "--ref", "2", "--order", "hv", "--bt", "-o", tiles}).code, 0);
    src = loadData(b);
    src->setRegion(QRect(QPoint(6, 7), QPoint(12, 15)));
    SaveOrder order;
    order.axis = SaveOrder::HFirst;
    order.bottomToTop = true;
    const QVector<PeakTile> plan = CopyAroundPeaks::plan({{10, 10}, {25, 5}, {10, 20}, {25, 20}}, 2, src->region, order);
    QCOMPARE(plan.size(), 4);
    QCOMPARE(QDir(tiles).entryList(QDir::Files), QStringList({"b-0.qlv", "b-1.qlv", "b-2.qlv", "b-3.qlv"}));
    for (const PeakTile &tile : plan) {
        std::unique_ptr<TDData> expected(CopyAroundPeaks::makeTile(src.get(), tile));
        QCOMPARE(fileBytes(QDir(tiles).filePath(QStringLiteral("b-%1.qlv").arg(tile.k))), savedBytes(*expected, ref));
    }

    // Peaks found on the fly give the same tiles as the peak list written by the peaks command.
    const QString found = dir.filePath(QStringLiteral("found.csv"));
    const QString tiles2 = dir.filePath(QStringLiteral("tiles2"));
    QCOMPARE(runTool({"peaks", a, "--csv", found, "--num", "3", "--radius", "8"}).code, 0);
    QCOMPARE(runTool({"tiles", b, "--peaks", found, "-o", tiles}).code, 0);
    QCOMPARE(runTool({"tiles", b, "--peaks-of", a, "--num", "3", "--radius", "8", "-o", tiles2}).code, 0);
    for (int k = 0; k < 3; ++k) {
        const QString name = QStringLiteral("b-%1.qlv").arg(k);
        QCOMPARE(fileBytes(QDir(tiles2).filePath(name)), fileBytes(QDir(tiles).filePath(name)));
    }
}

void TestCliTool::renderMatchesCore()
{
    const QString out = dir.filePath(QStringLiteral("r.png"));
    auto src = loadData(a);
    for (bool grey : {false, true}) {
        QStringList args{"render", a, "-o", out, "--lower", "0.2", "--upper", "0.9"};
        if (grey)
            args << "--grey";
        QCOMPARE(runTool(args).code, 0);
        ColorBar0 bar;
        bar.format = grey ? ColorBar0::FormatGrayscale8 : ColorBar0::FormatRGB888;
        bar.lowerMark = 0.2;
        bar.upperMark = 0.9;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(src->makeImg(&bar)->save(&buffer, "PNG"));
        QCOMPARE(fileBytes(out), png);
        const QImage read(out);
        QCOMPARE(read.size(), QSize(src->width, src->height));
        QCOMPARE(read.isGrayscale(), grey);
    }
}

void TestCliTool::convertReadsImages()
{
    const QString folder = dir.filePath(QStringLiteral("conv"));
    QCOMPARE(runTool({"convert", tif, a, "-o", folder}).code, 0);
    const QString ref = dir.filePath(QStringLiteral("ref.qlv"));
    ImgData img;
    QVERIFY(img.load(tif));
    std::unique_ptr<TDData> expected(img.toTDData());
    QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("t.qlv"))), savedBytes(*expected, ref));
    QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("a.qlv"))), fileBytes(a));
}

void TestCliTool::infoJson()
{
    const Run run = runTool({"info", "--json", a, tif});
    QCOMPARE(run.code, 0);
    const QJsonArray all = QJsonDocument::fromJson(run.out.toUtf8()).array();
    QCOMPARE(all.size(), 2);
    auto src = loadData(a);
    const QJsonObject first = all[0].toObject();
    QCOMPARE(first["file"].toString(), a);
    QCOMPARE(first["id"].toString(), QStringLiteral("grid a"));
    QCOMPARE(first["width"].toInt(), 37);
    QCOMPARE(first["height"].toInt(), 29);
    QCOMPARE(first["validPixels"].toInt(), src->valids.count(true));
    QCOMPARE(first["min"].toDouble(), src->minVal);
    QCOMPARE(first["max"].toDouble(), src->maxVal);
    QVERIFY(first["region"].isNull());
    QCOMPARE(all[1].toObject()["id"].toString(), QStringLiteral("t"));
    QCOMPARE(all[1].toObject()["validPixels"].toInt(), 23 * 17);

    const Run text = runTool({"info", a});
    QVERIFY(text.out.startsWith(a + QStringLiteral("\n  size: 37 x 29\n  identifier: grid a\n")));
}

void TestCliTool::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList() << "quelvo-cli: no command given";
    QTest::newRow("unknown command") << QStringList{"blur"} << "quelvo-cli: unknown command 'blur'";
    QTest::newRow("no input") << QStringList{"ma", "-o", "x", "--half", "1", "1"} << "quelvo-cli ma: no input file given";
    QTest::newRow("missing option") << QStringList{"ma", "f", "-o", "x"} << "quelvo-cli ma: option '--half' is required";
    QTest::newRow("negative half") << QStringList{"ma", "f", "-o", "x", "--half", "-1", "2"}
                                   << "quelvo-cli ma: option '--half' needs two whole numbers from 0 to 1000000, got '-1 2'";
    QTest::newRow("bad measure") << QStringList{"match", "f", "-o", "x", "--template", "0,0,1,1", "--measure", "l2"}
                                 << "quelvo-cli match: option '--measure' is cos or acos, got 'l2'";
    QTest::newRow("peaks without output") << QStringList{"peaks", "f", "--num", "1", "--radius", "1"}
                                          << "quelvo-cli peaks: give -o, --csv or both";
    QTest::newRow("zero peaks") << QStringList{"peaks", "f", "-o", "x", "--num", "0", "--radius", "1"}
                                << "quelvo-cli peaks: option '--num' needs a whole number from 1 to 100000, got '0'";
    QTest::newRow("calc without operands") << QStringList{"calc", "-o", "x"} << "quelvo-cli calc: give at least one --num or --den file";
    QTest::newRow("calc stray file") << QStringList{"calc", "f", "-o", "x"} << "quelvo-cli calc: unexpected argument 'f'";
    QTest::newRow("region of no operand") << QStringList{"calc", "--num", "f", "--region", "g=0,0,1,1", "-o", "x"}
                                          << "quelvo-cli calc: option '--region' names 'g', which is no operand";
    QTest::newRow("tiles two sources") << QStringList{"tiles", "f", "--peaks", "p", "--peaks-of", "g", "-o", "x"}
                                       << "quelvo-cli tiles: give either --peaks or --peaks-of";
    QTest::newRow("tiles bad order") << QStringList{"tiles", "f", "--peaks", "p", "--order", "d", "-o", "x"}
                                     << "quelvo-cli tiles: option '--order' is h, v, hv or vh, got 'd'";
    QTest::newRow("same output twice") << QStringList{"convert", "d1/x.tif", "d2/x.zrt", "-o", "out"}
                                       << "quelvo-cli convert: two inputs would both be written to out/x.qlv";
    QTest::newRow("render bad mark") << QStringList{"render", "f", "-o", "x", "--lower", "nan"}
                                     << "quelvo-cli render: option '--lower' needs a number, got 'nan'";
}

void TestCliTool::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run run = runTool(args);
    QCOMPARE(run.code, 2);
    QCOMPARE(run.err.section(QLatin1Char('\n'), 0, 0), message);
    QVERIFY(run.err.contains(QStringLiteral("--help' for more information.")));
    QVERIFY(run.out.isEmpty());
    QVERIFY(!QFileInfo::exists(QStringLiteral("out")));
}

void TestCliTool::badInputsAreReportedOthersProcessed()
{
    QTemporaryDir work;
    const QString garbage = work.filePath(QStringLiteral("garbage.tif"));
    const QString shortFile = work.filePath(QStringLiteral("short.zrt"));
    const QString truncated = work.filePath(QStringLiteral("cut.qlv"));
    QFile f(garbage);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("II*\0not a tiff at all, only bytes", 34);
    f.close();
    QFile s(shortFile);
    QVERIFY(s.open(QIODevice::WriteOnly));
    s.write("IM\x10");
    s.close();
    QFile t(truncated);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write(fileBytes(a).left(700));
    t.close();
    const QString missing = work.filePath(QStringLiteral("missing.qlv"));
    const QString out = work.filePath(QStringLiteral("out"));

    const Run run = runTool({"ma", garbage, a, shortFile, missing, truncated, work.path(), b, "-o", out, "--half", "1", "1"});
    QCOMPARE(run.code, 1);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"a.qlv", "b.qlv"}));
    const QStringList lines = run.err.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines[0].startsWith(QStringLiteral("quelvo-cli ma: %1: not a readable TIFF").arg(garbage)));
    QVERIFY(lines[1].startsWith(QStringLiteral("quelvo-cli ma: %1: not a readable").arg(shortFile)));
    QCOMPARE(lines[2], QStringLiteral("quelvo-cli ma: %1: no such file").arg(missing));
    QCOMPARE(lines[3], QStringLiteral("quelvo-cli ma: %1: truncated 2dData file: 700 of %2 bytes").arg(truncated).arg(fileBytes(a).size()));
    QCOMPARE(lines[4], QStringLiteral("quelvo-cli ma: %1: is a folder").arg(work.path()));

    // calc needs every operand: each unreadable one is named and nothing is written.
    const QString ratio = work.filePath(QStringLiteral("ratio.qlv"));
    const Run calc = runTool({"calc", "--num", garbage, a, "--den", missing, "-o", ratio});
    QCOMPARE(calc.code, 1);
    QCOMPARE(calc.err.count(QLatin1Char('\n')), 2);
    QVERIFY(calc.err.contains(garbage) && calc.err.contains(missing));
    QVERIFY(!QFileInfo::exists(ratio));

    // A rectangle missing the grid is a failure of that input.
    const Run outside = runTool({"crop", a, "--rect", "100,100,110,110", "-o", work.filePath(QStringLiteral("c.qlv"))});
    QCOMPARE(outside.code, 1);
    QCOMPARE(outside.err, QStringLiteral("quelvo-cli crop: %1: the rectangle 100,100,110,110 lies outside the 37 x 29 grid\n").arg(a));
    QVERIFY(!QFileInfo::exists(work.filePath(QStringLiteral("c.qlv"))));

    const Run noRef = runTool({"tiles", b, "--peaks-of", a, "--num", "2", "--radius", "1", "--ref", "2", "-o", work.filePath("t")});
    QCOMPARE(noRef.code, 1);
    QCOMPARE(noRef.err, QStringLiteral("quelvo-cli tiles: %1: there is no reference peak 2 among 2 peaks\n").arg(b));
    QVERIFY(!QFileInfo::exists(work.filePath("t")));
}

void TestCliTool::noOutputLeftOnFailedWrite()
{
    QTemporaryDir work;
    // A plain file where a folder is needed makes every write below it fail.
    const QString blocker = work.filePath(QStringLiteral("blocker"));
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString data = work.filePath(QStringLiteral("p.qlv"));
    const Run run = runTool({"peaks", a, "-o", data, "--csv", blocker + "/p.csv", "--num", "2", "--radius", "3"});
    QCOMPARE(run.code, 1);
    QVERIFY(run.err.startsWith(QStringLiteral("quelvo-cli peaks: %1/p.csv: cannot write").arg(blocker)));
    QVERIFY(!QFileInfo::exists(data));

    const Run render = runTool({"render", a, "-o", blocker + "/r.png"});
    QCOMPARE(render.code, 1);
    QVERIFY(render.err.startsWith(QStringLiteral("quelvo-cli render: %1/r.png: cannot write").arg(blocker)));

    const Run folder = runTool({"convert", a, b, "-o", blocker + "/sub"});
    QCOMPARE(folder.code, 1);
    QCOMPARE(folder.err, QStringLiteral("quelvo-cli convert: %1/sub: cannot make this folder\n").arg(blocker));
    QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"blocker"});
}

void TestCliTool::progressOnlyWhenWanted()
{
    QTemporaryDir work;
    const QStringList args{"match", a, b, "-o", work.path(), "--template", "2,2,6,6"};
    const Run quiet = runTool(args, false);
    QCOMPARE(quiet.code, 0);
    QVERIFY(quiet.err.isEmpty());

    const Run shown = runTool(args, true);
    QCOMPARE(shown.code, 0);
    QVERIFY(shown.err.contains(QStringLiteral("\rquelvo-cli match: [2/2] %1: row 3 of 33").arg(b)));
    // The line is wiped at the end: nothing but blanks follows the last carriage return.
    QVERIFY(shown.err.endsWith(QLatin1Char('\r')));
    QVERIFY(shown.err.section(QLatin1Char('\r'), -2, -2).trimmed().isEmpty());
    QVERIFY(!shown.err.contains(QLatin1Char('\n')));
}

QTEST_GUILESS_MAIN(TestCliTool)
#include "tst_clitool.moc"
