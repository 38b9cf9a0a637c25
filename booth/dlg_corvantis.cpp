// DlgCorvantis: construction, controls and their places, camera and live overlay, frame and photo
// browsing, and the screen's own events. Slots, output and settings live in screen_*.cpp.
#include "booth/dlg_corvantis.h"

#include <cstdlib>

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QTimer>
#include <unistd.h>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "booth/composition.h"
#include "booth/guest_view.h"
#include "booth/project_file.h"
#include "booth/session_autosave.h"
#include "imaging/load_reduced.h"
#include "capture/capture_video.h"
#include "output/dlg_thum_nail.h"
#include "picture/picture_files.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "skin/notice_banner.h"
#include "skin/quen_menu.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"
#include "skin/skin_window.h"
#include "skin/transparent_pic.h"

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

DlgCorvantis::DlgCorvantis(QWidget* parent)
    : DlgCorvantis(boothSettings(), appPaths(), parent)
{
}

DlgCorvantis::DlgCorvantis(BoothSettings& settings, AppPaths& paths, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_paths(paths)
    , m_capture(std::make_unique<CCaptureVideo>())
{
    m_closeHandler = [] {
        // The exit sequence is skipped, but guests' pictures must not stay in the temporary folder.
        RemoveProjectTempFolder();
        std::fflush(nullptr);
        ::_exit(0);
    };
    m_openUrl = [this](const QUrl& url) { openAddress(url); };

    skin::prepareSkin();
    setWindowTitle(QLatin1String(appdefaults::kProductName));
    setWindowIcon(QIcon(QPixmap::fromImage(skin::SkinBitmap(skin::kAppIcon))));
    m_windowSkin = skin::skinWindow(this, skin::SkinBitmap(skin::kMainScreen), QSize(800, 600), 28);
    setFixedSize(800, 600);
    // Placed by the program, not left to the window manager: a frameless window the manager
    // places itself may never learn where it went, and popups and dialogs would open off it.
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());

    createControls();
    bindControls();

    // Devices, with the first one selected.
    m_capture->EnumerateDevices(m_devices);
    if (m_devices->count() > 0)
        m_devices->setCurrentIndex(0);
    connect(m_capture.get(), &CCaptureVideo::graphNotify, this, &DlgCorvantis::OnGraphNotify);
    connect(m_capture.get(), &CCaptureVideo::devicesChanged, this, &DlgCorvantis::OnDevicesChanged);

    listFolders();

    ImageFromBitmap(skin::SkinBitmap(skin::kBasePicture), m_base);
    m_baseArea->setPicture(BitmapFromImage(m_base));
    m_slots.setEmptySlotPicture(skin::SkinBitmap(skin::kEmptySlot));
    m_slots.setSlotChangedHandler([this](int i) {
        updateSlotWidget(i);
        if (m_autosave)
            m_autosave->sheetChanged();
    });
    m_slots.buildLayout(0);
    rebuildSlotWidgets();
    setLiveMode(false);
    describeControls();
}

DlgCorvantis::~DlgCorvantis()
{
    m_slots.setSlotChangedHandler({});
    endSession();
    if (m_capture)
        m_capture->Stop();
}

// ---- Controls ----

CxSkinButton* DlgCorvantis::addButton(const char* art, int id, QPoint at, const QString& tip)
{
    const std::string base = std::string("main_") + art;
    auto res = [&](const char* state) {
        const skin::SkinResource* r = skin::findSkinResource(base + "_" + state);
        return r ? r->id : 0;
    };
    auto* b = new CxSkinButton(this);
    b->SetSkin(res("normal"), res("down"), res("over"), res("disabled"), res("focus"), res("mask"), 0, 0, 0);
    b->move(at);
    b->setFocusPolicy(Qt::TabFocus);
    if (!tip.isEmpty())
        b->SetToolTipText(tip);
    platform::setControlId(b, id);
    return b;
}

