// The capture graph on GStreamer: source [-> mode caps -> jpegdec] -> tee, one branch scaled and
// converted for the preview (handed over through a latest-frame mailbox), one keeping full-size
// frames for shots; bus messages turned into graph notifications.
#include "capture/capture_video.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include <QComboBox>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "capture/device_provider.h"
#include "capture/device_provider_p.h"
#include "capture/gst_handle_p.h"
#include "capture/sample_grabber_cb.h"
#include "capture/video_preview.h"
#include "platform/prompts.h"

using namespace capture_detail;

const char* const CCaptureVideo::kMsgInitFailed = "CoInitialize Failed!\r\n";
const char* const CCaptureVideo::kMsgNoGrabber = "Fail to create SampleGrabber, maybe qedit.dll is not registered?";
const char* const CCaptureVideo::kMsgMediaType = "Fail to set media type!";
const char* const CCaptureVideo::kMsgGrabberNotAdded = "Fail to put sample grabber in graph";
const char* const CCaptureVideo::kMsgCannotBuild = "Can\u2019t build the graph";
const char* const CCaptureVideo::kMsgNoMediaType = "Failt to read the connected media type";
const char* const CCaptureVideo::kMsgCannotRun = "Couldn\u2019t run the graph!";

namespace {

constexpr GstClockTime kFirstFrameTimeout = 5 * GST_SECOND;

CDeviceProvider* g_providerOverride = nullptr;

// Keeps only what the capture object reacts to; state changes would pile up on every run/stop.
GstBusSyncReply filterBusMessage(GstBus*, GstMessage* message, gpointer)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_ASYNC_DONE:
        return GST_BUS_PASS;
    default:
        return GST_BUS_DROP;
    }
}

bool fromElement(GstMessage* message, GstElement* element)
{
    for (GstObject* o = GST_MESSAGE_SRC(message); o; o = GST_OBJECT_PARENT(o)) {
        if (o == GST_OBJECT(element))
            return true;
    }
    return false;
}

struct ParsedError {
    QString text;
    QString detail;
    bool resource = false;
    bool negotiation = false;
};

ParsedError parseError(GstMessage* message)
{
    GError* raw = nullptr;
    gchar* rawDebug = nullptr;
    gst_message_parse_error(message, &raw, &rawDebug);
    ErrorPtr err(raw);
    StringPtr debug(rawDebug);
    ParsedError out;
    out.text = err ? QString::fromUtf8(err->message) : QStringLiteral("Unknown camera error");
    out.detail = out.text;
    if (debug)
        out.detail += QStringLiteral(" (") + QString::fromUtf8(debug.get()) + QLatin1Char(')');
    if (err) {
        out.resource = err->domain == GST_RESOURCE_ERROR;
        // Sources report a failed format negotiation as a generic flow error naming the reason.
        out.negotiation = err->domain == GST_STREAM_ERROR
            && (err->code == GST_STREAM_ERROR_FORMAT || err->code == GST_STREAM_ERROR_WRONG_TYPE
                || err->code == GST_STREAM_ERROR_NOT_IMPLEMENTED
                || (debug && std::strstr(debug.get(), "not-negotiated")));
    }
    return out;
}

bool negotiatedSize(GstElement* sink, QSize* size)
{
    PadPtr pad(gst_element_get_static_pad(sink, "sink"));
    if (!pad)
        return false;
    CapsPtr caps(gst_pad_get_current_caps(pad.get()));
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()))
        return false;
    *size = QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
    return !size->isEmpty();
}

// The preview's pixels in the byte order of QImage::Format_RGB32 (0xffRRGGBB in native order),
// so the widget paints them without a conversion.
constexpr const char* kPreviewFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "BGRA" : "ARGB";

ElementPtr makeElement(const char* factory, const char* name)
{
    ElementPtr e(gst_element_factory_make(factory, name));
    if (e)
        gst_object_ref_sink(e.get());
    return e;
}

