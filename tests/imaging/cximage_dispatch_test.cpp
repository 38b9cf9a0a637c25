// Tests of the format dispatch: extension mapping, probing, two-attempt Load, safe Save.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include "tests/common/test_support.h"
#include "tests/imaging/imaging_test_util.h"

#include <gtest/gtest.h>

using namespace imgtest;

TEST(CxImageDispatch, FormatFromExtensionComparesThreeLetters)
{
    EXPECT_EQ(CxImage::FormatFromExtension("JPEG"), uint32_t(CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(CxImage::FormatFromExtension("jPgxyz"), uint32_t(CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(CxImage::FormatFromExtension("jfif"), uint32_t(CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(CxImage::FormatFromExtension("bmp"), uint32_t(CXIMAGE_FORMAT_BMP));
    EXPECT_EQ(CxImage::FormatFromExtension("TIFF"), uint32_t(CXIMAGE_FORMAT_TIF));
    EXPECT_EQ(CxImage::FormatFromExtension("wbmp"), uint32_t(CXIMAGE_FORMAT_WBMP));
    EXPECT_EQ(CxImage::FormatFromExtension("wbm"), uint32_t(CXIMAGE_FORMAT_WBMP));
    EXPECT_EQ(CxImage::FormatFromExtension("cur"), uint32_t(CXIMAGE_FORMAT_ICO));
    EXPECT_EQ(CxImage::FormatFromExtension("ppm"), uint32_t(CXIMAGE_FORMAT_PNM));
    EXPECT_EQ(CxImage::FormatFromExtension("j2c"), uint32_t(CXIMAGE_FORMAT_JPC));
    EXPECT_EQ(CxImage::FormatFromExtension("jng"), uint32_t(CXIMAGE_FORMAT_MNG));
    EXPECT_EQ(CxImage::FormatFromExtension("ska"), uint32_t(CXIMAGE_FORMAT_SKA));
    EXPECT_EQ(CxImage::FormatFromExtension("CR2"), uint32_t(CXIMAGE_FORMAT_RAW));
    EXPECT_EQ(CxImage::FormatFromExtension("3fr"), uint32_t(CXIMAGE_FORMAT_RAW));
    EXPECT_EQ(CxImage::FormatFromExtension("xyz"), 0u);
    EXPECT_EQ(CxImage::FormatFromExtension("jp"), 0u);
    EXPECT_EQ(CxImage::FormatFromExtension(""), 0u);
    EXPECT_EQ(CxFormatIndex(17), 16);
    EXPECT_EQ(CxFormatIndex(19), 18);
    EXPECT_EQ(CxFormatIndex(16), 0);
    EXPECT_EQ(CxFormatIndex(25), 0);
}

TEST(CxImageDispatch, JpegNamedBmpLoadsByProbing)
{
    testsupport::TempDir dir;
    CxImage src = smooth(32, 16);
    ASSERT_TRUE(src.Save(dir.file("photo.bmp").c_str(), CXIMAGE_FORMAT_JPG));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("photo.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(img.GetWidth(), 32u);
    EXPECT_EQ(img.GetHeight(), 16u);
}

TEST(CxImageDispatch, UnsupportedIdMessages)
{
    testsupport::TempDir dir;
    CxImage src = patterned(4, 4);
    EXPECT_FALSE(src.Save(dir.file("x.bin").c_str(), CXIMAGE_FORMAT_UNSUPPORTED));
    EXPECT_STREQ(src.GetLastError(), "Encode: Unknown format");
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.bin")));

    // A readable BMP still loads with id 16 (probing); garbage fails with the probe's text.
    ASSERT_TRUE(src.Save(dir.file("ok.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    CxImage img;
    EXPECT_TRUE(img.Load(dir.file("ok.bmp").c_str(), CXIMAGE_FORMAT_UNSUPPORTED));
    writeFile(dir.file("junk.dat"), std::vector<uint8_t>(100, 0x11));
    EXPECT_FALSE(img.Load(dir.file("junk.dat").c_str(), CXIMAGE_FORMAT_UNSUPPORTED));
    EXPECT_STREQ(img.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_TRUE(img.IsValid()); // the failed load kept the earlier picture

    // With a real id the first attempt's error survives the failed probe.
    EXPECT_FALSE(img.Load(dir.file("junk.dat").c_str(), CXIMAGE_FORMAT_PNG));
    EXPECT_STREQ(img.GetLastError(), "Not a PNG");
    EXPECT_FALSE(img.Load(dir.file("missing.png").c_str(), CXIMAGE_FORMAT_PNG));
}

TEST(CxImageDispatch, EncoderChecksAndRefusals)
{
    CxImage empty;
    CxMemFile mem;
    mem.Open();
    EXPECT_FALSE(empty.Encode(&mem, CXIMAGE_FORMAT_BMP));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    CxImage img = patterned(2, 2);
    EXPECT_FALSE(img.Encode(static_cast<CxFile*>(nullptr), CXIMAGE_FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "null file handler");
    EXPECT_FALSE(img.Decode(static_cast<CxFile*>(nullptr), CXIMAGE_FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "null file handler");
    EXPECT_FALSE(img.Encode(&mem, CXIMAGE_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "Save WMF not supported");
    EXPECT_FALSE(img.Encode(&mem, CXIMAGE_FORMAT_RAW));
    EXPECT_STREQ(img.GetLastError(), "Save RAW not supported");
    EXPECT_FALSE(img.Encode(&mem, 0));
    EXPECT_STREQ(img.GetLastError(), "Encode: Unknown format");
    EXPECT_TRUE(img.IsValid());
}

TEST(CxImageDispatch, FailedSaveLeavesExistingFileUntouched)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("keep.jpg");
    writeFile(path, { 1, 2, 3, 4 });
    CxImage pal(4, 4, 8, 0);
    pal.SetPaletteColor(1, 255, 0, 0);
    EXPECT_FALSE(pal.Save(path.c_str(), CXIMAGE_FORMAT_JPG));
    EXPECT_STREQ(pal.GetLastError(), "JPEG can save only RGB or GreyScale images");
    EXPECT_EQ(readFile(path), (std::vector<uint8_t> { 1, 2, 3, 4 }));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no temp left
    EXPECT_FALSE(pal.Save(dir.file("nofolder/x.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    CxImage ok = patterned(3, 3);
    ASSERT_TRUE(ok.Save(path.c_str(), CXIMAGE_FORMAT_BMP));
    EXPECT_GT(readFile(path).size(), 54u);
}

TEST(CxImageDispatch, HeaderOnlyAndCancelled)
{
    CxImage src = smooth(40, 30);
    for (uint32_t id : { CXIMAGE_FORMAT_BMP, CXIMAGE_FORMAT_JPG }) {
        CxMemFile mem;
        mem.Open();
        ASSERT_TRUE(src.Encode(&mem, id));
        mem.Seek(0, 0);
        CxImage info;
        info.SetEscape(-1);
        ASSERT_TRUE(info.Decode(&mem, id)) << id;
        EXPECT_EQ(info.GetWidth(), 40u);
        EXPECT_EQ(info.GetHeight(), 30u);
        EXPECT_EQ(info.GetType(), id);
        EXPECT_FALSE(info.IsValid());
        EXPECT_STREQ(info.GetLastError(), "");

        mem.Seek(0, 0);
        CxImage cancelled;
        cancelled.SetEscape(1);
        EXPECT_FALSE(cancelled.Decode(&mem, id));
        EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
    }
}

TEST(CxImageDispatch, ProbingFromMiddleOfStream)
{
    CxImage src = patterned(5, 5);
    CxMemFile mem;
    mem.Open();
    mem.Write("prefix", 1, 6);
    ASSERT_TRUE(src.Encode(&mem, CXIMAGE_FORMAT_PNG));
    mem.Seek(6, 0);
    CxImage img;
    ASSERT_TRUE(img.Decode(&mem, CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_PNG));
    EXPECT_TRUE(samePixels(img, src));
}

TEST(CxImageDispatch, LoadResourceReadsThroughMemoryStream)
{
    testsupport::TempDir dir;
    CxImage src = patterned(6, 2);
    ASSERT_TRUE(src.Save(dir.file("r.png").c_str(), CXIMAGE_FORMAT_PNG));
    CxImage img;
    ASSERT_TRUE(img.LoadResource(dir.file("r.png").c_str()));
    EXPECT_TRUE(samePixels(img, src));
    EXPECT_FALSE(img.LoadResource(":/no/such/resource.png"));
    EXPECT_STREQ(img.GetLastError(), "Unable to load resource!");
}
