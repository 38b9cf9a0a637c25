// CxImage bit-field conversion, run-length DIB decoding, packed-DIB buffers and memory images.
#include "imaging/cximage.h"
#include "imaging/cximage_p.h"

#include <cstdlib>
#include <cstring>

using namespace cximage_p;

static int lowBit(uint32_t mask)
{
    if (!mask)
        return 0;
    int n = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++n;
    }
    return n;
}

static int bitCount(uint32_t mask)
{
    int n = 0;
    for (; mask; mask &= mask - 1)
        ++n;
    return n;
}

// Scales a channel extracted from a 16- or 32-bit word so that its top bit lands on bit 7.
static inline uint8_t channel16(uint32_t w, uint32_t mask, int low, int width)
{
    const uint32_t v = (w & mask) >> low;
    return width <= 8 ? uint8_t(v << (8 - width)) : uint8_t(v >> (width - 8));
}

void CxImage::Bitfield2RGB(const uint8_t* src, uint32_t redMask, uint32_t greenMask, uint32_t blueMask, uint8_t bpp)
{
    if (!m_dib || !src || m_head.biBitCount != 24)
        return;
    const uint32_t w = GetWidth();
    const uint32_t h = GetHeight();
    if (bpp == 16) {
        const uint32_t rm = redMask & 0xFFFF, gm = greenMask & 0xFFFF, bm = blueMask & 0xFFFF;
        const int rl = lowBit(rm), gl = lowBit(gm), bl = lowBit(bm);
        const int rw = bitCount(rm), gw = bitCount(gm), bw = bitCount(bm);
        const size_t srcStride = ((size_t(w) * 16 + 31) / 32) * 4;
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* s = src + y * srcStride;
            uint8_t* d = m_info.pixels + size_t(y) * m_info.rowStride;
            for (uint32_t x = 0; x < w; ++x, s += 2, d += 3) {
                const uint32_t v = le16(s);
                d[0] = channel16(v, bm, bl, bw);
                d[1] = channel16(v, gm, gl, gw);
                d[2] = channel16(v, rm, rl, rw);
            }
        }
    } else if (bpp == 32) {
        // Byte position of a channel: how many 8-bit shifts leave the mask non-zero.
        auto bytePos = [](uint32_t m) {
            int n = 0;
            for (int i = 8; i < 32; i += 8) {
                if (m >> i)
                    ++n;
            }
            return n;
        };
        const int rb = bytePos(redMask), gb = bytePos(greenMask), bb = bytePos(blueMask);
        // The byte rule only reads whole bytes; a mask that is not one whole byte (0x00000FF0,
        // 10-bit channels) is decoded from its own bits instead.
        auto byteAligned
            = [](uint32_t m) { return m == 0 || m == 0xFFu || m == 0xFF00u || m == 0xFF0000u || m == 0xFF000000u; };
        const bool aligned = byteAligned(redMask) && byteAligned(greenMask) && byteAligned(blueMask);
        const int rl = lowBit(redMask), gl = lowBit(greenMask), bl = lowBit(blueMask);
        const int rw = bitCount(redMask), gw = bitCount(greenMask), bw = bitCount(blueMask);
        const size_t srcStride = size_t(w) * 4;
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* s = src + y * srcStride;
            uint8_t* d = m_info.pixels + size_t(y) * m_info.rowStride;
            if (!aligned) {
                for (uint32_t x = 0; x < w; ++x, s += 4, d += 3) {
                    const uint32_t v
                        = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
                    d[0] = byteAligned(blueMask) ? s[bb] : channel16(v, blueMask, bl, bw);
                    d[1] = byteAligned(greenMask) ? s[gb] : channel16(v, greenMask, gl, gw);
                    d[2] = byteAligned(redMask) ? s[rb] : channel16(v, redMask, rl, rw);
                }
            } else if (rb == 2 && gb == 1 && bb == 0) {
                for (uint32_t x = 0; x < w; ++x, s += 4, d += 3) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
            } else {
                for (uint32_t x = 0; x < w; ++x, s += 4, d += 3) {
                    d[0] = s[bb];
                    d[1] = s[gb];
                    d[2] = s[rb];
                }
            }
        }
    }
}

