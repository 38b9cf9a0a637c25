// kivra-project share and serve as processes, as an operator runs them, and the whole way a
// guest takes: the booth's QR panel, read back with zbarimg, opened in headless Chromium, the
// sheet shown and downloaded.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>

#include <gtest/gtest.h>

#include "tests/cli/cli_test_util.h"

#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/project_file.h"
#include "share/share_table.h"
#include "share/share_token.h"
#include "tests/common/test_support.h"
#include "tests/share/share_test_util.h"

using sharetest::get;

namespace {

QString q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

/// kivra-project serve in the background, stopped with SIGTERM at the end.
class Server {
public:
    bool start(const QStringList& args)
    {
        m_process.start(QStringLiteral(KIVRA_PROJECT_BIN), QStringList { QStringLiteral("serve") } + args);
        if (!m_process.waitForStarted(10000))
            return false;
        // Serving starts when it says so.
        while (!m_out.contains("serving ")) {
            if (!m_process.waitForReadyRead(10000))
                return false;
            m_out += m_process.readAllStandardOutput();
        }
        return true;
    }
    /// SIGTERM; the exit code (-1 when it did not end by itself within 10 s).
    int stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return m_process.exitCode();
        ::kill(pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished();
            return -1;
        }
        m_out += m_process.readAllStandardOutput();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    ~Server()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    QByteArray output() const { return m_out; }

private:
    QProcess m_process;
    QByteArray m_out;
};

class ShareCommands : public ::testing::Test {
protected:
    /// A layout-1 project with slots 0 and 2 used, red and blue.
    QString makeProject() const { return clitest::makeRedBlueProject(m_dir.path()); }

    struct Run {
        int code = -1;
        QString out;
        QString err;
    };
    Run kivraProject(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral(KIVRA_PROJECT_BIN), args);
        Run r;
        if (!p.waitForFinished(60000))
            return r;
        r.code = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    /// Publishes the project into shareFolder for base; the link printed last.
    QString share(const QString& shareFolder, const QString& base)
    {
        const Run r = kivraProject({ QStringLiteral("share"), makeProject(), QStringLiteral("--folder"), shareFolder,
            QStringLiteral("--base-url"), base });
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
        EXPECT_TRUE(lines.last().startsWith(QStringLiteral("share: "))) << r.out.toStdString();
        return lines.last().mid(7);
    }

    testsupport::TempDir m_dir;
};

} // namespace

TEST_F(ShareCommands, ServeServesWhatSharePublishedAndRefusesEverythingElse)
{
    const int port = sharetest::freePort();
    const QString folder = q(m_dir.path() / "Share");
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    const QString link = share(folder, base);
    ASSERT_TRUE(link.startsWith(base + QStringLiteral("/s/"))) << link.toStdString();
    ASSERT_TRUE(link.endsWith(QLatin1Char('/')));
    const std::string page = link.mid(base.size()).toStdString();
    const std::string token = page.substr(3, page.size() - 4);

    Server server;
    ASSERT_TRUE(server.start({ QStringLiteral("--folder"), folder, QStringLiteral("--port"), QString::number(port),
        QStringLiteral("--bind"), QStringLiteral("127.0.0.1") }));
    EXPECT_TRUE(server.output().contains(base.toUtf8())) << server.output().toStdString();

    const sharetest::Response r = get(port, page);
    ASSERT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("<img src=\"" + page + "thumb/sheet.jpg\""), std::string::npos);
    // The sheet's picture: the sheet composed from the project at full resolution, as a JPEG.
    share::ShareTable table;
    ASSERT_TRUE(table.load(folder.toStdString()).ok);
    ASSERT_EQ(table.sheets().size(), 1u);
    const QString published
        = folder + QLatin1Char('/') + QString::fromStdString(table.sheets()[0].folder) + QStringLiteral("/sheet.jpg");
    const sharetest::Response download = get(port, page + "download/sheet.jpg");
    ASSERT_EQ(download.status, 200);
    EXPECT_EQ(download.body, sharetest::readFile(published));
    EXPECT_NE(download.header("content-disposition").find("attachment; filename=\"kivra-"), std::string::npos);
    const QImage sheet = QImage::fromData(QByteArray::fromStdString(download.body), "JPG");
    // At full resolution: larger than the screen's sheet, with its shape.
    ASSERT_GT(sheet.width(), 364);
    EXPECT_NEAR(double(sheet.width()) / sheet.height(), 364.0 / 276.0, 0.01);
    // Two shots on the sheet: red and blue pixels are there.
    bool red = false;
    bool blue = false;
    for (int y = 0; y < sheet.height(); y += 8)
        for (int x = 0; x < sheet.width(); x += 8) {
            const QColor c = sheet.pixelColor(x, y);
            red = red || (c.red() > 200 && c.green() < 60 && c.blue() < 60);
            blue = blue || (c.blue() > 200 && c.red() < 60 && c.green() < 60);
        }
    EXPECT_TRUE(red && blue);
    EXPECT_EQ(get(port, page + "shot-2.jpg").status, 200);

    for (const std::string& path : { std::string("/../../etc/passwd"), "/s/" + token + "/../sheet.jpg",
             "/s/../" + token + "/sheet.jpg", "/s/" + token + "/../../shares.tbl", "/s/" + token + "/%2e%2e/shares.tbl",
             "/s/" + share::newToken() + "/", "/s/" + share::newToken() + "/sheet.jpg" }) {
        const sharetest::Response refused = get(port, path);
        EXPECT_EQ(refused.status, 404) << path;
        EXPECT_EQ(refused.body, "Not found\n") << path;
    }
    EXPECT_EQ(server.stop(), 0) << "SIGTERM stops it cleanly";
    EXPECT_TRUE(server.output().endsWith("stopped\n")) << server.output().toStdString();
    EXPECT_LT(sharetest::connectFrom("127.0.0.1", port), 0);
}

