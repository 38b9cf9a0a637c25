// The capture graph with the built-in test cameras: devices, grabbing in both modes, overlay
// geometry, notifications when the camera fails, and run/stop cycling.
#include "capture/capture_video.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <QWidget>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include "capture/sample_grabber_cb.h"
#include "capture/video_preview.h"
#include "platform/prompts.h"
#include "tests/capture/capture_test_support.h"
#include "tests/common/test_support.h"

using capturetest::le32;
using capturetest::readFile;
using capturetest::waitFor;

namespace {

class CaptureGraph : public ::testing::Test {
protected:
    void SetUp() override
    {
        CCaptureVideo::SetTestCameraOverride(1, true);
        CCaptureVideo::SetTestCameraSource({});
        platform::setPrompts(&m_prompts);
        CSampleGrabberCB::instance().CancelRequest();
    }
    void TearDown() override
    {
        platform::setPrompts(nullptr);
        CCaptureVideo::SetTestCameraOverride(-1);
        CCaptureVideo::SetTestCameraSource({});
        CSampleGrabberCB::instance().CancelRequest();
    }

    static int countFrames(CCaptureVideo& cap, int n)
    {
        int seen = 0;
        QObject ctx;
        QObject::connect(&cap, &CCaptureVideo::frameShown, &ctx, [&] { ++seen; });
        waitFor([&] { return seen >= n; });
        return seen;
    }

    platform::ScriptedPrompts m_prompts;
    testsupport::TempDir m_dir;
};

int openFdCount()
{
    return int(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator()));
}

} // namespace

TEST_F(CaptureGraph, NoDeviceGivesMinusOneAndEmptyList)
{
    CCaptureVideo::SetTestCameraOverride(0, true);
    CCaptureVideo cap;
    QComboBox box;
    EXPECT_EQ(cap.EnumerateDevices(&box), -1);
    EXPECT_EQ(box.count(), 0);
    EXPECT_FALSE(cap.BindDevice(0));
    EXPECT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kNoDevice);
    EXPECT_FALSE(cap.IsGraphBuilt());
    EXPECT_FALSE(cap.Run());
}

TEST_F(CaptureGraph, TestCamerasAreListedOnlyWhenAsked)
{
    CCaptureVideo::SetTestCameraOverride(-1);
    ::setenv("KIVRA_TEST_CAMERA", "2", 1);
    EXPECT_EQ(CCaptureVideo::TestCameraCount(), 2);
    ::setenv("KIVRA_TEST_CAMERA", "1", 1);
    EXPECT_EQ(CCaptureVideo::TestCameraCount(), 1);
    EXPECT_TRUE(CCaptureVideo::DeviceNames().contains("Kivra Test Camera 1"));
    ::unsetenv("KIVRA_TEST_CAMERA");
    EXPECT_EQ(CCaptureVideo::TestCameraCount(), 0);
    EXPECT_FALSE(CCaptureVideo::DeviceNames().contains("Kivra Test Camera 1"));
}

TEST_F(CaptureGraph, SecondIndexUsesSecondCamera)
{
    CCaptureVideo::SetTestCameraOverride(2, true);
    CCaptureVideo cap;
    QComboBox box;
    ASSERT_EQ(cap.EnumerateDevices(&box), 2);
    ASSERT_EQ(cap.BuildGraph(1, nullptr, QRect()), CCaptureVideo::kOk) << cap.lastError().toStdString();
    EXPECT_EQ(cap.BoundDeviceName(), box.itemText(1));
    ASSERT_TRUE(waitFor([&] { return !cap.CurrentImage().isNull(); }));
    // The second camera shows a ball on a blue-grey ground; the corners are ground.
    const QColor corner = cap.CurrentImage().pixelColor(0, 479);
    EXPECT_NEAR(corner.red(), 0x3c, 6);
    EXPECT_NEAR(corner.green(), 0x44, 6);
    EXPECT_NEAR(corner.blue(), 0x75, 6);
}

