// Windows bitmap headers and the row-by-row file writer.
#include "platform/bmp_writer.h"

#include <cstdlib>
#include <vector>

namespace platform {

namespace {

void put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

} // namespace

void putLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

size_t bmpRowBytes(int32_t width, uint16_t bitCount)
{
    if (width <= 0)
        return 0;
    return size_t((uint64_t(uint32_t(width)) * bitCount + 31) / 32 * 4);
}

void encodeBmpHeaders(uint8_t* out, const BmpInfo& info, uint32_t fileSize, uint32_t pixelOffset)
{
    out[0] = 'B';
    out[1] = 'M';
    putLe32(out + 2, fileSize);
    putLe32(out + 6, 0);
    putLe32(out + 10, pixelOffset);
    uint8_t* h = out + 14;
    putLe32(h, info.size);
    putLe32(h + 4, uint32_t(info.width));
    putLe32(h + 8, uint32_t(info.height));
    put16(h + 12, info.planes);
    put16(h + 14, info.bitCount);
    putLe32(h + 16, info.compression);
    putLe32(h + 20, info.sizeImage);
    putLe32(h + 24, uint32_t(info.xPelsPerMeter));
    putLe32(h + 28, uint32_t(info.yPelsPerMeter));
    putLe32(h + 32, info.clrUsed);
    putLe32(h + 36, info.clrImportant);
}

bool writeBmp(const BmpSink& sink, const BmpInfo& info, const BmpRowSource& rows, const BmpWriteOptions& options)
{
    if (info.width <= 0 || info.height == 0 || (!rows && !options.pixels) || !sink)
        return false;
    const uint32_t height = uint32_t(info.height < 0 ? -int64_t(info.height) : info.height);
    const size_t rowBytes = bmpRowBytes(info.width, info.bitCount);
    const uint64_t pixelBytes = uint64_t(rowBytes) * height;
    const uint64_t offset = 54 + uint64_t(options.paletteBytes);
    if (offset + pixelBytes > 0xFFFFFFFFull)
        return false;

    uint8_t headers[54];
    encodeBmpHeaders(headers, info, options.recordFileSize ? uint32_t(offset + pixelBytes) : 0, uint32_t(offset));
    if (!sink(headers, sizeof(headers)))
        return false;
    if (options.paletteBytes && !sink(options.palette, options.paletteBytes))
        return false;
    if (options.pixels)
        return sink(options.pixels, size_t(pixelBytes));
    std::vector<uint8_t> scratch(rowBytes, 0);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = rows(y, scratch.data());
        if (!row || !sink(row, rowBytes))
            return false;
    }
    return true;
}

} // namespace platform
