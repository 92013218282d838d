#include "display/datactrls.h"

#include "data/datainfo.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/colorbar.h"
#include "display/datactrl.h"
#include "display/imgbase.h"
#include "displaytesttools.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QAbstractItemView>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

namespace {

// Pixel (x, y) holds x + 100 y; pixel (3, 2) is invalid.
TDData *ramp(int w, int h)
{
    auto *d = new TDData(w, h);
    d->dataId = QStringLiteral("ramp");
    for (int i = 0; i < w * h; ++i)
        d->setValue(i % w, i / w, i % w + 100.0 * (i / w));
    if (w > 3 && h > 2)
        d->setValid(3, 2, false);
    return d;
}

DataInfo *item(int kind, const QVector<QRect> &rects = {}, const QVector<QPointF> &points = {})
{
    auto *info = new DataInfo(kind, kind == DataInfo::PeakList ? QStringLiteral("peaks") : QString());
    info->rects = rects;
    info->points = points;
    return info;
}

QVector<int> kinds(const TDData *d)
{
    QVector<int> k;
    for (const DataInfo *info : d->infos)
        k.append(info->kind);
    return k;
}

// A window whose area maps data = widget / 10, so data with one decimal is a whole pixel.
struct Window
{
    Window()
    {
        disp.chCoord.setWidgetRange(0, 200, 300, 0);
        disp.chCoord.setRange(0, 20, 30, 0);
    }
    void mouse(QEvent::Type type, QPointF data, Qt::MouseButton button = Qt::NoButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        sendMouse(disp.ui.ImgDispA, type, data * 10, button, mods);
    }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, mods);
        mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, mods);
        mouse(QEvent::MouseMove, to, Qt::LeftButton, mods);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, mods);
    }
    QString regionLabel() const { return disp.ui.Region->text(); }

    ImgDisp disp;
};

// Pixel (x, y) holds 1 + (7 x + 13 y) mod 31: pixels up to 30 apart along a row or a column
// never share a colour, so a drawn colour names its pixel among its neighbours.
TDData *pattern(int w, int h)
{
    auto *d = new TDData(w, h);
    for (int i = 0; i < w * h; ++i)
        d->setValue(i % w, i / w, 1 + (7 * (i % w) + 13 * (i / w)) % 31);
    return d;
}

// A shown row of a 20 x 10 dataset in a 380 x 270 area: one data unit is 19 pixels across, 27 down.
struct ShownRow
{
    explicit ShownRow(TDData *d = ramp(20, 10), QSize size = QSize(380, 270))
    {
        row.imgDisp.ui.ImgDispA->setFixedSize(size);
        row.setData(d);
        row.imgDisp.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row.imgDisp));
        area()->repaint();
    }
    DispA *area() { return row.imgDisp.ui.ImgDispA; }
    // The pixel the read-out names with the mouse at the widget position at.
    QPoint readOut(QPoint at)
    {
        sendMouse(area(), QEvent::MouseMove, at);
        const QStringList parts = row.imgDisp.ui.Pos->text().split(QRegularExpression(QStringLiteral("[(), ]+")));
        return parts.size() < 3 ? QPoint(-1, -1) : QPoint(parts.at(1).toInt(), parts.at(2).toInt());
    }

    DataCtrl row;
};

const QString FocusedStyle = QStringLiteral("background-color: rgb(249, 240, 107);");
const QString NotFocusedStyle = QStringLiteral("background-color: rgb(190, 190, 160);");

using Sels = QVector<bool>;
enum Vector { S1, S2, A, B };

// A manager with rows added as the main window adds them: row made, dataset attached, added.
class Rows
{
public:
    explicit Rows(int n)
    {
        for (int i = 0; i < n; ++i)
            add();
    }
    ~Rows()
    {
        for (const QPointer<DataCtrl> &row : qAsConst(rows))
            delete row.data();
    }

    DataCtrl *add()
    {
        auto *row = new DataCtrl;
        row->setData(new TDData(8, 6));
        manager.addDataCtrl(row);
        rows.append(row);
        return row;
    }

    DataCtrl *operator[](int i) const { return rows.at(i); }
    QTabWidget *tabs() { return manager.imgBase.ui.ImgBaseTab; }
    QString tabLabel(DataCtrl *row) { return tabs()->tabText(tabs()->indexOf(&row->imgDisp)); }

    DataCtrls manager;
    QVector<QPointer<DataCtrl>> rows;
};

// One of the four vectors of a selsChanged publication.
Sels published(const QList<QVariant> &args, Vector v)
{
    return args.at(v).value<Sels>();
}

void moveOver(DataCtrl *row)
{
    sendMouse(row->imgDisp.ui.ImgDispA, QEvent::MouseMove, QPointF(1, 1));
}

} // namespace

