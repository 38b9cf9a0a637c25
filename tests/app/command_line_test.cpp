// The kiosk options of the command line (the display, the window size for trying kiosk mode) and
// the test camera's picture size.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

bool parse(CommandLine& c, QStringList args)
{
    args.prepend(QStringLiteral("corvantis"));
    return c.parse(args);
}

TEST(CommandLine, KioskSizeTakesWidthByHeightAndRefusesAnythingElse)
{
    CommandLine plain;
    ASSERT_TRUE(parse(plain, { QStringLiteral("--kiosk") }));
    EXPECT_TRUE(plain.kiosk());
    EXPECT_FALSE(plain.kioskSize().isValid()) << "full screen unless a size is given";
    EXPECT_TRUE(plain.display().isEmpty());

    CommandLine sized;
    ASSERT_TRUE(parse(sized,
        { QStringLiteral("--kiosk-size"), QStringLiteral("1280x800"), QStringLiteral("--display"),
            QStringLiteral("HDMI-1") }));
    EXPECT_EQ(sized.kioskSize(), QSize(1280, 800));
    EXPECT_EQ(sized.display(), QStringLiteral("HDMI-1"));

    for (const char* bad : { "1280", "1280x", "x800", "wide", "100x80", "1280x800x2", "-1280x800" }) {
        CommandLine c;
        EXPECT_FALSE(parse(c, { QStringLiteral("--kiosk-size"), QString::fromLatin1(bad) })) << bad;
        EXPECT_TRUE(c.errorText().contains(QStringLiteral("1280x800"))) << bad;
    }
}

TEST(CommandLine, TestCameraSizeTakesWidthByHeightAndImpliesTheTestCamera)
{
    CommandLine plain;
    ASSERT_TRUE(parse(plain, {}));
    EXPECT_FALSE(plain.testCameraSize().isValid()) << "the test camera keeps its own size unless one is given";

    CommandLine sized;
    ASSERT_TRUE(parse(sized, { QStringLiteral("--test-camera-size"), QStringLiteral("1920x1080") }));
    EXPECT_EQ(sized.testCameraSize(), QSize(1920, 1080));
    CommandLine upper;
    ASSERT_TRUE(parse(upper, { QStringLiteral("--test-camera-size"), QStringLiteral("1280X720") }));
    EXPECT_EQ(upper.testCameraSize(), QSize(1280, 720));

    for (const char* bad : { "1920", "1920x", "x1080", "hd", "0x1080", "1920x-1080", "1920x1080x3", "19.2x10" }) {
        CommandLine c;
        EXPECT_FALSE(parse(c, { QStringLiteral("--test-camera-size"), QString::fromLatin1(bad) })) << bad;
        EXPECT_TRUE(c.errorText().contains(QStringLiteral("1920x1080"))) << bad;
        EXPECT_TRUE(c.errorText().contains(QString::fromLatin1(bad))) << "the error names what was given: " << bad;
    }

    const QByteArray saved = qgetenv("KIVRA_TEST_CAMERA");
    const bool wasSet = qEnvironmentVariableIsSet("KIVRA_TEST_CAMERA");
    qunsetenv("KIVRA_TEST_CAMERA");
    sized.applyEnvironment();
    EXPECT_EQ(qgetenv("KIVRA_TEST_CAMERA"), "1") << "a size for the test camera asks for the test camera";
    if (wasSet)
        qputenv("KIVRA_TEST_CAMERA", saved);
    else
        qunsetenv("KIVRA_TEST_CAMERA");
    EXPECT_TRUE(sized.helpText().contains(QStringLiteral("--test-camera-size <WxH>")));
}

} // namespace
