// Reading and writing the booth's settings file, one key per access.
#include "app/booth_settings.h"

#include <algorithm>

#include <QList>

#include "platform/ini_file.h"

using platform::IniFile;

namespace {

QString key(SettingKey k)
{
    return QLatin1String(kSettingKeys[k]);
}

const QString& section()
{
    static const QString s = QLatin1String(kSettingKeys[KeyConfigure]);
    return s;
}

struct FolderKey {
    SettingKey key;
    QString AppPaths::*folder;
};

// The folder keys in the order the start-up load handles them.
const FolderKey kStartupFolders[] = {
    { KeyPathFrame, &AppPaths::m_frameFolder },
    { KeyPathPortrait, &AppPaths::m_portraitFolder },
    { KeyPathBackGround, &AppPaths::m_backgroundFolder },
    { KeyPathMask, &AppPaths::m_maskFolder },
    { KeyPathEmotion, &AppPaths::m_emotionFolder },
    { KeyPathBaseMap, &AppPaths::m_baseMapFolder },
    { KeyPathSave, &AppPaths::m_saveFolder },
};

// The resource folders the booth load takes as they are.
const FolderKey kResourceFolders[] = {
    { KeyPathFrame, &AppPaths::m_frameFolder },
    { KeyPathPortrait, &AppPaths::m_portraitFolder },
    { KeyPathBackGround, &AppPaths::m_backgroundFolder },
    { KeyPathMask, &AppPaths::m_maskFolder },
    { KeyPathEmotion, &AppPaths::m_emotionFolder },
    { KeyPathBaseMap, &AppPaths::m_baseMapFolder },
};

} // namespace

int BoothSettings::ReadClamped(const QString& file, SettingKey k, int max)
{
    return std::clamp(IniFile::readInt(file, section(), key(k)), 0, max);
}

void BoothSettings::LoadSettingsAtStartup(AppPaths& paths)
{
    const QString& file = paths.m_settingsFile;
    m_shottingDelay = ReadClamped(file, KeyShottingDelay, kMaxCountdown);
    paths.m_currentFolder = IniFile::readString(file, section(), key(KeyPathCurrent));
    for (const FolderKey& f : kStartupFolders) {
        const QString value = IniFile::readString(file, section(), key(f.key));
        if (!value.isEmpty())
            paths.*f.folder = value;
        else
            IniFile::writeString(file, section(), key(f.key), paths.*f.folder);
    }
    m_printWidth = ReadClamped(file, KeyPrintWidth, kMaxPrintSize);
    m_printHeight = ReadClamped(file, KeyPrintHeight, kMaxPrintSize);
    // A check box in the dialog: 1 is on, anything else off.
    m_autoChangeFrame = IniFile::readInt(file, section(), key(KeyAutoChangeFrame)) == 1 ? 1 : 0;
    m_alpha = ReadClamped(file, KeyAlpha, kMaxAlpha);
    LoadKioskSettings(file);
    LoadShareSettings(file);
}

void BoothSettings::LoadBoothSettings(AppPaths& paths)
{
    const QString& file = paths.m_settingsFile;
    m_shottingDelay = ReadClamped(file, KeyShottingDelay, kMaxCountdown);
    paths.m_currentFolder = IniFile::readString(file, section(), key(KeyPathCurrent));
    paths.m_saveFolder = IniFile::readString(file, section(), key(KeyPathSave));
    if (paths.m_currentFolder.isEmpty())
        paths.m_currentFolder = appdefaults::fallbackCurrentFolder();
    for (const FolderKey& f : kResourceFolders)
        paths.*f.folder = IniFile::readString(file, section(), key(f.key));
    m_printWidth = ReadClamped(file, KeyPrintWidth, kMaxPrintSize);
    m_printHeight = ReadClamped(file, KeyPrintHeight, kMaxPrintSize);
}

void BoothSettings::LoadProjectSettings(const QString& projectSettingsFile)
{
    // Only the keys of kProjectKeys: a folder from a project would decide where guests' pictures
    // go (and be remembered as this booth's), a kiosk value would change who may leave.
    const QString& file = projectSettingsFile;
    m_shottingDelay = ReadClamped(file, KeyShottingDelay, kMaxCountdown);
    m_printWidth = ReadClamped(file, KeyPrintWidth, kMaxPrintSize);
    m_printHeight = ReadClamped(file, KeyPrintHeight, kMaxPrintSize);
    m_combinationIndex = IniFile::readInt(file, section(), key(KeyCombinationIndex));
    m_comPictureFlag = IniFile::readString(file, section(), key(KeyComPictureFlag));
}

bool BoothSettings::SaveSettings(const AppPaths& paths, QString* error) const
{
    const QString& file = paths.m_settingsFile;
    bool ok = true;
    auto text = [&](SettingKey k, const QString& v) {
        ok = IniFile::writeString(file, section(), key(k), v, ok ? error : nullptr) && ok;
    };
    auto number
        = [&](SettingKey k, int v) { ok = IniFile::writeInt(file, section(), key(k), v, ok ? error : nullptr) && ok; };
    number(KeyShottingDelay, m_shottingDelay);
    text(KeyPathCurrent, paths.m_currentFolder);
    text(KeyPathFrame, paths.m_frameFolder);
    text(KeyPathPortrait, paths.m_portraitFolder);
    text(KeyPathBackGround, paths.m_backgroundFolder);
    text(KeyPathMask, paths.m_maskFolder);
    text(KeyPathEmotion, paths.m_emotionFolder);
    text(KeyPathBaseMap, paths.m_baseMapFolder);
    text(KeyPathSave, paths.m_saveFolder);
    number(KeyPrintWidth, m_printWidth);
    number(KeyPrintHeight, m_printHeight);
    number(KeyAutoChangeFrame, m_autoChangeFrame);
    number(KeyAlpha, m_alpha);
    return ok;
}

bool BoothSettings::IsSlotListed(const QString& comPictureFlag, int slot)
{
    const QStringList entries = comPictureFlag.split(QLatin1Char(','));
    // The text ends with ",", so the last entry is never complete and never counts.
    for (qsizetype i = 0; i + 1 < entries.size(); ++i) {
        bool ok = false;
        if (entries[i].trimmed().toInt(&ok) == slot && ok)
            return true;
    }
    return false;
}

QString BoothSettings::MakeComPictureFlag(const QList<int>& usedSlots)
{
    QString text;
    for (int slot : usedSlots)
        text += QString::number(slot) + QLatin1Char(',');
    return text;
}

BoothSettings& boothSettings()
{
    static BoothSettings settings;
    return settings;
}