// The image window and the tab window that collects image windows; a dataset row (its display,
// region items, drawing) and the manager of the rows.
class TestDataCtrls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<Sels>(); }
    void dragGivesRegion();
    void setRegionGivesItBack_data();
    void setRegionGivesItBack();
    void regionList();
    void greyDefault();
    void setDataShowsDataset();
    void regionItemsRoundTrip();
    void readOutAndZoom();
    void drawsImageAndMarks();
    void peaksMarkedInSight();
    void drawDegenerate();
    void readOutIsDrawnPixel_data();
    void readOutIsDrawnPixel();
    void zoomBounds();
    void drawViewShowsReadOutPixels_data();
    void drawViewShowsReadOutPixels();
    void labelsKeepTheirWidth();
    void numbersDeleteAndHelpers();
    void selectionsFocusAndCrosshair();
    void tabsAndFreeWindows();
    void closeButtonsOnManyTabs();
};

void TestDataCtrls::dragGivesRegion()
{
    Window w;
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    w.mouse(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(6, 5), Qt::LeftButton);
    QCOMPARE(w.disp.regionState, 1);
    QCOMPARE(w.regionLabel(), QString("(2, 2)-(5, 4)"));
    QCOMPARE(regions.count(), 0);
    w.disp.ui.SetARegion->click(); // refused while dragging
    QCOMPARE(w.disp.ui.Regions->count(), 0);
    // Moves without a held button change nothing.
    w.mouse(QEvent::MouseButtonRelease, QPointF(6, 5), Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(9, 9));
    QCOMPARE(w.disp.regionRect(), corners(2, 2, 5, 4));
    QCOMPARE(regions.count(), 1);
    QCOMPARE(w.disp.regionRectInWidget(), corners(20, 20, 59, 49));

    // A drag up and left keeps its corners unsorted.
    w.drag(QPointF(10.7, 3.2), QPointF(4.1, 8.9));
    QCOMPARE(regions.last().at(0).toRect(), corners(4, 3, 9, 7));

    // Drags and right clicks with a modifier leave the region alone; a plain right click clears it.
    QSignalSpy cleared(&w.disp, &ImgDisp::regionCleared);
    for (Qt::KeyboardModifier mod : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        w.drag(QPointF(7, 8), QPointF(11, 10), mod);
        w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton, mod);
        w.mouse(QEvent::MouseButtonRelease, QPointF(3, 3), Qt::RightButton);
    }
    QCOMPARE(w.regionLabel(), QString("(4, 3)-(9, 7)"));
    QCOMPARE(regions.count() + cleared.count(), 2);
    w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton);
    QCOMPARE(w.regionLabel(), QString());
    QCOMPARE(cleared.count(), 1);

    // Positions just outside the image read as pixel 0.
    QSignalSpy within(&w.disp, &ImgDisp::mMovedWithin);
    w.mouse(QEvent::MouseMove, QPointF(-0.5, 7.3));
    QCOMPARE(within.at(0), QVariantList({0, 7}));
}

void TestDataCtrls::setRegionGivesItBack_data()
{
    QTest::addColumn<QRect>("r");
    QTest::addColumn<QString>("label");
    QTest::newRow("empty, from a click") << corners(5, 6, 4, 5) << "(5, 6)-(4, 5)";
    QTest::newRow("partly left of the image") << corners(-3, -2, 1, 1) << "(-3, -2)-(1, 1)";
}

void TestDataCtrls::setRegionGivesItBack()
{
    QFETCH(QRect, r);
    ImgDisp disp;
    QSignalSpy regions(&disp, &ImgDisp::newRegion);
    disp.setRegion(r);

    QCOMPARE(disp.regionState, 2);
    QCOMPARE(disp.regionRect(), r);
    QTEST(disp.ui.Region->text(), "label");
    QCOMPARE(regions.at(0).at(0).toRect(), r);
    // The corners a drag over exactly these pixels leaves.
    QCOMPARE(disp.curData, QPointF(r.right() + 1, r.bottom() + 1));

    // Restoring again and again does not wear the region down.
    for (int i = 0; i < 3; ++i)
        disp.setRegion(disp.regionRect());
    QCOMPARE(disp.regionRect(), r);
}

void TestDataCtrls::regionList()
{
    ImgDisp disp;
    disp.ui.SetARegion->click(); // no region yet
    disp.ui.DelARegion->click(); // empty list
    QCOMPARE(disp.ui.Regions->count(), 0);

    // Set puts the current region first; deleting the last entry selects the new last.
    const QVector<QRect> made = {corners(1, 1, 2, 2), corners(3, 4, 5, 6), corners(0, 0, 9, 9)};
    for (const QRect &r : made) {
        disp.setRegion(r);
        disp.ui.SetARegion->click();
    }
    QCOMPARE(disp.ui.Regions->currentText(), QString("(0,0)-(9,9)"));
    disp.ui.Regions->setCurrentIndex(2);
    disp.ui.DelARegion->click();
    QCOMPARE(QVector<QRect>({disp.listedRegion(0), disp.listedRegion(1)}), QVector<QRect>({made[2], made[1]}));
    QCOMPARE(disp.currentListedRegion(), made.at(1));

    // Out-of-range insert positions are clamped; an index past the list gives no rectangle.
    disp.insertRegion(9, corners(7, 7, 7, 7));
    disp.insertRegion(-4, corners(8, 8, 8, 8));
    QCOMPARE(disp.listedRegion(0), corners(8, 8, 8, 8));
    QCOMPARE(disp.listedRegion(3), corners(7, 7, 7, 7));
    QCOMPARE(disp.listedRegion(7), QRect());
}

