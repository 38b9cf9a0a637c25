// NoticeBanner: notices by key, stacked newest at the bottom, closing by time or by their box.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>

#include "skin/notice_banner.h"
#include "skin/skin_theme.h"
#include "tests/skin/skin_test_util.h"

using namespace skintest;

namespace {

void waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(NoticeBanner, NoticesReplaceByKeyStackUpwardsAndWithdraw)
{
    QWidget host;
    host.resize(800, 600);
    const QRect area(428, 500, 360, 94);
    NoticeBanner banner(area, &host);
    host.show();
    EXPECT_FALSE(banner.isVisible());

    banner.post(QStringLiteral("a"), QStringLiteral("first"), NoticeBanner::Information, 0);
    EXPECT_TRUE(banner.isVisible());
    EXPECT_EQ(banner.geometry().bottom(), area.bottom());
    const int oneRow = banner.height();
    banner.post(QStringLiteral("b"), QStringLiteral("second"), NoticeBanner::Warning, 0);
    EXPECT_EQ(banner.texts(), (QStringList { QStringLiteral("second"), QStringLiteral("first") }));
    EXPECT_GT(banner.height(), oneRow);
    EXPECT_LE(banner.height(), area.height());
    EXPECT_EQ(banner.geometry().bottom(), area.bottom());

    banner.post(QStringLiteral("a"), QStringLiteral("first, again"), NoticeBanner::Information, 0);
    EXPECT_EQ(banner.texts(), (QStringList { QStringLiteral("first, again"), QStringLiteral("second") }));
    EXPECT_TRUE(banner.accessibleDescription().contains(QStringLiteral("first, again")));

    banner.withdraw(QStringLiteral("b"));
    EXPECT_FALSE(banner.has(QStringLiteral("b")));
    banner.withdraw(QStringLiteral("a"));
    EXPECT_FALSE(banner.isVisible());
}

TEST(NoticeBanner, TimedNoticesCloseByThemselvesAndTheBoxClosesTheNewest)
{
    QWidget host;
    host.resize(800, 600);
    NoticeBanner banner(QRect(0, 500, 360, 94), &host);
    host.show();
    banner.post(QStringLiteral("stays"), QStringLiteral("stays"), NoticeBanner::Warning, 0);
    banner.post(QStringLiteral("goes"), QStringLiteral("goes"), NoticeBanner::Information, 150);
    waitFor([&] { return !banner.has(QStringLiteral("goes")); }, 3000);
    EXPECT_FALSE(banner.has(QStringLiteral("goes")));
    EXPECT_TRUE(banner.has(QStringLiteral("stays")));

    // A press on the text closes nothing; one on the "x" closes that notice.
    click(&banner, QPoint(60, banner.height() / 2));
    EXPECT_TRUE(banner.has(QStringLiteral("stays")));
    click(&banner, QPoint(banner.width() - 16, 14));
    EXPECT_FALSE(banner.has(QStringLiteral("stays")));
    EXPECT_FALSE(banner.isVisible());
}

TEST(NoticeBanner, AWarningIsDrawnOnPaperWithAMarigoldEdge)
{
    QWidget host;
    host.resize(400, 200);
    NoticeBanner banner(QRect(0, 100, 360, 94), &host);
    banner.post(QStringLiteral("w"), QStringLiteral("The session could not be saved."), NoticeBanner::Warning, 0);
    host.show();
    const QImage img = banner.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(2, img.height() / 2), skin::theme::kMarigold);
    EXPECT_EQ(img.pixel(img.width() / 2, 3), skin::theme::kPaper);
}
