// BoothShare: the phone gallery as a part of the booth. It starts and stops the gallery with the
// settings, publishes each finished sheet once (composed and written off the screen's thread)
// and tells its link, for the screen to show as a QR code and for photo prints to carry.
#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include "booth/booth_notice.h"
#include "booth/sheet_publisher.h"
#include "output/sheet_picture.h"

struct AppPaths;
struct BoothSettings;
struct PublishResult;
class SheetSession;
class ShareService;

class BoothShare : public QObject, public SheetPublisher {
    Q_OBJECT
public:
    /// Works on settings and paths, which must outlive it. Nothing runs until apply().
    BoothShare(BoothSettings& settings, AppPaths& paths, SheetSession& session, QObject* parent = nullptr);
    /// Waits for a sheet being published, then stops the gallery.
    ~BoothShare() override;

    /// Follows ShareGallery, SharePort and ShareBind (and the save folder): starts, restarts or
    /// stops the gallery. A gallery that is switched on but cannot run is told on a notice (key
    /// "share") that stays until it runs or is switched off.
    void apply();
    /// Whether sharing is switched on, so Share is offered.
    bool isOffered() const { return m_offered; }
    bool isRunning() const;
    ShareService& service() const { return *m_service; }

    /// The Share action on the sheet as it is now: published (once) and its link told. An empty
    /// sheet or a gallery that does not run is told on the banner instead.
    void share();
    /// A sheet that was saved or printed, or filled in kiosk mode: published once and its link
    /// told; nothing while the gallery does not run.
    void publish(const CombinationSlots& sheet) override;
    bool printsLink() const override;
    QString printLink(const CombinationSlots& sheet) override;

    /// The link of the sheet as it is now, once it is published (empty otherwise).
    QString currentLink() const;
    bool isPublishing() const { return m_running != nullptr; }
    /// Dispatches events until no sheet is being published or ms passed; whether it is idle.
    bool waitForIdle(int ms);
    /// Runs on the publishing thread before each sheet is composed (tests hold it there).
    void setWorkerHook(std::function<void()> hook) { m_workerHook = std::move(hook); }

signals:
    void offeredChanged(bool offered);
    /// A sheet's link to show: just published, or published before and asked for again.
    void linkReady(const QString& url);
    /// Publishing a sheet failed (also told on the banner, key "share").
    void publishFailed(const QString& error);
    void notice(const BoothNotice& notice);
    void noticeWithdrawn(const QString& key);

private:
    struct Job {
        QString identity;
        SheetPicture picture;
        QString folder;
    };
    /// Publishes sheet unless it already is (its link is then told again).
    void request(const CombinationSlots& sheet);
    void startNext();
    void finished(const std::shared_ptr<Job>& job, const PublishResult& result);
    void setOffered(bool offered);

    BoothSettings& m_settings;
    AppPaths& m_paths;
    SheetSession& m_session;
    std::unique_ptr<ShareService> m_service;
    bool m_offered = false;
    QString m_startError; ///< why the gallery that is switched on does not run
    QString m_toldIndex; ///< the event index's link as last written to the log
    QString m_publishedIdentity; ///< the sheet last published, and its link
    QString m_publishedLink;
    std::shared_ptr<Job> m_running; ///< being published on the pool's thread
    QList<std::shared_ptr<Job>> m_waiting;
    std::function<void()> m_workerHook;
    QThreadPool m_pool; ///< one thread, lowered below the screen's
};
