// Thumbnail browser speed: one page of 20 large JPEGs (4000 x 3000) from start to every thumbnail
// on screen, and the cost of one thumbnail.
#include <cstdlib>
#include <random>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "app/app_paths.h"
#include "imaging/cximage.h"
#include "output/dlg_thum_nail.h"
#include "output/thumbnail_button.h"
#include "output/thumbnail_loader.h"
#include "tests/output/exif_jpeg_writer.h"

namespace {

/// A folder with 20 photo-like 4000 x 3000 JPEGs, made once per run.
const QString& photoFolder()
{
    static QTemporaryDir dir;
    static QString folder;
    if (folder.isEmpty()) {
        folder = dir.path() + QStringLiteral("/");
        QImage img(4000, 3000, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, 4000, 3000);
        g.setColorAt(0, QColor(30, 60, 140));
        g.setColorAt(1, QColor(250, 200, 120));
        p.fillRect(img.rect(), g);
        p.end();
        // Noise gives the file the entropy of a real photo, so decoding costs what it would.
        std::mt19937 rng(7);
        for (int y = 0; y < img.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int n = int(rng() % 41) - 20;
                const QRgb c = row[x];
                row[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                    std::clamp(qBlue(c) + n, 0, 255));
            }
        }
        const QString first = folder + QStringLiteral("photo00.jpg");
        img.save(first, "JPG", 90);
        for (int i = 1; i < 20; ++i)
            QFile::copy(first, folder + QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    }
    return folder;
}

/// The same pictures as a camera writes them, with a 160 x 120 EXIF thumbnail.
const QString& cameraFolder()
{
    static QTemporaryDir dir;
    static QString folder;
    if (folder.isEmpty()) {
        folder = dir.path() + QStringLiteral("/");
        const QImage main(photoFolder() + QStringLiteral("photo00.jpg"));
        const QImage thumb = main.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString first = folder + QStringLiteral("camera00.jpg");
        exiftest::writeJpegWithExifThumbnail(first, main, thumb);
        for (int i = 1; i < 20; ++i)
            QFile::copy(first, folder + QStringLiteral("camera%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    }
    return folder;
}

void showPage(benchmark::State& state, const QString& folder)
{
    appPaths().setModuleFolder(QDir::tempPath());
    for (auto _ : state) {
        DlgThumNail dialog(folder);
        dialog.initialise();
        dialog.show();
        dialog.waitForThumbnails();
        QCoreApplication::processEvents();
        if (dialog.buttons().size() != 20 || !dialog.buttons().last()->hasThumbnail())
            state.SkipWithError("page not complete");
    }
}

void BM_PageOfTwentyCameraJpegs(benchmark::State& state)
{
    showPage(state, cameraFolder());
}
BENCHMARK(BM_PageOfTwentyCameraJpegs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_PageOfTwentyLargeJpegs(benchmark::State& state)
{
    const QString folder = photoFolder();
    appPaths().setModuleFolder(QDir::tempPath());
    for (auto _ : state) {
        DlgThumNail dialog(folder);
        dialog.initialise();
        dialog.show();
        dialog.waitForThumbnails();
        QCoreApplication::processEvents();
        if (dialog.buttons().size() != 20 || !dialog.buttons().last()->hasThumbnail())
            state.SkipWithError("page not complete");
    }
    state.counters["size_MB"] = double(QFileInfo(folder + "photo00.jpg").size()) / 1e6;
}
BENCHMARK(BM_PageOfTwentyLargeJpegs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_OneLargeJpegThumbnail(benchmark::State& state)
{
    const QString path = photoFolder() + QStringLiteral("photo00.jpg");
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeThumbnail(path));
}
BENCHMARK(BM_OneLargeJpegThumbnail)->Unit(benchmark::kMillisecond);

void BM_DecodeLargeJpegAtOneEighth(benchmark::State& state)
{
    const QByteArray path = (photoFolder() + QStringLiteral("photo00.jpg")).toLocal8Bit();
    for (auto _ : state) {
        CxImage image;
        image.SetJpegScale(8);
        benchmark::DoNotOptimize(image.Load(path.constData(), CXIMAGE_FORMAT_JPG));
    }
}
BENCHMARK(BM_DecodeLargeJpegAtOneEighth)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
