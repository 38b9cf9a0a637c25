// The camera: lists the video devices, builds and runs the capture graph (device in its chosen
// mode -> split into a preview scaled for the widget and a full-size tap for shots), lays the
// decoration over the live picture and takes single frames.
#pragma once

#include <memory>
#include <optional>

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include "capture/camera_mode.h"
#include "capture/frame_mailbox.h"
#include "capture/video_preview.h"

class CDeviceProvider;
class QComboBox;
class QSocketNotifier;
class QWidget;
typedef struct _GstElement GstElement;

/// One notification of the capture graph, drained by the booth after CCaptureVideo::graphNotify.
struct GraphEvent {
    enum Kind { Error, EndOfStream, DeviceLost };
    Kind kind = Error;
    QString text;
};

class CCaptureVideo : public QObject {
    Q_OBJECT
public:
    /// Result codes of BuildGraph and the overlay calls.
    static constexpr int kOk = 0;
    static constexpr int kNoDevice = 1;
    static constexpr int kFail = static_cast<int>(0x80004005u);

    // The texts the user sees when the graph cannot be built.
    static const char* const kMsgInitFailed;
    static const char* const kMsgNoGrabber;
    static const char* const kMsgMediaType;
    static const char* const kMsgGrabberNotAdded;
    static const char* const kMsgCannotBuild;
    static const char* const kMsgNoMediaType;
    static const char* const kMsgCannotRun;

    explicit CCaptureVideo(QObject* parent = nullptr);
    ~CCaptureVideo() override;

    /// Test cameras (videotestsrc, 640 x 480 at 30 fps unless SetTestCameraSize says otherwise)
    /// offered after the real devices: by default
    /// as many as KIVRA_TEST_CAMERA says (unset or 0: none, 2: two, any other value: one).
    /// count >= 0 overrides the variable for this process; onlyTestCameras hides real devices so
    /// device indices are predictable. count < 0 returns to the variable.
    static void SetTestCameraOverride(int count, bool onlyTestCameras = false);
    static int TestCameraCount();
    /// A launch description (e.g. "videotestsrc num-buffers=5") used for every test camera in
    /// place of the moving pattern, so tests can stage failing devices; empty restores it.
    static void SetTestCameraSource(const QString& description);
    static constexpr QSize kDefaultTestCameraSize { 640, 480 };
    static constexpr QSize kMinTestCameraSize { 16, 16 };
    static constexpr QSize kMaxTestCameraSize { 7680, 4320 };
    /// The picture size of the test cameras made from now on; an empty size restores 640 x 480.
    /// False (and nothing changed) outside kMinTestCameraSize..kMaxTestCameraSize.
    static bool SetTestCameraSize(const QSize& size);
    static QSize TestCameraSize();

    /// Capture objects made from now on (and DeviceNames) take their devices from provider, which
    /// must outlive them; null returns to the system's devices, watched by each capture object.
    static void SetDeviceProvider(CDeviceProvider* provider);

    /// Display names of the video sources, in device-index order.
    static QStringList DeviceNames();
    /// Adds the device names of this object's provider to box; returns their number, or -1 (and adds nothing) when
    /// there is no video device.
    int EnumerateDevices(QComboBox* box);
    /// The device names of this object's provider, in device-index order (empty without a device).
    QStringList EnumerateDevices() const;
    static int EnumerateDevices(QStringList& names);
    struct DeviceModes {
        QString name;
        /// The mode BuildGraph asks the device for; none when its modes cannot be read (or none
        /// is usable), and the camera picks its own.
        std::optional<CameraMode> chosen;
    };
    /// The video sources in device-index order, each with the mode it would run in.
    static QList<DeviceModes> DescribeDevices();
    /// Makes the device at index the graph's source. False when there is no device at all; an
    /// index past the last device binds nothing, so the graph build that follows fails.
    bool BindDevice(int index);

    /// Builds the graph of device index with its preview in dest (client coordinates of
    /// previewWindow; a null window runs headless) and runs it until the first frame has
    /// arrived (at most 5 s). The device is asked for the mode ChooseCameraMode picks from the
    /// modes it lists; if it refuses that mode the graph is built again letting it choose.
    /// The preview is scaled to dest's size inside the graph (headless: the camera's size); the
    /// grabber gets full-size frames. Returns kOk, or kNoDevice / a failure code after showing
    /// the step's message (also kept in lastError()).
    int BuildGraph(int deviceIndex, QWidget* previewWindow, const QRect& dest);
    /// Runs the built graph. After the camera failed or was unplugged the graph is built again
    /// for the device of the same name, wherever it is in the list now; false (with lastError())
    /// while that device is gone.
    bool Run();
    void Stop();
    bool IsGraphBuilt() const { return m_built; }
    bool IsRunning() const { return m_running; }

