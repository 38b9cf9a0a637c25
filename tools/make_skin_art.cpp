// make-skin-art: draws every skin bitmap of the booth and writes it as PNG into one folder
// (default resources/skin). Deterministic: the same fonts give byte-identical files.
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "skin/skin_resource_table.h"
#include "skin/skin_theme.h"
#include "tools/skin_paint.h"

using namespace art;
using namespace skin::theme;

namespace {

QString g_outDir;
std::set<std::string> g_written;
bool g_failed = false;

void save(std::string_view name, const QImage& img)
{
    if (!skin::findSkinResource(name)) {
        std::fprintf(stderr, "not in the skin table: %.*s\n", int(name.size()), name.data());
        g_failed = true;
        return;
    }
    const QString path = g_outDir + "/" + QString::fromLatin1(name.data(), qsizetype(name.size())) + ".png";
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        g_failed = true;
    }
    g_written.insert(std::string(name));
}

std::string cat(std::string_view a, std::string_view b)
{
    return std::string(a) + std::string(b);
}

/// normal, down, over, focus, disabled (+ mask) of one button into "<prefix>_<state>".
void buttonSet(const std::string& prefix, int w, int h, const ButtonLook& look, Glyph glyph, const QString& caption,
    int px = 13, bool withMask = true, double radius = -1, bool lamp = false)
{
    const auto normal = paintButton(w, h, look, ButtonState::Normal, glyph, caption, px, radius, lamp, false);
    save(cat(prefix, "_normal"), normal.state);
    save(
        cat(prefix, "_down"), paintButton(w, h, look, ButtonState::Down, glyph, caption, px, radius, lamp, true).state);
    save(cat(prefix, "_over"),
        paintButton(w, h, look, ButtonState::Over, glyph, caption, px, radius, lamp, false).state);
    save(cat(prefix, "_focus"),
        paintButton(w, h, look, ButtonState::Focus, glyph, caption, px, radius, lamp, false).state);
    save(cat(prefix, "_disabled"),
        paintButton(w, h, look, ButtonState::Disabled, glyph, caption, px, radius, lamp, false).state);
    if (withMask)
        save(cat(prefix, "_mask"), normal.mask);
}

/// An image-button face pair (normal and hovered) for CButtonST.
void facePair(
    const std::string& prefix, int w, int h, const ButtonLook& look, Glyph glyph, const QString& caption, int px = 13)
{
    save(cat(prefix, "_normal"), paintButton(w, h, look, ButtonState::Normal, glyph, caption, px).state);
    save(cat(prefix, "_over"), paintButton(w, h, look, ButtonState::Over, glyph, caption, px).state);
}

