// Composition of a photo and a frame over the base picture.
#include "booth/composition.h"

#include <algorithm>
#include <vector>

void ResolveAnchor(int anchor, int baseWidth, int baseHeight, int width, int height, int& x, int& y)
{
    switch (anchor) {
    case 1:
        x = 0;
        break;
    case 2:
        x = baseWidth - width;
        break;
    case 3:
        y = baseHeight - height;
        break;
    case 4:
        y = 0;
        break;
    case 5:
        x = 0;
        y = baseHeight - height;
        break;
    case 6:
        x = 0;
        y = 0;
        break;
    case 7:
        x = baseWidth - width;
        y = baseHeight - height;
        break;
    case 8:
        x = baseWidth - width;
        y = 0;
        break;
    default:
        break;
    }
}

namespace {

/// The part of a w × h picture placed at (x, y) that falls on a W × H base, in picture coordinates.
struct Overlap {
    int x0, y0, x1, y1; // picture columns/rows [x0, x1) × [y0, y1)
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Overlap overlap(int baseWidth, int baseHeight, int width, int height, int x, int y)
{
    Overlap o;
    o.x0 = std::max(0, -x);
    o.y0 = std::max(0, -y);
    o.x1 = std::min(width, baseWidth - x);
    o.y1 = std::min(height, baseHeight - y);
    return o;
}

} // namespace

bool PastePicture(CxImage& base, const CxImage& picture, int anchor, int x, int y, bool useKey, bool keyAtTopLeft)
{
    if (!base.IsValid() || !picture.IsValid())
        return false;
    const int w = int(picture.GetWidth());
    const int h = int(picture.GetHeight());
    ResolveAnchor(anchor, int(base.GetWidth()), int(base.GetHeight()), w, h, x, y);
    const KeyColour key = useKey ? GetKeyColour(picture, keyAtTopLeft) : KeyColour {};
    const Overlap o = overlap(int(base.GetWidth()), int(base.GetHeight()), w, h, x, y);
    if (o.empty())
        return true;
    const bool fast = base.GetBpp() == 24 && picture.GetBpp() == 24;
    for (int py = o.y0; py < o.y1; ++py)
        for (int px = o.x0; px < o.x1; ++px) {
            if (useKey && PixelHasKey(picture, px, py, key))
                continue;
            if (fast) {
                const uint8_t* s = picture.BlindGetPixelPointer(px, py);
                uint8_t* d = base.BlindGetPixelPointer(x + px, y + py);
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else {
                base.SetPixelColor(x + px, y + py, picture.BlindGetPixelColor(px, py, false));
            }
        }
    return true;
}

bool OverlayFrame(CxImage& base, const CxImage& frame, int anchor, int x, int y, int opacity, bool keyAtTopLeft)
{
    if (!base.IsValid() || !frame.IsValid())
        return false;
    opacity = std::clamp(opacity, 0, 255);
    if (opacity == 255)
        return PastePicture(base, frame, anchor, x, y, true, keyAtTopLeft);

    CxImage blended;
    if (!RaiseTo24(base, blended))
        return false;
    const int w = int(frame.GetWidth());
    const int h = int(frame.GetHeight());
    const int bw = int(blended.GetWidth());
    const int bh = int(blended.GetHeight());
    ResolveAnchor(anchor, bw, bh, w, h, x, y);
    const KeyColour key = GetKeyColour(frame, keyAtTopLeft);
    const Overlap o = overlap(bw, bh, w, h, x, y);
    for (int py = o.y0; py < o.y1; ++py)
        for (int px = o.x0; px < o.x1; ++px) {
            uint8_t* d = blended.BlindGetPixelPointer(x + px, y + py);
            const uint8_t b0 = d[0], b1 = d[1], b2 = d[2];
            const RGBQUAD f = frame.BlindGetPixelColor(px, py, false);
            auto mix = [opacity](int b, int f) { return uint8_t(std::clamp(b + (f - b) * opacity / 255, 0, 255)); };
            d[0] = mix(b0, f.rgbBlue);
            d[1] = mix(b1, f.rgbGreen);
            d[2] = mix(b2, f.rgbRed);
            // Under the key colour the base comes back whatever its colour: which pixels are
            // see-through is the frame's matter, so black in a photo never takes the key colour.
            if (PixelHasKey(frame, px, py, key)) {
                d[0] = b0;
                d[1] = b1;
                d[2] = b2;
            }
        }
    base.TakeOver(blended);
    return true;
}

bool Compose(const ComposeInput& in, ComposeResult& out, QString* error)
{
    auto fail = [error](const char* text) {
        if (error)
            *error = QString::fromLatin1(text);
        return false;
    };
    if (!in.base || !in.base->IsValid())
        return fail("There is no base picture to compose on.");
    if (!in.photo || !in.photo->IsValid())
        return fail("There is no photo to compose.");

    CxImage canvas;
    if (!RaiseTo24(*in.base, canvas))
        return fail("The base picture could not be copied.");

    // Offsets of the photo area relative to the frame area, with rows counted from the bottom.
    const int xOffset = in.photoArea.left() - in.frameArea.left();
    const int frameBottom = in.frameArea.top() + in.frameArea.height();
    const int photoBottom = in.photoArea.top() + in.photoArea.height();
    const int yOffset = frameBottom - photoBottom;

    const CxImage* photo = in.photo;
    CxImage resized;
    if (in.frameArea.width() != in.photoArea.width() || in.frameArea.height() > in.photoArea.height()) {
        if (!ResampleForBooth(*in.photo, in.photoArea.width(), in.photoArea.height(), resized))
            return fail("The photo could not be resized to the photo area.");
        photo = &resized;
    }
    PastePicture(canvas, *photo, 0, xOffset, yOffset, false, false);
    const QImage background = BitmapFromImage(canvas);

    if (in.frameShown && !in.live && in.frame && in.frame->IsValid()) {
        const bool canvasSized
            = in.frame->GetWidth() == canvas.GetWidth() && in.frame->GetHeight() == canvas.GetHeight();
        const CxImage* frame = in.frame;
        CxImage stretched;
        // A frame of another size is stretched (nearest neighbour keeps its key colour exact)
        // so that it covers the canvas the way the frame area shows it.
        if (!canvasSized) {
            const QImage bitmap = ScaleBitmap(
                BitmapFromImage(*in.frame), int(canvas.GetWidth()), int(canvas.GetHeight()), ScaleStretch);
            if (!ImageFromBitmap(bitmap, stretched))
                return fail("The frame could not be prepared.");
            frame = &stretched;
        }
        OverlayFrame(canvas, *frame, 5, 0, 0, in.alpha, false);
    }
    out.composed = BitmapFromImage(canvas);
    out.background = background;
    out.frame = in.frame && in.frame->IsValid() ? BitmapFromImage(*in.frame) : QImage();
    return true;
}

void OverlayFrameScaled(QImage& canvas, const QImage& frame, int opacity)
{
    if (canvas.isNull() || frame.isNull())
        return;
    opacity = std::clamp(opacity, 0, 255);
    if (canvas.format() != QImage::Format_RGB32)
        canvas = canvas.convertToFormat(QImage::Format_RGB32);
    const QImage source = frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32
        ? frame
        : frame.convertToFormat(QImage::Format_RGB32);
    const QRgb key = CentreKey(source);
    const int w = canvas.width();
    const int h = canvas.height();
    auto blend = [opacity](int b, int f) { return b + (f - b) * opacity / 255; };

    if (source.size() == canvas.size()) {
        for (int y = 0; y < h; ++y) {
            const QRgb* f = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            QRgb* c = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            for (int x = 0; x < w; ++x) {
                if ((f[x] & 0x00FFFFFF) == key)
                    continue;
                c[x] = qRgb(
                    blend(qRed(c[x]), qRed(f[x])), blend(qGreen(c[x]), qGreen(f[x])), blend(qBlue(c[x]), qBlue(f[x])));
            }
        }
        return;
    }

    // Coverage travels with the colour (premultiplied), so the key colour never bleeds into the
    // frame's edge pixels when they are interpolated.
    QImage covered(source.size(), QImage::Format_ARGB32_Premultiplied);
    if (covered.isNull())
        return;
    for (int y = 0; y < source.height(); ++y) {
        const QRgb* f = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        QRgb* d = reinterpret_cast<QRgb*>(covered.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            d[x] = (f[x] & 0x00FFFFFF) == key ? 0 : (f[x] | 0xFF000000);
    }
    auto blendPixel = [opacity](QRgb& c, int a, int r, int g, int b) {
        // a, r, g, b: the frame's coverage and premultiplied colour, 0..255.
        const int cover = a * opacity; // 0..255 * 255
        if (cover == 0)
            return;
        const int keep = 255 * 255 - cover;
        auto mix = [&](int base, int premultiplied) {
            return std::clamp((base * keep + premultiplied * opacity * 255) / (255 * 255), 0, 255);
        };
        c = qRgb(mix(qRed(c), r), mix(qGreen(c), g), mix(qBlue(c), b));
    };

    if (w < source.width() || h < source.height()) {
        // A frame larger than its place: averaged down.
        const QImage scaled = covered.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.isNull() || scaled.format() != QImage::Format_ARGB32_Premultiplied)
            return;
        for (int y = 0; y < h; ++y) {
            const QRgb* f = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
            QRgb* c = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            for (int x = 0; x < w; ++x)
                blendPixel(c[x], qAlpha(f[x]), qRed(f[x]), qGreen(f[x]), qBlue(f[x]));
        }
        return;
    }

    // Enlarged (the usual case: a 320 x 240 frame on a slot of camera size), bilinear and laid over
    // in one pass, without a full-size copy of the frame. Weights in 1/256.
    const int sw = covered.width();
    const int sh = covered.height();
    struct Tap {
        int i0, i1, f;
    };
    auto taps = [](int from, int to) {
        std::vector<Tap> t(static_cast<size_t>(to));
        const double k = double(from) / to;
        for (int i = 0; i < to; ++i) {
            const double p = std::clamp((i + 0.5) * k - 0.5, 0.0, double(from - 1));
            const int i0 = int(p);
            t[size_t(i)] = { i0, std::min(i0 + 1, from - 1), int((p - i0) * 256 + 0.5) };
        }
        return t;
    };
    const std::vector<Tap> tx = taps(sw, w);
    const std::vector<Tap> ty = taps(sh, h);
    for (int y = 0; y < h; ++y) {
        const Tap& v = ty[size_t(y)];
        const QRgb* r0 = reinterpret_cast<const QRgb*>(covered.constScanLine(v.i0));
        const QRgb* r1 = reinterpret_cast<const QRgb*>(covered.constScanLine(v.i1));
        QRgb* c = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const Tap& u = tx[size_t(x)];
            const QRgb p00 = r0[u.i0], p01 = r0[u.i1], p10 = r1[u.i0], p11 = r1[u.i1];
            if ((p00 | p01 | p10 | p11) == 0)
                continue; // inside the opening
            if (p00 == p01 && p00 == p10 && p00 == p11) {
                // Inside the frame's own colour areas: nothing to interpolate.
                if (opacity == 255 && qAlpha(p00) == 255)
                    c[x] = p00;
                else
                    blendPixel(c[x], qAlpha(p00), qRed(p00), qGreen(p00), qBlue(p00));
                continue;
            }
            const int w00 = (256 - u.f) * (256 - v.f), w01 = u.f * (256 - v.f);
            const int w10 = (256 - u.f) * v.f, w11 = u.f * v.f;
            auto channel = [&](int shift) {
                return int((((p00 >> shift) & 0xFF) * w00 + ((p01 >> shift) & 0xFF) * w01
                               + ((p10 >> shift) & 0xFF) * w10 + ((p11 >> shift) & 0xFF) * w11 + 32768)
                    >> 16);
            };
            blendPixel(c[x], channel(24), channel(16), channel(8), channel(0));
        }
    }
}
