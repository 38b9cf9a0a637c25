// AppToolkit services over QDir, QSettings and the INI file reader.
#include "app/app_toolkit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "app/app_paths.h"
#include "platform/ini_file.h"
#include "platform/prompts.h"

namespace {

AppToolkit* g_instance = nullptr;

QString storeKey(const QString& group, const QString& value)
{
    return group.isEmpty() ? value : group + QLatin1Char('/') + value;
}

QSettings* newStore()
{
    return new QSettings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(appdefaults::kStoreOrganisation),
        QLatin1String(appdefaults::kStoreApplication));
}

QString executablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace

AppToolkit::AppToolkit()
{
    g_instance = this;
}

AppToolkit::~AppToolkit()
{
    if (g_instance == this)
        g_instance = nullptr;
}

AppToolkit* AppToolkit::instance()
{
    return g_instance;
}

QString AppToolkit::ModuleFolder(QString* name, QString* extension) const
{
    const QString exe = executablePath();
    if (name)
        *name = SplitPath(exe, Name);
    if (extension)
        *extension = SplitPath(exe, Ext);
    return appPaths().m_moduleFolder;
}

QString AppToolkit::TempFolder() const
{
    return appPaths().m_tempFolder;
}

QString AppToolkit::SplitPath(const QString& path, int part)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString dir = path.left(slash + 1);
    const QString file = path.mid(slash + 1);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    const QString name = dot < 0 ? file : file.left(dot);
    const QString ext = dot < 0 ? QString() : file.mid(dot);
    switch (part) {
    case Drive:
        return {};
    case Directory:
    case DriveDirectory:
        return dir;
    case Name:
        return name;
    case Ext:
        return ext;
    case NameExt:
        return file;
    default:
        return {};
    }
}

QString AppToolkit::Extension(const QString& path)
{
    const QString ext = SplitPath(path, Ext);
    return ext.isEmpty() ? QString() : ext.mid(1);
}

bool AppToolkit::ReadRegistryString(const QString& group, const QString& value, QString* text)
{
    std::unique_ptr<QSettings> store(newStore());
    const QVariant v = store->value(storeKey(group, value));
    if (!v.isValid() || store->status() != QSettings::NoError)
        return false;
    if (text)
        *text = v.toString();
    return true;
}

bool AppToolkit::WriteRegistryString(const QString& group, const QString& value, const QString& text)
{
    std::unique_ptr<QSettings> store(newStore());
    store->setValue(storeKey(group, value), text);
    store->sync();
    return store->status() == QSettings::NoError;
}

int AppToolkit::ReadProfileInt(const QString& section, const QString& key, int defaultValue)
{
    QString text;
    if (!ReadRegistryString(section, key, &text))
        return defaultValue;
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : defaultValue;
}

QString AppToolkit::ReadProfileString(const QString& section, const QString& key, const QString& defaultValue)
{
    QString text;
    return ReadRegistryString(section, key, &text) ? text : defaultValue;
}

bool AppToolkit::MakeFolders(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).isDir())
        return true;
    return QDir().mkpath(path);
}

bool AppToolkit::FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

void AppToolkit::ListFiles(const QString& folder, QStringList& list)
{
    list.clear();
    if (folder.isEmpty())
        return;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    QString prefix = folder;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    for (const QString& name : names) {
        if (!QFileInfo(prefix + name).isDir())
            list.append(prefix + name);
    }
}

namespace {
QString& lastChosenFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString AppToolkit::BrowseFolder(QWidget* parent, const QString& title, const QString& startFolder)
{
    const QString chosen = platform::prompts().pickFolder(parent, title, startFolder);
    NoteChosenFolder(chosen);
    return chosen;
}

QString AppToolkit::LastChosenFolder()
{
    return lastChosenFolder();
}

void AppToolkit::NoteChosenFolder(const QString& folder)
{
    if (!folder.isEmpty())
        lastChosenFolder() = folder;
}

QString AppToolkit::ReadSettingString(const QString& file, const QString& section, const QString& key)
{
    if (file.isEmpty())
        return ReadProfileString(section, key, QString()).left(platform::kIniValueMax);
    return platform::IniFile::readString(file, section, key);
}

int AppToolkit::ReadSettingInt(const QString& file, const QString& section, const QString& key)
{
    return platform::parseDecimal(ReadSettingString(file, section, key));
}

bool AppToolkit::WriteSettingString(
    const QString& file, const QString& section, const QString& key, const QString& text)
{
    if (file.isEmpty())
        return WriteRegistryString(section, key, text);
    return platform::IniFile::writeString(file, section, key, text);
}

bool AppToolkit::WriteSettingInt(const QString& file, const QString& section, const QString& key, int value)
{
    return WriteSettingString(file, section, key, QString::number(value));
}
