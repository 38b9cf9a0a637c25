// DlgText: the text tool's dialog.
#include "editing/dlg_text.h"

#include <cmath>

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextCursor>

#include "platform/control_id.h"
#include "skin/button_st.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace {

using namespace skin;

uint32_t colorRefOf(const QColor& c)
{
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

CButtonST* iconButton(QWidget* parent, int id, int icon, const QString& text, QRect r, bool primary = false)
{
    auto* b = new CButtonST(parent);
    b->SetIcon(icon);
    b->setText(text);
    b->setFont(theme::captionFont(13, primary));
    if (primary)
        b->SetFace(QColor(theme::kCoral), QColor(theme::kCoralOver), QColor(theme::kCoralDown));
    else
        b->SetFace(QColor(theme::kSlate), QColor(theme::kSlateOver), QColor(theme::kSlateDown));
    for (int slot : { CButtonST::ColorFgIn, CButtonST::ColorFgOut, CButtonST::ColorFgFocus })
        b->SetColor(slot, QColor(theme::kPaper));
    b->setGeometry(r);
    platform::setControlId(b, id);
    return b;
}

CButtonST* choiceButton(QWidget* parent, int id, const QString& text, bool round, QRect r)
{
    auto* b = new CButtonST(parent);
    b->SetCheckImages(round ? kRadioOff : kCheckOff, round ? kRadioOn : kCheckOn);
    b->DrawTransparent(true);
    b->setText(text);
    b->setFont(theme::captionFont(13));
    for (int slot : { CButtonST::ColorFgIn, CButtonST::ColorFgOut, CButtonST::ColorFgFocus })
        b->SetColor(slot, QColor(theme::kPaper));
    b->setGeometry(r);
    platform::setControlId(b, id);
    return b;
}

SkStatic* label(QWidget* parent, int id, const QString& text, QRect r)
{
    auto* l = new SkStatic(text, parent);
    l->setTextColor(QColor(theme::kPaper));
    l->setFont(theme::captionFont(13));
    l->setGeometry(r);
    if (id)
        platform::setControlId(l, id);
    return l;
}

QSlider* slider(QWidget* parent, int id, int maximum, int lineStep, int pageStep, QRect r)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(0, maximum);
    s->setTickPosition(QSlider::TicksBothSides);
    s->setTickInterval(5);
    s->setSingleStep(lineStep);
    s->setPageStep(pageStep);
    s->setGeometry(r);
    s->setStyleSheet(QStringLiteral(
        "QSlider::groove:horizontal { height: 6px; background: #3C4475; border-radius: 3px; }"
        "QSlider::sub-page:horizontal { background: #FFC857; border-radius: 3px; }"
        "QSlider::handle:horizontal { width: 14px; margin: -5px 0; background: #F6F1E9; border-radius: 7px; }"
        "QSlider::handle:horizontal:disabled { background: #8A8FA8; }"
        "QSlider::sub-page:horizontal:disabled { background: #8A8FA8; }"));
    platform::setControlId(s, id);
    return s;
}

} // namespace