void TestDataCtrls::greyDefault()
{
    // The default decides new windows only.
    ImgDisp::setGrayScaleDefault(true);
    ImgDisp grey;
    ImgDisp::setGrayScaleDefault(false);
    QVERIFY(grey.ui.GrayScale->isChecked());
    QCOMPARE(grey.ui.CBar->format, 24);
    QCOMPARE(ImgDisp().ui.CBar->format, 13);

    // Likewise for square pixels; Ctrl+1 switches one window.
    ImgDisp::setSquarePixelsDefault(true);
    ImgDisp square;
    ImgDisp::setSquarePixelsDefault(false);
    QVERIFY(square.chCoord.squarePixels() && !grey.chCoord.squarePixels());
    square.show();
    QVERIFY(QTest::qWaitForWindowActive(&square));
    QTest::keyClick(&square, Qt::Key_1, Qt::ControlModifier);
    QVERIFY(!square.chCoord.squarePixels());
}

void TestDataCtrls::setDataShowsDataset()
{
    // Without a dataset there is no view: no zoom, and Scale Reset does nothing.
    DataCtrl row;
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no zoom from a view without extent");
    emit row.imgDisp.wMoved(1);
    emit row.imgDisp.scaleReset();
    QCOMPARE(row.viewRect, QRectF());

    TDData *d = ramp(20, 10);
    row.setData(d);
    QCOMPARE(row.ui.FName->text(), QString("ramp"));
    QCOMPARE(row.imgDisp.ui.CBar->scaleMax, 919.0);
    QCOMPARE(row.viewRect, QRectF(0, 0, 20, 10));
    // A scale change (here to grey) renders the dataset again.
    row.imgDisp.ui.GrayScale->setChecked(true);
    QCOMPARE(d->img->format(), QImage::Format_Grayscale8);

    // The dataset already attached is refused without releasing it.
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no new dataset to attach");
    row.setData(d);
    QPointer<TDData> old = d;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old);

    // A converted record replaces the dataset, which goes once control returns to the event loop.
    ImgData rec;
    rec.fileName = QStringLiteral("/some/dir/shot.a.qlv");
    rec.width = 3;
    rec.height = 2;
    rec.sampleKind = ImgData::Double;
    for (int y = 0; y < 2; ++y)
        rec.rows.append(new double[3]{10.0 * y + 1, 10.0 * y + 2, 10.0 * y + 3});
    row.setImage(&rec);
    QCOMPARE(row.ui.FName->text(), QString("shot"));
    QCOMPARE(row.data(false)->value(2, 1), 13.0);
    QVERIFY(old);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!old);
}

void TestDataCtrls::regionItemsRoundTrip()
{
    DataCtrl first;
    TDData *d = ramp(20, 10);
    DataInfo *peaks = item(DataInfo::PeakList, {}, {{1, 2}});
    auto *other = new DataInfo(7, QStringLiteral("other"));
    d->infos = {peaks, item(DataInfo::Region), other};
    first.setData(d);
    first.imgDisp.insertRegion(0, corners(2, 3, 9, 8));
    first.imgDisp.setRegion(corners(4, 1, 9, 3));

    for (int call = 0; call < 2; ++call) {
        QTest::ignoreMessage(QtDebugMsg, "Adding Region Info");
        QCOMPARE(first.data(true), d);
    }
    // Old region items replaced, not piled up; the rest keep their order.
    QCOMPARE(kinds(d), QVector<int>({1, 7, 3, 2}));
    QCOMPARE(d->infos[0], peaks);
    QCOMPARE(d->infos[1], other);

    // A derived dataset inherits the items, as every processing result does, and shows them.
    TDData *derived = ramp(20, 10);
    d->copyInfos(derived);
    DataCtrl second;
    second.setData(derived);
    QCOMPARE(second.imgDisp.listedRegion(0), corners(2, 3, 9, 8));
    QCOMPARE(second.imgDisp.regionRect(), corners(4, 1, 9, 3));

    // A right click clears the region: the dataset no longer claims one.
    first.imgDisp.regionState = ImgDisp::NoRegion;
    emit first.imgDisp.regionCleared();
    QVERIFY(!d->regionSet);
    QCOMPARE(first.data(true), d);
    QCOMPARE(kinds(d), QVector<int>({1, 7, 2}));
}

