// KioskView: the booth for guests. The fixed 800 x 600 main screen is shown full screen, scaled
// to fit with its aspect kept and letterboxed in the night blue of the theme; pointer and touch
// input reach its controls through the same scale. After a spell without input the attract
// screen takes over until the next touch.
#pragma once

#include <QElapsedTimer>
#include <QGraphicsView>
#include <QPointer>
#include <QTimer>

class AttractScreen;
class BoothScreen;
class QGraphicsProxyWidget;

class KioskView : public QGraphicsView {
    Q_OBJECT
public:
    /// Hosts screen (which must be a top-level widget and outlive the view) unscaled at first; the
    /// scale follows the view's size. The screen's widgets, ids and logic are untouched.
    explicit KioskView(BoothScreen& screen, QWidget* parent = nullptr);
    ~KioskView() override;

    /// The scale the booth is drawn at, and the booth's rectangle in view (viewport) coordinates.
    qreal boothScale() const;
    QRect boothRect() const;
    /// A point of the booth (800 x 600 coordinates) in viewport coordinates, and back.
    QPoint mapFromBooth(const QPoint& boothPoint) const;
    QPoint mapToBooth(const QPoint& viewPoint) const;

    /// Seconds without input before the attract screen (0 = never).
    void setAttractIdle(int seconds);
    int attractIdle() const { return m_idleSeconds; }
    /// Shows the attract screen now (as the idle time running out would).
    void showAttract();
    bool isAttractShown() const;
    AttractScreen* attractScreen() const { return m_attract; }

protected:
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit();
    /// A dialog opened over the booth inside the view: skinned, modal over the booth, centred.
    void adoptWindow(QWidget* window);
    /// A dialog over the booth closed: the booth takes the keys again when none is left.
    void windowClosed();
    void restartIdle();
    void idleOver();

    BoothScreen& m_screen;
    QGraphicsProxyWidget* m_proxy = nullptr;
    Qt::WindowFlags m_screenFlags;
    AttractScreen* m_attract = nullptr;
    QTimer m_idle;
    QElapsedTimer m_sinceDismissed;
    int m_idleSeconds = 0;
};

/// Runs screen as the guests' booth until the screen is done, full screen on display (a screen's
/// name or index; the primary one when empty or unknown), or in a window of windowSize when that
/// is valid. Returns the screen's result.
int RunKiosk(BoothScreen& screen, const QString& display = {}, const QSize& windowSize = {});
