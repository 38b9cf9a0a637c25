// FCDib: the effects library's bitmap. Bottom-up pixel memory in the classic device-independent
// layout (blue, green, red), a table of row pointers counted from the top, and a progress value.
#pragma once

#include <QImage>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/pixels/pixel_blit.h"

/// The 108-byte version-4 bitmap header. Height is positive: rows are stored bottom-up.
struct FCBitmapHeader {
    std::uint32_t size = 108;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    std::uint32_t alphaMask = 0;
    std::uint32_t csType = 0;
    std::int32_t endpoints[9] = {};
    std::uint32_t gammaRed = 0;
    std::uint32_t gammaGreen = 0;
    std::uint32_t gammaBlue = 0;
};
static_assert(sizeof(FCBitmapHeader) == 108);

/// One colour-table entry, in the byte order of the pixels.
struct FCRgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
};

/// Releases an FCDib's pixel memory: a heap block, or for large images a mapping of its own.
struct FCPixelRelease {
    void* mapping = nullptr;
    std::size_t mappedBytes = 0;
    void operator()(std::uint8_t* pixels) const;
};

class FCDib {
public:
    enum Compression : std::uint32_t { kRgb = 0, kBitFields = 3 };
    /// Largest width or height accepted; keeps every size computation far from overflow.
    static constexpr int kMaxSide = 65535;
    /// Largest pixel memory accepted.
    static constexpr std::int64_t kMaxBytes = std::int64_t(1) << 30;

    FCDib();
    FCDib(const FCDib&) = delete;
    FCDib& operator=(const FCDib&) = delete;
    virtual ~FCDib();

    /// Replaces the image by a zero-filled one. A width, height or depth of 0 takes the primary
    /// screen's (false without a screen). masks are red, green, blue for kBitFields. For depths up
    /// to 8 with initPalette, the colour table is a grey ramp. On false the image is unchanged.
    bool Create(int width, int height, int bitsPerPixel, std::uint32_t compression = kRgb,
        const std::uint32_t* masks = nullptr, bool initPalette = true);
    /// Creates the image at the bitmap's size and depth 1, 8, 16, 24 or 32 from its pixels.
    bool CopyFromBitmap(const QImage& bitmap, int bitsPerPixel);
    /// A device bitmap (RGB32) of the image; null when empty.
    QImage CreateDeviceBitmap() const;
    /// Deep copy of header, pixels and palette; a no-op for itself or an empty source.
    bool CopyFrom(const FCDib& other);
    /// Converts to 24 or 32 bits per pixel; a no-op when empty or already at that depth.
    bool ConvertToBits(int bitsPerPixel);
    /// Nearest-neighbour resampling; with keepProportions the image keeps its aspect ratio
    /// inside width × height.
    bool Stretch(int width, int height, bool keepProportions = false);
    /// 90° counter-clockwise / clockwise (8, 16, 24 and 32 bits).
    bool RotateLeft();
    bool RotateRight();
    /// Clockwise rotation by 1..89 degrees onto a larger, black canvas.
    bool RotateAngle(int degrees);
    /// Blends a 24/32-bit source into this 24/32-bit image with its top-left corner at (x, y),
    /// alpha 0..255; whatever falls outside this image is dropped.
    bool AlphaBlendFrom(const FCDib& source, int alpha, int x, int y);

    bool IsEmpty() const { return !m_pixels; }
    void Clear();
    int Width() const { return m_header.width; }
    int Height() const { return m_header.height; }
    int ColorBits() const { return m_header.bitCount; }
    /// Bytes per row: ((width × bits + 31) div 32) × 4.
    int Pitch() const { return m_pitch; }
    const FCBitmapHeader& Header() const { return m_header; }
    /// Start of the pixel memory (the bottom row).
    std::uint8_t* Bits() const { return m_bits; }
    /// Row y counted from the top.
    std::uint8_t* Row(int y) const { return m_rows[std::size_t(y)]; }
    /// Pixel (x, y) counted from the top-left; depths of whole bytes only.
    std::uint8_t* Pixel(int x, int y) const { return Row(y) + x * (ColorBits() / 8); }
    /// The colour table (empty above 8 bits).
    std::vector<FCRgbQuad>& Palette() { return m_palette; }
    const std::vector<FCRgbQuad>& Palette() const { return m_palette; }
    /// A view of the pixels for the shared blits (whole bytes per pixel only).
    platform::PixelView View() const;

    /// 0..100 while an operation runs; safe to read from another thread.
    int Progress() const { return m_progress.load(std::memory_order_relaxed); }
    const std::string& GetLastError() const { return m_lastError; }

protected:
    void SetProgress(int value) { m_progress.exchange(value, std::memory_order_relaxed); }
    void RowProgress(int row) { SetProgress(int(std::int64_t(row) * 100 / std::max(Height(), 1))); }
    /// Records the error text and returns false.
    bool Fail(std::string text);
    /// Moves another image's pixels, header and palette into this one.
    void TakeOver(FCDib& other);

private:
    bool RotateQuarter(bool left);

    FCBitmapHeader m_header;
    std::unique_ptr<std::uint8_t, FCPixelRelease> m_pixels;
    std::uint8_t* m_bits = nullptr;
    int m_pitch = 0;
    std::vector<std::uint8_t*> m_rows;
    std::vector<FCRgbQuad> m_palette;
    std::atomic<int> m_progress { 0 };
    std::string m_lastError;
};
