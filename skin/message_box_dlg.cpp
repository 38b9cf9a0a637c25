// MessageBoxDlg: layout by the measured text, painting and results.
#include "skin/message_box_dlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/button_st.h"
#include "skin/sk_icon.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

using namespace platform;
namespace theme = skin::theme;

namespace {

unsigned iconBits(unsigned style)
{
    return style & 0x70;
}

unsigned buttonBits(unsigned style)
{
    return style & 0x0F;
}

void styleButton(CButtonST* b, bool primary)
{
    b->SetFlat(true);
    if (primary)
        b->SetFace(QColor(theme::kCoral), QColor(theme::kCoralOver), QColor(theme::kCoralDown));
    else
        b->SetFace(QColor(theme::kSlate), QColor(theme::kSlateOver), QColor(theme::kSlateDown));
    b->DrawTransparent(true);
    b->setFont(theme::captionFont(13, primary));
    b->SetColor(CButtonST::ColorFgIn, QColor(theme::kPaper));
    b->SetColor(CButtonST::ColorFgOut, QColor(theme::kPaper));
    b->SetColor(CButtonST::ColorFgFocus, QColor(theme::kPaper));
}

} // namespace

MessageBoxLayout MessageBoxLayout::compute(const QList<QSize>& lineSizes, unsigned style)
{
    MessageBoxLayout l;
    for (const QSize& s : lineSizes) {
        if (l.m < s.width())
            l.m = s.width() + 10;
        l.textHeight += s.height() + 1;
    }
    const int H = l.textHeight;
    const int w = l.m >= 120 ? l.m + 60 : 180;
    l.box = QSize(w, H + 102);
    l.icon = QRect(4, (H + 70) / 2, 32, 32);
    l.message = QRect(36, 50, l.m + 10, H + 2);
    l.close = QRect(w - 32, 5, 18, 18);
    l.caption = QRect(4, 5, 120, 16);
    l.twoButtons = (buttonBits(style) & MbYesNo) || buttonBits(style) == MbOkCancel;
    if (l.twoButtons) {
        l.first = QRect(w / 2 - 72, H + 62, 70, 20);
        l.second = QRect(w / 2 + 2, H + 62, 70, 20);
    } else {
        l.first = QRect(w / 2 - 35, H + 62, 70, 20);
    }
    return l;
}

MessageBoxDlg::MessageBoxDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    skin::prepareSkin();
    setAttribute(Qt::WA_TranslucentBackground, true);
    m_caption = new SkStatic(this);
    m_caption->setFont(theme::captionFont(13, true));
    m_message = new SkStatic(this);
    m_message->setFont(theme::captionFont(13));
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_icon = new SkIcon(this);
    m_first = new CButtonST(this);
    m_second = new CButtonST(this);
    m_close = new CButtonST(this);
    setControlId(m_caption, kCaptionId);
    setControlId(m_message, kMessageId);
    setControlId(m_icon, kIconId);
    setControlId(m_first, 1);
    setControlId(m_second, 2);
    setControlId(m_close, kCloseId);
    styleButton(m_first, true);
    styleButton(m_second, false);
    m_close->SetIcon(skin::kCloseNormal, skin::kCloseOver);
    m_close->SetFlat(true);
    m_close->DrawTransparent(true);
    m_close->SetColor(0, skin::fromColorRef(0x614231));
    m_close->SetColor(3, skin::fromColorRef(0x614231));
    m_close->SetColor(5, skin::fromColorRef(0x614231));
    m_close->SetColor(1, skin::fromColorRef(0x141414));
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->SetToolTipText(tr("Close"));

    connect(m_first, &QAbstractButton::clicked, this, [this] { finish(m_style & MbYesNo ? IdYes : IdOk); });
    connect(m_second, &QAbstractButton::clicked, this, [this] { finish(m_style & MbYesNo ? IdNo : IdCancel); });
    connect(m_close, &QAbstractButton::clicked, this, [this] { finish(m_style & MbYesNo ? IdNo : IdCancel); });
}

QString MessageBoxDlg::captionText() const
{
    return m_caption->text();
}

int MessageBoxDlg::iconId() const
{
    return m_icon->iconId();
}

