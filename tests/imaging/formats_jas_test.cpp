// Tests of the JPEG 2000 family: JP2 and code streams through OpenJPEG's own tools, PGX, PNM
// (P1 to P6, comments, maxval other than 255) and Sun raster, round trips and refusals.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace fmttest;

namespace {
std::vector<uint8_t> text(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

CxImage grayRamp(uint32_t w, uint32_t h)
{
    CxImage img(w, h, 8, 0);
    img.SetGrayPalette();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelIndex(int(x), int(y), uint8_t(x * 13 + y * 3));
    return img;
}

bool haveOpenJpegTools()
{
    return imgtest::run("test -x /usr/bin/opj_compress && test -x /usr/bin/opj_decompress");
}
} // namespace

TEST(CxImageJas, Jpeg2000RoundTripsAreLosslessAndRecogniseTheirKind)
{
    CxImage rgb = imgtest::patterned(45, 19);
    CxImage gray = grayRamp(7, 3);
    for (uint32_t id : { uint32_t(CXIMAGE_FORMAT_JP2), uint32_t(CXIMAGE_FORMAT_JPC) }) {
        CxImage back;
        ASSERT_TRUE(decodeBytes(back, encodeBytes(rgb, id), 0)) << back.GetLastError();
        EXPECT_EQ(back.GetType(), id);
        EXPECT_EQ(back.GetBpp(), 24);
        EXPECT_TRUE(imgtest::samePixels(back, rgb));
        ASSERT_TRUE(decodeBytes(back, encodeBytes(gray, id), id)) << back.GetLastError();
        EXPECT_TRUE(back.IsGrayScale());
        EXPECT_TRUE(imgtest::samePixels(back, gray));
    }
    // A bare code stream named .j2k loads with the JP2 id of that extension.
    CxImage viaJp2Id;
    EXPECT_TRUE(decodeBytes(viaJp2Id, encodeBytes(rgb, CXIMAGE_FORMAT_JPC), CXIMAGE_FORMAT_JP2));
}

TEST(CxImageJas, OnlyGreyAndRgbPicturesAreWritten)
{
    CxMemFile mem;
    mem.Open();
    for (uint32_t id : { 11u, 12u, 13u }) {
        CxImage pal = paletted(4, 4);
        EXPECT_FALSE(pal.Encode(&mem, id));
        EXPECT_STREQ(pal.GetLastError(), "JasPer can save only RGB or GrayScale images");
    }
    CxImage mono = paletted(4, 4, 1);
    EXPECT_FALSE(mono.Encode(&mem, CXIMAGE_FORMAT_JP2));
    EXPECT_STREQ(mono.GetLastError(), "JasPer can save only RGB or GrayScale images");
    CxImage rgb = imgtest::patterned(4, 4);
    EXPECT_FALSE(rgb.Encode(&mem, CXIMAGE_FORMAT_PGX));
}

TEST(CxImageJas, ExchangesJpeg2000WithOpenJpegTools)
{
    if (!haveOpenJpegTools())
        GTEST_SKIP() << "opj_compress is not installed";
    testsupport::TempDir dir;
    CxImage src = imgtest::patterned(64, 40);
    writePpm(dir.file("in.ppm"), src);
    for (const char* name : { "tool.jp2", "tool.j2k" }) {
        ASSERT_TRUE(imgtest::run("opj_compress -i " + dir.file("in.ppm") + " -o " + dir.file(name)));
        CxImage img;
        ASSERT_TRUE(img.Load(dir.file(name).c_str(), CXIMAGE_FORMAT_JP2)) << name << ": " << img.GetLastError();
        EXPECT_EQ(maxDifference(img, src), 0) << name;
    }
    // A lossy file (rate 20) loads at its size, with pixels close to the original.
    ASSERT_TRUE(imgtest::run("opj_compress -r 20 -i " + dir.file("in.ppm") + " -o " + dir.file("lossy.jp2")));
    CxImage lossy;
    ASSERT_TRUE(lossy.Load(dir.file("lossy.jp2").c_str(), 0));
    EXPECT_EQ(lossy.GetWidth(), 64u);
    EXPECT_LE(maxDifference(lossy, src), 64);

    for (uint32_t id : { uint32_t(CXIMAGE_FORMAT_JP2), uint32_t(CXIMAGE_FORMAT_JPC) }) {
        const std::string ours = dir.file(id == CXIMAGE_FORMAT_JP2 ? "ours.jp2" : "ours.j2k");
        ASSERT_TRUE(src.Save(ours.c_str(), id));
        const std::string out = dir.file("back.ppm");
        ASSERT_TRUE(imgtest::run("opj_decompress -i " + ours + " -o " + out));
        CxImage seen;
        ASSERT_TRUE(readPpm(out, seen));
        EXPECT_EQ(maxDifference(seen, src), 0);
    }
    // PGX goes through the same tools: ours is compressed by opj_compress and comes back equal.
    CxImage gray = grayRamp(40, 33);
    ASSERT_TRUE(gray.Save(dir.file("ours.pgx").c_str(), CXIMAGE_FORMAT_PGX));
    ASSERT_TRUE(imgtest::run("opj_compress -i " + dir.file("ours.pgx") + " -o " + dir.file("pgx.j2k")));
    CxImage fromPgx;
    ASSERT_TRUE(fromPgx.Load(dir.file("pgx.j2k").c_str(), CXIMAGE_FORMAT_JPC)) << fromPgx.GetLastError();
    EXPECT_TRUE(imgtest::samePixels(fromPgx, gray));
}

TEST(CxImageJas, PgxReadsDepthsSignsAndByteOrders)
{
    CxImage back;
    CxImage gray = grayRamp(9, 4);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(gray, CXIMAGE_FORMAT_PGX), 0)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_PGX));
    EXPECT_TRUE(imgtest::samePixels(back, gray));
    // 12 bits big-endian: 4095 is white; little-endian signed: -2048 is black, 2047 white.
    std::vector<uint8_t> be = text("PG ML + 12 2 1\n");
    be.insert(be.end(), { 0x0F, 0xFF, 0x08, 0x00 });
    ASSERT_TRUE(decodeBytes(back, be, CXIMAGE_FORMAT_PGX)) << back.GetLastError();
    EXPECT_EQ(back.GetPixelIndex(0, 0), 255);
    EXPECT_EQ(back.GetPixelIndex(1, 0), 128);
    std::vector<uint8_t> le = text("PG LM -12 2 1\n");
    le.insert(le.end(), { 0x00, 0x08, 0xFF, 0x07 });
    ASSERT_TRUE(decodeBytes(back, le, CXIMAGE_FORMAT_PGX)) << back.GetLastError();
    EXPECT_EQ(back.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(back.GetPixelIndex(1, 0), 255);
    EXPECT_FALSE(decodeBytes(back, text("PG ML + 8 1000 1000\n\x01\x02"), CXIMAGE_FORMAT_PGX));
    EXPECT_STREQ(back.GetLastError(), "PGX file is truncated");
}

