// BoothScreen: what the programs around the main screen (the kiosk view, the self-test, the
// --show windows, main()) know of it: a dialog over the booth's parts, with the hooks of one run.
#pragma once

#include <functional>

#include <QDialog>
#include <QImage>
#include <QUrl>

class Booth;

class BoothScreen : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    virtual Booth& booth() = 0;
    /// Esc, the close button and the window's close: true when the session may end.
    virtual bool confirmEndSession() = 0;
    /// Rows at the top that move the window (0 when the screen fills a kiosk view).
    virtual void setWindowDragBand(int rows) = 0;

    // ---- Hooks of one run, for the program and for tests ----
    /// What the close button does; by default the process ends at once, skipping the exit sequence.
    void setCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }
    /// Opens the link buttons' addresses; by default in the desktop's browser.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    /// Writes a picture of the screen (or of the --show window) once shown and loaded, then ends.
    void setScreenshotPath(const QString& path) { m_screenshotPath = path; }
    /// --show NAME: once shown, the screen opens that window over itself (see show_windows.h).
    void setShowWindow(const QString& name) { m_showWindow = name; }
    /// When on, switching kiosk mode in the configuration dialog ends the run with
    /// MainScreenIds::kPresentationChanged, so the program can present the same screen the other way.
    void setSwitchesPresentation(bool on) { m_switchesPresentation = on; }
    /// What the screenshot is of (the screen by default; the kiosk view when it hosts the screen).
    void setScreenshotGrabber(std::function<QImage()> grabber) { m_screenshotGrabber = std::move(grabber); }
    /// Handles --show names beyond the table (true when it did); the kiosk view shows its own.
    void setShowWindowHandler(std::function<bool(const QString&)> handler) { m_showWindowHandler = std::move(handler); }

protected:
    std::function<void()> m_closeHandler;
    std::function<void(const QUrl&)> m_openUrl;
    QString m_screenshotPath;
    QString m_showWindow;
    bool m_switchesPresentation = false;
    std::function<QImage()> m_screenshotGrabber;
    std::function<bool(const QString&)> m_showWindowHandler;
};
