// Seeded random damage to files of every format beyond BMP, JPEG and PNG, decoded with their
// own id and by probing: no decoder may crash, hang, or fail without a text.
#include "fuzz/fuzz_targets.h"
#include "imaging/cximage.h"
#include "imaging/formats/cximage_gif.h"
#include "imaging/formats/cximage_ico.h"
#include "imaging/formats/cximage_tif.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

#include <random>

using namespace fmttest;

namespace {
struct Seed {
    uint32_t id;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> bytesOf(CxMemFile& mem)
{
    return std::vector<uint8_t>(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());
}

std::vector<Seed> seeds()
{
    CxImage rgb = imgtest::patterned(40, 36);
    CxImage alpha = imgtest::patterned(9, 8);
    alpha.AlphaCreate();
    alpha.AlphaSet(2, 2, 9);
    CxImage pal8 = paletted(17, 9), pal4 = paletted(13, 7, 4), pal1 = paletted(21, 5, 1);
    CxImage gray(16, 12, 8, 0);
    gray.SetGrayPalette();
    gray.Clear(99);
    pal8.SetTransparentIndex(3);

    std::vector<Seed> s;
    for (uint32_t id : { 2u, 5u, 6u, 7u, 8u, 9u, 14u, 15u, 18u })
        s.push_back({ id, encodeBytes(pal8, id) });
    for (uint32_t id : { 5u, 6u, 8u, 15u, 18u })
        s.push_back({ id, encodeBytes(pal4, id) });
    for (uint32_t id : { 6u, 8u, 9u, 15u })
        s.push_back({ id, encodeBytes(pal1, id) });
    for (uint32_t id : { 2u, 6u, 7u, 8u, 11u, 12u, 14u, 15u, 17u })
        s.push_back({ id, encodeBytes(rgb, id) });
    for (uint32_t id : { 5u, 6u, 7u })
        s.push_back({ id, encodeBytes(alpha, id) });
    for (uint32_t id : { 11u, 13u, 14u })
        s.push_back({ id, encodeBytes(gray, id) });

    CxImage* frames[] = { &pal8, &rgb, &pal4 };
    CxMemFile gif;
    gif.Open();
    CxImageGIF().Encode(&gif, frames, 3, true);
    s.push_back({ CXIMAGE_FORMAT_GIF, bytesOf(gif) });
    CxMemFile tif;
    tif.Open();
    CxImageTIF().Encode(&tif, frames, 3);
    s.push_back({ CXIMAGE_FORMAT_TIF, bytesOf(tif) });
    CxImage big = imgtest::patterned(260, 3);
    CxImage* icons[] = { &pal4, &big };
    CxMemFile ico;
    ico.Open();
    CxImageICO().Encode(&ico, icons, 2);
    s.push_back({ CXIMAGE_FORMAT_ICO, bytesOf(ico) });

    // Forms our writers never produce: run-length TGA and Sun raster, ASCII PNM, 16-bit PGX.
    std::vector<uint8_t> tga = { 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 4, 0, 24, 0x20 };
    for (int i = 0; i < 4; ++i)
        tga.insert(tga.end(), { 0x82, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12 });
    s.push_back({ CXIMAGE_FORMAT_TGA, tga });
    std::vector<uint8_t> ras;
    for (uint32_t v : { 0x59A66A95u, 6u, 2u, 8u, 0u, 2u, 0u, 0u })
        for (int sh = 24; sh >= 0; sh -= 8)
            ras.push_back(uint8_t(v >> sh));
    ras.insert(ras.end(), { 0x80, 5, 9, 0x80, 0, 1, 2, 3, 4, 5 });
    s.push_back({ CXIMAGE_FORMAT_RAS, ras });
    for (const char* text :
        { "P1\n# c\n4 2\n1 0 1 1\n0 0 0 1\n", "P2 3 2 1000 0 500 1000 1 2 3", "P3\n2 1\n255\n255 0 0 0 255 0\n" })
        s.push_back({ CXIMAGE_FORMAT_PNM, std::vector<uint8_t>(text, text + std::strlen(text)) });
    std::vector<uint8_t> pgx = { 'P', 'G', ' ', 'L', 'M', ' ', '-', '1', '2', ' ', '3', ' ', '2', '\n' };
    pgx.insert(pgx.end(), 12, 0x81);
    s.push_back({ CXIMAGE_FORMAT_PGX, pgx });
    return s;
}
} // namespace

TEST(FormatsMalformed, SeededMutationsNeverBreakDecoders)
{
    int iterations = 400;
    if (const char* env = std::getenv("KIVRA_MUTATION_ITERATIONS"))
        iterations = std::max(1, std::atoi(env));
    std::mt19937 rng(20261208);
    for (const Seed& seed : seeds()) {
        ASSERT_FALSE(seed.bytes.empty()) << seed.id;
        // The undamaged seed decodes with its own id.
        ASSERT_TRUE(kivrafuzz::decodeOne(seed.id, seed.bytes.data(), seed.bytes.size())) << seed.id;
        for (int i = 0; i < iterations; ++i) {
            std::vector<uint8_t> m = seed.bytes;
            imgtest::mutate(m, rng);
            const uint32_t id = (i % 4 == 0) ? uint32_t(CXIMAGE_FORMAT_UNKNOWN) : seed.id;
            ASSERT_TRUE(kivrafuzz::decodeOne(id, m.data(), m.size())) << "seed format " << seed.id << " mutation " << i;
        }
    }
}

TEST(FormatsMalformed, ProbingFindsEveryFormatAndRejectsGarbage)
{
    CxImage rgb = imgtest::patterned(48, 40);
    CxImage pal = paletted(20, 10);
    CxImage gray(32, 32, 8, 0);
    gray.SetGrayPalette();
    const struct {
        uint32_t id;
        CxImage* img;
    } cases[] = { { 2, &pal }, { 5, &pal }, { 6, &rgb }, { 7, &rgb }, { 8, &rgb }, { 9, &pal }, { 11, &rgb },
        { 12, &rgb }, { 13, &gray }, { 14, &rgb }, { 15, &rgb }, { 17, &rgb }, { 18, &pal } };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = encodeBytes(*c.img, c.id);
        ASSERT_FALSE(bytes.empty()) << c.id;
        CxImage back;
        ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_UNKNOWN)) << c.id << ": " << back.GetLastError();
        EXPECT_EQ(back.GetType(), c.id);
        EXPECT_EQ(back.GetWidth(), c.img->GetWidth()) << c.id;
    }
    std::mt19937 rng(7);
    std::vector<uint8_t> garbage(4096);
    for (uint8_t& b : garbage)
        b = uint8_t(rng());
    CxImage img;
    EXPECT_FALSE(decodeBytes(img, garbage, CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_STREQ(img.GetLastError(), "Decode: Unknown or wrong format");
}
