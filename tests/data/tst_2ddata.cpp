#include "data/datainfo.h"
#include "data/tddata.h"
#include "data/tddataheader.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

const double inf = std::numeric_limits<double>::infinity();
const char *const structure = "Header of Size ( HeaderSize: ), Row Double Data Block of pixels ( WIDTH: * HEIGHT ), "
                              "Row Bool Valid Flag Block of pixels ( WIDTH: * HEIGHT ) ";

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// Eight little-endian bytes of v, assembled by hand.
QByteArray littleEndian(double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    QByteArray bytes;
    for (int i = 0; i < 8; ++i)
        bytes.append(char((bits >> (8 * i)) & 0xff));
    return bytes;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A file as another program might write it: header text, zeros up to size, then payload.
QByteArray handMade(const QByteArray &text, int size, const QByteArray &payload = QByteArray())
{
    QByteArray bytes = text;
    if (bytes.size() < size)
        bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes + payload;
}

QByteArray firstLine(const QByteArray &sizeText)
{
    return ("2dData-V0.0 HeaderSize: " + sizeText).leftJustified(64, ' ') + '\n';
}

void ignoreSaveLine()
{
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^2dData save: "));
}

void ignoreNotTDData()
{
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("is not a TDData0 file\\.$"));
}

} // namespace

class Test2dData : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exampleBytes();
    void headerSize_data();
    void headerSize();
    void paddingAtBoundary_data();
    void paddingAtBoundary();
    void numberFormat_data();
    void numberFormat();
    void roundTrip_data();
    void roundTrip();
    void readReplacesGrid();
    void handMadeFiles_data();
    void handMadeFiles();
    void shortFile_data();
    void shortFile();
    void refusedFiles_data();
    void refusedFiles();
    void missingFile();
    void readHeaderRecord();
    void saveOpenFailure();
    void saveOverDirectoryRefused();
    void saveWriteFailureKeepsOldFile();
    void saveReplacesLongerFile();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QScopedPointer<QTemporaryDir> dir;
};

void Test2dData::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

void Test2dData::exampleBytes()
{
    TDData grid(3, 2);
    grid.dataId = "abc";
    const double values[] = {1.0, -2.5, 0.0, 5.0, 3.25, 4.0};
    for (int i = 0; i < 6; ++i)
        grid.setValue(i % 3, i / 3, values[i]);
    grid.setValid(2, 0, false);
    grid.setValid(1, 1, false);
    grid.minVal = 0.0; // as in the worked example
    ignoreSaveLine();
    QVERIFY(grid.save2dData(path("abc.qlv")));

    const QByteArray bytes = readAll(path("abc.qlv"));
    QCOMPARE(bytes.size(), 566);
    const QByteArray text = firstLine("512") + "WIDTH: 3\nHEIGHT: 2\nDATA_ID: abc\nDATA_STRUCTURE: " + structure
        + "\nSIZE_OF_DOUBLE: 8\nSIZE_OF_BOOL: 1\nMIN_VAL: 0\nMAX_VAL: 5\nEND_OF_HEADER:\n";
    QCOMPARE(text.size(), 326);
    QCOMPARE(bytes.left(326), text);
    QCOMPARE(bytes.mid(326, 512 - 326), QByteArray(512 - 326, '\0'));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(bytes.mid(512 + 8 * i, 8), littleEndian(values[i]));
    QCOMPARE(bytes.mid(560), QByteArray("\x01\x01\x00\x01\x00\x01", 6));
}

void Test2dData::headerSize_data()
{
    QTest::addColumn<qint64>("textLength");
    QTest::addColumn<qint64>("size");

    QTest::newRow("0") << qint64(0) << qint64(256);
    QTest::newRow("255") << qint64(255) << qint64(256);
    QTest::newRow("256") << qint64(256) << qint64(512);
    QTest::newRow("326") << qint64(326) << qint64(512);
    QTest::newRow("511") << qint64(511) << qint64(512);
    QTest::newRow("512") << qint64(512) << qint64(768);
}

void Test2dData::headerSize()
{
    QFETCH(qint64, textLength);
    QFETCH(qint64, size);
    QCOMPARE(TDDataHeader::headerSizeFor(textLength), size);
}

void Test2dData::paddingAtBoundary_data()
{
    QTest::addColumn<int>("textLength");
    QTest::addColumn<int>("size");

    // The shortest header a 1 x 1 grid can have is 323 characters plus its identifier.
    QTest::newRow("511 characters") << 511 << 512;
    QTest::newRow("512 characters") << 512 << 768;
    QTest::newRow("767 characters") << 767 << 768;
}

