#pragma once

#include "tddata0.h"

#include <QtGlobal>

class ColorBar0;
class QImage;

// A dataset together with its last rendering for display (a pixel buffer and an image over it).
class TDData : public TDData0
{
    Q_OBJECT

public:
    explicit TDData(int width = 0, int height = 0);
    TDData(int width, int height, Unfilled);
    ~TDData() override;

    // A new grid as the constructor builds it, or null with a debug line when a grid of that size
    // cannot be held or its memory cannot be had. For sizes taken from files, typed numbers and
    // regions. The caller owns the result.
    static TDData *newGrid(qint64 width, qint64 height);
    // The same for a grid whose every pixel the caller writes (see Unfilled).
    static TDData *newGrid(qint64 width, qint64 height, Unfilled);

    // Separable moving average with half-widths ax (along rows) and ay (along columns). With both
    // at most 0 it is a plain copy keeping dataId, region and info items; averaged results keep none.
    // The caller owns the result.
    TDData *movingAvr(int ax, int ay) const;

    // A copy of the grid (sharing the pixel storage until either side changes it), identifier,
    // range, region and info items, for work on another thread. The caller owns it.
    TDData *snapshot() const;

    // Renders the grid through the colour scale into a new imgBuf/img, each value normalised by
    // this grid's minVal..maxVal, and returns img (owned by this dataset). The previous rendering
    // is released first; null (and no rendering) when cb is null or its format or this size
    // cannot be rendered.
    QImage *makeImg(const ColorBar0 *cb);

    uchar *imgBuf = nullptr;
    QImage *img = nullptr;
};
