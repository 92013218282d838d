#pragma once

#include "display/imgdisp.h"
#include "ui_datactrl.h"

#include <QFrame>
#include <QPoint>
#include <QRectF>

class ChCoord;
class ImgData;
class QColor;
class QImage;
class QPainter;
class QSize;
class TDData;

// The control row of one dataset: its number and identifier, the S1/S2/A/B selection buttons,
// a focus indicator, the Show switch of its image window and a Del button. The row owns the
// dataset (released with deleteLater when replaced or when the row goes) and its image display
// window, which it draws into (image, region outlines, shared crosshair, peak marks) and whose
// mouse, wheel and region signals it turns into read-out, zoom and the dataset's region.
// The data control manager (DataCtrls) numbers the rows and wires them together.
class DataCtrl : public QFrame
{
    Q_OBJECT

public:
    // Where the image display first appears. A row that a manager (DataCtrls) will place leaves
    // its display hidden until then: shown as a window of its own first, it would flash up on
    // the desktop and cost a native window on its way into the tab window.
    enum class DisplayStart { Shown, PlacedLater };

    explicit DataCtrl(QWidget *parent = nullptr, DisplayStart start = DisplayStart::Shown);
    ~DataCtrl() override;

    // Attaches d (the row takes ownership) and shows it: identifier, colour scale set to d's
    // range, rendering, whole image in view, and the regions stored in d's info items restored
    // into the display. A null d, or the dataset already attached, changes nothing.
    void setData(TDData *d);
    // Converts a record just filled by the image readers into a new dataset and attaches it.
    // The record stays with the caller.
    void setImage(ImgData *rec);
    // The attached dataset (null when none); ownership stays with the row. With withRegions its
    // region info items are first replaced by the display's current state: the current region
    // (kind 3, when one is set) and the kept-region list (kind 2, when not empty). Other items
    // stay in place and in order.
    TDData *data(bool withRegions);
    // "I[number] identifier", as the panels name their inputs, with the identifier as shown
    // (TDData0::shownId); empty while no dataset is attached.
    QString inputName() const;

    Ui_DataCtrl ui;
    // Top-level window until the manager puts it into the tab window; destroyed with the row.
    ImgDisp imgDisp;
    // The part of the image, in data pixels (y downwards), that fills the whole image area.
    QRectF viewRect;
    bool focusedFlag;
    // Data pixel of the crosshair; a negative coordinate means none.
    QPoint noticedPos;
    // Peaks are marked where they can be seen, each with a cross, and with their number and
    // position only while no more than this many are in sight: thousands of labels would cover
    // the image and make every repaint (each move of the shared crosshair) take seconds.
    static constexpr int maxLabelledPeaks = 1000;

signals:
    void focused();
    void pointAt(int ix, int iy);
    void deleteMe();
    void comeMeBackToTab();

private slots:
    void draw(QPainter *p);
    void showImg(bool f);
    void cBarUpdated();
    void closingImgDisp();
    void mMovedWithin(int ix, int iy);
    // One zoom step per whole wheel notch: in for positive steps, out for negative.
    void wMoved(int step);
    // A middle-button drag moves the view with the mouse.
    void pan();
    void newRegion(QRect rR);
    void regionCleared();
    void scaleReset();

public slots:
    void noticedAt(int ix, int iy);
    void setFocused(bool f);

public:
    // Draws img into the rectangle (0, 0, area) as cc maps it: every widget pixel shows the image
    // pixel under its left and top edge (cc.toDataX, toDataY rounded down), the pixel the mouse
    // read-out names there; widget pixels outside the image are left alone. Costs the visible
    // widget pixels only.
    static void drawView(QPainter *p, const QImage &img, const ChCoord &cc, const QSize &area);
    // Outlines the widget rectangle w (inclusive corners) on its own edge pixels in color, with a
    // dark edge just outside; nothing for an empty w.
    static void drawOutline(QPainter *p, const QRect &w, const QColor &color);

private:
    // Shows the data rectangle view in the image area (y downwards, so its top at the top edge).
    void setView(const QRectF &view);
    void zoomOnce(bool out);
    void drawPeaks(QPainter *p) const;
    void restoreRegions();
    void replaceRegionInfos();

    TDData *dataset = nullptr;
};
