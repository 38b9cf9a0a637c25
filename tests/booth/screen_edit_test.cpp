// The main screen opens the filter workbench on a used slot (double click, Enter) and takes the
// result back on OK only.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "booth/dlg_corvantis.h"
#include "editing/dlg_filter.h"
#include "tests/booth/screen_test_support.h"

namespace {

using ScreenEdit = screentest::ScreenFixture;

TEST_F(ScreenEdit, DoubleClickOnAUsedSlotEditsItAndOkHandsTheResultBack)
{
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    s.OnUsePicture();
    ASSERT_EQ(s.slotModel().slot(0).m_used, 1);
    int runs = 0;
    QImage edited;
    s.setWorkbenchRunner([&](DlgFilter& w) {
        ++runs;
        EXPECT_EQ(w.displayBitmap(), s.slotModel().slot(0).m_composed);
        w.press(1086); // Negative
        edited = w.displayBitmap();
        return int(DlgFilter::IdOk);
    });
    const QPointF at(10, 10);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, s.slotPicture(0)->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QCoreApplication::sendEvent(s.slotPicture(0), &dbl);
    ASSERT_EQ(runs, 1);
    EXPECT_EQ(s.slotModel().slot(0).m_edited, 1);
    EXPECT_EQ(s.slotModel().slot(0).m_background, edited);

    // An empty slot opens nothing.
    QCoreApplication::sendEvent(s.slotPicture(3), &dbl);
    EXPECT_EQ(runs, 1);
}

TEST_F(ScreenEdit, EnterEditsTheSelectedSlotAndCancelKeepsIt)
{
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    s.OnUsePicture();
    ASSERT_TRUE(s.slotModel().setCurrentSlot(0));
    const QImage before = s.slotModel().slot(0).m_composed;
    int runs = 0;
    s.setWorkbenchRunner([&](DlgFilter& w) {
        ++runs;
        w.press(1086);
        return int(DlgFilter::IdCancel);
    });
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&s, &enter);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(s.slotModel().slot(0).m_composed, before);
    EXPECT_EQ(s.slotModel().slot(0).m_edited, 0);
}

} // namespace
