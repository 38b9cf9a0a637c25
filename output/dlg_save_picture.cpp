// DlgSavePicture: backdrop strip with paging, the browser choice, output size and the save.
#include "output/dlg_save_picture.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include "app/app_paths.h"
#include "output/dlg_thum_nail.h"
#include "output/picture_frame.h"
#include "output/picture_save.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "picture/picture_files.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_buttons.h"
#include "skin/sk_combo_box.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"
#include "skin/transparent_pic.h"

namespace {

const char* const kCaption = "Save picture";

CxSkinButton* textButton(QWidget* parent, int id, const QString& text, bool primary, QRect r)
{
    return skin::MakeTextButton(parent, id, text, primary, r, 60);
}

/// A strip frame bitmap with the 80 × 60 copy pasted 3 pixels in (the frame alone without one).
QImage framed(const QImage& frame, const QImage& small)
{
    QImage out = frame.isNull() ? QImage(86, 66, QImage::Format_RGB32) : frame.convertToFormat(QImage::Format_RGB32);
    if (frame.isNull())
        out.fill(QColor(skin::theme::kSlate));
    if (!small.isNull()) {
        QPainter p(&out);
        p.drawImage(3, 3, small);
    }
    return out;
}

} // namespace

DlgSavePicture::DlgSavePicture(const QImage& picture, const QImage& emptySlot, const AppPaths& paths, QWidget* parent)
    : SkinDialog(parent)
    , m_picture(picture)
    , m_startFolder(paths.m_currentFolder)
{
    using namespace skin;
    setWindowTitle(QString::fromLatin1(kCaption));
    setSkinBackground(kSaveBackground, QSize(640, 550));
    readList(paths.m_backgroundFolder);

    m_backdropFrame = new CPictureFrame(this);
    m_backdropFrame->setGeometry(12, 50, kBackdropWidth, kBackdropHeight);
    platform::setControlId(m_backdropFrame, kBackdropId);
    m_preview = new CTransparentPic(this);
    m_preview->setGeometry(12, 50, kBackdropWidth, kBackdropHeight);
    m_preview->setAttribute(Qt::WA_TransparentForMouseEvents);
    platform::setControlId(m_preview, kPreviewId);

    textButton(this, kSaveId, QStringLiteral("Save"), true, QRect(16, 504, 60, 23));
    textButton(this, kCancelId, QStringLiteral("Cancel"), false, QRect(82, 504, 60, 23));
    skin::MakeImageButton(this, kCloseId, kCloseNormal, kCloseOver, QRect(598, 1, 25, 25), QStringLiteral("Close"));
    skin::MakeImageButton(this, kBrowseId, kChooseBackdropNormal, kChooseBackdropOver, QRect(389, 460, 152, 60),
        QStringLiteral("Choose a backdrop from any folder"));
    skin::MakeImageButton(this, kPreviousId, kStripPreviousNormal, kStripPreviousOver, QRect(563, 44, 45, 45),
        QStringLiteral("Previous backdrops"));
    skin::MakeImageButton(
        this, kNextId, kStripNextNormal, kStripNextOver, QRect(563, 422, 45, 45), QStringLiteral("Next backdrops"));
    static constexpr int kSlotY[kStripSlots] = { 91, 158, 225, 292, 359 };
    for (int k = 0; k < kStripSlots; ++k) {
        m_slots[k] = new CxSkinButton(this);
        m_slots[k]->setGeometry(545, kSlotY[k], 86, 66);
        m_slots[k]->setFocusPolicy(Qt::NoFocus);
        m_slots[k]->hide();
        platform::setControlId(m_slots[k], kSlotIds[k]);
        connect(m_slots[k], &QAbstractButton::clicked, this, [this, k] { chooseSlot(k); });
    }

    m_size = new SkComboBox(this);
    m_size->setGeometry(150, 467, 164, 18);
    m_size->addItem(QStringLiteral("1024 X 768 (Hight Quality)"));
    m_size->addItem(QStringLiteral("528 X 400 (Low Quality)"));
    m_size->setCurrentIndex(0);
    platform::setControlId(m_size, kSizeId);
    m_size->setAccessibleName(QStringLiteral("Picture size"));

    auto bind = [this](int id, auto slot) {
        connect(platform::findControl<CxSkinButton>(this, id), &QAbstractButton::clicked, this, slot);
    };
    bind(kSaveId, [this] { OnSave(); });
    bind(kCancelId, [this] { done(IdCancel); });
    bind(kCloseId, [this] { done(IdCancel); });
    bind(kBrowseId, [this] { chooseWithBrowser(); });
    bind(kPreviousId, [this] { previousPage(); });
    bind(kNextId, [this] { nextPage(); });

    m_backdrop = ScaleBitmap(emptySlot, kBackdropWidth, kBackdropHeight, ScaleSmooth);
    if (m_backdrop.isNull()) {
        m_backdrop = QImage(kBackdropWidth, kBackdropHeight, QImage::Format_RGB32);
        m_backdrop.fill(QColor(skin::theme::kPaper));
    }
    m_backdropFrame->setPicture(m_backdrop);
    m_preview->setPicture(ScaleBitmap(m_picture, kBackdropWidth, kBackdropHeight, ScaleSmooth), 0x000000);
    m_first = 0;
    showPage();
}

