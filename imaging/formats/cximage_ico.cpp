// CxImageICO: icon directory, DIB entries with their AND masks, and PNG entries (through the
// PNG codec on a memory stream).
#include "imaging/formats/cximage_ico.h"

#include "imaging/cximage_p.h"
#include "imaging/formats/cximage_codec_p.h"
#include "imaging/formats/cximage_png.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace cxcodec;
using cximage_p::le32;

namespace {

constexpr uint8_t kPngSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

/// Decodes one entry's bytes into img; returns null or the failure text.
const char* decodeEntry(const uint8_t* data, size_t size, CxImage& img)
{
    if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) {
        CxMemFile mem(const_cast<uint8_t*>(data), size);
        CxImagePNG png;
        if (!png.Decode(&mem)) {
            img.SetLastError("%s", png.GetLastError());
            return img.GetLastError();
        }
        img.TakeOver(png);
        img.SetType(CXIMAGE_FORMAT_ICO);
        return nullptr;
    }
    ByteReader in(data, size);
    const uint32_t headerSize = in.le32();
    const int32_t w = int32_t(in.le32());
    const int32_t h2 = int32_t(in.le32());
    in.le16(); // planes
    const uint32_t bits = in.le16();
    const uint32_t compression = in.le32();
    in.skip(12);
    uint32_t colours = in.le32();
    if (in.overrun() || headerSize < 40 || headerSize > size || w <= 0 || h2 <= 1 || compression != 0)
        return "ICO entry header is invalid";
    if (!(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
        return "ICO entry bit depth is not supported";
    const uint32_t width = uint32_t(w), height = uint32_t(h2) / 2;
    if (!fitsMemory(width, height, 32))
        return "ICO entry size is invalid";
    const uint64_t xorStride = ((uint64_t(width) * bits + 31) / 32) * 4;
    const uint64_t andStride = ((uint64_t(width) + 31) / 32) * 4;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits)))
        colours = 1u << bits;
    if (bits > 8)
        colours = 0;
    const uint64_t paletteAt = headerSize;
    const uint64_t xorAt = paletteAt + uint64_t(colours) * 4;
    const uint64_t andAt = xorAt + xorStride * height;
    if (andAt > size)
        return "ICO entry is truncated";
    const bool hasMask = andAt + andStride * height <= size;

    if (!img.Create(width, height, bits <= 8 ? bits : 24, CXIMAGE_FORMAT_ICO))
        return img.GetLastError();
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* p = data + paletteAt + i * 4;
        img.SetPaletteColor(i, p[2], p[1], p[0]);
    }
    bool alphaFromPixels = false;
    if (bits == 32) {
        if (!img.AlphaCreate())
            return "can't allocate memory";
        uint8_t any = 0;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* s = data + xorAt + xorStride * y;
            uint8_t* d = img.GetBits(y);
            uint8_t* a = img.AlphaGetPointer(0, int32_t(y));
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                a[x] = s[3];
                any |= s[3];
            }
        }
        // Old 32-bit icons leave the fourth byte zero and rely on the AND mask.
        alphaFromPixels = any != 0;
        if (!alphaFromPixels)
            img.AlphaClear(255);
    } else {
        const size_t rowBytes = std::min<size_t>(size_t(xorStride), img.GetEffWidth());
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(img.GetBits(y), data + xorAt + xorStride * y, rowBytes);
    }
    if (hasMask && !alphaFromPixels) {
        bool anyClear = false;
        for (uint32_t y = 0; y < height && !anyClear; ++y) {
            const uint8_t* m = data + andAt + andStride * y;
            for (uint32_t x = 0; x < width; ++x)
                anyClear = anyClear || (m[x >> 3] & (0x80 >> (x & 7)));
        }
        if (anyClear) {
            if (!img.AlphaCreate())
                return "can't allocate memory";
            for (uint32_t y = 0; y < height; ++y) {
                const uint8_t* m = data + andAt + andStride * y;
                uint8_t* a = img.AlphaGetPointer(0, int32_t(y));
                for (uint32_t x = 0; x < width; ++x)
                    a[x] = (m[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
            }
        }
    }
    if (bits == 32 && !alphaFromPixels && !img.AlphaIsValid())
        img.AlphaDelete();
    return nullptr;
}

/// One entry's bytes: a DIB with its AND mask, or a PNG for pictures above 256 pixels.
bool encodeEntry(CxImage& img, std::vector<uint8_t>& out, uint8_t& colourCount, uint16_t& bitCount)
{
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    if (w > 256 || h > 256) {
        CxMemFile mem;
        mem.Open();
        if (!img.Encode(&mem, CXIMAGE_FORMAT_PNG))
            return false;
        const uint8_t* b = mem.GetBuffer(false);
        out.assign(b, b + mem.Size());
        colourCount = 0;
        bitCount = 32;
        return true;
    }
    const bool alpha = img.AlphaIsValid();
    const uint32_t bits = img.GetBpp() <= 8 ? img.GetBpp() : (alpha ? 32 : 24);
    const uint32_t xorStride = ((w * bits + 31) / 32) * 4;
    const uint32_t andStride = ((w + 31) / 32) * 4;
    const uint32_t colours = img.GetNumColors();
    putLe32(out, 40);
    putLe32(out, w);
    putLe32(out, h * 2);
    putLe16(out, 1);
    putLe16(out, bits);
    putLe32(out, 0);
    putLe32(out, (xorStride + andStride) * h);
    putLe32(out, 0);
    putLe32(out, 0);
    putLe32(out, colours);
    putLe32(out, 0);
    for (uint32_t i = 0; i < colours; ++i) {
        const RGBQUAD c = img.GetPaletteColor(i);
        out.insert(out.end(), { c.rgbBlue, c.rgbGreen, c.rgbRed, 0 });
    }
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = img.GetBits(y);
        if (bits == 32) {
            for (uint32_t x = 0; x < w; ++x, s += 3)
                out.insert(out.end(), { s[0], s[1], s[2], img.AlphaGet(int32_t(x), int32_t(y)) });
        } else {
            out.insert(out.end(), s, s + xorStride);
        }
    }
    for (uint32_t y = 0; y < h; ++y) {
        std::vector<uint8_t> mask(andStride, 0);
        for (uint32_t x = 0; x < w; ++x) {
            const bool clear = alpha ? img.AlphaGet(int32_t(x), int32_t(y)) < 128
                                     : (img.IsTransparent() && img.IsTransparent(int32_t(x), int32_t(y)));
            if (clear)
                mask[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
        out.insert(out.end(), mask.begin(), mask.end());
    }
    colourCount = bits < 8 ? uint8_t(1u << bits) : 0;
    bitCount = uint16_t(bits);
    return true;
}

} // namespace

bool CxImageICO::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    uint8_t head[6];
    const int64_t start = file->Tell();
    if (file->Read(head, 1, 6) != 6 || head[0] || head[1] || !(head[2] == 1 || head[2] == 2) || head[3]
        || (head[4] | head[5]) == 0) {
        SetLastError("Not an ICO");
        return false;
    }
    file->Seek(start, 0);
    std::vector<uint8_t> data;
    if (!readRest(file, data)) {
        SetLastError("ICO file too large");
        return false;
    }
    const uint32_t count = uint32_t(head[4] | (head[5] << 8));
    if (6 + uint64_t(count) * 16 > data.size()) {
        SetLastError("ICO directory is truncated");
        return false;
    }
    m_info.frameCount = int32_t(count);
    const int32_t wanted = m_info.currentFrame;
    if (wanted < 0 || uint32_t(wanted) >= count) {
        SetLastError("ICO frame not found");
        return false;
    }
    auto entry = [&](uint32_t i, CxImage& img) -> bool {
        const uint8_t* e = data.data() + 6 + i * 16;
        const uint32_t bytes = le32(e + 8);
        const uint32_t offset = le32(e + 12);
        if (offset >= data.size()) {
            img.SetLastError("ICO entry is outside the file");
            return false;
        }
        const size_t n = std::min<size_t>(bytes ? bytes : data.size(), data.size() - offset);
        const char* failure = decodeEntry(data.data() + offset, n, img);
        if (failure) {
            const std::string text = failure;
            img.Destroy();
            img.SetLastError("%s", text.c_str());
            return false;
        }
        return true;
    };

    if (m_info.escape == -1) {
        const uint8_t* e = data.data() + 6 + uint32_t(wanted) * 16;
        m_head.biWidth = e[0] ? e[0] : 256;
        m_head.biHeight = e[1] ? e[1] : 256;
        m_info.type = CXIMAGE_FORMAT_ICO;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    FrameList frames;
    if (m_info.retrieveAllFrames) {
        for (uint32_t i = 0; i < count; ++i) {
            auto img = std::make_unique<CxImage>();
            if (!entry(i, *img)) {
                SetLastError("%s", img->GetLastError());
                return false;
            }
            frames.push_back(std::move(img));
        }
    }
    CxImage chosen;
    if (!entry(uint32_t(wanted), chosen)) {
        SetLastError("%s", chosen.GetLastError());
        return false;
    }
    TakeOver(chosen);
    m_info.type = CXIMAGE_FORMAT_ICO;
    m_info.currentFrame = wanted;
    m_info.frameCount = int32_t(count);
    if (!storeFrames(frames, m_frames, m_info.frameCount)) {
        SetLastError("can't allocate memory");
        return false;
    }
    return true;
}

bool CxImageICO::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    CxImage* self = this;
    return Encode(file, &self, 1);
}

