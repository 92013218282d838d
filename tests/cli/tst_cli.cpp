// Runs the quelvo-cli executable end to end on the sample set and on hostile files; that its
// outputs equal the core's results is checked in-process by tst_clitool.

#include "tests/filetesttools.h"

#include <QDir>
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

Result runProgram(const QString &program, const QStringList &args, const QString &workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(program, args);
    Result r;
    if (p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit)
        r = {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    return r;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir samples;
    Result cli(const QStringList &args) { return runProgram(QStringLiteral(QUELVO_CLI), args, samples.path()); }

private slots:
    void initTestCase()
    {
        QVERIFY(samples.isValid());
        QCOMPARE(runProgram(QStringLiteral(MAKE_SAMPLES), {samples.path()}, QString()).code, 0);
        QCOMPARE(filesIn(samples.path()), QStringList({"flat.qlv", "phantom.ct", "spots.tif", "spots2.zrt"}));
    }

    void usageAndHelp()
    {
        const Result help = cli({"crop", "--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith("Usage: quelvo-cli crop "));
        const Result none = cli({});
        QCOMPARE(none.code, 2);
        QCOMPARE(none.err, QByteArray("quelvo-cli: no command given\nTry 'quelvo-cli --help' for more information.\n"));
        QVERIFY(none.out.isEmpty());
    }

    // The commands of the README's worked example, on the sample set.
    void workedExampleOnSamples()
    {
        QTemporaryDir work;
        const QString w = work.path() + QLatin1Char('/');

        const Result info = cli({"info", "--json", "spots.tif", "flat.qlv"});
        QCOMPARE(info.code, 0);
        const QJsonArray all = QJsonDocument::fromJson(info.out).array();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[0].toObject()["width"].toInt(), 320);
        QVERIFY(all[1].toObject()["validPixels"].toInt() < 320 * 256);  // dead pixels

        QCOMPARE(cli({"convert", "spots.tif", "spots2.zrt", "phantom.ct", "-o", w + "conv"}).code, 0);
        QCOMPARE(filesIn(w + "conv"), QStringList({"phantom.qlv", "spots.qlv", "spots2.qlv"}));
        QCOMPARE(cli({"calc", "--num", "spots.tif", "--den", "flat.qlv", "-o", w + "corr.qlv"}).code, 0);
        QCOMPARE(cli({"peaks", w + "corr.qlv", "--num", "30", "--radius", "20", "--csv", w + "spots.csv"}).code, 0);
        const Result tiles = cli({"tiles", "spots2.zrt", "--peaks", w + "spots.csv", "--template", "212,16,252,56", "--ref", "0",
                                  "-o", w + "tiles"});
        QCOMPARE(tiles.code, 0);
        QVERIFY(tiles.err.isEmpty());  // no progress line when stderr is no terminal
        QCOMPARE(filesIn(w + "tiles").size(), 30);
        QCOMPARE(cli({"render", w + "corr.qlv", "-o", w + "corr.png"}).code, 0);
        QCOMPARE(QImage(w + "corr.png").size(), QSize(320, 256));
    }

    // Each page of a stack is its own dataset: info lists the pages, convert writes one file each.
    void stacks()
    {
        QTemporaryDir work;
        const QString stack = work.filePath("stack.tif");
        QVERIFY(writeU16Stack(stack, 2, 1, {{1, 2}, {3, 4}, {5, 60000}}));
        const Result info = cli({"info", "--json", stack, "spots.tif"});
        QCOMPARE(info.code, 0);
        QStringList seen;
        for (const QJsonValue &v : QJsonDocument::fromJson(info.out).array())
            seen << v["file"].toString().section('/', -1) + ' ' + v["id"].toString() + ' ' + QString::number(v["max"].toDouble());
        QCOMPARE(seen, QStringList({"stack.tif[1] stack[1] 2", "stack.tif[2] stack[2] 4", "stack.tif[3] stack[3] 60000", "spots.tif spots 4741"}));

        QCOMPARE(cli({"convert", stack, "spots.tif", "-o", work.filePath("all")}).code, 0);
        QCOMPARE(filesIn(work.filePath("all")), QStringList({"spots.qlv", "stack-1.qlv", "stack-2.qlv", "stack-3.qlv"}));
        QCOMPARE(cli({"convert", stack, "-o", work.filePath("one.qlv")}).code, 0);
        const Result back = cli({"info", "--json", work.filePath("one-3.qlv")});
        QCOMPARE(QJsonDocument::fromJson(back.out).array()[0].toObject()["id"].toString(), QStringLiteral("stack[3]"));
        QCOMPARE(readFile(work.filePath("one-3.qlv")), readFile(work.filePath("all/stack-3.qlv")));
        const Result first = cli({"ma", stack, "--half", "0", "0", "-o", work.filePath("ma.qlv")});
        QCOMPARE(first.code, 0);
        QCOMPARE(first.err, QStringLiteral("quelvo-cli ma: %1: a stack of 3 pages; only page 1 is used\n").arg(stack).toUtf8());
    }

    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        const QString unreadable = "not a readable TIFF, ZRT, PLMR CT text or 2dData file";
        QTest::newRow("zrt of absurd size") << QByteArray("IM\0\0\xff\xff\xff\xff", 8) + QByteArray(56, '\0') << unreadable;
        const QByteArray header = QByteArray("2dData-V0.0 HeaderSize: 256\nWIDTH: 20\nHEIGHT: 20\n").leftJustified(256, '\0');
        QTest::newRow("2dData cut short") << header + QByteArray(2000, '\0') << "truncated 2dData file: 2256 of 3856 bytes";
        QTest::newRow("2dData holding less than half its grid") << header + QByteArray(80, '\0') << unreadable;
    }

    // A hostile file is reported by name with exit code 1 and gives no output; the good input beside
    // it is still processed.
    void hostileFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QTemporaryDir work;
        const QString bad = work.filePath(QStringLiteral("bad.dat"));
        QVERIFY(writeFile(bad, content));
        const Result r = cli({"convert", bad, "spots.tif", "-o", work.filePath("out")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("quelvo-cli convert: %1: %2").arg(bad, reason).toUtf8()), r.err.constData());
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(filesIn(work.filePath("out")), QStringList("spots.qlv"));
    }

    void failedRunKeepsOldOutput()
    {
        QTemporaryDir work;
        const QString kept = work.filePath(QStringLiteral("kept.qlv"));
        QVERIFY(writeFile(kept, "old"));
        const Result missing = cli({"ma", "no-such-file.tif", "--half", "1", "1", "-o", kept});
        QCOMPARE(missing.code, 1);
        QCOMPARE(missing.err, QByteArray("quelvo-cli ma: no-such-file.tif: no such file\n"));
        QCOMPARE(readFile(kept), QByteArray("old"));
        QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList("kept.qlv"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
