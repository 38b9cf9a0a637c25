// CRectTrackerPic driven with real mouse events: rubber band, clamping, bottom-up rows, handles,
// moving and cursors.
#include "editing/rect_tracker_pic.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "imaging/cximage.h"

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), type == QEvent::MouseMove ? Qt::NoButton : button, held,
        Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void drag(QWidget* w, QPoint from, QPoint to)
{
    mouse(w, QEvent::MouseButtonPress, from);
    mouse(w, QEvent::MouseMove, (from + to) / 2);
    mouse(w, QEvent::MouseMove, to);
    mouse(w, QEvent::MouseButtonRelease, to);
}

struct Fixture {
    CxImage picture { 320, 240, 24 };
    QWidget parent;
    CRectTrackerPic control { &parent };
    Fixture()
    {
        control.setGeometry(20, 37, 320, 240);
        control.SetImage(&picture);
    }
    /// Selected state of a pixel counted from the top row.
    bool selectedTopDown(int x, int y) const { return picture.SelectionIsInside(x, 239 - y); }
};

TEST(CRectTrackerPic, OffIgnoresPresses)
{
    Fixture f;
    drag(&f.control, { 10, 10 }, { 100, 100 });
    EXPECT_TRUE(f.control.trackerRect().isEmpty());
    EXPECT_FALSE(f.picture.SelectionIsValid());
}

TEST(CRectTrackerPic, RubberBandBecomesBottomUpSelection)
{
    Fixture f;
    f.control.Enable(true);
    drag(&f.control, { 30, 10 }, { 60, 20 });
    EXPECT_EQ(f.control.trackerRect(), QRect(30, 10, 30, 10));
    ASSERT_TRUE(f.picture.SelectionIsValid());
    // Top 10 and bottom 20 reach the selection as bottom-up rows 229 and 219, both included.
    const CxRect box = f.picture.GetSelectionBox();
    EXPECT_EQ(box.top, 230);
    EXPECT_EQ(box.bottom, 219);
    EXPECT_EQ(box.left, 30);
    EXPECT_EQ(box.right, 61);
    EXPECT_TRUE(f.selectedTopDown(30, 10));
    EXPECT_TRUE(f.selectedTopDown(60, 20));
    EXPECT_FALSE(f.selectedTopDown(30, 9));
    EXPECT_FALSE(f.selectedTopDown(29, 15));
    EXPECT_FALSE(f.selectedTopDown(45, 21));
}

TEST(CRectTrackerPic, ReverseDragGivesTheSameSelection)
{
    Fixture a, b;
    a.control.Enable(true);
    b.control.Enable(true);
    drag(&a.control, { 40, 50 }, { 140, 120 });
    drag(&b.control, { 140, 120 }, { 40, 50 });
    EXPECT_EQ(a.control.trackerRect(), b.control.trackerRect());
    const CxRect p = a.picture.GetSelectionBox(), q = b.picture.GetSelectionBox();
    EXPECT_EQ(p.left, q.left);
    EXPECT_EQ(p.right, q.right);
    EXPECT_EQ(p.top, q.top);
    EXPECT_EQ(p.bottom, q.bottom);
}

TEST(CRectTrackerPic, DragsAreClampedToTheControl)
{
    Fixture f;
    f.control.Enable(true);
    drag(&f.control, { 300, 200 }, { 400, 300 });
    EXPECT_EQ(f.control.trackerRect(), QRect(300, 200, 20, 40));
    drag(&f.control, { 20, 30 }, { -50, -80 });
    EXPECT_EQ(f.control.trackerRect(), QRect(0, 0, 20, 30));
    // The last drag replaced the selection: the first rectangle is gone.
    EXPECT_FALSE(f.selectedTopDown(310, 220));
    EXPECT_TRUE(f.selectedTopDown(0, 0));
    EXPECT_TRUE(f.selectedTopDown(19, 29));
}

TEST(CRectTrackerPic, ClickWithoutDragKeepsTheSelection)
{
    Fixture f;
    f.control.Enable(true);
    drag(&f.control, { 10, 10 }, { 50, 50 });
    drag(&f.control, { 200, 200 }, { 200, 200 });
    // The rectangle shown stays the one that is selected.
    EXPECT_EQ(f.control.trackerRect(), QRect(10, 10, 40, 40));
    EXPECT_TRUE(f.selectedTopDown(30, 30));
    EXPECT_FALSE(f.selectedTopDown(200, 200));
}

TEST(CRectTrackerPic, HandlesResizeAndTheInsideMoves)
{
    Fixture f;
    f.control.Enable(true);
    drag(&f.control, { 100, 100 }, { 200, 150 });
    ASSERT_EQ(f.control.trackerRect(), QRect(100, 100, 100, 50));
    // Bottom-right handle lies just outside the corner.
    EXPECT_EQ(f.control.hitTest({ 202, 152 }), CRectTrackerPic::HitBottomRight);
    drag(&f.control, { 202, 152 }, { 232, 172 });
    EXPECT_EQ(f.control.trackerRect(), QRect(100, 100, 130, 70));
    EXPECT_TRUE(f.selectedTopDown(229, 169));
    // Moving by the inside keeps the size.
    drag(&f.control, { 150, 120 }, { 110, 100 });
    EXPECT_EQ(f.control.trackerRect(), QRect(60, 80, 130, 70));
    EXPECT_TRUE(f.selectedTopDown(60, 80));
    EXPECT_FALSE(f.selectedTopDown(200, 120));
    // A left handle dragged across the right edge inverts the rectangle.
    drag(&f.control, { 57, 115 }, { 250, 115 });
    EXPECT_EQ(f.control.trackerRect(), QRect(190, 80, 63, 70));
}

TEST(CRectTrackerPic, CursorsFollowTheHandles)
{
    Fixture f;
    f.control.Enable(true);
    drag(&f.control, { 100, 100 }, { 200, 150 });
    auto shapeAt = [&](QPoint p) {
        mouse(&f.control, QEvent::MouseMove, p, Qt::NoButton);
        return f.control.testAttribute(Qt::WA_SetCursor) ? f.control.cursor().shape() : Qt::ArrowCursor;
    };
    EXPECT_EQ(shapeAt({ 97, 97 }), Qt::SizeFDiagCursor);
    EXPECT_EQ(shapeAt({ 202, 97 }), Qt::SizeBDiagCursor);
    EXPECT_EQ(shapeAt({ 150, 97 }), Qt::SizeVerCursor);
    EXPECT_EQ(shapeAt({ 202, 125 }), Qt::SizeHorCursor);
    EXPECT_EQ(shapeAt({ 150, 125 }), Qt::SizeAllCursor);
    EXPECT_EQ(shapeAt({ 20, 20 }), Qt::ArrowCursor);
    f.control.Enable(false);
    EXPECT_FALSE(f.control.testAttribute(Qt::WA_SetCursor));
}

TEST(CRectTrackerPic, SmallerPictureIsClampedByTheSelection)
{
    CxImage picture(200, 100, 24);
    CRectTrackerPic control;
    control.resize(320, 240);
    control.SetImage(&picture);
    control.Enable(true);
    drag(&control, { 150, 80 }, { 300, 200 });
    ASSERT_TRUE(picture.SelectionIsValid());
    const CxRect box = picture.GetSelectionBox();
    EXPECT_EQ(box.left, 150);
    EXPECT_EQ(box.right, 200);
    EXPECT_EQ(box.bottom, 0);
    EXPECT_EQ(box.top, 20);
}

} // namespace
