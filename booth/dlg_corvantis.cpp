// DlgCorvantis: construction, the wiring of the controls to the booth's parts, and what the parts'
// changes look like on the screen (live mode, the frame and photo areas, notices, the guests' view).
#include "booth/dlg_corvantis.h"

#include <cstdio>
#include <cstdlib>

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <unistd.h>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "app/dlg_configure.h"
#include "booth/guest_view.h"
#include "booth/project_file.h"
#include "editing/dlg_filter.h"
#include "output/dlg_thum_nail.h"
#include "output/printer_mark.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "picture/key_colour.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "skin/notice_banner.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_window.h"
#include "skin/transparent_pic.h"

DlgCorvantis::DlgCorvantis(QWidget* parent)
    : DlgCorvantis(boothSettings(), appPaths(), parent)
{
}

DlgCorvantis::DlgCorvantis(BoothSettings& settings, AppPaths& paths, QWidget* parent)
    : BoothScreen(parent)
    , m_booth(std::make_unique<Booth>(settings, paths))
{
    m_closeHandler = [] {
        // The exit sequence is skipped, but guests' pictures must not stay in the temporary folder.
        RemoveProjectTempFolder();
        std::fflush(nullptr);
        ::_exit(0);
    };
    m_openUrl = [this](const QUrl& url) { OpenAddress(this, url); };

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
    m_booth->setDialogParent(this);
    m_booth->camera().setPreview(m_videoArea);
    connectParts();
    showDevices();
    m_booth->work().list();
    m_baseArea->setPicture(BitmapFromImage(m_booth->work().base()));
    rebuildSlotWidgets();
    setLiveMode(false);
    describeControls();
}

DlgCorvantis::~DlgCorvantis()
{
    // The session ends (and may still tell about it) while the controls are there.
    m_booth.reset();
}

void DlgCorvantis::bindControls()
{
    auto bind = [this](int id, auto slot) {
        if (auto* b = platform::findControl<QAbstractButton>(this, id))
            connect(b, &QAbstractButton::clicked, this, slot);
    };
    Booth& booth = *m_booth;
    bind(kCameraId, [this] { onCamera(); });
    bind(kFrameShownId, [this] {
        m_booth->setFrameShown(m_frameButton->GetCheck());
        if (!isLive())
            m_frameArea->setVisible(isFrameShown() && work().frame().IsValid());
    });
    bind(kShootId, [this] { OnShoot(); });
    bind(kUsePictureId, [this] { OnUsePicture(); });
    bind(kPreviousFrameId, [&booth] { booth.work().stepFrame(-1); });
    bind(kNextFrameId, [&booth] { booth.work().stepFrame(+1); });
    bind(kPreviousPhotoId, [&booth] { booth.work().stepPhoto(-1); });
    bind(kNextPhotoId, [&booth] { booth.work().stepPhoto(+1); });
    bind(kSelectFrameId, [this] { selectFromBrowser(false, false); });
    bind(kSelectPhotoId, [this] { selectFromBrowser(true, false); });
    bind(kAddFrameId, [this] { selectFromBrowser(false, true); });
    bind(kAddPhotoId, [this] { selectFromBrowser(true, true); });
    bind(kOpenProjectId, [&booth] { booth.openProject(); });
    bind(kSaveProjectId, [&booth] { booth.output().saveProject(); });
    bind(kSavePictureId, [&booth] { booth.output().save(); });
    bind(kPrintId, [&booth] { booth.output().print(); });
    bind(kShareId, [&booth] { booth.share().share(); });
    bind(kConfigureId, [this] { onConfigure(); });
    for (int i = 0; i < 5; ++i)
        bind(kLayout0Id + i, [this, i] { OnLayout(i); });
    bind(kAboutId, [this] {
        platform::prompts().messageBox(this,
            QStringLiteral("%1\nVersion %2\n\nFramed portrait sheets from a webcam.")
                .arg(QLatin1String(appdefaults::kProductName),
                    paths().m_version.isEmpty() ? QLatin1String(appdefaults::kVersion) : paths().m_version),
            platform::MbOk | platform::MbIconInformation, QStringLiteral("About"));
    });
    // A browser or a minimised booth is a way out of kiosk mode: the operator lock covers them.
    bind(kHomeId, [this] {
        if (m_booth->kiosk().operatorAllows())
            m_openUrl(QUrl(paths().m_homeAddress));
    });
    bind(kHelpId, [this] {
        if (m_booth->kiosk().operatorAllows())
            m_openUrl(QUrl(paths().m_helpAddress));
    });
    bind(kMinimiseId, [this] {
        if (!m_booth->kiosk().operatorAllows())
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
        m_booth->session().end(); // the close button skips the exit sequence, not the session's end
        m_closeHandler();
    });
    connect(m_devices, &QComboBox::currentIndexChanged, this,
        [this](int index) { m_booth->camera().setCurrentDevice(index); });
}