// A full-size camera frame in any raw format as packed BGR rows (padded to 4 bytes, as a BMP's).
QImage ConvertSampleToBgr(GstSample* sample)
{
    GstCaps* caps = sample ? gst_sample_get_caps(sample) : nullptr;
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    GstVideoInfo in;
    if (!caps || !buffer || !gst_video_info_from_caps(&in, caps))
        return {};
    const int width = GST_VIDEO_INFO_WIDTH(&in);
    const int height = GST_VIDEO_INFO_HEIGHT(&in);
    QImage image(width, height, QImage::Format_BGR888);
    if (image.isNull())
        return {};
    GstVideoFrame source;
    if (!gst_video_frame_map(&source, &in, buffer, GST_MAP_READ))
        return {};
    if (GST_VIDEO_INFO_FORMAT(&in) == GST_VIDEO_FORMAT_BGR) {
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&source, 0);
        const auto* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&source, 0));
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), data + size_t(y) * size_t(stride), size_t(width) * 3);
        gst_video_frame_unmap(&source);
        return image;
    }
    GstVideoInfo out;
    gst_video_info_set_format(&out, GST_VIDEO_FORMAT_BGR, guint(width), guint(height));
    // The converter changes pixels only: timing and shape stay the camera's.
    GST_VIDEO_INFO_FPS_N(&out) = GST_VIDEO_INFO_FPS_N(&in);
    GST_VIDEO_INFO_FPS_D(&out) = GST_VIDEO_INFO_FPS_D(&in);
    GST_VIDEO_INFO_PAR_N(&out) = GST_VIDEO_INFO_PAR_N(&in);
    GST_VIDEO_INFO_PAR_D(&out) = GST_VIDEO_INFO_PAR_D(&in);
    GST_VIDEO_INFO_INTERLACE_MODE(&out) = GST_VIDEO_INFO_INTERLACE_MODE(&in);
    out.stride[0] = int(image.bytesPerLine());
    out.size = size_t(image.sizeInBytes());
    // The QImage's own memory is the converter's target; the wrapper does not free it.
    GstBuffer* target = gst_buffer_new_wrapped_full(
        GstMemoryFlags(0), image.bits(), size_t(image.sizeInBytes()), 0, size_t(image.sizeInBytes()), nullptr, nullptr);
    GstVideoFrame dest;
    bool ok = false;
    if (target && gst_video_frame_map(&dest, &out, target, GST_MAP_WRITE)) {
        if (GstVideoConverter* converter = gst_video_converter_new(&in, &out, nullptr)) {
            gst_video_converter_frame(converter, &source, &dest);
            gst_video_converter_free(converter);
            ok = true;
        }
        gst_video_frame_unmap(&dest);
    }
    if (target)
        gst_buffer_unref(target);
    gst_video_frame_unmap(&source);
    return ok ? image : QImage();
}

} // namespace

struct CCaptureVideo::Graph {
    ElementPtr pipeline;
    // Our own references; the pipeline takes its own when an element is added (they are not floating).
    ElementPtr source;
    ElementPtr modeFilter; // asks the device for the chosen mode
    ElementPtr decoder; // JPEG modes only
    ElementPtr split;
    ElementPtr previewQueue;
    ElementPtr scale;
    ElementPtr convert;
    ElementPtr previewSink;
    ElementPtr grabQueue;
    ElementPtr sink; // the grabber's full-size tap
    BusPtr bus;

    // The newest full-size frame, kept by reference (no copy) for the frame-on-screen shot.
    mutable std::mutex latestLock;
    SamplePtr latest;
    std::atomic<int> fullWidth { 0 };
    std::atomic<int> fullHeight { 0 };

    SamplePtr latestSample() const
    {
        std::lock_guard lock(latestLock);
        return SamplePtr(latest ? gst_sample_ref(latest.get()) : nullptr);
    }
    void dropLatest()
    {
        SamplePtr old;
        std::lock_guard lock(latestLock);
        old = std::move(latest);
    }

