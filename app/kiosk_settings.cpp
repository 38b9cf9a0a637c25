// The kiosk values of the settings file: kiosk flag, operator PIN hash, shoot key, attract idle time.
#include <algorithm>

#include <QKeySequence>
#include <QStringList>

#include "app/booth_settings.h"
#include "platform/ini_file.h"

using platform::IniFile;

namespace {

QString configure()
{
    return QLatin1String(kSettingKeys[KeyConfigure]);
}

} // namespace

void BoothSettings::LoadKioskSettings(const QString& file)
{
    const QString section = configure();
    m_kiosk = IniFile::readInt(file, section, QLatin1String(kKeyKiosk)) == 1 ? 1 : 0;
    m_operatorPin = IniFile::readString(file, section, QLatin1String(kKeyOperatorPin));
    const QString key = IniFile::readString(file, section, QLatin1String(kKeyShootKey)).trimmed();
    m_shootKey = key.isEmpty() ? QString::fromLatin1(kDefaultShootKey) : key;
    // A missing value means the default; a negative one turns the attract screen off.
    const QString idle = IniFile::readString(file, section, QLatin1String(kKeyAttractIdle));
    m_attractIdle
        = idle.trimmed().isEmpty() ? kDefaultAttractIdle : std::clamp(platform::parseDecimal(idle), 0, kMaxAttractIdle);
}

bool BoothSettings::SaveKioskSettings(const QString& file, QString* error) const
{
    const QString section = configure();
    bool ok = IniFile::writeInt(file, section, QLatin1String(kKeyKiosk), m_kiosk, error);
    ok = IniFile::writeString(file, section, QLatin1String(kKeyOperatorPin), m_operatorPin, ok ? error : nullptr) && ok;
    ok = IniFile::writeString(file, section, QLatin1String(kKeyShootKey), m_shootKey, ok ? error : nullptr) && ok;
    ok = IniFile::writeInt(file, section, QLatin1String(kKeyAttractIdle), m_attractIdle, ok ? error : nullptr) && ok;
    return ok;
}

bool BoothSettings::IsShootKey(const QString& shootKeySetting, int qtKey)
{
    // Enter on the keypad and Return on the main block are one key to a guest.
    auto same = [](int a, int b) {
        auto norm = [](int k) { return k == Qt::Key_Enter ? int(Qt::Key_Return) : k; };
        return norm(a) == norm(b);
    };
    for (const QString& part : shootKeySetting.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QKeySequence seq = QKeySequence::fromString(part.trimmed(), QKeySequence::PortableText);
        if (seq.count() > 0 && same(seq[0].key(), qtKey))
            return true;
    }
    return false;
}
