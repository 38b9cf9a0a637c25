// The slot array and its operations.
#include "booth/combination_slots.h"

#include <algorithm>

#include "booth/composition.h"
#include "booth/slot_original.h"

QImage DefaultEmptySlotPicture()
{
    QImage picture(kSheetWidth, kSheetHeight, QImage::Format_RGB32);
    picture.fill(qRgb(64, 64, 72));
    return picture;
}

CombinationSlots::CombinationSlots()
    : m_emptySlot(DefaultEmptySlotPicture())
{
    buildLayout(0);
}

QImage CombinationSlots::shownPicture(int index) const
{
    return isValidIndex(index) ? m_shown[size_t(index)] : QImage();
}

bool CombinationSlots::setCurrentSlot(int index)
{
    if (!isValidIndex(index))
        return false;
    m_current = index;
    return true;
}

QList<int> CombinationSlots::usedSlots() const
{
    QList<int> used;
    for (int i = 0; i < count(); ++i)
        if (m_slots[size_t(i)].m_used)
            used.append(i);
    return used;
}

void CombinationSlots::notify(int index) const
{
    if (m_onSlotChanged)
        m_onSlotChanged(index);
}

void CombinationSlots::setShown(int index, const QImage& picture)
{
    m_shown[size_t(index)] = picture;
    notify(index);
}

bool CombinationSlots::buildLayout(int layout)
{
    const std::vector<QRect> rects = SlotLayoutRects(layout);
    if (rects.empty())
        return false;
    m_slots.assign(rects.size(), ComData());
    m_shown.assign(rects.size(), QImage());
    for (size_t i = 0; i < rects.size(); ++i) {
        ComData& r = m_slots[i];
        r.setRect(rects[i]);
        r.m_controlId = kSlotControlIdBase + uint32_t(i);
        QImage shown;
        RecomposeSlot(r, &shown);
        m_shown[i] = shown;
    }
    m_layout = layout;
    m_current = 0;
    for (int i = 0; i < count(); ++i)
        notify(i);
    return true;
}

bool CombinationSlots::changeLayout(int layout)
{
    if (layout == m_layout)
        return true;
    if (SlotLayoutRects(layout).empty())
        return false;
    m_carry.clear();
    for (const ComData& r : m_slots)
        if (r.m_used)
            m_carry.push_back(r);
    buildLayout(layout);
    const int n = std::min(int(m_carry.size()), count());
    for (int i = 0; i < n; ++i)
        PlaceIntoSlot(i, m_carry[size_t(i)]);
    m_carry.clear();
    return true;
}

int CombinationSlots::storeIntoFirstFree(const QImage& composed, const QImage& background, const QImage& frame,
    int opacity, std::shared_ptr<const SlotOriginal> original)
{
    for (int i = 0; i < count(); ++i) {
        ComData& r = m_slots[size_t(i)];
        if (r.m_used)
            continue;
        r.m_composed = composed;
        r.m_background = background;
        r.m_frame = frame;
        r.m_opacity = std::clamp(opacity, 0, 255);
        r.m_edited = 0;
        r.m_original = std::move(original);
        r.m_used = 1;
        setShown(i, ScaleBitmap(composed, r.rect().width(), r.rect().height(), ScaleSmooth));
        return i;
    }
    return -1;
}

bool CombinationSlots::restoreSlot(
    int index, const QImage& composed, const QImage& frame, const QImage& background, const SlotExtra* extra)
{
    if (!isValidIndex(index) || composed.isNull())
        return false;
    ComData& r = m_slots[size_t(index)];
    r.m_composed = composed;
    r.m_frame = extra && extra->noFrame ? QImage() : frame;
    r.m_background = background;
    r.m_opacity = extra ? std::clamp(extra->opacity, 0, 255) : 255;
    r.m_edited = extra && extra->edited ? 1 : 0;
    r.m_original = extra ? extra->original : nullptr;
    r.m_used = 1;
    setShown(index, ScaleBitmap(composed, r.rect().width(), r.rect().height(), ScaleSmooth));
    return true;
}

void CombinationSlots::RecomposeSlot(ComData& record, QImage* shown) const
{
    const QRect rect = record.rect();
    QImage picture;
    CxImage canvas;
    if (!record.m_composed.isNull() && ImageFromBitmap(record.m_background, canvas)) {
        CxImage frame;
        // The frame is stretched to the canvas (normally 320 × 240) so it lines up with it.
        const QImage stretched
            = ScaleBitmap(record.m_frame, int(canvas.GetWidth()), int(canvas.GetHeight()), ScaleStretch);
        if (ImageFromBitmap(stretched, frame))
            OverlayFrame(canvas, frame, 5, 0, 0, record.m_opacity, false);
        record.m_composed = BitmapFromImage(canvas);
        picture = ScaleBitmap(record.m_composed, rect.width(), rect.height(), ScaleStretch);
    } else {
        picture = ScaleBitmap(m_emptySlot, rect.width(), rect.height(), ScaleStretch);
    }
    if (shown)
        *shown = picture;
}

