#include "app/opttable.h"
#include "app/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <iterator>
#include <vector>

namespace {

// Parses args (without the program name) the way main() does.
void parseCommandLine(OptTable *options, const QStringList &args)
{
    std::vector<QByteArray> bytes{QByteArrayLiteral("quelvo")};
    for (const QString &a : args)
        bytes.push_back(a.toUtf8());
    std::vector<const char *> argv;
    for (const QByteArray &b : bytes)
        argv.push_back(b.constData());
    options->init(int(argv.size()), argv.data());
}

QStringList debugLines;

void recordDebugLine(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        debugLines << text;
}

QString defaultConfigPath()
{
    return QFileInfo(QDir(QCoreApplication::applicationDirPath()), QStringLiteral("config.cfg")).canonicalFilePath();
}

} // namespace

// Start-up decisions: which configuration file, which data root, whether the catalogue is installed.
class TstStartup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void configFileOrder_data();
    void configFileOrder();
    void dataRootSources_data();
    void dataRootSources();
    void missingDefaultConfigWritesOneLine();
    void translationInstalled_data();
    void translationInstalled();
    void catalogueHoldsEveryTranslation();
    void untranslatedTextsKeepTheirSource();

private:
    // Writes text into name in the temporary folder and returns its path.
    QString write(const QString &name, const QByteArray &text);

    QTemporaryDir tmp;
};

void TstStartup::init()
{
    QVERIFY(tmp.isValid());
    dataRoot.clear();
}

QString TstStartup::write(const QString &name, const QByteArray &text)
{
    const QString path = tmp.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TstStartup::configFileOrder_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no option: beside the executable") << QStringList() << defaultConfigPath();
    QTest::newRow("-c") << QStringList{"-c", "a.cfg"} << "a.cfg";
    QTest::newRow("-config") << QStringList{"-config", "b.cfg"} << "b.cfg";
    QTest::newRow("-c then -config") << QStringList{"-c", "a.cfg", "-config", "b.cfg"} << "b.cfg";
    QTest::newRow("-config then -c") << QStringList{"-config", "b.cfg", "-c", "a.cfg"} << "b.cfg";
    QTest::newRow("-c last") << QStringList{"-c"} << QString();
    QTest::newRow("-c before an option") << QStringList{"-c", "-e"} << QString();
}

void TstStartup::configFileOrder()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    OptTable options;
    parseCommandLine(&options, args);
    QCOMPARE(configFilePath(options), expected);
}

void TstStartup::dataRootSources_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("expected");

    const QString cwd = QDir(QDir::currentPath()).absolutePath();
    QTest::newRow("nothing: working directory") << QStringList() << QByteArray() << cwd;
    QTest::newRow("DataRoot in the file") << QStringList() << QByteArray("DataRoot \"/da ta\" # c\n") << "/da ta";
    QTest::newRow("-d beats DataRoot") << QStringList{"-d", "/x"} << QByteArray("DataRoot /y\n") << "/x";
    QTest::newRow("-d in the file beats -d given") << QStringList{"-d", "/x"} << QByteArray("-d /z\n") << "/z";
    QTest::newRow("-d without value") << QStringList{"-d"} << QByteArray() << QString();
    QTest::newRow("-d followed by -tmp") << QStringList{"-d", "-tmp"} << QByteArray() << QString();
}

void TstStartup::dataRootSources()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, config);
    QFETCH(QString, expected);
    OptTable options;
    parseCommandLine(&options, args + QStringList{"-c", write("root.cfg", config), "-e"});
    QTranslator translator;
    configure(&options, &translator);
    QCOMPARE(dataRoot, expected);
    if (args.contains("-tmp"))
        QVERIFY(options.hasKey("-tmp"));
}

void TstStartup::missingDefaultConfigWritesOneLine()
{
    if (!defaultConfigPath().isEmpty())
        QSKIP("a config.cfg lies beside the test program");
    OptTable options;
    parseCommandLine(&options, {});
    QTranslator translator;
    debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordDebugLine);
    configure(&options, &translator);
    qInstallMessageHandler(previous);
    QCOMPARE(debugLines, QStringList{"Can't open config file :  \"\""});
    QCOMPARE(dataRoot, QDir(QDir::currentPath()).absolutePath());
    QVERIFY(!translator.isEmpty());
}

void TstStartup::translationInstalled_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("japanese");

    QTest::newRow("by default") << QStringList() << QByteArray("# nothing\n") << true;
    QTest::newRow("-e given") << QStringList{"-e"} << QByteArray() << false;
    QTest::newRow("-e in the file") << QStringList() << QByteArray("-e\n") << false;
}

void TstStartup::translationInstalled()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, config);
    QFETCH(bool, japanese);
    OptTable options;
    parseCommandLine(&options, args + QStringList{"-c", write("tr.cfg", config)});
    {
        QTranslator translator;
        configure(&options, &translator);
        QCOMPARE(QCoreApplication::translate("Body", "Load"), japanese ? QStringLiteral("読込") : QStringLiteral("Load"));
        QCOMPARE(QCoreApplication::translate("CopyCtrl", "Copy Control"),
                 japanese ? QStringLiteral("複製設定") : QStringLiteral("Copy Control"));
    }
    // The translator removes itself when destroyed.
    QCOMPARE(QCoreApplication::translate("Body", "Load"), QStringLiteral("Load"));
}

