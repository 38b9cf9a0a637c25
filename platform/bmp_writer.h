// The one writer of Windows bitmap files over our pixel buffers (no Qt): the codec, the frame
// grabber and the project file all produce their BMP bytes through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

/// The fields of the 40-byte info header, in file order.
struct BmpInfo {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0; ///< positive: rows are stored bottom line first
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

/// Stores v little-endian in p[0..3], the byte order of bitmap and project files.
void putLe32(uint8_t* p, uint32_t v);

/// Bytes of one stored row: width * bitCount bits, padded to four bytes.
size_t bmpRowBytes(int32_t width, uint16_t bitCount);

/// Encodes the 14-byte file header followed by the 40-byte info header into out.
void encodeBmpHeaders(uint8_t* out54, const BmpInfo& info, uint32_t fileSize, uint32_t pixelOffset);

/// Receives the file's bytes in order; false stops the writer.
using BmpSink = std::function<bool(const uint8_t* data, size_t size)>;
/// Provides stored row `fileRow` (0 = first row in the file) of bmpRowBytes() bytes: either fills
/// scratch and returns it, or returns a pointer to a ready row.
using BmpRowSource = std::function<const uint8_t*(uint32_t fileRow, uint8_t* scratch)>;

struct BmpWriteOptions {
    const uint8_t* palette = nullptr; ///< RGBQUAD entries written between header and pixels
    size_t paletteBytes = 0;
    /// Some writers leave the file-size field 0, which every reader accepts.
    bool recordFileSize = true;
    /// When the stored rows already lie one after the other (bottom line first, padded), they
    /// go to the sink in one piece and the row source is not asked.
    const uint8_t* pixels = nullptr;
};

/// Writes headers, palette and abs(height) rows (rows may be null with options.pixels). False when the file would
/// exceed 4 GiB, the size is not positive, or the sink refused.
bool writeBmp(const BmpSink& sink, const BmpInfo& info, const BmpRowSource& rows, const BmpWriteOptions& options = {});

} // namespace platform
