// Times each filter against its plain definition (tests/processing/plainfilters.h). Where the
// plain version would take minutes (matching, peak finding), it runs over a band of whole rows at
// the top of the frame and its time is scaled by the frame's height over the band's.

#include "filterbench.h"

#include "benchtools.h"
#include "data/tddata.h"
#include "processing/adaptivethresholdf.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"
#include "tests/processing/plainfilters.h"

#include <algorithm>

namespace Bench {

namespace {

// bestMs() of a filter; the grid it returns is deleted untimed.
double filterMs(const std::function<TDData *()> &filter)
{
    TDData *result = nullptr;
    return bestMs([&] { result = filter(); }, [&] { delete result; });
}

// fastMs() of a filter, likewise.
Fast filterFast(const std::function<TDData *()> &filter)
{
    TDData *result = nullptr;
    return fastMs([&] { result = filter(); }, [&] { delete result; });
}

QString bandNote(int band)
{
    return QStringLiteral("plain over %1 rows, scaled").arg(band);
}

} // namespace

void filters(int side, Table *table)
{
    const std::unique_ptr<TDData> src = frame(side);
    const QRect whole(0, 0, side, side);

    table->row(QStringLiteral("moving average (12, 12)"), side,
               filterMs([&] { return Plain::movingAvrF(src.get(), 12, 12); }),
               filterFast([&] { return MovingAvrF(12, 12).exec(src.get(), whole); }), QString());
    table->row(QStringLiteral("adaptive threshold (12, 12)"), side,
               filterMs([&] { return Plain::adaptiveThreshold(src.get(), whole, 12, 12); }),
               filterFast([&] { return AdaptiveThresholdF(12, 12).exec(src.get(), whole); }), QString());

    // The plain loops run over a band of rows sized to take about a second.
    for (int tpl : {16, 32, 64}) {
        src->setRegion(QRect(side / 3, side / 3, tpl, tpl));
        const int band = std::clamp(int(2e8 / (double(side) * tpl * tpl)), 1, side);
        const QRect bandRect(0, 0, side, band);
        const double plainMs = filterMs([&] { return Plain::matching(src.get(), bandRect, 1, false); }) * side / band;
        MatchingF filter(MatchingF::CosTh, MatchingF::Exec1);
        const Fast fast = filterFast([&] { return filter.exec1(src.get(), whole); });
        table->row(QStringLiteral("matching %1 x %1, whole grid").arg(tpl), side, plainMs, fast, bandNote(band));
    }
    src->regionCleared();

    // Without invalid pixels every window is whole, which the matching loop makes use of.
    const std::unique_ptr<TDData> allValid = frame(side, false);
    allValid->setRegion(QRect(side / 3, side / 3, 32, 32));
    MatchingF filter(MatchingF::CosTh, MatchingF::Exec1);
    const int matchBand = std::clamp(int(2e8 / (double(side) * 32 * 32)), 1, side);
    table->row(QStringLiteral("matching 32 x 32, every pixel valid"), side,
               filterMs([&] { return Plain::matching(allValid.get(), QRect(0, 0, side, matchBand), 1, false); })
                   * side / matchBand,
               filterFast([&] { return filter.exec1(allValid.get(), whole); }), bandNote(matchBand));

    const int band = std::min(side, 128);
    const double plainMs =
        filterMs([&] { return Plain::findPeaks(src.get(), QRect(0, 0, side, band), 20.0, 100, true); }) * side / band;
    table->row(QStringLiteral("peak finding, 100 peaks, radius 20"), side, plainMs,
               filterFast([&] { return FindPeaksF(20.0, 100, true).exec(src.get(), whole); }), bandNote(band));
}

} // namespace Bench
