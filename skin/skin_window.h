// Shaped skinned windows: a background bitmap with magenta cut away gives a borderless window
// its shape and its face, and a band at the top drags the window like a caption.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPointer>

namespace skin {

/// Skins w from background: frameless, the given size (the bitmap's when empty), the bitmap's
/// magenta-free region as the window shape, the bitmap stretched over the client area on every
/// paint, and a left press with y < dragBand starts a system move (29: y <= 28, the dialogs'
/// rule; the main screen passes 28). Returns the helper object
/// (owned by w).
class WindowSkin;
WindowSkin* skinWindow(QWidget* w, const QImage& background, QSize size = {}, int dragBand = 29);

class WindowSkin : public QObject {
    Q_OBJECT
public:
    WindowSkin(QWidget* window, const QImage& background, QSize size, int dragBand);

    const QImage& background() const { return m_background; }
    /// Rows at the top that drag the window; 0 = none, -1 = the whole window.
    void setDragBand(int rows) { m_dragBand = rows; }
    int dragBand() const { return m_dragBand; }
    /// True when the last press started (or would have started) a window move.
    bool lastPressDragged() const { return m_lastPressDragged; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QImage m_background;
    int m_dragBand;
    bool m_lastPressDragged = false;
};

/// A modal dialog built from a skin background bitmap (see skinWindow).
class SkinDialog : public QDialog {
    Q_OBJECT
public:
    explicit SkinDialog(QWidget* parent = nullptr);
    /// Skins the dialog with a bitmap from the skin table and centres it on its parent.
    void setSkinBackground(int resourceId, QSize size = {}, int dragBand = 29);
    void setSkinBackground(const QImage& background, QSize size = {}, int dragBand = 29);
    WindowSkin* windowSkin() const { return m_skin; }
    /// Centres the dialog on the parent's client area when the parent is visible, else on the screen.
    void centreOnParent();
    /// Centres the dialog on the screen its parent is on (the primary screen without a parent).
    void centreOnScreen();

private:
    QPointer<WindowSkin> m_skin;
};

} // namespace skin
