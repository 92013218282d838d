#include "display/datactrl.h"

#include "data/datainfo.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/colorbar.h"

#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

namespace {

QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// A dataset whose pixel (x, y) holds x + 100 y, with pixel (3, 2) invalid.
TDData *ramp(int w, int h)
{
    auto *d = new TDData(w, h);
    d->dataId = QStringLiteral("ramp");
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            d->setValue(x, y, x + 100.0 * y);
    }
    if (w > 3 && h > 2)
        d->setValid(3, 2, false);
    return d;
}

DataInfo *regionItem(QRect r)
{
    auto *info = new DataInfo(DataInfo::Region, QString());
    info->rect = r;
    return info;
}

DataInfo *regionListItem(const QVector<QRect> &rects)
{
    auto *info = new DataInfo(DataInfo::RegionList, QString());
    info->rects = rects;
    return info;
}

DataInfo *peakItem(const QVector<QPointF> &points)
{
    auto *info = new DataInfo(DataInfo::PeakList, QStringLiteral("peaks"));
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

void sendMove(DispA *area, QPoint at)
{
    QMouseEvent e(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &e);
}

void sendWheel(DispA *area, QPoint at, int angle)
{
    QWheelEvent e(at, area->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(area, &e);
}

// A shown row with a 20 x 10 dataset whose image area is 380 x 270 pixels: with the first
// view (data 0..19 across, 0..9 down) one data unit is 20 pixels across and 30 down.
struct ShownRow
{
    ShownRow()
    {
        row.imgDisp.ui.ImgDispA->setFixedSize(380, 270);
        row.setData(ramp(20, 10));
        row.imgDisp.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row.imgDisp));
        area()->repaint();
    }
    DispA *area() { return row.imgDisp.ui.ImgDispA; }

    DataCtrl row;
};

QColor pixel(const QImage &img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

} // namespace

class TestDataCtrl : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void startsGreyWithoutCrosshair();
    void setDataShowsDataset();
    void replacedDatasetIsReleased();
    void setImageConvertsRecord();

    void dataWithRegionsKeepsOneCurrentRegion();
    void dataWithoutRegionSetDropsOldRegion();
    void setDataRestoresRegions();
    void regionsSurviveARoundTrip();

    void readOut_data();
    void readOut();

    void wheelZoomsAboutMouse_data();
    void wheelZoomsAboutMouse();
    void scaleReset();
    void zoomWithoutExtentIsRefused();

    void drawsImageAndMarks_data();
    void drawsImageAndMarks();
    void drawWithoutImage();
    void drawWithDegenerateMapping();
};

