// CxImageJAS, PNM part: portable bitmaps, grey maps and pixmaps (P1 to P6, any maxval,
// comments). Writing gives P5 for grey-scale pictures and P6 for everything else.
#include "imaging/formats/cximage_jas.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace cxcodec;

namespace {

/// Reads the header's and ASCII data's numbers, skipping white space and # comments.
class PnmTokens {
public:
    PnmTokens(const std::vector<uint8_t>& d, size_t pos)
        : m_d(d)
        , m_pos(pos)
    {
    }
    size_t pos() const { return m_pos; }
    void skipSpace()
    {
        while (m_pos < m_d.size()) {
            const uint8_t c = m_d[m_pos];
            if (c == '#') {
                while (m_pos < m_d.size() && m_d[m_pos] != '\n' && m_d[m_pos] != '\r')
                    ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                ++m_pos;
            } else {
                return;
            }
        }
    }
    /// A decimal number below 2^31; false at the end or on anything else.
    bool number(uint32_t& v)
    {
        skipSpace();
        v = 0;
        size_t digits = 0;
        while (m_pos < m_d.size() && m_d[m_pos] >= '0' && m_d[m_pos] <= '9') {
            v = v * 10 + uint32_t(m_d[m_pos++] - '0');
            if (++digits > 9)
                return false;
        }
        return digits > 0;
    }
    /// One P1 sample: a single 0 or 1, separators optional.
    bool bit(uint32_t& v)
    {
        skipSpace();
        if (m_pos >= m_d.size() || (m_d[m_pos] != '0' && m_d[m_pos] != '1'))
            return false;
        v = uint32_t(m_d[m_pos++] - '0');
        return true;
    }
    void skipOne() { ++m_pos; }

private:
    const std::vector<uint8_t>& m_d;
    size_t m_pos;
};

} // namespace

bool CxImageJAS::decodePnm(CxFile* file)
{
    std::vector<uint8_t> data;
    if (!readRest(file, data) || data.size() < 3 || data[0] != 'P' || data[1] < '1' || data[1] > '6') {
        SetLastError("Not a PNM");
        return false;
    }
    const int kind = data[1] - '0';
    const bool bitmap = kind == 1 || kind == 4;
    const bool colour = kind == 3 || kind == 6;
    const bool binary = kind >= 4;
    PnmTokens tok(data, 2);
    uint32_t w = 0, h = 0, maxval = 1;
    if (!tok.number(w) || !tok.number(h) || (!bitmap && !tok.number(maxval)) || maxval == 0 || maxval > 65535) {
        SetLastError("PNM header is invalid");
        return false;
    }
    if (!fitsMemory(w, h, colour ? 24 : 8)) {
        SetLastError("PNM image size is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = CXIMAGE_FORMAT_PNM;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    // Binary data starts after exactly one white-space byte behind the header.
    size_t at = tok.pos() + 1;
    const uint64_t channels = colour ? 3 : 1;
    const uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    const uint64_t left = data.size() > at ? data.size() - at : 0;
    const uint64_t needed = bitmap ? (binary ? (uint64_t(w) + 7) / 8 * h : uint64_t(w) * h)
                                   : uint64_t(w) * h * channels * (binary ? sampleBytes : 1);
    if (needed > left) {
        SetLastError("PNM file is truncated");
        return false;
    }
    if (!Create(w, h, bitmap ? 1 : (colour ? 24 : 8), CXIMAGE_FORMAT_PNM))
        return false;
    if (bitmap) {
        SetPaletteColor(0, 255, 255, 255); // in PBM files 1 is black
        SetPaletteColor(1, 0, 0, 0);
    } else if (!colour) {
        SetGrayPalette();
    }
    auto scale = [maxval](uint32_t v) -> uint8_t {
        v = std::min(v, maxval);
        return uint8_t((v * 255 + maxval / 2) / maxval);
    };
    PnmTokens ascii(data, tok.pos());
    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t y = h - 1 - r;
        uint8_t* d = GetBits(y);
        if (bitmap && binary) {
            const size_t rowBytes = (size_t(w) + 7) / 8;
            std::copy_n(data.data() + at, rowBytes, d);
            at += rowBytes;
            continue;
        }
        for (uint32_t x = 0; x < w; ++x) {
            for (uint64_t c = 0; c < (bitmap ? 1 : channels); ++c) {
                uint32_t v = 0;
                if (binary) {
                    v = sampleBytes == 2 ? uint32_t((data[at] << 8) | data[at + 1]) : data[at];
                    at += sampleBytes;
                } else if (!(bitmap ? ascii.bit(v) : ascii.number(v))) {
                    Destroy();
                    SetLastError("PNM data is damaged");
                    return false;
                }
                if (bitmap)
                    BlindSetPixelIndex(int32_t(x), int32_t(y), uint8_t(v));
                else if (colour)
                    d[x * 3 + 2 - c] = scale(v);
                else
                    d[x] = scale(v);
            }
        }
    }
    return true;
}

bool CxImageJAS::encodePnm(CxFile* file)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    const bool gray = GetBpp() == 8 && IsGrayScale();
    char head[64];
    const int n = std::snprintf(head, sizeof(head), "P%c\n%u %u\n255\n", gray ? '5' : '6', w, h);
    std::vector<uint8_t> out(head, head + n);
    out.reserve(out.size() + size_t(w) * h * (gray ? 1 : 3));
    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t y = h - 1 - r;
        const uint8_t* s = GetBits(y);
        for (uint32_t x = 0; x < w; ++x) {
            if (gray) {
                out.push_back(s[x]);
            } else {
                const RGBQUAD c = BlindGetPixelColor(int32_t(x), int32_t(y), false);
                out.insert(out.end(), { c.rgbRed, c.rgbGreen, c.rgbBlue });
            }
        }
    }
    if (!writeAll(file, out)) {
        SetLastError("Error writing PNM file");
        return false;
    }
    return true;
}