TEST_F(CaptureGraph, IndexPastLastDeviceFailsToBuild)
{
    CCaptureVideo cap;
    EXPECT_TRUE(cap.BindDevice(5));
    EXPECT_NE(cap.BuildGraph(5, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_EQ(m_prompts.messages[0].text, QString::fromUtf8("Can\u2019t build the graph"));
    EXPECT_FALSE(cap.IsGraphBuilt());
}

TEST_F(CaptureGraph, SourceWithoutVideoCannotBeConnected)
{
    CCaptureVideo::SetTestCameraSource("audiotestsrc is-live=true");
    CCaptureVideo cap;
    EXPECT_NE(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_EQ(m_prompts.messages[0].text, QString::fromUtf8(CCaptureVideo::kMsgCannotBuild));

    // Links, but no format can be agreed once it runs.
    CCaptureVideo::SetTestCameraSource("videotestsrc is-live=true ! capsfilter caps=image/jpeg");
    EXPECT_NE(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_EQ(m_prompts.messages.size(), 2);
    EXPECT_EQ(m_prompts.messages[1].text, QString::fromUtf8(CCaptureVideo::kMsgCannotBuild))
        << cap.lastErrorDetail().toStdString();
    EXPECT_FALSE(cap.IsGraphBuilt());
}

TEST_F(CaptureGraph, OddFormatCameraIsConvertedToNativeSize)
{
    CCaptureVideo::SetTestCameraSource(
        "videotestsrc is-live=true ! capsfilter caps=video/x-raw,format=GRAY8,width=322,height=242,framerate=30/1");
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk) << cap.lastErrorDetail().toStdString();
    EXPECT_EQ(cap.GetNativeVideoSize(), QSize(322, 242));
    const std::string path = m_dir.file("gray.bmp");
    ASSERT_TRUE(cap.CaptureFrame(QString::fromStdString(path), 0));
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(path); }));
    // 322 * 3 = 966 bytes per row, padded to 968
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 968u * 242u);
}

TEST_F(CaptureGraph, ModeZeroWritesOneFullSizeFrame)
{
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk) << cap.lastErrorDetail().toStdString();
    EXPECT_EQ(cap.GetNativeVideoSize(), QSize(640, 480));

    // Frames pass without a request: nothing is written.
    const int before = CSampleGrabberCB::instance().filesWritten();
    countFrames(cap, 5);
    EXPECT_EQ(CSampleGrabberCB::instance().filesWritten(), before);
    EXPECT_TRUE(QDir(QString::fromStdString(m_dir.path().string())).isEmpty());

    const std::string path = m_dir.file("cap_261208173000.bmp");
    ASSERT_TRUE(cap.CaptureFrame(QString::fromStdString(path), 0));
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(path); }));
    // Let more frames pass at 30 per second: still one file, written once.
    EXPECT_GE(countFrames(cap, 10), 10);
    EXPECT_EQ(CSampleGrabberCB::instance().filesWritten(), before + 1);
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(m_dir.path()), std::filesystem::directory_iterator()), 1);

    const auto b = readFile(path);
    ASSERT_EQ(b.size(), 921654u);
    EXPECT_EQ(le32(b, 2), 921654u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 18), 640u);
    EXPECT_EQ(le32(b, 22), 480u);
    const QImage back(QString::fromStdString(path));
    ASSERT_EQ(back.size(), QSize(640, 480));
}

TEST_F(CaptureGraph, ModeZeroFileMatchesFrameRowsBottomUp)
{
    // A static pattern, so the grabbed frame and the shown frame are the same picture.
    CCaptureVideo::SetTestCameraSource(
        "videotestsrc is-live=true pattern=colors ! capsfilter caps=video/x-raw,width=64,height=48,framerate=30/1");
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_TRUE(waitFor([&] { return !cap.CurrentImage().isNull(); }));
    const QImage shown = cap.CurrentImage();
    const std::string path = m_dir.file("rows.bmp");
    ASSERT_TRUE(cap.CaptureFrame(QString::fromStdString(path), 0));
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(path); }));
    const auto b = readFile(path);
    ASSERT_EQ(b.size(), 54u + 192u * 48u);
    // The preview is converted by the graph, the shot from the camera's frame: the same colours.
    const QImage bgr = shown.convertToFormat(QImage::Format_BGR888);
    for (int row = 0; row < 48; row += 7) {
        const uchar* expect = bgr.constScanLine(47 - row);
        EXPECT_EQ(0, std::memcmp(&b[54 + size_t(row) * 192], expect, 192)) << "stored row " << row;
    }
}

