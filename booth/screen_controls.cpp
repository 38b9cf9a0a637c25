// DlgCorvantis, the controls: buttons, picture areas and labels at their places with their ids,
// the slot widgets of the layout (select, drag to swap, the slot menu), the phone link's card, and
// every control's accessible name, description and keyboard order (the workflow from camera to
// print and share).
#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>

#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "booth/share_card.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/notice_banner.h"
#include "skin/quen_menu.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
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
    { DlgCorvantis::kShareId,
        "Shows a code that opens the sheet on a phone, to download it there. Saving and printing show it too." },
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

void describeSlot(CSlotPicture* w, const CombinationSlots& sheet)
{
    const int index = w->index();
    const bool used = index < sheet.count() && sheet.slot(index).m_used;
    describe(w, QStringLiteral("Slot %1 of %2").arg(index + 1).arg(sheet.count()),
        used ? QStringLiteral("Holds a picture. Enter edits it; the menu key opens the slot menu.")
             : QStringLiteral("Empty. The next shot goes into the first empty slot."));
}

} // namespace

// ---- Controls ----

CxSkinButton* DlgCorvantis::addButton(const char* art, int id, QPoint at, const QString& tip)
{
    const std::string base = std::string("main_") + art;
    auto res = [&](const char* state) {
        const skin::SkinResource* r = skin::findSkinResource(base + "_" + state);
        return r ? r->id : 0;
    };
    auto* b = new CxSkinButton(this);
    b->SetSkin(res("normal"), res("down"), res("over"), res("disabled"), res("focus"), res("mask"), 0, 0, 0);
    b->move(at);
    b->setFocusPolicy(Qt::TabFocus);
    if (!tip.isEmpty())
        b->SetToolTipText(tip);
    platform::setControlId(b, id);
    return b;
}

