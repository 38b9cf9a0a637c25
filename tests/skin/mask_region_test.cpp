// Regions cut from masks, and the window shapes of the artwork.
#include <gtest/gtest.h>

#include <QImage>

#include "skin/mask_region.h"
#include "skin/skin_resources.h"

using namespace skin;

TEST(MaskRegion, AllWhiteMaskGivesEmptyRegion)
{
    QImage mask(80, 23, QImage::Format_RGB32);
    mask.fill(Qt::white);
    EXPECT_TRUE(regionFromMask(mask, kButtonMaskKey).isEmpty());
    EXPECT_TRUE(regionFromMask(QImage(), kButtonMaskKey).isEmpty());
}

TEST(MaskRegion, EveryRunOfOtherColoursIsInside)
{
    QImage mask(10, 3, QImage::Format_RGB32);
    mask.fill(Qt::white);
    // Row 0: two runs (1..2 and 6..8); row 2: the whole row; row 1: empty.
    for (int x : { 1, 2, 6, 7, 8 })
        mask.setPixel(x, 0, 0xFF000000);
    for (int x = 0; x < 10; ++x)
        mask.setPixel(x, 2, 0xFF808080);
    const QRegion r = regionFromMask(mask, kButtonMaskKey);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(r.contains(QPoint(x, y)), (mask.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) << x << "," << y;
}

TEST(MaskRegion, KeyComparesColourNotAlpha)
{
    QImage mask(4, 1, QImage::Format_ARGB32);
    mask.fill(qRgba(255, 0, 255, 0)); // transparent magenta is still magenta
    mask.setPixel(3, 0, qRgba(255, 0, 254, 255));
    const QRegion r = regionFromMask(mask, kWindowShapeKey);
    EXPECT_EQ(r.boundingRect(), QRect(3, 0, 1, 1));
}

TEST(WindowShapes, NoVisiblePixelIsMagentaOrNearlySo)
{
    // A pink fringe between the shape and the cut-away would show on every desktop.
    for (int id : { kMainScreen, kConfigureBackground, kEffectBackground, kFilterBackground, kMixerBackground,
             kSaveBackground, kPrintBackground, kThumbnailBackground, kTextBackground }) {
        const QImage bg = SkinBitmap(id);
        ASSERT_FALSE(bg.isNull()) << id;
        const QRegion shape = regionFromMask(bg, kWindowShapeKey);
        EXPECT_LT(shape.boundingRect().width(), bg.width() + 1);
        int fringe = 0;
        for (int y = 0; y < bg.height(); ++y) {
            for (int x = 0; x < bg.width(); ++x) {
                const QRgb c = bg.pixel(x, y);
                const bool magentaish = qRed(c) > 200 && qBlue(c) > 200 && qGreen(c) < 90;
                if (magentaish && (c & 0xFFFFFF) != 0xFF00FF)
                    ++fringe;
            }
        }
        EXPECT_EQ(fringe, 0) << findSkinResource(id)->name;
        // The corners are cut, the centre is kept.
        EXPECT_FALSE(shape.contains(QPoint(0, 0)));
        EXPECT_TRUE(shape.contains(QPoint(bg.width() / 2, bg.height() / 2)));
    }
}
