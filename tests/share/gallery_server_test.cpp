// The gallery server with real HTTP requests over loopback: what a guest's phone gets, and what
// hostile clients do not.
#include "share/gallery_server.h"

#include <chrono>
#include <thread>
#include <vector>

#include <QFileInfo>

#include <gtest/gtest.h>

#include "share/share_table.h"
#include "share/share_token.h"
#include "tests/common/test_support.h"
#include "tests/share/share_test_util.h"

using sharetest::get;
using sharetest::rawRequest;
using sharetest::Response;

namespace {

class Gallery : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = QString::fromStdString(m_dir.path().string());
        ShareContent content = sharetest::sampleContent(800, 600);
        content.when = QDateTime(QDate(2024, 5, 1), QTime(14, 32, 10));
        m_sheet = SharePublisher::publish(m_folder, content);
        ASSERT_TRUE(m_sheet.ok) << m_sheet.error.toStdString();
        m_token = m_sheet.token.toStdString();
    }

    void start(const share::GalleryLimits& limits = roomy(), bool index = false)
    {
        share::GalleryConfig config;
        config.shareFolder = m_folder.toStdString();
        config.bindAddress = "127.0.0.1";
        config.port = 0;
        config.limits = limits;
        config.index = index;
        std::string error;
        ASSERT_TRUE(m_server.start(config, &error)) << error;
        m_port = m_server.port();
        ASSERT_GT(m_port, 0);
    }

    /// Limits wide enough that routing alone decides the answer.
    static share::GalleryLimits roomy()
    {
        share::GalleryLimits l;
        l.requestBurst = 100000;
        l.missBurst = 100000;
        return l;
    }

    std::string file(const char* name) const
    {
        return sharetest::readFile(m_sheet.folder + QLatin1Char('/') + QLatin1String(name));
    }
    std::string page() const { return "/s/" + m_token + "/"; }

    testsupport::TempDir m_dir;
    QString m_folder;
    PublishResult m_sheet;
    std::string m_token;
    share::GalleryServer m_server;
    int m_port = 0;
};

void expectPlainRefusal(const Response& r, const std::string& what)
{
    EXPECT_TRUE(r.status == 404 || r.status == 400 || r.status == 405 || r.status == 414 || r.status == 431
        || r.status == 413 || r.status == 0)
        << what << " answered " << r.status;
    if (r.status == 404) {
        EXPECT_EQ(r.body, "Not found\n") << what;
    }
    EXPECT_EQ(r.raw.find("root:"), std::string::npos) << what;
    EXPECT_EQ(r.raw.find("kivra-share"), std::string::npos) << what;
    EXPECT_EQ(r.header("server"), "") << what;
}

} // namespace

TEST_F(Gallery, ThePageShowsTheSheetAndItsShotsFromTheBoothAlone)
{
    start();
    for (const std::string& path : { page(), "/s/" + m_token }) {
        const Response r = get(m_port, path);
        ASSERT_EQ(r.status, 200) << path;
        EXPECT_EQ(r.header("content-type"), "text/html; charset=utf-8");
        EXPECT_EQ(r.header("cache-control"), "private, no-cache");
        EXPECT_EQ(r.header("referrer-policy"), "no-referrer");
        EXPECT_EQ(r.header("x-content-type-options"), "nosniff");
        EXPECT_NE(r.header("content-security-policy").find("default-src 'none'"), std::string::npos);
        EXPECT_NE(r.body.find("name=\"viewport\""), std::string::npos);
        const std::string base = "/s/" + m_token + "/";
        EXPECT_NE(
            r.body.find("href=\"" + base + "sheet.jpg\"><img src=\"" + base + "thumb/sheet.jpg\""), std::string::npos);
        EXPECT_NE(r.body.find("href=\"" + base + "download/sheet.jpg\""), std::string::npos);
        EXPECT_NE(r.body.find(base + "thumb/shot-2.jpg"), std::string::npos);
        // Nothing from outside: the booth has no internet.
        EXPECT_EQ(r.body.find("http:"), std::string::npos);
        EXPECT_EQ(r.body.find("https:"), std::string::npos);
        EXPECT_EQ(r.body.find("src=\"//"), std::string::npos);
        EXPECT_EQ(r.body.find("<script"), std::string::npos);
    }
}

