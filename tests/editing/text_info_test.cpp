// The text record: start values, the "TextTool" profile laid over them at start-up, the text
// limit and the font conversions.
#include "editing/text_info.h"

#include <cstring>

#include <gtest/gtest.h>

#include "app/corvantis_app.h"
#include "tests/app/app_test_support.h"

TEST(TextInfo, DefaultsAreTheStartValues)
{
    TextInfo info;
    std::memset(&info, 0x5A, sizeof info);
    DefaultTextInfo(info);
    EXPECT_STREQ(info.m_text, "Tolvenmark");
    EXPECT_EQ(info.m_font.m_height, -36);
    EXPECT_EQ(info.m_font.m_width, 0);
    EXPECT_EQ(info.m_font.m_escapement, 0);
    EXPECT_EQ(info.m_font.m_weight, 400);
    EXPECT_EQ(info.m_font.m_italic, 0);
    EXPECT_EQ(info.m_font.m_strikeOut, 0);
    EXPECT_EQ(info.m_font.m_charSet, 238);
    EXPECT_EQ(info.m_font.m_quality, 2);
    EXPECT_EQ(info.m_font.m_pitchAndFamily, 0);
    EXPECT_STREQ(info.m_font.m_faceName, "Arial");
    EXPECT_EQ(info.m_textColour, 0xA0FFFFu);
    EXPECT_EQ(info.m_align, 1);
    EXPECT_EQ(info.m_smooth, 1);
    EXPECT_EQ(info.m_opaque, 1);
    EXPECT_EQ(info.m_backColour, 0xA05000u);
    EXPECT_EQ(info.m_backOpacity, 0.0f);
    EXPECT_EQ(info.m_outline, 0);
    EXPECT_EQ(info.m_rounding, 20);
    // The unused tail of the text is zero, so copies of the record compare equal.
    EXPECT_EQ(info.m_text[sizeof info.m_text - 1], 0);
}

TEST(TextInfo, ProfileValuesAreLaidOverTheDefaults)
{
    TextToolProfile profile; // the values used when the keys are missing
    TextInfo info = TextInfoFromProfile(profile);
    EXPECT_STREQ(info.m_text, "Tolvenmark");
    EXPECT_EQ(info.m_font.m_height, -36);
    EXPECT_STREQ(info.m_font.m_faceName, "Times New Roman");
    EXPECT_EQ(info.m_font.m_weight, 0);
    EXPECT_EQ(info.m_rounding, 25);
    EXPECT_EQ(info.m_font.m_quality, 2);
    EXPECT_EQ(info.m_align, 1);

    profile.m_faceName = QStringLiteral("DejaVu Sans");
    profile.m_weight = 700;
    profile.m_italic = 1;
    profile.m_underline = 1;
    profile.m_charSet = 0;
    profile.m_textColour = 0x0000FF;
    profile.m_backColour = 0x00FF00;
    profile.m_opaque = 0;
    profile.m_opacity = 0.4f;
    profile.m_roundRadius = 7;
    profile.m_antialias = 0;
    info = TextInfoFromProfile(profile);
    EXPECT_STREQ(info.m_font.m_faceName, "DejaVu Sans");
    EXPECT_EQ(info.m_font.m_weight, 700);
    EXPECT_EQ(info.m_font.m_italic, 1);
    EXPECT_EQ(info.m_font.m_underline, 1);
    EXPECT_EQ(info.m_font.m_charSet, 0);
    EXPECT_EQ(info.m_textColour, 0x0000FFu);
    EXPECT_EQ(info.m_backColour, 0x00FF00u);
    EXPECT_EQ(info.m_opaque, 0);
    EXPECT_FLOAT_EQ(info.m_backOpacity, 0.4f);
    EXPECT_EQ(info.m_rounding, 7);
    EXPECT_EQ(info.m_smooth, 0);
}

class RememberedTextStartup : public apptest::AppFixture { };