void DlgCorvantis::createControls()
{
    using namespace skin;

    // The four picture areas share one place; the stage clips a photo moved past the frame.
    m_stage = new QWidget(this);
    m_stage->setGeometry(kPictureRect);
    m_stage->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    m_baseArea = new CPictureArea(m_stage);
    m_baseArea->setGeometry(0, 0, 320, 240);
    platform::setControlId(m_baseArea, kBaseId);
    m_photoArea = new CPictureArea(m_stage);
    m_photoArea->setGeometry(0, 0, 320, 240);
    platform::setControlId(m_photoArea, kPhotoId);
    m_frameArea = new CTransparentPic(m_stage);
    m_frameArea->setGeometry(0, 0, 320, 240);
    m_frameArea->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    platform::setControlId(m_frameArea, kFrameId);

    m_videoArea = new QWidget(this);
    m_videoArea->setGeometry(kPictureRect);
    m_videoArea->setAutoFillBackground(true);
    QPalette pal = m_videoArea->palette();
    pal.setColor(QPalette::Window, QColor(0x14, 0x18, 0x2E));
    m_videoArea->setPalette(pal);
    platform::setControlId(m_videoArea, kVideoId);

    m_tracker = new CPhotoTracker(this);
    m_tracker->setGeometry(0, 30, 400, 300);

    m_slotArea = new CPictureArea(this);
    m_slotArea->setGeometry(423, 61, 364, 276);
    platform::setControlId(m_slotArea, kSlotAreaId);

    m_cameraButton = addButton("camera", kCameraId, { 15, 448 }, QStringLiteral("Camera on / off"));
    m_cameraButton->setKind(CxSkinButton::CheckKind);
    m_frameButton = addButton("frame_toggle", kFrameShownId, { 247, 308 }, QStringLiteral("Show the frame"));
    m_frameButton->setKind(CxSkinButton::CheckKind);
    m_frameButton->SetCheck(true);
    addButton("shoot", kShootId, { 124, 448 }, QStringLiteral("Shoot"));
    addButton("use_picture", kUsePictureId, { 570, 410 }, QStringLiteral("Use this picture"));
    addButton("previous", kPreviousFrameId, { 658, 418 }, QStringLiteral("Previous image"));
    addButton("next", kNextFrameId, { 724, 418 }, QStringLiteral("Next image"));
    addButton("previous", kPreviousPhotoId, { 437, 418 }, QStringLiteral("Previous image"));
    addButton("next", kNextPhotoId, { 502, 418 }, QStringLiteral("Next image"));
    addButton("select_frame", kSelectFrameId, { 15, 308 }, QStringLiteral("Select frame"));
    addButton("select_photo", kSelectPhotoId, { 15, 378 }, QStringLiteral("Select photo"));
    addButton("add_frame", kAddFrameId, { 124, 308 }, QStringLiteral("Add single frame"));
    addButton("add_photo", kAddPhotoId, { 124, 379 }, QStringLiteral("Add single photo"));
    addButton("save_picture", kSavePictureId, { 247, 448 }, QStringLiteral("Save the sheet as a picture"));
    addButton("print", kPrintId, { 247, 378 }, QStringLiteral("Print the sheet"));
    addButton("open_project", kOpenProjectId, { 124, 518 }, QStringLiteral("Open a project"));
    addButton("save_project", kSaveProjectId, { 247, 518 }, QStringLiteral("Save the project"));
    addButton("configure", kConfigureId, { 15, 519 }, QStringLiteral("Settings"));
    const int layoutX[5] = { 544, 591, 639, 686, 735 };
    for (int i = 0; i < 5; ++i) {
        const std::string art = "layout" + std::to_string(i);
        m_layoutButtons[i] = addButton(art.c_str(), kLayout0Id + i, { layoutX[i], 344 },
            QStringLiteral("Layout with %1 pictures").arg(SlotLayoutRects(i).size()));
    }
    addButton("about", kAboutId, { 8, 31 }, QStringLiteral("About"));
    addButton("home", kHomeId, { 117, 31 }, QStringLiteral("Home page"));
    addButton("help", kHelpId, { 206, 31 }, QStringLiteral("Help"));
    addButton("minimise", kMinimiseId, { 735, 1 }, QStringLiteral("Minimise"));
    addButton("close", kCloseId, { 765, 1 }, QStringLiteral("Close"));
    // Share is there while sharing with phones is on; the card shows each sheet's link.
    CxSkinButton* share = addButton("share", kShareId, kSharePlace, QStringLiteral("Share with a phone"));
    share->setVisible(m_booth->share().isOffered());
    connect(&m_booth->share(), &BoothShare::offeredChanged, share, &QWidget::setVisible);
    new ShareCard(*m_booth, this);

    m_devices = new SkComboBox(this);
    m_devices->setGeometry(300, 31, 180, 20);
    m_devices->setToolTip(QStringLiteral("Camera"));
    platform::setControlId(m_devices, kDevicesId);

    m_folderHint = new QLineEdit(QStringLiteral("Select default image folder"), this);
    m_folderHint->setStyleSheet(QStringLiteral("QLineEdit { color: white; background: transparent; border: none; }"));
    m_folderHint->hide();
    platform::setControlId(m_folderHint, kFolderHintId);

    m_countdown = new SkStatic(this);
    QFont f(QStringLiteral("Arial"));
    f.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans") });
    f.setPixelSize(30);
    f.setWeight(QFont::DemiBold);
    m_countdown->setFont(f);
    m_countdown->setTextColor(QColor(0xFF, 0x00, 0xFF));
    m_countdown->setAlignment(Qt::AlignCenter);
    // "count down 3 seconds" at 30 pixels is about 330 pixels wide and its descenders need more
    // than 26 rows: the label keeps its centre and grows to fit.
    m_countdown->setGeometry(436, 520, 350, 34);
    m_countdown->hide();
    platform::setControlId(m_countdown, kCountdownId);

    m_guest = new GuestView(kPictureRect, this);
    // Over the free corner below the slots, above the guests' view.
    m_notices = new NoticeBanner(QRect(428, 500, 360, 94), this);

    m_menu = new CQuenMenu(QStringLiteral("Combination"), this);
    m_menu->AppendMenu(QStringLiteral("Copy"), CmdCopy);
    m_menu->AppendMenu(QStringLiteral("Paste"), CmdPaste);
    m_menu->AppendMenu(QStringLiteral("Remove"), CmdRemove);
    m_menu->AppendMenu(QStringLiteral("Clear"), CmdClear);
    m_menu->addSeparator();
    m_menu->AppendMenu(QStringLiteral("To edit area"), CmdToEditArea);
    m_menu->AppendMenu(QStringLiteral("Apply to all"), CmdApplyToAll);
}

