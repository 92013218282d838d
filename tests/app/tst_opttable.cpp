#include "app/opttable.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

class TestOptTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void configLines_data();
    void configLines();
    void includeReadsBeforeNextLine();
    void includeRelativeToWorkingDirectory();
    void includeCycleSkipped();
    void sameFileIncludedTwice();
    void missingFile();

private:
    QString write(const QString &name, const QByteArray &text);
    // "key=value" for every entry in table order.
    static QStringList entries(const OptTable &table);

    QTemporaryDir dir;
};

void TestOptTable::initTestCase()
{
    QVERIFY(dir.isValid());
}

QString TestOptTable::write(const QString &name, const QByteArray &text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(text);
    return path;
}

QStringList TestOptTable::entries(const OptTable &table)
{
    QStringList result;
    for (const QString &key : table.keys())
        result.append(key + '=' + table.valueOf(key, "<none>"));
    return result;
}

void TestOptTable::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("no options") << QStringList{"/bin/quelvo", "a", "b"} << QStringList{};
    QTest::newRow("extra values dropped") << QStringList{"/bin/quelvo", "-x", "1", "2", "-y"}
                                          << QStringList{"-x=1", "-y="};
    QTest::newRow("value cannot begin with -") << QStringList{"q", "-d", "-tmp"} << QStringList{"-d=", "-tmp="};
    QTest::newRow("twice keeps first place") << QStringList{"q", "-a", "1", "-b", "2", "-a", "3"}
                                             << QStringList{"-a=3", "-b=2"};
    QTest::newRow("utf-8 value") << QStringList{"q", "-d", QString::fromUtf8("/データ")}
                                 << QStringList{QString::fromUtf8("-d=/データ")};
    QTest::newRow("case kept") << QStringList{"q", "-D", "x", "-d", "y"} << QStringList{"-D=x", "-d=y"};
}

void TestOptTable::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    std::vector<QByteArray> bytes;
    for (const QString &arg : args)
        bytes.push_back(arg.toUtf8());
    std::vector<const char *> argv;
    for (const QByteArray &b : bytes)
        argv.push_back(b.constData());
    OptTable table;
    table.init(int(argv.size()), argv.data());
    QCOMPARE(entries(table), expected);
}

void TestOptTable::configLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("comment and blank lines") << QByteArray("# only a comment\n   \n\t# indented\n\n")
                                             << QStringList{};
    QTest::newRow("trailing comment") << QByteArray("DataRoot /x/y # the data\n") << QStringList{"DataRoot=/x/y"};
    QTest::newRow("quoted blank and hash") << QByteArray("DataRoot \"/my dir/#1\" # c\n")
                                           << QStringList{"DataRoot=/my dir/#1"};
    QTest::newRow("single quotes") << QByteArray("Key 'a#b c'\n") << QStringList{"Key='a#b"};
    QTest::newRow("rest ignored") << QByteArray("Key v1 v2 v3\n") << QStringList{"Key=v1"};
    QTest::newRow("key alone") << QByteArray("-e\n") << QStringList{"-e="};
    QTest::newRow("crlf") << QByteArray("A 1\r\nB 2\r\n") << QStringList{"A=1", "B=2"};
    QTest::newRow("no final newline") << QByteArray("A 1") << QStringList{"A=1"};
    QTest::newRow("keys are case-sensitive") << QByteArray("dataroot a\nDataRoot b\n")
                                             << QStringList{"dataroot=a", "DataRoot=b"};
    QTest::newRow("same key twice") << QByteArray("A 1\nB 2\nA 3\n") << QStringList{"A=3", "B=2"};
}

void TestOptTable::configLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    OptTable table;
    table.readCfgFile(write("lines.cfg", text));
    QCOMPARE(entries(table), expected);
}

void TestOptTable::includeReadsBeforeNextLine()
{
    const QString inc1 = write("inc1.cfg", "A 2\nC 3\n");
    const QString inc2 = write("inc2.cfg", "D 4\n");
    const QString inc3 = write("inc3.cfg", "E 5\n");
    const QString main = write("main.cfg", "A 1\nINCLUDE " + inc1.toUtf8() + "\nB x\nC 6\ninclude \""
                                               + inc2.toUtf8() + "\"\nInclude " + inc3.toUtf8() + " # c\n");
    OptTable table;
    table.readCfgFile(main);
    QCOMPARE(entries(table), (QStringList{"A=2", "C=6", "B=x", "D=4", "E=5"}));
}

void TestOptTable::includeRelativeToWorkingDirectory()
{
    QVERIFY(QDir(dir.path()).mkpath("sub"));
    write("rel.cfg", "Where cwd\n");
    write("sub/rel.cfg", "Where sub\n");
    const QString main = write("sub/main.cfg", "INCLUDE rel.cfg\n");
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    OptTable table;
    table.readCfgFile(main);
    QDir::setCurrent(saved);
    QCOMPARE(table.valueOf("Where"), QString("cwd"));
}

void TestOptTable::includeCycleSkipped()
{
    const QString a = dir.filePath("a.cfg");
    const QString b = dir.filePath("b.cfg");
    write("a.cfg", "K1 a\nINCLUDE " + b.toUtf8() + "\nK3 a\n");
    write("b.cfg", "K2 b\nINCLUDE " + a.toUtf8() + "\nINCLUDE " + dir.filePath("./b.cfg").toUtf8() + "\nK4 b\nK1 b\n");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Config file already being read, skipped : .*a\\.cfg\"$"));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Config file already being read, skipped : .*b\\.cfg\"$"));
    OptTable table;
    table.readCfgFile(a);
    QCOMPARE(entries(table), (QStringList{"K1=b", "K2=b", "K4=b", "K3=a"}));
}

void TestOptTable::sameFileIncludedTwice()
{
    // Not a cycle: the second INCLUDE comes after the first has been read completely.
    const QString n = write("n.cfg", "N 1\n");
    OptTable table;
    table.readCfgFile(write("twice.cfg", "INCLUDE " + n.toUtf8() + "\nN 0\nINCLUDE " + n.toUtf8() + "\n"));
    QCOMPARE(entries(table), QStringList{"N=1"});
}

void TestOptTable::missingFile()
{
    const QString missing = dir.filePath("missing.cfg");
    QTest::ignoreMessage(QtDebugMsg, qPrintable("Can't open config file :  \"" + missing + '"'));
    QTest::ignoreMessage(QtDebugMsg, "Can't open config file :  \"\"");
    OptTable table;
    table.readCfgFile(write("inc-missing.cfg", "A 1\nINCLUDE " + missing.toUtf8() + "\nINCLUDE\nB 2\n"));
    QCOMPARE(entries(table), (QStringList{"A=1", "B=2"}));

    QTest::ignoreMessage(QtDebugMsg, "Can't open config file :  \"\"");
    table.readCfgFile(QString());
    QCOMPARE(table.keys().size(), 2);
}

QTEST_GUILESS_MAIN(TestOptTable)
#include "tst_opttable.moc"
