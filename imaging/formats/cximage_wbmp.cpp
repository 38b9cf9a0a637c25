// CxImageWBMP: type 0 wireless bitmaps. Pictures of other depths are written as black and
// white by their brightness.
#include "imaging/formats/cximage_wbmp.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace cxcodec;

namespace {

/// Reads a multi-byte integer (7 bits per byte, high bit = more follows), at most 4 bytes.
bool readMultiByte(CxFile* file, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const long c = file->GetC();
        if (c < 0)
            return false;
        value = (value << 7) | uint32_t(c & 0x7F);
        if (!(c & 0x80))
            return true;
    }
    return false;
}

void putMultiByte(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t tmp[5];
    int n = 0;
    do {
        tmp[n++] = uint8_t(v & 0x7F);
        v >>= 7;
    } while (v);
    while (n > 1)
        out.push_back(uint8_t(tmp[--n] | 0x80));
    out.push_back(tmp[0]);
}

} // namespace

bool CxImageWBMP::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    uint32_t type = 0, width = 0, height = 0;
    const long fix = readMultiByte(file, type) ? file->GetC() : -1;
    if (type != 0 || fix != 0 || !readMultiByte(file, width) || !readMultiByte(file, height) || !width || !height) {
        SetLastError("Not a WBMP");
        return false;
    }
    const uint64_t rowBytes = (uint64_t(width) + 7) / 8;
    const int64_t left = file->Size() - file->Tell();
    if (!fitsMemory(width, height, 1) || left < 0 || rowBytes * height > uint64_t(left)) {
        SetLastError("WBMP file is truncated");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(width);
        m_head.biHeight = int32_t(height);
        m_info.type = CXIMAGE_FORMAT_WBMP;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    if (!Create(width, height, 1, CXIMAGE_FORMAT_WBMP))
        return false;
    SetPaletteColor(0, 0, 0, 0);
    SetPaletteColor(1, 255, 255, 255);
    for (uint32_t r = 0; r < height; ++r) {
        uint8_t* row = GetBits(height - 1 - r);
        if (file->Read(row, 1, size_t(rowBytes)) != rowBytes) {
            Destroy();
            SetLastError("WBMP file is truncated");
            return false;
        }
    }
    return true;
}

bool CxImageWBMP::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    std::vector<uint8_t> out = { 0, 0 };
    putMultiByte(out, w);
    putMultiByte(out, h);
    const size_t rowBytes = (size_t(w) + 7) / 8;
    // White is 1: decide per palette entry (or per pixel for 24 bits) by brightness.
    bool white[256] = {};
    for (uint32_t i = 0; i < GetNumColors(); ++i)
        white[i] = luminance(GetPaletteColor(i)) >= 128;
    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t y = h - 1 - r;
        const size_t at = out.size();
        out.resize(at + rowBytes, 0);
        for (uint32_t x = 0; x < w; ++x) {
            const bool on = GetNumColors() ? white[BlindGetPixelIndex(int32_t(x), int32_t(y))]
                                           : luminance(BlindGetPixelColor(int32_t(x), int32_t(y), false)) >= 128;
            if (on)
                out[at + (x >> 3)] |= uint8_t(0x80 >> (x & 7));
        }
    }
    if (!writeAll(file, out)) {
        SetLastError("Error writing WBMP file");
        return false;
    }
    return true;
}
