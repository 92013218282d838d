#pragma once

#include <QByteArray>
#include <QtEndian>

// The start of a ZRT camera file as the tools write it: 64 bytes of header ("IM", comment length,
// width, height, the rest unused) and the comment; the samples follow, little-endian, row by row.
inline QByteArray zrtHeader(const QByteArray &comment, int width, int height)
{
    QByteArray bytes(64, '\0');
    bytes[0] = 'I';
    bytes[1] = 'M';
    qToLittleEndian<quint16>(quint16(comment.size()), bytes.data() + 2);
    qToLittleEndian<quint16>(quint16(width), bytes.data() + 4);
    qToLittleEndian<quint16>(quint16(height), bytes.data() + 6);
    return bytes + comment;
}
