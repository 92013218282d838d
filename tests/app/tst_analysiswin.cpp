// The analysis window: it follows the current row, computes nothing while hidden, and its
// histogram, buttons and number fields move the row's colour bar marks.

#include "app/analysiswin.h"
#include "data/tddata.h"
#include "display/colorbar.h"
#include "display/datactrl.h"
#include "display/datactrls.h"
#include "display/histogramplot.h"
#include "display/profileplot.h"
#include "../display/displaytesttools.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestAnalysisWin : public QObject
{
    Q_OBJECT

private slots:
    void followsTheCurrentRowWhenShown();
    void draggingOnTheHistogramMovesTheBarMark_data();
    void draggingOnTheHistogramMovesTheBarMark();
    void buttonsAndFieldsSetTheMarks();
    void savesTheViewAsPng();
    void exportsSayWhatTheyDid_data();
    void exportsSayWhatTheyDid();
    void cancelledExport_data();
    void cancelledExport();
    void denseProfileKeepsExtremesAndGaps();
    void axisTextsStayInside_data();
    void axisTextsStayInside();
};

namespace {

// Values 1000 + i for pixel i of a 20 x 10 grid, pixel 7 invalid: the range 0..1199 includes 0
// as every dataset's does, the valid values lie in 1000..1199.
struct Setup
{
    explicit Setup(bool shown = true)
        : win(&ctrls)
    {
        row = new DataCtrl;
        auto *d = new TDData(20, 10);
        d->dataId = QStringLiteral("ratio");
        for (int i = 0; i < 200; ++i)
            d->setValue(i % 20, i / 20, 1000.0 + i);
        d->setValid(7, 0, false);
        row->setData(d);
        ctrls.addDataCtrl(row);
        win.resize(500, 900);
        // The figures before the checks, however slow the machine.
        win.statsWaitMs = 60000;
        if (shown)
            win.show();
    }
    ~Setup() { delete row; }
    ColorBar *bar() const { return row->imgDisp.ui.CBar; }
    double fraction(double value) const { return value / 1199.0; }

    DataCtrls ctrls;
    AnalysisWin win;
    DataCtrl *row;
};

// Starts an export and returns what the window said of it, once it said one thing.
QString exportAndWait(AnalysisWin &win, bool png, const QString &path)
{
    QSignalSpy notices(&win, &AnalysisWin::notice);
    if (png)
        win.savePng(path);
    else
        win.exportTiff(path);
    if (notices.isEmpty())
        notices.wait(30000);
    return notices.count() == 1 ? notices.first().first().toString() : QString();
}

QString statText(const AnalysisWin &win, int row, int column)
{
    return win.ui.Stats->item(row, column)->text();
}

} // namespace

// Figures that take longer than their wait show "..." until they are known; the window that moved
// on to another frame meanwhile shows that frame's, never the one it left.
void TestAnalysisWin::followsTheCurrentRowWhenShown()
{
    Setup s(false);
    s.win.statsWaitMs = 0;
    QCOMPARE(s.win.wholeStats().valid, qint64(0));  // hidden: nothing computed
    s.win.show();
    QCOMPARE(s.win.currentCtrl(), s.row);  // the current tab's row
    QCOMPARE(s.win.ui.DataName->text(), QStringLiteral("ratio"));
    QCOMPARE(statText(s.win, 0, 0), QStringLiteral("..."));
    QVERIFY(!s.win.ui.FullRange->isEnabled());
    QCOMPARE(s.win.ui.RowProfile->title(), QStringLiteral("Row (the crosshair is not on this frame)"));
    auto *other = new DataCtrl;
    other->setData(new TDData(3, 3));
    s.ctrls.addDataCtrl(other);
    emit other->pointAt(1, 1);
    emit s.row->pointAt(2, 2);
    QTRY_VERIFY(!s.win.computing());
    QCOMPARE(s.win.ui.ColumnProfile->title(), QStringLiteral("Column 2"));
    QCOMPARE(s.win.wholeStats().valid, qint64(199));
    QVERIFY(s.win.ui.FullRange->isEnabled());
    QCOMPARE(statText(s.win, 0, 1), QStringLiteral("--"));
    s.row->imgDisp.setRegion(QRect(QPoint(5, 0), QPoint(9, 1)));
    QCOMPARE(statText(s.win, 0, 1), QStringLiteral("..."));
    QTRY_COMPARE(statText(s.win, 0, 1), QStringLiteral("9"));  // 10 pixels, one invalid
    QCOMPARE(statText(s.win, 1, 1), QStringLiteral("1"));
    delete other;
}

