// Statistics, histogram and profiles against plain computations: sorting for the quantiles, one
// pixel at a time for the rest, on random grids with invalid pixels, NaN and infinities.

#include "data/parallelrows.h"
#include "data/tddata.h"
#include "filtertesttools.h"
#include "processing/framestats.h"
#include "processing/framestatsrun.h"
#include "processing/lineprofile.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

using Grid = std::unique_ptr<TDData>;

namespace {

const double inf = std::numeric_limits<double>::infinity();

// The plain definitions of FrameStats over the pixels of r inside the grid.
FrameStats::Result plainStats(const TDData &d, const QRect &r, QVector<qint64> *hist)
{
    FrameStats::Result s;
    std::vector<double> v;
    double sum = 0.0;
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), d.height - 1); ++y) {
        double rowSum = 0.0;
        for (int x = std::max(r.left(), 0); x <= std::min(r.right(), d.width - 1); ++x) {
            const double a = d.value(x, y);
            if (!d.isValid(x, y))
                ++s.invalid;
            else if (std::isnan(a))
                ++s.nan;
            else if (std::isinf(a))
                ++s.infinite;
            else {
                v.push_back(a);
                rowSum += a;
            }
        }
        sum += rowSum;
    }
    s.valid = qint64(v.size());
    if (v.empty())
        return s;
    s.sum = sum;
    s.mean = sum / double(v.size());
    // v is in row order, so the squares can be added row by row in the same way.
    double squares = 0.0;
    size_t i = 0;
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), d.height - 1); ++y) {
        double rowSquares = 0.0;
        for (int x = std::max(r.left(), 0); x <= std::min(r.right(), d.width - 1); ++x) {
            if (d.isValid(x, y) && std::isfinite(d.value(x, y))) {
                rowSquares += (v[i] - s.mean) * (v[i] - s.mean);
                ++i;
            }
        }
        squares += rowSquares;
    }
    s.stdDev = v.size() > 1 ? std::sqrt(squares / double(v.size() - 1)) : 0.0;
    std::vector<double> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    s.min = sorted.front();
    s.max = sorted.back();
    auto quantile = [&sorted](double q) {
        const double h = q * double(sorted.size() - 1);
        const size_t k = size_t(std::floor(h));
        const double f = h - double(k);
        return f == 0.0 ? sorted[k] : sorted[k] + f * (sorted[k + 1] - sorted[k]);
    };
    s.median = quantile(0.5);
    s.lowQuantile = quantile(0.005);
    s.highQuantile = quantile(0.995);
    hist->fill(0, FrameStats::HistogramBins);
    const double half = std::isfinite(s.max - s.min) ? 1.0 : 0.5;
    for (double a : v) {
        const double range = s.max * half - s.min * half;
        const double b = range > 0.0 ? std::floor((a * half - s.min * half) * (256.0 / range)) : 0.0;
        ++(*hist)[int(std::min(b, 255.0))];
    }
    return s;
}

// Random values with about one pixel in ten set to NaN or an infinity, and one in five invalid.
TDData *specialGrid(int w, int h, quint32 seed, int levels)
{
    TDData *d = randomGrid(w, h, seed, levels);
    QRandomGenerator rng(seed + 1);
    for (int i = 0; i < w * h; ++i) {
        const quint32 pick = rng.bounded(30);
        if (pick < 3)
            d->values[i] = pick == 0 ? std::nan("") : pick == 1 ? inf : -inf;
    }
    return d;
}

QVector<double> figures(const FrameStats::Result &s)
{
    return {double(s.valid), double(s.invalid), double(s.nan), double(s.infinite), s.min, s.max,
            s.sum, s.mean, s.stdDev, s.median, s.lowQuantile, s.highQuantile};
}

} // namespace

class TestFrameStats : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ParallelRows::setThreadCount(0); }
    void statistics_data();
    void statistics();
    void profiles();
    void besideTheEventLoop_data();
    void besideTheEventLoop();
};

void TestFrameStats::statistics_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("levels");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<double>("spike");  // one value far away (0: none), crowding the rest into few bins
    QTest::addColumn<bool>("oddRange");  // a running range (as read from a file) that misses the values

    QTest::newRow("whole small grid") << 9 << 7 << 0 << QRect(0, 0, 9, 7) << 0.0 << false;
    QTest::newRow("region inside") << 40 << 30 << 0 << QRect(QPoint(3, 5), QPoint(20, 17)) << 0.0 << false;
    QTest::newRow("region reaching outside") << 40 << 30 << 0 << QRect(QPoint(-4, 25), QPoint(50, 40)) << 0.0 << false;
    QTest::newRow("one column, rows not a multiple of four") << 40 << 31 << 0 << QRect(7, 0, 1, 31) << 0.0 << false;
    QTest::newRow("many ties") << 50 << 45 << 4 << QRect(0, 0, 50, 45) << 0.0 << false;
    QTest::newRow("all equal") << 20 << 20 << 1 << QRect(0, 0, 20, 20) << 0.0 << false;
    QTest::newRow("crowded by an outlier") << 300 << 211 << 0 << QRect(0, 0, 300, 211) << 1e9 << false;
    QTest::newRow("range beyond the doubles") << 30 << 30 << 0 << QRect(0, 0, 30, 30) << 1.5e308 << false;
    QTest::newRow("running range missing the values") << 60 << 50 << 0 << QRect(0, 0, 60, 50) << 0.0 << true;
    QTest::newRow("region of width 0") << 20 << 20 << 0 << QRect(5, 5, 0, 6) << 0.0 << false;
    QTest::newRow("region with crossed corners") << 20 << 20 << 0 << QRect(QPoint(9, 5), QPoint(3, 8)) << 0.0 << false;
    QTest::newRow("region outside") << 20 << 20 << 0 << QRect(30, 30, 5, 5) << 0.0 << false;
}

