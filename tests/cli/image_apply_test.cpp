// kivra-image apply through the command's library entry point.
#include "cli/kivra_image.h"

#include "imaging/cximage.h"
#include "tests/common/test_support.h"

#include <sstream>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome apply(std::vector<std::string> args)
{
    args.insert(args.begin(), "apply");
    std::ostringstream out, err;
    const int code = kivracli::runKivraImage(args, out, err);
    return { code, out.str(), err.str() };
}

std::string sample(testsupport::TempDir& dir)
{
    CxImage img(40, 30, 24, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            img.SetPixelColor(x, y, RGBQUAD { uint8_t(x * 6), uint8_t(y * 8), 90, 0 });
    const std::string path = dir.file("in.bmp");
    EXPECT_TRUE(img.Save(path.c_str(), CXIMAGE_FORMAT_BMP));
    return path;
}

TEST(KivraImageApply, AppliesOperationsInOrderAndSaves)
{
    testsupport::TempDir dir;
    const std::string in = sample(dir);
    const Outcome r = apply({ in, dir.file("out.png"), "resample:20x15", "mirror", "select:0,0,9,14", "negative" });
    ASSERT_EQ(r.code, 0) << r.err;
    CxImage out, ref;
    ASSERT_TRUE(out.Load(dir.file("out.png").c_str(), CXIMAGE_FORMAT_PNG));
    ASSERT_TRUE(ref.Load(in.c_str(), CXIMAGE_FORMAT_BMP));
    ref.ResampleSmooth(20, 15);
    ref.Mirror();
    ASSERT_EQ(out.GetWidth(), 20u);
    // Left half negated, right half as resampled and mirrored.
    EXPECT_EQ(out.GetPixelColor(2, 3).rgbBlue, 255 - ref.GetPixelColor(2, 3).rgbBlue);
    EXPECT_EQ(out.GetPixelColor(15, 3).rgbBlue, ref.GetPixelColor(15, 3).rgbBlue);
}

TEST(KivraImageApply, UnknownOperationsAndBadArgumentsExitOne)
{
    testsupport::TempDir dir;
    const std::string in = sample(dir);
    for (const char* op : { "sharpen-please", "gamma:0", "median:x", "resample:10" }) {
        const Outcome r = apply({ in, dir.file("out.png"), "flip", op });
        EXPECT_EQ(r.code, 1) << op;
        EXPECT_NE(r.err.find(op), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.png"))) << op;
    }
    EXPECT_EQ(apply({ in, dir.file("out.png") }).code, 2);
    EXPECT_EQ(apply({ dir.file("missing.bmp"), dir.file("out.png"), "flip" }).code, 1);
    EXPECT_EQ(apply({ in, dir.file("out.nope"), "flip" }).code, 1);
}

} // namespace
