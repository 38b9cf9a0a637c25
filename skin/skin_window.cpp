// Shaped skinned windows and their drag band.
#include "skin/skin_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "skin/mask_region.h"
#include "skin/skin_resources.h"

namespace skin {

WindowSkin* skinWindow(QWidget* w, const QImage& background, QSize size, int dragBand)
{
    return new WindowSkin(w, background, size, dragBand);
}

WindowSkin::WindowSkin(QWidget* window, const QImage& background, QSize size, int dragBand)
    : QObject(window)
    , m_window(window)
    , m_background(background)
    , m_dragBand(dragBand)
{
    window->setWindowFlag(Qt::FramelessWindowHint, true);
    window->setAttribute(Qt::WA_NoSystemBackground, true);
    if (size.isEmpty())
        size = background.size();
    if (!size.isEmpty())
        window->setFixedSize(size);
    const QRegion shape = regionFromMask(background, kWindowShapeKey);
    if (!shape.isEmpty())
        window->setMask(shape);
    window->installEventFilter(this);
}

bool WindowSkin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    if (event->type() == QEvent::Paint && !m_background.isNull()) {
        QPainter p(m_window);
        p.drawImage(m_window->rect(), m_background);
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        m_window->setFocus(Qt::MouseFocusReason);
        const int y = int(me->position().y());
        m_lastPressDragged = me->button() == Qt::LeftButton && (m_dragBand < 0 || y < m_dragBand);
        if (m_lastPressDragged) {
            if (QWindow* handle = m_window->windowHandle())
                handle->startSystemMove();
            return true;
        }
    }
    return false;
}

SkinDialog::SkinDialog(QWidget* parent)
    : QDialog(parent)
{
}

void SkinDialog::setSkinBackground(int resourceId, QSize size, int dragBand)
{
    setSkinBackground(SkinBitmap(resourceId), size, dragBand);
}

void SkinDialog::setSkinBackground(const QImage& background, QSize size, int dragBand)
{
    if (m_skin)
        delete m_skin;
    m_skin = skinWindow(this, background, size, dragBand);
    centreOnParent();
}

void SkinDialog::centreOnParent()
{
    QRect area;
    QWidget* p = parentWidget();
    if (p && p->isVisible())
        area = QRect(p->mapToGlobal(QPoint(0, 0)), p->size());
    else if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (!area.isEmpty())
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void SkinDialog::centreOnScreen()
{
    QWidget* p = parentWidget();
    QScreen* s = p && p->screen() ? p->screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

} // namespace skin
