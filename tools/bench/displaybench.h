#pragma once

class QTemporaryDir;

namespace Bench {

class Table;

// Adds the display rows for one side to the table: making the image in two formats, reading a
// 2dData file and a 16-bit TIFF, one paint of an image area at three zooms in two formats and
// one drag step of a colour bar mark, each against a plain version. Files are written into dir.
void display(int side, const QTemporaryDir &dir, Table *table);

} // namespace Bench