void DlgCorvantis::createControls()
{
    using namespace skin;

    // The four picture areas share one place; the stage clips a photo moved past the frame.
    m_stage = new QWidget(this);
    m_stage->setGeometry(kPictureRect);
    m_stage->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    m_baseArea = new CPictureArea(m_stage);
    m_baseArea->setGeometry(0, 0, 320, 240);
    platform::setControlId(m_baseArea, kBaseId);
    m_photoArea = new CPictureArea(m_stage);
    m_photoArea->setGeometry(0, 0, 320, 240);
    platform::setControlId(m_photoArea, kPhotoId);
    m_frameArea = new CTransparentPic(m_stage);
    m_frameArea->setGeometry(0, 0, 320, 240);
    m_frameArea->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    platform::setControlId(m_frameArea, kFrameId);

    m_videoArea = new QWidget(this);
    m_videoArea->setGeometry(kPictureRect);
    m_videoArea->setAutoFillBackground(true);
    QPalette pal = m_videoArea->palette();
    pal.setColor(QPalette::Window, QColor(0x14, 0x18, 0x2E));
    m_videoArea->setPalette(pal);
    platform::setControlId(m_videoArea, kVideoId);

    m_tracker = new CPhotoTracker(this);
    m_tracker->setGeometry(0, 30, 400, 300);

    m_slotArea = new CPictureArea(this);
    m_slotArea->setGeometry(423, 61, 364, 276);
    platform::setControlId(m_slotArea, kSlotAreaId);

    m_cameraButton = addButton("camera", kCameraId, { 15, 448 }, QStringLiteral("Camera on / off"));
    m_cameraButton->setKind(CxSkinButton::CheckKind);
    m_frameButton = addButton("frame_toggle", kFrameShownId, { 247, 308 }, QStringLiteral("Show the frame"));
    m_frameButton->setKind(CxSkinButton::CheckKind);
    m_frameButton->SetCheck(true);
    addButton("shoot", kShootId, { 124, 448 }, QStringLiteral("Shoot"));
    addButton("use_picture", kUsePictureId, { 570, 410 }, QStringLiteral("Use this picture"));
    addButton("previous", kPreviousFrameId, { 658, 418 }, QStringLiteral("Previous image"));
    addButton("next", kNextFrameId, { 724, 418 }, QStringLiteral("Next image"));
    addButton("previous", kPreviousPhotoId, { 437, 418 }, QStringLiteral("Previous image"));
    addButton("next", kNextPhotoId, { 502, 418 }, QStringLiteral("Next image"));
    addButton("select_frame", kSelectFrameId, { 15, 308 }, QStringLiteral("Select frame"));
    addButton("select_photo", kSelectPhotoId, { 15, 378 }, QStringLiteral("Select photo"));
    addButton("add_frame", kAddFrameId, { 124, 308 }, QStringLiteral("Add single frame"));
    addButton("add_photo", kAddPhotoId, { 124, 379 }, QStringLiteral("Add single photo"));
    addButton("save_picture", kSavePictureId, { 247, 448 }, QStringLiteral("Save the sheet as a picture"));
    addButton("print", kPrintId, { 247, 378 }, QStringLiteral("Print the sheet"));
    addButton("open_project", kOpenProjectId, { 124, 518 }, QStringLiteral("Open a project"));
    addButton("save_project", kSaveProjectId, { 247, 518 }, QStringLiteral("Save the project"));
    addButton("configure", kConfigureId, { 15, 519 }, QStringLiteral("Settings"));
    const int layoutX[5] = { 544, 591, 639, 686, 735 };
    for (int i = 0; i < 5; ++i) {
        const std::string art = "layout" + std::to_string(i);
        m_layoutButtons[i] = addButton(art.c_str(), kLayout0Id + i, { layoutX[i], 344 },
            QStringLiteral("Layout with %1 pictures").arg(SlotLayoutRects(i).size()));
    }
    addButton("about", kAboutId, { 8, 31 }, QStringLiteral("About"));
    addButton("home", kHomeId, { 117, 31 }, QStringLiteral("Home page"));
    addButton("help", kHelpId, { 206, 31 }, QStringLiteral("Help"));
    addButton("minimise", kMinimiseId, { 735, 1 }, QStringLiteral("Minimise"));
    addButton("close", kCloseId, { 765, 1 }, QStringLiteral("Close"));

    m_devices = new SkComboBox(this);
    m_devices->setGeometry(300, 31, 180, 20);
    m_devices->setToolTip(QStringLiteral("Camera"));
    platform::setControlId(m_devices, kDevicesId);

    m_folderHint = new QLineEdit(QStringLiteral("Select default image folder"), this);
    m_folderHint->setStyleSheet(QStringLiteral("QLineEdit { color: white; background: transparent; border: none; }"));
    m_folderHint->hide();
    platform::setControlId(m_folderHint, kFolderHintId);

    m_countdown = new SkStatic(this);
    QFont f(QStringLiteral("Arial"));
    f.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans") });
    f.setPixelSize(30);
    f.setWeight(QFont::DemiBold);
    m_countdown->setFont(f);
    m_countdown->setTextColor(QColor(0xFF, 0x00, 0xFF));
    m_countdown->setAlignment(Qt::AlignCenter);
    // "count down 3 seconds" at 30 pixels is about 330 pixels wide and its descenders need more
    // than 26 rows: the label keeps its centre and grows to fit.
    m_countdown->setGeometry(436, 520, 350, 34);
    m_countdown->hide();
    platform::setControlId(m_countdown, kCountdownId);

    m_guest = new GuestView(kPictureRect, this);
    // Over the free corner below the slots, above the guests' view.
    m_notices = new NoticeBanner(QRect(428, 500, 360, 94), this);

    m_menu = new CQuenMenu(QStringLiteral("Combination"), this);
    m_menu->AppendMenu(QStringLiteral("Copy"), CmdCopy);
    m_menu->AppendMenu(QStringLiteral("Paste"), CmdPaste);
    m_menu->AppendMenu(QStringLiteral("Remove"), CmdRemove);
    m_menu->AppendMenu(QStringLiteral("Clear"), CmdClear);
    m_menu->addSeparator();
    m_menu->AppendMenu(QStringLiteral("To edit area"), CmdToEditArea);
    m_menu->AppendMenu(QStringLiteral("Apply to all"), CmdApplyToAll);
}

