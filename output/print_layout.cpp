// The page split of the print routine, free of widgets and printers so the preview can use it.
#include "output/print_layout.h"

#include <algorithm>
#include <cmath>

namespace {

// Millimetre sizes come from point sizes (203.2 mm is 576 pt) and land a hair below the whole
// pixel count in binary floating point; truncation must not lose that pixel.
constexpr double kSlack = 1e-6;

int truncated(double v)
{
    return int(std::floor(v + kSlack));
}

} // namespace

PrintPlan PlanPrint(QSize pictureSize, const PrintSurface& surface)
{
    PrintPlan plan;
    plan.pageWidth = std::max(0, truncated(surface.printableWidthMm * surface.printerDpiX / 25.4));
    plan.pageHeight = std::max(0, truncated(surface.printableHeightMm * surface.printerDpiY / 25.4));
    if (surface.screenDpiX > 0)
        plan.scaleX = double(surface.printerDpiX) / surface.screenDpiX;
    if (surface.screenDpiY > 0)
        plan.scaleY = double(surface.printerDpiY) / surface.screenDpiY;
    plan.labelPosition = QPoint(truncated(0.9 * plan.pageWidth), truncated(0.99 * plan.pageHeight));

    const int bw = pictureSize.width();
    const int bh = pictureSize.height();
    if (bw <= 0 || bh <= 0 || plan.pageWidth <= 0 || plan.scaleX <= 0 || plan.scaleY <= 0)
        return plan;

    plan.printedHeight = truncated(bh * plan.scaleY);
    plan.pageCount = truncated((bw * plan.scaleX + plan.pageWidth - 1) / plan.pageWidth);
    plan.sourcePerPage = plan.pageWidth / plan.scaleX;

    for (int i = 0; i < plan.pageCount; ++i) {
        PrintStrip strip;
        strip.page = i;
        strip.sourceX = truncated(i * plan.pageWidth / plan.scaleX);
        int width = 0;
        int targetWidth = 0;
        if (i == plan.pageCount - 1 && plan.pageCount > 1) {
            width = truncated(bw - i * plan.sourcePerPage);
            targetWidth = truncated(plan.scaleX * width);
        } else {
            width = truncated(plan.sourcePerPage);
            targetWidth = plan.pageWidth;
        }
        // A page wider than the rest of the picture holds just the picture, at its printed size,
        // never columns from beyond its edge.
        if (strip.sourceX + width > bw) {
            width = bw - strip.sourceX;
            targetWidth = truncated(plan.scaleX * width);
        }
        strip.sourceWidth = std::max(0, width);
        strip.target = QRect(0, 0, std::max(0, targetWidth), plan.printedHeight);
        plan.strips.push_back(strip);
    }
    return plan;
}

QString PageLabel(int page, int count)
{
    return QString::asprintf("Page:%d of %d", page, count);
}

std::vector<int> PagesInRange(int count, int from, int to)
{
    std::vector<int> pages;
    if (from <= 0) {
        from = 1;
        to = count;
    }
    if (to <= 0 || to > count)
        to = count;
    for (int p = std::max(1, from); p <= to; ++p)
        pages.push_back(p);
    return pages;
}
