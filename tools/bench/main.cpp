// bench: times the filters, image making, file loading, painting and the analysis figures side by
// side with their plain versions on synthetic frames of doubles with about one pixel in a hundred
// invalid (one matching row on a frame without any), at 1024, 2048 and 4096 pixels a side, each fast version on one thread and on every
// thread, and prints the build type and thread count, then one markdown table row per operation
// and side with the ratio of the plain time to the better fast one.
// Run from a Release build: bench [sides...], e.g. bench 1024 2048 (headless:
// QT_QPA_PLATFORM=offscreen).
//
// Each figure is the best of a few runs (one for runs over a second) in wall-clock time, in each
// of two passes over the whole set, so that the run least disturbed by other programs sharing the
// machine counts; the table comes at the end. Where the plain
// version would take minutes (matching, peak finding), it runs over a band of whole rows at the
// top of the frame and its time is scaled by the frame's height over the band's; the note column
// says so.

#include "analysisbench.h"
#include "app/startup.h"
#include "benchtools.h"
#include "displaybench.h"
#include "filterbench.h"

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>

namespace {

void silence(QtMsgType, const QMessageLogContext &, const QString &) {}

// Other guests of a virtual machine can slow it for seconds at a time, long enough to take every
// run of a row; a row measured again a pass later, minutes on, rarely meets the same spell.
const int passes = 2;

QList<int> sides(const QStringList &args)
{
    QList<int> result;
    for (const QString &arg : args) {
        const int side = arg.toInt();
        if (side > 0)
            result.append(side);
    }
    return args.isEmpty() ? QList<int>{1024, 2048, 4096} : result;
}

} // namespace

int main(int argc, char **argv)
{
    // As in the program: page faults on fresh frames would bury what is measured here.
    keepFreedFramesForReuse();
    // The colour bar drag runs through the widgets.
    QApplication app(argc, argv);
    // Matching writes a progress line per row.
    qInstallMessageHandler(&silence);
    QTemporaryDir dir;
    Bench::Table table;
    for (int pass = 0; pass < passes; ++pass) {
        for (int side : sides(app.arguments().mid(1))) {
            Bench::filters(side, &table);
            Bench::display(side, dir, &table);
            Bench::analysis(side, &table);
        }
    }
    table.print();
    return 0;
}
