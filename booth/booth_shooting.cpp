// BoothShooting: countdown, grab, archive, compose and place.
#include "booth/booth_shooting.h"

#include <algorithm>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/booth_camera.h"
#include "booth/main_screen_ids.h"
#include "booth/sheet_session.h"
#include "booth/shot_archive.h"
#include "booth/slot_original.h"
#include "booth/work_area.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "platform/long_operation.h"
#include "platform/private_temp.h"
#include "platform/prompts.h"

BoothShooting::BoothShooting(BoothSettings& settings, AppPaths& paths, BoothCamera& camera, SheetSession& session,
    WorkArea& work, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_paths(paths)
    , m_camera(camera)
    , m_session(session)
    , m_work(work)
    , m_wait([](int milliseconds) { platform::waitDispatching(milliseconds); })
{
}

QString BoothShooting::ShotFileName(const QString& tempFolder, const QDateTime& when)
{
    QString folder = tempFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("cap_") + when.toString(QStringLiteral("yyMMddHHmmss")) + QStringLiteral(".bmp");
}

void BoothShooting::tell(const QString& text, bool warning)
{
    platform::prompts().messageBox(
        m_parent, text, platform::MbOk | (warning ? platform::MbIconWarning : platform::MbIconInformation));
}

void BoothShooting::shoot()
{
    if (!m_camera.isLive() || m_shooting)
        return;
    CombinationSlots& sheet = m_session.sheet();
    if (sheet.usedSlots().size() >= sheet.count()) {
        // Said before the countdown, so nobody poses for a shot that has nowhere to go.
        tell(QStringLiteral("All slots are full.\nSave or print the sheet, then clear it or remove a picture."), false);
        emit shotFinished(-1);
        return;
    }
    m_shooting = true;
    // The screen may be closed during any wait: nothing of this object is touched once it is gone
    // (the wait itself is a copy, so it outlives the object).
    QPointer<BoothShooting> self(this);
    const std::function<void(int)> wait = m_wait;
    auto finish = [&](int slot) {
        if (!self)
            return;
        m_shooting = false;
        if (slot < 0)
            emit guestCleared();
        emit shotFinished(slot);
    };

    const int delay = std::max(0, m_settings.m_shottingDelay);
    const QString label = QStringLiteral("count down %1 seconds");
    emit countdownChanged(label.arg(delay));
    // Guests see the countdown large over themselves; the label stays for the operator.
    if (m_guests && delay > 0)
        emit guestCountdown(delay);
    QElapsedTimer clock;
    clock.start();
    int shownSeconds = 0;
    while (clock.elapsed() < qint64(delay) * 1000) {
        wait(10);
        if (!self)
            return;
        const int seconds = int(std::min<qint64>(delay, clock.elapsed() / 1000));
        if (seconds != shownSeconds) {
            shownSeconds = seconds;
            emit countdownChanged(label.arg(delay - seconds));
            if (m_guests && delay > seconds)
                emit guestCountdown(delay - seconds);
        }
    }
    emit countdownChanged(QString());
    if (!m_camera.isLive())
        return finish(-1); // the camera was switched off during the countdown
    if (m_guests)
        emit guestFlash(); // drawn over the screen only: the camera's frame never sees it

    // The camera's file is a guest's picture: it goes into this process's private folder, never
    // into the shared temp folder where others could read it or plant a link under its name.
    std::string folderError;
    const std::string folder
        = platform::processTempFolder(QFile::encodeName(m_paths.m_tempFolder).toStdString(), &folderError);
    if (folder.empty()) {
        tell(QStringLiteral("The shot could not be taken: no private temporary folder could be made in %1.")
                 .arg(QString::fromLocal8Bit(folderError.c_str())),
            true);
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
    auto grab = [&] { return m_camera.grab(path, m_work.isFrameShown()); };
    bool requested = grab();
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(path)) {
        if (waited.elapsed() >= m_shotWaitLimit) {
            tell(QStringLiteral("The camera did not deliver a picture.\nPlease check the camera and try again."), true);
            return finish(-1);
        }
        wait(10);
        if (!self)
            return;
        if (!m_camera.isLive())
            return finish(-1);
        if (!requested)
            requested = grab();
    }

    CxImage shot;
    if (!shot.Load(path.toLocal8Bit().constData(), CXIMAGE_FORMAT_BMP) || !shot.IsValid())
        return finish(-1);
    CxImage asTaken;
    asTaken.Copy(shot);
    if (int(shot.GetWidth()) != MainScreenIds::kShotWidth || int(shot.GetHeight()) != MainScreenIds::kShotHeight) {
        CxImage resized;
        if (!ResampleForBooth(shot, MainScreenIds::kShotWidth, MainScreenIds::kShotHeight, resized))
            return finish(-1);
        shot.TakeOver(resized);
    }
    // A shot with no free slot left (one filled during the countdown) is dropped before it
    // replaces the photo the user had.
    if (sheet.usedSlots().size() >= sheet.count())
        return finish(-1);
    m_work.showShot(shot);

    // The shot is kept in the archive before its slot shows it; a failure to keep it is told,
    // but the shot still reaches its slot.
    QString archiveError;
    bool archived = false;
    m_lastArchivedShot.clear();
    QByteArray cameraBytes;
    auto keep = [&](const QImage& composed) {
        archived = true;
        const QString saveFolder
            = m_paths.m_saveFolder.isEmpty() ? appdefaults::defaultSaveFolder() : m_paths.m_saveFolder;
        ShotArchive::Files files;
        if (ShotArchive(saveFolder).archive(asTaken, composed, takenAt, &files, &archiveError)) {
            m_lastArchivedShot = files.camera;
            cameraBytes = files.cameraBytes;
        }
    };
    // The slot keeps the shot as the camera took it (the archive's bytes, not encoded twice).
    auto shotBytes
        = [&] { return cameraBytes.isEmpty() ? EncodeOriginalPhoto(BitmapFromImage(asTaken)) : cameraBytes; };
    const int slot = m_work.placeIntoFirstFree(sheet, std::clamp(m_settings.m_alpha, 0, 255), keep, shotBytes,
        QSize(int(asTaken.GetWidth()), int(asTaken.GetHeight())));
    if (!archived) // every slot taken: the shot is still kept
        keep(BitmapFromImage(m_work.photo()));
    if (slot >= 0) {
        emit m_session.currentSlotChanged();
        if (m_guests)
            emit guestShot(sheet.slot(slot).m_composed);
    }
    m_lastShotPath = path;
    if (!archiveError.isEmpty())
        tell(archiveError, true);
    if (!self)
        return;
    finish(slot);
    if (m_settings.m_autoChangeFrame == 1 && m_work.isFrameShown())
        m_work.stepFrame(+1);
}
