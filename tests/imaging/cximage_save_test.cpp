// CxImage::Save through the atomic writer: the reason of a failure names the file, a replaced
// picture keeps its mode and its link, and nothing but the picture is left in the folder.
#include "imaging/cximage.h"
#include "ops_reference.h"
#include "tests/common/test_support.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(CxImageSave, FailureTextNamesTheFileAndTheReason)
{
    testsupport::TempDir dir;
    CxImage img = opref::randomImage(6, 4, 2);
    const std::string missing = dir.file("gone/pic.bmp");
    EXPECT_FALSE(img.Save(missing.c_str(), CXIMAGE_FORMAT_BMP));
    EXPECT_EQ(std::string(img.GetLastError()), missing + ": " + std::strerror(ENOENT));
    fs::create_directory(dir.path() / "taken.png");
    EXPECT_FALSE(img.Save(dir.file("taken.png").c_str(), CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(std::string(img.GetLastError()), dir.file("taken.png") + ": " + std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_empty(dir.path() / "taken.png"));
}

namespace {

/// Files written by this process may not grow past limit bytes while it lives: writes past it
/// fail with EFBIG, as writes to a full disk fail with ENOSPC, and need no right to mount.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit capped = m_old;
        capped.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &capped);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }

private:
    rlimit m_old {};
    void (*m_oldSignal)(int) = nullptr;
};

} // namespace

TEST(CxImageSave, WriteFailuresSayWhyOnceWithTheFileForEveryEncoder)
{
    testsupport::TempDir dir;
    // Large enough that every encoder writes past the limit, small or compressed output alike.
    CxImage img = opref::randomImage(900, 700, 24);
    const std::pair<const char*, uint32_t> formats[]
        = { { "png", CXIMAGE_FORMAT_PNG }, { "bmp", CXIMAGE_FORMAT_BMP }, { "jpg", CXIMAGE_FORMAT_JPG },
              { "tif", CXIMAGE_FORMAT_TIF }, { "tga", CXIMAGE_FORMAT_TGA }, { "pcx", CXIMAGE_FORMAT_PCX },
              { "pnm", CXIMAGE_FORMAT_PNM }, { "ras", CXIMAGE_FORMAT_RAS }, { "jp2", CXIMAGE_FORMAT_JP2 } };
    FileSizeLimit limit(64 * 1024);
    for (const auto& [ext, format] : formats) {
        const std::string path = dir.file(std::string("full.") + ext);
        EXPECT_FALSE(img.Save(path.c_str(), format)) << ext;
        const std::string error = img.GetLastError();
        EXPECT_EQ(error, path + ": " + std::strerror(EFBIG)) << ext;
    }
    EXPECT_TRUE(fs::is_empty(dir.path())) << "no half file and no temporary is left";
}

TEST(CxImageSave, ReplacingKeepsModeAndLink)
{
    testsupport::TempDir dir;
    CxImage img = opref::randomImage(6, 4, 3);
    const std::string real = dir.file("real.jpg");
    ASSERT_TRUE(img.Save(real.c_str(), CXIMAGE_FORMAT_JPG));
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink("real.jpg", dir.path() / "link.jpg");
    const auto before = fs::file_size(real);
    CxImage bigger = opref::randomImage(60, 40, 4);
    ASSERT_TRUE(bigger.Save(dir.file("link.jpg").c_str(), CXIMAGE_FORMAT_JPG)) << bigger.GetLastError();
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.jpg"));
    EXPECT_NE(fs::file_size(real), before);
    struct stat st { };
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode_t(0640));
    CxImage back;
    ASSERT_TRUE(back.Load(real.c_str(), CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(back.GetWidth(), 60u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}
