// The start-up and exit sequences of the booth.
#include "app/corvantis_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "app/file_type.h"
#include "platform/private_temp.h"

namespace {

CCorvantisApp* g_app = nullptr;

struct StoredFolder {
    const char* value;
    QString AppPaths::*folder;
    const char* resourceName; ///< for the module-folder default; nullptr for the save folder
};

// Folder values of the per-user store, as the exit sequence writes them back.
const StoredFolder kResourceFolders[] = {
    { appdefaults::kValueFramePath, &AppPaths::m_frameFolder, appdefaults::kFrameFolder },
    { appdefaults::kValuePortraitPath, &AppPaths::m_portraitFolder, appdefaults::kPortraitFolder },
    { appdefaults::kValueMaskPath, &AppPaths::m_maskFolder, appdefaults::kMaskFolder },
    { appdefaults::kValueEmotionPath, &AppPaths::m_emotionFolder, appdefaults::kEmotionFolder },
    { appdefaults::kValueBackGroundPath, &AppPaths::m_backgroundFolder, appdefaults::kBackgroundFolder },
    { appdefaults::kValueBaseMapPath, &AppPaths::m_baseMapFolder, appdefaults::kBaseMapFolder },
};

/// Reads a value of the store's main key; a missing one gets defaultValue, written back.
QString readOrWriteDefault(const char* value, const QString& defaultValue)
{
    const QString name = QLatin1String(value);
    QString text;
    if (AppToolkit::ReadRegistryString(QString(), name, &text))
        return text;
    AppToolkit::WriteRegistryString(QString(), name, defaultValue); // a failed write is ignored
    return defaultValue;
}

} // namespace

CCorvantisApp::CCorvantisApp()
{
    g_app = this;
}

CCorvantisApp::~CCorvantisApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CCorvantisApp* CCorvantisApp::instance()
{
    return g_app;
}

bool CCorvantisApp::InitInstance()
{
    AppPaths& paths = appPaths();
    const QString exe = !m_executablePath.isEmpty() ? m_executablePath
        : QCoreApplication::instance()              ? QCoreApplication::applicationFilePath()
                                                    : QString();
    QString module = m_moduleFolder;
    if (module.isEmpty() && !exe.isEmpty())
        module = resolveModuleFolder({}, qEnvironmentVariable("KIVRA_HOME"), QFileInfo(exe).absolutePath());
    if (!module.isEmpty())
        paths.setModuleFolder(module);
    paths.setSystemTempFolder();
    // Folders that killed or crashed runs left hold guests' pictures: they go before anything else.
    platform::removeStaleTempFolders(QFile::encodeName(paths.m_tempFolder).toStdString());

    // 1. The project file type; every failure is ignored. Tests never start the cache tools.
    if (!exe.isEmpty())
        RegisterFileType(exe, {}, !QStandardPaths::isTestModeEnabled());

    // 2. The project named on the command line.
    m_projectFiles.clear();
    if (!m_projectPath.isEmpty() && m_projectUnpacker)
        m_projectFiles = m_projectUnpacker(m_projectPath);

    // 3-5. Widgets, the event loop and the skin artwork are Qt's and the skin module's own;
    // there is no recent-file list in this program to load.

    // 6. The toolkit needs a module folder to serve.
    if (module.isEmpty())
        return false;
    m_toolkit = std::make_unique<AppToolkit>();

    // 7, 8. Folders from the per-user store, then from the settings file.
    determineFolders();
    boothSettings().LoadSettingsAtStartup(paths);
    if (!m_demoContentFolder.isEmpty())
        copyDemoContent();

    // 9, 10. Profile values for the text tool, the JPEG writer and the document type.
    readProfileValues();
    if (m_textToolSetUp)
        m_textToolSetUp(m_textTool);

    // 11. Images on the clipboard travel under this mime type.
    m_clipboardFormat = QLatin1String(kClipboardFormatName);

    // 12. The main booth screen.
    if (m_mainDialogRunner)
        m_mainDialogResult = m_mainDialogRunner();
    return true;
}

void CCorvantisApp::determineFolders()
{
    using namespace appdefaults;
    AppPaths& paths = appPaths();
    paths.m_homeAddress = readOrWriteDefault(kValueHomePage, QLatin1String(kHomePage));
    paths.m_version = readOrWriteDefault(kValueVersion, QLatin1String(kVersion));
    paths.m_helpAddress = readOrWriteDefault(kValueHelp, QLatin1String(kHelpPage));
    paths.m_saveFolder = readOrWriteDefault(kValueSavePath, defaultSaveFolder());
    AppToolkit::MakeFolders(paths.m_saveFolder);
    paths.m_supportAddress = readOrWriteDefault(kValueSupport, QLatin1String(kSupport));
    // Resource folders in the order frame, portrait, mask, emotion, background, base map.
    for (const StoredFolder& f : kResourceFolders)
        paths.*f.folder = readOrWriteDefault(f.value, paths.defaultResourceFolder(f.resourceName));
}

