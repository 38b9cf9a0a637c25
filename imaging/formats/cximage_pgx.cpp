// CxImageJAS, PGX part: the single-component test format of JPEG 2000 ("PG ML + 8 w h" and
// raw samples). Read at any depth up to 16 bits; written as 8-bit grey.
#include "imaging/formats/cximage_jas.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace cxcodec;

bool CxImageJAS::decodePgx(CxFile* file)
{
    char line[128] = {};
    const int64_t start = file->Tell();
    if (!file->GetS(line, sizeof(line))) {
        SetLastError("Not a PGX");
        return false;
    }
    char order[3] = {};
    char sign = '+';
    unsigned depth = 0, w = 0, h = 0;
    // The sign is optional and may stand apart or next to the depth.
    int fields = std::sscanf(line, "PG %2s %c %u %u %u", order, &sign, &depth, &w, &h);
    if (fields != 5) {
        sign = '+';
        fields = std::sscanf(line, "PG %2s %u %u %u", order, &depth, &w, &h) + 1;
    }
    const bool bigEndian = std::strcmp(order, "ML") == 0;
    if (fields != 5 || (!bigEndian && std::strcmp(order, "LM") != 0) || (sign != '+' && sign != '-') || depth == 0
        || depth > 16) {
        SetLastError("PGX header is invalid");
        return false;
    }
    if (!fitsMemory(w, h, 8)) {
        SetLastError("PGX image size is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = CXIMAGE_FORMAT_PGX;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    const uint64_t bytes = depth > 8 ? 2 : 1;
    const int64_t left = file->Size() - file->Tell();
    if (left < 0 || uint64_t(w) * h * bytes > uint64_t(left)) {
        SetLastError("PGX file is truncated");
        return false;
    }
    (void)start;
    if (!Create(w, h, 8, CXIMAGE_FORMAT_PGX))
        return false;
    SetGrayPalette();
    std::vector<uint8_t> row(size_t(w * bytes));
    const int64_t offset = sign == '-' ? (int64_t(1) << (depth - 1)) : 0;
    const int64_t max = (int64_t(1) << depth) - 1;
    for (uint32_t r = 0; r < h; ++r) {
        if (file->Read(row.data(), 1, row.size()) != row.size()) {
            Destroy();
            SetLastError("PGX file is truncated");
            return false;
        }
        uint8_t* d = GetBits(h - 1 - r);
        for (uint32_t x = 0; x < w; ++x) {
            int64_t v;
            if (bytes == 2) {
                const uint8_t* p = row.data() + x * 2;
                uint16_t u = bigEndian ? uint16_t((p[0] << 8) | p[1]) : uint16_t(p[0] | (p[1] << 8));
                v = sign == '-' ? int64_t(int16_t(u << (16 - depth)) >> (16 - depth)) : int64_t(u);
            } else {
                v = sign == '-' ? int64_t(int8_t(row[x] << (8 - depth)) >> (8 - depth)) : int64_t(row[x]);
            }
            v = std::clamp<int64_t>(v + offset, 0, max);
            d[x] = depth > 8 ? uint8_t(v >> (depth - 8)) : uint8_t(v * 255 / max);
        }
    }
    return true;
}

bool CxImageJAS::encodePgx(CxFile* file)
{
    if (!(GetBpp() == 8 && IsGrayScale())) {
        SetLastError("JasPer can save only RGB or GrayScale images");
        return false;
    }
    const uint32_t w = GetWidth(), h = GetHeight();
    char head[64];
    const int n = std::snprintf(head, sizeof(head), "PG ML + 8 %u %u\n", w, h);
    std::vector<uint8_t> out(head, head + n);
    for (uint32_t r = 0; r < h; ++r) {
        const uint8_t* s = GetBits(h - 1 - r);
        out.insert(out.end(), s, s + w);
    }
    if (!writeAll(file, out)) {
        SetLastError("Error writing PGX file");
        return false;
    }
    return true;
}
