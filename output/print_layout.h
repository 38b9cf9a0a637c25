// How a picture lands on printer pages: vertical strips at the picture's physical size on the
// screen, one strip per page, with the page labels. Shared by the print routine and the preview.
#pragma once

#include <vector>

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

/// What the printer and the screen tell about their surfaces.
struct PrintSurface {
    double printableWidthMm = 0; ///< printable area of the page
    double printableHeightMm = 0;
    int printerDpiX = 0;
    int printerDpiY = 0;
    int screenDpiX = 96; ///< the requesting window's screen
    int screenDpiY = 96;
    // The whole sheet of paper and where the printable area sits on it (0: not known, the
    // printable area is then taken for the paper).
    double paperWidthMm = 0;
    double paperHeightMm = 0;
    double marginLeftMm = 0;
    double marginTopMm = 0;
};

/// One page's share of the picture.
struct PrintStrip {
    int page = 0; ///< 0-based
    int sourceX = 0; ///< first picture column
    int sourceWidth = 0; ///< picture columns, never past the picture's right edge
    QRect target; ///< printer pixels, from the printable area's top-left corner
};

struct PrintPlan {
    int pageWidth = 0; ///< printable width in printer pixels (Wp)
    int pageHeight = 0; ///< printable height in printer pixels (Hp)
    double scaleX = 0; ///< printer pixels per picture pixel across (kx)
    double scaleY = 0; ///< and down (ky)
    int printedHeight = 0; ///< Hd
    int pageCount = 0; ///< N; 0 without a printer surface or for an empty picture
    double sourcePerPage = 0; ///< picture columns per page (S)
    QPoint labelPosition; ///< where "Page:%d of %d" is written
    bool labelled = true; ///< false for a photo print: no page label
    std::vector<PrintStrip> strips; ///< one per page, in page order
};

/// Lays a picture of pictureSize out on the pages of surface. Each conversion is truncated to an
/// integer as the booth has always done, so a page holds exactly trunc(S) picture columns.
PrintPlan PlanPrint(QSize pictureSize, const PrintSurface& surface);

/// "Page:%d of %d" for page (1-based) of count.
QString PageLabel(int page, int count);

/// The pages a "from-to" range keeps of count pages (1-based, inclusive). from 0 means every
/// page; to 0 (or past the end) means up to the last page.
std::vector<int> PagesInRange(int count, int from, int to);