namespace cximage_p {

bool decodeRle(
    const uint8_t* src, size_t srcSize, int bits, uint8_t* rows, size_t stride, uint32_t width, uint32_t height)
{
    size_t pos = 0;
    uint32_t x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (y < height && x < width) {
            uint8_t* row = rows + size_t(y) * stride;
            if (bits == 8) {
                row[x] = v;
            } else {
                uint8_t& b = row[x >> 1];
                b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | (v << 4));
            }
        }
        ++x;
    };
    while (pos + 1 < srcSize && y < height) {
        const uint8_t n = src[pos++];
        const uint8_t v = src[pos++];
        if (n > 0) {
            for (uint32_t i = 0; i < n && x < width; ++i)
                put(bits == 8 ? v : ((i & 1) ? (v & 0x0F) : (v >> 4)));
            continue;
        }
        switch (v) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return true;
        case 2: // delta
            if (pos + 1 >= srcSize)
                return true;
            x += src[pos++];
            y += src[pos++];
            break;
        default: { // literal run, padded to an even number of bytes
            const size_t bytes = bits == 8 ? v : (size_t(v) + 1) / 2;
            for (uint32_t i = 0; i < v; ++i) {
                const size_t at = pos + (bits == 8 ? i : i / 2);
                if (at >= srcSize)
                    return true;
                const uint8_t b = src[at];
                put(bits == 8 ? b : ((i & 1) ? (b & 0x0F) : (b >> 4)));
            }
            pos += bytes + (bytes & 1);
            break;
        }
        }
    }
    return true;
}

} // namespace cximage_p

bool CxImage::FromGlobalDib(const uint8_t* data, size_t size)
{
    if (!Destroy())
        return false;
    if (!data || size < 12) {
        SetLastError("Invalid DIB");
        return false;
    }
    BITMAPINFOHEADER h {};
    const uint32_t headerSize = le32(data);
    if (headerSize == 12) {
        h.biSize = 12;
        h.biWidth = le16(data + 4);
        h.biHeight = int16_t(le16(data + 6));
        h.biPlanes = le16(data + 8);
        h.biBitCount = le16(data + 10);
    } else if (headerSize >= 40 && size >= headerSize) {
        std::memcpy(&h, data, 40);
    } else {
        SetLastError("Invalid DIB");
        return false;
    }
    bool topDown = false;
    if (h.biHeight < 0) {
        if (h.biHeight == INT32_MIN) {
            SetLastError("Invalid DIB");
            return false;
        }
        h.biHeight = -h.biHeight;
        topDown = true;
    }
    const uint32_t bits = h.biBitCount;
    if (h.biWidth <= 0 || h.biHeight <= 0
        || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
        SetLastError("Invalid DIB");
        return false;
    }
    if (!Create(uint32_t(h.biWidth), uint32_t(h.biHeight), bits, 0))
        return false;
    SetXDPI(int32_t(h.biXPelsPerMeter * 254.0 / 10000.0 + 0.5));
    SetYDPI(int32_t(h.biYPelsPerMeter * 254.0 / 10000.0 + 0.5));

    uint32_t colours = h.biClrUsed;
    if (colours == 0 && bits <= 8)
        colours = 1u << bits;
    if (colours > 256 && bits <= 8)
        colours = 256;
    const size_t entrySize = h.biSize == 12 ? 3 : 4;
    size_t pos = headerSize;
    if ((bits == 16 || bits == 32) && h.biCompression == 3 && headerSize == 40)
        pos += 12; // the channel masks follow a plain info header
    if (pos + colours * entrySize > size) {
        Destroy();
        SetLastError("Invalid DIB");
        return false;
    }
    if (bits <= 8) {
        RGBQUAD* pal = GetPalette();
        for (uint32_t i = 0; i < colours && i < GetNumColors(); ++i) {
            const uint8_t* e = data + pos + i * entrySize;
            pal[i] = RGBQUAD { e[0], e[1], e[2], 0 };
        }
    }
    pos += colours * entrySize;
    const uint8_t* pixels = data + pos;
    const size_t avail = size - pos;

    bool ok = true;
    if (h.biCompression == 0 && bits != 16 && bits != 32) {
        if (avail < m_head.biSizeImage) {
            // A short buffer: keep what is there, the rest black.
            std::memcpy(m_info.pixels, pixels, avail);
            std::memset(m_info.pixels + avail, 0, m_head.biSizeImage - avail);
        } else {
            std::memcpy(m_info.pixels, pixels, m_head.biSizeImage);
        }
    } else if (bits <= 8) {
        if ((bits == 8 && h.biCompression == 1) || (bits == 4 && h.biCompression == 2)) {
            std::memset(m_info.pixels, 0, m_head.biSizeImage);
            decodeRle(pixels, avail, int(bits), m_info.pixels, m_info.rowStride, GetWidth(), GetHeight());
        } else {
            SetLastError("compression type not supported");
            ok = false;
        }
    } else if (bits == 16 || bits == 32) {
        uint32_t r, g, b;
        if (h.biCompression == 3) {
            r = le32(data + 40);
            g = le32(data + 44);
            b = le32(data + 48);
        } else if (h.biCompression == 0) {
            r = bits == 16 ? 0x7C00 : 0xFF0000;
            g = bits == 16 ? 0x03E0 : 0xFF00;
            b = bits == 16 ? 0x001F : 0xFF;
        } else {
            SetLastError("unknown compression");
            ok = false;
        }
        if (ok) {
            const size_t need = ((size_t(GetWidth()) * bits + 31) / 32) * 4 * GetHeight();
            if (avail < need) {
                SetLastError("Invalid DIB");
                ok = false;
            } else {
                Bitfield2RGB(pixels, r, g, b, uint8_t(bits));
            }
        }
    } else {
        SetLastError("unknown compression");
        ok = false;
    }
    if (!ok) {
        Destroy();
        return false;
    }
    if (topDown)
        flipRowsInPlace(m_info.pixels, m_info.rowStride, GetHeight());
    return true;
}

