// Image-only and captioned skinned buttons.
#include "skin/skin_buttons.h"

#include <QFontMetrics>

#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace skin {

CxSkinButton* MakeImageButton(QWidget* parent, int id, int normal, int over, QRect r, const QString& tip)
{
    auto* b = new CxSkinButton(parent);
    b->SetSkin(normal, over, over, 0, 0, 0, 1, 0, 0);
    b->setGeometry(r);
    b->setFocusPolicy(Qt::NoFocus);
    if (!tip.isEmpty())
        b->SetToolTipText(tip);
    platform::setControlId(b, id);
    return b;
}

CxSkinButton* MakeTextButton(
    QWidget* parent, int id, const QString& text, bool primary, QRect r, int skinWidth, const QString& tip)
{
    struct Set {
        int normal, down, over, disabled, focus, mask;
    };
    const Set primarySet = skinWidth == 60
        ? Set { kPrimary60Normal, kPrimary60Down, kPrimary60Over, kPrimary60Disabled, kPrimary60Focus, kButton60Mask }
        : skinWidth == 80
        ? Set { kPrimary80Normal, kPrimary80Down, kPrimary80Over, kPrimary80Disabled, kPrimary80Focus, kButton80Mask }
        : Set { kPrimary70Normal, kPrimary70Down, kPrimary70Over, kPrimary70Disabled, kPrimary70Focus, kButton70Mask };
    const Set plainSet = skinWidth == 60
        ? Set { kButton60Normal, kButton60Down, kButton60Over, kButton60Disabled, kButton60Focus, kButton60Mask }
        : skinWidth == 80
        ? Set { kButton80Normal, kButton80Down, kButton80Over, kButton80Disabled, kButton80Focus, kButton80Mask }
        : Set { kButton70Normal, kButton70Down, kButton70Over, kButton70Disabled, kButton70Focus, kButton70Mask };
    const Set& s = primary ? primarySet : plainSet;
    auto* b = new CxSkinButton(parent);
    b->SetSkin(s.normal, s.down, s.over, s.disabled, s.focus, s.mask, 0, 0, 0);
    b->setText(text);
    QFont font = theme::captionFont(13, primary);
    if (QFontMetrics(font).horizontalAdvance(text) > r.width() - 6)
        font.setStretch(QFont::Condensed);
    b->setFont(font);
    b->SetTextColor(QColor(theme::kPaper));
    b->setGeometry(r);
    if (!tip.isEmpty())
        b->SetToolTipText(tip);
    platform::setControlId(b, id);
    return b;
}

} // namespace skin
