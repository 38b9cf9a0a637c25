// Drawing helpers of the artwork generator.
#include "tools/skin_paint.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QStringList>

#include "skin/skin_theme.h"

namespace art {

using namespace skin::theme;

ButtonLook primaryLook()
{
    return { kCoral, kCoralOver, kCoralDown, kPaper, true };
}

ButtonLook secondaryLook()
{
    return { kSlate, kSlateOver, kSlateDown, kPaper, false };
}

namespace {

QPen strokePen(const QColor& c, double w)
{
    QPen pen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

QPointF at(const QRectF& b, double x, double y)
{
    // Glyphs are designed on a 24 x 24 grid and scaled into the box.
    const double s = std::min(b.width(), b.height()) / 24.0;
    const QPointF o(b.center().x() - 12 * s, b.center().y() - 12 * s);
    return o + QPointF(x * s, y * s);
}

QRectF rectIn(const QRectF& b, double x, double y, double w, double h)
{
    const double s = std::min(b.width(), b.height()) / 24.0;
    return QRectF(at(b, x, y), QSizeF(w * s, h * s));
}

void arrowHead(QPainter& p, const QRectF& b, double angleDeg)
{
    // A chevron pointing right, rotated about the box centre.
    p.save();
    p.translate(b.center());
    p.rotate(angleDeg);
    p.translate(-b.center());
    QPainterPath path;
    path.moveTo(at(b, 9, 5));
    path.lineTo(at(b, 16, 12));
    path.lineTo(at(b, 9, 19));
    p.drawPath(path);
    p.restore();
}

/// The camera glyph's parts in box: the body, the viewfinder hump and the lens.
struct CameraShape {
    QRectF body;
    double radius;
    QPointF top[4];
    QRectF lens;
};

CameraShape cameraShape(const QRectF& b)
{
    const double s = std::min(b.width(), b.height()) / 24.0;
    return { rectIn(b, 2, 7, 20, 14), 2.5 * s, { at(b, 8, 7), at(b, 9.5, 4), at(b, 14.5, 4), at(b, 16, 7) },
        rectIn(b, 8, 9.5, 8, 8) };
}

// The application icon on its 64-unit grid.
constexpr QRectF kIconTile(2, 2, 60, 60);
constexpr double kIconTileRadius = 14;
constexpr QRectF kIconGlyphBox(12, 12, 40, 40);
constexpr QRectF kSmallIconGlyphBox(8, 10, 48, 48);
constexpr QPointF kIconFlash(49, 15);
constexpr double kIconFlashRadius = 4.5;
constexpr double kIconStroke = 2.2;

} // namespace

void drawGlyph(QPainter& p, const QRectF& b, Glyph g, const QColor& colour, double strokeWidth)
{
    const double s = std::min(b.width(), b.height()) / 24.0;
    const double stroke = strokeWidth > 0 ? strokeWidth : std::max(1.5, 2.2 * std::min(1.0, s * 1.1));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(strokePen(colour, stroke));
    p.setBrush(Qt::NoBrush);
    switch (g) {
    case Glyph::None:
        break;
    case Glyph::Camera: {
        const CameraShape c = cameraShape(b);
        QPainterPath body;
        body.addRoundedRect(c.body, c.radius, c.radius);
        p.drawPath(body);
        QPainterPath top;
        top.moveTo(c.top[0]);
        for (int i = 1; i < 4; ++i)
            top.lineTo(c.top[i]);
        p.drawPath(top);
        p.drawEllipse(c.lens);
        break;
    }
    case Glyph::Shutter: {
        p.drawEllipse(rectIn(b, 2, 2, 20, 20));
        p.setBrush(colour);
        p.drawEllipse(rectIn(b, 7, 7, 10, 10));
        break;
    }
    case Glyph::Frame:
        p.drawRoundedRect(rectIn(b, 3, 3, 18, 18), 2 * s, 2 * s);
        p.drawRect(rectIn(b, 7.5, 7.5, 9, 9));
        break;
    case Glyph::Photo: {
        p.drawRoundedRect(rectIn(b, 2, 4, 20, 16), 2 * s, 2 * s);
        QPainterPath m;
        m.moveTo(at(b, 4, 18));
        m.lineTo(at(b, 10, 11));
        m.lineTo(at(b, 14, 15));
        m.lineTo(at(b, 16, 13));
        m.lineTo(at(b, 20, 18));
        p.drawPath(m);
        p.setBrush(colour);
        p.drawEllipse(rectIn(b, 15, 6.5, 3.5, 3.5));
        break;
    }
    case Glyph::Plus:
        p.drawLine(at(b, 12, 4), at(b, 12, 20));
        p.drawLine(at(b, 4, 12), at(b, 20, 12));
        break;
    case Glyph::Folder:
    case Glyph::Open: {
        QPainterPath f;
        f.moveTo(at(b, 2, 19));
        f.lineTo(at(b, 2, 5));
        f.lineTo(at(b, 9, 5));
        f.lineTo(at(b, 11, 8));
        f.lineTo(at(b, 22, 8));
        f.lineTo(at(b, 22, 19));
        f.closeSubpath();
        p.drawPath(f);
        if (g == Glyph::Open) {
            p.drawLine(at(b, 12, 17), at(b, 12, 11));
            p.drawLine(at(b, 9, 13.5), at(b, 12, 10.5));
            p.drawLine(at(b, 15, 13.5), at(b, 12, 10.5));
        }
        break;
    }
    case Glyph::Save: {
        p.drawLine(at(b, 12, 3), at(b, 12, 14));
        QPainterPath h;
        h.moveTo(at(b, 7, 9.5));
        h.lineTo(at(b, 12, 14.5));
        h.lineTo(at(b, 17, 9.5));
        p.drawPath(h);
        QPainterPath t;
        t.moveTo(at(b, 3, 15));
        t.lineTo(at(b, 3, 20));
        t.lineTo(at(b, 21, 20));
        t.lineTo(at(b, 21, 15));
        p.drawPath(t);
        break;
    }
    case Glyph::Print:
        p.drawRect(rectIn(b, 7, 3, 10, 5));
        p.drawRoundedRect(rectIn(b, 2.5, 8, 19, 9), 2 * s, 2 * s);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rectIn(b, 7, 14, 10, 7));
        break;
    case Glyph::Gear: {
        p.drawEllipse(rectIn(b, 8.5, 8.5, 7, 7));
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(at(b, 12 + 6.5 * std::cos(a), 12 + 6.5 * std::sin(a)),
                at(b, 12 + 9.5 * std::cos(a), 12 + 9.5 * std::sin(a)));
        }
        p.drawEllipse(rectIn(b, 5.5, 5.5, 13, 13));
        break;
    }
    case Glyph::Right:
        arrowHead(p, b, 0);
        break;
    case Glyph::Left:
        arrowHead(p, b, 180);
        break;
    case Glyph::Up:
        arrowHead(p, b, -90);
        break;
    case Glyph::Down:
        arrowHead(p, b, 90);
        break;
    case Glyph::First:
        p.drawLine(at(b, 6, 6), at(b, 6, 18));
        p.save();
        p.translate(at(b, 2, 0) - at(b, 0, 0));
        arrowHead(p, b, 180);
        p.restore();
        break;
    case Glyph::Last:
        p.drawLine(at(b, 18, 6), at(b, 18, 18));
        p.save();
        p.translate(at(b, -2, 0) - at(b, 0, 0));
        arrowHead(p, b, 0);
        p.restore();
        break;
    case Glyph::Close:
        p.drawLine(at(b, 6, 6), at(b, 18, 18));
        p.drawLine(at(b, 18, 6), at(b, 6, 18));
        break;
    case Glyph::Minus:
        p.drawLine(at(b, 6, 12), at(b, 18, 12));
        break;
    case Glyph::Check: {
        QPainterPath c;
        c.moveTo(at(b, 5, 12.5));
        c.lineTo(at(b, 10, 17.5));
        c.lineTo(at(b, 19, 7));
        p.drawPath(c);
        break;
    }
    case Glyph::Question:
    case Glyph::Exclamation:
    case Glyph::Info: {
        QFont f = skin::theme::captionFont(int(std::lround(17 * s)), true);
        p.setFont(f);
        const QString t = g == Glyph::Question ? QStringLiteral("?")
            : g == Glyph::Info                 ? QStringLiteral("i")
                                               : QStringLiteral("!");
        p.drawText(rectIn(b, 0, 0.5, 24, 24), Qt::AlignCenter, t);
        break;
    }
    case Glyph::Search:
        p.drawEllipse(rectIn(b, 4, 4, 11, 11));
        p.drawLine(at(b, 13.5, 13.5), at(b, 20, 20));
        break;
    case Glyph::Font: {
        QFont f = skin::theme::captionFont(int(std::lround(15 * s)), true);
        p.setFont(f);
        p.drawText(rectIn(b, 0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("Aa"));
        break;
    }
    case Glyph::Colour: {
        p.setPen(Qt::NoPen);
        const QRgb dots[] = { kCoral, kMarigold, 0xFF5FB7A6, 0xFF7C8CE0 };
        const double cx[] = { 8, 16, 8, 16 };
        const double cy[] = { 8, 8, 16, 16 };
        for (int i = 0; i < 4; ++i) {
            p.setBrush(QColor(dots[i]));
            p.drawEllipse(rectIn(b, cx[i] - 4, cy[i] - 4, 8, 8));
        }
        break;
    }
    case Glyph::Slot:
        p.drawRect(rectIn(b, 3, 4, 8, 7));
        p.drawRect(rectIn(b, 13, 4, 8, 7));
        p.drawRect(rectIn(b, 3, 13, 8, 7));
        p.setBrush(colour);
        p.drawRect(rectIn(b, 13, 13, 8, 7));
        break;
    case Glyph::Layers: {
        QPainterPath a;
        a.moveTo(at(b, 12, 4));
        a.lineTo(at(b, 21, 9));
        a.lineTo(at(b, 12, 14));
        a.lineTo(at(b, 3, 9));
        a.closeSubpath();
        p.drawPath(a);
        QPainterPath c;
        c.moveTo(at(b, 3, 14));
        c.lineTo(at(b, 12, 19));
        c.lineTo(at(b, 21, 14));
        p.drawPath(c);
        break;
    }
    case Glyph::Dots:
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (int i = -1; i <= 1; ++i) {
            // Absolute spacing so the three dots stay apart on small buttons.
            const double gap = std::max(4.5, 6 * s), r = std::max(1.4, 1.6 * s);
            p.drawEllipse(b.center() + QPointF(i * gap, 0), r, r);
        }
        break;
    case Glyph::Undo:
    case Glyph::Redo: {
        p.save();
        if (g == Glyph::Redo) {
            p.translate(b.center());
            p.scale(-1, 1);
            p.translate(-b.center());
        }
        QPainterPath u;
        u.moveTo(at(b, 6, 10));
        u.cubicTo(at(b, 10, 5), at(b, 20, 6), at(b, 19, 14));
        u.cubicTo(at(b, 18, 18), at(b, 14, 19), at(b, 11, 19));
        p.drawPath(u);
        QPainterPath h;
        h.moveTo(at(b, 6, 4.5));
        h.lineTo(at(b, 6, 10));
        h.lineTo(at(b, 11.5, 10));
        p.drawPath(h);
        p.restore();
        break;
    }
    case Glyph::Resume: {
        p.drawArc(rectIn(b, 4, 4, 16, 16), 100 * 16, 300 * 16);
        QPainterPath h;
        h.moveTo(at(b, 8, 2.5));
        h.lineTo(at(b, 11.5, 4.5));
        h.lineTo(at(b, 9, 7.5));
        p.drawPath(h);
        break;
    }
    case Glyph::Share: {
        // A phone taking a picture home: its outline, and an arrow coming down onto its screen.
        p.drawRoundedRect(rectIn(b, 6.5, 2.5, 11, 19), 2.5 * s, 2.5 * s);
        p.drawLine(at(b, 10.5, 18.5), at(b, 13.5, 18.5));
        p.drawLine(at(b, 12, 6), at(b, 12, 13.5));
        QPainterPath h;
        h.moveTo(at(b, 9, 10.5));
        h.lineTo(at(b, 12, 13.5));
        h.lineTo(at(b, 15, 10.5));
        p.drawPath(h);
        break;
    }
    }
    p.restore();
}

ButtonArt paintButton(int w, int h, const ButtonLook& look, ButtonState state, Glyph glyph, const QString& caption,
    int captionPx, double radius, bool lamp, bool lampOn)
{
    if (radius < 0)
        radius = kButtonRadius;
    const bool down = state == ButtonState::Down;
    const bool disabled = state == ButtonState::Disabled;

    // The body leaves 2 rows for the shadow; pressed drops the shadow and sinks by one row.
    QImage layer(w, h, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const double shadow = h >= 18 ? 2 : 1;
    QRectF body(0.5, 0.5, w - 1, h - 1 - shadow);
    if (down)
        body.translate(0, 1);
    if (!down) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawRoundedRect(body.translated(0, shadow), radius, radius);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(body.translated(0, shadow / 2), radius, radius);
    }
    QColor fill(state == ButtonState::Over ? look.fillOver : down ? look.fillDown : look.fill);
    if (disabled)
        fill = QColor(kSlateDown).lighter(115);
    QLinearGradient grad(body.topLeft(), body.bottomLeft());
    grad.setColorAt(0, fill.lighter(down ? 100 : 108));
    grad.setColorAt(1, fill.darker(down ? 100 : 104));
    p.setPen(Qt::NoPen);
    p.setBrush(grad);
    p.drawRoundedRect(body, radius, radius);
    if (!down && !disabled) {
        // One-pixel inner highlight along the top edge.
        p.save();
        p.setClipRect(QRectF(body.left(), body.top(), body.width(), radius + 1));
        p.setPen(QPen(QColor(255, 255, 255, 70), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(body.adjusted(0.5, 1, -0.5, 0), radius - 0.5, radius - 0.5);
        p.restore();
    }
    if (state == ButtonState::Focus) {
        p.setPen(QPen(QColor(kMarigold), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
    const QColor ink = disabled ? QColor(kMuted) : QColor(look.text);
    QRectF content = body.adjusted(4, 2, -4, -2);
    if (lamp) {
        const QRectF dot(body.right() - 13, body.top() + 6, 7, 7);
        p.setPen(Qt::NoPen);
        p.setBrush(lampOn ? QColor(kMarigold) : QColor(0, 0, 0, 80));
        p.drawEllipse(dot);
    }
    if (glyph != Glyph::None && !caption.isEmpty() && h < 40) {
        // Short buttons: glyph left of the caption, centred as one group.
        const double g = std::min(18.0, content.height() - 2);
        QFont f = captionFont(captionPx, look.bold);
        const double tw = QFontMetricsF(f).horizontalAdvance(caption);
        const double x0 = content.center().x() - (g + 5 + tw) / 2;
        drawGlyph(p, QRectF(x0, content.center().y() - g / 2, g, g), glyph, ink);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(
            QRectF(x0 + g + 5, content.top(), tw + 2, content.height()), Qt::AlignLeft | Qt::AlignVCenter, caption);
    } else if (glyph != Glyph::None && !caption.isEmpty()) {
        const double g = std::min(26.0, content.height() - captionPx - 8);
        const QRectF gbox(content.center().x() - g / 2, content.top() + 3, g, g);
        drawGlyph(p, gbox, glyph, ink);
        p.setFont(captionFont(captionPx, look.bold));
        p.setPen(ink);
        p.drawText(QRectF(content.left(), gbox.bottom() + 1, content.width(), content.bottom() - gbox.bottom()),
            Qt::AlignHCenter | Qt::AlignVCenter, caption);
    } else if (glyph != Glyph::None) {
        const double g = std::min(content.width(), content.height()) * 0.8;
        drawGlyph(p, QRectF(content.center().x() - g / 2, content.center().y() - g / 2, g, g), glyph, ink);
    } else if (!caption.isEmpty()) {
        // A long caption is set condensed rather than run into the edges.
        QFont f = captionFont(captionPx, look.bold);
        if (QFontMetricsF(f).horizontalAdvance(caption) > content.width() - 6)
            f.setStretch(QFont::Condensed);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(content, Qt::AlignCenter, caption);
    }
    p.end();

    ButtonArt art;
    art.state = QImage(w, h, QImage::Format_RGB32);
    art.state.fill(QColor(kNight));
    QPainter c(&art.state);
    c.drawImage(0, 0, layer);
    c.end();
    art.mask = QImage(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(art.mask.scanLine(y));
        for (int x = 0; x < w; ++x)
            dst[x] = qAlpha(src[x]) >= 110 ? 0xFF000000 : 0xFFFFFFFF;
    }
    return art;
}

QImage paintWindow(int w, int h, const QString& title)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient grad(0, 0, 0, h);
    grad.setColorAt(0, QColor(kNight));
    grad.setColorAt(1, QColor(kNightLow));
    p.fillRect(img.rect(), grad);
    // Title band: a slightly deeper strip with a marigold hairline under it.
    p.fillRect(QRectF(0, 0, w, kTitleBand), QColor(0x17, 0x1B, 0x33));
    p.fillRect(QRectF(0, kTitleBand, w, 1), QColor(kMarigold));
    p.fillRect(QRectF(0, kTitleBand + 1, w, 1), QColor(0, 0, 0, 60));
    // Confetti dots in the band: the one playful touch.
    const QRgb dots[] = { kCoral, kMarigold, 0xFF5FB7A6 };
    for (int i = 0; i < 3; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(dots[i]));
        p.drawEllipse(QPointF(14 + i * 11, kTitleBand / 2.0), 3.5, 3.5);
    }
    if (!title.isEmpty()) {
        p.setPen(QColor(kPaper));
        p.setFont(captionFont(14, true));
        p.drawText(QRectF(48, 0, w - 160, kTitleBand), Qt::AlignLeft | Qt::AlignVCenter, title);
    }
    p.end();
    cutWindowShape(img);
    return img;
}

void cutWindowShape(QImage& img)
{
    // Aliased shape: every pixel is either exactly magenta (cut away) or untouched window.
    QImage shape(img.size(), QImage::Format_RGB32);
    shape.fill(Qt::black);
    QPainter p(&shape);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, img.width(), img.height()), kWindowRadius, kWindowRadius);
    p.fillPath(path, Qt::white);
    p.end();
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(shape.constScanLine(y));
        QRgb* d = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (s[x] != 0xFFFFFFFF)
                d[x] = kCutAway;
        }
    }
}

