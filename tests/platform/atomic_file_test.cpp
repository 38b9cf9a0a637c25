// Atomic file writing: modes, links, failures that leave the old file and no temporary, stale
// temporaries, and error texts that name the file and the reason.
#include "platform/atomic_file.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include "tests/common/test_support.h"

namespace fs = std::filesystem;
using platform::AtomicFile;
using platform::writeFileAtomically;

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

mode_t modeOf(const std::string& path)
{
    struct stat st { };
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

/// Every entry of a folder, hidden ones included.
std::vector<std::string> entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void ageFile(const std::string& path, int seconds)
{
    const time_t when = ::time(nullptr) - seconds;
    const utimbuf times { when, when };
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

} // namespace

TEST(AtomicFile, NewFileGetsThePlainCreateModeAndOverwriteKeepsTheMode)
{
    // Run again in a child started under umask 077: the new file must follow that umask.
    if (const char* dir = std::getenv("KIVRA_ATOMIC_CHILD_DIR")) {
        ASSERT_TRUE(writeFileAtomically(std::string(dir) + "/child.txt", "child"));
        return;
    }
    testsupport::TempDir dir;
    const std::string plain = dir.file("plain.txt");
    const int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string path = dir.file("new.txt");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, "hello", &error)) << error;
    EXPECT_EQ(readText(path), "hello");
    EXPECT_EQ(modeOf(path), modeOf(plain));

    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(path, "second", &error)) << error;
    EXPECT_EQ(readText(path), "second");
    EXPECT_EQ(modeOf(path), mode_t(0640));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(writeFileAtomically(path, "third", &error)) << error;
    EXPECT_EQ(modeOf(path), mode_t(0600));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string> { "new.txt", "plain.txt" }));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KIVRA_ATOMIC_CHILD_DIR", QString::fromStdString(dir.path().string()));
    child.setProcessEnvironment(env);
    const QString self = QString::fromStdString(fs::read_symlink("/proc/self/exe").string());
    child.start("/bin/sh",
        { "-c",
            "umask 077 && exec \"$0\" --gtest_filter=AtomicFile.NewFileGetsThePlainCreateModeAndOverwriteKeepsTheMode",
            self });
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    EXPECT_EQ(readText(dir.file("child.txt")), "child");
    EXPECT_EQ(modeOf(dir.file("child.txt")), mode_t(0600));
}

