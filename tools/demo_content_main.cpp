// make-demo-content [OUTDIR]: draws the bundled demo pictures (frames with a keyed opening,
// stickers, backdrops, masks and base maps) into OUTDIR/{Frame,Emotion,Background,Mask,BaseMap}.
// Every picture comes from fixed shapes and seeded randomness, so a rerun gives the same files.
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "skin/skin_theme.h"

namespace {

using namespace skin::theme;

QString g_out;
bool g_failed = false;

constexpr QRgb kKey = 0xFFFF00FF; ///< the frames' see-through colour, taken from their centre pixel
constexpr QRgb kTeal = 0xFF2EC4B6;
constexpr QRgb kPink = 0xFFFF8FB1;
constexpr QRgb kSky = 0xFF6EC1FF;

void save(const QImage& img, const QString& folder, const QString& name)
{
    QDir().mkpath(g_out + "/" + folder);
    const QString path = g_out + "/" + folder + "/" + name + ".png";
    if (!img.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        g_failed = true;
    }
}

QFont font(int px, bool bold = true)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setFamilies({ QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans") });
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

/// A 320 x 240 frame: decorate() paints the border, then the opening is cut in the key colour
/// without antialiasing, so no blended key colour is left round it.
QImage frame(QRgb border, const QPainterPath& opening, const std::function<void(QPainter&)>& decorate)
{
    QImage img(320, 240, QImage::Format_RGB32);
    img.fill(border);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    decorate(p);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kKey));
    p.drawPath(opening);
    return img;
}

QPainterPath rounded(QRectF r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void star(QPainter& p, QPointF c, qreal r, QColor colour, qreal turn = 0)
{
    QPolygonF poly;
    for (int i = 0; i < 10; ++i) {
        const qreal a = turn + i * M_PI / 5 - M_PI / 2;
        const qreal rr = i % 2 ? r * 0.45 : r;
        poly << c + QPointF(std::cos(a) * rr, std::sin(a) * rr);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(poly);
}

void heart(QPainter& p, QPointF c, qreal s, QColor colour)
{
    QPainterPath path;
    path.moveTo(c + QPointF(0, s * 0.35));
    path.cubicTo(c + QPointF(-s * 1.1, -s * 0.35), c + QPointF(-s * 0.45, -s * 1.05), c + QPointF(0, -s * 0.45));
    path.cubicTo(c + QPointF(s * 0.45, -s * 1.05), c + QPointF(s * 1.1, -s * 0.35), c + QPointF(0, s * 0.35));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

void confetti(QPainter& p, QRectF area, int count, unsigned seed, const QRectF& keepClear)
{
    std::mt19937 rng(seed);
    const QRgb colours[] = { kCoral, kMarigold, kTeal, kSky, kPaper, kPink };
    for (int i = 0; i < count; ++i) {
        const QPointF c(area.left() + rng() % int(area.width()), area.top() + rng() % int(area.height()));
        if (keepClear.adjusted(-6, -6, 6, 6).contains(c))
            continue;
        p.save();
        p.translate(c);
        p.rotate(rng() % 180);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(colours[rng() % 6]));
        if (rng() % 2)
            p.drawRoundedRect(QRectF(-5, -2, 10, 4), 1.5, 1.5);
        else
            p.drawEllipse(QPointF(0, 0), 3, 3);
        p.restore();
    }
}

void frames()
{
    {
        // Instant print: white card, wide bottom with a caption.
        const QRectF hole(18, 16, 284, 172);
        save(frame(0xFFFDFBF7, rounded(hole, 4),
                 [&](QPainter& p) {
                     p.setPen(QColor(kInk));
                     p.setFont(font(20));
                     p.drawText(QRectF(0, 196, 320, 34), Qt::AlignCenter, QStringLiteral("Kivra Tesselwick"));
                 }),
            "Frame", "01_instant_print");
    }
    {
        const QRectF hole(26, 24, 268, 192);
        save(frame(kCoral, rounded(hole, 18), [&](QPainter& p) { confetti(p, QRectF(0, 0, 320, 240), 160, 11, hole); }),
            "Frame", "02_confetti");
    }
    {
        // Film strip: sprocket holes along top and bottom.
        const QRectF hole(10, 30, 300, 180);
        save(frame(0xFF15151C, QPainterPath([&] {
            QPainterPath path;
            path.addRect(hole);
            return path;
        }()),
                 [&](QPainter& p) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(kPaper));
                     for (int x = 8; x < 320; x += 22) {
                         p.drawRoundedRect(QRectF(x, 9, 12, 12), 2, 2);
                         p.drawRoundedRect(QRectF(x, 219, 12, 12), 2, 2);
                     }
                 }),
            "Frame", "03_film_strip");
    }
    {
        const QRectF hole(36, 28, 248, 184);
        QPainterPath oval;
        oval.addEllipse(hole);
        save(frame(0xFFFFD6E0, oval,
                 [&](QPainter& p) {
                     std::mt19937 rng(5);
                     for (int i = 0; i < 34; ++i) {
                         const QPointF c(rng() % 320, rng() % 240);
                         heart(p, c, 7 + rng() % 9, QColor(i % 3 ? kPink : kCoral));
                     }
                 }),
            "Frame", "04_hearts");
    }
    {
        const QRectF hole(30, 30, 260, 180);
        save(frame(kNight, rounded(hole, 24),
                 [&](QPainter& p) {
                     QLinearGradient g(0, 0, 0, 240);
                     g.setColorAt(0, QColor(kNight));
                     g.setColorAt(1, QColor(kSlate));
                     p.fillRect(QRect(0, 0, 320, 240), g);
                     std::mt19937 rng(3);
                     for (int i = 0; i < 40; ++i) {
                         const QPointF c(rng() % 320, rng() % 240);
                         if (hole.adjusted(-8, -8, 8, 8).contains(c))
                             continue;
                         star(p, c, 3 + rng() % 6, QColor(i % 4 ? kMarigold : kPaper), (rng() % 10) / 10.0);
                     }
                 }),
            "Frame", "05_starry_night");
    }
    {
        // Bunting across the top, a marigold card below.
        const QRectF hole(22, 46, 276, 176);
        save(frame(kMarigold, rounded(hole, 10),
                 [&](QPainter& p) {
                     const QRgb flags[] = { kCoral, kTeal, kSky, kPink, kSlate };
                     p.setPen(QPen(QColor(kInk), 1.5));
                     p.drawLine(QPointF(0, 8), QPointF(320, 8));
                     p.setPen(Qt::NoPen);
                     for (int i = 0; i < 11; ++i) {
                         const qreal x = 4 + i * 29;
                         p.setBrush(QColor(flags[i % 5]));
                         p.drawPolygon(QPolygonF { { x, 8 }, { x + 24, 8 }, { x + 12, 36 } });
                     }
                 }),
            "Frame", "06_bunting");
    }
}

QImage sticker(const std::function<void(QPainter&)>& draw)
{
    QImage img(128, 128, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    draw(p);
    return img;
}

void stickers()
{
    save(sticker([](QPainter& p) { star(p, { 64, 68 }, 56, QColor(kMarigold)); }), "Emotion", "star");
    save(sticker([](QPainter& p) { heart(p, { 64, 74 }, 52, QColor(kCoral)); }), "Emotion", "heart");
    save(sticker([](QPainter& p) {
        // Party sunglasses.
        p.setPen(QPen(QColor(kInk), 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(44, 58), QPointF(84, 58));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(kInk));
        p.drawRoundedRect(QRectF(8, 48, 50, 34), 14, 14);
        p.drawRoundedRect(QRectF(70, 48, 50, 34), 14, 14);
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawEllipse(QRectF(16, 54, 14, 8));
        p.drawEllipse(QRectF(78, 54, 14, 8));
    }),
        "Emotion", "sunglasses");
    save(sticker([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(kTeal));
        p.drawPolygon(QPolygonF { { 64, 8 }, { 106, 112 }, { 22, 112 } });
        p.setBrush(QColor(kMarigold));
        for (int i = 0; i < 4; ++i)
            p.drawEllipse(QPointF(46 + i * 12, 40 + i * 20), 5, 5);
        p.setBrush(QColor(kCoral));
        p.drawEllipse(QPointF(64, 10), 9, 9);
        p.drawRoundedRect(QRectF(16, 106, 96, 12), 6, 6);
    }),
        "Emotion", "party_hat");
    save(sticker([](QPainter& p) {
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(6, 14, 116, 74), 26, 26);
        bubble.moveTo(34, 84);
        bubble.lineTo(26, 116);
        bubble.lineTo(60, 86);
        p.setPen(QPen(QColor(kInk), 4));
        p.setBrush(QColor(kPaper));
        p.drawPath(bubble.simplified());
        p.setPen(QColor(kCoral));
        p.setFont(font(34));
        p.drawText(QRectF(6, 14, 116, 74), Qt::AlignCenter, QStringLiteral("Wow!"));
    }),
        "Emotion", "wow_bubble");
    save(sticker([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(kMarigold));
        p.drawPolygon(
            QPolygonF { { 12, 96 }, { 12, 36 }, { 40, 64 }, { 64, 24 }, { 88, 64 }, { 116, 36 }, { 116, 96 } });
        p.drawRoundedRect(QRectF(12, 92, 104, 18), 4, 4);
        p.setBrush(QColor(kCoral));
        p.drawEllipse(QPointF(64, 100), 6, 6);
        p.setBrush(QColor(kTeal));
        p.drawEllipse(QPointF(36, 100), 5, 5);
        p.drawEllipse(QPointF(92, 100), 5, 5);
    }),
        "Emotion", "crown");
}

