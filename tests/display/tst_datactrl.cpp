#include "display/datactrl.h"

#include "data/datainfo.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/colorbar.h"
#include "displaytesttools.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
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

DataInfo *item(int kind, QRect rect = QRect(), const QVector<QRect> &rects = {}, const QVector<QPointF> &points = {})
{
    auto *info = new DataInfo(kind, kind == DataInfo::PeakList ? QStringLiteral("peaks") : QString());
    info->rect = rect;
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

// A shown row of a 20 x 10 dataset in a 380 x 270 area: one data unit is 20 pixels across, 30 down.
struct ShownRow
{
    explicit ShownRow(TDData *d = ramp(20, 10))
    {
        row.imgDisp.ui.ImgDispA->setFixedSize(380, 270);
        row.setData(d);
        row.imgDisp.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row.imgDisp));
        area()->repaint();
    }
    DispA *area() { return row.imgDisp.ui.ImgDispA; }

    DataCtrl row;
};

} // namespace

class TestDataCtrl : public QObject
{
    Q_OBJECT

private slots:
    void setDataShowsDataset();
    void setImageConvertsRecord();

    void dataWithRegionsKeepsOneCurrentRegion();
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
    void drawDegenerate_data();
    void drawDegenerate();
    void drawViewMatchesWholeImage_data();
    void drawViewMatchesWholeImage();
};

void TestDataCtrl::setDataShowsDataset()
{
    DataCtrl row;
    QVERIFY(!row.data(true));
    row.ui.Show->setChecked(false);
    QVERIFY(!row.imgDisp.isVisible());

    TDData *d = ramp(20, 10);
    row.setData(d);
    QCOMPARE(row.data(false), d);
    QCOMPARE(row.ui.FName->text(), QString("ramp"));
    QCOMPARE(row.imgDisp.windowTitle(), QString("ramp"));
    QCOMPARE(row.imgDisp.ui.CBar->scaleMax, 919.0);
    QCOMPARE(d->img->size(), QSize(20, 10));
    QCOMPARE(row.viewRect, QRectF(0, 0, 20, 10));
    const ChCoord &cc = row.imgDisp.chCoord;
    QCOMPARE(QRectF(QPointF(cc.dx0, cc.dy0), QPointF(cc.dx1, cc.dy1)), QRectF(QPointF(0, 9), QPointF(19, 0)));

    // A scale change renders the dataset again.
    row.imgDisp.ui.CBar->format = ColorBar0::FormatGrayscale8;
    emit row.imgDisp.ui.CBar->cBarUpdating();
    QCOMPARE(d->img->format(), QImage::Format_Grayscale8);

    // Null, or the dataset already attached, is refused without releasing it.
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no new dataset to attach");
    row.setData(nullptr);
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no new dataset to attach");
    row.setData(d);
    QPointer<TDData> old = d;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old);

    // A replaced dataset goes once control returns to the event loop.
    row.setData(ramp(5, 5));
    QVERIFY(old);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!old);
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
    QCOMPARE(row.ui.FName->text(), QString("shot"));
    QCOMPARE(d->value(2, 1), 13.0);

    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no image record to convert");
    row.setImage(nullptr);
    QCOMPARE(row.data(false), d);
}

void TestDataCtrl::dataWithRegionsKeepsOneCurrentRegion()
{
    DataCtrl row;
    TDData *d = ramp(20, 10);
    DataInfo *peaks = item(DataInfo::PeakList, QRect(), {}, {{1, 2}});
    auto *other = new DataInfo(7, QStringLiteral("other"));
    d->infos = {peaks, item(DataInfo::Region, corners(1, 1, 2, 2)), other};
    row.setData(d);
    row.imgDisp.setRegion(corners(3, 4, 8, 6));
    row.imgDisp.insertRegion(0, corners(0, 0, 5, 5));

    for (int call = 0; call < 2; ++call) {
        QTest::ignoreMessage(QtDebugMsg, "Adding Region Info");
        QCOMPARE(row.data(true), d);
    }
    // Old region items replaced, not piled up; the rest keep their order.
    QCOMPARE(kinds(d), QVector<int>({1, 7, 3, 2}));
    QCOMPARE(d->infos[0], peaks);
    QCOMPARE(d->infos[1], other);
    QCOMPARE(d->infos[2]->rect, row.imgDisp.regionRect());
    QCOMPARE(d->infos[3]->rects, QVector<QRect>({corners(0, 0, 5, 5)}));
    QCOMPARE(d->region, row.imgDisp.regionRect());

    // A right click clears the region: the dataset no longer claims one.
    row.imgDisp.regionState = ImgDisp::NoRegion;
    emit row.imgDisp.regionCleared();
    QVERIFY(!d->regionSet);
    QCOMPARE(row.data(true), d);
    QCOMPARE(kinds(d), QVector<int>({1, 7, 2}));
}

