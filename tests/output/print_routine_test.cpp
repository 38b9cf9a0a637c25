// The print routine against a CUPS server of the test's own: pages, sizes, labels, strips, page
// ranges, copies, a paused queue, a removed printer, and the queue state read through libcups.
#include <QImage>
#include <QPrinter>

#include <gtest/gtest.h>

#include "output/print_routine.h"
#include "output/printer_queue.h"
#include "platform/prompts.h"
#include "tests/output/cups_fixture.h"

using testsupport::CupsServer;

namespace {

class PrintRoutine : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_cups.start(&error)) << error;
        ASSERT_TRUE(m_cups.addPrinter("booth", true, &error)) << error;
        platform::setPrompts(&m_prompts);
        m_prompts.printSetupReply = true;
    }
    void TearDown() override { platform::setPrompts(nullptr); }

    /// A picture whose columns tell where they came from: red left of column 768, blue from it.
    static QImage sheet(int w, int h)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(qRgb(200, 30, 30));
        for (int y = 0; y < h; ++y)
            for (int x = 768; x < w; ++x)
                img.setPixel(x, y, qRgb(30, 30, 200));
        return img;
    }

    CupsServer m_cups;
    platform::ScriptedPrompts m_prompts;
};

} // namespace

TEST_F(PrintRoutine, WideSheetArrivesAsTwoLabelledStripsAtScreenSize)
{
    const QImage picture = sheet(1024, 768);
    const QImage before = picture.copy();
    const PrintResult r = PrintBitmap(nullptr, picture);
    ASSERT_TRUE(r.printed) << r.error.toStdString();
    EXPECT_GT(r.jobId, 0);
    EXPECT_EQ(r.pageCount, 2);
    EXPECT_EQ(r.printer, QStringLiteral("booth"));
    EXPECT_EQ(picture, before);

    // The dialog offered pages 1 to 2.
    ASSERT_EQ(m_prompts.printSetups.size(), 1);
    EXPECT_EQ(m_prompts.printSetups[0].fromPage, 1);
    EXPECT_EQ(m_prompts.printSetups[0].toPage, 2);
    EXPECT_EQ(m_prompts.printSetups[0].printerName, QStringLiteral("booth"));

    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].id, r.jobId);
    EXPECT_EQ(jobs[0].title, "Kivra Tesselwick");
    EXPECT_EQ(jobs[0].copies, 1);
    EXPECT_EQ(CupsServer::pdfPageCount(jobs[0].pdf), 2);
    EXPECT_EQ(CupsServer::pdfPageSize(jobs[0].pdf, 1), "612 x 792");
    EXPECT_NE(CupsServer::pdfText(jobs[0].pdf, 1).find("Page:1 of 2"), std::string::npos);
    EXPECT_NE(CupsServer::pdfText(jobs[0].pdf, 2).find("Page:2 of 2"), std::string::npos);

    // 768 columns on page 1, the remaining 256 on page 2, both at the screen's 96 pixels per inch.
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].page, 1);
    EXPECT_EQ(images[0].width, 768);
    EXPECT_EQ(images[0].height, 768);
    EXPECT_EQ(images[0].xppi, 96);
    EXPECT_EQ(images[1].page, 2);
    EXPECT_EQ(images[1].width, 256);
    EXPECT_EQ(images[1].xppi, 96);

    EXPECT_TRUE(QueryJob(r.jobId).state == JobState::Completed || QueryJob(r.jobId).state == JobState::Processing);
}

TEST_F(PrintRoutine, SmallSheetIsOnePageOfOne)
{
    const PrintResult r = PrintBitmap(nullptr, sheet(320, 240));
    ASSERT_TRUE(r.printed) << r.error.toStdString();
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(CupsServer::pdfPageCount(jobs[0].pdf), 1);
    EXPECT_NE(CupsServer::pdfText(jobs[0].pdf).find("Page:1 of 1"), std::string::npos);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 320);
    EXPECT_EQ(images[0].xppi, 96);
}

