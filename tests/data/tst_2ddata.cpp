#include "data/datainfo.h"
#include "data/tddata.h"
#include "data/tddataheader.h"
#include "tests/filetesttools.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

const double inf = std::numeric_limits<double>::infinity();

QByteArray littleEndian(double v)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian(v, bytes.data());
    return bytes;
}

// Size, identifier, lower range and pixels ("!" after an invalid one) of a grid, for table rows.
QString describe(const TDData &grid)
{
    QStringList pixels;
    for (int i = 0; i < grid.values.size(); ++i)
        pixels << QString::number(grid.values[i]) + (grid.valids[i] ? "" : "!");
    return QString("%1x%2 '%3' %4: %5").arg(grid.width).arg(grid.height).arg(grid.dataId).arg(grid.minVal).arg(pixels.join(' '));
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

QByteArray firstLine(const QByteArray &sizeText)
{
    return ("2dData-V0.0 HeaderSize: " + sizeText).leftJustified(64, ' ') + '\n';
}

// A file as another program might write it: header text, zeros up to size, then payload.
QByteArray handMade(const QByteArray &text, int size = 256, const QByteArray &payload = QByteArray())
{
    return text.leftJustified(size, '\0') + payload;
}

} // namespace

class Test2dData : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> dir;
    QString path(const QString &name) const { return dir->filePath(name); }