    /// The camera's frame size (what a shot gets), not the preview's.
    QSize GetNativeVideoSize() const { return m_nativeSize; }
    /// The mode the device was asked for when the graph was last built, and whether it runs in
    /// it (no active mode: the device refused it, or none was asked, and chose its own).
    std::optional<CameraMode> RequestedMode() const { return m_requestedMode; }
    std::optional<CameraMode> ActiveMode() const { return m_activeMode; }

    /// Colour whose pixels the next SetOverlayBitmap leaves transparent; magenta at start.
    void SetColorKey(const QColor& key) { m_colorKey = key.rgb() & 0x00FFFFFF; }
    QRgb ColorKey() const { return m_colorKey; }
    /// Lays source (a rectangle of bitmap, in video pixels) over the bottom-right corner of the
    /// picture, invisible until SetOverlayAlpha. kFail before the graph knows its video size.
    int SetOverlayBitmap(const QImage& bitmap, const QRect& source);
    /// n tenths of full opacity (0..10).
    int SetOverlayAlpha(int tenths);
    /// Makes the overlay invisible without removing it.
    int HideOverlay();
    QRectF OverlayDestination() const { return m_overlayDest; }
    qreal OverlayAlpha() const { return m_overlayAlpha; }

    /// Mode 0: the next frame through the grabber is written to path (returns at once; false
    /// when no graph is running). Other modes: the frame currently shown is written now, at the
    /// camera's size; false when nothing has been shown yet, the graph is stopped or the file
    /// cannot be written.
    bool CaptureFrame(const QString& path, int mode);
    /// The booth's name for CaptureFrame: mode is the state of the frame check box.
    bool GrabToFile(const QString& path, int mode) { return CaptureFrame(path, mode); }

    /// Takes the pending graph notifications.
    QList<GraphEvent> DrainEvents();

    QString BoundDeviceName() const { return m_deviceName; }
    QString lastError() const { return m_lastError; }
    /// GStreamer's own words about the last failure, for logs and the command line.
    QString lastErrorDetail() const { return m_lastDetail; }
    /// The frame the preview shows now (at the preview's size, null before the first frame).
    QImage CurrentImage() const { return m_shown; }
    /// The newest frame at the camera's size, converted now (BGR888; null when none is held).
    QImage FullFrame() const;
    CVideoPreview* preview() const { return m_preview; }
    /// The running pipeline (null without a graph), for diagnostics.
    GstElement* pipeline() const;
    int framesDropped() const { return m_mailbox.dropped(); }

signals:
    /// Graph notifications are waiting; call DrainEvents. The graph has already stopped when one
    /// of them is an error, end of stream or lost device.
    void graphNotify();
    /// A new frame reached the preview.
    void frameShown();
    /// A device was plugged in or pulled out: the device list has changed. When the bound device
    /// went while the graph ran, one DeviceLost notification follows (never one per message).
    void devicesChanged();

private:
    struct Graph;
    friend struct CaptureTap;
    enum class Attempt { Built, NoDevice, Failed };

    void onFrameArrived();
    void onBusReadable();
    void onDeviceAdded(const QString& name);
    void onDeviceRemoved(const QString& name);
    void stopBroken();
    int fail(int code, const char* message);
    Attempt buildAttempt(const std::optional<CameraMode>& mode, const char** message);
    void teardown();
    bool rebuild();

    bool m_initialised = false;
    std::unique_ptr<CDeviceProvider> m_ownProvider;
    CDeviceProvider* m_provider = nullptr;
    std::unique_ptr<Graph> m_graph;
    bool m_built = false;
    QSocketNotifier* m_busNotifier = nullptr;
    QPointer<CVideoPreview> m_preview;
    QPointer<QWidget> m_previewWindow;
    QRect m_dest;
    int m_deviceIndex = -1;
    QString m_deviceName;
    bool m_running = false;
    bool m_broken = false;

    CFrameMailbox m_mailbox;
    QImage m_shown;
    QSize m_nativeSize;
    std::optional<CameraMode> m_requestedMode;
    std::optional<CameraMode> m_activeMode;

    QRgb m_colorKey = 0xFF00FF;
    QImage m_overlayBitmap;
    QRect m_overlayRect;
    QRectF m_overlayDest;
    qreal m_overlayWidthFraction = 0;
    qreal m_overlayHeightOffset = 0;
    qreal m_overlayAlpha = 0;

    QList<GraphEvent> m_events;
    QString m_lastError;
    QString m_lastDetail;
};
