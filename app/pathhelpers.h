#pragma once

#include <QString>

class TDData0;

// Names for the files of a multi save. Paths are taken in the sense of QFileInfo: the suffix is
// what follows the last "." of the file name, the complete base name what comes before it. Results
// are absolute; a relative path is taken against the current working directory.

// The dataset's dataId as a piece of a file name: "/" becomes "div", runs of "_" become one "_".
// Nothing else is changed, so characters the file system refuses stay.
QString fileSafeName(const TDData0 *d);
// path with "-" and text inserted before its suffix: /d/out.txt, abc gives /d/out-abc.txt. The "."
// is written even without a suffix (/d/out gives /d/out-abc.).
QString insertIntoFileName(const QString &path, const QString &text);
// path with its suffix replaced by suffix, or appended when it has none. With keep set a path's
// own non-empty suffix stays.
QString withSuffix(const QString &path, const QString &suffix, bool keep);
