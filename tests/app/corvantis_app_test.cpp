// Start-up and exit: the per-user store's eleven values, the save folder, the settings file,
// profile values, the main dialog seam, the project path and demo content.
#include "app/corvantis_app.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "app/app_toolkit.h"
#include "app/file_type.h"
#include "tests/app/app_test_support.h"

using namespace apptest;

namespace {

class CorvantisStartup : public AppFixture {
protected:
    void configure(CCorvantisApp& app) const
    {
        app.setModuleFolder(m_module);
        app.setExecutablePath(QStringLiteral("/opt/kivra/corvantis"));
    }
    QString image(const char* name) const { return m_module + QStringLiteral("Image/") + QLatin1String(name); }
};

} // namespace

TEST_F(CorvantisStartup, FirstStartWritesElevenDefaultsAndCreatesSaveFolder)
{
    CCorvantisApp app;
    configure(app);
    ASSERT_FALSE(QFileInfo::exists(m_home));
    ASSERT_TRUE(app.InitInstance());

    const QString saveFolder = m_home + QStringLiteral("/Kivra Tesselwick");
    EXPECT_EQ(stored("Home page"), QLatin1String(appdefaults::kHomePage));
    EXPECT_EQ(stored("Version"), "1.0.5");
    EXPECT_EQ(stored("Help"), QLatin1String(appdefaults::kHelpPage));
    EXPECT_EQ(stored("SavePath"), saveFolder);
    EXPECT_EQ(stored("Support"), QLatin1String(appdefaults::kSupport));
    EXPECT_EQ(stored("FramePath"), image("Frame"));
    EXPECT_EQ(stored("PortraitPath"), image("Portrait"));
    EXPECT_EQ(stored("MaskPath"), image("Mask"));
    EXPECT_EQ(stored("EmotionPath"), image("Emotion"));
    EXPECT_EQ(stored("BackGroundPath"), image("Background"));
    EXPECT_EQ(stored("BaseMapPath"), image("BaseMap"));
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, "Kivra Tesselwick", "General");
        EXPECT_EQ(s.childKeys().size(), 11) << s.childKeys().join(",").toStdString();
        EXPECT_TRUE(s.childGroups().isEmpty()) << "start-up must not write profile sections";
    }
    // The save folder is made with its missing parents; the resource folders are not made.
    EXPECT_TRUE(QFileInfo(saveFolder).isDir());
    EXPECT_FALSE(QFileInfo::exists(image("Frame")));

    EXPECT_EQ(appPaths().m_moduleFolder, m_module);
    EXPECT_EQ(appPaths().m_settingsFile, settingsFile());
    EXPECT_TRUE(appPaths().m_tempFolder.endsWith('/'));
    EXPECT_EQ(appPaths().m_version, "1.0.5");
    EXPECT_EQ(app.clipboardFormat(), QLatin1String(kClipboardFormatName));

    // The settings file received every folder key from the store.
    EXPECT_EQ(readAll(settingsFile()),
        QString("[Configure]\nPathFrame=%1\nPathPortrait=%2\nPathBackGround=%3\nPathMask=%4\n"
                "PathEmotion=%5\nPathBaseMap=%6\nPathSave=%7\n")
            .arg(image("Frame"), image("Portrait"), image("Background"), image("Mask"), image("Emotion"),
                image("BaseMap"), saveFolder)
            .toUtf8());
    app.ExitInstance();
}

