// Helpers for the format tests: memory round trips and plain PPM files exchanged with
// external tools (written and parsed here, independently of the PNM codec under test).
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include "tests/imaging/imaging_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace fmttest {

inline bool decodeBytes(CxImage& img, std::vector<uint8_t> bytes, uint32_t id)
{
    CxMemFile mem(bytes.data(), bytes.size());
    return img.Decode(&mem, id);
}

inline std::vector<uint8_t> encodeBytes(CxImage& img, uint32_t id)
{
    CxMemFile mem;
    mem.Open();
    if (!img.Encode(&mem, id))
        return {};
    const uint8_t* b = mem.GetBuffer(false);
    return std::vector<uint8_t>(b, b + mem.Size());
}

/// Writes the picture as a binary PPM (P6, maxval 255), top row first.
inline void writePpm(const std::string& path, const CxImage& img)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << img.GetWidth() << " " << img.GetHeight() << "\n255\n";
    for (uint32_t r = 0; r < img.GetHeight(); ++r) {
        for (uint32_t x = 0; x < img.GetWidth(); ++x) {
            const RGBQUAD c = img.GetPixelColor(int32_t(x), int32_t(img.GetHeight() - 1 - r), false);
            const char px[3] = { char(c.rgbRed), char(c.rgbGreen), char(c.rgbBlue) };
            out.write(px, 3);
        }
    }
}

/// Parses a binary PPM with maxval 255 (as ImageMagick writes with -depth 8) into a 24-bit image.
inline bool readPpm(const std::string& path, CxImage& img)
{
    std::vector<uint8_t> b = imgtest::readFile(path);
    size_t at = 0;
    auto token = [&]() {
        std::string t;
        while (at < b.size()) {
            if (b[at] == '#') {
                while (at < b.size() && b[at] != '\n')
                    ++at;
            } else if (std::isspace(b[at])) {
                ++at;
            } else {
                break;
            }
        }
        while (at < b.size() && !std::isspace(b[at]))
            t.push_back(char(b[at++]));
        return t;
    };
    if (token() != "P6")
        return false;
    const uint32_t w = uint32_t(std::atoi(token().c_str()));
    const uint32_t h = uint32_t(std::atoi(token().c_str()));
    if (token() != "255" || !w || !h)
        return false;
    const size_t start = at + 1;
    if (b.size() < start + size_t(w) * h * 3)
        return false;
    img.Create(w, h, 24, 0);
    const uint8_t* p = b.data() + start;
    for (uint32_t r = 0; r < h; ++r) {
        for (uint32_t x = 0; x < w; ++x, p += 3)
            img.SetPixelColor(int32_t(x), int32_t(h - 1 - r), RGBQUAD { p[2], p[1], p[0], 0 });
    }
    return true;
}

/// Runs ImageMagick's convert with the arguments; false when it fails.
inline bool convert(const std::string& args)
{
    return imgtest::run(imgtest::imageMagick() + " " + args);
}

/// Converts a file to PPM with ImageMagick (rows put upright by the file's orientation) and reads it back.
inline bool readWithImageMagick(const std::string& path, CxImage& img, const std::string& dir)
{
    const std::string ppm = dir + "/im_out.ppm";
    std::remove(ppm.c_str());
    return convert("'" + path + "' -auto-orient -depth 8 ppm:'" + ppm + "'") && readPpm(ppm, img);
}

/// Largest channel difference between two pictures of equal size; 256 when the sizes differ.
inline int maxDifference(const CxImage& a, const CxImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return 256;
    int worst = 0;
    for (uint32_t y = 0; y < a.GetHeight(); ++y) {
        for (uint32_t x = 0; x < a.GetWidth(); ++x) {
            const RGBQUAD p = a.GetPixelColor(int32_t(x), int32_t(y), false);
            const RGBQUAD q = b.GetPixelColor(int32_t(x), int32_t(y), false);
            worst = std::max({ worst, std::abs(p.rgbRed - q.rgbRed), std::abs(p.rgbGreen - q.rgbGreen),
                std::abs(p.rgbBlue - q.rgbBlue) });
        }
    }
    return worst;
}

/// An 8-bit palette image with a distinct colour per index and a position pattern.
inline CxImage paletted(uint32_t w, uint32_t h, uint32_t bpp = 8)
{
    CxImage img(w, h, bpp, 0);
    const uint32_t n = img.GetNumColors();
    for (uint32_t i = 0; i < n; ++i)
        img.SetPaletteColor(i, uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5 + 3));
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelIndex(int32_t(x), int32_t(y), uint8_t((x * 3 + y * 7) % n));
    }
    return img;
}

/// A 24-bit picture with only a handful of colours, so palette formats keep it exactly.
inline CxImage fewColours(uint32_t w, uint32_t h)
{
    static const RGBQUAD kColours[] = { { 0, 0, 255, 0 }, { 0, 255, 0, 0 }, { 255, 0, 0, 0 }, { 255, 255, 255, 0 },
        { 0, 0, 0, 0 }, { 40, 120, 200, 0 } };
    CxImage img(w, h, 24, 0);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelColor(int32_t(x), int32_t(y), kColours[(x / 2 + y) % 6]);
    }
    return img;
}

} // namespace fmttest

#define SKIP_WITHOUT_IMAGEMAGICK()                                                                                     \
    do {                                                                                                               \
        if (imgtest::imageMagick().empty())                                                                            \
            GTEST_SKIP() << "ImageMagick's convert is not installed";                                                  \
    } while (0)
