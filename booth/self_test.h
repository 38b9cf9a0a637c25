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
    QString problem; ///< why the run could not start (no camera)

    /// "self-test: N shots, F failed, shot to slot median X ms, worst Y ms, preview Z fps,
    /// rss START MB -> END MB".
    QString summary() const;
};

/// Runs the check on a constructed screen (it is shown and the camera switched on). The countdown
/// is set to 0 for the run and restored afterwards.
SelfTestResult RunSelfTest(DlgCorvantis& screen, int shots);

/// Resident memory of this process in MB (0 when unknown).
double ResidentMegabytes();