void TstStartup::catalogueHoldsEveryTranslation()
{
    QTranslator translator;
    QVERIFY(translator.load(":Quelvo_ja_JP"));
    QCOMPARE(translator.language(), QStringLiteral("ja_JP"));
    const char *const table[][3] = {
        {"Body", "Calc", "演算(Cl)"}, {"Body", "Copy", "複製(Cp)"},
        {"Body", "Filter", "フィルタ"}, {"Body", "Load", "読込"},
        {"Body", "Save", "保存"}, {"CalcCtrl", "Calc. Ctrl", "演算設定"},
        {"CalcCtrl", "Denominator(s)", "分母"}, {"CalcCtrl", "Gen", "結果生成"},
        {"CalcCtrl", "Neg.", "負"}, {"CalcCtrl", "Numerator(s)", "分子"},
        {"CalcCtrl", "Sel. by A", "選択(A)"}, {"CalcCtrl", "Sel. by B", "選択(B)"},
        {"CopyCtrl", "Around Peaks of S1 (Region in S2)", "S1ピーク周辺(S2から)"}, {"CopyCtrl", "B->T", "下=>上"},
        {"CopyCtrl", "Both(H First)", "両方(水平優先)"}, {"CopyCtrl", "Both(V First)", "両方(垂直優先)"},
        {"CopyCtrl", "Copy Control", "複製設定"}, {"CopyCtrl", "H", "水平"},
        {"CopyCtrl", "L->R", "左=>右"}, {"CopyCtrl", "R->L", "右=>左"},
        {"CopyCtrl", "Reference Peak", "参照ピーク番号"}, {"CopyCtrl", "Resize", "画像サイズを選択領域サイズに合わせる"},
        {"CopyCtrl", "Save Order", "並び順選択"},
        {"CopyCtrl", "Simple Copy (from Selected Region of S1)", "単純コピー(S1で選択した画像内の領域から)"},
        {"CopyCtrl", "T->B", "上=>下"}, {"DataCtrl", "Del", "削除"},
        {"DataCtrl", "Show", "表示"}, {"FilterCtrl", "Adaptive Threshold", "適応2値化(AT)"},
        {"FilterCtrl", "Addaptive Threshold (%1, %2)", "適応2値化 (%1, %2)"}, {"FilterCtrl", "Apply", "適用"},
        {"FilterCtrl", "ArcCosTh", "arc-cosθ"}, {"FilterCtrl", "CosTh", "cosθ"},
        {"FilterCtrl", "Del.", "削除"}, {"FilterCtrl", "Exc. Raius", "排除半径"},
        {"FilterCtrl", "Filter", "フィルタ設定"}, {"FilterCtrl", "Find %1 Peaks (%2:%3)", "ピーク(%1)探索 (%2: %3)"},
        {"FilterCtrl", "Find Peaks", "ピーク探索(P+/-)"}, {"FilterCtrl", "Match", "パタンマッチ"},
        {"FilterCtrl", "Matching", "パタンマッチ(PM)"}, {"FilterCtrl", "Max", "最大"},
        {"FilterCtrl", "Max.", "最大(P+)"}, {"FilterCtrl", "Min", "最小(P-)"},
        {"FilterCtrl", "Moving Avr.", "移動平均(MA)"}, {"FilterCtrl", "Moving Avr. (%1, %2)", "移動平均 (%1, %2)"},
        {"FilterCtrl", "Num:", "探索個数"}, {"FilterCtrl", "Reg", "登録"},
        {"FindPeaksF", "Peaks(%1)", "ピーク探索(%1)"}, {"ImgDisp", "Del", "削除"},
        {"ImgDisp", "Grey", "グレイスケール"}, {"ImgDisp", "Set", "設定"},
        {"WinSizeSet", "Window Half Width", "ウインドウ半幅"},
    };
    QCOMPARE(int(std::size(table)), 51);
    for (const auto &row : table)
        QCOMPARE(translator.translate(row[0], row[1]), QString::fromUtf8(row[2]));
}

void TstStartup::untranslatedTextsKeepTheirSource()
{
    OptTable options;
    parseCommandLine(&options, {"-c", write("empty.cfg", "")});
    QTranslator translator;
    configure(&options, &translator);
    QVERIFY(!translator.isEmpty());
    QCOMPARE(QCoreApplication::translate("CalcCtrl", "Cl[%1]"), QStringLiteral("Cl[%1]"));
    // Contexts keep equal texts apart: "Copy" is translated on the main window only.
    QCOMPARE(QCoreApplication::translate("Body", "Copy"), QStringLiteral("複製(Cp)"));
    QCOMPARE(QCoreApplication::translate("CopyCtrl", "Copy"), QStringLiteral("Copy"));
}

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
