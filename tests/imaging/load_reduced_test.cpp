// Tests of loading pictures reduced: a phone-sized JPEG opens at a DCT reduction, a picture too
// large to hold is refused with its size in a sentence.
#include "imaging/cximage.h"
#include "imaging/load_reduced.h"

#include "tests/common/test_support.h"

#include <fstream>

#include <gtest/gtest.h>

namespace {

void putBe16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

/// A valid baseline three-component JPEG of w x h (multiples of 8), every pixel mid grey: one
/// Huffman code per table, so each 8 x 8 block is two zero bits and the file stays small.
std::vector<uint8_t> flatJpeg(uint32_t w, uint32_t h)
{
    std::vector<uint8_t> v;
    v.reserve(1024); // also spares GCC 12 a false out-of-bounds warning on the small inserts
    v.insert(v.end(), { 0xFF, 0xD8, 0xFF, 0xDB });
    putBe16(v, 67);
    v.push_back(0);
    v.insert(v.end(), 64, 1);
    v.insert(v.end(), { 0xFF, 0xC0 });
    putBe16(v, 17);
    v.push_back(8);
    putBe16(v, h);
    putBe16(v, w);
    v.push_back(3);
    for (uint8_t c = 1; c <= 3; ++c)
        v.insert(v.end(), { c, 0x11, 0 });
    for (uint8_t table : { 0x00, 0x10 }) { // DC 0 and AC 0: one code of length 1 for symbol 0
        v.insert(v.end(), { 0xFF, 0xC4 });
        putBe16(v, 2 + 1 + 16 + 1);
        v.push_back(table);
        v.push_back(1);
        v.insert(v.end(), 15, 0);
        v.push_back(0);
    }
    v.insert(v.end(), { 0xFF, 0xDA });
    putBe16(v, 12);
    v.push_back(3);
    for (uint8_t c = 1; c <= 3; ++c)
        v.insert(v.end(), { c, 0x00 });
    v.insert(v.end(), { 0, 63, 0 });
    const uint64_t bits = uint64_t(w / 8) * (h / 8) * 3 * 2;
    v.insert(v.end(), size_t((bits + 7) / 8), 0);
    v.insert(v.end(), { 0xFF, 0xD9 });
    return v;
}

uint32_t crc32Of(const uint8_t* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void putChunk(std::vector<uint8_t>& v, const char* type, const std::vector<uint8_t>& data)
{
    putBe16(v, uint32_t(data.size()) >> 16);
    putBe16(v, uint32_t(data.size()));
    const size_t start = v.size();
    v.insert(v.end(), type, type + 4);
    v.insert(v.end(), data.begin(), data.end());
    const uint32_t crc = crc32Of(v.data() + start, v.size() - start);
    putBe16(v, crc >> 16);
    putBe16(v, crc);
}

/// A PNG declaring w x h whose image data is a few bytes: enough for its header to be read.
std::vector<uint8_t> pngDeclaring(uint32_t w, uint32_t h)
{
    std::vector<uint8_t> v { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    std::vector<uint8_t> ihdr;
    putBe16(ihdr, w >> 16);
    putBe16(ihdr, w);
    putBe16(ihdr, h >> 16);
    putBe16(ihdr, h);
    ihdr.insert(ihdr.end(), { 8, 2, 0, 0, 0 });
    putChunk(v, "IHDR", ihdr);
    putChunk(v, "IDAT", { 0x78, 0x9C, 0x63, 0x60, 0x00, 0x00 });
    putChunk(v, "IEND", {});
    return v;
}

void write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace

TEST(LoadReduced, PhonePhotoOpensAtReducedJpegScale)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("phone_photo_12000x9000.jpg");
    write(path, flatJpeg(12000, 9000));

    CxImage full;
    EXPECT_FALSE(full.Load(path.c_str(), CXIMAGE_FORMAT_JPG)); // what the booth did before

    CxImage photo;
    std::string error;
    ASSERT_TRUE(LoadReduced(path.c_str(), 1280, 960, photo, &error)) << error;
    EXPECT_EQ(photo.GetWidth(), 1500u);
    EXPECT_EQ(photo.GetHeight(), 1125u);
    EXPECT_NEAR(photo.GetPixelColor(700, 500).rgbGreen, 128, 2);

    // Asked for more than 1/8 leaves: the largest reduction that still covers the wish.
    CxImage half;
    ASSERT_TRUE(LoadReduced(path.c_str(), 3000, 2000, half, &error)) << error;
    EXPECT_EQ(half.GetWidth(), 3000u);
    // Full size wanted but impossible: the smallest reduction that fits.
    CxImage fitting;
    ASSERT_TRUE(LoadReduced(path.c_str(), 0, 0, fitting, &error)) << error;
    EXPECT_EQ(fitting.GetWidth(), 6000u);

    // A small JPEG is never reduced below its size.
    const std::string small = dir.file("small.jpg");
    write(small, flatJpeg(64, 48));
    CxImage s;
    ASSERT_TRUE(LoadReduced(small.c_str(), 320, 240, s, &error)) << error;
    EXPECT_EQ(s.GetWidth(), 64u);
}

TEST(LoadReduced, TooLargePictureGetsASentenceWithItsSize)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("panorama.png");
    write(path, pngDeclaring(12000, 9000));
    CxImage img = CxImage(2, 2, 24, 0);
    std::string error;
    EXPECT_FALSE(LoadReduced(path.c_str(), 1280, 960, img, &error));
    EXPECT_NE(error.find("12000 x 9000 pixels"), std::string::npos) << error;
    EXPECT_EQ(error.find("CXIMAGE_MAX_MEMORY"), std::string::npos) << error;
    EXPECT_EQ(img.GetWidth(), 2u); // untouched

    EXPECT_FALSE(LoadReduced(dir.file("missing.jpg").c_str(), 0, 0, img, &error));
    EXPECT_FALSE(error.empty());
}
