#include "display/dispa.h"

#include "data/tddata.h"
#include "display/colorbar.h"
#include "display/drawtext.h"
#include "displaytesttools.h"

#include <QPaintEngine>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

// Records the texts and filled rectangles drawn, in device coordinates, with the font used.
class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyTransform)
            transform = state.transform();
    }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        fonts.append(item.font());
        origins.append(transform.map(p));
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            fills.append(transform.mapRect(rects[i]));
    }

    QTransform transform;
    QVector<QFont> fonts;
    QVector<QPointF> origins;
    QVector<QRectF> fills;
};

// An image's metrics with the recording engine behind them.
class RecordingDevice : public QImage
{
public:
    RecordingDevice() : QImage(1000, 1000, QImage::Format_RGB32) {}
    QPaintEngine *paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;
};

namespace {

const QString Label = QStringLiteral("3:(12.5, 7)");
const int LeftCentred = Qt::AlignLeft | Qt::AlignVCenter;

QFont givenFont()
{
    QFont font;
    font.setPointSizeF(7);
    font.setItalic(true);
    return font;
}

// The point size that fits Label into a w x h box, measured as a plain reference.
double expectedSize(double w, double h)
{
    RecordingDevice device;
    QPainter p(&device);
    QFont ten;
    ten.setPointSizeF(10);
    p.setFont(ten);
    const QRectF b = p.boundingRect(QRectF(0, 0, 5000, 5000), LeftCentred, Label);
    return 10 * std::min(w / b.width(), h / b.height());
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray a;
    for (int b : list)
        a.append(char(b));
    return a;
}

QByteArray bufferBytes(const uchar *buffer, int size)
{
    return QByteArray(reinterpret_cast<const char *>(buffer), size);
}

} // namespace

// The painted area with its two helpers, the coordinate mapping and the mouse state (the mouse
// is fed through real toolkit events), the fitted text drawing used on it, and the colour scale
// beside it (ColorBar0: tables, pixels, images, dataset rendering; the bar widget).
class TestDispA : public QObject
{
    Q_OBJECT

private slots:
    void mouseStateAndWheel();
    void wheelNotches_data();
    void wheelNotches();
    void paintResetsRangeAndSignalsInOrder();
    void altFreezesMoves();
    void fittedSize_data();
    void fittedSize();
    void writePixel_data();
    void writePixel();
    void makeImgAndRefusals();
    void picture();
    void dragMarks();
};

