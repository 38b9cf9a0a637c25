// BoothCamera: the booth's camera. The device list and the chosen device, live on and off, the
// frame laid over the live picture, and the camera coming and going: one that stops or is
// unplugged is told once, and one unplugged while live starts again when it is plugged back in.
#pragma once

#include <memory>

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>

struct BoothSettings;
class CCaptureVideo;
class QWidget;

class BoothCamera : public QObject {
    Q_OBJECT
public:
    enum class Start { Live, NoCamera, Failed };

    /// Lists the devices and chooses the first; settings (the overlay's opacity) must outlive it.
    explicit BoothCamera(BoothSettings& settings, QObject* parent = nullptr);
    ~BoothCamera() override;

    CCaptureVideo& capture() { return *m_capture; }
    /// The widget the live picture is painted into, and the parent of the camera's messages.
    void setPreview(QWidget* preview) { m_preview = preview; }
    void setDialogParent(QWidget* parent) { m_parent = parent; }

    const QStringList& devices() const { return m_devices; }
    int currentDevice() const { return m_current; }
    QString currentDeviceName() const { return m_devices.value(m_current); }
    void setCurrentDevice(int index) { m_current = index; }

    bool isLive() const { return m_live; }
    /// Starts the live picture (a graph is built the first time and for another device). The
    /// operator's choice ends waiting for an unplugged camera.
    Start start();
    void stop();
    /// Lays frame over the live picture, stretched to the camera's size, keyed on its centre
    /// colour, at the settings' opacity. False when there is no picture or no camera size.
    bool showOverlay(const QImage& frame);
    void hideOverlay();
    /// The picture last laid over the live picture.
    const QImage& overlay() const { return m_overlay; }
    /// Asks for the next frame as a bottom-up BMP at path, with the overlay when withFrame.
    bool grab(const QString& path, bool withFrame);
    /// The camera button found no camera: the list is made again and what was found is told.
    void tellNoCamera();

signals:
    void liveChanged(bool live);
    /// The device list or the chosen device changed.
    void devicesChanged();

private:
    void onGraphNotify();
    void onDevicesChanged();
    void setLive(bool live);

    BoothSettings& m_settings;
    std::unique_ptr<CCaptureVideo> m_capture;
    QWidget* m_preview = nullptr;
    QWidget* m_parent = nullptr;
    QStringList m_devices;
    int m_current = -1;
    bool m_live = false;
    bool m_graphBuilt = false;
    int m_graphDevice = -1;
    QString m_cameraLost; ///< the camera unplugged while live, started again when it returns
    QImage m_overlay;
};
