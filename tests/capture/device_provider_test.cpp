// Cameras plugged in and pulled out while the graph runs, through test devices made of
// videotestsrc pipelines: one notification per loss, the list following, the preview resuming.
#include "capture/device_provider.h"

#include <gtest/gtest.h>

#include "capture/capture_video.h"
#include "capture/sample_grabber_cb.h"
#include "platform/prompts.h"
#include "tests/capture/capture_test_support.h"

using capturetest::waitFor;

namespace {

const QString kSmall = QStringLiteral(
    "videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1");
const QString kLarge = QStringLiteral(
    "videotestsrc is-live=true pattern=ball ! capsfilter caps=video/x-raw,width=320,height=240,framerate=30/1");

class HotPlug : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setPrompts(&m_prompts);
        CSampleGrabberCB::instance().CancelRequest();
        CCaptureVideo::SetDeviceProvider(&m_devices);
    }
    void TearDown() override
    {
        CCaptureVideo::SetDeviceProvider(nullptr);
        platform::setPrompts(nullptr);
    }

    /// Frames shown from now until n have arrived (or the wait gives up).
    static int framesAfter(CCaptureVideo& cap, int n, int timeoutMs = 8000)
    {
        int seen = 0;
        QObject ctx;
        QObject::connect(&cap, &CCaptureVideo::frameShown, &ctx, [&] { ++seen; });
        waitFor([&] { return seen >= n; }, timeoutMs);
        return seen;
    }

    /// Lets the event loop run, so late messages of a dying source would arrive.
    static void settle() { waitFor([] { return false; }, 300); }

    CTestDeviceProvider m_devices;
    platform::ScriptedPrompts m_prompts;
};

} // namespace

TEST_F(HotPlug, ListFollowsDevicesPluggedAndPulled)
{
    m_devices.plug("Cam A", kSmall);
    CCaptureVideo cap;
    int changes = 0;
    QObject::connect(&cap, &CCaptureVideo::devicesChanged, [&] { ++changes; });
    EXPECT_EQ(CCaptureVideo::DeviceNames(), QStringList { "Cam A" });
    m_devices.plug("Cam B", kLarge);
    m_devices.plug("Cam B", kLarge); // the same device again is no change
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(CCaptureVideo::DeviceNames(), (QStringList { "Cam A", "Cam B" }));
    EXPECT_TRUE(m_devices.unplug("Cam A"));
    EXPECT_FALSE(m_devices.unplug("Cam A"));
    EXPECT_EQ(changes, 2);
    QStringList names;
    EXPECT_EQ(CCaptureVideo::EnumerateDevices(names), 1);
    EXPECT_EQ(names, QStringList { "Cam B" });
    EXPECT_TRUE(cap.DrainEvents().isEmpty()) << "no graph ran: nothing was lost";
}

TEST_F(HotPlug, CameraPulledWhileRunningIsReportedOnceAndResumesWhenItReturns)
{
    m_devices.plug("Cam A", kSmall);
    m_devices.plug("Cam B", kLarge);
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_GE(framesAfter(cap, 3), 3);
    EXPECT_EQ(m_devices.liveSources("Cam A"), 1);
    int notifications = 0;
    QObject::connect(&cap, &CCaptureVideo::graphNotify, [&] { ++notifications; });

    // The source fails as a driver's does, then the device leaves the list: one loss, one notice.
    ASSERT_TRUE(m_devices.unplug("Cam A"));
    ASSERT_TRUE(waitFor([&] { return notifications > 0; }));
    settle();
    EXPECT_EQ(notifications, 1);
    const QList<GraphEvent> events = cap.DrainEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].kind, GraphEvent::DeviceLost);
    EXPECT_FALSE(cap.IsRunning());
    EXPECT_EQ(m_devices.liveSources("Cam A"), 0) << "the stopped graph let the source go";
    EXPECT_EQ(framesAfter(cap, 1, 300), 0) << "no frame while the camera is gone";

    // Switching on while it is away opens no other camera in its place.
    EXPECT_FALSE(cap.Run());
    EXPECT_TRUE(cap.lastError().contains("Cam A")) << cap.lastError().toStdString();
    EXPECT_EQ(m_devices.liveSources("Cam B"), 0);

    // Back under another index (after Cam B): the same camera is opened again.
    m_devices.plug("Cam A", kSmall);
    ASSERT_TRUE(cap.Run());
    EXPECT_EQ(cap.BoundDeviceName(), "Cam A");
    EXPECT_EQ(cap.GetNativeVideoSize(), QSize(160, 120));
    EXPECT_GE(framesAfter(cap, 3), 3);
    EXPECT_EQ(notifications, 1);
    EXPECT_TRUE(m_prompts.messages.isEmpty());
}

TEST_F(HotPlug, DeviceGoneBeforeTheDriverNoticesStopsTheGraphOnce)
{
    m_devices.plug("Cam A", kSmall);
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_GE(framesAfter(cap, 2), 2);
    int notifications = 0;
    QObject::connect(&cap, &CCaptureVideo::graphNotify, [&] { ++notifications; });
    ASSERT_TRUE(m_devices.unplug("Cam A", false));
    EXPECT_EQ(notifications, 1);
    EXPECT_FALSE(cap.IsRunning());
    const QList<GraphEvent> events = cap.DrainEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].kind, GraphEvent::DeviceLost);
    settle();
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(m_devices.liveSources("Cam A"), 0);
}

TEST_F(HotPlug, OtherCameraPulledLeavesTheRunningOneAlone)
{
    m_devices.plug("Cam A", kSmall);
    m_devices.plug("Cam B", kLarge);
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(1, nullptr, QRect()), CCaptureVideo::kOk);
    int notifications = 0;
    QObject::connect(&cap, &CCaptureVideo::graphNotify, [&] { ++notifications; });
    ASSERT_TRUE(m_devices.unplug("Cam A"));
    settle();
    EXPECT_EQ(notifications, 0);
    EXPECT_TRUE(cap.IsRunning());
    EXPECT_GE(framesAfter(cap, 2), 2);
}

TEST_F(HotPlug, CameraPulledWhileSwitchedOffIsNoLossAndOpensWhenBack)
{
    m_devices.plug("Cam A", kSmall);
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    cap.Stop();
    int notifications = 0;
    QObject::connect(&cap, &CCaptureVideo::graphNotify, [&] { ++notifications; });
    ASSERT_TRUE(m_devices.unplug("Cam A"));
    settle();
    EXPECT_EQ(notifications, 0);
    EXPECT_FALSE(cap.Run());
    m_devices.plug("Cam A", kSmall);
    ASSERT_TRUE(cap.Run());
    EXPECT_GE(framesAfter(cap, 2), 2);
}
