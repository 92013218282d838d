#include "display/dispa.h"

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

} // namespace

// The painted area with its two helpers, the coordinate mapping and the mouse state (the mouse
// is fed through real toolkit events), and the fitted text drawing used on it.
class TestDispA : public QObject
{
    Q_OBJECT

private slots:
    void mouseStateAndWheel();
    void paintResetsRangeAndSignalsInOrder();
    void altFreezesMoves();
    void fittedSize_data();
    void fittedSize();
    void rotatedText();
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

    // Whole notches only: two towards the user, then just under one back.
    QSignalSpy wheel(&m, &MouseC::wMoved);
    sendWheel(&area, QPointF(10, 10), -240);
    sendWheel(&area, QPointF(10, 10), 119);
    QCOMPARE(wheel.count(), 2);
    QCOMPARE(wheel.at(0).at(0).toInt(), -2);
    QCOMPARE(wheel.at(1).at(0).toInt(), 0);
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
    QCOMPARE(image.pixelColor(39, 29), QColor(Qt::white)); // no frame border

    // The widget range follows the size at every paint; data y grows downwards.
    area.resize(400, 50);
    area.grab();
    QCOMPARE(area.chCoord.toWidgetX(5), 200.0);
    QCOMPARE(area.chCoord.toWidgetY(10), 50.0);
    QCOMPARE(area.chCoord.toDataY(20), 4.0);
}

void TestDispA::altFreezesMoves()
{
    DispA area;
    QSignalSpy moved(&area.mouseC, &MouseC::mMoved);
    const QPoint &pos = area.mouseC.pos;

    // The move that carries Alt is still recorded; the ones after it are not.
    sendMouse(&area, QEvent::MouseMove, QPoint(20, 20), Qt::NoButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseMove, QPoint(30, 30));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(pos, QPoint(20, 20));

    // A press with Alt keeps moves frozen; a release without Alt frees them.
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
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("fit");
    QTest::addColumn<double>("maxPointSize");
    QTest::addColumn<double>("expected"); // < 0: the uncapped fitted size, 0: nothing drawn
    QTest::newRow("thin box, limited by its height") << 400.0 << 16.0 << 1 << 16.0 << -1.0;
    QTest::newRow("narrow box uncapped, limited by its width") << 30.0 << 300.0 << 1 << 0.0 << -1.0;
    QTest::newRow("large box capped") << 2000.0 << 300.0 << 1 << 16.0 << 16.0;
    QTest::newRow("not fitted: the given font") << 2000.0 << 300.0 << 0 << 16.0 << 7.0;
    QTest::newRow("no width: nothing") << 0.0 << 20.0 << 1 << 0.0 << 0.0;
}

void TestDispA::fittedSize()
{
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
    DrawText().drawFittedText(&p, r, givenFont(), LeftCentred, fit, Label, maxPointSize);
    QCOMPARE(p.font(), givenFont());
    if (expected == 0) {
        QVERIFY(device.engine.fonts.isEmpty());
        return;
    }
    QCOMPARE(r, QRectF(5, 5, width, height));
    QCOMPARE(device.engine.fonts.size(), 1);
    QVERIFY(qAbs(device.engine.origins[0].x() - 5) < 2);
    QVERIFY(qAbs(device.engine.fonts[0].pointSizeF() - expected) < 0.01);
    QVERIFY(device.engine.fonts[0].italic());
}

void TestDispA::rotatedText()
{
    RecordingDevice device;
    QPainter p(&device);
    QRectF r(105, 70, -95, -20);
    DrawText dt;
    dt.drawRotatedFittedText(&p, 90, r, givenFont(), LeftCentred, 1, Label, 10, true, Qt::black);
    QCOMPARE(r, QRectF(10, 50, 95, 20));

    // The filled box is 95 long downwards and 20 thick, centred on (10, 50).
    QCOMPARE(device.engine.fills.size(), 1);
    const QRectF box = device.engine.fills[0];
    QVERIFY(qAbs(box.center().x() - 10) < 1e-6 && qAbs(box.center().y() - 50) < 1e-6);
    QVERIFY(qAbs(box.width() - 20) < 1e-6 && qAbs(box.height() - 95) < 1e-6);

    // Text running down the screen, left aligned, starts near the top end of the box.
    QCOMPARE(device.engine.fonts.size(), 1);
    const QPointF origin = device.engine.origins[0];
    QVERIFY(origin.y() >= box.top() - 1 && origin.y() < box.top() + 5);
    QVERIFY(origin.x() > box.left() && origin.x() < box.right());
    QVERIFY(qAbs(device.engine.fonts[0].pointSizeF() - std::min(10.0, expectedSize(95, 20))) < 0.01);

    // A box without width draws nothing, yet the font and the transform are restored.
    QRectF empty(10, 10, 0, 20);
    dt.drawRotatedFittedText(&p, 90, empty, givenFont(), LeftCentred, 1, Label, 0, true, Qt::red);
    QCOMPARE(device.engine.fonts.size(), 1);
    QCOMPARE(device.engine.fills.size(), 1);
    QCOMPARE(p.font(), givenFont());
    QVERIFY(p.transform().isIdentity());
}

QTEST_MAIN(TestDispA)
#include "tst_dispa.moc"