TEST_F(Gallery, PicturesAreByteIdenticalWithTypesDispositionAndCaching)
{
    start();
    const std::string base = page();
    const std::string folder = QFileInfo(m_sheet.folder).fileName().toStdString();

    Response r = get(m_port, base + "download/sheet.jpg");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.body, file("sheet.jpg"));
    EXPECT_EQ(r.header("content-type"), "image/jpeg");
    EXPECT_EQ(r.header("content-disposition"), "attachment; filename=\"kivra-" + folder + "-sheet.jpg\"");
    EXPECT_EQ(r.header("cache-control"), "private, max-age=31536000, immutable");
    EXPECT_EQ(r.header("content-length"), std::to_string(file("sheet.jpg").size()));
    const std::string etag = r.header("etag");
    EXPECT_FALSE(etag.empty());

    r = get(m_port, base + "shot-1.jpg");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.body, file("shot-1.jpg"));
    EXPECT_EQ(r.header("content-disposition"), "inline; filename=\"kivra-" + folder + "-shot-1.jpg\"");
    r = get(m_port, base + "thumb/sheet.jpg");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.body, file("sheet.thumb.jpg"));

    // HEAD: the same headers, no body.
    r = get(m_port, base + "download/sheet.jpg", "127.0.0.1", "HEAD");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(r.header("content-length"), std::to_string(file("sheet.jpg").size()));
    EXPECT_EQ(r.header("content-type"), "image/jpeg");
    r = get(m_port, base, "127.0.0.1", "HEAD");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "");

    // A phone that has the picture already gets no second copy.
    r = get(m_port, base + "download/sheet.jpg", "127.0.0.1", "GET", "If-None-Match: " + etag + "\r\n");
    EXPECT_EQ(r.status, 304);
    EXPECT_EQ(r.body, "");
    r = get(m_port, base + "download/sheet.jpg", "127.0.0.1", "GET", "If-None-Match: \"other\"\r\n");
    EXPECT_EQ(r.status, 200);
}

TEST_F(Gallery, TraversalAndStrangePathsInEveryEncodingAreNotFound)
{
    start();
    const std::string t = m_token;
    const std::string folder = QFileInfo(m_sheet.folder).fileName().toStdString();
    const std::vector<std::string> targets = {
        "/s/" + t + "/../../../../etc/passwd",
        "/s/" + t + "/..%2f..%2f..%2fetc%2fpasswd",
        "/s/" + t + "/%2e%2e/%2e%2e/etc/passwd",
        "/s/" + t + "/%2E%2E%2F%2E%2E%2Fshares.tbl",
        "/s/" + t + "/%252e%252e%252fshares.tbl",
        "/s/" + t + "/..%c0%af..%c0%afetc/passwd",
        "/s/" + t + "/..%e0%80%af..%e0%80%afetc/passwd",
        "/s/" + t + "/..\\..\\shares.tbl",
        "/s/" + t + "/..%5c..%5cshares.tbl",
        "/s/" + t + "/%2fetc%2fpasswd",
        "/s/" + t + "//etc/passwd",
        "/s/" + t + "/thumb/../sheet.jpg",
        "/s/" + t + "/./sheet.jpg",
        "/s/" + t + "/sheet.jpg%00.html",
        "/s/" + t + "/sheet%2ejpg",
        "/s/" + t + "/Sheet.jpg",
        "/s/" + t + "/sheet.thumb.jpg",
        "/s/" + t + "/shares.tbl",
        "/s/" + t + "/.shares.lock",
        "/s/" + t + "/download/../../shares.tbl",
        "/s/" + t + "/download/sheet.jpg/",
        "/s/" + t + "/download",
        "/s/" + t + "/x/y/z",
        "/s/" + folder + "/sheet.jpg",
        "/s/" + t.substr(0, 23) + "/",
        "/s/" + t + "x/",
        "/S/" + t + "/",
        "/i/" + t + "/",
        "/etc/passwd",
        "//etc/passwd",
        "/" + folder + "/sheet.jpg",
        "/shares.tbl",
        "/s/",
        "/s",
        "/",
        "*",
        "http://booth/etc/passwd",
        "/%2e%2e/%2e%2e/etc/passwd",
        "/..",
        "/s/%2e%2e/" + t + "/sheet.jpg",
    };
    for (const std::string& target : targets) {
        const Response r
            = rawRequest(m_port, "GET " + target + " HTTP/1.1\r\nHost: booth\r\nConnection: close\r\n\r\n");
        expectPlainRefusal(r, target);
        EXPECT_NE(r.status, 200) << target;
    }
    // The sheet itself still opens: the refusals were about the paths.
    EXPECT_EQ(get(m_port, page() + "sheet.jpg").status, 200);
}

