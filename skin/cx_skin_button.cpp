// CxSkinButton painting, shaping and mouse handling.
#include "skin/cx_skin_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

#include "skin/mask_region.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

CxSkinButton::CxSkinButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground, false);
    setFocusPolicy(Qt::StrongFocus);
    setFont(skin::theme::captionFont(13));
    m_textColour = QColor(skin::theme::kPaper);
    // Connected first, so every other receiver of clicked() sees the new check state. clicked()
    // only comes from a release over the button (or the keyboard), never from one outside.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_kind == CheckKind)
            SetCheck(!m_checked);
        else if (m_kind == RadioKind)
            SetCheck(true);
    });
}

void CxSkinButton::SetSkin(
    int normal, int down, int over, int disabled, int focus, int mask, int drawMode, int border, int focusMargin)
{
    using skin::SkinBitmap;
    SetSkinImages(SkinBitmap(normal), SkinBitmap(down), SkinBitmap(over), SkinBitmap(disabled), SkinBitmap(focus),
        SkinBitmap(mask), drawMode, border, focusMargin);
}

void CxSkinButton::SetSkinImages(const QImage& normal, const QImage& down, const QImage& over, const QImage& disabled,
    const QImage& focus, const QImage& mask, int drawMode, int border, int focusMargin)
{
    m_drawMode = drawMode > 1 ? 2 : drawMode < 0 ? 0 : drawMode;
    m_border = border;
    m_focusMargin = focusMargin < 0 ? 0 : focusMargin;
    m_mask = mask.isNull() ? QImage() : mask.convertToFormat(QImage::Format_RGB32);
    m_maskedCache.clear();
    m_bmNormal = normal;
    m_bmDown = down;
    m_bmOver = over;
    m_bmFocus = focus;
    m_bmDisabled = disabled.isNull() ? normal : disabled;
    if (!m_mask.isNull() && m_drawMode == DrawCopy)
        resize(m_mask.size());
    applyRegion();
    update();
}

void CxSkinButton::applyRegion()
{
    if (m_mask.isNull()) {
        m_region = QRegion();
        clearMask();
        return;
    }
    // A stretched skin is shaped by its stretched mask, so the shape always matches the picture.
    const QImage shape = m_drawMode == DrawStretch && size() != m_mask.size() && !size().isEmpty()
        ? m_mask.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
        : m_mask;
    m_region = skin::regionFromMask(shape, skin::kButtonMaskKey);
    // An empty QRegion would mean "no mask" to Qt; a region outside the widget hides it instead.
    setMask(m_region.isEmpty() ? QRegion(-1, -1, 1, 1) : m_region);
}

void CxSkinButton::resizeEvent(QResizeEvent* e)
{
    QAbstractButton::resizeEvent(e);
    if (m_drawMode == DrawStretch && !m_mask.isNull())
        applyRegion();
}

bool CxSkinButton::hitButton(const QPoint& pos) const
{
    if (!m_mask.isNull())
        return m_region.contains(pos);
    return rect().contains(pos);
}

QSize CxSkinButton::sizeHint() const
{
    if (!m_mask.isNull())
        return m_mask.size();
    if (!m_bmNormal.isNull())
        return m_bmNormal.size();
    return QSize(75, 23);
}

void CxSkinButton::SetTextColor(const QColor& colour)
{
    m_textColour = colour;
    update();
}

void CxSkinButton::SetCheck(bool checked)
{
    if (m_checked == checked)
        return;
    m_checked = checked;
    update();
}

const QImage& CxSkinButton::stateImage() const
{
    if (!isEnabled())
        return m_bmDisabled;
    if (isDown() || m_checked)
        return m_bmDown;
    if (m_over && !m_bmOver.isNull())
        return m_bmOver;
    if (hasFocus() && !m_bmFocus.isNull())
        return m_bmFocus;
    return m_bmNormal;
}

QImage CxSkinButton::masked(const QImage& img) const
{
    // The white parts of the mask show what lies behind the button.
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    const QImage m = m_mask.size() == img.size() ? m_mask : m_mask.scaled(img.size());
    for (int y = 0; y < out.height(); ++y) {
        QRgb* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        const QRgb* k = reinterpret_cast<const QRgb*>(m.constScanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((k[x] & 0xFFFFFF) == 0xFFFFFF)
                d[x] = 0;
        }
    }
    return out;
}

