// Tests of the TIFF codec: round trips by depth, multi-page files, compressions written by
// libtiff's own tools and files that ImageMagick reads back.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"
#include "imaging/formats/cximage_tif.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

namespace {
bool haveTiffTools()
{
    return imgtest::run("test -x /usr/bin/tiffcp");
}
} // namespace

TEST(CxImageTif, RoundTripsKeepDepthPaletteAndPixels)
{
    for (uint32_t bpp : { 1u, 4u, 8u }) {
        CxImage src = paletted(21, 9, bpp);
        CxImage back;
        ASSERT_TRUE(decodeBytes(back, encodeBytes(src, CXIMAGE_FORMAT_TIF), CXIMAGE_FORMAT_TIF)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), bpp);
        EXPECT_TRUE(imgtest::samePixels(back, src)) << bpp;
    }
    CxImage gray(7, 5, 8, 0);
    gray.SetGrayPalette();
    for (int i = 0; i < 35; ++i)
        gray.SetPixelIndex(i % 7, i / 7, uint8_t(i * 7));
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, encodeBytes(gray, CXIMAGE_FORMAT_TIF), 0));
    EXPECT_TRUE(back.IsGrayScale());
    EXPECT_TRUE(imgtest::samePixels(back, gray));

    CxImage rgb = imgtest::patterned(33, 17);
    rgb.SetXDPI(150);
    ASSERT_TRUE(rgb.AlphaCreate());
    rgb.AlphaSet(3, 4, 20);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(rgb, CXIMAGE_FORMAT_TIF), CXIMAGE_FORMAT_TIF));
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_TRUE(imgtest::samePixels(back, rgb));
    ASSERT_TRUE(back.AlphaIsValid());
    EXPECT_EQ(back.AlphaGet(3, 4), 20);
    EXPECT_EQ(back.AlphaGet(4, 4), 255);
    EXPECT_EQ(back.GetXDPI(), 150);

    CxImage palAlpha = paletted(6, 5, 4);
    ASSERT_TRUE(palAlpha.AlphaCreate());
    palAlpha.AlphaSet(1, 1, 0);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(palAlpha, CXIMAGE_FORMAT_TIF), CXIMAGE_FORMAT_TIF));
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_TRUE(imgtest::samePixels(back, palAlpha));
    EXPECT_EQ(back.AlphaGet(1, 1), 0);
}

TEST(CxImageTif, MultiPageFilesSelectAndRetrievePages)
{
    CxImage a = imgtest::patterned(10, 6), b = paletted(4, 3), c = fewColours(7, 7);
    CxImage* pages[] = { &a, &b, &c };
    CxImageTIF tif;
    CxMemFile mem;
    mem.Open();
    ASSERT_TRUE(tif.Encode(&mem, pages, 3)) << tif.GetLastError();
    std::vector<uint8_t> bytes(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());

    CxImage second;
    second.SetCurrentFrame(1);
    ASSERT_TRUE(decodeBytes(second, bytes, CXIMAGE_FORMAT_TIF));
    EXPECT_EQ(second.GetNumFrames(), 3);
    EXPECT_TRUE(imgtest::samePixels(second, b));

    CxImage none;
    none.SetCurrentFrame(3);
    EXPECT_FALSE(decodeBytes(none, bytes, CXIMAGE_FORMAT_TIF));
    EXPECT_EQ(none.GetNumFrames(), 3);

    CxImage all;
    all.SetRetrieveAllFrames(true);
    ASSERT_TRUE(decodeBytes(all, bytes, CXIMAGE_FORMAT_TIF));
    ASSERT_EQ(all.GetNumFrames(), 3);
    EXPECT_TRUE(imgtest::samePixels(*all.GetFrame(2), c));
    EXPECT_TRUE(imgtest::samePixels(all, a));
}

