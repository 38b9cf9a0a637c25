// ShareCard: laying out and painting the link's code and address, and when the card goes.
#include "booth/share_card.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QTextOption>

#include "booth/booth.h"
#include "booth/guest_view.h"
#include "share/qr_code.h"
#include "skin/notice_banner.h"
#include "skin/skin_theme.h"

namespace theme = skin::theme;

namespace {

constexpr int kMargin = 18;
constexpr int kGap = 14;
/// The address beside the code needs at least this width to stay readable.
constexpr int kMinTextWidth = 88;
/// Rows above the code (title and the line under it) and below it (the footer).
constexpr int kHeadHeight = 62;
constexpr int kFootHeight = 44;

QFont addressFont()
{
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setFamilies({ QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono") });
    mono.setPixelSize(13);
    mono.setBold(true);
    return mono;
}

} // namespace

ShareCard::ShareCard(Booth& booth, QWidget* screen)
    : QWidget(screen)
    , m_booth(booth)
{
    setGeometry(kPlace);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Phone link"));
    hide();
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &ShareCard::dismiss);

    connect(&booth.share(), &BoothShare::linkReady, this, &ShareCard::showLink);
    connect(&booth.share(), &BoothShare::offeredChanged, this, [this](bool offered) {
        if (!offered)
            dismiss();
    });
    // The next shot: its countdown (or, without one, its flash) takes the guests' eyes.
    BoothShooting& shooting = booth.shooting();
    connect(&shooting, &BoothShooting::countdownChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            dismiss();
    });
    connect(&shooting, &BoothShooting::guestCountdown, this, &ShareCard::dismiss);
    connect(&shooting, &BoothShooting::guestFlash, this, &ShareCard::dismiss);
}

void ShareCard::showLink(const QString& url)
{
    if (url.isEmpty() || m_booth.shooting().isShooting())
        return;
    if (url != m_link) {
        m_link = url;
        layOut();
    }
    if (m_codeSide == 0)
        return; // too long for a code: never the case for the booth's own links
    setAccessibleDescription(url);
    m_timeout.start(m_timeoutMs);
    if (!isVisible())
        qApp->installEventFilter(this);
    // Over the slots (which are made again with each layout), under the guests' view of a shot
    // and the banner's notices.
    raise();
    if (QWidget* screen = parentWidget()) {
        for (GuestView* guests : screen->findChildren<GuestView*>(Qt::FindDirectChildrenOnly))
            guests->raise();
        for (NoticeBanner* banner : screen->findChildren<NoticeBanner*>(Qt::FindDirectChildrenOnly))
            banner->raise();
    }
    show();
    update();
}

void ShareCard::dismiss()
{
    m_timeout.stop();
    if (!isVisible())
        return;
    qApp->removeEventFilter(this);
    hide();
}

bool ShareCard::eventFilter(QObject* watched, QEvent* event)
{
    // The next touch anywhere closes the card; the touch itself still does what it does.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        dismiss();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ShareCard::layOut()
{
    m_modules = QPainterPath();
    m_codeRect = QRect();
    m_codeSide = 0;
    const QrCode code = QrCode::encode(m_link.toUtf8());
    if (code.isNull())
        return;
    const int q = code.sizeWithQuietZone();
    const int byHeight = height() - kHeadHeight - kFootHeight - 2 * kMargin;
    const int byWidth = width() - 2 * kMargin - kGap - kMinTextWidth;
    // Whole pixels per module keep the edges sharp for the scanner.
    const int module = std::max(2, std::min(byHeight, byWidth) / q);
    m_codeSide = module * q;
    m_codeRect = QRect(kMargin, kMargin + kHeadHeight, m_codeSide, m_codeSide);
    m_modules = code.darkPath(m_codeRect.topLeft(), module);
}

void ShareCard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(1, 1, -1, -3);
    theme::drawPaperCard(p, card);
    // A marigold band along the top says this card is new, not part of the sheet.
    p.setBrush(QColor(theme::kMarigold));
    p.drawRoundedRect(QRectF(card.left() + kMargin, card.top() + 8, 48, 4), 2, 2);

    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    const qreal full = width() - 2 * kMargin;
    p.setPen(QColor(theme::kInk));
    p.setFont(theme::captionFont(22, true));
    p.drawText(QRectF(kMargin, kMargin, full, 30), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Take your pictures home"));
    p.setFont(theme::captionFont(15));
    p.drawText(QRectF(kMargin, kMargin + 30, full, 24), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Scan the code with your phone's camera."));

    if (!m_codeRect.isEmpty()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(m_codeRect, Qt::white);
        p.fillPath(m_modules, Qt::black);
        p.setRenderHint(QPainter::Antialiasing);
    }

    // Beside the code: the address, for a phone that cannot scan.
    const qreal left = m_codeRect.right() + 1 + kGap;
    const QRectF column(left, m_codeRect.top(), width() - kMargin - left, m_codeRect.height());
    p.setFont(theme::captionFont(13));
    p.setPen(QColor(theme::kInk));
    const QString intro = QStringLiteral("Or open this address on a phone on the booth's Wi-Fi:");
    QRectF used = p.boundingRect(column, intro, wrap);
    p.drawText(column, intro, wrap);
    QTextOption anywhere;
    anywhere.setWrapMode(QTextOption::WrapAnywhere);
    p.setFont(addressFont());
    const QRectF address(
        column.left() + 8, used.bottom() + 10, column.width() - 8, column.bottom() - used.bottom() - 10);
    used = p.boundingRect(address, m_link, anywhere);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(theme::kMarigold));
    p.drawRoundedRect(QRectF(column.left(), used.top(), 4, used.height()), 2, 2);
    p.setPen(QColor(theme::kInk));
    p.drawText(address, m_link, anywhere);

    p.setFont(theme::captionFont(13));
    p.setPen(QColor(theme::kMuted).darker(130));
    const qreal footTop = m_codeRect.bottom() + 1 + 12;
    p.drawText(QRectF(kMargin, footTop, full, height() - kMargin - footTop),
        QStringLiteral("The link opens this sheet only; no app or account needed. Touch the screen to close."), wrap);
}
