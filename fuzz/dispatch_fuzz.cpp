// libFuzzer entry point for the probing dispatch (every decoder in turn).
#include "fuzz/fuzz_targets.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!kivrafuzz::decodeOne(CXIMAGE_FORMAT_UNKNOWN, data, size))
        std::abort();
    return 0;
}
