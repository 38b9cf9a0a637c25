// kivra-image text: options over the start values, the printed box, and the refusals.
#include "cli/kivra_image.h"

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "imaging/cximage.h"
#include "tests/common/test_support.h"

namespace {

struct TextRun {
    int code;
    std::string out;
    std::string err;
};

TextRun run(std::vector<std::string> args)
{
    args.insert(args.begin(), "text");
    std::ostringstream out, err;
    const int code = kivracli::runKivraImage(args, out, err);
    return { code, out.str(), err.str() };
}

std::string lastLine(const std::string& text)
{
    std::string s = text;
    while (!s.empty() && s.back() == '\n')
        s.pop_back();
    const size_t nl = s.rfind('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

std::string grayPicture(const testsupport::TempDir& dir, int w = 200, int h = 80)
{
    CxImage img(uint32_t(w), uint32_t(h), 24, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.SetPixelColor(x, y, RGBQUAD { 128, 128, 128, 0 });
    const std::string path = dir.file("in.bmp");
    EXPECT_TRUE(img.Save(path.c_str(), CXIMAGE_FORMAT_BMP));
    return path;
}

/// Colour at column x, row y from the top.
RGBQUAD pixel(const std::string& path, int x, int y)
{
    CxImage img;
    EXPECT_TRUE(img.Load(path.c_str(), 0));
    return img.GetPixelColor(x, int(img.GetHeight()) - 1 - y, false);
}

} // namespace

TEST(KivraImageText, DrawsWithStartValuesAndPrintsTheMeasuredBox)
{
    testsupport::TempDir dir;
    const std::string in = grayPicture(dir);
    const std::string out = dir.file("out.png");
    TextRun r = run({ in, out, "--x", "100", "--y", "60" });
    ASSERT_EQ(r.code, 0) << r.err;
    int left = -1, top = -1, right = 0, bottom = 0;
    std::istringstream(lastLine(r.out)) >> left >> top >> right >> bottom;
    EXPECT_EQ(left, 0);
    EXPECT_EQ(top, 0);
    EXPECT_GT(right, 60); // "Tolvenmark" at 36 pixels
    EXPECT_GT(bottom, 30);
    // The start values: a solid 0xA05000 box (blue 0xA0, green 0x50, red 0) ending at row 60.
    const RGBQUAD box = pixel(out, 100, 60);
    EXPECT_EQ(box.rgbBlue, 0xA0);
    EXPECT_EQ(box.rgbGreen, 0x50);
    EXPECT_EQ(box.rgbRed, 0x00);
    const RGBQUAD below = pixel(out, 100, 61);
    EXPECT_EQ(below.rgbBlue, 128);
}

TEST(KivraImageText, OptionsChangeTheRecord)
{
    testsupport::TempDir dir;
    const std::string in = grayPicture(dir);
    const std::string out = dir.file("out.bmp");
    TextRun one = run({ in, out, "--x", "0", "--y", "70", "--text", "A", "--height", "-20", "--font", "DejaVu Sans",
        "--weight", "700", "--italic", "1" });
    TextRun two = run({ in, out, "--x", "0", "--y", "70", "--text", "A\nB", "--height", "-20", "--align", "0",
        "--opaque", "0", "--color", "0x0000FF", "--font", "DejaVu Sans", "--weight", "700", "--italic", "1", "--smooth",
        "0", "--bcolor", "0x00FF00", "--opacity", "0.5", "--round", "30" });
    ASSERT_EQ(one.code, 0) << one.err;
    ASSERT_EQ(two.code, 0) << two.err;
    int l, t, r1, b1, r2, b2;
    std::istringstream(lastLine(one.out)) >> l >> t >> r1 >> b1;
    std::istringstream(lastLine(two.out)) >> l >> t >> r2 >> b2;
    EXPECT_EQ(b2, 2 * b1); // two lines of the same height
    // No background, hard red text: every pixel is either the picture or the text colour.
    CxImage img;
    ASSERT_TRUE(img.Load(out.c_str(), CXIMAGE_FORMAT_BMP));
    int red = 0;
    for (int y = 0; y < int(img.GetHeight()); ++y)
        for (int x = 0; x < int(img.GetWidth()); ++x) {
            const RGBQUAD c = img.GetPixelColor(x, y, false);
            const bool gray = c.rgbRed == 128 && c.rgbGreen == 128 && c.rgbBlue == 128;
            const bool text = c.rgbRed == 255 && c.rgbGreen == 0 && c.rgbBlue == 0;
            ASSERT_TRUE(gray || text) << x << "," << y;
            red += text;
        }
    EXPECT_GT(red, 20);
}

TEST(KivraImageText, BadUsageAndUnreadableInputTouchNothing)
{
    testsupport::TempDir dir;
    const std::string in = grayPicture(dir);
    const std::string out = dir.file("out.png");
    EXPECT_EQ(run({ in, out, "--x", "10" }).code, 2); // --y missing
    EXPECT_EQ(run({ in, out, "--x", "10", "--y" }).code, 2);
    EXPECT_EQ(run({ in, out, "--x", "ten", "--y", "5" }).code, 2);
    EXPECT_EQ(run({ in, out, "--x", "1", "--y", "5", "--align", "3" }).code, 2);
    EXPECT_EQ(run({ in, out, "--x", "1", "--y", "5", "--opacity", "1.5" }).code, 2);
    EXPECT_EQ(run({ in, out, "--x", "1", "--y", "5", "--color", "0x1000000" }).code, 2);
    EXPECT_EQ(run({ in, out, "--x", "1", "--y", "5", "--size", "3" }).code, 2);
    EXPECT_EQ(run({ in }).code, 2);
    EXPECT_FALSE(std::filesystem::exists(out));

    const TextRun missing = run({ dir.file("nothing.png"), out, "--x", "1", "--y", "5" });
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("nothing.png"), std::string::npos) << missing.err;
    EXPECT_EQ(run({ in, dir.file("out.nope"), "--x", "1", "--y", "5" }).code, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.nope")));
}
