#include "copyaroundpeaks.h"

#include "data/datainfo.h"
#include "data/tddata.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Truncates toward zero; coordinates far outside any grid are held at +-1e9 so that the tile's
// corners stay representable (NaN reads as 0).
int truncated(double v)
{
    if (std::isnan(v))
        return 0;
    return int(std::clamp(v, -1e9, 1e9));
}

} // namespace

double SaveOrder::cx() const
{
    static const double coefficient[] = {0, 1, 0, 100000, 1};
    return rightToLeft ? -coefficient[axis] : coefficient[axis];
}

double SaveOrder::cy() const
{
    static const double coefficient[] = {0, 0, 1, 1, 100000};
    return bottomToTop ? -coefficient[axis] : coefficient[axis];
}

QVector<QPointF> CopyAroundPeaks::collectPeaks(const TDData0 *data)
{
    QVector<QPointF> peaks;
    for (const DataInfo *info : data->infos) {
        if (info->kind == DataInfo::PeakList)
            peaks += info->points;
    }
    return peaks;
}

QRect CopyAroundPeaks::templateRect(const TDData0 *data)
{
    return data->regionSet ? data->region : QRect(0, 0, data->width, data->height);
}

QVector<double> CopyAroundPeaks::orderKeys(const QVector<QPointF> &peaks, const SaveOrder &order)
{
    QVector<double> keys;
    keys.reserve(peaks.size());
    for (const QPointF &p : peaks)
        keys.append(order.cx() * p.x() + order.cy() * p.y());
    return keys;
}

QVector<int> CopyAroundPeaks::sortedOrder(QVector<double> keys)
{
    // The selection sort in n log n: a tournament tree over the positions not yet placed names the
    // first position holding the smallest key, which is the one the scan for a strictly smaller
    // key ends on. A NaN is never strictly smaller, so it loses every match; one standing at the
    // position to fill stays there, as no key is smaller than it either.
    const int n = keys.size();
    int leaves = 1;
    while (leaves < n)
        leaves *= 2;
    std::vector<int> winner(size_t(2 * leaves), -1);
    auto match = [&keys](int a, int b) {
        if (a < 0 || b < 0)
            return a < 0 ? b : a;
        if (std::isnan(keys[b]))
            return a;
        return std::isnan(keys[a]) || keys[b] < keys[a] ? b : a;
    };
    auto replay = [&](int position, int entry) {
        size_t node = size_t(leaves + position);
        winner[node] = entry;
        for (node /= 2; node > 0; node /= 2)
            winner[node] = match(winner[2 * node], winner[2 * node + 1]);
    };
    for (int p = 0; p < n; ++p)
        winner[size_t(leaves + p)] = p;
    for (int node = leaves - 1; node > 0; --node)
        winner[size_t(node)] = match(winner[size_t(2 * node)], winner[size_t(2 * node + 1)]);

    QVector<int> order(n);
    for (int i = 0; i < n; ++i)
        order[i] = i;
    for (int i = 0; i + 1 < n; ++i) {
        const int smallest = std::isnan(keys[i]) ? i : winner[1];
        if (smallest != i) {
            std::swap(keys[i], keys[smallest]);
            std::swap(order[i], order[smallest]);
            replay(smallest, smallest);
        }
        replay(i, -1);
    }
    return order;
}

bool CopyAroundPeaks::tileFits(const QRect &templ)
{
    const qint64 w = qint64(templ.right()) - templ.left() + 1;
    const qint64 h = qint64(templ.bottom()) - templ.top() + 1;
    return w < 1 || h < 1 || TDData0::fitsStorage(w, h);
}

QVector<PeakTile> CopyAroundPeaks::plan(const QVector<QPointF> &peaks, int reference, const QRect &templ,
                                 const SaveOrder &order)
{
    if (reference < 0 || reference >= peaks.size())
        return {};
    const qint64 w = qint64(templ.right()) - templ.left() + 1;
    const qint64 h = qint64(templ.bottom()) - templ.top() + 1;
    if (w < 1 || h < 1)
        return {};
    if (!tileFits(templ)) {
        qDebug() << "can't copy a region of" << w << "x" << h;
        return {};
    }
    const double dx = templ.left() - peaks[reference].x();
    const double dy = templ.top() - peaks[reference].y();
    const QVector<int> sorted = sortedOrder(orderKeys(peaks, order));
    QVector<PeakTile> tiles;
    tiles.reserve(sorted.size());
    for (int k = 0; k < sorted.size(); ++k) {
        const QPointF p = peaks[sorted[k]];
        const QPoint topLeft(truncated(p.x() + dx), truncated(p.y() + dy));
        tiles.append({k, p, QRect(topLeft, QSize(int(w), int(h)))});
    }
    return tiles;
}

TDData *CopyAroundPeaks::makeTile(const TDData0 *src, const PeakTile &tile)
{
    // Owned here until returned: naming it may run out of memory too.
    std::unique_ptr<TDData> copy(TDData::newGrid(tile.rect.width(), tile.rect.height()));
    if (!copy)
        return nullptr;
    src->copyRect(copy.get(), tile.rect, true);
    copy->dataId = QCoreApplication::translate("CopyCtrl", "%1:CpAPk[%2(%3,%4)]")
                       .arg(src->dataId, QString::number(tile.k), QString::number(tile.peak.x(), 'g', 6),
                            QString::number(tile.peak.y(), 'g', 6));
    return copy.release();
}
