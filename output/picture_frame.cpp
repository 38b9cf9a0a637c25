// CPictureFrame: drawing of the picture and the page marks.
#include "output/picture_frame.h"

#include <QPainter>

#include "skin/skin_theme.h"

CPictureFrame::CPictureFrame(QWidget* parent)
    : QWidget(parent)
{
    // Presses go to the dialog, which tracks its boxes over the picture.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CPictureFrame::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void CPictureFrame::setPageSplits(const std::vector<int>& columns)
{
    m_splits = columns;
    update();
}

void CPictureFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_picture.isNull())
        p.drawImage(0, 0, m_picture);
    // A marigold dashed line on a dark one, visible over any photo.
    for (int x : m_splits) {
        if (x <= 0 || x >= width())
            continue;
        p.setPen(QPen(QColor(skin::theme::kNight), 3));
        p.drawLine(x, 0, x, height());
        p.setPen(QPen(QColor(skin::theme::kMarigold), 1, Qt::DashLine));
        p.drawLine(x, 0, x, height());
    }
}
