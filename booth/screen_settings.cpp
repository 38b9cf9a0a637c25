// DlgCorvantis, screen settings: the slot layouts, the configuration dialog, the booth load and the
// folders and recent lists the settings file names.
#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "app/corvantis_app.h"
#include "booth/booth_load.h"
#include "booth/dlg_corvantis.h"
#include "platform/prompts.h"

void DlgCorvantis::OnLayout(int layout)
{
    if (layout == m_slots.layout() || !m_slots.changeLayout(layout))
        return;
    rebuildSlotWidgets();
}

void DlgCorvantis::onConfigure()
{
    // Hook: the configuration dialog opens here on m_settings and m_paths; afterwards the folders
    // are listed again (listFolders()). Until it exists the button does nothing.
}

void DlgCorvantis::RunBoothLoad()
{
    QString project = m_projectPathOverride;
    if (project.isEmpty())
        if (CCorvantisApp* app = CCorvantisApp::instance())
            project = app->projectPath();
    QString error;
    const bool ok = ::RunBoothLoad(m_slots, project, m_settings, m_paths, &error);
    rebuildSlotWidgets();
    listFolders();
    if (!ok && !project.isEmpty())
        platform::prompts().messageBox(this,
            QStringLiteral("The project could not be opened completely.\n%1").arg(error),
            platform::MbOk | platform::MbIconWarning);
}

void DlgCorvantis::listFolders()
{
    const AppPaths& paths = m_paths;
    AppToolkit::ListFiles(paths.m_emotionFolder, m_emotionFiles);
    AppToolkit::ListFiles(paths.m_baseMapFolder, m_baseMapFiles);
    AppToolkit::ListFiles(paths.m_backgroundFolder, m_backgroundFiles);
    AppToolkit::ListFiles(paths.m_maskFolder, m_maskFiles);
    if (m_frameFolderListed != paths.m_frameFolder || m_frameFiles.isEmpty()) {
        m_frameFolderListed = paths.m_frameFolder;
        AppToolkit::ListFiles(paths.m_frameFolder, m_frameFiles);
        m_frameFiles.sort(Qt::CaseInsensitive);
        m_frameIndex = -1;
        m_framePath.clear();
        m_frame.Destroy();
        stepFrame(+1);
        if (m_frameIndex < 0)
            showFrameArea();
    }
    if (m_photoFolderListed != paths.m_portraitFolder || m_photoFiles.isEmpty()) {
        m_photoFolderListed = paths.m_portraitFolder;
        AppToolkit::ListFiles(paths.m_portraitFolder, m_photoFiles);
        m_photoFiles.sort(Qt::CaseInsensitive);
        m_photoIndex = -1;
        stepPhoto(+1);
    }
}

void DlgCorvantis::AddToRecentList(const QString& settingsFile, const QString& section, const QString& path)
{
    QString joined;
    int firstEmpty = -1;
    for (int k = 0; k < 20; ++k) {
        const QString v = AppToolkit::ReadSettingString(settingsFile, section, QString::number(k));
        if (v.isEmpty()) {
            firstEmpty = k;
            break;
        }
        joined += v;
    }
    if (joined.contains(path))
        return;
    if (firstEmpty >= 0) {
        AppToolkit::WriteSettingString(settingsFile, section, QString::number(firstEmpty), path);
        return;
    }
    for (int k = 19; k >= 1; --k)
        AppToolkit::WriteSettingString(settingsFile, section, QString::number(k),
            AppToolkit::ReadSettingString(settingsFile, section, QString::number(k - 1)));
    AppToolkit::WriteSettingString(settingsFile, section, QStringLiteral("0"), path);
}
