// CxImagePCX: ZSoft PCX reading (1 bit in 1 to 4 planes, 2, 4 and 8 bits, 24 and 32 bits in
// planes; raw or run-length encoded) and run-length encoded writing.
#include "imaging/formats/cximage_pcx.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace cxcodec;

namespace {

/// Run-length encodes one plane line: runs of up to 63 equal bytes, and bytes >= 0xC0 always
/// behind a count so they are never taken for one.
void encodeLine(const uint8_t* s, size_t n, std::vector<uint8_t>& out)
{
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 63 && s[i + run] == s[i])
            ++run;
        if (run > 1 || s[i] >= 0xC0)
            out.push_back(uint8_t(0xC0 | run));
        out.push_back(s[i]);
        i += run;
    }
}

} // namespace

bool CxImagePCX::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    const int64_t start = file->Tell();
    uint8_t head[128];
    if (file->Read(head, 1, 128) != 128) {
        SetLastError("Not a PCX");
        return false;
    }
    ByteReader hr(head, 128);
    const uint8_t manufacturer = hr.u8(), version = hr.u8(), encoding = hr.u8(), bits = hr.u8();
    const uint16_t xmin = hr.le16(), ymin = hr.le16(), xmax = hr.le16(), ymax = hr.le16();
    const uint16_t hdpi = hr.le16(), vdpi = hr.le16();
    hr.skip(48 + 1);
    const uint8_t planes = hr.u8();
    const uint16_t bytesPerLine = hr.le16();
    const bool versionOk = version == 0 || version == 2 || version == 3 || version == 4 || version == 5;
    if (manufacturer != 0x0A || !versionOk || encoding > 1 || xmax < xmin || ymax < ymin) {
        SetLastError("Not a PCX");
        return false;
    }
    const uint32_t w = uint32_t(xmax - xmin) + 1, h = uint32_t(ymax - ymin) + 1;
    enum class Kind { Mono, Planar4, Packed, Indexed8, Rgb, Rgba } kind;
    if (bits == 1 && planes == 1)
        kind = Kind::Mono;
    else if (bits == 1 && planes >= 2 && planes <= 4)
        kind = Kind::Planar4;
    else if ((bits == 2 || bits == 4) && planes == 1)
        kind = Kind::Packed;
    else if (bits == 8 && planes == 1)
        kind = Kind::Indexed8;
    else if (bits == 8 && planes == 3)
        kind = Kind::Rgb;
    else if (bits == 8 && planes == 4)
        kind = Kind::Rgba;
    else {
        SetLastError("PCX layout is not supported");
        return false;
    }
    if (bytesPerLine < (uint64_t(w) * bits + 7) / 8 || !fitsMemory(w, h, 32)) {
        SetLastError("PCX header is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = CXIMAGE_FORMAT_PCX;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    file->Seek(start, 0);
    std::vector<uint8_t> data;
    if (!readRest(file, data)) {
        SetLastError("PCX file too large");
        return false;
    }
    ByteReader in(data.data(), data.size());
    in.skip(128);
    const size_t lineBytes = size_t(bytesPerLine) * planes;
    const uint64_t total = uint64_t(lineBytes) * h;
    // A run-length pair of two bytes yields at most 63 bytes.
    if (encoding ? total > (in.left() + 1) * 32 : total > in.left()) {
        SetLastError("PCX file is truncated");
        return false;
    }
    std::vector<uint8_t> raw(size_t(total), 0);
    if (encoding == 0) {
        in.bytes(raw.data(), raw.size());
    } else {
        // Runs may continue across line ends, as some writers let them.
        size_t at = 0;
        while (at < raw.size() && in.left()) {
            uint8_t b = in.u8();
            size_t run = 1;
            if ((b & 0xC0) == 0xC0) {
                run = b & 0x3F;
                b = in.u8();
            }
            run = std::min(run, raw.size() - at);
            std::memset(raw.data() + at, b, run);
            at += run;
        }
        // A short file leaves the missing lines black rather than failing on the last bytes.
    }

    const uint32_t outBits = kind == Kind::Mono
        ? 1
        : (kind == Kind::Planar4 || kind == Kind::Packed ? 4 : (kind == Kind::Indexed8 ? 8 : 24));
    if (!Create(w, h, outBits, CXIMAGE_FORMAT_PCX))
        return false;
    if (hdpi > 0 && hdpi < 10000 && vdpi > 0 && vdpi < 10000) {
        SetXDPI(hdpi);
        SetYDPI(vdpi);
    }
    // Palettes: 16 entries in the header, or 256 behind a 0x0C marker at the end.
    const uint8_t* headerPalette = head + 16;
    if (kind == Kind::Indexed8) {
        if (data.size() >= 128 + 769 && data[data.size() - 769] == 0x0C) {
            const uint8_t* p = data.data() + data.size() - 768;
            for (uint32_t i = 0; i < 256; ++i)
                SetPaletteColor(i, p[i * 3], p[i * 3 + 1], p[i * 3 + 2]);
        } else {
            SetGrayPalette();
        }
    } else if (outBits <= 4) {
        bool empty = true;
        for (int i = 0; i < 48; ++i)
            empty = empty && headerPalette[i] == 0;
        if (kind == Kind::Mono && empty) {
            SetPaletteColor(0, 0, 0, 0);
            SetPaletteColor(1, 255, 255, 255);
        } else {
            const uint32_t n = std::min<uint32_t>(GetNumColors(), 16);
            for (uint32_t i = 0; i < n; ++i)
                SetPaletteColor(i, headerPalette[i * 3], headerPalette[i * 3 + 1], headerPalette[i * 3 + 2]);
        }
    }
    if (kind == Kind::Rgba && !AlphaCreate()) {
        SetLastError("can't allocate memory");
        return false;
    }

    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t y = h - 1 - r;
        const uint8_t* line = raw.data() + size_t(r) * lineBytes;
        uint8_t* d = GetBits(y);
        switch (kind) {
        case Kind::Mono:
            std::memcpy(d, line, std::min<size_t>(bytesPerLine, GetEffWidth()));
            break;
        case Kind::Planar4:
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t v = 0;
                for (uint32_t p = 0; p < planes; ++p)
                    v |= uint8_t(((line[p * bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1) << p);
                BlindSetPixelIndex(int32_t(x), int32_t(y), v);
            }
            break;
        case Kind::Packed:
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t bit = x * bits;
                const uint8_t v = uint8_t((line[bit >> 3] >> (8 - bits - (bit & 7))) & ((1 << bits) - 1));
                BlindSetPixelIndex(int32_t(x), int32_t(y), v);
            }
            break;
        case Kind::Indexed8:
            std::memcpy(d, line, w);
            break;
        case Kind::Rgb:
        case Kind::Rgba: {
            uint8_t* a = kind == Kind::Rgba ? AlphaGetPointer(0, int32_t(y)) : nullptr;
            for (uint32_t x = 0; x < w; ++x, d += 3) {
                d[2] = line[x];
                d[1] = line[bytesPerLine + x];
                d[0] = line[2 * bytesPerLine + x];
                if (a)
                    a[x] = line[3 * bytesPerLine + x];
            }
            break;
        }
        }
    }
    return true;
}