TEST_F(RememberedTextStartup, StartUpSetsTheRememberedRecordFromTheProfile)
{
    setStored(QStringLiteral("TextTool/lfFaceName"), QStringLiteral("DejaVu Serif"));
    setStored(QStringLiteral("TextTool/opacity"), QStringLiteral("30"));
    setStored(QStringLiteral("TextTool/roundradius"), QStringLiteral("12"));
    SetTextOf(RememberedTextInfo(), QStringLiteral("left over from before"));
    CCorvantisApp app;
    app.setModuleFolder(m_module);
    app.setExecutablePath(QStringLiteral("/opt/kivra/corvantis"));
    app.setTextToolSetUp(&SetUpRememberedTextInfo);
    ASSERT_TRUE(app.InitInstance());
    const TextInfo& r = RememberedTextInfo();
    EXPECT_STREQ(r.m_text, "Tolvenmark");
    EXPECT_STREQ(r.m_font.m_faceName, "DejaVu Serif");
    EXPECT_FLOAT_EQ(r.m_backOpacity, 0.3f);
    EXPECT_EQ(r.m_rounding, 12);
    EXPECT_EQ(r.m_font.m_height, -36);
    EXPECT_EQ(r.m_smooth, 1);
    app.ExitInstance();
}

TEST(TextInfo, TextIsStoredWithCarriageReturnsAndCutOnACharacterBoundary)
{
    TextInfo info;
    DefaultTextInfo(info);
    EXPECT_TRUE(SetTextOf(info, QStringLiteral("A\r\nB\nC\rD")));
    EXPECT_STREQ(info.m_text, "A\rB\rC\rD");
    EXPECT_EQ(TextOf(info), QStringLiteral("A\nB\nC\nD"));

    // 4094 ASCII bytes and a two-byte letter do not fit: the letter goes, nothing is split.
    const QString longText = QString(4094, QLatin1Char('x')) + QString::fromUtf8("\xC3\xA9");
    EXPECT_FALSE(SetTextOf(info, longText));
    EXPECT_EQ(std::strlen(info.m_text), 4094u);
    EXPECT_EQ(TextOf(info), QString(4094, QLatin1Char('x')));
    EXPECT_EQ(FitRecordText(longText).size(), 4094);
    EXPECT_TRUE(SetTextOf(info, QString(4095, QLatin1Char('y'))));
    EXPECT_EQ(std::strlen(info.m_text), 4095u);
}

TEST(TextInfo, FontRoundTripsThroughTheRecord)
{
    TextInfo info;
    DefaultTextInfo(info);
    QFont font = FontOfTextInfo(info);
    EXPECT_EQ(font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(font.pixelSize(), 36);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_EQ(font.styleStrategy() & QFont::NoAntialias, 0);
    info.m_smooth = 0;
    info.m_font.m_weight = 0; // default weight is normal
    font = FontOfTextInfo(info);
    EXPECT_NE(font.styleStrategy() & QFont::NoAntialias, 0);
    EXPECT_EQ(font.weight(), QFont::Normal);

    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPixelSize(20);
    chosen.setBold(true);
    chosen.setItalic(true);
    chosen.setStrikeOut(true);
    const uint32_t colour = info.m_textColour;
    SetFontOfTextInfo(info, chosen);
    EXPECT_EQ(info.m_font.m_height, -20);
    EXPECT_EQ(info.m_font.m_weight, 700);
    EXPECT_EQ(info.m_font.m_italic, 1);
    EXPECT_EQ(info.m_font.m_strikeOut, 1);
    EXPECT_STREQ(info.m_font.m_faceName, "DejaVu Sans");
    EXPECT_EQ(info.m_textColour, colour);
    chosen.setPointSize(12); // 16 pixels at 96 dots per inch
    SetFontOfTextInfo(info, chosen);
    EXPECT_EQ(info.m_font.m_height, -16);
}