void TestDataCtrls::readOutAndZoom()
{
    ShownRow shown;
    QSignalSpy pointAt(&shown.row, &DataCtrl::pointAt);
    sendMouse(shown.area(), QEvent::MouseMove, QPoint(3 * 20 + 3, 2 * 30 + 7));
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), QString("-- (3, 2)"));
    sendMouse(shown.area(), QEvent::MouseMove, QPoint(5 * 20 + 3, 4 * 30 + 7));
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), QString("405 (5, 4)"));
    // Outside the data the label keeps its text, but the position still goes out.
    emit shown.row.imgDisp.mMovedWithin(20, 3);
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), QString("405 (5, 4)"));
    QCOMPARE(pointAt.last(), QList<QVariant>({20, 3}));

    // The wheel zooms out and in by a notch about the data point under the mouse.
    const ChCoord &cc = shown.row.imgDisp.chCoord;
    const QVector<QPair<QPoint, int>> steps = {{QPoint(117, 83), -120}, {QPoint(301, 222), 120}};
    for (const auto &step : steps) {
        const QPoint at = step.first;
        const QRectF before = shown.row.viewRect;
        const double factor = step.second < 0 ? 1.1 : 0.9;
        sendMouse(shown.area(), QEvent::MouseMove, at);
        const double cx = cc.toDataX(at.x());
        const double cy = cc.toDataY(at.y());
        sendWheel(shown.area(), at, step.second);
        const QRectF &v = shown.row.viewRect;
        QVERIFY(qAbs(v.width() - before.width() * factor) < 1e-9);
        QVERIFY(qAbs(v.height() - before.height() * factor) < 1e-9);
        QVERIFY(qAbs(cc.toDataX(at.x()) - cx) < 1e-9 && qAbs(cc.toDataY(at.y()) - cy) < 1e-9);
    }
    QTest::mouseClick(shown.row.imgDisp.ui.ScaleReset, Qt::LeftButton);
    QCOMPARE(shown.row.viewRect, QRectF(0, 0, 20, 10));
}

void TestDataCtrls::drawsImageAndMarks()
{
    // The ramp renders from black at the left top to white at the right bottom; the marks on
    // the right half stand out against its dark top rows.
    auto *d = ramp(20, 10);
    d->infos.append(item(DataInfo::PeakList, {}, {{5.0, 6.0}}));
    ShownRow shown(d);
    DataCtrl &row = shown.row;
    row.imgDisp.setRegion(corners(14, 1, 17, 3));
    row.imgDisp.insertRegion(0, corners(15, 6, 18, 8));
    row.noticedAt(12, 7);

    const QImage img = shown.area()->grab().toImage();
    QCOMPARE(img.pixelColor(70, 75), QColor(210, 220, 210)); // the invalid pixel (3, 2)
    QCOMPARE(img.pixelColor(375, 265), QColor(255, 255, 255));
    // Crosshair on the left and top edge of (12, 7), region outlines on the outer widget pixels
    // of their data pixels, each light line with a dark one beside it; then the peak cross at (5, 6).
    const QColor dark(40, 40, 40);
    const QColor crosshair(240, 255, 240);
    const QVector<QPair<QPoint, QColor>> marks = {
        {{228, 5}, crosshair}, {{229, 5}, dark}, {{5, 189}, crosshair}, {{5, 190}, dark},
        {{266, 30}, ColorBar0::markColor(1)}, {{265, 30}, dark}, {{341, 30}, ColorBar0::markColor(1)},
        {{342, 30}, dark}, {{300, 107}, ColorBar0::markColor(1)}, {{300, 108}, dark},
        {{285, 200}, QColor(190, 190, 240)}, {{360, 200}, QColor(190, 190, 240)}, {{96, 163}, QColor(190, 190, 240)}};
    for (const auto &mark : marks)
        QCOMPARE(img.pixelColor(mark.first), mark.second);
    // A region being dragged has its own colour.
    row.imgDisp.regionState = ImgDisp::Dragging;
    QCOMPARE(shown.area()->grab().toImage().pixelColor(266, 30), ColorBar0::markColor(0));
}

// Peaks out of sight change nothing on screen; with more than maxLabelledPeaks in sight only
// their crosses are drawn.
void TestDataCtrls::peaksMarkedInSight()
{
    QPoint cross;
    auto grabWith = [&cross](const QVector<QPointF> &points) {
        auto *d = ramp(20, 10);
        d->infos.append(item(DataInfo::PeakList, {}, points));
        ShownRow shown(d);
        const ChCoord &cc = shown.row.imgDisp.chCoord;
        cross = QPoint(int(cc.toWidgetX(5.0)), int(cc.toWidgetY(6.0)));
        return shown.area()->grab().toImage();
    };
    const QImage none = grabWith({});
    const QImage one = grabWith({{5.0, 6.0}});
    QVector<QPointF> hidden{{5.0, 6.0}};
    for (int k = 0; k < 3000; ++k)
        hidden.append({-1000.0 - k, k % 2 ? 1e6 : 5.0});
    QCOMPARE(grabWith(hidden), one);

    const QImage crowded = grabWith(QVector<QPointF>(DataCtrl::maxLabelledPeaks + 1, {5.0, 6.0}));
    QCOMPARE(crowded.pixelColor(cross), one.pixelColor(cross));
    QVERIFY(one.pixelColor(cross) != none.pixelColor(cross));
    const QRect label = QRect(cross.x() - 20, cross.y() - 20, 400, 16) & one.rect();
    bool labelled = false;
    for (int y = label.top(); y <= label.bottom(); ++y) {
        for (int x = label.left(); x <= label.right(); ++x) {
            labelled = labelled || one.pixel(x, y) != none.pixel(x, y);
            QCOMPARE(crowded.pixel(x, y), none.pixel(x, y));
        }
    }
    QVERIFY(labelled);
}

