// The private CUPS server of the print tests.
#include "tests/output/cups_fixture.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cups/cups.h>

namespace testsupport {

namespace {

namespace fs = std::filesystem;

const char* const kBackendName = "kivra-capture";

// US Letter at 600 dpi with quarter-inch margins: a printable area of 8 × 10.5 inches, i.e.
// 4800 × 6300 printer pixels. PDF goes to the backend unfiltered, so no filter package is needed.
const char* const kPpd = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "KIVRATST.PPD"
*Manufacturer: "Kivra"
*Product: "(Kivra Test Printer)"
*ModelName: "Kivra Test Printer"
*ShortNickName: "Kivra Test Printer"
*NickName: "Kivra Test Printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: Letter
*PageSize Letter/US Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: Letter
*PageRegion Letter/US Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: Letter
*ImageableArea Letter/US Letter: "18 18 594 774"
*ImageableArea A4/A4: "18 18 577 824"
*DefaultPaperDimension: Letter
*PaperDimension Letter/US Letter: "612 792"
*PaperDimension A4/A4: "595 842"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 600dpi
*Resolution 600dpi/600 DPI: "<</HWResolution[600 600]>>setpagedevice"
*CloseUI: *Resolution
)PPD";

/// The same printer with 4 x 6 inch photo paper besides, printed to its edges (a photo printer's
/// borderless media).
std::string photoPpd()
{
    std::string ppd = kPpd;
    auto after = [&ppd](const std::string& line, const std::string& added) {
        const size_t at = ppd.find(line);
        if (at != std::string::npos)
            ppd.insert(ppd.find('\n', at) + 1, added);
    };
    ppd.replace(ppd.find("Kivra Test Printer"), 18, "Kivra Photo Printer");
    after("*PageSize A4/A4:", "*PageSize 4x6/4 x 6 in: \"<</PageSize[288 432]/ImagingBBox null>>setpagedevice\"\n");
    after("*PageRegion A4/A4:", "*PageRegion 4x6/4 x 6 in: \"<</PageSize[288 432]/ImagingBBox null>>setpagedevice\"\n");
    after("*ImageableArea A4/A4:", "*ImageableArea 4x6/4 x 6 in: \"0 0 288 432\"\n");
    after("*PaperDimension A4/A4:", "*PaperDimension 4x6/4 x 6 in: \"288 432\"\n");
    return ppd;
}

bool writeFile(const std::string& path, const std::string& text, mode_t mode, std::string* error)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
    f.close();
    if (!f || ::chmod(path.c_str(), mode) != 0) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

bool canConnect(const std::string& socketPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof(addr.sun_path) - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

} // namespace

CupsServer::CupsServer()
{
    m_root = m_dir.path().string();
    m_socket = m_root + "/cups.sock";
    m_jobs = m_root + "/jobs";
    m_ppd = m_root + "/kivra-test.ppd";
    m_photoPpd = m_root + "/kivra-photo.ppd";
}

CupsServer::~CupsServer()
{
    stop();
}

bool CupsServer::writeConfiguration(std::string* error)
{
    for (const char* d : { "spool", "spool/tmp", "cache", "state", "log", "bin", "bin/backend", "jobs", "ppd" })
        fs::create_directories(m_root + "/" + d);
    // cupsd refuses to run programs from folders others may write to; the jobs folder is the
    // backend's (it runs as root: its mode is 0700).
    ::chmod(m_root.c_str(), 0755);
    for (const char* link : { "daemon", "notifier", "filter", "monitor", "cgi-bin" }) {
        const std::string target = std::string("/usr/lib/cups/") + link;
        if (fs::exists(target))
            fs::create_directory_symlink(target, m_root + "/bin/" + link);
    }
    const std::string backend = "#!/bin/sh\n"
                                "# argv: job-id user title copies options [file]\n"
                                "if [ $# -eq 0 ]; then echo 'direct "
        + std::string(kBackendName)
        + " \"Unknown\" \"Kivra capture\"'; exit 0; fi\n"
          "out=\""
        + m_jobs
        + "/job-$1\"\n"
          "if [ -e \""
        + m_root
        + "/fail-jobs\" ]; then echo 'ERROR: out of paper' >&2; exit 1; fi\n"
          "printf '%s\\n' \"$4\" > \"$out.copies\"\n"
          "printf '%s\\n' \"$3\" > \"$out.title\"\n"
          "printf '%s\\n' \"$5\" > \"$out.options\"\n"
          "printf '%s\\n' \"$PRINTER\" > \"$out.printer\"\n"
          "if [ -n \"$6\" ]; then cat \"$6\" > \"$out.part\"; else cat > \"$out.part\"; fi || exit 1\n"
          "chmod 644 \"$out\".*\n"
          "mv \"$out.part\" \"$out.pdf\"\n";
    const std::string filesConf = "ServerRoot " + m_root + "\nRequestRoot " + m_root + "/spool\nTempDir " + m_root
        + "/spool/tmp\nCacheDir " + m_root + "/cache\nStateDir " + m_root + "/state\nServerBin " + m_root
        + "/bin\nErrorLog " + m_root + "/log/error_log\nAccessLog " + m_root + "/log/access_log\nPageLog " + m_root
        + "/log/page_log\nSystemGroup root\nFileDevice No\n";
    // Anything goes on a socket only this test can reach: no authentication, no sharing, no web pages.
    const std::string conf = "Listen " + m_socket
        + "\nBrowsing Off\nBrowseLocalProtocols none\nDefaultShared No\nWebInterface No\nLogLevel info\n"
          "MaxJobs 0\nPreserveJobHistory Yes\nJobRetryLimit 0\nErrorPolicy abort-job\n"
          "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
          "<Policy default>\n  JobPrivateAccess all\n  JobPrivateValues none\n  SubscriptionPrivateAccess all\n"
          "  SubscriptionPrivateValues none\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    return writeFile(m_root + "/bin/backend/" + kBackendName, backend, 0700, error)
        && writeFile(m_root + "/cups-files.conf", filesConf, 0644, error)
        && writeFile(m_root + "/cupsd.conf", conf, 0644, error) && writeFile(m_ppd, kPpd, 0644, error)
        && writeFile(m_photoPpd, photoPpd(), 0644, error);
}

bool CupsServer::start(std::string* error)
{
    if (m_pid > 0)
        return true;
    if (!writeConfiguration(error))
        return false;
    const std::string conf = m_root + "/cupsd.conf";
    const std::string filesConf = m_root + "/cups-files.conf";
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        if (error)
            *error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        // The daemon goes when the test process goes, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::setpgid(0, 0);
        const int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", filesConf.c_str(), (char*)nullptr);
        ::_exit(127);
    }
    m_pid = pid;
    ::setenv("CUPS_SERVER", m_socket.c_str(), 1);
    cupsSetServer(m_socket.c_str());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            if (error)
                *error = "cupsd ended at start (exit " + std::to_string(WEXITSTATUS(status))
                    + "): " + readFile(m_root + "/log/error_log");
            return false;
        }
        if (canConnect(m_socket) && run({ "lpstat", "-r" }) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (error)
        *error = "cupsd did not answer on " + m_socket + ": " + readFile(m_root + "/log/error_log");
    stop();
    return false;
}

