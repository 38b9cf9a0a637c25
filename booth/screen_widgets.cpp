// Picture areas, slot pictures and the photo tracker of the main booth screen.
#include "booth/screen_widgets.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QUrl>

#include "platform/prompts.h"
#include "skin/skin_theme.h"

CPictureArea::CPictureArea(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void CPictureArea::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void CPictureArea::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(rect(), m_picture);
}

CSlotPicture::CSlotPicture(int index, QWidget* parent)
    : QWidget(parent)
    , m_index(index)
{
    // Reached with Tab like the skinned buttons; a click selects without moving the focus.
    setFocusPolicy(Qt::TabFocus);
}

void CSlotPicture::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    emit selected(m_index);
    update();
}

void CSlotPicture::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    update();
}

void CSlotPicture::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Menu || (e->key() == Qt::Key_F10 && e->modifiers() & Qt::ShiftModifier)) {
        emit rightReleased(m_index, mapToGlobal(rect().center()));
        return;
    }
    QWidget::keyPressEvent(e);
}

void CSlotPicture::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void CSlotPicture::setCurrent(bool on)
{
    if (m_current == on)
        return;
    m_current = on;
    update();
}

void CSlotPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_picture.isNull())
        p.drawImage(rect(), m_picture);
    else
        p.fillRect(rect(), QColor(skin::theme::kPaperShade));
    if (m_current) {
        p.setPen(QPen(QColor(skin::theme::kMarigold), 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    }
    if (hasFocus()) {
        // Focus is a second, inner marigold ring on an ink line, so it reads on any picture and
        // differs from the selection's outline alone.
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF ring = QRectF(rect()).adjusted(5, 5, -5, -5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(skin::theme::kInk), 4));
        p.drawRoundedRect(ring, skin::theme::kButtonRadius, skin::theme::kButtonRadius);
        p.setPen(QPen(QColor(skin::theme::kMarigold), 2));
        p.drawRoundedRect(ring, skin::theme::kButtonRadius, skin::theme::kButtonRadius);
    }
}

void CSlotPicture::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        emit pressed(m_index);
}

void CSlotPicture::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint global = e->globalPosition().toPoint();
    if (e->button() == Qt::LeftButton)
        emit released(m_index, global);
    else if (e->button() == Qt::RightButton)
        emit rightReleased(m_index, global);
}

void CSlotPicture::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        emit doubleClicked(m_index);
}

CPhotoTracker::CPhotoTracker(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void CPhotoTracker::setTrackedRect(const QRect& r)
{
    m_rect = r;
    update();
}

QRect CPhotoTracker::handleRect(int handle) const
{
    // Handles sit outside the rectangle, so they never cover the picture.
    const QRect r = m_rect.translated(-pos());
    const int h = kHandle;
    const int l = r.left() - h, t = r.top() - h, rt = r.right() + 1, b = r.bottom() + 1;
    const int cx = r.center().x() - h / 2, cy = r.center().y() - h / 2;
    switch (handle) {
    case HitTopLeft:
        return QRect(l, t, h, h);
    case HitTopRight:
        return QRect(rt, t, h, h);
    case HitBottomRight:
        return QRect(rt, b, h, h);
    case HitBottomLeft:
        return QRect(l, b, h, h);
    case HitTop:
        return QRect(cx, t, h, h);
    case HitRight:
        return QRect(rt, cy, h, h);
    case HitBottom:
        return QRect(cx, b, h, h);
    case HitLeft:
        return QRect(l, cy, h, h);
    default:
        return QRect();
    }
}

CPhotoTracker::Hit CPhotoTracker::hitTest(const QPoint& pos, int tolerance) const
{
    if (m_rect.isEmpty())
        return HitNothing;
    const QPoint local = pos - this->pos();
    for (int h = HitTopLeft; h <= HitLeft; ++h)
        if (handleRect(h).adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(local))
            return Hit(h);
    if (m_rect.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(pos))
        return HitMiddle;
    return HitNothing;
}

QRect CPhotoTracker::track(const QRect& r, Hit hit, const QPoint& d, QSize minSize)
{
    int l = r.left(), t = r.top(), rt = r.left() + r.width(), b = r.top() + r.height();
    switch (hit) {
    case HitMiddle:
        return r.translated(d);
    case HitTopLeft:
        l += d.x();
        t += d.y();
        break;
    case HitTopRight:
        rt += d.x();
        t += d.y();
        break;
    case HitBottomRight:
        rt += d.x();
        b += d.y();
        break;
    case HitBottomLeft:
        l += d.x();
        b += d.y();
        break;
    case HitTop:
        t += d.y();
        break;
    case HitRight:
        rt += d.x();
        break;
    case HitBottom:
        b += d.y();
        break;
    case HitLeft:
        l += d.x();
        break;
    default:
        return r;
    }
    if (rt - l < minSize.width()) {
        if (hit == HitTopLeft || hit == HitBottomLeft || hit == HitLeft)
            l = rt - minSize.width();
        else
            rt = l + minSize.width();
    }
    if (b - t < minSize.height()) {
        if (hit == HitTopLeft || hit == HitTopRight || hit == HitTop)
            t = b - minSize.height();
        else
            b = t + minSize.height();
    }
    return QRect(l, t, rt - l, b - t);
}

void CPhotoTracker::paintEvent(QPaintEvent*)
{
    if (m_rect.isEmpty())
        return;
    QPainter p(this);
    const QRect r = m_rect.translated(-pos());
    QPen pen(QColor(skin::theme::kMarigold), 1, Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(-2, -2, 1, 1));
    p.setPen(QColor(skin::theme::kInk));
    p.setBrush(QColor(skin::theme::kMarigold));
    for (int h = HitTopLeft; h <= HitLeft; ++h)
        p.drawRect(handleRect(h).adjusted(0, 0, -1, -1));
}

void OpenAddress(QWidget* parent, const QUrl& url)
{
    const auto tell = [parent, url] {
        platform::prompts().messageBox(parent,
            QStringLiteral("No web browser could be opened on this computer.\nThe address is:\n%1")
                .arg(url.toDisplayString()),
            platform::MbOk | platform::MbIconInformation);
    };
    // xdg-open says when no browser could be started, which the desktop services do not; without
    // it they try the other ways the desktop knows.
    auto* opener = new QProcess(parent);
    QObject::connect(opener, &QProcess::finished, opener, [opener, tell](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            tell();
    });
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, url, tell](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        if (!QDesktopServices::openUrl(url))
            tell();
    });
    opener->start(QStringLiteral("xdg-open"), { url.toString(QUrl::FullyEncoded) });
}