void TestDataCtrl::setDataRestoresRegions()
{
    DataCtrl row;
    TDData *d = ramp(20, 10);
    d->infos = {item(DataInfo::RegionList, QRect(), {corners(1, 1, 4, 4), corners(2, 3, 9, 8)}),
                item(DataInfo::PeakList, QRect(), {}, {{5, 5}}), item(DataInfo::Region, corners(6, 2, 12, 7))};
    row.setData(d);

    QCOMPARE(row.imgDisp.ui.Regions->count(), 2);
    QCOMPARE(row.imgDisp.listedRegion(0), corners(1, 1, 4, 4));
    QCOMPARE(row.imgDisp.listedRegion(1), corners(2, 3, 9, 8));
    QCOMPARE(row.imgDisp.regionState, int(ImgDisp::RegionSet));
    QCOMPARE(row.imgDisp.regionRect(), corners(6, 2, 12, 7));
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
    QTest::newRow("valid") << QPoint(5 * 20 + 3, 4 * 30 + 7) << QString("405 (5, 4)");
    QTest::newRow("invalid") << QPoint(3 * 20 + 3, 2 * 30 + 7) << QString("-- (3, 2)");
}

void TestDataCtrl::readOut()
{
    QFETCH(QPoint, at);
    QFETCH(QString, text);
    ShownRow shown;
    QSignalSpy pointAt(&shown.row, &DataCtrl::pointAt);
    QSignalSpy focused(&shown.row, &DataCtrl::focused);
    sendMouse(shown.area(), QEvent::MouseMove, at);
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), text);
    QCOMPARE(pointAt.count(), 1);
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
    emit shown.row.imgDisp.scaleReset();
    for (const QPoint at : {QPoint(117, 83), QPoint(301, 222)}) {
        const QRectF before = shown.row.viewRect;
        sendMouse(shown.area(), QEvent::MouseMove, at);
        const double cx = cc.toDataX(at.x());
        const double cy = cc.toDataY(at.y());
        sendWheel(shown.area(), at, angle);

        const QRectF &v = shown.row.viewRect;
        QVERIFY(qAbs(v.x() - (cx + (before.x() - cx) * factor)) < 1e-9);
        QVERIFY(qAbs(v.y() - (cy + (before.y() - cy) * factor)) < 1e-9);
        QVERIFY(qAbs(v.width() - before.width() * factor) < 1e-9);
        QVERIFY(qAbs(v.height() - before.height() * factor) < 1e-9);
        // The data point under the mouse stays in place; the view's top is at the top edge.
        QVERIFY(qAbs(cc.toDataX(at.x()) - cx) < 1e-9);
        QVERIFY(qAbs(cc.toDataY(at.y()) - cy) < 1e-9);
        QCOMPARE(cc.dy1, v.top());
        QCOMPARE(cc.dy0, v.top() + v.height());
    }
}

void TestDataCtrl::scaleReset()
{
    ShownRow shown;
    sendMouse(shown.area(), QEvent::MouseMove, QPoint(40, 50));
    sendWheel(shown.area(), QPoint(40, 50), 240);
    QVERIFY(shown.row.viewRect != QRectF(0, 0, 20, 10));
    QTest::mouseClick(shown.row.imgDisp.ui.ScaleReset, Qt::LeftButton);
    QCOMPARE(shown.row.viewRect, QRectF(0, 0, 20, 10));
    const ChCoord &cc = shown.row.imgDisp.chCoord;
    QCOMPARE(QRectF(QPointF(cc.dx0, cc.dy0), QPointF(cc.dx1, cc.dy1)), QRectF(QPointF(0, 10), QPointF(20, 0)));
}

