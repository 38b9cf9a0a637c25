// The operator's check before an event: N shots through the real shooting path with no countdown,
// each archived, a new sheet when the layout is full, and one summary line.
#pragma once

#include <QString>

class BoothScreen;

struct SelfTestResult {
    int shots = 0;
    int failed = 0;
    double medianMs = 0;
    double worstMs = 0;
    double previewFps = 0;
    double rssStartMb = 0;
    double rssEndMb = 0;
    /// Memory at the start of every sheet after the first (an empty sheet, its autosave written):
    /// the medians over the first and the last third of those sheets. Their difference is growth
    /// per shot; what came before is warm-up (camera, caches, pools). Zero before three sheets.
    int sheetsStarted = 0;
    double rssEarlyMb = 0;
    double rssLateMb = 0;
    double heapEarlyMb = 0;
    double heapLateMb = 0;
    QString problem; ///< why the run could not start (no camera)
    int autosaveFailures = 0; ///< autosaves of the session that failed: a crash would lose the sheet
    QString autosaveError; ///< the first of them, "<file>: <reason>"

    /// Whether the booth is fit for an event: every shot reached a slot and its archive, and every
    /// autosave was written.
    bool passed() const { return problem.isEmpty() && failed == 0 && autosaveFailures == 0; }

    /// "self-test: N shots, F failed, shot to slot median X ms, worst Y ms, preview Z fps,
    /// [S sheets, early to late: heap H1 MB -> H2 MB, rss R1 MB -> R2 MB, ]rss START MB -> END MB
    /// [; autosave failed N times: FILE: REASON]".
    QString summary() const;
};

/// Runs the check on a constructed screen (it is shown and the camera switched on). The countdown
/// is set to 0 for the run and restored afterwards.
SelfTestResult RunSelfTest(BoothScreen& screen, int shots);

/// Resident memory of this process in MB (0 when unknown).
double ResidentMegabytes();
/// Bytes the allocator has handed out and not had back, in MB: unlike resident memory it does
/// not count freed memory the allocator keeps for reuse.
double HeapInUseMegabytes();
