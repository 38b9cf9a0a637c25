// --list-cameras and --grab-frame, called as main() calls them.
#include "capture/capture_cli.h"

#include <filesystem>
#include <fstream>

#include <QTextStream>

#include <gtest/gtest.h>

#include "capture/capture_video.h"
#include "capture/device_provider.h"
#include "tests/common/test_support.h"

namespace {

class CaptureCli : public ::testing::Test {
protected:
    void TearDown() override
    {
        CCaptureVideo::SetTestCameraOverride(-1);
        CCaptureVideo::SetTestCameraSource({});
        CCaptureVideo::SetTestCameraSize({});
    }
    int grab(const std::string& file, int device, int mode)
    {
        m_out.clear();
        m_err.clear();
        QTextStream out(&m_out);
        QTextStream err(&m_err);
        return RunGrabFrame(QString::fromStdString(file), device, mode, out, err);
    }
    QString m_out;
    QString m_err;
    testsupport::TempDir m_dir;
};

} // namespace

TEST_F(CaptureCli, ListsCamerasWithIndexAndModeOrSaysNone)
{
    CCaptureVideo::SetTestCameraOverride(2, true);
    QString text;
    QTextStream out(&text);
    EXPECT_EQ(RunListCameras(out), 0);
    EXPECT_EQ(text,
        "0: Kivra Test Camera 1 (640 x 480 raw at 30 fps)\n"
        "1: Kivra Test Camera 2 (640 x 480 raw at 30 fps)\n");

    ASSERT_TRUE(CCaptureVideo::SetTestCameraSize(QSize(1920, 1080)));
    text.clear();
    EXPECT_EQ(RunListCameras(out), 0);
    EXPECT_TRUE(text.startsWith("0: Kivra Test Camera 1 (1920 x 1080 raw at 30 fps)\n")) << text.toStdString();

    // A camera whose modes cannot be read picks its own; one listing MJPEG runs in it.
    CTestDeviceProvider devices;
    devices.plug("Plain Cam");
    devices.plug("HD Cam", {},
        "video/x-raw, format=YUY2, width=1920, height=1080, framerate=5/1; "
        "image/jpeg, width=1920, height=1080, framerate={ 30/1, 15/1 }");
    CCaptureVideo::SetDeviceProvider(&devices);
    text.clear();
    EXPECT_EQ(RunListCameras(out), 0);
    CCaptureVideo::SetDeviceProvider(nullptr);
    EXPECT_EQ(text, "0: Plain Cam (mode chosen by the camera)\n1: HD Cam (1920 x 1080 MJPEG at 30 fps)\n");

    CCaptureVideo::SetTestCameraOverride(0, true);
    text.clear();
    EXPECT_EQ(RunListCameras(out), 1);
    EXPECT_EQ(text, "No camera found.\n");
}

TEST_F(CaptureCli, GrabWritesBmpInBothModes)
{
    CCaptureVideo::SetTestCameraOverride(2, true);
    const std::string a = m_dir.file("mode0.bmp");
    ASSERT_EQ(grab(a, 1, 0), 0) << m_err.toStdString();
    EXPECT_EQ(std::filesystem::file_size(a), 921654u);
    EXPECT_TRUE(m_out.contains("Kivra Test Camera 2")) << m_out.toStdString();

    const std::string b = m_dir.file("mode1.bmp");
    ASSERT_EQ(grab(b, 0, 1), 0) << m_err.toStdString();
    EXPECT_EQ(std::filesystem::file_size(b), 921654u);
}

TEST_F(CaptureCli, FailuresGiveMessageAndExitOne)
{
    CCaptureVideo::SetTestCameraOverride(0, true);
    EXPECT_EQ(grab(m_dir.file("x.bmp"), 0, 0), 1);
    EXPECT_EQ(m_err, "No camera found.\n");

    CCaptureVideo::SetTestCameraOverride(1, true);
    EXPECT_EQ(grab(m_dir.file("x.bmp"), 3, 0), 1);
    EXPECT_TRUE(m_err.startsWith("No camera with index 3")) << m_err.toStdString();

    EXPECT_EQ(grab(m_dir.file("no-such-folder/x.bmp"), 0, 0), 1);
    EXPECT_TRUE(m_err.startsWith("Cannot write")) << m_err.toStdString();

    EXPECT_EQ(grab(m_dir.file("x.bmp"), 0, 7), 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("x.bmp")));

    // A failed grab leaves an existing file of that name as it was.
    const std::string keep = m_dir.file("keep.bmp");
    std::ofstream(keep) << "old";
    CCaptureVideo::SetTestCameraSource("videotestsrc is-live=true ! capsfilter caps=image/jpeg");
    EXPECT_EQ(grab(keep, 0, 0), 1);
    EXPECT_EQ(std::filesystem::file_size(keep), 3u);
}

TEST_F(CaptureCli, CameraEndingBeforeFirstFrameFails)
{
    CCaptureVideo::SetTestCameraOverride(1, true);
    CCaptureVideo::SetTestCameraSource(
        "videotestsrc is-live=true num-buffers=0 ! capsfilter caps=video/x-raw,width=64,height=48");
    EXPECT_EQ(grab(m_dir.file("x.bmp"), 0, 0), 1);
    EXPECT_FALSE(m_err.isEmpty());
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("x.bmp")));
}

TEST_F(CaptureCli, CommandLineSelectsOperationAndChecksOptions)
{
    QString text;
    QTextStream out(&text);
    QTextStream err(&m_err);
    EXPECT_FALSE(RunCaptureCommandLine({ "corvantis", "project.kivra" }, out, err).has_value());

    CCaptureVideo::SetTestCameraOverride(2, true);
    EXPECT_EQ(RunCaptureCommandLine({ "corvantis", "--list-cameras" }, out, err), 0);
    EXPECT_TRUE(text.startsWith("0: Kivra Test Camera 1 (")) << text.toStdString();

    for (const QStringList& bad :
        { QStringList { "corvantis", "--grab-frame" }, QStringList { "corvantis", "--grab-frame", "--device", "1" },
            QStringList { "corvantis", "--grab-frame", "a.bmp", "--device", "one" },
            QStringList { "corvantis", "--grab-frame", "a.bmp", "--mode", "2" },
            QStringList { "corvantis", "--grab-frame", "a.bmp", "--mode" } }) {
        m_err.clear();
        EXPECT_EQ(RunCaptureCommandLine(bad, out, err), 1) << bad.join(' ').toStdString();
        EXPECT_TRUE(m_err.contains("Usage:")) << m_err.toStdString();
    }

    const std::string file = m_dir.file("cli.bmp");
    EXPECT_EQ(
        RunCaptureCommandLine(
            { "corvantis", "--grab-frame", QString::fromStdString(file), "--device", "1", "--mode", "1" }, out, err),
        0);
    EXPECT_EQ(std::filesystem::file_size(file), 921654u);
}

TEST_F(CaptureCli, TestCameraOptionOffersTheTestCamera)
{
    ::unsetenv("KIVRA_TEST_CAMERA");
    QString text;
    QTextStream out(&text);
    QTextStream err(&m_err);
    EXPECT_EQ(RunCaptureCommandLine({ "corvantis", "--test-camera", "--list-cameras" }, out, err), 0);
    EXPECT_TRUE(text.contains("Kivra Test Camera 1"));
    ::unsetenv("KIVRA_TEST_CAMERA");
}