void TestAnalysisWin::draggingOnTheHistogramMovesTheBarMark_data()
{
    QTest::addColumn<double>("from");  // value pressed at
    QTest::addColumn<double>("to");
    QTest::addColumn<bool>("lower");  // the mark expected to move
    QTest::newRow("upper mark, from the right edge") << 1190.0 << 1100.0 << false;
    QTest::newRow("lower mark, from the left edge") << 1010.0 << 1050.0 << true;
}

void TestAnalysisWin::draggingOnTheHistogramMovesTheBarMark()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(bool, lower);
    Setup s;
    QSignalSpy renders(s.bar(), &ColorBar::cBarUpdated);
    HistogramPlot *plot = s.win.ui.Histogram;
    const double y = plot->plotRect().center().y();
    sendMouse(plot, QEvent::MouseButtonPress, QPointF(plot->toWidgetX(from), y), Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, QPointF(plot->toWidgetX(to), y), Qt::LeftButton);
    sendMouse(plot, QEvent::MouseButtonRelease, QPointF(plot->toWidgetX(to), y), Qt::LeftButton);
    const double moved = (plot->toDataX(plot->toWidgetX(to)) - 0.0) / 1199.0;
    QCOMPARE(lower ? s.bar()->lowerMark : s.bar()->upperMark, moved);
    QVERIFY((lower ? s.bar()->upperMark : s.bar()->lowerMark) == (lower ? 1.0 : 0.0));  // exactly
    QVERIFY(!renders.isEmpty());
    QCOMPARE(s.win.ui.LowerValue->text().toDouble(), s.bar()->lowerMark * 1199.0);
}

void TestAnalysisWin::buttonsAndFieldsSetTheMarks()
{
    Setup s;
    s.win.ui.FullRange->click();
    QCOMPARE(QPointF(s.bar()->lowerMark, s.bar()->upperMark), QPointF(s.fraction(1000), s.fraction(1199)));
    s.win.ui.AutoRange->click();
    const FrameStats::Result &w = s.win.wholeStats();
    QCOMPARE(QPointF(s.bar()->lowerMark, s.bar()->upperMark),
             QPointF(s.fraction(w.lowQuantile), s.fraction(w.highQuantile)));
    s.win.ui.ResetRange->click();
    QVERIFY(s.bar()->lowerMark == 0.0 && s.bar()->upperMark == 1.0);
    s.win.ui.LowerValue->setText(QStringLiteral("1100"));
    s.win.ui.UpperValue->setText(QStringLiteral("not a number"));
    emit s.win.ui.UpperValue->editingFinished();
    QCOMPARE(QPointF(s.bar()->lowerMark, s.bar()->upperMark), QPointF(s.fraction(1100), 0));
}

void TestAnalysisWin::savesTheViewAsPng()
{
    Setup s;
    s.bar()->lowerMark = s.fraction(1050);
    s.bar()->upperMark = s.fraction(1150);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("view.png"));
    QVERIFY(exportAndWait(s.win, true, path).startsWith("exported " + QDir::toNativeSeparators(path)));
    const QImage saved(path);
    QCOMPARE(saved.size(), QSize(20, 10));
    const TDData *d = s.row->data(false);
    for (int i = 0; i < 200; ++i) {
        const QColor want = d->isValid(i % 20, i / 20) ? s.bar()->colorOf(s.fraction(1000.0 + i))
                                                        : QColor(ColorBar0::invalidColor());
        QCOMPARE(saved.pixelColor(i % 20, i / 20), want);
    }
    s.win.ui.WithColorBar->setChecked(true);
    QVERIFY(exportAndWait(s.win, true, path).startsWith(QLatin1String("exported")));
    const QImage withBar(path);
    QVERIFY(withBar.width() > 20 && withBar.height() >= 10);
    QCOMPARE(withBar.copy(0, 0, 20, 10).convertToFormat(QImage::Format_RGB32), saved.convertToFormat(QImage::Format_RGB32));
}

void TestAnalysisWin::exportsSayWhatTheyDid_data()
{
    QTest::addColumn<bool>("png");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("notice");  // the start of it
    QTest::newRow("TIFF written") << false << "view.tif" << "exported ";
    QTest::newRow("PNG into a missing folder") << true << "missing/view.png" << "could not export ";
    QTest::newRow("TIFF into a missing folder") << false << "missing/view.tif" << "could not export ";
}

