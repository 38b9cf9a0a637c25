// DlgCorvantis, sheet output and projects: save picture and print hand the sheet of all slots to
// their dialogs; open and save project.
#include <memory>

#include "app/app_paths.h"
#include "app/corvantis_app.h"
#include "booth/dlg_corvantis.h"
#include "booth/project_file.h"
#include "output/dlg_print.h"
#include "output/dlg_save_picture.h"
#include "platform/prompts.h"

DlgSavePicture* DlgCorvantis::createSaveDialog()
{
    return new DlgSavePicture(m_slots.sheet(), m_slots.emptySlotPicture(), m_paths, this);
}

DlgPrint* DlgCorvantis::createPrintDialog()
{
    return new DlgPrint(m_slots.printSheet(), m_settings, this);
}

void DlgCorvantis::onSavePicture()
{
    std::unique_ptr<DlgSavePicture> dlg(createSaveDialog());
    dlg->exec();
}

void DlgCorvantis::onPrint()
{
    std::unique_ptr<DlgPrint> dlg(createPrintDialog());
    dlg->exec();
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
