// DlgCorvantis, slot editing: placing pictures into the combination slots, the slot controls,
// select, drag and swap, the slot menu, and the filter workbench's hand-back of an edited slot.
#include <algorithm>

#include <QApplication>
#include <QCursor>

#include "app/booth_settings.h"
#include "booth/composition.h"
#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "booth/slot_original.h"

#include "editing/dlg_filter.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/quen_menu.h"
#include "skin/skin_resources.h"

int DlgCorvantis::placeIntoFirstFree(int opacity, const std::function<void(const QImage&)>& beforeShown,
    const std::function<QByteArray()>& photoBytes, QSize photoSize)
{
    ComposeInput in;
    in.base = &m_base;
    in.photo = &m_photo;
    in.frame = &m_frame;
    in.photoArea = photoArea();
    in.frameArea = kPictureRect;
    in.frameShown = isFrameShown();
    // The shot is composed like a chosen photo: the frame the user saw over the live picture
    // belongs on the shot, so it is laid over here even while the camera runs.
    in.live = false;
    in.alpha = opacity;
    ComposeResult out;
    if (m_slots.usedSlots().size() >= m_slots.count() || !Compose(in, out))
        return -1;
    if (beforeShown)
        beforeShown(out.composed);
    // The originals: the photo at its own resolution and its place on the canvas, so saving and
    // printing can compose the slot again at full resolution.
    QByteArray bytes = photoBytes ? photoBytes() : QByteArray();
    QSize size = photoSize;
    if (bytes.isEmpty() && m_photoSource.IsValid()) {
        bytes = EncodeOriginalPhoto(BitmapFromImage(m_photoSource));
        size = QSize(int(m_photoSource.GetWidth()), int(m_photoSource.GetHeight()));
    }
    const QRect photoRect = photoArea().translated(-kPictureRect.topLeft());
    auto original = MakeSlotOriginal(bytes, size, photoRect, BitmapFromImage(m_base));
    return m_slots.storeIntoFirstFree(
        out.composed, out.background, isFrameShown() ? out.frame : QImage(), opacity, std::move(original));
}

void DlgCorvantis::OnUsePicture()
{
    if (m_live || !m_photo.IsValid())
        return;
    const int slot = placeIntoFirstFree(std::clamp(m_settings.m_alpha, 0, 255));
    if (slot >= 0)
        updateCurrentSlot();
    if (m_settings.m_autoChangeFrame == 1)
        OnNextFrame();
}

void DlgCorvantis::rebuildSlotWidgets()
{
    for (CSlotPicture* w : m_slotWidgets)
        delete w;
    m_slotWidgets.clear();
    for (int i = 0; i < m_slots.count(); ++i) {
        auto* w = new CSlotPicture(i, this);
        w->setGeometry(m_slots.slot(i).rect());
        platform::setControlId(w, int(kSlotControlIdBase) + i);
        w->setPicture(m_slots.shownPicture(i));
        connect(w, &CSlotPicture::pressed, this, &DlgCorvantis::onSlotPressed);
        connect(w, &CSlotPicture::released, this, &DlgCorvantis::onSlotReleased);
        connect(w, &CSlotPicture::rightReleased, this, &DlgCorvantis::onSlotMenu);
        connect(w, &CSlotPicture::doubleClicked, this, &DlgCorvantis::onEditSlot);
        connect(w, &CSlotPicture::selected, this, [this](int i) {
            if (m_slots.setCurrentSlot(i))
                updateCurrentSlot();
        });
        w->show();
        m_slotWidgets.push_back(w);
        describeSlot(i);
    }
    // New slots join the keyboard order at their place; the guests' view stays on top.
    applyTabOrder();
    if (m_guest)
        m_guest->raise();
    const int layout = m_slots.layout();
    m_slotArea->setPicture(skin::SkinBitmap(skin::kLayout0Background + layout));
    for (int i = 0; i < 5; ++i)
        m_layoutButtons[i]->SetCheck(i == layout);
    updateCurrentSlot();
}

void DlgCorvantis::updateSlotWidget(int index)
{
    if (CSlotPicture* w = slotPicture(index)) {
        w->setGeometry(m_slots.slot(index).rect());
        w->setPicture(m_slots.shownPicture(index));
        describeSlot(index);
    }
}

