// libFuzzer's entry points for the target named by QUELVO_FUZZ_TARGET.
#include "fuzztargets.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzTargets::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const FuzzTargets::Target target = FuzzTargets::byName(QUELVO_FUZZ_TARGET);
    return target(data, size);
}
