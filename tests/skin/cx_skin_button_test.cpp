// CxSkinButton: shape, size, states and the check/radio kinds.
#include <gtest/gtest.h>

#include <QImage>

#include "skin/cx_skin_button.h"
#include "skin/skin_resources.h"
#include "tests/skin/skin_test_util.h"

using namespace skintest;

namespace {

QImage solid(QSize s, QRgb c)
{
    QImage img(s, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

/// A mask with a white border of one pixel round a black inside.
QImage framedMask(QSize s)
{
    QImage m = solid(s, 0xFFFFFFFF);
    for (int y = 1; y < s.height() - 1; ++y)
        for (int x = 1; x < s.width() - 1; ++x)
            m.setPixel(x, y, 0xFF000000);
    return m;
}

} // namespace

TEST(CxSkinButton, AllWhiteMaskMakesTheButtonUnclickable)
{
    QWidget host;
    CxSkinButton b(&host);
    b.SetSkinImages(solid({ 40, 20 }, 0xFF3C4475), {}, {}, {}, {}, solid({ 40, 20 }, 0xFFFFFFFF));
    host.show();
    EXPECT_TRUE(b.skinRegion().isEmpty());
    int clicks = 0;
    QObject::connect(&b, &QAbstractButton::clicked, [&] { ++clicks; });
    click(&b, QPoint(20, 10));
    EXPECT_EQ(clicks, 0);
    // Nothing of it is visible either: the widget mask lies outside the widget.
    EXPECT_FALSE(b.mask().intersects(b.rect()));
}

TEST(CxSkinButton, DrawModeZeroTakesTheMaskSize)
{
    CxSkinButton b;
    b.resize(200, 100);
    b.SetSkinImages(solid({ 80, 23 }, 0xFF3C4475), {}, {}, {}, {}, framedMask({ 80, 23 }), 0);
    EXPECT_EQ(b.size(), QSize(80, 23));

    // From the table too: the 80 x 23 set.
    CxSkinButton t;
    t.move(7, 9);
    t.SetSkin(skin::kButton80Normal, skin::kButton80Down, skin::kButton80Over, 0, 0, skin::kButton80Mask, 0, 0, 0);
    EXPECT_EQ(t.size(), QSize(80, 23));
    EXPECT_EQ(t.pos(), QPoint(7, 9)); // resized without moving
}

TEST(CxSkinButton, StretchModeKeepsItsSizeAndShapesToIt)
{
    CxSkinButton b;
    b.resize(120, 46);
    b.SetSkinImages(solid({ 60, 23 }, 0xFF3C4475), {}, {}, {}, {}, framedMask({ 60, 23 }), 1);
    EXPECT_EQ(b.size(), QSize(120, 46));
    EXPECT_TRUE(b.skinRegion().contains(QPoint(100, 40)));
    EXPECT_FALSE(b.skinRegion().contains(QPoint(0, 0)));
}

TEST(CxSkinButton, OnlyTheMaskedAreaTakesClicks)
{
    QWidget host;
    CxSkinButton b(&host);
    b.SetSkinImages(solid({ 30, 20 }, 0xFF3C4475), {}, {}, {}, {}, framedMask({ 30, 20 }));
    host.show();
    int clicks = 0;
    QObject::connect(&b, &QAbstractButton::clicked, [&] { ++clicks; });
    click(&b, QPoint(0, 0)); // white corner: outside
    EXPECT_EQ(clicks, 0);
    click(&b, QPoint(15, 10));
    EXPECT_EQ(clicks, 1);
}

TEST(CxSkinButton, SetSkinNormalisesModeAndMargin)
{
    CxSkinButton b;
    b.SetSkinImages(solid({ 10, 10 }, 0xFF000000), {}, {}, {}, {}, {}, 7, 0, -4);
    EXPECT_EQ(b.drawMode(), 2);
    b.SetSkinImages(solid({ 10, 10 }, 0xFF000000), {}, {}, {}, {}, {}, -3, 0, 0);
    EXPECT_EQ(b.drawMode(), 0);
    EXPECT_FALSE(b.hasMask());
}

TEST(CxSkinButton, CheckKindTogglesOnlyOnReleaseOverTheButton)
{
    QWidget host;
    CxSkinButton b(&host);
    b.SetSkinImages(solid({ 40, 20 }, 0xFF3C4475), solid({ 40, 20 }, 0xFF2E355E), {}, {}, {}, {});
    b.setKind(CxSkinButton::CheckKind);
    host.show();

    click(&b, QPoint(20, 10));
    EXPECT_TRUE(b.GetCheck());
    click(&b, QPoint(20, 10));
    EXPECT_FALSE(b.GetCheck());

    // Press on it, leave, release outside: unchanged, and the pushed look followed the cursor.
    press(&b, QPoint(20, 10));
    EXPECT_TRUE(b.isDown());
    move(&b, QPoint(90, 50), true);
    EXPECT_FALSE(b.isDown());
    move(&b, QPoint(20, 10), true);
    EXPECT_TRUE(b.isDown());
    move(&b, QPoint(90, 50), true);
    release(&b, QPoint(90, 50));
    EXPECT_FALSE(b.GetCheck());
    EXPECT_FALSE(b.isPressedOnButton());
}

TEST(CxSkinButton, RadioKindChecksItselfAndStaysChecked)
{
    QWidget host;
    CxSkinButton b(&host);
    b.SetSkinImages(solid({ 40, 20 }, 0xFF3C4475), {}, {}, {}, {}, {});
    b.setKind(CxSkinButton::RadioKind);
    host.show();
    click(&b, QPoint(5, 5));
    click(&b, QPoint(5, 5));
    EXPECT_TRUE(b.GetCheck());
}

TEST(CxSkinButton, HoverShowsTheOverBitmapUntilTheMouseLeaves)
{
    QWidget host;
    CxSkinButton b(&host);
    b.SetSkinImages(
        solid({ 40, 20 }, 0xFF102030), solid({ 40, 20 }, 0xFF203040), solid({ 40, 20 }, 0xFFA0B0C0), {}, {}, {});
    b.setFocusPolicy(Qt::NoFocus);
    host.show();
    auto centre = [&] { return b.grab().toImage().pixel(20, 10) & 0xFFFFFF; };
    EXPECT_EQ(centre(), 0x102030u);
    move(&b, QPoint(20, 10));
    EXPECT_TRUE(b.isOver());
    EXPECT_EQ(centre(), 0xA0B0C0u);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
    EXPECT_FALSE(b.isOver());
    EXPECT_EQ(centre(), 0x102030u);
    // Disabled without its own bitmap: the normal one.
    b.setEnabled(false);
    EXPECT_EQ(centre(), 0x102030u);
}

TEST(CxSkinButton, SpaceTogglesACheckKindLikeAClick)
{
    QWidget host;
    CxSkinButton b(&host);
    b.SetSkinImages(solid({ 40, 20 }, 0xFF3C4475), {}, {}, {}, {}, {});
    b.setKind(CxSkinButton::CheckKind);
    bool seen = false;
    QObject::connect(&b, &QAbstractButton::clicked, [&] { seen = b.GetCheck(); });
    host.show();
    b.setFocus();
    key(&b, Qt::Key_Space);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(&b, &up);
    EXPECT_TRUE(b.GetCheck());
    EXPECT_TRUE(seen) << "receivers see the new state";
}
