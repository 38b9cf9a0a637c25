// The text-named operations the command line hands to the effects library.
#include <gtest/gtest.h>

#include <QImage>

#include "editing/fc/fc_image.h"
#include "editing/fc/fc_operations.h"

namespace {

QImage gradient(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7) & 255, (y * 13) & 255, (x * y) & 255));
    return img;
}

// What an editing dialog gets: the effect run on a 32-bit copy, handed back as a device bitmap.
template <typename F> QImage viaLibrary(const QImage& in, F effect)
{
    FCImage img;
    EXPECT_TRUE(img.CopyFromBitmap(in, 32));
    EXPECT_TRUE(effect(img));
    return img.CreateDeviceBitmap();
}

} // namespace

TEST(FcOperations, EachOperationMatchesTheLibraryCall)
{
    const QImage in = gradient(40, 30);
    struct Case {
        std::string op;
        std::function<bool(FCImage&)> run;
    };
    const std::vector<Case> cases {
        { "emboss:3", [](FCImage& i) { return i.Emboss(3); } },
        { "sharp:2", [](FCImage& i) { return i.Sharp(2); } },
        { "mosaic:4", [](FCImage& i) { return i.Mosaic(4); } },
        { "windy:5,right,smooth", [](FCImage& i) { return i.Windy(5, FCDibEffect::kRight, true); } },
        { "stripe:25,35", [](FCImage& i) { return i.Stripe(25, 35); } },
        { "rgb:-10,20,30", [](FCImage& i) { return i.AdjustRGB(-10, 20, 30); } },
        { "brightness:120", [](FCImage& i) { return i.AdjustBrightness(120, 0); } },
        { "contrast:80", [](FCImage& i) { return i.AdjustContrast(80); } },
        { "huesat:150,50", [](FCImage& i) { return i.AdjustHueSaturation(150, 50); } },
        { "rotate:30", [](FCImage& i) { return i.RotateAngle(30); } },
        { "rotleft", [](FCImage& i) { return i.RotateLeft(); } },
        { "rotright", [](FCImage& i) { return i.RotateRight(); } },
        { "stretch:90x67", [](FCImage& i) { return i.Stretch(90, 67, false); } },
        { "stretch:90x67,keep", [](FCImage& i) { return i.Stretch(90, 67, true); } },
    };
    for (const Case& c : cases) {
        QImage picture = in;
        std::string error;
        ASSERT_EQ(ApplyFcOperation(picture, c.op, error), FcOpResult::Applied) << c.op << ": " << error;
        EXPECT_EQ(picture, viaLibrary(in, c.run)) << c.op;
        EXPECT_NE(picture, in) << c.op;
    }
}

TEST(FcOperations, WindyWithoutSmoothRunsAndLeftDiffersFromRight)
{
    const QImage in = gradient(40, 30);
    QImage left = in, right = in;
    std::string error;
    ASSERT_EQ(ApplyFcOperation(left, "windy:6,left,smooth", error), FcOpResult::Applied);
    ASSERT_EQ(ApplyFcOperation(right, "windy:6,right,smooth", error), FcOpResult::Applied);
    EXPECT_NE(left, right);
    QImage random = in;
    EXPECT_EQ(ApplyFcOperation(random, "windy:6,left", error), FcOpResult::Applied);
    EXPECT_EQ(random.size(), in.size());
}

TEST(FcOperations, ForeignNamesAreNotMine)
{
    QImage picture = gradient(8, 8);
    std::string error;
    for (const char* op : { "blur:3", "resample:10x10", "", "Emboss:3", "embossy:3" })
        EXPECT_EQ(ApplyFcOperation(picture, op, error), FcOpResult::NotMine) << op;
    EXPECT_EQ(picture, gradient(8, 8));
}

TEST(FcOperations, BadArgumentsLeaveThePictureAndSayWhy)
{
    const QImage in = gradient(20, 20);
    for (const char* op : { "emboss", "emboss:", "emboss:3x", "emboss:3,4", "sharp:abc", "windy:3", "windy:3,up",
             "windy:3,left,fast", "stripe:10", "rgb:1,2", "huesat:1,2,3", "rotate:", "rotleft:1", "stretch:90",
             "stretch:90x", "stretch:x67", "stretch:90x67,fit", "mosaic:99999999999" }) {
        QImage picture = in;
        std::string error;
        EXPECT_EQ(ApplyFcOperation(picture, op, error), FcOpResult::BadArguments) << op;
        EXPECT_FALSE(error.empty()) << op;
        EXPECT_EQ(picture, in) << op;
    }
}

TEST(FcOperations, RefusedOperationsFailWithTheLibraryError)
{
    const QImage in = gradient(20, 20);
    for (const char* op : { "mosaic:20", "sharp:0", "windy:19,left", "rotate:90", "brightness:300", "stretch:0x5" }) {
        QImage picture = in;
        std::string error;
        EXPECT_EQ(ApplyFcOperation(picture, op, error), FcOpResult::Failed) << op;
        EXPECT_FALSE(error.empty()) << op;
        EXPECT_EQ(picture, in) << op;
    }
    QImage none;
    std::string error;
    EXPECT_EQ(ApplyFcOperation(none, "emboss:1", error), FcOpResult::Failed);
    EXPECT_TRUE(none.isNull());
}