void TestDataCtrls::drawDegenerate()
{
    // No image, and one pixel: a data range without extent maps every position to inf or NaN.
    for (int size : {0, 1}) {
        DataCtrl row;
        TDData *d = size ? ramp(1, 1) : new TDData(0, 0);
        d->infos = {item(DataInfo::PeakList, {}, {{0.0, 0.0}, {1e300, qQNaN()}}),
                    item(DataInfo::RegionList, {corners(0, 0, 0, 0)})};
        row.setData(d);
        row.imgDisp.setRegion(corners(0, 0, 0, 0));
        row.noticedAt(0, 0);
        const QImage img = row.imgDisp.ui.ImgDispA->grab().toImage();
        QVERIFY(!img.isNull());
        if (!size)
            QCOMPARE(img.pixelColor(img.width() / 2, img.height() / 2), QColor(255, 255, 255));
    }
}

void TestDataCtrls::readOutIsDrawnPixel_data()
{
    QTest::addColumn<int>("notches");  // wheel notches at (200, 100), in when positive
    QTest::addColumn<QPoint>("pan");   // then a middle-button drag from there by this much
    QTest::addColumn<bool>("square");  // data pixels kept square
    for (const bool square : {false, true}) {
        const char *mode = square ? ", square" : "";
        QTest::addRow("first view%s", mode) << 0 << QPoint() << square;
        QTest::addRow("zoomed in%s", mode) << 7 << QPoint() << square;
        QTest::addRow("zoomed out%s", mode) << -5 << QPoint() << square;
        QTest::addRow("zoomed in and panned%s", mode) << 3 << QPoint(-37, 23) << square;
    }
}

void TestDataCtrls::readOutIsDrawnPixel()
{
    QFETCH(int, notches);
    QFETCH(QPoint, pan);
    QFETCH(bool, square);
    // 100 x 50 pixels in 571 x 293: widget and data pixels do not divide evenly.
    ImgDisp::setSquarePixelsDefault(square);
    ShownRow shown(pattern(100, 50), QSize(571, 293));
    ImgDisp::setSquarePixelsDefault(false);
    shown.area()->bgColor = Qt::blue;  // in no colour table
    const QPoint centre(200, 100);
    sendMouse(shown.area(), QEvent::MouseMove, centre);
    const ChCoord &cc = shown.row.imgDisp.chCoord;
    const QPointF under(cc.toDataX(centre.x()), cc.toDataY(centre.y()));
    if (notches)
        sendWheel(shown.area(), centre, 120 * notches);
    // The zoom keeps the data point under the mouse, and square pixels stay square.
    QVERIFY(qAbs(cc.toDataX(centre.x()) - under.x()) < 1e-9 && qAbs(cc.toDataY(centre.y()) - under.y()) < 1e-9);
    QCOMPARE(qFuzzyCompare(cc.toWidgetX(1) - cc.toWidgetX(0), cc.toWidgetY(1) - cc.toWidgetY(0)), square);
    if (!pan.isNull()) {
        const double x = shown.row.viewRect.x();
        sendMouse(shown.area(), QEvent::MouseButtonPress, centre, Qt::MiddleButton);
        sendMouse(shown.area(), QEvent::MouseMove, centre + pan, Qt::MiddleButton);
        sendMouse(shown.area(), QEvent::MouseButtonRelease, centre + pan, Qt::MiddleButton);
        QVERIFY(shown.row.viewRect.x() > x);
    }

    // Every widget column along one row and every row along one column: the colour drawn there
    // is the colour of the pixel the read-out names.
    const QImage drawn = shown.area()->grab().toImage();
    const QImage &img = *shown.row.data(false)->img;
    int imageColumns = 0;
    for (int c = 0; c < drawn.width(); ++c) {
        const QPoint at(c, centre.y());
        if (drawn.pixelColor(at) != QColor(Qt::blue) && ++imageColumns)
            QCOMPARE(drawn.pixelColor(at), img.pixelColor(shown.readOut(at)));
    }
    QVector<int> imageRows;
    for (int r = 0; r < drawn.height(); ++r) {
        const QPoint at(centre.x(), r);
        if (drawn.pixelColor(at) != QColor(Qt::blue) && (imageRows << r).size())
            QCOMPARE(drawn.pixelColor(at), img.pixelColor(shown.readOut(at)));
    }
    QVERIFY(imageColumns > (notches < 0 ? 100 : 500));
    // The first view is the one Scale Reset gives: the whole width, the rows centred (square
    // pixels leave bands above and below) or the whole height.
    if (notches == 0 && pan.isNull()) {
        const int above = imageRows.first();
        const int below = drawn.height() - 1 - imageRows.last();
        QVERIFY(qAbs(above - below) <= 1 && (above > 0) == square && imageColumns == drawn.width());
        QTest::mouseClick(shown.row.imgDisp.ui.ScaleReset, Qt::LeftButton);
        QCOMPARE(shown.area()->grab().toImage(), drawn);
    }

    // The crosshair of a pixel lies on its first widget column and row, the last pixel included.
    for (QPoint px : {shown.readOut(centre), QPoint(99, 49)}) {
        shown.row.noticedAt(px.x(), px.y());
        const QImage marked = shown.area()->grab().toImage();
        QPoint line(-1, -1);
        for (int c = 0; c < marked.width(); ++c)
            line.rx() = marked.pixelColor(c, 1) == QColor(240, 255, 240) ? c : line.x();
        for (int r = 0; r < marked.height(); ++r)
            line.ry() = marked.pixelColor(1, r) == QColor(240, 255, 240) ? r : line.y();
        // Only the last pixel may be off a zoomed view; the first view shows every crosshair.
        if (line.x() < 0 || line.y() < 0) {
            QVERIFY(px == QPoint(99, 49) && notches > 0);
            continue;
        }
        QCOMPARE(shown.readOut(line), px);
        QCOMPARE(shown.readOut(line - QPoint(1, 1)), px - QPoint(1, 1));
    }
}