void TestAnalysisWin::exportsSayWhatTheyDid()
{
    QFETCH(bool, png);
    QFETCH(QString, name);
    QFETCH(QString, notice);
    Setup s;
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    const QString text = exportAndWait(s.win, png, path);
    QVERIFY2(text.startsWith(notice + QDir::toNativeSeparators(path)), qPrintable(text));
    QCOMPARE(QFileInfo::exists(path), notice.startsWith(QLatin1String("exported")));
}

void TestAnalysisWin::cancelledExport_data()
{
    QTest::addColumn<bool>("written");  // whether the export has run when Cancel comes
    QTest::newRow("before the writing") << false;
    QTest::newRow("too late to stop it") << true;
}

// An export cancelled before it could write says so and leaves no file; one cancelled too late
// says what it wrote.
void TestAnalysisWin::cancelledExport()
{
    QFETCH(bool, written);
    Setup s;
    // The export waits behind a task that holds the only thread of its pool.
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    QSemaphore hold;
    pool.start([&hold] { hold.acquire(); });
    RunBar *bar = &s.win.exportRun;
    bar->pool = &pool;
    bar->shortRunMs = 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("view.tif"));
    QSignalSpy notices(&s.win, &AnalysisWin::notice);
    s.win.exportTiff(path);
    const bool waiting = bar->isVisible() && notices.isEmpty();
    if (written) {
        // Run, with its end not yet told.
        hold.release();
        pool.waitForDone();
    }
    bar->ui.RunCancel->click();
    hold.release();
    pool.waitForDone();
    QCoreApplication::sendPostedEvents();
    QVERIFY(waiting);
    QCOMPARE(notices.count(), 1);
    const QString text = notices.first().first().toString();
    const QString name = QDir::toNativeSeparators(path);
    const QString want = written ? QStringLiteral("exported %1").arg(name) : QStringLiteral("export of %1 cancelled").arg(name);
    QVERIFY2(text.startsWith(want), qPrintable(text));
    QCOMPARE(QFileInfo::exists(path), written);
}

// A profile of far more pixels than the plot is wide still shows its single highest and lowest
// pixel, and a run of invalid pixels wider than a plot column leaves that column empty.
void TestAnalysisWin::denseProfileKeepsExtremesAndGaps()
{
    const int n = 200000;
    const int spike = 123457;
    const int dip = 50001;
    LineProfile::Result line;
    for (int i = 0; i < n; ++i) {
        line.values << (i % 7) / 7.0;
        line.valid << (i < 100000 || i >= 103000);
    }
    line.values[spike] = 10.0;
    line.values[dip] = -10.0;
    // The plot's range, so that the spike and the dip lie inside the frame.
    line.values.first() = -20.0;
    line.values.last() = 20.0;
    ProfilePlot plot;
    plot.resize(400, 200);
    plot.setProfile(line, -1);
    QImage picture(plot.size(), QImage::Format_RGB32);
    plot.render(&picture);

    const QRgb ink = qRgb(40, 80, 160);
    // Whether the line touches columns x0 to x1 between rows y0 and y1.
    auto inked = [&](int x0, int x1, int y0, int y1) {
        for (int x = x0; x <= x1; ++x) {
            for (int y = y0; y <= y1; ++y) {
                if (picture.pixel(x, y) == ink)
                    return true;
            }
        }
        return false;
    };
    const QRect r = plot.plotRect().toRect();
    // Within a pixel of where they lie; the rest of the profile stays below 1.
    for (int i : {spike, dip}) {
        const int x = qRound(plot.toWidgetX(i));
        const int y = qRound(plot.toWidgetY(line.values[i]));
        QVERIFY2(inked(x - 1, x + 1, y - 1, y + 1), qPrintable(QString::number(i)));
    }
    const int gap = qRound(plot.toWidgetX(101500));
    QVERIFY(!inked(gap, gap, r.top() + 1, r.bottom() - 1));
    QVERIFY(inked(gap - 10, gap - 10, r.top() + 1, r.bottom() - 1));
}

