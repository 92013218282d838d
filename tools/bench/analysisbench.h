#pragma once

namespace Bench {

class Table;

// Adds the analysis rows for one side to the table: statistics with the histogram of the whole
// frame, and the row and column profiles through one pixel, each against a plain version.
void analysis(int side, Table *table);

} // namespace Bench