void Test2dData::paddingAtBoundary()
{
    QFETCH(int, textLength);
    QFETCH(int, size);

    TDData grid(1, 1);
    grid.dataId = QString(textLength - 323, QLatin1Char('x'));
    grid.maxVal = 5.0;
    ignoreSaveLine();
    QVERIFY(grid.save2dData(path("pad.qlv")));

    const QByteArray bytes = readAll(path("pad.qlv"));
    QCOMPARE(bytes.size(), size + 9);
    QCOMPARE(bytes.indexOf("END_OF_HEADER:\n") + 15, textLength);
    QCOMPARE(bytes.left(64), firstLine(QByteArray::number(size)).left(64));
    QCOMPARE(bytes.mid(textLength, size - textLength), QByteArray(size - textLength, '\0'));

    TDData back;
    QVERIFY(back.read2dData(path("pad.qlv")));
    QCOMPARE(back.dataId, grid.dataId);
}

void Test2dData::numberFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("readBack");

    QTest::newRow("zero") << 0.0 << "0" << 0.0;
    QTest::newRow("negative zero") << -0.0 << "-0" << -0.0;
    QTest::newRow("1234567") << 1234567.0 << "1.23457e+06" << 1234570.0;
    QTest::newRow("1e300") << 1e300 << "1e+300" << 1e300;
    QTest::newRow("0.1234567") << 0.1234567 << "0.123457" << 0.123457;
    QTest::newRow("halfway rounds to even") << 123456.5 << "123456" << 123456.0;
    QTest::newRow("small") << 0.0001 << "0.0001" << 0.0001;
    QTest::newRow("smaller") << 0.00001234 << "1.234e-05" << 0.00001234;
    QTest::newRow("100000") << 100000.0 << "100000" << 100000.0;
    QTest::newRow("negative") << -3.25 << "-3.25" << -3.25;
    QTest::newRow("infinity") << inf << "inf" << inf;
    QTest::newRow("minus infinity") << -inf << "-inf" << -inf;
}

void Test2dData::numberFormat()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QFETCH(double, readBack);

    TDData grid;
    grid.minVal = value;
    grid.maxVal = value;
    ignoreSaveLine();
    QVERIFY(grid.save2dData(path("n.qlv")));
    const QByteArray bytes = readAll(path("n.qlv"));
    QVERIFY(bytes.contains("\nMIN_VAL: " + text.toLatin1() + "\nMAX_VAL: " + text.toLatin1() + "\n"));

    TDData back;
    QVERIFY(back.read2dData(path("n.qlv")));
    QVERIFY2(sameBits(back.minVal, readBack), qPrintable(QString::number(back.minVal)));
    QVERIFY(sameBits(back.maxVal, readBack));
}

void Test2dData::roundTrip_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("dataId");
    QTest::addColumn<QString>("readId");

    QTest::newRow("two words") << 4 << 3 << "frame 2" << "frame 2";
    QTest::newRow("double space and edges") << 4 << 3 << " a  b " << " a  b ";
    QTest::newRow("empty id") << 5 << 1 << "" << "";
    QTest::newRow("latin-1 id") << 1 << 6 << QString::fromUtf8("Müller 2") << QString::fromUtf8("Müller 2");
    QTest::newRow("outside latin-1") << 2 << 2 << QString::fromUtf8("線 x") << "? x";
    QTest::newRow("quotes and hash") << 2 << 2 << "\"q\" # c" << "\"q\" # c";
    QTest::newRow("empty grid") << 0 << 0 << "nothing" << "nothing";
    QTest::newRow("one row, no columns") << 0 << 3 << "thin" << "thin";
}

