// Speed of the effects library: every effect, Stretch and RotateAngle on 32-bit pictures.
#include <benchmark/benchmark.h>

#include <functional>

#include "editing/fc/fc_image.h"

namespace {

// Reproducible noise, the worst case for the hue/saturation conversion cache.
const FCImage& source(int w, int h)
{
    static FCImage small, large;
    FCImage& img = w == 640 ? small : large;
    if (img.IsEmpty()) {
        img.Create(w, h, 32);
        std::uint32_t s = 7;
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = img.Row(y);
            for (int i = 0; i < img.Pitch(); ++i) {
                s = s * 1664525u + 1013904223u;
                row[i] = std::uint8_t(s >> 24);
            }
        }
    }
    return img;
}

// Runs one operation per iteration on a fresh copy of the source; the copy is not timed.
void runOn(benchmark::State& state, const std::function<bool(FCImage&)>& op)
{
    const FCImage& src = source(int(state.range(0)), int(state.range(1)));
    FCImage img;
    for (auto _ : state) {
        state.PauseTiming();
        img.CopyFrom(src);
        state.ResumeTiming();
        if (!op(img))
            state.SkipWithError(img.GetLastError().c_str());
        benchmark::DoNotOptimize(img.Bits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

#define FC_BENCH(name, expr)                                                                                           \
    void BM_##name(benchmark::State& state)                                                                            \
    {                                                                                                                  \
        runOn(state, [](FCImage& img) { return expr; });                                                               \
    }                                                                                                                  \
    BENCHMARK(BM_##name)->Args({ 640, 480 })->Args({ 4000, 3000 })->Unit(benchmark::kMillisecond)

FC_BENCH(Emboss, img.Emboss(3));
FC_BENCH(Sharp, img.Sharp(2));
FC_BENCH(Mosaic, img.Mosaic(8));
FC_BENCH(WindySmooth, img.Windy(40, FCDibEffect::kLeft, true));
FC_BENCH(WindyRandom, img.Windy(40, FCDibEffect::kRight, false));
FC_BENCH(Stripe, img.Stripe(25, 35));
FC_BENCH(AdjustRGB, img.AdjustRGB(20, -10, 5));
FC_BENCH(AdjustBrightness, img.AdjustBrightness(120, 0));
FC_BENCH(AdjustContrast, img.AdjustContrast(80));
FC_BENCH(AdjustHueSaturation, img.AdjustHueSaturation(150, 60));
FC_BENCH(RotateAngle45, img.RotateAngle(45));
FC_BENCH(RotateLeft, img.RotateLeft());
FC_BENCH(StretchTo90x67, img.Stretch(90, 67, true));
FC_BENCH(StretchTo320x240, img.Stretch(320, 240, false));

} // namespace

// Our own main, so no other object file's main can be linked in by the subsystem libraries.
BENCHMARK_MAIN();
