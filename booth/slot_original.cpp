// Slot originals: drawing a slot's picture without frame at any size, and their record bytes.
#include "booth/slot_original.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "booth/composition.h"
#include "booth/tagged_fields_p.h"
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"

namespace {

constexpr uint32_t kPhoto = tagged::tag("PHOT");
constexpr uint32_t kPhotoSize = tagged::tag("PSIZ");
constexpr uint32_t kPhotoRect = tagged::tag("PREC");
constexpr uint32_t kUnderlay = tagged::tag("UNDR");
constexpr uint32_t kStep = tagged::tag("STEP");
constexpr uint32_t kFrame = tagged::tag("FRAM");
constexpr uint32_t kOpacity = tagged::tag("OPAC");
constexpr uint32_t kEdit = tagged::tag("EDIT");

constexpr int kCanvasW = 320;
constexpr int kCanvasH = 240;
constexpr size_t kMaxSteps = 1024;
constexpr size_t kMaxArgs = 16;

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool isJpeg(const QByteArray& bytes)
{
    return bytes.size() > 3 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xD8;
}

/// Originals are written as JPEG or PNG and read back as nothing else.
uint32_t formatOf(const QByteArray& bytes)
{
    if (isJpeg(bytes))
        return CXIMAGE_FORMAT_JPG;
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return CXIMAGE_FORMAT_PNG;
    return CXIMAGE_FORMAT_UNKNOWN;
}

/// The photo's size as its header declares it, without decoding the pixels.
QSize declaredSize(const QByteArray& bytes)
{
    const uint32_t format = formatOf(bytes);
    if (format == CXIMAGE_FORMAT_UNKNOWN)
        return QSize();
    QByteArray copy = bytes;
    CxMemFile mem(reinterpret_cast<uint8_t*>(copy.data()), size_t(copy.size()));
    CxImage header;
    header.SetEscape(-1);
    if (!header.Decode(&mem, format))
        return QSize();
    return QSize(int(header.GetWidth()), int(header.GetHeight()));
}

/// Decodes bytes into a 24-bit picture; a JPEG at the largest DCT reduction that still covers want.
bool decode(const QByteArray& bytes, QSize want, CxImage& out, QString* error)
{
    QByteArray copy = bytes;
    CxMemFile mem(reinterpret_cast<uint8_t*>(copy.data()), size_t(copy.size()));
    CxImage image;
    if (isJpeg(bytes) && !want.isEmpty()) {
        const QSize full = declaredSize(bytes);
        uint8_t denom = 8;
        while (denom > 1 && (full.width() / denom < want.width() || full.height() / denom < want.height()))
            denom /= 2;
        image.SetJpegScale(denom);
    }
    const uint32_t format = formatOf(bytes);
    if (format == CXIMAGE_FORMAT_UNKNOWN)
        return fail(error, QStringLiteral("the photo is neither JPEG nor PNG"));
    if (!image.Decode(&mem, format) || !image.IsValid())
        return fail(
            error, QStringLiteral("the photo could not be read (%1)").arg(QString::fromLatin1(image.GetLastError())));
    if (!RaiseTo24(image, out))
        return fail(error, QStringLiteral("the photo could not be read"));
    return true;
}

/// The photo brought to size: a reduction (the usual case, the shot having more pixels than its
/// place) averages areas, which costs a fraction of the Catmull-Rom resampler at these sizes and
/// looks the same; an enlargement goes through the booth's smooth resampler.
QImage scalePhoto(const CxImage& photo, QSize size)
{
    const QSize own(int(photo.GetWidth()), int(photo.GetHeight()));
    if (size.width() <= own.width() && size.height() <= own.height()) {
        const QImage bitmap = BitmapFromImage(photo);
        return bitmap.size() == size ? bitmap
                                     : bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                           .convertToFormat(QImage::Format_RGB32);
    }
    CxImage fitted;
    return ResampleForBooth(photo, size.width(), size.height(), fitted) ? BitmapFromImage(fitted) : QImage();
}

QRect scaled(const QRect& r, QSize size)
{
    const double kx = double(size.width()) / kCanvasW;
    const double ky = double(size.height()) / kCanvasH;
    const int x0 = int(std::lround(r.left() * kx));
    const int y0 = int(std::lround(r.top() * ky));
    const int x1 = int(std::lround((r.left() + r.width()) * kx));
    const int y1 = int(std::lround((r.top() + r.height()) * ky));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QByteArray rectBytes(const QRect& r)
{
    tagged::Writer w;
    w.i32(r.x());
    w.i32(r.y());
    w.i32(r.width());
    w.i32(r.height());
    return w.data();
}

QRect readRect(tagged::Reader& r)
{
    const int x = r.i32(), y = r.i32(), w = r.i32(), h = r.i32();
    return QRect(x, y, w, h);
}

/// Texts of a record are drawn at most this high on the picture they were made on.
constexpr int kMaxTextHeight = 500;
constexpr size_t kMaxLayers = 256;

QByteArray editBytes(const EditStep& e)
{
    tagged::Writer w;
    w.i32(e.kind);
    w.i32(e.code);
    w.u32(uint32_t(e.args.size()));
    for (double a : e.args)
        w.f64(a);
    w.i32(e.size.width());
    w.i32(e.size.height());
    w.bytes(rectBytes(e.selection));
    w.u32(uint32_t(e.layers.size()));
    for (const MixedLayer& layer : e.layers) {
        w.u32(layer.isText ? 1 : 0);
        w.i32(layer.x);
        w.i32(layer.y);
        const QByteArray payload
            = layer.isText ? QByteArray(reinterpret_cast<const char*>(&layer.text), sizeof(TextInfo)) : layer.sticker;
        w.u32(uint32_t(payload.size()));
        w.bytes(payload);
    }
    return w.data();
}

bool readEdit(const QByteArray& payload, EditStep& e)
{
    tagged::Reader r(payload);
    e.kind = r.i32();
    e.code = r.i32();
    const uint32_t n = r.u32();
    if (n > kMaxArgs)
        return false;
    e.args.clear();
    for (uint32_t i = 0; i < n; ++i) {
        const double a = r.f64();
        if (!std::isfinite(a))
            return false;
        e.args.push_back(a);
    }
    const int w = r.i32(), h = r.i32();
    e.size = QSize(w, h);
    e.selection = readRect(r);
    if (r.failed() || w < 0 || h < 0 || w > SlotOriginal::kMaxPhotoSide || h > SlotOriginal::kMaxPhotoSide)
        return false;
    e.layers.clear();
    if (r.atEnd())
        return true;
    const uint32_t count = r.u32();
    if (count > kMaxLayers)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        MixedLayer layer;
        layer.isText = r.u32() != 0;
        layer.x = r.i32();
        layer.y = r.i32();
        const uint32_t n = r.u32();
        if (r.failed() || n > uint32_t(kMaxStickerBytes))
            return false;
        const QByteArray payload = r.bytes(qsizetype(n));
        if (r.failed())
            return false;
        if (layer.isText) {
            if (payload.size() != qsizetype(sizeof(TextInfo)))
                return false;
            std::memcpy(&layer.text, payload.constData(), sizeof(TextInfo));
            // A text too large to draw is damage, not a wish.
            if (std::abs(layer.text.m_font.m_height) > kMaxTextHeight
                || std::abs(layer.text.m_font.m_width) > kMaxTextHeight)
                return false;
            layer.text.m_text[TextInfo::kTextCapacity - 1] = 0;
            layer.text.m_font.m_faceName[sizeof(layer.text.m_font.m_faceName) - 1] = 0;
        } else {
            layer.sticker = payload;
        }
        e.layers.push_back(std::move(layer));
    }
    return !r.failed();
}

} // namespace

