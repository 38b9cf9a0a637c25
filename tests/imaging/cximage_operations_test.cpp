// The imaging operation table: every entry reachable by name and by its workbench code, defaults
// that run, range checks with a clear message, and the selection-aware flag telling the truth.
#include "imaging/cximage.h"
#include "imaging/cximage_apply.h"
#include "imaging/cximage_operations.h"
#include "ops_reference.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

/// The workbench's direct buttons: command code and the operation text it stands for.
struct Direct {
    int code;
    const char* text;
};
const Direct kDirect[] = {
    { 32775, "flip" },
    { 32774, "mirror" },
    { 32777, "negative" },
    { 32778, "grayscale" },
    { 32813, "blur" },
    { 32816, "edge" },
    { 32914, "nonlinearedge:2" },
    { 32898, "contour" },
    { 32932, "unsharp:5.0,0.5,0" },
    { 32896, "gaussian:1.0" },
    { 32897, "gaussian:2.0" },
    { 32817, "erode:3" },
    { 32818, "dilate:3" },
    { 32799, "threshold:0" },
    { 32864, "median:3" },
};

} // namespace

TEST(ImageOperationTable, EveryEntryIsReachableByNameAndCode)
{
    std::set<std::string> names;
    std::set<int> codes;
    for (const ImageOperationSpec& op : ImageOperations()) {
        EXPECT_TRUE(names.insert(op.name).second) << "duplicate " << op.name;
        EXPECT_EQ(FindImageOperation(op.name), &op);
        EXPECT_NE(op.run, nullptr) << op.name;
        EXPECT_TRUE(platform::checkArgs(op.args, platform::defaultArgs(op.args))) << op.name << " defaults";
        if (op.commandCode) {
            EXPECT_TRUE(codes.insert(op.commandCode).second) << op.commandCode;
            std::vector<double> args;
            EXPECT_EQ(FindImageOperation(op.commandCode, &args), &op);
            EXPECT_EQ(args, platform::defaultArgs(op.args)) << op.name;
        }
        for (const platform::CommandPreset& p : op.presets) {
            EXPECT_TRUE(codes.insert(p.commandCode).second) << p.commandCode;
            EXPECT_EQ(FindImageOperation(p.commandCode), &op);
            EXPECT_TRUE(platform::checkArgs(op.args, p.args)) << p.commandCode;
        }
    }
    EXPECT_EQ(FindImageOperation("sepia"), nullptr);
    EXPECT_EQ(FindImageOperation(0), nullptr);
    EXPECT_EQ(FindImageOperation(12345), nullptr);
    // Every name of the apply command before the table, and the gamma button.
    for (const char* n : { "resample", "flip", "mirror", "negative", "grayscale", "contour", "hueramp", "threshold",
             "gamma", "blur", "edge", "soften", "gaussian", "median", "erode", "dilate", "unsharp", "selectiveblur",
             "noise", "jitter", "select", "selectnone" })
        EXPECT_NE(FindImageOperation(n), nullptr) << n;
    EXPECT_EQ(FindImageOperation(32863), FindImageOperation("gamma"));
    EXPECT_EQ(FindImageOperation(32901), FindImageOperation("jitter"));
}

TEST(ImageOperationTable, CommandCodesRunWhatTheirTextRuns)
{
    for (const Direct& d : kDirect) {
        std::vector<double> args;
        const ImageOperationSpec* op = FindImageOperation(d.code, &args);
        ASSERT_NE(op, nullptr) << d.code;
        CxImage byCode = opref::randomImage(23, 17, uint32_t(d.code));
        CxImage byText(byCode);
        ASSERT_TRUE(RunImageOperation(*op, byCode, args)) << d.text << ": " << byCode.GetLastError();
        std::string error;
        ASSERT_EQ(ApplyImageOperation(byText, d.text, error), ImageOpResult::Applied) << d.text << ": " << error;
        EXPECT_EQ(byCode.GetBpp(), byText.GetBpp()) << d.text;
        EXPECT_EQ(opref::maxDiff(byCode, byText), 0) << d.text;
    }
}

