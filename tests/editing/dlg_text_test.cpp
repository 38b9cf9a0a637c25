// DlgText: opening from the record, the font and colour dialogs through the prompts seam,
// alignment, the background switch, thumb-only slider changes, the text limit, OK and Cancel.
#include "editing/dlg_text.h"

#include <QPlainTextEdit>
#include <QSlider>

#include <gtest/gtest.h>

#include "platform/control_id.h"
#include "skin/button_st.h"
#include "skin/sk_static.h"

namespace {

TextInfo start()
{
    TextInfo info;
    DefaultTextInfo(info);
    info.m_backOpacity = 0.35f;
    info.m_rounding = 25;
    return info;
}

template <typename T = QWidget> T* control(const DlgText& dlg, int id)
{
    T* w = platform::findControl<T>(&dlg, id);
    EXPECT_NE(w, nullptr) << id;
    return w;
}

bool checked(const DlgText& dlg, int id)
{
    return control<CButtonST>(dlg, id)->GetCheck();
}

} // namespace

TEST(DlgText, OpensFromTheRecord)
{
    TextInfo info = start();
    info.m_align = 7;
    info.m_smooth = 0;
    SetTextOf(info, QStringLiteral("one\ntwo"));
    platform::ScriptedPrompts prompts;
    DlgText dlg(info, prompts);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Place text to image"));
    auto* edit = control<QPlainTextEdit>(dlg, DlgText::kTextId);
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("one\ntwo"));
    EXPECT_EQ(edit->textCursor().selectedText().size(), 7); // all of it selected
    EXPECT_EQ(edit->font().pixelSize(), 36);
    EXPECT_TRUE(checked(dlg, DlgText::kCentredId));
    EXPECT_FALSE(checked(dlg, DlgText::kLeftId));
    EXPECT_FALSE(checked(dlg, DlgText::kRightId));
    EXPECT_EQ(dlg.result().m_align, 7) << "shown as centred, the record left as it is";
    EXPECT_TRUE(checked(dlg, DlgText::kBackgroundCheckId));
    EXPECT_FALSE(checked(dlg, DlgText::kAntialiasId));
    auto* opacity = control<QSlider>(dlg, DlgText::kOpacitySliderId);
    EXPECT_EQ(opacity->value(), 35);
    EXPECT_EQ(opacity->maximum(), 100);
    EXPECT_EQ(opacity->tickInterval(), 5);
    EXPECT_EQ(opacity->singleStep(), 10);
    EXPECT_EQ(opacity->pageStep(), 20);
    auto* rounding = control<QSlider>(dlg, DlgText::kRoundingSliderId);
    EXPECT_EQ(rounding->value(), 25);
    EXPECT_EQ(rounding->maximum(), 50);
    EXPECT_EQ(rounding->singleStep(), 5);
    EXPECT_EQ(rounding->pageStep(), 10);
    EXPECT_EQ(control<SkStatic>(dlg, DlgText::kOpacityLabelId)->text(), QStringLiteral("35%"));
    EXPECT_EQ(control<SkStatic>(dlg, DlgText::kRoundingLabelId)->text(), QStringLiteral("25%"));

    // Background controls start enabled even without a background.
    info.m_opaque = 0;
    DlgText plain(info, prompts);
    EXPECT_FALSE(checked(plain, DlgText::kBackgroundCheckId));
    EXPECT_TRUE(control<QSlider>(plain, DlgText::kOpacitySliderId)->isEnabled());
}

TEST(DlgText, FontAndColoursComeThroughThePrompts)
{
    platform::ScriptedPrompts prompts;
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPixelSize(22);
    chosen.setItalic(true);
    prompts.fontReply = chosen;
    prompts.colourReply = QColor(1, 2, 3); // also offered by the font dialog: not taken there
    const TextInfo info = start();
    DlgText dlg(info, prompts);
    control<CButtonST>(dlg, DlgText::kFontId)->click();
    EXPECT_EQ(dlg.result().m_font.m_height, -22);
    EXPECT_EQ(dlg.result().m_font.m_italic, 1);
    EXPECT_STREQ(dlg.result().m_font.m_faceName, "DejaVu Serif");
    EXPECT_EQ(dlg.result().m_textColour, info.m_textColour);
    EXPECT_EQ(control<QPlainTextEdit>(dlg, DlgText::kTextId)->font().pixelSize(), 22);

    control<CButtonST>(dlg, DlgText::kTextColourId)->click();
    EXPECT_EQ(dlg.result().m_textColour, 0x030201u);
    prompts.colourReply = QColor(0x10, 0x20, 0x30);
    control<CButtonST>(dlg, DlgText::kBackColourId)->click();
    EXPECT_EQ(dlg.result().m_backColour, 0x302010u);
    EXPECT_EQ(dlg.result().m_textColour, 0x030201u);

    // Cancelled dialogs change nothing.
    prompts.fontReply.reset();
    prompts.colourReply.reset();
    control<CButtonST>(dlg, DlgText::kFontId)->click();
    control<CButtonST>(dlg, DlgText::kBackColourId)->click();
    EXPECT_EQ(dlg.result().m_font.m_height, -22);
    EXPECT_EQ(dlg.result().m_backColour, 0x302010u);
}

