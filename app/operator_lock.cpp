// Operator PIN hashing (PBKDF2-HMAC-SHA256) and the lock with its one-minute block.
#include "app/operator_lock.h"

#include <chrono>

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStringList>

#include "app/booth_settings.h"
#include "platform/ini_file.h"
#include "platform/prompts.h"

namespace {

QByteArray pbkdf2(const QByteArray& password, const QByteArray& salt, int iterations, int length)
{
    QByteArray out;
    for (quint32 block = 1; out.size() < length; ++block) {
        QByteArray counter(4, '\0');
        counter[0] = char(block >> 24);
        counter[1] = char(block >> 16);
        counter[2] = char(block >> 8);
        counter[3] = char(block);
        QByteArray u = QMessageAuthenticationCode::hash(salt + counter, password, QCryptographicHash::Sha256);
        QByteArray t = u;
        for (int i = 1; i < iterations; ++i) {
            u = QMessageAuthenticationCode::hash(u, password, QCryptographicHash::Sha256);
            for (qsizetype j = 0; j < t.size(); ++j)
                t[j] = char(t[j] ^ u[j]);
        }
        out += t;
    }
    return out.left(length);
}

bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    // Every byte is compared so the time does not tell how much of a guess was right.
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

bool IsValidOperatorPin(const QString& pin)
{
    if (pin.size() < 4 || pin.size() > 8)
        return false;
    for (QChar c : pin)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString HashOperatorPin(const QString& pin, QByteArray salt, int iterations)
{
    if (salt.isEmpty()) {
        salt.resize(16);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), 4);
    }
    iterations = std::max(1, iterations);
    const QByteArray hash = pbkdf2(pin.toUtf8(), salt, iterations, 32);
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toHex()), QString::fromLatin1(hash.toHex()));
}

bool VerifyOperatorPin(const QString& pin, const QString& storedHash)
{
    const QStringList parts = storedHash.trimmed().split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != QLatin1String("pbkdf2-sha256"))
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    // A hand-edited count must not make one check take minutes.
    if (!ok || iterations < 1 || iterations > 1000000)
        return false;
    const QByteArray salt = QByteArray::fromHex(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromHex(parts[3].toLatin1());
    if (salt.isEmpty() || expected.size() != 32)
        return false;
    return sameBytes(pbkdf2(pin.toUtf8(), salt, iterations, 32), expected);
}

OperatorLock::OperatorLock(std::function<qint64()> clock)
    : m_clock(clock ? std::move(clock) : std::function<qint64()>(steadyMilliseconds))
{
}

bool OperatorLock::isBlocked() const
{
    return m_blocked && m_clock() < m_blockedUntil;
}

int OperatorLock::secondsBlocked() const
{
    if (!isBlocked())
        return 0;
    return int((m_blockedUntil - m_clock() + 999) / 1000);
}

OperatorLock::Result OperatorLock::tryPin(const QString& pin, const QString& storedHash)
{
    if (isBlocked())
        return Blocked;
    if (m_blocked) {
        // The minute is over: a fresh set of tries.
        m_blocked = false;
        m_failures = 0;
    }
    if (VerifyOperatorPin(pin, storedHash)) {
        m_failures = 0;
        return Accepted;
    }
    if (++m_failures >= kAllowedFailures) {
        m_blocked = true;
        m_blockedUntil = m_clock() + kBlockMilliseconds;
    }
    return Wrong;
}

OperatorLock& operatorLock()
{
    static OperatorLock lock;
    return lock;
}

bool RequestOperator(QWidget* parent, const QString& storedHash, platform::Prompts& prompts, OperatorLock& lock)
{
    if (storedHash.trimmed().isEmpty())
        return true;
    auto blockedMessage = [&] {
        prompts.messageBox(parent,
            QStringLiteral("Too many wrong PINs.\nPlease try again in %1 seconds.").arg(lock.secondsBlocked()),
            platform::MbOk | platform::MbIconWarning);
    };
    if (lock.isBlocked()) {
        blockedMessage();
        return false;
    }
    const std::optional<QString> pin
        = prompts.askSecret(parent, QStringLiteral("Operator"), QStringLiteral("Operator PIN:"));
    if (!pin)
        return false;
    switch (lock.tryPin(*pin, storedHash)) {
    case OperatorLock::Accepted:
        return true;
    case OperatorLock::Blocked:
        blockedMessage();
        return false;
    case OperatorLock::Wrong:
        if (lock.isBlocked())
            blockedMessage();
        else
            prompts.messageBox(parent, QStringLiteral("Wrong PIN."), platform::MbOk | platform::MbIconWarning);
        return false;
    }
    return false;
}

QString KioskPinQuestion()
{
    return QStringLiteral("Kiosk mode needs an operator PIN. It is asked before anyone leaves kiosk mode or changes "
                          "the booth.\n%1")
        .arg(QLatin1String(kNewPinLabel));
}

bool SetUpOperatorPin(QWidget* parent, BoothSettings& settings, const QString& settingsFile, platform::Prompts& prompts,
    const QString& firstLabel)
{
    const QString title = QStringLiteral("Operator PIN");
    const std::optional<QString> first = prompts.askSecret(parent, title, firstLabel);
    if (!first)
        return false;
    if (!IsValidOperatorPin(*first)) {
        prompts.messageBox(parent, QStringLiteral("The PIN must have 4 to 8 digits.\nThe PIN was not changed."),
            platform::MbOk | platform::MbIconWarning);
        return false;
    }
    const std::optional<QString> second = prompts.askSecret(parent, title, QStringLiteral("The same PIN again:"));
    if (!second)
        return false;
    if (*second != *first) {
        prompts.messageBox(parent, QStringLiteral("The two PINs differ.\nThe PIN was not changed."),
            platform::MbOk | platform::MbIconWarning);
        return false;
    }
    settings.m_operatorPin = HashOperatorPin(*first);
    QString error;
    if (!platform::IniFile::writeString(settingsFile, QLatin1String(kSettingKeys[KeyConfigure]),
            QLatin1String(kKeyOperatorPin), settings.m_operatorPin, &error)) {
        prompts.messageBox(parent,
            QStringLiteral("The PIN could not be written.\n%1\nIt applies until the booth is closed.").arg(error),
            platform::MbOk | platform::MbIconWarning);
        return true;
    }
    prompts.messageBox(
        parent, QStringLiteral("The operator PIN was set."), platform::MbOk | platform::MbIconInformation);
    return true;
}
