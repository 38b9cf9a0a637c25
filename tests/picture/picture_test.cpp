// The shared picture plumbing: the fit-to-preview rule, the file table and key colours.
#include <QImage>

#include <gtest/gtest.h>

#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "picture/key_colour.h"
#include "picture/picture_files.h"

namespace {

CxImage gradient(int w, int h, int bpp = 24)
{
    CxImage image;
    image.Create(uint32_t(w), uint32_t(h), uint32_t(bpp));
    if (bpp == 8)
        image.SetGrayPalette();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (bpp == 8)
                image.SetPixelIndex(x, y, uint8_t(x * 7 + y));
            else
                image.SetPixelColor(x, y, RGBQUAD { uint8_t(x * 7), uint8_t(y * 5), uint8_t(x + y), 0 });
    return image;
}

} // namespace

TEST(PictureFit, PreviewSizeFollowsTheRule)
{
    // Only one side too large: the other side is set from the box, not kept.
    EXPECT_EQ(PreviewFitSize(400, 200), QSize(320, 320));
    EXPECT_EQ(PreviewFitSize(321, 240), QSize(320, 320));
    EXPECT_EQ(PreviewFitSize(200, 300), QSize(240, 240));
    EXPECT_EQ(PreviewFitSize(320, 241), QSize(240, 240));
    EXPECT_EQ(PreviewFitSize(640, 480), QSize(320, 240));
    EXPECT_EQ(PreviewFitSize(320, 240), QSize(320, 240));
    EXPECT_EQ(PreviewFitSize(17, 3), QSize(17, 3));
}

TEST(PictureFit, SmallPictureIsKeptUnchanged)
{
    const CxImage src = gradient(40, 30, 8);
    CxImage out;
    bool resampled = true;
    ASSERT_TRUE(FitToPreview(src, out, &resampled));
    EXPECT_FALSE(resampled);
    ASSERT_EQ(out.GetWidth(), 40u);
    ASSERT_EQ(out.GetHeight(), 30u);
    EXPECT_EQ(out.GetBpp(), 8u);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(out.GetPixelIndex(x, y), src.GetPixelIndex(x, y));
}

TEST(PictureFit, LargePictureIsResampledAndEmptyOneRefused)
{
    CxImage out;
    bool resampled = false;
    ASSERT_TRUE(FitToPreview(gradient(500, 100), out, &resampled));
    EXPECT_TRUE(resampled);
    EXPECT_EQ(out.GetWidth(), 320u);
    EXPECT_EQ(out.GetHeight(), 320u);

    CxImage untouched = gradient(5, 5);
    EXPECT_FALSE(FitToPreview(CxImage(), untouched));
    EXPECT_EQ(untouched.GetWidth(), 5u);
}

TEST(PictureFit, FitToGivesExactSizeOrA24BitCopy)
{
    CxImage out;
    ASSERT_TRUE(FitTo(gradient(16, 12, 8), QSize(16, 12), out));
    EXPECT_EQ(out.GetBpp(), 24u);
    ASSERT_TRUE(FitTo(gradient(16, 12), QSize(33, 7), out));
    EXPECT_EQ(out.GetWidth(), 33u);
    EXPECT_EQ(out.GetHeight(), 7u);
    EXPECT_FALSE(FitTo(gradient(16, 12), QSize(0, 7), out));
    EXPECT_TRUE(ScaleBitmap(QImage(), 10, 10, ScaleSmooth).isNull());
    EXPECT_TRUE(ScaleBitmap(QImage(4, 4, QImage::Format_RGB32), 0, 10, ScaleStretch).isNull());
}

TEST(PictureFiles, EndingsAndExtensions)
{
    EXPECT_EQ(PictureFormatFromName(QStringLiteral("a.wbmp")), 9);
    EXPECT_EQ(PictureFormatFromName(QStringLiteral("A.BMP")), 1);
    EXPECT_EQ(PictureFormatFromName(QStringLiteral("x.Jpeg")), 3);
    EXPECT_EQ(PictureFormatFromName(QStringLiteral("notes.txt")), 0);
    EXPECT_FALSE(IsPictureFile(QStringLiteral("picture.jpg.txt")));
    EXPECT_EQ(ExtensionForFormat(3), QStringLiteral("jpg"));
    EXPECT_EQ(ExtensionForFormat(17), QStringLiteral("mng"));
    EXPECT_EQ(ExtensionForFormat(6), QStringLiteral("tif"));
    EXPECT_TRUE(ExtensionForFormat(99).isEmpty());
    // Every filter names an ending the table recognises.
    for (const QString& filter : PictureNameFilters())
        EXPECT_NE(PictureFormatFromName(filter.mid(1)), 0) << filter.toStdString();
}

TEST(PictureFiles, ImageExtensionLooksAtTheFileNameOnly)
{
    EXPECT_TRUE(HasImageExtension(QStringLiteral("/x/frame.png")));
    EXPECT_TRUE(HasImageExtension(QStringLiteral("/x/photo.jpeg")));
    EXPECT_FALSE(HasImageExtension(QStringLiteral("/x/shots.jpg/readme")));
    EXPECT_FALSE(HasImageExtension(QStringLiteral("/x/frame.")));
    EXPECT_FALSE(HasImageExtension(QStringLiteral("/x/frame.doc")));
}

TEST(PictureKeys, CentreAndTopLeftOfBitmapAndContainer)
{
    QImage bitmap(5, 4, QImage::Format_RGB32);
    bitmap.fill(0xFF101010);
    bitmap.setPixel(0, 0, 0xFFAA0000);
    // The container's centre (2, 2 from the bottom) is row 1 of a 4-row top-down bitmap.
    bitmap.setPixel(2, 1, 0xFF00BB00);
    EXPECT_EQ(CentreKey(bitmap), 0x0000BB00u);
    EXPECT_EQ(TopLeftKey(bitmap), 0x00AA0000u);
    EXPECT_EQ(CentreKey(QImage()), 0u);

    CxImage image;
    ASSERT_TRUE(ImageFromBitmap(bitmap, image));
    const KeyColour centre = GetKeyColour(image, false);
    EXPECT_EQ(centre.colour.rgbGreen, 0xBB);
    EXPECT_EQ(centre.colour.rgbRed, 0);
    const KeyColour corner = GetKeyColour(image, true);
    EXPECT_EQ(corner.colour.rgbRed, 0xAA);
    EXPECT_TRUE(PixelHasKey(image, 0, 3, corner));
    EXPECT_FALSE(PixelHasKey(image, 1, 3, corner));
}

TEST(PictureBridge, LoadPictureReportsTheReasonAndKeepsTarget)
{
    CxImage target = gradient(3, 3);
    QString error;
    EXPECT_FALSE(LoadPicture(QStringLiteral("/nonexistent/frame.png"), target, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(target.GetWidth(), 3u);
    EXPECT_FALSE(LoadPicture(QString(), target, &error));
}