void TestDispA::mouseStateAndWheel()
{
    DispA area;
    MouseC &m = area.mouseC;
    QSignalSpy moved(&m, &MouseC::mMoved);
    // Each signal sees the fields already updated.
    QPoint posAtPress;
    connect(&m, &MouseC::mPressed, this, [&] { posAtPress = m.pos; });

    // Positions round halves upwards on both signs; -2.51 must not be truncated to -2.
    sendMouse(&area, QEvent::MouseMove, QPointF(5, 6));
    sendMouse(&area, QEvent::MouseButtonPress, QPointF(9.5, -2.5), Qt::RightButton, Qt::ShiftModifier);
    QCOMPARE(posAtPress, QPoint(10, -2));
    QVERIFY(m.pressed && m.pressButton == Qt::RightButton);
    sendMouse(&area, QEvent::MouseMove, QPointF(-2.51, 21.4), Qt::NoButton, Qt::ControlModifier);
    QCOMPARE(m.pressModifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
    sendMouse(&area, QEvent::MouseButtonRelease, QPointF(29.5, 31), Qt::RightButton);
    QVERIFY(!m.pressed && m.releaseButton == Qt::RightButton);
    QCOMPARE(moved.count(), 2);

    // A double click leaves pos and prevPos to the moves.
    QSignalSpy clicked(&m, &MouseC::mDClicked);
    sendMouse(&area, QEvent::MouseButtonDblClick, QPointF(40.4, 49.5), Qt::MiddleButton, Qt::ControlModifier);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(m.dClickButton == Qt::MiddleButton && m.dClickModifiers == Qt::ControlModifier);
    QCOMPARE(QVector<QPoint>({m.pos, m.prevPos, m.pressPos, m.releasePos, m.dClickPos}),
             QVector<QPoint>({QPoint(30, 31), QPoint(-3, 21), QPoint(10, -2), QPoint(30, 31), QPoint(40, 50)}));
}

void TestDispA::wheelNotches_data()
{
    QTest::addColumn<QVector<int>>("deltas");
    QTest::addColumn<QVector<int>>("steps");  // wMoved arguments, in order
    QTest::newRow("classic notches") << QVector<int>{120, -240, 120} << QVector<int>{1, -2, 1};
    QTest::newRow("half notches add up") << QVector<int>{60, 60, 60} << QVector<int>{1};
    QTest::newRow("touchpad back, four of -30") << QVector<int>{-30, -30, -30, -30} << QVector<int>{-1};
    QTest::newRow("just under a notch") << QVector<int>{119} << QVector<int>{};
    QTest::newRow("turning back starts afresh") << QVector<int>{90, -60, -60} << QVector<int>{-1};
    QTest::newRow("the rest carries on") << QVector<int>{100, 100, 40} << QVector<int>{1, 1};
}

void TestDispA::wheelNotches()
{
    QFETCH(QVector<int>, deltas);
    DispA area;
    QSignalSpy wheel(&area.mouseC, &MouseC::wMoved);
    for (int delta : deltas)
        sendWheel(&area, QPointF(10, 10), delta);
    QVector<int> steps;
    for (const QList<QVariant> &args : qAsConst(wheel))
        steps.append(args.at(0).toInt());
    QTEST(steps, "steps");
}

void TestDispA::paintResetsRangeAndSignalsInOrder()
{
    DispA area;
    area.resize(40, 30);
    area.chCoord.setRange(0, 10, 10, 0);
    connect(&area, &DispA::drawImage1, this, [](QPainter *p) { p->fillRect(0, 0, 10, 10, Qt::red); });
    connect(&area, &DispA::drawImage2, this, [](QPainter *p) { p->fillRect(5, 5, 10, 10, Qt::blue); });
    const QImage image = area.grab().toImage();
    QCOMPARE(image.pixelColor(2, 2), QColor(Qt::red));
    QCOMPARE(image.pixelColor(7, 7), QColor(Qt::blue)); // the second drawn over the first

    // The widget range follows the size at every paint; data y grows downwards.
    area.resize(400, 50);
    area.grab();
    QCOMPARE(area.chCoord.toWidgetX(5), 200.0);
    QCOMPARE(area.chCoord.toDataY(20), 4.0);
}

void TestDispA::altFreezesMoves()
{
    DispA area;
    QSignalSpy moved(&area.mouseC, &MouseC::mMoved);
    const QPoint &pos = area.mouseC.pos;

    // The move that carries Alt is still recorded, the ones after it are not; a press with Alt
    // keeps them frozen, a release without Alt frees them.
    sendMouse(&area, QEvent::MouseMove, QPoint(20, 20), Qt::NoButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseMove, QPoint(30, 30));
    QCOMPARE(pos, QPoint(20, 20));
    sendMouse(&area, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseMove, QPoint(55, 55), Qt::LeftButton);
    QCOMPARE(pos, QPoint(50, 50));
    sendMouse(&area, QEvent::MouseButtonRelease, QPoint(60, 60), Qt::LeftButton);
    sendMouse(&area, QEvent::MouseMove, QPoint(70, 70));
    QCOMPARE(moved.count(), 2);
    QCOMPARE(pos, QPoint(70, 70));
}

void TestDispA::fittedSize_data()
{
    QTest::addColumn<double>("angle"); // 0: drawFittedText, else drawRotatedFittedText, filled
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("fit");
    QTest::addColumn<double>("maxPointSize");
    QTest::addColumn<double>("expected"); // < 0: the uncapped fitted size, 0: nothing drawn
    QTest::newRow("thin box, limited by its height") << 0.0 << 400.0 << 16.0 << 1 << 16.0 << -1.0;
    QTest::newRow("narrow box uncapped, limited by its width") << 0.0 << 30.0 << 300.0 << 1 << 0.0 << -1.0;
    QTest::newRow("large box capped") << 0.0 << 2000.0 << 300.0 << 1 << 16.0 << 16.0;
    QTest::newRow("not fitted: the given font") << 0.0 << 2000.0 << 300.0 << 0 << 16.0 << 7.0;
    QTest::newRow("no width: nothing") << 0.0 << 0.0 << 20.0 << 1 << 0.0 << 0.0;
    QTest::newRow("quarter turn") << 90.0 << 95.0 << 20.0 << 1 << 0.0 << -1.0;
    QTest::newRow("quarter turn, no width: nothing") << 90.0 << 0.0 << 20.0 << 1 << 0.0 << 0.0;
}

void TestDispA::fittedSize()
{
    QFETCH(double, angle);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, fit);
    QFETCH(double, maxPointSize);
    QFETCH(double, expected);
    if (expected < 0)
        expected = expectedSize(width, height);

    RecordingDevice device;
    QPainter p(&device);
    // Given by its far corner: the box is normalised in place and the text aligned in it.
    QRectF r(5 + width, 5 + height, -width, -height);
    DrawText dt;
    if (angle == 0)
        dt.drawFittedText(&p, r, givenFont(), LeftCentred, fit, Label, maxPointSize);
    else
        dt.drawRotatedFittedText(&p, angle, r, givenFont(), LeftCentred, fit, Label, maxPointSize, true, Qt::black);
    QCOMPARE(p.font(), givenFont());
    QVERIFY(p.transform().isIdentity());
    if (expected == 0) {
        QVERIFY(device.engine.fonts.isEmpty() && device.engine.fills.isEmpty());
        return;
    }
    QCOMPARE(r, QRectF(5, 5, width, height));
    QCOMPARE(device.engine.fonts.size(), 1);
    QVERIFY(qAbs(device.engine.fonts[0].pointSizeF() - expected) < 0.01);
    QVERIFY(device.engine.fonts[0].italic());
    const QPointF origin = device.engine.origins[0];
    if (angle == 0) {
        QVERIFY(qAbs(origin.x() - 5) < 2);
        return;
    }

    // The filled box is the text box turned and centred on the box's first corner; text running
    // down the screen, left aligned, starts near its top end.
    QCOMPARE(device.engine.fills.size(), 1);
    const QRectF box = device.engine.fills[0];
    const QPointF offCentre = box.center() - r.topLeft();
    QVERIFY(qAbs(offCentre.x()) < 1e-6 && qAbs(offCentre.y()) < 1e-6);
    QVERIFY(qAbs(box.width() - height) < 1e-6 && qAbs(box.height() - width) < 1e-6);
    QVERIFY(origin.y() >= box.top() - 1 && origin.y() < box.top() + 5);
}

