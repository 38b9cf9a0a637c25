// Choosing a camera's mode from the modes it lists: three common webcams as their drivers list
// them, the fallbacks below 25 and 15 fps, and reading modes out of caps text.
#include "capture/camera_mode.h"

#include <initializer_list>

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// One size of a v4l2 format listing (v4l2-ctl --list-formats-ext): the format's fourcc as the
// driver names it, the size, and the frame intervals written as rates.
struct Listed {
    const char* fourcc;
    int width;
    int height;
    const char* rates;
};

// The caps text GStreamer's v4l2 device provider makes of such a listing.
QString capsOf(std::initializer_list<Listed> listing)
{
    QStringList parts;
    for (const Listed& l : listing) {
        const QString fourcc = QString::fromLatin1(l.fourcc);
        const QString kind = fourcc == "MJPG" ? QStringLiteral("image/jpeg")
            : fourcc == "H264"                ? QStringLiteral("video/x-h264, stream-format=(string)byte-stream, "
                                                                              "alignment=(string)au")
            : fourcc == "YUYV"                ? QStringLiteral("video/x-raw, format=(string)YUY2")
                                              : QStringLiteral("video/x-raw, format=(string)") + fourcc;
        parts << QStringLiteral("%1, width=(int)%2, height=(int)%3, framerate=(fraction){ %4 }")
                     .arg(kind)
                     .arg(l.width)
                     .arg(l.height)
                     .arg(QString::fromLatin1(l.rates));
    }
    return parts.join(QStringLiteral("; "));
}

// The mode lists below are written from the cameras' published v4l2 format listings as we know
// them (driver output quoted in vendor forums and hardware databases), not probed from devices.
constexpr const char* k30to5 = "30/1, 25/1, 20/1, 15/1, 10/1, 5/1";
constexpr const char* kC920Rates = "30/1, 24/1, 20/1, 15/1, 10/1, 15/2, 5/1";

// Logitech C270 (046d:0825), a 720p camera: raw YUYV slows down above 640 x 360, MJPEG keeps
// 30 fps up to 1280 x 960.
QString logitechC270()
{
    return capsOf({
        { "YUYV", 640, 480, k30to5 },
        { "YUYV", 160, 120, k30to5 },
        { "YUYV", 176, 144, k30to5 },
        { "YUYV", 320, 176, k30to5 },
        { "YUYV", 320, 240, k30to5 },
        { "YUYV", 352, 288, k30to5 },
        { "YUYV", 432, 240, k30to5 },
        { "YUYV", 544, 288, k30to5 },
        { "YUYV", 640, 360, k30to5 },
        { "YUYV", 752, 416, "25/1, 20/1, 15/1, 10/1, 5/1" },
        { "YUYV", 800, 448, "20/1, 15/1, 10/1, 5/1" },
        { "YUYV", 800, 600, "20/1, 15/1, 10/1, 5/1" },
        { "YUYV", 864, 480, "20/1, 15/1, 10/1, 5/1" },
        { "YUYV", 960, 544, "15/1, 10/1, 5/1" },
        { "YUYV", 960, 720, "10/1, 5/1" },
        { "YUYV", 1024, 576, "10/1, 5/1" },
        { "YUYV", 1184, 656, "10/1, 5/1" },
        { "YUYV", 1280, 720, "10/1, 5/1" },
        { "YUYV", 1280, 960, "15/2, 5/1" },
        { "MJPG", 640, 480, k30to5 },
        { "MJPG", 160, 120, k30to5 },
        { "MJPG", 176, 144, k30to5 },
        { "MJPG", 320, 176, k30to5 },
        { "MJPG", 320, 240, k30to5 },
        { "MJPG", 352, 288, k30to5 },
        { "MJPG", 432, 240, k30to5 },
        { "MJPG", 544, 288, k30to5 },
        { "MJPG", 640, 360, k30to5 },
        { "MJPG", 752, 416, k30to5 },
        { "MJPG", 800, 448, k30to5 },
        { "MJPG", 800, 600, k30to5 },
        { "MJPG", 864, 480, k30to5 },
        { "MJPG", 960, 544, k30to5 },
        { "MJPG", 960, 720, k30to5 },
        { "MJPG", 1024, 576, k30to5 },
        { "MJPG", 1184, 656, k30to5 },
        { "MJPG", 1280, 720, k30to5 },
        { "MJPG", 1280, 960, k30to5 },
    });
}

