// The composition pass: base from the caller's picture, top-left keying of stickers, placement
// and clipping, hit boxes, alpha stickers, hidden and unreadable layers, and the sticker cache.
#include "editing/mix_compose.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "editing/draw_text_box.h"
#include "editing/mix_layer_data.h"
#include "tests/common/test_support.h"

namespace {

QImage base(int w = 320, int h = 240)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 90));
    return img;
}

/// A 20 x 10 sticker: white corners and border, a blue figure with a white hole in the middle.
QImage sticker()
{
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 18; ++x)
            img.setPixel(x, y, qRgb(0, 0, 255));
    img.setPixel(10, 5, qRgb(255, 255, 255));
    return img;
}

QRgb top(const CxImage& img, int x, int y)
{
    const RGBQUAD c = img.GetPixelColor(x, int(img.GetHeight()) - 1 - y, false);
    return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

class Compose : public ::testing::Test {
protected:
    std::string save(const QImage& img, const char* name)
    {
        const std::string path = dir.file(name);
        EXPECT_TRUE(img.save(QString::fromStdString(path)));
        return path;
    }
    MixLayerList listWith(const std::string& path, int x, int y)
    {
        MixLayerList list;
        list.addBaseLayer();
        list.setLastPlaced(QPoint(x, y));
        list.addImageLayer(QString::fromStdString(path));
        return list;
    }
    testsupport::TempDir dir;
    QImage picture = base();
};

} // namespace

TEST_F(Compose, EmptyListDoesNothingAndTheBaseAloneIsTheCallersPicture)
{
    MixLayerList list;
    CxImage composite(4, 4, 24, 0);
    ComposeLayers(picture, list, composite, nullptr);
    EXPECT_EQ(composite.GetWidth(), 4u);
    list.addBaseLayer();
    ComposeLayers(picture, list, composite, nullptr);
    ASSERT_EQ(composite.GetWidth(), 320u);
    EXPECT_EQ(top(composite, 17, 33), picture.pixel(17, 33));
    EXPECT_EQ(list.layers()[0].m_hitBox.right, 0);
}

TEST_F(Compose, TopLeftColourIsCutEverywhereAndTheStickerLandsAtXAndMinusY)
{
    const std::string path = save(sticker(), "s.bmp");
    MixLayerList list = listWith(path, 30, -40); // 40 rows below the top
    CxImage composite;
    ComposeLayers(picture, list, composite, nullptr);
    EXPECT_EQ(top(composite, 30 + 2, 40 + 2), qRgb(0, 0, 255));
    EXPECT_EQ(top(composite, 30 + 17, 40 + 7), qRgb(0, 0, 255));
    EXPECT_EQ(top(composite, 30, 40), picture.pixel(30, 40)); // white corner
    EXPECT_EQ(top(composite, 30 + 10, 40 + 5), picture.pixel(40, 45)); // white inside the figure
    const CxRect& hit = list.layers()[1].m_hitBox;
    EXPECT_EQ(hit.left, 30 + 11);
    EXPECT_EQ(hit.top, 33 + 40);
    EXPECT_EQ(hit.right, 30 + 11 + 20);
    EXPECT_EQ(hit.bottom, 33 + 40 + 10);
    EXPECT_EQ(list.lastPlaced(), QPoint(30, -40));
}

TEST_F(Compose, StickerAtTheRightEdgeIsCutButItsHitBoxIsWhole)
{
    const std::string path = save(sticker(), "s.png");
    MixLayerList list = listWith(path, 310, 5); // 5 rows above the top
    CxImage composite;
    ComposeLayers(picture, list, composite, nullptr);
    EXPECT_EQ(top(composite, 312, 0), qRgb(0, 0, 255)); // sticker row 5
    EXPECT_EQ(top(composite, 319, 2), qRgb(0, 0, 255));
    EXPECT_EQ(top(composite, 312, 3), picture.pixel(312, 3)); // sticker row 8: white border
    const CxRect& hit = list.layers()[1].m_hitBox;
    EXPECT_EQ(hit.right - hit.left, 20);
    EXPECT_EQ(hit.top, 33 - 5);
}

