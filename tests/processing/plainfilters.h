#pragma once

// The filters written as plainly as their definitions: one pixel at a time, every sum in its
// defined order, no vectors, no blocking. The fast versions in data/ and processing/ must give
// results bit for bit equal to these; the tests compare them and the benchmark times them side
// by side.

#include "data/datainfo.h"
#include "data/tddata.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QPointF>
#include <QRect>

#include <cmath>

namespace Plain {

inline QRect insideGrid(const TDData0 *src, const QRect &rect)
{
    if (rect.right() < rect.left() || rect.bottom() < rect.top())
        return QRect();
    return rect.intersected(QRect(0, 0, src->width, src->height));
}

// Running sum along each row (alongX) or column: the entering pixel is added, the mean written,
// the leaving pixel taken off.
inline void movingAvr1(const TDData0 *src, TDData0 *dst, int a, bool alongX)
{
    const int lines = alongX ? src->height : src->width;
    const int length = alongX ? src->width : src->height;
    for (int k = 0; k < lines; ++k) {
        const auto at = [&](int i) { return alongX ? QPoint(i, k) : QPoint(k, i); };
        const auto valid = [&](int i) { return i >= 0 && i < length && src->isValid(at(i).x(), at(i).y()); };
        double sum = 0.0;
        int n = 0;
        for (int i = -a; i < length; ++i) {
            if (valid(i + a)) {
                sum += src->value(at(i + a).x(), at(i + a).y());
                ++n;
            }
            if (valid(i) && n >= 1)
                dst->setValue(at(i).x(), at(i).y(), sum / n);
            if (valid(i - a)) {
                sum -= src->value(at(i - a).x(), at(i - a).y());
                --n;
            }
        }
    }
}

inline TDData *movingAvr(const TDData *src, int ax, int ay)
{
    auto *result = new TDData(src->width, src->height);
    if (ax > 0 && ay > 0) {
        TDData rows(src->width, src->height);
        movingAvr1(src, &rows, ax, true);
        movingAvr1(&rows, result, ay, false);
    } else if (ax > 0 || ay > 0) {
        movingAvr1(src, result, ax > 0 ? ax : ay, ax > 0);
    } else {
        src->copyRect(result, QRect(0, 0, src->width, src->height), false);
        src->copyInfos(result);
    }
    return result;
}

inline TDData *movingAvrF(const TDData *src, int hw, int hh)
{
    TDData *result = movingAvr(src, hw, hh);
    result->dataId = QCoreApplication::translate("MovingAvrF", "%1: MA(%2,%3)")
                         .arg(src->dataId, QString::number(hw), QString::number(hh));
    if (hw > 0 || hh > 0)
        src->copyInfos(result);
    return result;
}

inline TDData *adaptiveThreshold(const TDData *src, const QRect &rect, int hw, int hh)
{
    TDData *mean = movingAvr(src, hw, hh);
    auto *result = new TDData(src->width, src->height);
    const QRect r = insideGrid(src, rect);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (src->isValid(x, y))
                result->setValue(x, y, mean->value(x, y) < src->value(x, y) ? 1.0 : 0.0);
        }
    }
    delete mean;
    result->dataId = QStringLiteral("%1: AT(%2,%3)").arg(src->dataId, QString::number(hw), QString::number(hh));
    src->copyInfos(result);
    return result;
}

// exec1 (reading the template from the grid) or exec2 (from a copy), with their debug lines.
inline TDData *matching(const TDData *src, const QRect &rect, int measure, bool copyTemplate)
{
    if (!src->regionSet)
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    const int tx0 = src->region.left();
    const int ty0 = src->region.top();
    const int tw = src->region.right() - tx0 + 1;
    const int th = src->region.bottom() - ty0 + 1;
    // A pair takes no part when either pixel is invalid or outside the grid.
    auto usable = [src](int x, int y) {
        return x >= 0 && x < src->width && y >= 0 && y < src->height && src->isValid(x, y);
    };
    auto *result = new TDData(src->width, src->height);
    const QRect r = insideGrid(src, rect);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        qDebug() << (copyTemplate ? "M" : "iy") << y;
        for (int x = r.left(); x <= r.right(); ++x) {
            double st2 = 0.0;
            double sa2 = 0.0;
            double sat = 0.0;
            for (int j = 0; j < th; ++j) {
                for (int i = 0; i < tw; ++i) {
                    if (!usable(tx0 + i, ty0 + j) || !usable(x + i, y + j))
                        continue;
                    const double t = src->value(tx0 + i, ty0 + j);
                    const double a = src->value(x + i, y + j);
                    st2 += t * t;
                    sa2 += a * a;
                    sat += a * t;
                }
            }
            if (st2 > 0.0 && sa2 > 0.0) {
                double c = sat / std::sqrt(sa2 * st2);
                if (measure == 2)
                    c = 1.0 - std::acos(c) / M_PI;
                result->setValue(x, y, c);
            }
        }
    }
    result->dataId = QCoreApplication::translate("MatchingF", "%1: PM").arg(src->dataId);
    src->copyInfos(result);
    qDebug() << (copyTemplate ? "exec2" : "exec1") << timer.elapsed();
    return result;
}

// One pass over the rectangle per peak, each candidate tested against every peak found before.
inline QVector<QPointF> peaks(const TDData *src, const QRect &r, double radius, int count, bool findMax)
{
    const double sign = findMax ? 1.0 : -1.0;
    const double r2 = radius * radius;
    QVector<QPointF> found;
    for (int k = 0; k < count; ++k) {
        double best = -1e300;
        int bx = 0;
        int by = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                if (!src->isValid(x, y))
                    continue;
                bool excluded = false;
                for (const QPointF &p : found)
                    excluded = excluded || (p.x() - x) * (p.x() - x) + (p.y() - y) * (p.y() - y) < r2;
                if (!excluded && sign * src->value(x, y) > best) {
                    best = sign * src->value(x, y);
                    bx = x;
                    by = y;
                }
            }
        }
        found.append(QPointF(bx, by));
    }
    return found;
}

inline TDData *findPeaks(const TDData *src, const QRect &rect, double radius, int count, bool findMax)
{
    const QString signText = findMax ? QStringLiteral("+") : QStringLiteral("-");
    auto *list = new DataInfo(DataInfo::PeakList, QCoreApplication::translate("FindPeaksF", "Peaks(%1)").arg(signText));
    const QRect r = insideGrid(src, rect);
    list->points = peaks(src, r, radius, count, findMax);
    auto *result = new TDData(src->width, src->height);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (src->isValid(x, y))
                result->setValue(x, y, 0.0);
        }
    }
    for (const QPointF &p : qAsConst(list->points)) {
        const int ix = int(p.x());
        const int iy = int(p.y());
        if (ix >= 0 && ix < src->width && iy >= 0 && iy < src->height)
            result->setValue(ix, iy, src->value(ix, iy));
    }
    result->dataId = QCoreApplication::translate("FindPeaksF", "%1: PKs(%2)").arg(src->dataId, signText);
    src->copyInfos(result);
    result->infos.append(list);
    return result;
}

} // namespace Plain
