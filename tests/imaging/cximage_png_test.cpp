// Tests of the PNG codec: every colour type and depth, transparency, interlacing, density.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include "tests/common/png_memory_writer.h"
#include "tests/common/test_support.h"
#include "tests/imaging/imaging_test_util.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

using namespace imgtest;

namespace {
std::vector<uint8_t> encodePng(CxImage& img)
{
    CxMemFile mem;
    mem.Open();
    EXPECT_TRUE(img.Encode(&mem, CXIMAGE_FORMAT_PNG)) << img.GetLastError();
    const uint8_t* b = mem.GetBuffer(false);
    return std::vector<uint8_t>(b, b + mem.Size());
}

bool decodePng(CxImage& img, std::vector<uint8_t> bytes)
{
    CxMemFile mem(bytes.data(), bytes.size());
    return img.Decode(&mem, CXIMAGE_FORMAT_PNG);
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data)
{
    const uint32_t n = uint32_t(data.size());
    const uint8_t len[4] = { uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n) };
    png.insert(png.end(), len, len + 4);
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uint32_t crc = uint32_t(crc32(0, png.data() + start, uInt(png.size() - start)));
    const uint8_t c[4] = { uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc) };
    png.insert(png.end(), c, c + 4);
}

/// An 8-bit palette PNG, 2 x 1: index 0 red, index 1 blue, with the given tRNS values.
std::vector<uint8_t> palettePng(const std::vector<uint8_t>& trns)
{
    std::vector<uint8_t> png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    chunk(png, "IHDR", { 0, 0, 0, 2, 0, 0, 0, 1, 8, 3, 0, 0, 0 });
    chunk(png, "PLTE", { 255, 0, 0, 0, 0, 255 });
    chunk(png, "tRNS", trns);
    const uint8_t raw[3] = { 0, 0, 1 };
    uLongf size = 64;
    std::vector<uint8_t> z(size);
    compress(z.data(), &size, raw, 3);
    z.resize(size);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    return png;
}
} // namespace

TEST(CxImagePng, PaletteTransparency)
{
    CxImage img;
    ASSERT_TRUE(decodePng(img, palettePng({ 255, 0 }))) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 8);
    EXPECT_EQ(img.TransparentIndex(), 1);
    EXPECT_TRUE(img.IsTransparent(1, 0));
    EXPECT_FALSE(img.IsTransparent(0, 0));

    // Partial alpha cannot be a transparent index: the picture gets an alpha plane.
    ASSERT_TRUE(decodePng(img, palettePng({ 255, 128 }))) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 24);
    ASSERT_TRUE(img.AlphaIsValid());
    EXPECT_EQ(img.AlphaGet(0, 0), 255);
    EXPECT_EQ(img.AlphaGet(1, 0), 128);
    EXPECT_EQ(img.GetPixelColor(1, 0, false).rgbBlue, 255);
}

TEST(CxImagePng, RgbAndRgbaRoundTrip)
{
    CxImage src = patterned(17, 9);
    src.SetXDPI(200);
    src.SetYDPI(100);
    CxImage back;
    ASSERT_TRUE(decodePng(back, encodePng(src)));
    EXPECT_TRUE(samePixels(back, src));
    EXPECT_FALSE(back.AlphaIsValid());
    EXPECT_EQ(back.GetXDPI(), 200);
    EXPECT_EQ(back.GetYDPI(), 100);

    ASSERT_TRUE(src.AlphaCreate());
    src.AlphaSet(16, 8, 3);
    ASSERT_TRUE(decodePng(back, encodePng(src)));
    EXPECT_TRUE(samePixels(back, src));
    ASSERT_TRUE(back.AlphaIsValid());
    EXPECT_EQ(back.AlphaGet(16, 8), 3);
    EXPECT_EQ(back.AlphaGet(0, 0), 255);
}

TEST(CxImagePng, PaletteAndGrayRoundTrip)
{
    for (uint32_t bpp : { 1u, 4u, 8u }) {
        CxImage src(10, 5, bpp, 0);
        for (uint32_t i = 0; i < src.GetNumColors(); ++i)
            src.SetPaletteColor(i, uint8_t(i), uint8_t(i * 2), 77);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 10; ++x)
                src.SetPixelIndex(x, y, uint8_t((x * 3 + y) % src.GetNumColors()));
        src.SetTransparentIndex(1);
        CxImage back;
        ASSERT_TRUE(decodePng(back, encodePng(src))) << bpp;
        EXPECT_EQ(back.GetBpp(), bpp);
        EXPECT_EQ(back.TransparentIndex(), 1);
        EXPECT_TRUE(samePixels(back, src)) << bpp;
    }
    CxImage gray(6, 6, 8, 0);
    gray.SetGrayPalette();
    gray.Clear(99);
    CxImage back;
    ASSERT_TRUE(decodePng(back, encodePng(gray)));
    EXPECT_TRUE(back.IsGrayScale());
    EXPECT_EQ(back.GetPixelIndex(5, 5), 99);
}