void TestDataCtrls::zoomBounds()
{
    ShownRow shown(ramp(20, 10));
    const QPoint at(190, 135);
    sendMouse(shown.area(), QEvent::MouseMove, at);
    const QRectF &v = shown.row.viewRect;
    // Far in: no less than one data pixel across; one notch out still works.
    sendWheel(shown.area(), at, 120 * 400);
    QCOMPARE(qMin(v.width(), v.height()), 1.0);
    const double w = v.width();
    sendWheel(shown.area(), at, -120);
    QVERIFY(qAbs(v.width() - w * 1.1) < 1e-9);
    // Far out: no more than a thousand times the dataset; one notch in still works.
    sendWheel(shown.area(), at, -120 * 400);
    QVERIFY(v.width() <= 20000 && v.height() <= 10000);
    QVERIFY(qMax(v.width() / 20000, v.height() / 10000) > 1 - 1e-9);
    const double h = v.height();
    sendWheel(shown.area(), at, 120);
    QVERIFY(qAbs(v.height() - h * 0.9) < 1e-6);
}

void TestDataCtrls::drawViewShowsReadOutPixels_data()
{
    QTest::addColumn<QRectF>("view");
    QTest::newRow("zoom in") << QRectF(3.3, 2.7, 5.9, 4.1);
    QTest::newRow("zoom out") << QRectF(-7.4, -5.2, 41.3, 30.9);
    QTest::newRow("past right bottom") << QRectF(15.2, 9.6, 12.3, 10.1);
    QTest::newRow("outside") << QRectF(30.5, 2.0, 5.0, 5.0);
}

void TestDataCtrls::drawViewShowsReadOutPixels()
{
    QFETCH(QRectF, view);
    QRandomGenerator rng(7);
    ChCoord cc;
    cc.setWidgetRange(0, 83, 97, 0);
    cc.setRange(view.left(), view.bottom(), view.right(), view.top());
    for (QImage::Format format : {QImage::Format_RGB888, QImage::Format_Grayscale8}) {
        QImage img(23, 17, format);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.bytesPerLine(); ++x)
                img.scanLine(y)[x] = uchar(rng.bounded(256));
        // Each widget pixel shows the image pixel under its top left corner, or stays white.
        QImage expected(97, 83, QImage::Format_RGB32);
        expected.fill(Qt::white);
        for (int r = 0; r < expected.height(); ++r) {
            for (int c = 0; c < expected.width(); ++c) {
                const QPointF d(view.x() + c * view.width() / 97, view.y() + r * view.height() / 83);
                if (d.x() >= 0 && d.y() >= 0 && img.valid(int(d.x()), int(d.y())))
                    expected.setPixel(c, r, img.pixel(int(d.x()), int(d.y())));
            }
        }
        QImage actual(expected.size(), QImage::Format_RGB32);
        actual.fill(Qt::white);
        QPainter p(&actual);
        DataCtrl::drawView(&p, img, cc, actual.size());
        p.end();
        QCOMPARE(actual, expected);
    }
}

void TestDataCtrls::labelsKeepTheirWidth()
{
    // Read-outs, regions and kept regions of any length leave the window's width alone; the list
    // shows whole entries of regions inside the image.
    ShownRow shown(ramp(1000, 100), QSize(300, 200));
    ImgDisp &disp = shown.row.imgDisp;
    const int width = disp.minimumSizeHint().width();
    const QSize window = disp.size();
    disp.showPosVal(999, 99, -1.23456e-300, true);
    for (const QRect &r : {corners(998, 97, 999, 99), corners(-123456, -7, 999999, 99)}) {
        disp.setRegion(r);
        disp.ui.SetARegion->click();
        QCoreApplication::processEvents();
        QCOMPARE(disp.minimumSizeHint().width(), width);
        QCOMPARE(disp.size(), window);
    }
    QCOMPARE(disp.ui.Region->text(), QString("(-123456, -7)-(999999, 99)"));
    QVERIFY(disp.ui.Region->shownText().endsWith(QChar(0x2026)));
    // Given room, the list shows a whole entry; its drop-down always does.
    const int entry = disp.ui.Regions->fontMetrics().horizontalAdvance(disp.ui.Regions->itemText(1));
    QVERIFY(disp.ui.Regions->sizeHint().width() > entry && disp.ui.Regions->view()->minimumWidth() > entry);
}

