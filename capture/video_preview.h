// The live picture: the newest camera frame scaled into a destination rectangle, with the
// colour-keyed decoration laid over it at an adjustable opacity.
#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QWidget>

/// Draws a frame and the overlay into a canvas; the widget's painting and the benchmark share it.
class CPreviewCompositor {
public:
    /// Where the video goes in the canvas; an empty rectangle means the whole canvas.
    void setVideoRect(const QRect& rect) { m_videoRect = rect; }
    QRect videoRect() const { return m_videoRect; }

    /// bitmap's pixels equal to key (RGB, alpha ignored) become transparent. dest is normalised
    /// to the video picture: (0, 0, 1, 1) covers it all. The overlay starts invisible (alpha 0).
    void setOverlay(const QImage& bitmap, QRgb key, const QRectF& dest);
    void clearOverlay();
    bool hasOverlay() const { return !m_overlay.isNull(); }
    /// 0 (invisible) to 1 (opaque).
    void setOverlayAlpha(qreal alpha);
    qreal overlayAlpha() const { return m_alpha; }
    QRectF overlayDestination() const { return m_overlayDest; }

    /// Paints frame stretched into the video rectangle (black around it, and all black without
    /// a frame), then the overlay. canvas should be Format_RGB32 for the fast path.
    void render(QImage& canvas, const QImage& frame);

private:
    QRect effectiveVideoRect(const QImage& canvas) const;

    QRect m_videoRect;
    QImage m_overlay; // keyed, premultiplied, at source size
    QRectF m_overlayDest;
    qreal m_alpha = 0;
    QImage m_overlayScaled; // cache for the current canvas geometry
    QRect m_overlayScaledRect;
};

/// Puts frame into dst within rect: copied when it is an RGB32 frame of rect's size (as the
/// camera graph delivers it), stretched with bilinear filtering when it is BGR888 (dst RGB32),
/// otherwise through QPainter.
void ScaleFrameInto(QImage& dst, const QRect& rect, const QImage& frame);

class CVideoPreview : public QWidget {
    Q_OBJECT
public:
    explicit CVideoPreview(QWidget* parent = nullptr);

    void setVideoRect(const QRect& rect);
    /// The newest frame; the widget repaints with it.
    void setFrame(const QImage& frame);
    QImage frame() const { return m_frame; }
    CPreviewCompositor& compositor() { return m_compositor; }
    int framesPainted() const { return m_framesPainted; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QImage m_frame;
    QImage m_canvas;
    CPreviewCompositor m_compositor;
    int m_framesPainted = 0;
};
