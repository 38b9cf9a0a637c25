// What the capture graph shares with the device providers: GStreamer start-up.
#pragma once

namespace capture_detail {

/// Initialises GStreamer once per process; false when it cannot start.
bool initGStreamer();

} // namespace capture_detail
