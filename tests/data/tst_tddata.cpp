#include "data/datainfo.h"
#include "data/tddata.h"
#include "../processing/filtertesttools.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Mean of the valid pixels within a along one axis, stored only where the pixel itself is valid.
TDData *plainMean(const TDData0 &in, int a, bool alongX)
{
    auto *out = new TDData(in.width, in.height);
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            double sum = 0.0;
            int n = 0;
            for (int d = -a; d <= a; ++d) {
                const int sx = alongX ? x + d : x;
                const int sy = alongX ? y : y + d;
                if (sx >= 0 && sx < in.width && sy >= 0 && sy < in.height && in.isValid(sx, sy)) {
                    sum += in.value(sx, sy);
                    ++n;
                }
            }
            if (in.isValid(x, y))
                out->setValue(x, y, sum / n);
        }
    }
    return out;
}

} // namespace

class TestTDData : public QObject
{
    Q_OBJECT

private slots:
    void unholdableSizeGivesEmptyGrid()
    {
        for (const QSize &size : {QSize(-3, 2), QSize(70000, 70000)}) {
            QVERIFY(!TDData0::fitsStorage(size.width(), size.height()));
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^can't hold a grid of"));
            TDData grid(size.width(), size.height());
            QCOMPARE(QSize(grid.width, grid.height), QSize(0, 0));
            QCOMPARE(grid.values.size() + grid.valids.size(), 0);
        }
    }

