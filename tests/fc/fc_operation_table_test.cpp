// The effects library's operation table: names, defaults that run, and texts parsed through it.
#include <algorithm>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <QImage>

#include "editing/fc/fc_image.h"
#include "editing/fc/fc_operations.h"

namespace {

/// Two flat halves: every operation has something to work on.
QImage halves(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(200, 140, 60));
    for (int y = h / 2; y < h; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(img.scanLine(y)), w, qRgb(30, 90, 180));
    return img;
}

} // namespace

TEST(FcOperationTable, EveryEntryIsReachableAndRunsWithItsDefaults)
{
    std::set<std::string> names;
    const QImage in = halves(40, 30);
    for (const FcOperationSpec& op : FcOperations()) {
        EXPECT_TRUE(names.insert(op.name).second) << op.name;
        EXPECT_EQ(FindFcOperation(op.name), &op);
        EXPECT_EQ(op.commandCode, 0) << "the workbench runs no effects-library operation by code";
        FCImage img;
        ASSERT_TRUE(img.CopyFromBitmap(in, 32));
        EXPECT_TRUE(op.run(img, platform::defaultArgs(op.args))) << op.name << ": " << img.GetLastError();
    }
    EXPECT_EQ(names.size(), 13u);
    EXPECT_EQ(FindFcOperation("blur"), nullptr);
    EXPECT_EQ(FindFcOperation(32775), nullptr);
}

TEST(FcOperationTable, TextsParseIntoTheValuesTheRunFunctionsTake)
{
    const FcOperationSpec* windy = FindFcOperation("windy");
    ASSERT_NE(windy, nullptr);
    std::vector<double> v;
    ASSERT_EQ(platform::parseArgs(windy->args, true, { "5", "right", "smooth" }, platform::NumberSyntax::Strict, v),
        platform::ArgError::None);
    EXPECT_EQ(v, (std::vector<double> { 5, double(FCDibEffect::kRight), 1 }));
    ASSERT_EQ(platform::parseArgs(windy->args, true, { "5", "left" }, platform::NumberSyntax::Strict, v),
        platform::ArgError::None);
    EXPECT_EQ(v, (std::vector<double> { 5, double(FCDibEffect::kLeft), 0 }));
    EXPECT_EQ(platform::defaultArgs(windy->args), (std::vector<double> { 1, double(FCDibEffect::kLeft), 0 }));

    const FcOperationSpec* stretch = FindFcOperation("stretch");
    ASSERT_EQ(platform::parseArgs(stretch->args, true, { "90x67", "keep" }, platform::NumberSyntax::Strict, v),
        platform::ArgError::None);
    EXPECT_EQ(v, (std::vector<double> { 90, 67, 1 }));

    // The library's refusals stay failures of the run, not argument errors.
    QImage picture = halves(20, 20);
    std::string error;
    EXPECT_EQ(ApplyFcOperation(picture, "brightness:300", error), FcOpResult::Failed);
    EXPECT_EQ(ApplyFcOperation(picture, "emboss:+3", error), FcOpResult::BadArguments);
    EXPECT_EQ(error, "Bad arguments in \"emboss:+3\"; expected emboss:N");

    const std::string help = FcOperationsHelp();
    EXPECT_NE(help.find("windy:S,left|right[,smooth]"), std::string::npos) << help;
    EXPECT_NE(help.find("stretch:WIDTHxHEIGHT[,keep]"), std::string::npos) << help;
    EXPECT_NE(help.find("P (default 100)"), std::string::npos) << help;
}
