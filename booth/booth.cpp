// Booth: the parts and the wiring between them.
#include "booth/booth.h"

#include <algorithm>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "app/corvantis_app.h"
#include "booth/booth_load.h"
#include "booth/main_screen_ids.h"
#include "picture/image_bridge.h"

namespace {
/// Start-up warnings stay a little longer than the other notices, then close by themselves.
constexpr int kStartNoticeMs = 30000;
} // namespace

Booth::Booth(BoothSettings& settings, AppPaths& paths, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_paths(paths)
    , m_session(settings, paths)
    , m_work(paths)
    , m_camera(settings)
    , m_shooting(settings, paths, m_camera, m_session, m_work)
    , m_kiosk(settings, paths, m_session)
    , m_output(settings, paths, m_session)
    , m_share(settings, paths, m_session)
{
    connect(&m_session, &SheetSession::notice, this, &Booth::notice);
    connect(&m_session, &SheetSession::noticeWithdrawn, this, &Booth::noticeWithdrawn);
    connect(&m_kiosk, &KioskPolicy::notice, this, &Booth::notice);
    connect(&m_output, &BoothOutput::notice, this, &Booth::notice);

    // The camera going live or off decides what may change in the work area; a new frame goes over
    // the live picture when the frame is shown.
    connect(&m_camera, &BoothCamera::liveChanged, this, [this](bool live) {
        m_work.setLive(live);
        // The overlay is the current frame picture, so what the guest sees is what the shot gets,
        // also after "To edit area" put a slot's frame there.
        if (live && m_work.isFrameShown() && m_work.frame().IsValid())
            m_camera.showOverlay(BitmapFromImage(m_work.frame()));
    });
    connect(&m_work, &WorkArea::frameChanged, this, [this](const QImage& picture) {
        if (m_camera.isLive() && m_work.isFrameShown() && !picture.isNull())
            m_camera.showOverlay(picture);
    });
    connect(&m_kiosk, &KioskPolicy::changed, this, [this](bool on) {
        m_shooting.setGuestView(on);
        m_output.setGuestMode(on);
    });

    // Saved and printed sheets get their link; in kiosk mode a full sheet gets it too, since the
    // guests are done with it.
    connect(&m_share, &BoothShare::notice, this, &Booth::notice);
    connect(&m_share, &BoothShare::noticeWithdrawn, this, &Booth::noticeWithdrawn);
    m_output.setPublisher(&m_share);
    connect(&m_shooting, &BoothShooting::shotFinished, this, [this](int slot) {
        const CombinationSlots& sheet = m_session.sheet();
        if (slot >= 0 && m_kiosk.isOn() && sheet.usedSlots().size() >= sheet.count())
            m_share.publish(sheet);
    });
}

Booth::~Booth()
{
    m_output.setPublisher(nullptr); // sharing ends first
}

void Booth::setDialogParent(QWidget* parent)
{
    m_camera.setDialogParent(parent);
    m_shooting.setDialogParent(parent);
    m_kiosk.setDialogParent(parent);
    m_output.setDialogParent(parent);
}

void Booth::load()
{
    QString project = m_projectPathOverride;
    if (project.isEmpty())
        if (CCorvantisApp* app = CCorvantisApp::instance())
            project = app->projectPath();
    QString error;
    const bool ok = m_session.loadProject(project, &error);
    m_work.list();
    m_session.start(!project.isEmpty());
    m_share.apply();
    // Told without a question: nobody may be there to answer at start (a kiosk restarted after a
    // crash, a screenshot run), and the booth must take input at once.
    const QString settingsNotice = TakeOversizedSettingsNotice(m_paths.m_settingsFile);
    if (!settingsNotice.isEmpty())
        emit notice({ QStringLiteral("settings"), settingsNotice, true, kStartNoticeMs });
    if (!ok && !project.isEmpty())
        emit notice({ QStringLiteral("project"),
            QStringLiteral("The project could not be opened completely.\n%1").arg(error), true, kStartNoticeMs });
}

void Booth::openProject()
{
    if (!m_kiosk.operatorAllows())
        return;
    const QString chosen = m_output.chooseProject();
    if (chosen.isEmpty())
        return;
    m_projectPathOverride = chosen;
    load();
}

void Booth::slotCommand(int slot, int command)
{
    if (command == MainScreenIds::CmdToEditArea) {
        if (m_session.sheet().setCurrentSlot(slot))
            m_work.takeFromSlot(m_session.sheet().slot(slot));
        emit m_session.currentSlotChanged();
        return;
    }
    if (command == MainScreenIds::CmdClear) {
        if (!m_session.sheet().setCurrentSlot(slot))
            return;
        if (!m_kiosk.confirmClear()) {
            emit m_session.currentSlotChanged();
            return;
        }
    }
    m_session.run(slot, command);
}

bool Booth::changeLayout(int layout)
{
    if (layout == m_session.sheet().layout() || !m_kiosk.confirmLayoutChange(layout))
        return false;
    return m_session.changeLayout(layout);
}

void Booth::setFrameShown(bool shown)
{
    m_work.setFrameShown(shown);
    if (!m_camera.isLive())
        return;
    if (shown)
        refreshOverlay();
    else
        m_camera.hideOverlay();
}

void Booth::refreshOverlay()
{
    if (!(m_work.frame().IsValid() && m_camera.showOverlay(BitmapFromImage(m_work.frame())))
        && !m_camera.overlay().isNull())
        m_camera.showOverlay(m_camera.overlay());
}

int Booth::usePicture()
{
    if (m_camera.isLive() || !m_work.photo().IsValid())
        return -1;
    const int slot = m_work.placeIntoFirstFree(m_session.sheet(), std::clamp(m_settings.m_alpha, 0, 255));
    if (slot >= 0)
        emit m_session.currentSlotChanged();
    if (m_settings.m_autoChangeFrame == 1)
        m_work.stepFrame(+1);
    return slot;
}

void Booth::settingsChanged()
{
    m_work.list();
    m_share.apply();
    if (m_camera.isLive() && m_work.isFrameShown() && m_work.frame().IsValid())
        m_camera.showOverlay(BitmapFromImage(m_work.frame()));
}
