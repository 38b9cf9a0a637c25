// The slot array: layouts, filling, swap, copy and paste, apply to all, edits, layout change, sheet.
#include "booth/combination_slots.h"

#include <gtest/gtest.h>

#include "booth/composition.h"
#include "tests/booth/booth_test_util.h"

using namespace boothtest;

namespace {

/// Fills the first free slot with a solid composition of colour c and a see-through frame.
int fill(CombinationSlots& model, QRgb c)
{
    const QImage picture = solidBitmap(kCanvasWidth, kCanvasHeight, c);
    return model.storeIntoFirstFree(picture, picture, solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(0, 255, 0)), 255);
}

QRgb centreOf(const QImage& image)
{
    return image.pixel(image.width() / 2, image.height() / 2) & 0xFFFFFF;
}

QRgb sheetPixel(const QImage& sheet, int clientX, int clientY)
{
    return sheet.pixel(clientX - kSlotAreaLeft, clientY - kSlotAreaTop) & 0xFFFFFF;
}

} // namespace

TEST(SlotLayouts, FiveLayoutsInsideTheSlotArea)
{
    const int counts[kLayoutCount] = { 13, 4, 10, 16, 7 };
    const QRect area(kSlotAreaLeft, kSlotAreaTop, kSheetWidth, kSheetHeight);
    for (int layout = 0; layout < kLayoutCount; ++layout) {
        const std::vector<QRect> rects = SlotLayoutRects(layout);
        ASSERT_EQ(int(rects.size()), counts[layout]);
        for (size_t i = 0; i < rects.size(); ++i) {
            EXPECT_TRUE(area.contains(rects[i])) << layout << "/" << i;
            for (size_t j = 0; j < i; ++j)
                EXPECT_FALSE(rects[i].intersects(rects[j])) << layout << ": " << i << " overlaps " << j;
        }
    }
    EXPECT_TRUE(SlotLayoutRects(5).empty());
    EXPECT_TRUE(SlotLayoutRects(-1).empty());
    const std::vector<QRect> grid = SlotLayoutRects(3);
    EXPECT_EQ(grid[1], QRect(518, 66, 84, 62));
    EXPECT_EQ(grid[4], QRect(428, 134, 84, 62));
    EXPECT_EQ(SlotLayoutRects(2)[7], QRect(608, 202, 174, 130));
}

TEST(CombinationSlots, FreshLayoutHasEmptySlotsWithIdsAndRectangles)
{
    CombinationSlots model;
    ASSERT_EQ(model.count(), 13);
    for (int i = 0; i < model.count(); ++i) {
        EXPECT_EQ(model.slot(i).m_controlId, 0xFFF0u + uint32_t(i));
        EXPECT_EQ(model.slot(i).m_used, 0);
        EXPECT_EQ(model.slot(i).m_opacity, 255);
        EXPECT_EQ(model.shownPicture(i).size(), model.slot(i).rect().size());
    }
    EXPECT_EQ(model.slot(0).rect(), QRect(428, 66, 174, 130));
    EXPECT_FALSE(model.setCurrentSlot(13));
    EXPECT_FALSE(model.removeSlot(-1));
    EXPECT_FALSE(model.PlaceIntoSlot(99, ComData()));
    EXPECT_TRUE(model.shownPicture(13).isNull());
}

TEST(CombinationSlots, ShotsFillTheFirstFreeSlotUntilFull)
{
    CombinationSlots model;
    model.buildLayout(1);
    std::vector<int> changed;
    model.setSlotChangedHandler([&](int i) { changed.push_back(i); });
    EXPECT_EQ(fill(model, qRgb(255, 0, 0)), 0);
    EXPECT_EQ(fill(model, qRgb(0, 0, 255)), 1);
    EXPECT_EQ(changed, (std::vector<int> { 0, 1 }));
    EXPECT_EQ(centreOf(model.shownPicture(1)), 0x0000FFu);
    EXPECT_EQ(model.shownPicture(1).size(), QSize(174, 130));
    model.removeSlot(0);
    EXPECT_EQ(fill(model, qRgb(1, 2, 3)), 0);
    EXPECT_EQ(fill(model, qRgb(1, 2, 3)), 2);
    EXPECT_EQ(fill(model, qRgb(1, 2, 3)), 3);
    EXPECT_EQ(fill(model, qRgb(1, 2, 3)), -1);
    EXPECT_EQ(model.usedSlots(), (QList<int> { 0, 1, 2, 3 }));
}

