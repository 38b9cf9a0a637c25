// BoothShare: the gallery following the settings, and each finished sheet published once.
#include "booth/booth_share.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <sys/resource.h>
#include <unistd.h>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/share_content.h"
#include "booth/sheet_session.h"
#include "share/share_publisher.h"
#include "share/share_service.h"

namespace {

const char* const kShareNotice = "share";
/// Why a gallery that is switched on does not run: stays until it runs.
const char* const kGalleryNotice = "gallery";
/// The publishing thread's niceness, below the screen's threads: composing a full-resolution
/// sheet and writing its JPEGs takes a processor for a few hundred milliseconds, and the live
/// picture comes first.
constexpr int kPublishNice = 10;
/// The longest a photo print waits for its sheet's link.
constexpr int kPrintLinkWaitMs = 30000;
/// How long the guests' notices about sharing stay (ms).
constexpr int kGuestNoticeMs = 15000;

} // namespace

BoothShare::BoothShare(BoothSettings& settings, AppPaths& paths, SheetSession& session, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_paths(paths)
    , m_session(session)
    , m_service(std::make_unique<ShareService>())
    , m_offered(settings.m_shareGallery == 1)
{
    m_pool.setMaxThreadCount(1);
}

BoothShare::~BoothShare()
{
    // The sheet being written is finished rather than left half in the share folder; its result
    // is not told any more.
    m_waiting.clear();
    m_pool.waitForDone();
    m_service->stop();
}

bool BoothShare::isRunning() const
{
    return m_service->isRunning();
}

void BoothShare::setOffered(bool offered)
{
    if (offered == m_offered)
        return;
    m_offered = offered;
    emit offeredChanged(offered);
}

void BoothShare::apply()
{
    const QString folderBefore = m_service->shareFolder();
    QString error;
    const bool ok = m_service->apply(ShareOptions::from(m_settings), m_paths.m_saveFolder, &error);
    // Links of another share folder are not served any more.
    if (m_service->shareFolder() != folderBefore) {
        m_publishedIdentity.clear();
        m_publishedLink.clear();
    }
    setOffered(m_settings.m_shareGallery == 1);
    if (ok) {
        // The operator's event index has no place on the guests' screen: the log tells its link.
        const QString index = m_service->indexUrl();
        if (!index.isEmpty() && index != m_toldIndex)
            qInfo("corvantis: the event index of the phone gallery is at %s", qPrintable(index));
        m_toldIndex = index;
        if (!m_startError.isEmpty())
            emit noticeWithdrawn(QLatin1String(kGalleryNotice));
        m_startError.clear();
        return;
    }
    m_startError = error.isEmpty() ? QStringLiteral("The phone gallery could not start.") : error;
    emit notice({ QLatin1String(kGalleryNotice),
        QStringLiteral("%1\nGuests cannot take their sheets home until this is put right in the settings (Share with "
                       "phones, port and address).")
            .arg(m_startError),
        true, 0 });
}

void BoothShare::share()
{
    if (!m_offered) {
        emit notice({ QLatin1String(kShareNotice),
            QStringLiteral("Sharing with phones is switched off. The operator switches it on in the settings (Share "
                           "with phones)."),
            false, kGuestNoticeMs });
        return;
    }
    if (!isRunning())
        apply(); // the port may have come free; otherwise the notice says why
    if (!isRunning())
        return;
    if (m_session.sheet().usedSlots().isEmpty()) {
        emit notice({ QLatin1String(kShareNotice), QStringLiteral("Take a picture first: the sheet is still empty."),
            false, kGuestNoticeMs });
        return;
    }
    request(m_session.sheet());
}

void BoothShare::publish(const CombinationSlots& sheet)
{
    if (isRunning())
        request(sheet);
}

bool BoothShare::printsLink() const
{
    return m_settings.m_sharePrintCode == 1 && isRunning();
}

QString BoothShare::printLink(const CombinationSlots& sheet)
{
    if (!printsLink())
        return {};
    const QString identity = SheetSession::identityOf(sheet);
    if (identity.isEmpty())
        return {};
    request(sheet);
    auto pending = [this, &identity] {
        if (m_running && m_running->identity == identity)
            return true;
        for (const auto& job : m_waiting)
            if (job->identity == identity)
                return true;
        return false;
    };
    // The screen keeps painting meanwhile; a press waits until the print is on its way.
    QPointer<BoothShare> self(this);
    QElapsedTimer waited;
    waited.start();
    while (pending() && waited.elapsed() < kPrintLinkWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 50);
        if (!self)
            return {};
    }
    return m_publishedIdentity == identity ? m_publishedLink : QString();
}

QString BoothShare::currentLink() const
{
    const QString identity = m_session.identity();
    return !identity.isEmpty() && identity == m_publishedIdentity ? m_publishedLink : QString();
}

bool BoothShare::waitForIdle(int ms)
{
    QElapsedTimer waited;
    waited.start();
    while ((m_running || !m_waiting.isEmpty()) && waited.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return !m_running && m_waiting.isEmpty();
}

void BoothShare::request(const CombinationSlots& sheet)
{
    const QString identity = SheetSession::identityOf(sheet);
    if (identity.isEmpty())
        return;
    // The same sheet is published once; asked again, its link is shown again.
    if (identity == m_publishedIdentity && !m_publishedLink.isEmpty()) {
        emit linkReady(m_publishedLink);
        return;
    }
    if (m_running && m_running->identity == identity)
        return;
    for (const auto& job : m_waiting)
        if (job->identity == identity)
            return;
    auto job = std::make_shared<Job>();
    job->identity = identity;
    // What drawing the sheet needs, copied: the sheet may change while it is composed.
    job->picture = sheet.sheetPicture();
    job->folder = m_service->shareFolder();
    m_waiting.append(job);
    startNext();
}

void BoothShare::startNext()
{
    if (m_running || m_waiting.isEmpty())
        return;
    m_running = m_waiting.takeFirst();
    std::shared_ptr<Job> job = m_running;
    std::function<void()> hook = m_workerHook;
    m_pool.start([this, job, hook] {
        static thread_local bool lowered = false;
        if (!lowered) {
            ::setpriority(PRIO_PROCESS, ::gettid(), kPublishNice);
            lowered = true;
        }
        if (hook)
            hook();
        const PublishResult result = SharePublisher::publish(job->folder, ShareContentOf(job->picture));
        // Told on the screen's thread; the destructor waits for this thread before it goes.
        QMetaObject::invokeMethod(
            this, [this, job, result] { finished(job, result); }, Qt::QueuedConnection);
    });
}

void BoothShare::finished(const std::shared_ptr<Job>& job, const PublishResult& result)
{
    if (m_running == job)
        m_running.reset();
    const ShareLink link = m_service->linkFor(result);
    if (link.ok) {
        m_publishedIdentity = job->identity;
        m_publishedLink = link.url;
        emit noticeWithdrawn(QLatin1String(kShareNotice));
        // Published, but the share table had damaged lines (kept beside it): the operator looks.
        if (!link.warning.isEmpty())
            emit notice({ QLatin1String(kShareNotice), link.warning, true, 0 });
        emit linkReady(link.url);
    } else {
        qWarning("corvantis: a sheet could not be shared: %s", qPrintable(link.error));
        emit notice({ QLatin1String(kShareNotice),
            QStringLiteral("The sheet could not be shared with phones.\n%1").arg(link.error), true, 0 });
        emit publishFailed(link.error);
    }
    startNext();
}