std::vector<uint8_t> CxImage::ToGlobalDib() const
{
    if (!m_dib)
        return {};
    std::vector<uint8_t> out(m_dib, m_dib + GetSize());
    std::memcpy(out.data(), &m_head, sizeof(m_head));
    return out;
}

// Memory image: header, attribute record, dib block, then marker bytes with the planes,
// layers and frames. Only meaningful inside the same process and build.
uint32_t CxImage::MemoryImageSize() const
{
    uint64_t n = sizeof(BITMAPINFOHEADER) + sizeof(CxImageInfo) + 4;
    if (m_dib)
        n += GetSize();
    const uint64_t plane = uint64_t(GetWidth()) * GetHeight();
    if (m_alpha)
        n += plane;
    if (m_selection)
        n += plane;
    for (int32_t i = 0; m_layers && i < m_info.layerCount; ++i)
        n += m_layers[i] ? m_layers[i]->MemoryImageSize() + 1 : 0;
    for (int32_t i = 0; m_frames && i < m_info.frameCount; ++i)
        n += m_frames[i] ? m_frames[i]->MemoryImageSize() + 1 : 0;
    return uint32_t(n);
}

uint32_t CxImage::WriteMemoryImage(uint8_t* buffer) const
{
    if (!buffer)
        return 0;
    uint8_t* p = buffer;
    std::memcpy(p, &m_head, sizeof(m_head));
    p += sizeof(m_head);
    std::memcpy(p, &m_info, sizeof(m_info));
    p += sizeof(m_info);
    if (m_dib) {
        std::memcpy(p, m_dib, GetSize());
        std::memcpy(p, &m_head, sizeof(m_head));
        p += GetSize();
    }
    const size_t plane = size_t(GetWidth()) * GetHeight();
    *p++ = m_alpha ? 1 : 0;
    if (m_alpha) {
        std::memcpy(p, m_alpha, plane);
        p += plane;
    }
    *p++ = m_selection ? 1 : 0;
    if (m_selection) {
        std::memcpy(p, m_selection, plane);
        p += plane;
    }
    *p++ = (m_layers && m_info.layerCount > 0) ? 1 : 0;
    for (int32_t i = 0; m_layers && i < m_info.layerCount; ++i)
        p += m_layers[i]->WriteMemoryImage(p);
    *p++ = (m_frames && m_info.frameCount > 0) ? 1 : 0;
    for (int32_t i = 0; m_frames && i < m_info.frameCount; ++i)
        p += m_frames[i]->WriteMemoryImage(p);
    return MemoryImageSize();
}

