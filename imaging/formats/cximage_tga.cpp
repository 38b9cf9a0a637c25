// CxImageTGA: Truevision TGA reading (types 1, 2, 3 and their RLE forms 9, 10, 11; 8, 15, 16,
// 24 and 32 bits; any origin) and uncompressed writing.
#include "imaging/formats/cximage_tga.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace cxcodec;

namespace {

struct TgaHeader {
    uint8_t idLength, colourMapType, imageType;
    uint16_t mapFirst, mapLength;
    uint8_t mapBits;
    uint16_t width, height;
    uint8_t depth, descriptor;
};

/// Expands a 15/16-bit TGA pixel (5-5-5, little-endian) to blue, green, red.
void expand16(const uint8_t* p, uint8_t* bgr)
{
    const uint16_t v = uint16_t(p[0] | (p[1] << 8));
    const uint8_t r = uint8_t((v >> 10) & 31), g = uint8_t((v >> 5) & 31), b = uint8_t(v & 31);
    bgr[0] = uint8_t((b << 3) | (b >> 2));
    bgr[1] = uint8_t((g << 3) | (g >> 2));
    bgr[2] = uint8_t((r << 3) | (r >> 2));
}

} // namespace

bool CxImageTGA::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    uint8_t raw[18];
    const int64_t start = file->Tell();
    if (file->Read(raw, 1, 18) != 18) {
        SetLastError("Not a TGA");
        return false;
    }
    ByteReader hr(raw, 18);
    TgaHeader h;
    h.idLength = hr.u8();
    h.colourMapType = hr.u8();
    h.imageType = hr.u8();
    h.mapFirst = hr.le16();
    h.mapLength = hr.le16();
    h.mapBits = hr.u8();
    hr.le16();
    hr.le16(); // origin position on screen
    h.width = hr.le16();
    h.height = hr.le16();
    h.depth = hr.u8();
    h.descriptor = hr.u8();

    const uint8_t base = h.imageType & 7;
    const bool rle = h.imageType & 8;
    const bool typeOk = (h.imageType & ~8u) >= 1 && (h.imageType & ~8u) <= 3 && !(h.imageType & 0xF0);
    const bool mapOk = h.colourMapType <= 1
        && (h.colourMapType == 0 || h.mapBits == 15 || h.mapBits == 16 || h.mapBits == 24 || h.mapBits == 32);
    bool depthOk = false;
    if (base == 1)
        depthOk = h.depth == 8 && h.colourMapType == 1;
    else if (base == 2)
        depthOk = h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    else if (base == 3)
        depthOk = h.depth == 8;
    if (!typeOk || !mapOk || !depthOk || h.width == 0 || h.height == 0 || (h.descriptor & 0xC0)) {
        SetLastError("Not a TGA");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = h.width;
        m_head.biHeight = h.height;
        m_info.type = CXIMAGE_FORMAT_TGA;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    file->Seek(start, 0);
    std::vector<uint8_t> data;
    if (!readRest(file, data)) {
        SetLastError("TGA file too large");
        return false;
    }
    ByteReader in(data.data(), data.size());
    in.skip(18 + h.idLength);

    // Colour map: kept for colour-mapped images, skipped otherwise.
    const size_t mapEntryBytes = (h.mapBits + 7) / 8;
    std::vector<RGBQUAD> map(256, RGBQUAD { 0, 0, 0, 0 });
    if (h.colourMapType == 1) {
        for (uint32_t i = 0; i < h.mapLength; ++i) {
            uint8_t e[4] = { 0, 0, 0, 0 };
            if (!in.bytes(e, mapEntryBytes)) {
                SetLastError("TGA colour map is truncated");
                return false;
            }
            const uint32_t index = h.mapFirst + i;
            if (index >= 256)
                continue;
            uint8_t bgr[3] = { e[0], e[1], e[2] };
            if (mapEntryBytes == 2)
                expand16(e, bgr);
            map[index] = RGBQUAD { bgr[0], bgr[1], bgr[2], 0 };
        }
    }

    const uint32_t w = h.width, ht = h.height;
    const size_t pixelBytes = (h.depth + 7) / 8;
    const size_t total = size_t(w) * ht * pixelBytes;
    // Each run-length packet of at most 1 + pixelBytes bytes gives at most 128 pixels.
    if (rle ? total > (in.left() + 1) * 128 * pixelBytes : total > in.left()) {
        SetLastError("TGA file is truncated");
        return false;
    }
    std::vector<uint8_t> pixels(total);
    if (!rle) {
        in.bytes(pixels.data(), total);
    } else {
        size_t at = 0;
        while (at < total) {
            const uint8_t packet = in.u8();
            const size_t count = std::min<size_t>((packet & 0x7F) + 1, (total - at) / pixelBytes);
            if (packet & 0x80) {
                uint8_t value[4] = { 0, 0, 0, 0 };
                in.bytes(value, pixelBytes);
                for (size_t i = 0; i < count; ++i, at += pixelBytes)
                    std::memcpy(pixels.data() + at, value, pixelBytes);
            } else {
                if (!in.bytes(pixels.data() + at, count * pixelBytes))
                    break;
                at += count * pixelBytes;
            }
            if (in.overrun())
                break;
        }
        if (in.overrun()) {
            SetLastError("TGA file is truncated");
            return false;
        }
    }

    const bool palette = base == 1 || base == 3;
    if (!Create(w, ht, palette ? 8 : 24, CXIMAGE_FORMAT_TGA))
        return false;
    if (base == 1)
        SetPalette(map.data(), 256);
    else if (base == 3)
        SetGrayPalette();
    const bool alpha = h.depth == 32;
    if (alpha && !AlphaCreate()) {
        SetLastError("can't allocate memory");
        return false;
    }
    const bool topOrigin = h.descriptor & 0x20;
    const bool rightOrigin = h.descriptor & 0x10;
    uint8_t anyAlpha = 0;
    for (uint32_t r = 0; r < ht; ++r) {
        const uint32_t y = topOrigin ? ht - 1 - r : r;
        const uint8_t* s = pixels.data() + size_t(r) * w * pixelBytes;
        uint8_t* d = GetBits(y);
        uint8_t* a = alpha ? AlphaGetPointer(0, int32_t(y)) : nullptr;
        for (uint32_t i = 0; i < w; ++i, s += pixelBytes) {
            const uint32_t x = rightOrigin ? w - 1 - i : i;
            if (palette) {
                d[x] = s[0];
            } else if (pixelBytes == 2) {
                expand16(s, d + x * 3);
            } else {
                std::memcpy(d + x * 3, s, 3);
                if (a) {
                    a[x] = s[3];
                    anyAlpha |= s[3];
                }
            }
        }
    }
    // Writers that do not use the fourth byte leave it zero: the picture is opaque.
    if (alpha && ((h.descriptor & 0x0F) == 0 || !anyAlpha))
        AlphaDelete();
    return true;
}