TEST_F(Compose, HiddenAndUnreadableLayersDrawNothing)
{
    const std::string bad = dir.file("broken.png");
    {
        QFile f(QString::fromStdString(bad));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    MixLayerList list = listWith(bad, 10, -10);
    list.addImageLayer(QString::fromStdString(save(sticker(), "s.bmp")));
    list.setLineChecked(2, false);
    list.selectLine(2); // hidden
    CxImage composite;
    ComposeLayers(picture, list, composite, nullptr);
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3)
            ASSERT_EQ(top(composite, x, y), picture.pixel(x, y));
    const CxRect& hit = list.layers()[1].m_hitBox;
    EXPECT_EQ(hit.left, hit.right);
    EXPECT_EQ(list.count(), 3);
}

TEST_F(Compose, TextLayerHitBoxFollowsTheMeasuredBox)
{
    MixLayerList list;
    list.addBaseLayer();
    TextInfo info;
    DefaultTextInfo(info);
    list.addTextLayer(info);
    CxImage composite;
    ComposeLayers(picture, list, composite, nullptr);
    CxImage scratch;
    scratch.FromDeviceBitmap(picture);
    TextInfo again = info;
    const CxRect box = DrawTextBox(scratch, nullptr, 40, 40, again, false);
    const int w = box.right, h = box.bottom;
    const CxRect& hit = list.layers()[1].m_hitBox;
    EXPECT_EQ(hit.left, 40 - w / 2 + 11);
    EXPECT_EQ(hit.top, 40 - h + 33);
    EXPECT_EQ(hit.right, 40 - w / 2 + w + 11);
    EXPECT_EQ(hit.bottom, 40 + 33);
    EXPECT_NE(top(composite, 40, 40), picture.pixel(40, 40)); // the box's bottom row
}

TEST_F(Compose, AlphaStickerBlendsAndOpaqueStickerKeepsTheKeyRule)
{
    QImage alpha(4, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(255, 255, 255, 255)); // opaque white top-left: no hole
    alpha.setPixel(1, 0, qRgba(255, 0, 0, 0));
    alpha.setPixel(2, 0, qRgba(255, 0, 0, 128));
    alpha.setPixel(3, 0, qRgba(255, 255, 255, 255));
    QImage flat(2, 1, QImage::Format_RGB32);
    flat.fill(Qt::white);
    MixLayerList list = listWith(save(alpha, "alpha.png"), 100, -50);
    list.setLastPlaced(QPoint(200, -60));
    list.addImageLayer(QString::fromStdString(save(flat, "flat.png")));
    CxImage composite;
    QImage gray(320, 240, QImage::Format_RGB32);
    gray.fill(qRgb(0, 0, 200));
    ComposeLayers(gray, list, composite, nullptr);
    EXPECT_EQ(top(composite, 100, 50), qRgb(255, 255, 255));
    EXPECT_EQ(top(composite, 101, 50), qRgb(0, 0, 200));
    const QRgb half = top(composite, 102, 50);
    EXPECT_NEAR(qRed(half), 128, 1);
    EXPECT_NEAR(qBlue(half), 100, 1);
    EXPECT_EQ(top(composite, 103, 50), qRgb(255, 255, 255));
    // All white with a white top-left: every pixel is keyed away.
    EXPECT_EQ(top(composite, 200, 60), qRgb(0, 0, 200));
    EXPECT_EQ(top(composite, 201, 60), qRgb(0, 0, 200));
}

TEST_F(Compose, CacheGivesTheSamePictureAndDecodesAChangedFileAgain)
{
    const std::string path = save(sticker(), "s.png");
    MixLayerList list = listWith(path, 50, -20);
    list.addImageLayer(QString::fromStdString(path));
    list.addImageLayer(QString::fromStdString(path));
    list.selectLine(3);
    list.dragMove(30, -7);
    StickerCache cache;
    CxImage cached, plain;
    ComposeLayers(picture, list, cached, &cache);
    ComposeLayers(picture, list, cached, &cache);
    ComposeLayers(picture, list, plain, nullptr);
    EXPECT_EQ(cache.decodes(), 1);
    ASSERT_EQ(cached.GetWidth(), plain.GetWidth());
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(top(cached, x, y), top(plain, x, y)) << x << "," << y;

    QImage bigger(30, 12, QImage::Format_RGB32);
    bigger.fill(qRgb(0, 255, 0));
    save(bigger, "s.png");
    ComposeLayers(picture, list, cached, &cache);
    EXPECT_EQ(cache.decodes(), 2);
    EXPECT_EQ(list.layers()[1].m_hitBox.right - list.layers()[1].m_hitBox.left, 30);
}