    ~Graph()
    {
        // Stopping joins the streaming threads, so no callback outlives the capture object.
        if (pipeline)
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        if (bus)
            gst_bus_set_flushing(bus.get(), TRUE);
    }
};

// The streaming-thread side of the two taps. The grabber sees every full-size frame but only
// converts the one it was asked for; the preview gets frames already scaled to its size.
struct CaptureTap {
    static GstFlowReturn newFullSample(GstAppSink* sink, gpointer user)
    {
        auto* graph = static_cast<CCaptureVideo::Graph*>(user);
        SamplePtr sample(gst_app_sink_pull_sample(sink));
        if (!sample)
            return GST_FLOW_OK;
        GstCaps* caps = gst_sample_get_caps(sample.get());
        GstVideoInfo info;
        if (caps && gst_video_info_from_caps(&info, caps)) {
            graph->fullWidth.store(GST_VIDEO_INFO_WIDTH(&info), std::memory_order_relaxed);
            graph->fullHeight.store(GST_VIDEO_INFO_HEIGHT(&info), std::memory_order_relaxed);
        }

        CSampleGrabberCB& grabber = CSampleGrabberCB::instance();
        if (grabber.IsRequested()) {
            const QImage frame = ConvertSampleToBgr(sample.get());
            if (!frame.isNull()) {
                if (grabber.frameWidth() != frame.width() || grabber.frameHeight() != frame.height())
                    grabber.SetFrameSize(frame.width(), frame.height());
                GstBuffer* buffer = gst_sample_get_buffer(sample.get());
                const double time
                    = buffer && GST_BUFFER_PTS_IS_VALID(buffer) ? double(GST_BUFFER_PTS(buffer)) / GST_SECOND : 0.0;
                // QImage rows are padded to 4 bytes, as the grabber's buffer is.
                grabber.BufferCB(time, frame.constBits(), long(frame.sizeInBytes()));
            }
        }

        SamplePtr old; // released outside the lock
        {
            std::lock_guard lock(graph->latestLock);
            old = std::exchange(graph->latest, std::move(sample));
        }
        return GST_FLOW_OK;
    }

    static GstFlowReturn newPreviewSample(GstAppSink* sink, gpointer user)
    {
        auto* self = static_cast<CCaptureVideo*>(user);
        SamplePtr sample(gst_app_sink_pull_sample(sink));
        if (!sample)
            return GST_FLOW_OK;
        GstCaps* caps = gst_sample_get_caps(sample.get());
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        GstVideoInfo info;
        if (!caps || !buffer || !gst_video_info_from_caps(&info, caps))
            return GST_FLOW_OK;
        GstVideoFrame frame;
        if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ))
            return GST_FLOW_OK;
        const int width = GST_VIDEO_FRAME_WIDTH(&frame);
        const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        const auto* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        // A private copy of the small frame: the converter's buffers go back to its pool at once.
        QImage image(width, height, QImage::Format_RGB32);
        if (!image.isNull()) {
            for (int y = 0; y < height; ++y)
                std::memcpy(image.scanLine(y), data + size_t(y) * size_t(stride), size_t(width) * 4);
        }
        gst_video_frame_unmap(&frame);

        if (!image.isNull() && self->m_mailbox.put(std::move(image)))
            QMetaObject::invokeMethod(
                self, [self] { self->onFrameArrived(); }, Qt::QueuedConnection);
        return GST_FLOW_OK;
    }
};

CCaptureVideo::CCaptureVideo(QObject* parent)
    : QObject(parent)
{
    m_initialised = initGStreamer();
    if (!m_initialised)
        platform::prompts().messageBox(nullptr, QString::fromUtf8(kMsgInitFailed), platform::MbOk);
    m_provider = g_providerOverride;
    if (!m_provider) {
        m_ownProvider = std::make_unique<CSystemDeviceProvider>(true);
        m_provider = m_ownProvider.get();
    }
    connect(m_provider, &CDeviceProvider::deviceAdded, this, &CCaptureVideo::onDeviceAdded);
    connect(m_provider, &CDeviceProvider::deviceRemoved, this, &CCaptureVideo::onDeviceRemoved);
}

