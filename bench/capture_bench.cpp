// Capture speed: preview painting (stretch + keyed overlay) per frame, the live preview of a full
// HD camera (interface-thread cost per frame, the whole process's CPU share), and the time from a
// shot request to the finished BMP file with the test camera running at 30 frames per second.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include "bench/live_figures.h"
#include "capture/capture_video.h"
#include "capture/sample_grabber_cb.h"
#include "capture/video_preview.h"

namespace {

QImage cameraFrame(int w, int h)
{
    QImage f(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* p = f.scanLine(y);
        for (int x = 0; x < w; ++x) {
            p[3 * x] = uchar(x * 7 + y);
            p[3 * x + 1] = uchar(y * 3);
            p[3 * x + 2] = uchar(x ^ y);
        }
    }
    return f;
}

// A frame decoration of the video's size: a thick border and a sticker, the rest cut away.
QImage decoration(int w, int h)
{
    QImage d(w, h, QImage::Format_RGB32);
    d.fill(QColor(255, 0, 255));
    QPainter p(&d);
    p.setPen(QPen(QColor(0xFF, 0xC8, 0x57), w / 16));
    p.drawRect(d.rect().adjusted(w / 32, w / 32, -w / 32, -w / 32));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0x6B, 0x57));
    p.drawEllipse(QPoint(w * 4 / 5, h * 4 / 5), w / 12, w / 12);
    return d;
}

