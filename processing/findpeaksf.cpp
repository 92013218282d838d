#include "findpeaksf.h"

#include "data/datainfo.h"
#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/tddata.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <queue>
#include <vector>

namespace {

// Side of the square blocks whose best candidates are kept in a queue.
constexpr int blockSide = 32;

// A pixel that can become a peak, ranked by score (sign * value, larger first), ties by scan order.
struct Candidate
{
    double score;
    int x;
    int y;
};

// A candidate of the scan below: its score and grid index, -1 for none.
struct Scored
{
    double score;
    qint64 index;
};

bool scoredBefore(const Scored &a, const Scored &b)
{
    if (a.score != b.score)
        return a.score > b.score;
    return a.index < b.index;
}

// The first pixel in scan order with the highest score above -1e300 in a w x h block whose rows
// start at values/valids + k * stride (grid index first + k * stride), with nothing excluded.
// Each lane keeps the first of its own best pixels; the lanes' winners then meet, the highest
// score first and the earlier pixel on a tie, which is the block's first best pixel.
QUELVO_LANE_CLONES
Scored bestUnexcluded(const double *values, const bool *valids, qint64 first, int stride, int w, int h, double sign)
{
    using Lanes::Bits;
    using Lanes::Doubles;
    Doubles best = Doubles{} - 1e300;
    Bits bestIndex = Bits{} - 1;
    Scored rest = {-1e300, -1};
    const Bits laneOffsets = {0, 1, 2, 3};
    for (int y = 0; y < h; ++y) {
        const qint64 row = qint64(y) * stride;
        int x = 0;
        for (; x + Lanes::count <= w; x += Lanes::count) {
            Doubles v;
            Bits valid;
            std::memcpy(&v, values + row + x, sizeof v);
            Lanes::flagMask(valids + row + x, &valid);
            const Doubles score = sign * v;
            const Bits better = valid & (score > best);
            Lanes::choose(better, score, best, &best);
            bestIndex = (better & (laneOffsets + (first + row + x))) | (~better & bestIndex);
        }
        for (; x < w; ++x) {
            const double score = sign * values[row + x];
            if (valids[row + x] && score > rest.score)
                rest = {score, first + row + x};
        }
    }
    for (int k = 0; k < Lanes::count; ++k) {
        const Scored lane = {best[k], bestIndex[k]};
        if (lane.index >= 0 && (rest.index < 0 || scoredBefore(lane, rest)))
            rest = lane;
    }
    return rest;
}

// The pixel of lo .. hi farthest from c.
int farthest(int c, int lo, int hi)
{
    return c - lo > hi - c ? lo : hi;
}

bool ranksBefore(const Candidate &a, const Candidate &b)
{
    if (a.score != b.score)
        return a.score > b.score;
    return a.y != b.y ? a.y < b.y : a.x < b.x;
}

// The passes of the definition, each rescanning the whole rectangle for the best pixel not yet
// excluded, give the same peaks as walking all candidates once in rank order and taking each
// that no peak taken before excludes. That walk is done block by block: a queue holds every
// block's best candidate, and a block near a new peak has its best looked for again when it
// comes up.
class PeakSearch
{
public:
    PeakSearch(const TDData *src, const QRect &r, double radius, bool findMax);
    QVector<QPointF> find(int count);

private:
    struct Entry
    {
        Candidate best;
        int block;
        int version;
    };
    struct RanksAfter
    {
        bool operator()(const Entry &a, const Entry &b) const { return ranksBefore(b.best, a.best); }
    };

    bool bestInBlock(int block, Candidate *best) const;
    bool peaksNear(int bx, int by) const;
    bool excluded(int x, int y) const;
    bool excludedByPeak(const QPointF &p, int x, int y) const;
    void take(const Candidate &c, QVector<QPointF> *peaks);

