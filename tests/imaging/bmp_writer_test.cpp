// The shared BMP writer against the layout the codec has always written: header, the image's
// own info header and palette, stored rows; and 32 bits with the alpha plane in the fourth byte.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"
#include "ops_reference.h"
#include "platform/bmp_writer.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> encode(CxImage& img)
{
    CxMemFile mem;
    mem.Open();
    EXPECT_TRUE(img.Encode(&mem, CXIMAGE_FORMAT_BMP)) << img.GetLastError();
    return std::vector<uint8_t>(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());
}

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

/// The held bitmap written as it is: file header, then the DIB block unchanged.
std::vector<uint8_t> heldLayout(const CxImage& img)
{
    std::vector<uint8_t> out(14, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, img.GetSize() + 14);
    put32(out, 10, 14 + 40 + img.GetPaletteSize());
    const BITMAPINFOHEADER& h = img.GetHeader();
    const auto* hp = reinterpret_cast<const uint8_t*>(&h);
    out.insert(out.end(), hp, hp + 40);
    out.insert(out.end(), img.GetDIB() + 40, img.GetDIB() + img.GetSize());
    return out;
}

} // namespace

TEST(BmpWriter, CodecOutputKeepsTheHeldLayoutForEveryDepth)
{
    for (uint32_t bpp : { 1u, 4u, 8u, 24u }) {
        for (uint32_t w : { 1u, 5u, 13u }) {
            CxImage img = opref::randomImage(w, 7, w + bpp, bpp);
            img.SetXDPI(300);
            EXPECT_EQ(encode(img), heldLayout(img)) << bpp << " bits, width " << w;
        }
    }
}

TEST(BmpWriter, AlphaGoesIntoAThirtyTwoBitFile)
{
    CxImage img = opref::randomImage(5, 3, 11);
    ASSERT_TRUE(img.AlphaCreate());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            img.AlphaSet(x, y, uint8_t(x * 40 + y));
    const std::vector<uint8_t> b = encode(img);
    ASSERT_EQ(b.size(), 54u + 5 * 3 * 4);
    uint32_t size = 0;
    std::memcpy(&size, &b[2], 4);
    EXPECT_EQ(size, 54u + 60);
    EXPECT_EQ(b[28], 32);
    uint32_t sizeImage = 0;
    std::memcpy(&sizeImage, &b[34], 4);
    EXPECT_EQ(sizeImage, 60u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint8_t* p = &b[54 + size_t(y) * 20 + size_t(x) * 4];
            const RGBQUAD c = img.GetPixelColor(x, y, false);
            EXPECT_EQ(p[0], c.rgbBlue);
            EXPECT_EQ(p[1], c.rgbGreen);
            EXPECT_EQ(p[2], c.rgbRed);
            EXPECT_EQ(p[3], uint8_t(x * 40 + y));
        }
}

TEST(BmpWriter, RefusesWhatABitmapCannotHoldAndStopsOnASinkFailure)
{
    platform::BmpInfo info;
    info.width = 70000;
    info.height = 70000;
    info.bitCount = 32;
    int calls = 0;
    const platform::BmpSink counting = [&](const uint8_t*, size_t) { return ++calls, true; };
    const platform::BmpRowSource rows = [](uint32_t, uint8_t* s) -> const uint8_t* { return s; };
    EXPECT_FALSE(platform::writeBmp(counting, info, rows));
    EXPECT_EQ(calls, 0) << "nothing written for an impossible size";
    info.width = 0;
    EXPECT_FALSE(platform::writeBmp(counting, info, rows));

    info.width = 3;
    info.height = 4;
    info.bitCount = 24;
    EXPECT_EQ(platform::bmpRowBytes(3, 24), 12u);
    EXPECT_EQ(platform::bmpRowBytes(1, 1), 4u);
    int written = 0;
    const platform::BmpSink failing = [&](const uint8_t*, size_t) { return ++written < 3; };
    EXPECT_FALSE(platform::writeBmp(failing, info, rows));
    EXPECT_EQ(written, 3) << "headers, a row, then the refused row ends it";
}
