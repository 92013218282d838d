// Start-up: the option table (command line, configuration files, INCLUDE) and the decisions taken
// from it: which configuration file, which data root, whether the catalogue is installed.

#include "app/opttable.h"
#include "app/startup.h"

#include "data/parallelrows.h"
#include "display/imgdisp.h"

#include "tests/filetesttools.h"
#include "tests/processing/filtertesttools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <vector>

namespace {

// Parses args the way main() does; the program name comes first.
void parseCommandLine(OptTable *options, const QStringList &args)
{
    std::vector<QByteArray> bytes;
    for (const QString &a : QStringList("quelvo") + args)
        bytes.push_back(a.toUtf8());
    std::vector<const char *> argv;
    for (const QByteArray &b : bytes)
        argv.push_back(b.constData());
    options->init(int(argv.size()), argv.data());
}

// "key=value" for every entry in table order.
QStringList entries(const OptTable &table)
{
    QStringList result;
    for (const QString &key : table.keys())
        result.append(key + '=' + table.valueOf(key, "<none>"));
    return result;
}

QString defaultConfigPath()
{
    return QFileInfo(QDir(QCoreApplication::applicationDirPath()), QStringLiteral("config.cfg")).canonicalFilePath();
}

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;

    // Writes text into name in the temporary folder and returns its path.
    QString write(const QString &name, const QByteArray &text)
    {
        const QString path = tmp.filePath(name);
        if (!writeFile(path, text))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void init()
    {
        QVERIFY(tmp.isValid());
        dataRoot.clear();
    }

    // The command line first, then the configuration file (a null text: none).
    void optionTable_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("extra values dropped") << QStringList{"-x", "1", "2", "-y"} << QByteArray()
                                              << QStringList{"-x=1", "-y="};
        QTest::newRow("value cannot begin with -") << QStringList{"-d", "-tmp"} << QByteArray()
                                                   << QStringList{"-d=", "-tmp="};
        QTest::newRow("twice keeps first place, case kept") << QStringList{"-a", "1", "-A", "2", "-a", "3"}
                                                            << QByteArray() << QStringList{"-a=3", "-A=2"};
        QTest::newRow("quoted blank and hash") << QStringList() << QByteArray("DataRoot \"/my dir/#1\" # c\n")
                                               << QStringList{"DataRoot=/my dir/#1"};
        QTest::newRow("crlf, comment, blank, no final newline") << QStringList() << QByteArray("# c\r\n \t\r\nA 1\r\nB 2")
                                                                << QStringList{"A=1", "B=2"};
        QTest::newRow("file after command line, later wins") << QStringList{"-d", "x"}
                                                             << QByteArray("dataroot a\nDataRoot b\n-d c\n")
                                                             << QStringList{"-d=c", "dataroot=a", "DataRoot=b"};
    }

