#include "cli/clicontext.h"
#include "cli/clitool.h"
#include "cli/peakcsv.h"
#include "data/datainfo.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/colorbar0.h"
#include "processing/calcratio.h"
#include "processing/copyaroundpeaks.h"
#include "processing/copyregion.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include "tests/display/displaytesttools.h"
#include "tests/filetesttools.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <sys/resource.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

// Random values, about a fifth of them invalid, with some structure for the filters.
std::unique_ptr<TDData> randomGrid(int width, int height, quint32 seed, const QString &id)
{
    QRandomGenerator rng(seed);
    auto grid = std::make_unique<TDData>(width, height);
    grid->dataId = id;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grid->setValue(x, y, 1.0 + rng.bounded(100.0) + ((x / 5 + y / 4) % 3) * 40.0);
            grid->setValid(x, y, rng.bounded(5) != 0);
        }
    }
    return grid;
}

std::unique_ptr<TDData> loadData(const QString &path)
{
    auto data = std::make_unique<TDData>();
    return data->read2dData(path) ? std::move(data) : nullptr;
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

    QTemporaryDir dir;
    QString a, b, frame, g;

    // Runs args and compares the written file with expected saved by the core.
    void expectOutput(const QStringList &args, const QString &out, const TDData &expected)
    {
        const Run run = runTool(args);
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        const QString ref = dir.filePath(QStringLiteral("ref.qlv"));
        QVERIFY(expected.save2dData(ref));
        QCOMPARE(readFile(out), readFile(ref));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        a = dir.filePath(QStringLiteral("a.qlv"));
        b = dir.filePath(QStringLiteral("b.qlv"));
        frame = dir.filePath(QStringLiteral("t.zrt"));
        QVERIFY(randomGrid(37, 29, 1, QStringLiteral("grid a"))->save2dData(a));
        QVERIFY(randomGrid(31, 33, 2, QStringLiteral("grid b"))->save2dData(b));
        // 4 x 3 with NaN and infinities under a set flag, and 100 under a clear one at (3, 1).
        g = dir.filePath(QStringLiteral("g.qlv"));
        const double inf = std::numeric_limits<double>::infinity();
        const double values[12] = {1, 2, 3, std::nan(""), 4, inf, -inf, 100, 6, 7, 8, 10};
        TDData grid(4, 3);
        for (int i = 0; i < 12; ++i) {
            grid.setValue(i % 4, i / 4, values[i]);
            grid.setValid(i % 4, i / 4, i != 7);
        }
        QVERIFY(grid.save2dData(g));
        // A ZRT camera frame of 3 x 2 two-byte samples.
        QVERIFY(writeFile(frame, QByteArray("IM\0\0\3\0\2\0", 8) + QByteArray(56, '\0')
                                     + QByteArray("\5\0\6\0\7\0\x08\0\x09\0\xe8\x03", 12)));
    }

    void peakCsv_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        const QString bad = QStringLiteral("line %1: expected index,x,y,value with numeric x and y");
        QTest::newRow("written, CRLF") << QByteArray("index,x,y,value\r\n0,2,1,0.1\r\n1,3,2,-7\r\n2,0,0,0\r\n") << QString();
        QTest::newRow("no header") << QByteArray("0,1,2,3\n") << "line 1: the header \"index,x,y,value\" is missing";
        QTest::newRow("y infinite") << QByteArray("index,x,y,value\n0,1,inf,3\n") << bad.arg(2);
        QTest::newRow("value -0.0 written as -0") << QByteArray("index,x,y,value\n0,1,2,-0\n") << QString();
        // Text conversion would read the field as 1.
        QTest::newRow("zero byte") << QByteArray("index,x,y,value\n0,1\0junk,2,3\n", 29) << "line 2: a zero byte";
    }

    void peakCsv()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QVector<QPointF> peaks;
        QString got;
        QCOMPARE(PeakCsv::read(text, &peaks, &got), error.isEmpty());
        QCOMPARE(got, error);
        if (!error.isEmpty())
            return;
        TDData values(4, 3);
        values.setValue(2, 1, 0.1);
        values.setValue(3, 2, -7.0);
        values.setValue(1, 2, -0.0);
        QCOMPARE(PeakCsv::write(peaks, &values), QByteArray(text).replace("\r\n", "\n"));
    }

    void outputsMatchCore()
    {
        const QString out = dir.filePath(QStringLiteral("o.qlv"));
        auto src = loadData(a);
        auto srcB = loadData(b);
        QVERIFY(src && srcB);

        expectOutput({"ma", a, "-o", out, "--half", "3", "2"}, out, *std::unique_ptr<TDData>(MovingAvrF(3, 2).exec(src.get(), QRect())));
        expectOutput({"crop", a, "--rect", "30,20,45,40", "--in-place", "-o", out}, out,
                     *std::unique_ptr<TDData>(CopyRegion::exec(src.get(), corners(30, 20, 45, 40), false)));

        // The peaks command also writes the peak list with the source's values.
        const QString csv = dir.filePath(QStringLiteral("p.csv"));
        std::unique_ptr<TDData> peaks(FindPeaksF(4.5, 6, false).exec(src.get(), corners(2, 2, 30, 25)));
        expectOutput({"peaks", a, "-o", out, "--csv", csv, "--num", "6", "--radius", "4.5", "--min", "--rect", "2,2,30,25"}, out, *peaks);
        QCOMPARE(readFile(csv), PeakCsv::write(peaks->infos.last()->points, src.get()));

        // b comes first on the command line, so it is I[1] and sets the size.
        const RatioOperand ra{src.get(), true, QPointF(3, 4), QPointF(20, 22)};
        const RatioOperand rb{srcB.get(), false, QPointF(), QPointF()};
        std::unique_ptr<TDData> ratio(CalcRatio::exec({ra, rb}, {rb}, srcB->width, srcB->height, RatioOptions{true, true}));
        ratio->dataId = QStringLiteral("Cl[-log(I[2]+I[3]/I[1])]");
        expectOutput({"calc", "--den", b, "--num", a, b, "--neg", "--log", "--region", a + "=3,4,20,22", "-o", out}, out, *ratio);
        // Without --log no logarithm is taken, though the panel starts with Log checked.
        QCOMPARE(runTool({"calc", "--num", a, "-o", out}).code, 0);
        QCOMPARE(loadData(out)->dataId, QStringLiteral("Cl[I[1]/]"));

        // The filter's row lines stay hidden.
        src->setRegion(corners(4, 5, 10, 9));
        std::unique_ptr<TDData> matched(MatchingF(MatchingF::ArcCosTh, MatchingF::Exec1).exec1(src.get(), corners(0, 2, 20, 25)));
        expectOutput({"match", a, "-o", out, "--template", "4,5,10,9", "--measure", "acos", "--rect", "0,2,20,25"}, out, *matched);
        // Any thread count gives the same bits.
        expectOutput({"match", a, "-o", out, "--threads", "7", "--template", "4,5,10,9", "--measure", "acos", "--rect=0,2,20,25"},
                     out, *matched);

        const QString folder = dir.filePath(QStringLiteral("conv"));
        ImgData img;
        QVERIFY(img.load(frame));
        expectOutput({"convert", frame, a, "-o", folder}, QDir(folder).filePath("t.qlv"), *std::unique_ptr<TDData>(img.toTDData()));
        QCOMPARE(readFile(QDir(folder).filePath(QStringLiteral("a.qlv"))), readFile(a));

        const QString png = dir.filePath(QStringLiteral("r.png"));
        QCOMPARE(runTool({"render", a, "-o", png, "--lower=0.2", "--upper", "0.9", "--grey"}).code, 0);
        ColorBar0 bar;
        bar.format = ColorBar0::FormatGrayscale8;
        bar.lowerMark = 0.2;
        bar.upperMark = 0.9;
        QByteArray pngBytes;
        QBuffer buffer(&pngBytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(loadData(a)->makeImg(&bar)->save(&buffer, "PNG"));
        QCOMPARE(readFile(png), pngBytes);
    }

    void tilesMatchCore()
    {
        const QString csv = dir.filePath(QStringLiteral("t.csv"));
        QVERIFY(writeFile(csv, "index,x,y,value\n0,10,10,1\n1,25,5,1\n2,10,20,1\n3,25,20,1\n"));
        const QDir tiles(dir.filePath(QStringLiteral("tiles")));
        QCOMPARE(runTool({"tiles", b, "--peaks", csv, "--template", "6,7,12,15", "--ref", "2", "--order", "hv", "--bt", "-o", tiles.path()}).code, 0);
        auto src = loadData(b);
        src->setRegion(corners(6, 7, 12, 15));
        const SaveOrder order{SaveOrder::HFirst, false, true};
        const QVector<PeakTile> plan = CopyAroundPeaks::plan({{10, 10}, {25, 5}, {10, 20}, {25, 20}}, 2, src->region, order);
        QCOMPARE(tiles.entryList(QDir::Files), QStringList({"b-0.qlv", "b-1.qlv", "b-2.qlv", "b-3.qlv"}));
        const QString ref = dir.filePath(QStringLiteral("ref.qlv"));
        for (const PeakTile &tile : plan) {
            QVERIFY(std::unique_ptr<TDData>(CopyAroundPeaks::makeTile(src.get(), tile))->save2dData(ref));
            QCOMPARE(readFile(tiles.filePath(QStringLiteral("b-%1.qlv").arg(tile.k))), readFile(ref));
        }

        // Peaks found on the fly give the same tiles as the list written by the peaks command.
        const QString found = dir.filePath(QStringLiteral("found.csv"));
        const QDir tiles2(dir.filePath(QStringLiteral("tiles2")));
        QCOMPARE(runTool({"peaks", a, "--csv", found, "--num", "3", "--radius", "8"}).code, 0);
        QCOMPARE(runTool({"tiles", b, "--peaks", found, "-o", tiles.path()}).code, 0);
        QCOMPARE(runTool({"tiles", b, "--peaks-of", a, "--num", "3", "--radius", "8", "-o", tiles2.path()}).code, 0);
        for (int k = 0; k < 3; ++k) {
            const QString name = QStringLiteral("b-%1.qlv").arg(k);
            QCOMPARE(readFile(tiles2.filePath(name)), readFile(tiles.filePath(name)));
        }
    }

    // Text written by stats and profile for the grid g (%g).
    void reports_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("text");
        const QString figures = QStringLiteral("  minimum: %1\n  maximum: %2\n  mean: %3\n  standard deviation: %4\n  sum: %5\n"
                                               "  median: %6\n  0.5 % quantile: %7\n  99.5 % quantile: %8\n");
        QTest::newRow("stats whole grid")
            << QStringList{"stats", "%g"}
            << "%g\n  rectangle: 0,0,3,2\n  pixels: 8 valid, 1 invalid, 1 NaN, 2 infinite\n"
                   + figures.arg("1", "10", "5.125", "3.1367635732209265", "41", "5", "1.035", "9.93");
        QTest::newRow("stats clipped rect")
            << QStringList{"stats", "%g", "--rect", "1,1,9,9"}
            << "%g\n  rectangle: 1,1,3,2\n  pixels: 3 valid, 1 invalid, 0 NaN, 2 infinite\n"
                   + figures.arg("7", "10", "8.333333333333334", "1.5275252316519468", "25", "8", "7.01", "9.98");
        const QString empty = "%g\n  rectangle: 3,0,3,1\n  pixels: 0 valid, 1 invalid, 1 NaN, 0 infinite\n"
                              + figures.arg("--", "--", "--", "--", "--", "--", "--", "--");
        QTest::newRow("stats empty, two files") << QStringList{"stats", "%g", "%g", "--rect", "3,0,3,1"} << empty + "\n" + empty;
        QTest::newRow("profile row") << QStringList{"profile", "%g", "--row", "1"} << "index,value,valid\n0,4,1\n1,inf,1\n2,-inf,1\n3,100,0\n";
        QTest::newRow("profile column") << QStringList{"profile", "--column=3", "%g"} << "index,value,valid\n0,nan,1\n1,100,0\n2,10,1\n";
    }

    void reports()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, text);
        const Run run = runTool(args.replaceInStrings("%g", g));
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(run.out, text.replace("%g", g));
        // The profile's file holds the same text.
        const QString csv = dir.filePath(QStringLiteral("profile.csv"));
        if (args.first() == QLatin1String("profile")) {
            QCOMPARE(runTool(args << "-o" << csv).code, 0);
            QCOMPARE(QString::fromLatin1(readFile(csv)), text);
        }
    }

    void statsJson()
    {
        const Run run = runTool({"stats", "--json", g, "--rect", "0,0,2,2", dir.filePath(QStringLiteral("missing.qlv"))});
        QCOMPARE(run.code, 1);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QByteArray want = R"([{"file": "%g", "rect": [0, 0, 2, 2], "valid": 7, "invalid": 0, "nan": 0, "infinite": 2,
            "min": 1, "max": 8, "mean": 4.428571428571429, "stdDev": 2.63673679998231, "sum": 31, "median": 4,
            "p0.5": 1.03, "p99.5": 7.97}])";
        QCOMPARE(doc, QJsonDocument::fromJson(QByteArray(want).replace("%g", g.toUtf8())));
        const Run empty = runTool({"stats", "--json", g, "--rect", "3,0,3,1"});
        const QJsonObject o = QJsonDocument::fromJson(empty.out.toUtf8()).array().at(0).toObject();
        QVERIFY(o.value("median").isNull() && o.value("p99.5").isNull() && o.value("nan").toInt() == 1);
        // A sum beyond the doubles: JSON has no number for it.
        TDData huge(2, 1);
        huge.setValue(0, 0, 1.5e308);
        huge.setValue(1, 0, 1.5e308);
        const QString h = dir.filePath(QStringLiteral("huge.qlv"));
        QVERIFY(huge.save2dData(h));
        const QJsonObject big = QJsonDocument::fromJson(runTool({"stats", "--json", h}).out.toUtf8()).array().at(0).toObject();
        QCOMPARE(QStringList({big.value("sum").toString(), big.value("mean").toString(), QString::number(big.value("median").toDouble())}),
                 QStringList({"inf", "inf", "1.5e+308"}));
    }

    // The float TIFF reads back as g rounded to float, invalid pixels as NaN.
    void convertTiff()
    {
        const QDir out(dir.filePath(QStringLiteral("tiff")));
        QCOMPARE(runTool({"convert", g, a, "--format", "tiff", "-o", out.path()}).code, 0);
        QCOMPARE(out.entryList(QDir::Files), QStringList({"a.tif", "g.tif"}));
        ImgData img;
        QVERIFY(img.load(out.filePath(QStringLiteral("g.tif"))));
        const std::unique_ptr<TDData> back(img.toTDData());
        QStringList values;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x)
                values << QString::number(back->value(x, y));
        }
        QCOMPARE(QSize(back->width, back->height), QSize(4, 3));
        QCOMPARE(values.join(' '), QStringLiteral("1 2 3 nan 4 inf -inf nan 6 7 8 10"));
    }

    // Usage errors (exit 2) and failed runs (exit 1) write nothing and leave no output behind.
    void failures_data()
    {
        // Unreadable files are run through the executable in tst_cli; these are the other failures.
        // %w is the work folder, holding the plain file "blocker" and garbage.tif; %a is a grid.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");  // the start of stderr
        QTest::addColumn<int>("lines");
        // Option values may look like options when they are numbers, and may follow an "=".
        QTest::newRow("negative half") << QStringList{"ma", "%a", "-o", "%w/x", "--half", "-1", "2"} << 2
                                       << "quelvo-cli ma: option '--half' needs two whole numbers from 0 to 1000000, got '-1 2'\n" << 2;
        QTest::newRow("value is an option") << QStringList{"ma", "%a", "--half", "2", "-o", "%w/x"} << 2
                                            << "quelvo-cli ma: option '--half' needs two values: --half W H\n" << 2;
        QTest::newRow("no thread") << QStringList{"ma", "%a", "-o", "%w/x", "--half", "1", "1", "--threads=0"} << 2
                                   << "quelvo-cli ma: option '--threads' needs a whole number from 1 to 1024\n" << 2;
        QTest::newRow("render bad mark") << QStringList{"render", "%a", "-o", "%w/x", "--lower=nan"} << 2
                                         << "quelvo-cli render: option '--lower' needs a number, got 'nan'\n" << 2;
        QTest::newRow("calc names every bad operand")
            << QStringList{"calc", "--num", "%w/garbage.tif", "%a", "--den", "%w/missing.qlv", "-o", "%w/r.qlv"} << 1
            << "quelvo-cli calc: %w/garbage.tif: not a readable" << 2;
        QTest::newRow("stats rect outside") << QStringList{"stats", "%a", "--rect", "37,0,40,3"} << 1
                                            << "quelvo-cli stats: %a: the rectangle 37,0,40,3 lies outside the 37 x 29 grid\n" << 1;
        QTest::newRow("profile row outside") << QStringList{"profile", "%a", "--row", "29"} << 1
                                             << "quelvo-cli profile: %a: row 29 lies outside the 37 x 29 grid\n" << 1;
        QTest::newRow("profile negative column") << QStringList{"profile", "%a", "--column", "-1"} << 2
                                                 << "quelvo-cli profile: option '--column' needs a whole number from 0 to" << 2;
        QTest::newRow("profile row and column") << QStringList{"profile", "%a", "--column", "1", "--row", "1"} << 2
                                                << "quelvo-cli profile: give either --row or --column\n" << 2;
        QTest::newRow("convert bad format") << QStringList{"convert", "%a", "--format", "png", "-o", "%w/x"} << 2
                                            << "quelvo-cli convert: option '--format' is 2ddata or tiff, got 'png'\n" << 2;
        QTest::newRow("tiff unwritable") << QStringList{"convert", "%a", "--format", "tiff", "-o", "%w/blocker/x.tif"} << 1
                                         << "quelvo-cli convert: %w/blocker/x.tif: cannot write: " << 1;
        QTest::newRow("csv unwritable") << QStringList{"peaks", "%a", "-o", "%w/p.qlv", "--csv", "%w/blocker/p.csv", "--num", "2", "--radius", "3"}
                                        << 1 << "quelvo-cli peaks: %w/blocker/p.csv: cannot write" << 1;
    }

    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir work;
        QVERIFY(writeFile(work.filePath(QStringLiteral("garbage.tif")), QByteArray("II*\0not a tiff at all, only bytes", 34)));
        QVERIFY(writeFile(work.filePath(QStringLiteral("blocker")), QByteArray()));
        const QStringList before = QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        const auto fill = [&](QString s) { return s.replace("%w", work.path()).replace("%a", a); };
        for (QString &arg : args)
            arg = fill(arg);

        const Run run = runTool(args);
        QCOMPARE(run.code, code);
        QVERIFY2(run.err.startsWith(fill(message)), qPrintable(run.err));
        QTEST(run.err.count(QLatin1Char('\n')), "lines");
        QCOMPARE(run.err.contains(QStringLiteral("--help' for more information.")), code == 2);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    }

    // An input whose run needs more memory than there is fails alone; the next one still runs.
    void outOfMemory()
    {
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        CliContext context(out, err, false, 0, 0);
        context.setCommand(QStringLiteral("ma"));
        QVector<int> ran;
        const int code = context.eachInput({a, a}, true, [&](const QString &, TDData *, int i) {
            ran << i;
            if (i == 0)
                throw std::bad_alloc();
            return true;
        });
        err.flush();
        QCOMPARE(code, int(CliContext::Failure));
        QCOMPARE(ran, (QVector<int>{0, 1}));
        QCOMPARE(errText, QStringLiteral("quelvo-cli ma: %1: not enough memory\n").arg(a));
    }

    // On a full disk (a file size limit here) every kind of output fails with the system's reason
    // and the file it would replace keeps its old contents.
    void fullDisk_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("name");
        QTest::newRow("2dData") << QStringList{"ma", "%a", "-o", "%o", "--half", "1", "1"} << "old.qlv";
        QTest::newRow("peak CSV") << QStringList{"peaks", "%a", "--csv", "%o", "--num", "9", "--radius", "2"} << "old.csv";
        QTest::newRow("PNG") << QStringList{"render", "%a", "-o", "%o"} << "old.png";
        QTest::newRow("float TIFF") << QStringList{"convert", "%a", "--format", "tiff", "-o", "%o"} << "old.tif";
    }

    void fullDisk()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, name);
        QTemporaryDir work;
        const QString target = work.filePath(name);
        const QByteArray old(40, 'o');
        QVERIFY(writeFile(target, old));
        for (QString &arg : args)
            arg.replace("%a", a).replace("%o", target);
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = 64;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const Run run = runTool(args);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(run.err));
        QCOMPARE(readFile(target), old);
        QCOMPARE(QDir(work.path()).entryList(QDir::Files | QDir::Hidden), QStringList({name}));
    }

    void progressLine()
    {
        QTemporaryDir work;
        const Run shown = runTool({"match", a, b, "-o", work.path(), "--template", "2,2,6,6"}, true);
        QCOMPARE(shown.code, 0);
        QVERIFY(shown.err.contains(QStringLiteral("\rquelvo-cli match: [2/2] %1: row 3 of 33").arg(b)));
        // The line is wiped at the end: nothing but blanks after the last carriage return but one.
        QVERIFY(shown.err.endsWith(QLatin1Char('\r')));
        QVERIFY(shown.err.section(QLatin1Char('\r'), -2, -2).trimmed().isEmpty());
        QVERIFY(!shown.err.contains(QLatin1Char('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCliTool)
#include "tst_clitool.moc"
