// The print dialog on a CUPS server of the test's own: size lines, the dragged size box and its
// cursors, Print staying open and printing once per press, copies, the printer line and a job
// that fails after it was sent.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/booth_settings.h"
#include "output/dlg_print.h"
#include "output/page_preview.h"
#include "output/printer_mark.h"
#include "output/picture_frame.h"
#include "output/printer_watch.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "tests/output/cups_fixture.h"

using testsupport::CupsServer;

namespace {

class PrintDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_cups.start(&error)) << error;
        ASSERT_TRUE(m_cups.addPrinter("booth", true, &error)) << error;
        platform::setPrompts(&m_prompts);
        m_prompts.printSetupReply = true;
        m_settings.m_printWidth = 364;
        m_settings.m_printHeight = 274;
    }
    void TearDown() override { platform::setPrompts(nullptr); }

    static QImage sheet()
    {
        QImage img(364, 276, QImage::Format_RGB32);
        img.fill(qRgb(30, 90, 200));
        return img;
    }
    /// Runs the event loop until done() or timeoutMs.
    template <typename F> static bool waitFor(F done, int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < timeoutMs)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    static void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)),
            type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    CupsServer m_cups;
    platform::ScriptedPrompts m_prompts;
    BoothSettings m_settings;
};

} // namespace

TEST_F(PrintDialog, StartsWithTheSettingsSizeAndTheSheetInItsFrame)
{
    DlgPrint dlg(sheet(), m_settings);
    EXPECT_EQ(dlg.size(), QSize(800, 600));
    EXPECT_EQ(dlg.widthText(), QStringLiteral("364"));
    EXPECT_EQ(dlg.heightText(), QStringLiteral("274"));
    EXPECT_EQ(dlg.sizeLine(), 0);
    EXPECT_EQ(dlg.sizeBox(), DlgPrint::kStartFrame);
    EXPECT_EQ(dlg.pictureFrame()->geometry(), DlgPrint::kStartFrame);
    EXPECT_TRUE(dlg.sizedPicture().isNull());
    EXPECT_TRUE(waitFor([&] { return dlg.watch()->hasHealth(); }));
    EXPECT_EQ(dlg.printerStateText(), QStringLiteral("booth: idle, no jobs waiting"));
}

TEST_F(PrintDialog, APressThatMissesTheBoxChangesNothing)
{
    // A stray press does not remake the sheet at the box's size (which would squash it by the
    // two rows the box is shorter) nor move the picture.
    DlgPrint dlg(sheet(), m_settings);
    mouse(&dlg, QEvent::MouseButtonPress, QPoint(700, 500), Qt::LeftButton);
    mouse(&dlg, QEvent::MouseButtonRelease, QPoint(700, 500), Qt::NoButton);
    EXPECT_TRUE(dlg.sizedPicture().isNull());
    EXPECT_EQ(dlg.widthText(), QStringLiteral("364"));
    EXPECT_EQ(dlg.heightText(), QStringLiteral("274"));
    EXPECT_EQ(dlg.pictureFrame()->geometry(), DlgPrint::kStartFrame);
}

TEST_F(PrintDialog, SizeLinesPreviewAndPrintTheirSizes)
{
    DlgPrint dlg(sheet(), m_settings);
    dlg.OnSizeList(3);
    EXPECT_EQ(dlg.widthText(), QStringLiteral("1024"));
    EXPECT_EQ(dlg.heightText(), QStringLiteral("768"));
    EXPECT_EQ(dlg.sizeBox(), QRect(70, 60, 614, 460));
    EXPECT_EQ(dlg.sizedPicture().size(), QSize(614, 460));
    EXPECT_EQ(dlg.pictureFrame()->geometry(), QRect(70, 60, 614, 460));
    // 1024 columns at 96 dpi over 8-inch pages: page 2 starts at column 768, 460 of 614 shown.
    ASSERT_EQ(dlg.pictureFrame()->pageSplits().size(), 1u);
    EXPECT_EQ(dlg.pictureFrame()->pageSplits()[0], 460);

    dlg.OnPrint();
    ASSERT_TRUE(dlg.lastPrint().printed) << dlg.lastPrint().error.toStdString();
    EXPECT_EQ(dlg.sizedPicture().size(), QSize(1024, 768));
    // The frame keeps showing the 60 % preview; the dialog stays open for the next print.
    EXPECT_EQ(dlg.pictureFrame()->picture().size(), QSize(614, 460));
    auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width + images[1].width, 1024);

    dlg.OnSizeList(1);
    EXPECT_EQ(dlg.sizeBox(), QRect(70, 60, 320, 240));
    EXPECT_TRUE(dlg.pictureFrame()->pageSplits().empty());
    dlg.OnSizeList(0); // changes nothing
    EXPECT_EQ(dlg.sizeBox(), QRect(70, 60, 320, 240));
    EXPECT_EQ(dlg.widthText(), QStringLiteral("320"));
}

