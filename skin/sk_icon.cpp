// SkIcon painting.
#include "skin/sk_icon.h"

#include <QPainter>

#include "skin/skin_resources.h"

SkIcon::SkIcon(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
}

void SkIcon::setIconId(int id)
{
    m_id = id;
    setImage(skin::SkinBitmap(id));
}

void SkIcon::setImage(const QImage& img)
{
    m_image = img;
    update();
}

void SkIcon::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    QSize s = m_image.size();
    if (s.width() > width() || s.height() > height())
        s.scale(size(), Qt::KeepAspectRatio);
    p.drawImage(QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s), m_image);
}