TEST(CxImagePnm, ReadsEveryKindWithCommentsAndMaxval)
{
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, text("P1\n# a comment\n3 2\n1 0 1\n011\n"), CXIMAGE_FORMAT_PNM)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetPixelColor(0, 1).rgbRed, 0); // 1 is black
    EXPECT_EQ(img.GetPixelColor(1, 1).rgbRed, 255);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 255);
    ASSERT_TRUE(decodeBytes(img, text("P2 2 1 15 0 15"), CXIMAGE_FORMAT_PNM));
    EXPECT_EQ(img.GetPixelIndex(1, 0), 255);
    ASSERT_TRUE(decodeBytes(img, text("P3\n1 1\n#c\n1000\n1000 500 0\n"), CXIMAGE_FORMAT_PNM));
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 255);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbGreen, 128);
    std::vector<uint8_t> p4 = text("P4\n10 1\n");
    p4.insert(p4.end(), { 0x80, 0x40 });
    ASSERT_TRUE(decodeBytes(img, p4, 0));
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_PNM));
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 0);
    EXPECT_EQ(img.GetPixelColor(9, 0).rgbRed, 0);
    EXPECT_EQ(img.GetPixelColor(8, 0).rgbRed, 255);
    std::vector<uint8_t> p6 = text("P6 1 1 65535\n");
    p6.insert(p6.end(), { 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00 });
    ASSERT_TRUE(decodeBytes(img, p6, CXIMAGE_FORMAT_PNM));
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 255);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbGreen, 128);

    EXPECT_FALSE(decodeBytes(img, text("P5 100 100 255\nabc"), CXIMAGE_FORMAT_PNM));
    EXPECT_STREQ(img.GetLastError(), "PNM file is truncated");
    EXPECT_FALSE(decodeBytes(img, text("P2 2 1 255 7 x"), CXIMAGE_FORMAT_PNM));
    EXPECT_STREQ(img.GetLastError(), "PNM data is damaged");
    EXPECT_FALSE(decodeBytes(img, text("P5 99999999999 1 255\n"), CXIMAGE_FORMAT_PNM));
    EXPECT_STREQ(img.GetLastError(), "PNM header is invalid");
}

