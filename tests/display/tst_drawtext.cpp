#include "display/drawtext.h"

#include <QPaintEngine>
#include <QPainter>
#include <QtTest>

// A paint device that records what is drawn on it, in device coordinates, with the font used.
class RecordingEngine : public QPaintEngine
{
public:
    struct Text
    {
        QString text;
        QFont font;
        QPointF origin;
        QTransform transform;
    };

    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

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
        texts.append({item.text(), item.font(), transform.map(p), transform});
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

class RecordingDevice : public QPaintDevice
{
public:
    QPaintEngine *paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 1000;
        case PdmWidthMM:
        case PdmHeightMM:
            return 265;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 96; // the resolutions
        }
    }

    mutable RecordingEngine engine;
};

class TestDrawText : public QObject
{
    Q_OBJECT

private slots:
    void normalisesBox();
    void fittedSize_data();
    void fittedSize();
    void withoutFittingOrRoom();
    void rotated();

private:
    // The point size that fits text into a w x h box, measured as a plain reference.
    static double expectedSize(const QString &text, int flags, double w, double h);
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

} // namespace

double TestDrawText::expectedSize(const QString &text, int flags, double w, double h)
{
    RecordingDevice device;
    QPainter p(&device);
    QFont ten;
    ten.setPointSizeF(10);
    p.setFont(ten);
    const QRectF b = p.boundingRect(QRectF(0, 0, 5000, 5000), flags, text);
    return 10 * std::min(w / b.width(), h / b.height());
}

void TestDrawText::normalisesBox()
{
    RecordingDevice device;
    QPainter p(&device);
    DrawText dt;
    QRectF r(50, 40, -30, -20);
    dt.drawFittedText(&p, r, givenFont(), LeftCentred, 1, Label, 0);
    QCOMPARE(r, QRectF(20, 20, 30, 20));
    QCOMPARE(device.engine.texts.size(), 1);
    // Left aligned in the normalised box, not in the one given.
    QVERIFY(qAbs(device.engine.texts[0].origin.x() - 20) < 2);

    QRectF rr(50, 40, -30, -20);
    dt.drawRotatedFittedText(&p, 90, rr, givenFont(), LeftCentred, 1, Label, 0, false);
    QCOMPARE(rr, QRectF(20, 20, 30, 20));
}

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
        expected = expectedSize(Label, LeftCentred, width, height);

    RecordingDevice device;
    QPainter p(&device);
    QFont before("Serif");
    before.setPointSizeF(21);
    p.setFont(before);
    DrawText dt;
    QRectF r(5, 5, width, height);
    const QRectF measured = dt.drawFittedText(&p, r, givenFont(), LeftCentred, 1, Label, maxPointSize);

    QCOMPARE(device.engine.texts.size(), 1);
    QVERIFY(qAbs(device.engine.texts[0].font.pointSizeF() - expected) < 0.01);
    QCOMPARE(device.engine.texts[0].font.italic(), true);
    QCOMPARE(p.font(), givenFont());
    QVERIFY(measured.width() > 0 && measured.height() > 0);
    if (maxPointSize <= 0)
        QVERIFY(expected > 16 || width < 100);
    else
        QVERIFY(expected <= maxPointSize);
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

    // A box without width draws nothing.
    QRectF empty(10, 10, 0, 20);
    dt.drawFittedText(&p, empty, givenFont(), LeftCentred, 1, Label, 0);
    dt.drawRotatedFittedText(&p, 90, empty, givenFont(), LeftCentred, 1, Label, 0, true, Qt::red);
    QCOMPARE(device.engine.texts.size(), 2);
    QCOMPARE(p.font(), givenFont());
    QVERIFY(p.transform().isIdentity());
}

void TestDrawText::rotated()
{
    RecordingDevice device;
    QPainter p(&device);
    DrawText dt;
    QRectF r(10, 50, 95, 20);
    dt.drawRotatedFittedText(&p, 90, r, givenFont(), LeftCentred, 1, Label, 10, true, Qt::black);

    QCOMPARE(device.engine.fills.size(), 1);
    // The box is 95 long downwards and 20 thick, centred on (10, 50).
    const QRectF box = device.engine.fills[0];
    QVERIFY(qAbs(box.center().x() - 10) < 1e-6 && qAbs(box.center().y() - 50) < 1e-6);
    QVERIFY(qAbs(box.width() - 20) < 1e-6 && qAbs(box.height() - 95) < 1e-6);

    QCOMPARE(device.engine.texts.size(), 1);
    const RecordingEngine::Text &text = device.engine.texts[0];
    // Text runs downwards: the rotated x axis points down the screen.
    const QPointF along = text.transform.map(QPointF(1, 0)) - text.transform.map(QPointF(0, 0));
    QVERIFY(qAbs(along.x()) < 1e-6 && along.y() > 0.99);
    // Left aligned: it starts near the top end of the box.
    QVERIFY(text.origin.y() >= box.top() - 1 && text.origin.y() < box.top() + 5);
    QVERIFY(text.origin.x() > box.left() && text.origin.x() < box.right());
    QVERIFY(std::abs(text.font.pointSizeF() - std::min(10.0, expectedSize(Label, LeftCentred, 95, 20))) < 0.01);

    QCOMPARE(p.font(), givenFont());
    QVERIFY(p.transform().isIdentity());
}

QTEST_MAIN(TestDrawText)
#include "tst_drawtext.moc"
