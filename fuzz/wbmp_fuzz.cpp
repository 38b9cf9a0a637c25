// libFuzzer entry point for the WBMP decoder.
#include "fuzz/fuzz_targets.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!kivrafuzz::decodeOne(CXIMAGE_FORMAT_WBMP, data, size))
        std::abort();
    return 0;
}