QByteArray EncodePng(const QImage& picture)
{
    CxImage image;
    if (picture.isNull() || !ImageFromBitmap(picture, image))
        return QByteArray();
    CxMemFile mem;
    mem.Open();
    if (!image.Encode(&mem, CXIMAGE_FORMAT_PNG))
        return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(mem.GetBuffer(false)), qsizetype(mem.Size()));
}

QImage DecodePicture(const QByteArray& bytes)
{
    CxImage image;
    if (bytes.isEmpty() || !decode(bytes, QSize(), image, nullptr))
        return QImage();
    return BitmapFromImage(image);
}

QByteArray EncodeOriginalPhoto(const QImage& photo)
{
    CxImage image;
    if (photo.isNull() || !ImageFromBitmap(photo, image))
        return QByteArray();
    const bool large = qint64(photo.width()) * photo.height() > 2'000'000;
    if (large)
        image.SetJpegQuality(95);
    CxMemFile mem;
    mem.Open();
    if (!image.Encode(&mem, large ? CXIMAGE_FORMAT_JPG : CXIMAGE_FORMAT_PNG))
        return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(mem.GetBuffer(false)), qsizetype(mem.Size()));
}

QSize SlotOriginal::nativeSize() const
{
    if (photoSize.isEmpty() || photoRect.isEmpty())
        return QSize(kCanvasW, kCanvasH);
    return QSize(int(std::lround(double(photoSize.width()) * kCanvasW / photoRect.width())),
        int(std::lround(double(photoSize.height()) * kCanvasH / photoRect.height())));
}