TEST_F(PrintRoutine, ChosenPageRangeAndCopiesAreHonoured)
{
    m_prompts.printSetupHandler = [](QPrinter& printer) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        printer.setCopyCount(3);
        return true;
    };
    const PrintResult r = PrintBitmap(nullptr, sheet(1024, 768));
    ASSERT_TRUE(r.printed) << r.error.toStdString();
    EXPECT_EQ(r.pages, (std::vector<int> { 2 }));
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].copies, 3);
    EXPECT_EQ(CupsServer::pdfPageCount(jobs[0].pdf), 1);
    const std::string text = CupsServer::pdfText(jobs[0].pdf);
    EXPECT_NE(text.find("Page:2 of 2"), std::string::npos);
    EXPECT_EQ(text.find("Page:1 of 2"), std::string::npos);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 256);
}

TEST_F(PrintRoutine, HeadlessRangeAndCopiesWithoutDialog)
{
    PrintRequest request;
    request.askUser = false;
    request.showMessages = false;
    request.fromPage = 1;
    request.toPage = 1;
    request.copies = 2;
    const PrintResult r = PrintBitmap(nullptr, sheet(1024, 768), request);
    ASSERT_TRUE(r.printed) << r.error.toStdString();
    EXPECT_TRUE(m_prompts.printSetups.isEmpty());
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].copies, 2);
    EXPECT_EQ(CupsServer::pdfPageCount(jobs[0].pdf), 1);
    EXPECT_NE(CupsServer::pdfText(jobs[0].pdf).find("Page:1 of 2"), std::string::npos);
}

TEST_F(PrintRoutine, CancelledDialogPrintsNothing)
{
    m_prompts.printSetupReply = false;
    const PrintResult r = PrintBitmap(nullptr, sheet(320, 240));
    EXPECT_FALSE(r.printed);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_TRUE(m_cups.waitForJobs(1, 300).empty());
}

TEST_F(PrintRoutine, NullPictureDoesNothing)
{
    const PrintResult r = PrintBitmap(nullptr, QImage());
    EXPECT_FALSE(r.printed);
    EXPECT_TRUE(m_prompts.printSetups.isEmpty());
    EXPECT_TRUE(m_prompts.messages.isEmpty());
}

TEST_F(PrintRoutine, PausedPrinterWarnsAndLetsTheOperatorChoose)
{
    std::string error;
    ASSERT_TRUE(m_cups.pausePrinter("booth", &error)) << error;
    const PrinterHealth health = QueryPrinter(QStringLiteral("booth"));
    EXPECT_EQ(health.state, PrinterState::Stopped);
    EXPECT_TRUE(health.reasons.contains(QStringLiteral("paused")));
    EXPECT_TRUE(health.needsAttention());

    m_prompts.messageReply = platform::IdNo;
    PrintResult r = PrintBitmap(nullptr, sheet(320, 240));
    EXPECT_FALSE(r.printed);
    EXPECT_TRUE(r.cancelled);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("\"booth\" is paused")));
    EXPECT_TRUE(m_prompts.messages[0].style & platform::MbYesNo);
    EXPECT_EQ(QueryPrinter(QStringLiteral("booth")).queuedJobs, 0);

    m_prompts.messageReply = platform::IdYes;
    r = PrintBitmap(nullptr, sheet(320, 240));
    ASSERT_TRUE(r.printed) << r.error.toStdString();
    // The job waits in the queue, counted, until the printer is resumed.
    EXPECT_EQ(QueryPrinter(QStringLiteral("booth")).queuedJobs, 1);
    EXPECT_EQ(QueryJob(r.jobId).state, JobState::Pending);
    EXPECT_TRUE(m_cups.waitForJobs(1, 300).empty());
    ASSERT_TRUE(m_cups.resumePrinter("booth", &error)) << error;
    EXPECT_EQ(m_cups.waitForJobs(1).size(), 1u);
}