TEST_F(CaptureGraph, ModeOneNeedsAShownFrameAndWritesIt)
{
    CCaptureVideo idle;
    EXPECT_FALSE(idle.CaptureFrame(QString::fromStdString(m_dir.file("none.bmp")), 1));
    EXPECT_FALSE(idle.CaptureFrame(QString::fromStdString(m_dir.file("none.bmp")), 0));

    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    // Frames reach the renderer only through the event loop, which has not run yet.
    EXPECT_FALSE(cap.CaptureFrame(QString::fromStdString(m_dir.file("early.bmp")), 1));
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("early.bmp")));

    ASSERT_TRUE(waitFor([&] { return !cap.CurrentImage().isNull(); }));
    const QImage shown = cap.CurrentImage();
    const std::string path = m_dir.file("now.bmp");
    ASSERT_TRUE(cap.CaptureFrame(QString::fromStdString(path), 1));
    const QImage back(QString::fromStdString(path));
    ASSERT_EQ(back.size(), QSize(640, 480));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB888), shown.convertToFormat(QImage::Format_RGB888));
    EXPECT_EQ(std::filesystem::file_size(path), 921654u);
}

TEST_F(CaptureGraph, OverlayDestinationAndAlpha)
{
    CCaptureVideo cap;
    QImage bitmap(640, 480, QImage::Format_RGB32);
    bitmap.fill(Qt::red);
    EXPECT_EQ(cap.SetOverlayBitmap(bitmap, bitmap.rect()), CCaptureVideo::kFail) << "no graph yet";
    EXPECT_EQ(cap.SetOverlayAlpha(9), CCaptureVideo::kFail);

    QWidget window;
    window.resize(320, 240);
    ASSERT_EQ(cap.BuildGraph(0, &window, window.rect()), CCaptureVideo::kOk);
    EXPECT_EQ(cap.SetOverlayBitmap(bitmap, QRect(0, 0, 640, 480)), CCaptureVideo::kOk);
    EXPECT_EQ(cap.OverlayDestination(), QRectF(QPointF(0, 0), QPointF(1, 1)));
    EXPECT_EQ(cap.OverlayAlpha(), 0.0) << "invisible until an alpha is set";

    EXPECT_EQ(cap.SetOverlayBitmap(bitmap, QRect(0, 0, 320, 240)), CCaptureVideo::kOk);
    EXPECT_EQ(cap.OverlayDestination(), QRectF(QPointF(0.5, 0.5), QPointF(1, 1)));

    EXPECT_EQ(cap.SetOverlayAlpha(9), CCaptureVideo::kOk);
    EXPECT_DOUBLE_EQ(cap.OverlayAlpha(), 0.9);
    ASSERT_NE(cap.preview(), nullptr);
    EXPECT_DOUBLE_EQ(cap.preview()->compositor().overlayAlpha(), 0.9);
    EXPECT_EQ(cap.HideOverlay(), CCaptureVideo::kOk);
    EXPECT_EQ(cap.OverlayAlpha(), 0.0);
    EXPECT_TRUE(cap.preview()->compositor().hasOverlay()) << "hidden, not removed";
}

TEST_F(CaptureGraph, PreviewShowsFramesInDestinationRectangle)
{
    QWidget window;
    window.resize(360, 280);
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, &window, QRect(20, 20, 320, 240)), CCaptureVideo::kOk);
    ASSERT_TRUE(waitFor([&] { return !cap.preview()->frame().isNull(); }));
    const QImage shot = cap.preview()->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(360, 280));
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::black)) << "outside the destination stays black";
    // SMPTE bars: the top-left bar is light grey, in the destination's top-left corner.
    EXPECT_GT(qGray(shot.pixel(25, 25)), 150);

    // A decoration as the booth hands it over: the native size, magenta cut-away, level 9.
    QImage deco(cap.GetNativeVideoSize(), QImage::Format_RGB32);
    deco.fill(QColor(255, 0, 255));
    {
        QPainter p(&deco);
        p.setPen(QPen(QColor(0xFF, 0xC8, 0x57), 40));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(deco.rect().adjusted(20, 20, -20, -20), 30, 30);
        p.setBrush(QColor(0xFF, 0x6B, 0x57));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(560, 400), 40, 40);
    }
    ASSERT_EQ(cap.SetOverlayBitmap(deco, deco.rect()), CCaptureVideo::kOk);
    ASSERT_EQ(cap.SetOverlayAlpha(9), CCaptureVideo::kOk);
    const int painted = cap.preview()->framesPainted();
    const QImage live = window.grab().toImage();
    EXPECT_GT(cap.preview()->framesPainted(), painted);
    if (const char* dir = std::getenv("KIVRA_RENDER_DIR"))
        live.save(QDir(dir).filePath("live_preview.png"));
    // The frame border along the top edge shows at 90 %: mostly marigold over the bars.
    const QColor border = live.pixelColor(180, 25);
    EXPECT_GT(border.red(), 200);
    EXPECT_LT(border.blue(), 130);

    window.show();
    window.resize(400, 300);
    EXPECT_TRUE(waitFor([&] { return cap.preview()->geometry() == QRect(0, 0, 400, 300); }))
        << "the preview keeps covering its window";
}

