// CSizeBox: hit testing, dragging and drawing of the print dialog's rubber band.
#include "output/size_box.h"

#include <algorithm>

#include <QPainter>

#include "skin/skin_theme.h"

namespace {

// Pixels either side of an edge that still grab it.
constexpr int kEdgeBand = 3;

} // namespace

QRect CSizeBox::handleRect(Hit handle) const
{
    const int h = kHandle;
    const int x1 = m_rect.x();
    const int y1 = m_rect.y();
    const int x2 = m_rect.x() + m_rect.width();
    const int y2 = m_rect.y() + m_rect.height();
    const int cx = x1 + m_rect.width() / 2 - h / 2;
    const int cy = y1 + m_rect.height() / 2 - h / 2;
    switch (handle) {
    case HitTopLeft:
        return QRect(x1 - h, y1 - h, h, h);
    case HitTopRight:
        return QRect(x2, y1 - h, h, h);
    case HitBottomRight:
        return QRect(x2, y2, h, h);
    case HitBottomLeft:
        return QRect(x1 - h, y2, h, h);
    case HitTop:
        return QRect(cx, y1 - h, h, h);
    case HitRight:
        return QRect(x2, cy, h, h);
    case HitBottom:
        return QRect(cx, y2, h, h);
    case HitLeft:
        return QRect(x1 - h, cy, h, h);
    default:
        return {};
    }
}

CSizeBox::Hit CSizeBox::hitTest(const QPoint& pos) const
{
    if (m_rect.isEmpty())
        return HitNothing;
    for (int i = HitTopLeft; i <= HitLeft; ++i) {
        if (handleRect(Hit(i)).contains(pos))
            return Hit(i);
    }
    const int x1 = m_rect.x();
    const int y1 = m_rect.y();
    const int x2 = m_rect.x() + m_rect.width();
    const int y2 = m_rect.y() + m_rect.height();
    const bool withinX = pos.x() >= x1 - kEdgeBand && pos.x() <= x2 + kEdgeBand;
    const bool withinY = pos.y() >= y1 - kEdgeBand && pos.y() <= y2 + kEdgeBand;
    if (!withinX || !withinY)
        return HitNothing;
    if (std::abs(pos.y() - y1) <= kEdgeBand)
        return HitTop;
    if (std::abs(pos.y() - y2) <= kEdgeBand)
        return HitBottom;
    if (std::abs(pos.x() - x1) <= kEdgeBand)
        return HitLeft;
    if (std::abs(pos.x() - x2) <= kEdgeBand)
        return HitRight;
    return HitMiddle;
}

Qt::CursorShape CSizeBox::cursorAt(const QPoint& pos) const
{
    switch (hitTest(pos)) {
    case HitTopLeft:
    case HitBottomRight:
        return Qt::SizeFDiagCursor;
    case HitTopRight:
    case HitBottomLeft:
        return Qt::SizeBDiagCursor;
    case HitTop:
    case HitBottom:
        return Qt::SizeVerCursor;
    case HitLeft:
    case HitRight:
        return Qt::SizeHorCursor;
    case HitMiddle:
        return Qt::SizeAllCursor;
    case HitNothing:
        break;
    }
    return Qt::ArrowCursor;
}

QRect CSizeBox::dragged(const QRect& r, Hit hit, const QPoint& delta, QSize minSize)
{
    if (hit == HitMiddle)
        return r.translated(delta);
    int x1 = r.x();
    int y1 = r.y();
    int x2 = r.x() + r.width();
    int y2 = r.y() + r.height();
    const bool left = hit == HitTopLeft || hit == HitBottomLeft || hit == HitLeft;
    const bool right = hit == HitTopRight || hit == HitBottomRight || hit == HitRight;
    const bool top = hit == HitTopLeft || hit == HitTopRight || hit == HitTop;
    const bool bottom = hit == HitBottomLeft || hit == HitBottomRight || hit == HitBottom;
    if (left)
        x1 = std::min(x1 + delta.x(), x2 - minSize.width());
    if (right)
        x2 = std::max(x2 + delta.x(), x1 + minSize.width());
    if (top)
        y1 = std::min(y1 + delta.y(), y2 - minSize.height());
    if (bottom)
        y2 = std::max(y2 + delta.y(), y1 + minSize.height());
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

QRect CSizeBox::paintedRect() const
{
    return m_rect.adjusted(-kHandle - 1, -kHandle - 1, kHandle + 1, kHandle + 1);
}

void CSizeBox::paint(QPainter& p) const
{
    if (m_rect.isEmpty())
        return;
    using namespace skin::theme;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen dash(QColor(kMarigold), 1, Qt::DashLine);
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawRect(m_rect.adjusted(-1, -1, 0, 0));
    p.setPen(QColor(kNight));
    p.setBrush(QColor(kMarigold));
    for (int i = HitTopLeft; i <= HitLeft; ++i)
        p.drawRect(handleRect(Hit(i)).adjusted(0, 0, -1, -1));
    p.restore();
}