TEST(CxImagePnm, WritesP5AndP6ThatImageMagickReads)
{
    CxImage gray = grayRamp(6, 5);
    std::vector<uint8_t> bytes = encodeBytes(gray, CXIMAGE_FORMAT_PNM);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[1], '5');
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_PNM));
    EXPECT_TRUE(back.IsGrayScale());
    EXPECT_TRUE(imgtest::samePixels(back, gray));
    CxImage pal = paletted(9, 4, 4);
    bytes = encodeBytes(pal, CXIMAGE_FORMAT_PNM);
    EXPECT_EQ(bytes[1], '6');
    ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_PNM));
    EXPECT_TRUE(imgtest::samePixels(back, pal));

    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    CxImage src = imgtest::patterned(21, 8);
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -compress none " + dir.file("ascii.ppm")));
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -depth 16 " + dir.file("deep.ppm")));
    for (const char* name : { "ascii.ppm", "deep.ppm" }) {
        CxImage img;
        ASSERT_TRUE(img.Load(dir.file(name).c_str(), CXIMAGE_FORMAT_PNM)) << name << img.GetLastError();
        EXPECT_EQ(maxDifference(img, src), 0) << name;
    }
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -colorspace gray " + dir.file("g.pgm")));
    CxImage g;
    ASSERT_TRUE(g.Load(dir.file("g.pgm").c_str(), CXIMAGE_FORMAT_PNM));
    EXPECT_TRUE(g.IsGrayScale());
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -monochrome " + dir.file("m.pbm")));
    ASSERT_TRUE(g.Load(dir.file("m.pbm").c_str(), 0));
    EXPECT_EQ(g.GetBpp(), 1);

    ASSERT_TRUE(src.Save(dir.file("ours.ppm").c_str(), CXIMAGE_FORMAT_PNM));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("ours.ppm"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, src), 0);
}