void Test2dData::roundTrip()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, dataId);
    QFETCH(QString, readId);

    const double special[] = {std::nan(""), -std::nan(""), inf, -inf, -0.0, 0.0, 5e-324, 1.0 / 3.0, -1e300, 0.1234567};
    TDData grid(width, height);
    grid.dataId = dataId;
    for (int i = 0; i < width * height; ++i) {
        grid.setValue(i % width, i / width, special[i % 10]);
        if (i % 3 == 1)
            grid.setValid(i % width, i / width, false);
    }
    grid.setRegion(QRect(0, 0, 1, 1));
    ignoreSaveLine();
    QVERIFY(grid.save2dData(path("rt.qlv")));

    TDDataHeader header;
    QVERIFY(header.readHeader(path("rt.qlv")));
    QVERIFY(header.ok);
    QVERIFY(header.headerSize % 256 == 0);

    TDData back;
    QVERIFY(back.read2dData(path("rt.qlv")));
    QCOMPARE(back.width, width);
    QCOMPARE(back.height, height);
    QCOMPARE(back.dataId, readId);
    QCOMPARE(back.valids, grid.valids);
    QCOMPARE(back.values.size(), grid.values.size());
    for (int i = 0; i < grid.values.size(); ++i)
        QVERIFY2(sameBits(back.values[i], grid.values[i]), qPrintable(QString::number(i)));
    // The ranges here (infinities, 1e300) survive the 6-digit rounding exactly.
    QCOMPARE(back.minVal, grid.minVal);
    QCOMPARE(back.maxVal, grid.maxVal);
    QVERIFY(!back.regionSet);
    QVERIFY(back.infos.isEmpty());
}

void Test2dData::readReplacesGrid()
{
    TDData small(1, 1);
    small.dataId = "small";
    small.setValue(0, 0, 2.0);
    ignoreSaveLine();
    QVERIFY(small.save2dData(path("small.qlv")));

    TDData grid(3, 3);
    grid.setValue(1, 1, 9.0);
    grid.setRegion(QRect(0, 0, 2, 2));
    grid.infos.append(new DataInfo(DataInfo::Region, QString()));
    QVERIFY(grid.read2dData(path("small.qlv")));
    QCOMPARE(grid.width, 1);
    QCOMPARE(grid.height, 1);
    QCOMPARE(grid.values, QVector<double>({2.0}));
    QCOMPARE(grid.valids, QVector<bool>({true}));
    QCOMPARE(grid.minVal, 0.0);
    QCOMPARE(grid.maxVal, 2.0);
    QVERIFY(!grid.regionSet);
    QVERIFY(grid.infos.isEmpty());
}

void Test2dData::handMadeFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("dataId");
    QTest::addColumn<double>("minVal");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QVector<bool>>("valids");

    const QByteArray twoValues = littleEndian(1.5) + littleEndian(-4.0) + QByteArray("\x01\x00", 2);
    QTest::newRow("keys in another order, later wins")
        << handMade(firstLine("256") + "MIN_VAL: -9\nHEIGHT: 1\nWIDTH: 7\nDATA_ID: x\nWIDTH: 2\nMIN_VAL: -4\n", 256, twoValues)
        << 2 << 1 << "x" << -4.0 << QVector<double>({1.5, -4.0}) << QVector<bool>({true, false});
    QTest::newRow("SIZE_OF_DOUBLE is not obeyed")
        << handMade(firstLine("256") + "WIDTH: 2\nHEIGHT: 1\nSIZE_OF_DOUBLE: 4\nSIZE_OF_BOOL: 4\n", 256, twoValues)
        << 2 << 1 << "" << 1e300 << QVector<double>({1.5, -4.0}) << QVector<bool>({true, false});
    QTest::newRow("only six characters compared")
        << handMade(QByteArray("2dDataXYZ HeaderSize: 256").leftJustified(64, ' ') + "\nWIDTH: 2\nHEIGHT: 1\n", 256, twoValues)
        << 2 << 1 << "" << 1e300 << QVector<double>({1.5, -4.0}) << QVector<bool>({true, false});
    QTest::newRow("any non-zero flag byte is valid")
        << handMade(firstLine("256") + "WIDTH: 2\nHEIGHT: 1\n", 256, littleEndian(1.0) + littleEndian(2.0) + "\x02\xff")
        << 2 << 1 << "" << 1e300 << QVector<double>({1.0, 2.0}) << QVector<bool>({true, true});
    QTest::newRow("lowercase keys ignored")
        << handMade(firstLine("256") + "width: 2\nheight: 1\ndata_id: x\n", 256, twoValues)
        << 0 << 0 << "" << 1e300 << QVector<double>() << QVector<bool>();
    QTest::newRow("header size not a number")
        << handMade(firstLine("abc") + "WIDTH: 2\nHEIGHT: 1\n", 256, twoValues)
        << 0 << 0 << "" << 1e300 << QVector<double>() << QVector<bool>();
    QTest::newRow("header size missing")
        << handMade(QByteArray("2dData-V0.0 HeaderSize:\nWIDTH: 2\nHEIGHT: 1\n"), 256, twoValues)
        << 0 << 0 << "" << 1e300 << QVector<double>() << QVector<bool>();
    QTest::newRow("size too big for an int reads as no number")
        << handMade(firstLine("99999999999") + "WIDTH: 2\nHEIGHT: 1\n", 256, twoValues)
        << 0 << 0 << "" << 1e300 << QVector<double>() << QVector<bool>();
    QTest::newRow("width beyond int reads as 0")
        << handMade(firstLine("256") + "WIDTH: 99999999999\nHEIGHT: 1\n", 256, twoValues)
        << 0 << 1 << "" << 1e300 << QVector<double>() << QVector<bool>();
    QTest::newRow("header claims more than the file holds")
        << handMade(firstLine("1000000") + "WIDTH: 2\nHEIGHT: 1\nMIN_VAL: abc\n", 256, twoValues)
        << 2 << 1 << "" << 0.0 << QVector<double>({0.0, 0.0}) << QVector<bool>({false, false});
    QTest::newRow("header lines beyond the header size unread")
        << handMade(firstLine("64") + "WIDTH: 2\nHEIGHT: 1\n", 64, twoValues)
        << 0 << 0 << "" << 1e300 << QVector<double>() << QVector<bool>();
    QTest::newRow("CRLF lines")
        << handMade(firstLine("256") + "WIDTH: 2\r\nHEIGHT: 1\r\n", 256, twoValues)
        << 2 << 1 << "" << 1e300 << QVector<double>({1.5, -4.0}) << QVector<bool>({true, false});
    QTest::newRow("latin-1 identifier")
        << handMade(firstLine("256") + "DATA_ID: M\xfcller 2\n", 256)
        << 0 << 0 << QString::fromUtf8("Müller 2") << 1e300 << QVector<double>() << QVector<bool>();
}

