#pragma once

#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class TDData;

// What every benchmark shares: the synthetic frame, the best-of-runs timing and the table.
namespace Bench {

// Smooth bumps plus noise, about one pixel in a hundred invalid (none when withInvalid is false);
// the same frame on every call.
std::unique_ptr<TDData> frame(int side, bool withInvalid = true);

// The best time in milliseconds of up to fifteen runs of op, fewer once they add up to budgetMs,
// in wall-clock time (the work may be spread over threads): the best run is the one least
// disturbed by other work on the machine. After each run, untimed, release() frees what op left
// behind and objects released with deleteLater() go too.
double bestMs(const std::function<void()> &op, const std::function<void()> &release = {}, double budgetMs = 1000.0);

// bestMs of op on one thread and on every thread (ParallelRows' count when the benchmark began),
// taking turns (each of up to half a second) up to three times while they add up to less than
// three seconds.
struct Fast
{
    double oneMs;
    double allMs;
};
Fast fastMs(const std::function<void()> &op, const std::function<void()> &release = {});

// The markdown table, one row per operation and side, gathered over the passes of the benchmark.
class Table
{
public:
    // One measurement of a row; a row measured again keeps the better of each of its figures.
    void row(const QString &operation, int side, double plainMs, Fast fast, const QString &note);
    // The build type and thread count, then the rows in the order first measured, on standard
    // output.
    void print() const;

private:
    struct Row
    {
        QString operation;
        int side;
        double plainMs;
        Fast fast;
        QString note;
    };
    QVector<Row> rows;
};

} // namespace Bench
