// Replays the committed damaged files and seeded random mutations of good files through every
// decoder, with the same checks as the fuzzing entry points.
#include "fuzz/fuzz_targets.h"
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include "tests/common/test_support.h"
#include "tests/imaging/imaging_test_util.h"

#include <random>

#include <gtest/gtest.h>

using namespace imgtest;

namespace {
/// The committed corpus: from the source folder when known, else beside this file.
std::filesystem::path corpusFolder()
{
    const auto fromSource = testsupport::sourceDir() / "tests/imaging/malformed";
    if (std::filesystem::is_directory(fromSource))
        return fromSource;
    return std::filesystem::path(__FILE__).parent_path() / "malformed";
}

uint32_t idForName(const std::string& name)
{
    return CxImage::FormatFromExtension(name.substr(name.rfind('.') + 1).c_str());
}

std::vector<uint8_t> encodeTo(CxImage& img, uint32_t id)
{
    CxMemFile mem;
    mem.Open();
    EXPECT_TRUE(img.Encode(&mem, id));
    return std::vector<uint8_t>(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());
}
} // namespace

TEST(MalformedFiles, CommittedCorpusFailsCleanly)
{
    const auto folder = corpusFolder();
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const std::vector<uint8_t> bytes = readFile(entry.path().string());
        ++files;
        EXPECT_TRUE(kivrafuzz::decodeOne(idForName(name), bytes.data(), bytes.size())) << name;
        EXPECT_TRUE(kivrafuzz::decodeOne(CXIMAGE_FORMAT_UNKNOWN, bytes.data(), bytes.size())) << name;
        // Files named after a lie in their header must not decode at all.
        if (name.find("huge") != std::string::npos || name.find("truncated") != std::string::npos
            || name.find("bad_") != std::string::npos || name.find("zero_") != std::string::npos) {
            CxImage img;
            CxMemFile mem(const_cast<uint8_t*>(bytes.data()), bytes.size());
            EXPECT_FALSE(img.Decode(&mem, idForName(name))) << name;
            EXPECT_STRNE(img.GetLastError(), "") << name;
        }
    }
    EXPECT_GE(files, 30);
}

TEST(MalformedFiles, SeededMutationsNeverBreakDecoders)
{
    CxImage rgb = patterned(24, 17);
    CxImage withAlpha = patterned(9, 8);
    withAlpha.AlphaCreate();
    withAlpha.AlphaSet(3, 3, 7);
    CxImage pal(19, 6, 4, 0);
    for (uint32_t i = 0; i < 16; ++i)
        pal.SetPaletteColor(i, uint8_t(i * 16), 0, uint8_t(255 - i));
    pal.Clear(0x5A);
    CxImage gray(16, 16, 8, 0);
    gray.SetGrayPalette();
    gray.Clear(77);

    struct Seed {
        uint32_t id;
        std::vector<uint8_t> bytes;
    };
    std::vector<Seed> seeds = {
        { CXIMAGE_FORMAT_BMP, encodeTo(rgb, CXIMAGE_FORMAT_BMP) },
        { CXIMAGE_FORMAT_BMP, encodeTo(withAlpha, CXIMAGE_FORMAT_BMP) },
        { CXIMAGE_FORMAT_BMP, encodeTo(pal, CXIMAGE_FORMAT_BMP) },
        { CXIMAGE_FORMAT_JPG, encodeTo(rgb, CXIMAGE_FORMAT_JPG) },
        { CXIMAGE_FORMAT_JPG, encodeTo(gray, CXIMAGE_FORMAT_JPG) },
        { CXIMAGE_FORMAT_PNG, encodeTo(withAlpha, CXIMAGE_FORMAT_PNG) },
        { CXIMAGE_FORMAT_PNG, encodeTo(pal, CXIMAGE_FORMAT_PNG) },
        { CXIMAGE_FORMAT_PNG, encodeTo(gray, CXIMAGE_FORMAT_PNG) },
    };
    // RLE seeds exercise the run decoder, which our writer never produces.
    for (const char* name : { "bmp_rle8_run_past_row.bmp", "bmp_rle4_run_past_area.bmp" }) {
        seeds.push_back(
            { CXIMAGE_FORMAT_BMP, readFile((corpusFolder() / name).string()) });
    }

    int iterations = 2000;
    if (const char* env = std::getenv("KIVRA_MUTATION_ITERATIONS"))
        iterations = std::max(1, std::atoi(env));
    std::mt19937 rng(20261208);
    for (const Seed& seed : seeds) {
        ASSERT_FALSE(seed.bytes.empty());
        for (int i = 0; i < iterations; ++i) {
            std::vector<uint8_t> m = seed.bytes;
            imgtest::mutate(m, rng);
            const uint32_t id = (i % 4 == 0) ? uint32_t(CXIMAGE_FORMAT_UNKNOWN) : seed.id;
            ASSERT_TRUE(kivrafuzz::decodeOne(id, m.data(), m.size())) << "seed format " << seed.id << " mutation " << i;
        }
    }
}
