// kivra-project print and printers against a CUPS server of the test's own.
#include <QFile>
#include <QTextStream>

#include <cups/cups.h>
#include <gtest/gtest.h>

#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "cli/project_cli.h"
#include "booth/project_file.h"
#include "booth/slot_original.h"
#include "picture/bitmap_scale.h"
#include "tests/booth/booth_test_util.h"
#include "tests/cli/cli_test_util.h"
#include "tests/output/cups_fixture.h"

using namespace boothtest;
using testsupport::CupsServer;

namespace {

using clitest::CliRun;
using clitest::run;

class ProjectPrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_cups.start(&error)) << error;
        ASSERT_TRUE(m_cups.addPrinter("booth", true, &error)) << error;
        m_project = makeProject();
    }

    QString makeProject()
    {
        const QString settings = QString::fromStdString(m_dir.file("KivraTesselwick.ini"));
        QFile f(settings);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Configure]\nShottingDelay=3\n");
        f.close();
        CombinationSlots model;
        model.buildLayout(1);
        const QImage red = solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(255, 0, 0));
        model.storeIntoFirstFree(red, red, solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(0, 255, 0)), 255);
        const QString project = QString::fromStdString(m_dir.file("event.kivra"));
        EXPECT_TRUE(SaveProject(model, settings, project));
        return project;
    }

    /// Two 1920 x 1080 shots in the four-slot layout, kept as taken; each has a pure black
    /// block, as dark clothes do.
    QString makeShotsProject()
    {
        const QString settings = QString::fromStdString(m_dir.file("KivraTesselwick.ini"));
        CombinationSlots model;
        model.buildLayout(1);
        for (QRgb colour : { qRgb(200, 60, 40), qRgb(40, 90, 200) }) {
            QImage shot(1920, 1080, QImage::Format_RGB32);
            shot.fill(colour);
            for (int y = 300; y < 800; ++y)
                for (int x = 600; x < 1300; ++x)
                    shot.setPixel(x, y, qRgb(0, 0, 0));
            const QImage small = ScaleBitmap(shot, 320, 240, ScaleSmooth);
            model.storeIntoFirstFree(small, small, QImage(), 255,
                MakeSlotOriginal(EncodeOriginalPhoto(shot), shot.size(), QRect(0, 0, 320, 240), QImage()));
        }
        const QString project = QString::fromStdString(m_dir.file("shots.kivra"));
        EXPECT_TRUE(SaveProject(model, settings, project));
        return project;
    }

    testsupport::TempDir m_dir;
    CupsServer m_cups;
    QString m_project;
};

} // namespace

TEST_F(ProjectPrint, SheetAtTheLargeSizeSplitsAndHonoursPagesAndCopies)
{
    const CliRun r = run({ "print", m_project, "--size", "3", "--pages", "2-2", "--copies", "2" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("on booth: page(s) 2 of 2, 2 copies"))) << r.out.toStdString();
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].copies, 2);
    EXPECT_EQ(CupsServer::pdfPageCount(jobs[0].pdf), 1);
    EXPECT_NE(CupsServer::pdfText(jobs[0].pdf).find("Page:2 of 2"), std::string::npos);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 256);
    EXPECT_EQ(images[0].height, 768);
}

