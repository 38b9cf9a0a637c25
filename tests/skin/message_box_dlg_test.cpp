// MessageBoxDlg: size rule, captions, icons, buttons and results.
#include <gtest/gtest.h>

#include "platform/prompts.h"
#include "skin/button_st.h"
#include "skin/message_box_dlg.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "tests/skin/skin_test_util.h"

using namespace platform;
using namespace skintest;

TEST(MessageBoxLayout, WidthFollowsTheWidestLine)
{
    // A short line: m stays below 120, the box is 180 wide.
    MessageBoxLayout shortLine = MessageBoxLayout::compute({ QSize(50, 15) }, MbOk);
    EXPECT_EQ(shortLine.m, 60);
    EXPECT_EQ(shortLine.box.width(), 180);
    // A single 200-pixel line: m = 210, box 270.
    MessageBoxLayout wide = MessageBoxLayout::compute({ QSize(200, 15) }, MbOk);
    EXPECT_EQ(wide.m, 210);
    EXPECT_EQ(wide.box, QSize(270, 15 + 1 + 102));
    // m only grows when a line is wider than m itself.
    MessageBoxLayout lines = MessageBoxLayout::compute({ QSize(150, 15), QSize(155, 15), QSize(170, 15) }, MbOk);
    EXPECT_EQ(lines.m, 180);
    EXPECT_EQ(lines.textHeight, 48);
}

TEST(MessageBoxLayout, ControlsSitWhereTheRuleSays)
{
    const MessageBoxLayout two = MessageBoxLayout::compute({ QSize(200, 15) }, MbYesNo);
    const int H = 16;
    EXPECT_EQ(two.icon, QRect(4, (H + 70) / 2, 32, 32));
    EXPECT_EQ(two.message, QRect(36, 50, 220, H + 2));
    EXPECT_EQ(two.close, QRect(270 - 32, 5, 18, 18));
    EXPECT_EQ(two.first, QRect(135 - 72, H + 62, 70, 20));
    EXPECT_EQ(two.second, QRect(135 + 2, H + 62, 70, 20));
    const MessageBoxLayout one = MessageBoxLayout::compute({ QSize(200, 15) }, MbOk | MbIconError);
    EXPECT_FALSE(one.twoButtons);
    EXPECT_EQ(one.first, QRect(135 - 35, H + 62, 70, 20));
}

TEST(MessageBoxDlg, ShortMessageGivesTheNarrowBox)
{
    MessageBoxDlg box;
    box.prepare("Done.", MbOk);
    EXPECT_EQ(box.width(), 180);
    EXPECT_EQ(box.resultCode(), IdCancel);
    EXPECT_EQ(box.captionText(), "Information");
    EXPECT_EQ(box.iconId(), skin::kMsgInformation);
    EXPECT_FALSE(box.secondButton()->isVisibleTo(&box));
    EXPECT_EQ(box.firstButton()->text(), "OK");
}

TEST(MessageBoxDlg, CaptionsAndIconsFollowTheStyle)
{
    MessageBoxDlg box;
    box.prepare("x", MbIconError);
    EXPECT_EQ(box.captionText(), "Error");
    EXPECT_EQ(box.iconId(), skin::kMsgError);
    box.prepare("x", MbIconWarning | MbOkCancel);
    EXPECT_EQ(box.captionText(), "Warning");
    EXPECT_EQ(box.iconId(), skin::kMsgWarning);
    EXPECT_EQ(box.secondButton()->text(), "Cancel");
    EXPECT_TRUE(box.secondButton()->isVisibleTo(&box));
    box.prepare("x", MbIconQuestion | MbYesNo, "Search image");
    EXPECT_EQ(box.captionText(), "Search image");
    EXPECT_EQ(box.iconId(), skin::kMsgQuestion);
    EXPECT_EQ(box.firstButton()->text(), "Yes");
    EXPECT_EQ(box.secondButton()->text(), "No");
}

TEST(MessageBoxDlg, MultiLineTextIsMeasuredLineByLine)
{
    MessageBoxDlg box;
    const QFontMetrics fm(box.messageControl()->font());
    const QString line1 = "Save the project before closing?";
    const QString line2 = "Unsaved slots are lost otherwise, every one of them.";
    box.prepare(line1 + "\n" + line2, MbYesNo);
    const int m = fm.horizontalAdvance(line2) + 10; // the second line is the wider
    ASSERT_GE(m, 120);
    EXPECT_EQ(box.width(), m + 60);
    EXPECT_EQ(box.height(), 2 * (fm.height() + 1) + 102);
}

TEST(MessageBoxDlg, ResultsByButton)
{
    const struct {
        unsigned style;
        int which; // 0 first, 1 second, 2 close
        int result;
    } cases[] = { { MbYesNo, 2, IdNo }, { MbYesNo, 0, IdYes }, { MbYesNo, 1, IdNo }, { MbOkCancel, 0, IdOk },
        { MbOkCancel, 1, IdCancel }, { MbOk, 2, IdCancel } };
    for (const auto& c : cases) {
        MessageBoxDlg box;
        int finished = -1;
        QObject::connect(&box, &QDialog::finished, [&](int r) { finished = r; });
        box.showNonBlocking("Question?", c.style | MbIconQuestion);
        CButtonST* b = c.which == 0 ? box.firstButton() : c.which == 1 ? box.secondButton() : box.closeButton();
        click(b, QPoint(b->width() / 2, b->height() / 2));
        EXPECT_EQ(box.resultCode(), c.result) << c.style << " " << c.which;
        EXPECT_EQ(finished, c.result);
        EXPECT_FALSE(box.isVisible());
    }
}

TEST(MessageBoxDlg, CentresOnThePlacementRectangle)
{
    MessageBoxDlg box;
    box.setPlacement(QRect(100, 200, 400, 300));
    box.prepare("Done.", MbOk);
    EXPECT_EQ(box.pos(), QPoint(100 + (400 - 180) / 2, 200 + (300 - box.height()) / 2));
}
