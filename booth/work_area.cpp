// WorkArea: frame and photo lists, the current pictures and composing them into a slot.
#include "booth/work_area.h"

#include <QFile>
#include <QFileInfo>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/main_screen_ids.h"
#include "booth/slot_original.h"
#include "imaging/load_reduced.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "picture/picture_files.h"
#include "skin/skin_resources.h"

namespace {

/// Photos are only ever shown and composed small: they are decoded reduced.
constexpr uint32_t kPhotoDecodeWidth = 1280;
constexpr uint32_t kPhotoDecodeHeight = 960;

bool loadPhoto(const QString& path, CxImage& out, QString* error)
{
    std::string why;
    if (path.isEmpty()
        || !LoadReduced(QFile::encodeName(path).constData(), kPhotoDecodeWidth, kPhotoDecodeHeight, out, &why)) {
        if (error)
            *error = QStringLiteral("%1 could not be opened.\n%2").arg(path, QString::fromStdString(why));
        return false;
    }
    return true;
}

} // namespace

WorkArea::WorkArea(AppPaths& paths, QObject* parent)
    : QObject(parent)
    , m_paths(paths)
    , m_photoArea(MainScreenIds::kPictureRect)
{
    ImageFromBitmap(skin::SkinBitmap(skin::kBasePicture), m_base);
}

void WorkArea::list()
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
            emit frameChanged(QImage());
    }
    if (m_photoFolderListed != paths.m_portraitFolder || m_photoFiles.isEmpty()) {
        m_photoFolderListed = paths.m_portraitFolder;
        AppToolkit::ListFiles(paths.m_portraitFolder, m_photoFiles);
        m_photoFiles.sort(Qt::CaseInsensitive);
        m_photoIndex = -1;
        stepPhoto(+1);
    }
}

void WorkArea::stepFrame(int step)
{
    for (int i = m_frameIndex + step; i >= 0 && i < int(m_frameFiles.size()); i += step) {
        if (!HasImageExtension(m_frameFiles[i]))
            continue;
        m_frameIndex = i;
        if (m_live) {
            // The list moves on even when the file does not load: the next press tries the next one.
            m_framePath = m_frameFiles[i];
            CxImage frame;
            if (LoadPicture(m_framePath, frame)) {
                m_frame.TakeOver(frame);
                emit frameChanged(BitmapFromImage(m_frame));
            }
        } else {
            setFrameFile(m_frameFiles[i]);
        }
        return;
    }
}

void WorkArea::stepPhoto(int step)
{
    if (m_live)
        return;
    for (int i = m_photoIndex + step; i >= 0 && i < int(m_photoFiles.size()); i += step) {
        if (!HasImageExtension(m_photoFiles[i]))
            continue;
        m_photoIndex = i;
        setPhotoFile(m_photoFiles[i]);
        return;
    }
}

bool WorkArea::setFrameFile(const QString& path, QString* error)
{
    CxImage frame;
    if (!LoadPicture(path, frame, error)) {
        if (error)
            *error = QStringLiteral("%1 could not be opened.\n%2").arg(path, *error);
        return false;
    }
    m_frame.TakeOver(frame);
    m_framePath = path;
    emit frameChanged(BitmapFromImage(m_frame));
    return true;
}

bool WorkArea::setPhotoFile(const QString& path, QString* error)
{
    CxImage photo;
    if (!loadPhoto(path, photo, error))
        return false;
    CxImage fitted;
    if (!FitTo(photo, m_photoArea.size(), fitted))
        return false;
    m_photoSource.TakeOver(photo);
    m_photo.TakeOver(fitted);
    m_photoPath = path;
    emit photoChanged();
    return true;
}