void TestDispA::writePixel_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("t");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("expected");
    // Index 383 = trunc(0.5 x 766) is (255, 128, 0).
    QTest::newRow("argb32 middle, BGRA") << 5 << 0.0 << 1.0 << 0.5 << true << bytes({0, 128, 255, 255});
    QTest::newRow("above saturates") << 13 << 0.0 << 1.0 << 2.0 << true << bytes({255, 255, 255});
    QTest::newRow("lower mark: 3/4 is middle") << 13 << 0.5 << 1.0 << 0.75 << true << bytes({255, 128, 0});
    QTest::newRow("crossed: 1/4 is 3/4") << 24 << 1.0 << 0.0 << 0.25 << true << bytes({192});
    QTest::newRow("equal: on it is index 0") << 4 << 0.5 << 0.5 << 0.5 << true << bytes({0, 0, 0, 255});
    QTest::newRow("invalid rgb32") << 4 << 0.0 << 1.0 << 1.0 << false << bytes({210, 220, 210, 255});
    QTest::newRow("NaN rgb888 is index 0") << 13 << 0.0 << 1.0 << qQNaN() << true << bytes({0, 0, 0});
    QTest::newRow("unsupported format") << 7 << 0.0 << 1.0 << 0.5 << true << QByteArray();
}

void TestDispA::writePixel()
{
    QFETCH(int, format);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, t);
    QFETCH(bool, valid);
    QFETCH(QByteArray, expected);

    ColorBar0 cb;
    cb.format = format;
    cb.lowerMark = lower;
    cb.upperMark = upper;
    uchar buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), uchar(0x5a));
    uchar *end = cb.writePixel(t, valid, buffer);
    QCOMPARE(end - buffer, expected.size());
    QCOMPARE(bufferBytes(buffer, expected.size()), expected);
    QCOMPARE(buffer[expected.size()], uchar(0x5a)); // bytes behind the pixel stay untouched
}

void TestDispA::makeImgAndRefusals()
{
    // Grid: 0, 5, 10 / 2.5, invalid 7, 10; lines padded to 12 bytes.
    TDData data(3, 2);
    const double values[] = {0.0, 5.0, 10.0, 2.5, 7.0, 10.0};
    for (int i = 0; i < 6; ++i)
        data.setValue(i % 3, i / 3, values[i]);
    data.setValid(1, 1, false);
    ColorBar0 cb;
    cb.format = 13;

    QImage *image = data.makeImg(&cb);
    QVERIFY(image);
    QCOMPARE(image->format(), QImage::Format_RGB888);
    QCOMPARE(bufferBytes(data.imgBuf, 24), bytes({0, 0, 0, 255, 128, 0, 255, 255, 255, 0, 0, 0,
                                                  191, 0, 0, 210, 220, 210, 255, 255, 255, 0, 0, 0}));

    // A null colour bar leaves the rendering alone; an unsupported format drops it.
    QVERIFY(!data.makeImg(nullptr));
    QVERIFY(data.img);
    cb.format = 6;
    QVERIFY(!data.makeImg(&cb));
    QVERIFY(!data.img && !data.imgBuf);
    cb.format = 13;
    QVERIFY(!TDData().makeImg(&cb));

    QVERIFY(!ColorBar0::newImageBuffer(24, 5, -1));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^image too large"));
    QVERIFY(!ColorBar0::newImageBuffer(4, 100000, 100000));
    uchar dummy[16] = {};
    QVERIFY(!ColorBar0::newImage(6, dummy, 2, 2));
    QVERIFY(!ColorBar0::newImage(4, dummy, 100000, 100000));
    QVERIFY(!ColorBar0::markColor(4).isValid());
}

