// DlgCorvantis, accessibility: every control's accessible name (its caption or tooltip) and
// description, and the keyboard order that walks the booth's workflow from camera to print.
#include <QAbstractItemView>
#include <QLineEdit>

#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_static.h"
#include "skin/transparent_pic.h"

namespace {

struct ControlText {
    int id;
    const char* description;
};

// What each button does, for screen readers; the names are the tooltips guests also see.
const ControlText kDescriptions[] = {
    { DlgCorvantis::kCameraId, "Starts or stops the live camera picture." },
    { DlgCorvantis::kShootId,
        "Takes a picture after the countdown and puts it into the next free slot. "
        "Space or Enter does the same while the camera runs." },
    { DlgCorvantis::kFrameShownId, "Shows or hides the frame over the picture." },
    { DlgCorvantis::kSelectFrameId, "Chooses the frame from the frame folder." },
    { DlgCorvantis::kAddFrameId, "Chooses a frame from any folder." },
    { DlgCorvantis::kPreviousFrameId, "Shows the previous frame of the folder." },
    { DlgCorvantis::kNextFrameId, "Shows the next frame of the folder." },
    { DlgCorvantis::kSelectPhotoId, "Chooses a photo from the portrait folder (camera off)." },
    { DlgCorvantis::kAddPhotoId, "Chooses a photo from any folder (camera off)." },
    { DlgCorvantis::kPreviousPhotoId, "Shows the previous photo of the folder (camera off)." },
    { DlgCorvantis::kNextPhotoId, "Shows the next photo of the folder (camera off)." },
    { DlgCorvantis::kUsePictureId, "Puts the photo with its frame into the next free slot (camera off)." },
    { DlgCorvantis::kPrintId, "Prints the sheet of all slots." },
    { DlgCorvantis::kSavePictureId, "Saves the sheet of all slots as a picture file." },
    { DlgCorvantis::kOpenProjectId, "Opens a project file with its slots, frames and settings." },
    { DlgCorvantis::kSaveProjectId, "Saves the slots, frames and settings as a project file." },
    { DlgCorvantis::kConfigureId, "Opens the settings: folders, countdown, print size, kiosk mode." },
    { DlgCorvantis::kAboutId, "Shows the version of the booth." },
    { DlgCorvantis::kHomeId, "Opens the booth's home page in the browser." },
    { DlgCorvantis::kHelpId, "Opens the help in the browser." },
    { DlgCorvantis::kMinimiseId, "Minimises the booth's window." },
    { DlgCorvantis::kCloseId, "Ends the session and closes the booth." },
};

void describe(QWidget* w, const QString& name, const QString& description)
{
    if (!w)
        return;
    w->setAccessibleName(name);
    w->setAccessibleDescription(description);
}

} // namespace

void DlgCorvantis::describeControls()
{
    setAccessibleName(windowTitle());
    setAccessibleDescription(QStringLiteral("The photo booth: live picture with its frame, the sheet's slots and "
                                            "the commands for shooting, saving and printing."));
    for (const ControlText& c : kDescriptions)
        if (auto* b = platform::findControl<CxSkinButton>(this, c.id))
            describe(b, b->text().isEmpty() ? b->toolTip() : b->text(), QString::fromUtf8(c.description));
    for (int i = 0; i < 5; ++i)
        describe(m_layoutButtons[i], m_layoutButtons[i]->toolTip(),
            QStringLiteral("Arranges the sheet in this layout; pictures that do not fit are dropped after asking."));

    describe(m_devices, m_devices->toolTip(), QStringLiteral("The camera the booth uses."));
    describe(m_devices->view(), QStringLiteral("Cameras"), QStringLiteral("The cameras found on this computer."));
    describe(m_folderHint, m_folderHint->text(), QStringLiteral("The folder pictures are chosen from."));
    describe(m_countdown, QStringLiteral("Countdown"), QStringLiteral("Seconds left before the picture is taken."));
    describe(m_stage, QStringLiteral("Picture"), QStringLiteral("The photo with the frame laid over it."));
    describe(m_videoArea, QStringLiteral("Live picture"), QStringLiteral("The camera's picture with the frame."));
    describe(m_baseArea, QStringLiteral("Base picture"), QStringLiteral("The picture under the photo."));
    describe(m_photoArea, QStringLiteral("Photo"), QStringLiteral("The chosen photo or the last shot."));
    describe(m_frameArea, QStringLiteral("Frame"), QStringLiteral("The chosen frame."));
    describe(m_tracker, QStringLiteral("Photo position"),
        QStringLiteral("Drag the photo or its handles to place it under the frame."));
    describe(m_slotArea, QStringLiteral("Sheet"), QStringLiteral("The sheet with its slots."));
    applyTabOrder();
}

void DlgCorvantis::describeSlot(int index)
{
    CSlotPicture* w = slotPicture(index);
    if (!w)
        return;
    const bool used = index < m_slots.count() && m_slots.slot(index).m_used;
    describe(w, QStringLiteral("Slot %1 of %2").arg(index + 1).arg(m_slots.count()),
        used ? QStringLiteral("Holds a picture. Enter edits it; the menu key opens the slot menu.")
             : QStringLiteral("Empty. The next shot goes into the first empty slot."));
}

void DlgCorvantis::applyTabOrder()
{
    // The workflow's order: camera, shooting, frame, photo, the sheet's slots and layouts, output,
    // project, settings, then the title bar.
    const int before[] = { kCameraId, kShootId, kFrameShownId, kSelectFrameId, kAddFrameId, kPreviousFrameId,
        kNextFrameId, kSelectPhotoId, kAddPhotoId, kPreviousPhotoId, kNextPhotoId, kUsePictureId };
    const int after[] = { kPrintId, kSavePictureId, kOpenProjectId, kSaveProjectId, kConfigureId, kDevicesId, kAboutId,
        kHomeId, kHelpId, kMinimiseId, kCloseId };
    std::vector<QWidget*> order;
    for (int id : before)
        order.push_back(platform::findControl(this, id));
    for (CSlotPicture* w : m_slotWidgets)
        order.push_back(w);
    for (CxSkinButton* b : m_layoutButtons)
        order.push_back(b);
    for (int id : after)
        order.push_back(platform::findControl(this, id));
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (!w)
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}
