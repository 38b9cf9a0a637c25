// The work of one fuzzing input, shared by the libFuzzer entry points and the replay test.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace kivrafuzz {

/// Decodes data as format id (0 probes every format), header-only and in full, and works
/// the result a little. Returns false when a decoder broke its contract: a failure without
/// an error text, or a success without a usable picture.
inline bool decodeOne(uint32_t id, const uint8_t* data, size_t size)
{
    std::vector<uint8_t> copy(data, data + size);
    {
        CxMemFile mem(copy.data(), copy.size());
        CxImage header;
        header.SetEscape(-1);
        if (!header.Decode(&mem, id) && !*header.GetLastError())
            return false;
    }
    CxMemFile mem(copy.data(), copy.size());
    CxImage img;
    if (!img.Decode(&mem, id))
        return *img.GetLastError() != 0;
    if (!img.IsValid() || img.GetWidth() == 0 || img.GetHeight() == 0)
        return false;
    // Touch the corners and write the picture out again: both read every row pointer.
    volatile uint8_t sink = 0;
    const int32_t w = int32_t(img.GetWidth()), h = int32_t(img.GetHeight());
    sink = sink + img.GetPixelColor(0, 0).rgbRed + img.GetPixelColor(w - 1, h - 1).rgbBlue;
    if (uint64_t(w) * uint64_t(h) <= 1u << 20) {
        CxMemFile out;
        out.Open();
        if (!img.Encode(&out, CXIMAGE_FORMAT_BMP))
            return false;
    }
    return true;
}

} // namespace kivrafuzz
