// --list-cameras and --grab-frame: the capture graph driven headless from the command line.
#include "capture/capture_cli.h"

#include <memory>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include "capture/capture_video.h"
#include "capture/sample_grabber_cb.h"
#include "platform/long_operation.h"

namespace {

constexpr int kFrameTimeoutMs = 5000;

// Waits (running the event loop) until done() holds or the deadline passes.
template <typename Done> bool waitUntil(const QDeadlineTimer& deadline, Done done)
{
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        platform::waitDispatching(10);
    }
    return true;
}

} // namespace

int RunListCameras(QTextStream& out)
{
    const QList<CCaptureVideo::DeviceModes> devices = CCaptureVideo::DescribeDevices();
    if (devices.isEmpty()) {
        out << "No camera found.\n";
        out.flush();
        return 1;
    }
    for (int i = 0; i < devices.size(); ++i) {
        out << i << ": " << devices[i].name << " ("
            << (devices[i].chosen ? devices[i].chosen->describe() : QStringLiteral("mode chosen by the camera"))
            << ")\n";
    }
    out.flush();
    return 0;
}

int RunGrabFrame(const QString& file, int device, int mode, QTextStream& out, QTextStream& err)
{
    auto finish = [&](int code) {
        out.flush();
        err.flush();
        return code;
    };
    std::unique_ptr<QCoreApplication> ownApp;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "corvantis";
        static char* argv[] = { name, nullptr };
        ownApp = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (file.isEmpty()) {
        err << "No output file given.\n";
        return finish(1);
    }
    if (mode != 0 && mode != 1) {
        err << "Unknown capture mode " << mode << " (use 0 or 1).\n";
        return finish(1);
    }
    const QStringList names = CCaptureVideo::DeviceNames();
    if (names.isEmpty()) {
        err << "No camera found.\n";
        return finish(1);
    }
    if (device < 0 || device >= names.size()) {
        err << "No camera with index " << device << "; there " << (names.size() == 1 ? "is " : "are ") << names.size()
            << (names.size() == 1 ? " camera" : " cameras") << " (see --list-cameras).\n";
        return finish(1);
    }

    const QDeadlineTimer deadline(kFrameTimeoutMs);
    CCaptureVideo capture;
    if (capture.BuildGraph(device, nullptr, QRect()) != CCaptureVideo::kOk) {
        err << "Camera \"" << names[device] << "\": " << capture.lastError();
        if (!capture.lastErrorDetail().isEmpty())
            err << " - " << capture.lastErrorDetail();
        err << '\n';
        return finish(1);
    }
    bool failed = false;
    QObject::connect(&capture, &CCaptureVideo::graphNotify, [&] { failed = true; });

    const QString target = QFileInfo(file).absoluteFilePath();
    CSampleGrabberCB& grabber = CSampleGrabberCB::instance();
    bool written = false;
    if (mode == 0) {
        // An existing file of that name stays untouched unless a new frame replaces it.
        const int failuresBefore = grabber.writeFailures();
        const int writtenBefore = grabber.filesWritten();
        capture.CaptureFrame(target, 0);
        waitUntil(deadline, [&] { return failed || !grabber.IsRequested(); });
        if (grabber.IsRequested())
            grabber.CancelRequest();
        else if (grabber.writeFailures() != failuresBefore) {
            err << "Cannot write " << target << ".\n";
            return finish(1);
        }
        written = grabber.filesWritten() != writtenBefore && QFileInfo::exists(target);
    } else {
        waitUntil(deadline, [&] { return failed || !capture.CurrentImage().isNull(); });
        if (!capture.CurrentImage().isNull()) {
            if (!capture.CaptureFrame(target, 1)) {
                err << "Cannot write " << target << ".\n";
                return finish(1);
            }
            written = true;
        }
    }
    if (!written) {
        err << "No frame from camera \"" << names[device] << "\" within 5 s";
        const QList<GraphEvent> events = capture.DrainEvents();
        if (!events.isEmpty())
            err << ": " << events.first().text;
        err << ".\n";
        return finish(1);
    }
    const QSize size = capture.GetNativeVideoSize();
    out << "Wrote " << target << " (" << size.width() << " x " << size.height() << ") from \"" << names[device]
        << "\".\n";
    return finish(0);
}

std::optional<int> RunCaptureCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const bool list = arguments.contains(QStringLiteral("--list-cameras"));
    const qsizetype grabAt = arguments.indexOf(QStringLiteral("--grab-frame"));
    if (!list && grabAt < 0)
        return std::nullopt;
    if (arguments.contains(QStringLiteral("--test-camera")) && qEnvironmentVariableIsEmpty("KIVRA_TEST_CAMERA"))
        qputenv("KIVRA_TEST_CAMERA", "1");
    if (list)
        return RunListCameras(out);

    auto usage = [&](const QString& problem) {
        err << problem << "\nUsage: corvantis --grab-frame FILE [--device N] [--mode 0|1] [--test-camera]\n";
        err.flush();
        return 1;
    };
    if (grabAt + 1 >= arguments.size() || arguments[grabAt + 1].startsWith(QStringLiteral("--")))
        return usage(QStringLiteral("--grab-frame needs the file to write."));
    auto number = [&](const QString& option, int fallback, bool* ok) {
        *ok = true;
        const qsizetype at = arguments.indexOf(option);
        if (at < 0)
            return fallback;
        const int value = at + 1 < arguments.size() ? arguments[at + 1].toInt(ok) : 0;
        if (at + 1 >= arguments.size())
            *ok = false;
        return value;
    };
    bool ok = false;
    const int device = number(QStringLiteral("--device"), 0, &ok);
    if (!ok)
        return usage(QStringLiteral("--device needs a camera index (see --list-cameras)."));
    const int mode = number(QStringLiteral("--mode"), 0, &ok);
    if (!ok || (mode != 0 && mode != 1))
        return usage(QStringLiteral("--mode takes 0 (next frame) or 1 (frame on screen)."));
    return RunGrabFrame(arguments[grabAt + 1], device, mode, out, err);
}
