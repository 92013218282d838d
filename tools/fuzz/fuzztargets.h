#pragma once

#include <cstddef>
#include <cstdint>

// The readers of untrusted files, each as a fuzz target: one input in, whatever the reader makes
// of it thrown away. A target must never crash, hang or allocate out of proportion to its input.
// libFuzzer drives them (fuzz_<name>, built with clang and QUELVO_FUZZ), and fuzz_replay feeds
// them the committed corpus in every build.
class FuzzTargets
{
public:
    using Target = int (*)(const uint8_t *data, size_t size);

    // Silences debug output and libtiff's messages and makes the scratch folder the readers'
    // files go to (and the current folder, for relative INCLUDE paths). Call once first.
    static void init();
    // The target of that name, null for an unknown name. Names: imgdata (ImgData::load and the
    // conversion, every format), header (readHeader and read2dData), config (the configuration
    // reader with INCLUDE) and peakcsv (the peak CSV reader).
    static Target byName(const char *name);
};