void CupsServer::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

int CupsServer::run(const std::vector<std::string>& argv, std::string* out)
{
    int pipeFd[2] = { -1, -1 };
    if (::pipe2(pipeFd, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFd[0]);
        ::close(pipeFd[1]);
        return -1;
    }
    if (pid == 0) {
        ::dup2(pipeFd[1], 1);
        const int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        ::dup2(devnull, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFd[1]);
    std::string text;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFd[0], buf, sizeof(buf));
        if (n > 0)
            text.append(buf, size_t(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFd[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CupsServer::addPrinter(const std::string& name, bool makeDefault, std::string* error, bool photoPaper)
{
    if (run({ "lpadmin", "-p", name, "-E", "-v", std::string(kBackendName) + ":/", "-P",
            photoPaper ? m_photoPpd : m_ppd })
        != 0) {
        if (error)
            *error = "lpadmin could not add " + name + ": " + readFile(m_root + "/log/error_log");
        return false;
    }
    if (makeDefault && run({ "lpadmin", "-d", name }) != 0) {
        if (error)
            *error = "lpadmin could not make " + name + " the default";
        return false;
    }
    return true;
}

bool CupsServer::removePrinter(const std::string& name, std::string* error)
{
    if (run({ "lpadmin", "-x", name }) == 0)
        return true;
    if (error)
        *error = "lpadmin could not remove " + name;
    return false;
}

bool CupsServer::pausePrinter(const std::string& name, std::string* error)
{
    if (run({ "cupsdisable", name }) == 0)
        return true;
    if (error)
        *error = "cupsdisable failed for " + name;
    return false;
}

bool CupsServer::resumePrinter(const std::string& name, std::string* error)
{
    if (run({ "cupsenable", name }) == 0)
        return true;
    if (error)
        *error = "cupsenable failed for " + name;
    return false;
}

void CupsServer::setJobsFail(bool fail)
{
    const std::string marker = m_root + "/fail-jobs";
    if (fail)
        writeFile(marker, "", 0644, nullptr);
    else
        ::unlink(marker.c_str());
}

std::vector<CapturedJob> CupsServer::jobs() const
{
    std::vector<CapturedJob> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(m_jobs, ec)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("job-", 0) != 0 || entry.path().extension() != ".pdf")
            continue;
        const std::string stem = m_jobs + "/" + entry.path().stem().string();
        CapturedJob job;
        job.id = std::atoi(file.c_str() + 4);
        job.pdf = entry.path().string();
        job.copies = std::atoi(readFile(stem + ".copies").c_str());
        job.title = trimmed(readFile(stem + ".title"));
        job.options = trimmed(readFile(stem + ".options"));
        job.printer = trimmed(readFile(stem + ".printer"));
        found.push_back(job);
    }
    std::sort(found.begin(), found.end(), [](const CapturedJob& a, const CapturedJob& b) { return a.id < b.id; });
    return found;
}

std::vector<CapturedJob> CupsServer::waitForJobs(size_t count, int timeoutMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::vector<CapturedJob> found = jobs();
        if (found.size() >= count || std::chrono::steady_clock::now() >= deadline)
            return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int CupsServer::pdfPageCount(const std::string& pdf)
{
    std::string out;
    if (run({ "pdfinfo", pdf }, &out) != 0)
        return -1;
    const size_t at = out.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 6);
}

std::string CupsServer::pdfPageSize(const std::string& pdf, int page)
{
    std::string out;
    const std::string p = std::to_string(page);
    if (run({ "pdfinfo", "-f", p, "-l", p, pdf }, &out) != 0)
        return {};
    size_t at = out.find(" size:", out.find("Page", out.find("Pages:") + 1));
    if (at == std::string::npos)
        return {};
    at += 6;
    while (at < out.size() && out[at] == ' ')
        ++at;
    const size_t end = out.find(" pts", at);
    return end == std::string::npos ? std::string() : out.substr(at, end - at);
}

std::string CupsServer::pdfText(const std::string& pdf, int page)
{
    std::string out;
    std::vector<std::string> argv { "pdftotext", "-layout" };
    if (page > 0) {
        argv.insert(argv.end(), { "-f", std::to_string(page), "-l", std::to_string(page) });
    }
    argv.insert(argv.end(), { pdf, "-" });
    run(argv, &out);
    return out;
}

std::vector<CupsServer::PdfImage> CupsServer::pdfImages(const std::string& pdf)
{
    std::string out;
    std::vector<PdfImage> images;
    if (run({ "pdfimages", "-list", pdf }, &out) != 0)
        return images;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream f(line);
        std::vector<std::string> col;
        for (std::string c; f >> c;)
            col.push_back(c);
        if (col.size() < 14 || col[2] != "image")
            continue;
        PdfImage img;
        img.page = std::atoi(col[0].c_str());
        img.width = std::atoi(col[3].c_str());
        img.height = std::atoi(col[4].c_str());
        img.xppi = std::atoi(col[12].c_str());
        img.yppi = std::atoi(col[13].c_str());
        images.push_back(img);
    }
    return images;
}

} // namespace testsupport
