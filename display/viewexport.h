#pragma once

#include <QImage>

class ColorBar0;
class TDData;

// The picture of a dataset as its image window shows it, for saving as PNG.
class ViewExport
{
public:
    // d rendered through bar (its format and marks) at one image pixel per data pixel, as a copy
    // the caller keeps; d's own rendering is renewed on the way. With withBar the colour scale
    // between the two marks stands at the right, labelled with the values at the marks and
    // between them. A null image when d cannot be rendered (an empty grid).
    static QImage image(TDData &d, const ColorBar0 &bar, bool withBar);
};