QImage transparentIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void icons()
{
    save("app_icon", paintAppIcon(64));
    struct SmallIcon {
        const char* name;
        Glyph g;
        QRgb colour;
    };
    for (const SmallIcon& s :
        { SmallIcon { "icon_ok", Glyph::Check, kCoral }, SmallIcon { "icon_cancel", Glyph::Close, kMuted },
            SmallIcon { "icon_font", Glyph::Font, kMarigold }, SmallIcon { "icon_colour", Glyph::Colour, kPaper } }) {
        QImage img = transparentIcon(20);
        QPainter p(&img);
        drawGlyph(p, QRectF(0, 0, 20, 20), s.g, QColor(s.colour));
        p.end();
        save(s.name, img);
    }
    // Message icons: a filled disc (a triangle for warnings) with a paper or ink glyph.
    struct MsgIcon {
        const char* name;
        Glyph g;
        QRgb fill;
        QRgb ink;
        bool triangle;
    };
    for (const MsgIcon& m : { MsgIcon { "msg_error", Glyph::Close, kCoral, kPaper, false },
             MsgIcon { "msg_warning", Glyph::Exclamation, kMarigold, kInk, true },
             MsgIcon { "msg_question", Glyph::Question, 0xFF7C8CE0, kPaper, false },
             MsgIcon { "msg_information", Glyph::Info, kPaper, kInk, false } }) {
        QImage img = transparentIcon(32);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(m.fill));
        if (m.triangle) {
            QPainterPath t;
            t.moveTo(16, 2.5);
            t.lineTo(30.5, 28.5);
            t.lineTo(1.5, 28.5);
            t.closeSubpath();
            p.setPen(QPen(QColor(m.fill), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(t);
            drawGlyph(p, QRectF(6, 9, 20, 20), m.g, QColor(m.ink));
        } else {
            p.drawEllipse(QRectF(1, 1, 30, 30));
            drawGlyph(p, QRectF(5, 5, 22, 22), m.g, QColor(m.ink));
        }
        p.end();
        save(m.name, img);
    }
    // Window buttons (close, minimise): a glyph alone, a coral or slate disc under it on hover.
    auto windowButton = [](Glyph g, bool over, QRgb hoverFill) {
        QImage img = transparentIcon(25);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(over ? QColor(hoverFill) : QColor(255, 255, 255, 26));
        p.drawRoundedRect(QRectF(2, 2, 21, 21), kButtonRadius, kButtonRadius);
        drawGlyph(p, QRectF(5, 5, 15, 15), g, QColor(kPaper));
        p.end();
        return img;
    };
    save("close_normal", windowButton(Glyph::Close, false, kCoral));
    save("close_over", windowButton(Glyph::Close, true, kCoral));
    save("minimise_normal", windowButton(Glyph::Minus, false, kSlateOver));
    save("minimise_over", windowButton(Glyph::Minus, true, kSlateOver));
    // Check images: round (radio) and square, 16 x 16, for image check boxes.
    auto check = [](bool round, bool on) {
        QImage img = transparentIcon(16);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(on ? QColor(kMarigold) : QColor(kPaper), 1.5));
        p.setBrush(on ? QColor(kMarigold) : QColor(0x14, 0x18, 0x2E));
        if (round)
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        else
            p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
        if (on) {
            if (round) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(kInk));
                p.drawEllipse(QRectF(5, 5, 6, 6));
            } else {
                drawGlyph(p, QRectF(1, 1, 14, 14), Glyph::Check, QColor(kInk));
            }
        }
        p.end();
        return img;
    };
    save("radio_off", check(true, false));
    save("radio_on", check(true, true));
    save("check_off", check(false, false));
    save("check_on", check(false, true));
    // Cursors for the mixer: white is transparent, hot spot at (0, 0).
    auto cursor = [](bool drag) {
        QImage img(32, 32, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPainterPath arrow;
        arrow.moveTo(0, 0);
        arrow.lineTo(0, 17);
        arrow.lineTo(4, 13);
        arrow.lineTo(8, 21);
        arrow.lineTo(11, 19);
        arrow.lineTo(7, 12);
        arrow.lineTo(12, 12);
        arrow.closeSubpath();
        p.setPen(QColor(kInk));
        p.setBrush(QColor(kCoral));
        p.drawPath(arrow);
        // Four-way arrows next to the pointer: "this layer moves".
        const QPointF c(22, 22);
        p.setPen(QPen(QColor(kInk), 2));
        p.drawLine(c + QPointF(-7, 0), c + QPointF(7, 0));
        p.drawLine(c + QPointF(0, -7), c + QPointF(0, 7));
        if (drag) {
            p.setBrush(QColor(kMarigold));
            p.setPen(QColor(kInk));
            p.drawEllipse(c, 3, 3);
        }
        p.end();
        return img;
    };
    save("cursor_hover", cursor(false));
    save("cursor_drag", cursor(true));
}

QColor windowColourAt(int y, int h)
{
    const double t = double(y) / h;
    const QColor a(kNight), b(kNightLow);
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
        a.blueF() + (b.blueF() - a.blueF()) * t);
}