void DlgCorvantis::bindControls()
{
    auto bind = [this](int id, auto slot) {
        if (auto* b = platform::findControl<QAbstractButton>(this, id))
            connect(b, &QAbstractButton::clicked, this, slot);
    };
    bind(kCameraId, [this] { OnCamera(); });
    bind(kFrameShownId, [this] { OnFrameShown(); });
    bind(kShootId, [this] { OnShoot(); });
    bind(kUsePictureId, [this] { OnUsePicture(); });
    bind(kPreviousFrameId, [this] { OnPreviousFrame(); });
    bind(kNextFrameId, [this] { OnNextFrame(); });
    bind(kPreviousPhotoId, [this] { OnPreviousPhoto(); });
    bind(kNextPhotoId, [this] { OnNextPhoto(); });
    bind(kSelectFrameId, [this] { OnSelectFrame(); });
    bind(kSelectPhotoId, [this] { OnSelectPhoto(); });
    bind(kAddFrameId, [this] { OnAddFrame(); });
    bind(kAddPhotoId, [this] { OnAddPhoto(); });
    bind(kOpenProjectId, [this] {
        if (operatorAllows())
            OnOpenProject();
    });
    bind(kSaveProjectId, [this] { OnSaveProject(); });
    bind(kSavePictureId, [this] { onSavePicture(); });
    bind(kPrintId, [this] { onPrint(); });
    bind(kConfigureId, [this] { onConfigure(); });
    for (int i = 0; i < 5; ++i)
        bind(kLayout0Id + i, [this, i] { OnLayout(i); });
    bind(kAboutId, [this] { OnAbout(); });
    // A browser or a minimised booth is a way out of kiosk mode: the operator lock covers them.
    bind(kHomeId, [this] {
        if (operatorAllows())
            m_openUrl(QUrl(m_paths.m_homeAddress));
    });
    bind(kHelpId, [this] {
        if (operatorAllows())
            m_openUrl(QUrl(m_paths.m_helpAddress));
    });
    bind(kMinimiseId, [this] {
        if (!operatorAllows())
            return;
        // Inside a kiosk view the view's window is what goes.
        QWidget* top = this;
        if (QGraphicsProxyWidget* proxy = graphicsProxyWidget())
            if (proxy->scene() && !proxy->scene()->views().isEmpty())
                top = proxy->scene()->views().first()->window();
        top->showMinimized();
    });
    bind(kCloseId, [this] {
        if (!confirmEndSession())
            return;
        endSession(); // the close button skips the exit sequence, not the session's end
        m_closeHandler();
    });
}

