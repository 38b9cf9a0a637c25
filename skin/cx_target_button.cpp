// CxTargetButton: the target mark over the skinned button's painting.
#include "skin/cx_target_button.h"

#include <QPainter>

#include "skin/skin_theme.h"

CxTargetButton::CxTargetButton(QWidget* parent)
    : CxSkinButton(parent)
{
}

void CxTargetButton::setTarget(bool on)
{
    if (on == m_target)
        return;
    m_target = on;
    update();
}

void CxTargetButton::paintEvent(QPaintEvent* e)
{
    CxSkinButton::paintEvent(e);
    if (!m_target)
        return;
    // A marigold ring inside the shape: visible on every state bitmap.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(skin::theme::kMarigold), 2));
    p.setBrush(Qt::NoBrush);
    const double r = std::min<double>(skin::theme::kButtonRadius, std::min(width(), height()) / 3.0);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -3), r, r);
}