void TestDataCtrl::zoomWithoutExtentIsRefused()
{
    DataCtrl row;
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no zoom from a view without extent");
    emit row.imgDisp.wMoved(1);
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
    // All values equal render black, so every mark stands out.
    auto *d = new TDData(20, 10);
    for (int i = 0; i < 200; ++i)
        d->setValue(i % 20, i / 20, 0.0);
    d->infos.append(item(DataInfo::PeakList, QRect(), {}, {{5.0, 6.0}}));
    ShownRow shown(d);
    DataCtrl &row = shown.row;
    row.imgDisp.setRegion(corners(14, 1, 17, 3));
    row.imgDisp.regionState = state;
    row.imgDisp.insertRegion(0, corners(15, 6, 18, 8));
    row.noticedAt(12, 7);

    const QImage img = shown.area()->grab().toImage();
    QCOMPARE(img.size(), QSize(380, 270));
    QCOMPARE(img.pixelColor(10, 260), QColor(0, 0, 0));
    QCOMPARE(img.pixelColor(320, 30), regionColor);
    const QColor crosshair(240, 255, 240);
    for (const QPoint p : {QPoint(240, 5), QPoint(240, 265), QPoint(5, 210), QPoint(375, 210)})
        QCOMPARE(img.pixelColor(p), crosshair);
    // Listed region outline, then the peak cross at (5, 6).
    const QColor listed(190, 190, 240);
    for (const QPoint p : {QPoint(330, 180), QPoint(300, 225), QPoint(101, 181), QPoint(101, 179), QPoint(98, 182)})
        QCOMPARE(img.pixelColor(p), listed);
    QCOMPARE(img.pixelColor(100, 185), QColor(0, 0, 0));
}

void TestDataCtrl::drawDegenerate_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("no image") << 0;
    // One pixel: the data range has no extent, so every widget position is inf or NaN.
    QTest::newRow("one pixel") << 1;
}

void TestDataCtrl::drawDegenerate()
{
    QFETCH(int, size);
    DataCtrl row;
    TDData *d = size ? ramp(1, 1) : new TDData(0, 0);
    d->infos = {item(DataInfo::PeakList, QRect(), {}, {{0.0, 0.0}, {1e300, qQNaN()}}),
                item(DataInfo::RegionList, QRect(), {corners(0, 0, 0, 0)})};
    row.setData(d);
    row.imgDisp.setRegion(corners(0, 0, 0, 0));
    row.noticedAt(0, 0);
    const QImage img = row.imgDisp.ui.ImgDispA->grab().toImage();
    QVERIFY(!img.isNull());
    if (!size)
        QCOMPARE(img.pixelColor(img.width() / 2, img.height() / 2), QColor(255, 255, 255));
}

void TestDataCtrl::drawViewMatchesWholeImage_data()
{
    QTest::addColumn<QRectF>("view");
    QTest::newRow("whole") << QRectF(0, 0, 23, 17);
    QTest::newRow("zoom in") << QRectF(3.3, 2.7, 5.9, 4.1);
    QTest::newRow("zoom out") << QRectF(-7.4, -5.2, 41.3, 30.9);
    QTest::newRow("past left top") << QRectF(-2.6, -3.1, 11.2, 9.7);
    QTest::newRow("past right bottom") << QRectF(15.2, 9.6, 12.3, 10.1);
    QTest::newRow("outside") << QRectF(30.5, 2.0, 5.0, 5.0);
}

void TestDataCtrl::drawViewMatchesWholeImage()
{
    QFETCH(QRectF, view);
    QRandomGenerator rng(7);
    for (QImage::Format format : {QImage::Format_RGB888, QImage::Format_Grayscale8}) {
        QImage img(23, 17, format);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.bytesPerLine(); ++x)
                img.scanLine(y)[x] = uchar(rng.bounded(256));
        // Reference: the whole image drawn with view as the source rectangle.
        QImage expected(97, 83, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter(&expected).drawImage(QRectF(QPointF(0, 0), expected.size()), img, view);
        QImage actual(expected.size(), QImage::Format_RGB32);
        actual.fill(Qt::white);
        QPainter p(&actual);
        DataCtrl::drawView(&p, img, view, actual.size());
        p.end();
        QCOMPARE(actual, expected);
    }
}

QTEST_MAIN(TestDataCtrl)
#include "tst_datactrl.moc"
