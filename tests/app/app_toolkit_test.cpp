// AppToolkit services, the module folder rule and the command line.
#include "app/app_toolkit.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "platform/prompts.h"
#include "tests/app/app_test_support.h"

using namespace apptest;

TEST(AppToolkitPaths, SplitPathAndExtension)
{
    const QString p = "/srv/booth/Frames/party.hat.PNG";
    EXPECT_EQ(AppToolkit::SplitPath(p, AppToolkit::Drive), "");
    EXPECT_EQ(AppToolkit::SplitPath(p, AppToolkit::Directory), "/srv/booth/Frames/");
    EXPECT_EQ(AppToolkit::SplitPath(p, AppToolkit::Name), "party.hat");
    EXPECT_EQ(AppToolkit::SplitPath(p, AppToolkit::Ext), ".PNG");
    EXPECT_EQ(AppToolkit::SplitPath(p, AppToolkit::DriveDirectory), "/srv/booth/Frames/");
    EXPECT_EQ(AppToolkit::SplitPath(p, AppToolkit::NameExt), "party.hat.PNG");
    EXPECT_EQ(AppToolkit::SplitPath("plain", AppToolkit::Directory), "");
    EXPECT_EQ(AppToolkit::SplitPath("plain", AppToolkit::Name), "plain");
    EXPECT_EQ(AppToolkit::Extension(p), "PNG");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(AppToolkit::Extension("/srv/v1.2/readme"), "");
    EXPECT_EQ(AppToolkit::Extension("noext"), "");
}

