#include "tddata.h"

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