bool DlgCorvantis::isFrameShown() const
{
    return m_frameButton->GetCheck();
}

QString DlgCorvantis::countdownText() const
{
    return m_countdown->text();
}

bool DlgCorvantis::isCountdownVisible() const
{
    return m_countdown->isVisible();
}

QRect DlgCorvantis::photoArea() const
{
    return m_photoArea->geometry().translated(m_stage->pos());
}

CSlotPicture* DlgCorvantis::slotPicture(int index) const
{
    return index >= 0 && index < int(m_slotWidgets.size()) ? m_slotWidgets[size_t(index)] : nullptr;
}

// ---- Live mode and pictures ----

void DlgCorvantis::setLiveMode(bool live)
{
    m_videoArea->setVisible(live);
    m_stage->setVisible(!live);
    m_baseArea->setVisible(!live);
    m_photoArea->setVisible(!live);
    m_frameArea->setVisible(!live && isFrameShown() && m_frame.IsValid());
    m_tracker->setVisible(!live);
    // What needs the camera, or needs it off, says so by its look.
    for (int id : { kUsePictureId, kPreviousPhotoId, kNextPhotoId, kSelectPhotoId, kAddPhotoId })
        if (QWidget* w = platform::findControl(this, id))
            w->setEnabled(!live);
    if (QWidget* shoot = platform::findControl(this, kShootId))
        shoot->setEnabled(live);
    if (!live)
        m_tracker->setTrackedRect(photoArea());
    else
        m_tracker->setTrackedRect(QRect());
}

void DlgCorvantis::showFrameArea()
{
    if (!m_frame.IsValid()) {
        m_frameArea->setPicture(QImage(), 0);
        m_frameArea->hide();
        return;
    }
    CxImage shown;
    if (!FitTo(m_frame, QSize(320, 240), shown))
        return;
    const QImage bitmap = BitmapFromImage(shown);
    m_frameArea->setPicture(bitmap, CentreKey(bitmap));
    m_frameArea->setVisible(!m_live && isFrameShown());
    m_frameArea->update();
    m_videoArea->update();
}

void DlgCorvantis::showPhotoArea()
{
    m_photoArea->setPicture(m_photo.IsValid() ? BitmapFromImage(m_photo) : QImage());
}

bool DlgCorvantis::applyLiveOverlayImage(const QImage& frame)
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
    m_liveFrame = frame;
    return true;
}

bool DlgCorvantis::applyLiveOverlay(const QString& path)
{
    CxImage frame;
    if (!LoadPicture(path, frame))
        return false;
    return applyLiveOverlayImage(BitmapFromImage(frame));
}

bool DlgCorvantis::setFrameFile(const QString& path, QString* error)
{
    CxImage frame;
    if (!LoadPicture(path, frame, error)) {
        if (error)
            *error = QStringLiteral("%1 could not be opened.\n%2").arg(path, *error);
        return false;
    }
    m_frame.TakeOver(frame);
    m_framePath = path;
    if (m_live) {
        if (isFrameShown())
            applyLiveOverlay(path);
    } else {
        showFrameArea();
    }
    return true;
}

bool DlgCorvantis::setPhotoFile(const QString& path, QString* error)
{
    CxImage photo;
    if (!loadPhoto(path, photo, error))
        return false;
    CxImage fitted;
    if (!FitTo(photo, photoArea().size(), fitted))
        return false;
    m_photoSource.TakeOver(photo);
    m_photo.TakeOver(fitted);
    m_photoPath = path;
    showPhotoArea();
    return true;
}

void DlgCorvantis::setPhotoArea(const QRect& r)
{
    if (r.isEmpty())
        return;
    m_photoArea->setGeometry(r.translated(-m_stage->pos()));
    if (m_photoSource.IsValid()) {
        CxImage fitted;
        if (FitTo(m_photoSource, r.size(), fitted))
            m_photo.TakeOver(fitted);
    }
    showPhotoArea();
    if (!m_live)
        m_tracker->setTrackedRect(r);
}

