// The device providers: GstDeviceMonitor with its bus on a socket notifier, the built-in test
// cameras, and the plug-and-pull test devices.
#include "capture/device_provider.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <QSocketNotifier>

#include <gst/gst.h>

#include "capture/capture_video.h"
#include "capture/device_provider_p.h"
#include "capture/gst_handle_p.h"

using namespace capture_detail;

namespace {

std::atomic<int> g_testCameraOverride { -1 };
std::atomic<bool> g_onlyTestCameras { false };
std::mutex g_testSourceLock;
QString g_testSource;

/// A source bin from a launch description, sunk and named as the graph expects; null when the
/// description does not parse completely (a partial bin is no camera).
ElementPtr sourceFromDescription(const QString& description)
{
    GError* raw = nullptr;
    ElementPtr source(gst_parse_bin_from_description(description.toUtf8().constData(), TRUE, &raw));
    ErrorPtr err(raw);
    if (source && err)
        source.reset();
    if (source) {
        gst_object_ref_sink(source.get()); // own it, whether floating or not
        gst_element_set_name(source.get(), "Capture Filter");
    }
    return source;
}

ElementPtr testCameraSource(int n)
{
    QString description;
    {
        std::lock_guard lock(g_testSourceLock);
        description = g_testSource;
    }
    if (description.isEmpty()) {
        // Two visibly different moving pictures, so tests and operators can tell them apart.
        description = n == 1 ? QStringLiteral("videotestsrc is-live=true pattern=smpte horizontal-speed=4")
                             : QStringLiteral("videotestsrc is-live=true pattern=ball background-color=0xff3c4475");
        description += QStringLiteral(" ! capsfilter caps=video/x-raw,width=640,height=480,framerate=30/1");
    }
    return sourceFromDescription(description);
}

QString displayName(GstDevice* device)
{
    StringPtr name(device ? gst_device_get_display_name(device) : nullptr);
    return name ? QString::fromUtf8(name.get()) : QString();
}

} // namespace

bool capture_detail::initGStreamer()
{
    static const bool ok = [] {
        GError* raw = nullptr;
        const bool done = gst_init_check(nullptr, nullptr, &raw);
        ErrorPtr err(raw);
        return done;
    }();
    return ok;
}

void CCaptureVideo::SetTestCameraOverride(int count, bool onlyTestCameras)
{
    g_testCameraOverride.store(count);
    g_onlyTestCameras.store(count >= 0 && onlyTestCameras);
}

void CCaptureVideo::SetTestCameraSource(const QString& description)
{
    std::lock_guard lock(g_testSourceLock);
    g_testSource = description;
}

int CCaptureVideo::TestCameraCount()
{
    const int forced = g_testCameraOverride.load();
    if (forced >= 0)
        return std::min(forced, 2);
    const char* value = std::getenv("KIVRA_TEST_CAMERA");
    if (!value || !*value || std::strcmp(value, "0") == 0)
        return 0;
    return std::strcmp(value, "2") == 0 ? 2 : 1;
}

// ---- System devices ----

struct CSystemDeviceProvider::Monitor {
    MonitorPtr monitor;
    BusPtr bus;
    QSocketNotifier* notifier = nullptr;
    bool started = false;

    ~Monitor()
    {
        delete notifier;
        if (started)
            gst_device_monitor_stop(monitor.get());
    }
};

CSystemDeviceProvider::CSystemDeviceProvider(bool watch, QObject* parent)
    : CDeviceProvider(parent)
    , m_monitor(std::make_unique<Monitor>())
{
    if (!initGStreamer())
        return;
    m_monitor->monitor.reset(gst_device_monitor_new());
    gst_device_monitor_add_filter(m_monitor->monitor.get(), "Video/Source", nullptr);
    // Tests that hide the real devices need no monitor thread probing hardware.
    if (!watch || g_onlyTestCameras.load())
        return;
    m_monitor->bus.reset(gst_device_monitor_get_bus(m_monitor->monitor.get()));
    if (!m_monitor->bus || !gst_device_monitor_start(m_monitor->monitor.get()))
        return;
    m_monitor->started = true;
    GPollFD fd;
    gst_bus_get_pollfd(m_monitor->bus.get(), &fd);
    m_monitor->notifier = new QSocketNotifier(fd.fd, QSocketNotifier::Read);
    connect(m_monitor->notifier, &QSocketNotifier::activated, this, &CSystemDeviceProvider::onBusReadable);
}

CSystemDeviceProvider::~CSystemDeviceProvider() = default;

bool CSystemDeviceProvider::isWatching() const
{
    return m_monitor->started;
}

namespace {

struct SystemEntry {
    QString name;
    DevicePtr device; // null for a test camera
    int testCamera = 0;
};

std::vector<SystemEntry> systemEntries(GstDeviceMonitor* monitor)
{
    std::vector<SystemEntry> out;
    if (monitor && !g_onlyTestCameras.load()) {
        // A started monitor answers from what it has seen; a stopped one probes once.
        GList* devices = gst_device_monitor_get_devices(monitor);
        for (GList* l = devices; l; l = l->next) {
            DevicePtr device(GST_DEVICE(l->data)); // takes the list's reference
            const QString name = displayName(device.get());
            if (!name.isEmpty())
                out.push_back({ name, std::move(device), 0 });
        }
        g_list_free(devices);
    }
    const int tests = CCaptureVideo::TestCameraCount();
    for (int i = 1; i <= tests; ++i)
        out.push_back({ QStringLiteral("Kivra Test Camera %1").arg(i), DevicePtr(), i });
    return out;
}

} // namespace

