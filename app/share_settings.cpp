// The phone gallery values of the settings file: on/off, port, bind address, event index, the
// code on photo prints.
#include <algorithm>

#include "app/booth_settings.h"
#include "platform/ini_file.h"

using platform::IniFile;

void BoothSettings::LoadShareSettings(const QString& file)
{
    const QString section = QLatin1String(kSettingKeys[KeyConfigure]);
    m_shareGallery = IniFile::readInt(file, section, QLatin1String(kKeyShareGallery)) == 1 ? 1 : 0;
    m_shareIndex = IniFile::readInt(file, section, QLatin1String(kKeyShareIndex)) == 1 ? 1 : 0;
    m_sharePrintCode = IniFile::readInt(file, section, QLatin1String(kKeySharePrintCode)) == 1 ? 1 : 0;
    const QString port = IniFile::readString(file, section, QLatin1String(kKeySharePort));
    m_sharePort = port.trimmed().isEmpty() ? kDefaultSharePort : std::clamp(platform::parseDecimal(port), 1, 65535);
    const QString bind = IniFile::readString(file, section, QLatin1String(kKeyShareBind)).trimmed();
    m_shareBind = bind.isEmpty() ? QString::fromLatin1(kDefaultShareBind) : bind.left(kMaxShareBindLength);
}

bool BoothSettings::SaveShareSettings(const QString& file, QString* error) const
{
    const QString section = QLatin1String(kSettingKeys[KeyConfigure]);
    bool ok = IniFile::writeInt(file, section, QLatin1String(kKeyShareGallery), m_shareGallery, error);
    ok = IniFile::writeInt(file, section, QLatin1String(kKeySharePort), m_sharePort, ok ? error : nullptr) && ok;
    ok = IniFile::writeString(file, section, QLatin1String(kKeyShareBind), m_shareBind, ok ? error : nullptr) && ok;
    ok = IniFile::writeInt(file, section, QLatin1String(kKeyShareIndex), m_shareIndex, ok ? error : nullptr) && ok;
    ok = IniFile::writeInt(file, section, QLatin1String(kKeySharePrintCode), m_sharePrintCode, ok ? error : nullptr)
        && ok;
    return ok;
}
