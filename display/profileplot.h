#pragma once

#include "display/plotarea.h"
#include "processing/lineprofile.h"

// A row or column profile as a line over the data pixel index, broken at invalid pixels (and at
// NaN and infinities), with one pixel (the crosshair's) marked by a vertical line.
class ProfilePlot : public PlotArea
{
    Q_OBJECT

public:
    explicit ProfilePlot(QWidget *parent = nullptr);

    // marked < 0 marks nothing. An empty profile draws an empty plot.
    void setProfile(const LineProfile::Result &profile, int marked);

protected:
    void drawContents(QPainter &p) override;

private:
    int columnOf(int index) const;
    int columnEnd(int index) const;

    LineProfile::Result line;
    int marked = -1;
};
