// Output: saving a full sheet, the print dialog's recompute after a size-box drag, and the time
// from Print to a job the print server has accepted (on a cupsd of the benchmark's own).
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "booth/combination_slots.h"
#include "output/picture_save.h"
#include "output/print_layout.h"
#include "output/print_routine.h"
#include "picture/bitmap_scale.h"
#include "tests/output/cups_fixture.h"

namespace {

CombinationSlots& sixteenSlots()
{
    static CombinationSlots model;
    if (model.usedSlots().isEmpty()) {
        model.buildLayout(3);
        for (int i = 0; i < 16; ++i) {
            QImage shot(320, 240, QImage::Format_RGB32);
            for (int y = 0; y < 240; ++y)
                for (int x = 0; x < 320; ++x)
                    shot.setPixel(x, y, qRgb((x * 7 + i * 13) & 255, (y * 5) & 255, (x + y + i * 31) & 255));
            model.storeIntoFirstFree(shot, shot, shot, 255);
        }
    }
    return model;
}

QImage sixteenSlotSheet()
{
    return sixteenSlots().sheet();
}

void BM_SaveSixteenSlotSheetJpeg1024(benchmark::State& state)
{
    const SheetPicture sheet = sixteenSlots().sheetPicture();
    QImage backdrop(530, 400, QImage::Format_RGB32);
    backdrop.fill(qRgb(246, 241, 233));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.jpg"));
    for (auto _ : state) {
        const bool ok = SavePictureFile(SaveComposite(sheet, backdrop, 0), path);
        if (!ok)
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveSixteenSlotSheetJpeg1024)->Unit(benchmark::kMillisecond);

// What the print dialog does when a drag ends: the picture at the box size and the page split.
void BM_SizeBoxDragRecompute(benchmark::State& state)
{
    const QImage sheet = sixteenSlotSheet();
    PrintSurface surface;
    surface.printableWidthMm = 203.2;
    surface.printableHeightMm = 266.7;
    surface.printerDpiX = surface.printerDpiY = 600;
    int w = 400;
    for (auto _ : state) {
        w = w == 400 ? 401 : 400; // a new size every time, as a drag makes
        const QImage sized = ScaleBitmap(sheet, w, 300, ScaleSmooth);
        benchmark::DoNotOptimize(PlanPrint(sized.size(), surface));
    }
}
BENCHMARK(BM_SizeBoxDragRecompute)->Unit(benchmark::kMillisecond);

void BM_PrintJobHandedToCups(benchmark::State& state)
{
    testsupport::CupsServer cups;
    std::string error;
    if (!cups.start(&error) || !cups.addPrinter("bench", true, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const QImage sheet = ScaleBitmap(sixteenSlotSheet(), 1024, 768, ScaleSmooth);
    PrintRequest request;
    request.askUser = false;
    request.showMessages = false;
    for (auto _ : state) {
        if (!PrintBitmap(nullptr, sheet, request).printed)
            state.SkipWithError("the job was not accepted");
    }
}
BENCHMARK(BM_PrintJobHandedToCups)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
