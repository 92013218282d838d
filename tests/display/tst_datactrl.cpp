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
    void regionItemsRoundTrip();
    void readOut();
    void wheelZoomsAboutMouse_data();
    void wheelZoomsAboutMouse();
    void drawsImageAndMarks();
    void drawDegenerate();
    void drawViewMatchesWholeImage_data();
    void drawViewMatchesWholeImage();
};

void TestDataCtrl::setDataShowsDataset()
{
    // Without a dataset there is no view: no zoom, and Scale Reset does nothing.
    DataCtrl row;
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no zoom from a view without extent");
    emit row.imgDisp.wMoved(1);
    emit row.imgDisp.scaleReset();
    QCOMPARE(row.viewRect, QRectF());

    TDData *d = ramp(20, 10);
    row.setData(d);
    QCOMPARE(row.data(false), d);
    QCOMPARE(row.ui.FName->text(), QString("ramp"));
    QCOMPARE(row.imgDisp.ui.CBar->scaleMax, 919.0);
    QCOMPARE(d->img->size(), QSize(20, 10));
    QCOMPARE(row.viewRect, QRectF(0, 0, 20, 10));
    // A scale change renders the dataset again.
    row.imgDisp.ui.CBar->format = ColorBar0::FormatGrayscale8;
    emit row.imgDisp.ui.CBar->cBarUpdating();
    QCOMPARE(d->img->format(), QImage::Format_Grayscale8);

    // An area without size maps every mouse position to NaN.
    row.imgDisp.chCoord.setWidgetRange(0, 0, 0, 0);
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no zoom from a view without extent");
    emit row.imgDisp.wMoved(-1);
    QCOMPARE(row.viewRect, QRectF(0, 0, 20, 10));

    // Null, or the dataset already attached, is refused without releasing it.
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no new dataset to attach");
    row.setData(nullptr);
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
    QTest::ignoreMessage(QtDebugMsg, "DataCtrl: no image record to convert");
    row.setImage(nullptr);
    QCOMPARE(row.data(false)->width, 3);
}

void TestDataCtrl::regionItemsRoundTrip()
{
    DataCtrl first;
    TDData *d = ramp(20, 10);
    DataInfo *peaks = item(DataInfo::PeakList, {}, {{1, 2}});
    auto *other = new DataInfo(7, QStringLiteral("other"));
    DataInfo *oldRegion = item(DataInfo::Region);
    oldRegion->rect = corners(1, 1, 2, 2);
    d->infos = {peaks, oldRegion, other};
    first.setData(d);
    first.imgDisp.setRegion(corners(2, 2, 7, 5));
    first.imgDisp.ui.SetARegion->click();
    first.imgDisp.insertRegion(1, corners(2, 3, 9, 8));
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
    QCOMPARE(second.imgDisp.ui.Regions->count(), 2);
    QCOMPARE(second.imgDisp.listedRegion(0), corners(2, 2, 7, 5));
    QCOMPARE(second.imgDisp.listedRegion(1), corners(2, 3, 9, 8));
    QCOMPARE(second.imgDisp.regionState, int(ImgDisp::RegionSet));
    QCOMPARE(second.imgDisp.regionRect(), corners(4, 1, 9, 3));
    QCOMPARE(derived->region, corners(4, 1, 9, 3));
    QCOMPARE(kinds(derived), QVector<int>({1, 7, 3, 2}));

    // A right click clears the region: the dataset no longer claims one.
    first.imgDisp.regionState = ImgDisp::NoRegion;
    emit first.imgDisp.regionCleared();
    QVERIFY(!d->regionSet);
    QCOMPARE(first.data(true), d);
    QCOMPARE(kinds(d), QVector<int>({1, 7, 2}));
}