TEST_F(PrintDialog, DraggedBoxResizesThePictureAndCurrentSizePrintsIt)
{
    DlgPrint dlg(sheet(), m_settings);
    dlg.OnSizeList(1); // (70, 60) 320 x 240
    // The resize cursors over the handles and edges, the move cursor inside.
    mouse(&dlg, QEvent::MouseMove, QPoint(393, 303), Qt::NoButton);
    EXPECT_EQ(dlg.cursor().shape(), Qt::SizeFDiagCursor);
    mouse(&dlg, QEvent::MouseMove, QPoint(391, 180), Qt::NoButton);
    EXPECT_EQ(dlg.cursor().shape(), Qt::SizeHorCursor);
    mouse(&dlg, QEvent::MouseMove, QPoint(200, 150), Qt::NoButton);
    EXPECT_EQ(dlg.cursor().shape(), Qt::SizeAllCursor);

    // Drag the bottom-right handle by (80, 60): 400 x 300.
    mouse(&dlg, QEvent::MouseButtonPress, QPoint(393, 303), Qt::LeftButton);
    mouse(&dlg, QEvent::MouseMove, QPoint(433, 333), Qt::LeftButton);
    EXPECT_EQ(dlg.sizedPicture().size(), QSize(320, 240)); // remade only when the drag ends
    mouse(&dlg, QEvent::MouseButtonRelease, QPoint(473, 363), Qt::NoButton);
    EXPECT_EQ(dlg.sizeBox(), QRect(70, 60, 400, 300));
    EXPECT_EQ(dlg.widthText(), QStringLiteral("400"));
    EXPECT_EQ(dlg.heightText(), QStringLiteral("300"));
    EXPECT_EQ(dlg.sizedPicture().size(), QSize(400, 300));
    EXPECT_EQ(dlg.pictureFrame()->geometry(), QRect(70, 60, 400, 300));

    // A press away from the box leaves it alone.
    mouse(&dlg, QEvent::MouseButtonPress, QPoint(700, 500), Qt::LeftButton);
    mouse(&dlg, QEvent::MouseButtonRelease, QPoint(720, 520), Qt::NoButton);
    EXPECT_EQ(dlg.sizeBox(), QRect(70, 60, 400, 300));

    dlg.OnSizeList(0);
    dlg.OnPrint();
    ASSERT_TRUE(dlg.lastPrint().printed) << dlg.lastPrint().error.toStdString();
    const auto jobs = m_cups.waitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    const auto images = CupsServer::pdfImages(jobs[0].pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 400);
    EXPECT_EQ(images[0].height, 300);
}

TEST_F(PrintDialog, EveryPressPrintsOnceWithTheChosenCopies)
{
    DlgPrint dlg(sheet(), m_settings);
    dlg.setCopies(4);
    auto* print = platform::findControl<CxSkinButton>(&dlg, DlgPrint::kPrintId);
    ASSERT_NE(print, nullptr);
    // A second press arriving while the first print's dialog is open prints after it, once.
    int setups = 0;
    m_prompts.printSetupHandler = [&](QPrinter&) {
        if (++setups == 1)
            print->click();
        return true;
    };
    print->click();
    EXPECT_EQ(setups, 2);
    EXPECT_EQ(dlg.jobsSent(), 2);
    const auto jobs = m_cups.waitForJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].copies, 4);
    EXPECT_EQ(jobs[1].copies, 4);
    EXPECT_EQ(m_cups.waitForJobs(3, 500).size(), 2u);
    dlg.setCopies(25);
    EXPECT_EQ(dlg.copies(), 10);
}

