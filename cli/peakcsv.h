#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QVector>

class TDData0;

// Peak lists as CSV text: the header line "index,x,y,value", then one line per peak in list order
// with its number (from 0, the number the copy around peaks refers to), column, row and value.
class PeakCsv
{
public:
    static const char *header() { return "index,x,y,value"; }

    // The CSV of peaks, each value read from values at the peak (nan where the peak is outside its
    // grid, -0 for -0.0).
    static QByteArray write(const QVector<QPointF> &peaks, const TDData0 *values);
    // The points of a peak CSV in file order; index and value are not used. Returns false, with
    // *error naming the line, when the header is missing, a line holds a zero byte or has no
    // finite x and y within +-CliArgs::CoordinateLimit.
    static bool read(const QByteArray &text, QVector<QPointF> *peaks, QString *error);
};
