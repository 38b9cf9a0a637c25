// BoothCamera: live picture, overlay, the device list and the camera coming and going.
#include "booth/booth_camera.h"

#include <algorithm>

#include <QWidget>

#include "app/booth_settings.h"
#include "capture/capture_video.h"
#include "picture/bitmap_scale.h"
#include "picture/key_colour.h"
#include "platform/prompts.h"

BoothCamera::BoothCamera(BoothSettings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_capture(std::make_unique<CCaptureVideo>())
{
    m_devices = m_capture->EnumerateDevices();
    m_current = m_devices.isEmpty() ? -1 : 0;
    connect(m_capture.get(), &CCaptureVideo::graphNotify, this, &BoothCamera::onGraphNotify);
    connect(m_capture.get(), &CCaptureVideo::devicesChanged, this, &BoothCamera::onDevicesChanged);
}

BoothCamera::~BoothCamera()
{
    m_capture->Stop();
}

void BoothCamera::setLive(bool live)
{
    m_live = live;
    emit liveChanged(live);
}

BoothCamera::Start BoothCamera::start()
{
    if (m_live)
        return Start::Live;
    m_cameraLost.clear(); // the operator's choice replaces waiting for an unplugged camera
    if (m_devices.isEmpty())
        return Start::NoCamera;
    bool ok;
    if (!m_graphBuilt || m_graphDevice != m_current) {
        if (m_preview)
            m_preview->show();
        m_graphDevice = m_current;
        ok = m_capture->BuildGraph(m_graphDevice, m_preview, m_preview ? m_preview->rect() : QRect())
            == CCaptureVideo::kOk;
        m_graphBuilt = ok;
    } else {
        ok = m_capture->Run();
    }
    if (!ok) {
        if (m_preview)
            m_preview->hide();
        return Start::Failed;
    }
    setLive(true);
    return Start::Live;
}

void BoothCamera::stop()
{
    if (!m_live)
        return;
    m_cameraLost.clear();
    m_capture->Stop();
    setLive(false);
}

bool BoothCamera::showOverlay(const QImage& frame)
{
    const QSize video = m_capture->GetNativeVideoSize();
    if (frame.isNull() || video.isEmpty())
        return false;
    // Nearest-neighbour keeps the key colour exact at the frame's inner edge; a smooth resample
    // would leave a seam of blended key colour round the opening.
    const QImage bitmap = ScaleBitmap(frame, video.width(), video.height(), ScaleStretch);
    if (bitmap.isNull())
        return false;
    m_capture->SetColorKey(QColor::fromRgb(CentreKey(bitmap)));
    m_capture->SetOverlayBitmap(bitmap, QRect(0, 0, bitmap.width(), bitmap.height()));
    m_capture->SetOverlayAlpha(9);
    m_capture->SetOverlayAlpha(std::clamp(m_settings.m_alpha, 0, 255) * 10 / 255);
    m_overlay = frame;
    return true;
}

void BoothCamera::hideOverlay()
{
    m_capture->HideOverlay();
}

bool BoothCamera::grab(const QString& path, bool withFrame)
{
    return m_live && m_capture->GrabToFile(path, withFrame ? 1 : 0);
}

void BoothCamera::tellNoCamera()
{
    // The list may be old: a camera plugged in since start is looked for once more.
    m_devices = m_capture->EnumerateDevices();
    if (!m_devices.isEmpty()) {
        m_current = 0;
        emit devicesChanged();
        platform::prompts().messageBox(m_parent,
            QStringLiteral("A camera was found: %1.\nPress the camera button again to start it.")
                .arg(currentDeviceName()),
            platform::MbOk | platform::MbIconInformation);
        return;
    }
    platform::prompts().messageBox(m_parent,
        QStringLiteral("No camera was found.\nConnect a camera and check that it works (for example with "
                       "\"v4l2-ctl --list-devices\", or run the booth with --list-cameras), then press the "
                       "camera button again."),
        platform::MbOk | platform::MbIconWarning);
}

void BoothCamera::onGraphNotify()
{
    const QList<GraphEvent> events = m_capture->DrainEvents();
    // Only a live camera is reported: the notifications of a graph already stopped add nothing.
    if (events.isEmpty() || !m_live)
        return;
    setLive(false);
    const bool lost = std::any_of(
        events.begin(), events.end(), [](const GraphEvent& e) { return e.kind == GraphEvent::DeviceLost; });
    QString text;
    if (lost && !m_capture->BoundDeviceName().isEmpty()) {
        m_cameraLost = m_capture->BoundDeviceName();
        text = QStringLiteral("The camera stopped.\n\u201c%1\u201d was disconnected. The picture comes back by "
                              "itself when it is plugged in again.")
                   .arg(m_cameraLost);
    } else {
        text = QStringLiteral("The camera stopped.\n%1").arg(events.first().text);
    }
    platform::prompts().messageBox(m_parent, text, platform::MbOk | platform::MbIconWarning);
}

void BoothCamera::onDevicesChanged()
{
    const QString chosen = m_cameraLost.isEmpty() ? currentDeviceName() : m_cameraLost;
    const QString bound = m_capture->BoundDeviceName();
    m_devices = m_capture->EnumerateDevices();
    m_current = int(m_devices.indexOf(chosen));
    if (m_current < 0 && !m_devices.isEmpty())
        m_current = 0;
    // The graph belongs to its device by name: indices move when another camera comes or goes.
    if (m_graphBuilt)
        m_graphDevice = bound.isEmpty() ? -1 : int(m_devices.indexOf(bound));
    emit devicesChanged();
    if (!m_cameraLost.isEmpty() && !m_live && currentDeviceName() == m_cameraLost)
        start();
}