    // Labels show an identifier whole up to 200 characters, else its first 159 and last 40 around
    // an ellipsis, never cutting a surrogate pair.
    void shownId_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("shown");
        const QString a159(159, 'a');
        const QString z40(40, 'z');
        const QString pair = QString::fromUtf8("\xF0\x9D\x84\x9E");  // one character, two UTF-16 units
        QTest::newRow("short") << "frame 1" << "frame 1";
        QTest::newRow("exactly the length") << QString(200, 'x') << QString(200, 'x');
        QTest::newRow("one more") << a159 + "bb" + z40 << a159 + QChar(0x2026) + z40;
        QTest::newRow("megabytes") << a159 + QString(8000000, 'm') + z40 << a159 + QChar(0x2026) + z40;
        QTest::newRow("pair at the head's end") << QString(158, 'a') + pair + QString(100, 'b') + z40
                                                << QString(158, 'a') + QChar(0x2026) + z40;
        QTest::newRow("pair at the tail's start") << a159 + QString(100, 'b') + pair + QString(39, 'z')
                                                  << a159 + QChar(0x2026) + QString(39, 'z');
    }

    void shownId()
    {
        QFETCH(QString, id);
        TDData d;
        d.dataId = id;
        QTEST(d.shownId(), "shown");
    }

    void widening()
    {
        TDData grid(2, 1);
        grid.setValue(0, 0, 5.0);
        grid.setValue(0, 0, 3.0);
        grid.setValue(0, 0, std::nan(""));  // NaN never widens
        QCOMPARE(QPointF(grid.minVal, grid.maxVal), QPointF(0.0, 5.0));
        grid.setValue(1, 0, -std::numeric_limits<double>::infinity());
        grid.setValid(0, 0, false);  // flags leave the range alone
        QCOMPARE(grid.minVal, -std::numeric_limits<double>::infinity());
        QCOMPARE(grid.maxVal, 5.0);
    }

    // Only pixels inside both grids are copied; invalid ones widen the range too. The identity and
    // region go along; after the region is cleared the whole source is the region.
    void copyRectClipped_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("toOrigin");
        QTest::addColumn<QSize>("dstSize");
        // Source is 5 x 4.
        QTest::newRow("left/top outside source, to origin") << QRect(QPoint(-2, -1), QPoint(2, 1)) << true << QSize(5, 3);
        QTest::newRow("right/bottom outside source, to origin") << QRect(QPoint(3, 2), QPoint(7, 6)) << true << QSize(3, 3);
        QTest::newRow("outside smaller destination") << QRect(QPoint(0, 0), QPoint(4, 3)) << false << QSize(2, 3);
        QTest::newRow("negative extent") << QRect(QPoint(3, 3), QPoint(1, 1)) << false << QSize(5, 4);
    }

    void copyRectClipped()
    {
        QFETCH(QRect, rect);
        QFETCH(bool, toOrigin);
        QFETCH(QSize, dstSize);
        QScopedPointer<TDData> src(randomGrid(5, 4, 7));
        src->dataId = "source";
        src->setRegion(QRect(1, 2, 3, 2));
        if (!toOrigin)
            src->regionCleared();
        TDData dst(dstSize.width(), dstSize.height());
        src->copyRect(&dst, rect, toOrigin);
        QCOMPARE(dst.dataId, QString("source"));
        QVERIFY(dst.regionSet);
        QCOMPARE(dst.region, toOrigin ? QRect(1, 2, 3, 2) : QRect(0, 0, 5, 4));

        double lo = 0.0;
        double hi = 0.0;
        for (int ty = 0; ty < dst.height; ++ty) {
            for (int tx = 0; tx < dst.width; ++tx) {
                const int sx = toOrigin ? rect.left() + tx : tx;
                const int sy = toOrigin ? rect.top() + ty : ty;
                const bool copied = sx >= rect.left() && sx <= rect.right() && sy >= rect.top() && sy <= rect.bottom()
                    && sx >= 0 && sx < src->width && sy >= 0 && sy < src->height;
                QCOMPARE(dst.value(tx, ty), copied ? src->value(sx, sy) : 0.0);
                QCOMPARE(dst.isValid(tx, ty), copied && src->isValid(sx, sy));
                lo = std::min(lo, dst.value(tx, ty));
                hi = std::max(hi, dst.value(tx, ty));
            }
        }
        QCOMPARE(QPointF(dst.minVal, dst.maxVal), QPointF(lo, hi));
    }

    void copyInfosIsDeep()
    {
        TDData src;
        src.infos = {new DataInfo(DataInfo::PeakList, "Peaks(2)"), new DataInfo(DataInfo::Region, QString())};
        src.infos[0]->points = {QPointF(1.5, 2.0)};
        src.infos[1]->rect = QRect(QPoint(1, 1), QPoint(3, 4));
        TDData dst;
        dst.infos.append(new DataInfo(DataInfo::Region, "already"));
        src.copyInfos(&dst);
        src.infos[0]->points.clear();
        QCOMPARE(dst.infos.size(), 3);
        QCOMPARE(dst.infos[0]->name, QString("already"));
        QCOMPARE(dst.infos[1]->points, QVector<QPointF>{QPointF(1.5, 2.0)});
        QCOMPARE(dst.infos[2]->rect, src.infos[1]->rect);
    }

    void movingAvr_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("ax");
        QTest::addColumn<int>("ay");
        QTest::newRow("both, rows past the ring") << QSize(7, 17) << 1 << 4;
        QTest::newRow("windows wider than grid") << QSize(5, 4) << 7 << 6;
        QTest::newRow("negative ax, positive ay") << QSize(8, 8) << -1 << 1;
    }

    void movingAvr()
    {
        QFETCH(QSize, size);
        QFETCH(int, ax);
        QFETCH(int, ay);
        QScopedPointer<TDData> src(randomGrid(size.width(), size.height(), quint32(size.width() * 100 + ax * 10 + ay)));
        QScopedPointer<TDData> rows(plainMean(*src, std::max(ax, 0), true));
        QScopedPointer<TDData> both(plainMean(*rows, std::max(ay, 0), false));
        QScopedPointer<TDData> result(src->movingAvr(ax, ay));
        QCOMPARE(QSize(result->width, result->height), size);
        QCOMPARE(result->valids, both->valids);
        for (int i = 0; i < both->values.size(); ++i)
            QVERIFY2(std::abs(result->values[i] - both->values[i]) < 1e-9, qPrintable(QString("pixel %1").arg(i)));
        QVERIFY(std::abs(result->minVal - both->minVal) < 1e-9);
        QVERIFY(std::abs(result->maxVal - both->maxVal) < 1e-9);
    }

    // A plain copy (no positive half width) keeps identity, region and infos; an average drops them.
    void movingAvrIdentity()
    {
        QScopedPointer<TDData> src(randomGrid(6, 5, 11));
        src->dataId = "frame 1";
        src->infos.append(new DataInfo(DataInfo::PeakList, "Peaks(1)"));
        QScopedPointer<TDData> copy(src->movingAvr(0, 0));
        QCOMPARE(copy->dataId, QString("frame 1"));
        QVERIFY(copy->regionSet);
        QCOMPARE(copy->region, QRect(QPoint(0, 0), QPoint(5, 4)));
        QCOMPARE(copy->infos.size(), 1);
        QCOMPARE(copy->values, src->values);

        src->setRegion(QRect(1, 1, 2, 2));
        QCOMPARE(QScopedPointer<TDData>(src->movingAvr(-1, 0))->region, QRect(1, 1, 2, 2));
        QScopedPointer<TDData> avr(src->movingAvr(0, 2));
        QVERIFY(avr->dataId.isEmpty() && !avr->regionSet && avr->infos.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTDData)
#include "tst_tddata.moc"
