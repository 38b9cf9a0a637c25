// CBitmapSlider: range, bitmaps, mouse and keys, painting.
#include "skin/bitmap_slider.h"

#include <cmath>
#include <cstdlib>

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/control_id.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace {

/// A slider with its value for screen readers, which can also set it as a drag would.
class AccessibleSlider : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleSlider(CBitmapSlider* w)
        : QAccessibleWidget(w, QAccessible::Slider)
    {
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                : QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return slider()->GetPos(); }
    void setCurrentValue(const QVariant& value) override { slider()->setPosByUser(value.toInt()); }
    QVariant maximumValue() const override { return slider()->GetRangeMax(); }
    QVariant minimumValue() const override { return slider()->GetRangeMin(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    CBitmapSlider* slider() const { return static_cast<CBitmapSlider*>(widget()); }
};

QAccessibleInterface* sliderFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CBitmapSlider") && object && object->isWidgetType())
        return new AccessibleSlider(static_cast<CBitmapSlider*>(object));
    return nullptr;
}

} // namespace

CBitmapSlider::CBitmapSlider(QWidget* parent)
    : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(sliderFactory), true);
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void CBitmapSlider::SetRange(int minimum, int maximum, bool redraw)
{
    SetRangeMin(minimum, false);
    SetRangeMax(maximum, redraw);
}

void CBitmapSlider::SetRangeMin(int minimum, bool redraw)
{
    m_min = minimum;
    if (redraw)
        update();
}

void CBitmapSlider::SetRangeMax(int maximum, bool redraw)
{
    m_max = maximum;
    if (redraw)
        update();
}

void CBitmapSlider::SetPos(int position)
{
    m_pos = position;
    if (m_pos > m_max)
        m_pos = m_max;
    if (m_pos < m_min)
        m_pos = m_min;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent e(this, m_pos);
        QAccessible::updateAccessibility(&e);
    }
    update();
}

void CBitmapSlider::setPosByUser(int position)
{
    if (!m_enabled)
        return;
    SetPos(position);
    post(kMovedMessage, m_pos);
}

void CBitmapSlider::ShowFocusRectangle(bool on, bool redraw)
{
    m_drawFocusRect = on;
    if (redraw)
        update();
}

void CBitmapSlider::setActiveBitmapsDrawn(bool channel, bool thumbWhileDragging)
{
    m_drawActiveChannel = channel;
    m_activeThumbWhileDragging = thumbWhileDragging;
    update();
}

bool CBitmapSlider::makeTransparent(QImage& img, unsigned colour, int x, int y)
{
    // The key colour becomes fully transparent: drawing then shows what lies under the bitmap,
    // as the AND-mask / OR-bitmap pair did.
    img = img.convertToFormat(QImage::Format_ARGB32);
    QRgb key;
    if (colour == kColourFromPixel) {
        if (!img.valid(x, y))
            return false;
        key = img.pixel(x, y) & 0xFFFFFF;
    } else {
        key = colour & 0xFFFFFF;
    }
    for (int row = 0; row < img.height(); ++row) {
        QRgb* p = reinterpret_cast<QRgb*>(img.scanLine(row));
        for (int col = 0; col < img.width(); ++col) {
            if ((p[col] & 0xFFFFFF) == key)
                p[col] = 0;
        }
    }
    return true;
}

bool CBitmapSlider::LoadChannelBitmaps(int channelId, int activeId, bool transparent, unsigned colour, int x, int y)
{
    if (channelId == 0)
        return SetChannelImages({}, {}, false, colour, x, y);
    const QImage channel = skin::SkinBitmap(channelId);
    if (channel.isNull())
        return false;
    QImage active;
    if (activeId) {
        active = skin::SkinBitmap(activeId);
        if (active.isNull()) {
            SetChannelImages({}, {}, false, colour, x, y);
            return false;
        }
    }
    return SetChannelImages(channel, active, transparent, colour, x, y);
}

