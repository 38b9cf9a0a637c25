// The picture controls of the main booth screen: plain picture areas, the slot pictures that
// report presses, drags and menus to the screen, the photo tracker's outline; and its link opener.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class QUrl;

/// A picture stretched over the control (nothing drawn without one).
class CPictureArea : public QWidget {
    Q_OBJECT
public:
    explicit CPictureArea(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage m_picture;
};

/// One combination slot's picture control. The screen owns the logic; this reports the pointer,
/// and the keyboard: focus selects the slot, the menu key (or Shift+F10) opens its menu.
class CSlotPicture : public QWidget {
    Q_OBJECT
public:
    CSlotPicture(int index, QWidget* parent = nullptr);
    int index() const { return m_index; }
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    /// The selected slot carries a marigold outline.
    void setCurrent(bool on);
    bool isCurrent() const { return m_current; }

signals:
    void pressed(int index);
    /// Left button released; globalPos tells which slot it was released over.
    void released(int index, const QPoint& globalPos);
    void doubleClicked(int index);
    void rightReleased(int index, const QPoint& globalPos);
    /// The slot took the keyboard focus.
    void selected(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

private:
    int m_index;
    QImage m_picture;
    bool m_current = false;
};

/// The photo tracker: a dashed outline with eight sizing handles just outside a rectangle.
/// Drawn over the picture areas; presses pass through to the screen, which does the tracking.
class CPhotoTracker : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHandle = 7;
    enum Hit {
        HitNothing = -1,
        HitTopLeft,
        HitTopRight,
        HitBottomRight,
        HitBottomLeft,
        HitTop,
        HitRight,
        HitBottom,
        HitLeft,
        HitMiddle
    };

    /// A drag of the tracked rectangle under way: what was grabbed, where, and the rectangle then.
    struct Drag {
        Hit hit = HitNothing;
        QPoint start;
        QRect from;
    };

    explicit CPhotoTracker(QWidget* parent = nullptr);
    /// The tracked rectangle in the parent's coordinates.
    void setTrackedRect(const QRect& r);
    QRect trackedRect() const { return m_rect; }
    /// What a press at pos (parent coordinates) would grab; tolerance in pixels around handles and edges.
    Hit hitTest(const QPoint& pos, int tolerance = 3) const;
    /// r changed by dragging hit by delta, kept at least minSize.
    static QRect track(const QRect& r, Hit hit, const QPoint& delta, QSize minSize = QSize(32, 24));

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QRect handleRect(int handle) const;
    QRect m_rect;
};

/// Opens url in the desktop's browser; says so, with the address, when none can be started.
void OpenAddress(QWidget* parent, const QUrl& url);
