#pragma once

#include "display/dispa.h"
#include "ui_imgdisp.h"

#include <QFrame>
#include <QPointF>
#include <QRect>

// The window in which one dataset is looked at: an image area and a colour bar below a tool row
// (Grey switch, value read-out, current region, kept-region list with Set and Del, Scale Reset).
// It turns plain left drags on the image area into a rectangular region in data pixels, keeps a
// list of regions, and relays paint, wheel and position events to the dataset's control row,
// which owns the window and draws into it. The window never touches the dataset itself.
//
// Regions are QRects in data pixels with inclusive corners, derived from the two stored corners
// per axis: left = trunc(min), width = trunc(max - min), right = left + width - 1 (so a click
// without moving gives an empty rectangle). Coordinates saturate at +-1e9 and NaN reads as 0.
class ImgDisp : public QFrame
{
    Q_OBJECT

public:
    enum RegionState { NoRegion = 0, Dragging = 1, RegionSet = 2 };

    explicit ImgDisp(QWidget *parent = nullptr);

    QRect regionRect() const;
    // The image area's widget pixels that show exactly the pixels of regionRect() (inclusive
    // corners; empty for an empty region), along whose outer edges the region is outlined.
    QRect regionRectInWidget() const;
    // Stores the size of the shown dataset and sizes the read-out, region label and region list
    // for the longest texts of a dataset of that size and value range; their widths never
    // follow what they show, so that the window keeps its width.
    void setDataSize(int width, int height, double minVal, double maxVal);
    // Puts the window into the state a drag producing r leaves: regionRect() is r afterwards
    // (for any r with right >= left - 1 and bottom >= top - 1), and newRegion(r) is emitted.
    void setRegion(QRect r);
    // Inserts r into the kept-region list at index (clamped to the list) and makes it current.
    void insertRegion(int index, QRect r);
    // The kept region at index; the null rectangle for an index outside the list or an entry
    // whose data is not a rectangle.
    QRect listedRegion(int index) const;
    QRect currentListedRegion() const;
    // "(left,top)-(right,bottom)", as the kept-region list shows r.
    static QString regionText(const QRect &r);

    // Whether the Grey switch of windows built from now on starts checked; existing windows
    // keep theirs. Off until the main window sets it.
    static void setGrayScaleDefault(bool grey);
    static bool grayScaleDefault();
    // The ColorBar0 format of the Grey switch's two states, and the one windows built now start in.
    static int formatOf(bool grey);
    static int defaultFormat() { return formatOf(grayScaleDefault()); }
    // Whether windows built from now on keep data pixels square (Ctrl+1 switches each window);
    // off, the data range asked for fills the whole area.
    static void setSquarePixelsDefault(bool on);
    static bool squarePixelsDefault();

    Ui_ImgDisp ui;
    // Members of the image area (ui.ImgDispA), not owned.
    MouseC &mouseC;
    ChCoord &chCoord;
    // Size of the shown dataset, set by the control row (setDataSize) when it attaches one.
    int dataWidth = 1;
    int dataHeight = 1;
    int regionState = NoRegion;
    // Where the region was started and where it currently ends, as stored (not sorted).
    QPointF pressData;
    QPointF curData;

signals:
    // Emitted after the toolkit's own close handling.
    void closing();
    void drawImage1(QPainter *p);
    void drawImage2(QPainter *p);
    void mMovedWithin(int ix, int iy);
    void newRegion(QRect rR);
    void regionCleared();
    void wMoved(int step);
    void scaleReset();

private slots:
    void mMoved();
    void mPressed();
    void mReleased();
    void setCBarGrayScale(bool f);
    void setARegion();
    void delARegion();
    void clearRegions();

public slots:
    void setSquarePixels(bool on);
    // Shows "value (ix, iy)" in the read-out, "--" in place of the value when it is not valid.
    void showPosVal(int ix, int iy, double val, bool valid);

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    DispA *setUpForm();
    QPointF mouseInData() const;
    void updateRegionLabel();
};
