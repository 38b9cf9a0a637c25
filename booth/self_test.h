// The operator's check before an event: N shots through the real shooting path with no countdown,
// each archived, a new sheet when the layout is full, and one summary line.
#pragma once

#include <QString>

class DlgCorvantis;

struct SelfTestResult {
    int shots = 0;
    int failed = 0;
    double medianMs = 0;
    double worstMs = 0;
    double previewFps = 0;
    double rssStartMb = 0;
    double rssEndMb = 0;
    /// Memory at the start of the second sheet (camera, caches and pools warmed up) and of the
    /// last one, both with the autosave written: growth between them is growth per shot, the rest
    /// is warm-up. sheetsStarted counts the full sheets put aside; zero figures before the first.
    int sheetsStarted = 0;
    int warmShot = 0;
    int lastSheetShot = 0;
    double rssWarmMb = 0;
    double rssLastSheetMb = 0;
    double heapWarmMb = 0;
    double heapLastSheetMb = 0;
    QString problem; ///< why the run could not start (no camera)

    /// "self-test: N shots, F failed, shot to slot median X ms, worst Y ms, preview Z fps,
    /// [sheets from shot A to B: heap H1 MB -> H2 MB, rss R1 MB -> R2 MB, ]rss START MB -> END MB".
    QString summary() const;
};

/// Runs the check on a constructed screen (it is shown and the camera switched on). The countdown
/// is set to 0 for the run and restored afterwards.
SelfTestResult RunSelfTest(DlgCorvantis& screen, int shots);

/// Resident memory of this process in MB (0 when unknown).
double ResidentMegabytes();
/// Bytes the allocator has handed out and not had back, in MB: unlike resident memory it does
/// not count freed memory the allocator keeps for reuse.
double HeapInUseMegabytes();
