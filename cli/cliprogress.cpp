#include "cliprogress.h"

#include <QTextStream>

CliProgress::CliProgress(QTextStream &stream, bool enabled, int delayMs, int intervalMs)
    : stream(stream)
    , enabled(enabled)
    , delayMs(delayMs)
    , intervalMs(intervalMs)
{
    started.start();
}

void CliProgress::setItem(const QString &text)
{
    item = text;
    detail.clear();
    draw();
}

void CliProgress::setDetail(const QString &text)
{
    detail = text;
    draw();
}

void CliProgress::draw()
{
    if (!enabled || started.elapsed() < delayMs)
        return;
    if (lastDrawn.isValid() && lastDrawn.elapsed() < intervalMs)
        return;
    lastDrawn.start();
    const QString line = detail.isEmpty() ? item : item + QStringLiteral(": ") + detail;
    // Padding covers what is left of a longer previous line; no terminal control codes are needed.
    stream << '\r' << line.leftJustified(shownLength) << Qt::flush;
    shownLength = line.size();
}

void CliProgress::clear()
{
    if (shownLength == 0)
        return;
    stream << '\r' << QString(shownLength, QLatin1Char(' ')) << '\r' << Qt::flush;
    shownLength = 0;
    lastDrawn.invalidate();
}