TEST(CxImageTif, ReadsCompressionsAndPagesMadeByLibtiffTools)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    if (!haveTiffTools())
        GTEST_SKIP() << "tiffcp is not installed";
    testsupport::TempDir dir;
    CxImage src = imgtest::patterned(31, 12);
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -compress none " + dir.file("plain.tif")));
    for (const char* scheme : { "none", "lzw", "zip", "packbits" }) {
        const std::string out = dir.file(std::string("c_") + scheme + ".tif");
        ASSERT_TRUE(imgtest::run("tiffcp -c " + std::string(scheme) + " " + dir.file("plain.tif") + " " + out));
        CxImage img;
        ASSERT_TRUE(img.Load(out.c_str(), CXIMAGE_FORMAT_TIF)) << scheme << ": " << img.GetLastError();
        EXPECT_EQ(maxDifference(img, src), 0) << scheme;
    }
    CxImage smooth = imgtest::smooth(32, 16);
    writePpm(dir.file("smooth.ppm"), smooth);
    ASSERT_TRUE(convert(dir.file("smooth.ppm") + " -compress none " + dir.file("smooth.tif")));
    ASSERT_TRUE(imgtest::run("tiffcp -c jpeg:95 " + dir.file("smooth.tif") + " " + dir.file("jpeg.tif")));
    CxImage jpeg;
    ASSERT_TRUE(jpeg.Load(dir.file("jpeg.tif").c_str(), 0)) << jpeg.GetLastError();
    EXPECT_LE(maxDifference(jpeg, smooth), 12);

    // Three pages joined by tiffcp; the middle one is a grey picture.
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -colorspace gray -depth 8 -compress lzw " + dir.file("gray.tif")));
    ASSERT_TRUE(imgtest::run("tiffcp " + dir.file("plain.tif") + " " + dir.file("gray.tif") + " "
        + dir.file("smooth.tif") + " " + dir.file("multi.tif")));
    CxImage page;
    page.SetCurrentFrame(2);
    ASSERT_TRUE(page.Load(dir.file("multi.tif").c_str(), CXIMAGE_FORMAT_TIF)) << page.GetLastError();
    EXPECT_EQ(page.GetNumFrames(), 3);
    EXPECT_EQ(maxDifference(page, smooth), 0);
    CxImage grayPage;
    grayPage.SetCurrentFrame(1);
    ASSERT_TRUE(grayPage.Load(dir.file("multi.tif").c_str(), CXIMAGE_FORMAT_TIF));
    EXPECT_EQ(grayPage.GetBpp(), 8);
    EXPECT_TRUE(grayPage.IsGrayScale());
}

TEST(CxImageTif, ImageMagickReadsOurPages)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    CxImage pal = paletted(15, 8, 4);
    ASSERT_TRUE(pal.Save(dir.file("pal.tif").c_str(), CXIMAGE_FORMAT_TIF));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("pal.tif"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, pal), 0);
    CxImage rgb = imgtest::patterned(19, 6);
    rgb.SetCodecOption(8 /* Deflate */, CXIMAGE_FORMAT_TIF);
    ASSERT_TRUE(rgb.Save(dir.file("rgb.tif").c_str(), CXIMAGE_FORMAT_TIF));
    ASSERT_TRUE(readWithImageMagick(dir.file("rgb.tif"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, rgb), 0);
}

TEST(CxImageTif, DamagedFilesFailWithAText)
{
    CxImage src = imgtest::patterned(16, 16);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_TIF);
    CxImage img;
    EXPECT_FALSE(decodeBytes(img, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8), CXIMAGE_FORMAT_TIF));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_FALSE(decodeBytes(img, { 'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F }, CXIMAGE_FORMAT_TIF));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_FALSE(decodeBytes(img, { 'X', 'X', 42, 0 }, CXIMAGE_FORMAT_TIF));
    EXPECT_STREQ(img.GetLastError(), "Not a TIFF");
}

TEST(CxImageTif, WriteErrorsGiveTheSystemsReason)
{
    // /dev/full answers every write with "no space left": a full disk.
    FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    {
        CxImage img = imgtest::patterned(300, 200);
        CxIOFile out(full);
        EXPECT_FALSE(img.Encode(&out, CXIMAGE_FORMAT_TIF));
        EXPECT_NE(std::string(img.GetLastError()).find(std::strerror(ENOSPC)), std::string::npos) << img.GetLastError();
        EXPECT_EQ(std::string(img.GetLastError()).find("Maximum TIFF file size"), std::string::npos);
    }
    std::fclose(full);

    testsupport::TempDir dir;
    CxImage img = imgtest::patterned(8, 8);
    const std::string missing = dir.file("no such folder/picture.tif");
    EXPECT_FALSE(img.Save(missing.c_str(), CXIMAGE_FORMAT_TIF));
    EXPECT_NE(std::string(img.GetLastError()).find(std::strerror(ENOENT)), std::string::npos) << img.GetLastError();
    if (geteuid() != 0) { // the superuser writes into read-only folders
        const std::string locked = dir.file("locked");
        std::filesystem::create_directory(locked);
        std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_FALSE(img.Save((locked + "/picture.tif").c_str(), CXIMAGE_FORMAT_TIF));
        EXPECT_NE(std::string(img.GetLastError()).find(std::strerror(EACCES)), std::string::npos);
        std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    }
}