void DlgCorvantis::connectParts()
{
    Booth& booth = *m_booth;
    connect(&booth, &Booth::notice, this, [this](const BoothNotice& n) {
        m_notices->post(n.key, n.text, n.warning ? NoticeBanner::Warning : NoticeBanner::Information,
            n.timeoutMs < 0 ? NoticeBanner::kDefaultTimeoutMs : n.timeoutMs);
    });
    connect(&booth, &Booth::noticeWithdrawn, m_notices, &NoticeBanner::withdraw);

    SheetSession& session = booth.session();
    connect(&session, &SheetSession::slotChanged, this, &DlgCorvantis::updateSlotWidget);
    connect(&session, &SheetSession::layoutChanged, this, &DlgCorvantis::rebuildSlotWidgets);
    connect(&session, &SheetSession::currentSlotChanged, this, &DlgCorvantis::updateCurrentSlot);

    connect(&booth.work(), &WorkArea::frameChanged, this, [this] {
        if (!isLive())
            showFrameArea();
    });
    connect(&booth.work(), &WorkArea::photoChanged, this, &DlgCorvantis::showPhotoArea);

    connect(&booth.camera(), &BoothCamera::liveChanged, this, [this](bool live) {
        m_cameraButton->SetCheck(live);
        setLiveMode(live);
        if (!live)
            showFrameArea();
    });
    connect(&booth.camera(), &BoothCamera::devicesChanged, this, &DlgCorvantis::showDevices);

    BoothShooting& shooting = booth.shooting();
    connect(&shooting, &BoothShooting::countdownChanged, this, &DlgCorvantis::setCountdown);
    connect(&shooting, &BoothShooting::guestCountdown, m_guest, &GuestView::showCountdown);
    connect(&shooting, &BoothShooting::guestFlash, m_guest, &GuestView::flash);
    connect(&shooting, &BoothShooting::guestShot, m_guest, [this](const QImage& shot) { m_guest->showShot(shot); });
    connect(&shooting, &BoothShooting::guestCleared, m_guest, &GuestView::clear);
    connect(&shooting, &BoothShooting::shotFinished, this, &DlgCorvantis::shotFinished);

    // Keys go to the focused control first; in kiosk mode the shoot key must win wherever focus is.
    connect(&booth.kiosk(), &KioskPolicy::changed, this, [this](bool on) {
        if (on)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
    });
    connect(&booth.output(), &BoothOutput::printerWatchStarted, this, [this](PrinterWatch* watch) {
        if (auto* button = platform::findControl<QWidget>(this, kPrintId))
            m_printerMark = new CPrinterMark(button, watch);
    });
}

// ---- What the parts change on the screen ----

void DlgCorvantis::showDevices()
{
    const QSignalBlocker quiet(m_devices);
    m_devices->clear();
    m_devices->addItems(m_booth->camera().devices());
    m_devices->setCurrentIndex(m_booth->camera().currentDevice());
}

void DlgCorvantis::setLiveMode(bool live)
{
    m_videoArea->setVisible(live);
    m_stage->setVisible(!live);
    m_baseArea->setVisible(!live);
    m_photoArea->setVisible(!live);
    m_frameArea->setVisible(!live && isFrameShown() && work().frame().IsValid());
    m_tracker->setVisible(!live);
    // What needs the camera, or needs it off, says so by its look.
    for (int id : { kUsePictureId, kPreviousPhotoId, kNextPhotoId, kSelectPhotoId, kAddPhotoId })
        if (QWidget* w = platform::findControl(this, id))
            w->setEnabled(!live);
    if (QWidget* shoot = platform::findControl(this, kShootId))
        shoot->setEnabled(live);
    m_tracker->setTrackedRect(live ? QRect() : work().photoArea());
}

void DlgCorvantis::showFrameArea()
{
    const CxImage& frame = work().frame();
    CxImage shown;
    if (!frame.IsValid()) {
        m_frameArea->setPicture(QImage(), 0);
        m_frameArea->hide();
        return;
    }
    if (!FitTo(frame, QSize(320, 240), shown))
        return;
    const QImage bitmap = BitmapFromImage(shown);
    m_frameArea->setPicture(bitmap, CentreKey(bitmap));
    m_frameArea->setVisible(!isLive() && isFrameShown());
    m_frameArea->update();
    m_videoArea->update();
}

void DlgCorvantis::showPhotoArea()
{
    m_photoArea->setGeometry(work().photoArea().translated(-m_stage->pos()));
    m_photoArea->setPicture(work().photo().IsValid() ? BitmapFromImage(work().photo()) : QImage());
    if (!isLive())
        m_tracker->setTrackedRect(work().photoArea());
}

void DlgCorvantis::setCountdown(const QString& text)
{
    m_countdown->setText(text);
    // Screen readers hear the seconds left, as the screen shows them.
    if (!text.isEmpty())
        m_countdown->setAccessibleDescription(text);
    m_countdown->setVisible(!text.isEmpty());
    m_countdown->update();
    emit countdownChanged(text);
}

