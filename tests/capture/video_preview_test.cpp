// Preview painting: the bilinear stretch of camera frames and the colour-keyed overlay.
#include "capture/video_preview.h"

#include <cstdlib>

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage bgrFrame(int w, int h, const std::function<QRgb(int, int)>& colour)
{
    QImage f(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f.setPixel(x, y, colour(x, y));
    return f;
}

// Where tests leave pictures for a person to look at (KIVRA_RENDER_DIR), or nowhere.
void keep(const QImage& img, const char* name)
{
    if (const char* dir = std::getenv("KIVRA_RENDER_DIR"))
        img.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name)));
}

} // namespace

TEST(ScaleFrameInto, HalvingAveragesTwoByTwoBlocks)
{
    const QImage frame = bgrFrame(8, 6, [](int x, int y) { return qRgb(x * 30, y * 40, (x + y) * 10); });
    QImage dst(4, 3, QImage::Format_RGB32);
    dst.fill(Qt::white);
    ScaleFrameInto(dst, dst.rect(), frame);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            auto avg = [&](int shift) {
                int s = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        s += (frame.pixel(2 * x + dx, 2 * y + dy) >> shift) & 0xFF;
                return s / 4.0;
            };
            const QRgb p = dst.pixel(x, y);
            EXPECT_NEAR(qRed(p), avg(16), 1.0) << x << "," << y;
            EXPECT_NEAR(qGreen(p), avg(8), 1.0);
            EXPECT_NEAR(qBlue(p), avg(0), 1.0);
        }
}

TEST(ScaleFrameInto, StretchStaysInsideRectangleAndKeepsFlatColour)
{
    const QImage frame = bgrFrame(1280, 720, [](int, int) { return qRgb(12, 200, 99); });
    QImage dst(40, 30, QImage::Format_RGB32);
    dst.fill(Qt::black);
    ScaleFrameInto(dst, QRect(10, 5, 20, 15), frame);
    EXPECT_EQ(dst.pixel(10, 5), qRgb(12, 200, 99));
    EXPECT_EQ(dst.pixel(29, 19), qRgb(12, 200, 99));
    EXPECT_EQ(dst.pixel(9, 5), qRgb(0, 0, 0));
    EXPECT_EQ(dst.pixel(30, 19), qRgb(0, 0, 0));
    EXPECT_EQ(dst.pixel(10, 20), qRgb(0, 0, 0));
}

TEST(CPreviewCompositor, KeyedOverlayBlendsAtItsAlphaInBottomRightQuarter)
{
    const QRgb video = qRgb(0, 0, 200);
    const QImage frame = bgrFrame(64, 48, [&](int, int) { return video; });
    // Overlay: magenta (the key) with a green square in its middle.
    QImage overlay(32, 24, QImage::Format_RGB32);
    overlay.fill(QColor(255, 0, 255));
    QPainter(&overlay).fillRect(8, 6, 16, 12, QColor(0, 250, 0));

    CPreviewCompositor c;
    c.setVideoRect(QRect(0, 0, 320, 240));
    c.setOverlay(overlay, qRgb(255, 0, 255), QRectF(QPointF(0.5, 0.5), QPointF(1, 1)));
    QImage canvas(320, 240, QImage::Format_RGB32);
    c.render(canvas, frame);
    EXPECT_EQ(canvas.pixel(240, 180), video) << "alpha 0 keeps the overlay invisible";

    c.setOverlayAlpha(0.9);
    c.render(canvas, frame);
    keep(canvas, "compositor_alpha09.png");
    // Green square maps to (160 + 40 .. 160 + 119, 120 + 30 .. 120 + 89).
    const QRgb mixed = canvas.pixel(240, 180);
    EXPECT_NEAR(qGreen(mixed), 0.9 * 250, 2);
    EXPECT_NEAR(qBlue(mixed), 0.1 * 200, 2);
    EXPECT_EQ(qRed(mixed), 0);
    // Key colour is transparent, also next to the square's edge (no magenta fringe).
    EXPECT_EQ(canvas.pixel(170, 130), video);
    for (int x = 160; x < 320; ++x)
        EXPECT_LT(qRed(canvas.pixel(x, 148)), 8) << "fringe at x " << x;
    // Outside the overlay's quarter the video is untouched.
    EXPECT_EQ(canvas.pixel(100, 100), video);
}

TEST(CVideoPreview, RendersFrameWithOverlayForInspection)
{
    // A picture-like gradient frame with a decoration, painted as the booth's video area.
    const QImage frame = bgrFrame(640, 480, [](int x, int y) { return qRgb(x * 255 / 639, y * 255 / 479, 160); });
    QImage deco(640, 480, QImage::Format_RGB32);
    deco.fill(QColor(255, 0, 255));
    {
        QPainter p(&deco);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xFF, 0xC8, 0x57));
        p.drawRect(0, 0, 640, 40);
        p.drawRect(0, 440, 640, 40);
        p.setBrush(QColor(0xFF, 0x6B, 0x57));
        p.drawEllipse(QPoint(320, 240), 80, 80);
    }
    CVideoPreview preview;
    preview.resize(320, 240);
    preview.setVideoRect(preview.rect());
    preview.compositor().setOverlay(deco, qRgb(255, 0, 255), QRectF(0, 0, 1, 1));
    preview.compositor().setOverlayAlpha(0.7);
    preview.setFrame(frame);
    const QImage shot = preview.grab().toImage();
    keep(shot, "video_preview.png");
    ASSERT_EQ(shot.size(), QSize(320, 240));
    EXPECT_GE(preview.framesPainted(), 1);
    // Band at the top is the overlay at 70 %, the middle left is the video itself.
    const QColor band = shot.pixelColor(160, 5);
    EXPECT_NEAR(band.red(), 0.7 * 255 + 0.3 * 128, 4);
    const QColor plain = shot.pixelColor(20, 120);
    EXPECT_NEAR(plain.blue(), 160, 2);
}
