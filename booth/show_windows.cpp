// The table of windows --show opens, and the main screen's side of it. Booth is the top library,
// so every dialog can be built here with what the main screen would hand it.
#include "booth/show_windows.h"

#include <cstdio>
#include <functional>
#include <vector>

#include <QDialog>
#include <QDir>
#include <QLinearGradient>
#include <QTimer>
#include <QVBoxLayout>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "app/dlg_configure.h"
#include "app/dlg_secret.h"
#include "app/operator_lock.h"
#include "booth/attract_screen.h"
#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "skin/cx_skin_button.h"
#include "skin/sk_combo_box.h"
#include "output/dlg_print.h"
#include "output/dlg_save_picture.h"
#include "editing/dlg_mix.h"
#include "editing/dlg_text.h"
#include "platform/prompts.h"
#include "editing/dlg_effect.h"
#include "editing/dlg_filter.h"
#include "output/dlg_thum_nail.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "picture/picture_files.h"
#include "share/share_address.h"
#include "share/share_panel.h"
#include "share/share_service.h"
#include "skin/skin_resource_table.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace {

struct ShowEntry {
    const char* name;
    const char* argument; ///< shown as NAME:ARG in the list; null when the window takes none
    /// Builds the window from the screen and the text after ":"; null when the argument is bad.
    std::function<QDialog*(DlgCorvantis& screen, const QString& argument)> open;
};

/// The picture the editing windows open on: the selected slot's, another used slot's, the first
/// portrait at booth size, or the base picture.
QImage editingPicture(DlgCorvantis& screen)
{
    CombinationSlots& model = screen.slotModel();
    const int current = model.currentSlot();
    if (current >= 0 && current < model.count() && model.slot(current).m_used)
        return model.slot(current).m_composed;
    for (int i : model.usedSlots())
        return model.slot(i).m_composed;
    const QDir portraits(screen.paths().m_portraitFolder);
    for (const QString& name : portraits.entryList(QDir::Files, QDir::Name)) {
        CxImage photo, fitted;
        if (IsPictureFile(name) && LoadPicture(portraits.filePath(name), photo)
            && FitTo(photo, QSize(320, 240), fitted))
            return BitmapFromImage(fitted);
    }
    return skin::SkinBitmap(skin::kBasePicture);
}

const std::vector<ShowEntry>& showTable()
{
    static const std::vector<ShowEntry> table = {
        { "main", nullptr, nullptr },
        // The guests' view of a shot, drawn on the main screen itself (see showOnScreen).
        { "countdown", nullptr, nullptr },
        { "newshot", nullptr, nullptr },
        { "frames", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                const QString folder = screen.paths().m_frameFolder;
                auto* browser = new DlgThumNail(folder.isEmpty() ? QString() : folder + QLatin1Char('/'), &screen, 0);
                browser->setFramePreview(true);
                if (!browser->initialise()) {
                    delete browser;
                    return nullptr;
                }
                return browser;
            } },
        { "portraits", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                const QString folder = screen.paths().m_portraitFolder;
                auto* browser = new DlgThumNail(folder.isEmpty() ? QString() : folder + QLatin1Char('/'), &screen, 1);
                if (!browser->initialise()) {
                    delete browser;
                    return nullptr;
                }
                return browser;
            } },
        { "save", nullptr, [](DlgCorvantis& screen, const QString&) -> QDialog* { return screen.createSaveDialog(); } },
        { "print", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* { return screen.createPrintDialog(); } },
        // The print dialog on its first photo paper (6 x 4 in).
        { "photoprint", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                DlgPrint* dialog = screen.createPrintDialog();
                dialog->OnSizeList(DlgPrint::kFirstPhotoLine);
                return dialog;
            } },
        { "settings", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                auto* dlg = new DlgConfigure(screen.settings(), screen.paths(), platform::prompts(), &screen);
                dlg->initialise();
                return dlg;
            } },
        { "pin", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                // The question kiosk mode asks when it is switched on without an operator PIN.
                return new DlgSecret(QStringLiteral("Operator PIN"), KioskPinQuestion(), &screen);
            } },
        { "attract", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                // Outside kiosk mode the attract screen is shown at the booth's own size.
                auto* window = new QDialog(&screen, Qt::FramelessWindowHint);
                window->setWindowTitle(QStringLiteral("Attract screen"));
                window->setFixedSize(800, 600);
                auto* attract = new AttractScreen(window);
                attract->setGeometry(window->rect());
                const QString saveFolder = screen.paths().m_saveFolder.isEmpty() ? appdefaults::defaultSaveFolder()
                                                                                 : screen.paths().m_saveFolder;
                attract->setPictures(RecentEventPictures(saveFolder, QDate::currentDate()));
                attract->start();
                return window;
            } },
        { "share", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                // The QR panel of the newest shared sheet, at the address the booth's settings give.
                auto* window = new QDialog(&screen);
                window->setWindowTitle(QStringLiteral("Phone link"));
                QLinearGradient ground(0, 0, 0, 1);
                ground.setCoordinateMode(QGradient::ObjectMode);
                ground.setColorAt(0, QColor(skin::theme::kNight));
                ground.setColorAt(1, QColor(skin::theme::kNightLow));
                QPalette palette = window->palette();
                palette.setBrush(QPalette::Window, ground);
                window->setPalette(palette);
                window->setAutoFillBackground(true);
                auto* panel = new SharePanel(window);
                auto* layout = new QVBoxLayout(window);
                layout->setContentsMargins(24, 24, 24, 24);
                layout->addWidget(panel);
                const QString saveFolder = screen.paths().m_saveFolder.isEmpty() ? appdefaults::defaultSaveFolder()
                                                                                 : screen.paths().m_saveFolder;
                const ShareOptions options = ShareOptions::from(screen.settings());
                const ShareAddress address = ResolveShareBind(options.bind);
                const std::optional<QString> link = NewestShareLink(SharePublisher::shareFolderOf(saveFolder),
                    ShareBaseUrl(address.ok ? address.urlHost : QStringLiteral("127.0.0.1"), options.port));
                panel->setLink(link.value_or(QString()));
                window->setFixedSize(panel->sizeHint() + QSize(48, 48));
                return window;
            } },
        { "text", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                return new DlgText(RememberedTextInfo(), platform::prompts(), &screen);
            } },
        { "mixer", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                auto* mixer = new DlgMix(editingPicture(screen), screen.paths().m_emotionFolder, RememberedTextInfo(),
                    platform::prompts(), &screen);
                // A sticker and a text layer, so the window shows what it is for.
                mixer->layers().setLastPlaced(QPoint(210, -130));
                mixer->pressStripSlot(0);
                mixer->layers().addTextLayer(RememberedTextInfo());
                return mixer;
            } },
        { "workbench", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                return new DlgFilter(editingPicture(screen), &screen);
            } },
        { "effect", "K",
            [](DlgCorvantis& screen, const QString& arg) -> QDialog* {
                bool ok = false;
                const int kind = arg.toInt(&ok);
                if (!ok || !DlgEffect::isValidKind(kind))
                    return nullptr;
                const QImage picture = editingPicture(screen);
                auto* workbench = new CxImage;
                workbench->FromDeviceBitmap(picture);
                auto* dialog = new DlgEffect(&screen, picture, kind, workbench);
                QObject::connect(dialog, &QObject::destroyed, [workbench] { delete workbench; });
                // Show the effect at its start values.
                dialog->onSlider(DlgEffect::kSlider1Id);
                return dialog;
            } },
    };
    return table;
}

