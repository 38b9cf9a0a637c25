// The frame grabber's file output and its request hand-shake, fed with synthetic frames.
#include "capture/sample_grabber_cb.h"

#include <filesystem>

#include <QImage>

#include <gtest/gtest.h>

#include "tests/capture/capture_test_support.h"
#include "tests/common/test_support.h"

using capturetest::le16;
using capturetest::le32;
using capturetest::readFile;

namespace {

// Top-down BGR rows padded to 4 bytes, every pixel encoding its own position.
std::vector<uint8_t> makeFrame(int w, int h)
{
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> f(size_t(stride) * h, 0xEE);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &f[size_t(y) * stride + size_t(x) * 3];
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = uint8_t(x + y);
        }
    return f;
}

size_t filesIn(const std::filesystem::path& dir)
{
    return size_t(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

} // namespace

TEST(CSampleGrabberCB, RequestedFrameBecomesBottomUpBmpWithExactHeader)
{
    testsupport::TempDir dir;
    CSampleGrabberCB cb;
    cb.SetFrameSize(5, 3); // 15 bytes per row, padded to 16
    const auto frame = makeFrame(5, 3);
    const std::string path = dir.file("shot.bmp");
    cb.RequestFrame(QString::fromStdString(path));
    ASSERT_TRUE(cb.IsRequested());
    EXPECT_EQ(cb.BufferCB(0.0, frame.data(), long(frame.size())), CSampleGrabberCB::kSOk);
    EXPECT_FALSE(cb.IsRequested());

    const auto b = readFile(path);
    ASSERT_EQ(b.size(), 54u + 16 * 3);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), 54u + 48);
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 5u);
    EXPECT_EQ(le32(b, 22), 3u);
    EXPECT_EQ(le16(b, 26), 1);
    EXPECT_EQ(le16(b, 28), 24);
    for (size_t at = 30; at < 54; at += 4)
        EXPECT_EQ(le32(b, at), 0u) << "offset " << at;
    // First stored row is the picture's bottom line.
    for (int row = 0; row < 3; ++row) {
        const int y = 2 - row;
        for (int x = 0; x < 5; ++x) {
            const size_t at = 54 + size_t(row) * 16 + size_t(x) * 3;
            EXPECT_EQ(b[at], x);
            EXPECT_EQ(b[at + 1], y);
            EXPECT_EQ(b[at + 2], x + y);
        }
    }
    EXPECT_EQ(filesIn(dir.path()), 1u) << "no temporary file may be left behind";

    // Read back through Qt's own decoder as an independent check of the layout.
    QImage back(QString::fromStdString(path));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.pixel(4, 0), qRgb(4, 0, 4));
    EXPECT_EQ(back.pixel(1, 2), qRgb(3, 2, 1));
}

TEST(CSampleGrabberCB, UncreatablePathDropsRequestAndNextRequestWorks)
{
    testsupport::TempDir dir;
    CSampleGrabberCB cb;
    cb.SetFrameSize(4, 4);
    const auto frame = makeFrame(4, 4);
    cb.RequestFrame(QString::fromStdString(dir.file("missing-folder/a.bmp")));
    EXPECT_EQ(cb.BufferCB(0, frame.data(), long(frame.size())), CSampleGrabberCB::kSOk);
    EXPECT_FALSE(cb.IsRequested());
    EXPECT_EQ(cb.writeFailures(), 1);
    EXPECT_EQ(filesIn(dir.path()), 0u);

    cb.RequestFrame(QString::fromStdString(dir.file("b.bmp")));
    cb.BufferCB(0, frame.data(), long(frame.size()));
    EXPECT_TRUE(std::filesystem::exists(dir.file("b.bmp")));
    EXPECT_EQ(cb.filesWritten(), 1);
}

TEST(CSampleGrabberCB, NullOrShortBufferKeepsRequestForNextFrame)
{
    testsupport::TempDir dir;
    CSampleGrabberCB cb;
    cb.SetFrameSize(4, 4);
    const auto frame = makeFrame(4, 4);
    cb.RequestFrame(QString::fromStdString(dir.file("a.bmp")));
    EXPECT_EQ(cb.BufferCB(0, nullptr, 0), CSampleGrabberCB::kEPointer);
    EXPECT_EQ(cb.BufferCB(0, frame.data(), long(frame.size()) - 1), CSampleGrabberCB::kEFail);
    EXPECT_TRUE(cb.IsRequested());
    EXPECT_EQ(filesIn(dir.path()), 0u);
    cb.BufferCB(0, frame.data(), long(frame.size()));
    EXPECT_FALSE(cb.IsRequested());
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.bmp")));
}

TEST(CSampleGrabberCB, PendingRequestFollowsNewerPath)
{
    testsupport::TempDir dir;
    CSampleGrabberCB cb;
    cb.SetFrameSize(4, 4);
    const auto frame = makeFrame(4, 4);
    cb.RequestFrame(QString::fromStdString(dir.file("old.bmp")));
    cb.RequestFrame(QString::fromStdString(dir.file("new.bmp")));
    cb.BufferCB(0, frame.data(), long(frame.size()));
    cb.BufferCB(0, frame.data(), long(frame.size()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("old.bmp")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("new.bmp")));
    EXPECT_EQ(cb.filesWritten(), 1);
}

TEST(WriteBmp24, QImageOfOddWidthIsPaddedAndFlipped)
{
    testsupport::TempDir dir;
    QImage img(3, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(10, 20, 30));
    img.setPixel(2, 1, qRgb(200, 100, 50));
    const std::string path = dir.file("q.bmp");
    ASSERT_TRUE(WriteBmp24(QString::fromStdString(path), img));
    const auto b = readFile(path);
    ASSERT_EQ(b.size(), 54u + 12 * 2);
    // bottom row (y = 1) first, pixel x = 2 in BGR order
    EXPECT_EQ(b[54 + 6], 50);
    EXPECT_EQ(b[54 + 7], 100);
    EXPECT_EQ(b[54 + 8], 200);
    // top row second, pixel x = 0
    EXPECT_EQ(b[54 + 12], 30);
    EXPECT_EQ(b[54 + 13], 20);
    EXPECT_EQ(b[54 + 14], 10);
    EXPECT_FALSE(WriteBmp24(QString::fromStdString(path), QImage()));
    EXPECT_FALSE(WriteBmp24(QString::fromStdString(dir.file("nope/q.bmp")), img));
}
