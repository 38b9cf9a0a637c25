// Decode and encode speed of the formats beyond BMP, JPEG and PNG on a photo-sized picture
// (1280 x 960; palette formats get an 8-bit version of it).
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

const CxImage& picture(bool palette)
{
    static std::map<bool, CxImage> cache;
    auto it = cache.find(palette);
    if (it != cache.end())
        return it->second;
    CxImage img(kWidth, kHeight, palette ? 8 : 24, 0);
    std::mt19937 rng(7);
    if (palette) {
        for (uint32_t i = 0; i < 256; ++i)
            img.SetPaletteColor(i, uint8_t(i), uint8_t(255 - i), uint8_t(i * 7));
    }
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* p = img.GetBits(uint32_t(y));
        for (int x = 0; x < kWidth; ++x) {
            const int n = int(rng() % 9) - 4;
            if (palette) {
                p[x] = uint8_t(std::clamp((x + y) * 255 / (kWidth + kHeight) + n, 0, 255));
            } else {
                p[x * 3] = uint8_t(std::clamp(x * 255 / kWidth + n, 0, 255));
                p[x * 3 + 1] = uint8_t(std::clamp(y * 255 / kHeight + n, 0, 255));
                p[x * 3 + 2] = uint8_t(std::clamp(((x + y) / 7) % 256 + n, 0, 255));
            }
        }
    }
    return cache.emplace(palette, std::move(img)).first->second;
}

bool usesPalette(uint32_t id)
{
    return id == CXIMAGE_FORMAT_GIF || id == CXIMAGE_FORMAT_SKA;
}

std::vector<uint8_t> encoded(uint32_t id)
{
    CxImage img(picture(usesPalette(id)));
    CxMemFile mem;
    mem.Open();
    img.Encode(&mem, id);
    return std::vector<uint8_t>(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());
}

void decode(benchmark::State& state)
{
    const uint32_t id = uint32_t(state.range(0));
    std::vector<uint8_t> bytes = encoded(id);
    for (auto _ : state) {
        CxMemFile mem(bytes.data(), bytes.size());
        CxImage img;
        if (!img.Decode(&mem, id))
            state.SkipWithError(img.GetLastError());
        benchmark::DoNotOptimize(img.GetBits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}

void encode(benchmark::State& state)
{
    const uint32_t id = uint32_t(state.range(0));
    CxImage img(picture(usesPalette(id)));
    for (auto _ : state) {
        CxMemFile mem;
        mem.Open();
        if (!img.Encode(&mem, id))
            state.SkipWithError(img.GetLastError());
        benchmark::DoNotOptimize(mem.Size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}

void formats(benchmark::internal::Benchmark* b)
{
    for (uint32_t id : { CXIMAGE_FORMAT_GIF, CXIMAGE_FORMAT_TIF, CXIMAGE_FORMAT_TGA, CXIMAGE_FORMAT_PCX,
             CXIMAGE_FORMAT_PNM, CXIMAGE_FORMAT_RAS, CXIMAGE_FORMAT_SKA, CXIMAGE_FORMAT_MNG, CXIMAGE_FORMAT_JP2 })
        b->Arg(int64_t(id));
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(decode)->Apply(formats);
BENCHMARK(encode)->Apply(formats);
