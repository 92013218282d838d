#include "peakcsv.h"

#include "cli/cliargs.h"
#include "data/tddata0.h"

#include <QList>

#include <cmath>
#include <limits>

namespace {

QByteArray number(double v)
{
    return CliArgs::numberText(v).toLatin1();
}

bool coordinate(const QByteArray &field, double *v)
{
    return CliArgs::parseDouble(QString::fromLatin1(field.trimmed()), v) && std::abs(*v) <= CliArgs::CoordinateLimit;
}

} // namespace

QByteArray PeakCsv::write(const QVector<QPointF> &peaks, const TDData0 *values)
{
    QByteArray text = QByteArray(header()) + '\n';
    for (int k = 0; k < peaks.size(); ++k) {
        const QPointF &p = peaks.at(k);
        const int x = int(p.x());
        const int y = int(p.y());
        const bool inside = x >= 0 && y >= 0 && x < values->width && y < values->height;
        const double v = inside ? values->value(x, y) : std::numeric_limits<double>::quiet_NaN();
        text += QByteArray::number(k) + ',' + number(p.x()) + ',' + number(p.y()) + ',' + number(v) + '\n';
    }
    return text;
}

bool PeakCsv::read(const QByteArray &text, QVector<QPointF> *peaks, QString *error)
{
    peaks->clear();
    const QList<QByteArray> lines = text.split('\n');
    bool headerSeen = false;
    for (int n = 0; n < lines.size(); ++n) {
        const QByteArray line = lines.at(n).trimmed();
        if (line.isEmpty())
            continue;
        if (!headerSeen) {
            if (QByteArray(line).replace(' ', "") != header()) {
                *error = QStringLiteral("line %1: the header \"%2\" is missing").arg(n + 1).arg(QLatin1String(header()));
                return false;
            }
            headerSeen = true;
            continue;
        }
        const QList<QByteArray> fields = line.split(',');
        double x = 0.0;
        double y = 0.0;
        // Text conversion would stop at a zero byte and read what precedes it as the whole field.
        if (line.contains('\0')) {
            *error = QStringLiteral("line %1: a zero byte").arg(n + 1);
            return false;
        }
        if (fields.size() != 4 || !coordinate(fields.at(1), &x) || !coordinate(fields.at(2), &y)) {
            *error = QStringLiteral("line %1: expected index,x,y,value with numeric x and y").arg(n + 1);
            return false;
        }
        peaks->append(QPointF(x, y));
    }
    if (!headerSeen) {
        *error = QStringLiteral("no header \"%1\"").arg(QLatin1String(header()));
        return false;
    }
    return true;
}