bool CxImageICO::Encode(CxFile* file, CxImage** images, int count)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    if (!images || count <= 0 || count > 65535) {
        SetLastError("null image!!!");
        return false;
    }
    std::vector<std::vector<uint8_t>> entries(static_cast<size_t>(count));
    std::vector<uint8_t> dir;
    putLe16(dir, 0);
    putLe16(dir, 1);
    putLe16(dir, uint32_t(count));
    uint32_t offset = 6 + 16 * uint32_t(count);
    for (int i = 0; i < count; ++i) {
        CxImage* img = images[i];
        if (!img || !img->IsValid()) {
            SetLastError("null image!!!");
            return false;
        }
        uint8_t colourCount = 0;
        uint16_t bitCount = 0;
        if (!encodeEntry(*img, entries[size_t(i)], colourCount, bitCount)) {
            SetLastError("%s", img->GetLastError());
            return false;
        }
        const uint32_t w = img->GetWidth(), h = img->GetHeight();
        dir.push_back(w >= 256 ? 0 : uint8_t(w));
        dir.push_back(h >= 256 ? 0 : uint8_t(h));
        dir.push_back(colourCount);
        dir.push_back(0);
        putLe16(dir, 1);
        putLe16(dir, bitCount);
        putLe32(dir, uint32_t(entries[size_t(i)].size()));
        putLe32(dir, offset);
        offset += uint32_t(entries[size_t(i)].size());
    }
    bool ok = writeAll(file, dir);
    for (const auto& e : entries)
        ok = ok && writeAll(file, e);
    if (!ok) {
        SetLastError("Error writing ICO file");
        return false;
    }
    return true;
}
