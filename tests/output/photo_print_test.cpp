// Photo prints on a CUPS server of the test's own: the paper sizes and the picture's place, the
// PDF that arrives (page size, the picture's size on it, its pixels per inch, no label), the
// queue's own paper when it has it, and the print dialog's photo lines.
#include <cmath>

#include <QApplication>

#include <gtest/gtest.h>

#include "app/booth_settings.h"
#include "output/dlg_print.h"
#include "output/page_preview.h"
#include "output/photo_print.h"
#include "output/picture_frame.h"
#include "platform/prompts.h"
#include "tests/output/cups_fixture.h"

using testsupport::CupsServer;

namespace {

constexpr double kMmPerInch = 25.4;

/// A sheet of one slot filling it whose photo is 3024 x 2292 pixels (the full resolution of
/// 1080p shots in the four-slot layout); drawing it counts.
SheetPicture photoSheet(int* drawn = nullptr)
{
    QImage small(364, 276, QImage::Format_RGB32);
    small.fill(qRgb(40, 90, 200));
    SheetPicture sheet;
    // The slot covers the sheet: its native size is the sheet's full resolution, to the pixel.
    sheet.addSlot({ QRect(0, 0, 364, 276), small, QSize(3024, 2294), [drawn](QSize size) {
                       if (drawn)
                           ++*drawn;
                       QImage img(size, QImage::Format_RGB32);
                       img.fill(qRgb(40, 90, 200));
                       return img;
                   } });
    return sheet;
}

class PhotoPrint : public ::testing::Test {
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

    /// The one job that arrived, with its PDF checked to be one page without text.
    testsupport::CapturedJob onlyJob()
    {
        const auto jobs = m_cups.waitForJobs(1);
        EXPECT_EQ(jobs.size(), 1u);
        if (jobs.empty())
            return {};
        EXPECT_EQ(CupsServer::pdfPageCount(jobs[0].pdf), 1);
        // No "Page:1 of 1" or any other text on a photo.
        EXPECT_EQ(CupsServer::pdfText(jobs[0].pdf).find_first_not_of(" \n\f\r"), std::string::npos);
        return jobs[0];
    }

    CupsServer m_cups;
    platform::ScriptedPrompts m_prompts;
};

} // namespace

TEST(PhotoLayoutRule, FitsCentresKeepsTheAspectAndStaysAt300To600Ppi)
{
    // 6 x 4 in landscape, no margins: the height sets the size.
    PhotoLayout l = LayoutPhoto(QSize(3024, 2292), QSizeF(152.4, 101.6), QMarginsF());
    EXPECT_NEAR(l.pictureMm.height(), 101.6, 1e-6);
    EXPECT_NEAR(l.pictureMm.width() / l.pictureMm.height(), 3024.0 / 2292, 1e-9);
    EXPECT_NEAR(l.pictureMm.left(), (152.4 - l.pictureMm.width()) / 2, 1e-9);
    EXPECT_NEAR(l.pictureMm.top(), 0, 1e-9);
    // The full resolution fits at its own 573 ppi: its pixels are printed one for one.
    EXPECT_NEAR(l.ppi, 573, 1);
    EXPECT_EQ(l.pixels, QSize(3024, 2292));

    // A small sheet is made up to 300 ppi, a huge one drawn at 600.
    l = LayoutPhoto(QSize(364, 276), QSizeF(152.4, 101.6), QMarginsF());
    EXPECT_EQ(l.ppi, 300);
    EXPECT_GE(l.pixels.height(), 1200);
    l = LayoutPhoto(QSize(8000, 6065), QSizeF(152.4, 101.6), QMarginsF());
    EXPECT_EQ(l.ppi, 600);
    EXPECT_GE(l.pixels.height(), 2400);
    EXPECT_LE(l.pixels.height(), 2401);

    // Margins shrink the area; the picture stays centred within it.
    l = LayoutPhoto(QSize(400, 300), QSizeF(297, 210), QMarginsF(6.35, 6.35, 6.35, 6.35));
    EXPECT_NEAR(l.pictureMm.height(), 210 - 12.7, 1e-9);
    EXPECT_NEAR(l.pictureMm.center().x(), 297 / 2.0, 1e-9);
    EXPECT_TRUE(LayoutPhoto(QSize(), QSizeF(100, 100), QMarginsF()).pixels.isEmpty());
    EXPECT_TRUE(LayoutPhoto(QSize(10, 10), QSizeF(10, 10), QMarginsF(6, 6, 6, 6)).pixels.isEmpty());
}

