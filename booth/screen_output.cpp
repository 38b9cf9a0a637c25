// DlgCorvantis, sheet output and projects: save picture and print hand the sheet of all slots to
// their dialogs, the guests' one-touch print of kiosk mode; open and save project.
#include <algorithm>
#include <memory>

#include <QPointer>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "app/corvantis_app.h"
#include "booth/dlg_corvantis.h"
#include "booth/project_file.h"
#include "output/dlg_print.h"
#include "output/dlg_save_picture.h"
#include "output/photo_print.h"
#include "output/printer_mark.h"
#include "output/printer_queue.h"
#include "output/printer_watch.h"
#include "platform/control_id.h"
#include "platform/long_operation.h"
#include "platform/prompts.h"
#include "skin/notice_banner.h"

namespace {

const char* const kPrintNotice = "print";
/// The outcome of a guest's job, under a key of its own: it arrives late and must not replace
/// what the banner says about a newer press.
const char* const kPrintedNotice = "printed";
/// How long the guests' print notices stay (ms).
constexpr int kGuestNoticeMs = 15000;

QString copiesText(int n)
{
    return n == 1 ? QStringLiteral("1 copy") : QStringLiteral("%1 copies").arg(n);
}

QString timesText(int n)
{
    return n == 1 ? QStringLiteral("once") : n == 2 ? QStringLiteral("twice") : QStringLiteral("%1 times").arg(n);
}

} // namespace

DlgSavePicture* DlgCorvantis::createSaveDialog()
{
    return new DlgSavePicture(m_slots.sheetPicture(), m_paths, this);
}

DlgPrint* DlgCorvantis::createPrintDialog()
{
    return new DlgPrint(m_slots.sheetPicture(), m_settings, this);
}

void DlgCorvantis::onSavePicture()
{
    std::unique_ptr<DlgSavePicture> dlg(createSaveDialog());
    dlg->exec();
}

void DlgCorvantis::onPrint()
{
    if (m_kiosk) {
        OnGuestPrint();
        return;
    }
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
    connect(m_printerWatch, &PrinterWatch::jobFinished, this, &DlgCorvantis::onGuestJobFinished);
    m_printerWatch->watchPrinter(QString(), kPrinterWatchInterval);
}

QString DlgCorvantis::sheetIdentity() const
{
    // The same pictures in other slots are the same sheet: swapping two slots does not make a
    // new sheet to print again; a new shot, a removed one or an edit does.
    QStringList parts;
    for (int i : m_slots.usedSlots()) {
        const ComData& r = m_slots.slot(i);
        parts << QStringLiteral("%1/%2/%3")
                     .arg(r.m_background.cacheKey())
                     .arg(r.m_frame.isNull() ? 0 : r.m_frame.cacheKey())
                     .arg(r.m_opacity);
    }
    parts.sort();
    return parts.join(QLatin1Char(','));
}

int DlgCorvantis::guestPrintsOfSheet() const
{
    return sheetIdentity() == m_guestPrintedSheet ? m_guestPrints : 0;
}

bool DlgCorvantis::OnGuestPrint()
{
    if (m_guestPrinting)
        return false; // the banner already tells that the sheet is on its way
    auto tell = [this](const QString& text, NoticeBanner::Kind kind = NoticeBanner::Information) {
        m_notices->post(QLatin1String(kPrintNotice), text, kind, kGuestNoticeMs);
    };
    if (m_slots.usedSlots().isEmpty()) {
        tell(QStringLiteral("Take a picture first: the sheet is still empty."));
        return false;
    }
    const int most = m_settings.m_maxPrintsPerSheet;
    if (most <= 0) {
        tell(QStringLiteral("Printing is switched off here. Please ask the host."));
        return false;
    }
    const QString sheet = sheetIdentity();
    if (sheet != m_guestPrintedSheet) {
        m_guestPrintedSheet = sheet;
        m_guestPrints = 0;
    }
    if (m_guestPrints >= most) {
        tell(QStringLiteral("This sheet has already been printed %1, as often as one sheet may be.")
                 .arg(timesText(m_guestPrints)));
        return false;
    }

    PhotoPrintRequest request;
    request.paper = PhotoPaperFromKey(m_settings.m_kioskPrintPaper).value_or(PhotoPaper::Photo6x4);
    request.copies = std::clamp(m_settings.m_kioskPrintCopies, 1, kMaxPrintCopies);
    request.askUser = false;
    request.showMessages = false; // guests get the banner, never a box to answer
    request.printWhenAttention = false;
    const SheetPicture picture = m_slots.sheetPicture();
    m_guestPrinting = true;
    tell(QStringLiteral("Printing your sheet\u2026"));
    QPointer<DlgCorvantis> self(this);
    const PhotoJob job = PreparePhotoPrint(this, picture.fullResolutionSize(), request);
    PrintResult result = job.result;
    if (job.ready && !platform::runWhileDispatching(this, [&] { result = SendPhotoPrint(job, picture); }))
        return false;
    if (!self)
        return false;
    m_guestPrinting = false;
    if (!result.printed) {
        // The operator finds the details in the log; the guest learns what to do.
        QString why = result.error.trimmed();
        why.replace(QLatin1Char('\n'), QLatin1Char(' '));
        qWarning("corvantis: the guests' print failed: %s", qPrintable(why));
        tell(result.cancelled
                ? QStringLiteral("The printer is not ready, so your sheet was not printed. Please ask the host.")
                : QStringLiteral("Your sheet could not be printed. Please ask the host."),
            NoticeBanner::Warning);
        return false;
    }
    ++m_guestPrints;
    tell(QStringLiteral("Your sheet is on its way to the printer: %1 on %2.")
             .arg(copiesText(job.copies), PhotoPaperText(request.paper)));
    startPrinterWatch();
    if (m_printerWatch) {
        m_guestJobs.append(result.jobId);
        m_printerWatch->followJob(result.jobId);
        m_printerWatch->refresh();
    }
    return true;
}

void DlgCorvantis::onGuestJobFinished(const JobStatus& status)
{
    if (!m_guestJobs.removeOne(status.id))
        return;
    if (!status.hasFailed() && status.state == JobState::Completed) {
        m_notices->post(QLatin1String(kPrintedNotice), QStringLiteral("Your print is ready. Enjoy!"),
            NoticeBanner::Information, kGuestNoticeMs);
        return;
    }
    QString why = status.printerMessage;
    if (why.isEmpty())
        why = status.reasons.join(QStringLiteral(", "));
    if (why.isEmpty())
        why = status.stateName();
    m_notices->post(QLatin1String(kPrintedNotice),
        QStringLiteral("The printer could not print your sheet (%1). Please ask the host.").arg(why),
        NoticeBanner::Warning, 0);
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
