// SkComboBox (closed box) and ComboWindow (its popup list).
#include "skin/sk_combo_box.h"

#include <algorithm>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "platform/control_id.h"
#include "skin/sk_scroll_bar.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace {

/// Platforms without window translucency show the list at once instead of fading it in.
bool hasTranslucency()
{
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal") && p != QLatin1String("vnc");
}

} // namespace

// ---------------------------------------------------------------------------------- ComboWindow

ComboWindow::ComboWindow(SkComboBox* owner)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("SkComboWindowClass"));
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    // A press outside only closes the list; it is not replayed to what lies under it, so a
    // press on the box closes the list instead of opening it again.
    setAttribute(Qt::WA_NoMouseReplay, true);
    m_fade.setInterval(20);
    connect(&m_fade, &QTimer::timeout, this, &ComboWindow::fadeStep);
    m_scrollBar = new SkScrollBar(this);
    m_scrollBar->hide();
    connect(m_scrollBar, &SkScrollBar::positionPosted, this, &ComboWindow::scrollTo);
}

QSize ComboWindow::measure()
{
    const QFontMetrics fm(m_owner->font());
    const int count = m_owner->count();
    const int dropped = m_owner->droppedHeight();
    m_items.clear();
    m_visibleCount = 0;
    int s = 0, widest = 0, h = fm.height(), lastVisibleBottom = 0;
    for (int i = 0; i < count; ++i) {
        h = fm.height();
        widest = std::max(widest, fm.horizontalAdvance(m_owner->itemText(i)) + 3);
        m_items.append(QRect(QPoint(0, s + 3), QPoint(0, s + h + 5))); // bottom s + h + 6, exclusive
        if (s + 5 < dropped) {
            ++m_visibleCount;
            lastVisibleBottom = s + h + 6;
        }
        s += h + 4;
    }
    if (s + 6 <= dropped) {
        m_height = s + 5;
        m_needsScrollBar = false;
    } else {
        m_height = lastVisibleBottom;
        m_needsScrollBar = true;
    }
    if (m_visibleCount == 0)
        m_height = 24;
    m_width = std::max(m_owner->width(), widest + 10 + (m_needsScrollBar ? 10 : 0));
    const int right = m_width - 15 + (m_needsScrollBar ? 0 : 10);
    for (QRect& r : m_items) {
        r.setLeft(5);
        r.setRight(right - 1); // QRect's right is inclusive; the item spans x 5 .. right
    }
    m_rowHeight = h + 4;
    return QSize(m_width, m_height);
}

QPoint ComboWindow::placement(const QSize& size, const QRect& owner, const QRect& screen)
{
    QPoint at(owner.left(), owner.top() + 17);
    if (at.y() + size.height() > screen.bottom() + 1 - 50)
        at.setY(owner.top() - size.height());
    if (at.x() + size.width() > screen.right() + 1)
        at.setX(screen.right() + 1 - size.width());
    if (at.x() < screen.left())
        at.setX(screen.left());
    return at;
}

void ComboWindow::open()
{
    const QSize size = measure();
    QScreen* scr = m_owner->screen() ? m_owner->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = scr ? scr->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
    const QRect ownerGlobal(m_owner->mapToGlobal(QPoint(0, 0)), m_owner->size());
    setFixedSize(size);
    move(placement(size, ownerGlobal, screenRect));
    QPainterPath round;
    round.addRoundedRect(QRectF(0, 0, size.width(), size.height()), 5, 5);
    setMask(QRegion(round.toFillPolygon().toPolygon()));
    setFont(m_owner->font());

    if (m_needsScrollBar) {
        m_scrollBar->setGeometry(m_width - 13, 3, 10, m_height - 6);
        m_scrollBar->setColours(QColor(0xC8, 0xC8, 0xC8), QColor(0x14, 0x14, 0x14));
        m_scrollBar->setRange(int(m_items.size()) * 100, m_visibleCount * 100);
        m_scrollBar->setPosition(0);
        m_scrollBar->show();
    } else {
        m_scrollBar->hide();
    }
    m_scrollOffset = 0;
    m_moveGuard = 3;
    m_highlight = -1;
    m_pressedInside = false;
    m_open = true;
    if (hasTranslucency()) {
        m_fadeAlpha = 0;
        setWindowOpacity(0.0);
        m_fade.start();
    } else {
        m_fadeAlpha = 255;
        setWindowOpacity(1.0);
    }
    show();
}

