// CxImageSKA: a small palette format. Byte layout, all integers little-endian:
//
//   offset  size  field
//   0       2     width in pixels (1 to 65535)
//   2       2     height in pixels (1 to 65535)
//   4       1     bits per pixel: 1, 4 or 8
//   5       4     reserved, written 0, ignored on reading
//   9       3 n   palette of n = 2^bits entries, each red, green, blue
//   9 + 3n  w h   pixels, one palette index per byte, top row first, no padding
//
// The image's depth and palette are kept as they are, so every SKA file round-trips exactly.
#include "imaging/formats/cximage_ska.h"

#include "imaging/formats/cximage_codec_p.h"

#include <vector>

using namespace cxcodec;

bool CxImageSKA::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    uint8_t head[9];
    if (file->Read(head, 1, 9) != 9) {
        SetLastError("Not a SKA");
        return false;
    }
    ByteReader hr(head, 9);
    const uint32_t w = hr.le16(), h = hr.le16(), bits = hr.u8();
    if (w == 0 || h == 0 || !(bits == 1 || bits == 4 || bits == 8)) {
        SetLastError("Not a SKA");
        return false;
    }
    const uint32_t entries = 1u << bits;
    const int64_t left = file->Size() - file->Tell();
    if (left < 0 || uint64_t(entries) * 3 + uint64_t(w) * h > uint64_t(left)) {
        SetLastError("SKA file is truncated");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = CXIMAGE_FORMAT_SKA;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    if (!Create(w, h, bits, CXIMAGE_FORMAT_SKA))
        return false;
    uint8_t pal[256 * 3];
    std::vector<uint8_t> row(w);
    bool ok = file->Read(pal, 3, entries) == entries;
    if (ok)
        SetPaletteRGB(pal, entries);
    const uint8_t mask = uint8_t(entries - 1);
    for (uint32_t r = 0; ok && r < h; ++r) {
        ok = file->Read(row.data(), 1, w) == w;
        for (uint32_t x = 0; ok && x < w; ++x)
            BlindSetPixelIndex(int32_t(x), int32_t(h - 1 - r), uint8_t(row[x] & mask));
    }
    if (!ok) {
        Destroy();
        SetLastError("SKA file is truncated");
        return false;
    }
    return true;
}

bool CxImageSKA::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    if (GetBpp() > 8) {
        SetLastError("SKA Images must be 8 bit or less");
        return false;
    }
    const uint32_t w = GetWidth(), h = GetHeight();
    if (w > 65535 || h > 65535) {
        SetLastError("SKA images must fit 65535 x 65535");
        return false;
    }
    std::vector<uint8_t> out;
    putLe16(out, w);
    putLe16(out, h);
    out.push_back(uint8_t(GetBpp()));
    putLe32(out, 0);
    for (uint32_t i = 0; i < GetNumColors(); ++i) {
        const RGBQUAD c = GetPaletteColor(i);
        out.insert(out.end(), { c.rgbRed, c.rgbGreen, c.rgbBlue });
    }
    out.reserve(out.size() + size_t(w) * h);
    for (uint32_t r = 0; r < h; ++r) {
        for (uint32_t x = 0; x < w; ++x)
            out.push_back(BlindGetPixelIndex(int32_t(x), int32_t(h - 1 - r)));
    }
    if (!writeAll(file, out)) {
        SetLastError("Error writing SKA file");
        return false;
    }
    return true;
}
