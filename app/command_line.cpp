// corvantis command-line options.
#include "app/command_line.h"

#include "app/app_paths.h"

CommandLine::CommandLine()
    : m_help({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help and exit."))
    , m_version({ QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Show the version and exit."))
    , m_home(QStringLiteral("home"),
          QStringLiteral("Use DIR as the module folder (settings file, Image folders) instead of the "
                         "executable's folder. The environment variable KIVRA_HOME does the same."),
          QStringLiteral("DIR"))
    , m_testCamera(QStringLiteral("test-camera"),
          QStringLiteral("Offer the built-in test camera (a moving test picture) besides real "
                         "cameras; same as KIVRA_TEST_CAMERA=1."))
    , m_testCameraSize(QStringLiteral("test-camera-size"),
          QStringLiteral("The test camera delivers pictures of WxH pixels (from 16x16 to 7680x4320; 640x480 "
                         "by default), e.g. 1920x1080 to try the booth with a full HD camera. Implies "
                         "--test-camera."),
          QStringLiteral("WxH"))
    , m_kiosk(QStringLiteral("kiosk"),
          QStringLiteral("Kiosk mode for guests: full screen, the shoot key works wherever the focus is, an "
                         "attract screen when idle, and leaving or changing the booth asks for the operator PIN."))
    , m_display(QStringLiteral("display"),
          QStringLiteral("The display kiosk mode fills, by name or number (0 is the first); the primary display "
                         "by default."),
          QStringLiteral("NAME"))
    , m_kioskSize(QStringLiteral("kiosk-size"),
          QStringLiteral("Kiosk mode in a window of WxH pixels instead of full screen, to try it out or to take "
                         "a screenshot of it at that size."),
          QStringLiteral("WxH"))
    , m_demoContent(QStringLiteral("demo-content"),
          QStringLiteral("Copy the bundled demo content (frames, portraits, stickers, backdrops) "
                         "into the resource folders that are empty."))
    , m_screenshot(QStringLiteral("screenshot"),
          QStringLiteral("Start as usual, write a picture of the main screen to FILE (PNG) once it is "
                         "shown, and exit."),
          QStringLiteral("FILE"))
    , m_show(QStringLiteral("show"),
          QStringLiteral("Open the window NAME over the main screen (main, frames, portraits, ...; "
                         "an unknown name lists them all); with --screenshot the picture is of that window."),
          QStringLiteral("NAME"))
    , m_selfTest(QStringLiteral("self-test"),
          QStringLiteral("Take N shots with the chosen camera and no countdown, archiving each, print one "
                         "summary line and exit (1 when a shot failed or the session could not be autosaved)."),
          QStringLiteral("N"))
{
    // Camera set-up commands; capture/capture_cli runs them, they are declared here for --help.
    m_cameraOptions = {
        QCommandLineOption(QStringLiteral("list-cameras"),
            QStringLiteral("List the cameras, one per line with the mode each runs in, and exit.")),
        QCommandLineOption(QStringLiteral("grab-frame"),
            QStringLiteral("Take one frame from the camera into FILE (24-bit BMP) as a shot does, and exit."),
            QStringLiteral("FILE")),
        QCommandLineOption(QStringLiteral("device"), QStringLiteral("Camera index for --grab-frame (default 0)."),
            QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("mode"),
            QStringLiteral("0: the next frame from the camera (default); 1: the frame on screen."),
            QStringLiteral("0|1")),
    };
    m_parser.setApplicationDescription(QStringLiteral("Kivra Tesselwick photo booth."));
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    m_parser.addOption(m_home);
    m_parser.addOption(m_testCamera);
    m_parser.addOption(m_testCameraSize);
    m_parser.addOption(m_demoContent);
    m_parser.addOption(m_kiosk);
    m_parser.addOption(m_display);
    m_parser.addOption(m_kioskSize);
    m_parser.addOption(m_screenshot);
    m_parser.addOption(m_show);
    m_parser.addOption(m_selfTest);
    for (const QCommandLineOption& option : m_cameraOptions)
        m_parser.addOption(option);
    m_parser.addPositionalArgument(
        QStringLiteral("project"), QStringLiteral("A project file (*.kivra) to open."), QStringLiteral("[project]"));
}

bool CommandLine::parse(const QStringList& arguments)
{
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return false;
    }
    if (isTestCameraSizeBad()) {
        m_error = QStringLiteral("--test-camera-size takes a size such as 1920x1080, not \"%1\".")
                      .arg(m_parser.value(m_testCameraSize));
        return false;
    }
    if (isKioskSizeBad()) {
        m_error = QStringLiteral("--kiosk-size takes a size such as 1280x800.");
        return false;
    }
    if (m_parser.positionalArguments().size() > 1) {
        m_error = QStringLiteral("Only one project file can be given.");
        return false;
    }
    return true;
}

QString CommandLine::versionText()
{
    return QLatin1String(appdefaults::kProductName) + QLatin1Char(' ') + QLatin1String(appdefaults::kVersion);
}

bool CommandLine::helpRequested() const
{
    return m_parser.isSet(m_help);
}

bool CommandLine::versionRequested() const
{
    return m_parser.isSet(m_version);
}

QString CommandLine::projectPath() const
{
    const QStringList args = m_parser.positionalArguments();
    return args.isEmpty() ? QString() : args.first();
}

QString CommandLine::home() const
{
    return m_parser.value(m_home);
}

bool CommandLine::testCamera() const
{
    return m_parser.isSet(m_testCamera);
}

namespace {

/// "WxH" with positive whole numbers (an upper-case X is taken too); invalid otherwise.
QSize parseSize(const QString& text)
{
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char('x'));
    bool okW = false, okH = false;
    const QSize size = parts.size() == 2 ? QSize(parts[0].toInt(&okW), parts[1].toInt(&okH)) : QSize();
    return okW && okH && size.width() > 0 && size.height() > 0 ? size : QSize();
}

} // namespace

QSize CommandLine::testCameraSize() const
{
    return m_parser.isSet(m_testCameraSize) ? parseSize(m_parser.value(m_testCameraSize)) : QSize();
}

bool CommandLine::isTestCameraSizeBad() const
{
    return m_parser.isSet(m_testCameraSize) && !testCameraSize().isValid();
}

bool CommandLine::kiosk() const
{
    return m_parser.isSet(m_kiosk);
}

QString CommandLine::display() const
{
    return m_parser.value(m_display);
}

QSize CommandLine::kioskSize() const
{
    const QStringList parts = m_parser.value(m_kioskSize).split(QLatin1Char('x'));
    bool okW = false, okH = false;
    const QSize size = parts.size() == 2 ? QSize(parts[0].toInt(&okW), parts[1].toInt(&okH)) : QSize();
    return okW && okH && size.width() >= 200 && size.height() >= 150 && size.width() <= 16384 && size.height() <= 16384
        ? size
        : QSize();
}

bool CommandLine::isKioskSizeBad() const
{
    return m_parser.isSet(m_kioskSize) && !kioskSize().isValid();
}

bool CommandLine::demoContent() const
{
    return m_parser.isSet(m_demoContent);
}

QString CommandLine::show() const
{
    return m_parser.value(m_show);
}

int CommandLine::selfTestShots() const
{
    if (!m_parser.isSet(m_selfTest))
        return 0;
    bool ok = false;
    const int n = m_parser.value(m_selfTest).toInt(&ok);
    return ok && n > 0 ? n : -1;
}

QString CommandLine::screenshot() const
{
    return m_parser.value(m_screenshot);
}

void CommandLine::applyEnvironment() const
{
    if ((testCamera() || m_parser.isSet(m_testCameraSize)) && !qEnvironmentVariableIsSet("KIVRA_TEST_CAMERA"))
        qputenv("KIVRA_TEST_CAMERA", "1");
}
