// Tests of the MNG codec: RGB round trip, the RGB-only refusal, frames of an animation written
// by ImageMagick, JNG files, and damaged input.
#include "imaging/cximage.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

TEST(CxImageMng, RgbRoundTripKeepsPixels)
{
    CxImage src = imgtest::patterned(37, 14);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_MNG);
    ASSERT_FALSE(bytes.empty()) << src.GetLastError();
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes, 0)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_MNG));
    EXPECT_EQ(back.GetNumFrames(), 1);
    EXPECT_FALSE(back.AlphaIsValid());
    EXPECT_TRUE(imgtest::samePixels(back, src));

    CxImage pal = paletted(4, 4);
    CxMemFile mem;
    mem.Open();
    EXPECT_FALSE(pal.Encode(&mem, CXIMAGE_FORMAT_MNG));
    EXPECT_STREQ(pal.GetLastError(), "MNG encoder can save only RGB images");
}

TEST(CxImageMng, ReadsFramesOfImageMagickAnimations)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    const std::string anim = dir.file("anim.mng");
    ASSERT_TRUE(convert("-size 8x6 xc:red -size 8x6 xc:lime -size 8x6 xc:blue -delay 10 " + anim));
    for (int frame = 0; frame < 3; ++frame) {
        CxImage img;
        img.SetCurrentFrame(frame);
        ASSERT_TRUE(img.Load(anim.c_str(), CXIMAGE_FORMAT_MNG)) << frame << ": " << img.GetLastError();
        EXPECT_EQ(img.GetWidth(), 8u);
        const RGBQUAD c = img.GetPixelColor(3, 3);
        EXPECT_EQ(c.rgbRed, frame == 0 ? 255 : 0) << frame;
        EXPECT_EQ(c.rgbGreen, frame == 1 ? 255 : 0) << frame;
        EXPECT_EQ(c.rgbBlue, frame == 2 ? 255 : 0) << frame;
        EXPECT_GE(img.GetNumFrames(), 3);
    }
    CxImage beyond;
    beyond.SetCurrentFrame(7);
    EXPECT_FALSE(beyond.Load(anim.c_str(), CXIMAGE_FORMAT_MNG));
    EXPECT_GE(beyond.GetNumFrames(), 3);

    CxImage src = imgtest::smooth(24, 16);
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -quality 95 " + dir.file("photo.jng")));
    CxImage jng;
    ASSERT_TRUE(jng.Load(dir.file("photo.jng").c_str(), 0)) << jng.GetLastError();
    EXPECT_EQ(jng.GetType(), uint32_t(CXIMAGE_FORMAT_MNG));
    EXPECT_LE(maxDifference(jng, src), 16);

    CxImage rgb = imgtest::patterned(13, 9);
    ASSERT_TRUE(rgb.Save(dir.file("ours.mng").c_str(), CXIMAGE_FORMAT_MNG));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("ours.mng"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, rgb), 0);
}

TEST(CxImageMng, DamagedFilesFailWithAText)
{
    CxImage src = imgtest::patterned(20, 20);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_MNG);
    CxImage img;
    EXPECT_FALSE(decodeBytes(img, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40), CXIMAGE_FORMAT_MNG));
    EXPECT_STRNE(img.GetLastError(), "");
    std::vector<uint8_t> huge = bytes;
    huge[16] = huge[20] = 0x7F; // MHDR width and height
    EXPECT_FALSE(decodeBytes(img, huge, CXIMAGE_FORMAT_MNG));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_FALSE(decodeBytes(img, { 0x8A, 'M', 'N' }, CXIMAGE_FORMAT_MNG));
    EXPECT_STREQ(img.GetLastError(), "Not a MNG");
}

namespace {
uint32_t crc32Of(const std::vector<uint8_t>& bytes, size_t from)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void putBe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    putBe32(out, uint32_t(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putBe32(out, crc32Of(body, 0));
}

/// A small MNG canvas holding one PNG picture whose header declares w x h.
std::vector<uint8_t> mngWithEmbeddedSize(uint32_t w, uint32_t h)
{
    std::vector<uint8_t> out { 0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    std::vector<uint8_t> mhdr;
    for (uint32_t v : { 32u, 23u, 1000u, 1u, 1u, 0u, 7u })
        putBe32(mhdr, v);
    putChunk(out, "MHDR", mhdr);
    std::vector<uint8_t> ihdr;
    putBe32(ihdr, w);
    putBe32(ihdr, h);
    ihdr.insert(ihdr.end(), { 8, 2, 0, 0, 0 });
    putChunk(out, "IHDR", ihdr);
    putChunk(out, "IDAT", { 0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01 });
    putChunk(out, "IEND", {});
    putChunk(out, "MEND", {});
    return out;
}
} // namespace

TEST(CxImageMng, EmbeddedPictureSizeIsCheckedBeforeDecoding)
{
    // The canvas is small; only the embedded header lies. libmng would allocate (and crash on)
    // what the embedded header declares.
    for (auto [w, h] : { std::pair<uint32_t, uint32_t> { 67108864, 23 }, { 100000, 100000 }, { 0, 5 } }) {
        CxImage img;
        EXPECT_FALSE(decodeBytes(img, mngWithEmbeddedSize(w, h), CXIMAGE_FORMAT_MNG)) << w << " x " << h;
        EXPECT_EQ(std::string(img.GetLastError()),
            "MNG embedded image size " + std::to_string(w) + " x " + std::to_string(h) + " is invalid");
        CxImage probe;
        EXPECT_FALSE(decodeBytes(probe, mngWithEmbeddedSize(w, h), CXIMAGE_FORMAT_UNKNOWN));
    }
}
