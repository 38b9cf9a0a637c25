// kivra-project: reprint or export an event's sheets from a project file without the booth screen.
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>
#include <QTextStream>

#include "cli/project_cli.h"

int main(int argc, char** argv)
{
    // Printing lays out text with fonts, which needs a GUI application; a kiosk batch or a
    // remote shell has no display, so fall back to drawing offscreen.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return RunKivraProject(args, out, err);
}
