// The capture graph in the camera's chosen mode: the device asked for exactly that mode, JPEG
// decoded, a refused mode falling back to the camera's own, and the preview scaled inside the
// graph while shots keep the camera's size.
#include <filesystem>

#include <QWidget>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include "capture/capture_video.h"
#include "capture/device_provider.h"
#include "capture/sample_grabber_cb.h"
#include "platform/prompts.h"
#include "tests/capture/capture_test_support.h"
#include "tests/common/test_support.h"

using capturetest::waitFor;

namespace {

class CameraModeGraph : public ::testing::Test {
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
        CCaptureVideo::SetTestCameraOverride(-1);
        CCaptureVideo::SetTestCameraSize({});
        platform::setPrompts(nullptr);
        CSampleGrabberCB::instance().CancelRequest();
    }

    /// The caps the camera source hands on while the graph runs.
    static QString sourceCaps(CCaptureVideo& cap)
    {
        GstElement* source = gst_bin_get_by_name(GST_BIN(cap.pipeline()), "Capture Filter");
        if (!source)
            return {};
        GstPad* pad = gst_element_get_static_pad(source, "src");
        GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr;
        gchar* text = caps ? gst_caps_to_string(caps) : nullptr;
        const QString out = text ? QString::fromUtf8(text) : QString();
        g_free(text);
        if (caps)
            gst_caps_unref(caps);
        if (pad)
            gst_object_unref(pad);
        gst_object_unref(source);
        return out;
    }

    bool hasElement(CCaptureVideo& cap, const char* name)
    {
        GstElement* e = gst_bin_get_by_name(GST_BIN(cap.pipeline()), name);
        if (e)
            gst_object_unref(e);
        return e != nullptr;
    }

    QImage shoot(CCaptureVideo& cap, const char* name, int mode)
    {
        const std::string path = m_dir.file(name);
        if (!cap.CaptureFrame(QString::fromStdString(path), mode))
            return {};
        if (!waitFor([&] { return std::filesystem::exists(path); }))
            return {};
        return QImage(QString::fromStdString(path));
    }

    CTestDeviceProvider m_devices;
    platform::ScriptedPrompts m_prompts;
    testsupport::TempDir m_dir;
};

} // namespace

TEST_F(CameraModeGraph, DeviceIsAskedForTheModeChosenFromItsList)
{
    // A source that can deliver any size and format, as the caps it claims say.
    m_devices.plug("Cam", "videotestsrc is-live=true",
        "video/x-raw, format=YUY2, width=160, height=120, framerate=30/1; "
        "video/x-raw, format=YUY2, width=320, height=240, framerate={ 30/1, 15/1 }; "
        "video/x-raw, format=I420, width=640, height=480, framerate=10/1");
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk) << cap.lastErrorDetail().toStdString();
    ASSERT_TRUE(cap.RequestedMode());
    EXPECT_EQ(cap.RequestedMode()->describe(), "320 x 240 YUY2 at 30 fps");
    EXPECT_EQ(cap.ActiveMode(), cap.RequestedMode());
    EXPECT_EQ(cap.GetNativeVideoSize(), QSize(320, 240));
    const QString caps = sourceCaps(cap);
    EXPECT_TRUE(caps.contains("format=(string)YUY2")) << caps.toStdString();
    EXPECT_TRUE(caps.contains("framerate=(fraction)30/1")) << caps.toStdString();
    EXPECT_FALSE(hasElement(cap, "Decoder")) << "raw modes need no decoder";
    EXPECT_EQ(shoot(cap, "raw.bmp", 0).size(), QSize(320, 240));
}

TEST_F(CameraModeGraph, JpegModeIsDecodedAndShotsComeOutAsBitmaps)
{
    // The camera sends JPEG only at 30 fps; its raw mode of that size crawls at 5.
    m_devices.plug("MJPEG Cam",
        "videotestsrc is-live=true pattern=smpte ! video/x-raw,width=320,height=240,framerate=30/1 ! jpegenc",
        "video/x-raw, format=YUY2, width=320, height=240, framerate=5/1; "
        "image/jpeg, width=320, height=240, framerate=30/1");
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk) << cap.lastErrorDetail().toStdString();
    ASSERT_TRUE(cap.ActiveMode());
    EXPECT_EQ(cap.ActiveMode()->encoding, CameraMode::Jpeg);
    EXPECT_TRUE(hasElement(cap, "Decoder"));
    EXPECT_TRUE(sourceCaps(cap).startsWith("image/jpeg")) << sourceCaps(cap).toStdString();

    const QImage shot = shoot(cap, "jpeg.bmp", 0);
    ASSERT_EQ(shot.size(), QSize(320, 240));
    // SMPTE bars, decoded: light grey at the left, blue at the right of the top band.
    EXPECT_GT(qGray(shot.pixel(10, 10)), 150);
    EXPECT_GT(qBlue(shot.pixel(310, 10)), 150);
    EXPECT_LT(qGreen(shot.pixel(310, 10)), 60);
    ASSERT_TRUE(waitFor([&] { return !cap.CurrentImage().isNull(); }));
    EXPECT_EQ(shoot(cap, "jpeg-shown.bmp", 1).size(), QSize(320, 240));
}

