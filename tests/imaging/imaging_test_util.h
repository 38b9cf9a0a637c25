// Helpers shared by the imaging tests: byte files, patterned images, external tools.
#pragma once

#include "imaging/cximage.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace imgtest {

inline std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

inline void put32(std::vector<uint8_t>& v, uint32_t x)
{
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

/// BMP file header plus a 40-byte info header.
inline std::vector<uint8_t> bmpHeaders(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t colours,
    uint32_t dataOffset, bool fileHeader = true)
{
    std::vector<uint8_t> v;
    if (fileHeader) {
        v.push_back('B');
        v.push_back('M');
        put32(v, 0);
        put32(v, 0);
        put32(v, dataOffset);
    }
    put32(v, 40);
    put32(v, uint32_t(w));
    put32(v, uint32_t(h));
    put16(v, 1);
    put16(v, bits);
    put32(v, compression);
    put32(v, 0);
    put32(v, 2835);
    put32(v, 2835);
    put32(v, colours);
    put32(v, 0);
    return v;
}

/// A 24-bit picture whose pixels are a function of position, so flips and shifts show.
inline CxImage patterned(uint32_t w, uint32_t h)
{
    CxImage img(w, h, 24, 0);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelColor(
                int32_t(x), int32_t(y), RGBQUAD { uint8_t(x * 7), uint8_t(y * 5), uint8_t(x + y * 3), 0 });
    }
    return img;
}

/// Smooth colours that survive JPEG compression nearly unchanged.
inline CxImage smooth(uint32_t w, uint32_t h)
{
    CxImage img(w, h, 24, 0);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelColor(
                int32_t(x), int32_t(y), RGBQUAD { uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t(128), 0 });
    }
    return img;
}

inline bool samePixels(const CxImage& a, const CxImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (uint32_t y = 0; y < a.GetHeight(); ++y) {
        for (uint32_t x = 0; x < a.GetWidth(); ++x) {
            const RGBQUAD p = a.GetPixelColor(int32_t(x), int32_t(y), false);
            const RGBQUAD q = b.GetPixelColor(int32_t(x), int32_t(y), false);
            if (p.rgbBlue != q.rgbBlue || p.rgbGreen != q.rgbGreen || p.rgbRed != q.rgbRed)
                return false;
        }
    }
    return true;
}

/// ImageMagick's convert, or empty when it is not installed.
inline std::string imageMagick()
{
    for (const char* c : { "/usr/bin/convert", "/usr/local/bin/convert" }) {
        if (std::ifstream(c).good())
            return c;
    }
    return {};
}

inline bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

/// Damages bytes the way a broken disk or a hostile writer would: one to four bit flips, random
/// bytes, saturated bytes, a truncation or an inserted run.
inline void mutate(std::vector<uint8_t>& m, std::mt19937& rng)
{
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits && !m.empty(); ++e) {
        const size_t at = rng() % m.size();
        switch (rng() % 5) {
        case 0:
            m[at] ^= uint8_t(1u << (rng() % 8));
            break;
        case 1:
            m[at] = uint8_t(rng());
            break;
        case 2:
            m[at] = (rng() & 1) ? 0xFF : 0x00;
            break;
        case 3:
            m.resize(at + 1);
            break;
        default:
            m.insert(m.begin() + long(at), size_t(1 + rng() % 8), uint8_t(rng()));
            break;
        }
    }
}

} // namespace imgtest