TEST_F(CaptureGraph, DeviceFailureMidRunNotifiesAndRunRecovers)
{
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    int notifications = 0;
    QObject::connect(&cap, &CCaptureVideo::graphNotify, [&] { ++notifications; });
    ASSERT_TRUE(waitFor([&] { return !cap.CurrentImage().isNull(); }));

    // What a camera driver posts when the device goes away.
    GstElement* source = gst_bin_get_by_name(GST_BIN(cap.pipeline()), "Capture Filter");
    ASSERT_NE(source, nullptr);
    gst_element_post_message(source,
        gst_message_new_error(GST_OBJECT(source),
            g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "Device has been unplugged"), "test"));
    gst_object_unref(source);

    ASSERT_TRUE(waitFor([&] { return notifications > 0; }));
    EXPECT_FALSE(cap.IsRunning());
    const QList<GraphEvent> events = cap.DrainEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].kind, GraphEvent::DeviceLost);
    EXPECT_EQ(events[0].text, "Device has been unplugged");
    EXPECT_TRUE(cap.DrainEvents().isEmpty());
    EXPECT_FALSE(cap.CaptureFrame(QString::fromStdString(m_dir.file("x.bmp")), 0)) << "no running graph";

    // Switching the camera on again builds a fresh graph for the same device.
    ASSERT_TRUE(cap.Run());
    EXPECT_TRUE(cap.IsRunning());
    EXPECT_EQ(cap.BoundDeviceName(), "Kivra Test Camera 1");
    const std::string path = m_dir.file("after.bmp");
    ASSERT_TRUE(cap.CaptureFrame(QString::fromStdString(path), 0));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(path); }));
    EXPECT_TRUE(m_prompts.messages.isEmpty());
}

TEST_F(CaptureGraph, EndOfStreamIsNotifiedAndStopsGraph)
{
    CCaptureVideo::SetTestCameraSource(
        "videotestsrc is-live=true num-buffers=3 ! capsfilter caps=video/x-raw,width=64,height=48,framerate=30/1");
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    int notifications = 0;
    QObject::connect(&cap, &CCaptureVideo::graphNotify, [&] { ++notifications; });
    ASSERT_TRUE(waitFor([&] { return notifications > 0; }));
    const QList<GraphEvent> events = cap.DrainEvents();
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events[0].kind, GraphEvent::EndOfStream);
    EXPECT_FALSE(cap.IsRunning());
}

TEST_F(CaptureGraph, BusyInterfaceThreadDropsFramesInsteadOfQueueing)
{
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    ASSERT_TRUE(waitFor([&] { return !cap.CurrentImage().isNull(); }));
    int shown = 0;
    QObject::connect(&cap, &CCaptureVideo::frameShown, [&] { ++shown; });
    // A paint that takes far longer than a frame: several frames arrive meanwhile.
    const int droppedBefore = cap.framesDropped();
    ASSERT_TRUE(waitFor(
        [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return cap.framesDropped() >= droppedBefore + 3;
        },
        8000))
        << "frames should pile up in the mailbox, not in the event queue";
    shown = 0;
    QCoreApplication::sendPostedEvents(&cap);
    EXPECT_LE(shown, 1) << "at most one hand-over is ever queued";
}

TEST_F(CaptureGraph, ThousandStopRunCyclesLeaveGraphUsable)
{
    CCaptureVideo cap;
    ASSERT_EQ(cap.BuildGraph(0, nullptr, QRect()), CCaptureVideo::kOk);
    cap.Stop();
    ASSERT_TRUE(cap.Run()); // the first cycle settles what GStreamer keeps for the process
    cap.Stop();
    const int fds = openFdCount();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(cap.Run()) << "cycle " << i;
        cap.Stop();
    }
    EXPECT_EQ(openFdCount(), fds);
    EXPECT_TRUE(cap.DrainEvents().isEmpty());
    ASSERT_TRUE(cap.Run());
    const std::string path = m_dir.file("after-cycles.bmp");
    ASSERT_TRUE(cap.CaptureFrame(QString::fromStdString(path), 0));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(path); }));
}