TEST_F(PrintRoutine, RemovedPrinterIsReportedAndNothingIsPrinted)
{
    std::string error;
    ASSERT_TRUE(m_cups.addPrinter("second", false, &error)) << error;
    ASSERT_TRUE(m_cups.removePrinter("second", &error)) << error;
    PrintRequest named;
    named.printer = QStringLiteral("second");
    PrintResult r = PrintBitmap(nullptr, sheet(320, 240), named);
    EXPECT_FALSE(r.printed);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_EQ(m_prompts.messages[0].text, QString::fromLatin1(kNoPrinterMessage));
    EXPECT_TRUE(m_prompts.printSetups.isEmpty());

    // Without the default printer the dialog still opens, with no pages, and confirming it fails.
    ASSERT_TRUE(m_cups.removePrinter("booth", &error)) << error;
    m_prompts.messages.clear();
    r = PrintBitmap(nullptr, sheet(320, 240));
    EXPECT_FALSE(r.printed);
    ASSERT_EQ(m_prompts.printSetups.size(), 1);
    EXPECT_EQ(m_prompts.printSetups[0].toPage, 0);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_EQ(m_prompts.messages[0].text, QString::fromLatin1(kPrintStartMessage));
    EXPECT_TRUE(m_cups.waitForJobs(1, 300).empty());
}

TEST_F(PrintRoutine, QueuesAreListedWithStateAndDefault)
{
    std::string error;
    ASSERT_TRUE(m_cups.addPrinter("second", false, &error)) << error;
    ASSERT_TRUE(m_cups.pausePrinter("second", &error)) << error;
    QString listError;
    const QList<PrinterHealth> printers = ListPrinters(&listError);
    ASSERT_EQ(printers.size(), 2) << listError.toStdString();
    EXPECT_EQ(DefaultPrinterName(), QStringLiteral("booth"));
    for (const PrinterHealth& p : printers) {
        if (p.name == QLatin1String("booth")) {
            EXPECT_TRUE(p.isDefault);
            EXPECT_EQ(p.state, PrinterState::Idle);
            EXPECT_FALSE(p.needsAttention());
            EXPECT_EQ(p.summary(), QStringLiteral("idle, no jobs waiting"));
        } else {
            EXPECT_EQ(p.name, QStringLiteral("second"));
            EXPECT_FALSE(p.isDefault);
            EXPECT_EQ(p.stateName(), QStringLiteral("stopped"));
            EXPECT_TRUE(p.reasons.contains(QStringLiteral("paused")));
        }
    }
    QString missingError;
    EXPECT_FALSE(QueryPrinter(QStringLiteral("nowhere"), &missingError).found);
    EXPECT_FALSE(missingError.isEmpty());
}

TEST(PrinterHealthText, ReasonsThatBlockAndThoseThatDoNot)
{
    PrinterHealth h;
    h.name = QStringLiteral("p");
    h.found = true;
    h.acceptingJobs = true;
    h.state = PrinterState::Idle;
    h.reasons = { QStringLiteral("toner-low-warning") };
    EXPECT_FALSE(h.needsAttention());
    EXPECT_TRUE(h.warning().isEmpty());
    h.reasons = { QStringLiteral("media-empty-error") };
    EXPECT_TRUE(h.needsAttention());
    h.reasons = { QStringLiteral("offline-report") };
    EXPECT_FALSE(h.needsAttention());
    h.reasons = { QStringLiteral("offline") };
    EXPECT_TRUE(h.needsAttention());
    h.reasons.clear();
    h.acceptingJobs = false;
    EXPECT_TRUE(h.warning().contains(QStringLiteral("refused")));
    h.queuedJobs = 2;
    EXPECT_TRUE(h.summary().contains(QStringLiteral("2 jobs waiting")));
}
