// Window regions cut out of a mask bitmap: every run of pixels that differs from a key colour
// becomes a one-row rectangle, and the rectangles are united into one region.
#pragma once

#include <QImage>
#include <QRegion>

namespace skin {

inline constexpr QRgb kButtonMaskKey = 0xFFFFFF; ///< white outside a button
inline constexpr QRgb kWindowShapeKey = 0xFF00FF; ///< magenta outside a shaped window

/// The region of mask's pixels whose RGB differs from key (alpha is ignored). Rows are read
/// from the bottom row to the top. A null mask gives an empty region.
QRegion regionFromMask(const QImage& mask, QRgb key);

} // namespace skin
