// Where the camera list comes from: the system's video devices as GStreamer's device monitor sees
// them (plus the built-in test cameras), or test sources that a test plugs in and pulls out. Both
// tell when a device appears or vanishes while the booth runs.
#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

typedef struct _GstElement GstElement;

class CDeviceProvider : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Display names of the video sources, in device-index order.
    virtual QStringList names() = 0;
    /// A new source element for the device at index (the caller owns the reference), or null when
    /// there is no such device or it cannot be opened.
    virtual GstElement* createSource(int index) = 0;
    /// The modes the device at index offers, as caps text (gst_caps_to_string form); empty when
    /// they cannot be read, and the camera then picks its own mode.
    virtual QString caps(int index)
    {
        Q_UNUSED(index);
        return {};
    }

signals:
    void deviceAdded(const QString& name);
    void deviceRemoved(const QString& name);
};

/// The system's cameras through a GstDeviceMonitor, followed by the test cameras asked for
/// (CCaptureVideo::SetTestCameraOverride / KIVRA_TEST_CAMERA). All share one monitor; it runs while
/// a watching provider exists (and then reports changes to each), otherwise names() probes afresh.
class CSystemDeviceProvider : public CDeviceProvider {
    Q_OBJECT
public:
    explicit CSystemDeviceProvider(bool watch, QObject* parent = nullptr);
    ~CSystemDeviceProvider() override;

    QStringList names() override;
    GstElement* createSource(int index) override;
    /// A real device's probed caps; for a built-in test camera its one mode (none while a test
    /// source description replaces the moving picture).
    QString caps(int index) override;
    /// True while the monitor runs and its bus is watched.
    bool isWatching() const;

private:
    bool m_watching = false;
};

/// Test devices: each is a display name with a GStreamer launch description (a videotestsrc
/// pipeline). unplug() makes a device vanish as a real one does: its running sources fail with a
/// resource error, then it leaves the list and the removal is reported; plug() brings it back.
class CTestDeviceProvider : public CDeviceProvider {
    Q_OBJECT
public:
    explicit CTestDeviceProvider(QObject* parent = nullptr);
    ~CTestDeviceProvider() override;

    /// Adds (or replaces) a device; a moving 320 x 240 test pattern when description is empty.
    /// caps: the modes the device claims to offer (empty: none can be read).
    void plug(const QString& name, const QString& description = QString(), const QString& caps = QString());
    /// False when no device has that name. sourcesFail false: the device leaves the list while its
    /// sources keep running, as when the monitor tells before the driver notices.
    bool unplug(const QString& name, bool sourcesFail = true);
    /// Sources made for name that still exist (held by a pipeline).
    int liveSources(const QString& name) const;

    QStringList names() override;
    GstElement* createSource(int index) override;
    QString caps(int index) override;

private:
    struct Device {
        QString name;
        QString description;
        QString caps;
    };
    struct Made;
    std::vector<Device> m_devices;
    std::vector<std::unique_ptr<Made>> m_made;
};