uint32_t CxImage::ReadMemoryImage(const uint8_t* buffer, size_t size)
{
    if (!buffer || !DestroyFrames() || !Destroy())
        return 0;
    const uint8_t* p = buffer;
    const uint8_t* end = buffer + size;
    auto fail = [&]() -> uint32_t {
        DestroyFrames();
        Destroy();
        SetLastError("Invalid memory image");
        return 0;
    };
    if (size_t(end - p) < sizeof(BITMAPINFOHEADER) + sizeof(CxImageInfo))
        return fail();
    BITMAPINFOHEADER head;
    CxImageInfo info;
    std::memcpy(&head, p, sizeof(head));
    p += sizeof(head);
    std::memcpy(&info, p, sizeof(info));
    p += sizeof(info);
    const int32_t layers = info.layerCount;
    const int32_t frames = info.frameCount;
    std::memcpy(&m_info, &info, sizeof(info));
    m_info.pixels = nullptr;
    m_info.ghost = nullptr;
    m_info.parent = nullptr;
    m_info.layerCount = 0;
    m_info.frameCount = 0;
    m_info.lastError[sizeof(m_info.lastError) - 1] = 0;
    m_head = head;
    if (head.biWidth > 0 && head.biHeight > 0) {
        const CxRect box = info.selectionBox;
        if (!Create(uint32_t(head.biWidth), uint32_t(head.biHeight), head.biBitCount, info.type))
            return fail();
        if (GetSize() > size_t(end - p))
            return fail();
        std::memcpy(m_dib, p, GetSize());
        std::memcpy(&m_head, m_dib, sizeof(m_head));
        m_head.biSize = 40;
        m_head.biClrUsed = GetNumColors();
        std::memcpy(m_dib, &m_head, sizeof(m_head));
        p += GetSize();
        m_info.selectionBox = box;
    }
    const size_t plane = size_t(GetWidth()) * GetHeight();
    auto readPlane = [&](uint8_t*& dst) -> bool {
        if (p >= end)
            return false;
        if (*p++ == 0)
            return true;
        if (plane > size_t(end - p) || !m_dib)
            return false;
        dst = static_cast<uint8_t*>(std::malloc(plane));
        if (!dst)
            return false;
        std::memcpy(dst, p, plane);
        p += plane;
        return true;
    };
    if (!readPlane(m_alpha) || !readPlane(m_selection))
        return fail();
    auto readList = [&](CxImage**& list, int32_t count, int32_t& counter) -> bool {
        if (p >= end)
            return false;
        if (*p++ == 0)
            return true;
        if (count <= 0 || count > 65536)
            return false;
        list = static_cast<CxImage**>(std::calloc(size_t(count), sizeof(CxImage*)));
        if (!list)
            return false;
        for (int32_t i = 0; i < count; ++i) {
            auto* img = new CxImage();
            const uint32_t used = img->ReadMemoryImage(p, size_t(end - p));
            list[i] = img;
            counter = i + 1;
            if (!used)
                return false;
            p += used;
        }
        return true;
    };
    if (!readList(m_layers, layers, m_info.layerCount))
        return fail();
    for (int32_t i = 0; i < m_info.layerCount; ++i)
        m_layers[i]->m_info.parent = this;
    if (!readList(m_frames, frames, m_info.frameCount))
        return fail();
    return uint32_t(p - buffer);
}
