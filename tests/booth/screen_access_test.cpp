// The main screen for people who use a screen reader or only a keyboard: every control has an
// accessible name and description, Tab walks the workflow, focus is always visible, and the shoot
// key works outside kiosk mode without taking keys the focused control needs.
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include "booth/com_data.h"
#include "booth/dlg_corvantis.h"
#include "booth/screen_widgets.h"
#include "skin/quen_menu.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_theme.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

class Access : public ScreenFixture {
protected:
    std::unique_ptr<DlgCorvantis> shown(bool live)
    {
        addFrames(2);
        addPhotos(1);
        writeSettings(0);
        auto s = std::make_unique<DlgCorvantis>();
        s->setCloseHandler([] {});
        s->show();
        s->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(s.get()));
        if (live)
            platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kCameraId)->click();
        EXPECT_EQ(s->isLive(), live);
        return s;
    }
    static void press(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(target, Qt::Key(key), mods);
    }
};

/// Every accessible object below root with the path that leads to it.
void walk(QAccessibleInterface* iface, const QString& path, QList<QPair<QAccessibleInterface*, QString>>& out)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child)
            continue;
        const QString where = path + QLatin1Char('/') + QString::number(i);
        out.append({ child, where });
        walk(child, where, out);
    }
}

TEST_F(Access, EveryControlOfTheMainScreenHasANameAndFocusableOnesADescription)
{
    auto s = shown(false);
    s->OnUsePicture(); // a used slot describes itself differently from an empty one
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(s.get());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(QAccessible::Name), QStringLiteral("Kivra Tesselwick"));
    QList<QPair<QAccessibleInterface*, QString>> all;
    walk(root, QStringLiteral("main"), all);
    int buttons = 0, slotCount = 0;
    for (const auto& [iface, where] : all) {
        QWidget* w = qobject_cast<QWidget*>(iface->object());
        const QString what
            = where + QStringLiteral(" ") + (w ? QString::fromLatin1(w->metaObject()->className()) : "?");
        EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty()) << qPrintable(what) << " has no name";
        if (w && w->focusPolicy() != Qt::NoFocus) {
            EXPECT_FALSE(iface->text(QAccessible::Description).trimmed().isEmpty())
                << qPrintable(what) << " (" << qPrintable(iface->text(QAccessible::Name)) << ") has no description";
        }
        if (iface->role() == QAccessible::Button || iface->role() == QAccessible::CheckBox)
            ++buttons;
        if (qobject_cast<CSlotPicture*>(w))
            ++slotCount;
    }
    EXPECT_EQ(buttons, 28) << "the walk reached every skinned button (Share too, hidden while sharing is off)";
    EXPECT_EQ(slotCount, s->slotModel().count());

    // Names come from the captions and tooltips guests see.
    auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    EXPECT_EQ(name(platform::findControl(s.get(), DlgCorvantis::kShootId)), QStringLiteral("Shoot"));
    EXPECT_EQ(name(platform::findControl(s.get(), DlgCorvantis::kSelectFrameId)), QStringLiteral("Select frame"));
    EXPECT_EQ(name(s->slotPicture(0)), QStringLiteral("Slot 1 of %1").arg(s->slotModel().count()));
    auto description
        = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description); };
    EXPECT_NE(description(s->slotPicture(0)), description(s->slotPicture(1))) << "a used slot says so";
}

TEST_F(Access, TabWalksTheWorkflowAndReachesEveryEnabledControl)
{
    auto s = shown(true);
    QWidget* camera = platform::findControl(s.get(), DlgCorvantis::kCameraId);
    camera->setFocus(Qt::TabFocusReason);
    QList<int> ids;
    QList<QWidget*> visited;
    for (int i = 0; i < 60; ++i) {
        QWidget* f = QApplication::focusWidget();
        if (!f || visited.contains(f))
            break;
        visited.append(f);
        ids.append(platform::controlId(f));
        press(f, Qt::Key_Tab);
    }
    // Camera, shooting and the frame first; the sheet's slots after the picture controls; output;
    // the title bar last.
    ASSERT_GE(ids.size(), 3);
    EXPECT_EQ(
        ids.mid(0, 3), QList<int>({ DlgCorvantis::kCameraId, DlgCorvantis::kShootId, DlgCorvantis::kFrameShownId }));
    auto at = [&](int id) { return ids.indexOf(id); };
    EXPECT_LT(at(DlgCorvantis::kNextFrameId), at(int(kSlotControlIdBase)));
    EXPECT_LT(at(int(kSlotControlIdBase)), at(DlgCorvantis::kLayout0Id));
    EXPECT_LT(at(DlgCorvantis::kLayout0Id + 4), at(DlgCorvantis::kPrintId));
    EXPECT_LT(at(DlgCorvantis::kPrintId), at(DlgCorvantis::kConfigureId));
    EXPECT_EQ(ids.last(), DlgCorvantis::kCloseId);
    // Nothing enabled and shown is left out.
    for (QWidget* w : s->findChildren<QWidget*>()) {
        if (w->isVisibleTo(s.get()) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            EXPECT_TRUE(visited.contains(w)) << platform::controlId(w) << " cannot be reached with Tab";
        }
    }
}

