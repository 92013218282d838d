#pragma once

#include <atomic>
#include <functional>
#include <vector>

class TDData0;

// Splits loops over rows (or columns) over the process's threads. Each index is handled by
// exactly one thread running the same code as a single thread would, so results never depend on
// the thread count. Bodies run on the pool's threads and must not call run() themselves; they
// run under the caller's progress, so cancelled() and rowsDone() in them act on the caller's run.
class ParallelRows
{
public:
    // One long operation watched from the GUI thread: rows done out of rows started, and a
    // request to stop. Row loops running on a thread where a Scope installed it report to it, and
    // once cancelled they leave their remaining rows undone (the result is then thrown away).
    struct Progress
    {
        std::atomic<int> done{0};
        std::atomic<int> total{0};
        std::atomic<bool> cancelled{false};
    };

    // Range widening for values stored row by row by several threads: each row keeps its own
    // extremes, folded into the grid in row order afterwards. That gives the range that widening
    // value by value in row order gives, down to which of +0.0 and -0.0 stays on a tie; NaN never
    // widens it.
    struct Extremes
    {
        Extremes(int begin, int end);
        void widen(int row, double v)
        {
            double &l = lo[size_t(row - begin)];
            double &h = hi[size_t(row - begin)];
            if (l > v)
                l = v;
            if (v > h)
                h = v;
        }
        // Sets a row's extremes found elsewhere.
        void set(int row, double l, double h)
        {
            lo[size_t(row - begin)] = l;
            hi[size_t(row - begin)] = h;
        }
        void foldInto(TDData0 *dst, int first, int last) const;

        int begin;
        std::vector<double> lo;
        std::vector<double> hi;
    };

    // Installs progress on the current thread for the lifetime of the scope. Inside another
    // scope it counts a part of that one's run in units of its own (the rows of one page of a
    // stack whose pages are counted, say), and cancelling the outer run cancels it too.
    class Scope
    {
    public:
        explicit Scope(Progress *progress);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        friend class ParallelRows;
        Progress *progress;
        const Scope *outer;
    };

    static constexpr int MaxThreads = 1024;

    // The number of threads row loops use: the machine's ideal count unless set.
    static int threadCount();
    // count < 1 goes back to the machine's ideal count; counts above MaxThreads are cut to it.
    static void setThreadCount(int count);

    // Runs body(first, last) over chunks of indices covering begin .. end - 1 and waits for them.
    // With chunk > 0 the indices are rows, chunk at a time, taken by whichever thread is free
    // (the calling thread too); the calling thread runs chunkDone(first, last) for each in order
    // and reports the rows done. Without chunk, the range is split once into a piece per thread,
    // chunkDone runs at the end and nothing is reported. Returns false, leaving later chunks
    // undone and unannounced, when the run is cancelled. When a chunk throws (std::bad_alloc,
    // say), the chunks already taken still end, nothing more is announced, and the first
    // exception is thrown again here.
    static bool run(int begin, int end, int chunk, const std::function<void(int, int)> &body,
                    const std::function<void(int, int)> &chunkDone = {});
    // True when the progress installed on this thread, or one it is part of, was cancelled.
    static bool cancelled();
    // For row loops that report by themselves: rows about to be worked on, and rows done;
    // rowsDone returns false when the run was cancelled.
    static void rowsStarted(int rows);
    static bool rowsDone(int rows);
};