TEST_F(CorvantisStartup, SecondStartKeepsStoredValues)
{
    setStored("FramePath", "/srv/booth/frames");
    setStored("Version", "2.1");
    setStored("SavePath", q(m_dir.file("elsewhere/saves")));
    CCorvantisApp app;
    configure(app);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(appPaths().m_frameFolder, "/srv/booth/frames");
    EXPECT_EQ(appPaths().m_version, "2.1");
    EXPECT_EQ(stored("FramePath"), "/srv/booth/frames");
    EXPECT_TRUE(QFileInfo(q(m_dir.file("elsewhere/saves"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(m_home + "/Kivra Tesselwick"));
    app.ExitInstance();
}

TEST_F(CorvantisStartup, ExitWritesFoldersBackAndDefaultSavePathWhileFilePathSaveWins)
{
    const QString chosen = q(m_dir.file("chosen/saves"));
    writeAll(settingsFile(), "[Configure]\nPathSave=" + chosen.toUtf8() + "\n");
    setStored("SavePath", q(m_dir.file("old/saves")));
    {
        CCorvantisApp app;
        configure(app);
        app.setMainDialogRunner([] {
            appPaths().m_frameFolder = QStringLiteral("/picked/frames"); // as the configuration dialog would
            return 1;
        });
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(appPaths().m_saveFolder, chosen);
        app.ExitInstance();
    }
    EXPECT_EQ(stored("SavePath"), m_home + "/Kivra Tesselwick");
    EXPECT_EQ(stored("FramePath"), "/picked/frames");

    appPaths() = AppPaths();
    CCorvantisApp again;
    configure(again);
    ASSERT_TRUE(again.InitInstance());
    EXPECT_EQ(appPaths().m_saveFolder, chosen);
    again.ExitInstance();
}

TEST_F(CorvantisStartup, EmptyFolderKeyInFileReceivesStoredFolder)
{
    writeAll(settingsFile(), "[Configure]\r\nPathFrame=\r\nPathPortrait=/mine/portraits\r\nAlpha=128\r\n");
    setStored("FramePath", "/stored/frames");
    setStored("PortraitPath", "/stored/portraits");
    CCorvantisApp app;
    configure(app);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(appPaths().m_frameFolder, "/stored/frames");
    EXPECT_EQ(appPaths().m_portraitFolder, "/mine/portraits");
    EXPECT_EQ(boothSettings().m_alpha, 128);
    EXPECT_EQ(boothSettings().m_shottingDelay, 0);
    const QByteArray file = readAll(settingsFile());
    EXPECT_TRUE(
        file.startsWith("[Configure]\r\nPathFrame=/stored/frames\r\nPathPortrait=/mine/portraits\r\nAlpha=128\r\n"))
        << file.toStdString();
    app.ExitInstance();
}

TEST_F(CorvantisStartup, ProfileValuesAreReadWithTheirDefaults)
{
    setStored("TextTool/lfFaceName", "DejaVu Sans");
    setStored("TextTool/fcolor", "255");
    setStored("TextTool/opacity", "40");
    setStored("TextTool/lfWeight", "bold"); // not a number: the default
    setStored("Options/JpegQualityI", "80");
    setStored("Options/JpegQualityF", "500");
    setStored("General/DocType", "2");
    CCorvantisApp app;
    configure(app);
    ASSERT_TRUE(app.InitInstance());
    const TextToolProfile& t = app.textToolProfile();
    EXPECT_EQ(t.m_faceName, "DejaVu Sans");
    EXPECT_EQ(t.m_textColour, 255u);
    EXPECT_FLOAT_EQ(t.m_opacity, 0.4f);
    EXPECT_EQ(t.m_weight, 0);
    EXPECT_EQ(t.m_charSet, 238);
    EXPECT_EQ(t.m_backColour, 0xA05000u);
    EXPECT_EQ(t.m_roundRadius, 25);
    EXPECT_EQ(t.m_antialias, 1);
    EXPECT_EQ(t.m_opaque, 1);
    EXPECT_DOUBLE_EQ(app.jpegQuality(), 80.5);
    EXPECT_EQ(app.docType(), 2);
    EXPECT_EQ(app.rawOptions(), 0);
    // The profile section named General does not collide with the main key's values.
    EXPECT_EQ(stored("Version"), "1.0.5");
    app.ExitInstance();
}

TEST_F(CorvantisStartup, MainDialogRunsAfterStartupAndToolkitLivesUntilExit)
{
    writeAll(settingsFile(), "[Configure]\nShottingDelay=3\n");
    CCorvantisApp app;
    configure(app);
    bool ran = false;
    app.setMainDialogRunner([&] {
        ran = true;
        EXPECT_NE(AppToolkit::instance(), nullptr);
        EXPECT_EQ(boothSettings().m_shottingDelay, 3);
        EXPECT_EQ(appPaths().m_frameFolder, image("Frame"));
        return 2;
    });
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(ran);
    EXPECT_EQ(app.mainDialogResult(), 2);
    EXPECT_NE(AppToolkit::instance(), nullptr);
    app.ExitInstance();
    EXPECT_EQ(AppToolkit::instance(), nullptr);
}

TEST_F(CorvantisStartup, ProjectFromCommandLineIsUnpackedBeforeTheMainDialog)
{
    const QString project = q(m_dir.file("party.kivra"));
    {
        CCorvantisApp app;
        configure(app);
        app.setProjectPath(project);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.projectPath(), project); // no unpacker yet: only kept
        EXPECT_TRUE(app.projectFiles().isEmpty());
        app.ExitInstance();
    }
    CCorvantisApp app;
    configure(app);
    app.setProjectPath(project);
    QString unpacked;
    app.setProjectUnpacker([&](const QString& path) {
        unpacked = path;
        return QStringList { "KivraTesselwick.ini", "0.bmp" };
    });
    QStringList seenByDialog;
    app.setMainDialogRunner([&] {
        seenByDialog = app.projectFiles();
        return 1;
    });
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(unpacked, project);
    EXPECT_EQ(seenByDialog, (QStringList { "KivraTesselwick.ini", "0.bmp" }));
    app.ExitInstance();
}

TEST_F(CorvantisStartup, DemoContentFillsOnlyEmptyResourceFolders)
{
    const QString demo = q(m_dir.file("demo"));
    writeAll(demo + "/Frame/balloons.png", "png");
    writeAll(demo + "/Frame/Stars.PNG", "png");
    writeAll(demo + "/Portrait/guest.jpg", "jpg");
    writeAll(image("Portrait") + "/own.jpg", "mine");
    CCorvantisApp app;
    configure(app);
    app.setDemoContentFolder(demo);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.demoFilesCopied(), 2);
    EXPECT_TRUE(QFileInfo::exists(image("Frame") + "/balloons.png"));
    EXPECT_TRUE(QFileInfo::exists(image("Frame") + "/Stars.PNG"));
    EXPECT_EQ(QDir(image("Portrait")).entryList(QDir::Files), QStringList { "own.jpg" });
    EXPECT_FALSE(QFileInfo::exists(image("Mask"))); // nothing to copy: not created
    app.ExitInstance();
}

TEST_F(CorvantisStartup, RegistersProjectFileTypeWithDesktop)
{
    CCorvantisApp app;
    configure(app);
    ASSERT_TRUE(app.InitInstance());
    app.ExitInstance();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    EXPECT_TRUE(readAll(data + "/applications/org.example.KivraTesselwick.desktop")
                    .contains("\nExec=\"/opt/kivra/corvantis\" %f\n"));
    EXPECT_TRUE(readAll(data + "/mime/packages/kivra-tesselwick.xml").contains("<glob pattern=\"*.kivra\"/>"));
}

TEST(FileType, ExecValueQuotesAndEscapesThePath)
{
    EXPECT_EQ(desktopExecValue("/opt/My Booth/corvantis"), "\"/opt/My Booth/corvantis\" %f");
    // Quoting rule (\" \$ \` \\), then the string rule doubles each backslash; % becomes %%.
    EXPECT_EQ(
        desktopExecValue("/opt/a\"b$c`d\\e%f/corvantis"), "\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f/corvantis\" %f");
    EXPECT_EQ(desktopExecValue("/opt/line\nbreak"), "");
}

TEST(FileType, WritesMimePackageAndDesktopEntry)
{
    testsupport::TempDir dir;
    const QString data = q(dir.file("share"));
    ASSERT_TRUE(RegisterFileType("/usr/local/bin/corvantis", data));
    const QByteArray desktop = readAll(data + "/applications/org.example.KivraTesselwick.desktop");
    EXPECT_TRUE(desktop.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(desktop.contains("\nExec=\"/usr/local/bin/corvantis\" %f\n"));
    EXPECT_TRUE(desktop.contains("\nMimeType=application/x-kivra-project;\n"));
    const QByteArray mime = readAll(data + "/mime/packages/kivra-tesselwick.xml");
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-kivra-project\">"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.kivra\"/>"));
    // A data folder that cannot be made fails quietly.
    writeAll(q(dir.file("file")), "x");
    EXPECT_FALSE(RegisterFileType("/usr/local/bin/corvantis", q(dir.file("file/share"))));
}
