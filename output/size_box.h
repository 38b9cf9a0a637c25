// CSizeBox: the print dialog's rubber band: a rectangle with eight handles drawn outside it that
// the user moves by its inside and resizes by its handles and edges, with the matching cursors.
#pragma once

#include <Qt>
#include <QPoint>
#include <QRect>
#include <QSize>

class QPainter;

class CSizeBox {
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

    void setRect(const QRect& r) { m_rect = r.normalized(); }
    QRect rect() const { return m_rect; }
    /// What a press at pos grabs: a handle, an edge band, the inside, or nothing.
    Hit hitTest(const QPoint& pos) const;
    /// The cursor shown over what hitTest(pos) finds (Qt::ArrowCursor over nothing).
    Qt::CursorShape cursorAt(const QPoint& pos) const;
    /// r after dragging hit by delta; never smaller than minSize, a resize never flips it.
    static QRect dragged(const QRect& r, Hit hit, const QPoint& delta, QSize minSize = QSize(16, 12));
    /// The handle squares, outside the rectangle.
    QRect handleRect(Hit handle) const;
    /// Everything the box paints (rectangle, handles): what must be repainted when it moves.
    QRect paintedRect() const;
    void paint(QPainter& p) const;

private:
    QRect m_rect;
};
