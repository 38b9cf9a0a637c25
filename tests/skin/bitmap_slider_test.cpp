// CBitmapSlider: clamping, the pixel mapping, mouse and keys, and the posted notifications.
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/control_id.h"
#include "skin/bitmap_slider.h"
#include "skin/skin_resources.h"
#include "tests/skin/skin_test_util.h"

using namespace skintest;

namespace {

struct Posted {
    int message;
    int id;
    int pos;
};

/// The effect dialog's set-up: channel 449, thumb 451 keyed on its top-left pixel, 0..100.
struct SliderFixture : ::testing::Test {
    QWidget host;
    CBitmapSlider* slider = new CBitmapSlider(&host);
    std::vector<Posted> posted;

    void SetUp() override
    {
        platform::setControlId(slider, 1139);
        ASSERT_TRUE(slider->LoadChannelBitmaps(skin::kSliderChannel, skin::kSliderChannelActive, false));
        ASSERT_TRUE(slider->LoadThumbBitmaps(
            skin::kSliderThumb, skin::kSliderThumbActive, true, CBitmapSlider::kColourFromPixel, 0, 0));
        slider->ShowFocusRectangle(false);
        slider->SetRange(0, 100);
        QObject::connect(slider, &CBitmapSlider::moving, [this](int id, int pos) {
            posted.push_back({ CBitmapSlider::kMovingMessage, id, pos });
        });
        QObject::connect(slider, &CBitmapSlider::moved, [this](int id, int pos) {
            posted.push_back({ CBitmapSlider::kMovedMessage, id, pos });
        });
        host.show();
    }
    int y() const { return slider->height() / 2; }
};

} // namespace

TEST_F(SliderFixture, SetPosClampsToTheRangeAndPostsNothing)
{
    EXPECT_EQ(slider->size(), QSize(278, 17)); // the channel gives the size
    slider->SetPos(150);
    EXPECT_EQ(slider->GetPos(), 100);
    slider->SetPos(-5);
    EXPECT_EQ(slider->GetPos(), 0);
    drain();
    EXPECT_TRUE(posted.empty());
}

TEST_F(SliderFixture, PixelMappingFollowsTheTravel)
{
    const int half = slider->thumbSize().width() / 2;
    EXPECT_EQ(slider->pixelForPosition(0), half);
    EXPECT_EQ(slider->pixelForPosition(100), 278 - slider->thumbSize().width() + half);
    for (int pos : { 0, 1, 37, 50, 99, 100 })
        EXPECT_NEAR(slider->positionForPixel(slider->pixelForPosition(pos)), pos, 1) << pos;
}

TEST_F(SliderFixture, FarPressJumpsAndReleasePostsMoved)
{
    slider->SetPos(0);
    const int target = slider->pixelForPosition(50);
    press(slider, QPoint(target, y()));
    EXPECT_TRUE(posted.empty()) << "notifications are posted, not sent";
    drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, CBitmapSlider::kMovingMessage);
    EXPECT_EQ(posted[0].id, 1139);
    EXPECT_EQ(posted[0].pos, slider->GetPos());
    EXPECT_NEAR(slider->pixelForPosition(slider->GetPos()), target, 3);
    release(slider, QPoint(target, y()));
    drain();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[1].message, CBitmapSlider::kMovedMessage);
    EXPECT_EQ(posted[1].pos, slider->GetPos());
}

TEST_F(SliderFixture, NearPressKeepsTheGrip)
{
    slider->SetPos(40);
    const int centre = slider->pixelForPosition(40);
    press(slider, QPoint(centre + 3, y())); // within half the thumb: no jump
    drain();
    EXPECT_EQ(slider->GetPos(), 40);
    EXPECT_TRUE(posted.empty());
    move(slider, QPoint(centre + 3 + 26, y()), true);
    drain();
    EXPECT_EQ(
        slider->pixelForPosition(slider->GetPos()), slider->pixelForPosition(slider->positionForPixel(centre + 26)));
    EXPECT_GT(slider->GetPos(), 40);
}

TEST_F(SliderFixture, DraggingPastTheEndStaysAtTheEndWithoutMoreMessages)
{
    slider->SetPos(90);
    press(slider, QPoint(slider->pixelForPosition(90), y()));
    move(slider, QPoint(400, y()), true);
    drain();
    EXPECT_EQ(slider->GetPos(), 100);
    const size_t count = posted.size();
    move(slider, QPoint(500, y()), true);
    move(slider, QPoint(900, y()), true);
    drain();
    EXPECT_EQ(slider->GetPos(), 100);
    EXPECT_EQ(posted.size(), count);
    // And at the start end.
    move(slider, QPoint(-300, y()), true);
    drain();
    EXPECT_EQ(slider->GetPos(), 0);
}

TEST_F(SliderFixture, KeysStepAndPostMoved)
{
    slider->SetPos(50);
    key(slider, Qt::Key_End);
    drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, CBitmapSlider::kMovedMessage);
    EXPECT_EQ(posted[0].pos, 100);

    slider->SetPos(90);
    key(slider, Qt::Key_PageDown);
    drain();
    EXPECT_EQ(posted.back().pos, 100);

    key(slider, Qt::Key_Home);
    key(slider, Qt::Key_Right);
    key(slider, Qt::Key_Down);
    key(slider, Qt::Key_PageDown);
    key(slider, Qt::Key_Left);
    drain();
    EXPECT_EQ(slider->GetPos(), 21);
    key(slider, Qt::Key_PageUp);
    key(slider, Qt::Key_PageUp);
    drain();
    EXPECT_EQ(posted.back().pos, 0);
}

TEST_F(SliderFixture, ThumbKeyColourIsSeeThrough)
{
    // The thumb's magenta corners must show the channel, not magenta.
    slider->SetPos(0);
    const QImage shot = slider->grab().toImage();
    for (int y0 = 0; y0 < shot.height(); ++y0)
        for (int x = 0; x < 20; ++x)
            ASSERT_NE(shot.pixel(x, y0) & 0xFFFFFF, 0xFF00FFu) << x << "," << y0;
}

TEST(CBitmapSlider, ChannelIdZeroRemovesTheChannel)
{
    CBitmapSlider s;
    EXPECT_TRUE(s.LoadChannelBitmaps(skin::kSliderChannel, 0, false));
    EXPECT_TRUE(s.LoadChannelBitmaps(0, 0, false));
    EXPECT_FALSE(s.LoadChannelBitmaps(99999, 0, false));
    EXPECT_FALSE(s.LoadChannelBitmaps(skin::kSliderChannel, 99999, false));
}