CSlotPicture* DlgCorvantis::slotPicture(int index) const
{
    return index >= 0 && index < int(m_slotWidgets.size()) ? m_slotWidgets[size_t(index)] : nullptr;
}

// ---- Slot widgets ----

void DlgCorvantis::rebuildSlotWidgets()
{
    for (CSlotPicture* w : m_slotWidgets)
        delete w;
    m_slotWidgets.clear();
    for (int i = 0; i < slotModel().count(); ++i) {
        auto* w = new CSlotPicture(i, this);
        w->setGeometry(slotModel().slot(i).rect());
        platform::setControlId(w, int(kSlotControlIdBase) + i);
        w->setPicture(slotModel().shownPicture(i));
        // Pressed and released on another slot: the two swap places.
        connect(w, &CSlotPicture::pressed, this, [this](int index) {
            if (m_dragFrom >= 0 || !slotModel().setCurrentSlot(index))
                return;
            m_dragFrom = index;
            updateCurrentSlot();
            const QImage cursor = skin::SkinBitmap(skin::kCursorDrag);
            QApplication::setOverrideCursor(
                cursor.isNull() ? QCursor(Qt::ClosedHandCursor) : QCursor(QPixmap::fromImage(cursor), 4, 4));
        });
        connect(w, &CSlotPicture::released, this, [this](int, const QPoint& globalPos) {
            if (m_dragFrom < 0)
                return;
            const int from = m_dragFrom;
            m_dragFrom = -1;
            QApplication::restoreOverrideCursor();
            const QPoint local = mapFromGlobal(globalPos);
            for (CSlotPicture* other : m_slotWidgets) {
                if (other->geometry().contains(local) && other->index() != from) {
                    slotModel().swapSlots(from, other->index());
                    break;
                }
            }
            updateCurrentSlot();
        });
        connect(w, &CSlotPicture::rightReleased, this, [this](int index, const QPoint& globalPos) {
            if (!slotModel().setCurrentSlot(index))
                return;
            updateCurrentSlot();
            if (QAction* chosen = m_menu->exec(globalPos))
                OnSlotCommand(index, CQuenMenu::commandId(chosen));
        });
        connect(w, &CSlotPicture::doubleClicked, this, &DlgCorvantis::editSlot);
        connect(w, &CSlotPicture::selected, this, [this](int i) {
            if (slotModel().setCurrentSlot(i))
                updateCurrentSlot();
        });
        w->show();
        m_slotWidgets.push_back(w);
        describeSlot(w, slotModel());
    }
    // New slots join the keyboard order at their place; the guests' view stays on top.
    applyTabOrder();
    if (m_guest)
        m_guest->raise();
    const int layout = this->layout();
    m_slotArea->setPicture(skin::SkinBitmap(skin::kLayout0Background + layout));
    for (int i = 0; i < 5; ++i)
        m_layoutButtons[i]->SetCheck(i == layout);
    updateCurrentSlot();
}

void DlgCorvantis::updateSlotWidget(int index)
{
    if (CSlotPicture* w = slotPicture(index)) {
        w->setGeometry(slotModel().slot(index).rect());
        w->setPicture(slotModel().shownPicture(index));
        describeSlot(w, slotModel());
    }
}

void DlgCorvantis::updateCurrentSlot()
{
    for (CSlotPicture* w : m_slotWidgets)
        w->setCurrent(w->index() == slotModel().currentSlot());
}

// ---- Accessibility ----

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

void DlgCorvantis::applyTabOrder()
{
    // The workflow's order: camera, shooting, frame, photo, the sheet's slots and layouts, output,
    // project, settings, then the title bar.
    const int before[] = { kCameraId, kShootId, kFrameShownId, kSelectFrameId, kAddFrameId, kPreviousFrameId,
        kNextFrameId, kSelectPhotoId, kAddPhotoId, kPreviousPhotoId, kNextPhotoId, kUsePictureId };
    const int after[] = { kPrintId, kSavePictureId, kShareId, kOpenProjectId, kSaveProjectId, kConfigureId, kDevicesId,
        kAboutId, kHomeId, kHelpId, kMinimiseId, kCloseId };
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