DlgText::DlgText(const TextInfo& info, platform::Prompts& prompts, QWidget* parent)
    : SkinDialog(parent)
    , m_info(info)
    , m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Place text to image"));
    setSkinBackground(kTextBackground, QSize(420, 340));

    m_edit = new QPlainTextEdit(this);
    m_edit->setGeometry(14, 38, 392, 92);
    m_edit->setFrameShape(QFrame::NoFrame);
    platform::setControlId(m_edit, kTextId);

    auto* font = iconButton(this, kFontId, kIconFont, QStringLiteral("Font"), QRect(14, 140, 84, 26));
    auto* textColour
        = iconButton(this, kTextColourId, kIconColour, QStringLiteral("Color..."), QRect(106, 140, 96, 26));
    m_align[0] = choiceButton(this, kLeftId, QStringLiteral("to left"), true, QRect(14, 176, 84, 22));
    m_align[1] = choiceButton(this, kCentredId, QStringLiteral("centered"), true, QRect(106, 176, 96, 22));
    m_align[2] = choiceButton(this, kRightId, QStringLiteral("to right"), true, QRect(214, 176, 90, 22));

    m_background
        = choiceButton(this, kBackgroundCheckId, QStringLiteral("Text has background"), false, QRect(14, 210, 168, 22));
    auto* backColour
        = iconButton(this, kBackColourId, kIconColour, QStringLiteral("Color..."), QRect(186, 208, 96, 26));
    m_antialias = choiceButton(this, kAntialiasId, QStringLiteral("Antialias"), false, QRect(306, 142, 100, 22));

    label(this, 0, QStringLiteral("Opacity"), QRect(14, 248, 72, 20));
    m_opacity = slider(this, kOpacitySliderId, 100, 10, 20, QRect(90, 242, 250, 30));
    m_opacityLabel = label(this, kOpacityLabelId, QString(), QRect(350, 248, 56, 20));
    label(this, 0, QStringLiteral("Rounding"), QRect(14, 276, 72, 20));
    m_rounding = slider(this, kRoundingSliderId, 50, 5, 10, QRect(90, 270, 250, 30));
    m_roundingLabel = label(this, kRoundingLabelId, QString(), QRect(350, 276, 56, 20));

    auto* ok = iconButton(this, kOkId, kIconOk, QStringLiteral("OK"), QRect(226, 304, 86, 28), true);
    auto* cancel = iconButton(this, kCancelId, kIconCancel, QStringLiteral("Cancel"), QRect(320, 304, 86, 28));

    // Opening: check boxes, font and text, alignment, sliders.
    m_background->SetCheck(m_info.m_opaque != 0);
    m_antialias->SetCheck(m_info.m_smooth != 0);
    m_edit->setFont(FontOfTextInfo(m_info));
    m_edit->setPlainText(TextOf(m_info));
    m_edit->selectAll();
    m_edit->ensureCursorVisible();
    applyEditColours();
    // An unknown alignment shows as centred but stays in the record until the user picks one;
    // drawing the text corrects it.
    showAlignment(m_info.m_align == 0 || m_info.m_align == 2 ? m_info.m_align : 1);
    m_opacity->setValue(int(std::lround(m_info.m_backOpacity * 100.0f)));
    m_opacityLabel->setText(opacityLabel(m_info.m_backOpacity));
    m_rounding->setValue(m_info.m_rounding);
    m_roundingLabel->setText(roundingLabel(m_info.m_rounding));

    connect(font, &QAbstractButton::clicked, this, [this] { chooseFont(); });
    connect(textColour, &QAbstractButton::clicked, this, [this] { chooseColour(m_info.m_textColour); });
    connect(backColour, &QAbstractButton::clicked, this, [this] { chooseColour(m_info.m_backColour); });
    for (int a = 0; a < 3; ++a)
        connect(m_align[a], &QAbstractButton::clicked, this, [this, a] { setAlignment(a); });
    connect(m_background, &QAbstractButton::clicked, this, [this] { onBackgroundToggled(m_background->GetCheck()); });
    connect(
        m_antialias, &QAbstractButton::clicked, this, [this] { m_info.m_smooth = m_antialias->GetCheck() ? 1 : 0; });
    // Only the thumb, dragged or released, changes the record; key and page steps do not.
    connect(m_opacity, &QSlider::sliderMoved, this, [this](int p) { takeOpacity(p); });
    connect(m_opacity, &QSlider::sliderReleased, this, [this] { takeOpacity(m_opacity->sliderPosition()); });
    connect(m_rounding, &QSlider::sliderMoved, this, [this](int p) { takeRounding(p); });
    connect(m_rounding, &QSlider::sliderReleased, this, [this] { takeRounding(m_rounding->sliderPosition()); });
    connect(m_edit, &QPlainTextEdit::textChanged, this, [this] { keepTextWithinRecord(); });
    connect(ok, &QAbstractButton::clicked, this, &DlgText::accept);
    connect(cancel, &QAbstractButton::clicked, this, &DlgText::reject);
}

QString DlgText::opacityLabel(float opacity)
{
    return QString::asprintf("%.0f%%", double(opacity) * 100.0);
}

QString DlgText::roundingLabel(int rounding)
{
    return QString::asprintf("%d%%", rounding);
}

void DlgText::accept()
{
    SetTextOf(m_info, m_edit->toPlainText());
    m_info.m_opaque = m_background->GetCheck() ? 1 : 0;
    m_info.m_smooth = m_antialias->GetCheck() ? 1 : 0;
    done(IdOk);
}

void DlgText::reject()
{
    done(IdCancel);
}

void DlgText::chooseFont()
{
    QColor shown = fromColorRef(m_info.m_textColour); // shown, never taken back
    const std::optional<QFont> chosen = m_prompts.pickFont(this, FontOfTextInfo(m_info), &shown);
    if (!chosen)
        return;
    SetFontOfTextInfo(m_info, *chosen);
    m_edit->setFont(FontOfTextInfo(m_info));
}

void DlgText::chooseColour(uint32_t& colour)
{
    const std::optional<QColor> chosen = m_prompts.pickColour(this, fromColorRef(colour));
    if (!chosen || !chosen->isValid())
        return;
    colour = colorRefOf(*chosen);
    applyEditColours();
}

void DlgText::setAlignment(int align)
{
    m_info.m_align = align;
    showAlignment(align);
}

void DlgText::showAlignment(int align)
{
    for (int a = 0; a < 3; ++a)
        m_align[a]->SetCheck(a == align);
}

void DlgText::onBackgroundToggled(bool on)
{
    m_info.m_opaque = on ? 1 : 0;
    for (QWidget* w : std::initializer_list<QWidget*> {
             platform::findControl(this, kBackColourId), m_opacity, m_rounding, m_opacityLabel, m_roundingLabel })
        w->setEnabled(on);
}

void DlgText::keepTextWithinRecord()
{
    const QString text = m_edit->toPlainText();
    const QString fitted = FitRecordText(text);
    if (fitted.size() == text.size())
        return;
    // Pasting past the record's capacity keeps what fits; the caret goes to the end of it.
    const QSignalBlocker block(m_edit);
    m_edit->setPlainText(fitted);
    m_edit->moveCursor(QTextCursor::End);
}

void DlgText::applyEditColours()
{
    const QColor fg = fromColorRef(m_info.m_textColour);
    const QColor bg = fromColorRef(m_info.m_backColour);
    m_edit->setStyleSheet(
        QStringLiteral("QPlainTextEdit { color: %1; background: %2; border-radius: 6px; }").arg(fg.name(), bg.name()));
}

void DlgText::takeOpacity(int position)
{
    m_info.m_backOpacity = float(position) * 0.01f;
    m_opacityLabel->setText(opacityLabel(m_info.m_backOpacity));
}

void DlgText::takeRounding(int position)
{
    m_info.m_rounding = uint8_t(position);
    m_roundingLabel->setText(roundingLabel(m_info.m_rounding));
}
