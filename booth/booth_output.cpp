// BoothOutput: save, print, the guests' one-touch print, the printer watch and projects.
#include "booth/booth_output.h"

#include <algorithm>
#include <memory>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "app/corvantis_app.h"
#include "booth/main_screen_ids.h"
#include "booth/project_file.h"
#include "booth/sheet_publisher.h"
#include "booth/sheet_session.h"
#include "output/dlg_print.h"
#include "output/dlg_save_picture.h"
#include "output/photo_print.h"
#include "output/printer_queue.h"
#include "output/printer_watch.h"
#include "platform/long_operation.h"
#include "platform/prompts.h"

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

BoothOutput::BoothOutput(BoothSettings& settings, AppPaths& paths, SheetSession& session, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_paths(paths)
    , m_session(session)
{
}

DlgSavePicture* BoothOutput::createSaveDialog(QWidget* parent)
{
    return new DlgSavePicture(m_session.sheet().sheetPicture(), m_paths, parent);
}

DlgPrint* BoothOutput::createPrintDialog(QWidget* parent)
{
    auto* dialog = new DlgPrint(m_session.sheet().sheetPicture(), m_settings, parent);
    if (m_publisher && m_publisher->printsLink())
        dialog->setLinkSource([this] { return m_publisher ? m_publisher->printLink(m_session.sheet()) : QString(); });
    return dialog;
}

void BoothOutput::published()
{
    if (m_publisher)
        m_publisher->publish(m_session.sheet());
}

void BoothOutput::save()
{
    std::unique_ptr<DlgSavePicture> dlg(createSaveDialog(m_parent));
    if (dlg->exec() == QDialog::Accepted)
        published();
}

void BoothOutput::print()
{
    if (m_guestMode) {
        guestPrint();
        return;
    }
    std::unique_ptr<DlgPrint> dlg(createPrintDialog(m_parent));
    if (dlg->exec() == QDialog::Accepted)
        published();
    // Jobs were probably queued: the mark shows them now rather than at the next round.
    if (m_printerWatch)
        m_printerWatch->refresh();
}

PrinterWatch* BoothOutput::startPrinterWatch()
{
    if (m_printerWatch)
        return m_printerWatch;
    // The server is asked on the watch's own thread: a slow or missing server never stalls the screen.
    m_printerWatch = new PrinterWatch(this);
    connect(m_printerWatch, &PrinterWatch::jobFinished, this, &BoothOutput::onJobFinished);
    m_printerWatch->watchPrinter(QString(), MainScreenIds::kPrinterWatchInterval);
    emit printerWatchStarted(m_printerWatch);
    return m_printerWatch;
}

int BoothOutput::guestPrintsOfSheet() const
{
    return m_session.identity() == m_guestPrintedSheet ? m_guestPrints : 0;
}

bool BoothOutput::guestPrint()
{
    if (m_guestPrinting)
        return false; // the banner already tells that the sheet is on its way
    auto tell = [this](const QString& text, bool warning = false) {
        emit notice({ QLatin1String(kPrintNotice), text, warning, kGuestNoticeMs });
    };
    const CombinationSlots& sheet = m_session.sheet();
    if (sheet.usedSlots().isEmpty()) {
        tell(QStringLiteral("Take a picture first: the sheet is still empty."));
        return false;
    }
    const int most = m_settings.m_maxPrintsPerSheet;
    if (most <= 0) {
        tell(QStringLiteral("Printing is switched off here. Please ask the host."));
        return false;
    }
    const QString identity = m_session.identity();
    if (identity != m_guestPrintedSheet) {
        m_guestPrintedSheet = identity;
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
    if (m_publisher && m_publisher->printsLink())
        request.link = [this] { return m_publisher ? m_publisher->printLink(m_session.sheet()) : QString(); };
    const SheetPicture picture = sheet.sheetPicture();
    m_guestPrinting = true;
    tell(QStringLiteral("Printing your sheet\u2026"));
    QPointer<BoothOutput> self(this);
    const PhotoJob job = PreparePhotoPrint(m_parent, picture.fullResolutionSize(), request);
    PrintResult result = job.result;
    if (job.ready && !platform::runWhileDispatching(m_parent, [&] { result = SendPhotoPrint(job, picture); }))
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
            true);
        return false;
    }
    ++m_guestPrints;
    tell(QStringLiteral("Your sheet is on its way to the printer: %1 on %2.")
             .arg(copiesText(job.copies), PhotoPaperText(request.paper)));
    published();
    startPrinterWatch();
    m_guestJobs.append(result.jobId);
    m_printerWatch->followJob(result.jobId);
    m_printerWatch->refresh();
    return true;
}

void BoothOutput::onJobFinished(const JobStatus& status)
{
    if (!m_guestJobs.removeOne(status.id))
        return;
    if (!status.hasFailed() && status.state == JobState::Completed) {
        emit notice(
            { QLatin1String(kPrintedNotice), QStringLiteral("Your print is ready. Enjoy!"), false, kGuestNoticeMs });
        return;
    }
    emit notice({ QLatin1String(kPrintedNotice),
        QStringLiteral("The printer could not print your sheet (%1). Please ask the host.").arg(status.why()), true,
        0 });
}

namespace {

/// What the project questions have in common: the kind of file and where they start.
template <typename Request> Request projectRequest(const AppPaths& paths, const char* title)
{
    Request request;
    request.title = QString::fromLatin1(title);
    request.startFolder = paths.m_currentFolder;
    request.filter = QStringLiteral("Kivra(*.kivra)|*.kivra||");
    request.defaultExtension = QStringLiteral("kivra");
    return request;
}

} // namespace

QString BoothOutput::chooseProject()
{
    const auto request = projectRequest<platform::OpenFilesRequest>(m_paths, "Open project");
    const QStringList chosen = platform::prompts().openFiles(m_parent, request);
    if (chosen.isEmpty())
        return QString();
    if (CCorvantisApp* app = CCorvantisApp::instance())
        app->setProjectPath(chosen.first());
    return chosen.first();
}

void BoothOutput::saveProject()
{
    auto request = projectRequest<platform::SaveFileRequest>(m_paths, "Save project");
    request.confirmOverwrite = true;
    QString target = platform::prompts().saveFile(m_parent, request);
    if (target.isEmpty())
        return;
    QString error;
    if (!SaveProject(m_session.sheet(), m_paths.m_settingsFile, target, &error))
        platform::prompts().messageBox(m_parent, QStringLiteral("The project could not be saved.\n%1").arg(error),
            platform::MbOk | platform::MbIconError);
}
