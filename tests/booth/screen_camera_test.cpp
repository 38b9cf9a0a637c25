// The main screen while cameras are plugged in and pulled out: the camera list follows, a camera
// lost while live is told once, and it starts again when it comes back.
#include <memory>

#include <gtest/gtest.h>

#include "booth/dlg_corvantis.h"
#include "capture/device_provider.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/sk_combo_box.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

const QString kCamera = QStringLiteral(
    "videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=64,height=48,framerate=30/1");

class ScreenHotPlug : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        CCaptureVideo::SetDeviceProvider(&m_devices);
        addFrames(1);
        writeSettings(0);
    }
    void TearDown() override
    {
        CCaptureVideo::SetDeviceProvider(nullptr);
        ScreenFixture::TearDown();
    }

    static QStringList listed(DlgCorvantis& s)
    {
        auto* box = platform::findControl<SkComboBox>(&s, DlgCorvantis::kDevicesId);
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }
    static QString chosen(DlgCorvantis& s)
    {
        return platform::findControl<SkComboBox>(&s, DlgCorvantis::kDevicesId)->currentText();
    }
    static CxSkinButton* camera(DlgCorvantis& s)
    {
        return platform::findControl<CxSkinButton>(&s, DlgCorvantis::kCameraId);
    }
    static int framesWithin(DlgCorvantis& s, int n, int milliseconds)
    {
        int seen = 0;
        QObject ctx;
        QObject::connect(&s.capture(), &CCaptureVideo::frameShown, &ctx, [&] { ++seen; });
        waitUntil([&] { return seen >= n; }, milliseconds);
        return seen;
    }

    /// The screen live on "Cam A", with "Cam B" plugged in too.
    std::unique_ptr<DlgCorvantis> liveOnFirstOfTwo()
    {
        m_devices.plug("Cam A", kCamera);
        m_devices.plug("Cam B", kCamera);
        auto s = std::make_unique<DlgCorvantis>();
        s->show();
        camera(*s)->click();
        return s;
    }

    CTestDeviceProvider m_devices;
};

} // namespace

TEST_F(ScreenHotPlug, CameraListFollowsPluggingAndKeepsTheChoice)
{
    m_devices.plug("Cam A", kCamera);
    DlgCorvantis s;
    s.show();
    EXPECT_EQ(listed(s), QStringList { "Cam A" });
    m_devices.plug("Cam B", kCamera);
    EXPECT_EQ(listed(s), (QStringList { "Cam A", "Cam B" }));
    platform::findControl<SkComboBox>(&s, DlgCorvantis::kDevicesId)->setCurrentIndex(1);
    m_devices.unplug("Cam A");
    EXPECT_EQ(listed(s), QStringList { "Cam B" });
    EXPECT_EQ(chosen(s), "Cam B");
    m_devices.plug("Cam A", kCamera);
    EXPECT_EQ(listed(s), (QStringList { "Cam B", "Cam A" }));
    EXPECT_EQ(chosen(s), "Cam B");
    // Switched off, a camera that goes is nothing to tell.
    m_devices.unplug("Cam B");
    EXPECT_EQ(chosen(s), "Cam A");
    EXPECT_TRUE(m_prompts.messages.isEmpty());
}

TEST_F(ScreenHotPlug, CameraUnpluggedWhileLiveIsToldOnceAndResumesWhenPluggedBack)
{
    const auto screen = liveOnFirstOfTwo();
    DlgCorvantis& s = *screen;
    ASSERT_TRUE(s.isLive());
    ASSERT_GE(framesWithin(s, 3, 8000), 3);

    m_devices.unplug("Cam A");
    ASSERT_TRUE(waitUntil([&] { return !s.isLive(); }, 5000));
    waitUntil([] { return false; }, 300); // whatever the dying source still says
    EXPECT_FALSE(camera(s)->GetCheck());
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.startsWith(QStringLiteral("The camera stopped.\n\u201cCam A\u201d was "
                                                                      "disconnected.")))
        << m_prompts.messages[0].text.toStdString();
    EXPECT_EQ(listed(s), QStringList { "Cam B" });
    EXPECT_EQ(framesWithin(s, 1, 300), 0);
    // Another camera coming and going does not start one in its place.
    m_devices.plug("Cam C", kCamera);
    EXPECT_FALSE(s.isLive());

    m_devices.plug("Cam A", kCamera);
    EXPECT_EQ(listed(s), (QStringList { "Cam B", "Cam C", "Cam A" }));
    EXPECT_EQ(chosen(s), "Cam A");
    ASSERT_TRUE(s.isLive());
    EXPECT_TRUE(camera(s)->GetCheck());
    EXPECT_EQ(s.capture().BoundDeviceName(), "Cam A");
    EXPECT_TRUE(platform::findControl(&s, DlgCorvantis::kVideoId)->isVisible());
    EXPECT_GE(framesWithin(s, 3, 8000), 3) << "the preview runs again";
    EXPECT_EQ(m_prompts.messages.size(), 1);
}

TEST_F(ScreenHotPlug, CameraSwitchedOnByHandAfterALossIsNotTakenOverWhenTheOldOneReturns)
{
    const auto screen = liveOnFirstOfTwo();
    DlgCorvantis& s = *screen;
    ASSERT_TRUE(s.isLive());
    m_devices.unplug("Cam A");
    ASSERT_TRUE(waitUntil([&] { return !s.isLive(); }, 5000));
    camera(s)->click(); // Cam B, the one left
    ASSERT_TRUE(s.isLive());
    EXPECT_EQ(s.capture().BoundDeviceName(), "Cam B");
    camera(s)->click();
    ASSERT_FALSE(s.isLive());
    m_devices.plug("Cam A", kCamera);
    EXPECT_FALSE(s.isLive());
    EXPECT_EQ(chosen(s), "Cam B");
}
