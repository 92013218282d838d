#pragma once

#include <QElapsedTimer>
#include <QString>

class QTextStream;

// A progress line on a terminal: one line, rewritten in place, shown only once a run has gone on
// for a while and redrawn at most every so often. Disabled (for output that is not a terminal) it
// writes nothing. Anything else written to the same stream must call clear() first.
class CliProgress
{
public:
    CliProgress(QTextStream &stream, bool enabled, int delayMs = 500, int intervalMs = 100);

    // The item being worked on ("[2/5] spots.tif"); restarts the detail.
    void setItem(const QString &text);
    // What is going on inside the item ("row 120 of 256").
    void setDetail(const QString &text);
    // Removes the line, if one is shown.
    void clear();

private:
    void draw();

    QTextStream &stream;
    bool enabled;
    int delayMs;
    int intervalMs;
    QElapsedTimer started;
    QElapsedTimer lastDrawn;
    QString item;
    QString detail;
    int shownLength = 0;
};
