#pragma once

namespace Bench {

class Table;

// Adds the filter rows for one side to the table: moving average, adaptive threshold, matching
// with three template sizes and peak finding, each against its plain definition.
void filters(int side, Table *table);

} // namespace Bench