TEST(CxImageRas, RoundTripsRunLengthAndImageMagickFiles)
{
    for (uint32_t bpp : { 1u, 8u }) {
        CxImage pal = paletted(13, 5, bpp);
        CxImage back;
        ASSERT_TRUE(decodeBytes(back, encodeBytes(pal, CXIMAGE_FORMAT_RAS), 0)) << back.GetLastError();
        EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_RAS));
        EXPECT_EQ(back.GetBpp(), bpp);
        EXPECT_TRUE(imgtest::samePixels(back, pal));
    }
    CxImage rgb = imgtest::patterned(11, 6);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, encodeBytes(rgb, CXIMAGE_FORMAT_RAS), CXIMAGE_FORMAT_RAS));
    EXPECT_TRUE(imgtest::samePixels(back, rgb));

    // Byte-encoded 8-bit grey, 5 x 1: a run of four 7s, then an escaped 0x80.
    std::vector<uint8_t> rle;
    for (uint32_t v : { 0x59A66A95u, 5u, 1u, 8u, 0u, 2u, 0u, 0u })
        for (int s = 24; s >= 0; s -= 8)
            rle.push_back(uint8_t(v >> s));
    rle.insert(rle.end(), { 0x80, 3, 7, 0x80, 0, 0, 0 });
    ASSERT_TRUE(decodeBytes(back, rle, CXIMAGE_FORMAT_RAS)) << back.GetLastError();
    EXPECT_EQ(back.GetPixelIndex(3, 0), 7);
    EXPECT_EQ(back.GetPixelIndex(4, 0), 0x80);
    // The same header claiming 16000 x 16000 pixels fails before allocating.
    std::vector<uint8_t> bomb = rle;
    bomb[4] = bomb[8] = 0;
    bomb[5] = bomb[9] = 0;
    bomb[6] = bomb[10] = 0x3E;
    bomb[7] = bomb[11] = 0x80;
    EXPECT_FALSE(decodeBytes(back, bomb, CXIMAGE_FORMAT_RAS));
    EXPECT_STREQ(back.GetLastError(), "Sun raster file is truncated");

    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    writePpm(dir.file("in.ppm"), rgb);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " " + dir.file("im.ras")));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("im.ras").c_str(), CXIMAGE_FORMAT_RAS)) << img.GetLastError();
    EXPECT_EQ(maxDifference(img, rgb), 0);
    CxImage pal = paletted(10, 7);
    for (CxImage* ours : { &rgb, &pal }) {
        ASSERT_TRUE(ours->Save(dir.file("ours.ras").c_str(), CXIMAGE_FORMAT_RAS));
        CxImage seen;
        ASSERT_TRUE(readWithImageMagick(dir.file("ours.ras"), seen, dir.path().string()));
        EXPECT_EQ(maxDifference(seen, *ours), 0);
    }
}

TEST(CxImageJas, TileAndSampleCountsAreCheckedBeforeOpenJpegReadsTheHeader)
{
    // OpenJPEG allocates the coding parameters of every declared tile while reading the header: a
    // few hundred bytes declaring 65025 tiles of 1 x 1 cost about a gigabyte there. The picture itself
    // (255 x 255, 3 components) is within the sample bounds, so only the tile count refuses it.
    const auto folder = testsupport::sourceDir() / "tests/imaging/malformed";
    struct Case {
        const char* name;
        const char* error;
    } cases[] = {
        { "jp2_many_tiles_few_bytes.j2k", "JPEG 2000 tile count is invalid" },
        { "jp2_tall_picture_from_few_bytes.j2k", "JPEG 2000 image size is invalid" },
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = imgtest::readFile((folder / c.name).string());
        ASSERT_FALSE(bytes.empty()) << c.name;
        for (const int32_t escape : { -1, 0 }) {
            std::vector<uint8_t> copy = bytes;
            CxMemFile mem(copy.data(), copy.size());
            CxImage img;
            img.SetEscape(escape);
            EXPECT_FALSE(img.Decode(&mem, CXIMAGE_FORMAT_JPC)) << c.name;
            EXPECT_STREQ(img.GetLastError(), c.error) << c.name << " escape " << escape;
        }
    }
    // A tiled picture from a real encoder still opens: 64 x 40 in 16 x 16 tiles, bare and in a JP2 box.
    if (!haveOpenJpegTools())
        GTEST_SKIP() << "opj_compress is not installed";
    testsupport::TempDir dir;
    CxImage src = imgtest::patterned(64, 40);
    writePpm(dir.file("in.ppm"), src);
    for (const char* name : { "tiled.jp2", "tiled.j2k" }) {
        ASSERT_TRUE(imgtest::run("opj_compress -t 16,16 -n 2 -i " + dir.file("in.ppm") + " -o " + dir.file(name)));
        CxImage img;
        ASSERT_TRUE(img.Load(dir.file(name).c_str(), CXIMAGE_FORMAT_JP2)) << name << ": " << img.GetLastError();
        EXPECT_EQ(maxDifference(img, src), 0) << name;
    }
}