private slots:
    void init()
    {
        dir.reset(new QTemporaryDir);
        QVERIFY(dir->isValid());
    }

    void exampleBytes()
    {
        TDData grid(3, 2);
        grid.dataId = "abc";
        const double values[] = {1.0, -2.5, 0.0, 5.0, 3.25, 4.0};
        for (int i = 0; i < 6; ++i)
            grid.setValue(i % 3, i / 3, values[i]);
        grid.setValid(2, 0, false);
        grid.setValid(1, 1, false);
        grid.minVal = 0.0;  // as in the worked example
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^2dData save: "));
        QVERIFY(grid.save2dData(path("abc.qlv")));

        const QByteArray bytes = readFile(path("abc.qlv"));
        QCOMPARE(bytes.size(), 566);
        const QByteArray text = firstLine("512") + "WIDTH: 3\nHEIGHT: 2\nDATA_ID: abc\nDATA_STRUCTURE: Header of Size "
            "( HeaderSize: ), Row Double Data Block of pixels ( WIDTH: * HEIGHT ), Row Bool Valid Flag Block of "
            "pixels ( WIDTH: * HEIGHT ) \nSIZE_OF_DOUBLE: 8\nSIZE_OF_BOOL: 1\nMIN_VAL: 0\nMAX_VAL: 5\nEND_OF_HEADER:\n";
        QCOMPARE(bytes.left(512), handMade(text, 512));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(bytes.mid(512 + 8 * i, 8), littleEndian(values[i]));
        QCOMPARE(bytes.mid(560), QByteArray("\x01\x01\x00\x01\x00\x01", 6));
    }

    void headerPadding()
    {
        const QVector<QPair<qint64, qint64>> sizes{{0, 256}, {255, 256}, {256, 512}};
        for (const auto &s : sizes)
            QCOMPARE(TDDataHeader::headerSizeFor(s.first), s.second);
        // The shortest header a 1 x 1 grid can have is 323 characters plus its identifier.
        for (const int textLength : {511, 512}) {
            const int size = textLength < 512 ? 512 : 768;
            TDData grid(1, 1);
            grid.dataId = QString(textLength - 323, QLatin1Char('x'));
            QVERIFY(grid.save2dData(path("pad.qlv")));
            const QByteArray bytes = readFile(path("pad.qlv"));
            QCOMPARE(bytes.size(), size + 9);
            QCOMPARE(bytes.indexOf("END_OF_HEADER:\n") + 15, textLength);
            QCOMPARE(bytes.left(65), firstLine(QByteArray::number(size)));
            QCOMPARE(bytes.mid(textLength, size - textLength), QByteArray(size - textLength, '\0'));
        }
    }

    // Ranges are written as %g and read back as written.
    void numberFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative zero") << -0.0 << "-0";
        QTest::newRow("1234567") << 1234567.0 << "1.23457e+06";
        QTest::newRow("halfway rounds to even") << 123456.5 << "123456";
    }

    void numberFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        TDData grid;
        grid.minVal = value;
        grid.maxVal = value;
        QVERIFY(grid.save2dData(path("n.qlv")));
        QVERIFY(readFile(path("n.qlv")).contains("\nMIN_VAL: " + text.toLatin1() + "\nMAX_VAL: " + text.toLatin1() + "\n"));
        TDData back;
        QVERIFY(back.read2dData(path("n.qlv")));
        const double readBack = text.toDouble();
        QVERIFY2(sameBits(back.minVal, readBack), qPrintable(QString::number(back.minVal)));
        QVERIFY(sameBits(back.maxVal, readBack));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("dataId");
        QTest::addColumn<QString>("readId");
        QTest::newRow("latin-1 id") << QSize(1, 6) << QString::fromUtf8("Müller 2") << QString::fromUtf8("Müller 2");
        QTest::newRow("outside latin-1") << QSize(2, 2) << QString::fromUtf8("線 x") << "? x";
        QTest::newRow("empty grid") << QSize(0, 0) << "nothing" << "nothing";
        // A line break would start a header line of its own.
        QTest::newRow("line breaks in the id") << QSize(2, 1) << "a\nWIDTH: 1\rb" << "a WIDTH: 1 b";
    }

    void roundTrip()
    {
        QFETCH(QSize, size);
        QFETCH(QString, dataId);
        const double special[] = {std::nan(""), -std::nan(""), inf, -inf, -0.0, 0.0, 5e-324, 1.0 / 3, -1e300, 0.1234567};
        const int width = size.width();
        TDData grid(width, size.height());
        grid.dataId = dataId;
        for (int i = 0; i < grid.values.size(); ++i) {
            grid.setValue(i % width, i / width, special[i % 10]);
            grid.setValid(i % width, i / width, i % 3 != 1);
        }
        QVERIFY(grid.save2dData(path("rt.qlv")));

        // Reading replaces the whole grid, its region and infos included.
        TDData back(3, 3);
        back.setRegion(QRect(0, 0, 2, 2));
        back.infos.append(new DataInfo(DataInfo::Region, QString()));
        QVERIFY(back.read2dData(path("rt.qlv")));
        QCOMPARE(QSize(back.width, back.height), size);
        QTEST(back.dataId, "readId");
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

    // Reading replaces the whole grid; refused files (described as "kept") leave it as it was, and a
    // null byte array stands for no file at all.
    void handMadeFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("message");  // the reader's debug line on refusal
        const QString kept = "2x1 'kept' 0: 0! 3";
        const QByteArray two = littleEndian(1.5) + littleEndian(-4.0) + QByteArray("\x01\x00", 2);
        const QByteArray first = firstLine("256");
        QTest::newRow("keys in another order, later wins")
            << handMade(first + "MIN_VAL: -9\nHEIGHT: 1\nWIDTH: 7\nDATA_ID: x\nWIDTH: 2\nMIN_VAL: -4\n", 256, two)
            << "2x1 'x' -4: 1.5 -4!" << QString();
        QTest::newRow("header size beyond the file: grid refused")
            << handMade(firstLine("1000000") + "WIDTH: 2\nHEIGHT: 1\nMIN_VAL: abc\n", 256, two) << kept
            << "bytes long, its grid of 2 x 1 needs 1000018";
        QTest::newRow("header lines beyond the header size unread")
            << handMade(firstLine("64") + "WIDTH: 2\nHEIGHT: 1\n", 64, two) << "0x0 '' 1e+300: " << QString();
        QTest::newRow("CR LF line ends") << handMade(first + "WIDTH: 2\r\nHEIGHT: 1\r\nDATA_ID: x y\r\n", 256, two)
                                         << "2x1 'x y' 1e+300: 1.5 -4!" << QString();
        QTest::newRow("16000 x 16000 claimed by 300 bytes") << handMade(first + "WIDTH: 16000\nHEIGHT: 16000\n", 300)
                                                            << kept << "is 300 bytes long, its grid of 16000 x 16000 needs";
        QTest::newRow("any non-zero flag byte is valid")
            << handMade(first + "WIDTH: 2\nHEIGHT: 1\n", 256, littleEndian(1.5) + littleEndian(-4.0) + "\x02\xff")
            << "2x1 '' 1e+300: 1.5 -4" << QString();
        // Short files load with 0.0 and invalid for the missing part.
        const QByteArray full = handMade(first + "WIDTH: 3\nHEIGHT: 1\n", 256,
                                         littleEndian(7) + littleEndian(8.1) + littleEndian(9) + "\x01\x01\x01");
        QTest::newRow("cut inside the second value") << full.left(256 + 14) << "3x1 '' 1e+300: 7! 0! 0!" << QString();
        QTest::newRow("less than half of the grid: refused") << full.left(256 + 13) << kept
                                                             << "is 269 bytes long, its grid of 3 x 1 needs 283";
        QTest::newRow("cut inside the flags") << full.left(256 + 26) << "3x1 '' 1e+300: 7 8.1 9!" << QString();

        QTest::newRow("missing file") << QByteArray() << kept << "can't open ";
        QTest::newRow("lowercase magic") << handMade(firstLine("256").replace("2dData", "2ddata")) << kept << QString();
        QTest::newRow("product overflows") << handMade(first + "WIDTH: 70000\nHEIGHT: 70000\n") << kept
                                           << "claims a grid that can't be held";
        QTest::newRow("negative header size") << handMade(firstLine("-256") + "WIDTH: 2\nHEIGHT: 1\n") << kept
                                              << "has a negative header size";
    }

    void handMadeFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, grid);
        QFETCH(QString, message);
        QVERIFY(bytes.isNull() || writeFile(path("hand.qlv"), bytes));
        const bool refused = grid.contains("'kept'");
        TDData read(2, 1);
        read.dataId = "kept";
        read.setValue(1, 0, 3.0);
        if (refused) {
            // A grid the file does not hold is refused after its header has been read.
            const bool headerRefused = !message.contains("bytes long");
            for (int i = 0; i < (headerRefused ? 2 : 1) && !message.isEmpty(); ++i)
                QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(message)));
            TDDataHeader header;
            QCOMPARE(header.readHeader(path("hand.qlv")), !headerRefused);
            if (headerRefused)
                QTest::ignoreMessage(QtDebugMsg, QRegularExpression("is not a TDData0 file\\.$"));
        }
        QCOMPARE(read.read2dData(path("hand.qlv")), !refused);
        QCOMPARE(describe(read), grid);
    }

    // A header size is not read as text beyond a sane length, however long the file.
    void longHeaderRefused()
    {
        QVERIFY(writeFile(path("long.qlv"), firstLine("2147483647")));
        QVERIFY(QFile::resize(path("long.qlv"), 1100000000));  // sparse: no disk space taken
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("has a 2dData header of 1100000000 bytes"));
        TDDataHeader header;
        QVERIFY(!header.readHeader(path("long.qlv")));
    }

