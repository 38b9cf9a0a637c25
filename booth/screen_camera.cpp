// DlgCorvantis, the camera coming and going: a camera that stops or is unplugged is told once,
// the device list follows cameras being plugged in and out, and one unplugged while live starts
// again by itself when a device of the same name returns.
#include <algorithm>

#include <QSignalBlocker>

#include "booth/dlg_corvantis.h"
#include "capture/capture_video.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "skin/sk_combo_box.h"

void DlgCorvantis::OnGraphNotify()
{
    const QList<GraphEvent> events = m_capture->DrainEvents();
    // Only a live camera is reported: the notifications of a graph already stopped add nothing.
    if (events.isEmpty() || !m_live)
        return;
    // The graph has stopped: the camera button goes back to off.
    m_cameraButton->SetCheck(false);
    m_live = false;
    setLiveMode(false);
    showFrameArea();
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
    platform::prompts().messageBox(this, text, platform::MbOk | platform::MbIconWarning);
}

void DlgCorvantis::OnDevicesChanged()
{
    const QString chosen = m_cameraLost.isEmpty() ? m_devices->currentText() : m_cameraLost;
    const QString bound = m_capture->BoundDeviceName();
    {
        const QSignalBlocker quiet(m_devices);
        m_devices->clear();
        m_capture->EnumerateDevices(m_devices);
        int index = m_devices->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0 && m_devices->count() > 0)
            index = 0;
        m_devices->setCurrentIndex(index);
    }
    // The graph belongs to its device by name: indices move when another camera comes or goes.
    if (m_graphBuilt)
        m_graphDevice = bound.isEmpty() ? -1 : m_devices->findText(bound, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!m_cameraLost.isEmpty() && !m_live && m_devices->currentText() == m_cameraLost) {
        m_cameraButton->SetCheck(true);
        OnCamera();
    }
}
