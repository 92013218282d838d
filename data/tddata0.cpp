#include "tddata0.h"

#include "datainfo.h"

#include <limits>

TDData0::TDData0(int width, int height)
    : width(width)
    , height(height)
{
    const int n = width * height;
    values.resize(n);
    valids.resize(n);
    // Stored through setValue so that every sized grid's range starts at 0..0.
    for (int i = 0; i < n; ++i) {
        values[i] = 0.0;
        widenRange(0.0);
        valids[i] = false;
    }
}

TDData0::~TDData0()
{
    qDeleteAll(infos);
}

bool TDData0::fitsStorage(qint64 width, qint64 height)
{
    // Qt 5 containers hold at most INT_MAX bytes, header included.
    const qint64 maxPixels = (std::numeric_limits<int>::max() - 64) / qint64(sizeof(double));
    if (width < 0 || height < 0)
        return false;
    return width == 0 || height <= maxPixels / width;
}

void TDData0::setValue(int x, int y, double v)
{
    const int i = index(x, y);
    values[i] = v;
    valids[i] = true;
    widenRange(v);
}

void TDData0::copyRect(TDData0 *dst, const QRect &r, bool toOrigin) const
{
    // Only the part of r that lies in this grid and, once placed, in dst is copied.
    for (int dy = 0; dy <= r.bottom() - r.top(); ++dy) {
        const int sy = r.top() + dy;
        const int ty = toOrigin ? dy : sy;
        if (sy < 0 || sy >= height || ty < 0 || ty >= dst->height)
            continue;
        for (int dx = 0; dx <= r.right() - r.left(); ++dx) {
            const int sx = r.left() + dx;
            const int tx = toOrigin ? dx : sx;
            if (sx < 0 || sx >= width || tx < 0 || tx >= dst->width)
                continue;
            const int s = index(sx, sy);
            const int t = dst->index(tx, ty);
            dst->values[t] = values[s];
            dst->valids[t] = valids[s];
            dst->widenRange(values[s]);
        }
    }
    dst->dataId = dataId;
    dst->region = regionSet ? region : QRect(0, 0, width, height);
    dst->regionSet = true;
}

void TDData0::copyInfos(TDData0 *dst) const
{
    for (const DataInfo *info : infos)
        dst->infos.append(new DataInfo(*info));
}

void TDData0::movingAvrX(TDData0 *dst, int a) const
{
    for (int y = 0; y < height; ++y) {
        double sum = 0.0;
        int n = 0;
        for (int x = -a; x < width; ++x) {
            const int e = x + a;
            if (e >= 0 && e < width && isValid(e, y)) {
                sum += value(e, y);
                ++n;
            }
            if (x >= 0 && isValid(x, y) && n >= 1)
                dst->setValue(x, y, sum / n);
            const int l = x - a;
            if (l >= 0 && l < width && isValid(l, y)) {
                sum -= value(l, y);
                --n;
            }
        }
    }
}

void TDData0::movingAvrY(TDData0 *dst, int a) const
{
    for (int x = 0; x < width; ++x) {
        double sum = 0.0;
        int n = 0;
        for (int y = -a; y < height; ++y) {
            const int e = y + a;
            if (e >= 0 && e < height && isValid(x, e)) {
                sum += value(x, e);
                ++n;
            }
            if (y >= 0 && isValid(x, y) && n >= 1)
                dst->setValue(x, y, sum / n);
            const int l = y - a;
            if (l >= 0 && l < height && isValid(x, l)) {
                sum -= value(x, l);
                --n;
            }
        }
    }
}

void TDData0::setRegion(QRect rR)
{
    region = rR;
    regionSet = true;
}

void TDData0::regionCleared()
{
    regionSet = false;
}
