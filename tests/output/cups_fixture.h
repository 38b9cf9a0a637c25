// A private CUPS server for the print tests: cupsd in the foreground with its configuration and
// spool in a temporary folder, listening on a unix socket there, and queues whose backend copies
// every job (a PDF) into a folder. The daemon stops with the fixture, or with the test process.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/common/test_support.h"

namespace testsupport {

/// One job as the capture backend received it.
struct CapturedJob {
    int id = 0;
    std::string pdf; ///< path of the document
    int copies = 0;
    std::string title;
    std::string options;
    std::string printer;
};

class CupsServer {
public:
    CupsServer();
    /// Stops the daemon and removes its folder.
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    /// Writes the configuration, starts cupsd, points CUPS_SERVER (and this thread's libcups) at
    /// it and waits until it answers. False with *error when it does not come up.
    bool start(std::string* error);
    void stop();
    bool running() const { return m_pid > 0; }
    const std::string& socketPath() const { return m_socket; }
    const std::string& jobFolder() const { return m_jobs; }

    /// Adds an enabled queue on the capture backend with a 600 dpi US Letter PPD whose printable
    /// area is 8 × 10.5 inches (0.25 inch margins), A4 besides; makeDefault makes it the server's
    /// default. photoPaper adds 4 x 6 inch paper ("4x6") printed to its edges.
    bool addPrinter(const std::string& name, bool makeDefault, std::string* error = nullptr, bool photoPaper = false);
    bool removePrinter(const std::string& name, std::string* error = nullptr);
    /// cupsdisable / cupsenable.
    bool pausePrinter(const std::string& name, std::string* error = nullptr);
    bool resumePrinter(const std::string& name, std::string* error = nullptr);

    /// From now on the backend fails every job (the server aborts it), or works again.
    void setJobsFail(bool fail);

    /// Jobs captured so far, by id.
    std::vector<CapturedJob> jobs() const;
    /// Waits up to timeoutMs for at least count captured jobs; returns what has arrived.
    std::vector<CapturedJob> waitForJobs(size_t count, int timeoutMs = 5000) const;

    /// Runs a command-line program (it finds the server through CUPS_SERVER); its exit code (-1
    /// when it could not run). Standard output goes to *out when given.
    static int run(const std::vector<std::string>& argv, std::string* out = nullptr);

    /// Poppler's view of a PDF: page count, page size in points of page 1 ("612 x 792"), text.
    static int pdfPageCount(const std::string& pdf);
    static std::string pdfPageSize(const std::string& pdf, int page = 1);
    static std::string pdfText(const std::string& pdf, int page = 0);
    /// pdfimages -list lines of the images (page, width, height, x-ppi, y-ppi) of a PDF.
    struct PdfImage {
        int page = 0;
        int width = 0;
        int height = 0;
        int xppi = 0;
        int yppi = 0;
    };
    static std::vector<PdfImage> pdfImages(const std::string& pdf);

private:
    bool writeConfiguration(std::string* error);

    TempDir m_dir;
    std::string m_root, m_socket, m_jobs, m_ppd, m_photoPpd;
    pid_t m_pid = -1;
};

} // namespace testsupport
