// Full-resolution output: the four-slot sheet composed from 1920 x 1080 shots as the archive keeps
// them (JPEG, quality 95) with a 320 x 240 frame each, and a 6 x 4 in photo print of it handed to
// a CUPS server of the benchmark's own. Single thread.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "booth/combination_slots.h"
#include "booth/slot_original.h"
#include "output/photo_print.h"
#include "output/sheet_picture.h"
#include "picture/bitmap_scale.h"
#include "tests/output/cups_fixture.h"

namespace {

/// Photo-like content: smooth light with fine texture (a JPEG of it is about the size of a real
/// 1080p shot's).
QImage shot(int seed)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    uint32_t s = uint32_t(seed) * 2654435761u;
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            s = s * 1664525u + 1013904223u;
            const int n = int(s >> 29) - 4;
            row[x] = qRgb(std::clamp(x * 200 / 1920 + 30 + n, 0, 255), std::clamp(y * 180 / 1080 + 40 + n, 0, 255),
                std::clamp((x + y) * 120 / 3000 + 60 + n, 0, 255));
        }
    }
    return img;
}

/// A frame as the demo frames are: a border and an opening in the key colour.
QImage frame()
{
    QImage img(320, 240, QImage::Format_RGB32);
    img.fill(qRgb(255, 107, 87));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(QColor(255, 0, 255));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRect(20, 18, 280, 204), 18, 18);
    return img;
}

/// The four-slot layout with a framed 1080p shot in every slot.
const CombinationSlots& fourShots()
{
    static CombinationSlots model;
    if (model.usedSlots().isEmpty()) {
        model.buildLayout(1);
        const QImage f = frame();
        for (int i = 0; i < 4; ++i) {
            const QImage taken = shot(i + 1);
            const QImage small = ScaleBitmap(taken, 320, 240, ScaleSmooth);
            model.storeIntoFirstFree(small, small, f, 255,
                MakeSlotOriginal(EncodeOriginalPhoto(taken), taken.size(), QRect(0, 0, 320, 240), QImage()));
        }
    }
    return model;
}

void BM_FullResolutionFourSlotSheetFrom1080pShots(benchmark::State& state)
{
    const SheetPicture sheet = fourShots().sheetPicture();
    state.SetLabel(QStringLiteral("%1 x %2")
                       .arg(sheet.fullResolutionSize().width())
                       .arg(sheet.fullResolutionSize().height())
                       .toStdString());
    for (auto _ : state) {
        const QImage full = sheet.composeFull(QImage(), kPaperWhite);
        if (full.isNull())
            state.SkipWithError("no sheet");
        benchmark::DoNotOptimize(full.constBits());
    }
}
BENCHMARK(BM_FullResolutionFourSlotSheetFrom1080pShots)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_PhotoPrintJobHandedToCups(benchmark::State& state)
{
    testsupport::CupsServer cups;
    std::string error;
    if (!cups.start(&error) || !cups.addPrinter("bench", true, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const SheetPicture sheet = fourShots().sheetPicture();
    PhotoPrintRequest request;
    request.paper = PhotoPaper::Photo6x4;
    request.showMessages = false;
    for (auto _ : state) {
        if (!PrintPhoto(nullptr, sheet, request).printed)
            state.SkipWithError("the job was not accepted");
    }
}
BENCHMARK(BM_PhotoPrintJobHandedToCups)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

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