QImage SlotOriginal::render(QSize size, QString* error) const
{
    if (size.isEmpty()) {
        fail(error, QStringLiteral("no size to draw the slot at"));
        return QImage();
    }
    const QRect target = scaled(photoRect, size);
    CxImage photo;
    if (!decode(this->photo, target.size(), photo, error))
        return QImage();
    QImage canvas;
    if (target == QRect(QPoint(0, 0), size)) {
        // The usual case: the photo is the whole canvas.
        canvas = scalePhoto(photo, size);
        if (canvas.isNull()) {
            fail(error, QStringLiteral("the photo could not be resized"));
            return QImage();
        }
    } else {
        if (!underlay.isEmpty())
            canvas = ScaleBitmap(DecodePicture(underlay), size.width(), size.height(), ScaleSmooth);
        if (canvas.isNull()) {
            canvas = QImage(size, QImage::Format_RGB32);
            if (canvas.isNull()) {
                fail(
                    error, QStringLiteral("not enough memory for a %1 x %2 slot").arg(size.width()).arg(size.height()));
                return QImage();
            }
            canvas.fill(0xFF000000);
        }
    }
    if (canvas.isNull()) {
        fail(error, QStringLiteral("not enough memory for a %1 x %2 slot").arg(size.width()).arg(size.height()));
        return QImage();
    }
    if (!target.isEmpty() && target != QRect(QPoint(0, 0), size)) {
        const QImage placed = scalePhoto(photo, target.size());
        if (placed.isNull()) {
            fail(error, QStringLiteral("the photo could not be resized"));
            return QImage();
        }
        const QRect visible = target & canvas.rect();
        for (int y = visible.top(); y <= visible.bottom(); ++y) {
            const QRgb* s = reinterpret_cast<const QRgb*>(placed.constScanLine(y - target.top()));
            QRgb* d = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            std::copy(
                s + (visible.left() - target.left()), s + (visible.right() + 1 - target.left()), d + visible.left());
        }
    }

    for (const Step& step : steps) {
        if (step.kind == Step::Frame) {
            const QImage frame = DecodePicture(step.frame);
            if (frame.isNull()) {
                fail(error, QStringLiteral("a frame of the slot could not be read"));
                return QImage();
            }
            OverlayFrameScaled(canvas, frame, step.opacity);
        } else {
            CxImage picture;
            if (!ImageFromBitmap(canvas, picture) || !ReplayEditStep(picture, step.edit)) {
                fail(error,
                    QStringLiteral("an edit of the slot could not be made again (%1)")
                        .arg(QString::fromLatin1(picture.GetLastError())));
                return QImage();
            }
            canvas = BitmapFromImage(picture);
        }
    }
    return canvas;
}

QByteArray SlotOriginal::serialize() const
{
    tagged::Writer w;
    w.field(kPhoto, photo);
    tagged::Writer size;
    size.i32(photoSize.width());
    size.i32(photoSize.height());
    w.field(kPhotoSize, size.data());
    w.field(kPhotoRect, rectBytes(photoRect));
    if (!underlay.isEmpty())
        w.field(kUnderlay, underlay);
    for (const Step& s : steps) {
        tagged::Writer step;
        if (s.kind == Step::Frame) {
            tagged::Writer opacity;
            opacity.u32(uint32_t(std::clamp(s.opacity, 0, 255)));
            step.field(kOpacity, opacity.data());
            step.field(kFrame, s.frame);
        } else {
            step.field(kEdit, editBytes(s.edit));
        }
        w.field(kStep, step.data());
    }
    return w.data();
}

