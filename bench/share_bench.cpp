// The phone gallery under load: 50 phones download a 3 MB sheet at once while the booth shoots.
// The gallery runs inside the booth (corvantis --test-camera --self-test with sharing on), as it
// does at an event. Reports requests per second, the page's latency percentiles, and the booth's
// preview fps and shot-to-slot times beside the load average.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "share/share_publisher.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string loadAverage()
{
    double l[3] = {};
    if (getloadavg(l, 3) != 3)
        return "?";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", l[0], l[1], l[2]);
    return text;
}

/// One GET over a new connection from source; the bytes received, -1 when it failed, -2 when
/// the gallery's rate limit refused it (429).
long long fetch(const char* source, int port, const std::string& path)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in remote {};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    timeval timeout { 30, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0
        || ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
        ::close(fd);
        return -1;
    }
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: booth\r\nConnection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    static thread_local std::vector<char> buffer(1 << 20);
    long long total = 0;
    int status = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            break;
        if (total == 0 && n > 12 && std::string_view(buffer.data(), 9) == "HTTP/1.1 ")
            status = std::atoi(buffer.data() + 9);
        total += n;
    }
    ::close(fd);
    return status == 200 ? total : status == 429 ? -2 : -1;
}

struct Booth {
    double fps = 0;
    double medianMs = 0;
    double worstMs = 0;
    int failed = -1;
    std::string line;
};

Booth parseSelfTest(const QString& output)
{
    Booth b;
    const std::string text = output.toStdString();
    std::smatch m;
    if (std::regex_search(text, m,
            std::regex(
                R"(self-test: \d+ shots, (\d+) failed, shot to slot median ([\d.]+) ms, worst ([\d.]+) ms, preview ([\d.]+) fps)"))) {
        b.failed = std::stoi(m[1]);
        b.medianMs = std::stod(m[2]);
        b.worstMs = std::stod(m[3]);
        b.fps = std::stod(m[4]);
        b.line = m[0];
    }
    return b;
}

/// A port nobody listens on now (the booth takes it a moment later).
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    socklen_t length = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

