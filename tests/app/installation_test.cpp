// An installed program: where it finds its shared files, where it keeps the user's, whether it
// registers a desktop entry of its own, and the committed desktop files that go with it.
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "app/corvantis_app.h"
#include "app/file_type.h"
#include "tests/app/app_test_support.h"

using namespace apptest;

namespace {

/// A prefix laid out as `cmake --install` makes it: bin/ and the share folder beside it.
struct Prefix {
    explicit Prefix(const testsupport::TempDir& dir)
        : Prefix(q(dir.file("prefix")))
    {
    }
    explicit Prefix(const QString& rootFolder)
        : root(rootFolder)
        , bin(root + "/bin")
        , data(QDir::cleanPath(bin + "/" KIVRA_DATA_FROM_BIN))
        , share(QFileInfo(data).absolutePath())
    {
        QDir().mkpath(bin);
        QDir().mkpath(data + "/demo");
    }
    void installEntry() const { writeAll(share + "/applications/" + kDesktopEntryName, "[Desktop Entry]\n"); }

    QString root, bin, data, share;
};

/// Sets an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name)
        , m_old(qgetenv(name))
        , m_wasSet(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_wasSet;
};

class InstalledProgram : public AppFixture {
protected:
    QString userData() const { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }
    bool startsAndRegisters(const QString& exe, const QString& icon = {})
    {
        CCorvantisApp app;
        app.setModuleFolder(m_module);
        app.setExecutablePath(exe);
        app.setDesktopIcon(icon);
        EXPECT_TRUE(app.InitInstance());
        app.ExitInstance();
        return QFileInfo::exists(userData() + "/applications/" + kDesktopEntryName);
    }
    void forgetRegistration() const
    {
        QFile::remove(userData() + "/applications/" + kDesktopEntryName);
        QFile::remove(userData() + "/mime/packages/" + kMimePackageName);
    }
};

} // namespace

TEST(InstalledLayout, DataFolderIsFoundBesideTheProgramFolderOnly)
{
    testsupport::TempDir dir;
    const Prefix prefix(dir);
    EXPECT_EQ(installedDataFolder(prefix.bin), prefix.data + "/");
    EXPECT_EQ(installedDataFolder(prefix.bin + "/"), prefix.data + "/");
    QDir().mkpath(q(dir.file("build/bin")));
    EXPECT_EQ(installedDataFolder(q(dir.file("build/bin"))), "") << "a build tree has no installed data folder";
    EXPECT_EQ(installedDataFolder(""), "");
}

TEST(InstalledLayout, InstalledProgramKeepsItsThingsInTheUsersDataFolderEvenWhenItsFolderIsWritable)
{
    testsupport::TempDir dir;
    const Prefix prefix(dir);
    ASSERT_TRUE(QFileInfo(prefix.bin).isWritable()); // as /usr/bin is for root
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/";
    EXPECT_EQ(resolveModuleFolder("", "", prefix.bin), data);
    // An explicit home still wins.
    EXPECT_EQ(resolveModuleFolder(q(dir.file("event")), "", prefix.bin), q(dir.file("event")) + "/");
}