TEST(AppToolkitFolders, MakeFoldersCreatesEveryMissingLevel)
{
    testsupport::TempDir dir;
    const QString deep = q(dir.file("a/b/c"));
    EXPECT_TRUE(AppToolkit::MakeFolders(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_TRUE(AppToolkit::MakeFolders(deep + "/")); // already there
    EXPECT_TRUE(AppToolkit::MakeFolders(q(dir.file("x/y/"))));
    EXPECT_TRUE(QFileInfo(q(dir.file("x/y"))).isDir());
    writeAll(q(dir.file("file")), "x");
    EXPECT_FALSE(AppToolkit::MakeFolders(q(dir.file("file/sub"))));
    EXPECT_FALSE(AppToolkit::MakeFolders(""));
}

TEST(AppToolkitFolders, ListFilesKeepsTrueNamesAndSkipsFolders)
{
    testsupport::TempDir dir;
    const QString folder = q(dir.path().string());
    writeAll(folder + "/Balloons.PNG", "1");
    writeAll(folder + "/notes.txt", "2");
    QDir(folder).mkdir("Sub.png");
    QStringList list { "stale entry" };
    AppToolkit::ListFiles(folder, list);
    list.sort();
    EXPECT_EQ(list, (QStringList { folder + "/Balloons.PNG", folder + "/notes.txt" }));
    AppToolkit::ListFiles(folder + "/missing", list);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_TRUE(AppToolkit::FileExists(folder + "/Balloons.PNG"));
    EXPECT_FALSE(AppToolkit::FileExists(folder + "/balloons.png"));
}

TEST(AppToolkitFolders, BrowseFolderAsksThroughPrompts)
{
    platform::ScriptedPrompts scripted;
    scripted.folderReply = "/chosen";
    platform::setPrompts(&scripted);
    EXPECT_EQ(AppToolkit::BrowseFolder(nullptr, "Select frame folder", "/start"), "/chosen");
    platform::setPrompts(nullptr);
    EXPECT_EQ(scripted.folderTitles, QStringList { "Select frame folder" });
}

class AppToolkitStore : public AppFixture { };

TEST_F(AppToolkitStore, RegistryAndProfileStrings)
{
    QString text = "untouched";
    EXPECT_FALSE(AppToolkit::ReadRegistryString("", "Missing", &text));
    EXPECT_EQ(text, "untouched");
    ASSERT_TRUE(AppToolkit::WriteRegistryString("", "Home page", "https://x.example/"));
    ASSERT_TRUE(AppToolkit::ReadRegistryString("", "Home page", &text));
    EXPECT_EQ(text, "https://x.example/");
    ASSERT_TRUE(AppToolkit::WriteRegistryString("TextTool", "opacity", "55"));
    EXPECT_EQ(AppToolkit::ReadProfileInt("TextTool", "opacity", 0), 55);
    EXPECT_EQ(AppToolkit::ReadProfileInt("TextTool", "missing", 7), 7);
    // The settings accessors with no file name use the profile.
    ASSERT_TRUE(AppToolkit::WriteSettingInt("", "Options", "JpegOptions", 3));
    EXPECT_EQ(AppToolkit::ReadSettingInt("", "Options", "JpegOptions"), 3);
    EXPECT_EQ(stored("Options/JpegOptions"), "3");
}

TEST_F(AppToolkitStore, SettingAccessorsUseTheFile)
{
    const QString file = settingsFile();
    ASSERT_TRUE(AppToolkit::WriteSettingString(file, "RecentlyFrame", "0", "/f/a.png"));
    ASSERT_TRUE(AppToolkit::WriteSettingInt(file, "Configure", "Alpha", 200));
    EXPECT_EQ(AppToolkit::ReadSettingString(file, "recentlyframe", "0"), "/f/a.png");
    EXPECT_EQ(AppToolkit::ReadSettingInt(file, "Configure", "Alpha"), 200);
    EXPECT_EQ(AppToolkit::ReadSettingInt(file, "Configure", "Missing"), 0);
    EXPECT_EQ(readAll(file), "[RecentlyFrame]\n0=/f/a.png\n[Configure]\nAlpha=200\n");
}

TEST(ModuleFolder, ExplicitHomeWinsThenEnvironmentThenExecutableFolder)
{
    testsupport::TempDir dir;
    const QString exe = q(dir.file("bin"));
    QDir().mkpath(exe);
    EXPECT_EQ(resolveModuleFolder("", "", exe), exe + "/");
    EXPECT_EQ(resolveModuleFolder("", q(dir.file("env/home")), exe), q(dir.file("env/home")) + "/");
    EXPECT_TRUE(QFileInfo(q(dir.file("env/home"))).isDir());
    EXPECT_EQ(resolveModuleFolder(q(dir.file("opt")), q(dir.file("env/home")), exe), q(dir.file("opt")) + "/");
}

TEST(ModuleFolder, UnusableFolderFallsBackToApplicationData)
{
    testsupport::TempDir dir;
    writeAll(q(dir.file("file")), "x"); // nothing can be created below a plain file
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/";
    EXPECT_EQ(resolveModuleFolder("", "", q(dir.file("file/bin"))), data);
    QString note;
    EXPECT_EQ(resolveModuleFolder(q(dir.file("file/home")), "", q(dir.path().string()), &note), data);
    EXPECT_FALSE(note.isEmpty());
}

TEST(CommandLineOptions, ParsesProjectHomeAndFlags)
{
    CommandLine cl;
    ASSERT_TRUE(cl.parse({ "corvantis", "--home", "/srv/booth", "--test-camera", "--demo-content", "party.kivra" }));
    EXPECT_EQ(cl.home(), "/srv/booth");
    EXPECT_TRUE(cl.testCamera());
    EXPECT_TRUE(cl.demoContent());
    EXPECT_EQ(cl.projectPath(), "party.kivra");
    EXPECT_FALSE(cl.helpRequested());

    CommandLine plain;
    ASSERT_TRUE(plain.parse({ "corvantis" }));
    EXPECT_EQ(plain.projectPath(), "");
    EXPECT_FALSE(plain.testCamera());

    CommandLine bad;
    EXPECT_FALSE(bad.parse({ "corvantis", "--no-such-option" }));
    EXPECT_FALSE(bad.errorText().isEmpty());
    CommandLine two;
    EXPECT_FALSE(two.parse({ "corvantis", "a.kivra", "b.kivra" }));

    CommandLine help;
    ASSERT_TRUE(help.parse({ "corvantis", "--help" }));
    EXPECT_TRUE(help.helpRequested());
    for (const char* option : { "--home", "--test-camera", "--demo-content", "--version", "--help" })
        EXPECT_TRUE(help.helpText().contains(option)) << option;
    EXPECT_EQ(CommandLine::versionText(), "Kivra Tesselwick 1.0.5");
}

TEST(CommandLineOptions, TestCameraSetsEnvironmentUnlessAlreadySet)
{
    const QByteArray saved = qgetenv("KIVRA_TEST_CAMERA");
    const bool wasSet = qEnvironmentVariableIsSet("KIVRA_TEST_CAMERA");
    qunsetenv("KIVRA_TEST_CAMERA");
    CommandLine without;
    ASSERT_TRUE(without.parse({ "corvantis" }));
    without.applyEnvironment();
    EXPECT_FALSE(qEnvironmentVariableIsSet("KIVRA_TEST_CAMERA"));

    CommandLine with;
    ASSERT_TRUE(with.parse({ "corvantis", "--test-camera" }));
    with.applyEnvironment();
    EXPECT_EQ(qgetenv("KIVRA_TEST_CAMERA"), "1");
    qputenv("KIVRA_TEST_CAMERA", "0");
    with.applyEnvironment();
    EXPECT_EQ(qgetenv("KIVRA_TEST_CAMERA"), "0");

    if (wasSet)
        qputenv("KIVRA_TEST_CAMERA", saved);
    else
        qunsetenv("KIVRA_TEST_CAMERA");
}
