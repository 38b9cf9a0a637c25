// CxImageBMP: reading (file header or bare DIB, core to V5 headers, RLE, bit fields, alpha)
// and writing (palette, 24-bit, 32-bit with alpha) of Windows bitmaps.
#include "imaging/formats/cximage_bmp.h"

#include "imaging/cximage_p.h"
#include "platform/bmp_writer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace cximage_p;

namespace {
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<uint8_t, FreeDeleter>;

Buffer allocate(size_t n)
{
    return Buffer(static_cast<uint8_t*>(std::malloc(n ? n : 1)));
}
} // namespace

bool CxImageBMP::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    const int64_t start = file->Tell();
    uint8_t fh[14];
    if (file->Read(fh, 1, 14) != 14) {
        SetLastError("Not a BMP");
        return false;
    }
    uint32_t offset = 0;
    if (le16(fh) == 0x4D42) {
        offset = le32(fh + 10);
    } else {
        file->Seek(start, 0); // a bare DIB without file header
    }

    // The header size decides how much of the header follows; larger (V4/V5) headers carry
    // the bit-field masks at byte 40 and colour-space data after them.
    uint8_t ih[124] = {};
    if (file->Read(ih, 1, 4) != 4) {
        SetLastError("Error reading BMP info");
        return false;
    }
    const uint32_t headerSize = le32(ih);
    BITMAPINFOHEADER h {};
    bool core = false;
    uint32_t masks[3] = { 0, 0, 0 };
    bool masksInHeader = false;
    if (headerSize == 12) {
        if (file->Read(ih + 4, 1, 8) != 8) {
            SetLastError("Error reading BMP info");
            return false;
        }
        core = true;
        h.biSize = 40;
        h.biWidth = le16(ih + 4);
        h.biHeight = int16_t(le16(ih + 6));
        h.biPlanes = le16(ih + 8);
        h.biBitCount = le16(ih + 10);
    } else if (headerSize >= 40 && headerSize <= 65536) {
        const uint32_t keep = std::min<uint32_t>(headerSize, sizeof(ih));
        if (file->Read(ih + 4, 1, keep - 4) != keep - 4) {
            SetLastError("Error reading BMP info");
            return false;
        }
        std::memcpy(&h, ih, 40);
        if (headerSize > keep && !file->Seek(headerSize - keep, 1)) {
            SetLastError("Error reading BMP info");
            return false;
        }
        if (headerSize >= 52) {
            masksInHeader = true;
            masks[0] = le32(ih + 40);
            masks[1] = le32(ih + 44);
            masks[2] = le32(ih + 48);
        }
    } else {
        SetLastError("Error reading BMP info");
        return false;
    }

    const uint32_t bits = h.biBitCount;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN
        || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
        SetLastError("Error reading BMP info");
        return false;
    }
    const bool topDown = h.biHeight < 0;
    const uint32_t width = uint32_t(h.biWidth);
    const uint32_t height = uint32_t(topDown ? -h.biHeight : h.biHeight);
    const uint64_t srcStride = ((uint64_t(bits) * width + 31) / 32) * 4;
    if (h.biSizeImage == 0)
        h.biSizeImage = uint32_t(std::min<uint64_t>(srcStride * height, UINT32_MAX));
    uint32_t colours = h.biClrUsed;
    if (colours == 0 && bits <= 8)
        colours = 1u << bits;
    if (bits > 8 && h.biClrUsed > 65536) {
        SetLastError("Error reading BMP info");
        return false;
    }

    if (m_info.escape == -1) {
        // Header only: the caller wants the size without the pixels.
        m_head.biWidth = int32_t(width);
        m_head.biHeight = int32_t(height);
        m_head.biBitCount = uint16_t(bits);
        m_info.type = CXIMAGE_FORMAT_BMP;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }

    // Uncompressed pixels must be in the stream: check before allocating for a lying header.
    if (h.biCompression == 0 || h.biCompression == 3) {
        const int64_t size = file->Size();
        const int64_t dataStart = offset ? start + int64_t(offset) : file->Tell();
        if (size >= 0 && int64_t(srcStride * height) > size - dataStart) {
            SetLastError("BMP file is truncated");
            return false;
        }
    }
    if (!Create(width, height, bits, CXIMAGE_FORMAT_BMP))
        return false;
    SetXDPI(int32_t(h.biXPelsPerMeter * 254.0 / 10000.0 + 0.5));
    SetYDPI(int32_t(h.biYPelsPerMeter * 254.0 / 10000.0 + 0.5));

    auto fail = [this](const char* text) {
        Destroy();
        SetLastError("%s", text);
        return false;
    };

    // Palette (or, for deeper images, a colour table some writers put there; skipped).
    const size_t entrySize = core ? 3 : 4;
    if (bits <= 8) {
        const uint32_t usable = std::min<uint32_t>(colours, GetNumColors());
        uint8_t raw[256 * 4];
        if (file->Read(raw, entrySize, usable) != usable)
            return fail("Error reading BMP info");
        RGBQUAD* pal = GetPalette();
        for (uint32_t i = 0; i < usable; ++i)
            pal[i] = RGBQUAD { raw[i * entrySize], raw[i * entrySize + 1], raw[i * entrySize + 2], 0 };
        if (colours > usable && !offset)
            file->Seek(int64_t(colours - usable) * int64_t(entrySize), 1);
    }
    if (m_info.escape)
        return fail("Cancelled");

    if ((bits == 16 || bits == 32) && h.biCompression == 3 && !masksInHeader) {
        uint8_t m[12];
        if (file->Read(m, 1, 12) != 12)
            return fail("Error reading BMP info");
        masks[0] = le32(m);
        masks[1] = le32(m + 4);
        masks[2] = le32(m + 8);
    }
    if (offset)
        file->Seek(start + offset, 0);

    const uint32_t w = width;
    switch (bits) {
    case 1:
    case 4:
    case 8:
        if (h.biCompression == 0) {
            if (file->Read(m_info.pixels, 1, m_head.biSizeImage) != m_head.biSizeImage)
                return fail("BMP file is truncated");
        } else if ((bits == 8 && h.biCompression == 1) || (bits == 4 && h.biCompression == 2)) {
            // Run-length data never exceeds two bytes per pixel plus the row codes.
            const int64_t remaining = file->Size() - file->Tell();
            const uint64_t cap = uint64_t(width) * height * 2 + uint64_t(height) * 4 + 1024;
            const size_t n = size_t(std::clamp<int64_t>(remaining, 0, int64_t(cap)));
            Buffer rle = allocate(n);
            if (!rle)
                return fail("can't allocate memory");
            const size_t got = file->Read(rle.get(), 1, n);
            std::memset(m_info.pixels, 0, m_head.biSizeImage);
            decodeRle(rle.get(), got, int(bits), m_info.pixels, m_info.rowStride, width, height);
        } else {
            return fail("compression type not supported");
        }
        break;
    case 16: {
        if (h.biCompression != 3) {
            if (h.biCompression != 0)
                return fail("unknown compression");
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
        const size_t n = size_t(srcStride) * height;
        Buffer buf = allocate(n);
        if (!buf)
            return fail("can't allocate memory");
        if (file->Read(buf.get(), 1, n) != n)
            return fail("BMP file is truncated");
        Bitfield2RGB(buf.get(), masks[0], masks[1], masks[2], 16);
        break;
    }
    case 24:
        if (h.biCompression != 0)
            return fail("unknown compression");
        if (file->Read(m_info.pixels, 1, m_head.biSizeImage) != m_head.biSizeImage)
            return fail("BMP file is truncated");
        break;
    case 32: {
        if (h.biCompression != 0 && h.biCompression != 3)
            return fail("unknown compression");
        if (h.biCompression == 0) {
            masks[0] = 0xFF0000;
            masks[1] = 0xFF00;
            masks[2] = 0xFF;
        }
        const size_t n = size_t(w) * height * 4;
        Buffer buf = allocate(n);
        if (!buf)
            return fail("can't allocate memory");
        if (file->Read(buf.get(), 1, n) != n)
            return fail("BMP file is truncated");
        if (h.biCompression == 0) {
            if (!AlphaCreate())
                return fail("can't allocate memory");
            const uint8_t* s = buf.get() + 3;
            uint8_t any = 0;
            const size_t pixels = size_t(w) * height;
            for (size_t i = 0; i < pixels; ++i, s += 4) {
                m_alpha[i] = *s;
                any |= *s;
            }
            // Writers that leave the fourth byte unused write zeros: that means opaque.
            if (!any)
                AlphaInvert();
        }
        Bitfield2RGB(buf.get(), masks[0], masks[1], masks[2], 32);
        break;
    }
    default:
        return fail("unknown compression");
    }

    if (topDown) {
        flipRowsInPlace(m_info.pixels, m_info.rowStride, height);
        AlphaFlip();
    }
    return true;
}