bool CxImageTGA::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    if (w > 65535 || h > 65535) {
        SetLastError("TGA images must fit 65535 x 65535");
        return false;
    }
    const bool palette = GetNumColors() > 0;
    const bool gray = palette && GetBpp() == 8 && IsGrayScale();
    const bool alpha = !palette && AlphaIsValid();
    std::vector<uint8_t> out;
    out.push_back(0);
    out.push_back(palette && !gray ? 1 : 0);
    out.push_back(gray ? 3 : (palette ? 1 : 2));
    putLe16(out, 0);
    putLe16(out, palette && !gray ? GetNumColors() : 0);
    out.push_back(palette && !gray ? 24 : 0);
    putLe16(out, 0);
    putLe16(out, 0);
    putLe16(out, w);
    putLe16(out, h);
    out.push_back(palette ? 8 : (alpha ? 32 : 24));
    out.push_back(alpha ? 8 : 0);
    if (palette && !gray) {
        for (uint32_t i = 0; i < GetNumColors(); ++i) {
            const RGBQUAD c = GetPaletteColor(i);
            out.insert(out.end(), { c.rgbBlue, c.rgbGreen, c.rgbRed });
        }
    }
    const size_t pixelBytes = palette ? 1 : (alpha ? 4 : 3);
    out.reserve(out.size() + size_t(w) * h * pixelBytes);
    for (uint32_t y = 0; y < h; ++y) {
        if (palette) {
            for (uint32_t x = 0; x < w; ++x)
                out.push_back(BlindGetPixelIndex(int32_t(x), int32_t(y)));
        } else if (alpha) {
            const uint8_t* s = GetBits(y);
            const uint8_t* a = AlphaGetPointer(0, int32_t(y));
            for (uint32_t x = 0; x < w; ++x, s += 3)
                out.insert(out.end(), { s[0], s[1], s[2], a[x] });
        } else {
            const uint8_t* s = GetBits(y);
            out.insert(out.end(), s, s + size_t(w) * 3);
        }
    }
    if (!writeAll(file, out)) {
        SetLastError("Error writing TGA file");
        return false;
    }
    return true;
}