void TestDataCtrl::form()
{
    DataCtrl row;
    QCOMPARE(row.size(), QSize(533, 26));
    QCOMPARE(row.windowTitle(), QString("Frame"));
    QCOMPARE(row.sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(row.sizePolicy().verticalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(row.ui.gridLayout->contentsMargins(), QMargins(0, 0, 0, 0));

    const QList<QWidget *> widgets = {row.ui.No, row.ui.Stat, row.ui.SingleSel1, row.ui.SingleSel2,
                                      row.ui.MultiSelA, row.ui.MultiSelB, row.ui.FName, row.ui.Show, row.ui.Del};
    const QStringList names = {"No", "Stat", "SingleSel1", "SingleSel2", "MultiSelA", "MultiSelB", "FName", "Show", "Del"};
    QVERIFY(!row.ui.gridLayout->itemAtPosition(0, 0));
    for (int i = 0; i < widgets.size(); ++i) {
        QCOMPARE(widgets[i]->objectName(), names[i]);
        QCOMPARE(row.ui.gridLayout->itemAtPosition(0, i + 1)->widget(), widgets[i]);
    }

    QCOMPARE(row.ui.No->text(), QString("0"));
    QCOMPARE(row.ui.No->minimumWidth(), 25);
    QCOMPARE(row.ui.No->alignment() & (Qt::AlignRight | Qt::AlignVCenter), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(row.ui.Stat->minimumSize(), QSize(10, 15));
    QCOMPARE(row.ui.Stat->maximumSize(), QSize(10, 15));
    QCOMPARE(row.ui.Stat->frameShape(), QFrame::StyledPanel);
    QCOMPARE(row.ui.Stat->frameShadow(), QFrame::Raised);
    QCOMPARE(row.ui.SingleSel1->text(), QString("S1"));
    QCOMPARE(row.ui.SingleSel2->text(), QString("S2"));
    QCOMPARE(row.ui.MultiSelA->text(), QString("A"));
    QCOMPARE(row.ui.MultiSelB->text(), QString("B"));
    QVERIFY(row.ui.FName->isReadOnly());
    QCOMPARE(row.ui.FName->styleSheet(), QString("background-color: rgb(255, 255, 221);"));
    QCOMPARE(row.ui.Show->text(), QString("Show"));
    QVERIFY(row.ui.Show->isChecked());
    QCOMPARE(row.ui.Del->text(), QString("Del"));
    QCOMPARE(row.ui.Del->minimumWidth(), 50);
    QCOMPARE(row.ui.Del->maximumWidth(), 50);
    QCOMPARE(row.ui.Del->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(row.ui.Del->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

void TestDataCtrl::startsGreyWithoutCrosshair()
{
    DataCtrl row;
    QVERIFY(!row.focusedFlag);
    QCOMPARE(row.ui.Stat->styleSheet(), QString("background-color: rgb(190, 190, 160);"));
    QCOMPARE(row.noticedPos, QPoint(-1, -1));
    QCOMPARE(row.viewRect, QRectF());
    QVERIFY(!row.data(true));
    QVERIFY(row.imgDisp.isVisible());

    row.ui.Show->setChecked(false);
    QVERIFY(!row.imgDisp.isVisible());
}

void TestDataCtrl::setDataShowsDataset()
{
    DataCtrl row;
    TDData *d = ramp(20, 10);
    row.setData(d);
    QCOMPARE(row.data(false), d);
    QCOMPARE(row.ui.FName->text(), QString("ramp"));
    QCOMPARE(row.imgDisp.windowTitle(), QString("ramp"));
    QCOMPARE(row.imgDisp.dataWidth, 20);
    QCOMPARE(row.imgDisp.dataHeight, 10);
    const ColorBar *bar = row.imgDisp.ui.CBar;
    QCOMPARE(bar->scaleMin, 0.0);
    QCOMPARE(bar->scaleMax, 919.0);
    QVERIFY(d->img);
    QCOMPARE(d->img->size(), QSize(20, 10));
    QCOMPARE(row.viewRect, QRectF(0, 0, 20, 10));
    const ChCoord &cc = row.imgDisp.chCoord;
    QCOMPARE(cc.dx0, 0.0);
    QCOMPARE(cc.dx1, 19.0);
    QCOMPARE(cc.dy0, 9.0);
    QCOMPARE(cc.dy1, 0.0);

    // A scale change renders the dataset again.
    row.imgDisp.ui.CBar->format = ColorBar0::FormatGrayscale8;
    emit row.imgDisp.ui.CBar->cBarUpdating();
    QVERIFY(d->img);
    QCOMPARE(d->img->format(), QImage::Format_Grayscale8);

    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no new dataset to attach");
    row.setData(nullptr);
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no new dataset to attach");
    row.setData(d);
    QCOMPARE(row.data(false), d);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(d->width, 20);
}

void TestDataCtrl::replacedDatasetIsReleased()
{
    QPointer<TDData> first = ramp(4, 4);
    QPointer<TDData> second = ramp(5, 5);
    {
        DataCtrl row;
        row.setData(first);
        row.setData(second);
        // Still valid until control returns to the event loop.
        QVERIFY(first);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(second);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!second);
}

void TestDataCtrl::setImageConvertsRecord()
{
    ImgData rec;
    rec.fileName = QStringLiteral("/some/dir/shot.a.qlv");
    rec.width = 3;
    rec.height = 2;
    rec.sampleKind = ImgData::Double;
    for (int y = 0; y < 2; ++y) {
        auto *samples = new double[3];
        for (int x = 0; x < 3; ++x)
            samples[x] = 10.0 * y + x + 1;
        rec.rows.append(samples);
    }

    DataCtrl row;
    row.setImage(&rec);
    const TDData *d = row.data(false);
    QVERIFY(d);
    QCOMPARE(d->dataId, QString("shot"));
    QCOMPARE(row.ui.FName->text(), QString("shot"));
    QCOMPARE(d->width, 3);
    QCOMPARE(d->height, 2);
    QCOMPARE(d->value(2, 1), 13.0);
    QVERIFY(d->isValid(0, 0));
    QCOMPARE(d->minVal, 0.0);
    QCOMPARE(d->maxVal, 13.0);

    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no image record to convert");
    row.setImage(nullptr);
    QCOMPARE(row.data(false), d);
}

void TestDataCtrl::dataWithRegionsKeepsOneCurrentRegion()
{
    DataCtrl row;
    TDData *d = ramp(20, 10);
    DataInfo *peaks = peakItem({{1, 2}});
    d->infos.append(peaks);
    d->infos.append(regionItem(corners(1, 1, 2, 2)));
    auto *other = new DataInfo(7, QStringLiteral("other"));
    d->infos.append(other);
    row.setData(d);

    row.imgDisp.setRegion(corners(3, 4, 8, 6));
    row.imgDisp.insertRegion(0, corners(0, 0, 5, 5));

    for (int call = 0; call < 2; ++call) {
        QTest::ignoreMessage(QtDebugMsg, "Adding Region Info");
        QCOMPARE(row.data(true), d);
    }
    QCOMPARE(kinds(d), QVector<int>({1, 7, 3, 2}));
    QCOMPARE(d->infos[0], peaks);
    QCOMPARE(d->infos[1], other);
    QCOMPARE(d->infos[2]->rect, row.imgDisp.regionRect());
    QVERIFY(d->infos[2]->name.isEmpty());
    QCOMPARE(d->infos[3]->rects, QVector<QRect>({corners(0, 0, 5, 5)}));
    QVERIFY(d->infos[3]->name.isEmpty());
    QCOMPARE(d->region, row.imgDisp.regionRect());
    QVERIFY(d->regionSet);
}

void TestDataCtrl::dataWithoutRegionSetDropsOldRegion()
{
    DataCtrl row;
    TDData *d = ramp(20, 10);
    d->infos.append(regionItem(corners(1, 1, 2, 2)));
    row.setData(d);

    // A right click clears the region: the dataset no longer claims one.
    row.imgDisp.regionState = ImgDisp::NoRegion;
    emit row.imgDisp.regionCleared();
    QVERIFY(!d->regionSet);
    QCOMPARE(row.data(true), d);
    QVERIFY(d->infos.isEmpty());
}

void TestDataCtrl::setDataRestoresRegions()
{
    DataCtrl row;
    TDData *d = ramp(20, 10);
    d->infos.append(regionListItem({corners(1, 1, 4, 4), corners(2, 3, 9, 8)}));
    d->infos.append(peakItem({{5, 5}}));
    d->infos.append(regionItem(corners(6, 2, 12, 7)));
    row.setData(d);

    QCOMPARE(row.imgDisp.ui.Regions->count(), 2);
    QCOMPARE(row.imgDisp.listedRegion(0), corners(1, 1, 4, 4));
    QCOMPARE(row.imgDisp.listedRegion(1), corners(2, 3, 9, 8));
    QCOMPARE(row.imgDisp.regionState, int(ImgDisp::RegionSet));
    QCOMPARE(row.imgDisp.regionRect(), corners(6, 2, 12, 7));
    QVERIFY(d->regionSet);
    QCOMPARE(d->region, corners(6, 2, 12, 7));
    QCOMPARE(d->infos.size(), 3);
}

void TestDataCtrl::regionsSurviveARoundTrip()
{
    DataCtrl first;
    first.setData(ramp(20, 10));
    first.imgDisp.setRegion(corners(2, 2, 7, 5));
    first.imgDisp.ui.SetARegion->click();
    first.imgDisp.setRegion(corners(4, 1, 9, 3));

    // A derived dataset inherits the items, as every processing result does.
    QTest::ignoreMessage(QtDebugMsg, "Adding Region Info");
    TDData *derived = ramp(20, 10);
    first.data(true)->copyInfos(derived);
    DataCtrl second;
    second.setData(derived);

    QCOMPARE(second.imgDisp.ui.Regions->count(), 1);
    QCOMPARE(second.imgDisp.listedRegion(0), first.imgDisp.listedRegion(0));
    QCOMPARE(second.imgDisp.regionRect(), first.imgDisp.regionRect());
    QCOMPARE(derived->region, corners(4, 1, 9, 3));
}

void TestDataCtrl::readOut_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QString>("text");
    // Widget pixels; one data unit is 20 pixels across and 30 down.
    QTest::newRow("valid") << QPoint(5 * 20 + 3, 4 * 30 + 7) << QString("405 (5, 4)");
    QTest::newRow("invalid") << QPoint(3 * 20 + 3, 2 * 30 + 7) << QString("-- (3, 2)");
    QTest::newRow("large") << QPoint(19 * 20 - 1, 9 * 30 - 1) << QString("818 (18, 8)");
}

void TestDataCtrl::readOut()
{
    QFETCH(QPoint, at);
    QFETCH(QString, text);
    ShownRow shown;
    QSignalSpy pointAt(&shown.row, &DataCtrl::pointAt);
    QSignalSpy focused(&shown.row, &DataCtrl::focused);
    sendMove(shown.area(), at);
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), text);
    QCOMPARE(pointAt.count(), 1);
    QVERIFY(shown.row.focusedFlag);
    QCOMPARE(shown.row.ui.Stat->styleSheet(), QString("background-color: rgb(249, 240, 107);"));
    QCOMPARE(focused.count(), 1);

    // Outside the data the label keeps its text, but the position still goes out.
    emit shown.row.imgDisp.mMovedWithin(-1, 3);
    emit shown.row.imgDisp.mMovedWithin(20, 3);
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), text);
    QCOMPARE(pointAt.count(), 3);
    QCOMPARE(pointAt.last(), QList<QVariant>({20, 3}));
    QCOMPARE(focused.count(), 1);
}

void TestDataCtrl::wheelZoomsAboutMouse_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<double>("factor");
    QTest::newRow("towards the user") << -120 << 1.1;
    QTest::newRow("away") << 120 << 0.9;
    QTest::newRow("below a notch") << 60 << 0.9;
    QTest::newRow("two notches back") << -240 << 1.1;
}

