// The skin table and the embedded artwork.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "skin/skin_resources.h"

using namespace skin;

TEST(SkinResources, EveryTableEntryLoadsAndIsUnique)
{
    std::set<int> ids;
    std::set<std::string> names;
    for (const SkinResource& r : kSkinResources) {
        EXPECT_TRUE(ids.insert(r.id).second) << "duplicate id " << r.id;
        EXPECT_TRUE(names.insert(std::string(r.name)).second) << "duplicate name " << r.name;
        EXPECT_FALSE(SkinBitmap(r.id).isNull()) << r.name;
    }
    EXPECT_TRUE(SkinBitmap(0).isNull());
    EXPECT_TRUE(SkinBitmap(99999).isNull());
    EXPECT_TRUE(SkinBitmap("no_such_bitmap").isNull());
}

TEST(SkinResources, WindowsHaveTheirDialogSizes)
{
    const struct {
        int id;
        QSize size;
    } windows[] = { { kMainScreen, { 800, 600 } }, { kConfigureBackground, { 500, 510 } },
        { kEffectBackground, { 420, 400 } }, { kFilterBackground, { 800, 400 } }, { kMixerBackground, { 500, 410 } },
        { kSaveBackground, { 640, 550 } }, { kPrintBackground, { 800, 600 } }, { kThumbnailBackground, { 698, 536 } },
        { kLayout0Background, { 364, 276 } }, { kLayout4Background, { 364, 276 } }, { kEmptySlot, { 320, 240 } },
        { kBasePicture, { 320, 240 } } };
    for (const auto& w : windows)
        EXPECT_EQ(SkinBitmap(w.id).size(), w.size) << findSkinResource(w.id)->name;
}

TEST(SkinResources, ControlPartsFitTheirPlaces)
{
    for (int id : { kMsgError, kMsgWarning, kMsgQuestion, kMsgInformation })
        EXPECT_EQ(SkinBitmap(id).size(), QSize(32, 32));
    EXPECT_EQ(SkinBitmap(kCloseNormal).size(), QSize(25, 25));
    EXPECT_EQ(SkinBitmap(kSliderChannel).size(), QSize(278, 17));
    EXPECT_EQ(SkinBitmap(kButton60Mask).size(), QSize(60, 23));
    EXPECT_EQ(SkinBitmap(kButton80Normal).size(), QSize(80, 23));
    EXPECT_EQ(SkinBitmap(kFxFilpNormal).size(), QSize(122, 28));
    EXPECT_EQ(SkinBitmap(kMainShootMask).size(), QSize(102, 64));
    // The thumb's transparent colour is its top-left pixel, and it must not occur in its body.
    const QImage thumb = SkinBitmap(kSliderThumb);
    EXPECT_EQ(thumb.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_NE(thumb.pixel(thumb.width() / 2, thumb.height() / 2) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(thumb.width() % 2, 0) << "an odd thumb leaves the travel end between two pixels";
}