void backdrops()
{
    {
        QImage img(800, 600, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, 800, 600);
        g.setColorAt(0, QColor(kNight));
        g.setColorAt(1, QColor(kSlate));
        p.fillRect(img.rect(), g);
        p.setRenderHint(QPainter::Antialiasing, true);
        confetti(p, QRectF(0, 0, 800, 600), 700, 21, QRectF());
        save(img, "Background", "confetti_night");
    }
    {
        QImage img(800, 600, QImage::Format_RGB32);
        img.fill(QColor(kPaper));
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        for (int y = 0; y < 600; y += 40)
            for (int x = (y / 40) % 2 * 20; x < 800; x += 40) {
                p.setBrush(QColor(((x + y) / 40) % 3 ? kMarigold : kCoral));
                p.drawEllipse(QPointF(x + 10, y + 10), 6, 6);
            }
        save(img, "Background", "polka_paper");
    }
    {
        QImage img(800, 600, QImage::Format_RGB32);
        QPainter p(&img);
        const QRgb stripes[] = { kCoral, kCoralOver, kMarigold, 0xFFFFD98A };
        for (int i = -600; i < 800; i += 30) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(stripes[((i + 600) / 30) % 4]));
            p.drawPolygon(
                QPolygonF { { qreal(i), 0 }, { qreal(i + 30), 0 }, { qreal(i + 630), 600 }, { qreal(i + 600), 600 } });
        }
        save(img, "Background", "sunny_stripes");
    }
}