std::shared_ptr<const SlotOriginal> ParseSlotOriginal(const QByteArray& bytes, QString* error)
{
    auto original = std::make_shared<SlotOriginal>();
    tagged::Reader r(bytes);
    uint32_t t = 0;
    QByteArray payload;
    bool hasRect = false;
    while (r.field(t, payload)) {
        tagged::Reader p(payload);
        if (t == kPhoto) {
            original->photo = payload;
        } else if (t == kPhotoSize) {
            const int w = p.i32(), h = p.i32();
            original->photoSize = QSize(w, h);
        } else if (t == kPhotoRect) {
            original->photoRect = readRect(p);
            hasRect = !p.failed();
        } else if (t == kUnderlay) {
            original->underlay = payload;
        } else if (t == kStep) {
            if (original->steps.size() >= kMaxSteps) {
                fail(error, QStringLiteral("too many edits"));
                return nullptr;
            }
            SlotOriginal::Step step;
            bool known = false;
            uint32_t st = 0;
            QByteArray sp;
            while (p.field(st, sp)) {
                tagged::Reader f(sp);
                if (st == kOpacity) {
                    step.opacity = int(std::min<uint32_t>(f.u32(), 255));
                } else if (st == kFrame) {
                    step.kind = SlotOriginal::Step::Frame;
                    step.frame = sp;
                    known = !sp.isEmpty();
                } else if (st == kEdit) {
                    step.kind = SlotOriginal::Step::Edit;
                    if (!readEdit(sp, step.edit)) {
                        fail(error, QStringLiteral("an edit is damaged"));
                        return nullptr;
                    }
                    known = true;
                }
            }
            if (p.failed()) {
                fail(error, QStringLiteral("an edit is damaged"));
                return nullptr;
            }
            if (known)
                original->steps.push_back(std::move(step));
        }
    }
    if (r.failed()) {
        fail(error, QStringLiteral("the record is cut short"));
        return nullptr;
    }
    const QSize declared = declaredSize(original->photo);
    if (original->photo.isEmpty() || declared.isEmpty()) {
        fail(error, QStringLiteral("the photo is missing or unreadable"));
        return nullptr;
    }
    if (declared.width() > SlotOriginal::kMaxPhotoSide || declared.height() > SlotOriginal::kMaxPhotoSide
        || qint64(declared.width()) * declared.height() > SlotOriginal::kMaxPhotoPixels) {
        fail(error,
            QStringLiteral("the photo is %1 x %2 pixels, larger than a photo may be")
                .arg(declared.width())
                .arg(declared.height()));
        return nullptr;
    }
    // The header is the truth; a size field that disagrees is corrected rather than trusted.
    original->photoSize = declared;
    const QRect canvas(0, 0, kCanvasW, kCanvasH);
    if (!hasRect || original->photoRect.isEmpty() || !original->photoRect.intersects(canvas)
        || original->photoRect.width() > 4 * kCanvasW || original->photoRect.height() > 4 * kCanvasH) {
        fail(error, QStringLiteral("the photo's place on the slot is out of range"));
        return nullptr;
    }
    return original;
}

std::shared_ptr<const SlotOriginal> MakeSlotOriginal(
    QByteArray encoded, QSize photoSize, const QRect& photoRect, const QImage& underlay)
{
    if (encoded.isEmpty() || photoSize.isEmpty() || photoRect.isEmpty())
        return nullptr;
    auto original = std::make_shared<SlotOriginal>();
    original->photo = std::move(encoded);
    original->photoSize = photoSize;
    original->photoRect = photoRect;
    if (!photoRect.contains(QRect(0, 0, kCanvasW, kCanvasH)) && !underlay.isNull())
        original->underlay = EncodePng(underlay);
    return original;
}

std::shared_ptr<const SlotOriginal> WithEdits(
    const SlotOriginal& original, const QImage& frame, int opacity, const std::vector<EditStep>& edits)
{
    auto next = std::make_shared<SlotOriginal>(original);
    if (!frame.isNull()) {
        SlotOriginal::Step step;
        step.kind = SlotOriginal::Step::Frame;
        step.frame = EncodePng(frame);
        step.opacity = std::clamp(opacity, 0, 255);
        if (step.frame.isEmpty())
            return nullptr;
        next->steps.push_back(std::move(step));
    }
    for (const EditStep& e : edits) {
        SlotOriginal::Step step;
        step.kind = SlotOriginal::Step::Edit;
        step.edit = e;
        next->steps.push_back(std::move(step));
    }
    return next;
}
