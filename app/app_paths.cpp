// Working folders: defaults, the module folder rule and the process-wide path strings.
#include "app/app_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <string_view>

static_assert(std::string_view(appdefaults::kVersion) == KIVRA_PROJECT_VERSION,
    "the program's version and the project's version in CMakeLists.txt differ");

namespace appdefaults {

QString defaultSaveFolder()
{
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(kProductName);
}

QString fallbackCurrentFolder()
{
    return QDir::homePath();
}

} // namespace appdefaults

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool isWritableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

} // namespace

void AppPaths::setModuleFolder(const QString& folder)
{
    m_moduleFolder = withSlash(folder);
    m_settingsFile = m_moduleFolder + QLatin1String(appdefaults::kSettingsFileName);
}

void AppPaths::setSystemTempFolder()
{
    m_tempFolder = withSlash(QDir::tempPath());
}

QString AppPaths::defaultResourceFolder(const char* name) const
{
    return m_moduleFolder + QLatin1String(appdefaults::kImageFolder) + QLatin1Char('/') + QLatin1String(name);
}

AppPaths& appPaths()
{
    static AppPaths paths;
    return paths;
}

QString installedDataFolder(const QString& exeFolder)
{
    if (exeFolder.isEmpty())
        return {};
    const QString folder = QDir::cleanPath(QDir(exeFolder).absoluteFilePath(QStringLiteral(KIVRA_DATA_FROM_BIN)));
    return QFileInfo(folder).isDir() ? withSlash(folder) : QString();
}

QString resolveModuleFolder(const QString& homeOption, const QString& envHome, const QString& exeFolder, QString* note)
{
    const QString explicitHome = !homeOption.isEmpty() ? homeOption : envHome;
    if (!explicitHome.isEmpty()) {
        const QString folder = QDir(explicitHome).absolutePath();
        QDir().mkpath(folder);
        if (isWritableFolder(folder))
            return withSlash(QDir::cleanPath(folder));
        if (note)
            *note = QStringLiteral("The home folder %1 cannot be written; using the application data folder.")
                        .arg(folder);
    } else if (!exeFolder.isEmpty() && isWritableFolder(exeFolder) && installedDataFolder(exeFolder).isEmpty()) {
        // An installed program's folder (/usr/bin) is everybody's, and writable for root: never a module folder.
        return withSlash(QDir::cleanPath(QDir(exeFolder).absolutePath()));
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withSlash(data);
}
