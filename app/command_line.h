// The corvantis command line: options, parsing and the environment they set up before start-up.
#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QSize>
#include <QString>

class CommandLine {
public:
    /// Declares every option; add new options in the constructor and give them an accessor.
    CommandLine();

    /// Parses arguments (the program name first). False with errorText() on unknown options or
    /// more than one project file.
    bool parse(const QStringList& arguments);
    QString errorText() const { return m_error; }
    QString helpText() const { return m_parser.helpText(); }
    /// "Kivra Tesselwick 1.0.5".
    static QString versionText();

    bool helpRequested() const;
    bool versionRequested() const;
    /// The project file, as given (empty when none).
    QString projectPath() const;
    /// --home DIR.
    QString home() const;
    bool testCamera() const;
    /// --test-camera-size WxH: the test camera's picture size (invalid when not given;
    /// isTestCameraSizeBad() when given but not WxH with positive numbers).
    QSize testCameraSize() const;
    bool isTestCameraSizeBad() const;
    bool demoContent() const;
    bool kiosk() const;
    /// --display NAME: the screen kiosk mode fills (a name or an index; empty for the primary).
    QString display() const;
    /// --kiosk-size WxH: kiosk mode in a window of that size instead of full screen (invalid when
    /// not given; isKioskSizeBad() when given but not WxH).
    QSize kioskSize() const;
    bool isKioskSizeBad() const;
    /// --screenshot FILE: the main screen is written to FILE once shown, then the program ends.
    QString screenshot() const;
    /// --show NAME: the window to open over the main screen (empty: the main screen alone).
    QString show() const;
    /// --self-test N: shots to take through the shooting path (0 when not asked for, -1 when N is
    /// not a positive number).
    int selfTestShots() const;

    /// Sets what must be in the environment before anything else runs: KIVRA_TEST_CAMERA=1 for
    /// --test-camera (or --test-camera-size), unless the variable is already set.
    void applyEnvironment() const;

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_home;
    QCommandLineOption m_testCamera;
    QCommandLineOption m_testCameraSize;
    QCommandLineOption m_kiosk;
    QCommandLineOption m_display;
    QCommandLineOption m_kioskSize;
    QCommandLineOption m_demoContent;
    QCommandLineOption m_screenshot;
    QCommandLineOption m_show;
    QCommandLineOption m_selfTest;
    QList<QCommandLineOption> m_cameraOptions;
    QString m_error;
};