TEST(PhotoLayoutRule, TheLinksCodeTakesACornerBesideThePicture)
{
    auto clear = [](const PhotoLayout& l) {
        const QRectF paper(QPointF(0, 0), l.paperMm);
        return !l.codeMm.isEmpty() && !l.codeMm.intersects(l.pictureMm)
            && l.codeMm.right() <= paper.right() - 1.5 + 1e-9 && l.codeMm.bottom() <= paper.bottom() - 1.5 + 1e-9
            && QRectF(paper.marginsRemoved(l.marginsMm)).contains(l.pictureMm.adjusted(1e-9, 1e-9, -1e-9, -1e-9));
    };
    // On 6 x 4 in paper the sheet's aspect leaves a strip beside it: the picture keeps its size
    // and moves aside; the code is small but has modules of 0.4 mm and more.
    const QSize sheet(3024, 2292);
    const PhotoLayout plain = LayoutPhoto(sheet, QSizeF(152.4, 101.6), QMarginsF());
    PhotoLayout l = LayoutPhoto(sheet, QSizeF(152.4, 101.6), QMarginsF(), true);
    EXPECT_TRUE(clear(l));
    EXPECT_NEAR(l.pictureMm.height(), plain.pictureMm.height(), 1e-6);
    EXPECT_EQ(l.pixels, plain.pixels);
    EXPECT_GE(l.codeMm.width() / 41, 0.39);
    EXPECT_GT(l.codeMm.center().x(), l.pictureMm.right());

    // A picture of the paper's own aspect has no room to spare: it shrinks only by the strip.
    l = LayoutPhoto(QSize(1500, 1000), QSizeF(150, 100), QMarginsF(), true);
    EXPECT_TRUE(clear(l));
    EXPECT_GT(l.pictureMm.width(), 150 - l.codeMm.width() - 2);
    // Margins the printer needs count towards the code's distance from the edge.
    l = LayoutPhoto(QSize(400, 300), QSizeF(297, 210), QMarginsF(6.35, 6.35, 6.35, 6.35), true);
    EXPECT_TRUE(clear(l));
    EXPECT_NEAR(l.codeMm.right(), 297 - 6.35, 1e-9);
    // Paper too small for a code prints the picture alone.
    l = LayoutPhoto(QSize(400, 300), QSizeF(20, 15), QMarginsF(), true);
    EXPECT_TRUE(l.codeMm.isEmpty());
    EXPECT_FALSE(l.pixels.isEmpty());
}

TEST(PhotoLayoutRule, PaperNamesAndSizes)
{
    EXPECT_EQ(PhotoPaperText(PhotoPaper::Photo6x4), QString::fromUtf8("6 \u00D7 4 in photo"));
    EXPECT_EQ(PhotoPaperText(PhotoPaper::FitPage), QStringLiteral("Fit page"));
    EXPECT_EQ(PhotoPaperFromKey(QStringLiteral("7x5in")), PhotoPaper::Photo7x5);
    EXPECT_EQ(PhotoPaperFromKey(QStringLiteral(" A4 ")), PhotoPaper::A4);
    EXPECT_FALSE(PhotoPaperFromKey(QStringLiteral("6x4")));
    EXPECT_NEAR(PhotoPaperSizeMm(PhotoPaper::Photo7x5).height(), 177.8, 1e-9);
    EXPECT_TRUE(PhotoPaperSizeMm(PhotoPaper::FitPage).isEmpty());
}

