#pragma once

#include "display/imgdisp.h"
#include "ui_datactrl.h"

#include <QFrame>
#include <QPoint>
#include <QRectF>

class ImgData;
class QImage;
class QPainter;
class QSizeF;
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
    explicit DataCtrl(QWidget *parent = nullptr);
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

    Ui_DataCtrl ui;
    // Top-level window until the manager puts it into the tab window; destroyed with the row.
    ImgDisp imgDisp;
    // The part of the image, in data pixels (y downwards), that fills the whole image area.
    QRectF viewRect;
    bool focusedFlag;
    // Data pixel of the crosshair; a negative coordinate means none.
    QPoint noticedPos;

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
    void wMoved(int step);
    void newRegion(QRect rR);
    void regionCleared();
    void scaleReset();

public slots:
    void noticedAt(int ix, int iy);
    void setFocused(bool f);

public:
    // Draws the part view (data pixels) of img into the rectangle (0, 0, area): only the pixels
    // inside img are read, through a shallow sub-image, so a paint costs the visible part only.
    static void drawView(QPainter *p, const QImage &img, const QRectF &view, const QSizeF &area);

private:
    // Shows the data rectangle view in the image area (y downwards, so its top at the top edge).
    void setView(const QRectF &view);
    void drawRegionList(QPainter *p) const;
    void drawPeaks(QPainter *p) const;
    void restoreRegions();
    void replaceRegionInfos();

    TDData *dataset = nullptr;
};
