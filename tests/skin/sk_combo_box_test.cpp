// SkComboBox and its ComboWindow: measuring, scrolling, keys and the selection notification.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "platform/control_id.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_scroll_bar.h"
#include "tests/skin/skin_test_util.h"

using namespace skintest;

namespace {

struct ComboFixture : ::testing::Test {
    QWidget host;
    SkComboBox* combo = new SkComboBox(&host);
    int selChanges = 0;
    int lastId = 0;
    int indexChanges = 0;

    void SetUp() override
    {
        platform::setControlId(combo, 1222);
        combo->setGeometry(10, 10, 108, 20);
        QObject::connect(combo, &SkComboBox::selChange, [this](int id) {
            ++selChanges;
            lastId = id;
        });
        QObject::connect(combo, &QComboBox::currentIndexChanged, [this] { ++indexChanges; });
        host.resize(300, 200);
        host.show();
    }
    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            combo->addItem(QStringLiteral("Item %1").arg(i));
        combo->setCurrentIndex(0);
        indexChanges = 0;
    }
    int textHeight() const { return QFontMetrics(combo->font()).height(); }
};

} // namespace

TEST_F(ComboFixture, ShortListOpensWithoutScrollBarExactlyTallEnough)
{
    fill(3);
    combo->showPopup();
    ComboWindow* list = combo->comboWindow();
    ASSERT_TRUE(list->isOpen());
    EXPECT_FALSE(list->needsScrollBar());
    EXPECT_FALSE(list->scrollBar()->isVisible());
    const int h = textHeight();
    EXPECT_EQ(list->height(), 3 * (h + 4) + 5);
    EXPECT_EQ(list->visibleCount(), 3);
    // Items stack with 4 pixels between their text heights and span 5 .. width - 5.
    EXPECT_EQ(list->itemRects()[0].top(), 3);
    EXPECT_EQ(list->itemRects()[1].top(), h + 4 + 3);
    EXPECT_EQ(list->itemRects()[2].bottom() + 1, 2 * (h + 4) + h + 6);
    EXPECT_EQ(list->itemRects()[0].left(), 5);
    EXPECT_EQ(list->itemRects()[0].right() + 1, list->width() - 5);
    EXPECT_EQ(list->width(), combo->width());
    EXPECT_EQ(list->rowHeight(), h + 4);
}

TEST_F(ComboFixture, LongListScrollsWithTheKeysAndWrapsToTheTop)
{
    fill(20);
    combo->setDroppedHeight(100);
    combo->showPopup();
    ComboWindow* list = combo->comboWindow();
    ASSERT_TRUE(list->needsScrollBar());
    const int h = textHeight(), row = h + 4;
    int visible = 0;
    for (int s = 0; s < 20 * row && s + 5 < 100; s += row)
        ++visible;
    EXPECT_EQ(list->visibleCount(), visible);
    EXPECT_EQ(list->height(), (visible - 1) * row + h + 6);
    EXPECT_EQ(list->scrollBar()->geometry(), QRect(list->width() - 13, 3, 10, list->height() - 6));
    EXPECT_EQ(list->scrollBar()->total(), 2000);
    EXPECT_EQ(list->scrollBar()->page(), visible * 100);
    EXPECT_EQ(list->itemRects()[0].right() + 1, list->width() - 15);

    for (int i = 0; i < 19; ++i)
        key(list, Qt::Key_Down);
    EXPECT_EQ(list->highlighted(), 18);
    key(list, Qt::Key_Down);
    EXPECT_EQ(list->highlighted(), 19);
    EXPECT_EQ(list->scrollOffset(), row * (19 - visible + 1));
    EXPECT_EQ(list->scrollBar()->position(), list->scrollOffset() * 100 / row);
    EXPECT_EQ(list->moveGuard(), 3);

    key(list, Qt::Key_Down); // wraps
    EXPECT_EQ(list->highlighted(), 0);
    EXPECT_EQ(list->scrollOffset(), 0);
    key(list, Qt::Key_Up); // and back
    EXPECT_EQ(list->highlighted(), 19);

    // The scroll bar's notification sets the offset in hundredths of a row.
    list->scrollTo(250);
    EXPECT_EQ(list->scrollOffset(), row * 250 / 100);
}