bool CBitmapSlider::SetChannelImages(
    const QImage& channel, const QImage& active, bool transparent, unsigned colour, int x, int y)
{
    if (channel.isNull()) {
        m_channel = m_channelActive = QImage();
        m_channelSet = false;
        m_channelTransparent = false;
        update();
        return true;
    }
    m_channel = channel;
    m_channelActive = active;
    m_channelTransparent = transparent;
    if (transparent
        && (!makeTransparent(m_channel, colour, x, y)
            || (!m_channelActive.isNull() && !makeTransparent(m_channelActive, colour, x, y)))) {
        m_channel = m_channelActive = QImage();
        m_channelSet = false;
        return false;
    }
    m_channelSet = true;
    m_channelSize = m_channel.size();
    resize(m_channelSize);
    update();
    return true;
}

bool CBitmapSlider::LoadThumbBitmaps(int thumbId, int activeId, bool transparent, unsigned colour, int x, int y)
{
    if (thumbId == 0)
        return SetThumbImages({}, {}, false, colour, x, y);
    const QImage thumb = skin::SkinBitmap(thumbId);
    if (thumb.isNull())
        return false;
    QImage active;
    if (activeId) {
        active = skin::SkinBitmap(activeId);
        if (active.isNull())
            return false;
    }
    return SetThumbImages(thumb, active, transparent, colour, x, y);
}

bool CBitmapSlider::SetThumbImages(
    const QImage& thumb, const QImage& active, bool transparent, unsigned colour, int x, int y)
{
    if (thumb.isNull()) {
        m_thumb = m_thumbActive = QImage();
        m_thumbSet = false;
        m_thumbSize = QSize(0, 0);
        update();
        return true;
    }
    m_thumb = thumb;
    m_thumbActive = active;
    m_thumbTransparent = transparent;
    if (transparent
        && (!makeTransparent(m_thumb, colour, x, y)
            || (!m_thumbActive.isNull() && !makeTransparent(m_thumbActive, colour, x, y)))) {
        m_thumb = m_thumbActive = QImage();
        m_thumbSet = false;
        return false;
    }
    m_thumbSet = true;
    m_thumbSize = m_thumb.size();
    if (!m_channelSet)
        m_channelSize = size();
    update();
    return true;
}

int CBitmapSlider::pixelForPosition(int position) const
{
    const int range = m_max - m_min;
    if (m_vertical) {
        const double travel = m_channelSize.height() - m_marginBottom - m_thumbSize.height() - m_marginTop;
        const double part = range ? travel * (position - m_min) / range : 0.0;
        return m_marginTop + int(part) + m_thumbSize.height() / 2;
    }
    const double travel = m_channelSize.width() - m_marginRight - m_thumbSize.width() - m_marginLeft;
    const double part = range ? travel * (position - m_min) / range : 0.0;
    return m_marginLeft + int(part) + m_thumbSize.width() / 2;
}

int CBitmapSlider::positionForPixel(int pixel) const
{
    double travel, offset;
    if (m_vertical) {
        travel = m_channelSize.height() - m_marginBottom - m_marginTop - m_thumbSize.height();
        offset = pixel - m_thumbSize.height() / 2 - m_marginTop;
    } else {
        travel = m_channelSize.width() - m_marginRight - m_marginLeft - m_thumbSize.width();
        offset = pixel - m_thumbSize.width() / 2 - m_marginLeft;
    }
    // A thumb as wide as the channel has no travel: every pixel means the minimum.
    if (travel <= 0)
        return m_min;
    return m_min + int(offset / travel * (m_max - m_min));
}

void CBitmapSlider::post(int message, int position)
{
    const int id = platform::controlId(this);
    QMetaObject::invokeMethod(
        this,
        [this, message, id, position] {
            if (message == kMovingMessage)
                emit moving(id, position);
            else
                emit moved(id, position);
        },
        Qt::QueuedConnection);
}