CCaptureVideo::~CCaptureVideo()
{
    teardown();
}

void CCaptureVideo::SetDeviceProvider(CDeviceProvider* provider)
{
    g_providerOverride = provider;
}

QStringList CCaptureVideo::DeviceNames()
{
    if (g_providerOverride)
        return g_providerOverride->names();
    return CSystemDeviceProvider(false).names();
}

int CCaptureVideo::EnumerateDevices(QStringList& names)
{
    const QStringList found = DeviceNames();
    if (found.isEmpty())
        return -1;
    names << found;
    return int(found.size());
}

QStringList CCaptureVideo::EnumerateDevices() const
{
    return m_provider->names();
}

int CCaptureVideo::EnumerateDevices(QComboBox* box)
{
    const QStringList names = m_provider->names();
    if (names.isEmpty())
        return -1;
    if (box)
        box->addItems(names);
    return int(names.size());
}

bool CCaptureVideo::BindDevice(int index)
{
    if (!m_graph)
        m_graph = std::make_unique<Graph>();
    m_graph->source.reset();
    m_deviceName.clear();
    const QStringList names = m_provider->names();
    if (names.isEmpty())
        return false;
    if (index >= 0 && index < names.size()) {
        m_graph->source.reset(m_provider->createSource(index));
        if (m_graph->source)
            m_deviceName = names[index];
    }
    return true;
}

GstElement* CCaptureVideo::pipeline() const
{
    return m_graph ? m_graph->pipeline.get() : nullptr;
}

int CCaptureVideo::fail(int code, const char* message)
{
    m_lastError = QString::fromUtf8(message);
    platform::prompts().messageBox(m_previewWindow ? m_previewWindow->window() : nullptr, m_lastError, platform::MbOk);
    return code;
}

void CCaptureVideo::teardown()
{
    delete m_busNotifier;
    m_busNotifier = nullptr;
    m_graph.reset();
    m_built = false;
    m_running = false;
    m_mailbox.clear();
    delete m_preview.data();
}

int CCaptureVideo::BuildGraph(int deviceIndex, QWidget* previewWindow, const QRect& dest)
{
    teardown();
    m_lastError.clear();
    m_lastDetail.clear();
    m_broken = false;
    m_shown = QImage();
    m_nativeSize = QSize();
    m_overlayBitmap = QImage();
    m_overlayRect = QRect();
    m_overlayDest = QRectF();
    m_overlayWidthFraction = m_overlayHeightOffset = m_overlayAlpha = 0;
    m_deviceIndex = deviceIndex;
    m_previewWindow = previewWindow;
    m_dest = dest;
    m_requestedMode.reset();
    m_activeMode.reset();
    if (!m_initialised) {
        m_lastError = QString::fromUtf8(kMsgInitFailed).trimmed();
        return kFail;
    }

    const char* message = nullptr;
    m_requestedMode = ChooseCameraMode(CameraModesFromCaps(m_provider->caps(deviceIndex)), JpegDecoderAvailable());
    if (m_requestedMode) {
        const Attempt first = buildAttempt(m_requestedMode, &message);
        if (first == Attempt::Built) {
            m_activeMode = m_requestedMode;
            return kOk;
        }
        if (first == Attempt::NoDevice) {
            m_lastError = QStringLiteral("No camera found");
            return kNoDevice;
        }
        // The device listed the mode but will not run it: let it pick its own, as a camera
        // whose modes cannot be read does.
        qWarning("Camera \"%s\" refused %s (%s); letting it choose its mode", qPrintable(m_deviceName),
            qPrintable(m_requestedMode->describe()), qPrintable(m_lastDetail));
        teardown();
        m_lastDetail.clear();
    }
    switch (buildAttempt(std::nullopt, &message)) {
    case Attempt::Built:
        return kOk;
    case Attempt::NoDevice:
        m_lastError = QStringLiteral("No camera found");
        return kNoDevice;
    case Attempt::Failed:
        break;
    }
    return fail(kFail, message);
}

