// DlgCorvantis, sheet output and projects: save picture and print hand the sheet of all slots to
// their dialogs; open and save project.
#include <memory>

#include "app/app_paths.h"
#include "app/corvantis_app.h"
#include "booth/dlg_corvantis.h"
#include "booth/project_file.h"
#include "output/dlg_print.h"
#include "output/dlg_save_picture.h"
#include "output/printer_mark.h"
#include "output/printer_watch.h"
#include "platform/control_id.h"
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
    // Jobs were probably queued: the mark shows them now rather than at the next round.
    if (m_printerWatch)
        m_printerWatch->refresh();
}

void DlgCorvantis::startPrinterWatch()
{
    if (m_printerWatch)
        return;
    auto* button = platform::findControl<QWidget>(this, kPrintId);
    if (!button)
        return;
    // The server is asked on the watch's own thread: a slow or missing server never stalls the screen.
    m_printerWatch = new PrinterWatch(this);
    m_printerMark = new CPrinterMark(button, m_printerWatch);
    m_printerWatch->watchPrinter(QString(), kPrinterWatchInterval);
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
