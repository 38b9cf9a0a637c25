// Composition: anchors, keyed paste, the frame overlay at several opacities, Compose() geometry.
#include "booth/composition.h"

#include <gtest/gtest.h>

#include "tests/booth/booth_test_util.h"

using namespace boothtest;

namespace {

const RGBQUAD kKey = rgb(0, 255, 0);
const RGBQUAD kBorder = rgb(200, 40, 10);

/// A 320 × 240 frame: a 20-pixel border around a key-coloured window.
CxImage borderFrame(int w = kCanvasWidth, int h = kCanvasHeight, int border = 20)
{
    CxImage frame = solid(w, h, kBorder);
    for (int y = border; y < h - border; ++y)
        for (int x = border; x < w - border; ++x)
            frame.SetPixelColor(x, y, kKey);
    return frame;
}

/// A photo with varied colours and a pure black square inside the frame's window and one in its border.
CxImage variedPhoto()
{
    CxImage photo;
    photo.Create(kCanvasWidth, kCanvasHeight, 24);
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            photo.SetPixelColor(x, y, rgb(uint8_t(x & 255), uint8_t(y), uint8_t((x + y) | 1)));
    for (int y = 100; y < 110; ++y)
        for (int x = 100; x < 110; ++x)
            photo.SetPixelColor(x, y, rgb(0, 0, 0));
    for (int y = 5; y < 10; ++y)
        for (int x = 5; x < 10; ++x)
            photo.SetPixelColor(x, y, rgb(0, 0, 0));
    return photo;
}

bool inBorder(int x, int y)
{
    return x < 20 || y < 20 || x >= kCanvasWidth - 20 || y >= kCanvasHeight - 20;
}

uint8_t blend(int b, int f, int a)
{
    return uint8_t(b + (f - b) * a / 255);
}

} // namespace

TEST(Composition, AnchorsPlaceThePictureOnTheBase)
{
    const int expected[9][2]
        = { { 7, 9 }, { 0, 9 }, { 70, 9 }, { 7, 20 }, { 7, 0 }, { 0, 20 }, { 0, 0 }, { 70, 20 }, { 70, 0 } };
    for (int anchor = 0; anchor < 9; ++anchor) {
        int x = 7, y = 9;
        ResolveAnchor(anchor, 100, 50, 30, 30, x, y);
        EXPECT_EQ(x, expected[anchor][0]) << "anchor " << anchor;
        EXPECT_EQ(y, expected[anchor][1]) << "anchor " << anchor;
    }
}

TEST(Composition, OpaqueOverlayKeepsPhotoUnderKeyAndFrameElsewhere)
{
    const CxImage photo = variedPhoto();
    CxImage canvas(photo);
    ASSERT_TRUE(OverlayFrame(canvas, borderFrame(), 5, 0, 0, 255, false));
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) {
            const RGBQUAD want = inBorder(x, y) ? kBorder : photo.GetPixelColor(x, y);
            ASSERT_TRUE(sameColour(canvas.GetPixelColor(x, y), want)) << x << "," << y;
        }
}

TEST(Composition, ZeroOpacityLeavesThePhoto)
{
    const CxImage photo = variedPhoto();
    CxImage canvas(photo);
    ASSERT_TRUE(OverlayFrame(canvas, borderFrame(), 5, 0, 0, 0, false));
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            ASSERT_TRUE(sameColour(canvas.GetPixelColor(x, y), photo.GetPixelColor(x, y))) << x << "," << y;
}

TEST(Composition, HalfOpacityBlendsTheFrameAndKeepsEveryPhotoPixelUnderTheKey)
{
    const CxImage photo = variedPhoto();
    CxImage canvas(photo);
    ASSERT_TRUE(OverlayFrame(canvas, borderFrame(), 5, 0, 0, 128, false));
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) {
            const RGBQUAD p = photo.GetPixelColor(x, y);
            RGBQUAD want = p;
            if (inBorder(x, y))
                want = rgb(blend(p.rgbRed, kBorder.rgbRed, 128), blend(p.rgbGreen, kBorder.rgbGreen, 128),
                    blend(p.rgbBlue, kBorder.rgbBlue, 128));
            ASSERT_TRUE(sameColour(canvas.GetPixelColor(x, y), want)) << x << "," << y;
        }
    // Black in the photo stays black under the key: it never takes the key colour.
    EXPECT_TRUE(sameColour(canvas.GetPixelColor(105, 105), rgb(0, 0, 0)));
    EXPECT_TRUE(
        sameColour(canvas.GetPixelColor(200, 10), rgb(blend(200, 200, 128), blend(10, 40, 128), blend(211, 10, 128))));
}

TEST(Composition, BorderPixelsOfTheCentreColourAreSeeThrough)
{
    CxImage frame = borderFrame();
    for (int x = 0; x < 40; ++x)
        frame.SetPixelColor(x, 3, kKey); // the key colour inside the border
    const CxImage photo = variedPhoto();
    for (int opacity : { 255, 128 }) {
        CxImage canvas(photo);
        ASSERT_TRUE(OverlayFrame(canvas, frame, 5, 0, 0, opacity, false));
        for (int x = 10; x < 40; ++x)
            EXPECT_TRUE(sameColour(canvas.GetPixelColor(x, 3), photo.GetPixelColor(x, 3))) << "opacity " << opacity;
        EXPECT_FALSE(sameColour(canvas.GetPixelColor(50, 3), photo.GetPixelColor(50, 3)));
    }
}

