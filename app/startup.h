#pragma once

#include <QString>

class OptTable;
class QTranslator;

// The data root directory: the start directory of the file dialogs. Empty until start-up sets it.
extern QString dataRoot;

// The decisions start-up takes from the option table, kept apart from main() so they can be run
// on their own. None of them fails: every missing piece falls back to a default.

// The configuration file to read: "config.cfg" beside the executable (empty when there is none;
// the working directory is not searched), replaced by the value of "-c" and then by that of
// "-config" when those keys are present, even with an empty value.
QString configFilePath(const OptTable &options);

// The working directory, replaced by "DataRoot" and then by "-d" when present. Values are taken
// as they stand: not tested, made absolute or created.
QString chooseDataRoot(const OptTable &options);

// The number of threads for the pixel loops: "Threads", replaced by "-threads" when present; 0
// (the machine's ideal count) when neither is given or the value is not a number above 0.
int chooseThreadCount(const OptTable &options);

// "SquarePixels" set to 1, true, on or yes (in any case): image windows keep data pixels square.
bool chooseSquarePixels(const OptTable &options);

// Unless options has "-e": loads the embedded Japanese catalogue into translator and, when that
// succeeds, installs it on the application. True when installed; a failed load is silent.
bool installTranslation(QTranslator *translator, const OptTable &options);

// Tells the memory allocator to keep large blocks that are freed for the next ones instead of
// handing them back to the system. Called first thing by the programs that make frames.
void keepFreedFramesForReuse();

// Start-up after the application object exists: reads the configuration file into options, sets
// dataRoot and the thread count, and installs the translation, in this order.
void configure(OptTable *options, QTranslator *translator);
