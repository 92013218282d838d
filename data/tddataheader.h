#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The text header of a 2dData file: the grid's size, identifier and range, followed in the file by
// headerSize bytes' worth of header, then the values (little-endian doubles) and the valid flags
// (one byte each). The header is Latin-1 text, lines ended by LF, "KEY: value" per line.
class TDDataHeader
{
public:
    // Fills the record from the header of fileName; a CR ending a header line is dropped. Returns
    // false, with a debug line unless the file simply is not 2dData, when it cannot be opened, does
    // not start with "2dData", or claims a header or grid size that is negative or too large to
    // hold; the fields may then be partly filled.
    bool readHeader(const QString &fileName);

    // The header text for these fields (Latin-1; characters outside it become '?', line breaks in
    // the identifier spaces), without the zero padding. Its first line carries the header size that text needs.
    QByteArray headerText() const;
    // The header size for a header text of textLength bytes: the next multiple of 256 above it.
    static qint64 headerSizeFor(qint64 textLength);

    bool ok = false;
    qint64 headerSize = 0;
    int width = 0;
    int height = 0;
    QString dataId;
    double minVal = 1e300;
    double maxVal = -1e300;

private:
    void readLine(const QString &line);
};
