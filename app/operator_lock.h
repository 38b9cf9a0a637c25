// The operator PIN: a salted, stretched hash for the settings file, and the lock that checks a
// PIN and blocks the prompt for a minute after three wrong ones. No widgets; the clock is injectable.
#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

class QWidget;
struct BoothSettings;
namespace platform {
class Prompts;
}

/// A PIN is 4 to 8 digits.
bool IsValidOperatorPin(const QString& pin);
/// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" of pin; a random 16-byte salt when none is given.
QString HashOperatorPin(const QString& pin, QByteArray salt = {}, int iterations = 20000);
/// Whether pin matches a hash made by HashOperatorPin; false for an empty or malformed hash.
bool VerifyOperatorPin(const QString& pin, const QString& storedHash);

class OperatorLock {
public:
    static constexpr int kAllowedFailures = 3;
    static constexpr qint64 kBlockMilliseconds = 60 * 1000;

    /// clock: milliseconds of a monotonic clock; the steady clock when empty.
    explicit OperatorLock(std::function<qint64()> clock = {});

    enum Result { Accepted, Wrong, Blocked };
    /// Checks pin against storedHash. The third wrong PIN in a row blocks every try (right or
    /// wrong) for a minute; a right PIN clears the count.
    Result tryPin(const QString& pin, const QString& storedHash);
    bool isBlocked() const;
    /// Whole seconds (rounded up) until the prompt opens again; 0 when not blocked.
    int secondsBlocked() const;
    int failures() const { return m_failures; }

private:
    std::function<qint64()> m_clock;
    int m_failures = 0;
    qint64 m_blockedUntil = 0;
    bool m_blocked = false;
};

/// The process-wide lock, so a block outlives the prompt that caused it.
OperatorLock& operatorLock();

/// Asks for the operator PIN through prompts when storedHash is set; true when the operator
/// may go on. Without a PIN set nothing is asked. Wrong and blocked tries are told to the user.
bool RequestOperator(
    QWidget* parent, const QString& storedHash, platform::Prompts& prompts, OperatorLock& lock = operatorLock());

/// The first question of SetUpOperatorPin unless the caller says why the PIN is wanted.
inline constexpr const char* kNewPinLabel = "New operator PIN (4 to 8 digits):";
/// The first question when kiosk mode is switched on without a PIN: why, then kNewPinLabel.
QString KioskPinQuestion();

/// Asks through prompts for a new operator PIN (4 to 8 digits) and again to confirm it; when both
/// agree its hash goes into settings and into settingsFile. A refused entry (too short, not the
/// same twice) is told. False when no PIN was set (cancelled or refused); a PIN that could not be
/// written to the file is told and still counts (it applies until the booth is closed).
bool SetUpOperatorPin(QWidget* parent, BoothSettings& settings, const QString& settingsFile, platform::Prompts& prompts,
    const QString& firstLabel = QLatin1String(kNewPinLabel));