void DlgCorvantis::stepFrame(int step)
{
    for (int i = m_frameIndex + step; i >= 0 && i < int(m_frameFiles.size()); i += step) {
        if (!HasImageExtension(m_frameFiles[i]))
            continue;
        m_frameIndex = i;
        if (m_live) {
            m_framePath = m_frameFiles[i];
            CxImage frame;
            if (LoadPicture(m_framePath, frame))
                m_frame.TakeOver(frame);
            if (isFrameShown())
                applyLiveOverlay(m_framePath);
        } else {
            setFrameFile(m_frameFiles[i]);
        }
        return;
    }
}

void DlgCorvantis::stepPhoto(int step)
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

// ---- Commands ----

void DlgCorvantis::OnCamera()
{
    const bool on = m_cameraButton->GetCheck();
    if (on == m_live)
        return;
    m_cameraLost.clear(); // the operator's choice replaces waiting for an unplugged camera
    if (on) {
        if (m_devices->count() == 0) {
            m_cameraButton->SetCheck(false); // no camera: the button springs back
            tellNoCamera();
            return;
        }
        bool ok;
        // A graph is built the first time, and again when another camera was chosen since.
        if (!m_graphBuilt || m_graphDevice != m_devices->currentIndex()) {
            m_videoArea->show();
            m_graphDevice = m_devices->currentIndex();
            ok = m_capture->BuildGraph(m_graphDevice, m_videoArea, m_videoArea->rect()) == CCaptureVideo::kOk;
            m_graphBuilt = ok;
        } else {
            ok = m_capture->Run();
        }
        if (!ok) {
            m_videoArea->hide();
            m_cameraButton->SetCheck(false);
            return;
        }
        m_live = true;
        setLiveMode(true);
        // The overlay is the current frame picture, so what the guest sees is what the shot gets,
        // also after "To edit area" put a slot's frame there.
        if (isFrameShown() && m_frame.IsValid())
            applyLiveOverlayImage(BitmapFromImage(m_frame));
    } else {
        m_capture->Stop();
        m_live = false;
        setLiveMode(false);
        showFrameArea();
    }
}

void DlgCorvantis::OnFrameShown()
{
    if (m_live) {
        if (isFrameShown()) {
            if (!(m_frame.IsValid() && applyLiveOverlayImage(BitmapFromImage(m_frame))) && !m_liveFrame.isNull())
                applyLiveOverlayImage(m_liveFrame);
        } else {
            m_capture->HideOverlay();
        }
    } else {
        m_frameArea->setVisible(isFrameShown() && m_frame.IsValid());
    }
}

void DlgCorvantis::selectFromBrowser(bool photo, bool anyFolder)
{
    if (photo && m_live)
        return;
    // Without a resource folder the chooser asks for one, as for a single picture.
    const QString resourceFolder = photo ? m_paths.m_portraitFolder : m_paths.m_frameFolder;
    const QString folder = anyFolder || resourceFolder.isEmpty() ? QString() : resourceFolder + QLatin1Char('/');
    DlgThumNail browser(folder, this, photo ? 1 : 0);
    browser.setFramePreview(!photo);
    if (browser.exec() != DlgThumNail::IdOk)
        return;
    const QString chosen = browser.chosenPath();
    if (chosen.isEmpty())
        return;
    if (anyFolder) {
        // The chosen folder becomes the one browsed with previous and next.
        QStringList files;
        AppToolkit::ListFiles(browser.folder(), files);
        files.sort(Qt::CaseInsensitive);
        (photo ? m_photoFiles : m_frameFiles) = files;
        (photo ? m_photoFolderListed : m_frameFolderListed) = browser.folder();
    } else {
        AddToRecentList(m_paths.m_settingsFile,
            QLatin1String(kSettingKeys[photo ? KeyRecentlyPortrait : KeyRecentlyFrame]), chosen);
    }
    QStringList& list = photo ? m_photoFiles : m_frameFiles;
    int index = -1;
    for (int i = 0; i < int(list.size()); ++i)
        if (QFileInfo(list[i]) == QFileInfo(chosen))
            index = i;
    QString error;
    const bool loaded = photo ? setPhotoFile(chosen, &error) : setFrameFile(chosen, &error);
    if (loaded && index >= 0)
        (photo ? m_photoIndex : m_frameIndex) = index;
    if (!loaded && !error.isEmpty())
        platform::prompts().messageBox(this, error, platform::MbOk | platform::MbIconWarning);
}

