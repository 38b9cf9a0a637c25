// BoothScreen: what the programs around the main screen (the kiosk view, the self-test, the
// --show windows) know of it: a dialog over the booth's parts, with the hooks of one run.
#pragma once

#include <functional>

#include <QDialog>
#include <QImage>

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

    /// What the screenshot is of (the screen by default; the kiosk view when it hosts the screen).
    void setScreenshotGrabber(std::function<QImage()> grabber) { m_screenshotGrabber = std::move(grabber); }
    /// Handles --show names beyond the table (true when it did); the kiosk view shows its own.
    void setShowWindowHandler(std::function<bool(const QString&)> handler) { m_showWindowHandler = std::move(handler); }

protected:
    std::function<QImage()> m_screenshotGrabber;
    std::function<bool(const QString&)> m_showWindowHandler;
};