// Logitech HD Pro Webcam C920 (046d:082d), 1080p: raw 1080p at 5 fps only, MJPEG and H.264 at
// 30 fps up to 1920 x 1080; the sensor's full 2304 x 1536 comes raw at 2 fps.
QString logitechC920()
{
    return capsOf({
        { "YUYV", 640, 480, kC920Rates },
        { "YUYV", 160, 90, kC920Rates },
        { "YUYV", 160, 120, kC920Rates },
        { "YUYV", 176, 144, kC920Rates },
        { "YUYV", 320, 180, kC920Rates },
        { "YUYV", 320, 240, kC920Rates },
        { "YUYV", 352, 288, kC920Rates },
        { "YUYV", 432, 240, kC920Rates },
        { "YUYV", 640, 360, kC920Rates },
        { "YUYV", 800, 448, kC920Rates },
        { "YUYV", 800, 600, "24/1, 20/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 864, 480, "24/1, 20/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 960, 720, "15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 1024, 576, "15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 1280, 720, "10/1, 15/2, 5/1" },
        { "YUYV", 1600, 896, "15/2, 5/1" },
        { "YUYV", 1920, 1080, "5/1" },
        { "YUYV", 2304, 1296, "2/1" },
        { "YUYV", 2304, 1536, "2/1" },
        { "H264", 640, 480, kC920Rates },
        { "H264", 1280, 720, kC920Rates },
        { "H264", 1920, 1080, kC920Rates },
        { "MJPG", 640, 480, kC920Rates },
        { "MJPG", 160, 90, kC920Rates },
        { "MJPG", 320, 240, kC920Rates },
        { "MJPG", 640, 360, kC920Rates },
        { "MJPG", 800, 448, kC920Rates },
        { "MJPG", 800, 600, kC920Rates },
        { "MJPG", 960, 720, kC920Rates },
        { "MJPG", 1024, 576, kC920Rates },
        { "MJPG", 1280, 720, kC920Rates },
        { "MJPG", 1600, 896, kC920Rates },
        { "MJPG", 1920, 1080, kC920Rates },
    });
}

// Microsoft LifeCam Studio (045e:0772), 1080p: MJPEG at 30 fps at every size, raw at 30 fps up
// to 800 x 448 and 5 fps at 1080p.
QString lifeCamStudio()
{
    return capsOf({
        { "YUYV", 640, 480, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 1280, 720, "10/1, 15/2, 5/1" },
        { "YUYV", 960, 544, "15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 800, 448, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 640, 360, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 424, 240, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 352, 288, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 320, 240, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 176, 144, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 160, 120, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "YUYV", 1280, 800, "10/1" },
        { "YUYV", 1920, 1080, "5/1" },
        { "MJPG", 640, 480, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 1920, 1080, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 1280, 720, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 960, 544, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 800, 448, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 640, 360, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 424, 240, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 320, 240, "30/1, 15/1, 10/1, 15/2, 5/1" },
        { "MJPG", 1280, 800, "30/1, 15/1, 10/1, 15/2, 5/1" },
    });
}

CameraMode mode(CameraMode::Encoding e, const char* format, int w, int h, int num, int den = 1)
{
    CameraMode m;
    m.encoding = e;
    m.format = QString::fromLatin1(format);
    m.width = w;
    m.height = h;
    m.rateNumerator = num;
    m.rateDenominator = den;
    return m;
}

std::optional<CameraMode> choose(const QString& caps, bool jpeg = true)
{
    return ChooseCameraMode(CameraModesFromCaps(caps), jpeg);
}

} // namespace

TEST(CameraModeChoice, PublishedWebcamListsGiveTheirBestSmoothMode)
{
    // Each of them would preview at 5 to 10 fps if left to run raw at its largest size.
    EXPECT_EQ(choose(logitechC270()), mode(CameraMode::Jpeg, "", 1280, 960, 30));
    EXPECT_EQ(choose(logitechC920()), mode(CameraMode::Jpeg, "", 1920, 1080, 30));
    EXPECT_EQ(choose(lifeCamStudio()), mode(CameraMode::Jpeg, "", 1920, 1080, 30));

    // Without a JPEG decoder: the largest raw size that still reaches 25 fps (the C920's
    // 800 x 600 runs at 24, just short).
    EXPECT_EQ(choose(logitechC270(), false), mode(CameraMode::Raw, "YUY2", 752, 416, 25));
    EXPECT_EQ(choose(logitechC920(), false), mode(CameraMode::Raw, "YUY2", 800, 448, 30));
    EXPECT_EQ(choose(lifeCamStudio(), false), mode(CameraMode::Raw, "YUY2", 800, 448, 30));

    EXPECT_EQ(choose(logitechC920())->describe(), "1920 x 1080 MJPEG at 30 fps");
    EXPECT_EQ(choose(logitechC920())->caps(), "image/jpeg,width=(int)1920,height=(int)1080,framerate=(fraction)30/1");
    EXPECT_EQ(choose(logitechC270(), false)->caps(),
        "video/x-raw,format=(string)YUY2,width=(int)752,height=(int)416,framerate=(fraction)25/1");
}

TEST(CameraModeChoice, RawWinsUnlessJpegIsFasterAtThatSize)
{
    // A USB 3 camera: raw 1080p at 30 fps needs no decoding; MJPEG's 60 fps gains a preview nothing.
    EXPECT_EQ(choose("video/x-raw, format=NV12, width=1920, height=1080, framerate={ 30/1, 15/1 }; "
                     "image/jpeg, width=1920, height=1080, framerate={ 60/1, 30/1 }"),
        mode(CameraMode::Raw, "NV12", 1920, 1080, 30));
    // At the chosen size JPEG is faster: JPEG, although raw reaches the threshold too.
    EXPECT_EQ(choose("video/x-raw, format=YUY2, width=1280, height=720, framerate={ 25/1 }; "
                     "image/jpeg, width=1280, height=720, framerate={ 30/1 }"),
        mode(CameraMode::Jpeg, "", 1280, 720, 30));
    // NTSC rates count as what they are called.
    EXPECT_EQ(choose("video/x-raw, format=YUY2, width=1280, height=720, framerate=30000/1001; "
                     "image/jpeg, width=1280, height=720, framerate=30/1"),
        mode(CameraMode::Raw, "YUY2", 1280, 720, 30000, 1001));
}

