// CButtonST: colour slots, hover and the check-box mode.
#include <gtest/gtest.h>

#include "skin/button_st.h"
#include "skin/skin_resources.h"
#include "tests/skin/skin_test_util.h"

using namespace skintest;

TEST(CButtonST, ColourSlotsHaveDefaultsAndRefuseIndexSix)
{
    CButtonST b;
    EXPECT_EQ(b.GetColor(3), QColor(0x50, 0x50, 0x50));
    EXPECT_EQ(b.SetColor(6, Qt::red), 3);
    EXPECT_EQ(b.SetColor(5, skin::fromColorRef(0x614231)), 0);
    EXPECT_EQ(b.GetColor(5), QColor(0x31, 0x42, 0x61));
}

TEST(CButtonST, HoverFollowsThePointer)
{
    QWidget host;
    CButtonST b(&host);
    b.SetIcon(skin::kCloseNormal, skin::kCloseOver);
    b.setGeometry(0, 0, 25, 25);
    host.show();
    move(&b, QPoint(12, 12));
    EXPECT_TRUE(b.isHovered());
    move(&b, QPoint(40, 40));
    EXPECT_FALSE(b.isHovered());
    move(&b, QPoint(12, 12));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
    EXPECT_FALSE(b.isHovered());
}

TEST(CButtonST, CheckBoxModeTogglesOnClick)
{
    QWidget host;
    CButtonST b(&host);
    b.SetCheckImages(skin::kCheckOff, skin::kCheckOn);
    b.setGeometry(0, 0, 80, 20);
    host.show();
    EXPECT_FALSE(b.GetCheck());
    click(&b, QPoint(5, 5));
    EXPECT_TRUE(b.GetCheck());
    const QImage on = b.grab().toImage();
    click(&b, QPoint(5, 5));
    EXPECT_FALSE(b.GetCheck());
    EXPECT_NE(on, b.grab().toImage());
}