void TestDataCtrls::numbersDeleteAndHelpers()
{
    Rows rows(3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i]->ui.No->text(), QString::number(i + 1));
        QCOMPARE(rows.tabLabel(rows[i]), QString::number(i + 1));
    }
    QCOMPARE(rows.tabs()->currentWidget(), &rows[2]->imgDisp);
    // Adding again or adding null is ignored.
    rows.manager.addDataCtrl(rows[0]);
    rows.manager.addDataCtrl(nullptr);
    QCOMPARE(rows.manager.singleSels1Group.buttons().size(), 3);

    // Del republishes the selection at once, so consumers never see a deleted row, and releases
    // row, display and dataset later: they stay usable by whoever handles the click.
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows[0]->ui.MultiSelA->click();
    rows[1]->ui.SingleSel1->click();
    spy.clear();
    QPointer<DataCtrl> row = rows[1];
    QPointer<TDData> data = row->data(false);
    row->ui.Del->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(published(spy.last(), S1), Sels(2, false));
    QCOMPARE(published(spy.last(), A), Sels({true, false}));
    QVERIFY(!rows.manager.singleSels1Group.checkedButton());
    QVERIFY(row && data);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!row);
    QCOMPARE(rows.tabs()->count(), 2);
    QTRY_VERIFY(!data);

    // Adding publishes nothing; numbers are never reused.
    DataCtrl *fourth = rows.add();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(rows.manager.dataCtrls, QList<DataCtrl *>({rows[0], rows[2], fourth}));
    QCOMPARE(rows.tabLabel(fourth), QString("4"));

    // The helpers consumers use never index past the row list or a vector, whether that is longer
    // (published before a row went) or shorter.
    QVERIFY(!rows.manager.ctrlAt(3));
    QVERIFY(!rows.manager.ctrlAt(-1));
    QCOMPARE(rows.manager.selectedCtrls({true, false, true, true, true}), QList<DataCtrl *>({rows[0], fourth}));
    QCOMPARE(rows.manager.selectedCtrls({false, true}), QList<DataCtrl *>({rows[2]}));
    QRadioButton stranger;
    QVERIFY(!rows.manager.ctrlOf(&stranger));
    QCOMPARE(rows.manager.ctrlOf(fourth->ui.MultiSelB), fourth);

    // A row destroyed elsewhere is forgotten too; a stray deleteMe from an unmanaged row changes nothing.
    delete rows[0];
    rows[2]->ui.MultiSelA->click();
    QCOMPARE(published(spy.last(), A), Sels({true, false}));
    DataCtrl unmanaged;
    connect(&unmanaged, SIGNAL(deleteMe()), &rows.manager, SLOT(deleteAnDC()));
    unmanaged.ui.Del->click();
    QCOMPARE(rows.manager.dataCtrls.size(), 2);

    // Once the numbers outgrow their column, every row's number takes the widest one's width, so
    // that the controls of all rows line up.
    rows.manager.ctrlCounter = 9998;
    rows.add();
    DataCtrl *last = rows.add();
    QCOMPARE(last->ui.No->text(), QString("10000"));
    QVERIFY(last->ui.No->sizeHint().width() > 25);
    for (DataCtrl *row : qAsConst(rows.manager.dataCtrls))
        QCOMPARE(row->ui.No->minimumWidth(), last->ui.No->sizeHint().width());
}

void TestDataCtrls::selectionsFocusAndCrosshair()
{
    Rows rows(3);
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows[0]->ui.SingleSel1->click();
    rows[1]->ui.SingleSel2->click();
    rows[0]->ui.MultiSelA->click();
    rows[2]->ui.MultiSelA->click();
    rows[1]->ui.MultiSelB->click();
    QCOMPARE(spy.count(), 5);
    QCOMPARE(published(spy.last(), A), Sels({true, false, true}));
    QCOMPARE(published(spy.last(), B), Sels({false, true, false}));

    // Moving a single choice: the button that lost the check and the one that gained it each
    // publish the vectors as they then stand; the other group stays as it was.
    spy.clear();
    rows[2]->ui.SingleSel1->click();
    QCOMPARE(spy.count(), 2);
    QVERIFY(!rows[0]->ui.SingleSel1->isChecked());
    for (const QList<QVariant> &args : qAsConst(spy)) {
        QCOMPARE(published(args, S1), Sels({false, false, true}));
        QCOMPARE(published(args, S2), Sels({false, true, false}));
    }

    // Focus is announced once per row and shown on the row under the mouse only.
    QSignalSpy focusedA(rows[0], &DataCtrl::focused);
    moveOver(rows[0]);
    moveOver(rows[0]);
    QCOMPARE(focusedA.count(), 1);
    moveOver(rows[1]);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->ui.Stat->styleSheet(), i == 1 ? FocusedStyle : NotFocusedStyle);

    // The crosshair goes to every row, also outside the data (where it is just not drawn).
    emit rows[2]->imgDisp.mMovedWithin(-1, 2);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->noticedPos, QPoint(-1, 2));
    QCOMPARE(rows[2]->ui.Stat->styleSheet(), FocusedStyle);
}

