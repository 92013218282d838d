#include "tddata.h"

#include "display/colorbar0.h"

#include <QImage>

TDData::TDData(int width, int height)
    : TDData0(width, height)
{
}

TDData::~TDData()
{
    delete img;
    delete[] imgBuf;
}

TDData *TDData::movingAvr(int ax, int ay) const
{
    if (ax > 0) {
        auto *rows = new TDData(width, height);
        movingAvrX(rows, ax);
        if (ay < 1)
            return rows;
        auto *both = new TDData(width, height);
        rows->movingAvrY(both, ay);
        rows->deleteLater();
        return both;
    }
    auto *result = new TDData(width, height);
    if (ay < 1) {
        copyRect(result, QRect(0, 0, width, height), false);
        copyInfos(result);
    } else {
        movingAvrY(result, ay);
    }
    return result;
}

QImage *TDData::makeImg(const ColorBar0 *cb)
{
    if (!cb)
        return nullptr;
    delete img;
    img = nullptr;
    delete[] imgBuf;
    imgBuf = ColorBar0::newImageBuffer(cb->format, width, height);
    if (!imgBuf)
        return nullptr;
    const qint64 bytesPerLine = ColorBar0::bytesPerLine(cb->format, width);
    const double range = maxVal - minVal;
    for (int y = 0; y < height; ++y) {
        uchar *out = imgBuf + y * bytesPerLine;
        for (int x = 0; x < width; ++x) {
            const int i = index(x, y);
            out = cb->writePixel((values[i] - minVal) / range, valids[i], out);
        }
    }
    img = ColorBar0::newImage(cb->format, imgBuf, width, height);
    return img;
}
