#include "tddataheader.h"

#include "data/tddata0.h"
#include "data/textitems.h"

#include <QDebug>
#include <QFile>
#include <QStringList>

#include <charconv>

namespace {

const int firstLineLength = 64;
// Headers are a few hundred bytes; a claim beyond this is a damaged or hostile file, whose text
// would otherwise be read whole into memory.
const qint64 maxHeaderText = 1 << 24;

// C's %g, whatever the process locale.
QString formatNumber(double v)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::general, 6);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

} // namespace

bool TDDataHeader::readHeader(const QString &fileName)
{
    ok = false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "can't open" << fileName;
        return false;
    }
    QByteArray start = file.read(firstLineLength);
    const int zero = start.indexOf('\0');
    if (zero >= 0)
        start.truncate(zero);
    const QString firstLine = QString::fromLatin1(start);
    if (!firstLine.startsWith(QLatin1String("2dData")))
        return false;

    QString item;
    QString rest = firstLine;
    for (int i = 0; i < 3; ++i)
        rest = takeFirstItem(rest, &item);
    const qint64 size = item.toInt();
    if (size < 0) {
        qDebug() << fileName << "has a negative header size" << size;
        return false;
    }

    // The size is only a claim: never read past the real end of the file.
    const qint64 textLength = qMin(size, file.size());
    if (textLength > maxHeaderText) {
        qDebug() << fileName << "has a 2dData header of" << textLength << "bytes, more than" << maxHeaderText;
        return false;
    }
    file.seek(0);
    const QString text = QString::fromLatin1(file.read(textLength));
    for (QString line : text.split(QLatin1Char('\n'))) {
        // Headers written on other systems may end their lines with CR LF.
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        readLine(line);
    }

    if (!TDData0::fitsStorage(width, height)) {
        qDebug() << fileName << "claims a grid that can't be held:" << width << "x" << height;
        return false;
    }
    headerSize = size;
    ok = true;
    return true;
}

void TDDataHeader::readLine(const QString &line)
{
    // DATA_STRUCTURE:, SIZE_OF_DOUBLE:, SIZE_OF_BOOL: and END_OF_HEADER: are informative only:
    // values are always 8-byte doubles and flags single bytes.
    QString key;
    const QString value = takeFirstItem(line, &key).mid(1);
    if (key == QLatin1String("WIDTH:"))
        width = value.toInt();
    else if (key == QLatin1String("HEIGHT:"))
        height = value.toInt();
    else if (key == QLatin1String("DATA_ID:"))
        dataId = value;
    else if (key == QLatin1String("MIN_VAL:"))
        minVal = value.toDouble();
    else if (key == QLatin1String("MAX_VAL:"))
        maxVal = value.toDouble();
}

QByteArray TDDataHeader::headerText() const
{
    QString text = QString(firstLineLength, QLatin1Char(' ')) + QLatin1Char('\n');
    text += QStringLiteral("WIDTH: %1\n").arg(width);
    text += QStringLiteral("HEIGHT: %1\n").arg(height);
    // The identifier has one line: a line break in it would start header lines of its own.
    QString id = dataId;
    id.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    text += QLatin1String("DATA_ID: ") + id + QLatin1Char('\n');
    text += QLatin1String("DATA_STRUCTURE: Header of Size ( HeaderSize: ), Row Double Data Block of pixels "
                          "( WIDTH: * HEIGHT ), Row Bool Valid Flag Block of pixels ( WIDTH: * HEIGHT ) \n");
    text += QLatin1String("SIZE_OF_DOUBLE: 8\n");
    text += QLatin1String("SIZE_OF_BOOL: 1\n");
    text += QLatin1String("MIN_VAL: ") + formatNumber(minVal) + QLatin1Char('\n');
    text += QLatin1String("MAX_VAL: ") + formatNumber(maxVal) + QLatin1Char('\n');
    text += QLatin1String("END_OF_HEADER:\n");

    QByteArray bytes = text.toLatin1();
    const QByteArray firstLine = QStringLiteral("%1%2 %3 %4")
                                     .arg(QLatin1String("2dData"), QLatin1String("-V0.0"), QLatin1String("HeaderSize:"))
                                     .arg(headerSizeFor(bytes.size()))
                                     .toLatin1();
    bytes.replace(0, firstLine.size(), firstLine);
    return bytes;
}

qint64 TDDataHeader::headerSizeFor(qint64 textLength)
{
    return textLength / 256 * 256 + 256;
}