void ComboWindow::fadeStep()
{
    if (m_fadeAlpha + 20 > 255) {
        m_fadeAlpha = 255;
        m_fade.stop();
    } else {
        m_fadeAlpha += 20;
    }
    setWindowOpacity(m_fadeAlpha / 255.0);
}

void ComboWindow::closeList()
{
    if (isVisible())
        hide();
    m_open = false;
    m_highlight = -1;
    m_fade.stop();
}

void ComboWindow::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    m_open = false;
    m_highlight = -1;
    m_fade.stop();
    m_owner->update();
}

void ComboWindow::setHighlighted(int index)
{
    if (index == m_highlight)
        return;
    const int old = m_highlight;
    m_highlight = index;
    repaintItem(old);
    repaintItem(index);
}

void ComboWindow::repaintItem(int index)
{
    if (index >= 0 && index < m_items.size())
        update(m_items[index].translated(0, -m_scrollOffset).adjusted(-1, -1, 1, 1));
}

int ComboWindow::itemAt(const QPoint& pos) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items[i].translated(0, -m_scrollOffset).contains(pos))
            return i;
    }
    return -1;
}

void ComboWindow::scrollTo(int hundredths)
{
    m_scrollOffset = int(qint64(m_rowHeight) * hundredths / 100);
    update();
}

void ComboWindow::scrollIntoView(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    const QRect r = m_items[index].translated(0, -m_scrollOffset);
    if (r.top() < 0)
        m_scrollOffset = index * m_rowHeight;
    else if (r.bottom() >= m_height)
        m_scrollOffset = std::max(0, m_rowHeight * (index - m_visibleCount + 1));
    else
        return;
    if (m_rowHeight > 0)
        m_scrollBar->setPosition(m_scrollOffset * 100 / m_rowHeight);
    update();
}

void ComboWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    const QImage& bg = m_owner->listBackground();
    if (bg.isNull())
        p.fillRect(all, QColor(skin::theme::kPaper));
    else
        p.drawTiledPixmap(all, QPixmap::fromImage(bg));
    const QColor c1 = m_owner->lineColour1(), c2 = m_owner->lineColour2();
    p.setPen(c1);
    p.drawLine(0, 0, all.right(), 0);
    p.drawLine(0, 0, 0, all.bottom());
    p.setPen(c2);
    p.drawLine(0, all.bottom(), all.right(), all.bottom());
    p.drawLine(all.right(), 0, all.right(), all.bottom());

    const int textRight = m_needsScrollBar ? m_width - 15 : m_width - 5;
    p.setClipRect(QRect(1, 1, all.width() - 2, all.height() - 2));
    p.setFont(font());
    for (int i = 0; i < m_items.size(); ++i) {
        const QRect r = m_items[i].translated(0, -m_scrollOffset);
        if (r.bottom() < 0 || r.top() > all.bottom())
            continue;
        if (i == m_highlight) {
            const QImage& hi = m_owner->highlightImage();
            if (hi.isNull())
                p.fillRect(r, QColor(skin::theme::kMarigold));
            else
                p.drawTiledPixmap(r, QPixmap::fromImage(hi));
            p.setPen(c1);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(c2);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        }
        p.setPen(m_owner->textColour());
        const QRect textRect(r.left() + 3, r.top() + 1, std::min(r.right(), textRight) - r.left() - 3, r.height() - 2);
        p.save();
        p.setClipRect(QRect(r.left(), r.top() + 1, textRight - r.left(), r.height() - 2), Qt::IntersectClip);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_owner->itemText(i));
        p.restore();
    }
}

void ComboWindow::mouseMoveEvent(QMouseEvent* e)
{
    if (m_moveGuard > 0) {
        --m_moveGuard;
        return;
    }
    const int i = itemAt(e->position().toPoint());
    if (i >= 0)
        setHighlighted(i);
}

void ComboWindow::mousePressEvent(QMouseEvent* e)
{
    if (!rect().contains(e->position().toPoint())) {
        closeList();
        return;
    }
    m_pressedInside = true;
    const int i = itemAt(e->position().toPoint());
    if (i >= 0) {
        closeList();
        m_owner->chooseItem(i);
    }
}

void ComboWindow::mouseReleaseEvent(QMouseEvent* e)
{
    // The release of the press that opened the list is not a choice.
    if (!m_pressedInside)
        return;
    const int i = itemAt(e->position().toPoint());
    if (i >= 0) {
        closeList();
        m_owner->chooseItem(i);
    }
}

