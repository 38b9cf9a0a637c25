// Shooting: the countdown, the grab into a shot file in the process's private temporary folder,
// the bounded wait for the file, and placing the composed shot into the first free slot.
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/composition.h"
#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "booth/shot_archive.h"
#include "picture/image_bridge.h"
#include "capture/capture_video.h"
#include "platform/long_operation.h"
#include "platform/private_temp.h"
#include "platform/prompts.h"
#include "skin/sk_static.h"

QString DlgCorvantis::ShotFileName(const QString& tempFolder, const QDateTime& when)
{
    QString folder = tempFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("cap_") + when.toString(QStringLiteral("yyMMddHHmmss")) + QStringLiteral(".bmp");
}

void DlgCorvantis::setCountdown(const QString& text)
{
    m_countdown->setText(text);
    // Screen readers hear the seconds left, as the screen shows them.
    if (!text.isEmpty())
        m_countdown->setAccessibleDescription(text);
    m_countdown->setVisible(!text.isEmpty());
    m_countdown->update();
    emit countdownChanged(text);
}

void DlgCorvantis::waitStep(int milliseconds)
{
    // The screen keeps painting and answering while the booth waits. It may be gone when this
    // returns: callers check their guard before touching members.
    platform::waitDispatching(milliseconds);
}

void DlgCorvantis::OnShoot()
{
    if (!m_live || m_shooting)
        return;
    if (m_slots.usedSlots().size() >= m_slots.count()) {
        // Said before the countdown, so nobody poses for a shot that has nowhere to go.
        platform::prompts().messageBox(this,
            QStringLiteral("All slots are full.\nSave or print the sheet, then clear it or remove a picture."),
            platform::MbOk | platform::MbIconInformation);
        emit shotFinished(-1);
        return;
    }
    m_shooting = true;
    QPointer<DlgCorvantis> self(this);
    auto finish = [&](int slot) {
        if (!self)
            return;
        m_shooting = false;
        if (slot < 0)
            m_guest->clear();
        emit shotFinished(slot);
    };

    const int delay = std::max(0, m_settings.m_shottingDelay);
    const QString label = QStringLiteral("count down %1 seconds");
    setCountdown(label.arg(delay));
    // Guests see the countdown large over themselves; the label stays for the operator.
    if (m_kiosk && delay > 0)
        m_guest->showCountdown(delay);
    QElapsedTimer clock;
    clock.start();
    int shownSeconds = 0;
    while (clock.elapsed() < qint64(delay) * 1000) {
        waitStep(10);
        if (!self)
            return;
        const int seconds = int(std::min<qint64>(delay, clock.elapsed() / 1000));
        if (seconds != shownSeconds) {
            shownSeconds = seconds;
            setCountdown(label.arg(delay - seconds));
            if (m_kiosk && delay > seconds)
                m_guest->showCountdown(delay - seconds);
        }
    }
    setCountdown(QString());
    if (!m_live)
        return finish(-1); // the camera was switched off during the countdown
    if (m_kiosk)
        m_guest->flash(); // drawn over the screen only: the camera's frame never sees it

    // The camera's file is a guest's picture: it goes into this process's private folder, never
    // into the shared temp folder where others could read it or plant a link under its name.
    std::string folderError;
    const std::string folder
        = platform::processTempFolder(QFile::encodeName(m_paths.m_tempFolder).toStdString(), &folderError);
    if (folder.empty()) {
        platform::prompts().messageBox(this,
            QStringLiteral("The shot could not be taken: no private temporary folder could be made in %1.")
                .arg(QString::fromLocal8Bit(folderError.c_str())),
            platform::MbOk | platform::MbIconWarning);
        return finish(-1);
    }
    // The archive keeps every shot; the camera's file of the one before is not needed any more.
    if (!m_lastShotPath.isEmpty())
        QFile::remove(m_lastShotPath);
    // Shots of the same second share a name: an older file there must not pass for this shot.
    const QDateTime takenAt = QDateTime::currentDateTime();
    const QString path = ShotFileName(QFile::decodeName(folder.c_str()), takenAt);
    QFile::remove(path);
    // The camera may not have shown its first frame yet: the request is repeated while waiting.
    auto grab = [&] { return m_live && m_capture->GrabToFile(path, isFrameShown() ? 1 : 0); };
    bool requested = grab();
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(path)) {
        if (waited.elapsed() >= m_shotWaitLimit) {
            platform::prompts().messageBox(this,
                QStringLiteral("The camera did not deliver a picture.\nPlease check the camera and try again."),
                platform::MbOk | platform::MbIconWarning);
            return finish(-1);
        }
        waitStep(10);
        if (!self)
            return;
        if (!m_live)
            return finish(-1);
        if (!requested)
            requested = grab();
    }

    CxImage shot;
    if (!shot.Load(path.toLocal8Bit().constData(), CXIMAGE_FORMAT_BMP) || !shot.IsValid())
        return finish(-1);
    CxImage asTaken;
    asTaken.Copy(shot);
    if (int(shot.GetWidth()) != kShotWidth || int(shot.GetHeight()) != kShotHeight) {
        CxImage resized;
        if (!ResampleForBooth(shot, kShotWidth, kShotHeight, resized))
            return finish(-1);
        shot.TakeOver(resized);
    }
    // A shot with no free slot left (one filled during the countdown) is dropped before it
    // replaces the photo the user had.
    if (m_slots.usedSlots().size() >= m_slots.count())
        return finish(-1);
    m_photoSource.Copy(shot);
    CxImage fitted;
    if (ResampleForBooth(shot, photoArea().width(), photoArea().height(), fitted))
        m_photo.TakeOver(fitted);
    else
        m_photo.TakeOver(shot);
    showPhotoArea();

    // The shot is kept in the archive before its slot shows it; a failure to keep it is told,
    // but the shot still reaches its slot.
    QString archiveError;
    bool archived = false;
    m_lastArchivedShot.clear();
    auto keep = [&](const QImage& composed) {
        archived = true;
        const QString saveFolder
            = m_paths.m_saveFolder.isEmpty() ? appdefaults::defaultSaveFolder() : m_paths.m_saveFolder;
        ShotArchive::Files files;
        if (ShotArchive(saveFolder).archive(asTaken, composed, takenAt, &files, &archiveError))
            m_lastArchivedShot = files.camera;
    };
    const int slot = placeIntoFirstFree(std::clamp(m_settings.m_alpha, 0, 255), keep);
    if (!archived) // every slot taken: the shot is still kept
        keep(BitmapFromImage(m_photo));
    if (slot >= 0) {
        updateCurrentSlot();
        if (m_kiosk)
            m_guest->showShot(m_slots.slot(slot).m_composed);
    }
    m_lastShotPath = path;
    if (!archiveError.isEmpty())
        platform::prompts().messageBox(this, archiveError, platform::MbOk | platform::MbIconWarning);
    if (!self)
        return;
    finish(slot);
    if (m_settings.m_autoChangeFrame == 1 && isFrameShown())
        OnNextFrame();
}