TEST_F(PrintDialog, AJobThatFailsAfterSendingIsTold)
{
    DlgPrint dlg(sheet(), m_settings);
    m_cups.setJobsFail(true);
    dlg.OnPrint();
    ASSERT_TRUE(dlg.lastPrint().printed) << dlg.lastPrint().error.toStdString();
    ASSERT_TRUE(waitFor([&] { return !m_prompts.messages.isEmpty(); }, 8000));
    EXPECT_TRUE(
        m_prompts.messages[0].text.contains(QStringLiteral("could not print job %1").arg(dlg.lastPrint().jobId)))
        << m_prompts.messages[0].text.toStdString();
    EXPECT_EQ(dlg.watch()->followedJobs(), 0);
}

TEST_F(PrintDialog, PausedPrinterIsShownAsNeedingAttention)
{
    std::string error;
    ASSERT_TRUE(m_cups.pausePrinter("booth", &error)) << error;
    DlgPrint dlg(sheet(), m_settings);
    ASSERT_TRUE(waitFor([&] { return dlg.watch()->hasHealth(); }));
    EXPECT_TRUE(dlg.printerStateText().startsWith(QStringLiteral("booth: stopped (paused")))
        << dlg.printerStateText().toStdString();
    dlg.setPrinterName(QStringLiteral("nowhere"));
    ASSERT_TRUE(waitFor([&] { return dlg.printerStateText().contains(QStringLiteral("not found")); }));
}

// ---- The miniature pages ----

TEST_F(PrintDialog, PagesShowThePrintableAreaAndWhereEachStripLands)
{
    DlgPrint dlg(sheet(), m_settings);
    QApplication::processEvents();
    dlg.OnSizeList(3); // 1024 pixels across: more than the 8 inch printable width at screen size
    const CPagePreview* pages = dlg.pagePreview();
    const PrintPlan& plan = pages->plan();
    ASSERT_EQ(plan.pageCount, 2);
    ASSERT_EQ(pages->pages().size(), 2u);
    EXPECT_EQ(pages->caption(), QStringLiteral("2 pages"));
    EXPECT_FALSE(pages->cutOff());

    // The fixture's paper: US Letter with quarter-inch margins, from the printer's own page layout.
    const CPagePreview::PageBox& first = pages->pages()[0];
    EXPECT_NEAR(first.paper.width() / first.paper.height(), 8.5 / 11.0, 0.01);
    EXPECT_NEAR(first.printable.left() - first.paper.left(), first.paper.width() * 0.25 / 8.5, 0.5);
    EXPECT_NEAR(first.printable.width(), first.paper.width() * 8.0 / 8.5, 0.5);
    // The first strip fills the printable width, the second holds what is left, as printed.
    EXPECT_NEAR(first.strip.width(), first.printable.width(), 0.5);
    const CPagePreview::PageBox& second = pages->pages()[1];
    EXPECT_NEAR(
        second.strip.width() / second.printable.width(), double(plan.strips[1].target.width()) / plan.pageWidth, 0.01);
    EXPECT_GT(second.paper.top(), first.paper.bottom());
    EXPECT_NEAR(first.strip.height() / first.printable.height(), double(plan.printedHeight) / plan.pageHeight, 0.01);
}

TEST_F(PrintDialog, PagesWarnWhenThePictureIsTallerThanThePage)
{
    QImage tall(300, 1200, QImage::Format_RGB32); // 12.5 inches at screen size, 10.5 printable
    tall.fill(qRgb(200, 40, 40));
    DlgPrint dlg(tall, m_settings);
    QApplication::processEvents();
    const CPagePreview* pages = dlg.pagePreview();
    ASSERT_EQ(pages->pages().size(), 1u);
    EXPECT_TRUE(pages->cutOff());
    EXPECT_TRUE(pages->caption().contains(QStringLiteral("bottom cut off"))) << pages->caption().toStdString();
    EXPECT_GT(pages->pages()[0].strip.bottom(), pages->pages()[0].printable.bottom());
}

