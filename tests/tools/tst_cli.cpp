// Runs the quelvo-cli executable on the sample set and on hostile files; that its outputs equal
// the core's results is checked in-process by tst_clitool.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Result
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Result runProgram(const QString &program, const QStringList &args, const QString &workDir = QString())
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(program, args);
    Result r;
    if (!p.waitForFinished(240000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void help_data();
    void help();
    void badUsageExitsWithTwo();
    void workedExampleOnSamples();
    void hostileFiles_data();
    void hostileFiles();
    void failedWriteLeavesNothing();

private:
    Result cli(const QStringList &args) { return runProgram(QStringLiteral(QUELVO_CLI), args, samples.path()); }

    QTemporaryDir samples;
};

void TestCli::initTestCase()
{
    QVERIFY(samples.isValid());
    const Result made = runProgram(QStringLiteral(MAKE_SAMPLES), {samples.path()});
    QCOMPARE(made.code, 0);
    QCOMPARE(filesIn(samples.path()), QStringList({"flat.qlv", "phantom.ct", "spots.tif", "spots2.zrt"}));
}

void TestCli::help_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("usage");
    QTest::newRow("tool") << QStringList{"--help"} << "Usage: quelvo-cli COMMAND [OPTIONS] FILE...";
    QTest::newRow("help word") << QStringList{"help", "crop"} << "Usage: quelvo-cli crop ";
    for (const char *command : {"info", "convert", "ma", "at", "match", "peaks", "calc", "crop", "tiles", "render"})
        QTest::newRow(command) << QStringList{command, "--help"} << QStringLiteral("Usage: quelvo-cli %1 ").arg(command);
}

void TestCli::help()
{
    QFETCH(QStringList, args);
    QFETCH(QString, usage);
    const Result r = cli(args);
    QCOMPARE(r.code, 0);
    QVERIFY(r.err.isEmpty());
    QVERIFY2(r.out.startsWith(usage.toUtf8()), r.out.constData());
    if (args.size() == 2)
        QVERIFY(r.out.contains("  -h, --help"));
}

void TestCli::badUsageExitsWithTwo()
{
    const Result none = cli({});
    QCOMPARE(none.code, 2);
    QCOMPARE(none.err, QByteArray("quelvo-cli: no command given\nTry 'quelvo-cli --help' for more information.\n"));
    QVERIFY(none.out.isEmpty());

    const Result bad = cli({"ma", "spots.tif", "--half", "2", "-o", "out.qlv"});
    QCOMPARE(bad.code, 2);
    QVERIFY(bad.err.startsWith("quelvo-cli ma: option '--half' needs two values: --half W H\n"));
    QVERIFY(!QFileInfo::exists(samples.filePath(QStringLiteral("out.qlv"))));
}

// The commands of the README's worked example, on the sample set.
void TestCli::workedExampleOnSamples()
{
    QTemporaryDir work;
    const QString w = work.path() + QLatin1Char('/');

    const Result info = cli({"info", "--json", "spots.tif", "flat.qlv"});
    QCOMPARE(info.code, 0);
    const QJsonArray all = QJsonDocument::fromJson(info.out).array();
    QCOMPARE(all.size(), 2);
    QCOMPARE(all[0].toObject()["id"].toString(), QStringLiteral("spots"));
    QCOMPARE(all[0].toObject()["width"].toInt(), 320);
    QCOMPARE(all[1].toObject()["id"].toString(), QStringLiteral("flat field"));
    QVERIFY(all[1].toObject()["validPixels"].toInt() < 320 * 256);  // dead pixels

    QCOMPARE(cli({"convert", "spots.tif", "spots2.zrt", "phantom.ct", "-o", w + "conv"}).code, 0);
    QCOMPARE(filesIn(w + "conv"), QStringList({"phantom.qlv", "spots.qlv", "spots2.qlv"}));
    QCOMPARE(cli({"calc", "--num", "spots.tif", "--den", "flat.qlv", "-o", w + "corr.qlv"}).code, 0);
    QCOMPARE(cli({"ma", w + "corr.qlv", "--half", "2", "2", "-o", w + "smooth.qlv"}).code, 0);
    QCOMPARE(cli({"peaks", w + "smooth.qlv", "--num", "30", "--radius", "20", "--csv", w + "spots.csv", "-o", w + "peaks.qlv"}).code, 0);
    const QList<QByteArray> csv = fileBytes(w + "spots.csv").split('\n');
    QCOMPARE(csv.first(), QByteArray("index,x,y,value"));
    QCOMPARE(csv.size(), 32);  // header, 30 peaks, the empty piece after the last line break
    const Result tiles = cli({"tiles", "spots2.zrt", "--peaks", w + "spots.csv", "--template", "212,16,252,56", "--ref", "0",
                              "--order", "vh", "-o", w + "tiles"});
    QCOMPARE(tiles.code, 0);
    QVERIFY(tiles.err.isEmpty());  // no progress line when stderr is no terminal
    QCOMPARE(filesIn(w + "tiles").size(), 30);
    QCOMPARE(cli({"match", "spots.tif", "--template", "212,16,252,56", "--rect", "150,0,319,100", "-o", w + "pm.qlv"}).code, 0);
    QCOMPARE(cli({"render", w + "pm.qlv", w + "corr.qlv", "-o", w + "png"}).code, 0);
    QCOMPARE(filesIn(w + "png"), QStringList({"corr.png", "pm.png"}));
    QCOMPARE(QImage(w + "png/corr.png").size(), QSize(320, 256));

    const Result text = cli({"info", w + "tiles/spots2-00.qlv"});
    QCOMPARE(text.code, 0);
    QVERIFY2(text.out.contains("  size: 41 x 41\n  identifier: spots2:CpAPk[0("), text.out.constData());
}

