// Workbench speed on a 320 x 240 picture: every direct operation, the effect dialog's
// recomputation for the slider kinds, and undo/redo.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "editing/dlg_effect.h"
#include "editing/dlg_filter.h"
#include "skin/bitmap_slider.h"
#include "platform/control_id.h"

namespace {

QImage picture()
{
    QImage img(320, 240, QImage::Format_RGB32);
    uint32_t s = 7;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            s = s * 1664525u + 1013904223u;
            img.setPixel(x, y, qRgb(x * 255 / 319, (s >> 24) & 0xFF, y * 255 / 239));
        }
    return img;
}

QApplication& app()
{
    static int argc = 1;
    static char name[] = "editing_bench";
    static char* argv[] = { name, nullptr };
    static QApplication a(argc, argv);
    return a;
}

const int kCodes[] = { 32775, 32774, 32777, 32778, 32813, 32816, 32914, 32898, 32901, 32932, 32896, 32897, 32817, 32818,
    32863, 32799, 32864 };

void BM_DirectOperation(benchmark::State& state)
{
    const int code = kCodes[state.range(0)];
    CxImage source;
    source.FromDeviceBitmap(picture());
    for (auto _ : state) {
        state.PauseTiming();
        CxImage img(source);
        state.ResumeTiming();
        benchmark::DoNotOptimize(DlgFilter::runDirectOperation(img, code, 1.8, 128));
    }
    state.SetLabel(std::to_string(code));
}
BENCHMARK(BM_DirectOperation)->DenseRange(0, 16)->Unit(benchmark::kMillisecond);

void BM_EffectRecompute(benchmark::State& state)
{
    app();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int kind = int(state.range(0));
    DlgEffect d(nullptr, picture(), kind, nullptr);
    auto* s = platform::findControl<CBitmapSlider>(&d, DlgEffect::kSlider1Id);
    int pos = s->GetRangeMin();
    for (auto _ : state) {
        pos = pos >= s->GetRangeMax() ? s->GetRangeMin() + 1 : pos + 1;
        s->SetPos(std::max(pos, 1));
        d.onSlider(DlgEffect::kSlider1Id);
    }
    state.SetLabel(d.windowTitle().toStdString());
}
BENCHMARK(BM_EffectRecompute)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Arg(5)
    ->Arg(6)
    ->Arg(7)
    ->Arg(9)
    ->Unit(benchmark::kMillisecond);

void BM_UndoRedo(benchmark::State& state)
{
    app();
    DlgFilter d(picture());
    d.press(1086);
    d.press(1086);
    for (auto _ : state) {
        d.undo();
        d.redo();
    }
    state.SetLabel("one undo plus one redo");
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMillisecond);

} // namespace
