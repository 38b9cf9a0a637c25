// The two kinds of skinned button every dialog builds: image-only buttons and captioned ones on
// the theme's button bitmaps.
#pragma once

#include <QRect>
#include <QString>

class CxSkinButton;
class QWidget;

namespace skin {

/// An image-only button (normal and hover bitmaps) that takes no focus, with its control id and
/// tooltip (none when empty).
CxSkinButton* MakeImageButton(QWidget* parent, int id, int normal, int over, QRect r, const QString& tip = {});

/// A captioned button on the 60, 70 or 80 pixel bitmap set (skinWidth; other values use 70),
/// coral when primary. A caption too wide for the button is set condensed.
CxSkinButton* MakeTextButton(
    QWidget* parent, int id, const QString& text, bool primary, QRect r, int skinWidth, const QString& tip = {});

} // namespace skin