void Test2dData::handMadeFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, dataId);
    QFETCH(double, minVal);
    QFETCH(QVector<double>, values);
    QFETCH(QVector<bool>, valids);

    writeAll(path("hand.qlv"), bytes);
    TDData grid;
    QVERIFY(grid.read2dData(path("hand.qlv")));
    QCOMPARE(grid.width, width);
    QCOMPARE(grid.height, height);
    QCOMPARE(grid.dataId, dataId);
    QCOMPARE(grid.minVal, minVal);
    QCOMPARE(grid.values, values);
    QCOMPARE(grid.valids, valids);
}

void Test2dData::shortFile_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QVector<bool>>("valids");

    // The full file is 256 + 3 * 8 + 3 bytes.
    QTest::newRow("in the header") << 200 << QVector<double>({0, 0, 0}) << QVector<bool>({false, false, false});
    QTest::newRow("inside the second value") << 256 + 12 << QVector<double>({7, 0, 0}) << QVector<bool>({false, false, false});
    QTest::newRow("before the flags") << 256 + 24 << QVector<double>({7, 8.1, 9}) << QVector<bool>({false, false, false});
    QTest::newRow("inside the flags") << 256 + 26 << QVector<double>({7, 8.1, 9}) << QVector<bool>({true, true, false});
    QTest::newRow("complete") << 256 + 27 << QVector<double>({7, 8.1, 9}) << QVector<bool>({true, true, true});
}

void Test2dData::shortFile()
{
    QFETCH(int, cut);
    QFETCH(QVector<double>, values);
    QFETCH(QVector<bool>, valids);

    const QByteArray full = handMade(firstLine("256") + "WIDTH: 3\nHEIGHT: 1\n", 256,
                                     littleEndian(7) + littleEndian(8.1) + littleEndian(9) + "\x01\x01\x01");
    writeAll(path("short.qlv"), full.left(cut));
    TDData grid;
    QVERIFY(grid.read2dData(path("short.qlv")));
    QCOMPARE(grid.width, 3);
    QCOMPARE(grid.values, values);
    QCOMPARE(grid.valids, valids);
}

void Test2dData::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    const QString tooBig = "claims a grid that can't be held";
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("lowercase magic") << handMade(firstLine("256").replace("2dData", "2ddata"), 256) << QString();
    QTest::newRow("zero byte inside magic") << QByteArray("2dD\0ata HeaderSize: 256", 24) << QString();
    QTest::newRow("negative width") << handMade(firstLine("256") + "WIDTH: -3\nHEIGHT: 2\n", 256) << tooBig;
    QTest::newRow("negative height") << handMade(firstLine("256") + "WIDTH: 3\nHEIGHT: -2\n", 256) << tooBig;
    QTest::newRow("both negative") << handMade(firstLine("256") + "WIDTH: -2\nHEIGHT: -2\n", 256) << tooBig;
    QTest::newRow("product overflows") << handMade(firstLine("256") + "WIDTH: 70000\nHEIGHT: 70000\n", 256) << tooBig;
    QTest::newRow("beyond storage") << handMade(firstLine("256") + "WIDTH: 2147483647\nHEIGHT: 2\n", 256) << tooBig;
    QTest::newRow("negative header size") << handMade(firstLine("-256") + "WIDTH: 2\nHEIGHT: 1\n", 256)
                                          << "has a negative header size";
}