void slider()
{
    // Channel 278 x 17: a groove on the window colour at the slider rows of the effect dialog.
    const int w = 278, h = 17;
    auto channel = [&](bool active) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(windowColourAt(310, 400));
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(active ? QColor(kMarigold) : QColor(0x14, 0x18, 0x2E));
        p.drawRoundedRect(QRectF(1, 5.5, w - 2, 6), 3, 3);
        if (!active) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(255, 255, 255, 30), 1));
            p.drawRoundedRect(QRectF(1.5, 6, w - 3, 5), 2.5, 2.5);
        }
        p.end();
        return img;
    };
    save("slider_channel", channel(false));
    save("slider_channel_active", channel(true));
    // Thumb 16 x 17 (even, so the travel ends fall on whole pixels) with magenta corners (its
    // transparent colour is its top-left pixel). The
    // antialiased edge is blended over the channel it rides on, then cut hard to magenta.
    auto thumb = [&](bool active) {
        const int tw = 16;
        QImage layer(tw, h, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(kInk), 1));
        p.setBrush(active ? QColor(kMarigold) : QColor(kPaper));
        p.drawRoundedRect(QRectF(1.5, 0.5, tw - 3, h - 1), 4, 4);
        p.setPen(QPen(active ? QColor(kInk) : QColor(kMarigold), 2));
        p.drawLine(QPointF(tw / 2.0, 5), QPointF(tw / 2.0, h - 5));
        p.end();
        QImage under = channel(false).copy(0, 0, tw, h);
        QImage out(tw, h, QImage::Format_RGB32);
        QPainter c(&out);
        c.drawImage(0, 0, under);
        c.drawImage(0, 0, layer);
        c.end();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < tw; ++x)
                if (qAlpha(layer.pixel(x, y)) < 128)
                    out.setPixel(x, y, kCutAway);
        return out;
    };
    save("slider_thumb", thumb(false));
    save("slider_thumb_active", thumb(true));
}