const ShowEntry* findEntry(const QString& name, QString* argument)
{
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    const QString base = colon < 0 ? name : name.left(colon);
    for (const ShowEntry& e : showTable()) {
        if (base.compare(QLatin1String(e.name), Qt::CaseInsensitive) != 0)
            continue;
        // A window without an argument takes none; one with an argument needs it.
        if ((colon >= 0) != (e.argument != nullptr))
            return nullptr;
        if (argument)
            *argument = colon < 0 ? QString() : name.mid(colon + 1);
        return &e;
    }
    return nullptr;
}

} // namespace

QDialog* OpenShowWindow(DlgCorvantis& screen, const QString& name)
{
    QString argument;
    const ShowEntry* e = findEntry(name, &argument);
    if (!e || !e->open)
        return nullptr;
    return e->open(screen, argument);
}

bool IsShowWindowName(const QString& name)
{
    return findEntry(name, nullptr) != nullptr;
}

QStringList ShowWindowNames()
{
    QStringList names;
    for (const ShowEntry& e : showTable())
        names.append(e.argument ? QStringLiteral("%1:%2").arg(QLatin1String(e.name), QLatin1String(e.argument))
                                : QLatin1String(e.name));
    return names;
}

bool DlgCorvantis::showOnScreen(const QString& name)
{
    if (name.compare(QLatin1String("countdown"), Qt::CaseInsensitive) == 0) {
        // The camera runs when there is one, so the countdown is seen over the live picture.
        if (m_devices->count() > 0 && !m_live) {
            m_cameraButton->SetCheck(true);
            OnCamera();
        }
        setCountdown(QStringLiteral("count down %1 seconds").arg(3));
        m_guest->showCountdown(3);
        return true;
    }
    if (name.compare(QLatin1String("newshot"), Qt::CaseInsensitive) == 0) {
        if (m_slots.usedSlots().empty())
            OnUsePicture();
        const QList<int> used = m_slots.usedSlots();
        m_guest->showShot(used.empty() ? BitmapFromImage(m_base) : m_slots.slot(used.front()).m_composed, 60000);
        return true;
    }
    return false;
}

void DlgCorvantis::openShowWindow()
{
    QDialog* window = OpenShowWindow(*this, m_showWindow);
    if (!window) {
        std::fprintf(stderr, "corvantis: the window \"%s\" could not be opened\n", qPrintable(m_showWindow));
        done(2);
        return;
    }
    if (m_screenshotPath.isEmpty()) {
        window->exec();
        delete window;
        return;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QTimer::singleShot(400, window, [this, window] {
        const QImage shot = window->grab().toImage();
        if (!shot.save(m_screenshotPath))
            std::fprintf(stderr, "corvantis: cannot write %s\n", qPrintable(m_screenshotPath));
        window->close();
        accept();
    });
}