QStringList CSystemDeviceProvider::names()
{
    QStringList out;
    for (const SystemEntry& e : systemEntries(m_monitor->monitor.get()))
        out << e.name;
    return out;
}

GstElement* CSystemDeviceProvider::createSource(int index)
{
    std::vector<SystemEntry> entries = systemEntries(m_monitor->monitor.get());
    if (index < 0 || size_t(index) >= entries.size())
        return nullptr;
    const SystemEntry& entry = entries[size_t(index)];
    if (!entry.device)
        return testCameraSource(entry.testCamera).release();
    ElementPtr source(gst_device_create_element(entry.device.get(), "Capture Filter"));
    if (source)
        gst_object_ref_sink(source.get());
    return source.release();
}

void CSystemDeviceProvider::onBusReadable()
{
    if (!m_monitor->bus)
        return;
    while (MessagePtr msg { gst_bus_pop(m_monitor->bus.get()) }) {
        GstDevice* raw = nullptr;
        switch (GST_MESSAGE_TYPE(msg.get())) {
        case GST_MESSAGE_DEVICE_ADDED: {
            gst_message_parse_device_added(msg.get(), &raw);
            DevicePtr device(raw);
            const QString name = displayName(device.get());
            if (!name.isEmpty())
                emit deviceAdded(name);
            break;
        }
        case GST_MESSAGE_DEVICE_REMOVED: {
            gst_message_parse_device_removed(msg.get(), &raw);
            DevicePtr device(raw);
            const QString name = displayName(device.get());
            if (!name.isEmpty())
                emit deviceRemoved(name);
            break;
        }
        default:
            break;
        }
    }
}

// ---- Test devices ----

struct CTestDeviceProvider::Made {
    QString name;
    ElementPtr source; // our reference; the pipeline holds its own while it runs
};

CTestDeviceProvider::CTestDeviceProvider(QObject* parent)
    : CDeviceProvider(parent)
{
}

CTestDeviceProvider::~CTestDeviceProvider() = default;

void CTestDeviceProvider::plug(const QString& name, const QString& description)
{
    const QString launch = description.isEmpty()
        ? QStringLiteral("videotestsrc is-live=true pattern=ball ! capsfilter "
                         "caps=video/x-raw,width=320,height=240,framerate=30/1")
        : description;
    auto it = std::find_if(m_devices.begin(), m_devices.end(), [&](const Device& d) { return d.name == name; });
    if (it != m_devices.end()) {
        it->description = launch;
        return;
    }
    m_devices.push_back({ name, launch });
    emit deviceAdded(name);
}

bool CTestDeviceProvider::unplug(const QString& name, bool sourcesFail)
{
    auto it = std::find_if(m_devices.begin(), m_devices.end(), [&](const Device& d) { return d.name == name; });
    if (it == m_devices.end())
        return false;
    // What a driver does when its device goes: the read fails, then the device leaves the list.
    for (auto& made : m_made) {
        if (!sourcesFail || made->name != name || GST_OBJECT_REFCOUNT_VALUE(made->source.get()) <= 1)
            continue;
        ErrorPtr error(g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
            "Could not read from resource: the device has been disconnected"));
        gst_element_post_message(made->source.get(),
            gst_message_new_error(GST_OBJECT(made->source.get()), error.get(), "test device unplugged"));
    }
    std::erase_if(m_made, [&](const std::unique_ptr<Made>& m) { return m->name == name; });
    m_devices.erase(it);
    emit deviceRemoved(name);
    return true;
}

int CTestDeviceProvider::liveSources(const QString& name) const
{
    return int(std::count_if(m_made.begin(), m_made.end(), [&](const std::unique_ptr<Made>& m) {
        return m->name == name && GST_OBJECT_REFCOUNT_VALUE(m->source.get()) > 1;
    }));
}

QStringList CTestDeviceProvider::names()
{
    QStringList out;
    for (const Device& d : m_devices)
        out << d.name;
    return out;
}

GstElement* CTestDeviceProvider::createSource(int index)
{
    if (!initGStreamer() || index < 0 || size_t(index) >= m_devices.size())
        return nullptr;
    // Sources no pipeline holds any more are forgotten.
    std::erase_if(m_made, [](const std::unique_ptr<Made>& m) { return GST_OBJECT_REFCOUNT_VALUE(m->source.get()) <= 1; });
    ElementPtr source = sourceFromDescription(m_devices[size_t(index)].description);
    if (!source)
        return nullptr;
    auto made = std::make_unique<Made>();
    made->name = m_devices[size_t(index)].name;
    made->source = refElement(source.get());
    m_made.push_back(std::move(made));
    return source.release();
}
