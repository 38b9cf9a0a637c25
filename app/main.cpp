// corvantis: the Kivra Tesselwick booth. Parses the command line, then runs the application object.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "app/app_paths.h"
#include "app/app_prompts.h"
#include "app/booth_settings.h"
#include "app/command_line.h"
#include "app/corvantis_app.h"
#include "booth/dlg_corvantis.h"
#include "booth/kiosk_view.h"
#include "booth/project_file.h"
#include "booth/self_test.h"
#include "booth/show_windows.h"
#include "capture/capture_cli.h"
#include "capture/capture_video.h"
#include "editing/text_info.h"
#include "platform/ini_file.h"

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
    if (commandLine.testCameraSize().isValid() && !CCaptureVideo::SetTestCameraSize(commandLine.testCameraSize())) {
        const QSize lo = CCaptureVideo::kMinTestCameraSize;
        const QSize hi = CCaptureVideo::kMaxTestCameraSize;
        std::fprintf(stderr, "corvantis: --test-camera-size must lie between %dx%d and %dx%d\n", lo.width(),
            lo.height(), hi.width(), hi.height());
        return 2;
    }

    {
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (const std::optional<int> rc = RunCaptureCommandLine(argumentList(argc, argv), out, err))
            return *rc;
    }

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
    app.setTextToolSetUp(&SetUpRememberedTextInfo);
    app.setProjectUnpacker([](const QString& path) {
        QStringList files;
        QString error;
        if (!UnpackProject(path, files, &error))
            std::fprintf(stderr, "corvantis: %s\n", qPrintable(error));
        return files;
    });
    if (commandLine.demoContent()) {
        app.setDemoContentFolder(demoContentFolder(module));
        // The demo shows what the booth is for: opaque frames, a countdown and a new frame per
        // shot, unless the settings file already says otherwise.
        const QString ini = module + QLatin1String(appdefaults::kSettingsFileName);
        const std::pair<const char*, int> demoValues[]
            = { { "Alpha", 255 }, { "ShottingDelay", 3 }, { "AutoChangeFrame", 1 } };
        for (const auto& [key, value] : demoValues)
            if (platform::IniFile::readString(ini, QStringLiteral("Configure"), QLatin1String(key)).isEmpty())
                platform::IniFile::writeInt(ini, QStringLiteral("Configure"), QLatin1String(key), value);
    }
    const QString screenshot
        = commandLine.screenshot().isEmpty() ? QString() : QFileInfo(commandLine.screenshot()).absoluteFilePath();
    const QString show = commandLine.show();
    if (!show.isEmpty() && !IsShowWindowName(show)) {
        std::fprintf(stderr, "corvantis: there is no window \"%s\"; the windows are: %s\n", qPrintable(show),
            qPrintable(ShowWindowNames().join(QLatin1String(", "))));
        platform::setPrompts(nullptr);
        return 2;
    }
    const int selfTestShots = commandLine.selfTestShots();
    if (selfTestShots < 0) {
        std::fprintf(stderr, "corvantis: --self-test takes a positive number of shots\n");
        platform::setPrompts(nullptr);
        return 2;
    }
    int selfTestCode = 0;
    const bool kiosk = commandLine.kiosk();
    const QString display = commandLine.display();
    const QSize kioskSize = commandLine.kioskSize();
    app.setMainDialogRunner([screenshot, show, selfTestShots, kiosk, display, kioskSize, &selfTestCode] {
        DlgCorvantis screen(boothSettings(), appPaths());
        // Kiosk mode needs an operator PIN; nobody is asked for one in a screenshot run.
        if (selfTestShots == 0 && (kiosk || boothSettings().m_kiosk == 1))
            screen.requestKioskAtStart(!screenshot.isEmpty());
        if (selfTestShots > 0) {
            // Nobody answers questions during the check: they are answered OK and printed.
            static platform::ScriptedPrompts unattended;
            platform::setPrompts(&unattended);
            const SelfTestResult result = RunSelfTest(screen, selfTestShots);
            for (const auto& message : unattended.messages)
                std::fprintf(stderr, "corvantis: %s\n", qPrintable(message.text));
            std::printf("%s\n", qPrintable(result.summary()));
            std::fflush(stdout);
            selfTestCode = result.passed() ? 0 : 1;
            return 1;
        }
        screen.setScreenshotPath(screenshot);
        screen.setShowWindow(show);
        // Kiosk mode switched in the settings changes how the same screen is presented.
        screen.setSwitchesPresentation(screenshot.isEmpty());
        int code;
        do
            code = screen.isKioskMode() ? RunKiosk(screen, display, kioskSize) : screen.exec();
        while (code == DlgCorvantis::kPresentationChanged);
        return code;
    });

    if (!app.InitInstance()) {
        platform::setPrompts(nullptr);
        return 1;
    }
    std::fprintf(stderr, "corvantis: start-up finished; module folder %s, settings file %s\n",
        qPrintable(QDir::toNativeSeparators(appPaths().m_moduleFolder)), qPrintable(appPaths().m_settingsFile));
    const int code = app.ExitInstance();
    RemoveProjectTempFolder();
    platform::setPrompts(nullptr);
    return selfTestShots > 0 ? selfTestCode : code;
}