void masks()
{
    auto mask = [](const std::function<void(QPainter&)>& shape) {
        QImage img(320, 240, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        shape(p);
        return img;
    };
    save(mask([](QPainter& p) { p.drawEllipse(QRectF(40, 20, 240, 200)); }), "Mask", "oval");
    save(mask([](QPainter& p) { heart(p, { 160, 150 }, 120, Qt::white); }), "Mask", "heart");
    save(mask([](QPainter& p) { p.drawRoundedRect(QRectF(24, 20, 272, 200), 40, 40); }), "Mask", "rounded");
}

void baseMaps()
{
    {
        QImage img(320, 240, QImage::Format_RGB32);
        img.fill(QColor(kPaper));
        QPainter p(&img);
        std::mt19937 rng(9);
        for (int i = 0; i < 1800; ++i) {
            const int shade = 225 + int(rng() % 20);
            p.setPen(QColor(shade + 10 > 255 ? 255 : shade + 10, shade, shade - 15));
            p.drawPoint(int(rng() % 320), int(rng() % 240));
        }
        save(img, "BaseMap", "paper");
    }
    {
        QImage img(320, 240, QImage::Format_RGB32);
        QPainter p(&img);
        QRadialGradient g(160, 120, 200);
        g.setColorAt(0, QColor(kSlateOver));
        g.setColorAt(1, QColor(kNight));
        p.fillRect(img.rect(), g);
        save(img, "BaseMap", "spotlight");
    }
    {
        QImage img(320, 240, QImage::Format_RGB32);
        QPainter p(&img);
        for (int x = 0; x < 320; x += 20)
            p.fillRect(QRect(x, 0, 20, 240), QColor((x / 20) % 2 ? kMarigold : 0xFFFFE2A8));
        save(img, "BaseMap", "marigold_stripes");
    }
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/demo");
    frames();
    stickers();
    backdrops();
    masks();
    baseMaps();
    return g_failed ? 1 : 0;
}
