// Operation strings of the apply command: parsing, argument checks and the rectangle selection.
#include "imaging/cximage.h"
#include "imaging/cximage_apply.h"
#include "ops_reference.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageOperation, RunsKnownOperationsInOrder)
{
    CxImage img = opref::randomImage(40, 30, 1);
    std::string error;
    EXPECT_EQ(ApplyImageOperation(img, "resample:20x15", error), ImageOpResult::Applied);
    EXPECT_EQ(img.GetWidth(), 20u);
    EXPECT_EQ(img.GetHeight(), 15u);
    for (const char* op : { "flip", "mirror", "negative", "blur", "edge", "gaussian:2.0", "median:3", "erode:3",
             "dilate:3", "contour", "unsharp:5.0,0.5,0", "selectiveblur:1.0,25", "gamma:1.8", "soften:20", "noise:20",
             "jitter:2", "grayscale", "threshold:128" })
        EXPECT_EQ(ApplyImageOperation(img, op, error), ImageOpResult::Applied) << op << ": " << error;
    EXPECT_EQ(img.GetBpp(), 1);
}

TEST(ImageOperation, UnknownAndBadArguments)
{
    CxImage img = opref::randomImage(10, 10, 2);
    const CxImage before(img);
    std::string error;
    EXPECT_EQ(ApplyImageOperation(img, "sepia", error), ImageOpResult::NotMine);
    EXPECT_TRUE(error.empty());
    for (const char* op : { "resample:0x10", "resample:10", "resample:axb", "threshold:256", "threshold:", "gamma:0",
             "gamma:abc", "gaussian:-1", "median:0", "median:3,3", "unsharp:5,0.5", "select:1,2,3", "flip:1",
             "selectiveblur:1.0,300" }) {
        EXPECT_EQ(ApplyImageOperation(img, op, error), ImageOpResult::BadArguments) << op;
        EXPECT_NE(error.find(op), std::string::npos) << error;
    }
    EXPECT_EQ(opref::maxDiff(img, before), 0);
    CxImage empty;
    EXPECT_EQ(ApplyImageOperation(empty, "flip", error), ImageOpResult::Failed);
}

TEST(ImageOperation, SelectUsesTopDownRowsAndLimitsLaterOperations)
{
    CxImage img = opref::randomImage(10, 8, 3);
    const CxImage before(img);
    std::string error;
    ASSERT_EQ(ApplyImageOperation(img, "select:1,0,3,1", error), ImageOpResult::Applied);
    ASSERT_EQ(ApplyImageOperation(img, "negative", error), ImageOpResult::Applied);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool in = x >= 1 && x <= 3 && y >= 6; // top two rows
            const int a = img.GetPixelColor(x, y).rgbRed, b = before.GetPixelColor(x, y).rgbRed;
            EXPECT_EQ(a, in ? 255 - b : b) << x << "," << y;
        }
    ASSERT_EQ(ApplyImageOperation(img, "selectnone", error), ImageOpResult::Applied);
    EXPECT_FALSE(img.SelectionIsValid());
}

} // namespace