void DlgCorvantis::updateCurrentSlot()
{
    for (CSlotPicture* w : m_slotWidgets)
        w->setCurrent(w->index() == m_slots.currentSlot());
}

void DlgCorvantis::onSlotPressed(int index)
{
    if (m_dragFrom >= 0 || !m_slots.setCurrentSlot(index))
        return;
    m_dragFrom = index;
    updateCurrentSlot();
    const QImage cursor = skin::SkinBitmap(skin::kCursorDrag);
    QApplication::setOverrideCursor(
        cursor.isNull() ? QCursor(Qt::ClosedHandCursor) : QCursor(QPixmap::fromImage(cursor), 4, 4));
}

void DlgCorvantis::onSlotReleased(int index, const QPoint& globalPos)
{
    if (m_dragFrom < 0)
        return;
    const int from = m_dragFrom;
    m_dragFrom = -1;
    QApplication::restoreOverrideCursor();
    const QPoint local = mapFromGlobal(globalPos);
    for (CSlotPicture* w : m_slotWidgets) {
        if (w->geometry().contains(local) && w->index() != from) {
            m_slots.swapSlots(from, w->index());
            break;
        }
    }
    Q_UNUSED(index);
    updateCurrentSlot();
}

void DlgCorvantis::onSlotMenu(int index, const QPoint& globalPos)
{
    if (!m_slots.setCurrentSlot(index))
        return;
    updateCurrentSlot();
    if (QAction* chosen = m_menu->exec(globalPos))
        OnSlotCommand(index, CQuenMenu::commandId(chosen));
}

void DlgCorvantis::OnSlotCommand(int slot, int command)
{
    if (!m_slots.setCurrentSlot(slot))
        return;
    switch (command) {
    case CmdCopy:
        m_slots.copyCurrent();
        break;
    case CmdPaste:
        m_slots.pasteIntoCurrent();
        break;
    case CmdRemove:
        m_slots.removeCurrent();
        break;
    case CmdClear:
        if (confirmClear())
            m_slots.clearAll();
        break;
    case CmdApplyToAll:
        m_slots.applyFrameToAll();
        break;
    case CmdToEditArea: {
        const ComData& r = m_slots.slot(slot);
        if (!r.m_used)
            break;
        if (m_live) {
            // The slot's frame becomes the current frame too, so the next shot gets the frame shown.
            CxImage frame;
            if (!r.m_frame.isNull() && ImageFromBitmap(r.m_frame, frame)) {
                m_frame.TakeOver(frame);
                if (isFrameShown())
                    applyLiveOverlayImage(r.m_frame);
            }
        } else {
            CxImage photo, frame;
            if (ImageFromBitmap(r.m_background, photo)) {
                CxImage fitted;
                if (FitTo(photo, photoArea().size(), fitted)) {
                    m_photoSource.TakeOver(photo);
                    m_photo.TakeOver(fitted);
                    showPhotoArea();
                }
            }
            if (!r.m_frame.isNull() && ImageFromBitmap(r.m_frame, frame)) {
                m_frame.TakeOver(frame);
                showFrameArea();
            }
        }
        break;
    }
    default:
        break;
    }
    updateCurrentSlot();
}

void DlgCorvantis::onEditSlot(int slot)
{
    editSlot(slot);
}

void DlgCorvantis::onOpenWorkbench()
{
    // Enter edits the selected slot, like a double click on it.
    editSlot(m_slots.currentSlot());
}

bool DlgCorvantis::editSlot(int index)
{
    if (index < 0 || index >= m_slots.count() || !m_slots.slot(index).m_used)
        return false;
    DlgFilter workbench(m_slots.slot(index).m_composed, this);
    const int result = m_workbenchRunner ? m_workbenchRunner(workbench) : workbench.exec();
    if (result != DlgFilter::IdOk)
        return false;
    // Edits that can be made again at full resolution go with the slot's originals.
    const std::optional<std::vector<EditStep>>& edits = workbench.replayableEdits();
    if (!m_slots.handBackEdit(index, workbench.displayBitmap(), edits ? &*edits : nullptr))
        return false;
    updateCurrentSlot();
    updateSlotWidget(index);
    return true;
}

bool DlgCorvantis::handBackEdit(int slot, const QImage& result)
{
    if (!m_slots.handBackEdit(slot, result))
        return false;
    updateCurrentSlot();
    return true;
}
