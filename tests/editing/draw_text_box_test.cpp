// DrawTextBox: the measured box, the enlargements, the rounded background with its opacity mix,
// the text mask and its placement, and the corrections of the record.
#include "editing/draw_text_box.h"

#include <cmath>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <gtest/gtest.h>

#include "editing/text_info.h"

namespace {

constexpr uint32_t kPicture = 0x0064C8; // 0x00BBGGRR: red 200, green 100, blue 0

CxImage canvas(int w, int h, uint32_t colorRef = kPicture)
{
    CxImage img(uint32_t(w), uint32_t(h), 24, 0);
    const RGBQUAD c { uint8_t(colorRef >> 16), uint8_t(colorRef >> 8), uint8_t(colorRef), 0 };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.SetPixelColor(x, y, c);
    return img;
}

/// Colour of column x, row y counted from the top, as 0x00BBGGRR.
uint32_t at(const CxImage& img, int x, int yFromTop)
{
    const RGBQUAD c = img.GetPixelColor(x, int(img.GetHeight()) - 1 - yFromTop, false);
    return uint32_t(c.rgbRed) | uint32_t(c.rgbGreen) << 8 | uint32_t(c.rgbBlue) << 16;
}

/// Bounding box (rows from the top) of the pixels that are no longer the picture colour.
QRect changed(const CxImage& img, uint32_t colorRef = kPicture)
{
    QRect box;
    for (int y = 0; y < int(img.GetHeight()); ++y)
        for (int x = 0; x < int(img.GetWidth()); ++x)
            if (at(img, x, y) != colorRef)
                box |= QRect(x, y, 1, 1);
    return box;
}

TextInfo record(const char* text = "Tolvenmark")
{
    TextInfo info;
    DefaultTextInfo(info);
    SetTextOf(info, QString::fromUtf8(text));
    SetFaceNameOf(info, QStringLiteral("DejaVu Sans"));
    info.m_font.m_height = -20;
    return info;
}

QFontMetrics metricsOf(const TextInfo& info)
{
    return QFontMetrics(FontOfTextInfo(info));
}

} // namespace

TEST(DrawTextBox, EmptyImageGivesEmptyBoxAndKeepsTheRecord)
{
    CxImage none;
    TextInfo info = record();
    info.m_align = 7;
    const CxRect box = DrawTextBox(none, nullptr, 10, 10, info, false);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 0);
    EXPECT_EQ(box.bottom, 0);
    EXPECT_EQ(info.m_align, 7);
}

TEST(DrawTextBox, MeasuredBoxIsTheTextInItsFont)
{
    CxImage img = canvas(300, 120);
    TextInfo info = record("Wide line\rB");
    const QFontMetrics fm = metricsOf(info);
    const CxRect box = DrawTextBox(img, nullptr, 150, 100, info, false);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, fm.horizontalAdvance(QStringLiteral("Wide line")));
    EXPECT_EQ(box.bottom, 2 * fm.height());
}

TEST(DrawTextBox, OutOfRangeValuesAreCorrectedInPlace)
{
    CxImage img = canvas(300, 100);
    TextInfo info = record();
    info.m_align = 7;
    info.m_rounding = 60;
    info.m_backOpacity = 1.5f;
    info.m_textColour = info.m_backColour; // the whole box in one colour
    const CxRect box = DrawTextBox(img, nullptr, 150, 80, info, false);
    EXPECT_EQ(info.m_align, 1);
    EXPECT_EQ(info.m_rounding, 10);
    EXPECT_EQ(info.m_backOpacity, 0.0f);
    // Drawn centred and solid (opacity 0), with the rounding of 10 percent.
    const int lh = box.bottom;
    const int r = lh * 10 / 100;
    const int f = int(r * 0.29289);
    const int w = box.right + lh / 3 + 2 * f;
    const QRect drawn = changed(img);
    EXPECT_EQ(drawn.left(), 150 - w / 2);
    EXPECT_EQ(drawn.width(), w);
    EXPECT_EQ(drawn.bottom(), 80);
    EXPECT_EQ(drawn.height(), box.bottom + 2 * f);
    EXPECT_EQ(at(img, drawn.center().x(), drawn.center().y()), info.m_backColour);

    info.m_backOpacity = std::nanf("");
    DrawTextBox(img, nullptr, 150, 80, info, false);
    EXPECT_EQ(info.m_backOpacity, 0.0f);
    info.m_align = -1;
    info.m_rounding = 50; // the largest kept value
    DrawTextBox(img, nullptr, 150, 80, info, false);
    EXPECT_EQ(info.m_align, 1);
    EXPECT_EQ(info.m_rounding, 50);
}

TEST(DrawTextBox, TwoLinesTakeTheRadiusFromHalfTheHeight)
{
    TextInfo info = record("A\rB");
    info.m_rounding = 50;
    info.m_textColour = info.m_backColour;
    CxImage img = canvas(200, 200);
    const CxRect box = DrawTextBox(img, nullptr, 20, 150, info, false);
    const int lh = box.bottom / 2;
    const int r = lh * 50 / 100;
    const int f = int(r * 0.29289);
    const int w = box.right + lh / 3 + 2 * f;
    const int h = box.bottom + 2 * f;
    ASSERT_GT(f, 0);
    const QRect drawn = changed(img);
    EXPECT_EQ(drawn.width(), w);
    EXPECT_EQ(drawn.height(), h);
    EXPECT_EQ(drawn.bottom(), 150);
    // Corners are cut: column 0 keeps r rows at the top and at the bottom.
    const int x0 = drawn.left();
    const int top = 150 - h + 1;
    EXPECT_EQ(at(img, x0, top), kPicture);
    EXPECT_EQ(at(img, x0, top + r - 1), kPicture);
    EXPECT_EQ(at(img, x0, top + r), info.m_backColour);
    EXPECT_EQ(at(img, x0, 150 - r + 1), kPicture);
    EXPECT_EQ(at(img, x0, 150 - r), info.m_backColour);
    EXPECT_EQ(at(img, x0 + w - 1, top), kPicture);
    EXPECT_EQ(at(img, x0 + w / 2, top), info.m_backColour);
    EXPECT_EQ(at(img, x0 + w / 2, 150), info.m_backColour);
}

