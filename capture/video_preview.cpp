// Preview painting: bilinear stretch of BGR frames and the keyed, semi-transparent overlay.
#include "capture/video_preview.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <QEvent>
#include <QPainter>

namespace {

struct Tap {
    int i0;
    int i1;
    int f; // weight of i1 in 1/256
};

// Sample positions at pixel centres, so an exact 2:1 reduction averages 2 x 2 blocks.
std::vector<Tap> taps(int srcLen, int dstLen)
{
    std::vector<Tap> t(size_t(std::max(dstLen, 0)));
    const double scale = double(srcLen) / dstLen;
    for (int d = 0; d < dstLen; ++d) {
        double s = (d + 0.5) * scale - 0.5;
        s = std::clamp(s, 0.0, double(srcLen - 1));
        const int i0 = int(s);
        const int i1 = std::min(i0 + 1, srcLen - 1);
        t[size_t(d)] = { i0, i1, int(std::lround((s - i0) * 256)) };
    }
    return t;
}

} // namespace

void ScaleFrameInto(QImage& dst, const QRect& rect, const QImage& frame)
{
    const QRect r = rect.intersected(dst.rect());
    if (r.isEmpty() || frame.isNull())
        return;
    // The camera graph delivers the preview at the area's size already: a plain row copy.
    if (frame.size() == rect.size() && frame.format() == dst.format()
        && (frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32)) {
        const size_t bytes = size_t(r.width()) * 4;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(dst.scanLine(y) + size_t(r.left()) * 4,
                frame.constScanLine(y - rect.top()) + size_t(r.left() - rect.left()) * 4, bytes);
        return;
    }
    if (frame.format() != QImage::Format_BGR888 || dst.format() != QImage::Format_RGB32) {
        QPainter p(&dst);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect, frame);
        return;
    }

    const std::vector<Tap> xs = taps(frame.width(), rect.width());
    const std::vector<Tap> ys = taps(frame.height(), rect.height());
    const uchar* src = frame.constBits();
    const qsizetype stride = frame.bytesPerLine();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const Tap& ty = ys[size_t(y - rect.top())];
        const uchar* row0 = src + ty.i0 * stride;
        const uchar* row1 = src + ty.i1 * stride;
        const int wy1 = ty.f;
        const int wy0 = 256 - wy1;
        QRgb* out = reinterpret_cast<QRgb*>(dst.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const Tap& tx = xs[size_t(x - rect.left())];
            const uchar* a = row0 + tx.i0 * 3;
            const uchar* b = row0 + tx.i1 * 3;
            const uchar* c = row1 + tx.i0 * 3;
            const uchar* d = row1 + tx.i1 * 3;
            const int wx1 = tx.f;
            const int wx0 = 256 - wx1;
            int ch[3];
            for (int k = 0; k < 3; ++k) {
                const int top = a[k] * wx0 + b[k] * wx1;
                const int bottom = c[k] * wx0 + d[k] * wx1;
                ch[k] = (top * wy0 + bottom * wy1 + 32768) >> 16;
            }
            out[x] = qRgb(ch[2], ch[1], ch[0]);
        }
    }
}

void CPreviewCompositor::setOverlay(const QImage& bitmap, QRgb key, const QRectF& dest)
{
    // Keying happens on the source pixels: keying after a smooth scale would leave a fringe of
    // half-transparent key colour around every cut-away.
    QImage keyed = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb rgbKey = key & 0x00FFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        QRgb* p = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            p[x] = (p[x] & 0x00FFFFFF) == rgbKey ? 0 : (p[x] | 0xFF000000);
    }
    m_overlay = keyed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_overlayDest = dest;
    m_alpha = 0;
    m_overlayScaled = QImage();
    m_overlayScaledRect = QRect();
}

void CPreviewCompositor::clearOverlay()
{
    m_overlay = QImage();
    m_overlayScaled = QImage();
    m_overlayScaledRect = QRect();
    m_overlayDest = QRectF();
    m_alpha = 0;
}

void CPreviewCompositor::setOverlayAlpha(qreal alpha)
{
    m_alpha = std::clamp(alpha, 0.0, 1.0);
}

QRect CPreviewCompositor::effectiveVideoRect(const QImage& canvas) const
{
    return m_videoRect.isEmpty() ? canvas.rect() : m_videoRect;
}

void CPreviewCompositor::render(QImage& canvas, const QImage& frame)
{
    if (canvas.isNull())
        return;
    const QRect video = effectiveVideoRect(canvas);
    if (frame.isNull() || video != canvas.rect())
        canvas.fill(Qt::black);
    ScaleFrameInto(canvas, video, frame);

    if (m_overlay.isNull() || m_alpha <= 0)
        return;
    const QRect target(QPoint(int(std::lround(video.x() + m_overlayDest.left() * video.width())),
                           int(std::lround(video.y() + m_overlayDest.top() * video.height()))),
        QPoint(int(std::lround(video.x() + m_overlayDest.right() * video.width())) - 1,
            int(std::lround(video.y() + m_overlayDest.bottom() * video.height())) - 1));
    if (target.isEmpty())
        return;
    if (target != m_overlayScaledRect) {
        m_overlayScaled = target.size() == m_overlay.size()
            ? m_overlay
            : m_overlay.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_overlayScaledRect = target;
    }
    QPainter p(&canvas);
    p.setClipRect(video);
    p.setOpacity(m_alpha);
    p.drawImage(target.topLeft(), m_overlayScaled);
}

CVideoPreview::CVideoPreview(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Cover the preview window whatever size it takes later.
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
}

bool CVideoPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void CVideoPreview::setVideoRect(const QRect& rect)
{
    m_compositor.setVideoRect(rect);
    update();
}

void CVideoPreview::setFrame(const QImage& frame)
{
    m_frame = frame;
    update();
}

void CVideoPreview::paintEvent(QPaintEvent*)
{
    if (m_canvas.size() != size())
        m_canvas = QImage(size(), QImage::Format_RGB32);
    m_compositor.render(m_canvas, m_frame);
    QPainter p(this);
    p.drawImage(0, 0, m_canvas);
    ++m_framesPainted;
}