TEST(CxImagePng, DamagedFilesFail)
{
    CxImage src = patterned(40, 40);
    std::vector<uint8_t> bytes = encodePng(src);
    CxImage img = patterned(2, 2);
    EXPECT_FALSE(decodePng(img, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 60)));
    EXPECT_STREQ(img.GetLastError(), "PNG file is truncated");
    EXPECT_FALSE(decodePng(img, { 1, 2, 3 }));
    EXPECT_STREQ(img.GetLastError(), "Not a PNG");
    std::vector<uint8_t> badCrc = bytes;
    badCrc[bytes.size() / 2] ^= 0x55;
    EXPECT_FALSE(decodePng(img, badCrc));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_EQ(img.GetWidth(), 2u);
}

TEST(CxImagePng, ImageMagickVariantsLoad)
{
    const std::string im = imageMagick();
    if (im.empty())
        GTEST_SKIP() << "ImageMagick not installed";
    testsupport::TempDir dir;
    // Left half opaque red, right half half-transparent blue; 8 x 4.
    const std::string base
        = im + " -size 4x4 xc:red \\( -size 4x4 xc:blue -alpha set -channel A -evaluate set 50% +channel \\) +append ";
    struct Case {
        std::string args;
        std::string file;
        bool alpha;
        uint16_t bpp;
    };
    const Case cases[] = {
        { "", "PNG32:a.png", true, 24 },
        { "-depth 16", "PNG64:b.png", true, 24 },
        { "-interlace PNG", "PNG32:c.png", true, 24 },
        { "-alpha off", "PNG24:d.png", false, 24 },
        { "-alpha off -depth 16", "PNG48:e.png", false, 24 },
        { "-alpha off -interlace PNG", "PNG24:f.png", false, 24 },
        { "", "PNG8:g.png", false, 8 }, // ImageMagick drops the partial alpha here
        { "-alpha off -define png:bit-depth=2 -define png:color-type=3", "h.png", false, 4 },
    };
    for (const Case& c : cases) {
        const std::string out = dir.file(c.file.substr(c.file.find(':') + 1));
        const std::string target
            = c.file.find(':') != std::string::npos ? c.file.substr(0, c.file.find(':') + 1) + out : out;
        ASSERT_TRUE(run(base + c.args + " " + target)) << c.file;
        CxImage img;
        ASSERT_TRUE(img.Load(out.c_str(), CXIMAGE_FORMAT_PNG)) << c.file << ": " << img.GetLastError();
        EXPECT_EQ(img.GetWidth(), 8u) << c.file;
        EXPECT_EQ(img.GetBpp(), c.bpp) << c.file;
        EXPECT_EQ(img.AlphaIsValid(), c.alpha) << c.file;
        const RGBQUAD red = img.GetPixelColor(1, 2, false);
        EXPECT_EQ(red.rgbRed, 255) << c.file;
        EXPECT_EQ(red.rgbBlue, 0) << c.file;
        const RGBQUAD blue = img.GetPixelColor(6, 1, false);
        EXPECT_EQ(blue.rgbBlue, 255) << c.file;
        EXPECT_EQ(blue.rgbRed, 0) << c.file;
        if (c.alpha) {
            EXPECT_EQ(img.AlphaGet(1, 1), 255) << c.file;
            EXPECT_NEAR(img.AlphaGet(6, 1), 128, 1) << c.file;
        }
    }

    // Gray, gray with alpha, and a gray tRNS key.
    ASSERT_TRUE(run(im + " -size 4x2 gradient:white-black -depth 16 PNG:" + dir.file("g16.png")));
    CxImage g;
    ASSERT_TRUE(g.Load(dir.file("g16.png").c_str(), CXIMAGE_FORMAT_PNG)) << g.GetLastError();
    EXPECT_EQ(g.GetBpp(), 8);
    EXPECT_TRUE(g.IsGrayScale());
    EXPECT_EQ(g.GetPixelIndex(0, 1), 255);
    EXPECT_EQ(g.GetPixelIndex(0, 0), 0);
    ASSERT_TRUE(
        run(im + " -size 4x2 xc:gray50 -alpha set -channel A -evaluate set 25% +channel -define png:color-type=4 "
            + dir.file("ga.png")));
    ASSERT_TRUE(g.Load(dir.file("ga.png").c_str(), CXIMAGE_FORMAT_PNG)) << g.GetLastError();
    EXPECT_EQ(g.GetBpp(), 8);
    EXPECT_NEAR(g.GetPixelIndex(2, 1), 127, 1);
    EXPECT_NEAR(g.AlphaGet(2, 1), 64, 1);
    ASSERT_TRUE(run(im + " -size 4x1 xc:black -define png:bit-depth=1 -define png:color-type=0 " + dir.file("g1.png")));
    ASSERT_TRUE(g.Load(dir.file("g1.png").c_str(), CXIMAGE_FORMAT_PNG)) << g.GetLastError();
    EXPECT_EQ(g.GetPixelColor(3, 0).rgbRed, 0);
}

