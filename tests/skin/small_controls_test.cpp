// The smaller skinned controls: scroll bar, transparent picture, popup menu.
#include <gtest/gtest.h>

#include <QImage>

#include "skin/quen_menu.h"
#include "skin/sk_scroll_bar.h"
#include "skin/transparent_pic.h"
#include "tests/skin/skin_test_util.h"

using namespace skintest;

TEST(SkScrollBar, PagesAndDragsWithinItsRangeAndPostsThePosition)
{
    QWidget host;
    SkScrollBar bar(&host);
    bar.setGeometry(0, 0, 10, 100);
    bar.setRange(1000, 400); // ten rows, four visible
    host.show();
    std::vector<int> posted;
    QObject::connect(&bar, &SkScrollBar::positionPosted, [&](int p) { posted.push_back(p); });

    EXPECT_EQ(bar.maximum(), 600);
    EXPECT_EQ(bar.thumbRect().height(), 40);
    click(&bar, QPoint(5, 90)); // below the thumb: one page down
    EXPECT_EQ(bar.position(), 400);
    EXPECT_TRUE(posted.empty()) << "posted, not sent";
    drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0], 400);
    click(&bar, QPoint(5, 95));
    EXPECT_EQ(bar.position(), 600); // clamped at the end

    // Drag the thumb to the top.
    const QRect t = bar.thumbRect();
    press(&bar, t.center());
    move(&bar, QPoint(5, t.center().y() - 200), true);
    release(&bar, QPoint(5, 0));
    EXPECT_EQ(bar.position(), 0);
    drain();
    EXPECT_EQ(posted.back(), 0);
    // Moving it from code posts nothing.
    posted.clear();
    bar.setPosition(300);
    drain();
    EXPECT_TRUE(posted.empty());
}

TEST(CTransparentPic, KeyColourBecomesSeeThrough)
{
    QImage pic(4, 2, QImage::Format_RGB32);
    pic.fill(Qt::black);
    pic.setPixel(1, 0, 0xFF00FF00);
    pic.setPixel(2, 1, 0xFF010000);
    CTransparentPic p;
    p.setPicture(pic, 0x000000);
    const QImage& k = p.keyedPicture();
    EXPECT_EQ(qAlpha(k.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(k.pixel(1, 0)), 255);
    EXPECT_EQ(qAlpha(k.pixel(2, 1)), 255) << "only the exact key colour is cut";
    p.setTransparentColor(0x00FF00);
    EXPECT_EQ(qAlpha(p.keyedPicture().pixel(1, 0)), 0);
    EXPECT_EQ(qAlpha(p.keyedPicture().pixel(0, 0)), 255);
}

TEST(CQuenMenu, ItemsCarryTheirCommandIds)
{
    CQuenMenu menu("Combination");
    QAction* copy = menu.AppendMenu("Copy", 32771);
    menu.addSeparator();
    QAction* all = menu.AppendMenu("Apply to all", 32776);
    EXPECT_EQ(CQuenMenu::commandId(copy), 32771);
    EXPECT_EQ(CQuenMenu::commandId(all), 32776);
    EXPECT_EQ(CQuenMenu::commandId(nullptr), 0);
    EXPECT_EQ(menu.actions().size(), 3);
}