#ifdef Q_OS_UNIX
    // A file size limit makes the writes fail part way, as a full disk would: the save reports it
    // with the system's reason and the old file stays. A small file fails only when the last
    // buffered bytes are written out.
    void saveFailures_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("limit");
        QTest::newRow("buffered") << QSize(2, 2) << 300;
        QTest::newRow("written through") << QSize(100, 100) << 4096;
    }

    void saveFailures()
    {
        QFETCH(QSize, size);
        QFETCH(int, limit);
        const QByteArray old(3000, 'o');
        QVERIFY(writeFile(path("old.qlv"), old));
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(limit);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^can't write .*old\\.qlv.* to save 2dData: .*" + QRegularExpression::escape(std::strerror(EFBIG))));
        const bool saved2dData = TDData(size.width(), size.height()).save2dData(path("old.qlv"));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved2dData);
        QCOMPARE(readFile(path("old.qlv")), old);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList({"old.qlv"}));
    }

    // Where the folder takes no new file but the file itself is writable, the file is written in
    // place, so a second hard link to it sees the new contents too. Root may write anywhere, so the
    // save then runs in a child process as another user.
    void readOnlyFolder()
    {
        QVERIFY(QDir(dir->path()).mkpath("ro"));
        QVERIFY(writeFile(path("ro/x.qlv"), "old"));
        QCOMPARE(::link(QFile::encodeName(path("ro/x.qlv")).constData(), QFile::encodeName(path("link.qlv")).constData()), 0);
        const uid_t nobody = 65534;
        if (geteuid() == 0) {
            QCOMPARE(::chown(QFile::encodeName(path("ro")).constData(), nobody, nobody), 0);
            QCOMPARE(::chown(QFile::encodeName(path("ro/x.qlv")).constData(), nobody, nobody), 0);
            QVERIFY(QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                           | QFile::ReadOther | QFile::ExeOther));
        }
        QVERIFY(QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        TDData grid(2, 1);
        bool saved = false;
        if (geteuid() == 0) {
            const pid_t child = fork();
            if (child == 0)
                _exit(setgid(nobody) == 0 && setuid(nobody) == 0 && grid.save2dData(path("ro/x.qlv")) ? 0 : 1);
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            saved = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        } else {
            saved = grid.save2dData(path("ro/x.qlv"));
        }
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(saved);
        QCOMPARE(readFile(path("link.qlv")).size(), 512 + 16 + 2);
        QCOMPARE(QDir(path("ro")).entryList(QDir::Files | QDir::Hidden), QStringList({"x.qlv"}));
    }
#endif

    // Failed saves leave what was there; a good save replaces a longer file whole.
    void saveReplaces()
    {
        QVERIFY(QDir(dir->path()).mkpath("target/inside"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(QString("can't open \"%1\" to save 2dData: ").arg(path("target")))));
        QVERIFY(!TDData(2, 2).save2dData(path("target")));
        QVERIFY(QFileInfo(path("target/inside")).isDir());
        QVERIFY(writeFile(path("old.qlv"), QByteArray(5000, 'z')));
        QVERIFY(TDData(2, 1).save2dData(path("old.qlv")));
        QCOMPARE(readFile(path("old.qlv")).size(), 512 + 16 + 2);
    }
};

QTEST_GUILESS_MAIN(Test2dData)
#include "tst_2ddata.moc"