bool CombinationSlots::PlaceIntoSlot(int index, ComData r)
{
    if (!isValidIndex(index))
        return false;
    const ComData& target = m_slots[size_t(index)];
    r.m_pictureControl = target.m_pictureControl;
    r.m_left = target.m_left;
    r.m_top = target.m_top;
    r.m_right = target.m_right;
    r.m_bottom = target.m_bottom;
    r.m_controlId = target.m_controlId;
    QImage shown;
    RecomposeSlot(r, &shown);
    m_slots[size_t(index)] = r;
    setShown(index, shown);
    return true;
}

void CombinationSlots::ResetSlot(ComData& record, QImage* shown) const
{
    const QRect rect = record.rect();
    const QImage empty = ScaleBitmap(m_emptySlot, rect.width(), rect.height(), ScaleSmooth);
    record.m_used = 0;
    record.m_composed = empty;
    record.m_background = empty;
    record.m_frame = empty;
    record.m_original.reset(); // the shot's bytes go with the picture
    if (shown)
        *shown = empty;
}

bool CombinationSlots::removeSlot(int index)
{
    if (!isValidIndex(index))
        return false;
    QImage shown;
    ResetSlot(m_slots[size_t(index)], &shown);
    setShown(index, shown);
    return true;
}

void CombinationSlots::clearAll()
{
    for (int i = 0; i < count(); ++i)
        removeSlot(i);
}

bool CombinationSlots::copyCurrent()
{
    if (!isValidIndex(m_current))
        return false;
    m_held = m_slots[size_t(m_current)];
    m_hasHeld = true;
    return true;
}

bool CombinationSlots::pasteIntoCurrent()
{
    if (!m_hasHeld)
        return false;
    return PlaceIntoSlot(m_current, m_held);
}

bool CombinationSlots::swapSlots(int from, int to)
{
    if (!isValidIndex(from) || !isValidIndex(to))
        return false;
    if (from != to) {
        const ComData a = m_slots[size_t(from)];
        const ComData b = m_slots[size_t(to)];
        PlaceIntoSlot(from, b);
        PlaceIntoSlot(to, a);
    }
    m_current = to;
    return true;
}

int CombinationSlots::applyFrameToAll()
{
    if (!isValidIndex(m_current))
        return 0;
    const ComData& current = m_slots[size_t(m_current)];
    if (current.m_edited)
        return 0;
    const QImage frame = current.m_frame;
    int changed = 0;
    for (int i = 0; i < count(); ++i) {
        if (i == m_current || !m_slots[size_t(i)].m_used)
            continue;
        ComData r = m_slots[size_t(i)];
        r.m_frame = frame;
        PlaceIntoSlot(i, r);
        ++changed;
    }
    return changed;
}

bool CombinationSlots::handBackEdit(int index, const QImage& result, const std::vector<EditStep>* edits)
{
    if (!isValidIndex(index) || result.isNull())
        return false;
    ComData r = m_slots[size_t(index)];
    // The workbench edited the picture with its frame; at full resolution that frame is laid over
    // before the edits are made again.
    r.m_original = edits && r.m_original ? WithEdits(*r.m_original, r.m_frame, r.m_opacity, *edits) : nullptr;
    r.m_composed = result;
    r.m_background = result;
    // No frame from now on: the old one is part of the result, and the empty-slot picture is
    // screen art that must never reach a saved or printed sheet.
    r.m_frame = QImage();
    r.m_edited = 1;
    return PlaceIntoSlot(index, r);
}

QImage CombinationSlots::sheet() const
{
    CxImage sheet;
    sheet.Create(kSheetWidth, kSheetHeight, 24);
    sheet.Clear(0);
    for (const ComData& r : m_slots) {
        if (!r.m_used || r.m_composed.isNull())
            continue;
        const QRect rect = r.rect();
        CxImage picture;
        if (!ImageFromBitmap(ScaleBitmap(r.m_composed, rect.width(), rect.height(), ScaleSmooth), picture))
            continue;
        // Rows count from the bottom: the slot's bottom edge lands kSlotAreaTop + height - bottom up.
        PastePicture(
            sheet, picture, 0, r.m_left - kSlotAreaLeft, kSlotAreaTop + kSheetHeight - r.m_bottom, false, false);
    }
    return BitmapFromImage(sheet);
}

SheetPicture CombinationSlots::sheetPicture() const
{
    SheetPicture sheet;
    for (const ComData& r : m_slots) {
        if (!r.m_used || r.m_composed.isNull())
            continue;
        SheetSlot s;
        s.rect = r.rect().translated(-kSlotAreaLeft, -kSlotAreaTop);
        s.picture = r.m_composed;
        s.nativeSize = r.m_original ? r.m_original->nativeSize() : r.m_composed.size();
        if (r.m_original) {
            // A copy of what drawing needs: the closure may run on another thread after the
            // slot has changed.
            ComData copy;
            copy.m_original = r.m_original;
            copy.m_frame = r.m_frame;
            copy.m_opacity = r.m_opacity;
            s.render = [copy](QSize size) { return RenderSlotAt(copy, size); };
        }
        sheet.addSlot(std::move(s));
    }
    return sheet;
}

QImage RenderSlotAt(const ComData& slot, QSize size, QString* error)
{
    if (!slot.m_original)
        return QImage();
    QImage canvas = slot.m_original->render(size, error);
    if (canvas.isNull())
        return QImage();
    if (!slot.m_frame.isNull())
        OverlayFrameScaled(canvas, slot.m_frame, slot.m_opacity);
    return canvas;
}