TEST_F(Gallery, GuessingTokensIsCutShortPerClient)
{
    start(share::GalleryLimits {}); // the booth's own limits
    int notFound = 0;
    int limited = 0;
    for (int i = 0; i < 1000; ++i) {
        const Response r = get(m_port, "/s/" + share::newToken() + "/", "127.0.0.2");
        ASSERT_NE(r.status, 200);
        notFound += r.status == 404;
        limited += r.status == 429;
        if (r.status == 404) {
            ASSERT_EQ(r.body, "Not found\n");
        }
    }
    EXPECT_EQ(notFound + limited, 1000);
    EXPECT_LE(notFound, 25) << "a guesser gets only a handful of tries";
    EXPECT_GE(limited, 975);
    // The guesser is refused even the right token for now; a guest elsewhere is not.
    EXPECT_EQ(get(m_port, page(), "127.0.0.2").status, 429);
    const Response guest = get(m_port, page(), "127.0.0.3");
    EXPECT_EQ(guest.status, 200);
    EXPECT_EQ(m_server.counters().limited, uint64_t(limited + 1));
}

TEST_F(Gallery, HugeRequestLinesAndHeadersAreRefused)
{
    start();
    const std::string bigHeader = "GET " + page() + " HTTP/1.1\r\nHost: booth\r\nX-Fill: " + std::string(100000, 'a')
        + "\r\nConnection: close\r\n\r\n";
    Response r = rawRequest(m_port, bigHeader);
    expectPlainRefusal(r, "a 100 kB header");
    EXPECT_NE(r.status, 200);
    std::string many = "GET " + page() + " HTTP/1.1\r\nHost: booth\r\n";
    for (int i = 0; i < 3000; ++i)
        many += "X-H" + std::to_string(i) + ": v\r\n";
    r = rawRequest(m_port, many + "Connection: close\r\n\r\n");
    EXPECT_NE(r.status, 200) << "3000 headers";
    r = rawRequest(m_port, "GET " + page() + std::string(60000, 'a') + " HTTP/1.1\r\nHost: b\r\n\r\n");
    expectPlainRefusal(r, "a 60 kB address");
    EXPECT_NE(r.status, 200);
    EXPECT_EQ(get(m_port, page()).status, 200) << "the server goes on serving";
}

TEST_F(Gallery, MethodsOtherThanGetAndHeadAreRefused)
{
    start();
    for (const char* method : { "POST", "PUT", "DELETE", "PATCH", "OPTIONS", "TRACE", "PROPFIND", "MKCOL", "BREW" }) {
        const Response r = rawRequest(m_port,
            std::string(method) + " " + page()
                + "sheet.jpg HTTP/1.1\r\nHost: booth\r\nContent-Length: 5\r\n"
                  "Connection: close\r\n\r\nhello");
        EXPECT_TRUE(r.status == 405 || r.status == 400) << method << " answered " << r.status;
        if (r.status == 405) {
            EXPECT_EQ(r.header("allow"), "GET, HEAD");
        }
        EXPECT_EQ(r.body.find("JFIF"), std::string::npos) << method;
    }
    const Response r = rawRequest(m_port, "CONNECT 127.0.0.1:22 HTTP/1.1\r\nHost: booth\r\n\r\n");
    EXPECT_NE(r.status, 200);
    // A read-only gallery takes no body, not even with GET.
    const Response body = rawRequest(
        m_port, "GET " + page() + " HTTP/1.1\r\nHost: booth\r\nContent-Length: 4\r\nConnection: close\r\n\r\nabcd");
    EXPECT_EQ(body.status, 400);
    // The sheet is as it was.
    EXPECT_EQ(get(m_port, page() + "sheet.jpg").body, file("sheet.jpg"));
}