bool CxImagePCX::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    if (w > 65535 || h > 65535) {
        SetLastError("PCX images must fit 65535 x 65535");
        return false;
    }
    const uint32_t bpp = GetBpp();
    const uint8_t bits = bpp == 24 || bpp == 8 ? 8 : 1;
    const uint8_t planes = bpp == 24 ? 3 : (bpp == 4 ? 4 : 1);
    const uint32_t bytesPerLine = ((w * bits + 15) / 16) * 2;
    std::vector<uint8_t> out(128, 0);
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = 1;
    out[3] = bits;
    auto set16 = [&out](size_t at, uint32_t v) {
        out[at] = uint8_t(v);
        out[at + 1] = uint8_t(v >> 8);
    };
    set16(8, w - 1);
    set16(10, h - 1);
    set16(12, uint32_t(GetXDPI()));
    set16(14, uint32_t(GetYDPI()));
    if (bpp <= 4) {
        for (uint32_t i = 0; i < GetNumColors(); ++i) {
            const RGBQUAD c = GetPaletteColor(i);
            out[16 + i * 3] = c.rgbRed;
            out[16 + i * 3 + 1] = c.rgbGreen;
            out[16 + i * 3 + 2] = c.rgbBlue;
        }
    }
    out[65] = planes;
    set16(66, bytesPerLine);
    set16(68, 1);

    std::vector<uint8_t> line(size_t(bytesPerLine) * planes);
    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t y = h - 1 - r;
        std::fill(line.begin(), line.end(), 0);
        const uint8_t* s = GetBits(y);
        if (bpp == 24) {
            for (uint32_t x = 0; x < w; ++x, s += 3) {
                line[x] = s[2];
                line[bytesPerLine + x] = s[1];
                line[2 * bytesPerLine + x] = s[0];
            }
        } else if (bpp == 4) {
            for (uint32_t x = 0; x < w; ++x) {
                const uint8_t v = BlindGetPixelIndex(int32_t(x), int32_t(y));
                for (uint32_t p = 0; p < 4; ++p) {
                    if (v & (1 << p))
                        line[p * bytesPerLine + (x >> 3)] |= uint8_t(0x80 >> (x & 7));
                }
            }
        } else {
            std::memcpy(line.data(), s, std::min<size_t>(bytesPerLine, GetEffWidth()));
        }
        for (uint32_t p = 0; p < planes; ++p)
            encodeLine(line.data() + p * bytesPerLine, bytesPerLine, out);
    }
    if (bpp == 8) {
        out.push_back(0x0C);
        for (uint32_t i = 0; i < 256; ++i) {
            const RGBQUAD c = GetPaletteColor(i);
            out.insert(out.end(), { c.rgbRed, c.rgbGreen, c.rgbBlue });
        }
    }
    if (!writeAll(file, out)) {
        SetLastError("Error writing PCX file");
        return false;
    }
    return true;
}
