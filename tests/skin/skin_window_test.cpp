// Shaped skinned windows: shape from the background, size, and the drag band.
#include <gtest/gtest.h>

#include "skin/mask_region.h"
#include "skin/skin_resources.h"
#include "skin/skin_window.h"
#include "tests/skin/skin_test_util.h"

using namespace skintest;

TEST(SkinWindow, TakesSizeAndShapeFromItsBackground)
{
    skin::SkinDialog d;
    d.setSkinBackground(skin::kEffectBackground);
    EXPECT_EQ(d.size(), QSize(420, 400));
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(d.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(d.mask().contains(QPoint(210, 200)));
    EXPECT_EQ(d.mask(), skin::regionFromMask(skin::SkinBitmap(skin::kEffectBackground), skin::kWindowShapeKey));
}

TEST(SkinWindow, OnlyTheTopBandDrags)
{
    skin::SkinDialog d;
    d.setSkinBackground(skin::kMixerBackground);
    d.show();
    press(&d, QPoint(200, 10));
    EXPECT_TRUE(d.windowSkin()->lastPressDragged());
    release(&d, QPoint(200, 10));
    press(&d, QPoint(200, 29));
    EXPECT_FALSE(d.windowSkin()->lastPressDragged());
    release(&d, QPoint(200, 29));
}

TEST(SkinWindow, PaintsTheBackgroundOverTheClientArea)
{
    skin::SkinDialog d;
    d.setSkinBackground(skin::kConfigureBackground);
    const QImage shot = d.grab().toImage();
    const QImage bg = skin::SkinBitmap(skin::kConfigureBackground);
    EXPECT_EQ(shot.pixel(250, 300) & 0xFFFFFF, bg.pixel(250, 300) & 0xFFFFFF);
    EXPECT_EQ(shot.pixel(60, 14) & 0xFFFFFF, bg.pixel(60, 14) & 0xFFFFFF);
}
