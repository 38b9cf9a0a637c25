// Camera set-up from the command line: list the cameras, and take one frame into a BMP file
// exactly as a shot does. main() parses the options and calls these.
#pragma once

#include <optional>

#include <QString>
#include <QStringList>

class QTextStream;

/// Prints one line "index: name (mode)" per camera, the mode being the one the booth runs it in
/// ("1920 x 1080 MJPEG at 30 fps"). Returns 0, or 1 with a message when there is none.
int RunListCameras(QTextStream& out);

/// Builds the capture graph of camera device without a window, takes one frame in mode (0: the
/// grabber writes the next frame; 1: the frame the preview shows) and writes it to file as a
/// 24-bit BMP. Returns 0, or 1 with a message on err when there is no such camera, no frame
/// arrives within 5 s or the file cannot be written. Needs a Qt application object; one is
/// created for the call when there is none.
int RunGrabFrame(const QString& file, int device, int mode, QTextStream& out, QTextStream& err);

/// Runs --list-cameras or --grab-frame FILE [--device N] [--mode 0|1] when arguments (the whole
/// command line, program name first) hold one of them, honouring --test-camera; the exit code,
/// or nothing when neither option is present and the booth should start.
std::optional<int> RunCaptureCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);
