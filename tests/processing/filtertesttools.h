#pragma once

// Shared helpers of the processing tests: random grids, peak lists, and a translator and a
// message handler that show which texts pass through them.

#include "data/datainfo.h"
#include "data/tddata.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>
#include <QTranslator>

// Thread counts the exactness cases run with: one, two, and more than the small grids have rows.
// Data functions repeat their rows for each and add the count as their last column.
const int threadCounts[] = {1, 2, 7};

// A grid of random values with about a fifth of its pixels invalid (still holding a value).
// levels > 0 gives whole numbers 0 .. levels - 1, so that ties are frequent.
inline TDData *randomGrid(int width, int height, quint32 seed, int levels = 0)
{
    QRandomGenerator rng(seed);
    auto *grid = new TDData(width, height);
    grid->dataId = QStringLiteral("src");
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grid->setValue(x, y, levels > 0 ? double(rng.bounded(levels)) : rng.bounded(200.0) - 100.0);
            if (rng.bounded(5) == 0)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

inline DataInfo *peakList(const QVector<QPointF> &points, const QString &name = QStringLiteral("Peaks(+)"))
{
    auto *info = new DataInfo(DataInfo::PeakList, name);
    info->points = points;
    return info;
}

// Translates every text into "[context]text" while it lives, so tests see which texts pass
// through it and in which context.
class ContextTranslator : public QTranslator
{
public:
    ContextTranslator() { QCoreApplication::installTranslator(this); }
    ~ContextTranslator() override { QCoreApplication::removeTranslator(this); }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QStringLiteral("[%1]%2").arg(QString::fromLatin1(context), QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

// Collects debug lines instead of printing them while it lives.
class DebugCatcher
{
public:
    DebugCatcher() : previous(qInstallMessageHandler(&DebugCatcher::handle)) { lines().clear(); }
    ~DebugCatcher() { qInstallMessageHandler(previous); }
    static QStringList &lines()
    {
        static QStringList caught;
        return caught;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &msg) { lines().append(msg); }
    QtMessageHandler previous;
};
