// DlgSecret: night-blue body with the title band, one hidden entry, OK and Cancel.
#include "app/dlg_secret.h"

#include <algorithm>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "skin/button_st.h"
#include "skin/sk_static.h"
#include "skin/skin_theme.h"

namespace theme = skin::theme;

namespace {

CButtonST* button(QWidget* parent, const QString& text, bool primary, QRect r)
{
    auto* b = new CButtonST(parent);
    if (primary)
        b->SetFace(QColor(theme::kCoral), QColor(theme::kCoralOver), QColor(theme::kCoralDown));
    else
        b->SetFace(QColor(theme::kSlate), QColor(theme::kSlateOver), QColor(theme::kSlateDown));
    b->DrawTransparent(true);
    for (int slot : { CButtonST::ColorFgIn, CButtonST::ColorFgOut, CButtonST::ColorFgFocus })
        b->SetColor(slot, QColor(theme::kPaper));
    b->setFont(theme::captionFont(13, primary));
    b->setText(text);
    b->setGeometry(r);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

} // namespace

DlgSecret::DlgSecret(const QString& title, const QString& label, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
    setWindowTitle(title);
    auto* caption = new SkStatic(title, this);
    caption->setFont(theme::captionFont(13, true));
    caption->setTextColor(QColor(theme::kPaper));
    caption->setGeometry(12, 5, 276, 18);
    auto* text = new SkStatic(label, this);
    text->setFont(theme::captionFont(13));
    text->setTextColor(QColor(theme::kPaper));
    text->setWordWrap(true);
    // A question that says why it is asked takes more lines: the dialog grows below them.
    const int textHeight = std::max(
        20, QFontMetrics(text->font()).boundingRect(QRect(0, 0, 268, 400), Qt::TextWordWrap, label).height());
    const int grow = textHeight - 20;
    setFixedSize(300, 150 + grow);
    text->setGeometry(16, 40, 268, textHeight);
    m_entry = new QLineEdit(this);
    m_entry->setEchoMode(QLineEdit::Password);
    m_entry->setMaxLength(32);
    m_entry->setGeometry(16, 66 + grow, 268, 26);
    m_entry->setFont(theme::captionFont(15));
    m_entry->setAccessibleName(label);
    m_entry->setStyleSheet(QStringLiteral("QLineEdit { background: #14182E; color: #F6F1E9; border: 1px solid "
                                          "rgba(255,255,255,28); border-radius: 4px; padding: 0 6px; }"
                                          "QLineEdit:focus { border: 2px solid #FFC857; }"));
    CButtonST* ok = button(this, QStringLiteral("O k"), true, QRect(76, 110 + grow, 70, 26));
    CButtonST* cancel = button(this, QStringLiteral("Cancel"), false, QRect(154, 110 + grow, 70, 26));
    ok->setAccessibleName(QStringLiteral("OK"));
    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_entry, &QLineEdit::returnPressed, this, &QDialog::accept);
    m_entry->setFocus();
}

std::optional<QString> DlgSecret::ask()
{
    // Placed by the program, also without a parent: a frameless window left to the window manager
    // may never learn where it went, and clicks and popups would miss it.
    if (parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
    else if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_entry->text();
}

void DlgSecret::paintEvent(QPaintEvent*)
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
    QPainterPath clip;
    clip.addRoundedRect(r, theme::kWindowRadius, theme::kWindowRadius);
    p.setClipPath(clip);
    p.fillRect(QRectF(0, 0, r.width(), 27), QColor(0x17, 0x1B, 0x33));
    p.fillRect(QRectF(0, 27, r.width(), 1), QColor(theme::kMarigold));
}
