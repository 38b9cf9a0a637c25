// CxImage::Save through the atomic writer: the reason of a failure names the file, a replaced
// picture keeps its mode and its link, and nothing but the picture is left in the folder.
#include "imaging/cximage.h"
#include "ops_reference.h"
#include "tests/common/test_support.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

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