void ComboWindow::keyPressEvent(QKeyEvent* e)
{
    const int count = int(m_items.size());
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_highlight >= 0) {
            const int chosen = m_highlight;
            closeList();
            m_owner->chooseItem(chosen);
        }
        return;
    case Qt::Key_Escape:
        closeList();
        m_owner->update();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (count == 0)
            return;
        int next;
        if (e->key() == Qt::Key_Down)
            next = m_highlight + 1 >= count ? 0 : m_highlight + 1;
        else
            next = m_highlight <= 0 ? count - 1 : m_highlight - 1;
        setHighlighted(next);
        m_moveGuard = 3;
        scrollIntoView(next);
        return;
    }
    default:
        return;
    }
}

// ---------------------------------------------------------------------------------- SkComboBox

SkComboBox::SkComboBox(QWidget* parent)
    : QComboBox(parent)
{
    const skin::SkinColours& colours = skin::skinColours();
    m_line1 = colours.line1;
    m_line2 = colours.line2;
    m_textColour = QColor(skin::theme::kInk);
    m_boxBg = skin::SkinBitmap(skin::kComboBox);
    m_arrow = skin::SkinBitmap(skin::kComboArrow);
    m_listBg = skin::SkinBitmap(skin::kComboList);
    m_highlightImg = skin::SkinBitmap(skin::kComboHighlight);
    setFont(skin::theme::captionFont(13));
    setFocusPolicy(Qt::StrongFocus);
    m_list = new ComboWindow(this);
}

SkComboBox::~SkComboBox() = default;

bool SkComboBox::isListOpen() const
{
    return m_list->isOpen();
}

void SkComboBox::showPopup()
{
    m_list->open();
}

void SkComboBox::hidePopup()
{
    m_list->closeList();
    update();
}

void SkComboBox::chooseItem(int index)
{
    if (index < 0 || index >= count())
        return;
    const int id = platform::controlId(this);
    QMetaObject::invokeMethod(
        this, [this, id] { emit selChange(id); }, Qt::QueuedConnection);
    if (index != currentIndex())
        setCurrentIndex(index);
    update();
}

void SkComboBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    if (!m_boxBg.isNull()) {
        p.drawImage(r, m_boxBg);
        // The bitmap's top-left pixel, stretched over both edge columns, closes the box cleanly.
        const QColor edge = QColor::fromRgb(m_boxBg.pixel(0, 0));
        p.fillRect(QRect(0, 0, 1, r.height()), edge);
        p.fillRect(QRect(r.right(), 0, 1, r.height()), edge);
    } else {
        p.fillRect(r, QColor(skin::theme::kPaper));
    }
    if (!m_arrow.isNull())
        p.drawImage(r.width() - m_arrow.width(), 0, m_arrow);
    if (currentIndex() >= 0) {
        p.setFont(font());
        p.setPen(isEnabled() ? m_textColour : QColor(skin::theme::kMuted));
        const QRect textRect(3, 2, std::max(0, r.width() - 19 - 3), std::min(17, r.height() - 2));
        p.setClipRect(textRect);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, currentText());
        p.setClipping(false);
    }
    if (hasFocus()) {
        p.setPen(QPen(QColor(skin::theme::kMarigold), 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void SkComboBox::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    if (m_list->isOpen())
        hidePopup();
    else
        showPopup();
}

void SkComboBox::mouseDoubleClickEvent(QMouseEvent* e)
{
    mousePressEvent(e);
}

void SkComboBox::mouseReleaseEvent(QMouseEvent*) { }
void SkComboBox::mouseMoveEvent(QMouseEvent*) { }
void SkComboBox::wheelEvent(QWheelEvent*) { }

void SkComboBox::keyPressEvent(QKeyEvent* e)
{
    const int n = count();
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        showPopup();
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (n > 0)
            chooseItem(currentIndex() <= 0 ? n - 1 : currentIndex() - 1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (n > 0)
            chooseItem(currentIndex() < 0 || currentIndex() >= n - 1 ? 0 : currentIndex() + 1);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        e->ignore();
        return;
    default:
        return; // swallowed, Escape included
    }
}

void SkComboBox::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    update();
}

void SkComboBox::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    // The list taking the keyboard is not a loss of focus; anything else closes it.
    if (e->reason() != Qt::PopupFocusReason && m_list->isOpen())
        m_list->closeList();
    update();
}
