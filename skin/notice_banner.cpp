// NoticeBanner: rows of paper-coloured notes with a marigold or slate badge, stacked upwards.
#include "skin/notice_banner.h"

#include <cstdio>

#include <QAccessible>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "skin/skin_theme.h"

namespace theme = skin::theme;

namespace {

constexpr int kPad = 8;
constexpr int kBadge = 22;
constexpr int kClose = 18;
constexpr int kGap = 4;
constexpr int kMinRow = 38;

int textWidth(int rowWidth)
{
    return rowWidth - 3 * kPad - kBadge - kClose - kPad;
}

int rowHeight(const QString& text, int rowWidth)
{
    const QFontMetrics fm(theme::captionFont(13));
    const QRect r = fm.boundingRect(QRect(0, 0, textWidth(rowWidth), 10000), Qt::TextWordWrap, text);
    return std::max(kMinRow, r.height() + 2 * kPad);
}

} // namespace

NoticeBanner::NoticeBanner(const QRect& area, QWidget* parent)
    : QWidget(parent)
    , m_area(area)
{
    setAccessibleName(QStringLiteral("Notice"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &NoticeBanner::expire);
    hide();
}

void NoticeBanner::post(const QString& key, const QString& text, Kind kind, int timeoutMs)
{
    std::fprintf(stderr, "corvantis: %s\n", qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    withdraw(key);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_notices.prepend({ key, text, kind, timeoutMs > 0 ? now + timeoutMs : 0 });
    relayout();
}

void NoticeBanner::withdraw(const QString& key)
{
    for (qsizetype i = 0; i < m_notices.size(); ++i) {
        if (m_notices[i].key == key) {
            m_notices.removeAt(i);
            relayout();
            return;
        }
    }
}

bool NoticeBanner::has(const QString& key) const
{
    return std::any_of(m_notices.begin(), m_notices.end(), [&](const Notice& n) { return n.key == key; });
}

QString NoticeBanner::text(const QString& key) const
{
    for (const Notice& n : m_notices)
        if (n.key == key)
            return n.text;
    return {};
}

QStringList NoticeBanner::texts() const
{
    QStringList all;
    for (const Notice& n : m_notices)
        all.append(n.text);
    return all;
}

QList<QRect> NoticeBanner::noticeRects() const
{
    // Newest at the bottom edge, older ones above it.
    QList<QRect> rects;
    int bottom = height();
    for (qsizetype i = 0; i < std::min<qsizetype>(m_notices.size(), kShownAtOnce); ++i) {
        const int h = rowHeight(m_notices[i].text, width());
        rects.append(QRect(0, bottom - h, width(), h));
        bottom -= h + kGap;
    }
    return rects;
}

QRect NoticeBanner::closeBox(int i) const
{
    const QList<QRect> rects = noticeRects();
    if (i < 0 || i >= rects.size())
        return {};
    const QRect& r = rects[i];
    return QRect(r.right() - kPad - kClose, r.top() + kPad - 2, kClose, kClose);
}

void NoticeBanner::relayout()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 next = 0;
    for (const Notice& n : m_notices)
        if (n.expires > 0 && (next == 0 || n.expires < next))
            next = n.expires;
    if (next > 0)
        m_timer.start(int(std::clamp<qint64>(next - now, 0, 24 * 3600 * 1000)));
    else
        m_timer.stop();

    int h = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(m_notices.size(), kShownAtOnce); ++i)
        h += (i ? kGap : 0) + rowHeight(m_notices[i].text, m_area.width());
    h = std::min(h, m_area.height());
    setGeometry(m_area.left(), m_area.bottom() + 1 - h, m_area.width(), h);
    setVisible(!m_notices.isEmpty());
    if (!m_notices.isEmpty())
        raise();
    setAccessibleDescription(texts().join(QLatin1Char('\n')));
    if (QAccessible::isActive()) {
        QAccessibleEvent e(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&e);
    }
    update();
    emit changed();
}

void NoticeBanner::expire()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_notices.removeIf([now](const Notice& n) { return n.expires > 0 && n.expires <= now; });
    relayout();
}

void NoticeBanner::mouseReleaseEvent(QMouseEvent* e)
{
    const QList<QRect> rects = noticeRects();
    for (int i = 0; i < int(rects.size()); ++i) {
        // The whole note closes on a release over its box; elsewhere a press does nothing.
        if (closeBox(i).adjusted(-6, -6, 6, 6).contains(e->position().toPoint())) {
            m_notices.removeAt(i);
            relayout();
            return;
        }
    }
}

void NoticeBanner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QList<QRect> rects = noticeRects();
    for (int i = 0; i < int(rects.size()); ++i) {
        const Notice& n = m_notices[i];
        const QRectF r = QRectF(rects[i]).adjusted(0.5, 0.5, -0.5, -2.5);
        QPainterPath body;
        body.addRoundedRect(r, theme::kButtonRadius, theme::kButtonRadius);
        p.fillPath(body.translated(0, 2), QColor::fromRgba(theme::kShadow));
        p.fillPath(body, QColor(theme::kPaper));
        // A warning carries a marigold edge and a "!" badge, so it does not rest on colour alone.
        const QColor badge = n.kind == Warning ? QColor(theme::kMarigold) : QColor(theme::kSlate);
        if (n.kind == Warning) {
            QPainterPath edge;
            edge.addRoundedRect(QRectF(r.left(), r.top(), 6, r.height()), 3, 3);
            p.fillPath(edge, badge);
        }
        const QRectF badgeRect(r.left() + kPad + 4, r.top() + kPad - 2, kBadge, kBadge);
        p.setPen(Qt::NoPen);
        p.setBrush(badge);
        p.drawEllipse(badgeRect);
        p.setPen(n.kind == Warning ? QColor(theme::kInk) : QColor(theme::kPaper));
        p.setFont(theme::captionFont(15, true));
        p.drawText(badgeRect, Qt::AlignCenter, n.kind == Warning ? QStringLiteral("!") : QStringLiteral("i"));

        p.setPen(QColor(theme::kInk));
        p.setFont(theme::captionFont(13));
        const QRectF textRect(badgeRect.right() + kPad, r.top() + kPad - 1, textWidth(width()), r.height() - 2 * kPad);
        p.drawText(textRect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, n.text);

        const QRectF close = QRectF(closeBox(i)).adjusted(4, 4, -4, -4);
        p.setPen(QPen(QColor(theme::kMuted), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(close.topLeft(), close.bottomRight());
        p.drawLine(close.topRight(), close.bottomLeft());
    }
}
