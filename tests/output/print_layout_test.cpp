// The page split: strips at the physical screen size, the page count, the labels and ranges.
#include <gtest/gtest.h>

#include "output/print_layout.h"

namespace {

// 600 dpi printer, 96 dpi screen, printable area 8 × 10.5 inches as millimetres from points.
PrintSurface letterAt600()
{
    PrintSurface s;
    s.printableWidthMm = 576 * 25.4 / 72;
    s.printableHeightMm = 756 * 25.4 / 72;
    s.printerDpiX = s.printerDpiY = 600;
    s.screenDpiX = s.screenDpiY = 96;
    return s;
}

} // namespace

TEST(PrintLayout, WidePictureSplitsIntoTwoStripsAtPhysicalSize)
{
    const PrintPlan plan = PlanPrint(QSize(1024, 768), letterAt600());
    EXPECT_EQ(plan.pageWidth, 4800);
    EXPECT_EQ(plan.pageHeight, 6300);
    EXPECT_DOUBLE_EQ(plan.scaleX, 6.25);
    EXPECT_EQ(plan.printedHeight, 4800);
    ASSERT_EQ(plan.pageCount, 2);
    EXPECT_DOUBLE_EQ(plan.sourcePerPage, 768);
    ASSERT_EQ(plan.strips.size(), 2u);
    EXPECT_EQ(plan.strips[0].sourceX, 0);
    EXPECT_EQ(plan.strips[0].sourceWidth, 768);
    EXPECT_EQ(plan.strips[0].target, QRect(0, 0, 4800, 4800));
    EXPECT_EQ(plan.strips[1].sourceX, 768);
    EXPECT_EQ(plan.strips[1].sourceWidth, 256);
    EXPECT_EQ(plan.strips[1].target, QRect(0, 0, 1600, 4800));
    EXPECT_EQ(plan.labelPosition, QPoint(4320, 6237));
}

TEST(PrintLayout, NarrowPictureFillsOnlyItsOwnWidthOnOnePage)
{
    const PrintPlan plan = PlanPrint(QSize(320, 240), letterAt600());
    ASSERT_EQ(plan.pageCount, 1);
    ASSERT_EQ(plan.strips.size(), 1u);
    // Never columns from past the picture's edge: 320 columns drawn 2000 printer pixels wide.
    EXPECT_EQ(plan.strips[0].sourceX, 0);
    EXPECT_EQ(plan.strips[0].sourceWidth, 320);
    EXPECT_EQ(plan.strips[0].target, QRect(0, 0, 2000, 1500));
}

TEST(PrintLayout, FractionalColumnsPerPageTruncateAsTheBoothDoes)
{
    PrintSurface s = letterAt600();
    s.screenDpiX = s.screenDpiY = 144; // kx = 4.1666..., S = 1152
    s.printableWidthMm = 100; // Wp = trunc(2362.2) = 2362, S = 566.88
    const PrintPlan plan = PlanPrint(QSize(1500, 100), s);
    EXPECT_EQ(plan.pageWidth, 2362);
    ASSERT_EQ(plan.pageCount, 3); // 6250 printer pixels over 2362 per page
    EXPECT_EQ(plan.strips[0].sourceWidth, 566);
    EXPECT_EQ(plan.strips[1].sourceX, 566);
    EXPECT_EQ(plan.strips[1].target.width(), 2362);
    EXPECT_EQ(plan.strips[2].sourceX, 1133);
    EXPECT_EQ(plan.strips[2].sourceWidth, 366); // trunc(1500 - 2 * 566.88), one column short of the edge
    EXPECT_EQ(plan.strips[2].target.width(), int(366 * 600.0 / 144));
    EXPECT_EQ(plan.printedHeight, 416);
}

TEST(PrintLayout, NoPrinterSurfaceMeansNoPages)
{
    EXPECT_EQ(PlanPrint(QSize(1024, 768), PrintSurface {}).pageCount, 0);
    EXPECT_TRUE(PlanPrint(QSize(1024, 768), PrintSurface {}).strips.empty());
    EXPECT_EQ(PlanPrint(QSize(0, 0), letterAt600()).pageCount, 0);
    PrintSurface noScreen = letterAt600();
    noScreen.screenDpiX = 0;
    EXPECT_EQ(PlanPrint(QSize(10, 10), noScreen).pageCount, 0);
}

TEST(PrintLayout, LabelsAndRanges)
{
    EXPECT_EQ(PageLabel(1, 2), QStringLiteral("Page:1 of 2"));
    EXPECT_EQ(PageLabel(1, 1), QStringLiteral("Page:1 of 1"));
    EXPECT_EQ(PagesInRange(3, 0, 0), (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(PagesInRange(3, 2, 2), (std::vector<int> { 2 }));
    EXPECT_EQ(PagesInRange(3, 2, 9), (std::vector<int> { 2, 3 }));
    EXPECT_EQ(PagesInRange(3, 4, 5), (std::vector<int> {}));
    EXPECT_EQ(PagesInRange(0, 0, 0), (std::vector<int> {}));
}