    const TDData *src;
    QRect r;
    double sign;
    double r2;
    int reach;  // in blocks, around a peak's block, of the pixels it may exclude
    int blocksX;
    int blocksY;
    std::vector<int> versions;
    std::vector<bool> dead;
    std::vector<std::vector<QPointF>> peaksInBlock;
    std::priority_queue<Entry, std::vector<Entry>, RanksAfter> queue;
};

PeakSearch::PeakSearch(const TDData *src, const QRect &r, double radius, bool findMax)
    : src(src)
    , r(r)
    , sign(findMax ? 1.0 : -1.0)
    , r2(radius * radius)
    , blocksX((r.width() + blockSide - 1) / blockSide)
    , blocksY((r.height() + blockSide - 1) / blockSide)
{
    // One pixel more than the radius, as squares of large distances are rounded.
    const double pixels = r2 > 0.0 ? std::ceil(std::abs(radius)) + 1.0 : 0.0;
    reach = int(std::min(pixels / blockSide + 1.0, double(std::max(blocksX, blocksY))));
    const int blocks = blocksX * blocksY;
    versions.assign(size_t(blocks), 0);
    dead.assign(size_t(blocks), false);
    peaksInBlock.resize(size_t(blocks));
    // No peak is taken yet, so the blocks are looked through on their own, over the threads.
    std::vector<Candidate> bests(static_cast<size_t>(blocks));
    std::vector<char> found(size_t(blocks), 0);
    ParallelRows::run(0, blocks, 0, [&](int first, int last) {
        for (int b = first; b < last; ++b)
            found[size_t(b)] = bestInBlock(b, &bests[size_t(b)]);
    });
    for (int b = 0; b < blocks; ++b) {
        if (found[size_t(b)])
            queue.push({bests[size_t(b)], b, 0});
    }
}

// The definition's best: the first pixel in scan order with the highest score above -1e300.
bool PeakSearch::bestInBlock(int block, Candidate *best) const
{
    const int x0 = r.left() + block % blocksX * blockSide;
    const int y0 = r.top() + block / blocksX * blockSide;
    const int x1 = std::min(x0 + blockSide - 1, r.right());
    const int y1 = std::min(y0 + blockSide - 1, r.bottom());
    if (!peaksNear(block % blocksX, block / blocksX)) {
        const Scored found = bestUnexcluded(src->values.constData() + src->index(x0, y0),
                                            src->valids.constData() + src->index(x0, y0), src->index(x0, y0),
                                            src->width, x1 - x0 + 1, y1 - y0 + 1, sign);
        if (found.index < 0)
            return false;
        *best = {found.score, int(found.index % src->width), int(found.index / src->width)};
        return true;
    }
    double bestScore = -1e300;
    for (int y = y0; y <= y1; ++y) {
        const double *values = src->values.constData() + src->index(0, y);
        const bool *valids = src->valids.constData() + src->index(0, y);
        for (int x = x0; x <= x1; ++x) {
            const double score = sign * values[x];
            if (valids[x] && score > bestScore && !excluded(x, y)) {
                bestScore = score;
                *best = {score, x, y};
            }
        }
    }
    return bestScore > -1e300;
}

bool PeakSearch::excludedByPeak(const QPointF &p, int x, int y) const
{
    const double dx = p.x() - x;
    const double dy = p.y() - y;
    return dx * dx + dy * dy < r2;
}

// Whether any peak taken so far may exclude a pixel of block (bx, by).
bool PeakSearch::peaksNear(int bx, int by) const
{
    for (int cy = std::max(0, by - reach); cy <= std::min(blocksY - 1, by + reach); ++cy) {
        for (int cx = std::max(0, bx - reach); cx <= std::min(blocksX - 1, bx + reach); ++cx) {
            if (!peaksInBlock[size_t(cy) * blocksX + cx].empty())
                return true;
        }
    }
    return false;
}

bool PeakSearch::excluded(int x, int y) const
{
    const int bx = (x - r.left()) / blockSide;
    const int by = (y - r.top()) / blockSide;
    for (int cy = std::max(0, by - reach); cy <= std::min(blocksY - 1, by + reach); ++cy) {
        for (int cx = std::max(0, bx - reach); cx <= std::min(blocksX - 1, bx + reach); ++cx) {
            for (const QPointF &p : peaksInBlock[size_t(cy) * blocksX + cx]) {
                if (excludedByPeak(p, x, y))
                    return true;
            }
        }
    }
    return false;
}

void PeakSearch::take(const Candidate &c, QVector<QPointF> *peaks)
{
    const QPointF p(c.x, c.y);
    peaks->append(p);
    const int bx = (c.x - r.left()) / blockSide;
    const int by = (c.y - r.top()) / blockSide;
    peaksInBlock[size_t(by) * blocksX + bx].push_back(p);
    // Blocks within reach must look for their best again; those the peak covers whole are done.
    for (int cy = std::max(0, by - reach); cy <= std::min(blocksY - 1, by + reach); ++cy) {
        for (int cx = std::max(0, bx - reach); cx <= std::min(blocksX - 1, bx + reach); ++cx) {
            const int b = cy * blocksX + cx;
            ++versions[size_t(b)];
            // Rounding is monotonic: when the block's farthest pixel is excluded, every pixel is.
            const int x0 = r.left() + cx * blockSide;
            const int y0 = r.top() + cy * blockSide;
            const int farX = farthest(c.x, x0, std::min(x0 + blockSide - 1, r.right()));
            const int farY = farthest(c.y, y0, std::min(y0 + blockSide - 1, r.bottom()));
            if (excludedByPeak(p, farX, farY))
                dead[size_t(b)] = true;
        }
    }
}

QVector<QPointF> PeakSearch::find(int count)
{
    QVector<QPointF> peaks;
    if (!(r2 > 0.0) && !queue.empty()) {
        // Nothing is ever excluded, so every pass finds the same best pixel.
        return QVector<QPointF>(count, QPointF(queue.top().best.x, queue.top().best.y));
    }
    while (peaks.size() < count && !queue.empty()) {
        const Entry top = queue.top();
        queue.pop();
        if (dead[size_t(top.block)])
            continue;
        if (top.version == versions[size_t(top.block)]) {
            take(top.best, &peaks);
            // Taking the peak made the entry stale: the block's best is looked for again when it
            // comes up.
            queue.push(top);
            continue;
        }
        Candidate best;
        if (bestInBlock(top.block, &best))
            queue.push({best, top.block, versions[size_t(top.block)]});
    }
    // Once no pixel qualifies, every later pass of the definition records (0, 0).
    while (peaks.size() < count)
        peaks.append(QPointF(0, 0));
    return peaks;
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
    if (peakNum <= 0 || r.isEmpty())
        return QVector<QPointF>(std::max(peakNum, 0), QPointF(0, 0));
    return PeakSearch(src, r, exclRadius, findMax).find(peakNum);
}

qint64 FindPeaksF::maxPeaks(const TDData0 *src)
{
    // Points beyond the pixels are the (0, 0) of passes that found nothing; a few are kept, as a
    // small grid asked for more peaks than it has gives them, but not so many that the count alone
    // could exhaust memory.
    const qint64 phantoms = 1 << 20;
    const qint64 listLimit = (std::numeric_limits<int>::max() - 64) / qint64(sizeof(QPointF));
    return std::min(qint64(src->width) * src->height + phantoms, listLimit);
}

TDData *FindPeaksF::exec(const TDData *src, const QRect &rect) const
{
    if (peakNum > maxPeaks(src)) {
        qDebug() << "FindPeaksF:" << peakNum << "peaks asked of a grid of" << src->width << "x" << src->height
                 << "; at most" << maxPeaks(src);
        return nullptr;
    }
    const QString signText = findMax ? QStringLiteral("+") : QStringLiteral("-");
    std::unique_ptr<DataInfo> peakList(new DataInfo(DataInfo::PeakList, tr("Peaks(%1)").arg(signText)));
    const QRect r = insideGrid(src, rect);
    try {
        peakList->points = findPeaks(src, r);
    } catch (const std::bad_alloc &) {
        qDebug() << "FindPeaksF: not enough memory for" << peakNum << "peaks";
        return nullptr;
    }

    std::unique_ptr<TDData> result(new TDData(src->width, src->height));
    // The fresh result already holds 0.0 with 0.0 in its range: only the flags change.
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int i = src->index(r.left(), y);
        std::copy_n(src->valids.constData() + i, r.width(), result->valids.data() + i);
    }
    for (const QPointF &p : qAsConst(peakList->points)) {
        const int ix = int(p.x());
        const int iy = int(p.y());
        // A pass that found nothing records (0, 0), which an empty grid does not have.
        if (ix >= 0 && ix < src->width && iy >= 0 && iy < src->height)
            result->setValue(ix, iy, src->value(ix, iy));
    }
    result->dataId = tr("%1: PKs(%2)").arg(src->dataId, signText);
    src->copyInfos(result.get());
    result->infos.append(peakList.release());
    return result.release();
}