TEST(CameraModeChoice, SlowCamerasFallBackTo15FpsThenToTheFastest)
{
    // Nothing reaches 25 fps above 640 x 480: the largest at 15 fps or more.
    EXPECT_EQ(choose("video/x-raw, format=YUY2, width=640, height=480, framerate={ 30/1, 20/1 }; "
                     "video/x-raw, format=YUY2, width=1280, height=1024, framerate={ 15000/1001, 5/1 }; "
                     "video/x-raw, format=YUY2, width=1600, height=1200, framerate=5/1"),
        mode(CameraMode::Raw, "YUY2", 640, 480, 30));
    EXPECT_EQ(choose("video/x-raw, format=YUY2, width=640, height=480, framerate=20/1; "
                     "video/x-raw, format=YUY2, width=1280, height=1024, framerate={ 15000/1001, 5/1 }; "
                     "video/x-raw, format=YUY2, width=1600, height=1200, framerate=5/1"),
        mode(CameraMode::Raw, "YUY2", 1280, 1024, 15000, 1001));
    // Nothing reaches 15 fps: the fastest, whatever its size.
    EXPECT_EQ(choose("video/x-raw, format=YUY2, width=1600, height=1200, framerate=5/1; "
                     "video/x-raw, format=YUY2, width=800, height=600, framerate={ 10/1, 5/1 }"),
        mode(CameraMode::Raw, "YUY2", 800, 600, 10));
    // Only faster than 30 fps on offer: the slowest of those.
    EXPECT_EQ(choose("image/jpeg, width=1280, height=720, framerate={ 120/1, 60/1 }"),
        mode(CameraMode::Jpeg, "", 1280, 720, 60));
    EXPECT_EQ(choose("image/jpeg, width=1280, height=720, framerate={ 120/1, 60/1 }")->describe(),
        "1280 x 720 MJPEG at 60 fps");
}

TEST(CameraModeChoice, NothingUsableMeansNoMode)
{
    EXPECT_FALSE(choose(QString()));
    EXPECT_FALSE(choose("this is no caps text ;;; {"));
    EXPECT_FALSE(choose("video/x-h264, width=1920, height=1080, framerate=30/1"));
    EXPECT_FALSE(choose("image/jpeg, width=1920, height=1080, framerate=30/1", false));
    EXPECT_FALSE(choose("ANY"));
}

TEST(CameraModeCaps, ListsRangesAndOddEntriesAreRead)
{
    // A format list gives a mode per format; a missing rate is an unknown one.
    const auto listed = CameraModesFromCaps("video/x-raw, format={ YUY2, NV12 }, width=320, height=240, "
                                            "framerate=30/1; video/x-raw, width=160, height=120");
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0], mode(CameraMode::Raw, "YUY2", 320, 240, 30));
    EXPECT_EQ(listed[1], mode(CameraMode::Raw, "NV12", 320, 240, 30));
    EXPECT_EQ(listed[2], mode(CameraMode::Raw, "", 160, 120, 0));
    EXPECT_EQ(listed[2].describe(), "160 x 120 raw at an unknown rate");
    EXPECT_EQ(listed[2].caps(), "video/x-raw,width=(int)160,height=(int)120");

    // A rate range offers its top and 30 fps; the booth takes 30.
    const auto ranged = CameraModesFromCaps("video/x-raw, format=I420, width=1280, height=720, "
                                            "framerate=[ 1/1, 60/1 ]");
    ASSERT_EQ(ranged.size(), 2u);
    EXPECT_EQ(ChooseCameraMode(ranged), mode(CameraMode::Raw, "I420", 1280, 720, 30));

    // Stepwise sizes, buffers the CPU cannot read and other encodings name no mode.
    EXPECT_TRUE(CameraModesFromCaps("video/x-raw, format=YUY2, width=[ 16, 4096 ], height=[ 16, 2160 ], "
                                    "framerate=30/1; "
                                    "video/x-raw(memory:DMABuf), format=NV12, width=1920, height=1080, framerate=30/1; "
                                    "video/x-bayer, format=rggb, width=1920, height=1080, framerate=30/1")
                    .empty());
    EXPECT_EQ(mode(CameraMode::Raw, "YUY2", 640, 480, 15, 2).describe(), "640 x 480 YUY2 at 7.5 fps");
    EXPECT_EQ(mode(CameraMode::Raw, "YUY2", 640, 480, 30000, 1001).describe(), "640 x 480 YUY2 at 29.97 fps");
}