TEST_F(PhotoPrint, SixByFourArrivesAsOnePhotoPageAtFullResolution)
{
    int drawn = 0;
    PhotoPrintRequest request;
    request.paper = PhotoPaper::Photo6x4;
    request.copies = 2;
    request.showMessages = false;
    const PrintResult r = PrintPhoto(nullptr, photoSheet(&drawn), request);
    ASSERT_TRUE(r.printed) << r.error.toStdString();
    EXPECT_EQ(drawn, 1);
    const testsupport::CapturedJob job = onlyJob();
    EXPECT_EQ(job.copies, 2);
    EXPECT_EQ(CupsServer::pdfPageSize(job.pdf), "432 x 288");
    // The queue has no 6 x 4 paper: no paper name is asked for.
    EXPECT_EQ(job.options.find("media="), std::string::npos) << job.options;
    const auto images = CupsServer::pdfImages(job.pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 3024);
    EXPECT_EQ(images[0].height, 2292);
    EXPECT_GE(images[0].xppi, 300);
    EXPECT_NEAR(images[0].xppi, images[0].yppi, 1); // square pixels: the aspect is kept
    // Its height is the paper's 4 inches (within 2 %), its width what the aspect gives.
    const double heightIn = double(images[0].height) / images[0].yppi;
    EXPECT_NEAR(heightIn, 4.0, 0.08);
    EXPECT_LE(double(images[0].width) / images[0].xppi, 6.0);
    // The page as a printer draws it, at 50 dpi (300 x 200): the picture centred across, the
    // paper showing at both sides, the full height covered.
    const std::string prefix = job.pdf + "-page";
    ASSERT_EQ(CupsServer::run({ "pdftoppm", "-r", "50", "-png", "-singlefile", job.pdf, prefix }), 0);
    const QImage page(QString::fromStdString(prefix + ".png"));
    ASSERT_EQ(page.size(), QSize(300, 200));
    auto isPicture = [&](int x, int y) { return (page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; };
    int left = 0, right = page.width() - 1;
    while (left < page.width() && !isPicture(left, 100))
        ++left;
    while (right >= 0 && !isPicture(right, 100))
        --right;
    EXPECT_NEAR(left, page.width() - 1 - right, 1); // centred
    EXPECT_NEAR(right - left + 1, 200.0 * 3024 / 2292, 2); // 4 inches high at the sheet's aspect
    EXPECT_TRUE(isPicture(150, 1) && isPicture(150, 198));
}

TEST_F(PhotoPrint, TheQueuesOwnPaperIsUsedWhenItHasTheSize)
{
    std::string error;
    ASSERT_TRUE(m_cups.addPrinter("selphy", false, &error, true)) << error;
    PhotoPrintRequest request;
    request.paper = PhotoPaper::Photo6x4;
    request.printer = QStringLiteral("selphy");
    request.showMessages = false;
    const PrintResult r = PrintPhoto(nullptr, photoSheet(), request);
    ASSERT_TRUE(r.printed) << r.error.toStdString();
    const testsupport::CapturedJob job = onlyJob();
    EXPECT_EQ(job.printer, "selphy");
    EXPECT_NE(job.options.find("media=4x6"), std::string::npos) << job.options;
    EXPECT_EQ(CupsServer::pdfPageSize(job.pdf), "432 x 288");
    const auto images = CupsServer::pdfImages(job.pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_NEAR(double(images[0].height) / images[0].yppi, 4.0, 0.08);
}

TEST_F(PhotoPrint, A4FitsThePrintableAreaAndFitPageUsesTheQueuesPaper)
{
    PhotoPrintRequest request;
    request.paper = PhotoPaper::A4;
    request.showMessages = false;
    ASSERT_TRUE(PrintPhoto(nullptr, photoSheet(), request).printed);
    request.paper = PhotoPaper::FitPage;
    ASSERT_TRUE(PrintPhoto(nullptr, photoSheet(), request).printed);
    const auto jobs = m_cups.waitForJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    // A4 landscape with the queue's quarter-inch margins: 559 of its 595 points high.
    EXPECT_EQ(CupsServer::pdfPageSize(jobs[0].pdf), "842 x 595");
    auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_NEAR(double(images[0].height) / images[0].yppi, (595.0 - 36) / 72, 0.02);
    EXPECT_GE(images[0].xppi, 300);
    // The queue's default paper (US Letter), turned as the picture lies; there the width is
    // what limits: 10.5 of its 11 inches.
    EXPECT_EQ(CupsServer::pdfPageSize(jobs[1].pdf), "792 x 612");
    images = CupsServer::pdfImages(jobs[1].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_NEAR(double(images[0].width) / images[0].xppi, (792.0 - 36) / 72, 0.02);
}

TEST_F(PhotoPrint, PausedOrMissingPrinterIsToldAndNothingIsDrawn)
{
    std::string error;
    ASSERT_TRUE(m_cups.pausePrinter("booth", &error)) << error;
    int drawn = 0;
    PhotoPrintRequest request;
    request.showMessages = false;
    PrintResult r = PrintPhoto(nullptr, photoSheet(&drawn), request);
    EXPECT_FALSE(r.printed);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(drawn, 0);
    request.printer = QStringLiteral("nowhere");
    r = PrintPhoto(nullptr, photoSheet(&drawn), request);
    EXPECT_FALSE(r.printed);
    EXPECT_EQ(r.error, QString::fromLatin1(kNoPrinterMessage));
    EXPECT_TRUE(m_cups.jobs().empty());
}

TEST_F(PhotoPrint, DialogPhotoLineShowsThePageAndItsPixelsAndPrintsIt)
{
    BoothSettings settings;
    DlgPrint dlg(photoSheet(), settings);
    QApplication::processEvents();
    dlg.OnSizeList(DlgPrint::kFirstPhotoLine); // 6 x 4 in photo
    EXPECT_EQ(dlg.widthText(), QStringLiteral("3024"));
    EXPECT_EQ(dlg.heightText(), QStringLiteral("2292"));
    // The frame shows the page, as wide as tall as 6 x 4 paper, with no size box to drag.
    const QSize page = dlg.pictureFrame()->size();
    EXPECT_NEAR(double(page.width()) / page.height(), 1.5, 0.01);
    EXPECT_TRUE(dlg.sizeBox().isEmpty());
    EXPECT_EQ(dlg.pagePreview()->pages().size(), 1u);
    EXPECT_FALSE(dlg.pagePreview()->plan().labelled);
    dlg.setCopies(3);
    dlg.OnPrint();
    ASSERT_TRUE(dlg.lastPrint().printed) << dlg.lastPrint().error.toStdString();
    const testsupport::CapturedJob job = onlyJob();
    EXPECT_EQ(job.copies, 3);
    EXPECT_EQ(CupsServer::pdfPageSize(job.pdf), "432 x 288");
    // Back to "Current size": the classic picture and its size again.
    dlg.OnSizeList(0);
    EXPECT_EQ(dlg.widthText(), QStringLiteral("364"));
    EXPECT_EQ(dlg.sizeBox(), DlgPrint::kStartFrame);
}
