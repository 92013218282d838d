#include "findpeaksf.h"

#include "data/datainfo.h"
#include "data/tddata.h"

namespace {

bool tooClose(const QVector<QPointF> &peaks, int x, int y, double r2)
{
    for (const QPointF &p : peaks) {
        const double dx = p.x() - x;
        const double dy = p.y() - y;
        if (dx * dx + dy * dy < r2)
            return true;
    }
    return false;
}

} // namespace

FindPeaksF::FindPeaksF(double exclRadius, int peakNum, bool findMax)
    : Filter(FindPeaks)
    , exclRadius(exclRadius)
    , peakNum(peakNum)
    , findMax(findMax)
{
}

QVector<QPointF> FindPeaksF::findPeaks(const TDData *src, const QRect &r) const
{
    const double sign = findMax ? 1.0 : -1.0;
    const double r2 = exclRadius * exclRadius;
    QVector<QPointF> peaks;
    for (int k = 0; k < peakNum; ++k) {
        // Only a strictly greater value replaces the best, so ties keep the first in scan order.
        double best = -1e300;
        int bx = 0;
        int by = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                if (!src->isValid(x, y) || tooClose(peaks, x, y, r2))
                    continue;
                const double v = sign * src->value(x, y);
                if (v > best) {
                    best = v;
                    bx = x;
                    by = y;
                }
            }
        }
        peaks.append(QPointF(bx, by));
    }
    return peaks;
}

TDData *FindPeaksF::exec(const TDData *src, const QRect &rect) const
{
    const QString signText = findMax ? QStringLiteral("+") : QStringLiteral("-");
    auto *peakList = new DataInfo(DataInfo::PeakList, tr("Peaks(%1)").arg(signText));
    const QRect r = insideGrid(src, rect);
    peakList->points = findPeaks(src, r);

    auto *result = new TDData(src->width, src->height);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (src->isValid(x, y))
                result->setValue(x, y, 0.0);
        }
    }
    for (const QPointF &p : qAsConst(peakList->points)) {
        const int ix = int(p.x());
        const int iy = int(p.y());
        // A pass that found nothing records (0, 0), which an empty grid does not have.
        if (ix >= 0 && ix < src->width && iy >= 0 && iy < src->height)
            result->setValue(ix, iy, src->value(ix, iy));
    }
    result->dataId = tr("%1: PKs(%2)").arg(src->dataId, signText);
    src->copyInfos(result);
    result->infos.append(peakList);
    return result;
}
