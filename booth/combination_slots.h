// CombinationSlots: the live slot array of the main screen with its layout, selection, held copy
// and slot operations. The screen draws; this model tells it which slot changed and what to show.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QImage>
#include <QList>

#include "booth/com_data.h"
#include "editing/edit_replay.h"
#include "output/sheet_picture.h"

/// What a project keeps of a slot besides its three pictures (its full-resolution record).
struct SlotExtra {
    std::shared_ptr<const SlotOriginal> original;
    int opacity = 255;
    bool edited = false;
    bool noFrame = false; ///< the frame record only stands in: the slot has no frame
};

class CombinationSlots {
public:
    CombinationSlots();

    /// The 364 × 276 picture shown by empty slots (on the screen only: never in a saved or printed sheet).
    void setEmptySlotPicture(const QImage& picture) { m_emptySlot = picture; }
    const QImage& emptySlotPicture() const { return m_emptySlot; }
    /// Called with the index of every slot whose shown picture changed.
    void setSlotChangedHandler(std::function<void(int)> handler) { m_onSlotChanged = std::move(handler); }

    int layout() const { return m_layout; }
    int count() const { return int(m_slots.size()); }
    bool isValidIndex(int index) const { return index >= 0 && index < count(); }
    const ComData& slot(int index) const { return m_slots[size_t(index)]; }
    /// The picture the slot's control shows, already at the slot's size.
    QImage shownPicture(int index) const;
    int currentSlot() const { return m_current; }
    /// Selects a slot; an index out of range is refused.
    bool setCurrentSlot(int index);
    /// The used slot indices in ascending order.
    QList<int> usedSlots() const;

    /// Builds a layout with empty slots, dropping whatever the slots held. False for an unknown layout.
    bool buildLayout(int layout);
    /// Changes the layout carrying the used slots over in slot order; those that do not fit are
    /// dropped. Nothing happens for the current layout; false for an unknown one.
    bool changeLayout(int layout);

    /// Stores a composition into the first free slot with the given frame opacity and the
    /// originals it was made from (null: none). The slot index, or -1 when every slot is used.
    int storeIntoFirstFree(const QImage& composed, const QImage& background, const QImage& frame, int opacity,
        std::shared_ptr<const SlotOriginal> original = {});
    /// Restores a slot from project pictures: shown scaled, marked used, not recomposed. extra
    /// (when given) brings the opacity, the edited mark and the originals back.
    bool restoreSlot(int index, const QImage& composed, const QImage& frame, const QImage& background,
        const SlotExtra* extra = nullptr);

    /// Stores r into slot index keeping that slot's control and rectangle, then recomposes it.
    bool PlaceIntoSlot(int index, ComData r);
    /// Recomposes a record from its picture without frame and its frame; tells what to show.
    void RecomposeSlot(ComData& record, QImage* shown = nullptr) const;
    /// Empties a record: unused, the empty slot picture (scaled to its rectangle) in all three pictures.
    void ResetSlot(ComData& record, QImage* shown = nullptr) const;

    bool removeSlot(int index);
    bool removeCurrent() { return removeSlot(m_current); }
    void clearAll();
    /// Holds a copy of the current slot.
    bool copyCurrent();
    bool hasHeldCopy() const { return m_hasHeld; }
    /// Places the held copy into the current slot.
    bool pasteIntoCurrent();
    /// Exchanges the pictures of two slots; each keeps its position. The target becomes current.
    bool swapSlots(int from, int to);
    /// Gives every other used slot the current slot's frame, unless the current slot was edited.
    /// The number of slots changed.
    int applyFrameToAll();
    /// The filter workbench's result for a slot: it becomes the picture with and without frame,
    /// the slot has no frame any more (the old one is part of the result) and counts as edited.
    /// edits: the workbench's steps when all of them can be made again at full resolution; the
    /// slot's originals then carry them, otherwise the slot has none from now on.
    bool handBackEdit(int index, const QImage& result, const std::vector<EditStep>* edits = nullptr);

    /// Every used slot's composed picture at its place on a black 364 × 276 sheet.
    QImage sheet() const;
    /// The used slots for saving and printing: their rectangles, pictures and originals.
    SheetPicture sheetPicture() const;

private:
    void notify(int index) const;
    void setShown(int index, const QImage& picture);

    std::vector<ComData> m_slots;
    std::vector<QImage> m_shown;
    std::vector<ComData> m_carry;
    ComData m_held;
    bool m_hasHeld = false;
    int m_current = 0;
    int m_layout = -1;
    QImage m_emptySlot;
    std::function<void(int)> m_onSlotChanged;
};

/// A plain grey picture, used when no empty-slot artwork is given.
QImage DefaultEmptySlotPicture();

/// The slot's composed picture drawn at size from its originals: the picture without frame made
/// again, its frame laid over at the slot's opacity. Null (with *error when the originals fail)
/// for a slot without originals.
QImage RenderSlotAt(const ComData& slot, QSize size, QString* error = nullptr);
