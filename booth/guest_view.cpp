// GuestView: the guests' countdown, flash and new-slot display.
#include "booth/guest_view.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

#include "skin/skin_theme.h"

using namespace skin::theme;

GuestView::GuestView(const QRect& preview, QWidget* parent)
    : QWidget(parent)
    , m_preview(preview)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Guest view"));
    setAccessibleDescription(QStringLiteral("The countdown and the new picture, shown large while shooting."));
    if (parent)
        setGeometry(parent->rect());
    m_tick.setInterval(30);
    connect(&m_tick, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_end.setSingleShot(true);
    connect(&m_end, &QTimer::timeout, this, &GuestView::clear);
    hide();
}

void GuestView::setMode(Mode mode)
{
    const bool changed = mode != m_mode;
    m_mode = mode;
    m_since.start();
    m_end.stop();
    if (changed)
        emit modeChanged(mode);
    if (mode == Idle) {
        m_tick.stop();
        hide();
        return;
    }
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    m_tick.start();
    raise();
    show();
    update();
}

void GuestView::showCountdown(int seconds)
{
    m_seconds = seconds;
    setMode(Countdown);
}

void GuestView::flash()
{
    setMode(Flash);
    m_end.start(kFlashMs);
}

void GuestView::showShot(const QImage& picture, int milliseconds)
{
    if (picture.isNull()) {
        clear();
        return;
    }
    m_shot = picture;
    setMode(Shot);
    m_end.start(std::max(1, milliseconds));
}

void GuestView::clear()
{
    m_shot = QImage();
    setMode(Idle);
}

QRect GuestView::shotRect() const
{
    // As large as the screen allows with room for its paper edge, in the slot's own aspect.
    const QSize room = rect().size() * 0.8;
    const QSize shown = (m_shot.isNull() ? QSize(4, 3) : m_shot.size()).scaled(room, Qt::KeepAspectRatio);
    QRect r(QPoint(0, 0), shown);
    r.moveCenter(rect().center());
    return r;
}

void GuestView::paintCountdown(QPainter& p)
{
    const QPointF centre = QRectF(m_preview).center();
    const qreal radius = std::min(m_preview.width(), m_preview.height()) * 0.36;
    // A night disc keeps the figure readable over any picture; the marigold ring runs out with
    // the second.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1F, 0x24, 0x40, 150));
    p.drawEllipse(centre, radius, radius);
    const qreal part = std::clamp(m_since.elapsed() / 1000.0, 0.0, 1.0);
    QPen ring(QColor(kMarigold), radius * 0.09, Qt::SolidLine, Qt::RoundCap);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    const qreal r = radius * 0.92;
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 90 * 16, int(-(1.0 - part) * 360 * 16));
    QFont f = captionFont(int(radius * 1.25), true);
    p.setFont(f);
    p.setPen(QColor(kPaper));
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawText(box, Qt::AlignCenter, QString::number(m_seconds));
}

void GuestView::paintShot(QPainter& p)
{
    p.fillRect(rect(), QColor(0x1F, 0x24, 0x40, 215));
    const QRect shown = shotRect();
    const int border = std::max(6, shown.height() / 30);
    const QRect paper = shown.adjusted(-border, -border, border, border);
    for (int i = 4; i >= 1; --i)
        p.fillRect(paper.translated(0, i).adjusted(-i, -i, i, i), QColor(0, 0, 0, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kPaper));
    p.drawRoundedRect(paper, kButtonRadius, kButtonRadius);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(shown, m_shot);
}

void GuestView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (m_mode) {
    case Countdown:
        paintCountdown(p);
        break;
    case Flash: {
        const qreal t = std::clamp(m_since.elapsed() / qreal(kFlashMs), 0.0, 1.0);
        p.fillRect(rect(), QColor(255, 255, 255, int(255 * (1.0 - t * t))));
        break;
    }
    case Shot:
        paintShot(p);
        break;
    case Idle:
        break;
    }
}
