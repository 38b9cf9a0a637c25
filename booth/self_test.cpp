// The self-test: shooting through the booth's shooting part as the shoot button does, timing each shot.
#include "booth/self_test.h"

#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <malloc.h>
#include <unistd.h>

#include "app/booth_settings.h"
#include "booth/booth.h"
#include "booth/booth_screen.h"
#include "booth/main_screen_ids.h"
#include "booth/session_autosave.h"
#include "capture/capture_video.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"

double ResidentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double HeapInUseMegabytes()
{
    const struct mallinfo2 info = ::mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

QString SelfTestResult::summary() const
{
    if (!problem.isEmpty())
        return QStringLiteral("self-test: %1").arg(problem);
    QString line = QStringLiteral("self-test: %1 shots, %2 failed, shot to slot median %3 ms, worst %4 ms, "
                                  "preview %5 fps, ")
                       .arg(shots)
                       .arg(failed)
                       .arg(medianMs, 0, 'f', 0)
                       .arg(worstMs, 0, 'f', 0)
                       .arg(previewFps, 0, 'f', 1);
    if (sheetsStarted >= 3)
        line += QStringLiteral("%1 sheets, early to late: heap %2 MB -> %3 MB, rss %4 MB -> %5 MB, ")
                    .arg(sheetsStarted)
                    .arg(heapEarlyMb, 0, 'f', 1)
                    .arg(heapLateMb, 0, 'f', 1)
                    .arg(rssEarlyMb, 0, 'f', 0)
                    .arg(rssLateMb, 0, 'f', 0);
    line += QStringLiteral("rss %1 MB -> %2 MB").arg(rssStartMb, 0, 'f', 0).arg(rssEndMb, 0, 'f', 0);
    if (autosaveFailures > 0)
        line += QStringLiteral("; autosave failed %1 %2: %3")
                    .arg(autosaveFailures)
                    .arg(autosaveFailures == 1 ? QStringLiteral("time") : QStringLiteral("times"))
                    .arg(autosaveError);
    return line;
}

SelfTestResult RunSelfTest(BoothScreen& screen, int shots)
{
    Booth& booth = screen.booth();
    SelfTestResult result;
    result.rssStartMb = ResidentMegabytes();
    screen.show();
    QCoreApplication::processEvents();
    auto* camera = platform::findControl<CxSkinButton>(&screen, MainScreenIds::kCameraId);
    if (camera && !booth.camera().isLive())
        camera->click();
    if (!booth.camera().isLive()) {
        result.problem = QStringLiteral("no camera could be started");
        result.failed = shots;
        return result;
    }
    int frames = 0;
    const QMetaObject::Connection counting
        = QObject::connect(&booth.camera().capture(), &CCaptureVideo::frameShown, [&frames] { ++frames; });
    const int delay = booth.settings().m_shottingDelay;
    booth.settings().m_shottingDelay = 0;
    QElapsedTimer run;
    run.start();
    std::vector<double> times;
    std::vector<double> rssAtSheets;
    std::vector<double> heapAtSheets;
    for (int i = 0; i < shots; ++i) {
        // A full sheet is put aside as an operator would: cleared (the shots stay archived).
        if (booth.session().sheet().usedSlots().size() >= booth.session().sheet().count()) {
            booth.slotCommand(booth.session().sheet().currentSlot(), MainScreenIds::CmdClear);
            // Each new sheet is a comparable point: an empty sheet, its autosave written.
            if (booth.session().autosave())
                booth.session().autosave()->flush();
            QCoreApplication::processEvents();
            rssAtSheets.push_back(ResidentMegabytes());
            heapAtSheets.push_back(HeapInUseMegabytes());
        }
        int slot = -2;
        const QMetaObject::Connection done
            = QObject::connect(&booth.shooting(), &BoothShooting::shotFinished, [&slot](int s) { slot = s; });
        QElapsedTimer shot;
        shot.start();
        booth.shooting().shoot();
        QObject::disconnect(done);
        times.push_back(double(shot.nsecsElapsed()) / 1e6);
        ++result.shots;
        if (slot < 0 || booth.shooting().lastArchivedShot().isEmpty())
            ++result.failed;
        QCoreApplication::processEvents();
    }
    const double seconds = double(run.elapsed()) / 1000.0;
    QObject::disconnect(counting);
    booth.settings().m_shottingDelay = delay;
    // A sheet that cannot be autosaved is lost with a crash: the check fails with it.
    if (SessionAutosave* autosave = booth.session().autosave()) {
        autosave->flush();
        result.autosaveFailures = autosave->writesFailed();
        result.autosaveError = autosave->firstError();
    }
    if (!times.empty()) {
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        result.medianMs = sorted[sorted.size() / 2];
        result.worstMs = sorted.back();
    }
    result.previewFps = seconds > 0 ? frames / seconds : 0;
    result.sheetsStarted = int(rssAtSheets.size());
    if (result.sheetsStarted >= 3) {
        // Medians: the allocator keeps or returns freed picture memory as timing has it, so one
        // sample can be megabytes off either way.
        const size_t third = rssAtSheets.size() / 3;
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        auto early = [&](const std::vector<double>& v) { return median({ v.begin(), v.begin() + third }); };
        auto late = [&](const std::vector<double>& v) { return median({ v.end() - third, v.end() }); };
        result.rssEarlyMb = early(rssAtSheets);
        result.rssLateMb = late(rssAtSheets);
        result.heapEarlyMb = early(heapAtSheets);
        result.heapLateMb = late(heapAtSheets);
    }
    result.rssEndMb = ResidentMegabytes();
    return result;
}