TEST_F(InstalledProgram, WritesNoSecondDesktopEntryWhenTheDesktopReadsTheInstalledOne)
{
    const Prefix prefix(m_dir);
    prefix.installEntry();
    const QString exe = prefix.bin + "/corvantis";
    {
        const ScopedEnv dirs("XDG_DATA_DIRS", (prefix.share + ":/usr/share").toUtf8());
        EXPECT_EQ(InstalledDesktopEntry(prefix.bin), prefix.share + "/applications/" + kDesktopEntryName);
        EXPECT_FALSE(startsAndRegisters(exe));
        EXPECT_FALSE(QFileInfo::exists(userData() + "/mime/packages/" + kMimePackageName));
    }
    // A prefix the desktop does not read (e.g. /opt/kivra) still gets the program registered.
    {
        const ScopedEnv dirs("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
        EXPECT_EQ(InstalledDesktopEntry(prefix.bin), "");
        EXPECT_TRUE(startsAndRegisters(exe, prefix.share + "/icons/app.svg"));
        const QByteArray entry = readAll(userData() + "/applications/" + kDesktopEntryName);
        EXPECT_TRUE(entry.contains("\nExec=\"" + exe.toUtf8() + "\" %f\n"));
        EXPECT_TRUE(entry.contains("\nIcon=" + prefix.share.toUtf8() + "/icons/app.svg\n"));
        forgetRegistration();
    }
    // Installed without its entry: nothing stops the registration.
    QFile::remove(prefix.share + "/applications/" + kDesktopEntryName);
    const ScopedEnv dirs("XDG_DATA_DIRS", (prefix.share + ":/usr/share").toUtf8());
    EXPECT_TRUE(startsAndRegisters(exe));
}

TEST(FileType, IconLineOnlyForAPathThatCanBeWritten)
{
    testsupport::TempDir dir;
    const QString data = q(dir.file("share"));
    const QString entry = data + "/applications/" + kDesktopEntryName;
    ASSERT_TRUE(RegisterFileType("/opt/kivra/bin/corvantis", data, false, "/opt/kivra/share/a\\b.svg"));
    EXPECT_TRUE(readAll(entry).contains("\nIcon=/opt/kivra/share/a\\\\b.svg\n"));
    EXPECT_TRUE(readAll(entry).contains("\nStartupWMClass=corvantis\n"));
    ASSERT_TRUE(RegisterFileType("/opt/kivra/bin/corvantis", data, false, "/opt/line\nbreak.svg"));
    EXPECT_FALSE(readAll(entry).contains("Icon="));
    EXPECT_FALSE(readAll(entry).contains("break.svg"));
}

TEST(InstalledDesktopFiles, AgreeWithWhatStartUpRegisters)
{
    const QString desktop = QString::fromStdString((testsupport::sourceDir() / "resources/desktop").string());
    const QByteArray entry = readAll(desktop + "/" + kDesktopEntryName);
    ASSERT_FALSE(entry.isEmpty()) << "resources/desktop has no " << kDesktopEntryName;
    EXPECT_TRUE(entry.contains(QByteArray("\nMimeType=") + kProjectMimeType + ";\n"));
    EXPECT_TRUE(entry.contains(QByteArray("\nIcon=") + kAppId + "\n"));
    EXPECT_TRUE(entry.contains("\nExec=corvantis %f\n"));

    testsupport::TempDir dir;
    ASSERT_TRUE(RegisterFileType("/usr/bin/corvantis", q(dir.file("share"))));
    const QByteArray registered = readAll(q(dir.file("share/mime/packages/")) + kMimePackageName);
    const QByteArray installed = readAll(desktop + "/" + kMimePackageName);
    for (const QByteArray& part : { QByteArray("<mime-type type=\"") + kProjectMimeType + "\">",
             QByteArray("<glob pattern=\"*.kivra\"/>"), QByteArray("<comment>Kivra Tesselwick project</comment>") }) {
        EXPECT_TRUE(registered.contains(part)) << part.constData();
        EXPECT_TRUE(installed.contains(part)) << part.constData();
    }
}

TEST_F(InstalledProgram, InstalledIntoTheUsersOwnDataFolderLeavesItsEntryAlone)
{
    // --prefix ~/.local: the share folder is the user's data folder, where registration writes.
    const Prefix prefix(QFileInfo(userData()).absolutePath());
    if (QFileInfo(prefix.share).canonicalFilePath() != QFileInfo(userData()).canonicalFilePath())
        GTEST_SKIP() << "the data folder is not share/ beside bin/ in this build";
    prefix.installEntry();
    const ScopedEnv dirs("XDG_DATA_DIRS", "/usr/share");
    EXPECT_EQ(InstalledDesktopEntry(prefix.bin), prefix.share + "/applications/" + kDesktopEntryName);
    startsAndRegisters(prefix.bin + "/corvantis");
    EXPECT_EQ(readAll(prefix.share + "/applications/" + kDesktopEntryName), "[Desktop Entry]\n")
        << "the installed entry was overwritten";
}