/// Args: the frame's size; a third argument 1 hands it over as the graph now delivers the
/// preview (RGB32 at the area's size) rather than as a full-size BGR frame stretched here.
void BM_PreviewPaint(benchmark::State& state)
{
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    const bool scaledInGraph = state.range(2) == 1;
    const QImage frame = scaledInGraph ? cameraFrame(w, h).convertToFormat(QImage::Format_RGB32) : cameraFrame(w, h);
    CPreviewCompositor c;
    c.setVideoRect(QRect(0, 0, 320, 240));
    c.setOverlay(decoration(w, h), qRgb(255, 0, 255), QRectF(0, 0, 1, 1));
    c.setOverlayAlpha(0.9);
    QImage canvas(320, 240, QImage::Format_RGB32);
    c.render(canvas, frame); // the scaled overlay is cached after the first frame
    for (auto _ : state) {
        c.render(canvas, frame);
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.SetLabel(scaledInGraph ? "RGB32 frame of the area's size, overlay alpha 0.9"
                                 : "BGR frame stretched into the 320x240 area, overlay alpha 0.9");
}
BENCHMARK(BM_PreviewPaint)
    ->Args({ 640, 480, 0 })
    ->Args({ 1280, 720, 0 })
    ->Args({ 1920, 1080, 0 })
    ->Args({ 320, 240, 1 })
    ->Unit(benchmark::kMillisecond);

// The live picture as the booth shows it: the test camera at 1920 x 1080 and 30 fps into a
// 320 x 240 area with the decoration at 90 %, for five seconds per iteration. Counters: the
// interface thread's CPU time per painted frame, the whole process's CPU time as a share of one
// core (the test camera drawing its pictures included), and the frames painted per second.
void BM_LivePreview1080p(benchmark::State& state)
{
    CCaptureVideo::SetTestCameraOverride(1, true);
    CCaptureVideo::SetTestCameraSize(QSize(1920, 1080));
    QWidget window;
    window.resize(320, 240);
    window.show();
    CCaptureVideo cap;
    if (cap.BuildGraph(0, &window, window.rect()) != CCaptureVideo::kOk) {
        state.SkipWithError("test camera graph did not start");
        return;
    }
    const QImage deco = decoration(1920, 1080);
    cap.SetColorKey(QColor(255, 0, 255));
    cap.SetOverlayBitmap(deco, deco.rect());
    cap.SetOverlayAlpha(9);
    livefigures::runEventsFor(1000); // the graph and the overlay settle
    livefigures::measureLive(state, [&cap] { return cap.preview()->framesPainted(); });
    state.SetLabel(QStringLiteral("camera %1x%2, preview %3x%4")
                       .arg(cap.GetNativeVideoSize().width())
                       .arg(cap.GetNativeVideoSize().height())
                       .arg(cap.CurrentImage().width())
                       .arg(cap.CurrentImage().height())
                       .toStdString());
    cap.Stop();
    CCaptureVideo::SetTestCameraSize({});
}
BENCHMARK(BM_LivePreview1080p)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// A new decoration over the live picture (the booth's frame change, after every shot with the
// automatic frame change): keying the bitmap at the camera's size and its first paint, which
// scales it to the area.
void BM_NewOverlay(benchmark::State& state)
{
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    const QImage deco = decoration(w, h);
    const QImage frame = cameraFrame(320, 240).convertToFormat(QImage::Format_RGB32);
    CPreviewCompositor c;
    c.setVideoRect(QRect(0, 0, 320, 240));
    QImage canvas(320, 240, QImage::Format_RGB32);
    for (auto _ : state) {
        c.setOverlay(deco, qRgb(255, 0, 255), QRectF(0, 0, 1, 1));
        c.setOverlayAlpha(0.9);
        c.render(canvas, frame);
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.SetLabel("decoration at the camera's size into a 320x240 area");
}
BENCHMARK(BM_NewOverlay)->Args({ 640, 480 })->Args({ 1920, 1080 })->Unit(benchmark::kMillisecond);

// The same through the widget's paint event, including the blit of the canvas.
void BM_PreviewWidgetPaint(benchmark::State& state)
{
    CVideoPreview preview;
    preview.resize(320, 240);
    preview.setVideoRect(preview.rect());
    preview.compositor().setOverlay(decoration(640, 480), qRgb(255, 0, 255), QRectF(0, 0, 1, 1));
    preview.compositor().setOverlayAlpha(0.9);
    preview.setFrame(cameraFrame(640, 480));
    QImage target(320, 240, QImage::Format_RGB32);
    for (auto _ : state) {
        preview.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel("whole widget paint incl. blit, 640x480 frame");
}
BENCHMARK(BM_PreviewWidgetPaint)->Unit(benchmark::kMillisecond);

void BM_ShotRequestToFile(benchmark::State& state)
{
    const int mode = int(state.range(0));
    const QSize size(int(state.range(1)), int(state.range(2)));
    CCaptureVideo::SetTestCameraOverride(1, true);
    CCaptureVideo::SetTestCameraSize(size);
    QWidget window; // the preview at the booth's size, as when shooting
    window.resize(320, 240);
    CCaptureVideo cap;
    if (cap.BuildGraph(0, &window, window.rect()) != CCaptureVideo::kOk) {
        state.SkipWithError("test camera graph did not start");
        return;
    }
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("kivra-capture-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    // Let the renderer show a frame first so mode 1 has something to write.
    while (cap.CurrentImage().isNull())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    int n = 0;
    for (auto _ : state) {
        const std::filesystem::path file = dir / ("cap_" + std::to_string(n++) + ".bmp");
        // A shot comes at any moment, not just after a frame: spread the requests over the
        // frame interval (this wait is not counted).
        const auto pause = std::chrono::steady_clock::now() + std::chrono::milliseconds((n * 7) % 34);
        while (std::chrono::steady_clock::now() < pause)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const auto start = std::chrono::steady_clock::now();
        cap.CaptureFrame(QString::fromStdString(file.string()), mode);
        while (!std::filesystem::exists(file)) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        std::filesystem::remove(file);
    }
    std::filesystem::remove_all(dir);
    CCaptureVideo::SetTestCameraSize({});
    state.SetLabel(QStringLiteral("%1, %2x%3 at 30 fps")
                       .arg(mode == 0 ? "mode 0: next frame through the grabber" : "mode 1: frame on screen")
                       .arg(size.width())
                       .arg(size.height())
                       .toStdString());
}
BENCHMARK(BM_ShotRequestToFile)
    ->Args({ 0, 640, 480 })
    ->Args({ 1, 640, 480 })
    ->Args({ 0, 1920, 1080 })
    ->Args({ 1, 1920, 1080 })
    ->UseManualTime()
    ->Iterations(60)
    ->Unit(benchmark::kMillisecond);

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