void TestDataCtrl::wheelZoomsAboutMouse()
{
    QFETCH(int, angle);
    QFETCH(double, factor);
    ShownRow shown;
    const ChCoord &cc = shown.row.imgDisp.chCoord;
    // Start from the full-extent view, then zoom twice about different points.
    emit shown.row.imgDisp.scaleReset();
    for (const QPoint at : {QPoint(117, 83), QPoint(301, 222)}) {
        const QRectF before = shown.row.viewRect;
        sendMove(shown.area(), at);
        const double cx = cc.toDataX(at.x());
        const double cy = cc.toDataY(at.y());
        sendWheel(shown.area(), at, angle);

        const QRectF &v = shown.row.viewRect;
        QVERIFY(qAbs(v.x() - (cx + (before.x() - cx) * factor)) < 1e-9);
        QVERIFY(qAbs(v.y() - (cy + (before.y() - cy) * factor)) < 1e-9);
        QVERIFY(qAbs(v.width() - before.width() * factor) < 1e-9);
        QVERIFY(qAbs(v.height() - before.height() * factor) < 1e-9);
        // The data point under the mouse stays where it was on the screen.
        QVERIFY(qAbs(cc.toDataX(at.x()) - cx) < 1e-9);
        QVERIFY(qAbs(cc.toDataY(at.y()) - cy) < 1e-9);
        // Top of the view at the top edge, bottom at the bottom edge.
        QCOMPARE(cc.dx0, v.left());
        QCOMPARE(cc.dx1, v.left() + v.width());
        QCOMPARE(cc.dy1, v.top());
        QCOMPARE(cc.dy0, v.top() + v.height());
    }
}