void DlgSavePicture::reject()
{
    done(IdCancel);
}

void DlgSavePicture::readList(const QString& folder)
{
    m_list.clear();
    if (folder.isEmpty())
        return;
    // Names keep their case: the file system tells "Beach.JPG" from "beach.jpg". Sorted, so the
    // strip shows the same order on every machine.
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        m_list << dir.filePath(name);
}

void DlgSavePicture::previousPage()
{
    if (m_first == 0)
        return;
    m_first -= kStripSlots;
    showPage();
}

void DlgSavePicture::nextPage()
{
    if (m_first + kStripSlots > int(m_list.size()) - 1)
        return;
    m_first += kStripSlots;
    showPage();
}

void DlgSavePicture::showPage()
{
    for (int k = 0; k < kStripSlots; ++k) {
        m_slots[k]->hide();
        m_slots[k]->SetCheck(false);
        m_slotEntry[k] = -1;
    }
    const QImage frameNormal = skin::SkinBitmap(skin::kStrip86FrameNormal);
    const QImage frameDown = skin::SkinBitmap(skin::kStrip86FrameDown);
    int filled = 0;
    for (int i = m_first; i < int(m_list.size()) && filled < kStripSlots; ++i) {
        if (!HasImageExtension(m_list[i]))
            continue;
        CxImage loaded;
        QImage small, large;
        if (LoadPicture(m_list[i], loaded)) {
            const QImage bitmap = BitmapFromImage(loaded);
            small = ScaleBitmap(bitmap, 80, 60, ScaleSmooth);
            large = ScaleBitmap(bitmap, 86, 66, ScaleSmooth);
        }
        CxSkinButton* b = m_slots[filled];
        b->SetSkinImages(framed(frameNormal, small), framed(frameDown, small),
            large.isNull() ? framed(frameNormal, small) : large, QImage(), QImage(), QImage());
        b->setToolTip(QFileInfo(m_list[i]).fileName());
        b->setAccessibleName(b->toolTip());
        b->show();
        m_slotEntry[filled] = i;
        ++filled;
    }
}

bool DlgSavePicture::setBackdropFile(const QString& path)
{
    CxImage loaded;
    if (!LoadPicture(path, loaded))
        return false;
    const QImage scaled = ScaleBitmap(BitmapFromImage(loaded), kBackdropWidth, kBackdropHeight, ScaleSmooth);
    if (scaled.isNull())
        return false;
    m_backdrop = scaled;
    m_backdropFrame->setPicture(m_backdrop);
    m_preview->update();
    return true;
}

void DlgSavePicture::chooseSlot(int k)
{
    if (k < 0 || k >= kStripSlots || m_slotEntry[k] < 0)
        return;
    for (int j = 0; j < kStripSlots; ++j)
        m_slots[j]->SetCheck(j == k);
    setBackdropFile(m_list[m_slotEntry[k]]);
}

void DlgSavePicture::chooseWithBrowser()
{
    QString chosen;
    if (m_chooser) {
        chosen = m_chooser(this);
    } else {
        DlgThumNail browser(QString(), this);
        if (browser.exec() == DlgThumNail::IdOk)
            chosen = browser.chosenPath();
    }
    chosen = chosen.trimmed();
    if (chosen.isEmpty() || !HasImageExtension(chosen))
        return;
    setBackdropFile(chosen);
}

int DlgSavePicture::sizeLine() const
{
    return m_size->currentIndex();
}

void DlgSavePicture::setSizeLine(int line)
{
    m_size->setCurrentIndex(line == 1 ? 1 : 0);
}

QImage DlgSavePicture::composite() const
{
    return ComposeOnBackdrop(m_picture, m_backdrop);
}

void DlgSavePicture::OnSave()
{
    const QImage picture = composite();
    platform::SaveFileRequest request;
    request.title = QString::fromLatin1(kCaption);
    request.startFolder = m_startFolder;
    request.filter = SaveFileFilter();
    request.confirmOverwrite = true;
    int filterIndex = 1;
    const QString chosen = platform::prompts().saveFile(this, request, &filterIndex);
    if (chosen.isEmpty())
        return;
    // A name without a picture extension gets the chosen type's; the picker only asked about
    // overwriting the name as typed, so ask about the completed one.
    const QString path = PathWithPictureExtension(chosen, filterIndex);
    if (path != chosen && QFileInfo::exists(path)
        && platform::prompts().messageBox(this,
               QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(path),
               platform::MbYesNo | platform::MbIconQuestion, QString::fromLatin1(kCaption))
            != platform::IdYes)
        return;
    QString error;
    if (!SaveComposite(picture, path, sizeLine(), &error)) {
        platform::prompts().messageBox(this, QStringLiteral("The picture could not be saved.\n%1").arg(error),
            platform::MbOk | platform::MbIconError, QString::fromLatin1(kCaption));
        return;
    }
    m_savedPath = path;
    done(IdOk);
}
