// Tests of the kivra-image commands through their library entry point.
#include "cli/kivra_image.h"

#include "imaging/cximage.h"
#include "tests/common/test_support.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {
struct Result {
    int code;
    std::string out;
    std::string err;
};

Result runTool(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int code = kivracli::runKivraImage(args, out, err);
    return { code, out.str(), err.str() };
}

CxImage picture()
{
    CxImage img(12, 7, 24, 0);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x)
            img.SetPixelColor(x, y, RGBQUAD { uint8_t(x * 20), uint8_t(y * 30), 60, 0 });
    return img;
}
} // namespace

TEST(KivraImage, InfoPrintsOneLine)
{
    testsupport::TempDir dir;
    CxImage img = picture();
    ASSERT_TRUE(img.Save(dir.file("a.png").c_str(), CXIMAGE_FORMAT_PNG));
    const Result r = runTool({ "info", dir.file("a.png") });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "12x7 24 4 1\n");
    EXPECT_EQ(r.err, "");
}

TEST(KivraImage, ConvertUsesExtensionsAndProbing)
{
    testsupport::TempDir dir;
    CxImage img = picture();
    // A PNG under a .bmp name still converts: Load falls back to probing.
    ASSERT_TRUE(img.Save(dir.file("wrong.bmp").c_str(), CXIMAGE_FORMAT_PNG));
    Result r = runTool({ "convert", dir.file("wrong.bmp"), dir.file("out.JPG") });
    ASSERT_EQ(r.code, 0) << r.err;
    r = runTool({ "info", dir.file("out.JPG") });
    EXPECT_EQ(r.out, "12x7 24 3 1\n");
    r = runTool({ "convert", dir.file("out.JPG"), dir.file("back.bmp") });
    ASSERT_EQ(r.code, 0) << r.err;
    CxImage back;
    ASSERT_TRUE(back.Load(dir.file("back.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_BMP));
    EXPECT_NEAR(back.GetPixelColor(11, 6).rgbBlue, 220, 12);
}

TEST(KivraImage, FailuresExitOneWithText)
{
    testsupport::TempDir dir;
    {
        std::ofstream junk(dir.file("junk.png"), std::ios::binary);
        junk << "definitely not a picture";
    }
    Result r = runTool({ "info", dir.file("junk.png") });
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Not a PNG"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    CxImage img = picture();
    ASSERT_TRUE(img.Save(dir.file("a.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    r = runTool({ "convert", dir.file("a.bmp"), dir.file("a.xyz") });
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Encode: Unknown format"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.xyz")));

    r = runTool({ "info", dir.file("missing.bmp") });
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("missing.bmp"), std::string::npos);
}

TEST(KivraImage, BadUsageExitsTwo)
{
    EXPECT_EQ(runTool({}).code, 2);
    EXPECT_EQ(runTool({ "info" }).code, 2);
    EXPECT_EQ(runTool({ "frobnicate", "x" }).code, 2);
    EXPECT_EQ(kivracli::formatFromPath("dir.v2/file"), 0u);
    EXPECT_EQ(kivracli::formatFromPath("a/b.Jpeg"), 3u);
}