CCaptureVideo::Attempt CCaptureVideo::buildAttempt(const std::optional<CameraMode>& mode, const char** message)
{
    m_graph = std::make_unique<Graph>();
    Graph& g = *m_graph;
    g.pipeline.reset(gst_pipeline_new("capture-graph"));
    if (!g.pipeline) {
        *message = kMsgCannotBuild;
        m_lastDetail = QStringLiteral("Cannot create the capture graph");
        return Attempt::Failed;
    }
    gst_object_ref_sink(g.pipeline.get());
    g.bus.reset(gst_pipeline_get_bus(GST_PIPELINE(g.pipeline.get())));
    gst_bus_set_sync_handler(g.bus.get(), filterBusMessage, nullptr, nullptr);

    if (!BindDevice(m_deviceIndex))
        return Attempt::NoDevice;
    if (g.source && !gst_bin_add(GST_BIN(g.pipeline.get()), g.source.get()))
        g.source.reset();

    // The taps: a tee after the camera (and its decoder), one branch scaled and converted to the
    // preview's size and pixel format, one keeping the camera's frames for the grabber.
    g.split = makeElement("tee", "Split");
    g.previewQueue = makeElement("queue", "Preview Queue");
    g.scale = makeElement("videoscale", "Scaler");
    g.convert = makeElement("videoconvert", "Converter");
    g.previewSink = makeElement("appsink", "Preview");
    g.grabQueue = makeElement("queue", "Grabber Queue");
    g.sink = makeElement("appsink", "Grabber");
    if (!g.split || !g.previewQueue || !g.scale || !g.convert || !g.previewSink || !g.grabQueue || !g.sink) {
        *message = kMsgNoGrabber;
        return Attempt::Failed;
    }
    if (mode) {
        g.modeFilter = makeElement("capsfilter", "Camera Mode");
        if (mode->encoding == CameraMode::Jpeg)
            g.decoder = makeElement("jpegdec", "Decoder");
        if (!g.modeFilter || (mode->encoding == CameraMode::Jpeg && !g.decoder)) {
            *message = kMsgCannotBuild;
            return Attempt::Failed;
        }
        CapsPtr caps(gst_caps_from_string(mode->caps().toUtf8().constData()));
        g_object_set(g.modeFilter.get(), "caps", caps.get(), nullptr);
    }
    {
        // Preview at the size it is shown at; headless it keeps the camera's size. Free pixel
        // aspect and no borders: the picture fills the area as the shot fills its slot.
        const QSize previewSize = !m_dest.isEmpty() ? m_dest.size()
            : m_previewWindow                       ? m_previewWindow->size()
                                                    : QSize();
        CapsPtr previewCaps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, kPreviewFormat, nullptr));
        CapsPtr fullCaps(gst_caps_new_empty_simple("video/x-raw"));
        if (!previewCaps || !fullCaps) {
            *message = kMsgMediaType;
            return Attempt::Failed;
        }
        if (!previewSize.isEmpty())
            gst_caps_set_simple(previewCaps.get(), "width", G_TYPE_INT, previewSize.width(), "height", G_TYPE_INT,
                previewSize.height(), nullptr);
        g_object_set(g.previewSink.get(), "caps", previewCaps.get(), nullptr);
        g_object_set(g.sink.get(), "caps", fullCaps.get(), nullptr);
        g_object_set(g.scale.get(), "add-borders", FALSE, nullptr);
    }
    // Each branch drops its own late frames; neither holds up the camera or the other branch.
    for (GstElement* queue : { g.previewQueue.get(), g.grabQueue.get() })
        g_object_set(
            queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64(0), "leaky", 2, nullptr);
    GstBin* bin = GST_BIN(g.pipeline.get());
    bool added = true;
    for (GstElement* e : { g.modeFilter.get(), g.decoder.get(), g.split.get(), g.previewQueue.get(), g.scale.get(),
             g.convert.get(), g.previewSink.get(), g.grabQueue.get(), g.sink.get() })
        if (e)
            added = gst_bin_add(bin, e) && added;
    if (!added) {
        *message = kMsgGrabberNotAdded;
        return Attempt::Failed;
    }

    // The renderer: a widget over the preview window that paints the newest frame into dest.
    if (m_previewWindow) {
        auto* preview = new CVideoPreview(m_previewWindow);
        preview->setVideoRect(m_dest.isEmpty() ? m_previewWindow->rect() : m_dest);
        preview->show();
        m_preview = preview;
    }

    GPollFD fd;
    gst_bus_get_pollfd(g.bus.get(), &fd);
    m_busNotifier = new QSocketNotifier(fd.fd, QSocketNotifier::Read, this);
    connect(m_busNotifier, &QSocketNotifier::activated, this, &CCaptureVideo::onBusReadable);

    bool linked = bool(g.source);
    GstElement* last = g.source.get();
    for (GstElement* e : { g.modeFilter.get(), g.decoder.get(), g.split.get() }) {
        if (linked && e) {
            linked = gst_element_link(last, e);
            last = e;
        }
    }
    linked = linked
        && gst_element_link_many(
            g.split.get(), g.previewQueue.get(), g.scale.get(), g.convert.get(), g.previewSink.get(), nullptr)
        && gst_element_link_many(g.split.get(), g.grabQueue.get(), g.sink.get(), nullptr);
    if (!linked) {
        *message = kMsgCannotBuild;
        m_lastDetail = mode ? QStringLiteral("The camera cannot deliver %1").arg(mode->describe())
                            : QStringLiteral("The camera's output cannot be connected");
        return Attempt::Failed;
    }

    for (GstElement* sink : { g.previewSink.get(), g.sink.get() })
        g_object_set(sink, "max-buffers", 1u, "drop", TRUE, "sync", FALSE, "emit-signals", FALSE, "enable-last-sample",
            FALSE, nullptr);
    GstAppSinkCallbacks full {};
    full.new_sample = &CaptureTap::newFullSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(g.sink.get()), &full, &g, nullptr);
    GstAppSinkCallbacks preview {};
    preview.new_sample = &CaptureTap::newPreviewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(g.previewSink.get()), &preview, this, nullptr);

    // Run, and wait for the first frame so the negotiated size is known, as callers expect.
    auto runFailed = [&](const char* text) {
        gst_element_set_state(g.pipeline.get(), GST_STATE_NULL);
        *message = text;
        return Attempt::Failed;
    };
    if (gst_element_set_state(g.pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        MessagePtr msg(gst_bus_pop_filtered(g.bus.get(), GST_MESSAGE_ERROR));
        if (msg)
            m_lastDetail = parseError(msg.get()).detail;
        return runFailed(kMsgCannotRun);
    }
    QElapsedTimer clock;
    clock.start();
    QSize size;
    while (!negotiatedSize(g.sink.get(), &size)) {
        const qint64 left = qint64(kFirstFrameTimeout / GST_MSECOND) - clock.elapsed();
        if (left <= 0) {
            m_lastDetail = QStringLiteral("No frame from the camera within 5 s");
            return runFailed(kMsgCannotRun);
        }
        MessagePtr msg(gst_bus_timed_pop_filtered(g.bus.get(), std::min<qint64>(left, 50) * GST_MSECOND,
            GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS)));
        if (!msg)
            continue;
        if (GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_EOS) {
            m_lastDetail = QStringLiteral("The camera ended its stream before the first frame");
            return runFailed(kMsgNoMediaType);
        }
        const ParsedError err = parseError(msg.get());
        m_lastDetail = err.detail;
        return runFailed(err.negotiation ? kMsgCannotBuild : kMsgCannotRun);
    }
    m_nativeSize = size;
    CSampleGrabberCB::instance().SetFrameSize(size.width(), size.height());
    m_built = true;
    m_running = true;
    return Attempt::Built;
}