void buttons()
{
    // The numbered 60/70/80 x 23 sets are the secondary (slate) buttons; primary (coral) sets
    // sit beside them for OK, Save and Print. Captions are drawn by the buttons themselves.
    const struct {
        int w;
        const char *normal, *down, *over;
    } sets[] = { { 60, "button60_normal", "button60_down", "button60_over" },
        { 70, "button70_normal", "button70_down", "button70_over" },
        { 80, "button80_normal", "button80_down", "button80_over" } };
    for (const auto& s : sets) {
        const auto normal = paintButton(s.w, 23, secondaryLook(), ButtonState::Normal, Glyph::None, {});
        save(s.normal, normal.state);
        save(s.down, paintButton(s.w, 23, secondaryLook(), ButtonState::Down, Glyph::None, {}).state);
        save(s.over, paintButton(s.w, 23, secondaryLook(), ButtonState::Over, Glyph::None, {}).state);
        const std::string base = "button" + std::to_string(s.w);
        save(base + "_focus", paintButton(s.w, 23, secondaryLook(), ButtonState::Focus, Glyph::None, {}).state);
        save(base + "_disabled", paintButton(s.w, 23, secondaryLook(), ButtonState::Disabled, Glyph::None, {}).state);
        save(base + "_mask", normal.mask);
        buttonSet("primary" + std::to_string(s.w), s.w, 23, primaryLook(), Glyph::None, {}, 13, false);
    }
    // Two-state 12 x 12 buttons of the configuration dialog: off and on, one shape.
    {
        const auto off = paintButton(12, 12, secondaryLook(), ButtonState::Normal, Glyph::None, {}, 13, 3);
        save("toggle12_off", off.state);
        ButtonLook on { kMarigold, kMarigold, kMarigold, kInk };
        save("toggle12_on", paintButton(12, 12, on, ButtonState::Down, Glyph::None, {}, 13, 3).state);
        save("toggle12_mask", off.mask);
    }
    {
        const auto n = paintButton(24, 18, secondaryLook(), ButtonState::Normal, Glyph::Dots, {});
        save("dots_normal", n.state);
        save("dots_down", paintButton(24, 18, secondaryLook(), ButtonState::Down, Glyph::Dots, {}).state);
        save("dots_over", paintButton(24, 18, secondaryLook(), ButtonState::Over, Glyph::Dots, {}).state);
        save("dots_mask", n.mask);
    }
    // Workbench buttons: the label is part of the picture (normal and hovered). The labels are
    // the workbench's own, as they have always read ("Filp" included).
    const struct {
        const char* slug;
        const char* label;
    } fx[] = { { "filp", "Filp" }, { "mirror", "Mirror" }, { "mosaic", "Mosaic" }, { "rotate_left", "Rotate Left" },
        { "rotate_right", "Rotate Right" }, { "rotate_angle", "Rotate_Angle" }, { "emboss", "Emboss" },
        { "negative", "Negative" }, { "grayscale", "Grayscale" }, { "sharpen", "Sharpen" }, { "soften", "Soften" },
        { "blur", "Blur" }, { "edge", "Edge" }, { "nonlinear_edge", "Nonlinear_Edge" }, { "contour", "Contour" },
        { "windy", "Windy" }, { "pseudo_colors", "Pseudo Colors" }, { "jitter", "Jitter" },
        { "unsharp_mask", "Unsharp Mask" }, { "stripe", "Stripe" }, { "circletransform", "Circletransform" },
        { "gaussian3x3", "Gaussian3*3" }, { "gaussian5x5", "Gaussian5*5" }, { "erode", "Erode" }, { "gamma", "Gamma" },
        { "threshold", "Threshold" }, { "addnoise", "Addnoise" }, { "selective_blur", "Selective Blur" },
        { "median", "Median" }, { "dilate", "Dilate" }, { "brightness_contrast", "Brightness Contrast" },
        { "hue_saturation", "Hue Saturation" }, { "adjust_rgb", "Adjust_RGB" } };
    for (const auto& f : fx)
        facePair(std::string("fx_") + f.slug, 122, 28, secondaryLook(), Glyph::None, QString::fromUtf8(f.label));
    facePair("fx_undo", 66, 23, secondaryLook(), Glyph::Undo, "Undo");
    facePair("fx_redo", 65, 22, secondaryLook(), Glyph::Redo, "Redo");
    facePair("fx_resume", 73, 23, secondaryLook(), Glyph::Resume, "Resume");

    facePair("page_first", 45, 29, secondaryLook(), Glyph::First, {});
    facePair("page_previous", 45, 29, secondaryLook(), Glyph::Left, {});
    facePair("page_next", 45, 29, secondaryLook(), Glyph::Right, {});
    facePair("page_last", 45, 29, secondaryLook(), Glyph::Last, {});
    facePair("search", 25, 22, secondaryLook(), Glyph::Search, {});
    facePair("strip_previous", 45, 45, secondaryLook(), Glyph::Left, {});
    facePair("strip_next", 45, 45, secondaryLook(), Glyph::Right, {});
    facePair("arrow_left", 32, 32, secondaryLook(), Glyph::Left, {});
    facePair("arrow_up", 32, 32, secondaryLook(), Glyph::Up, {});
    facePair("arrow_down", 32, 32, secondaryLook(), Glyph::Down, {});
    facePair("arrow_right", 32, 32, secondaryLook(), Glyph::Right, {});
    facePair("choose_backdrop", 152, 60, secondaryLook(), Glyph::Photo, "Choose backdrop");
    facePair("replace_image", 137, 23, secondaryLook(), Glyph::Photo, "Replace image");
    facePair("add_image", 56, 21, secondaryLook(), Glyph::Plus, "Image", 12);

    // Strip frames: the thumbnail is pasted 3 pixels in; normal = paper rim, pressed = marigold.
    for (int size : { 71, 86 }) {
        const int w = size, h = size == 71 ? 53 : 66;
        for (bool down : { false, true }) {
            QImage img(w, h, QImage::Format_RGB32);
            img.fill(down ? QColor(kMarigold) : QColor(kPaper));
            QPainter p(&img);
            p.fillRect(QRect(3, 3, w - 6, h - 6), QColor(kNight));
            p.setPen(down ? QColor(kCoralDown) : QColor(kPaperShade));
            p.drawRect(0, 0, w - 1, h - 1);
            p.end();
            save("strip" + std::to_string(size) + (down ? "_frame_down" : "_frame_normal"), img);
        }
    }
    // Combo box parts.
    {
        QImage box(100, 20, QImage::Format_RGB32);
        box.fill(QColor(kPaper));
        QPainter p(&box);
        p.fillRect(0, 0, 100, 1, QColor(kPaperShade));
        p.fillRect(0, 19, 100, 1, QColor(kPaperShade));
        p.end();
        save("combo_box", box);
        QImage arrow(17, 20, QImage::Format_RGB32);
        arrow.fill(QColor(kMarigold));
        QPainter a(&arrow);
        a.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath tri;
        tri.moveTo(4.5, 8);
        tri.lineTo(12.5, 8);
        tri.lineTo(8.5, 13);
        tri.closeSubpath();
        a.fillPath(tri, QColor(kInk));
        a.end();
        save("combo_arrow", arrow);
        QImage list(32, 32, QImage::Format_RGB32);
        list.fill(QColor(kPaper));
        save("combo_list", list);
        QImage hi(32, 20, QImage::Format_RGB32);
        QPainter hp(&hi);
        QLinearGradient g(0, 0, 0, 20);
        g.setColorAt(0, QColor(kMarigold).lighter(108));
        g.setColorAt(1, QColor(kMarigold));
        hp.fillRect(0, 0, 32, 20, g);
        hp.end();
        save("combo_highlight", hi);
    }
}

