#pragma once

#include "tddata0.h"

#include <QtGlobal>

class ColorBar;
class QImage;

// A dataset together with its last rendering for display (a pixel buffer and an image over it).
class TDData : public TDData0
{
    Q_OBJECT

public:
    explicit TDData(int width = 0, int height = 0);
    ~TDData() override;

    // Separable moving average with half-widths ax (along rows) and ay (along columns). With both
    // at most 0 it is a plain copy keeping dataId, region and info items; averaged results keep none.
    // The caller owns the result.
    TDData *movingAvr(int ax, int ay) const;

    uchar *imgBuf = nullptr;
    QImage *img = nullptr;
};