void TestAnalysisWin::axisTextsStayInside_data()
{
    QTest::addColumn<QString>("plot");
    QTest::addColumn<double>("lo");  // the values, or of a histogram its highest count (hi)
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("pointSize");  // 0: the widget's own
    QTest::addColumn<QStringList>("texts");  // of the y ticks, where it matters
    QTest::newRow("histogram, counts in the hundred thousands") << "histogram" << 0.0 << 6e5 << 0 << QStringList();
    QTest::newRow("log histogram: every other decade") << "log histogram" << 0.0 << 1e6 << 0
                                                       << QStringList{"0", "100", "1e+04", "1e+06"};
    QTest::newRow("log histogram, a thousand") << "log histogram" << 0.0 << 1e3 << 0
                                               << QStringList{"0", "10", "100", "1000"};
    QTest::newRow("log histogram, eight: 1 but no decade fits") << "log histogram" << 0.0 << 8.0 << 0
                                                                << QStringList{"0", "1"};
    QTest::newRow("profile of large values") << "profile" << -123456.7 << 987654.3 << 0 << QStringList();
    QTest::newRow("profile, a large font") << "profile" << 0.0 << 1.0 << 24 << QStringList();
    QTest::newRow("profile one ulp above 1") << "profile" << 1.0 << std::nextafter(1.0, 2.0) << 0 << QStringList();
    QTest::newRow("profile narrow, far from 0") << "profile" << 1000.0 << 1000.05 << 0 << QStringList();
    QTest::newRow("profile around 0") << "profile" << -3.0 << 3.0 << 0 << QStringList();
    QTest::newRow("profile within the subnormals") << "profile" << 0.0 << 1e-310 << 0 << QStringList();
}

// No text of a plot is cut off by the widget's edges, whatever the widths of the tick texts and
// the size of the font. However narrow the range, the ticks lie in it and no two read the same; on
// the logarithmic scale they name round counts and sit where bars of those counts end.
void TestAnalysisWin::axisTextsStayInside()
{
    QFETCH(QString, plot);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, pointSize);
    QFETCH(QStringList, texts);
    HistogramPlot histogram;
    ProfilePlot profile;
    PlotArea *area = &profile;
    if (plot.contains(QLatin1String("histogram"))) {
        const bool log = plot.startsWith(QLatin1String("log"));
        FrameStats::Histogram h;
        h.min = log ? -1.0e-7 : -999.999;
        h.max = log ? 3.0e-7 : 1016.0;
        h.counts.fill(qint64(hi), FrameStats::HistogramBins);
        histogram.setHistogram(h);
        histogram.setLogCounts(log);
        area = &histogram;
        lo = 0.0;
        hi = histogram.yTop();
    } else {
        LineProfile::Result line;
        for (int i = 0; i < 8192; ++i) {
            line.values << lo + (hi - lo) * i / 8191.0;
            line.valid << true;
        }
        profile.setProfile(line, -1);
        profile.setTitle(QStringLiteral("Row 1"));
    }
    if (pointSize > 0) {
        QFont font = area->font();
        font.setPointSize(pointSize);
        area->setFont(font);
    }
    area->resize(300, 150);
    QImage picture(area->size(), QImage::Format_RGB32);
    area->render(&picture);
    const QRgb background = area->palette().window().color().rgb();
    // The first pixel of the widget's border that is not background.
    QString inked;
    const int w = picture.width();
    const int h = picture.height();
    for (int i = 0; i < 2 * (w + h) && inked.isEmpty(); ++i) {
        const QPoint p = i < w ? QPoint(i, 0) : i < 2 * w ? QPoint(i - w, h - 1) : QPoint(i < 2 * w + h ? 0 : w - 1, (i - 2 * w) % h);
        if (picture.pixel(p) != background)
            inked = QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
    }
    QVERIFY2(inked.isEmpty(), qPrintable(inked));
    if (plot == QLatin1String("histogram"))
        return;
    // Within a hair of a profile's range: the step times a count may round past its end.
    const double hair = area == &profile ? (hi - lo) * 1e-6 : 0.0;
    QStringList shown;
    for (const PlotArea::Tick &t : area->yTicks()) {
        QVERIFY2(t.y >= lo - hair && t.y <= hi + hair && !shown.contains(t.text), qPrintable(t.text));
        if (area == &histogram)
            QCOMPARE(t.y, std::log10(t.text.toDouble() + 1.0));
        shown << t.text;
    }
    if (!texts.isEmpty())
        QCOMPARE(shown, texts);
}

QTEST_MAIN(TestAnalysisWin)
#include "tst_analysiswin.moc"