void CCorvantisApp::readProfileValues()
{
    // The text record's own defaults are the text tool's; these are the values laid over them.
    const QString tool = QStringLiteral("TextTool");
    m_textTool.m_faceName = AppToolkit::ReadProfileString(tool, QStringLiteral("lfFaceName"), m_textTool.m_faceName);
    m_textTool.m_charSet = AppToolkit::ReadProfileInt(tool, QStringLiteral("lfCharSet"), 238);
    m_textTool.m_weight = AppToolkit::ReadProfileInt(tool, QStringLiteral("lfWeight"), 0);
    m_textTool.m_italic = AppToolkit::ReadProfileInt(tool, QStringLiteral("lfItalic"), 0);
    m_textTool.m_underline = AppToolkit::ReadProfileInt(tool, QStringLiteral("lfUnderline"), 0);
    m_textTool.m_textColour
        = static_cast<quint32>(AppToolkit::ReadProfileInt(tool, QStringLiteral("fcolor"), 0xA0FFFF));
    m_textTool.m_backColour
        = static_cast<quint32>(AppToolkit::ReadProfileInt(tool, QStringLiteral("bcolor"), 0xA05000));
    m_textTool.m_opaque = AppToolkit::ReadProfileInt(tool, QStringLiteral("opaque"), 1);
    m_textTool.m_opacity = AppToolkit::ReadProfileInt(tool, QStringLiteral("opacity"), 0) / 100.0f;
    m_textTool.m_roundRadius = AppToolkit::ReadProfileInt(tool, QStringLiteral("roundradius"), 25);
    m_textTool.m_antialias = AppToolkit::ReadProfileInt(tool, QStringLiteral("antialias"), 1);

    const QString options = QStringLiteral("Options");
    const int qualityF = AppToolkit::ReadProfileInt(options, QStringLiteral("JpegQualityF"), 0);
    const int qualityI = AppToolkit::ReadProfileInt(options, QStringLiteral("JpegQualityI"), 90);
    m_jpegQuality = qualityI + qualityF * 0.001;
    m_jpegOptions = AppToolkit::ReadProfileInt(options, QStringLiteral("JpegOptions"), 0);
    m_rawOptions = AppToolkit::ReadProfileInt(options, QStringLiteral("RawOptions"), 0);
    m_docType = AppToolkit::ReadProfileInt(QStringLiteral("General"), QStringLiteral("DocType"), 0);
}

void CCorvantisApp::copyDemoContent()
{
    const AppPaths& paths = appPaths();
    const std::pair<const char*, QString> targets[] = {
        { appdefaults::kFrameFolder, paths.m_frameFolder },
        { appdefaults::kPortraitFolder, paths.m_portraitFolder },
        { appdefaults::kBackgroundFolder, paths.m_backgroundFolder },
        { appdefaults::kMaskFolder, paths.m_maskFolder },
        { appdefaults::kEmotionFolder, paths.m_emotionFolder },
        { appdefaults::kBaseMapFolder, paths.m_baseMapFolder },
    };
    for (const auto& [name, target] : targets) {
        QStringList present, demo;
        AppToolkit::ListFiles(target, present);
        AppToolkit::ListFiles(m_demoContentFolder + QLatin1Char('/') + QLatin1String(name), demo);
        // Only an empty folder is filled: the operator's own pictures are never mixed with demo ones.
        if (target.isEmpty() || !present.isEmpty() || demo.isEmpty() || !AppToolkit::MakeFolders(target))
            continue;
        for (const QString& file : demo) {
            if (QFile::copy(file, target + QLatin1Char('/') + QFileInfo(file).fileName()))
                ++m_demoFilesCopied;
        }
    }
}

int CCorvantisApp::ExitInstance()
{
    AppPaths& paths = appPaths();
    if (m_toolkit) {
        for (const StoredFolder& f : kResourceFolders)
            AppToolkit::WriteRegistryString(QString(), QLatin1String(f.value), paths.*f.folder);
        // The default, not the folder used in this run: the settings file's PathSave is what persists.
        AppToolkit::WriteRegistryString(
            QString(), QLatin1String(appdefaults::kValueSavePath), appdefaults::defaultSaveFolder());
    }
    m_toolkit.reset();
    return 0;
}
