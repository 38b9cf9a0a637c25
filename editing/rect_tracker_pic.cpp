// CRectTrackerPic: rubber band, handles, clamping to the control and the conversion of the
// top-down rectangle into the picture's bottom-up selection rows.
#include "editing/rect_tracker_pic.h"

#include <algorithm>
#include <cstdlib>

#include <QMouseEvent>
#include <QPainter>

#include "imaging/cximage.h"
#include "skin/skin_theme.h"

namespace {

/// Right and bottom are exclusive, as the tracker keeps them.
int rightOf(const QRect& r)
{
    return r.x() + r.width();
}
int bottomOf(const QRect& r)
{
    return r.y() + r.height();
}

QRect fromEdges(int l, int t, int r, int b)
{
    return QRect(std::min(l, r), std::min(t, b), std::abs(r - l), std::abs(b - t));
}

} // namespace

CRectTrackerPic::CRectTrackerPic(QWidget* parent)
    : QWidget(parent)
{
    // A plain picture: the bitmap covers what it shows, nothing else is erased.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CRectTrackerPic::Enable(bool on)
{
    m_enabled = on ? 1 : 0;
    setMouseTracking(on);
    if (!on) {
        m_drag = Drag::None;
        unsetCursor();
    }
    update();
}

void CRectTrackerPic::DrawTracker()
{
    if (m_enabled)
        update();
}

void CRectTrackerPic::setBitmap(const QImage& bitmap)
{
    m_bitmap = bitmap;
    update();
}

QRect CRectTrackerPic::handleRect(int handle) const
{
    const int hs = kHandleSize;
    const int l = m_rect.x(), t = m_rect.y(), r = rightOf(m_rect), b = bottomOf(m_rect);
    const int cx = (l + r) / 2 - hs / 2, cy = (t + b) / 2 - hs / 2;
    switch (handle) {
    case HitTopLeft:
        return QRect(l - hs, t - hs, hs, hs);
    case HitTopRight:
        return QRect(r, t - hs, hs, hs);
    case HitBottomRight:
        return QRect(r, b, hs, hs);
    case HitBottomLeft:
        return QRect(l - hs, b, hs, hs);
    case HitTop:
        return QRect(cx, t - hs, hs, hs);
    case HitRight:
        return QRect(r, cy, hs, hs);
    case HitBottom:
        return QRect(cx, b, hs, hs);
    case HitLeft:
        return QRect(l - hs, cy, hs, hs);
    default:
        return {};
    }
}

CRectTrackerPic::Hit CRectTrackerPic::hitTest(QPoint p) const
{
    if (m_rect.isEmpty())
        return HitNothing;
    for (int h = HitTopLeft; h <= HitLeft; ++h)
        if (handleRect(h).contains(p))
            return Hit(h);
    return m_rect.contains(p) ? HitMiddle : HitNothing;
}

QRect CRectTrackerPic::clamped(const QRect& r) const
{
    // The client rectangle now, in case no paint has happened since the last resize.
    const QRect bounds = rect();
    const int l = std::max(r.x(), bounds.x());
    const int t = std::max(r.y(), bounds.y());
    const int rr = std::min(rightOf(r), rightOf(bounds));
    const int b = std::min(bottomOf(r), bottomOf(bounds));
    if (rr <= l || b <= t)
        return {};
    return QRect(l, t, rr - l, b - t);
}

void CRectTrackerPic::applyToImage(const QRect& r)
{
    const QRect c = clamped(r);
    m_rect = c;
    if (!m_image || !m_image->IsValid() || c.isEmpty())
        return;
    if (m_image->SelectionIsValid())
        m_image->SelectionClear(0);
    const int h = int(m_image->GetHeight());
    // Top-down client rows become the picture's bottom-up rows.
    m_image->SelectRectangle(c.x(), h - c.y() - 1, rightOf(c), h - bottomOf(c) - 1, 255);
}

void CRectTrackerPic::mousePressEvent(QMouseEvent* e)
{
    if (!m_enabled || e->button() != Qt::LeftButton)
        return;
    if (parentWidget())
        parentWidget()->update();
    update();
    const QPoint p = e->position().toPoint();
    m_dragStart = p;
    m_dragFrom = m_rect;
    m_dragHit = hitTest(p);
    if (m_dragHit == HitNothing) {
        // A new band; the old rectangle stays until the band makes one.
        m_drag = Drag::RubberBand;
        m_left = m_right = p.x();
        m_top = m_bottom = p.y();
    } else {
        m_drag = Drag::Handle;
        m_left = m_rect.x();
        m_top = m_rect.y();
        m_right = rightOf(m_rect);
        m_bottom = bottomOf(m_rect);
    }
}

void CRectTrackerPic::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (!m_enabled)
        return;
    if (m_drag == Drag::None) {
        updateCursor(p);
        return;
    }
    if (m_drag == Drag::RubberBand) {
        m_right = p.x();
        m_bottom = p.y();
    } else {
        const int dx = p.x() - m_dragStart.x(), dy = p.y() - m_dragStart.y();
        const int l = m_dragFrom.x(), t = m_dragFrom.y(), r = rightOf(m_dragFrom), b = bottomOf(m_dragFrom);
        m_left = l;
        m_top = t;
        m_right = r;
        m_bottom = b;
        const bool moveLeft = m_dragHit == HitTopLeft || m_dragHit == HitBottomLeft || m_dragHit == HitLeft;
        const bool moveRight = m_dragHit == HitTopRight || m_dragHit == HitBottomRight || m_dragHit == HitRight;
        const bool moveTop = m_dragHit == HitTopLeft || m_dragHit == HitTopRight || m_dragHit == HitTop;
        const bool moveBottom = m_dragHit == HitBottomLeft || m_dragHit == HitBottomRight || m_dragHit == HitBottom;
        if (m_dragHit == HitMiddle) {
            m_left += dx;
            m_right += dx;
            m_top += dy;
            m_bottom += dy;
        }
        if (moveLeft)
            m_left += dx;
        if (moveRight)
            m_right += dx;
        if (moveTop)
            m_top += dy;
        if (moveBottom)
            m_bottom += dy;
    }
    update();
}