void CxSkinButton::drawSkinImage(QPainter& p, const QImage& src) const
{
    const QRect r = rect();
    if (src.isNull()) {
        p.fillRect(r, palette().button());
        return;
    }
    if (m_drawMode == DrawTile) {
        p.drawTiledPixmap(r, QPixmap::fromImage(src));
        return;
    }
    QImage img = src;
    if (!m_mask.isNull()) {
        auto it = m_maskedCache.constFind(src.cacheKey());
        if (it == m_maskedCache.constEnd() || it->size() != (m_drawMode == DrawStretch ? r.size() : src.size()))
            it = m_maskedCache.insert(src.cacheKey(), masked(m_drawMode == DrawStretch ? src.scaled(r.size()) : src));
        img = *it;
    }
    if (m_drawMode == DrawStretch)
        p.drawImage(r, img);
    else
        p.drawImage(0, 0, img);
}

void CxSkinButton::drawFocusRing(QPainter& p) const
{
    // The focus bitmap shows focus only in the plain state; hovered, pressed or checked buttons
    // and buttons without one get the theme's marigold ring, so focus never disappears.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(skin::theme::kMarigold), 2));
    const qreal radius = std::min<qreal>(skin::theme::kButtonRadius, std::min(width(), height()) / 2.0 - 1);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius, radius);
    p.restore();
}

void CxSkinButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    const bool sunk = isEnabled() && (isDown() || m_checked);
    const QImage& img = stateImage();
    if (img.isNull() && !m_bmNormal.isNull())
        drawSkinImage(p, m_bmNormal);
    else
        drawSkinImage(p, img);

    if (m_border)
        qDrawWinPanel(&p, r, palette(), sunk);

    const QString caption = text();
    const int inset = m_focusMargin + 2;
    QRect textRect = r.adjusted(inset, 0, -inset, 0);
    // A caption wider than the button is set a little smaller (down to 11 px) rather than cut.
    QFont f = font();
    while (f.pixelSize() > 11 && QFontMetrics(f).horizontalAdvance(caption) > textRect.width())
        f.setPixelSize(f.pixelSize() - 1);
    p.setFont(f);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (!isEnabled()) {
        const QPoint shift = m_checked ? QPoint(1, 1) : QPoint(0, 0);
        // Engraved: a dark line under the grey caption reads on the dark skin.
        p.setPen(QColor(0x14, 0x18, 0x2E));
        p.drawText(textRect.translated(shift), flags, caption);
        p.setPen(QColor(skin::theme::kMuted));
        p.drawText(textRect.translated(shift - QPoint(1, 1)), flags, caption);
        return;
    }
    if (sunk)
        textRect.translate(1, 1);
    else if (hasFocus() && m_focusMargin > 0) {
        QPen pen(QColor(skin::theme::kMarigold), 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(r.adjusted(m_focusMargin, m_focusMargin, -m_focusMargin - 1, -m_focusMargin - 1));
    }
    if (hasFocus() && &img != &m_bmFocus)
        drawFocusRing(p);
    p.setPen(m_textColour);
    p.drawText(textRect, flags, caption);
}

void CxSkinButton::mouseMoveEvent(QMouseEvent* e)
{
    if (m_pressed) {
        // While held, the pushed look follows the cursor.
        const bool inside = hitButton(e->position().toPoint());
        if (inside != isDown()) {
            setDown(inside);
            update();
        }
        return;
    }
    if (!m_over) {
        m_over = true;
        update();
    }
}

void CxSkinButton::leaveEvent(QEvent* e)
{
    m_over = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void CxSkinButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !hitButton(e->position().toPoint())) {
        e->ignore();
        return;
    }
    m_over = false; // hover tracking ends with the press
    QAbstractButton::mousePressEvent(e);
    m_pressed = true;
}

void CxSkinButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    mousePressEvent(e);
}

void CxSkinButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    m_pressed = false;
    QAbstractButton::mouseReleaseEvent(e);
    update();
}

void CxSkinButton::focusOutEvent(QFocusEvent* e)
{
    if (m_pressed) {
        m_pressed = false;
        setDown(false);
    }
    QAbstractButton::focusOutEvent(e);
}