void mainButtons()
{
    struct B {
        const char* name;
        int w, h;
        bool primary;
        Glyph g;
        const char* caption;
        bool lamp;
        int px;
    };
    const B bs[] = {
        { "camera", 88, 62, false, Glyph::Camera, "Camera", true, 13 },
        { "select_frame", 88, 62, false, Glyph::Frame, "Frames", false, 13 },
        { "select_photo", 88, 62, false, Glyph::Photo, "Photos", false, 13 },
        { "configure", 88, 62, false, Glyph::Gear, "Settings", false, 13 },
        { "shoot", 102, 64, true, Glyph::Shutter, "Shoot", false, 15 },
        { "add_frame", 102, 64, false, Glyph::Frame, "Add frame", false, 13 },
        { "add_photo", 102, 64, false, Glyph::Photo, "Add photo", false, 13 },
        { "open_project", 102, 64, false, Glyph::Open, "Open", false, 13 },
        { "frame_toggle", 118, 62, false, Glyph::Layers, "Show frame", true, 13 },
        { "save_picture", 118, 62, true, Glyph::Save, "Save", false, 14 },
        { "print", 118, 62, true, Glyph::Print, "Print", false, 14 },
        { "save_project", 118, 62, false, Glyph::Save, "Save project", false, 13 },
        { "use_picture", 80, 80, true, Glyph::Slot, "Use photo", false, 13 },
        { "previous", 64, 64, false, Glyph::Left, "", false, 13 },
        { "next", 64, 64, false, Glyph::Right, "", false, 13 },
        { "about", 108, 19, false, Glyph::None, "About", false, 13 },
        { "home", 89, 19, false, Glyph::None, "Home page", false, 13 },
        { "help", 73, 19, false, Glyph::None, "Help", false, 13 },
        { "minimise", 25, 25, false, Glyph::Minus, "", false, 13 },
        { "close", 25, 25, false, Glyph::Close, "", false, 13 },
        // The phone gallery's Share, in the corner below the slots (shown while sharing is on).
        { "share", 118, 38, true, Glyph::Share, "Share", false, 14 },
    };
    for (const B& b : bs) {
        const ButtonLook look = b.primary ? primaryLook() : secondaryLook();
        buttonSet(
            std::string("main_") + b.name, b.w, b.h, look, b.g, QString::fromUtf8(b.caption), b.px, true, -1, b.lamp);
    }
    // Layout buttons, 16 x 16: a tiny picture of the layout; down = the current one (marigold).
    const std::vector<std::vector<QRectF>> minis = {
        { { 0, 0, 2, 2 }, { 2, 0, 1, 1 }, { 3, 0, 1, 1 }, { 2, 1, 1, 1 }, { 3, 1, 1, 1 }, { 0, 2, 1, 1 },
            { 1, 2, 1, 1 }, { 2, 2, 1, 1 }, { 3, 2, 1, 1 }, { 0, 3, 1, 1 }, { 1, 3, 1, 1 }, { 2, 3, 1, 1 },
            { 3, 3, 1, 1 } },
        { { 0, 0, 2, 2 }, { 2, 0, 2, 2 }, { 0, 2, 2, 2 }, { 2, 2, 2, 2 } },
        { { 0, 0, 2, 2 }, { 2, 0, 1, 1 }, { 3, 0, 1, 1 }, { 2, 1, 1, 1 }, { 3, 1, 1, 1 }, { 0, 2, 1, 1 },
            { 1, 2, 1, 1 }, { 2, 2, 2, 2 }, { 0, 3, 1, 1 }, { 1, 3, 1, 1 } },
        {},
        { { 0, 0, 2, 2 }, { 2, 0, 2, 2 }, { 0, 2, 2, 2 }, { 2, 2, 1, 1 }, { 3, 2, 1, 1 }, { 2, 3, 1, 1 },
            { 3, 3, 1, 1 } },
    };
    for (int i = 0; i < 5; ++i) {
        std::vector<QRectF> cells = minis[size_t(i)];
        if (i == 3)
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c)
                    cells.push_back(QRectF(c, r, 1, 1));
        auto draw = [&](ButtonState st) {
            ButtonLook look = secondaryLook();
            if (st == ButtonState::Down)
                look = ButtonLook { kMarigold, kMarigold, kMarigold, kInk };
            auto a
                = paintButton(16, 16, look, st == ButtonState::Down ? ButtonState::Normal : st, Glyph::None, {}, 13, 3);
            QPainter p(&a.state);
            const QColor ink = st == ButtonState::Down ? QColor(kInk)
                : st == ButtonState::Disabled          ? QColor(kMuted)
                                                       : QColor(kPaper);
            // Whole-pixel cells: 2 pixels and a 1-pixel gap per grid unit.
            for (const QRectF& c : cells)
                p.fillRect(
                    QRect(2 + int(c.x()) * 3, 1 + int(c.y()) * 3, int(c.width()) * 3 - 1, int(c.height()) * 3 - 1),
                    ink);
            p.end();
            return a;
        };
        const std::string base = "main_layout" + std::to_string(i);
        const auto n = draw(ButtonState::Normal);
        save(base + "_normal", n.state);
        save(base + "_mask", n.mask);
        save(base + "_down", draw(ButtonState::Down).state);
        save(base + "_over", draw(ButtonState::Over).state);
        save(base + "_focus", draw(ButtonState::Focus).state);
        save(base + "_disabled", draw(ButtonState::Disabled).state);
    }
}