TEST(DlgText, AlignmentAndBackgroundSwitch)
{
    platform::ScriptedPrompts prompts;
    DlgText dlg(start(), prompts);
    control<CButtonST>(dlg, DlgText::kRightId)->click();
    EXPECT_EQ(dlg.result().m_align, 2);
    EXPECT_TRUE(checked(dlg, DlgText::kRightId));
    EXPECT_FALSE(checked(dlg, DlgText::kCentredId));
    control<CButtonST>(dlg, DlgText::kRightId)->click(); // a second click keeps it chosen
    EXPECT_TRUE(checked(dlg, DlgText::kRightId));
    control<CButtonST>(dlg, DlgText::kLeftId)->click();
    EXPECT_EQ(dlg.result().m_align, 0);

    control<CButtonST>(dlg, DlgText::kBackgroundCheckId)->click();
    EXPECT_EQ(dlg.result().m_opaque, 0);
    for (int id : { int(DlgText::kBackColourId), int(DlgText::kOpacitySliderId), int(DlgText::kRoundingSliderId),
             int(DlgText::kOpacityLabelId), int(DlgText::kRoundingLabelId) })
        EXPECT_FALSE(control(dlg, id)->isEnabled()) << id;
    EXPECT_TRUE(control(dlg, DlgText::kTextColourId)->isEnabled());
    control<CButtonST>(dlg, DlgText::kBackgroundCheckId)->click();
    EXPECT_EQ(dlg.result().m_opaque, 1);
    EXPECT_TRUE(control(dlg, DlgText::kOpacitySliderId)->isEnabled());
    control<CButtonST>(dlg, DlgText::kAntialiasId)->click();
    EXPECT_EQ(dlg.result().m_smooth, 0);
}

TEST(DlgText, OnlyTheThumbChangesTheRecord)
{
    platform::ScriptedPrompts prompts;
    DlgText dlg(start(), prompts);
    auto* opacity = control<QSlider>(dlg, DlgText::kOpacitySliderId);
    opacity->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    opacity->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(opacity->value(), 65);
    EXPECT_FLOAT_EQ(dlg.result().m_backOpacity, 0.35f);
    EXPECT_EQ(control<SkStatic>(dlg, DlgText::kOpacityLabelId)->text(), QStringLiteral("35%"));

    opacity->setSliderDown(true);
    opacity->setSliderPosition(72);
    EXPECT_FLOAT_EQ(dlg.result().m_backOpacity, 0.72f);
    EXPECT_EQ(control<SkStatic>(dlg, DlgText::kOpacityLabelId)->text(), QStringLiteral("72%"));
    opacity->setSliderDown(false);

    auto* rounding = control<QSlider>(dlg, DlgText::kRoundingSliderId);
    rounding->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(dlg.result().m_rounding, 25);
    rounding->setSliderDown(true);
    rounding->setSliderPosition(41);
    rounding->setSliderDown(false);
    EXPECT_EQ(dlg.result().m_rounding, 41);
    EXPECT_EQ(control<SkStatic>(dlg, DlgText::kRoundingLabelId)->text(), QStringLiteral("41%"));
    EXPECT_EQ(DlgText::opacityLabel(0.005f), QStringLiteral("0%"));
}

TEST(DlgText, OkTakesTheTextAndChecksCancelEndsWithCancel)
{
    platform::ScriptedPrompts prompts;
    DlgText dlg(start(), prompts);
    auto* edit = control<QPlainTextEdit>(dlg, DlgText::kTextId);
    edit->setPlainText(QStringLiteral("Happy\nbirthday"));
    control<CButtonST>(dlg, DlgText::kAntialiasId)->SetCheck(false);
    control<CButtonST>(dlg, DlgText::kOkId)->click();
    EXPECT_EQ(dlg.QDialog::result(), DlgText::IdOk);
    EXPECT_STREQ(dlg.result().m_text, "Happy\rbirthday");
    EXPECT_EQ(dlg.result().m_smooth, 0);

    DlgText other(start(), prompts);
    control<CButtonST>(other, DlgText::kCancelId)->click();
    EXPECT_EQ(other.QDialog::result(), DlgText::IdCancel);
}

TEST(DlgText, TextIsKeptWithinTheRecord)
{
    platform::ScriptedPrompts prompts;
    DlgText dlg(start(), prompts);
    auto* edit = control<QPlainTextEdit>(dlg, DlgText::kTextId);
    edit->setPlainText(QString(5000, QLatin1Char('k')));
    EXPECT_EQ(edit->toPlainText().size(), TextInfo::kMaxTextBytes);
    edit->moveCursor(QTextCursor::End);
    edit->insertPlainText(QStringLiteral("more"));
    EXPECT_EQ(edit->toPlainText().size(), TextInfo::kMaxTextBytes);
    control<CButtonST>(dlg, DlgText::kOkId)->click();
    EXPECT_EQ(TextOf(dlg.result()).size(), TextInfo::kMaxTextBytes);
}
