// Drawing helpers shared by the artwork generator: button bodies, glyphs, window shapes.
// Everything is drawn from the palette in skin/skin_theme.h so a colour change is one edit.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace art {

enum class Glyph {
    None,
    Camera,
    Shutter,
    Frame,
    Photo,
    Plus,
    Folder,
    Save,
    Print,
    Gear,
    Left,
    Right,
    Up,
    Down,
    Close,
    Minus,
    Check,
    Question,
    Exclamation,
    Info,
    Search,
    First,
    Last,
    Font,
    Colour,
    Slot,
    Open,
    Layers,
    Dots,
    Undo,
    Redo,
    Resume,
    Share
};

enum class ButtonState { Normal, Down, Over, Focus, Disabled };

struct ButtonLook {
    QRgb fill;
    QRgb fillOver;
    QRgb fillDown;
    QRgb text;
    bool bold = false;
};

ButtonLook primaryLook();
ButtonLook secondaryLook();

/// Draws glyph g centred in box with the common stroke (scaled only for very small boxes);
/// strokeWidth > 0 sets the stroke instead, in the painter's units.
void drawGlyph(QPainter& p, const QRectF& box, Glyph g, const QColor& colour, double strokeWidth = 0);

/// The application icon at size x size pixels: a coral tile with a paper camera and a marigold
/// flash. The skin's app_icon and the launcher icons are all this one drawing.
QImage paintAppIcon(int size);
/// The same icon as an SVG document on a 64-unit grid, for the scalable launcher icon.
QByteArray appIconSvg();

struct ButtonArt {
    QImage state; ///< RGB, composited over the night background
    QImage mask; ///< white outside, black inside (only for the normal call)
};

/// A rounded button of w x h in the given state: shadow, top highlight, body, glyph above the
/// caption (or alone, or caption alone), marigold ring when focused. radius < 0 = theme radius.
ButtonArt paintButton(int w, int h, const ButtonLook& look, ButtonState state, Glyph glyph, const QString& caption,
    int captionPx = 13, double radius = -1, bool lamp = false, bool lampOn = false);

/// A window background of w x h: magenta outside the rounded shape (aliased edge, so no pink
/// fringe), night gradient inside, a title band with a title text.
QImage paintWindow(int w, int h, const QString& title);
/// Makes every pixel outside the window's rounded shape exactly magenta. Call after drawing.
void cutWindowShape(QImage& img);

/// A paper panel (rounded, with a soft shadow) at r on p.
void paintPanel(QPainter& p, const QRectF& r, double radius = 10);
/// A recessed field (darker, with an inner line) at r on p.
void paintField(QPainter& p, const QRectF& r);
/// A caption on the window background.
void paintLabel(QPainter& p, const QRectF& r, const QString& text, int px = 13, bool bold = false,
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, QRgb colour = 0);

} // namespace art