TEST(CombinationSlots, RemoveShowsTheEmptySlotPicture)
{
    CombinationSlots model;
    model.setEmptySlotPicture(solidBitmap(kSheetWidth, kSheetHeight, qRgb(9, 8, 7)));
    fill(model, qRgb(255, 0, 0));
    ASSERT_TRUE(model.removeSlot(0));
    EXPECT_EQ(model.slot(0).m_used, 0);
    EXPECT_TRUE(nearColour(centreOf(model.shownPicture(0)), 0x090807u));
    EXPECT_TRUE(nearColour(centreOf(model.slot(0).m_composed), 0x090807u));
    EXPECT_EQ(model.slot(0).m_frame.size(), QSize(174, 130));
    // Removing an empty slot leaves it empty.
    ASSERT_TRUE(model.removeSlot(5));
    EXPECT_EQ(model.slot(5).m_used, 0);
    fill(model, qRgb(1, 1, 1));
    fill(model, qRgb(2, 2, 2));
    model.clearAll();
    EXPECT_TRUE(model.usedSlots().isEmpty());
}

TEST(CombinationSlots, SwapExchangesPicturesAndKeepsPositions)
{
    CombinationSlots model;
    fill(model, qRgb(255, 0, 0));
    fill(model, qRgb(0, 0, 255));
    const ComData before0 = model.slot(0);
    const ComData before1 = model.slot(1);
    ASSERT_TRUE(model.swapSlots(0, 1));
    EXPECT_EQ(model.slot(0).rect(), before0.rect());
    EXPECT_EQ(model.slot(1).rect(), before1.rect());
    EXPECT_EQ(model.slot(0).m_controlId, before0.m_controlId);
    EXPECT_EQ(centreOf(model.slot(0).m_composed), 0x0000FFu);
    EXPECT_EQ(centreOf(model.slot(1).m_composed), 0xFF0000u);
    EXPECT_EQ(model.shownPicture(0).size(), before0.rect().size());
    EXPECT_EQ(centreOf(model.shownPicture(0)), 0x0000FFu);
    EXPECT_EQ(model.currentSlot(), 1);
    // Dragging onto an empty slot moves the picture there.
    ASSERT_TRUE(model.swapSlots(1, 6));
    EXPECT_EQ(model.slot(6).m_used, 1);
    EXPECT_EQ(model.slot(1).m_used, 0);
    EXPECT_FALSE(model.swapSlots(0, 40));
}

TEST(CombinationSlots, CopyAndPasteIntoAnotherSlot)
{
    CombinationSlots model;
    EXPECT_FALSE(model.pasteIntoCurrent());
    fill(model, qRgb(255, 0, 0));
    ASSERT_TRUE(model.copyCurrent());
    model.setCurrentSlot(4);
    ASSERT_TRUE(model.pasteIntoCurrent());
    EXPECT_EQ(model.slot(4).m_used, 1);
    EXPECT_EQ(model.slot(4).rect(), SlotLayoutRects(0)[4]);
    EXPECT_EQ(centreOf(model.shownPicture(4)), 0xFF0000u);
}

