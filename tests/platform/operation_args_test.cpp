// The argument reader of the operation tables: counts, kinds, ranges, number syntax, listing text.
#include "platform/operation_args.h"

#include <gtest/gtest.h>

using platform::ArgError;
using platform::ArgKind;
using platform::ArgSpec;
using platform::NumberSyntax;
using platform::parseArgs;

namespace {

const std::vector<ArgSpec> kArgs {
    ArgSpec { "N", ArgKind::Int, 1, 31, 3 },
    ArgSpec { "R", ArgKind::Real, 0, 10, 1, true },
    ArgSpec { "SIZE", ArgKind::Size, 1, 100, 50 },
    ArgSpec { "SIDE", ArgKind::Choice, 0, 0, 8, false, { { "left", 8 }, { "right", 16 } } },
    ArgSpec { "FAST", ArgKind::Flag, 0, 1, 0, false, { { "fast", 1 } } },
};

ArgError parse(std::vector<std::string> texts, std::vector<double>& v, std::string* why = nullptr,
    NumberSyntax syntax = NumberSyntax::Strict)
{
    return parseArgs(kArgs, true, texts, syntax, v, why);
}

} // namespace

TEST(OperationArgs, ReadsEveryKindAndTheOptionalFlag)
{
    std::vector<double> v;
    ASSERT_EQ(parse({ "3", "2.5", "10x20", "right", "fast" }, v), ArgError::None);
    EXPECT_EQ(v, (std::vector<double> { 3, 2.5, 10, 20, 16, 1 }));
    ASSERT_EQ(parse({ "31", "10", "1x100", "left" }, v), ArgError::None);
    EXPECT_EQ(v, (std::vector<double> { 31, 10, 1, 100, 8, 0 }));
    EXPECT_EQ(platform::defaultArgs(kArgs), (std::vector<double> { 3, 1, 50, 50, 8, 0 }));
    EXPECT_EQ(platform::argValueCount(kArgs), 6u);
    EXPECT_TRUE(platform::checkArgs(kArgs, platform::defaultArgs(kArgs)));

    std::string name;
    bool hasArgs = false;
    std::vector<std::string> texts;
    platform::splitOperationText("windy:3,,left", name, hasArgs, texts);
    EXPECT_EQ(name, "windy");
    EXPECT_TRUE(hasArgs);
    EXPECT_EQ(texts, (std::vector<std::string> { "3", "", "left" }));
    platform::splitOperationText("flip", name, hasArgs, texts);
    EXPECT_FALSE(hasArgs);
    EXPECT_TRUE(texts.empty());
    platform::splitOperationText("flip:", name, hasArgs, texts);
    EXPECT_TRUE(hasArgs);
    EXPECT_EQ(texts, std::vector<std::string> { "" });
}

TEST(OperationArgs, BadTextsSayWhichArgumentAndWhy)
{
    std::vector<double> v { 99 };
    std::string why;
    EXPECT_EQ(parse({ "3", "2.5", "10x20" }, v, &why), ArgError::Count);
    EXPECT_EQ(why, "takes 4 to 5 arguments, not 3");
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(parse({ "3", "2.5", "10x20", "left", "fast", "more" }, v, &why), ArgError::Count);
    struct Case {
        std::vector<std::string> texts;
        const char* why;
    };
    const Case cases[] = {
        { { "32", "1", "1x1", "left" }, "N must be 1..31, not 32" },
        { { "3.5", "1", "1x1", "left" }, "N must be a whole number, not \"3.5\"" },
        { { "3", "0", "1x1", "left" }, "R must be (0..10], not 0" },
        { { "3", "inf", "1x1", "left" }, "R must be a number, not \"inf\"" },
        { { "3", "1", "1x", "left" }, "SIZE must read WIDTHxHEIGHT, not \"1x\"" },
        { { "3", "1", "1x2x3", "left" }, "SIZE must read WIDTHxHEIGHT, not \"1x2x3\"" },
        { { "3", "1", "1x101", "left" }, "SIZE must be 1..100, not 101" },
        { { "3", "1", "1x1", "up" }, "SIDE cannot be \"up\"" },
        { { "3", "1", "1x1", "left", "slow" }, "the last argument can only be \"fast\", not \"slow\"" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.texts, v, &why), ArgError::Value) << c.why;
        EXPECT_EQ(why, c.why);
    }
    // No arguments at all: a colon alone is already too many.
    EXPECT_EQ(parseArgs({}, true, { "" }, NumberSyntax::Strict, v, &why), ArgError::Count);
    EXPECT_EQ(parseArgs({}, false, {}, NumberSyntax::Strict, v), ArgError::None);

    EXPECT_FALSE(platform::checkArgs(kArgs, { 3, 1, 50, 50, 12, 0 }, &why));
    EXPECT_EQ(why, "SIDE has no choice 12");
    EXPECT_FALSE(platform::checkArgs(kArgs, { 3, 1, 50, 50.5, 8, 0 }, &why));
    EXPECT_EQ(why, "SIZE must be a whole number, not 50.5");
}

TEST(OperationArgs, LenientNumbersReadAsStrtolDoes)
{
    std::vector<double> v;
    const std::vector<ArgSpec> one { ArgSpec { "N", ArgKind::Int, -100, 100, 0 } };
    for (const char* text : { " 5", "+5" }) {
        EXPECT_EQ(parseArgs(one, true, { text }, NumberSyntax::Lenient, v), ArgError::None) << text;
        EXPECT_EQ(v, std::vector<double> { 5 });
        EXPECT_EQ(parseArgs(one, true, { text }, NumberSyntax::Strict, v), ArgError::Value) << text;
    }
    for (const char* text : { "5 ", "", "0x5", "99999999999999999999" })
        EXPECT_EQ(parseArgs(one, true, { text }, NumberSyntax::Lenient, v), ArgError::Value) << text;
    EXPECT_EQ(parseArgs(one, true, { "-7" }, NumberSyntax::Strict, v), ArgError::None);
    EXPECT_EQ(v, std::vector<double> { -7 });
}

TEST(OperationArgs, SyntaxAndRangesForTheListing)
{
    EXPECT_EQ(platform::operationSyntax("op", kArgs), "op:N,R,WIDTHxHEIGHT,left|right[,fast]");
    EXPECT_EQ(platform::operationSyntax("flip", {}), "flip");
    EXPECT_EQ(platform::argumentRanges(kArgs),
        "N 1..31 (default 3), R (0..10] (default 1), WIDTH, HEIGHT 1..100 (default 50), SIDE (default left)");
}
