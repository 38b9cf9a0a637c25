// FCDib: creation, copies, depth conversion and the exchange with device bitmaps (QImage).
#include "editing/fc/fc_dib.h"

#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>

#include <QGuiApplication>
#include <QScreen>

#include "editing/fc/fc_dib_p.h"

using fc_detail::readRgb;

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kMapFrom = std::size_t(4) << 20;

// Zero-filled pixel memory. Large images get their own mapping backed by huge pages where the
// system offers them: creating, filling and above all releasing a 4000 × 3000 picture then costs
// a small fraction of what it does with ordinary pages.
std::unique_ptr<std::uint8_t, FCPixelRelease> allocatePixels(std::size_t bytes)
{
    if (bytes < kMapFrom) {
        auto* block = new (std::nothrow) std::uint32_t[(bytes + 3) / 4]();
        return std::unique_ptr<std::uint8_t, FCPixelRelease>(reinterpret_cast<std::uint8_t*>(block));
    }
    const std::size_t length = bytes + kHugePage;
    void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return std::unique_ptr<std::uint8_t, FCPixelRelease>(nullptr, FCPixelRelease {});
    const auto start = (reinterpret_cast<std::uintptr_t>(mapping) + kHugePage - 1) & ~(kHugePage - 1);
    auto* pixels = reinterpret_cast<std::uint8_t*>(start);
    madvise(pixels, bytes, MADV_HUGEPAGE); // advisory; ordinary pages work as well
    return std::unique_ptr<std::uint8_t, FCPixelRelease>(pixels, FCPixelRelease { mapping, length });
}

} // namespace

void FCPixelRelease::operator()(std::uint8_t* pixels) const
{
    if (mapping)
        munmap(mapping, mappedBytes);
    else
        delete[] reinterpret_cast<std::uint32_t*>(pixels);
}

FCDib::FCDib() = default;

FCDib::~FCDib() = default;

bool FCDib::Fail(std::string text)
{
    if (text.size() > 255)
        text.resize(255);
    m_lastError = std::move(text);
    return false;
}

void FCDib::Clear()
{
    m_header = FCBitmapHeader {};
    m_pixels.reset();
    m_bits = nullptr;
    m_pitch = 0;
    m_rows.clear();
    m_palette.clear();
}

void FCDib::TakeOver(FCDib& other)
{
    m_header = other.m_header;
    m_pixels = std::move(other.m_pixels);
    m_bits = other.m_bits;
    m_pitch = other.m_pitch;
    m_rows = std::move(other.m_rows);
    m_palette = std::move(other.m_palette);
    other.Clear();
}

platform::PixelView FCDib::View() const
{
    if (IsEmpty() || ColorBits() < 8)
        return {};
    // Row 0 of the view is the top row; the memory runs bottom-up.
    return platform::PixelView { m_rows[0], Width(), Height(), -std::ptrdiff_t(m_pitch), ColorBits() / 8 };
}

bool FCDib::Create(
    int width, int height, int bitsPerPixel, std::uint32_t compression, const std::uint32_t* masks, bool initPalette)
{
    if (width == 0 || height == 0 || bitsPerPixel == 0) {
        QScreen* screen
            = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
        if (!screen)
            return Fail("No screen to take the bitmap size or depth from");
        const QSize size = screen->size();
        if (width == 0)
            width = size.width();
        if (height == 0)
            height = size.height();
        if (bitsPerPixel == 0)
            bitsPerPixel = screen->depth() > 24 ? 32 : 24;
    }
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide)
        return Fail("Bitmap size " + std::to_string(width) + " x " + std::to_string(height) + " is not supported");
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return Fail("Bitmap depth " + std::to_string(bitsPerPixel) + " is not supported");
    }
    if (compression != kRgb && !(compression == kBitFields && (bitsPerPixel == 16 || bitsPerPixel == 32)))
        return Fail("Bitmap compression is not supported");

    const std::int64_t pitch = (std::int64_t(width) * bitsPerPixel + 31) / 32 * 4;
    const std::int64_t bytes = pitch * height;
    if (bytes > kMaxBytes)
        return Fail("Bitmap is too large");
    auto pixels = allocatePixels(std::size_t(bytes));
    if (!pixels)
        return Fail("Out of memory for the bitmap");

    FCBitmapHeader header;
    header.width = width;
    header.height = height;
    header.bitCount = std::uint16_t(bitsPerPixel);
    header.compression = compression;
    header.sizeImage = std::uint32_t(bytes);
    if (compression == kBitFields) {
        if (masks) {
            header.redMask = masks[0];
            header.greenMask = masks[1];
            header.blueMask = masks[2];
        } else if (bitsPerPixel == 16) {
            header.redMask = 0xF800;
            header.greenMask = 0x07E0;
            header.blueMask = 0x001F;
        } else {
            header.redMask = 0xFF0000;
            header.greenMask = 0xFF00;
            header.blueMask = 0xFF;
        }
    }

    std::vector<FCRgbQuad> palette;
    if (bitsPerPixel <= 8) {
        const int colours = 1 << bitsPerPixel;
        palette.resize(std::size_t(colours));
        header.clrUsed = std::uint32_t(colours);
        if (initPalette) {
            for (int i = 0; i < colours; ++i) {
                const auto v = std::uint8_t(255 / (colours - 1) * i);
                palette[std::size_t(i)] = FCRgbQuad { v, v, v, 0 };
            }
        }
    }

    m_header = header;
    m_pixels = std::move(pixels);
    m_bits = m_pixels.get();
    m_pitch = int(pitch);
    m_palette = std::move(palette);
    m_rows.resize(std::size_t(height));
    if (height > 0) {
        m_rows[0] = m_bits + std::ptrdiff_t(height - 1) * m_pitch;
        for (int y = 1; y < height; ++y)
            m_rows[std::size_t(y)] = m_rows[std::size_t(y - 1)] - m_pitch;
    }
    return true;
}

