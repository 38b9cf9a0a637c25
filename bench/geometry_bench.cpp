// Speed of resampling and the neighbourhood filters on camera-sized and photo-sized pictures.
#include "imaging/cximage.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

/// A picture with smooth gradients and some fine texture, like a photo.
CxImage photo(uint32_t w, uint32_t h)
{
    CxImage img(w, h, 24, 0);
    uint32_t seed = 12345;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* p = img.GetBits(y);
        for (uint32_t x = 0; x < w; ++x, p += 3) {
            seed = seed * 1103515245u + 12345u;
            const uint8_t noise = uint8_t((seed >> 16) & 15);
            p[0] = uint8_t(x * 255 / w + noise);
            p[1] = uint8_t(y * 255 / h + noise);
            p[2] = uint8_t((x + y) * 127 / (w + h) + noise);
        }
    }
    return img;
}

const CxImage& cached(uint32_t w, uint32_t h)
{
    static CxImage small = photo(320, 240), vga = photo(640, 480), hd = photo(1280, 720), big = photo(4000, 3000);
    if (w == 320)
        return small;
    if (w == 640)
        return vga;
    if (w == 1280)
        return hd;
    return big;
}

void BM_Resample(benchmark::State& state)
{
    const CxImage& src = cached(uint32_t(state.range(0)), 0);
    CxImage dest;
    for (auto _ : state) {
        CxImage in;
        in.MakeAlias(src); // the destination form leaves the source untouched, no copy needed
        in.ResampleSmooth(int32_t(state.range(1)), int32_t(state.range(2)), 16, 5, &dest);
        benchmark::DoNotOptimize(dest.GetBits());
    }
}
BENCHMARK(BM_Resample)
    ->Args({ 640, 320, 240 })
    ->Args({ 1280, 320, 240 })
    ->Args({ 320, 640, 480 })
    ->Args({ 4000, 1024, 768 })
    ->Unit(benchmark::kMillisecond);

template <class Op> void runFilter(benchmark::State& state, Op op)
{
    const CxImage& src = cached(uint32_t(state.range(0)), 0);
    for (auto _ : state) {
        state.PauseTiming();
        CxImage img(src);
        state.ResumeTiming();
        op(img);
        benchmark::DoNotOptimize(img.GetBits());
    }
}

void BM_BlurGaussian1(benchmark::State& state)
{
    runFilter(state, [](CxImage& i) { i.BlurGaussian(1.0f); });
}
void BM_BlurGaussian2(benchmark::State& state)
{
    runFilter(state, [](CxImage& i) { i.BlurGaussian(2.0f); });
}
void BM_Median3(benchmark::State& state)
{
    runFilter(state, [](CxImage& i) { i.Median(3); });
}
void BM_Filter3x3(benchmark::State& state)
{
    static const int32_t blur[9] = { 1, 1, 1, 1, 1, 1, 1, 1, 1 };
    runFilter(state, [](CxImage& i) { i.Filter(blur, 3, 9, 0); });
}
void BM_UnsharpMask(benchmark::State& state)
{
    runFilter(state, [](CxImage& i) { i.UnsharpMask(5.0f, 0.5f, 0); });
}
void BM_SelectiveBlur(benchmark::State& state)
{
    runFilter(state, [](CxImage& i) { i.SelectiveBlur(1.0f, 25); });
}

BENCHMARK(BM_BlurGaussian1)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurGaussian2)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Median3)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Filter3x3)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnsharpMask)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectiveBlur)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);

} // namespace

// An own main, so that no library that carries a program main can take its place.
BENCHMARK_MAIN();
