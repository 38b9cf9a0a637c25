// Kiosk mode's rules without a window: the operator lock (a press while the PIN is asked is no
// second question; kiosk mode without a PIN stays locked and says so), the questions before
// pictures are lost, and kiosk mode asked for at start.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "app/operator_lock.h"
#include "booth/kiosk_policy.h"
#include "booth/sheet_session.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

/// A person who, while the PIN is asked for, presses another locked button before answering.
class ImpatientOperator : public platform::ScriptedPrompts {
public:
    /// Done during the next question only.
    std::function<void()> whileAsked;
    std::optional<QString> askSecret(QWidget* parent, const QString& title, const QString& label) override
    {
        if (const std::function<void()> once = std::exchange(whileAsked, nullptr))
            once();
        return ScriptedPrompts::askSecret(parent, title, label);
    }
};

class KioskRules : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        platform::setPrompts(&m_operator);
    }
    void fill(int pictures)
    {
        const QImage picture = makePhoto(qRgb(90, 90, 90), QSize(320, 240));
        for (int i = 0; i < pictures; ++i)
            m_session.sheet().storeIntoFirstFree(picture, picture, QImage(), 255);
    }
    ImpatientOperator m_operator;
    SheetSession m_session { boothSettings(), appPaths() };
};

} // namespace

TEST_F(KioskRules, OutsideKioskModeNothingIsLockedButLosingPicturesIsAsked)
{
    KioskPolicy kiosk(boothSettings(), appPaths(), m_session);
    EXPECT_TRUE(kiosk.operatorAllows());
    EXPECT_TRUE(kiosk.confirmClear()) << "an empty sheet loses nothing";
    EXPECT_TRUE(m_operator.messages.isEmpty());
    fill(5);
    m_operator.messageReply = platform::IdCancel;
    EXPECT_FALSE(kiosk.confirmClear());
    EXPECT_TRUE(m_operator.messages.last().text.contains(QStringLiteral("5 pictures")));
    EXPECT_TRUE(kiosk.confirmLayoutChange(2)) << "every picture still fits: nothing to ask";
    EXPECT_EQ(m_operator.messages.size(), 1);
    EXPECT_FALSE(kiosk.confirmLayoutChange(1));
    EXPECT_TRUE(m_operator.messages.last().text.contains(QStringLiteral("room for 4 pictures")));
    EXPECT_TRUE(m_operator.messages.last().text.contains(QStringLiteral("\n1 picture of the sheet")));
    m_operator.messageReply = platform::IdCancel;
    EXPECT_FALSE(kiosk.confirmEndSession());
    EXPECT_FALSE(kiosk.isClosing());
    m_operator.messageReply = platform::IdOk;
    EXPECT_TRUE(kiosk.confirmEndSession());
    const int asked = int(m_operator.messages.size());
    EXPECT_TRUE(kiosk.confirmEndSession()) << "once agreed, the end is not asked again";
    EXPECT_EQ(m_operator.messages.size(), asked);
}

TEST_F(KioskRules, WithoutAPinKioskModeStaysLockedAndSaysWhyWithoutAQuestion)
{
    KioskPolicy kiosk(boothSettings(), appPaths(), m_session);
    QSignalSpy notices(&kiosk, &KioskPolicy::notice);
    QSignalSpy changed(&kiosk, &KioskPolicy::changed);
    ASSERT_TRUE(kiosk.requestAtStart(true)) << "nobody can answer: kiosk mode is entered locked";
    EXPECT_EQ(changed.size(), 1);
    EXPECT_FALSE(kiosk.operatorAllows());
    EXPECT_FALSE(kiosk.confirmEndSession());
    EXPECT_FALSE(kiosk.confirmClear());
    EXPECT_TRUE(m_operator.secretLabels.isEmpty());
    ASSERT_EQ(notices.size(), 3);
    EXPECT_EQ(notices[0][0].value<BoothNotice>().text, KioskPolicy::noPinNotice());
}

TEST_F(KioskRules, AttendedStartWithoutAPinAsksForOneAndStaysOffWhenRefused)
{
    KioskPolicy kiosk(boothSettings(), appPaths(), m_session);
    QSignalSpy notices(&kiosk, &KioskPolicy::notice);
    m_operator.secretReplies = { std::nullopt };
    EXPECT_FALSE(kiosk.requestAtStart(false));
    EXPECT_FALSE(kiosk.isOn());
    EXPECT_EQ(m_operator.secretLabels.size(), 1);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0][0].value<BoothNotice>().text.startsWith(QStringLiteral("Kiosk mode was not started")));
}

TEST_F(KioskRules, APressWhileThePinIsAskedIsRefusedWithoutASecondQuestion)
{
    operatorLock() = OperatorLock();
    boothSettings().m_operatorPin = HashOperatorPin(QStringLiteral("2468"), QByteArray("salt"), 10);
    KioskPolicy kiosk(boothSettings(), appPaths(), m_session);
    kiosk.setOn(true);
    int refusedMeanwhile = 0;
    m_operator.whileAsked = [&] {
        if (!kiosk.operatorAllows())
            ++refusedMeanwhile;
    };
    m_operator.secretReplies = { QStringLiteral("2468") };
    EXPECT_TRUE(kiosk.operatorAllows());
    EXPECT_EQ(refusedMeanwhile, 1);
    EXPECT_EQ(m_operator.secretLabels.size(), 1);

    // The question over, the next press asks again.
    m_operator.secretReplies = { QStringLiteral("1111") };
    EXPECT_FALSE(kiosk.operatorAllows());
    EXPECT_EQ(m_operator.secretLabels.size(), 2);
    operatorLock() = OperatorLock();
}
