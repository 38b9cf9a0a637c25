// GuestView: what guests see of a shot in kiosk mode, drawn over the main screen: a large
// countdown over the live picture, a short white flash as the shot is taken, then the new slot
// shown large for a moment. It takes no input; the screen's own controls stay where they are.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

class GuestView : public QWidget {
    Q_OBJECT
public:
    enum Mode { Idle, Countdown, Flash, Shot };
    static constexpr int kFlashMs = 300;
    static constexpr int kShotMs = 2000;

    /// Covers parent; the countdown is centred on preview (parent coordinates).
    GuestView(const QRect& preview, QWidget* parent);

    /// The countdown shows seconds (a second's ring sweeps round until the next call).
    void showCountdown(int seconds);
    void flash();
    /// The new slot's picture, large, for milliseconds; then the view clears itself.
    void showShot(const QImage& picture, int milliseconds = kShotMs);
    void clear();

    Mode mode() const { return m_mode; }
    int countdownSeconds() const { return m_seconds; }
    const QImage& shotPicture() const { return m_shot; }
    /// Where the shot is drawn (parent coordinates).
    QRect shotRect() const;

signals:
    void modeChanged(GuestView::Mode mode);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void setMode(Mode mode);
    void paintCountdown(QPainter& p);
    void paintShot(QPainter& p);

    QRect m_preview;
    Mode m_mode = Idle;
    int m_seconds = 0;
    QImage m_shot;
    QElapsedTimer m_since;
    QTimer m_tick;
    QTimer m_end;
};
