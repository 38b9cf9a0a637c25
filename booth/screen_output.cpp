// DlgCorvantis, sheet output and projects: save picture and print hand the sheet of all slots to
// their dialogs; open and save project.
#include "app/app_paths.h"
#include "app/corvantis_app.h"
#include "booth/dlg_corvantis.h"
#include "booth/project_file.h"
#include "platform/prompts.h"

void DlgCorvantis::onSavePicture()
{
    // Hook: the save picture dialog opens here with m_slots.sheet(). Until it exists the button
    // does nothing.
}

void DlgCorvantis::onPrint()
{
    // Hook: the print dialog opens here with m_slots.printSheet(). Until it exists the button does
    // nothing.
}

void DlgCorvantis::OnOpenProject()
{
    platform::OpenFilesRequest request;
    request.title = QStringLiteral("Open project");
    request.startFolder = m_paths.m_currentFolder;
    request.filter = QStringLiteral("Kivra(*.kivra)|*.kivra||");
    request.defaultExtension = QStringLiteral("kivra");
    const QStringList chosen = platform::prompts().openFiles(this, request);
    if (chosen.isEmpty())
        return;
    if (CCorvantisApp* app = CCorvantisApp::instance())
        app->setProjectPath(chosen.first());
    m_projectPathOverride = chosen.first();
    RunBoothLoad();
}

void DlgCorvantis::OnSaveProject()
{
    platform::SaveFileRequest request;
    request.title = QStringLiteral("Save project");
    request.startFolder = m_paths.m_currentFolder;
    request.filter = QStringLiteral("Kivra(*.kivra)|*.kivra||");
    request.defaultExtension = QStringLiteral("kivra");
    request.confirmOverwrite = true;
    QString target = platform::prompts().saveFile(this, request);
    if (target.isEmpty())
        return;
    QString error;
    if (!SaveProject(m_slots, m_paths.m_settingsFile, target, &error))
        platform::prompts().messageBox(this, QStringLiteral("The project could not be saved.\n%1").arg(error),
            platform::MbOk | platform::MbIconError);
}