TEST_F(ProjectPrint, CurrentSizePrintsTheSheetAsItIsOnOnePage)
{
    const CliRun r = run({ "print", m_project, "--printer", "booth" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_NE(CupsServer::pdfText(jobs[0].pdf).find("Page:1 of 1"), std::string::npos);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 364);
    EXPECT_EQ(images[0].height, 276);
}

TEST_F(ProjectPrint, FailuresExitWithOneAndSayWhy)
{
    CliRun r = run({ "print", m_project, "--printer", "nowhere" });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Can not find printer"))) << r.err.toStdString();

    r = run({ "print", m_project, "--pages", "3-4", "--size", "3" });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no page 3 to 4"))) << r.err.toStdString();

    std::string error;
    ASSERT_TRUE(m_cups.pausePrinter("booth", &error)) << error;
    r = run({ "print", m_project });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("is paused"))) << r.err.toStdString();
    EXPECT_TRUE(m_cups.waitForJobs(1, 300).empty());
    r = run({ "print", m_project, "--even-if-paused" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();

    r = run({ "print", QString::fromStdString(m_dir.file("missing.kivra")) });
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(run({ "print", m_project, "--copies", "11" }).code, 2);
    EXPECT_EQ(run({ "print", m_project, "--pages", "2-1" }).code, 2);
    EXPECT_EQ(run({ "print", m_project, "--size", "4" }).code, 2);
}

TEST_F(ProjectPrint, PrintersListStateReasonsJobsAndTheDefault)
{
    std::string error;
    ASSERT_TRUE(m_cups.addPrinter("second", false, &error)) << error;
    ASSERT_TRUE(m_cups.pausePrinter("second", &error)) << error;
    ASSERT_EQ(run({ "print", m_project, "--printer", "second", "--even-if-paused" }).code, 0);
    const CliRun r = run({ "printers" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("booth idle jobs=0 default\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("second stopped paused jobs=1\n"))) << r.out.toStdString();

    m_cups.stop();
    const CliRun down = run({ "printers" });
    EXPECT_EQ(down.code, 1);
    EXPECT_TRUE(down.err.contains(QStringLiteral("cannot be asked"))) << down.err.toStdString();
}

TEST_F(ProjectPrint, SaveWritesWhatTheSaveDialogWrites)
{
    const QString out = QString::fromStdString(m_dir.file("sheet.jpg"));
    CliRun r = run({ "save", m_project, out });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    CxImage img;
    ASSERT_TRUE(img.Load(QFile::encodeName(out).constData(), CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_EQ(img.GetWidth(), 1024u);
    EXPECT_EQ(img.GetHeight(), 768u);

    QImage yellow(40, 30, QImage::Format_RGB32);
    yellow.fill(qRgb(250, 220, 0));
    const QString backdrop = QString::fromStdString(m_dir.file("yellow.png"));
    ASSERT_TRUE(yellow.save(backdrop));
    const QString small = QString::fromStdString(m_dir.file("small.png"));
    r = run({ "save", m_project, small, "--size", "1", "--backdrop", backdrop });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_TRUE(img.Load(QFile::encodeName(small).constData(), CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_EQ(img.GetWidth(), 528u);
    // The gaps between the slots show the backdrop.
    const RGBQUAD c = img.GetPixelColor(500, 10);
    EXPECT_EQ(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue), qRgb(250, 220, 0));

    r = run({ "save", m_project, QString::fromStdString(m_dir.file("sheet.txt")) });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("sheet.txt: the extension names no picture format")));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(m_dir.file("sheet.txt"))));
    EXPECT_EQ(run({ "save", m_project, small, "--backdrop", QString::fromStdString(m_dir.file("none.png")) }).code, 1);
    EXPECT_EQ(run({ "save", m_project, small, "--size", "2" }).code, 2);
    EXPECT_EQ(run({ "save", m_project, small, "--size", "fullest" }).code, 2);
}

TEST_F(ProjectPrint, SaveAtFullResolutionComposesTheShotsAsTakenOverTheBackdrop)
{
    const QString project = makeShotsProject();
    QImage yellow(40, 30, QImage::Format_RGB32);
    yellow.fill(qRgb(250, 220, 0));
    const QString backdrop = QString::fromStdString(m_dir.file("yellow.png"));
    ASSERT_TRUE(yellow.save(backdrop));
    const QString out = QString::fromStdString(m_dir.file("full.png"));
    const CliRun r = run({ "save", project, out, "--size", "full", "--backdrop", backdrop });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QImage img(out);
    // 1080 lines in the 130-row slot: the shots at their own resolution.
    ASSERT_EQ(img.size(), QSize(3024, 2292));
    // Slot 0 lies at (5, 5) 174 x 130 on the sheet; its black block stays black over yellow.
    const double k = 3024.0 / 364;
    auto at = [&](double sheetX, double sheetY) { return img.pixel(int(sheetX * k), int(sheetY * k)) & 0xFFFFFF; };
    EXPECT_EQ(at(5 + 174 * 0.5, 5 + 130 * 0.5), 0u);
    EXPECT_TRUE(nearColour(at(5 + 10, 5 + 10), 0xC83C28u)); // kept as JPEG: one step either way
    EXPECT_EQ(at(2, 2), 0xFADC00u); // a gap
    EXPECT_EQ(at(270, 200), 0xFADC00u); // an empty slot
}

TEST_F(ProjectPrint, PhotoPrintSendsOnePageAtSixByFourInchesAtFullResolution)
{
    const QString project = makeShotsProject();
    const CliRun r = run({ "print", project, "--photo", "6x4in", "--copies", "2" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QString::fromUtf8("6 \u00D7 4 in photo, picture 3024 x 2292 pixels")))
        << r.out.toStdString();
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].copies, 2);
    EXPECT_EQ(CupsServer::pdfPageCount(jobs[0].pdf), 1);
    EXPECT_EQ(CupsServer::pdfPageSize(jobs[0].pdf), "432 x 288");
    EXPECT_EQ(CupsServer::pdfText(jobs[0].pdf).find("Page"), std::string::npos);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_GE(images[0].xppi, 300);
    EXPECT_NEAR(double(images[0].width) / images[0].height, 364.0 / 276, 0.01);
    EXPECT_NEAR(double(images[0].height) / images[0].yppi, 4.0, 0.08);

    EXPECT_EQ(run({ "print", project, "--photo", "5x3in" }).code, 2);
    EXPECT_EQ(run({ "print", project, "--photo", "a4", "--size", "1" }).code, 2);
    EXPECT_EQ(run({ "print", project, "--photo", "a4", "--pages", "1-1" }).code, 2);
}
