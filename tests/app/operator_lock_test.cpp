// The operator PIN: hashing and verification, the three-tries block with a test clock, and the
// prompt that asks for it.
#include "app/operator_lock.h"

#include <gtest/gtest.h>

#include "platform/prompts.h"

TEST(OperatorPin, HashIsSaltedAndVerifiesOnlyTheRightPin)
{
    const QString a = HashOperatorPin("2468");
    const QString b = HashOperatorPin("2468");
    EXPECT_NE(a, b) << "a fresh salt for every hash";
    EXPECT_FALSE(a.contains("2468"));
    EXPECT_TRUE(a.startsWith("pbkdf2-sha256$20000$"));
    EXPECT_TRUE(VerifyOperatorPin("2468", a));
    EXPECT_TRUE(VerifyOperatorPin("2468", b));
    EXPECT_FALSE(VerifyOperatorPin("2469", a));
    EXPECT_FALSE(VerifyOperatorPin("", a));

    // The same salt and count give the same text (known-answer from RFC 6070's first vector, SHA-256 form).
    EXPECT_EQ(HashOperatorPin("password", "salt", 1),
        "pbkdf2-sha256$1$73616c74$120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");

    for (const char* bad : { "", "2468", "pbkdf2-sha256$x$00$00", "pbkdf2-sha256$1$$abcd", "md5$1$00$00",
             "pbkdf2-sha256$99999999$73616c74$120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b" })
        EXPECT_FALSE(VerifyOperatorPin("2468", bad)) << bad;

    EXPECT_TRUE(IsValidOperatorPin("1234"));
    EXPECT_TRUE(IsValidOperatorPin("12345678"));
    EXPECT_FALSE(IsValidOperatorPin("123"));
    EXPECT_FALSE(IsValidOperatorPin("123456789"));
    EXPECT_FALSE(IsValidOperatorPin("12a4"));
}

TEST(OperatorLockModel, ThreeWrongPinsBlockForAMinute)
{
    qint64 now = 1000;
    OperatorLock lock([&] { return now; });
    const QString hash = HashOperatorPin("1357", "fixed salt", 10);
    EXPECT_EQ(lock.tryPin("0000", hash), OperatorLock::Wrong);
    EXPECT_EQ(lock.tryPin("1357", hash), OperatorLock::Accepted);
    EXPECT_EQ(lock.failures(), 0) << "a right PIN clears the count";

    EXPECT_EQ(lock.tryPin("0000", hash), OperatorLock::Wrong);
    EXPECT_EQ(lock.tryPin("0001", hash), OperatorLock::Wrong);
    EXPECT_FALSE(lock.isBlocked());
    EXPECT_EQ(lock.tryPin("0002", hash), OperatorLock::Wrong);
    EXPECT_TRUE(lock.isBlocked());
    EXPECT_EQ(lock.secondsBlocked(), 60);
    now += 59500;
    EXPECT_EQ(lock.secondsBlocked(), 1);
    EXPECT_EQ(lock.tryPin("1357", hash), OperatorLock::Blocked) << "even the right PIN waits";
    now += 500;
    EXPECT_FALSE(lock.isBlocked());
    EXPECT_EQ(lock.tryPin("0003", hash), OperatorLock::Wrong);
    EXPECT_FALSE(lock.isBlocked()) << "after the minute there are three fresh tries";
    EXPECT_EQ(lock.tryPin("1357", hash), OperatorLock::Accepted);
}

TEST(OperatorLockModel, RequestAsksThroughPromptsAndTellsWrongAndBlockedTries)
{
    qint64 now = 0;
    OperatorLock lock([&] { return now; });
    platform::ScriptedPrompts prompts;
    EXPECT_TRUE(RequestOperator(nullptr, QString(), prompts, lock)) << "nothing to ask without a PIN";
    EXPECT_TRUE(prompts.secretLabels.isEmpty());

    const QString hash = HashOperatorPin("8642", "s", 10);
    prompts.secretReplies = { QString("8642") };
    EXPECT_TRUE(RequestOperator(nullptr, hash, prompts, lock));
    EXPECT_EQ(prompts.secretLabels, QStringList({ "Operator PIN:" }));
    EXPECT_TRUE(prompts.messages.isEmpty());

    EXPECT_FALSE(RequestOperator(nullptr, hash, prompts, lock)) << "cancelled";
    EXPECT_TRUE(prompts.messages.isEmpty());

    prompts.secretReplies = { QString("1"), QString("2"), QString("3") };
    EXPECT_FALSE(RequestOperator(nullptr, hash, prompts, lock));
    EXPECT_EQ(prompts.messages.last().text, "Wrong PIN.");
    EXPECT_FALSE(RequestOperator(nullptr, hash, prompts, lock));
    EXPECT_FALSE(RequestOperator(nullptr, hash, prompts, lock));
    EXPECT_TRUE(prompts.messages.last().text.contains("60 seconds")) << prompts.messages.last().text.toStdString();

    // While blocked the PIN is not even asked.
    const qsizetype asked = prompts.secretLabels.size();
    now += 30000;
    prompts.secretReplies = { QString("8642") };
    EXPECT_FALSE(RequestOperator(nullptr, hash, prompts, lock));
    EXPECT_EQ(prompts.secretLabels.size(), asked);
    EXPECT_TRUE(prompts.messages.last().text.contains("30 seconds"));
    now += 30000;
    EXPECT_TRUE(RequestOperator(nullptr, hash, prompts, lock));
}
