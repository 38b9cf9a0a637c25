// CButtonST painting and hover tracking.
#include "skin/button_st.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

CButtonST::CButtonST(QWidget* parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFont(skin::theme::captionFont(13));
    const QPalette pal = QApplication::palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor text = pal.color(QPalette::ButtonText);
    m_colours[ColorBkIn] = face;
    m_colours[ColorFgIn] = text;
    m_colours[ColorBkOut] = face;
    m_colours[ColorFgOut] = QColor(0x50, 0x50, 0x50);
    m_colours[ColorBkFocus] = face;
    m_colours[ColorFgFocus] = text;
}

void CButtonST::SetIcon(int normalId, int hoverId)
{
    SetIconImages(skin::SkinBitmap(normalId), skin::SkinBitmap(hoverId));
}

void CButtonST::SetIconImages(const QImage& normal, const QImage& hover)
{
    m_icon = normal;
    m_iconHover = hover;
    update();
}

void CButtonST::SetCheckImages(int uncheckedId, int checkedId)
{
    SetCheckImageImages(skin::SkinBitmap(uncheckedId), skin::SkinBitmap(checkedId));
}

void CButtonST::SetCheckImageImages(const QImage& unchecked, const QImage& checked)
{
    m_checkOff = unchecked;
    m_checkOn = checked;
    setCheckable(true);
    update();
}

int CButtonST::SetColor(int slot, const QColor& colour, bool repaint)
{
    if (slot < 0 || slot >= kSlotCount)
        return kInvalidIndex;
    m_colours[slot] = colour;
    if (repaint)
        update();
    return 0;
}

QColor CButtonST::GetColor(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_colours[slot] : QColor();
}

void CButtonST::SetFace(const QColor& normal, const QColor& hover, const QColor& down)
{
    m_face = normal;
    m_faceHover = hover;
    m_faceDown = down;
    update();
}

void CButtonST::DrawTransparent(bool on)
{
    m_transparent = on;
    setAttribute(Qt::WA_TranslucentBackground, on);
    update();
}

QSize CButtonST::sizeHint() const
{
    const QImage img = currentImage();
    if (!img.isNull() && text().isEmpty())
        return img.size() + QSize(4, 4);
    return QSize(75, 23);
}

QImage CButtonST::currentImage() const
{
    if (isCheckable() && !m_checkOff.isNull())
        return isChecked() ? m_checkOn : m_checkOff;
    if (m_hover && !m_iconHover.isNull())
        return m_iconHover;
    return m_icon;
}

void CButtonST::mouseMoveEvent(QMouseEvent* e)
{
    const bool inside = rect().contains(e->position().toPoint());
    const QWidget* active = QApplication::activeWindow();
    const bool allowed = !m_trackSelfOnly || active == window() || !active;
    const bool hover = inside && allowed;
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
    QAbstractButton::mouseMoveEvent(e);
}

void CButtonST::leaveEvent(QEvent* e)
{
    if (m_hover) {
        m_hover = false;
        update();
    }
    QAbstractButton::leaveEvent(e);
}

void CButtonST::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRect r = rect();
    const bool pressed = isDown() || (isCheckable() && m_checkOff.isNull() && isChecked());
    const int bkSlot = m_hover ? ColorBkIn : hasFocus() ? ColorBkFocus : ColorBkOut;
    const int fgSlot = m_hover ? ColorFgIn : hasFocus() ? ColorFgFocus : ColorFgOut;
    if (!m_transparent)
        p.fillRect(r, m_colours[bkSlot]);

    const QPalette& pal = palette();
    if (m_face.isValid()) {
        namespace theme = skin::theme;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        const QRectF body = QRectF(r).adjusted(0.5, 0.5 + (pressed ? 1 : 0), -0.5, -2.5 + (pressed ? 1 : 0));
        if (!pressed) {
            p.setBrush(QColor(0, 0, 0, 70));
            p.drawRoundedRect(body.translated(0, 2), theme::kButtonRadius, theme::kButtonRadius);
        }
        QColor fill = !isEnabled() ? QColor(theme::kSlateDown) : pressed ? m_faceDown : m_hover ? m_faceHover : m_face;
        p.setBrush(fill);
        p.drawRoundedRect(body, theme::kButtonRadius, theme::kButtonRadius);
        if (!pressed && isEnabled()) {
            p.setClipRect(QRectF(body.left(), body.top(), body.width(), theme::kButtonRadius));
            p.setPen(QPen(QColor(255, 255, 255, 70), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(body.adjusted(0.5, 1, -0.5, 0), theme::kButtonRadius - 0.5, theme::kButtonRadius - 0.5);
            p.setClipping(false);
        }
        if (hasFocus()) {
            p.setPen(QPen(QColor(theme::kMarigold), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(body.adjusted(1, 1, -1, -1), theme::kButtonRadius - 1, theme::kButtonRadius - 1);
        }
        p.restore();
    } else if (m_flat) {
        if (m_drawBorder && (pressed || m_hover))
            qDrawShadeRect(&p, r, pal, pressed, 1);
    } else if (pressed) {
        p.setPen(pal.color(QPalette::Dark));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        qDrawWinButton(&p, r, pal, false);
    }

    QImage img = currentImage();
    const QString caption = text();
    QRect textRect = r.adjusted(3, 0, -3, 0);
    if (!img.isNull()) {
        if (!isEnabled()) {
            // Disabled: a faded grey version of the picture.
            img = img.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x) {
                    const int g = qGray(row[x]);
                    row[x] = qRgba(g, g, g, qAlpha(row[x]) / 2);
                }
            }
        }
        QSize s = img.size().boundedTo(r.size());
        if (s != img.size())
            s = img.size().scaled(r.size(), Qt::KeepAspectRatio);
        QPoint at;
        if (caption.isEmpty()) {
            at = QPoint((r.width() - s.width()) / 2, (r.height() - s.height()) / 2);
        } else {
            // Icon at the left, caption beside it.
            at = QPoint(4, (r.height() - s.height()) / 2);
            textRect.setLeft(at.x() + s.width() + 4);
        }
        if (pressed && !isCheckable()) {
            // Pressed: the picture sinks one pixel and darkens a little.
            at += QPoint(1, 1);
            img = img.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x)
                    row[x] = qRgba(qRed(row[x]) * 4 / 5, qGreen(row[x]) * 4 / 5, qBlue(row[x]) * 4 / 5, qAlpha(row[x]));
            }
        }
        p.drawImage(QRect(at, s), img);
    }
    if (!caption.isEmpty()) {
        p.setFont(font());
        p.setPen(isEnabled() ? m_colours[fgSlot] : pal.color(QPalette::Disabled, QPalette::ButtonText));
        p.drawText(pressed ? textRect.translated(1, 1) : textRect,
            (img.isNull() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextSingleLine, caption);
    }
    if (hasFocus() && !m_flat && !m_face.isValid()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}