void CBitmapSlider::mousePressEvent(QMouseEvent* e)
{
    if (!m_enabled || e->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    const int c = m_vertical ? int(e->position().y()) : int(e->position().x());
    const int centre = pixelForPosition(m_pos);
    const int half = m_vertical ? m_thumbSize.height() / 2 : m_thumbSize.width() / 2;
    m_dragOffset = std::abs(c - centre) > half ? 0 : c - centre;
    dragTo(c);
    update();
}

void CBitmapSlider::dragTo(int coordinate)
{
    int a = coordinate - m_dragOffset;
    int lo, hi;
    if (m_vertical) {
        lo = m_thumbSize.height() / 2 + m_marginTop;
        hi = m_channelSize.height() - m_thumbSize.height() / 2 - m_marginBottom;
    } else {
        lo = m_marginLeft + m_thumbSize.width() / 2;
        hi = m_channelSize.width() - m_marginRight - m_thumbSize.width() / 2;
    }
    if (a < lo)
        a = lo;
    if (a > hi)
        a = hi;
    if (a != pixelForPosition(m_pos)) {
        SetPos(positionForPixel(a));
        post(kMovingMessage, m_pos);
    }
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_dragging || !m_enabled)
        return;
    dragTo(m_vertical ? int(e->position().y()) : int(e->position().x()));
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_enabled || e->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    update();
    post(kMovedMessage, m_pos);
}

void CBitmapSlider::keyPressEvent(QKeyEvent* e)
{
    if (!m_enabled) {
        QWidget::keyPressEvent(e);
        return;
    }
    int pos;
    switch (e->key()) {
    case Qt::Key_PageUp:
        pos = m_pos - m_page;
        break;
    case Qt::Key_PageDown:
        pos = m_pos + m_page;
        break;
    case Qt::Key_End:
        pos = m_max;
        break;
    case Qt::Key_Home:
        pos = m_min;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        pos = m_pos + 1;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        pos = m_pos - 1;
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    SetPos(pos);
    post(kMovedMessage, m_pos);
}

void CBitmapSlider::focusInEvent(QFocusEvent*)
{
    m_focused = true;
    update();
}

void CBitmapSlider::focusOutEvent(QFocusEvent*)
{
    m_focused = false;
    update();
}

QSize CBitmapSlider::sizeHint() const
{
    return m_channelSet ? m_channelSize : QSize(100, 17);
}

void CBitmapSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_channelTransparent && m_channelSet)
        p.fillRect(rect(), palette().window());
    const int centre = pixelForPosition(m_pos);
    if (m_channelSet) {
        if (m_drawActiveChannel && m_enabled && !m_channelActive.isNull()) {
            // Active part from the start to the thumb centre, the plain channel after it.
            if (m_vertical) {
                p.drawImage(QPoint(0, 0), m_channelActive, QRect(0, 0, m_channel.width(), centre));
                p.drawImage(
                    QPoint(0, centre), m_channel, QRect(0, centre, m_channel.width(), m_channel.height() - centre));
            } else {
                p.drawImage(QPoint(0, 0), m_channelActive, QRect(0, 0, centre, m_channel.height()));
                p.drawImage(
                    QPoint(centre, 0), m_channel, QRect(centre, 0, m_channel.width() - centre, m_channel.height()));
            }
        } else {
            p.drawImage(0, 0, m_channel);
        }
    }
    if (m_thumbSet && m_enabled) {
        const QImage& t = m_dragging && m_activeThumbWhileDragging && !m_thumbActive.isNull() ? m_thumbActive : m_thumb;
        const QPoint at = m_vertical ? QPoint(m_marginLeft, centre - m_thumbSize.height() / 2)
                                     : QPoint(centre - m_thumbSize.width() / 2, m_marginTop);
        p.drawImage(at, t);
    }
    if (m_focused && m_enabled && m_drawFocusRect) {
        p.setPen(QPen(QColor(skin::theme::kMarigold), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