void TestDispA::picture()
{
    // One bar pixel per picture row keeps the expected values simple.
    ColorBar bar;
    bar.resize(20, 600);
    bar.format = ColorBar0::FormatARGB32;
    QCOMPARE(bar.colorOfH(300), QColor(255, 128, 0));

    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    bar.lowerMark = 0.25;
    bar.upperMark = 0.75;
    bar.format = 13;
    bar.paintCBar();
    QCOMPARE(updated.count(), 1);

    // Mark lines across the bar, the scale between them, black below and white above.
    const QImage image = bar.barPicture.toImage();
    QCOMPARE(image.pixelColor(0, 150), QColor(0, 192, 255));
    QCOMPARE(image.pixelColor(19, 450), QColor(0, 192, 255));
    QCOMPARE(image.pixelColor(0, 300), bar.colorOfH(299));
    QCOMPARE(image.pixelColor(0, 460), QColor(0, 0, 0));
    QCOMPARE(image.pixelColor(0, 140), QColor(255, 255, 255));
    // Between the labels every row is one colour across, its height's colour off the mark lines.
    for (int r = 100; r <= 500; ++r) {
        const QColor expected = r == 150 || r == 450 ? QColor(0, 192, 255) : bar.colorOfH(599 - r);
        for (int x = 0; x < 20; ++x)
            QCOMPARE(image.pixelColor(x, r), expected);
    }

    // A new height redraws the picture for it, announcing nothing (the scale is the same), and
    // the widget shows the picture stretched over itself.
    bar.resize(40, 300);
    bar.show();
    QCOMPARE(updated.count(), 1);
    const QImage resized = bar.barPicture.toImage();
    QCOMPARE(resized.pixelColor(0, 300), bar.colorOfH(149));
    QCOMPARE(bar.grab().toImage().pixelColor(20, 200), resized.pixelColor(10, 400));
    // A bar drawn while small (not yet laid out) has its full range of colours once it is tall.
    ColorBar late;
    late.resize(20, 12);
    late.paintCBar();
    late.resize(20, 600);
    late.show();
    QCOMPARE(late.barPicture.toImage().pixelColor(0, 300), late.colorOfH(299));
}

void TestDispA::dragMarks()
{
    ColorBar bar;
    bar.resize(20, 600);
    bar.format = 13;
    auto mouse = [&](QEvent::Type type, int y) { sendMouse(&bar, type, QPointF(10, y), Qt::LeftButton); };
    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(&bar, &ColorBar::cBarUpdating);
    mouse(QEvent::MouseMove, 100); // no button held: nothing at all
    QCOMPARE(updated.count() + updating.count(), 0);

    // The nearer mark follows the mouse without clamping; every step redraws and is announced
    // once, so that holders render once per step.
    mouse(QEvent::MouseButtonPress, 50);
    for (int y : {660, 450}) {
        updated.clear();
        updating.clear();
        mouse(QEvent::MouseMove, y);
        QCOMPARE(QPoint(updated.count(), updating.count()), QPoint(0, 1));
        if (y == 660)
            QCOMPARE(bar.upperMark, -0.1);
    }
    // The release announces the end once and takes the dragged mark's value label away.
    mouse(QEvent::MouseButtonRelease, 450);
    QVERIFY(!bar.dragging);
    QCOMPARE(bar.upperMark, 0.25);
    QCOMPARE(QPoint(updated.count(), updating.count()), QPoint(1, 1));
    const QImage released = bar.barPicture.toImage();
    bar.paintCBar();
    QCOMPARE(released, bar.barPicture.toImage());

    // The lower mark dragged to the top passes the upper one and inverts the scale.
    mouse(QEvent::MouseButtonPress, 599);
    mouse(QEvent::MouseMove, 0);
    mouse(QEvent::MouseButtonRelease, 0);
    QCOMPARE(bar.lowerMark, 1.0);
    QCOMPARE(bar.colorOfH(0), QColor(255, 255, 255));
    // t = 0.75 is a third of the way down from the lower mark: index trunc(766 / 3) = 255.
    QCOMPARE(bar.colorOfH(450), QColor(255, 0, 0));

    // Without height the bar is all bottom: white now that the marks are crossed.
    bar.resize(20, 0);
    QCOMPARE(bar.colorOfH(0), QColor(255, 255, 255));
}

QTEST_MAIN(TestDispA)
#include "tst_dispa.moc"
