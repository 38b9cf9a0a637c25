// Booth model timings: one composition per shot, the sheet of all slots, saving and opening a project.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>

#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/project_file.h"

namespace {

CxImage pattern(int w, int h, int seed)
{
    CxImage image;
    image.Create(uint32_t(w), uint32_t(h), 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.SetPixelColor(x, y, RGBQUAD { uint8_t(x + seed), uint8_t(y * 3), uint8_t(x ^ y), 0 });
    return image;
}

CxImage frame()
{
    CxImage image = pattern(kCanvasWidth, kCanvasHeight, 7);
    for (int y = 24; y < kCanvasHeight - 24; ++y)
        for (int x = 24; x < kCanvasWidth - 24; ++x)
            image.SetPixelColor(x, y, RGBQUAD { 0, 255, 0, 0 });
    return image;
}

void BM_Compose(benchmark::State& state)
{
    const CxImage base = pattern(kCanvasWidth, kCanvasHeight, 1);
    const CxImage photo = pattern(kCanvasWidth, kCanvasHeight, 2);
    const CxImage overlay = frame();
    ComposeInput in;
    in.base = &base;
    in.photo = &photo;
    in.frame = &overlay;
    in.alpha = int(state.range(0));
    ComposeResult out;
    for (auto _ : state)
        benchmark::DoNotOptimize(Compose(in, out));
}
BENCHMARK(BM_Compose)->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

void fillAll(CombinationSlots& model)
{
    const QImage picture = pattern(kCanvasWidth, kCanvasHeight, 3).ToDeviceBitmap();
    const QImage key = frame().ToDeviceBitmap();
    while (model.storeIntoFirstFree(picture, picture, key, 255) >= 0) { }
}

void BM_SheetOfSixteenSlots(benchmark::State& state)
{
    CombinationSlots model;
    model.buildLayout(3);
    fillAll(model);
    for (auto _ : state)
        benchmark::DoNotOptimize(model.sheet());
}
BENCHMARK(BM_SheetOfSixteenSlots)->Unit(benchmark::kMillisecond);

void BM_SaveAndUnpackSixteenSlotProject(benchmark::State& state)
{
    CombinationSlots model;
    model.buildLayout(3);
    fillAll(model);
    const QString dir = QDir::tempPath() + QStringLiteral("/kivra_booth_bench");
    QDir().mkpath(dir);
    const QString settings = dir + QStringLiteral("/KivraTesselwick.ini");
    const QString target = dir + QStringLiteral("/bench.kivra");
    for (auto _ : state) {
        QStringList files;
        if (!SaveProject(model, settings, target) || !UnpackProject(target, files))
            state.SkipWithError("project round trip failed");
    }
    QDir(dir).removeRecursively();
    RemoveProjectTempFolder();
}
BENCHMARK(BM_SaveAndUnpackSixteenSlotProject)->Unit(benchmark::kMillisecond);

} // namespace