bool CxImageBMP::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    const platform::BmpSink sink
        = [file](const uint8_t* data, size_t size) { return file->Write(data, 1, size) == size; };
    const BITMAPINFOHEADER& head = m_head;
    platform::BmpInfo info;
    info.size = head.biSize;
    info.width = head.biWidth;
    info.height = head.biHeight;
    info.planes = head.biPlanes;
    info.bitCount = head.biBitCount;
    info.compression = head.biCompression;
    info.sizeImage = head.biSizeImage;
    info.xPelsPerMeter = head.biXPelsPerMeter;
    info.yPelsPerMeter = head.biYPelsPerMeter;
    info.clrUsed = head.biClrUsed;
    info.clrImportant = head.biClrImportant;
    bool ok;
    if (m_head.biClrUsed || !m_alpha) {
        // The bitmap as it is held: header, palette, stored rows.
        platform::BmpWriteOptions options;
        options.palette = m_dib + 40;
        options.paletteBytes = GetPaletteSize();
        options.pixels = GetBits(0);
        ok = platform::writeBmp(sink, info, nullptr, options);
    } else {
        // Alpha goes into the fourth byte of a 32-bit file.
        const uint32_t w = GetWidth();
        info.bitCount = 32;
        info.compression = 0;
        info.sizeImage = w * GetHeight() * 4;
        info.clrUsed = 0;
        info.clrImportant = 0;
        ok = platform::writeBmp(sink, info, [this, w](uint32_t y, uint8_t* row) -> const uint8_t* {
            const uint8_t* s = GetBits(y);
            const uint8_t* a = m_alpha + size_t(y) * w;
            uint8_t* d = row;
            for (uint32_t x = 0; x < w; ++x, s += 3, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = a[x];
            }
            return row;
        });
    }
    if (!ok)
        SetLastError("Error writing BMP file");
    return ok;
}