TEST_F(CameraModeGraph, RefusedModeFallsBackToTheCamerasOwnWithoutAMessage)
{
    // The device lists modes it then cannot deliver: a raw size it does not have, and JPEG.
    const QString fixed = "videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1";
    m_devices.plug("Liar", fixed, "video/x-raw, format=YUY2, width=1280, height=720, framerate=30/1");
    m_devices.plug("JPEG Liar", fixed, "image/jpeg, width=1280, height=720, framerate=30/1");
    for (int device : { 0, 1 }) {
        CCaptureVideo cap;
        ASSERT_EQ(cap.BuildGraph(device, nullptr, QRect()), CCaptureVideo::kOk)
            << device << ": " << cap.lastErrorDetail().toStdString();
        EXPECT_TRUE(cap.RequestedMode()) << device;
        EXPECT_FALSE(cap.ActiveMode()) << device;
        EXPECT_EQ(cap.GetNativeVideoSize(), QSize(160, 120)) << device;
        EXPECT_FALSE(hasElement(cap, "Camera Mode")) << device;
        EXPECT_EQ(shoot(cap, "fallback.bmp", 0).size(), QSize(160, 120)) << device;
        // Switching it off and on again keeps working in the camera's own mode.
        cap.Stop();
        ASSERT_TRUE(cap.Run());
        EXPECT_EQ(shoot(cap, "again.bmp", 0).size(), QSize(160, 120)) << device;
    }
    EXPECT_TRUE(m_prompts.messages.isEmpty());

    // A device that cannot run at all still says so once.
    m_devices.plug("Broken", "videotestsrc is-live=true ! capsfilter caps=image/jpeg",
        "video/x-raw, format=YUY2, width=320, height=240, framerate=30/1");
    CCaptureVideo cap;
    EXPECT_NE(cap.BuildGraph(2, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_EQ(m_prompts.messages[0].text, QString::fromUtf8(CCaptureVideo::kMsgCannotBuild));
}

TEST_F(CameraModeGraph, PreviewIsScaledInTheGraphWhileShotsKeepTheCameraSize)
{
    // A still picture, so the preview and the full frame show the same moment.
    m_devices.plug("Still HD",
        "videotestsrc is-live=true pattern=smpte ! capsfilter caps=video/x-raw,width=1280,height=720,framerate=30/1");
    QWidget window;
    window.resize(360, 280);
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, &window, QRect(20, 20, 320, 240)), CCaptureVideo::kOk)
        << cap.lastError().toStdString() << ": " << cap.lastErrorDetail().toStdString();
    EXPECT_FALSE(cap.RequestedMode()) << "no modes listed: the camera picks";
    int frames = 0;
    QSize largest;
    QObject::connect(&cap, &CCaptureVideo::frameShown, [&] {
        ++frames;
        largest = largest.expandedTo(cap.CurrentImage().size());
    });
    ASSERT_TRUE(waitFor([&] { return frames >= 5; }));
    EXPECT_EQ(largest, QSize(320, 240)) << "the interface thread only ever gets preview-sized frames";
    EXPECT_EQ(cap.preview()->frame().size(), QSize(320, 240));
    EXPECT_EQ(cap.GetNativeVideoSize(), QSize(1280, 720));

    const QImage full = cap.FullFrame();
    ASSERT_EQ(full.size(), QSize(1280, 720));
    const QImage shown = cap.CurrentImage();
    // The middle of each of the seven top bars: the preview shows what the camera sent.
    for (int bar = 0; bar < 7; ++bar) {
        const QColor small = shown.pixelColor(320 * (2 * bar + 1) / 14, 60);
        const QColor large = full.pixelColor(1280 * (2 * bar + 1) / 14, 240);
        EXPECT_NEAR(small.red(), large.red(), 12) << "bar " << bar;
        EXPECT_NEAR(small.green(), large.green(), 12) << "bar " << bar;
        EXPECT_NEAR(small.blue(), large.blue(), 12) << "bar " << bar;
    }
    EXPECT_EQ(shoot(cap, "next.bmp", 0).size(), QSize(1280, 720));
    const QImage onScreen = shoot(cap, "shown.bmp", 1);
    EXPECT_EQ(onScreen.size(), QSize(1280, 720));
    EXPECT_EQ(std::filesystem::file_size(m_dir.file("shown.bmp")), 54u + 3840u * 720u);
}

TEST_F(CameraModeGraph, TestCameraDeliversTheSizeAskedFor)
{
    EXPECT_FALSE(CCaptureVideo::SetTestCameraSize(QSize(15, 100)));
    EXPECT_FALSE(CCaptureVideo::SetTestCameraSize(QSize(100, 4321)));
    EXPECT_FALSE(CCaptureVideo::SetTestCameraSize(QSize(7681, 100)));
    EXPECT_EQ(CCaptureVideo::TestCameraSize(), QSize(640, 480)) << "a refused size changes nothing";
    ASSERT_TRUE(CCaptureVideo::SetTestCameraSize(QSize(1920, 1080)));

    CCaptureVideo::SetDeviceProvider(nullptr);
    CCaptureVideo::SetTestCameraOverride(1, true);
    QWidget window;
    window.resize(320, 240);
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, &window, window.rect()), CCaptureVideo::kOk) << cap.lastErrorDetail().toStdString();
    ASSERT_TRUE(cap.ActiveMode());
    EXPECT_EQ(cap.ActiveMode()->describe(), "1920 x 1080 raw at 30 fps");
    EXPECT_EQ(cap.GetNativeVideoSize(), QSize(1920, 1080));
    EXPECT_EQ(shoot(cap, "hd.bmp", 0).size(), QSize(1920, 1080));
    EXPECT_EQ(std::filesystem::file_size(m_dir.file("hd.bmp")), 54u + 5760u * 1080u);

    ASSERT_TRUE(CCaptureVideo::SetTestCameraSize({}));
    EXPECT_EQ(CCaptureVideo::TestCameraSize(), QSize(640, 480));
}
