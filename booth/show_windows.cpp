// The table of windows --show opens. Booth is the top library, so every dialog can be built here
// with what the main screen would hand it: the booth's parts, and the screen as the parent.
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
#include "booth/booth.h"
#include "booth/booth_screen.h"
#include "booth/guest_view.h"
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
    std::function<QDialog*(BoothScreen& screen, const QString& argument)> open;
};

/// The picture the editing windows open on: the selected slot's, another used slot's, the first
/// portrait at booth size, or the base picture.
QImage editingPicture(BoothScreen& screen)
{
    CombinationSlots& model = screen.booth().session().sheet();
    const int current = model.currentSlot();
    if (current >= 0 && current < model.count() && model.slot(current).m_used)
        return model.slot(current).m_composed;
    for (int i : model.usedSlots())
        return model.slot(i).m_composed;
    const QDir portraits(screen.booth().paths().m_portraitFolder);
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
        // The guests' view of a shot, drawn on the main screen itself.
        { "countdown", nullptr, nullptr },
        { "newshot", nullptr, nullptr },
        // The current sheet shared as Share does, its link's card over the sheet.
        { "link", nullptr, nullptr },
        { "frames", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                const QString folder = screen.booth().paths().m_frameFolder;
                auto* browser = new DlgThumNail(folder.isEmpty() ? QString() : folder + QLatin1Char('/'), &screen, 0);
                browser->setFramePreview(true);
                if (!browser->initialise()) {
                    delete browser;
                    return nullptr;
                }
                return browser;
            } },
        { "portraits", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                const QString folder = screen.booth().paths().m_portraitFolder;
                auto* browser = new DlgThumNail(folder.isEmpty() ? QString() : folder + QLatin1Char('/'), &screen, 1);
                if (!browser->initialise()) {
                    delete browser;
                    return nullptr;
                }
                return browser;
            } },
        { "save", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                return screen.booth().output().createSaveDialog(&screen);
            } },
        { "print", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                return screen.booth().output().createPrintDialog(&screen);
            } },
        // The print dialog on its first photo paper (6 x 4 in).
        { "photoprint", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                DlgPrint* dialog = screen.booth().output().createPrintDialog(&screen);
                dialog->OnSizeList(DlgPrint::kFirstPhotoLine);
                return dialog;
            } },
        { "settings", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                auto* dlg
                    = new DlgConfigure(screen.booth().settings(), screen.booth().paths(), platform::prompts(), &screen);
                dlg->initialise();
                return dlg;
            } },
        { "pin", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                // The question kiosk mode asks when it is switched on without an operator PIN.
                return new DlgSecret(QStringLiteral("Operator PIN"), KioskPinQuestion(), &screen);
            } },
        { "attract", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                // Outside kiosk mode the attract screen is shown at the booth's own size.
                auto* window = new QDialog(&screen, Qt::FramelessWindowHint);
                window->setWindowTitle(QStringLiteral("Attract screen"));
                window->setFixedSize(800, 600);
                auto* attract = new AttractScreen(window);
                attract->setGeometry(window->rect());
                const QString saveFolder = screen.booth().paths().m_saveFolder.isEmpty()
                    ? appdefaults::defaultSaveFolder()
                    : screen.booth().paths().m_saveFolder;
                attract->setPictures(RecentEventPictures(saveFolder, QDate::currentDate()));
                attract->start();
                return window;
            } },
        { "share", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
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
                const QString saveFolder = screen.booth().paths().m_saveFolder.isEmpty()
                    ? appdefaults::defaultSaveFolder()
                    : screen.booth().paths().m_saveFolder;
                const ShareOptions options = ShareOptions::from(screen.booth().settings());
                const ShareAddress address = ResolveShareBind(options.bind);
                const std::optional<QString> link = NewestShareLink(SharePublisher::shareFolderOf(saveFolder),
                    ShareBaseUrl(address.ok ? address.urlHost : QStringLiteral("127.0.0.1"), options.port));
                panel->setLink(link.value_or(QString()));
                window->setFixedSize(panel->sizeHint() + QSize(48, 48));
                return window;
            } },
        { "text", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                return new DlgText(RememberedTextInfo(), platform::prompts(), &screen);
            } },
        { "mixer", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                auto* mixer = new DlgMix(editingPicture(screen), screen.booth().paths().m_emotionFolder,
                    RememberedTextInfo(), platform::prompts(), &screen);
                // A sticker and a text layer, so the window shows what it is for.
                mixer->layers().setLastPlaced(QPoint(210, -130));
                mixer->pressStripSlot(0);
                mixer->layers().addTextLayer(RememberedTextInfo());
                return mixer;
            } },
        { "workbench", nullptr,
            [](BoothScreen& screen, const QString&) -> QDialog* {
                return new DlgFilter(editingPicture(screen), &screen);
            } },
        { "effect", "K",
            [](BoothScreen& screen, const QString& arg) -> QDialog* {
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

QDialog* OpenShowWindow(BoothScreen& screen, const QString& name)
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
