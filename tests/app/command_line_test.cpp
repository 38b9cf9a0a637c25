// The kiosk options of the command line: the display and the window size for trying kiosk mode.
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
    ASSERT_TRUE(parse(sized, { QStringLiteral("--kiosk-size"), QStringLiteral("1280x800"), QStringLiteral("--display"),
        QStringLiteral("HDMI-1") }));
    EXPECT_EQ(sized.kioskSize(), QSize(1280, 800));
    EXPECT_EQ(sized.display(), QStringLiteral("HDMI-1"));

    for (const char* bad : { "1280", "1280x", "x800", "wide", "100x80", "1280x800x2", "-1280x800" }) {
        CommandLine c;
        EXPECT_FALSE(parse(c, { QStringLiteral("--kiosk-size"), QString::fromLatin1(bad) })) << bad;
        EXPECT_TRUE(c.errorText().contains(QStringLiteral("1280x800"))) << bad;
    }
}

} // namespace
