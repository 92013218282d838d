#pragma once

#include <QRect>
#include <QVector>

class Filter;
class TDData;

// Runs filters by their type, alone or as a chain; the filter panel's two ways of filtering.
class FilterChain
{
public:
    // Runs filter once on src with the work rectangle: exec for the window and peak filters,
    // exec1 or exec2 by the matching filter's exec mode. Null when the filter has no run operation
    // (unknown type, matching without exec mode) or cannot run (matching on a source without
    // region). The caller owns the result.
    static TDData *run(Filter *filter, const TDData *src, const QRect &rect);

    // A new filter of the same kind and parameters (and a matching filter's copied template), so
    // that a run can go on while the original is changed or released. The caller owns it.
    static Filter *copyOf(const Filter *filter);

    // Runs the filters in order, each on the previous result, starting from a copy of src (values,
    // flags, name, region or the whole grid as region, info items); a filter that gives no result
    // is passed over. Returns the last result, or the copy when none gave one. The caller owns it.
    static TDData *apply(const QVector<Filter *> &filters, const TDData *src, const QRect &rect);
};