void BM_FiftyPhonesWhileShooting(benchmark::State& state)
{
    QTemporaryDir dir;
    // The booth's save folder is "<home>/Kivra Tesselwick"; its gallery serves the Share folder in it.
    const QString home = dir.path() + QStringLiteral("/home");
    const QString folder = home + QStringLiteral("/Kivra Tesselwick/Share");
    // Noise does not compress: a 2048 x 1536 sheet of it is a JPEG of about 3 MB.
    ShareContent content;
    content.sheet = QImage(2048, 1536, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < content.sheet.height(); ++y)
        for (int x = 0; x < content.sheet.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            content.sheet.setPixel(x, y, seed >> 8);
        }
    content.shots = { content.sheet.copy(0, 0, 640, 480) };
    const PublishResult published = SharePublisher::publish(folder, content);
    if (!published.ok) {
        state.SkipWithError(published.error.toStdString().c_str());
        return;
    }
    const auto sheetBytes = std::filesystem::file_size((published.folder + QStringLiteral("/sheet.jpg")).toStdString());

    const int port = freePort();
    const QString boothHome = dir.path() + QStringLiteral("/booth");
    std::filesystem::create_directories(boothHome.toStdString());
    {
        QFile ini(boothHome + QStringLiteral("/KivraTesselwick.ini"));
        if (!ini.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the booth's settings file");
            return;
        }
        ini.write(QStringLiteral("[Configure]\nShareGallery=1\nSharePort=%1\nShareBind=127.0.0.1\n").arg(port).toUtf8());
    }
    const std::string page = "/s/" + published.token.toStdString() + "/";
    const std::string sheet = page + "download/sheet.jpg";
    const QString corvantis = QCoreApplication::applicationDirPath() + QStringLiteral("/corvantis");
    const int shots = int(state.range(0));

    for (auto _ : state) {
        const std::string loadBefore = loadAverage();
        QProcess booth;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
        booth.setProcessEnvironment(env);
        booth.setProcessChannelMode(QProcess::MergedChannels);
        booth.start(corvantis,
            { QStringLiteral("--home"), boothHome, QStringLiteral("--test-camera"), QStringLiteral("--demo-content"),
                QStringLiteral("--self-test"), QString::number(shots) });
        if (!booth.waitForStarted(10000)) {
            state.SkipWithError("corvantis did not start");
            return;
        }
        // The phones come once the booth's gallery answers.
        const auto started = Clock::now();
        while (fetch("127.0.0.1", port, page) < 0) {
            if (booth.state() != QProcess::Running || Clock::now() - started > std::chrono::seconds(30)) {
                booth.kill();
                booth.waitForFinished();
                state.SkipWithError("the booth's gallery did not answer");
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::atomic<bool> stop { false };
        std::atomic<long long> requests { 0 }, bytes { 0 }, failures { 0 }, limited { 0 };
        std::mutex latencyMutex;
        std::vector<double> pageMs;
        std::vector<std::thread> phones;
        const auto begin = Clock::now();
        for (int i = 0; i < 50; ++i) {
            phones.emplace_back([&, i] {
                // The phones have processors of their own: here they must not take the booth's.
                ::setpriority(PRIO_PROCESS, ::gettid(), 19);
                // Each phone has its own address, as on a real network.
                const std::string source = "127.0.1." + std::to_string(i + 10);
                while (!stop) {
                    const auto t0 = Clock::now();
                    const long long got = fetch(source.c_str(), port, page);
                    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                    const long long sheetGot = fetch(source.c_str(), port, sheet);
                    // A failure counts only while the gallery still serves: once the self-test
                    // has told its figures the booth goes, and its gallery with it.
                    const bool failed = got == -1 || sheetGot == -1;
                    if (stop || (failed && fetch(source.c_str(), port, page) == -1))
                        break;
                    requests += 2;
                    failures += (got == -1) + (sheetGot == -1);
                    limited += (got == -2) + (sheetGot == -2);
                    bytes += std::max(0LL, got) + std::max(0LL, sheetGot);
                    if (got >= 0) {
                        std::lock_guard lock(latencyMutex);
                        pageMs.push_back(ms);
                    }
                }
            });
        }
        // The phones stop when the self-test has told its figures: the gallery closes as the booth
        // goes, and refused connections after that are not the load's.
        QByteArray output;
        const auto deadline = Clock::now() + std::chrono::minutes(10);
        while (!output.contains("self-test:") && booth.state() == QProcess::Running && Clock::now() < deadline) {
            booth.waitForReadyRead(100);
            output += booth.readAll();
        }
        stop = true;
        for (std::thread& t : phones)
            t.join();
        booth.waitForFinished(60000);
        output += booth.readAll();
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        const Booth b = parseSelfTest(QString::fromUtf8(output));
        std::sort(pageMs.begin(), pageMs.end());
        auto percentile = [&](double p) {
            return pageMs.empty() ? 0.0 : pageMs[std::min(pageMs.size() - 1, size_t(p * double(pageMs.size())))];
        };
        state.counters["req_per_s"] = double(requests) / seconds;
        state.counters["MB_per_s"] = double(bytes) / seconds / 1e6;
        state.counters["page_p50_ms"] = percentile(0.50);
        state.counters["page_p99_ms"] = percentile(0.99);
        state.counters["failed_req"] = double(failures);
        state.counters["rate_limited_req"] = double(limited);
        state.counters["sheet_MB"] = double(sheetBytes) / 1e6;
        state.counters["preview_fps"] = b.fps;
        state.counters["shot_to_slot_median_ms"] = b.medianMs;
        state.counters["shot_to_slot_worst_ms"] = b.worstMs;
        std::fprintf(stderr, "load before: %s, after: %s\n%s\n", loadBefore.c_str(), loadAverage().c_str(),
            b.line.empty() ? "self-test: no summary line" : b.line.c_str());
        if (b.failed != 0)
            state.SkipWithError("the booth's self-test did not finish cleanly");
    }
}
BENCHMARK(BM_FiftyPhonesWhileShooting)->Arg(300)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