void TestDataCtrl::scaleReset()
{
    ShownRow shown;
    sendMove(shown.area(), QPoint(40, 50));
    sendWheel(shown.area(), QPoint(40, 50), 240);
    QVERIFY(shown.row.viewRect != QRectF(0, 0, 20, 10));
    QTest::mouseClick(shown.row.imgDisp.ui.ScaleReset, Qt::LeftButton);
    QCOMPARE(shown.row.viewRect, QRectF(0, 0, 20, 10));
    const ChCoord &cc = shown.row.imgDisp.chCoord;
    QCOMPARE(cc.dx0, 0.0);
    QCOMPARE(cc.dx1, 20.0);
    QCOMPARE(cc.dy0, 10.0);
    QCOMPARE(cc.dy1, 0.0);
}

void TestDataCtrl::zoomWithoutExtentIsRefused()
{
    DataCtrl row;
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no zoom from a view without extent");
    emit row.imgDisp.wMoved(1);
    QCOMPARE(row.viewRect, QRectF());
    emit row.imgDisp.scaleReset();
    QCOMPARE(row.viewRect, QRectF());

    // An area without size maps every mouse position to NaN.
    row.setData(ramp(4, 4));
    row.imgDisp.chCoord.setWidgetRange(0, 0, 0, 0);
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no zoom from a view without extent");
    emit row.imgDisp.wMoved(-1);
    QCOMPARE(row.viewRect, QRectF(0, 0, 4, 4));
}

