// The layer list: the base layer's invariants, insertion after the selection, removal, reorder,
// the check-box-on-selection rule, moves and drags, and the passes each operation runs.
#include "editing/mix_layer_data.h"

#include <gtest/gtest.h>

namespace {

class LayerList : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.setChangeHandler([this] { ++passes; });
        list.addBaseLayer();
        passes = 0;
    }
    QStringList lineTexts() const
    {
        QStringList t;
        for (const auto& l : list.lines())
            t << l.text;
        return t;
    }
    TextInfo text(const char* s)
    {
        TextInfo info;
        DefaultTextInfo(info);
        SetTextOf(info, QString::fromUtf8(s));
        return info;
    }
    MixLayerList list;
    int passes = 0;
};

} // namespace

TEST_F(LayerList, NewListHoldsTheBaseWhichNothingRemovesOrMoves)
{
    ASSERT_EQ(list.count(), 1);
    const MixLayerData& base = list.layers()[0];
    EXPECT_EQ(base.m_visible, 1);
    EXPECT_EQ(base.m_fromCaller, 1);
    EXPECT_EQ(base.m_isText, 0);
    EXPECT_EQ(base.m_x, 0);
    EXPECT_EQ(base.m_y, 0);
    EXPECT_TRUE(base.m_path.isEmpty());
    EXPECT_EQ(lineTexts(), QStringList { "Image" });
    EXPECT_TRUE(list.lines()[0].checked);
    EXPECT_EQ(list.selected(), 0);

    EXPECT_FALSE(list.removeSelected());
    EXPECT_FALSE(list.layerUp());
    EXPECT_FALSE(list.layerDown());
    list.clear();
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.selected(), 0);
}

TEST_F(LayerList, LayersGoInAfterTheSelectionAndStartWhereTheLastWasPlaced)
{
    EXPECT_FALSE(list.addImageLayer(QStringLiteral("   ")));
    EXPECT_EQ(passes, 0);
    ASSERT_TRUE(list.addImageLayer(QStringLiteral("  /stickers/a.png ")));
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(list.layers()[1].m_path, QStringLiteral("/stickers/a.png"));
    EXPECT_EQ(list.layers()[1].m_x, 0);
    EXPECT_EQ(list.selected(), 1);

    list.setLastPlaced(QPoint(120, -30)); // what a composition pass leaves
    list.selectLine(0);
    list.addImageLayer(QStringLiteral("/stickers/b.png")); // base selected: goes in at 1
    EXPECT_EQ(lineTexts(), (QStringList { "Image", "/stickers/b.png", "/stickers/a.png" }));
    EXPECT_EQ(list.layers()[1].m_x, 120);
    EXPECT_EQ(list.layers()[1].m_y, -30);
    EXPECT_EQ(list.layers()[1].m_visible, 1);
    EXPECT_EQ(list.layers()[1].m_fromCaller, 0);

    list.selectLine(2);
    list.addTextLayer(text("Hello")); // last selected: appended
    ASSERT_EQ(list.count(), 4);
    const MixLayerData& t = list.layers()[3];
    EXPECT_EQ(t.m_isText, 1);
    EXPECT_EQ(t.m_x, 40);
    EXPECT_EQ(t.m_y, 40);
    EXPECT_EQ(t.m_path, QStringLiteral("TEXT"));
    EXPECT_STREQ(t.m_textInfo.m_text, "Hello");
    EXPECT_EQ(lineTexts().last(), QStringLiteral("TEXT"));
    EXPECT_EQ(list.selected(), 3);
}

TEST_F(LayerList, RemoveKeepsTheIndexOrStepsBackAndClearSelectsTheBase)
{
    list.addImageLayer(QStringLiteral("a"));
    list.addImageLayer(QStringLiteral("b"));
    list.addImageLayer(QStringLiteral("c"));
    list.selectLine(2);
    ASSERT_TRUE(list.removeSelected());
    EXPECT_EQ(lineTexts(), (QStringList { "Image", "a", "c" }));
    EXPECT_EQ(list.selected(), 2);
    ASSERT_TRUE(list.removeSelected());
    EXPECT_EQ(list.selected(), 1);
    list.addImageLayer(QStringLiteral("d"));
    passes = 0;
    list.clear();
    EXPECT_EQ(lineTexts(), QStringList { "Image" });
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(passes, 1);
}