bool WorkArea::choose(bool photo, const QString& chosen, bool anyFolder, const QString& folder, QString* error)
{
    if (anyFolder) {
        // The chosen folder becomes the one browsed with previous and next.
        QStringList files;
        AppToolkit::ListFiles(folder, files);
        files.sort(Qt::CaseInsensitive);
        (photo ? m_photoFiles : m_frameFiles) = files;
        (photo ? m_photoFolderListed : m_frameFolderListed) = folder;
    } else {
        AddToRecentList(m_paths.m_settingsFile,
            QLatin1String(kSettingKeys[photo ? KeyRecentlyPortrait : KeyRecentlyFrame]), chosen);
    }
    const QStringList& list = photo ? m_photoFiles : m_frameFiles;
    int index = -1;
    for (int i = 0; i < int(list.size()); ++i)
        if (QFileInfo(list[i]) == QFileInfo(chosen))
            index = i;
    const bool loaded = photo ? setPhotoFile(chosen, error) : setFrameFile(chosen, error);
    if (loaded && index >= 0)
        (photo ? m_photoIndex : m_frameIndex) = index;
    return loaded;
}

void WorkArea::setPhotoArea(const QRect& r)
{
    if (r.isEmpty())
        return;
    m_photoArea = r;
    if (m_photoSource.IsValid()) {
        CxImage fitted;
        if (FitTo(m_photoSource, r.size(), fitted))
            m_photo.TakeOver(fitted);
    }
    emit photoChanged();
}

void WorkArea::takeFromSlot(const ComData& r)
{
    if (!r.m_used)
        return;
    if (m_live) {
        // The slot's frame becomes the current frame too, so the next shot gets the frame shown.
        CxImage frame;
        if (!r.m_frame.isNull() && ImageFromBitmap(r.m_frame, frame)) {
            m_frame.TakeOver(frame);
            emit frameChanged(r.m_frame);
        }
        return;
    }
    CxImage photo, frame;
    if (ImageFromBitmap(r.m_background, photo)) {
        CxImage fitted;
        if (FitTo(photo, m_photoArea.size(), fitted)) {
            m_photoSource.TakeOver(photo);
            m_photo.TakeOver(fitted);
            emit photoChanged();
        }
    }
    if (!r.m_frame.isNull() && ImageFromBitmap(r.m_frame, frame)) {
        m_frame.TakeOver(frame);
        emit frameChanged(r.m_frame);
    }
}

void WorkArea::showShot(const CxImage& shot)
{
    m_photoSource.Copy(shot);
    CxImage fitted;
    if (ResampleForBooth(shot, m_photoArea.width(), m_photoArea.height(), fitted)) {
        m_photo.TakeOver(fitted);
    } else {
        CxImage copy;
        copy.Copy(shot);
        m_photo.TakeOver(copy);
    }
    emit photoChanged();
}

int WorkArea::placeIntoFirstFree(CombinationSlots& sheet, int opacity,
    const std::function<void(const QImage&)>& beforeShown, const std::function<QByteArray()>& photoBytes,
    QSize photoSize)
{
    const QRect pictureRect = MainScreenIds::kPictureRect;
    ComposeInput in;
    in.base = &m_base;
    in.photo = &m_photo;
    in.frame = &m_frame;
    in.photoArea = m_photoArea;
    in.frameArea = pictureRect;
    in.frameShown = m_frameShown;
    // The shot is composed like a chosen photo: the frame the user saw over the live picture
    // belongs on the shot, so it is laid over here even while the camera runs.
    in.live = false;
    in.alpha = opacity;
    ComposeResult out;
    if (sheet.usedSlots().size() >= sheet.count() || !Compose(in, out))
        return -1;
    if (beforeShown)
        beforeShown(out.composed);
    // The originals: the photo at its own resolution and its place on the canvas, so saving and
    // printing can compose the slot again at full resolution.
    QByteArray bytes = photoBytes ? photoBytes() : QByteArray();
    QSize size = photoSize;
    if (bytes.isEmpty() && m_photoSource.IsValid()) {
        bytes = EncodeOriginalPhoto(BitmapFromImage(m_photoSource));
        size = QSize(int(m_photoSource.GetWidth()), int(m_photoSource.GetHeight()));
    }
    const QRect photoRect = m_photoArea.translated(-pictureRect.topLeft());
    auto original = MakeSlotOriginal(bytes, size, photoRect, BitmapFromImage(m_base));
    return sheet.storeIntoFirstFree(
        out.composed, out.background, m_frameShown ? out.frame : QImage(), opacity, std::move(original));
}

void WorkArea::AddToRecentList(const QString& settingsFile, const QString& section, const QString& path)
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