    void optionTable()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, config);
        OptTable table;
        parseCommandLine(&table, args);
        if (!config.isNull())
            table.readCfgFile(write("lines.cfg", config));
        QTEST(entries(table), "expected");
    }

    // An included file is read whole before the next line, as often as it is named; files already
    // being read up the chain and missing files are skipped with a line, and reading goes on.
    void include()
    {
        const QString a = tmp.filePath("a.cfg");
        const QString b = tmp.filePath("b.cfg");
        const QString missing = tmp.filePath("missing.cfg");
        write("a.cfg", "K1 a\nINCLUDE " + b.toUtf8() + "\nK3 a\nK1 c\nINCLUDE " + missing.toUtf8() + "\nINCLUDE\n"
                       "include \"" + b.toUtf8() + "\" # c\n");
        write("b.cfg", "K2 b\nInclude " + a.toUtf8() + "\nINCLUDE " + tmp.filePath("./b.cfg").toUtf8() + "\nK1 b\n");
        for (int i = 0; i < 2; ++i) {
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Config file already being read, skipped : .*a\\.cfg\"$"));
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Config file already being read, skipped : .*b\\.cfg\"$"));
        }
        QTest::ignoreMessage(QtDebugMsg, qPrintable("Can't open config file :  \"" + missing + '"'));
        QTest::ignoreMessage(QtDebugMsg, "Can't open config file :  \"\"");
        OptTable table;
        table.readCfgFile(a);
        QCOMPARE(entries(table), (QStringList{"K1=b", "K2=b", "K3=a"}));
    }

    // Thirty files that each include the next one twice would take 2^30 reads; the read stops
    // following INCLUDE lines after a hundred, with a line for each one skipped, and keeps every
    // setting in the order it came.
    void includeTwicePerLevel()
    {
        const int levels = 30;
        QStringList expected;
        for (int k = 0; k < levels; ++k) {
            const QByteArray next = tmp.filePath(QString("l%1.cfg").arg(k + 1)).toUtf8();
            write(QString("l%1.cfg").arg(k), k + 1 < levels ? "L" + QByteArray::number(k) + " x\nINCLUDE " + next + "\nINCLUDE " + next + "\n"
                                                           : QByteArray("Last y\n"));
            expected << (k + 1 < levels ? QString("L%1=x").arg(k) : QString("Last=y"));
        }
        const DebugCatcher caught;
        OptTable table;
        table.readCfgFile(tmp.filePath("l0.cfg"));
        QCOMPARE(entries(table), expected);
        QVERIFY(!DebugCatcher::lines().isEmpty());
        for (const QString &line : qAsConst(DebugCatcher::lines()))
            QVERIFY2(line.startsWith("Too many INCLUDE lines, skipped : "), qPrintable(line));
    }

    // -config wins over -c in either order; without either the file beside the executable.
    void configFileOrder()
    {
        const QVector<QPair<QStringList, QString>> cases{{{}, defaultConfigPath()},
                                                         {{"-c", "a.cfg", "-config", "b.cfg"}, "b.cfg"},
                                                         {{"-config", "b.cfg", "-c", "a.cfg"}, "b.cfg"}};
        for (const auto &c : cases) {
            OptTable options;
            parseCommandLine(&options, c.first);
            QCOMPARE(configFilePath(options), c.second);
        }
    }

    // Every debug line is recorded: a missing default configuration gives exactly one (an empty path
    // handed to QFile would add a toolkit warning).
    void decisions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("config");  // null: no -c, and no file beside the executable
        QTest::addColumn<QString>("root");
        QTest::addColumn<bool>("japanese");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("threads");  // 0: the machine's ideal count
        QTest::addColumn<bool>("square");
        QTest::newRow("no config: working directory, translated") << QStringList() << QByteArray() << QDir::currentPath()
                                                                  << true << QStringList{"Can't open config file :  \"\""}
                                                                  << 0 << false;
        QTest::newRow("-d beats DataRoot, -e given, -threads beats Threads, SquarePixels On")
            << QStringList{"-d", "/x", "-e", "-threads", "3"} << QByteArray("DataRoot /y\nThreads 5\nSquarePixels On\n") << "/x"
            << false << QStringList() << 3 << true;
        QTest::newRow("-d and -e in the file, Threads no number, SquarePixels 0")
            << QStringList{"-d", "/x"} << QByteArray("-d /z\n-e\nThreads many\nSquarePixels 0\n") << "/z" << false << QStringList()
            << 0 << false;
        QTest::newRow("Threads in the file, -SquarePixels no key") << QStringList{"-SquarePixels", "1"} << QByteArray("Threads 2\n")
                                                                  << QDir::currentPath() << true << QStringList() << 2 << false;
    }

    void decisions()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, config);
        QFETCH(QString, root);
        QFETCH(bool, japanese);
        QFETCH(int, threads);
        if (config.isNull() && !defaultConfigPath().isEmpty())
            QSKIP("a config.cfg lies beside the test program");
        OptTable options;
        parseCommandLine(&options, config.isNull() ? args : args + QStringList{"-c", write("root.cfg", config)});
        {
            QTranslator translator;
            const DebugCatcher caught;
            configure(&options, &translator);
            QTEST(DebugCatcher::lines(), "lines");
            QCOMPARE(dataRoot, root);
            QCOMPARE(ParallelRows::threadCount(), threads > 0 ? threads : QThread::idealThreadCount());
            QTEST(ImgDisp::squarePixelsDefault(), "square");
            QCOMPARE(QCoreApplication::translate("Body", "Load"), japanese ? QStringLiteral("読込") : QStringLiteral("Load"));
        }
        // The translator removes itself when destroyed.
        QCOMPARE(QCoreApplication::translate("Body", "Load"), QStringLiteral("Load"));
    }

    // Placeholders survive translation; contexts keep equal texts apart; untranslated texts stay.
    void catalogue()
    {
        QTranslator translator;
        QVERIFY(translator.load(":Quelvo_ja_JP"));
        QCOMPARE(translator.language(), QStringLiteral("ja_JP"));
        QCOMPARE(translator.translate("FilterCtrl", "Find %1 Peaks (%2:%3)"), QString::fromUtf8("ピーク(%1)探索 (%2: %3)"));
        QCOMPARE(translator.translate("Body", "Copy"), QString::fromUtf8("複製(Cp)"));
        QVERIFY(translator.translate("CopyCtrl", "Copy").isEmpty());
        QVERIFY(translator.translate("CalcCtrl", "Cl[%1]").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
