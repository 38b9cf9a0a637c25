// WorkArea: what the next slot is made of. The frame and photo lists of the resource folders,
// the current frame and photo, the base picture, the photo's place under the frame and whether the
// frame is shown; it composes them into the sheet's first free slot.
#pragma once

#include <functional>

#include <QImage>
#include <QObject>
#include <QRect>
#include <QStringList>

#include "imaging/cximage.h"

struct AppPaths;
class CombinationSlots;
struct ComData;

class WorkArea : public QObject {
    Q_OBJECT
public:
    /// Lists nothing yet (see list()); paths must outlive it.
    explicit WorkArea(AppPaths& paths, QObject* parent = nullptr);

    const QStringList& frameFiles() const { return m_frameFiles; }
    const QStringList& photoFiles() const { return m_photoFiles; }
    int frameIndex() const { return m_frameIndex; }
    int photoIndex() const { return m_photoIndex; }
    QString framePath() const { return m_framePath; }
    QString photoPath() const { return m_photoPath; }
    const CxImage& frame() const { return m_frame; } ///< at its own size
    const CxImage& photo() const { return m_photo; } ///< fitted to the photo area
    const CxImage& base() const { return m_base; }
    /// The photo's rectangle in the screen's client coordinates (the picture place by default).
    QRect photoArea() const { return m_photoArea; }

    bool isFrameShown() const { return m_frameShown; }
    void setFrameShown(bool shown) { m_frameShown = shown; }
    /// While the camera runs the photo cannot be changed and a new frame is laid over the camera.
    bool isLive() const { return m_live; }
    void setLive(bool live) { m_live = live; }

    /// Lists the resource folders; a frame or photo folder that changed (or was empty) is listed
    /// again and its first picture becomes current.
    void list();
    /// The next (+1) or previous (-1) picture of the list; photos only with the camera off.
    void stepFrame(int step);
    void stepPhoto(int step);
    /// Makes path the current frame; false when it does not load (*error then says why).
    bool setFrameFile(const QString& path, QString* error = nullptr);
    /// Makes path the current photo (decoded reduced, fitted to the photo area); false when it
    /// does not load.
    bool setPhotoFile(const QString& path, QString* error = nullptr);
    /// A picture chosen in the browser becomes current. anyFolder: the chosen picture's folder
    /// (folder) becomes the list; otherwise the pick enters the settings file's recent list.
    bool choose(bool photo, const QString& chosen, bool anyFolder, const QString& folder, QString* error);
    /// Moves and sizes the photo (client coordinates) and fits it again.
    void setPhotoArea(const QRect& r);
    /// "To edit area": the slot's frame becomes current; with the camera off its photo too.
    void takeFromSlot(const ComData& slot);
    /// A shot (at shot size) becomes the photo.
    void showShot(const CxImage& shot);

    /// Composes the photo under the frame into the first free slot of sheet. beforeShown gets the
    /// composed picture before the slot shows it; photoBytes gives the photo as taken (encoded) for
    /// the slot's originals (empty: the current photo as loaded). The slot, or -1 when none is free.
    int placeIntoFirstFree(CombinationSlots& sheet, int opacity,
        const std::function<void(const QImage&)>& beforeShown = {}, const std::function<QByteArray()>& photoBytes = {},
        QSize photoSize = {});

    /// Enters path into a recent list of the settings file (keys "0" to "19" of section).
    static void AddToRecentList(const QString& settingsFile, const QString& section, const QString& path);

signals:
    /// The current frame changed; picture is what the live overlay shows of it.
    void frameChanged(const QImage& picture);
    void photoChanged();

private:
    AppPaths& m_paths;
    QStringList m_frameFiles, m_photoFiles;
    QStringList m_emotionFiles, m_maskFiles, m_baseMapFiles, m_backgroundFiles;
    QString m_frameFolderListed, m_photoFolderListed;
    int m_frameIndex = -1;
    int m_photoIndex = -1;
    QString m_framePath, m_photoPath;
    CxImage m_frame;
    CxImage m_photoSource; ///< as loaded
    CxImage m_photo;
    CxImage m_base;
    QRect m_photoArea;
    bool m_frameShown = true;
    bool m_live = false;
};