void slotTile(QPainter& p, const QRectF& r)
{
    // Where a thumbnail will sit: a faint card, so an empty place still looks intended.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.setBrush(QColor(255, 255, 255, 10));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), kButtonRadius, kButtonRadius);
    p.restore();
}

void pictureFrame(QPainter& p, const QRectF& inner, int mat = 5)
{
    // A paper mat around a picture area, like a print on the table; narrower where neighbours
    // sit close.
    paintPanel(p, inner.adjusted(-mat, -mat, mat, mat), 3 + mat);
    p.fillRect(inner, QColor(0x14, 0x18, 0x2E));
}

void windows()
{
    {
        QImage img = paintWindow(800, 600, "Kivra Tesselwick");
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        pictureFrame(p, QRectF(29, 59, 320, 240));
        paintPanel(p, QRectF(418, 56, 374, 286), 10);
        paintLabel(p, QRectF(430, 342, 108, 20), "Layout", 13, true, Qt::AlignRight | Qt::AlignVCenter);
        // Button groups sit on slightly darker trays.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(QRectF(8, 305, 366, 288), 10, 10);
        p.drawRoundedRect(QRectF(428, 402, 364, 108), 10, 10);
        paintLabel(p, QRectF(437, 484, 129, 22), "Photo", 13, true, Qt::AlignCenter);
        paintLabel(p, QRectF(658, 484, 130, 22), "Frame", 13, true, Qt::AlignCenter);
        p.end();
        cutWindowShape(img);
        save("main_screen", img);
    }
    {
        QImage img = paintWindow(500, 510, "Settings");
        QPainter p(&img);
        const char* names[] = { "Frame", "Portrait", "Background", "Mask", "Emotion", "Base map" };
        for (int i = 0; i < 6; ++i) {
            const int x = i % 2 ? 317 : 102, y = 64 + 23 * (i / 2);
            paintLabel(p, QRectF(x - 92, y, 86, 18), names[i], 13, false, Qt::AlignRight | Qt::AlignVCenter);
            paintField(p, QRectF(x, y, 118, 18));
        }
        paintLabel(p, QRectF(16, 38, 300, 20), "Picture folders", 14, true);
        paintLabel(p, QRectF(16, 142, 300, 20), "Add or remove pictures", 14, true);
        paintLabel(p, QRectF(141, 163, 150, 18), "Import", 13);
        paintLabel(p, QRectF(350, 163, 140, 18), "Remove", 13);
        paintLabel(p, QRectF(16, 229, 84, 17), "Countdown", 13, false, Qt::AlignRight | Qt::AlignVCenter);
        paintField(p, QRectF(104, 229, 37, 17));
        paintLabel(p, QRectF(146, 229, 60, 17), "seconds", 13);
        paintLabel(
            p, QRectF(16, 269, 146, 17), "Print size (w \u00d7 h)", 13, false, Qt::AlignRight | Qt::AlignVCenter);
        paintField(p, QRectF(167, 269, 40, 17));
        paintLabel(p, QRectF(209, 269, 17, 17), "\u00d7", 13, false, Qt::AlignCenter);
        paintField(p, QRectF(228, 269, 40, 17));
        paintLabel(p, QRectF(16, 302, 104, 17), "Frame opacity", 13, false, Qt::AlignRight | Qt::AlignVCenter);
        paintField(p, QRectF(124, 302, 36, 17));
        paintLabel(p, QRectF(165, 302, 100, 17), "(0 \u2013 255)", 13, false, Qt::AlignLeft | Qt::AlignVCenter, kMuted);
        p.fillRect(QRectF(16, 215, 468, 1), QColor(255, 255, 255, 30));
        // The guests' one-touch print in kiosk mode.
        p.fillRect(QRectF(16, 353, 468, 1), QColor(255, 255, 255, 30));
        paintLabel(p, QRectF(16, 363, 84, 17), "Guest print", 13, false, Qt::AlignRight | Qt::AlignVCenter);
        paintField(p, QRectF(244, 363, 30, 17));
        paintLabel(p, QRectF(278, 363, 50, 17), "copies", 13);
        paintLabel(p, QRectF(322, 363, 118, 17), "Prints per sheet", 13, false, Qt::AlignRight | Qt::AlignVCenter);
        paintField(p, QRectF(444, 363, 36, 17));
        // The phone gallery row.
        p.fillRect(QRectF(16, 392, 468, 1), QColor(255, 255, 255, 30));
        paintField(p, QRectF(236, 402, 50, 18));
        paintField(p, QRectF(358, 402, 126, 18));
        p.fillRect(QRectF(16, 464, 468, 1), QColor(255, 255, 255, 30));
        p.end();
        cutWindowShape(img);
        save("configure_background", img);
    }
    {
        QImage img = paintWindow(420, 400, {});
        QPainter p(&img);
        pictureFrame(p, QRectF(15, 34, 320, 240), 3);
        p.end();
        cutWindowShape(img);
        save("effect_background", img);
    }
    {
        QImage img = paintWindow(800, 400, "Filter workbench");
        QPainter p(&img);
        pictureFrame(p, QRectF(20, 37, 320, 240));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.setRenderHint(QPainter::Antialiasing, true);
        p.drawRoundedRect(QRectF(366, 30, 400, 327), 10, 10);
        p.end();
        cutWindowShape(img);
        save("filter_background", img);
    }
    {
        QImage img = paintWindow(500, 410, "Decorate");
        QPainter p(&img);
        pictureFrame(p, QRectF(10, 32, 320, 240), 2);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(QRectF(6, 330, 488, 70), 10, 10);
        for (int x : { 60, 138, 216, 294, 372 })
            slotTile(p, QRectF(x, 337, 71, 53));
        paintField(p, QRectF(333, 30, 97, 244));
        p.end();
        cutWindowShape(img);
        save("mixer_background", img);
    }
    {
        QImage img = paintWindow(640, 550, "Save picture");
        QPainter p(&img);
        pictureFrame(p, QRectF(12, 50, 530, 400), 2);
        paintLabel(p, QRectF(150, 487, 164, 16), "Picture size", 13, false, Qt::AlignLeft | Qt::AlignVCenter, kMuted);
        for (int k = 0; k < 5; ++k)
            slotTile(p, QRectF(545, 91 + 67 * k, 86, 66));
        p.end();
        cutWindowShape(img);
        save("save_background", img);
    }
    {
        QImage img = paintWindow(800, 600, "Print");
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(QRectF(20, 40, 760, 490), 10, 10);
        paintLabel(p, QRectF(20, 548, 108, 20), "Printed size", 13, false, Qt::AlignRight | Qt::AlignVCenter);
        paintField(p, QRectF(132, 550, 42, 16));
        paintLabel(p, QRectF(174, 548, 14, 20), "\u00d7", 13, false, Qt::AlignCenter);
        paintField(p, QRectF(188, 550, 42, 16));
        paintLabel(p, QRectF(234, 548, 150, 20), "pixels", 13);
        p.end();
        cutWindowShape(img);
        save("print_background", img);
    }
    {
        QImage img = paintWindow(698, 536, "Choose a picture");
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(QRectF(13, 34, 672, 418), 10, 10);
        for (int j = 0; j < 20; ++j)
            slotTile(p, QRectF((j % 5) * 132 + 25, (j / 5) * 102 + 42, 120, 90));
        paintField(p, QRectF(241, 463, 74, 18));
        p.end();
        cutWindowShape(img);
        save("thumbnail_background", img);
    }
    {
        QImage img = paintWindow(420, 340, "Place text to image");
        save("text_background", img);
    }
}

