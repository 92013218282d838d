#pragma once

// Shared helpers of the filter tests: random grids and a translator that shows its context.

#include "data/tddata.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTranslator>

// A grid of random values with about a fifth of its pixels invalid (still holding a value).
// levels > 0 gives whole numbers 0 .. levels - 1, so that ties are frequent.
inline TDData *randomGrid(int width, int height, quint32 seed, int levels = 0)
{
    QRandomGenerator rng(seed);
    auto *grid = new TDData(width, height);
    grid->dataId = QStringLiteral("src");
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double v = levels > 0 ? double(rng.bounded(levels)) : rng.bounded(200.0) - 100.0;
            grid->setValue(x, y, v);
            if (rng.bounded(5) == 0)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

// Translates every text into "[context]text", so tests see which texts pass through it and where.
class ContextTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char * /*disambiguation*/,
                      int /*n*/) const override
    {
        return QStringLiteral("[%1]%2").arg(QString::fromLatin1(context), QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

// Collects debug lines instead of printing them while it lives.
class DebugCatcher
{
public:
    DebugCatcher()
    {
        lines().clear();
        previous = qInstallMessageHandler(&DebugCatcher::handle);
    }
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