TEST_F(PrintDialog, PagesSayWhenThereIsNoPrinter)
{
    std::string error;
    ASSERT_TRUE(m_cups.removePrinter("booth", &error)) << error;
    DlgPrint dlg(sheet(), m_settings);
    QApplication::processEvents();
    EXPECT_TRUE(dlg.pagePreview()->pages().empty());
    EXPECT_EQ(dlg.pagePreview()->caption(), QStringLiteral("No printer"));
    EXPECT_TRUE(dlg.pictureFrame()->pageSplits().empty());

    // Installed while the dialog is open: the pages follow once the watch sees it.
    ASSERT_TRUE(m_cups.addPrinter("late", true, &error)) << error;
    dlg.watch()->refresh();
    ASSERT_TRUE(waitFor([&] { return !dlg.pagePreview()->pages().empty(); }))
        << dlg.pagePreview()->caption().toStdString();
}

// ---- The Print button's printer mark ----

TEST_F(PrintDialog, PrinterMarkFollowsTheQueueAndTellsItOnTheButton)
{
    QWidget screen;
    auto* button = new QPushButton(QStringLiteral("Print"), &screen);
    button->resize(100, 60);
    button->setToolTip(QStringLiteral("Print the sheet"));
    PrinterWatch watch;
    auto* mark = new CPrinterMark(button, &watch);
    EXPECT_EQ(mark->level(), PrinterMarkLevel::Unknown);
    EXPECT_EQ(mark->parentWidget(), button);
    EXPECT_TRUE(mark->testAttribute(Qt::WA_TransparentForMouseEvents)); // clicks still reach the button
    EXPECT_EQ(mark->geometry().right(), button->width() - 4); // over the corner, where check marks sit

    watch.watchPrinter(QString(), 0);
    ASSERT_TRUE(waitFor([&] { return mark->level() == PrinterMarkLevel::Ready; }));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Print the sheet\nPrinter booth: idle, no jobs waiting"));
    EXPECT_EQ(button->accessibleDescription(), QStringLiteral("Printer booth: idle, no jobs waiting"));

    std::string error;
    ASSERT_TRUE(m_cups.pausePrinter("booth", &error)) << error;
    watch.refresh();
    ASSERT_TRUE(waitFor([&] { return mark->level() == PrinterMarkLevel::Attention; }));
    EXPECT_TRUE(button->toolTip().startsWith(QStringLiteral("Print the sheet\nPrinter booth: stopped (paused")))
        << button->toolTip().toStdString();

    ASSERT_TRUE(m_cups.resumePrinter("booth", &error)) << error;
    ASSERT_TRUE(m_cups.removePrinter("booth", &error)) << error;
    watch.refresh();
    ASSERT_TRUE(waitFor([&] { return button->toolTip().contains(QStringLiteral("none installed")); }))
        << button->toolTip().toStdString();
    EXPECT_EQ(mark->level(), PrinterMarkLevel::Attention);
}

TEST(PrinterMarkLevel, JobsWaitingIsBusyAndARefusingQueueNeedsAttention)
{
    PrinterHealth h;
    EXPECT_EQ(MarkLevelOf(h, false), PrinterMarkLevel::Unknown);
    h.found = true;
    h.name = QStringLiteral("booth");
    h.state = PrinterState::Idle;
    h.acceptingJobs = true;
    EXPECT_EQ(MarkLevelOf(h), PrinterMarkLevel::Ready);
    h.queuedJobs = 2;
    EXPECT_EQ(MarkLevelOf(h), PrinterMarkLevel::Busy);
    h.queuedJobs = 0;
    h.state = PrinterState::Printing;
    EXPECT_EQ(MarkLevelOf(h), PrinterMarkLevel::Busy);
    h.acceptingJobs = false;
    EXPECT_EQ(MarkLevelOf(h), PrinterMarkLevel::Attention);
    EXPECT_NE(CPrinterMark::colourOf(PrinterMarkLevel::Attention), CPrinterMark::colourOf(PrinterMarkLevel::Ready));
}