TEST_F(ShareCommands, BadArgumentsAndMissingThingsAreClearErrors)
{
    Run r = kivraProject({ QStringLiteral("serve"), QStringLiteral("--port"), QStringLiteral("http") });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--port takes"))) << r.err.toStdString();
    r = kivraProject({ QStringLiteral("serve"), QStringLiteral("--folder"), q(m_dir.path() / "none") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("is not a folder")));
    r = kivraProject({ QStringLiteral("serve"), QStringLiteral("--folder"), q(m_dir.path()), QStringLiteral("--bind"),
        QStringLiteral("no-such-interface0") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("neither an address nor a network interface")));
    r = kivraProject({ QStringLiteral("share"), q(m_dir.path() / "missing.kivra"), QStringLiteral("--folder"),
        q(m_dir.path() / "Share") });
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFileInfo::exists(q(m_dir.path() / "Share/shares.tbl")));
    r = kivraProject({ QStringLiteral("share"), makeProject(), QStringLiteral("--base-url"),
        QStringLiteral("javascript:alert(1)") });
    EXPECT_EQ(r.code, 2);
}

TEST_F(ShareCommands, AGuestScansTheBoothsCodeOpensThePageAndDownloadsTheSheet)
{
    for (const char* tool : { "zbarimg", "chromium", "chromedriver" })
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
    const int port = sharetest::freePort();
    const QString home = q(m_dir.path() / "booth");
    const QString save = home + QStringLiteral("/pictures");
    QDir().mkpath(save);
    // The booth serves on loopback only here: tests never send anything to another address.
    QFile settings(home + QStringLiteral("/KivraTesselwick.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(QStringLiteral("[Configure]\nPathSave=%1\nShareGallery=1\nSharePort=%2\nShareBind=127.0.0.1\n")
                       .arg(save)
                       .arg(port)
                       .toUtf8());
    settings.close();
    const QString link = share(save + QStringLiteral("/Share"), QStringLiteral("http://127.0.0.1:%1").arg(port));

    Server server;
    ASSERT_TRUE(server.start({ QStringLiteral("--folder"), save + QStringLiteral("/Share"), QStringLiteral("--port"),
        QString::number(port), QStringLiteral("--bind"), QStringLiteral("127.0.0.1") }));

    // The booth draws the code of its newest shared sheet.
    const QString panel = q(m_dir.path() / "panel.png");
    QProcess booth;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    booth.setProcessEnvironment(env);
    booth.start(QStringLiteral(CORVANTIS_BIN),
        { QStringLiteral("--home"), home, QStringLiteral("--show"), QStringLiteral("share"),
            QStringLiteral("--screenshot"), panel });
    ASSERT_TRUE(booth.waitForFinished(60000));
    ASSERT_TRUE(QFileInfo::exists(panel)) << booth.readAllStandardError().toStdString();

    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), { QStringLiteral("--quiet"), QStringLiteral("--raw"), panel });
    ASSERT_TRUE(zbar.waitForFinished(30000));
    const QString decoded = QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
    ASSERT_EQ(decoded, link) << "the code holds the sheet's link";
    ASSERT_TRUE(decoded.startsWith(QStringLiteral("http://")));

    QProcess browser;
    browser.start(QStringLiteral("/usr/bin/python3"),
        { testsupport::sourceDir().string().c_str() + QStringLiteral("/tests/share/browser_check.py"), decoded,
            q(m_dir.path() / "browser") });
    ASSERT_TRUE(browser.waitForFinished(120000));
    const QString said = QString::fromUtf8(browser.readAllStandardOutput());
    ASSERT_EQ(browser.exitCode(), 0) << said.toStdString() << browser.readAllStandardError().toStdString();
    const QString downloaded = said.section(QStringLiteral("download: "), 1).trimmed();
    share::ShareTable table;
    table.load((save + QStringLiteral("/Share")).toStdString());
    const QString published = save + QStringLiteral("/Share/") + QString::fromStdString(table.newest()->folder)
        + QStringLiteral("/sheet.jpg");
    EXPECT_EQ(QFileInfo(downloaded).fileName(),
        QStringLiteral("kivra-%1-sheet.jpg").arg(QString::fromStdString(table.newest()->folder)));
    EXPECT_EQ(sharetest::readFile(downloaded), sharetest::readFile(published)) << "byte for byte";
    EXPECT_EQ(server.stop(), 0);
    // KIVRA_SHARE_SHOTS=DIR keeps the booth's panel and the phone's page to look at.
    const QString keep = qEnvironmentVariable("KIVRA_SHARE_SHOTS");
    if (!keep.isEmpty() && QDir().mkpath(keep)) {
        QFile::remove(keep + QStringLiteral("/panel.png"));
        QFile::remove(keep + QStringLiteral("/page.png"));
        QFile::copy(panel, keep + QStringLiteral("/panel.png"));
        QFile::copy(q(m_dir.path() / "browser/page.png"), keep + QStringLiteral("/page.png"));
    }
}