bool DlgCorvantis::isCountdownVisible() const
{
    return m_countdown->isVisible();
}

// ---- Commands that need the screen ----

void DlgCorvantis::onCamera()
{
    BoothCamera& camera = m_booth->camera();
    if (!m_cameraButton->GetCheck()) {
        camera.stop();
        return;
    }
    const BoothCamera::Start started = camera.start();
    if (started == BoothCamera::Start::Live)
        return;
    m_cameraButton->SetCheck(false); // no camera, or it did not start: the button springs back
    if (started == BoothCamera::Start::NoCamera)
        camera.tellNoCamera();
}

void DlgCorvantis::OnLayout(int layout)
{
    if (!m_booth->changeLayout(layout))
        for (int i = 0; i < 5; ++i)
            m_layoutButtons[i]->SetCheck(i == this->layout());
}

void DlgCorvantis::onConfigure()
{
    if (!m_booth->kiosk().operatorAllows())
        return;
    DlgConfigure dlg(settings(), paths(), platform::prompts(), this);
    connect(&dlg, &DlgConfigure::kioskChanged, this, &DlgCorvantis::setKioskMode);
    const bool wasKiosk = isKioskMode();
    dlg.exec();
    if (m_switchesPresentation && isKioskMode() != wasKiosk)
        QTimer::singleShot(0, this, [this] { done(kPresentationChanged); });
    // The values took effect at once; the screen follows the folders and the opacity.
    m_booth->settingsChanged();
}

void DlgCorvantis::selectFromBrowser(bool photo, bool anyFolder)
{
    if (photo && isLive())
        return;
    // Without a resource folder the chooser asks for one, as for a single picture.
    const QString resourceFolder = photo ? paths().m_portraitFolder : paths().m_frameFolder;
    const QString folder = anyFolder || resourceFolder.isEmpty() ? QString() : resourceFolder + QLatin1Char('/');
    DlgThumNail browser(folder, this, photo ? 1 : 0);
    browser.setFramePreview(!photo);
    if (browser.exec() != DlgThumNail::IdOk || browser.chosenPath().isEmpty())
        return;
    QString error;
    if (!m_booth->work().choose(photo, browser.chosenPath(), anyFolder, browser.folder(), &error) && !error.isEmpty())
        platform::prompts().messageBox(this, error, platform::MbOk | platform::MbIconWarning);
}

bool DlgCorvantis::editSlot(int index)
{
    CombinationSlots& sheet = slotModel();
    if (index < 0 || index >= sheet.count() || !sheet.slot(index).m_used)
        return false;
    DlgFilter workbench(sheet.slot(index).m_composed, this);
    const int result = m_workbenchRunner ? m_workbenchRunner(workbench) : workbench.exec();
    if (result != DlgFilter::IdOk)
        return false;
    // Edits that can be made again at full resolution go with the slot's originals.
    const std::optional<std::vector<EditStep>>& edits = workbench.replayableEdits();
    if (!sheet.handBackEdit(index, workbench.displayBitmap(), edits ? &*edits : nullptr))
        return false;
    updateCurrentSlot();
    updateSlotWidget(index);
    return true;
}

bool DlgCorvantis::handBackEdit(int slot, const QImage& result)
{
    if (!slotModel().handBackEdit(slot, result))
        return false;
    updateCurrentSlot();
    return true;
}

// ---- Showing and ending ----

void DlgCorvantis::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Shown again after a switch between window and kiosk view: the session goes on as it was.
    if (e->spontaneous() || m_loaded)
        return;
    m_loaded = true;
    m_booth->load();
    m_booth->output().startPrinterWatch();
    const bool ownWindow = m_showWindow.isEmpty()
        || m_showWindow.compare(QLatin1String("main"), Qt::CaseInsensitive) == 0 || showOnScreen(m_showWindow)
        || (m_showWindowHandler && m_showWindowHandler(m_showWindow));
    if (!ownWindow)
        QTimer::singleShot(200, this, &DlgCorvantis::openShowWindow);
    else if (!m_screenshotPath.isEmpty())
        QTimer::singleShot(400, this, [this] {
            const QImage shot = m_screenshotGrabber ? m_screenshotGrabber() : grab().toImage();
            if (!shot.save(m_screenshotPath))
                std::fprintf(stderr, "corvantis: cannot write %s\n", qPrintable(m_screenshotPath));
            accept();
        });
}

void DlgCorvantis::setWindowDragBand(int rows)
{
    if (m_windowSkin)
        m_windowSkin->setDragBand(rows);
}

void DlgCorvantis::reject()
{
    if (confirmEndSession())
        QDialog::reject();
}

void DlgCorvantis::closeEvent(QCloseEvent* e)
{
    if (!confirmEndSession()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}
