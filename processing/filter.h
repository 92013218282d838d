#pragma once

#include <QObject>
#include <QRect>

class TDData0;

// Base of the filters that turn one dataset into a new one. A filter captures its parameters
// when it is made and can then be run on any dataset, once or many times. The run operations
// are not virtual: callers dispatch on type (and, for matching, on its exec mode).
// A filter has no parent; whoever makes it releases it.
class Filter : public QObject
{
    Q_OBJECT

public:
    enum Type { AdaptiveThreshold = 1, MovingAvr = 2, Matching = 3, FindPeaks = 4 };

    explicit Filter(int type);

    int type;

protected:
    // The part of a work rectangle (corners inclusive) that lies inside src's grid; a null
    // rectangle when none does or when rect is inverted (nothing to visit).
    static QRect insideGrid(const TDData0 *src, const QRect &rect);
};
