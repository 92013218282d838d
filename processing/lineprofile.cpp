#include "processing/lineprofile.h"

#include "data/tddata0.h"

LineProfile::Result LineProfile::row(const TDData0 &d, int y)
{
    Result r;
    if (y < 0 || y >= d.height)
        return r;
    const int start = d.index(0, y);
    r.values = d.values.mid(start, d.width);
    r.valid = d.valids.mid(start, d.width);
    return r;
}

LineProfile::Result LineProfile::column(const TDData0 &d, int x)
{
    Result r;
    if (x < 0 || x >= d.width)
        return r;
    r.values.resize(d.height);
    r.valid.resize(d.height);
    for (int y = 0; y < d.height; ++y) {
        r.values[y] = d.value(x, y);
        r.valid[y] = d.isValid(x, y);
    }
    return r;
}
