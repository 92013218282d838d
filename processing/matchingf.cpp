#include "matchingf.h"

#include "data/tddata.h"

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace {

// The template: tw x th source pixels from (x0, y0), the region's corners being inclusive.
struct Template
{
    int x0 = 0;
    int y0 = 0;
    int tw = 0;
    int th = 0;
};

// False, with a debug line, when the template could not be held in memory (or indexed) as a grid.
bool templateOf(const TDData0 *src, Template *t)
{
    const qint64 tw = qint64(src->region.right()) - src->region.left() + 1;
    const qint64 th = qint64(src->region.bottom()) - src->region.top() + 1;
    t->x0 = src->region.left();
    t->y0 = src->region.top();
    if (tw <= 0 || th <= 0)
        return true;  // an empty template: no pair ever counts
    if (!TDData0::fitsStorage(tw, th)) {
        qDebug() << "MatchingF: template too large" << src->region;
        return false;
    }
    t->tw = int(tw);
    t->th = int(th);
    return true;
}

// Similarity map of src against the template, the window's top-left corner at every position of
// the in-grid rectangle positions. pixel(i, j, &t) gives template pixel (i, j) and whether it counts.
template <typename TemplatePixel>
TDData *similarityMap(const TDData *src, const QRect &positions, const Template &tpl, int measure,
                      const char *rowLabel, TemplatePixel pixel)
{
    auto *result = new TDData(src->width, src->height);
    for (int y = positions.top(); y <= positions.bottom(); ++y) {
        qDebug() << rowLabel << y;
        // Window rows and columns beyond the grid pair with nothing, so they are not visited.
        const int jEnd = std::min(tpl.th, src->height - y);
        for (int x = positions.left(); x <= positions.right(); ++x) {
            const int iEnd = std::min(tpl.tw, src->width - x);
            double st2 = 0.0;
            double sa2 = 0.0;
            double sat = 0.0;
            for (int j = 0; j < jEnd; ++j) {
                for (int i = 0; i < iEnd; ++i) {
                    double t;
                    if (!pixel(i, j, &t) || !src->isValid(x + i, y + j))
                        continue;
                    const double a = src->value(x + i, y + j);
                    st2 += t * t;
                    sa2 += a * a;
                    sat += a * t;
                }
            }
            if (st2 > 0.0 && sa2 > 0.0) {
                double c = sat / std::sqrt(sa2 * st2);
                // Not clamped: a cosine rounded past 1 gives NaN, which never widens the range.
                if (measure == MatchingF::ArcCosTh)
                    c = 1.0 - std::acos(c) / M_PI;
                result->setValue(x, y, c);
            }
        }
    }
    return result;
}

void finish(const TDData *src, TDData *result, const char *doneLabel, const QElapsedTimer &timer)
{
    result->dataId = MatchingF::tr("%1: PM").arg(src->dataId);
    src->copyInfos(result);
    qDebug() << doneLabel << timer.elapsed();
}

} // namespace

MatchingF::MatchingF(int measure, int execMode)
    : Filter(Matching)
    , measure(measure)
    , execMode(execMode)
{
}

TDData *MatchingF::exec1(const TDData *src, const QRect &rect) const
{
    if (!src->regionSet)
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    Template tpl;
    if (!templateOf(src, &tpl))
        return nullptr;
    auto pixel = [src, &tpl](int i, int j, double *t) {
        const int x = tpl.x0 + i;
        const int y = tpl.y0 + j;
        if (x < 0 || x >= src->width || y < 0 || y >= src->height || !src->isValid(x, y))
            return false;
        *t = src->value(x, y);
        return true;
    };
    TDData *result = similarityMap(src, insideGrid(src, rect), tpl, measure, "iy", pixel);
    finish(src, result, "exec1", timer);
    return result;
}

TDData *MatchingF::exec2(const TDData *src, const QRect &rect)
{
    if (!src->regionSet)
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    Template tpl;
    if (!templateOf(src, &tpl))
        return nullptr;
    patValues.clear();
    patValids.clear();
    patValues.reserve(tpl.tw * tpl.th);
    patValids.reserve(tpl.tw * tpl.th);
    for (int j = 0; j < tpl.th; ++j) {
        const int y = tpl.y0 + j;
        for (int i = 0; i < tpl.tw; ++i) {
            const int x = tpl.x0 + i;
            const bool valid = x >= 0 && x < src->width && y >= 0 && y < src->height && src->isValid(x, y);
            patValids.append(valid);
            patValues.append(valid ? src->value(x, y) : 0.0);
        }
    }
    auto pixel = [this, &tpl](int i, int j, double *t) {
        const int k = j * tpl.tw + i;
        *t = patValues.at(k);
        return patValids.at(k);
    };
    TDData *result = similarityMap(src, insideGrid(src, rect), tpl, measure, "M", pixel);
    finish(src, result, "exec2", timer);
    return result;
}
