// The system device list through GStreamer's own device monitor: a device provider of the test's
// (registered like any plug-in's, its devices videotestsrc bins) adds and removes a camera, and the
// capture object sees it come and go through the monitor's bus.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include "capture/capture_video.h"
#include "capture/device_provider.h"
#include "capture/sample_grabber_cb.h"
#include "platform/prompts.h"
#include "tests/capture/capture_test_support.h"

using capturetest::waitFor;

namespace {

struct KivraPluggedDevice {
    GstDevice parent;
};
struct KivraPluggedDeviceClass {
    GstDeviceClass parent_class;
};
G_DEFINE_TYPE(KivraPluggedDevice, kivra_plugged_device, GST_TYPE_DEVICE)

GstElement* pluggedCreateElement(GstDevice*, const gchar* name)
{
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(
        "videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=96,height=72,framerate=30/1", TRUE, &error);
    if (error)
        g_error_free(error);
    if (bin && name)
        gst_element_set_name(bin, name);
    return bin;
}

void kivra_plugged_device_class_init(KivraPluggedDeviceClass* klass)
{
    GST_DEVICE_CLASS(klass)->create_element = pluggedCreateElement;
}
void kivra_plugged_device_init(KivraPluggedDevice*) { }

struct KivraPluggedProvider {
    GstDeviceProvider parent;
};
struct KivraPluggedProviderClass {
    GstDeviceProviderClass parent_class;
};
G_DEFINE_TYPE(KivraPluggedProvider, kivra_plugged_provider, GST_TYPE_DEVICE_PROVIDER)

gboolean pluggedStart(GstDeviceProvider*)
{
    return TRUE; // devices arrive when the test plugs them
}
GList* pluggedProbe(GstDeviceProvider*)
{
    return nullptr;
}

void kivra_plugged_provider_class_init(KivraPluggedProviderClass* klass)
{
    auto* provider = GST_DEVICE_PROVIDER_CLASS(klass);
    provider->start = pluggedStart;
    provider->probe = pluggedProbe;
    gst_device_provider_class_set_static_metadata(
        provider, "Kivra plugged cameras", "Source/Video", "Cameras a test plugs in and out", "Kivra Tesselwick");
}
void kivra_plugged_provider_init(KivraPluggedProvider*) { }

GstDevice* newCamera(const char* name)
{
    GstCaps* caps = gst_caps_new_empty_simple("video/x-raw");
    auto* device = GST_DEVICE(g_object_new(
        kivra_plugged_device_get_type(), "display-name", name, "device-class", "Video/Source", "caps", caps, nullptr));
    gst_caps_unref(caps);
    return device;
}

class DeviceMonitor : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
        static const bool registered = gst_device_provider_register(
            nullptr, "kivrapluggedcameras", GST_RANK_PRIMARY, kivra_plugged_provider_get_type());
        ASSERT_TRUE(registered);
        // The system's list, without the built-in test cameras.
        CCaptureVideo::SetTestCameraOverride(0, false);
        platform::setPrompts(&m_prompts);
        CSampleGrabberCB::instance().CancelRequest();
        m_provider = gst_device_provider_factory_get_by_name("kivrapluggedcameras");
        ASSERT_NE(m_provider, nullptr);
    }
    void TearDown() override
    {
        // The devices left went with the provider's stop, when the last capture object ended.
        if (m_provider)
            gst_object_unref(m_provider);
        platform::setPrompts(nullptr);
        CCaptureVideo::SetTestCameraOverride(-1);
    }

    GstDevice* plug(const char* name)
    {
        GstDevice* device = newCamera(name);
        gst_object_ref_sink(device);
        gst_device_provider_device_add(m_provider, device);
        gst_object_unref(device); // the provider holds it
        return device;
    }
    void unplug(GstDevice* device) { gst_device_provider_device_remove(m_provider, device); }

    GstDeviceProvider* m_provider = nullptr;
    platform::ScriptedPrompts m_prompts;
};

} // namespace

TEST_F(DeviceMonitor, CameraAddedAndRemovedReachesTheCaptureObjectThroughTheMonitorBus)
{
    {
        CSystemDeviceProvider watching(true);
        ASSERT_TRUE(watching.isWatching()) << "the device monitor did not start";
    }
    CCaptureVideo cap;
    int changes = 0;
    int notifications = 0;
    QObject::connect(&cap, &CCaptureVideo::devicesChanged, [&] { ++changes; });
    QObject::connect(&cap, &CCaptureVideo::graphNotify, [&] { ++notifications; });
    const QString name = QStringLiteral("Kivra Plugged USB Camera");
    // Listing while the monitor watches must not silence it (GStreamer gives a provider's
    // messages only to the monitor that took it up last).
    ASSERT_FALSE(CCaptureVideo::DeviceNames().contains(name));

    GstDevice* first = plug("Kivra Plugged USB Camera");
    ASSERT_TRUE(waitFor([&] { return changes >= 1; })) << "no device-added message from the monitor";
    const int index = int(CCaptureVideo::DeviceNames().indexOf(name));
    ASSERT_GE(index, 0);
    ASSERT_EQ(cap.BuildGraph(index, nullptr, QRect()), CCaptureVideo::kOk) << cap.lastErrorDetail().toStdString();
    EXPECT_EQ(cap.BoundDeviceName(), name);
    EXPECT_EQ(cap.GetNativeVideoSize(), QSize(96, 72));

    // Removed while running, with no error from the source: the removal alone is the one loss.
    const int before = changes;
    unplug(first);
    ASSERT_TRUE(waitFor([&] { return changes > before; })) << "no device-removed message from the monitor";
    EXPECT_EQ(notifications, 1);
    EXPECT_FALSE(cap.IsRunning());
    const QList<GraphEvent> events = cap.DrainEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].kind, GraphEvent::DeviceLost);
    EXPECT_FALSE(CCaptureVideo::DeviceNames().contains(name));

    // A new device object with the same display name is the same camera.
    const int gone = changes;
    plug("Kivra Plugged USB Camera");
    ASSERT_TRUE(waitFor([&] { return changes > gone; }));
    ASSERT_TRUE(cap.Run()) << cap.lastError().toStdString();
    EXPECT_EQ(cap.BoundDeviceName(), name);
    int frames = 0;
    QObject ctx;
    QObject::connect(&cap, &CCaptureVideo::frameShown, &ctx, [&] { ++frames; });
    EXPECT_TRUE(waitFor([&] { return frames >= 3; }));
    EXPECT_EQ(notifications, 1);
}
