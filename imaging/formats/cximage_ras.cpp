// CxImageJAS, Sun raster part: 1, 8, 24 and 32-bit rasters, standard, RGB-ordered and
// byte-encoded (run-length) types, with or without an RGB colour map. Written uncompressed.
#include "imaging/formats/cximage_jas.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace cxcodec;

namespace {
constexpr uint32_t kMagic = 0x59A66A95;
constexpr uint32_t kTypeOld = 0, kTypeStandard = 1, kTypeByteEncoded = 2, kTypeRgb = 3;
} // namespace

bool CxImageJAS::decodeRas(CxFile* file)
{
    std::vector<uint8_t> data;
    if (!readRest(file, data) || data.size() < 32) {
        SetLastError("Not a Sun raster");
        return false;
    }
    ByteReader in(data.data(), data.size());
    const uint32_t magic = in.be32(), w = in.be32(), h = in.be32(), depth = in.be32();
    in.be32(); // data length, often 0
    const uint32_t type = in.be32(), mapType = in.be32(), mapLength = in.be32();
    if (magic != kMagic) {
        SetLastError("Not a Sun raster");
        return false;
    }
    if (!(depth == 1 || depth == 8 || depth == 24 || depth == 32) || type > kTypeRgb || mapType > 1
        || (mapType == 1 && (mapLength % 3 != 0 || mapLength > 768)) || (mapType == 0 && mapLength != 0)
        || !fitsMemory(w, h, depth <= 8 ? depth : 24)) {
        SetLastError("Sun raster header is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = CXIMAGE_FORMAT_RAS;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    std::vector<uint8_t> map(mapLength);
    if (!in.bytes(map.data(), mapLength)) {
        SetLastError("Sun raster file is truncated");
        return false;
    }
    const uint64_t stride = ((uint64_t(w) * depth + 15) / 16) * 2;
    const uint64_t total = stride * h;
    std::vector<uint8_t> raw;
    if (type == kTypeByteEncoded) {
        // 0x80 n v = n + 1 copies of v; 0x80 0 = one 0x80 byte. A run of 3 bytes gives 256 bytes.
        if (total > (uint64_t(in.left()) + 3) * 86) {
            SetLastError("Sun raster file is truncated");
            return false;
        }
        raw.reserve(size_t(total));
        while (raw.size() < total && in.left()) {
            const uint8_t b = in.u8();
            if (b != 0x80) {
                raw.push_back(b);
                continue;
            }
            const uint8_t n = in.u8();
            if (n == 0) {
                raw.push_back(0x80);
                continue;
            }
            const uint8_t v = in.u8();
            raw.insert(raw.end(), std::min<size_t>(size_t(n) + 1, size_t(total) - raw.size()), v);
        }
        if (raw.size() < total) {
            SetLastError("Sun raster file is truncated");
            return false;
        }
    } else {
        if (total > in.left()) {
            SetLastError("Sun raster file is truncated");
            return false;
        }
        raw.assign(in.here(), in.here() + total);
    }

    const bool palette = depth <= 8;
    if (!Create(w, h, palette ? depth : 24, CXIMAGE_FORMAT_RAS))
        return false;
    if (palette) {
        const uint32_t entries = mapLength / 3;
        if (entries) {
            for (uint32_t i = 0; i < std::min(entries, GetNumColors()); ++i)
                SetPaletteColor(i, map[i], map[entries + i], map[2 * entries + i]);
        } else if (depth == 1) {
            SetPaletteColor(0, 255, 255, 255); // without a map, set bits are black
            SetPaletteColor(1, 0, 0, 0);
        } else {
            SetGrayPalette();
        }
    }
    const bool rgbOrder = type == kTypeRgb;
    const size_t pixelBytes = depth / 8;
    for (uint32_t r = 0; r < h; ++r) {
        const uint8_t* s = raw.data() + size_t(r) * stride;
        uint8_t* d = GetBits(h - 1 - r);
        if (palette) {
            std::memcpy(d, s, std::min<size_t>(size_t(stride), GetEffWidth()));
            continue;
        }
        for (uint32_t x = 0; x < w; ++x, s += pixelBytes, d += 3) {
            const uint8_t* p = pixelBytes == 4 ? s + 1 : s; // 32 bits: a pad byte first
            if (rgbOrder) {
                d[0] = p[2];
                d[1] = p[1];
                d[2] = p[0];
            } else {
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
            }
        }
    }
    (void)kTypeOld;
    (void)kTypeStandard;
    return true;
}

bool CxImageJAS::encodeRas(CxFile* file)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    // 1-bit pictures stay 1-bit; 4-bit ones are widened to 8 bits.
    const uint32_t depth = GetBpp() == 4 ? 8 : GetBpp();
    const uint32_t entries = depth <= 8 ? (depth == 1 ? 2u : 256u) : 0u;
    const uint32_t stride = ((w * depth + 15) / 16) * 2;
    std::vector<uint8_t> out;
    putBe32(out, kMagic);
    putBe32(out, w);
    putBe32(out, h);
    putBe32(out, depth);
    putBe32(out, stride * h);
    putBe32(out, kTypeStandard);
    putBe32(out, entries ? 1 : 0);
    putBe32(out, entries * 3);
    for (int channel = 0; channel < 3; ++channel) {
        for (uint32_t i = 0; i < entries; ++i) {
            const RGBQUAD c = GetPaletteColor(i);
            out.push_back(channel == 0 ? c.rgbRed : (channel == 1 ? c.rgbGreen : c.rgbBlue));
        }
    }
    std::vector<uint8_t> row(stride);
    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t y = h - 1 - r;
        std::fill(row.begin(), row.end(), 0);
        const uint8_t* s = GetBits(y);
        if (depth == 24)
            std::memcpy(row.data(), s, size_t(w) * 3);
        else if (GetBpp() == 4)
            for (uint32_t x = 0; x < w; ++x)
                row[x] = BlindGetPixelIndex(int32_t(x), int32_t(y));
        else
            std::memcpy(row.data(), s, std::min<size_t>(stride, GetEffWidth()));
        out.insert(out.end(), row.begin(), row.end());
    }
    if (!writeAll(file, out)) {
        SetLastError("Error writing Sun raster file");
        return false;
    }
    return true;
}