void paintPanel(QPainter& p, const QRectF& r, double radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(r.translated(0, 2), radius, radius);
    p.setBrush(QColor(kPaper));
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

void paintField(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.setBrush(QColor(0x14, 0x18, 0x2E));
    p.drawRoundedRect(r.adjusted(-0.5, -0.5, 0.5, 0.5), 4, 4);
    p.restore();
}

void paintLabel(QPainter& p, const QRectF& r, const QString& text, int px, bool bold, Qt::Alignment align, QRgb colour)
{
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setPen(QColor(colour ? colour : kPaper));
    p.setFont(captionFont(px, bold));
    p.drawText(r, align, text);
    p.restore();
}

QImage paintAppIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kCoral));
    p.drawRoundedRect(kIconTile, kIconTileRadius, kIconTileRadius);
    // Small icons get a larger camera with a stroke of at least one and a quarter pixels, so it
    // stays a camera rather than a blur.
    const bool small = size < 32;
    drawGlyph(p, small ? kSmallIconGlyphBox : kIconGlyphBox, Glyph::Camera, QColor(kPaper),
        small ? 1.25 * 64.0 / size : kIconStroke);
    p.setBrush(QColor(kMarigold));
    p.drawEllipse(kIconFlash, kIconFlashRadius, kIconFlashRadius);
    p.end();
    return img;
}

