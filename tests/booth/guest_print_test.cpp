// Kiosk mode's one-touch print on a CUPS server of the test's own: the guest's Print button
// prints the sheet on the operator's photo paper with the operator's copies, no dialog, at most
// MaxPrintsPerSheet times per sheet, and every step is told on the notice banner.
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include "booth/composition.h"
#include "booth/dlg_corvantis.h"
#include "booth/slot_original.h"
#include "output/dlg_print.h"
#include "output/photo_print.h"
#include "platform/control_id.h"
#include "skin/notice_banner.h"
#include "tests/booth/screen_test_support.h"
#include "tests/output/cups_fixture.h"

using namespace screentest;
using testsupport::CupsServer;

namespace {

class GuestPrint : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        std::string error;
        ASSERT_TRUE(m_cups.start(&error)) << error;
        ASSERT_TRUE(m_cups.addPrinter("booth", true, &error)) << error;
        boothSettings().m_kioskPrintCopies = 2;
        m_screen = std::make_unique<DlgCorvantis>();
        m_screen->setCloseHandler([] {});
        m_screen->setKioskMode(true);
    }
    void TearDown() override
    {
        m_screen.reset();
        ScreenFixture::TearDown();
    }

    /// A shot as the booth stores it: the 320 x 240 slot picture and the photo as taken.
    void addShot(QRgb colour)
    {
        const QImage shot = makePhoto(colour, QSize(1280, 960));
        const QImage small = shot.scaled(320, 240);
        m_screen->slotModel().storeIntoFirstFree(small, small, QImage(), 255,
            MakeSlotOriginal(EncodeOriginalPhoto(shot), shot.size(), QRect(0, 0, 320, 240), QImage()));
    }
    /// The Print button, found as a screen reader (or a journey) finds it: by its name.
    QAbstractButton* printButton() const
    {
        for (QAbstractButton* b : m_screen->findChildren<QAbstractButton*>())
            if (b->accessibleName() == QStringLiteral("Print the sheet"))
                return b;
        return nullptr;
    }
    QString told() const { return m_screen->notices()->text(QStringLiteral("print")); }

    CupsServer m_cups;
    std::unique_ptr<DlgCorvantis> m_screen;
};

} // namespace

TEST_F(GuestPrint, PrintButtonPrintsTheSheetOnPhotoPaperAtMostTwicePerSheet)
{
    addShot(qRgb(200, 40, 40));
    addShot(qRgb(40, 40, 200));
    QAbstractButton* print = printButton();
    ASSERT_NE(print, nullptr);
    print->click();
    EXPECT_TRUE(m_prompts.messages.isEmpty()); // no dialog, no box for a guest to answer
    EXPECT_TRUE(told().contains(QStringLiteral("on its way"))) << told().toStdString();
    EXPECT_TRUE(told().contains(QString::fromUtf8("2 copies on 6 \u00D7 4 in photo"))) << told().toStdString();
    // What the banner says is what a screen reader reads.
    EXPECT_TRUE(m_screen->notices()->accessibleDescription().contains(told()));
    auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].copies, 2);
    EXPECT_EQ(CupsServer::pdfPageSize(jobs[0].pdf), "432 x 288");
    EXPECT_EQ(CupsServer::pdfText(jobs[0].pdf).find("Page"), std::string::npos);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_GE(images[0].xppi, 300);

    print->click();
    EXPECT_EQ(m_cups.waitForJobs(2).size(), 2u);
    EXPECT_EQ(m_screen->guestPrintsOfSheet(), 2);
    // The third time the sheet is not printed again, and the guest is told why.
    print->click();
    EXPECT_TRUE(told().contains(QStringLiteral("already been printed twice"))) << told().toStdString();
    // Moving the pictures about does not make a new sheet.
    ASSERT_TRUE(m_screen->slotModel().swapSlots(0, 1));
    print->click();
    EXPECT_TRUE(told().contains(QStringLiteral("already been printed twice")));
    EXPECT_EQ(m_cups.waitForJobs(3, 500).size(), 2u);
    // A new shot makes a new sheet.
    addShot(qRgb(40, 200, 40));
    EXPECT_EQ(m_screen->guestPrintsOfSheet(), 0);
    print->click();
    EXPECT_EQ(m_cups.waitForJobs(3).size(), 3u);
    // The job is followed to its end, told beside what the last press said.
    const QString lastPress = told();
    EXPECT_TRUE(waitUntil(
        [&] { return m_screen->notices()->text(QStringLiteral("printed")).contains(QStringLiteral("ready")); }, 8000));
    EXPECT_EQ(told(), lastPress);
}

TEST_F(GuestPrint, NothingToPrintPrintingOffAndAPausedPrinterAreToldWithoutAJob)
{
    QAbstractButton* print = printButton();
    ASSERT_NE(print, nullptr);
    print->click();
    EXPECT_TRUE(told().contains(QStringLiteral("Take a picture first"))) << told().toStdString();

    addShot(qRgb(200, 40, 40));
    boothSettings().m_maxPrintsPerSheet = 0;
    print->click();
    EXPECT_TRUE(told().contains(QStringLiteral("switched off"))) << told().toStdString();

    boothSettings().m_maxPrintsPerSheet = 2;
    std::string error;
    ASSERT_TRUE(m_cups.pausePrinter("booth", &error)) << error;
    print->click();
    EXPECT_TRUE(told().contains(QStringLiteral("printer is not ready"))) << told().toStdString();
    EXPECT_TRUE(told().contains(QStringLiteral("ask the host")));
    EXPECT_FALSE(told().contains(QLatin1Char('?'))) << "a guest is asked nothing";
    EXPECT_EQ(m_screen->guestPrintsOfSheet(), 0); // a failed print does not count
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_TRUE(m_cups.jobs().empty());

    // The operator's paper: A5 this time, on a page of that size.
    ASSERT_TRUE(m_cups.resumePrinter("booth", &error)) << error;
    boothSettings().m_kioskPrintPaper = QStringLiteral("a5");
    boothSettings().m_kioskPrintCopies = 1;
    print->click();
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(CupsServer::pdfPageSize(jobs[0].pdf), "595 x 420"); // whole points

    EXPECT_TRUE(told().contains(QStringLiteral("1 copy on A5"))) << told().toStdString();
}

TEST_F(GuestPrint, OutsideKioskModeThePrintButtonOpensTheDialog)
{
    addShot(qRgb(200, 40, 40));
    m_screen->setKioskMode(false);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<DlgPrint*>(w); d && d->isVisible()) {
                opened = true;
                d->reject();
            }
    });
    printButton()->click();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(m_cups.jobs().empty());
}