// Slot rectangles of the five layouts, relative to the slot area at (423, 61).
std::vector<QRect> layoutSlots(int layout)
{
    const QSize big(174, 130), small(84, 62);
    auto L = [&](int x, int y) { return QRect(QPoint(x - 423, y - 61), big); };
    auto S = [&](int x, int y) { return QRect(QPoint(x - 423, y - 61), small); };
    switch (layout) {
    case 0:
        return { L(428, 66), S(608, 66), S(698, 66), S(608, 134), S(698, 134), S(428, 202), S(518, 202), S(608, 202),
            S(698, 202), S(428, 270), S(518, 270), S(608, 270), S(698, 270) };
    case 1:
        return { L(428, 66), L(608, 66), L(428, 202), L(608, 202) };
    case 2:
        return { L(428, 66), S(608, 66), S(698, 66), S(608, 134), S(698, 134), S(428, 202), S(518, 202), L(608, 202),
            S(428, 270), S(518, 270) };
    case 3: {
        std::vector<QRect> r;
        for (int y : { 66, 134, 202, 270 })
            for (int x : { 428, 518, 608, 698 })
                r.push_back(S(x, y));
        return r;
    }
    default:
        return { L(428, 66), L(608, 66), L(428, 202), S(608, 202), S(698, 202), S(608, 270), S(698, 270) };
    }
}