void TestDataCtrl::drawsImageAndMarks_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QColor>("regionColor");
    QTest::newRow("set") << int(ImgDisp::RegionSet) << QColor(211, 255, 241);
    QTest::newRow("dragging") << int(ImgDisp::Dragging) << QColor(255, 243, 162);
}

void TestDataCtrl::drawsImageAndMarks()
{
    QFETCH(int, state);
    QFETCH(QColor, regionColor);
    DataCtrl row;
    row.imgDisp.ui.ImgDispA->setFixedSize(380, 270);
    // All values equal render black, so every mark stands out.
    auto *d = new TDData(20, 10);
    for (int i = 0; i < 200; ++i)
        d->setValue(i % 20, i / 20, 0.0);
    d->infos.append(peakItem({{5.0, 6.0}}));
    row.setData(d);
    row.imgDisp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&row.imgDisp));

    row.imgDisp.setRegion(corners(14, 1, 17, 3));
    row.imgDisp.regionState = state;
    row.imgDisp.insertRegion(0, corners(15, 6, 18, 8));
    row.noticedAt(12, 7);

    // 20 pixels per data unit across, 30 down.
    const QImage img = row.imgDisp.ui.ImgDispA->grab().toImage();
    QCOMPARE(img.size(), QSize(380, 270));
    QCOMPARE(pixel(img, 10, 260), QColor(0, 0, 0));
    QCOMPARE(pixel(img, 320, 30), regionColor);
    const QColor crosshair(240, 255, 240);
    QCOMPARE(pixel(img, 240, 5), crosshair);
    QCOMPARE(pixel(img, 240, 265), crosshair);
    QCOMPARE(pixel(img, 5, 210), crosshair);
    QCOMPARE(pixel(img, 375, 210), crosshair);
    const QColor listed(190, 190, 240);
    QCOMPARE(pixel(img, 330, 180), listed);
    QCOMPARE(pixel(img, 300, 225), listed);
    QCOMPARE(pixel(img, 101, 181), listed);
    QCOMPARE(pixel(img, 101, 179), listed);
    QCOMPARE(pixel(img, 98, 182), listed);
    QCOMPARE(pixel(img, 100, 185), QColor(0, 0, 0));
}

void TestDataCtrl::drawWithoutImage()
{
    DataCtrl row;
    row.setData(new TDData(0, 0));
    QVERIFY(!row.data(false)->img);
    row.noticedAt(0, 0);
    const QImage img = row.imgDisp.ui.ImgDispA->grab().toImage();
    QCOMPARE(pixel(img, img.width() / 2, img.height() / 2), QColor(255, 255, 255));
}

void TestDataCtrl::drawWithDegenerateMapping()
{
    // One pixel: the first data range has no extent, so every widget position is inf or NaN.
    DataCtrl row;
    TDData *d = ramp(1, 1);
    d->infos.append(peakItem({{0.0, 0.0}, {1e300, qQNaN()}}));
    d->infos.append(regionListItem({corners(0, 0, 0, 0)}));
    row.setData(d);
    row.imgDisp.setRegion(corners(0, 0, 0, 0));
    row.noticedAt(0, 0);
    const QImage img = row.imgDisp.ui.ImgDispA->grab().toImage();
    QVERIFY(!img.isNull());
}

QTEST_MAIN(TestDataCtrl)
#include "tst_datactrl.moc"
