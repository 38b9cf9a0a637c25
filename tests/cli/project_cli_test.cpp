// kivra-project: info, sheet and compose, including damaged projects and bad arguments.
#include "cli/project_cli.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/project_file.h"
#include "tests/booth/booth_test_util.h"
#include "tests/cli/cli_test_util.h"
#include "tests/common/test_support.h"

using namespace boothtest;

namespace {

using clitest::CliRun;
using clitest::run;

class KivraProject : public ::testing::Test {
protected:
    QString file(const char* name) const { return QString::fromStdString(m_dir.file(name)); }

    /// A layout-1 project with slots 0 and 2 used, red and blue.
    QString makeProject() const { return clitest::makeRedBlueProject(m_dir.path()); }

    testsupport::TempDir m_dir;
};

} // namespace

TEST_F(KivraProject, InfoListsLayoutSlotsAndRecords)
{
    const CliRun r = run({ "info", makeProject() });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    // The settings, three pictures for each of two slots, and the full-resolution record.
    EXPECT_EQ(r.out, QStringLiteral("layout: 1\nused slots: 0 2\nrecords: 8\n"));
}

TEST_F(KivraProject, InfoRejectsADamagedProject)
{
    const QString project = makeProject();
    QFile f(project);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(f.size() - 10));
    f.close();
    const CliRun r = run({ "info", project });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("damaged"))) << r.err.toStdString();
    EXPECT_EQ(run({ "info", file("missing.kivra") }).code, 1);
}

TEST_F(KivraProject, SheetWritesTheSlotsAtTheirPlaces)
{
    const QString out = file("sheet.png");
    const CliRun r = run({ "sheet", makeProject(), out });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    CxImage sheet;
    ASSERT_TRUE(sheet.Load(out.toLocal8Bit().constData(), CXIMAGE_FORMAT_PNG));
    ASSERT_EQ(sheet.GetWidth(), uint32_t(kSheetWidth));
    ASSERT_EQ(sheet.GetHeight(), uint32_t(kSheetHeight));
    // Slot 0 at (428, 66) and slot 2 at (428, 202) of the screen; rows count from the bottom here.
    EXPECT_TRUE(nearColour(sheet.GetPixelColor(5 + 80, kSheetHeight - 1 - (5 + 60)), rgb(255, 0, 0)));
    EXPECT_TRUE(nearColour(sheet.GetPixelColor(5 + 80, kSheetHeight - 1 - (141 + 60)), rgb(0, 0, 255)));
    EXPECT_TRUE(sameColour(sheet.GetPixelColor(185 + 80, kSheetHeight - 1 - (5 + 60)), rgb(0, 0, 0)));
    EXPECT_EQ(run({ "sheet", makeProject(), file("sheet.xyz") }).code, 1);
    EXPECT_FALSE(QFile::exists(file("sheet.xyz")));
}

TEST_F(KivraProject, ComposeLaysTheFrameOverThePhoto)
{
    CxImage photo = solid(64, 48, rgb(0, 0, 255));
    CxImage frame = solid(kCanvasWidth, kCanvasHeight, rgb(200, 0, 0));
    for (int y = 30; y < 210; ++y)
        for (int x = 30; x < 290; ++x)
            frame.SetPixelColor(x, y, rgb(0, 255, 0));
    ASSERT_TRUE(photo.Save(file("photo.bmp").toLocal8Bit().constData(), CXIMAGE_FORMAT_BMP));
    ASSERT_TRUE(frame.Save(file("frame.png").toLocal8Bit().constData(), CXIMAGE_FORMAT_PNG));
    const QString out = file("out.bmp");
    CliRun r = run({ "compose", file("photo.bmp"), file("frame.png"), out, "--alpha", "255" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    CxImage result;
    ASSERT_TRUE(result.Load(out.toLocal8Bit().constData(), CXIMAGE_FORMAT_BMP));
    EXPECT_EQ(result.GetWidth(), uint32_t(kCanvasWidth));
    EXPECT_TRUE(sameColour(result.GetPixelColor(5, 5), rgb(200, 0, 0)));
    EXPECT_TRUE(nearColour(result.GetPixelColor(160, 120), rgb(0, 0, 255)));

    r = run({ "compose", file("photo.bmp"), file("frame.png"), out, "--alpha", "0" });
    ASSERT_EQ(r.code, 0);
    ASSERT_TRUE(result.Load(out.toLocal8Bit().constData(), CXIMAGE_FORMAT_BMP));
    EXPECT_TRUE(nearColour(result.GetPixelColor(5, 5), rgb(0, 0, 255)));

    EXPECT_EQ(run({ "compose", file("photo.bmp"), file("frame.png"), out, "--alpha", "300" }).code, 2);
    EXPECT_EQ(run({ "compose", file("nothing.bmp"), file("frame.png"), out }).code, 1);
}

TEST_F(KivraProject, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(run({}).code, 2);
    EXPECT_EQ(run({ "info" }).code, 2);
    const CliRun r = run({ "frobnicate", "x" });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("usage")));
}