void TestFrameStats::statistics()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, levels);
    QFETCH(QRect, rect);
    QFETCH(double, spike);
    QFETCH(bool, oddRange);
    const Grid d(specialGrid(w, h, 7u + quint32(w * h), levels));
    if (spike != 0.0) {
        d->setValue(1, 1, spike);
        d->setValue(2, 1, -spike);
    }
    if (oddRange) {
        d->minVal = 10.0;
        d->maxVal = 10.5;
    }
    QVector<qint64> plainHist;
    const FrameStats::Result p = plainStats(*d, rect, &plainHist);
    const QVector<double> want = figures(p);
    // Every thread count gives the plain figures, down to the sign of a zero.
    for (int threads : {1, 2, 7}) {
        ParallelRows::setThreadCount(threads);
        FrameStats::Histogram hist;
        const FrameStats::Result s = FrameStats::compute(*d, rect, &hist);
        const QVector<double> got = figures(s);
        QCOMPARE(got, want);
        QVERIFY(std::memcmp(got.constData(), want.constData(), size_t(want.size()) * sizeof(double)) == 0);
        QCOMPARE(hist.counts, plainHist);
        QCOMPARE(s.empty(), p.valid == 0);
        if (!s.empty()) {
            QCOMPARE(hist.min, p.min);
            QCOMPARE(hist.max, p.max);
        }
    }
    // Inside a cancelled run nothing is made up.
    ParallelRows::Progress cancelled;
    cancelled.cancelled = true;
    const ParallelRows::Scope scope(&cancelled);
    FrameStats::Histogram hist;
    QCOMPARE(FrameStats::compute(*d, rect, &hist).pixels(), qint64(0));
    QVERIFY(hist.counts.isEmpty());
}

void TestFrameStats::profiles()
{
    const Grid d(specialGrid(7, 5, 3, 0));
    // Every row and column, and one line past either end.
    for (bool rows : {true, false}) {
        const int lines = rows ? d->height : d->width;
        for (int n = -1; n <= lines; ++n) {
            const LineProfile::Result p = rows ? LineProfile::row(*d, n) : LineProfile::column(*d, n);
            QCOMPARE(p.values.size(), n >= 0 && n < lines ? (rows ? d->width : d->height) : 0);
            for (int i = 0; i < p.values.size(); ++i) {
                const int x = rows ? i : n;
                const int y = rows ? n : i;
                QVERIFY(p.valid[i] == d->isValid(x, y));
                QVERIFY(p.values[i] == d->value(x, y) || std::isnan(d->value(x, y)));
            }
        }
    }
}

void TestFrameStats::besideTheEventLoop_data()
{
    QTest::addColumn<int>("waitMs");  // how long the caller settles right after starting
    QTest::addColumn<QString>("then");  // what the caller does next
    QTest::newRow("known within the wait") << 60000 << "";
    QTest::newRow("known later") << 0 << "";
    QTest::newRow("superseded") << 0 << "start again";
    QTest::newRow("dropped") << 0 << "drop";
    QTest::newRow("run gone") << 0 << "destroy";
}

// Only the newest request's figures arrive, exactly once, and they are those of the dataset as it
// was when that request started.
void TestFrameStats::besideTheEventLoop()
{
    QFETCH(int, waitMs);
    QFETCH(QString, then);
    const Grid d(specialGrid(64, 48, 11, 0));
    const QRect whole(0, 0, 64, 48);
    const QRect part(QPoint(3, 4), QPoint(40, 30));
    QThreadPool work;
    auto run = std::make_unique<FrameStatsRun>();
    run->pool = &work;
    // The figures and the histogram's counts of each delivery.
    auto flat = [](const FrameStats::Result &r, const FrameStats::Histogram &h) {
        return figures(r) + QVector<double>(h.counts.begin(), h.counts.end());
    };
    QVector<QVector<double>> got;
    connect(run.get(), &FrameStatsRun::computed, this,
            [&](const FrameStats::Result *s, const FrameStats::Histogram &h) { got << (s ? flat(*s, h) : QVector<double>()); });
    FrameStats::Histogram wantHist;
    QVector<double> want = flat(FrameStats::compute(*d, whole, &wantHist), wantHist);
    run->start(*d, whole, true);
    QVERIFY(got.isEmpty());
    run->settle(QDeadlineTimer(waitMs));
    QCOMPARE(got.size(), waitMs > 0 ? 1 : 0);
    d->setValue(5, 5, 1e6);
    if (then == QLatin1String("start again")) {
        want = figures(FrameStats::compute(*d, part));
        run->start(*d, part, false);
    } else if (then == QLatin1String("drop")) {
        run->drop();
    } else if (then == QLatin1String("destroy")) {
        run.reset();
    }
    work.waitForDone();
    QCoreApplication::sendPostedEvents();
    const bool delivers = then.isEmpty() || then == QLatin1String("start again");
    QCOMPARE(got.size(), delivers ? 1 : 0);
    if (delivers) {
        QCOMPARE(got.first(), want);
        QVERIFY(!run->busy());
    }
}

QTEST_MAIN(TestFrameStats)
#include "tst_framestats.moc"
