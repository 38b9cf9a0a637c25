// Reading and writing the booth's settings file, one key per access.
#include "app/booth_settings.h"

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

void BoothSettings::LoadSettingsAtStartup(AppPaths& paths)
{
    const QString& file = paths.m_settingsFile;
    m_shottingDelay = IniFile::readInt(file, section(), key(KeyShottingDelay));
    paths.m_currentFolder = IniFile::readString(file, section(), key(KeyPathCurrent));
    for (const FolderKey& f : kStartupFolders) {
        const QString value = IniFile::readString(file, section(), key(f.key));
        if (!value.isEmpty())
            paths.*f.folder = value;
        else
            IniFile::writeString(file, section(), key(f.key), paths.*f.folder);
    }
    m_printWidth = IniFile::readInt(file, section(), key(KeyPrintWidth));
    m_printHeight = IniFile::readInt(file, section(), key(KeyPrintHeight));
    m_autoChangeFrame = IniFile::readInt(file, section(), key(KeyAutoChangeFrame));
    m_alpha = IniFile::readInt(file, section(), key(KeyAlpha));
    LoadKioskSettings(file);
    LoadShareSettings(file);
}

void BoothSettings::readBoothFile(const QString& file, const QString& emptyCurrentFallback, AppPaths& paths)
{
    m_shottingDelay = IniFile::readInt(file, section(), key(KeyShottingDelay));
    paths.m_currentFolder = IniFile::readString(file, section(), key(KeyPathCurrent));
    paths.m_saveFolder = IniFile::readString(file, section(), key(KeyPathSave));
    if (paths.m_currentFolder.isEmpty())
        paths.m_currentFolder = emptyCurrentFallback;
    for (const FolderKey& f : kResourceFolders)
        paths.*f.folder = IniFile::readString(file, section(), key(f.key));
    m_printWidth = IniFile::readInt(file, section(), key(KeyPrintWidth));
    m_printHeight = IniFile::readInt(file, section(), key(KeyPrintHeight));
}

void BoothSettings::LoadBoothSettings(AppPaths& paths)
{
    readBoothFile(paths.m_settingsFile, appdefaults::fallbackCurrentFolder(), paths);
}

void BoothSettings::LoadProjectSettings(const QString& projectSettingsFile, AppPaths& paths)
{
    readBoothFile(projectSettingsFile, paths.m_moduleFolder, paths);
    m_combinationIndex = IniFile::readInt(projectSettingsFile, section(), key(KeyCombinationIndex));
    m_comPictureFlag = IniFile::readString(projectSettingsFile, section(), key(KeyComPictureFlag));
}

bool BoothSettings::SaveSettings(const AppPaths& paths) const
{
    const QString& file = paths.m_settingsFile;
    bool ok = true;
    auto text = [&](SettingKey k, const QString& v) { ok = IniFile::writeString(file, section(), key(k), v) && ok; };
    auto number = [&](SettingKey k, int v) { ok = IniFile::writeInt(file, section(), key(k), v) && ok; };
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