TEST(Composition, PaletteKeyMatchesTheIndexNotTheColour)
{
    CxImage frame;
    frame.Create(4, 4, 8);
    frame.SetPaletteColor(1, 10, 20, 30);
    frame.SetPaletteColor(2, 10, 20, 30); // same colour, other index
    frame.SetPaletteColor(3, 250, 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            frame.SetPixelIndex(x, y, 1);
    frame.SetPixelIndex(0, 0, 2);
    frame.SetPixelIndex(3, 0, 3);
    CxImage base = solid(4, 4, rgb(1, 2, 3));
    ASSERT_TRUE(PastePicture(base, frame, 0, 0, 0, true, false));
    EXPECT_TRUE(sameColour(base.GetPixelColor(1, 1), rgb(1, 2, 3)));
    EXPECT_TRUE(sameColour(base.GetPixelColor(0, 0), rgb(10, 20, 30)));
    EXPECT_TRUE(sameColour(base.GetPixelColor(3, 0), rgb(250, 0, 0)));
}

TEST(Composition, KeyAtTopLeftUsesTheTopRow)
{
    CxImage picture = solid(5, 5, rgb(9, 9, 9));
    picture.SetPixelColor(0, 4, rgb(1, 1, 1)); // top-left: rows count from the bottom
    picture.SetPixelColor(3, 1, rgb(1, 1, 1));
    CxImage base = solid(5, 5, rgb(100, 100, 100));
    ASSERT_TRUE(PastePicture(base, picture, 0, 0, 0, true, true));
    EXPECT_TRUE(sameColour(base.GetPixelColor(3, 1), rgb(100, 100, 100)));
    EXPECT_TRUE(sameColour(base.GetPixelColor(2, 2), rgb(9, 9, 9)));
}

TEST(Composition, PasteDropsPixelsOutsideTheBase)
{
    CxImage base = solid(10, 10, rgb(0, 0, 0));
    const CxImage picture = solid(6, 6, rgb(255, 255, 255));
    ASSERT_TRUE(PastePicture(base, picture, 0, 7, -3, false, false));
    EXPECT_TRUE(sameColour(base.GetPixelColor(9, 2), rgb(255, 255, 255)));
    EXPECT_TRUE(sameColour(base.GetPixelColor(7, 3), rgb(0, 0, 0)));
    EXPECT_TRUE(sameColour(base.GetPixelColor(6, 0), rgb(0, 0, 0)));
    ASSERT_TRUE(PastePicture(base, picture, 0, 500, 500, false, false));
    EXPECT_FALSE(PastePicture(base, CxImage(), 0, 0, 0, false, false));
}

TEST(Composition, ComposeAtDefaultGeometryGivesThreeResults)
{
    const CxImage base = solid(kCanvasWidth, kCanvasHeight, rgb(255, 255, 255));
    const CxImage photo = variedPhoto();
    const CxImage frame = borderFrame();
    ComposeInput in;
    in.base = &base;
    in.photo = &photo;
    in.frame = &frame;
    in.alpha = 255;
    ComposeResult out;
    ASSERT_TRUE(Compose(in, out));
    EXPECT_TRUE(sameColours(out.background, BitmapFromImage(photo)));
    EXPECT_TRUE(sameColours(out.frame, BitmapFromImage(frame)));
    // Bitmaps are top-down: (5, 5) is in the border, (160, 120) in the window.
    EXPECT_EQ(out.composed.pixel(5, 5) & 0xFFFFFF, 0xC8280Au);
    EXPECT_EQ(out.composed.pixel(160, 120), out.background.pixel(160, 120));

    in.live = true;
    ASSERT_TRUE(Compose(in, out));
    EXPECT_TRUE(sameColours(out.composed, out.background));
    in.live = false;
    in.frameShown = false;
    ASSERT_TRUE(Compose(in, out));
    EXPECT_TRUE(sameColours(out.composed, out.background));
}

TEST(Composition, ComposePlacesAMovedPhotoAreaFromTheBottom)
{
    const CxImage base = solid(kCanvasWidth, kCanvasHeight, rgb(255, 255, 255));
    const CxImage photo = solid(kCanvasWidth, kCanvasHeight, rgb(0, 0, 255));
    ComposeInput in;
    in.base = &base;
    in.photo = &photo;
    in.photoArea = QRect(39, 69, 300, 220); // 10 right, 10 above the frame area's bottom
    in.frameShown = false;
    ComposeResult out;
    ASSERT_TRUE(Compose(in, out));
    CxImage result;
    ASSERT_TRUE(ImageFromBitmap(out.composed, result));
    EXPECT_TRUE(nearColour(result.GetPixelColor(10, 10), rgb(0, 0, 255)));
    EXPECT_TRUE(nearColour(result.GetPixelColor(309, 229), rgb(0, 0, 255)));
    EXPECT_TRUE(sameColour(result.GetPixelColor(9, 10), rgb(255, 255, 255)));
    EXPECT_TRUE(sameColour(result.GetPixelColor(10, 9), rgb(255, 255, 255)));
    EXPECT_TRUE(sameColour(result.GetPixelColor(310, 229), rgb(255, 255, 255)));
    EXPECT_TRUE(sameColour(result.GetPixelColor(309, 230), rgb(255, 255, 255)));
}

TEST(Composition, SmallerFrameIsStretchedOverTheWholeCanvas)
{
    const CxImage base = solid(kCanvasWidth, kCanvasHeight, rgb(255, 255, 255));
    const CxImage photo = solid(kCanvasWidth, kCanvasHeight, rgb(0, 0, 255));
    const CxImage frame = borderFrame(160, 120, 10); // half size: a 20-pixel border once stretched
    for (int opacity : { 255, 100 }) {
        ComposeInput in;
        in.base = &base;
        in.photo = &photo;
        in.frame = &frame;
        in.alpha = opacity;
        ComposeResult out;
        ASSERT_TRUE(Compose(in, out));
        CxImage result;
        ASSERT_TRUE(ImageFromBitmap(out.composed, result));
        const RGBQUAD border
            = opacity == 255 ? kBorder : rgb(blend(0, 200, opacity), blend(0, 40, opacity), blend(255, 10, opacity));
        for (auto [x, y] : { std::pair { 0, 0 }, { 319, 239 }, { 0, 239 }, { 319, 0 }, { 19, 120 }, { 300, 220 } })
            EXPECT_TRUE(sameColour(result.GetPixelColor(x, y), border)) << x << "," << y << " opacity " << opacity;
        for (auto [x, y] : { std::pair { 20, 20 }, { 160, 120 }, { 299, 219 } })
            EXPECT_TRUE(sameColour(result.GetPixelColor(x, y), rgb(0, 0, 255))) << x << "," << y;
    }
}

TEST(Composition, ComposeRefusesMissingPictures)
{
    const CxImage base = solid(kCanvasWidth, kCanvasHeight, rgb(255, 255, 255));
    ComposeInput in;
    in.base = &base;
    ComposeResult out;
    QString error;
    EXPECT_FALSE(Compose(in, out, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(out.composed.isNull());
}

TEST(Composition, ScaleBitmapGivesTheRequestedSize)
{
    const QImage source = patternBitmap(37, 23, 1);
    for (int kind : { 0, 2 }) {
        const QImage scaled = ScaleBitmap(source, 84, 62, kind);
        EXPECT_EQ(scaled.size(), QSize(84, 62)) << "kind " << kind;
        EXPECT_TRUE(ScaleBitmap(source, 0, 10, kind).isNull());
        EXPECT_TRUE(ScaleBitmap(QImage(), 10, 10, kind).isNull());
    }
    // The stretch copies pixels: an unscaled stretch is the source itself.
    EXPECT_TRUE(sameColours(ScaleBitmap(source, 37, 23, 2), source));
    // A single colour stays that colour through smooth resampling, up to truncation.
    for (QSize size : { QSize(97, 61), QSize(13, 9) }) {
        const QImage flat = ScaleBitmap(solidBitmap(40, 30, qRgb(12, 34, 56)), size.width(), size.height(), 0);
        EXPECT_TRUE(nearColour(flat.pixel(0, 0), qRgb(12, 34, 56)));
        EXPECT_TRUE(nearColour(flat.pixel(size.width() - 1, size.height() - 1), qRgb(12, 34, 56)));
    }
}

TEST(Composition, FrameOverlayAtFullSizeMatchesTheScreenRuleAtTheFramesOwnSize)
{
    // Same size: pixel for pixel what OverlayFrame does, at any opacity.
    for (int opacity : { 255, 128, 0 }) {
        CxImage screen(variedPhoto());
        ASSERT_TRUE(OverlayFrame(screen, borderFrame(), 5, 0, 0, opacity, false));
        QImage full = BitmapFromImage(variedPhoto());
        OverlayFrameScaled(full, BitmapFromImage(borderFrame()), opacity);
        EXPECT_EQ(full, BitmapFromImage(screen)) << opacity;
    }
    // Three times the size: the border's inside keeps the frame colour exactly, the opening the
    // photo exactly, and no pixel anywhere takes the key colour.
    QImage photo = BitmapFromImage(variedPhoto()).scaled(960, 720);
    const QImage before = photo;
    OverlayFrameScaled(photo, BitmapFromImage(borderFrame()), 255);
    EXPECT_EQ(photo.pixel(480, 360), before.pixel(480, 360));
    const QRgb border = qRgb(kBorder.rgbRed, kBorder.rgbGreen, kBorder.rgbBlue);
    EXPECT_EQ(photo.pixel(5, 5), border);
    const QRgb key = qRgb(kKey.rgbRed, kKey.rgbGreen, kKey.rgbBlue);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            ASSERT_TRUE(photo.pixel(x, y) != key || before.pixel(x, y) == key) << x << "," << y;
}