void Test2dData::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);

    writeAll(path("bad.qlv"), bytes);
    TDData grid(2, 1);
    grid.dataId = "kept";
    grid.setValue(1, 0, 3.0);

    if (!message.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(message)));
    TDDataHeader header;
    QVERIFY(!header.readHeader(path("bad.qlv")));
    QVERIFY(!header.ok);

    if (!message.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(message)));
    ignoreNotTDData();
    QVERIFY(!grid.read2dData(path("bad.qlv")));
    QCOMPARE(grid.dataId, QString("kept"));
    QCOMPARE(grid.width, 2);
    QCOMPARE(grid.values, QVector<double>({0.0, 3.0}));
    QCOMPARE(grid.valids, QVector<bool>({false, true}));
    QCOMPARE(grid.maxVal, 3.0);
}

void Test2dData::missingFile()
{
    const QString name = path("missing.qlv");
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("can't open \"%1\"").arg(name)));
    TDDataHeader header;
    QVERIFY(!header.readHeader(name));

    QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("can't open \"%1\"").arg(name)));
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("\"%1\" is not a TDData0 file.").arg(name)));
    TDData grid;
    QVERIFY(!grid.read2dData(name));
}

void Test2dData::readHeaderRecord()
{
    writeAll(path("h.qlv"), handMade(firstLine("512") + "WIDTH: 4\nHEIGHT: 3\nDATA_ID: a  b\nMIN_VAL: -1.5\n"
                                     "MAX_VAL: 2e3\nEND_OF_HEADER:\nWIDTH: 5\n", 512));
    TDDataHeader header;
    QVERIFY(header.readHeader(path("h.qlv")));
    QVERIFY(header.ok);
    QCOMPARE(header.headerSize, qint64(512));
    QCOMPARE(header.width, 5);
    QCOMPARE(header.height, 3);
    QCOMPARE(header.dataId, QString("a  b"));
    QCOMPARE(header.minVal, -1.5);
    QCOMPARE(header.maxVal, 2000.0);
}

void Test2dData::saveOpenFailure()
{
    const QString name = path("no/such/dir/x.qlv");
    TDData grid(1, 1);
    ignoreSaveLine();
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("can't open \"%1\" to save 2dData").arg(name)));
    QVERIFY(!grid.save2dData(name));
    QVERIFY(!QFileInfo::exists(name));
}

void Test2dData::saveOverDirectoryRefused()
{
    const QString name = path("target");
    QVERIFY(QDir(dir->path()).mkdir("target"));
    writeAll(path("target/inside"), "keep");
    TDData grid(2, 2);
    ignoreSaveLine();
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("can't open \"%1\" to save 2dData").arg(name)));
    QVERIFY(!grid.save2dData(name));
    QVERIFY(QFileInfo(name).isDir());
    QCOMPARE(readAll(path("target/inside")), QByteArray("keep"));
}

void Test2dData::saveWriteFailureKeepsOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes the writes fail part way, as a full disk would.
    const QByteArray old(3000, 'o');
    writeAll(path("old.qlv"), old);
    TDData grid(100, 100);

    rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    ignoreSaveLine();
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^can't write .*old\\.qlv.* to save 2dData:"));
    const bool saved2dData = grid.save2dData(path("old.qlv"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!saved2dData);
    QCOMPARE(readAll(path("old.qlv")), old);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList({"old.qlv"}));
#else
    QSKIP("needs a file size limit");
#endif
}

void Test2dData::saveReplacesLongerFile()
{
    writeAll(path("old.qlv"), QByteArray(5000, 'z'));
    TDData grid(2, 1);
    ignoreSaveLine();
    QVERIFY(grid.save2dData(path("old.qlv")));
    QCOMPARE(readAll(path("old.qlv")).size(), 512 + 16 + 2);
}

QTEST_GUILESS_MAIN(Test2dData)
#include "tst_2ddata.moc"
