// ShareService, the main screen's handle: following the settings, publishing, the newest link.
#include "share/share_service.h"

#include <gtest/gtest.h>

#include "app/booth_settings.h"
#include "share/qr_code.h"
#include "share/share_address.h"
#include "tests/common/test_support.h"
#include "tests/share/share_test_util.h"

TEST(ShareService, FollowsTheSettingsPublishesAndTellsTheNewestLink)
{
    testsupport::TempDir dir;
    const QString save = QString::fromStdString(dir.path().string());
    BoothSettings settings;
    settings.m_shareBind = QStringLiteral("127.0.0.1");
    settings.m_sharePort = sharetest::freePort();
    ShareService service;
    QString error;
    ASSERT_TRUE(service.apply(ShareOptions::from(settings), save, &error)) << error.toStdString();
    EXPECT_FALSE(service.isRunning()) << "off by default";
    EXPECT_FALSE(service.newestLink().has_value());

    // Published while off: the link is there and opens once the gallery runs.
    const ShareLink first = service.publish(sharetest::sampleContent(64, 48));
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_EQ(first.url, QStringLiteral("http://127.0.0.1:%1/s/%2/").arg(settings.m_sharePort).arg(first.token));
    EXPECT_EQ(service.shareFolder(), save + QStringLiteral("/Share"));

    settings.m_shareGallery = 1;
    ASSERT_TRUE(service.apply(ShareOptions::from(settings), save, &error)) << error.toStdString();
    ASSERT_TRUE(service.isRunning());
    const std::string path = "/s/" + first.token.toStdString() + "/";
    EXPECT_EQ(sharetest::get(service.port(), path).status, 200);
    const ShareLink second = service.publish(sharetest::sampleContent(64, 48));
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(service.newestLink().value_or(QString()), second.url);
    EXPECT_EQ(sharetest::get(service.port(), "/s/" + second.token.toStdString() + "/").status, 200)
        << "a new sheet opens at once";
    EXPECT_TRUE(service.indexUrl().isEmpty()) << "the index is off by default";

    settings.m_shareIndex = 1;
    ASSERT_TRUE(service.apply(ShareOptions::from(settings), save, &error));
    const QString index = service.indexUrl();
    ASSERT_TRUE(index.startsWith(QStringLiteral("http://127.0.0.1:"))) << index.toStdString();
    const sharetest::Response listed
        = sharetest::get(service.port(), index.section(QLatin1Char('/'), 3).prepend('/').toStdString());
    EXPECT_EQ(listed.status, 200);
    EXPECT_NE(listed.body.find(path), std::string::npos);

    // Switched off: nothing listens any more.
    const int port = service.port();
    settings.m_shareGallery = 0;
    ASSERT_TRUE(service.apply(ShareOptions::from(settings), save, &error));
    EXPECT_FALSE(service.isRunning());
    EXPECT_LT(sharetest::connectFrom("127.0.0.1", port), 0);

    // A bind the machine does not have is an error, never a wider bind.
    settings.m_shareGallery = 1;
    settings.m_shareBind = QStringLiteral("no-such-interface0");
    EXPECT_FALSE(service.apply(ShareOptions::from(settings), save, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no-such-interface0"))) << error.toStdString();
    EXPECT_FALSE(service.isRunning());
}

TEST(ShareAddress, BindValuesAndLinks)
{
    ShareAddress a = ResolveShareBind(QStringLiteral("all"));
    EXPECT_TRUE(a.ok);
    EXPECT_TRUE(a.bindAddress.empty());
    EXPECT_FALSE(a.urlHost.isEmpty());
    EXPECT_NE(a.urlHost, QStringLiteral("::1"));
    a = ResolveShareBind(QStringLiteral("lo"));
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.urlHost, QStringLiteral("127.0.0.1"));
    a = ResolveShareBind(QStringLiteral("::1"));
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.urlHost, QStringLiteral("[::1]"));
    EXPECT_FALSE(ResolveShareBind(QStringLiteral("../../etc")).ok);
    EXPECT_EQ(ShareLinkUrl(QStringLiteral("http://10.0.0.2:8080/"), QStringLiteral("T")),
        QStringLiteral("http://10.0.0.2:8080/s/T/"));
}

TEST(QrCode, EncodesALinkLargeEnoughToScan)
{
    const QrCode code = QrCode::encode("http://192.168.100.200:8080/s/vF0R1NomS85sOToyDWh8Ahf9/");
    ASSERT_FALSE(code.isNull());
    EXPECT_EQ(code.size(), 33) << "version 4 at level M";
    const QImage picture = code.image(8);
    EXPECT_EQ(picture.width(), (33 + 8) * 8);
    // The quiet zone is white and the top-left finder's corner dark.
    EXPECT_EQ(picture.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(4 * 8 + 1, 4 * 8 + 1), qRgb(0, 0, 0));
    EXPECT_TRUE(QrCode::encode(QByteArray()).isNull());
    EXPECT_TRUE(QrCode::encode(QByteArray(5000, 'a')).isNull()) << "too long for any QR code";
}
