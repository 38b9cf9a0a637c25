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
QSize g_testCameraSize = CCaptureVideo::kDefaultTestCameraSize;

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

/// The one mode of the built-in test cameras.
QString testCameraCaps()
{
    std::lock_guard lock(g_testSourceLock);
    return QStringLiteral("video/x-raw,width=%1,height=%2,framerate=30/1")
        .arg(g_testCameraSize.width())
        .arg(g_testCameraSize.height());
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
        description += QStringLiteral(" ! capsfilter caps=") + testCameraCaps();
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

bool CCaptureVideo::SetTestCameraSize(const QSize& size)
{
    if (!size.isEmpty()
        && (size.width() < kMinTestCameraSize.width() || size.height() < kMinTestCameraSize.height()
            || size.width() > kMaxTestCameraSize.width() || size.height() > kMaxTestCameraSize.height()))
        return false;
    std::lock_guard lock(g_testSourceLock);
    g_testCameraSize = size.isEmpty() ? kDefaultTestCameraSize : size;
    return true;
}

QSize CCaptureVideo::TestCameraSize()
{
    std::lock_guard lock(g_testSourceLock);
    return g_testCameraSize;
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

namespace {

// One device monitor for the process: GStreamer hands a provider's device messages only to the
// monitor that took the provider up last, so a second monitor, even one that only lists the
// devices, would silence the first. Watchers share its start; listing uses it too.
class MonitorHub {
public:
    static MonitorHub& instance()
    {
        static MonitorHub* hub = new MonitorHub; // never destroyed: GStreamer may outlive statics
        return *hub;
    }

    GstDeviceMonitor* monitor()
    {
        if (!m_monitor && initGStreamer()) {
            m_monitor.reset(gst_device_monitor_new());
            gst_device_monitor_add_filter(m_monitor.get(), "Video/Source", nullptr);
        }
        return m_monitor.get();
    }

    bool watch(CSystemDeviceProvider* watcher)
    {
        if (!m_started) {
            // A fresh monitor takes up the providers registered since the last one was made.
            m_monitor.reset();
            if (!monitor())
                return false;
            m_bus.reset(gst_device_monitor_get_bus(m_monitor.get()));
            if (!m_bus || !gst_device_monitor_start(m_monitor.get())) {
                m_bus.reset();
                return false;
            }
            m_started = true;
            GPollFD fd;
            gst_bus_get_pollfd(m_bus.get(), &fd);
            m_notifier = new QSocketNotifier(fd.fd, QSocketNotifier::Read);
            QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { onBusReadable(); });
        }
        m_watchers.push_back(watcher);
        return true;
    }

    void unwatch(CSystemDeviceProvider* watcher)
    {
        std::erase(m_watchers, watcher);
        if (!m_watchers.empty() || !m_started)
            return;
        delete m_notifier;
        m_notifier = nullptr;
        gst_device_monitor_stop(m_monitor.get());
        m_bus.reset();
        m_started = false;
    }

private:
    void onBusReadable()
    {
        while (m_bus) {
            MessagePtr msg(gst_bus_pop(m_bus.get()));
            if (!msg)
                break;
            const bool added = GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_DEVICE_ADDED;
            if (!added && GST_MESSAGE_TYPE(msg.get()) != GST_MESSAGE_DEVICE_REMOVED)
                continue;
            GstDevice* raw = nullptr;
            if (added)
                gst_message_parse_device_added(msg.get(), &raw);
            else
                gst_message_parse_device_removed(msg.get(), &raw);
            DevicePtr device(raw);
            const QString name = displayName(device.get());
            if (name.isEmpty())
                continue;
            // A copy: a watcher's reaction may end another watcher.
            const std::vector<CSystemDeviceProvider*> watchers = m_watchers;
            for (CSystemDeviceProvider* w : watchers) {
                if (std::find(m_watchers.begin(), m_watchers.end(), w) == m_watchers.end())
                    continue;
                if (added)
                    emit w->deviceAdded(name);
                else
                    emit w->deviceRemoved(name);
            }
        }
    }

    MonitorPtr m_monitor;
    BusPtr m_bus;
    QSocketNotifier* m_notifier = nullptr;
    bool m_started = false;
    std::vector<CSystemDeviceProvider*> m_watchers;
};

} // namespace

CSystemDeviceProvider::CSystemDeviceProvider(bool watch, QObject* parent)
    : CDeviceProvider(parent)
{
    // Tests that hide the real devices need no monitor thread probing hardware.
    if (watch && !g_onlyTestCameras.load())
        m_watching = MonitorHub::instance().watch(this);
}

CSystemDeviceProvider::~CSystemDeviceProvider()
{
    if (m_watching)
        MonitorHub::instance().unwatch(this);
}

bool CSystemDeviceProvider::isWatching() const
{
    return m_watching;
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
    for (const SystemEntry& e : systemEntries(g_onlyTestCameras.load() ? nullptr : MonitorHub::instance().monitor()))
        out << e.name;
    return out;
}

QString CSystemDeviceProvider::caps(int index)
{
    std::vector<SystemEntry> entries
        = systemEntries(g_onlyTestCameras.load() ? nullptr : MonitorHub::instance().monitor());
    if (index < 0 || size_t(index) >= entries.size())
        return {};
    const SystemEntry& entry = entries[size_t(index)];
    if (!entry.device) {
        std::lock_guard lock(g_testSourceLock);
        if (!g_testSource.isEmpty())
            return {};
    }
    if (!entry.device)
        return testCameraCaps();
    CapsPtr caps(gst_device_get_caps(entry.device.get()));
    if (!caps)
        return {};
    StringPtr text(gst_caps_to_string(caps.get()));
    return text ? QString::fromUtf8(text.get()) : QString();
}

GstElement* CSystemDeviceProvider::createSource(int index)
{
    std::vector<SystemEntry> entries
        = systemEntries(g_onlyTestCameras.load() ? nullptr : MonitorHub::instance().monitor());
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

void CTestDeviceProvider::plug(const QString& name, const QString& description, const QString& caps)
{
    const QString launch = description.isEmpty()
        ? QStringLiteral("videotestsrc is-live=true pattern=ball ! capsfilter "
                         "caps=video/x-raw,width=320,height=240,framerate=30/1")
        : description;
    auto it = std::find_if(m_devices.begin(), m_devices.end(), [&](const Device& d) { return d.name == name; });
    if (it != m_devices.end()) {
        it->description = launch;
        it->caps = caps;
        return;
    }
    m_devices.push_back({ name, launch, caps });
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

QString CTestDeviceProvider::caps(int index)
{
    return index >= 0 && size_t(index) < m_devices.size() ? m_devices[size_t(index)].caps : QString();
}

GstElement* CTestDeviceProvider::createSource(int index)
{
    if (!initGStreamer() || index < 0 || size_t(index) >= m_devices.size())
        return nullptr;
    // Sources no pipeline holds any more are forgotten.
    std::erase_if(
        m_made, [](const std::unique_ptr<Made>& m) { return GST_OBJECT_REFCOUNT_VALUE(m->source.get()) <= 1; });
    ElementPtr source = sourceFromDescription(m_devices[size_t(index)].description);
    if (!source)
        return nullptr;
    auto made = std::make_unique<Made>();
    made->name = m_devices[size_t(index)].name;
    made->source = refElement(source.get());
    m_made.push_back(std::move(made));
    return source.release();
}