void pictures()
{
    for (int i = 0; i < 5; ++i) {
        QImage img(364, 276, QImage::Format_RGB32);
        img.fill(QColor(kPaper));
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        for (const QRect& r : layoutSlots(i)) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 40));
            p.drawRoundedRect(QRectF(r).adjusted(-1, 0, 1, 3), 3, 3);
            p.setBrush(QColor(kPaperShade));
            p.drawRoundedRect(QRectF(r).adjusted(-2, -2, 2, 2), 3, 3);
        }
        p.end();
        save("layout" + std::to_string(i) + "_background", img);
    }
    {
        QImage img(320, 240, QImage::Format_RGB32);
        img.fill(QColor(kPaper));
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        QPen dash(QColor(kMarigold), 4, Qt::DashLine, Qt::RoundCap);
        dash.setDashPattern({ 3, 2.5 });
        p.setPen(dash);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(12, 12, 296, 216), 14, 14);
        drawGlyph(p, QRectF(136, 96, 48, 48), Glyph::Camera, QColor(kMarigold).darker(125));
        p.end();
        save("empty_slot", img);
    }
    {
        // The base picture under every photo: a soft studio backdrop, calm enough for any frame.
        QImage img(320, 240, QImage::Format_RGB32);
        QPainter p(&img);
        QRadialGradient g(QPointF(160, 100), 230);
        g.setColorAt(0, QColor(0xFA, 0xF6, 0xEF));
        g.setColorAt(1, QColor(0xDD, 0xD3, 0xC4));
        p.fillRect(img.rect(), g);
        p.end();
        save("base_picture", img);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/skin");
    if (!QDir().mkpath(g_outDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(g_outDir));
        return 1;
    }
    icons();
    slider();
    buttons();
    mainButtons();
    windows();
    pictures();
    for (const skin::SkinResource& r : skin::kSkinResources) {
        if (!g_written.count(std::string(r.name))) {
            std::fprintf(stderr, "no artwork drawn for %.*s\n", int(r.name.size()), r.name.data());
            g_failed = true;
        }
    }
    std::printf("%zu bitmaps written to %s\n", g_written.size(), qPrintable(g_outDir));
    return g_failed ? 1 : 0;
}
