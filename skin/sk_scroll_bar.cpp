// SkScrollBar painting and dragging.
#include "skin/sk_scroll_bar.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

SkScrollBar::SkScrollBar(QWidget* parent)
    : QWidget(parent)
    , m_track(0xC8, 0xC8, 0xC8)
    , m_thumb(0x14, 0x14, 0x14)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
}

void SkScrollBar::setColours(const QColor& track, const QColor& thumb)
{
    m_track = track;
    m_thumb = thumb;
    update();
}

void SkScrollBar::setRange(int total, int page)
{
    m_total = std::max(0, total);
    m_page = std::max(0, page);
    m_pos = std::clamp(m_pos, 0, maximum());
    update();
}

void SkScrollBar::setPosition(int pos)
{
    pos = std::clamp(pos, 0, maximum());
    if (pos == m_pos)
        return;
    m_pos = pos;
    update();
}

QRect SkScrollBar::thumbRect() const
{
    const int h = height();
    if (m_total <= 0 || m_page >= m_total)
        return QRect(0, 0, width(), h);
    const int len = std::max(std::min(12, h), int(qint64(h) * m_page / m_total));
    const int travel = h - len;
    const int top = maximum() > 0 ? int(qint64(travel) * m_pos / maximum()) : 0;
    return QRect(0, top, width(), len);
}

void SkScrollBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    const double r = width() / 2.0;
    p.setBrush(m_track);
    p.drawRoundedRect(QRectF(rect()), r, r);
    p.setBrush(m_thumb);
    p.drawRoundedRect(QRectF(thumbRect()).adjusted(1, 1, -1, -1), r - 1, r - 1);
}

void SkScrollBar::userMove(int pos)
{
    pos = std::clamp(pos, 0, maximum());
    if (pos == m_pos)
        return;
    m_pos = pos;
    update();
    QMetaObject::invokeMethod(
        this, [this, pos] { emit positionPosted(pos); }, Qt::QueuedConnection);
}

void SkScrollBar::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const int y = int(e->position().y());
    const QRect t = thumbRect();
    if (t.contains(0, y)) {
        m_dragging = true;
        m_grab = y - t.top();
    } else {
        userMove(m_pos + (y < t.top() ? -m_page : m_page));
    }
}

void SkScrollBar::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_dragging)
        return;
    const int len = thumbRect().height();
    const int travel = height() - len;
    if (travel <= 0)
        return;
    const int top = int(e->position().y()) - m_grab;
    userMove(int(qint64(top) * maximum() / travel));
}

void SkScrollBar::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

void SkScrollBar::wheelEvent(QWheelEvent* e)
{
    const int steps = e->angleDelta().y() / 120;
    userMove(m_pos - steps * 100);
}
