// The table of windows --show opens. Booth is the top library, so every dialog can be built here
// with what the main screen would hand it.
#include "booth/show_windows.h"

#include <functional>
#include <vector>

#include <QDialog>

#include "app/app_paths.h"
#include "booth/dlg_corvantis.h"
#include "output/dlg_thum_nail.h"

namespace {

struct ShowEntry {
    const char* name;
    const char* argument; ///< shown as NAME:ARG in the list; null when the window takes none
    /// Builds the window from the screen and the text after ":"; null when the argument is bad.
    std::function<QDialog*(DlgCorvantis& screen, const QString& argument)> open;
};

const std::vector<ShowEntry>& showTable()
{
    static const std::vector<ShowEntry> table = {
        { "main", nullptr, nullptr },
        { "frames", nullptr,
            [](DlgCorvantis& screen, const QString&) -> QDialog* {
                const QString folder = appPaths().m_frameFolder;
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
                const QString folder = appPaths().m_portraitFolder;
                auto* browser = new DlgThumNail(folder.isEmpty() ? QString() : folder + QLatin1Char('/'), &screen, 1);
                if (!browser->initialise()) {
                    delete browser;
                    return nullptr;
                }
                return browser;
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