void TestDataCtrls::tabsAndFreeWindows()
{
    auto *page = new QWidget;
    QPointer<QWidget> guard(page);
    {
        Rows rows(2);
        // Whatever happens to the tabs, a display that shows repaints.
        auto shownTakeUpdates = [&rows] {
            for (const QPointer<DataCtrl> &row : qAsConst(rows.rows)) {
                if (row && row->imgDisp.isVisible() && !row->imgDisp.updatesEnabled())
                    return false;
            }
            return true;
        };
        QCOMPARE(rows.tabs()->count(), 2); // the form's placeholder pages are gone
        ImgDisp *disp = &rows[1]->imgDisp;
        // A new page is laid out to the tab window at once, not shown at its form's size.
        QCOMPARE(disp->geometry(), rows.tabs()->currentWidget()->parentWidget()->contentsRect());

        // Show box and page in step: choosing the tab of a hidden display shows it and checks
        // its box; checking the box of a page behind another brings it to the front.
        rows[0]->ui.Show->setChecked(false);
        rows.tabs()->setCurrentIndex(0);
        QVERIFY(rows[0]->ui.Show->isChecked() && rows[0]->imgDisp.isVisible());
        rows[1]->ui.Show->setChecked(false);
        rows[1]->ui.Show->setChecked(true);
        QCOMPARE(rows.tabs()->currentWidget(), disp);
        rows.tabs()->setCurrentIndex(0);
        QVERIFY(shownTakeUpdates());

        QTest::ignoreMessage(QtDebugMsg, "close Tab");
        emit rows.tabs()->tabCloseRequested(1);
        QVERIFY(disp->isWindow() && disp->isVisible());
        QVERIFY(rows[1]->ui.Show->isChecked());
        QVERIFY(shownTakeUpdates());

        // Closing the free window brings the display back as the current tab.
        disp->close();
        QVERIFY(!rows[1]->ui.Show->isChecked() && !disp->isVisible());
        QCOMPARE(rows.tabLabel(rows[1]), QString("2"));
        QCOMPARE(rows.tabs()->currentWidget(), disp);
        rows[1]->ui.Show->setChecked(true);
        QVERIFY(shownTakeUpdates());
        rows.tabs()->setCurrentIndex(0);
        QVERIFY(shownTakeUpdates());

        // Without tabbing new displays are windows; closing one still brings it into the tabs.
        rows.manager.inTab(false);
        DataCtrl *row = rows.add();
        QVERIFY(row->imgDisp.isWindow() && row->imgDisp.isVisible());
        QCOMPARE(rows.tabs()->indexOf(&row->imgDisp), -1);
        row->imgDisp.close();
        QCOMPARE(rows.tabLabel(row), QString("3"));

        // An index past the tabs closes nothing.
        QTest::ignoreMessage(QtDebugMsg, "close Tab");
        rows.manager.imgBase.closeTab(5);
        QCOMPARE(rows.tabs()->count(), 3);
        rows.tabs()->addTab(page, "page");
    }
    // The pages belong to their rows, not to the tab window.
    QVERIFY(guard);
    QVERIFY(!page->parentWidget());
    delete page;
}

// Up to the limit every tab has its close button; beyond, only the current tab, and its button
// closes its own tab.
void TestDataCtrls::closeButtonsOnManyTabs()
{
    Rows rows(ImgBase::closeButtonsUpTo);
    QTabBar *bar = rows.tabs()->tabBar();
    const auto side = QTabBar::ButtonPosition(bar->style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, bar));
    auto withButton = [&] {
        QVector<int> tabs;
        for (int i = 0; i < bar->count(); ++i) {
            if (bar->tabButton(i, side))
                tabs << i;
        }
        return tabs;
    };
    // Buttons of no tab do not pile up in the tab bar.
    auto strayButtons = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        int buttons = 0;
        for (const QAbstractButton *b : bar->findChildren<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly))
            buttons += qobject_cast<const QToolButton *>(b) ? 0 : 1;
        return buttons - withButton().size();
    };
    QCOMPARE(withButton().size(), ImgBase::closeButtonsUpTo);
    rows.add();
    QCOMPARE(withButton(), QVector<int>{ImgBase::closeButtonsUpTo});
    rows.tabs()->setCurrentIndex(3);
    QCOMPARE(withButton(), QVector<int>{3});
    QCOMPARE(strayButtons(), 0);

    QWidget *page = rows.tabs()->widget(3);
    QTest::ignoreMessage(QtDebugMsg, "close Tab");
    qobject_cast<QAbstractButton *>(bar->tabButton(3, side))->click();
    QVERIFY(page->isWindow() && page->isVisible());
    // Back at the limit, every tab has its button again, also when a tab behind the current one goes.
    QCOMPARE(withButton().size(), ImgBase::closeButtonsUpTo);
    rows.add();
    rows.tabs()->setCurrentIndex(3);
    delete rows[ImgBase::closeButtonsUpTo + 1];
    QCOMPARE(rows.tabs()->currentIndex(), 3);
    QCOMPARE(withButton().size(), ImgBase::closeButtonsUpTo);
    QCOMPARE(strayButtons(), 0);
}

QTEST_MAIN(TestDataCtrls)
#include "tst_datactrls.moc"
