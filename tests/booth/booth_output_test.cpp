// The output part without a window, on a CUPS server of the test's own: what a finished sheet
// hands to the publisher (a printed sheet, once per print; never one that was refused or failed),
// and the guests' print limit counted per sheet.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "booth/booth_output.h"
#include "booth/sheet_publisher.h"
#include "booth/sheet_session.h"
#include "booth/slot_original.h"
#include "tests/booth/screen_test_support.h"
#include "tests/output/cups_fixture.h"

using namespace screentest;
using testsupport::CupsServer;

namespace {

class RecordingPublisher : public SheetPublisher {
public:
    void publish(const CombinationSlots& sheet) override { published.append(sheet.usedSlots().size()); }
    QList<qsizetype> published;
};

class OutputPart : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        boothSettings().m_kioskPrintCopies = 1;
        boothSettings().m_maxPrintsPerSheet = 1;
        std::string error;
        ASSERT_TRUE(m_cups.start(&error) && m_cups.addPrinter("booth", true, &error)) << error;
    }
    void addShot(SheetSession& session, QRgb colour)
    {
        const QImage shot = makePhoto(colour, QSize(640, 480));
        const QImage small = shot.scaled(320, 240);
        session.sheet().storeIntoFirstFree(small, small, QImage(), 255,
            MakeSlotOriginal(EncodeOriginalPhoto(shot), shot.size(), QRect(0, 0, 320, 240), QImage()));
    }
    static QString lastText(const QSignalSpy& notices)
    {
        return notices.isEmpty() ? QString() : notices.last()[0].value<BoothNotice>().text;
    }
    CupsServer m_cups;
};

} // namespace

TEST_F(OutputPart, OnlyAPrintedSheetIsPublishedAndTheLimitCountsPerSheet)
{
    SheetSession session(boothSettings(), appPaths());
    BoothOutput output(boothSettings(), appPaths(), session);
    RecordingPublisher publisher;
    output.setPublisher(&publisher);
    output.setGuestMode(true);
    QSignalSpy notices(&output, &BoothOutput::notice);

    EXPECT_FALSE(output.guestPrint());
    EXPECT_TRUE(lastText(notices).contains(QStringLiteral("Take a picture first")));

    addShot(session, qRgb(200, 40, 40));
    std::string error;
    ASSERT_TRUE(m_cups.pausePrinter("booth", &error)) << error;
    EXPECT_FALSE(output.guestPrint());
    EXPECT_TRUE(lastText(notices).contains(QStringLiteral("not ready"))) << lastText(notices).toStdString();
    EXPECT_EQ(output.guestPrintsOfSheet(), 0) << "a failed print does not count";
    EXPECT_TRUE(publisher.published.isEmpty());

    ASSERT_TRUE(m_cups.resumePrinter("booth", &error)) << error;
    output.print(); // the guests' print in kiosk mode: no dialog
    EXPECT_EQ(m_cups.waitForJobs(1).size(), 1u);
    EXPECT_EQ(output.guestPrintsOfSheet(), 1);
    EXPECT_EQ(publisher.published, QList<qsizetype> { 1 });
    ASSERT_NE(output.printerWatch(), nullptr) << "the job is followed";

    EXPECT_FALSE(output.guestPrint());
    EXPECT_TRUE(lastText(notices).contains(QStringLiteral("already been printed once")));
    EXPECT_EQ(publisher.published.size(), 1);

    addShot(session, qRgb(40, 40, 200));
    EXPECT_EQ(output.guestPrintsOfSheet(), 0) << "a new shot is a new sheet";
    EXPECT_TRUE(output.guestPrint());
    EXPECT_EQ(m_cups.waitForJobs(2).size(), 2u);
    EXPECT_EQ(publisher.published, (QList<qsizetype> { 1, 2 }));
    EXPECT_TRUE(m_prompts.messages.isEmpty()) << "a guest is asked nothing";
}
