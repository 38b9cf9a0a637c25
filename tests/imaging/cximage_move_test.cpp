// Moving pictures: the buffers change hands without a pixel copy, the source is left empty and
// reusable, and an alias stays an alias.
#include "imaging/cximage.h"
#include "ops_reference.h"

#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

static_assert(std::is_nothrow_move_constructible_v<CxImage>, "histories grow by moving");
static_assert(std::is_nothrow_move_assignable_v<CxImage>);

namespace {

CxImage decorated()
{
    CxImage img = opref::randomImage(12, 9, 7);
    EXPECT_TRUE(img.AlphaCreate());
    EXPECT_TRUE(img.SelectRectangle(2, 2, 5, 5));
    img.SetExifBlock({ 1, 2, 3 });
    img.SetJpegQuality(55.0f);
    return img;
}

void expectEmptyAndReusable(CxImage& img)
{
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetDIB(), nullptr);
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_FALSE(img.SelectionIsValid());
    EXPECT_TRUE(img.GetExifBlock().empty());
    EXPECT_EQ(img.GetWidth(), 0u);
    EXPECT_EQ(img.GetJpegQuality(), 90) << "back to a fresh image's attributes";
    ASSERT_NE(img.Create(4, 3, 24, 0), nullptr);
    img.SetPixelColor(1, 1, RGBQUAD { 9, 8, 7, 0 });
    EXPECT_EQ(img.GetPixelColor(1, 1).rgbGreen, 8);
}

} // namespace

TEST(CxImageMove, ConstructionTakesTheBuffersWithoutCopying)
{
    CxImage src = decorated();
    const CxImage reference(src);
    const uint8_t* dib = src.GetDIB();
    const uint8_t* bits = src.GetBits(0);
    const uint8_t* selection = src.SelectionPointer();

    CxImage moved(std::move(src));
    EXPECT_EQ(moved.GetDIB(), dib);
    EXPECT_EQ(moved.GetBits(0), bits);
    EXPECT_EQ(moved.SelectionPointer(), selection);
    EXPECT_TRUE(moved.AlphaIsValid());
    EXPECT_EQ(moved.GetExifBlock(), (std::vector<uint8_t> { 1, 2, 3 }));
    EXPECT_EQ(moved.GetJpegQuality(), 55);
    EXPECT_EQ(opref::maxDiff(moved, reference), 0);
    EXPECT_TRUE(moved.SelectionIsInside(3, 3));
    EXPECT_FALSE(moved.SelectionIsInside(8, 8));
    expectEmptyAndReusable(src);
}

TEST(CxImageMove, AssignmentReplacesTheTargetAndEmptiesTheSource)
{
    CxImage src = decorated();
    const uint8_t* dib = src.GetDIB();
    CxImage target = opref::randomImage(30, 20, 3);
    target = std::move(src);
    EXPECT_EQ(target.GetDIB(), dib);
    EXPECT_EQ(target.GetWidth(), 12u);
    EXPECT_TRUE(target.AlphaIsValid());
    expectEmptyAndReusable(src);

    CxImage& same = target;
    target = std::move(same);
    EXPECT_EQ(target.GetDIB(), dib) << "self-move keeps the picture";

    // A growing history moves its entries instead of copying them.
    std::vector<CxImage> history;
    history.push_back(opref::randomImage(8, 8, 1));
    const uint8_t* first = history[0].GetDIB();
    for (int i = 0; i < 20; ++i)
        history.push_back(opref::randomImage(8, 8, uint32_t(i + 2)));
    EXPECT_EQ(history[0].GetDIB(), first);
}

TEST(CxImageMove, AnAliasMovesAsAnAlias)
{
    CxImage owner = opref::randomImage(6, 5, 4);
    CxImage alias;
    alias.MakeAlias(owner);
    CxImage moved(std::move(alias));
    EXPECT_TRUE(moved.IsAlias());
    EXPECT_EQ(moved.GetDIB(), owner.GetDIB());
    EXPECT_FALSE(alias.IsAlias());
    expectEmptyAndReusable(alias);

    // Assigning into an alias replaces the alias without freeing the owner's pixels.
    CxImage other = opref::randomImage(3, 3, 5);
    const uint8_t* otherDib = other.GetDIB();
    moved = std::move(other);
    EXPECT_FALSE(moved.IsAlias());
    EXPECT_EQ(moved.GetDIB(), otherDib);
    EXPECT_TRUE(owner.IsValid());
    EXPECT_EQ(owner.GetWidth(), 6u);
    owner.SetPixelColor(0, 0, RGBQUAD { 1, 2, 3, 0 });
    EXPECT_EQ(owner.GetPixelColor(0, 0).rgbRed, 3);
}
