// DrawTextBox: measure with Qt's font engine, rasterise a white-on-black mask, lay the rounded
// background box and blend the text colour through the mask.
#include "editing/draw_text_box.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>

#include "editing/text_info.h"

namespace {

RGBQUAD quadOf(uint32_t colorRef)
{
    return RGBQUAD { uint8_t((colorRef >> 16) & 0xFF), uint8_t((colorRef >> 8) & 0xFF), uint8_t(colorRef & 0xFF), 0 };
}

void correctRecord(TextInfo& info)
{
    if (info.m_align < 0 || info.m_align > 2)
        info.m_align = 1;
    if (info.m_rounding >= 51)
        info.m_rounding = 10;
    // Written as "inside the range" so that a NaN is corrected too.
    if (!(info.m_backOpacity >= 0.0f && info.m_backOpacity <= 1.0f))
        info.m_backOpacity = 0.0f;
}

/// Corner cut of column i of a box w wide with corner radius r: rows cut away at top and bottom.
int cornerCut(int i, int w, int r)
{
    float d;
    if (i <= r)
        d = float(i - r);
    else if (i >= w - r - 1)
        d = float(w - 1 - i - r);
    else
        return 0;
    const float rf = float(r);
    return int(0.5f + rf - std::sqrt(rf * rf - d * d));
}

} // namespace

CxRect DrawTextBox(CxImage& image, QPaintDevice* device, int32_t x, int32_t y, TextInfo& info, bool setAlpha)
{
    const CxRect empty { 0, 0, 0, 0 };
    if (!image.IsValid() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return empty;

    const QFont font = FontOfTextInfo(info);
    correctRecord(info);

    const QFontMetrics fm = device ? QFontMetrics(font, device) : QFontMetrics(font);
    const QStringList lines = TextOf(info).split(QLatin1Char('\n'));
    const int lineCount = int(lines.size());
    const int lineHeight = fm.height();
    int textWidth = 0;
    for (const QString& line : lines)
        textWidth = std::max(textWidth, fm.horizontalAdvance(line));
    const CxRect measured { 0, 0, textWidth, lineCount * lineHeight };

    int right = measured.right;
    const int bottom = measured.bottom;
    if (info.m_font.m_italic)
        right += bottom / 2 / lineCount;
    int radius = 0;
    int frame = 0;
    if (info.m_opaque) {
        const int lh = bottom / lineCount;
        radius = lh * info.m_rounding / 100;
        frame = int(radius * 0.29289);
        right += lh / 3;
    }
    const int w = right + 2 * frame;
    const int h = bottom + 2 * frame;
    if (w <= 0 || h <= 0)
        return measured;

    // The mask: white text on black in the box (0, 0) - (right, bottom), aligned per line.
    QImage section(w, h, QImage::Format_RGB32);
    section.fill(Qt::black);
    {
        QPainter painter(&section);
        painter.setFont(font);
        painter.setPen(Qt::white);
        const QFontMetrics pm(font, &section);
        for (int k = 0; k < lineCount; ++k) {
            const int lw = pm.horizontalAdvance(lines[k]);
            const int left = info.m_align == 0 ? 0 : info.m_align == 2 ? right - lw : (right - lw) / 2;
            painter.drawText(QPoint(left, k * lineHeight + pm.ascent()), lines[k]);
        }
    }
    CxImage mask;
    if (!mask.FromDeviceBitmap(section))
        return measured;
    mask.Negative();
    if (!info.m_smooth)
        mask.Threshold(128);

    const int yb = int(image.GetHeight()) - y - 1; // the box's bottom row, bottom-up
    int xb = info.m_align == 1 ? x - w / 2 : info.m_align == 2 ? x - w : x;
    if (xb < 0)
        xb = 0;

    if (info.m_opaque) {
        RGBQUAD back = quadOf(info.m_backColour);
        back.rgbReserved = 255; // what the alpha plane gets when setAlpha asks for it
        const float opacity = info.m_backOpacity;
        const bool mix = opacity > 0.0f && opacity < 1.0f;
        for (int i = 0; i < w; ++i) {
            const bool rounded = i <= radius || i >= w - radius - 1;
            const int cut = rounded ? cornerCut(i, w, radius) : 0;
            for (int j = 0; j < h; ++j) {
                if (rounded && (j < cut || j > h - cut - 1))
                    continue;
                RGBQUAD c = back;
                if (mix) {
                    const RGBQUAD p = image.GetPixelColor(xb + i, yb + j, false);
                    c.rgbBlue = uint8_t(opacity * p.rgbBlue + (1.0f - opacity) * back.rgbBlue);
                    c.rgbGreen = uint8_t(opacity * p.rgbGreen + (1.0f - opacity) * back.rgbGreen);
                    c.rgbRed = uint8_t(opacity * p.rgbRed + (1.0f - opacity) * back.rgbRed);
                }
                image.SetPixelColor(xb + i, yb + j, c, setAlpha);
            }
        }
    }

    // The text, offset by the frame so it sits in the middle of the box. Each pixel blends with
    // the pixel it replaces, so edge shades never pick up text already drawn beside them.
    const RGBQUAD tc = quadOf(info.m_textColour);
    auto blend = [](float a, uint8_t p, uint8_t t) { return uint8_t(int(a * (int(p) - int(t)) + int(t))); };
    for (int i = 0; i < w; ++i) {
        for (int j = 0; j < h; ++j) {
            const uint8_t level = mask.GetPixelColor(i, j, false).rgbBlue;
            if (level == 255)
                continue;
            const float a = level / 255.0f;
            const int tx = xb + i + frame;
            const int ty = yb + j - frame;
            const RGBQUAD p = image.GetPixelColor(tx, ty, false);
            const RGBQUAD out { blend(a, p.rgbBlue, tc.rgbBlue), blend(a, p.rgbGreen, tc.rgbGreen),
                blend(a, p.rgbRed, tc.rgbRed), 255 };
            image.SetPixelColor(tx, ty, out, setAlpha);
        }
    }
    return measured;
}
