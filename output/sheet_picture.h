// SheetPicture: the sheet of all slots as saving and printing draw it: where each used slot lies
// on the 364 x 276 sheet and how to draw it at any size. What covers the backdrop or the paper is
// decided by the slot rectangles alone, never by a colour found in the pictures.
#pragma once

#include <functional>
#include <vector>

#include <QImage>
#include <QRect>
#include <QSize>

/// One used slot of the sheet.
struct SheetSlot {
    QRect rect; ///< on the 364 x 276 sheet
    QImage picture; ///< the slot as the screen shows it (its composed picture)
    /// The size of a slot picture in which its photo keeps its own resolution; the picture's size
    /// when the slot has no originals.
    QSize nativeSize;
    /// Draws the slot at a size from its originals; null when it has none (the picture is then
    /// scaled). Called from any thread; a null result falls back to the scaled picture.
    std::function<QImage(QSize)> render;
};

class SheetPicture {
public:
    static constexpr int kWidth = 364;
    static constexpr int kHeight = 276;
    /// The full-resolution sheet's longest side at most.
    static constexpr int kMaxFullSide = 8000;

    /// One picture covering the whole sheet (a picture handed in without its slots).
    static SheetPicture whole(const QImage& picture);

    void addSlot(SheetSlot slot) { m_slots.push_back(std::move(slot)); }
    const std::vector<SheetSlot>& slotList() const { return m_slots; }
    bool isEmpty() const { return m_slots.empty(); }

    /// The sheet scaled so the largest used slot gets its native resolution: never smaller than
    /// 364 x 276, the long side at most kMaxFullSide. 364 x 276 for an empty sheet.
    QSize fullResolutionSize() const;
    /// Where a slot rectangle of the sheet lands on a sheet drawn at size.
    static QRect scaledRect(const QRect& rect, QSize size);

    /// The sheet drawn at size: background scaled to size (or paper where background is null),
    /// then every slot scaled to its rectangle, from its originals when fromOriginals. A paper
    /// with alpha below 255 gives an ARGB layer, see-through outside the slots. Null for an empty
    /// size or when the picture cannot be made.
    QImage compose(QSize size, const QImage& background, QRgb paper, bool fromOriginals = false) const;
    /// The full-resolution sheet over background or paper.
    QImage composeFull(const QImage& background, QRgb paper) const
    {
        return compose(fullResolutionSize(), background, paper, true);
    }

private:
    std::vector<SheetSlot> m_slots;
};

/// The paper colour of prints: white.
inline constexpr QRgb kPaperWhite = 0xFFFFFFFF;