bool CCaptureVideo::rebuild()
{
    // The device may come back under another index after being replugged.
    int index = m_deviceIndex;
    if (!m_deviceName.isEmpty()) {
        index = int(m_provider->names().indexOf(m_deviceName));
        if (index < 0) {
            m_lastError = QStringLiteral("The camera \u201c%1\u201d is not connected.").arg(m_deviceName);
            return false;
        }
    }
    const QImage overlay = m_overlayBitmap;
    const QRect overlayRect = m_overlayRect;
    const qreal alpha = m_overlayAlpha;
    const QRgb key = m_colorKey;
    if (BuildGraph(index, m_previewWindow, m_dest) != kOk)
        return false;
    if (!overlay.isNull()) {
        m_colorKey = key;
        SetOverlayBitmap(overlay, overlayRect);
        SetOverlayAlpha(int(std::lround(alpha * 10)));
    }
    return true;
}

bool CCaptureVideo::Run()
{
    if (!m_built || m_broken)
        return m_deviceIndex >= 0 && rebuild();
    if (m_running)
        return true;
    if (gst_element_set_state(m_graph->pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(m_graph->pipeline.get(), GST_STATE_NULL);
        m_lastError = QString::fromUtf8(kMsgCannotRun);
        onBusReadable();
        m_broken = true;
        return false;
    }
    m_running = true;
    return true;
}

void CCaptureVideo::Stop()
{
    if (!m_graph || !m_graph->pipeline)
        return;
    // NULL rather than PAUSED: the device is released, so it can be unplugged or used elsewhere.
    gst_element_set_state(m_graph->pipeline.get(), GST_STATE_NULL);
    m_running = false;
    m_mailbox.clear();
    m_graph->dropLatest(); // holds a camera buffer
    onBusReadable();
}

void CCaptureVideo::onFrameArrived()
{
    QImage frame = m_mailbox.take();
    if (frame.isNull() || !m_running)
        return;
    // A camera that changed its size mid-stream: shots and the overlay follow it.
    if (m_graph) {
        const QSize full(
            m_graph->fullWidth.load(std::memory_order_relaxed), m_graph->fullHeight.load(std::memory_order_relaxed));
        if (!full.isEmpty() && full != m_nativeSize)
            m_nativeSize = full;
    }
    m_shown = frame;
    if (m_preview)
        m_preview->setFrame(frame);
    emit frameShown();
}

void CCaptureVideo::onBusReadable()
{
    if (!m_graph || !m_graph->bus)
        return;
    bool stopped = false;
    bool added = false;
    while (MessagePtr msg { gst_bus_pop(m_graph->bus.get()) }) {
        switch (GST_MESSAGE_TYPE(msg.get())) {
        case GST_MESSAGE_ERROR: {
            const ParsedError err = parseError(msg.get());
            const bool lost = err.resource && m_graph->source && fromElement(msg.get(), m_graph->source.get());
            m_events.append({ lost ? GraphEvent::DeviceLost : GraphEvent::Error, err.text });
            m_lastDetail = err.detail;
            stopped = added = true;
            break;
        }
        case GST_MESSAGE_EOS:
            m_events.append({ GraphEvent::EndOfStream, QStringLiteral("The camera stopped sending pictures") });
            stopped = added = true;
            break;
        default:
            break;
        }
    }
    if (stopped)
        stopBroken();
    if (added)
        emit graphNotify();
}

void CCaptureVideo::stopBroken()
{
    // A failed graph is rebuilt by the next Run(); until then it holds no device. What the dying
    // source still posts is dropped, so one failure is one notification.
    gst_element_set_state(m_graph->pipeline.get(), GST_STATE_NULL);
    gst_bus_set_flushing(m_graph->bus.get(), TRUE);
    gst_bus_set_flushing(m_graph->bus.get(), FALSE);
    m_running = false;
    m_broken = true;
    m_mailbox.clear();
    m_graph->dropLatest();
}

void CCaptureVideo::onDeviceAdded(const QString&)
{
    emit devicesChanged();
}

void CCaptureVideo::onDeviceRemoved(const QString& name)
{
    const bool lost = m_built && !m_broken && name == m_deviceName;
    const bool wasRunning = m_running;
    if (lost)
        stopBroken();
    emit devicesChanged();
    // The monitor may tell before the driver fails, or instead of it.
    if (lost && wasRunning) {
        m_events.append({ GraphEvent::DeviceLost, QStringLiteral("The camera was disconnected") });
        emit graphNotify();
    }
}

QList<GraphEvent> CCaptureVideo::DrainEvents()
{
    return std::exchange(m_events, {});
}

int CCaptureVideo::SetOverlayBitmap(const QImage& bitmap, const QRect& source)
{
    const int W = m_nativeSize.width();
    const int H = m_nativeSize.height();
    if (!m_built || W <= 0 || H <= 0 || bitmap.isNull() || source.isEmpty())
        return kFail;
    const int left = source.left();
    const int top = source.top();
    const int right = source.x() + source.width();
    const int bottom = source.y() + source.height();
    m_overlayRect = QRect(0, 0, right - left, bottom - top);
    m_overlayWidthFraction = double(right - left) / W;
    m_overlayHeightOffset = double(top + H - bottom) / H;
    m_overlayDest = QRectF(QPointF(1.0 - m_overlayWidthFraction, m_overlayHeightOffset), QPointF(1.0, 1.0));
    m_overlayAlpha = 0;
    m_overlayBitmap = bitmap.copy(source);
    if (m_preview) {
        m_preview->compositor().setOverlay(m_overlayBitmap, m_colorKey, m_overlayDest);
        m_preview->update();
    }
    return kOk;
}

int CCaptureVideo::SetOverlayAlpha(int tenths)
{
    if (m_overlayBitmap.isNull())
        return kFail;
    m_overlayAlpha = std::clamp(tenths, 0, 10) / 10.0;
    if (m_preview) {
        m_preview->compositor().setOverlayAlpha(m_overlayAlpha);
        m_preview->update();
    }
    return kOk;
}

int CCaptureVideo::HideOverlay()
{
    return SetOverlayAlpha(0);
}

bool CCaptureVideo::CaptureFrame(const QString& path, int mode)
{
    if (mode == 0) {
        // A request no graph will ever serve would leave the caller waiting for a file forever.
        if (!m_running)
            return false;
        CSampleGrabberCB::instance().RequestFrame(path);
        return true;
    }
    // The guest sees the preview; the file gets the newest camera frame (the shown one or at
    // most a frame later) at the camera's full size.
    if (m_shown.isNull() || !m_running)
        return false;
    const QImage full = FullFrame();
    return !full.isNull() && WriteBmp24(path, full);
}

QImage CCaptureVideo::FullFrame() const
{
    if (!m_graph)
        return {};
    const SamplePtr sample = m_graph->latestSample();
    return ConvertSampleToBgr(sample.get());
}

QList<CCaptureVideo::DeviceModes> CCaptureVideo::DescribeDevices()
{
    CDeviceProvider* provider = g_providerOverride;
    std::unique_ptr<CSystemDeviceProvider> own;
    if (!provider) {
        own = std::make_unique<CSystemDeviceProvider>(false);
        provider = own.get();
    }
    const bool jpeg = JpegDecoderAvailable();
    QList<DeviceModes> out;
    const QStringList names = provider->names();
    for (int i = 0; i < names.size(); ++i)
        out.append({ names[i], ChooseCameraMode(CameraModesFromCaps(provider->caps(i)), jpeg) });
    return out;
}