void DlgCorvantis::openAddress(const QUrl& url)
{
    const auto tell = [this, url] {
        platform::prompts().messageBox(this,
            QStringLiteral("No web browser could be opened on this computer.\nThe address is:\n%1")
                .arg(url.toDisplayString()),
            platform::MbOk | platform::MbIconInformation);
    };
    // xdg-open says when no browser could be started, which the desktop services do not; without
    // it they try the other ways the desktop knows.
    auto* opener = new QProcess(this);
    connect(opener, &QProcess::finished, this, [opener, tell](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            tell();
    });
    connect(opener, &QProcess::errorOccurred, this, [opener, url, tell](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        if (!QDesktopServices::openUrl(url))
            tell();
    });
    opener->start(QStringLiteral("xdg-open"), { url.toString(QUrl::FullyEncoded) });
}

void DlgCorvantis::OnAbout()
{
    platform::prompts().messageBox(this,
        QStringLiteral("%1\nVersion %2\n\nFramed portrait sheets from a webcam.")
            .arg(QLatin1String(appdefaults::kProductName),
                m_paths.m_version.isEmpty() ? QLatin1String(appdefaults::kVersion) : m_paths.m_version),
        platform::MbOk | platform::MbIconInformation, QStringLiteral("About"));
}

// ---- Events ----

void DlgCorvantis::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Shown again after a switch between window and kiosk view: the session goes on as it was.
    if (e->spontaneous() || m_loaded)
        return;
    m_loaded = true;
    RunBoothLoad();
    startPrinterWatch();
    const bool ownWindow = m_showWindow.isEmpty()
        || m_showWindow.compare(QLatin1String("main"), Qt::CaseInsensitive) == 0 || showOnScreen(m_showWindow)
        || (m_showWindowHandler && m_showWindowHandler(m_showWindow));
    if (!ownWindow)
        QTimer::singleShot(200, this, &DlgCorvantis::openShowWindow);
    else if (!m_screenshotPath.isEmpty())
        QTimer::singleShot(400, this, &DlgCorvantis::takeScreenshot);
}

void DlgCorvantis::setWindowDragBand(int rows)
{
    if (m_windowSkin)
        m_windowSkin->setDragBand(rows);
}

void DlgCorvantis::takeScreenshot()
{
    const QImage shot = m_screenshotGrabber ? m_screenshotGrabber() : grab().toImage();
    if (!shot.save(m_screenshotPath))
        std::fprintf(stderr, "corvantis: cannot write %s\n", qPrintable(m_screenshotPath));
    accept();
}

void DlgCorvantis::mousePressEvent(QMouseEvent* e)
{
    if (!m_live && e->button() == Qt::LeftButton) {
        const QPoint pos = e->position().toPoint();
        m_trackHit = m_tracker->hitTest(pos);
        if (m_trackHit != CPhotoTracker::HitNothing) {
            m_trackStart = pos;
            m_trackRect = photoArea();
            return;
        }
    }
    QDialog::mousePressEvent(e);
}

void DlgCorvantis::mouseMoveEvent(QMouseEvent* e)
{
    if (m_trackHit != CPhotoTracker::HitNothing) {
        const QPoint delta = e->position().toPoint() - m_trackStart;
        m_tracker->setTrackedRect(CPhotoTracker::track(m_trackRect, m_trackHit, delta));
        return;
    }
    QDialog::mouseMoveEvent(e);
}

void DlgCorvantis::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_trackHit != CPhotoTracker::HitNothing) {
        m_trackHit = CPhotoTracker::HitNothing;
        setPhotoArea(m_tracker->trackedRect());
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

void DlgCorvantis::keyPressEvent(QKeyEvent* e)
{
    // While the camera runs, Space and Enter shoot (kiosk mode catches them earlier, wherever
    // focus is).
    if (!m_kiosk && handleShootKey(e))
        return;
    // Otherwise Enter opens the filter workbench on the selected slot; it must not end the screen.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        onOpenWorkbench();
        return;
    }
    QDialog::keyPressEvent(e);
}
