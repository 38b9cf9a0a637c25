// CThumbnailButton: painting, pointer movement and click notifications.
#include "output/thumbnail_button.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "output/thumbnail_loader.h"

CThumbnailButton::CThumbnailButton(const QString& path, QWidget* parent)
    : QWidget(parent)
    , m_path(path)
    , m_name(QFileInfo(path).fileName())
{
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    setAutoFillBackground(false);
    setToolTip(m_name);
    setAccessibleName(m_name);
}

void CThumbnailButton::setThumbnail(const QImage& thumbnail)
{
    m_thumbnail = thumbnail;
    m_loading = false;
    update();
}

bool CThumbnailButton::loadNow()
{
    setThumbnail(MakeThumbnail(m_path, QSize(kThumbWidth, kThumbHeight)));
    return hasThumbnail();
}

void CThumbnailButton::setLoading(bool on)
{
    m_loading = on;
    update();
}

void CThumbnailButton::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    const QColor fill = m_hovered ? QColor(180, 190, 210) : QColor(Qt::white);
    QPainter p(this);
    p.fillRect(rect(), fill);
    p.setPen(QPen(m_hovered ? QColor(10, 35, 105) : QColor(33, 33, 33), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, w - 2, h - 2));

    const QRect area((w - kThumbWidth) / 2, (h - kThumbHeight) / 4, kThumbWidth, kThumbHeight);
    if (!m_thumbnail.isNull()) {
        // Centred in the area: a portrait picture does not hug the left edge.
        const QSize s = m_thumbnail.size().boundedTo(area.size());
        const QPoint at(area.x() + (area.width() - s.width()) / 2, area.y() + (area.height() - s.height()) / 2);
        p.drawImage(at, m_thumbnail, QRect(QPoint(0, 0), s));
    } else if (m_loading) {
        p.fillRect(area.adjusted(8, 6, -8, -6), QColor(0, 0, 0, 18));
    }

    QFont f(QStringLiteral("MS Serif"));
    f.setFamilies({ QStringLiteral("MS Serif"), QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif") });
    f.setPixelSize(14);
    p.setFont(f);
    const QFontMetrics fm(f);
    QString text = m_name.left(18);
    text = fm.elidedText(text, Qt::ElideRight, w - 6);
    const int x = std::max(3, (w - fm.horizontalAdvance(text)) / 2);
    const int y = kThumbHeight + (h - kThumbHeight) / 4 + 2;
    p.setPen(QColor(33, 33, 33));
    p.drawText(QRect(x, y, w - x - 2, h - y), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void CThumbnailButton::hoverOn()
{
    if (m_hovered)
        return;
    m_hovered = true;
    move(pos() - QPoint(2, 2));
    update();
}

void CThumbnailButton::enterEvent(QEnterEvent*)
{
    hoverOn();
}

void CThumbnailButton::mouseMoveEvent(QMouseEvent*)
{
    hoverOn();
}

void CThumbnailButton::pressOn()
{
    if (m_hovered && !m_pressed) {
        move(pos() + QPoint(2, 2));
        m_pressed = true;
        update();
    }
}

void CThumbnailButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        pressOn();
        emit leftClicked(this);
    } else if (e->button() == Qt::RightButton) {
        emit rightClicked(this);
    }
}

void CThumbnailButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return; // a right double click is swallowed
    pressOn();
    emit doubleClicked(this);
}

void CThumbnailButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && m_pressed && m_hovered) {
        m_pressed = false;
        move(pos() - QPoint(2, 2));
        update();
    }
}

void CThumbnailButton::leaveEvent(QEvent*)
{
    // A pressed button is already back at its place.
    if (m_hovered && !m_pressed)
        move(pos() + QPoint(2, 2));
    m_hovered = false;
    m_pressed = false;
    update();
}