TEST_F(LayerList, ReorderMovesTheLineWithItsCheckStateAndFollowsTheSelection)
{
    list.addImageLayer(QStringLiteral("a"));
    list.addImageLayer(QStringLiteral("b"));
    list.addTextLayer(text("t"));
    list.setLineChecked(2, false); // "b" unticked, not yet taken
    list.selectLine(1);
    EXPECT_FALSE(list.layerUp()); // index 1 is as high as a layer goes
    ASSERT_TRUE(list.layerDown());
    EXPECT_EQ(lineTexts(), (QStringList { "Image", "b", "a", "TEXT" }));
    EXPECT_EQ(list.selected(), 2);
    EXPECT_FALSE(list.lines()[1].checked);
    EXPECT_TRUE(list.lines()[2].checked);
    ASSERT_TRUE(list.layerDown());
    EXPECT_EQ(lineTexts(), (QStringList { "Image", "b", "TEXT", "a" }));
    EXPECT_FALSE(list.layerDown()); // the last layer stays last
    ASSERT_TRUE(list.layerUp());
    EXPECT_EQ(lineTexts(), (QStringList { "Image", "b", "a", "TEXT" }));
    EXPECT_EQ(list.selected(), 2);
    EXPECT_EQ(list.layers()[2].m_path, QStringLiteral("a"));
    EXPECT_EQ(list.layers()[3].m_isText, 1);
}

TEST_F(LayerList, VisibilityIsReadFromTheCheckBoxWhenTheLineIsSelected)
{
    list.addImageLayer(QStringLiteral("a"));
    list.addImageLayer(QStringLiteral("b"));
    // Unticking the selected line takes effect only when it is selected again.
    list.setLineChecked(2, false);
    EXPECT_EQ(list.layers()[2].m_visible, 1);
    list.selectLine(1);
    EXPECT_EQ(list.layers()[2].m_visible, 1);
    list.selectLine(2);
    EXPECT_EQ(list.layers()[2].m_visible, 0);
    // Unticking another line selects it too, so it takes effect at once.
    list.setLineChecked(1, false);
    list.selectLine(1);
    EXPECT_EQ(list.layers()[1].m_visible, 0);
    EXPECT_FALSE(list.selectLine(5));
    EXPECT_EQ(list.selected(), 1);
}

TEST_F(LayerList, MovesRaiseTextAndImageTheSameWayOnScreen)
{
    list.addImageLayer(QStringLiteral("a"));
    list.addTextLayer(text("t"));
    list.selectLine(1);
    list.moveUp();
    EXPECT_EQ(list.layers()[1].m_y, 2); // image y grows upward
    list.moveRight();
    list.moveRight();
    list.moveLeft();
    EXPECT_EQ(list.layers()[1].m_x, 2);
    list.selectLine(2);
    list.moveUp();
    EXPECT_EQ(list.layers()[2].m_y, 38);
    list.moveDown();
    list.moveDown();
    EXPECT_EQ(list.layers()[2].m_y, 42);
    EXPECT_EQ(list.layers()[2].m_anchor, 0);
}

TEST_F(LayerList, DragMovesRightAndUpWithTwoPasses)
{
    list.addImageLayer(QStringLiteral("a"));
    list.addTextLayer(text("t"));
    list.selectLine(1);
    passes = 0;
    int xAtFirstPass = 0;
    list.setChangeHandler([&] {
        if (++passes == 1)
            xAtFirstPass = list.layers()[1].m_x;
    });
    ASSERT_TRUE(list.dragMove(15, -10)); // 15 right, 10 up on screen
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(xAtFirstPass, 15);
    EXPECT_EQ(list.layers()[1].m_x, 15);
    EXPECT_EQ(list.layers()[1].m_y, 10);
    list.selectLine(2);
    list.dragMove(15, -10);
    EXPECT_EQ(list.layers()[2].m_x, 55);
    EXPECT_EQ(list.layers()[2].m_y, 30);
}

TEST(MixLayerData, HitBoxIncludesLeftAndTopOnly)
{
    MixLayerData layer;
    EXPECT_FALSE(layer.hitBoxContains(QPoint(0, 0))); // all zero until drawn
    layer.m_hitBox = CxRect { 10, 20, 30, 40 };
    EXPECT_TRUE(layer.hitBoxContains(QPoint(10, 20)));
    EXPECT_TRUE(layer.hitBoxContains(QPoint(29, 39)));
    EXPECT_FALSE(layer.hitBoxContains(QPoint(30, 25)));
    EXPECT_FALSE(layer.hitBoxContains(QPoint(15, 40)));
}