TEST_F(Gallery, SlowClientsHoldOnlyTheirOwnFewConnectionsAndAreTimedOut)
{
    share::GalleryLimits limits = roomy();
    limits.perClientConnections = 4;
    limits.timeoutSeconds = 2;
    start(limits);
    // A slowloris: connections that send half a request and then nothing.
    std::vector<int> slow;
    for (int i = 0; i < 4; ++i) {
        const int fd = sharetest::connectFrom("127.0.0.4", m_port);
        ASSERT_GE(fd, 0);
        sharetest::sendAll(fd, "GET " + page() + " HTTP/1.1\r\nHost: bo");
        slow.push_back(fd);
    }
    // The kernel completes a connection before the server takes it: the limit counts only those
    // taken, so the fifth comes once all four are.
    auto within5s = [](const auto& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };
    ASSERT_TRUE(within5s([&] { return m_server.openConnections() == 4; })) << m_server.openConnections();
    // A fifth from the same client is closed at once, unanswered.
    const auto fifthStart = std::chrono::steady_clock::now();
    const Response fifth = get(m_port, page(), "127.0.0.4");
    EXPECT_EQ(fifth.status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - fifthStart, std::chrono::seconds(2));
    // Guests on other phones are served meanwhile.
    EXPECT_EQ(get(m_port, page(), "127.0.0.5").status, 200);
    // The server closes the slow connections itself after the time limit.
    for (int fd : slow) {
        const auto begin = std::chrono::steady_clock::now();
        const std::string rest = sharetest::readAll(fd, 6000);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(5500));
        EXPECT_EQ(rest.find("200 OK"), std::string::npos);
        ::close(fd);
    }
    // The server counts a connection until it has cleaned it up, a moment after closing it.
    EXPECT_TRUE(within5s([&] { return m_server.openConnections() == 0; })) << m_server.openConnections();
    EXPECT_EQ(get(m_port, page(), "127.0.0.4").status, 200) << "the client may come back properly";
}

TEST_F(Gallery, NewSheetsOpenWithoutARestartAndTheIndexOnlyWhenAsked)
{
    start();
    const PublishResult second = SharePublisher::publish(m_folder, sharetest::sampleContent(64, 48));
    ASSERT_TRUE(second.ok);
    m_server.reload();
    EXPECT_EQ(get(m_port, "/s/" + second.token.toStdString() + "/").status, 200);

    share::ShareTable table;
    table.load(m_folder.toStdString());
    ASSERT_TRUE(table.ensureIndexToken());
    ASSERT_TRUE(table.save(m_folder.toStdString()));
    const std::string index = "/i/" + table.indexToken() + "/";
    m_server.reload();
    EXPECT_EQ(get(m_port, index).status, 404) << "the index is off by default";

    start(roomy(), true);
    const Response r = get(m_port, index);
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.header("cache-control"), "no-store");
    EXPECT_NE(r.body.find("/s/" + m_token + "/"), std::string::npos);
    EXPECT_NE(r.body.find("/s/" + second.token.toStdString() + "/"), std::string::npos);
    EXPECT_EQ(get(m_port, "/i/" + share::newToken() + "/").status, 404);
}

TEST_F(Gallery, StartsStopsAndReportsAPortInUse)
{
    start();
    const int port = m_port;
    m_server.stop();
    EXPECT_FALSE(m_server.isRunning());
    EXPECT_LT(sharetest::connectFrom("127.0.0.1", port), 0) << "nothing listens after stop";

    share::GalleryConfig config;
    config.shareFolder = m_folder.toStdString();
    config.bindAddress = "127.0.0.1";
    config.port = uint16_t(port);
    std::string error;
    ASSERT_TRUE(m_server.start(config, &error)) << error;
    EXPECT_EQ(get(port, page()).status, 200);

    share::GalleryServer second;
    EXPECT_FALSE(second.start(config, &error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    config.bindAddress = "192.0.2.1"; // documentation range: never this machine's
    EXPECT_FALSE(second.start(config, &error));
    EXPECT_NE(error.find("not one of this machine's"), std::string::npos) << error;
    config.bindAddress = "../etc";
    EXPECT_FALSE(second.start(config, &error));
}
