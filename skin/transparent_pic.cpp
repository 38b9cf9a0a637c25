// CTransparentPic keying and painting.
#include "skin/transparent_pic.h"

#include <QPainter>

CTransparentPic::CTransparentPic(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
}

void CTransparentPic::setPicture(const QImage& picture, QRgb key)
{
    m_layer = false;
    m_picture = picture;
    m_key = key & 0xFFFFFF;
    rebuild();
}

void CTransparentPic::setTransparentColor(QRgb key)
{
    m_key = key & 0xFFFFFF;
    rebuild();
}

void CTransparentPic::setLayer(const QImage& picture)
{
    m_layer = true;
    m_picture = picture;
    rebuild();
}

void CTransparentPic::rebuild()
{
    if (m_layer) {
        m_keyed = m_picture.isNull() ? QImage() : m_picture.convertToFormat(QImage::Format_ARGB32);
        update();
        return;
    }
    m_keyed = m_picture.isNull() ? QImage() : m_picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < m_keyed.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(m_keyed.scanLine(y));
        for (int x = 0; x < m_keyed.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == m_key)
                row[x] = 0;
        }
    }
    update();
}

void CTransparentPic::paintEvent(QPaintEvent*)
{
    if (m_keyed.isNull())
        return;
    QPainter p(this);
    // Nearest-neighbour so the key colour never bleeds into its neighbours.
    p.drawImage(rect(), m_keyed);
}
