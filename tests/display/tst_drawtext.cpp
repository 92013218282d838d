#include "display/drawtext.h"

#include <QPaintEngine>
#include <QPainter>
#include <QtTest>

// Records the texts and filled rectangles drawn, in device coordinates, with the font used.
class RecordingEngine : public QPaintEngine
{
public:
    struct Text
    {
        QFont font;
        QPointF origin;
    };

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
        texts.append({item.font(), transform.map(p)});
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            fills.append(transform.mapRect(rects[i]));
    }

    QTransform transform;
    QVector<Text> texts;
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

class TestDrawText : public QObject
{
    Q_OBJECT

private slots:
    void fittedSize_data();
    void fittedSize();
    void withoutFittingOrRoom();
    void rotated();
};

void TestDrawText::fittedSize_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("maxPointSize");
    QTest::addColumn<double>("expected"); // < 0: the uncapped fitted size
    QTest::newRow("thin box, limited by its height") << 400.0 << 16.0 << 16.0 << -1.0;
    QTest::newRow("large box capped") << 2000.0 << 300.0 << 16.0 << 16.0;
    QTest::newRow("large box uncapped at 0") << 2000.0 << 300.0 << 0.0 << -1.0;
    QTest::newRow("large box uncapped below 0") << 2000.0 << 300.0 << -5.0 << -1.0;
    QTest::newRow("narrow box, limited by its width") << 30.0 << 300.0 << 0.0 << -1.0;
}

void TestDrawText::fittedSize()
{
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(double, maxPointSize);
    QFETCH(double, expected);
    if (expected < 0)
        expected = expectedSize(width, height);

    RecordingDevice device;
    QPainter p(&device);
    // Given by its far corner: the box is normalised in place and the text aligned in it.
    QRectF r(5 + width, 5 + height, -width, -height);
    const QRectF measured = DrawText().drawFittedText(&p, r, givenFont(), LeftCentred, 1, Label, maxPointSize);
    QCOMPARE(r, QRectF(5, 5, width, height));
    QCOMPARE(device.engine.texts.size(), 1);
    QVERIFY(qAbs(device.engine.texts[0].origin.x() - 5) < 2);
    QVERIFY(qAbs(device.engine.texts[0].font.pointSizeF() - expected) < 0.01);
    QVERIFY(device.engine.texts[0].font.italic());
    QCOMPARE(p.font(), givenFont());
    QVERIFY(measured.width() > 0 && measured.height() > 0);
}

void TestDrawText::withoutFittingOrRoom()
{
    RecordingDevice device;
    QPainter p(&device);
    DrawText dt;
    QRectF r(0, 0, 2000, 300);
    QVERIFY(dt.drawFittedText(&p, r, givenFont(), LeftCentred, 0, Label, 16).isEmpty());
    QVERIFY(dt.drawRotatedFittedText(&p, 45, r, givenFont(), LeftCentred, 2, Label, 16, false).isEmpty());
    QCOMPARE(device.engine.texts.size(), 2);
    QCOMPARE(device.engine.texts[0].font.pointSizeF(), 7.0);
    QCOMPARE(device.engine.texts[1].font.pointSizeF(), 7.0);

    // A box without width draws nothing, yet the font and the transform are restored.
    QRectF empty(10, 10, 0, 20);
    dt.drawFittedText(&p, empty, givenFont(), LeftCentred, 1, Label, 0);
    dt.drawRotatedFittedText(&p, 90, empty, givenFont(), LeftCentred, 1, Label, 0, true, Qt::red);
    QCOMPARE(device.engine.texts.size(), 2);
    QVERIFY(device.engine.fills.isEmpty());
    QCOMPARE(p.font(), givenFont());
    QVERIFY(p.transform().isIdentity());
}

void TestDrawText::rotated()
{
    RecordingDevice device;
    QPainter p(&device);
    QRectF r(105, 70, -95, -20);
    DrawText().drawRotatedFittedText(&p, 90, r, givenFont(), LeftCentred, 1, Label, 10, true, Qt::black);
    QCOMPARE(r, QRectF(10, 50, 95, 20));

    // The filled box is 95 long downwards and 20 thick, centred on (10, 50).
    QCOMPARE(device.engine.fills.size(), 1);
    const QRectF box = device.engine.fills[0];
    QVERIFY(qAbs(box.center().x() - 10) < 1e-6 && qAbs(box.center().y() - 50) < 1e-6);
    QVERIFY(qAbs(box.width() - 20) < 1e-6 && qAbs(box.height() - 95) < 1e-6);

    QCOMPARE(device.engine.texts.size(), 1);
    const RecordingEngine::Text &text = device.engine.texts[0];
    // Text running down the screen, left aligned, starts near the top end of the box.
    QVERIFY(text.origin.y() >= box.top() - 1 && text.origin.y() < box.top() + 5);
    QVERIFY(text.origin.x() > box.left() && text.origin.x() < box.right());
    QVERIFY(qAbs(text.font.pointSizeF() - std::min(10.0, expectedSize(95, 20))) < 0.01);
    QCOMPARE(p.font(), givenFont());
    QVERIFY(p.transform().isIdentity());
}

QTEST_MAIN(TestDrawText)
#include "tst_drawtext.moc"
