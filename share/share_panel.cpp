// SharePanel painting: a paper card, the code on white at the left, the words at the right.
#include "share/share_panel.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextOption>

#include "skin/skin_theme.h"

namespace theme = skin::theme;

SharePanel::SharePanel(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Phone link"));
    setLink({});
}

void SharePanel::setLink(const QString& url)
{
    m_link = url;
    m_code = QrCode::encode(url.toUtf8());
    setAccessibleDescription(url.isEmpty() ? QStringLiteral("Nothing has been shared yet") : url);
    update();
}

void SharePanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(1, 1, -1, -3);
    theme::drawPaperCard(p, card);

    const int margin = 18;
    const int available = int(card.height()) - 2 * margin;
    QRect codeRect(int(card.left()) + margin, int(card.top()) + margin, available, available);
    m_codeSide = 0;
    if (!m_code.isNull()) {
        // Whole pixels per module keep the edges sharp for the scanner.
        const int module = std::max(kMinModule, available / m_code.sizeWithQuietZone());
        const QImage code = m_code.image(module);
        m_codeSide = code.width();
        codeRect = QRect(codeRect.topLeft() + QPoint(0, (available - code.height()) / 2), code.size());
        p.setRenderHint(QPainter::Antialiasing, false);
        p.drawImage(codeRect.topLeft(), code);
        p.setRenderHint(QPainter::Antialiasing);
    } else {
        QPen dash(QColor(theme::kMarigold), 2, Qt::DashLine);
        p.setPen(dash);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(codeRect).adjusted(1, 1, -1, -1), theme::kButtonRadius, theme::kButtonRadius);
        // A phone glyph in the empty place.
        const QRectF phone(codeRect.center().x() - 28, codeRect.center().y() - 48, 56, 96);
        p.setPen(QPen(QColor(theme::kMuted), 3));
        p.drawRoundedRect(phone, 8, 8);
        p.drawLine(
            QPointF(phone.center().x() - 8, phone.bottom() - 10), QPointF(phone.center().x() + 8, phone.bottom() - 10));
    }

    const int textLeft = codeRect.right() + 24;
    const QRectF text(textLeft, card.top() + margin + 4, card.right() - margin - textLeft, available - 8);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    p.setPen(QColor(theme::kInk));
    p.setFont(theme::captionFont(24, true));
    const QString title
        = m_link.isEmpty() ? QStringLiteral("Nothing shared yet") : QStringLiteral("Take your pictures home");
    QRectF used = p.boundingRect(text, title, wrap);
    p.drawText(text, title, wrap);
    qreal y = used.bottom() + 12;

    p.setFont(theme::captionFont(16));
    const QString body = m_link.isEmpty()
        ? QStringLiteral("When a sheet is shared, its code appears here for the guests to scan.")
        : QStringLiteral("Scan the code with your phone's camera, or open this address on a phone on the booth's "
                         "Wi-Fi:");
    QRectF bodyRect(text.left(), y, text.width(), text.bottom() - y);
    used = p.boundingRect(bodyRect, body, wrap);
    p.drawText(bodyRect, body, wrap);
    y = used.bottom() + 14;

    if (!m_link.isEmpty()) {
        // The address breaks anywhere: it has no spaces to break at.
        QTextOption anywhere;
        anywhere.setWrapMode(QTextOption::WrapAnywhere);
        QFont mono(QStringLiteral("Liberation Mono"));
        mono.setFamilies({ QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono") });
        mono.setPixelSize(17);
        mono.setBold(true);
        p.setFont(mono);
        QRectF urlRect(text.left(), y, text.width(), text.bottom() - y);
        used = p.boundingRect(urlRect, m_link, anywhere);
        // A marigold mark at the left ties the address to the code.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(theme::kMarigold));
        p.drawRoundedRect(QRectF(text.left() - 12, used.top(), 4, used.height()), 2, 2);
        p.setPen(QColor(theme::kInk));
        p.drawText(urlRect, m_link, anywhere);
        y = used.bottom() + 14;
        p.setFont(theme::captionFont(14));
        p.setPen(QColor(theme::kMuted).darker(130));
        p.drawText(QRectF(text.left(), y, text.width(), text.bottom() - y),
            QStringLiteral("The link opens this sheet only. No app or account needed."), wrap);
    }
}