QByteArray appIconSvg()
{
    const auto n = [](double v) { return QString::number(v, 'g', 6); };
    const auto colour = [](QRgb c) { return QColor(c).name(); };
    const CameraShape c = cameraShape(kIconGlyphBox);
    QStringList top;
    for (const QPointF& pt : c.top)
        top << n(pt.x()) + QLatin1Char(',') + n(pt.y());
    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
                          "viewBox=\"0 0 64 64\">\n");
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
               .arg(n(kIconTile.x()), n(kIconTile.y()), n(kIconTile.width()), n(kIconTile.height()), n(kIconTileRadius),
                   colour(kCoral));
    svg += QStringLiteral("  <g fill=\"none\" stroke=\"%1\" stroke-width=\"%2\" stroke-linecap=\"round\" "
                          "stroke-linejoin=\"round\">\n")
               .arg(colour(kPaper), n(kIconStroke));
    svg += QStringLiteral("    <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"/>\n")
               .arg(n(c.body.x()), n(c.body.y()), n(c.body.width()), n(c.body.height()), n(c.radius));
    svg += QStringLiteral("    <polyline points=\"%1\"/>\n").arg(top.join(QLatin1Char(' ')));
    svg += QStringLiteral("    <circle cx=\"%1\" cy=\"%2\" r=\"%3\"/>\n")
               .arg(n(c.lens.center().x()), n(c.lens.center().y()), n(c.lens.width() / 2));
    svg += QStringLiteral("  </g>\n");
    svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
               .arg(n(kIconFlash.x()), n(kIconFlash.y()), n(kIconFlashRadius), colour(kMarigold));
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

} // namespace art