namespace {

/// The picture as libpng writes it with its default filters and compression level 6.
size_t libpngDefaultSize(CxImage& img)
{
    testsupport::PngMemoryWriter writer;
    png_structp png = writer.png;
    png_infop info = writer.info;
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    const bool alpha = img.AlphaIsValid();
    png_set_IHDR(png, info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // The same density chunk as ours, so that only the pixel data is compared.
    png_set_pHYs(png, info, png_uint_32(img.GetXDPI() * 10000 / 254), png_uint_32(img.GetYDPI() * 10000 / 254),
        PNG_RESOLUTION_METER);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t(w) * 4);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const RGBQUAD c = img.GetPixelColor(int32_t(x), int32_t(h - 1 - y), false);
            uint8_t* d = row.data() + size_t(x) * (alpha ? 4 : 3);
            d[0] = c.rgbRed;
            d[1] = c.rgbGreen;
            d[2] = c.rgbBlue;
            if (alpha)
                d[3] = img.AlphaGet(int32_t(x), int32_t(h - 1 - y));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return writer.out.size();
}

/// Filter type of every row of a non-interlaced 8-bit PNG written by us.
std::vector<int> rowFilters(const std::vector<uint8_t>& png, size_t rowBytes, uint32_t rows)
{
    std::vector<uint8_t> z;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t n = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 | size_t(png[at + 2]) << 8 | png[at + 3];
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0)
            z.insert(z.end(), png.begin() + long(at + 8), png.begin() + long(at + 8 + n));
        at += n + 12;
    }
    std::vector<uint8_t> raw((rowBytes + 1) * rows);
    uLongf size = uLongf(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &size, z.data(), uLong(z.size())), Z_OK);
    std::vector<int> filters;
    for (uint32_t y = 0; y < rows; ++y)
        filters.push_back(raw[y * (rowBytes + 1)]);
    return filters;
}

std::vector<std::filesystem::path> artwork()
{
    std::vector<std::filesystem::path> files;
    for (const char* dir : { "resources/skin", "resources/demo/Frame", "resources/demo/Background",
             "resources/demo/BaseMap", "resources/demo/Emotion" })
        for (const auto& e : std::filesystem::directory_iterator(testsupport::sourceDir() / dir))
            if (e.path().extension() == ".png")
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(CxImagePng, FlatArtworkIsWithinThreePercentOfLibpngDefault)
{
    // Skins and frames are flat colours; a fixed photo filter would make them up to a third larger.
    const std::vector<std::filesystem::path> files = artwork();
    ASSERT_GT(files.size(), 20u);
    double worst = 0;
    std::string worstFile;
    size_t ours = 0, theirs = 0;
    for (const auto& f : files) {
        CxImage img;
        ASSERT_TRUE(img.Load(f.string().c_str(), CXIMAGE_FORMAT_PNG)) << f;
        if (img.GetBpp() != 24 || img.GetWidth() * img.GetHeight() < 4096)
            continue; // small icons: headers dominate; palette pictures are written as libpng does
        const size_t a = encodePng(img).size(), b = libpngDefaultSize(img);
        ours += a;
        theirs += b;
        if (double(a) / double(b) > worst) {
            worst = double(a) / double(b);
            worstFile = f.filename().string();
        }
    }
    ASSERT_GT(theirs, 0u);
    EXPECT_LE(worst, 1.03) << worstFile;
    EXPECT_LE(double(ours) / double(theirs), 1.03);
}

TEST(CxImagePng, PhotosKeepOneFastFilter)
{
    // The photo path: one fixed filter on every row (libpng's adaptive choice varies per row), and
    // still no more than 3 % above libpng's own choice.
    for (const char* name : { "astronaut.png", "chelsea.png", "coffee.png" }) {
        CxImage img;
        const auto path = testsupport::sourceDir() / "resources/demo/Portrait" / name;
        ASSERT_TRUE(img.Load(path.string().c_str(), CXIMAGE_FORMAT_PNG)) << path;
        ASSERT_EQ(img.GetBpp(), 24u);
        ASSERT_FALSE(img.AlphaIsValid());
        const std::vector<uint8_t> png = encodePng(img);
        const std::vector<int> filters = rowFilters(png, size_t(img.GetWidth()) * 3, img.GetHeight());
        const int averaged = int(std::count(filters.begin(), filters.end(), PNG_FILTER_VALUE_PAETH));
        EXPECT_EQ(averaged, int(filters.size())) << name;
        EXPECT_LE(double(png.size()) / double(libpngDefaultSize(img)), 1.03) << name;
    }
}