TEST(CombinationSlots, ApplyToAllGivesTheFrameUnlessEdited)
{
    CombinationSlots model;
    model.buildLayout(1);
    fill(model, qRgb(255, 0, 0));
    fill(model, qRgb(0, 0, 255));
    fill(model, qRgb(0, 255, 255));
    // Slot 0 gets a frame with a white border.
    QImage frame = solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(0, 255, 0));
    for (int x = 0; x < kCanvasWidth; ++x)
        frame.setPixel(x, 0, qRgb(255, 255, 255));
    ComData first = model.slot(0);
    first.m_frame = frame;
    model.PlaceIntoSlot(0, first);
    EXPECT_EQ(model.slot(0).m_composed.pixel(5, 0) & 0xFFFFFF, 0xFFFFFFu);

    ComData edited = model.slot(0);
    edited.m_edited = 1;
    model.PlaceIntoSlot(0, edited);
    model.setCurrentSlot(0);
    EXPECT_EQ(model.applyFrameToAll(), 0);
    EXPECT_EQ(model.slot(1).m_composed.pixel(5, 0) & 0xFFFFFF, 0x0000FFu);

    edited.m_edited = 0;
    model.PlaceIntoSlot(0, edited);
    EXPECT_EQ(model.applyFrameToAll(), 2);
    EXPECT_EQ(model.slot(1).m_composed.pixel(5, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(model.slot(2).m_composed.pixel(5, 1) & 0xFFFFFF, 0x00FFFFu);
    EXPECT_EQ(model.slot(3).m_used, 0);
}

TEST(CombinationSlots, EditHandBackMarksTheSlotEditedWithoutAnyFrame)
{
    CombinationSlots model;
    // Artwork with a border and a glyph, as the screen's empty-slot picture has.
    QImage art = solidBitmap(kSheetWidth, kSheetHeight, qRgb(246, 241, 233));
    for (int x = 0; x < kSheetWidth; ++x)
        art.setPixel(x, 3, qRgb(255, 200, 87));
    art.setPixel(kSheetWidth / 2 + 1, kSheetHeight / 2, qRgb(200, 150, 60));
    model.setEmptySlotPicture(art);
    fill(model, qRgb(255, 0, 0));
    const QImage result = patternBitmap(kCanvasWidth, kCanvasHeight, 4);
    ASSERT_TRUE(model.handBackEdit(0, result));
    EXPECT_EQ(model.slot(0).m_edited, 1);
    EXPECT_TRUE(sameColours(model.slot(0).m_background, result));
    // No placeholder as a frame: the screen art never reaches the slot, now or when recomposed.
    EXPECT_TRUE(model.slot(0).m_frame.isNull());
    EXPECT_TRUE(sameColours(model.slot(0).m_composed, result));
    ASSERT_TRUE(model.swapSlots(0, 2));
    EXPECT_TRUE(sameColours(model.slot(2).m_composed, result));
    EXPECT_FALSE(model.handBackEdit(0, QImage()));
}

TEST(CombinationSlots, LayoutChangeCarriesUsedSlotsInOrder)
{
    CombinationSlots model;
    const QRgb colours[5] = { 0x110000, 0x220000, 0x330000, 0x440000, 0x550000 };
    for (QRgb c : colours)
        fill(model, c | 0xFF000000);
    model.swapSlots(4, 9); // used model now 0, 1, 2, 3, 9
    ASSERT_TRUE(model.changeLayout(1));
    EXPECT_EQ(model.layout(), 1);
    ASSERT_EQ(model.count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(model.slot(i).m_used, 1);
        EXPECT_EQ(centreOf(model.slot(i).m_composed), colours[i]);
        EXPECT_EQ(model.slot(i).rect(), SlotLayoutRects(1)[size_t(i)]);
        EXPECT_EQ(model.slot(i).m_controlId, 0xFFF0u + uint32_t(i));
    }
    EXPECT_EQ(model.currentSlot(), 0);
    // Back to the 13-slot layout: the four come back, the fifth stays lost.
    ASSERT_TRUE(model.changeLayout(0));
    EXPECT_EQ(model.usedSlots(), (QList<int> { 0, 1, 2, 3 }));
    EXPECT_FALSE(model.changeLayout(7));
    EXPECT_EQ(model.layout(), 0);
}

TEST(CombinationSlots, SheetPlacesSlotsOnBlack)
{
    CombinationSlots model;
    model.buildLayout(1);
    fill(model, qRgb(255, 0, 0));
    fill(model, qRgb(0, 0, 255));
    fill(model, qRgb(0, 255, 0));
    fill(model, qRgb(255, 255, 0));
    const QImage sheet = model.sheet();
    ASSERT_EQ(sheet.size(), QSize(kSheetWidth, kSheetHeight));
    EXPECT_TRUE(nearColour(sheetPixel(sheet, 428, 66), 0xFF0000u));
    EXPECT_TRUE(nearColour(sheetPixel(sheet, 601, 195), 0xFF0000u));
    EXPECT_TRUE(nearColour(sheetPixel(sheet, 608, 66), 0x0000FFu));
    EXPECT_TRUE(nearColour(sheetPixel(sheet, 428, 202), 0x00FF00u));
    EXPECT_TRUE(nearColour(sheetPixel(sheet, 781, 331), 0xFFFF00u));
    // The gaps stay black.
    EXPECT_EQ(sheetPixel(sheet, 423, 61), 0u);
    EXPECT_EQ(sheetPixel(sheet, 427, 100), 0u);
    EXPECT_EQ(sheetPixel(sheet, 602, 100), 0u);
    EXPECT_EQ(sheetPixel(sheet, 500, 196), 0u);
    EXPECT_EQ(sheetPixel(sheet, 786, 336), 0u);
}

TEST(CombinationSlots, SheetPictureHoldsTheUsedSlotsOnly)
{
    CombinationSlots model;
    model.setEmptySlotPicture(solidBitmap(kSheetWidth, kSheetHeight, qRgb(200, 200, 200)));
    model.buildLayout(1);
    fill(model, qRgb(255, 0, 0));
    fill(model, qRgb(0, 0, 255));
    fill(model, qRgb(0, 255, 0));
    model.removeSlot(1); // its pictures become the empty-slot artwork
    const SheetPicture sheet = model.sheetPicture();
    ASSERT_EQ(sheet.slotList().size(), 2u);
    EXPECT_EQ(sheet.slotList()[0].rect, QRect(5, 5, 174, 130));
    EXPECT_EQ(sheet.slotList()[1].rect, QRect(5, 141, 174, 130));
    // Printed on white: the removed slot and the gaps are paper, not artwork.
    const QImage print = sheet.compose(QSize(kSheetWidth, kSheetHeight), QImage(), kPaperWhite);
    EXPECT_EQ(sheetPixel(print, 423, 61), 0xFFFFFFu);
    EXPECT_EQ(sheetPixel(print, 700, 120), 0xFFFFFFu);
    EXPECT_TRUE(nearColour(sheetPixel(print, 428, 66), 0xFF0000u));
    // The classic sheet leaves it out too.
    EXPECT_EQ(sheetPixel(model.sheet(), 700, 120), 0u);
}

TEST(ComData, CopiesShareBitmapsAndDeepCopyTheEffectsImage)
{
    ComData a;
    EXPECT_EQ(a.m_opacity, 255);
    EXPECT_EQ(a.m_edited, 0);
    EXPECT_TRUE(a.m_effects.IsEmpty());
    a.m_composed = solidBitmap(4, 4, qRgb(1, 2, 3));
    ASSERT_TRUE(a.m_effects.Create(4, 4, 24));
    a.m_effects.Pixel(0, 0)[0] = 77;
    ComData b = a;
    EXPECT_EQ(b.m_composed.constBits(), a.m_composed.constBits()); // shared, not duplicated
    ASSERT_FALSE(b.m_effects.IsEmpty());
    EXPECT_NE(b.m_effects.Bits(), a.m_effects.Bits());
    b.m_effects.Pixel(0, 0)[0] = 5;
    EXPECT_EQ(a.m_effects.Pixel(0, 0)[0], 77);
    b = ComData();
    EXPECT_TRUE(b.m_effects.IsEmpty());
}
