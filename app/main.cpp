// corvantis: the Kivra Tesselwick booth. Parses the command line, then runs the application object.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/app_paths.h"
#include "app/app_prompts.h"
#include "app/command_line.h"
#include "app/corvantis_app.h"

namespace {

QStringList argumentList(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

/// The bundled demo content: beside the module folder when installed that way, else in the source tree.
QString demoContentFolder(const QString& moduleFolder)
{
    const QString local = moduleFolder + QStringLiteral("resources/demo");
    if (QFileInfo(local).isDir())
        return local;
    return QString::fromUtf8(KIVRA_RESOURCE_DIR "/demo");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QLatin1String(appdefaults::kProductName));
    QCoreApplication::setApplicationVersion(QLatin1String(appdefaults::kVersion));

    // The command line is read before any window system is touched, so --help and --version
    // work without a display, and KIVRA_TEST_CAMERA is set before anything reads it.
    CommandLine commandLine;
    {
        QCoreApplication probe(argc, argv);
        if (!commandLine.parse(argumentList(argc, argv))) {
            std::fprintf(
                stderr, "corvantis: %s\n\n%s", qPrintable(commandLine.errorText()), qPrintable(commandLine.helpText()));
            return 2;
        }
        if (commandLine.helpRequested()) {
            std::fputs(qPrintable(commandLine.helpText()), stdout);
            return 0;
        }
        if (commandLine.versionRequested()) {
            std::printf("%s\n", qPrintable(CommandLine::versionText()));
            return 0;
        }
    }
    commandLine.applyEnvironment();

    QApplication qtApp(argc, argv);
    QApplication::setApplicationDisplayName(QLatin1String(appdefaults::kProductName));
    AppPrompts prompts;
    platform::setPrompts(&prompts);

    CCorvantisApp app;
    QString note;
    const QString module = resolveModuleFolder(
        commandLine.home(), qEnvironmentVariable("KIVRA_HOME"), QCoreApplication::applicationDirPath(), &note);
    if (!note.isEmpty())
        std::fprintf(stderr, "corvantis: %s\n", qPrintable(note));
    app.setModuleFolder(module);
    if (!commandLine.projectPath().isEmpty())
        app.setProjectPath(QFileInfo(commandLine.projectPath()).absoluteFilePath());
    if (commandLine.demoContent())
        app.setDemoContentFolder(demoContentFolder(module));
    // The main booth screen is installed here: app.setMainDialogRunner(...).

    if (!app.InitInstance()) {
        platform::setPrompts(nullptr);
        return 1;
    }
    std::fprintf(stderr, "corvantis: start-up finished; module folder %s, settings file %s\n",
        qPrintable(QDir::toNativeSeparators(appPaths().m_moduleFolder)), qPrintable(appPaths().m_settingsFile));
    const int code = app.ExitInstance();
    platform::setPrompts(nullptr);
    return code;
}
