// The live picture's cost per camera frame on the main screen as a window, and scaled into the
// kiosk view at full HD: what guests' screens add to the preview. The booth live on a full HD
// test camera: the interface thread's cost per frame, the process's CPU share, and a shot from
// the button to its slot.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "bench/live_figures.h"
#include "booth/dlg_corvantis.h"
#include "booth/kiosk_view.h"
#include "capture/capture_video.h"
#include "capture/video_preview.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "kiosk_bench";
    static char* argv[] = { name, nullptr };
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: tearing it down among the exit handlers, after the kiosk view's input
    // devices, crashes the program once the figures are out.
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
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

using livefigures::runEventsFor;

/// The booth with its own folders, a decoration as its frame and the camera switched on: the
/// built-in test camera at 1920 x 1080, 30 fps.
struct LiveBooth {
    QTemporaryDir home;
    AppPaths paths;
    BoothSettings settings;
    std::unique_ptr<DlgCorvantis> screen;
    std::unique_ptr<KioskView> view;
    platform::ScriptedPrompts unattended; // questions are answered OK, as in the self-test

    bool start(bool kiosk)
    {
        app();
        platform::setPrompts(&unattended);
        CCaptureVideo::SetTestCameraOverride(1, true);
        CCaptureVideo::SetTestCameraSize(QSize(1920, 1080));
        paths.setModuleFolder(home.path() + QLatin1Char('/'));
        paths.m_tempFolder = home.path() + QLatin1Char('/');
        paths.m_saveFolder = home.path() + QStringLiteral("/Saved");
        settings.m_shottingDelay = 0;
        settings.m_alpha = 255;
        settings.m_autoChangeFrame = 0;
        screen = std::make_unique<DlgCorvantis>(settings, paths);
        // A frame as the booth's frames are: a border and a sticker round a key-coloured middle.
        QImage frame(320, 240, QImage::Format_RGB32);
        frame.fill(QColor(255, 0, 255));
        {
            QPainter p(&frame);
            p.setPen(QPen(QColor(0xFF, 0xC8, 0x57), 24));
            p.drawRect(frame.rect().adjusted(12, 12, -12, -12));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xFF, 0x6B, 0x57));
            p.drawEllipse(QPoint(260, 190), 30, 30);
        }
        const QString framePath = home.path() + QStringLiteral("/frame.png");
        if (!frame.save(framePath) || !screen->booth().work().setFrameFile(framePath))
            return false;
        if (kiosk) {
            view = std::make_unique<KioskView>(*screen);
            view->resize(1920, 1080);
            view->show();
        } else {
            screen->show();
        }
        QCoreApplication::processEvents();
        platform::findControl<CxSkinButton>(screen.get(), DlgCorvantis::kCameraId)->click();
        runEventsFor(1000); // the graph and the overlay settle
        return screen->isLive();
    }
    ~LiveBooth()
    {
        view.reset();
        screen.reset();
        platform::setPrompts(nullptr);
        CCaptureVideo::SetTestCameraSize({});
    }
};

/// The booth live for five seconds per iteration. Arg 0: the screen as a window; arg 1: in the
/// kiosk view at 1920 x 1080. Counters: the interface thread's CPU time per frame shown, the whole
/// process's CPU time as a share of one core (the test camera drawing its pictures included).
void BM_LiveBooth1080p(benchmark::State& state)
{
    LiveBooth booth;
    if (!booth.start(state.range(0) == 1)) {
        state.SkipWithError("the booth did not go live on the test camera");
        return;
    }
    int shown = 0;
    QObject::connect(&booth.screen->capture(), &CCaptureVideo::frameShown, [&shown] { ++shown; });
    livefigures::measureLive(state, [&shown] { return shown; });
}
BENCHMARK(BM_LiveBooth1080p)->Arg(0)->Arg(1)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

/// The shoot button without countdown to the shot in its slot (frame shown, so the frame on
/// screen is taken at the camera's full size), archive included, at 1920 x 1080.
void BM_ShotToSlot1080p(benchmark::State& state)
{
    LiveBooth booth;
    if (!booth.start(false)) {
        state.SkipWithError("the booth did not go live on the test camera");
        return;
    }
    DlgCorvantis& screen = *booth.screen;
    int failed = 0;
    for (auto _ : state) {
        // A full sheet is cleared as an operator would, outside the timing; frames flow meanwhile.
        if (screen.slotModel().usedSlots().size() >= screen.slotModel().count())
            screen.OnSlotCommand(screen.slotModel().currentSlot(), DlgCorvantis::CmdClear);
        runEventsFor(40);
        int slot = -2;
        const QMetaObject::Connection done
            = QObject::connect(&screen, &DlgCorvantis::shotFinished, [&slot](int s) { slot = s; });
        QElapsedTimer clock;
        clock.start();
        screen.OnShoot();
        state.SetIterationTime(double(clock.nsecsElapsed()) * 1e-9);
        QObject::disconnect(done);
        if (slot < 0)
            ++failed;
    }
    if (failed > 0)
        state.SkipWithError("a shot did not reach its slot");
    state.SetLabel(booth.screen->capture().GetNativeVideoSize() == QSize(1920, 1080) ? "1920x1080 camera"
                                                                                     : "camera not at 1920x1080");
}
BENCHMARK(BM_ShotToSlot1080p)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