void MessageBoxDlg::prepare(const QString& text, unsigned style, const QString& caption)
{
    m_style = style;
    m_result = IdCancel;

    QString title;
    int icon;
    switch (iconBits(style)) {
    case MbIconError:
        title = QStringLiteral("Error");
        icon = skin::kMsgError;
        break;
    case MbIconWarning:
        title = QStringLiteral("Warning");
        icon = skin::kMsgWarning;
        break;
    case MbIconQuestion:
        title = QStringLiteral("Question");
        icon = skin::kMsgQuestion;
        break;
    default:
        title = QStringLiteral("Information");
        icon = skin::kMsgInformation;
        break;
    }
    m_caption->setText(caption.isEmpty() ? title : caption);
    setWindowTitle(m_caption->text());
    m_icon->setIconId(icon);

    if (style & MbYesNo) {
        m_first->setText(QStringLiteral("Yes"));
        m_second->setText(QStringLiteral("No"));
        m_second->show();
    } else {
        m_first->setText(QStringLiteral("OK"));
        m_second->setText(QStringLiteral("Cancel"));
        m_second->setVisible(buttonBits(style) == MbOkCancel);
    }

    const QFontMetrics fm(m_message->font());
    QList<QSize> lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines.append(QSize(fm.horizontalAdvance(line), fm.height()));
    m_layout = MessageBoxLayout::compute(lines, style);
    m_message->setText(text);

    setFixedSize(m_layout.box);
    m_icon->setGeometry(m_layout.icon);
    m_message->setGeometry(m_layout.message);
    m_close->setGeometry(m_layout.close);
    m_caption->setGeometry(m_layout.caption);
    m_first->setGeometry(m_layout.first);
    m_second->setGeometry(m_layout.second.isNull() ? m_layout.first : m_layout.second);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(m_layout.box)), theme::kWindowRadius, theme::kWindowRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));

    // Placement: the caller's rectangle, else the visible parent's client area, else the screen.
    QRect area = m_placement;
    if (area.isNull()) {
        QWidget* p = parentWidget();
        if (p && p->isVisible())
            area = QRect(p->mapToGlobal(QPoint(0, 0)), p->size());
        else if (QScreen* s = QGuiApplication::primaryScreen())
            area = s->availableGeometry();
    }
    move(area.x() + (area.width() - m_layout.box.width()) / 2, area.y() + (area.height() - m_layout.box.height()) / 2);
    m_first->setFocus();
}

int MessageBoxDlg::ShowMessage(const QString& text, unsigned style, const QString& caption)
{
    prepare(text, style, caption);
    exec();
    return m_result;
}

void MessageBoxDlg::showNonBlocking(const QString& text, unsigned style, const QString& caption)
{
    prepare(text, style, caption);
    setModal(false);
    show();
}

void MessageBoxDlg::finish(int code)
{
    m_result = code;
    done(code);
}

void MessageBoxDlg::reject()
{
    // Escape answers like the close button.
    finish(m_style & MbYesNo ? IdNo : IdCancel);
}

void MessageBoxDlg::mousePressEvent(QMouseEvent* e)
{
    // The whole box is a caption: any press outside the controls drags it.
    if (e->button() == Qt::LeftButton) {
        if (QWindow* w = windowHandle())
            w->startSystemMove();
    }
}

void MessageBoxDlg::keyPressEvent(QKeyEvent* e)
{
    // Enter presses the focused answer button, the first one otherwise.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<CButtonST*>(focusWidget());
        (focused && focused != m_close ? focused : m_first)->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

void MessageBoxDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r(rect());
    QLinearGradient g(0, 0, 0, r.height());
    g.setColorAt(0, QColor(theme::kNight));
    g.setColorAt(1, QColor(theme::kNightLow));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, theme::kWindowRadius, theme::kWindowRadius);
    // Title band and its marigold hairline, as on every window of the booth.
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(r, theme::kWindowRadius, theme::kWindowRadius);
    p.setClipPath(clip);
    p.fillRect(QRectF(0, 0, r.width(), 27), QColor(0x17, 0x1B, 0x33));
    p.fillRect(QRectF(0, 27, r.width(), 1), QColor(theme::kMarigold));
    p.restore();
}