bool FCDib::CopyFromBitmap(const QImage& bitmap, int bitsPerPixel)
{
    if (bitmap.isNull())
        return Fail("No bitmap to copy from");
    const int w = bitmap.width(), h = bitmap.height();
    switch (bitsPerPixel) {
    case 32:
    case 24:
    case 16: {
        const QImage rgb = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
            ? bitmap
            : bitmap.convertToFormat(QImage::Format_RGB32);
        if (rgb.isNull())
            return Fail("The bitmap could not be converted");
        if (!Create(w, h, bitsPerPixel))
            return false;
        for (int y = 0; y < h; ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            std::uint8_t* d = Row(y);
            if (bitsPerPixel == 32) {
                // The fourth byte of a device bitmap's pixels reads back as zero.
                auto* d32 = reinterpret_cast<std::uint32_t*>(d);
                for (int x = 0; x < w; ++x)
                    d32[x] = s[x] & 0x00FFFFFFu;
            } else if (bitsPerPixel == 24) {
                for (int x = 0; x < w; ++x, d += 3) {
                    d[0] = std::uint8_t(qBlue(s[x]));
                    d[1] = std::uint8_t(qGreen(s[x]));
                    d[2] = std::uint8_t(qRed(s[x]));
                }
            } else {
                for (int x = 0; x < w; ++x, d += 2) {
                    const unsigned v = unsigned(qRed(s[x]) >> 3) << 10 | unsigned(qGreen(s[x]) >> 3) << 5
                        | unsigned(qBlue(s[x]) >> 3);
                    d[0] = std::uint8_t(v);
                    d[1] = std::uint8_t(v >> 8);
                }
            }
        }
        return true;
    }
    case 8:
    case 1: {
        const QImage indexed
            = bitmap.convertToFormat(bitsPerPixel == 8 ? QImage::Format_Indexed8 : QImage::Format_Mono);
        if (indexed.isNull())
            return Fail("The bitmap could not be converted");
        if (!Create(w, h, bitsPerPixel))
            return false;
        const QList<QRgb> table = indexed.colorTable();
        for (std::size_t i = 0; i < m_palette.size(); ++i) {
            const QRgb c = i < std::size_t(table.size()) ? table[qsizetype(i)] : 0;
            m_palette[i] = FCRgbQuad { std::uint8_t(qBlue(c)), std::uint8_t(qGreen(c)), std::uint8_t(qRed(c)), 0 };
        }
        // Both layouts keep the leftmost pixel in the high bit, so rows copy as they are.
        const std::size_t rowBytes = std::size_t(bitsPerPixel == 8 ? w : (w + 7) / 8);
        for (int y = 0; y < h; ++y)
            std::memcpy(Row(y), indexed.constScanLine(y), rowBytes);
        return true;
    }
    default:
        return Fail("Bitmap depth " + std::to_string(bitsPerPixel) + " cannot be read from a device bitmap");
    }
}

QImage FCDib::CreateDeviceBitmap() const
{
    if (IsEmpty())
        return {};
    QImage out(Width(), Height(), QImage::Format_RGB32);
    if (out.isNull())
        return {};
    for (int y = 0; y < Height(); ++y) {
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        const std::uint8_t* row = Row(y);
        if (ColorBits() == 32) {
            const auto* s = reinterpret_cast<const std::uint32_t*>(row);
            for (int x = 0; x < Width(); ++x)
                d[x] = s[x] | 0xFF000000u;
        } else {
            for (int x = 0; x < Width(); ++x)
                d[x] = readRgb(*this, row, x) | 0xFF000000u;
        }
    }
    return out;
}

bool FCDib::CopyFrom(const FCDib& other)
{
    if (&other == this || other.IsEmpty())
        return true;
    FCDib copy;
    const std::uint32_t masks[3] = { other.m_header.redMask, other.m_header.greenMask, other.m_header.blueMask };
    if (!copy.Create(other.Width(), other.Height(), other.ColorBits(), other.m_header.compression, masks, false))
        return Fail(copy.GetLastError());
    copy.m_header = other.m_header;
    copy.m_palette = other.m_palette;
    std::memcpy(copy.m_bits, other.m_bits, std::size_t(other.m_pitch) * std::size_t(other.Height()));
    TakeOver(copy);
    return true;
}

bool FCDib::ConvertToBits(int bitsPerPixel)
{
    if (IsEmpty() || bitsPerPixel == ColorBits())
        return true;
    if (bitsPerPixel != 24 && bitsPerPixel != 32)
        return Fail("Only conversion to 24 or 32 bits per pixel is supported");
    FCDib out;
    if (!out.Create(Width(), Height(), bitsPerPixel))
        return Fail(out.GetLastError());
    out.m_header.xPelsPerMeter = m_header.xPelsPerMeter;
    out.m_header.yPelsPerMeter = m_header.yPelsPerMeter;
    const int step = bitsPerPixel / 8;
    for (int y = 0; y < Height(); ++y) {
        const std::uint8_t* s = Row(y);
        std::uint8_t* d = out.Row(y);
        for (int x = 0; x < Width(); ++x, d += step) {
            const std::uint32_t c = readRgb(*this, s, x);
            d[0] = std::uint8_t(c);
            d[1] = std::uint8_t(c >> 8);
            d[2] = std::uint8_t(c >> 16);
        }
    }
    TakeOver(out);
    return true;
}
