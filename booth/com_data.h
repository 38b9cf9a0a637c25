// ComData: one combination slot of the main screen, and the slot layouts with their geometry.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>
#include <QRect>

#include "editing/fc/fc_image.h"

class QWidget;
struct SlotOriginal;

struct ComData {
    ComData() = default;
    ComData(const ComData& other);
    ComData& operator=(const ComData& other);

    QWidget* m_pictureControl = nullptr; ///< the slot's picture control, not owned
    int32_t m_left = 0;
    int32_t m_top = 0;
    int32_t m_right = 0;
    int32_t m_bottom = 0;
    int32_t m_used = 0; ///< 1 when the slot holds a picture
    QImage m_composed; ///< picture with frame
    QImage m_background; ///< picture without frame (the "Bk" picture)
    QImage m_frame; ///< the frame used
    uint32_t m_controlId = 0; ///< 0xFFF0 + slot index
    FCImage m_effects; ///< carried with the record, deep-copied
    int32_t m_opacity = 255; ///< frame opacity used when the slot is recomposed
    int32_t m_edited = 0; ///< 1 after the filter workbench handed back a result
    /// How the picture without frame is made again at full resolution; null when the slot has
    /// no originals (its pictures are then scaled). Shared by copies, never changed.
    std::shared_ptr<const SlotOriginal> m_original;

    QRect rect() const { return QRect(m_left, m_top, m_right - m_left, m_bottom - m_top); }
    void setRect(const QRect& r);
};

/// First picture-control id of the slots.
inline constexpr uint32_t kSlotControlIdBase = 0xFFF0;

/// The slot area (control 1083) in client coordinates, and its size = the sheet's size.
inline constexpr int kSlotAreaLeft = 423;
inline constexpr int kSlotAreaTop = 61;
inline constexpr int kSheetWidth = 364;
inline constexpr int kSheetHeight = 276;

/// Number of slot layouts and the most slots any layout has.
inline constexpr int kLayoutCount = 5;
inline constexpr int kMaxSlots = 16;

/// The slot rectangles of a layout, in slot order; empty for an unknown layout.
std::vector<QRect> SlotLayoutRects(int layout);
/// The button id choosing a layout (1180..1184).
inline constexpr int LayoutButtonId(int layout)
{
    return 1180 + layout;
}