void TestDataCtrl::readOut()
{
    ShownRow shown;
    QSignalSpy pointAt(&shown.row, &DataCtrl::pointAt);
    QSignalSpy focused(&shown.row, &DataCtrl::focused);
    sendMouse(shown.area(), QEvent::MouseMove, QPoint(3 * 20 + 3, 2 * 30 + 7));
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), QString("-- (3, 2)"));
    sendMouse(shown.area(), QEvent::MouseMove, QPoint(5 * 20 + 3, 4 * 30 + 7));
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), QString("405 (5, 4)"));
    QCOMPARE(shown.row.ui.Stat->styleSheet(), QString("background-color: rgb(249, 240, 107);"));

    // Outside the data the label keeps its text, but the position still goes out.
    emit shown.row.imgDisp.mMovedWithin(-1, 3);
    emit shown.row.imgDisp.mMovedWithin(20, 3);
    QCOMPARE(shown.row.imgDisp.ui.Pos->text(), QString("405 (5, 4)"));
    QCOMPARE(pointAt.count(), 4);
    QCOMPARE(pointAt.last(), QList<QVariant>({20, 3}));
    QCOMPARE(focused.count(), 1);
}

void TestDataCtrl::wheelZoomsAboutMouse_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<double>("factor");
    QTest::newRow("towards the user") << -120 << 1.1;
    QTest::newRow("below a notch") << 60 << 0.9;
}

void TestDataCtrl::wheelZoomsAboutMouse()
{
    QFETCH(int, angle);
    QFETCH(double, factor);
    ShownRow shown;
    const ChCoord &cc = shown.row.imgDisp.chCoord;
    QTest::mouseClick(shown.row.imgDisp.ui.ScaleReset, Qt::LeftButton);
    QCOMPARE(QRectF(QPointF(cc.dx0, cc.dy0), QPointF(cc.dx1, cc.dy1)), QRectF(QPointF(0, 10), QPointF(20, 0)));
    for (const QPoint at : {QPoint(117, 83), QPoint(301, 222)}) {
        const QRectF before = shown.row.viewRect;
        sendMouse(shown.area(), QEvent::MouseMove, at);
        const double cx = cc.toDataX(at.x());
        const double cy = cc.toDataY(at.y());
        sendWheel(shown.area(), at, angle);
        const QRectF &v = shown.row.viewRect;
        QVERIFY(qAbs(v.width() - before.width() * factor) < 1e-9);
        QVERIFY(qAbs(v.height() - before.height() * factor) < 1e-9);
        // The data point under the mouse stays in place; the view's top is at the top edge.
        QVERIFY(qAbs(cc.toDataX(at.x()) - cx) < 1e-9 && qAbs(cc.toDataY(at.y()) - cy) < 1e-9);
        QCOMPARE(cc.dy1, v.top());
    }
    QTest::mouseClick(shown.row.imgDisp.ui.ScaleReset, Qt::LeftButton);
    QCOMPARE(shown.row.viewRect, QRectF(0, 0, 20, 10));
}

void TestDataCtrl::drawsImageAndMarks()
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

    // The region outline in its colour for a set region and for one being dragged.
    for (int state : {ImgDisp::RegionSet, ImgDisp::Dragging}) {
        row.imgDisp.regionState = state;
        const QImage img = shown.area()->grab().toImage();
        QCOMPARE(img.pixelColor(320, 30), ColorBar0::markColor(state == ImgDisp::Dragging ? 0 : 1));
        QCOMPARE(img.pixelColor(5, 5), QColor(0, 0, 0));
        QCOMPARE(img.pixelColor(375, 265), QColor(255, 255, 255));
        QCOMPARE(img.pixelColor(70, 75), QColor(210, 220, 210)); // the invalid pixel (3, 2)
        // Crosshair through (12, 7); listed region outline, then the peak cross at (5, 6).
        QCOMPARE(img.pixelColor(240, 5), QColor(240, 255, 240));
        QCOMPARE(img.pixelColor(5, 210), QColor(240, 255, 240));
        for (const QPoint p : {QPoint(330, 180), QPoint(300, 225), QPoint(101, 181), QPoint(98, 182)})
            QCOMPARE(img.pixelColor(p), QColor(190, 190, 240));
    }
}

void TestDataCtrl::drawDegenerate()
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

void TestDataCtrl::drawViewMatchesWholeImage_data()
{
    QTest::addColumn<QRectF>("view");
    QTest::newRow("whole") << QRectF(0, 0, 23, 17);
    QTest::newRow("zoom in") << QRectF(3.3, 2.7, 5.9, 4.1);
    QTest::newRow("zoom out") << QRectF(-7.4, -5.2, 41.3, 30.9);
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
