// CRectTrackerPic: the workbench's picture control. Shows a bitmap unscaled at its top-left corner
// and, while its tracker is on, turns a rubber band dragged over it into the picture's selection.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

class CxImage;

class CRectTrackerPic : public QWidget {
    Q_OBJECT
public:
    /// Hit-test results: the eight handles clockwise from the top-left corner, then the inside.
    enum Hit {
        HitNothing = -1,
        HitTopLeft = 0,
        HitTopRight = 1,
        HitBottomRight = 2,
        HitBottomLeft = 3,
        HitTop = 4,
        HitRight = 5,
        HitBottom = 6,
        HitLeft = 7,
        HitMiddle = 8,
    };
    /// Handles are drawn outside the rectangle, this many pixels square.
    static constexpr int kHandleSize = 7;

    explicit CRectTrackerPic(QWidget* parent = nullptr);

    void Enable(bool on);
    bool isTrackerEnabled() const { return m_enabled != 0; }
    /// The picture whose selection the rectangle sets (not owned; null = none).
    void SetImage(CxImage* image) { m_image = image; }
    CxImage* image() const { return m_image; }
    /// Draws the tracker again when it is on.
    void DrawTracker();

    /// The bitmap shown at the top-left corner.
    void setBitmap(const QImage& bitmap);
    const QImage& bitmap() const { return m_bitmap; }

    /// The tracker rectangle in client coordinates, right and bottom exclusive (null = empty).
    QRect trackerRect() const { return m_rect; }
    void setTrackerRect(const QRect& r)
    {
        m_rect = r;
        update();
    }
    /// The client rectangle; drawn rectangles are clamped to it.
    QRect bounds() const { return rect(); }
    Hit hitTest(QPoint p) const;

    /// Clamps r to the bounds and makes it the picture's selection (bottom-up rows).
    void applyToImage(const QRect& r);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QRect handleRect(int handle) const;
    QRect clamped(const QRect& r) const;
    void updateCursor(QPoint p);

    QRect m_rect; ///< tracker rectangle
    int m_enabled = 0;
    CxImage* m_image = nullptr;
    QImage m_bitmap;

    // The drag in progress: what it does, where it started and the rectangle it started from.
    enum class Drag { None, RubberBand, Handle };
    Drag m_drag = Drag::None;
    Hit m_dragHit = HitNothing;
    QPoint m_dragStart;
    QRect m_dragFrom;
    // Edges of the rectangle while dragged; may cross each other (inversion is allowed).
    int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
};