TEST(AtomicFile, LinkedTargetIsReplacedAtTheLinkTarget)
{
    testsupport::TempDir dir;
    fs::create_directory(dir.path() / "real");
    fs::create_directory(dir.path() / "links");
    const std::string target = dir.file("real/settings.ini");
    writeText(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
    // A relative link through a second, absolute one.
    fs::create_symlink("../real/settings.ini", dir.path() / "links" / "relative.ini");
    fs::create_symlink(dir.path() / "links" / "relative.ini", dir.path() / "absolute.ini");

    AtomicFile file(dir.file("absolute.ini"));
    std::string error;
    ASSERT_TRUE(file.open(&error)) << error;
    EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), fs::path(file.targetPath()).parent_path());
    EXPECT_EQ(fs::canonical(fs::path(file.targetPath())), fs::canonical(target));
    ASSERT_TRUE(file.write("new", 3, &error)) << error;
    ASSERT_TRUE(file.commit(&error)) << error;

    EXPECT_TRUE(fs::is_symlink(dir.path() / "absolute.ini"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "links" / "relative.ini"));
    EXPECT_EQ(readText(target), "new");
    EXPECT_EQ(modeOf(target), mode_t(0604));
    EXPECT_EQ(entries(dir.path() / "real"), std::vector<std::string> { "settings.ini" });

    // A dangling link gets its target created.
    fs::create_symlink("made.txt", dir.path() / "dangling.txt");
    ASSERT_TRUE(writeFileAtomically(dir.file("dangling.txt"), "made", &error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.txt"));
    EXPECT_EQ(readText(dir.file("made.txt")), "made");

    // A loop of links is an error naming the file, not a hang.
    fs::create_symlink("loop_b", dir.path() / "loop_a");
    fs::create_symlink("loop_a", dir.path() / "loop_b");
    EXPECT_FALSE(writeFileAtomically(dir.file("loop_a"), "x", &error));
    EXPECT_EQ(error, dir.file("loop_a") + ": " + std::strerror(ELOOP));
}

TEST(AtomicFile, FailuresNameTheFileAndTheReasonAndLeaveTheOldFile)
{
    testsupport::TempDir dir;
    std::string error;
    const std::string missing = dir.file("no/such/folder/x.bmp");
    EXPECT_FALSE(writeFileAtomically(missing, "data", &error));
    EXPECT_EQ(error, missing + ": " + std::strerror(ENOENT));

    fs::create_directory(dir.path() / "sub");
    EXPECT_FALSE(writeFileAtomically(dir.file("sub"), "data", &error));
    EXPECT_EQ(error, dir.file("sub") + ": " + std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_directory(dir.path() / "sub"));

    // A write that fails half-way (the file-size limit stands in for a full disk).
    const std::string path = dir.file("keep.bin");
    writeText(path, "old content");
    struct rlimit old { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = writeFileAtomically(path, std::string(100000, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, path + ": " + std::strerror(EFBIG));
    EXPECT_EQ(readText(path), "old content");

    // An abandoned writer (an encoder that failed) takes its temporary with it.
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.open(&error)) << error;
        ASSERT_TRUE(file.write("partial", 7));
        EXPECT_TRUE(fs::exists(file.temporaryPath()));
        EXPECT_TRUE(platform::isAtomicTemporaryName(fs::path(file.temporaryPath()).filename().string()));
    }
    EXPECT_EQ(readText(path), "old content");
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string> { "keep.bin", "sub" }));

    // Writing through the stdio stream: a commit after a failed stream write reports it too.
    AtomicFile streamed(path);
    ASSERT_TRUE(streamed.open(&error));
    ASSERT_NE(streamed.file(), nullptr);
    EXPECT_EQ(std::fputs("via stdio", streamed.file()), 1);
    ASSERT_TRUE(streamed.commit(&error)) << error;
    EXPECT_EQ(readText(path), "via stdio");
    EXPECT_FALSE(streamed.commit(&error)); // nothing open any more
    EXPECT_EQ(error, path + ": " + std::strerror(EBADF));
}

TEST(AtomicFile, StaleTemporariesAreRemovedByTheNextWriteIntoTheFolder)
{
    testsupport::TempDir dir;
    const std::string stale = dir.file(".photo.jpg.kvtmpAb12Cd");
    const std::string legacy = dir.file("photo.jpg.kvtmpQ1w2E3"); // how pictures were saved before
    const std::string fresh = dir.file(".other.bmp.kvtmpZz99Yy");
    const std::string unrelated = dir.file("notes.kvtmp");
    const std::string oldButOurs = dir.file("photo.jpg");
    for (const std::string& p : { stale, legacy, fresh, unrelated, oldButOurs })
        writeText(p, "x");
    ageFile(stale, 120);
    ageFile(legacy, 3600);
    ageFile(unrelated, 3600);
    ageFile(oldButOurs, 3600);
    ageFile(fresh, 10); // another writer may still be busy with it

    // A write elsewhere leaves this folder alone.
    testsupport::TempDir other;
    ASSERT_TRUE(writeFileAtomically(other.file("a.txt"), "a"));
    EXPECT_TRUE(fs::exists(stale));

    ASSERT_TRUE(writeFileAtomically(dir.file("b.txt"), "b"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(legacy));
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_TRUE(fs::exists(oldButOurs));

    EXPECT_TRUE(platform::isAtomicTemporaryName(".x.kvtmpabcdef"));
    EXPECT_FALSE(platform::isAtomicTemporaryName(".x.kvtmpabc-ef"));
    EXPECT_FALSE(platform::isAtomicTemporaryName(".x.kvtmpabcde"));
    EXPECT_FALSE(platform::isAtomicTemporaryName("kvtmpabcdef"));
}

TEST(AtomicFile, LongTargetNamesStillGetATemporary)
{
    testsupport::TempDir dir;
    const std::string name(250, 'n');
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir.file(name), "long", &error)) << error;
    EXPECT_EQ(readText(dir.file(name)), "long");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string> { name });
}
