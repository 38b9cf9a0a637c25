// What the live picture costs, measured the same way for the camera alone and for the whole
// booth: the interface thread's processor time per frame shown, the whole process's processor
// time as a share of one core, and the frames shown per second.
#pragma once

#include <ctime>
#include <functional>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace livefigures {

inline double cpuSeconds(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

/// Dispatches the interface thread's events for ms milliseconds.
inline void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

/// Runs the benchmark's iterations of five live seconds each (manual time) and sets the counters
/// ui_ms_per_frame, process_cpu_pct and fps; framesShown counts the frames shown so far.
inline void measureLive(benchmark::State& state, const std::function<int()>& framesShown)
{
    double uiPerFrame = 0, processShare = 0, fps = 0;
    for (auto _ : state) {
        const int before = framesShown();
        const double ui = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const double process = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        QElapsedTimer wall;
        wall.start();
        runEventsFor(5000);
        const double seconds = double(wall.nsecsElapsed()) * 1e-9;
        const int frames = framesShown() - before;
        state.SetIterationTime(seconds);
        uiPerFrame += frames > 0 ? (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - ui) * 1000.0 / frames : 0;
        processShare += (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process) * 100.0 / seconds;
        fps += frames / seconds;
    }
    const double n = double(state.iterations());
    state.counters["ui_ms_per_frame"] = uiPerFrame / n;
    state.counters["process_cpu_pct"] = processShare / n;
    state.counters["fps"] = fps / n;
}

} // namespace livefigures