void TestCli::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray() << "not a readable TIFF, ZRT, PLMR CT text or 2dData file";
    QTest::newRow("text") << QByteArray("just some words in a file\n") << "not a readable TIFF, ZRT, PLMR CT text or 2dData file";
    QTest::newRow("tiff magic only") << QByteArray("II*\0\xff\xff\xff\x7f garbage garbage", 24) << "not a readable TIFF";
    QTest::newRow("zrt of absurd size") << QByteArray("IM\0\0\xff\xff\xff\xff", 8) + QByteArray(56, '\0') << "not a readable";
    QTest::newRow("zrt cut short") << QByteArray("IM\0\0\x10\0\x10\0", 8) + QByteArray(100, '\1') << "not a readable";
    QTest::newRow("ct without range") << QByteArray("#PLMR-CTImg\n# a = 1\n1 2 3\n") << "not a readable";
    QTest::newRow("2dData claiming a huge grid")
        << QByteArray("2dData-V0.0 HeaderSize: 256\nWIDTH: 2000000000\nHEIGHT: 2000000000\n") + QByteArray(200, '\0')
        << "not a readable";
    QTest::newRow("2dData with negative header size") << QByteArray("2dData-V0.0 HeaderSize: -5\nWIDTH: 2\nHEIGHT: 2\n") << "not a readable";
    QTest::newRow("2dData cut short")
        << QByteArray("2dData-V0.0 HeaderSize: 256\nWIDTH: 20\nHEIGHT: 20\n").leftJustified(256, '\0') + QByteArray(80, '\0')
        << "truncated 2dData file: 336 of 3856 bytes";
}

// Every hostile file is reported by name with exit code 1 and leaves no output; the good input
// given with it is still processed.
void TestCli::hostileFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir work;
    const QString bad = work.filePath(QStringLiteral("bad.dat"));
    writeFile(bad, content);
    const QString outDir = work.filePath(QStringLiteral("out"));
    for (const char *command : {"convert", "render", "info"}) {
        QStringList args{command, bad, "spots.tif"};
        if (QByteArray(command) != "info")
            args << "-o" << outDir;
        const Result r = cli(args);
        QCOMPARE(r.code, 1);
        const QByteArray expected = QStringLiteral("quelvo-cli %1: %2: %3").arg(command, bad, reason).toUtf8();
        QVERIFY2(r.err.startsWith(expected), r.err.constData());
        QCOMPARE(r.err.count('\n'), 1);
        if (QByteArray(command) == "info")
            QVERIFY(r.out.startsWith("spots.tif\n"));
        else
            QCOMPARE(filesIn(outDir), QStringList(QStringLiteral("spots.%1").arg(QByteArray(command) == "render" ? "png" : "qlv")));
        QVERIFY(QDir(outDir).removeRecursively());
    }
}

void TestCli::failedWriteLeavesNothing()
{
    QTemporaryDir work;
    const QString blocker = work.filePath(QStringLiteral("file"));
    writeFile(blocker, "x");
    const Result r = cli({"crop", "spots.tif", "--rect", "0,0,9,9", "-o", blocker + "/c.qlv"});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("quelvo-cli crop: %1/c.qlv: cannot write").arg(blocker).toUtf8()));

    // An existing output is replaced only by a complete new one.
    const QString kept = work.filePath(QStringLiteral("kept.qlv"));
    writeFile(kept, "old");
    const Result missing = cli({"ma", "no-such-file.tif", "--half", "1", "1", "-o", kept});
    QCOMPARE(missing.code, 1);
    QCOMPARE(missing.err, QByteArray("quelvo-cli ma: no-such-file.tif: no such file\n"));
    QCOMPARE(fileBytes(kept), QByteArray("old"));
    QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"file", "kept.qlv"}));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
