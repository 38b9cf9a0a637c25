// The live picture's cost per camera frame on the main screen as a window, and scaled into the
// kiosk view at full HD: what guests' screens add to the preview.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/dlg_corvantis.h"
#include "booth/kiosk_view.h"
#include "capture/video_preview.h"
#include "platform/control_id.h"

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "kiosk_bench";
    static char* argv[] = { name, nullptr };
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication instance(argc, argv);
    return instance;
}

/// Arg 0: the screen as a window; arg 1: in the kiosk view at 1920 x 1080.
void BM_LivePictureFrame(benchmark::State& state)
{
    app();
    QTemporaryDir home;
    AppPaths paths;
    paths.setModuleFolder(home.path() + QLatin1Char('/'));
    BoothSettings settings;
    DlgCorvantis screen(settings, paths);
    QWidget* videoArea = platform::findControl(&screen, DlgCorvantis::kVideoId);
    // The preview as the camera graph sets it up, fed here so no camera thread runs meanwhile.
    auto* preview = new CVideoPreview(videoArea);
    preview->setGeometry(videoArea->rect());
    videoArea->show();
    std::unique_ptr<KioskView> view;
    if (state.range(0) == 1) {
        view = std::make_unique<KioskView>(screen);
        view->resize(1920, 1080);
        view->show();
    } else {
        screen.show();
    }
    QImage frames[2] = { QImage(640, 480, QImage::Format_BGR888), QImage(640, 480, QImage::Format_BGR888) };
    frames[0].fill(QColor(200, 120, 40));
    frames[1].fill(QColor(40, 120, 200));
    QCoreApplication::processEvents();
    int i = 0;
    const int painted = preview->framesPainted();
    for (auto _ : state) {
        preview->setFrame(frames[i++ & 1]);
        QCoreApplication::processEvents(); // the repaint, through the view's scale when hosted
    }
    if (preview->framesPainted() - painted < int(state.iterations()) / 2)
        state.SkipWithError("the preview did not repaint");
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LivePictureFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace
