// DlgCorvantis, screen settings: the slot layouts, the configuration dialog, the booth load and the
// folders and recent lists the settings file names, kiosk mode asked for at start.
#include <cstdio>

#include <QTimer>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "app/corvantis_app.h"
#include "app/dlg_configure.h"
#include "app/operator_lock.h"
#include "booth/booth_load.h"
#include "booth/dlg_corvantis.h"
#include "booth/session_autosave.h"
#include "picture/image_bridge.h"
#include "platform/prompts.h"
#include "skin/notice_banner.h"

namespace {
/// Start-up warnings stay a little longer than the other notices, then close by themselves.
constexpr int kStartNoticeMs = 30000;
} // namespace
#include "skin/cx_skin_button.h"

void DlgCorvantis::OnLayout(int layout)
{
    if (layout == m_slots.layout())
        return;
    if (!confirmLayoutChange(layout)) {
        for (int i = 0; i < 5; ++i)
            m_layoutButtons[i]->SetCheck(i == m_slots.layout());
        return;
    }
    if (!m_slots.changeLayout(layout))
        return;
    rebuildSlotWidgets();
    if (m_autosave)
        m_autosave->sheetChanged();
}

void DlgCorvantis::onConfigure()
{
    if (!operatorAllows())
        return;
    DlgConfigure dlg(m_settings, m_paths, platform::prompts(), this);
    connect(&dlg, &DlgConfigure::kioskChanged, this, &DlgCorvantis::setKioskMode);
    const bool wasKiosk = m_kiosk;
    dlg.exec();
    if (m_switchesPresentation && m_kiosk != wasKiosk)
        QTimer::singleShot(0, this, [this] { done(kPresentationChanged); });
    // The values took effect at once; the screen follows the folders and the opacity.
    listFolders();
    if (m_live && isFrameShown() && m_frame.IsValid())
        applyLiveOverlayImage(BitmapFromImage(m_frame));
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
    startSession(!project.isEmpty());
    // Told without a question: nobody may be there to answer at start (a kiosk restarted after a
    // crash, a screenshot run), and the booth must take input at once.
    const QString settingsNotice = TakeOversizedSettingsNotice(m_paths.m_settingsFile);
    if (!settingsNotice.isEmpty())
        m_notices->post(QStringLiteral("settings"), settingsNotice, NoticeBanner::Warning, kStartNoticeMs);
    if (!ok && !project.isEmpty())
        m_notices->post(QStringLiteral("project"),
            QStringLiteral("The project could not be opened completely.\n%1").arg(error), NoticeBanner::Warning,
            kStartNoticeMs);
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

// ---- Kiosk mode at start ----

QString DlgCorvantis::kioskWithoutPinNotice()
{
    return QStringLiteral("Kiosk mode has no operator PIN, so it cannot be left or changed here.\nStop the booth "
                          "from the system, start it without --kiosk and set a PIN in Settings.");
}

bool DlgCorvantis::requestKioskAtStart(bool unattended)
{
    if (!m_settings.m_operatorPin.trimmed().isEmpty() || unattended || sessionWasLeft()) {
        setKioskMode(true);
        if (m_settings.m_operatorPin.trimmed().isEmpty())
            std::fprintf(stderr, "corvantis: %s\n", qPrintable(kioskWithoutPinNotice().replace('\n', ' ')));
        return true;
    }
    if (SetUpOperatorPin(nullptr, m_settings, m_paths.m_settingsFile, platform::prompts(), KioskPinQuestion())) {
        setKioskMode(true);
        return true;
    }
    m_notices->post(QStringLiteral("kiosk"),
        QStringLiteral("Kiosk mode was not started: it needs an operator PIN, and none was set.\nSet one in "
                       "Settings (Operator PIN) and switch kiosk mode on there."),
        NoticeBanner::Warning, kStartNoticeMs);
    return false;
}

bool DlgCorvantis::sessionWasLeft() const
{
    if (m_paths.m_moduleFolder.isEmpty())
        return false;
    QString folder = m_paths.m_moduleFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return SessionAutosave::HasLeftSession(folder + QStringLiteral("Session"));
}

// ---- Autosaved session ----

void DlgCorvantis::startSession(bool projectOpened)
{
    if (m_autosave) {
        m_autosave->sheetChanged(); // an opened project replaced the sheet
        return;
    }
    if (m_paths.m_moduleFolder.isEmpty())
        return;
    QString folder = m_paths.m_moduleFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    m_autosave = std::make_unique<SessionAutosave>(folder + QStringLiteral("Session"), m_paths.m_settingsFile);
    connect(m_autosave.get(), &SessionAutosave::writeFinished, this, &DlgCorvantis::onAutosaveFinished);
    if (m_autosave->hasLeftSession()) {
        if (projectOpened) {
            m_autosave->finishSession(); // the chosen project wins; the left sheet is kept aside
        } else {
            QString error;
            const int restored = m_autosave->restoreLeftSession(m_slots, &error);
            rebuildSlotWidgets();
            const int n = std::max(restored, 0);
            QString text = QStringLiteral("The booth did not end normally last time.\nThe sheet of that session "
                                          "has been restored (%1).")
                               .arg(n == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(n));
            if (!error.isEmpty())
                text += QStringLiteral("\n") + error;
            m_notices->post(QStringLiteral("restored"), text, NoticeBanner::Information);
        }
    }
    m_autosave->watch(&m_slots);
    m_autosave->sheetChanged();
}

void DlgCorvantis::onAutosaveFinished(bool ok, const QString& reason)
{
    // Told once while the failures last, on a notice that stays: the sheet is not safe from a
    // crash until a write succeeds again, which every change of the sheet tries.
    if (ok) {
        if (m_autosaveFailing)
            m_notices->withdraw(QStringLiteral("autosave"));
        m_autosaveFailing = false;
        return;
    }
    if (m_autosaveFailing)
        return;
    m_autosaveFailing = true;
    const QString folder = m_autosave ? m_autosave->folder() : QString();
    m_notices->post(QStringLiteral("autosave"),
        QStringLiteral("The sheet is not safe from a crash: it could not be autosaved.\n%1: %2\nShots are still "
                       "taken and kept; the booth tries again with the next change.")
            .arg(folder, reason),
        NoticeBanner::Warning, 0);
}

void DlgCorvantis::endSession()
{
    if (m_autosave)
        m_autosave->finishSession();
    m_autosave.reset();
}