TEST(ImageOperationTable, OutOfRangeValuesAreRefusedWithAClearMessage)
{
    const ImageOperationSpec* threshold = FindImageOperation("threshold");
    ASSERT_NE(threshold, nullptr);
    CxImage img = opref::randomImage(8, 8, 5);
    const CxImage before(img);
    EXPECT_FALSE(RunImageOperation(*threshold, img, { 256 }));
    EXPECT_STREQ(img.GetLastError(), "threshold: LEVEL must be 0..255, not 256");
    EXPECT_EQ(opref::maxDiff(img, before), 0);
    EXPECT_EQ(img.GetBpp(), 24);

    const ImageOperationSpec* gaussian = FindImageOperation("gaussian");
    EXPECT_FALSE(RunImageOperation(*gaussian, img, { 0.0 }));
    EXPECT_STREQ(img.GetLastError(), "gaussian: RADIUS must be (0..100], not 0");
    EXPECT_FALSE(RunImageOperation(*FindImageOperation("median"), img, { 2.5 }));
    EXPECT_STREQ(img.GetLastError(), "median: N must be a whole number, not 2.5");
    EXPECT_FALSE(RunImageOperation(*FindImageOperation("unsharp"), img, { 5.0, 0.5 }));
    EXPECT_STREQ(img.GetLastError(), "unsharp: expected 3 values, not 2");
    EXPECT_EQ(opref::maxDiff(img, before), 0);

    std::string why;
    std::vector<double> values;
    EXPECT_EQ(platform::parseArgs(threshold->args, true, { "300" }, platform::NumberSyntax::Lenient, values, &why),
        platform::ArgError::Value);
    EXPECT_EQ(why, "LEVEL must be 0..255, not 300");
    // The apply text keeps its wording.
    std::string error;
    EXPECT_EQ(ApplyImageOperation(img, "threshold:300", error), ImageOpResult::BadArguments);
    EXPECT_EQ(error, "bad arguments in \"threshold:300\": expected threshold:LEVEL with LEVEL 0..255");
    EXPECT_EQ(ApplyImageOperation(img, "select:1,2,3", error), ImageOpResult::BadArguments);
    EXPECT_EQ(error, "bad arguments in \"select:1,2,3\": expected select:LEFT,TOP,RIGHT,BOTTOM");
    EXPECT_EQ(ApplyImageOperation(img, "select:1,2,3,x", error), ImageOpResult::BadArguments);
    EXPECT_EQ(error, "bad arguments in \"select:1,2,3,x\": expected select:LEFT,TOP,RIGHT,BOTTOM with whole numbers");
}

TEST(ImageOperationTable, SelectionAwareEntriesChangeNothingOutsideTheSelection)
{
    int aware = 0;
    for (const ImageOperationSpec& op : ImageOperations()) {
        CxImage img = opref::randomImage(24, 18, 9);
        ASSERT_TRUE(img.SelectRectangle(6, 5, 14, 11));
        const CxImage before(img);
        const bool ok = RunImageOperation(op, img, platform::defaultArgs(op.args));
        if (!op.selectionAware)
            continue;
        ++aware;
        ASSERT_TRUE(ok) << op.name << ": " << img.GetLastError();
        ASSERT_EQ(img.GetWidth(), before.GetWidth()) << op.name;
        int changedInside = 0;
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 24; ++x) {
                const RGBQUAD a = img.GetPixelColor(x, y, false), b = before.GetPixelColor(x, y, false);
                const bool same = a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
                if (!before.SelectionIsInside(x, y))
                    EXPECT_TRUE(same) << op.name << " changed " << x << "," << y;
                else
                    changedInside += !same;
            }
        EXPECT_GT(changedInside, 0) << op.name << " did nothing inside the selection";
    }
    EXPECT_GE(aware, 14);
}

TEST(ImageOperationTable, ListingShowsEveryOperationWithItsArguments)
{
    const std::string help = ImageOperationsHelp();
    for (const ImageOperationSpec& op : ImageOperations())
        EXPECT_NE(help.find("  " + platform::operationSyntax(op.name, op.args)), std::string::npos) << op.name;
    EXPECT_NE(help.find("threshold:LEVEL"), std::string::npos) << help;
    EXPECT_NE(help.find("LEVEL 0..255 (default 0)"), std::string::npos) << help;
    EXPECT_NE(help.find("resample:WIDTHxHEIGHT"), std::string::npos) << help;
    EXPECT_NE(help.find("RADIUS (0..100] (default 1)"), std::string::npos) << help;
}
