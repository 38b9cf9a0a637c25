// Shooting: the countdown, the grab into a shot file in the temp folder, the bounded wait for the
// file, and placing the composed shot into the first free slot.
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/composition.h"
#include "booth/dlg_corvantis.h"
#include "capture/capture_video.h"
#include "platform/long_operation.h"
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
    m_shooting = true;
    QPointer<DlgCorvantis> self(this);
    auto finish = [&](int slot) {
        if (!self)
            return;
        m_shooting = false;
        emit shotFinished(slot);
    };

    const int delay = std::max(0, boothSettings().m_shottingDelay);
    const QString label = QStringLiteral("count down %1 seconds");
    setCountdown(label.arg(delay));
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
        }
    }
    setCountdown(QString());
    if (!m_live)
        return finish(-1); // the camera was switched off during the countdown

    // Shots of the same second share a name: an older file there must not pass for this shot.
    const QString path = ShotFileName(appPaths().m_tempFolder, QDateTime::currentDateTime());
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
    if (int(shot.GetWidth()) != kShotWidth || int(shot.GetHeight()) != kShotHeight) {
        CxImage resized;
        if (!ResampleForBooth(shot, kShotWidth, kShotHeight, resized))
            return finish(-1);
        shot.TakeOver(resized);
    }
    m_photoSource.Copy(shot);
    CxImage fitted;
    if (ResampleForBooth(shot, photoArea().width(), photoArea().height(), fitted))
        m_photo.TakeOver(fitted);
    else
        m_photo.TakeOver(shot);
    showPhotoArea();

    const int slot = placeIntoFirstFree(std::clamp(boothSettings().m_alpha, 0, 255));
    if (slot >= 0)
        updateCurrentSlot();
    m_lastShotPath = path;
    finish(slot);
    if (boothSettings().m_autoChangeFrame == 1 && isFrameShown())
        OnNextFrame();
}
