// The booth's palette and type sizes: the artwork generator and the procedurally drawn skin
// parts (message box, lists, menus, scroll bars) read every colour from here.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>

namespace skin::theme {

inline constexpr QRgb kNight = 0xFF1F2440; ///< window background, top of the gradient
inline constexpr QRgb kNightLow = 0xFF2B3157; ///< window background, bottom of the gradient
inline constexpr QRgb kPaper = 0xFFF6F1E9; ///< panels, slot frame, text on dark
inline constexpr QRgb kPaperShade = 0xFFE6DED1; ///< paper edges and dividers
inline constexpr QRgb kCoral = 0xFFFF6B57; ///< primary action
inline constexpr QRgb kCoralDown = 0xFFE0523F;
inline constexpr QRgb kCoralOver = 0xFFFF8574;
inline constexpr QRgb kSlate = 0xFF3C4475; ///< secondary buttons
inline constexpr QRgb kSlateOver = 0xFF4A5390;
inline constexpr QRgb kSlateDown = 0xFF2E355E;
inline constexpr QRgb kMarigold = 0xFFFFC857; ///< selection, focus, slider fill
inline constexpr QRgb kInk = 0xFF1F2440; ///< text on light
inline constexpr QRgb kMuted = 0xFF8A8FA8; ///< disabled text
inline constexpr QRgb kGood = 0xFF6CCB8E; ///< a device that is ready (status marks only)
inline constexpr QRgb kCutAway = 0xFFFF00FF; ///< window shapes only, never visible
inline constexpr QRgb kShadow = 0x66000000; ///< soft shadow below raised shapes

inline constexpr int kWindowRadius = 10;
inline constexpr int kButtonRadius = 6;
inline constexpr int kTitleBand = 28; ///< rows at the top of a window that drag it

/// The caption font: Liberation Sans (DejaVu Sans as fallback), at least 13 px.
inline QFont captionFont(int pixelSize = 13, bool bold = false)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setFamilies({ QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans") });
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

/// A raised paper card (the share panel, the link card): its soft shadow two rows lower, then
/// the card. Leaves the pen off.
inline void drawPaperCard(QPainter& p, const QRectF& card)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kShadow));
    p.drawRoundedRect(card.translated(0, 2), kWindowRadius, kWindowRadius);
    p.setBrush(QColor(kPaper));
    p.drawRoundedRect(card, kWindowRadius, kWindowRadius);
}

} // namespace skin::theme