TEST_F(ComboFixture, EnterChoosesTheHighlightAndPostsSelChange)
{
    fill(4);
    combo->showPopup();
    ComboWindow* list = combo->comboWindow();
    key(list, Qt::Key_Down);
    key(list, Qt::Key_Down);
    key(list, Qt::Key_Return);
    EXPECT_FALSE(list->isOpen());
    EXPECT_EQ(list->highlighted(), -1);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(selChanges, 0) << "posted, not sent";
    drain();
    EXPECT_EQ(selChanges, 1);
    EXPECT_EQ(lastId, 1222);
}

TEST_F(ComboFixture, ReselectingTheCurrentItemPostsButDoesNotSetAgain)
{
    fill(3);
    combo->chooseItem(0);
    drain();
    EXPECT_EQ(selChanges, 1);
    EXPECT_EQ(indexChanges, 0);
    combo->chooseItem(2);
    drain();
    EXPECT_EQ(selChanges, 2);
    EXPECT_EQ(indexChanges, 1);
}

TEST_F(ComboFixture, ClosedBoxArrowKeysWrapAndEscapeIsSwallowed)
{
    fill(3);
    key(combo, Qt::Key_Up);
    EXPECT_EQ(combo->currentIndex(), 2);
    key(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 0);
    key(combo, Qt::Key_Right);
    EXPECT_EQ(combo->currentIndex(), 1);
    key(combo, Qt::Key_Escape);
    EXPECT_EQ(combo->currentIndex(), 1);
    drain();
    EXPECT_EQ(selChanges, 3);
    key(combo, Qt::Key_Return);
    EXPECT_TRUE(combo->isListOpen());
    key(combo->comboWindow(), Qt::Key_Escape);
    EXPECT_FALSE(combo->isListOpen());
}

TEST_F(ComboFixture, PointerHighlightsAfterTheMoveGuardAndPressChooses)
{
    fill(3);
    combo->showPopup();
    ComboWindow* list = combo->comboWindow();
    const QPoint second = list->itemRects()[1].center();
    for (int i = 0; i < 3; ++i)
        move(list, second);
    EXPECT_EQ(list->highlighted(), -1) << "the first three moves are ignored";
    move(list, second);
    EXPECT_EQ(list->highlighted(), 1);
    press(list, second);
    EXPECT_FALSE(list->isOpen());
    EXPECT_EQ(combo->currentIndex(), 1);
}

TEST(ComboWindow, OpensAboveNearTheBottomAndStaysOnScreen)
{
    const QRect screen(0, 0, 1024, 768);
    const QSize size(120, 80);
    // Room below: 17 pixels under the box's top.
    EXPECT_EQ(ComboWindow::placement(size, QRect(100, 300, 108, 20), screen), QPoint(100, 317));
    // Too close to the bottom: above the box.
    EXPECT_EQ(ComboWindow::placement(size, QRect(100, 680, 108, 20), screen), QPoint(100, 600));
    // Past the right edge: moved left to end there; never left of the screen.
    EXPECT_EQ(ComboWindow::placement(size, QRect(980, 300, 40, 20), screen).x(), 1024 - 120);
    EXPECT_EQ(ComboWindow::placement(QSize(2000, 80), QRect(10, 300, 40, 20), screen).x(), 0);
}

TEST_F(ComboFixture, EmptyListOpensWithHeight24)
{
    combo->setDroppedHeight(0);
    fill(2);
    combo->showPopup();
    EXPECT_EQ(combo->comboWindow()->height(), 24);
    EXPECT_EQ(combo->comboWindow()->visibleCount(), 0);
}