TEST(DrawTextBox, OpacityMixesTheBoxWithThePicture)
{
    TextInfo info = record(" ");
    info.m_rounding = 0;
    info.m_backColour = 0xC86400; // red 0, green 100, blue 200
    info.m_backOpacity = 0.5f;
    CxImage img = canvas(200, 80);
    DrawTextBox(img, nullptr, 10, 60, info, false);
    const QRect drawn = changed(img);
    ASSERT_FALSE(drawn.isEmpty());
    // Half of (200, 100, 0) and half of (0, 100, 200).
    EXPECT_EQ(at(img, drawn.left(), drawn.top()), 0x646464u);
    EXPECT_EQ(at(img, drawn.right(), drawn.bottom()), 0x646464u);

    info.m_backOpacity = 0.0f;
    img = canvas(200, 80);
    DrawTextBox(img, nullptr, 10, 60, info, false);
    EXPECT_EQ(at(img, changed(img).left(), 50), 0xC86400u);
}

TEST(DrawTextBox, TextWithoutBackgroundIsTheMaskAtTheAnchor)
{
    // Oracle: the same white-on-black rendering, inverted and thresholded, laid at (x', y).
    TextInfo info = record("Hg");
    info.m_opaque = 0;
    info.m_smooth = 0;
    info.m_align = 0;
    info.m_textColour = 0x00FF00;
    CxImage img = canvas(120, 60, 0xFFFFFF);
    const CxRect box = DrawTextBox(img, nullptr, 7, 40, info, false);
    const int w = box.right;
    const int h = box.bottom;
    ASSERT_GT(w, 0);
    QImage section(w, h, QImage::Format_RGB32);
    section.fill(Qt::black);
    {
        QPainter p(&section);
        p.setFont(FontOfTextInfo(info));
        p.setPen(Qt::white);
        p.drawText(QPoint(0, QFontMetrics(FontOfTextInfo(info), &section).ascent()), QStringLiteral("Hg"));
    }
    int textPixels = 0;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            // Negative then a threshold at 128: text where the inverted gray is not above 128.
            const QRgb s = section.pixel(col, row);
            const int gray = (306 * (255 - qRed(s)) + 601 * (255 - qGreen(s)) + 117 * (255 - qBlue(s))) >> 10;
            const bool text = gray <= 128;
            textPixels += text;
            const uint32_t expected = text ? 0x00FF00u : 0xFFFFFFu;
            ASSERT_EQ(at(img, 7 + col, 40 - h + 1 + row), expected) << col << "," << row;
        }
    }
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(changed(img, 0xFFFFFF).bottom() <= 40, true);
}

TEST(DrawTextBox, SmoothKeepsEdgeShadesAndHardEdgesHaveNone)
{
    auto shades = [](uint8_t smooth) {
        TextInfo info = record("Round edges");
        info.m_opaque = 0;
        info.m_smooth = smooth;
        info.m_textColour = 0x000000;
        CxImage img = canvas(240, 60, 0xFFFFFF);
        DrawTextBox(img, nullptr, 0, 50, info, false);
        int between = 0, dark = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 240; ++x) {
                const uint32_t c = at(img, x, y);
                between += c != 0 && c != 0xFFFFFF;
                dark += c == 0;
            }
        return std::pair(between, dark);
    };
    const auto [hardBetween, hardDark] = shades(0);
    const auto [softBetween, softDark] = shades(1);
    EXPECT_EQ(hardBetween, 0);
    EXPECT_GT(hardDark, 50);
    EXPECT_GT(softBetween, 50);
}

TEST(DrawTextBox, AnchorFollowsTheAlignmentAndStopsAtColumnZero)
{
    TextInfo info = record();
    info.m_textColour = info.m_backColour;
    info.m_rounding = 0;
    CxImage img = canvas(300, 60);
    CxRect box = DrawTextBox(img, nullptr, 10, 50, info, false); // centred, wider than 20
    const int w = box.right + box.bottom / 3;
    ASSERT_GT(w, 20);
    EXPECT_EQ(changed(img).left(), 0);
    EXPECT_EQ(changed(img).width(), w);

    img = canvas(300, 60);
    info.m_align = 2;
    DrawTextBox(img, nullptr, 250, 50, info, false);
    EXPECT_EQ(changed(img).right(), 249);
    EXPECT_EQ(changed(img).left(), 250 - w);

    img = canvas(300, 60);
    info.m_align = 0;
    info.m_font.m_italic = 1;
    box = DrawTextBox(img, nullptr, 30, 50, info, false);
    EXPECT_EQ(changed(img).left(), 30);
    EXPECT_EQ(changed(img).width(), box.right + box.bottom / 2 + box.bottom / 3);
}

TEST(DrawTextBox, BoxPartlyOutsideThePictureIsClipped)
{
    TextInfo info = record();
    CxImage img = canvas(40, 20);
    DrawTextBox(img, nullptr, 35, 5, info, false); // bottom row 5: most of the box is above the top
    const QRect drawn = changed(img);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_EQ(drawn.top(), 0);
    EXPECT_EQ(drawn.bottom(), 5);
}
