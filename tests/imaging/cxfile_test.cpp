// Tests of the byte streams: memory growth and edge behaviour, file streams owned or borrowed.
#include "imaging/formats/cxfile.h"

#include "tests/common/test_support.h"

#include <cstring>

#include <gtest/gtest.h>

TEST(CxMemFile, GrowsInWholeBlocksOf64K)
{
    CxMemFile mem;
    ASSERT_TRUE(mem.Open());
    EXPECT_FALSE(mem.Open());
    std::vector<uint8_t> data(65536, 0xAB);
    EXPECT_EQ(mem.Write(data.data(), 1, data.size()), data.size());
    EXPECT_EQ(mem.GetCapacity(), 131072u);
    EXPECT_EQ(mem.Size(), 65536);
    EXPECT_EQ(mem.Tell(), 65536);
    EXPECT_TRUE(mem.Eof());
    EXPECT_EQ(mem.Write(data.data(), 0, 5), 0u);
}

TEST(CxMemFile, ReadSeekAndLines)
{
    char text[] = "ab\ncdef";
    CxMemFile mem(reinterpret_cast<uint8_t*>(text), 7);
    char line[16];
    ASSERT_NE(mem.GetS(line, sizeof(line)), nullptr);
    EXPECT_STREQ(line, "ab\n");
    // The last line has no line feed: its text is there, but the call reports the end.
    EXPECT_EQ(mem.GetS(line, sizeof(line)), nullptr);
    EXPECT_STREQ(line, "cdef");
    EXPECT_EQ(mem.GetC(), -1);

    EXPECT_TRUE(mem.Seek(-100, 1));
    EXPECT_EQ(mem.Tell(), 0);
    uint16_t pair[16] = {};
    EXPECT_EQ(mem.Read(pair, 2, 10), 3u); // 7 bytes give 3 whole items
    EXPECT_TRUE(mem.Seek(3, 2));
    EXPECT_EQ(mem.Tell(), 10); // no upper clamp
    EXPECT_EQ(mem.Error(), 1);
    EXPECT_EQ(mem.Read(pair, 1, 1), 0u);
    EXPECT_FALSE(mem.Seek(0, 3));
    EXPECT_EQ(mem.Scanf("%d", pair), 0);

    // Writing into a caller's buffer past its end moves the data into an own buffer.
    EXPECT_TRUE(mem.PutC('x'));
    EXPECT_EQ(mem.Size(), 11);
    EXPECT_EQ(mem.GetBuffer(false)[7], 0); // the gap is zero-filled
    EXPECT_EQ(mem.GetBuffer(false)[10], 'x');
    EXPECT_STREQ(text, "ab\ncdef"); // caller's buffer untouched
}

TEST(CxMemFile, NoBufferReportsNothing)
{
    CxMemFile mem;
    uint8_t b;
    EXPECT_EQ(mem.Tell(), -1);
    EXPECT_EQ(mem.Size(), -1);
    EXPECT_TRUE(mem.Eof());
    EXPECT_EQ(mem.Error(), -1);
    EXPECT_FALSE(mem.Flush());
    EXPECT_EQ(mem.Write(&b, 1, 1), 0u);
    EXPECT_EQ(mem.Read(&b, 1, 1), 0u);
}

TEST(CxMemFile, DetachedBufferBelongsToCaller)
{
    uint8_t* owned = nullptr;
    {
        CxMemFile mem;
        mem.Open();
        mem.Write("hello", 1, 5);
        owned = mem.GetBuffer(true);
    }
    EXPECT_EQ(std::memcmp(owned, "hello", 5), 0);
    std::free(owned);
}

TEST(CxIOFile, BorrowedStreamStaysOpen)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("s.bin");
    FILE* fp = std::fopen(path.c_str(), "w+b");
    ASSERT_NE(fp, nullptr);
    {
        CxIOFile f(fp);
        EXPECT_FALSE(f.Open(path.c_str(), "rb"));
        EXPECT_TRUE(f.PutC('A'));
        EXPECT_EQ(f.Write("BCD", 1, 3), 3u);
        EXPECT_EQ(f.Size(), 4);
        EXPECT_EQ(f.Tell(), 4);
        EXPECT_TRUE(f.Close()); // does nothing for a borrowed stream
    }
    EXPECT_EQ(std::fseek(fp, 0, SEEK_SET), 0); // still open
    EXPECT_EQ(std::fgetc(fp), 'A');
    std::fclose(fp);

    CxIOFile own;
    EXPECT_EQ(own.GetC(), -1);
    EXPECT_TRUE(own.Eof());
    EXPECT_EQ(own.Size(), -1);
    ASSERT_TRUE(own.Open(path.c_str(), "rb"));
    char buf[8] = {};
    EXPECT_NE(own.GetS(buf, sizeof(buf)), nullptr);
    EXPECT_STREQ(buf, "ABCD");
    EXPECT_TRUE(own.Close());
    EXPECT_FALSE(own.Seek(0, 0));
}