TEST_F(Access, FocusIsVisibleOnEveryControlInEveryState)
{
    auto s = shown(true); // the camera button is checked: its pressed look must still show focus
    s->OnLayout(1);
    auto marigoldPixels = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c(img.pixel(x, y));
                n += std::abs(c.red() - 0xFF) < 24 && std::abs(c.green() - 0xC8) < 30 && std::abs(c.blue() - 0x57) < 40;
            }
        return n;
    };
    int checked = 0;
    for (QWidget* w : s->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(s.get()) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        s->setFocus();
        const QImage before = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(w->hasFocus());
        const QImage focused = w->grab().toImage();
        EXPECT_NE(before, focused) << platform::controlId(w) << " looks the same with focus";
        EXPECT_GT(marigoldPixels(focused), marigoldPixels(before) + 10)
            << platform::controlId(w) << " shows no marigold focus mark";
        ++checked;
    }
    // The buttons that work while the camera runs, the camera list and the slots.
    EXPECT_EQ(checked, 22 + 1 + s->slotModel().count());
}

TEST_F(Access, ShootKeyWorksOutsideKioskModeUnlessTheFocusedControlNeedsIt)
{
    auto s = shown(true);
    ASSERT_FALSE(s->isKioskMode());
    s->setFocus();
    press(s.get(), Qt::Key_Space);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 1u) << "Space shoots with nothing focused";
    QWidget* slot = s->slotPicture(2);
    slot->setFocus(Qt::TabFocusReason);
    press(slot, Qt::Key_Return);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 2u) << "Enter shoots while the camera runs";

    // The camera list takes Space and Enter for itself; a focused button takes Space.
    QWidget* devices = platform::findControl(s.get(), DlgCorvantis::kDevicesId);
    devices->setFocus(Qt::TabFocusReason);
    press(devices, Qt::Key_Space);
    press(devices, Qt::Key_Escape);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 2u);
    QWidget* next = platform::findControl(s.get(), DlgCorvantis::kNextFrameId);
    next->setFocus(Qt::TabFocusReason);
    const QString frame = s->currentFramePath();
    press(next, Qt::Key_Space);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 2u);
    EXPECT_NE(s->currentFramePath(), frame) << "Space pressed the focused button";
    press(next, Qt::Key_Return);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 3u);

    // The key is the settings file's: with only F9 configured, Space does nothing here.
    boothSettings().m_shootKey = QStringLiteral("F9");
    s->setFocus();
    press(s.get(), Qt::Key_Space);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 3u);
    press(s.get(), Qt::Key_F9);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 4u);
}

TEST_F(Access, KeyboardAloneTakesAShotEditsItsSlotAndOpensTheSlotMenu)
{
    auto s = shown(false);
    QWidget* camera = platform::findControl(s.get(), DlgCorvantis::kCameraId);
    camera->setFocus(Qt::TabFocusReason);
    press(camera, Qt::Key_Space);
    ASSERT_TRUE(s->isLive());
    press(camera, Qt::Key_Tab);
    press(QApplication::focusWidget(), Qt::Key_Space); // Shoot
    ASSERT_EQ(s->slotModel().usedSlots().size(), 1u);
    press(QApplication::focusWidget(), Qt::Key_Backtab);
    press(QApplication::focusWidget(), Qt::Key_Space); // camera off
    ASSERT_FALSE(s->isLive());

    // Tab to the first slot selects it; Enter edits it; the menu key opens the slot menu.
    s->slotPicture(1)->setFocus(Qt::TabFocusReason);
    press(s->slotPicture(1), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), s->slotPicture(0));
    EXPECT_EQ(s->slotModel().currentSlot(), 0);
    int edits = 0;
    s->setWorkbenchRunner([&](DlgFilter&) {
        ++edits;
        return 0;
    });
    press(s->slotPicture(0), Qt::Key_Return);
    EXPECT_EQ(edits, 1);
    bool menuShown = false;
    QTimer::singleShot(100, [&] {
        menuShown = s->slotMenu()->isVisible();
        s->slotMenu()->close();
    });
    press(s->slotPicture(0), Qt::Key_Menu);
    EXPECT_TRUE(menuShown);
}

} // namespace