void CRectTrackerPic::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_enabled || m_drag == Drag::None || e->button() != Qt::LeftButton)
        return;
    mouseMoveEvent(e);
    const Drag drag = m_drag;
    m_drag = Drag::None;
    const QRect r = fromEdges(m_left, m_top, m_right, m_bottom);
    if (drag == Drag::RubberBand) {
        if (!r.isEmpty())
            applyToImage(r);
    } else if (r != m_dragFrom) {
        applyToImage(r);
    }
    updateCursor(e->position().toPoint());
    update();
}

void CRectTrackerPic::updateCursor(QPoint p)
{
    switch (m_enabled ? hitTest(p) : HitNothing) {
    case HitTopLeft:
    case HitBottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case HitTopRight:
    case HitBottomLeft:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case HitTop:
    case HitBottom:
        setCursor(Qt::SizeVerCursor);
        break;
    case HitLeft:
    case HitRight:
        setCursor(Qt::SizeHorCursor);
        break;
    case HitMiddle:
        setCursor(Qt::SizeAllCursor);
        break;
    case HitNothing:
        unsetCursor();
        break;
    }
}

void CRectTrackerPic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(skin::theme::kNight));
    if (!m_bitmap.isNull())
        p.drawImage(0, 0, m_bitmap);

    // The band being dragged, or the tracker with its handles outside it.
    QRect shown;
    if (m_drag != Drag::None)
        shown = fromEdges(m_left, m_top, m_right, m_bottom);
    else if (m_enabled)
        shown = m_rect;
    if (shown.isEmpty())
        return;
    QPen dots(QColor(skin::theme::kMarigold), 1, Qt::DotLine);
    p.setPen(dots);
    p.setBrush(Qt::NoBrush);
    p.drawRect(shown.adjusted(0, 0, -1, -1));
    if (m_drag == Drag::None) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(skin::theme::kMarigold));
        for (int h = HitTopLeft; h <= HitLeft; ++h)
            p.drawRect(handleRect(h));
    }
}
