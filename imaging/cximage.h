// CxImage: the one image type of the program. A packed bottom-up DIB with an attribute record,
// optional alpha plane, selection mask, layers and frames. Implemented by family in cximage_*.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QImage;
class CxFile;

// Windows DIB layouts, kept byte for byte so the dib block is a packed DIB that BMP files and
// clipboard-style buffers carry unchanged.
#pragma pack(push, 1)
struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};

struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

/// Rectangle of four signed values. For the selection box y counts from the bottom row, so
/// top >= bottom; left and bottom are inclusive, right and top exclusive.
struct CxRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

/// Format ids: the type stored in an image and the argument of Load/Save/Decode/Encode.
enum CxImageFormat : uint32_t {
    CXIMAGE_FORMAT_UNKNOWN = 0,
    CXIMAGE_FORMAT_BMP = 1,
    CXIMAGE_FORMAT_GIF = 2,
    CXIMAGE_FORMAT_JPG = 3,
    CXIMAGE_FORMAT_PNG = 4,
    CXIMAGE_FORMAT_ICO = 5,
    CXIMAGE_FORMAT_TIF = 6,
    CXIMAGE_FORMAT_TGA = 7,
    CXIMAGE_FORMAT_PCX = 8,
    CXIMAGE_FORMAT_WBMP = 9,
    CXIMAGE_FORMAT_WMF = 10,
    CXIMAGE_FORMAT_JP2 = 11,
    CXIMAGE_FORMAT_JPC = 12,
    CXIMAGE_FORMAT_PGX = 13,
    CXIMAGE_FORMAT_PNM = 14,
    CXIMAGE_FORMAT_RAS = 15,
    CXIMAGE_FORMAT_UNSUPPORTED = 16,
    CXIMAGE_FORMAT_MNG = 17,
    CXIMAGE_FORMAT_SKA = 18,
    CXIMAGE_FORMAT_RAW = 19,
};

/// Number of per-format codec option words (one per format index).
constexpr int CXIMAGE_FORMAT_INDICES = 19;
/// Pixel data limit of one image, in bytes.
constexpr uint64_t CXIMAGE_MAX_MEMORY = 268435456;

/// Format index of an id: the slot of its codec option word; 0 for unknown and unsupported ids.
int CxFormatIndex(uint32_t id);

/// The attribute record. Plain data: copied and zeroed as one block. Field order is fixed
/// because memory images store it as it lies in memory.
struct CxImageInfo {
    uint32_t rowStride; ///< bytes per pixel row
    uint8_t* pixels; ///< first pixel row inside the dib block
    class CxImage* ghost; ///< source image when this object is an alias
    class CxImage* parent; ///< image that owns this one as a layer
    uint32_t type; ///< format id
    char lastError[256]; ///< NUL-terminated text of the last failure
    int32_t progress; ///< percent written by long operations
    int32_t escape; ///< non-zero asks a long operation to stop; -1 = header only
    int32_t transparentIndex; ///< transparent palette index, -1 = none
    RGBQUAD transparentColour; ///< transparent colour of 24-bit images
    float quality; ///< JPEG quality 0..100
    uint8_t jpegScale; ///< JPEG decode scale denominator (0 or 1 = full size)
    int32_t currentFrame; ///< frame to decode / decoded
    int32_t frameCount; ///< frames in the file; length of the frames array
    uint32_t frameDelay; ///< delay between frames
    int32_t xDpi;
    int32_t yDpi;
    CxRect selectionBox; ///< bounding box of the selection
    uint8_t alphaMax; ///< global opacity when drawing (255 = none)
    bool alphaPaletteEnabled; ///< palette reserved bytes carry alpha
    bool enabled;
    int32_t xOffset;
    int32_t yOffset;
    uint32_t codecOptions[CXIMAGE_FORMAT_INDICES];
    RGBQUAD nearestCacheColour;
    uint8_t nearestCacheIndex;
    bool nearestCacheValid;
    int32_t layerCount;
    uint32_t flags;
    uint8_t gifDisposal;
    bool retrieveAllFrames;
    bool littleEndianHost;
};

class CxImage {
public:
    // ---- Construction and lifetime (cximage_core.cpp) ----
    explicit CxImage(uint32_t imageType = CXIMAGE_FORMAT_UNKNOWN);
    CxImage(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType = CXIMAGE_FORMAT_UNKNOWN);
    CxImage(const char* path, uint32_t imageType);
    CxImage(const CxImage& src, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
    CxImage& operator=(const CxImage& src);
    /// Takes over every buffer and frame of src without copying a pixel (TakeOver); src is left
    /// an empty image, ready for reuse. Moving an alias gives an alias of the same image.
    CxImage(CxImage&& src) noexcept;
    CxImage& operator=(CxImage&& src) noexcept;
    virtual ~CxImage();

    /// Allocates a new bitmap; bpp is rounded up to 1, 4, 8 or 24. Null with a last error on failure.
    void* Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Frees pixels, planes and layers (frames survive). False for an alias.
    bool Destroy();
    /// Deletes every frame. False for an alias.
    bool DestroyFrames();
    void Copy(const CxImage& src, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
    /// Shares every buffer of src without owning any of them.
    void MakeAlias(const CxImage& src);
    /// Moves the content of src into this image and leaves src empty.
    bool TakeOver(CxImage& src, bool transferFrames = false);
    /// Copies the attribute record only, and only while this image has no bitmap.
    void CopyAttributes(const CxImage& src);

    // ---- Queries and simple setters (cximage_core.cpp) ----
    bool IsValid() const { return m_dib != nullptr; }
    bool IsAlias() const { return m_info.ghost != nullptr; }
    uint32_t GetWidth() const { return uint32_t(m_head.biWidth); }
    uint32_t GetHeight() const { return uint32_t(m_head.biHeight); }
    uint32_t GetEffWidth() const { return m_info.rowStride; }
    uint16_t GetBpp() const { return m_head.biBitCount; }
    uint32_t GetNumColors() const { return m_head.biClrUsed; }
    uint32_t GetPaletteSize() const { return m_head.biClrUsed * 4; }
    uint8_t* GetDIB() const { return m_dib; }
    /// Size of the dib block: header + palette + pixel rows.
    uint32_t GetSize() const;
    const BITMAPINFOHEADER& GetHeader() const { return m_head; }
    CxImageInfo& Info() { return m_info; }
    const CxImageInfo& Info() const { return m_info; }

    uint32_t GetType() const { return m_info.type; }
    /// Accepts ids 1..19 except 16; anything else stores 0 and gives false.
    bool SetType(uint32_t type);
    const char* GetLastError() const { return m_info.lastError; }
    /// Stores a printf-style text (truncated to 255 characters) as the last error.
    void SetLastError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int32_t GetProgress() const { return m_info.progress; }
    void SetProgress(int32_t p) { m_info.progress = p; }
    int32_t GetEscape() const { return m_info.escape; }
    void SetEscape(int32_t e) { m_info.escape = e; }

    int32_t GetNumFrames() const { return m_info.frameCount; }
    void SetNumFrames(int32_t n) { m_info.frameCount = n; }
    /// Frame by index; a negative index gives the last frame; null when out of range.
    CxImage* GetFrame(int32_t index) const;
    int32_t GetCurrentFrame() const { return m_info.currentFrame; }
    void SetCurrentFrame(int32_t n) { m_info.currentFrame = n; }
    uint32_t GetFrameDelay() const { return m_info.frameDelay; }
    void SetFrameDelay(uint32_t d) { m_info.frameDelay = d; }
    bool GetRetrieveAllFrames() const { return m_info.retrieveAllFrames; }
    void SetRetrieveAllFrames(bool on) { m_info.retrieveAllFrames = on; }
    uint8_t GetDisposalMethod() const { return m_info.gifDisposal; }
    void SetDisposalMethod(uint8_t m) { m_info.gifDisposal = m; }
    int32_t GetNumLayers() const { return m_info.layerCount; }
    CxImage* GetLayer(int32_t index) const;
    CxImage* GetParent() const { return m_info.parent; }

    int32_t GetXDPI() const { return m_info.xDpi; }
    int32_t GetYDPI() const { return m_info.yDpi; }
    /// A value <= 0 becomes 96; also writes the pixels-per-metre header field.
    void SetXDPI(int32_t dpi);
    void SetYDPI(int32_t dpi);
    void SetOffset(int32_t x, int32_t y)
    {
        m_info.xOffset = x;
        m_info.yOffset = y;
    }
    void GetOffset(int32_t* x, int32_t* y) const
    {
        *x = m_info.xOffset;
        *y = m_info.yOffset;
    }
    uint8_t GetJpegQuality() const { return uint8_t(m_info.quality + 0.5f); }
    float GetJpegQualityF() const { return m_info.quality; }
    void SetJpegQuality(float q) { m_info.quality = q; }
    uint8_t GetJpegScale() const { return m_info.jpegScale; }
    void SetJpegScale(uint8_t s) { m_info.jpegScale = s; }
    /// Option word of a format; an id whose index is 0 uses the image's own type.
    uint32_t GetCodecOption(uint32_t imageType = 0) const;
    bool SetCodecOption(uint32_t opt, uint32_t imageType = 0);
    uint8_t GetAlphaMax() const { return m_info.alphaMax; }
    void SetAlphaMax(uint8_t a) { m_info.alphaMax = a; }
    bool GetEnabled() const { return m_info.enabled; }
    void Enable(bool on = true) { m_info.enabled = on; }
    uint32_t GetFlags() const { return m_info.flags; }
    void SetFlags(uint32_t f) { m_info.flags = f; }
    /// EXIF (APP1) block carried from a decoded JPEG so that encoding writes it back.
    const std::vector<uint8_t>& GetExifBlock() const { return m_exif; }
    void SetExifBlock(std::vector<uint8_t> block) { m_exif = std::move(block); }

    // ---- Pixel access (cximage_pixels.cpp); x from the left, y from the bottom row ----
    bool IsInside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < m_head.biWidth && y < m_head.biHeight; }
    /// Start of a pixel row; null for row >= height or without bitmap.
    uint8_t* GetBits(uint32_t row = 0) const;
    uint8_t GetPixelIndex(int32_t x, int32_t y) const;
    void SetPixelIndex(int32_t x, int32_t y, uint8_t i);
    RGBQUAD GetPixelColor(int32_t x, int32_t y, bool withAlpha = true) const;
    void SetPixelColor(int32_t x, int32_t y, RGBQUAD c, bool setAlpha = false);
    bool IsTransparent(int32_t x, int32_t y) const;
    /// Fills every pixel byte (1 bit: non-zero = 255; 4 bits: (v & 15) * 17).
    bool Clear(uint8_t value = 0);

    // Unchecked variants for inner loops: the caller guarantees 0 <= x < width, 0 <= y < height.
    uint8_t BlindGetPixelIndex(int32_t x, int32_t y) const;
    void BlindSetPixelIndex(int32_t x, int32_t y, uint8_t i);
    RGBQUAD BlindGetPixelColor(int32_t x, int32_t y, bool withAlpha = true) const;
    uint8_t* BlindGetPixelPointer(int32_t x, int32_t y) const
    {
        return m_info.pixels + size_t(y) * m_info.rowStride + size_t(x) * 3;
    }

    // ---- Palette and transparency (cximage_palette.cpp) ----
    RGBQUAD* GetPalette() const;
    RGBQUAD GetPaletteColor(uint32_t i) const;
    void SetPaletteColor(uint32_t i, uint8_t r, uint8_t g, uint8_t b, uint8_t alpha = 0);
    void SetPaletteColor(uint32_t i, RGBQUAD c);
    void SetPalette(const RGBQUAD* entries, uint32_t count = 256);
    void SetPalette(const uint8_t* r, const uint8_t* g = nullptr, const uint8_t* b = nullptr, uint32_t count = 256);
    /// Packed red, green, blue triples.
    void SetPaletteRGB(const uint8_t* rgb, uint32_t count = 256);
    void SetGrayPalette();
    bool IsGrayScale() const;
    void SetImportantColours(uint32_t n);
    uint32_t GetImportantColours() const { return m_head.biClrImportant; }
    void SwapPaletteEntries(uint8_t a, uint8_t b);
    void SwapRedAndBlue();
    uint8_t NearestPaletteIndex(RGBQUAD c);
    bool PaletteCarriesAlpha() const;

    int32_t TransparentIndex() const { return m_info.transparentIndex; }
    /// Stores i when i < entries, else 0; -1 turns transparency off.
    void SetTransparentIndex(int32_t i);
    bool IsTransparent() const { return m_info.transparentIndex >= 0; }
    RGBQUAD TransparentColour() const;
    void SetTransparentColour(RGBQUAD c);

    // ---- Alpha plane (cximage_alpha.cpp): one byte per pixel, bottom row first, no padding ----
    bool AlphaCreate();
    void AlphaDelete();
    void AlphaClear(uint8_t value = 0);
    void AlphaSet(int32_t x, int32_t y, uint8_t a);
    uint8_t AlphaGet(int32_t x, int32_t y) const;
    bool AlphaIsValid() const { return m_alpha != nullptr; }
    uint8_t* AlphaGetPointer(int32_t x = 0, int32_t y = 0) const;
    void AlphaInvert();
    bool AlphaCopy(const CxImage& src);
    bool AlphaFromGray(const CxImage& gray);
    bool AlphaFlip();
    bool AlphaMirror();

    // ---- Selection storage (mask operations live with the filters) ----
    uint8_t* SelectionPointer() const { return m_selection; }
    const CxRect& GetSelectionBox() const { return m_info.selectionBox; }

    // ---- Bit fields, packed DIBs and memory images (cximage_dib.cpp) ----
    /// Converts 16- or 32-bit rows (4-byte aligned, bottom row first) to this 24-bit image.
    void Bitfield2RGB(const uint8_t* src, uint32_t redMask, uint32_t greenMask, uint32_t blueMask, uint8_t bpp);
    /// Loads a packed DIB (header, palette, rows) held in a byte buffer.
    bool FromGlobalDib(const uint8_t* data, size_t size);
    /// The dib block as a packed DIB; empty without bitmap.
    std::vector<uint8_t> ToGlobalDib() const;
    uint32_t MemoryImageSize() const;
    /// Writes the memory image into buffer (at least MemoryImageSize() bytes); returns MemoryImageSize().
    uint32_t WriteMemoryImage(uint8_t* buffer) const;
    /// Reads a memory image of at most size bytes; returns the bytes consumed, 0 on failure.
    uint32_t ReadMemoryImage(const uint8_t* buffer, size_t size);

    // ---- QImage adapters (cximage_qimage.cpp) ----
    /// RGB32, or ARGB32 when an alpha plane exists; null QImage without bitmap.
    QImage ToDeviceBitmap() const;
    bool FromDeviceBitmap(const QImage& image);

    // ---- Files (formats/cximage_dispatch.cpp) ----
    bool Decode(CxFile* file, uint32_t imageType);
    bool Encode(CxFile* file, uint32_t imageType);
    bool Decode(FILE* file, uint32_t imageType);
    bool Encode(FILE* file, uint32_t imageType);
    /// Decodes with the id, then by probing every format. False without message if unreadable.
    bool Load(const char* path, uint32_t imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Encodes into a temporary file beside path and renames it over path only on success.
    bool Save(const char* path, uint32_t imageType);
    /// Decodes an image from a program resource (a Qt resource path such as ":/skin/x.bmp").
    bool LoadResource(const char* resource, uint32_t imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Format id from the first three letters of an extension (no dot), case-insensitive; 0 if none.
    static uint32_t FormatFromExtension(const char* extension);

    // ---- Geometry and colour operations (cximage_resample.cpp, cximage_geometry.cpp,
    //      cximage_colour.cpp, cximage_mix.cpp) ----
    /// Resizes with Catmull-Rom interpolation (enlarging) or area averaging (reducing), edges
    /// repeated. Other method and overflow values behave as 16 and 5. With a destination this
    /// image stays as it is. An escape keeps the rows done so far.
    bool ResampleSmooth(int32_t newWidth, int32_t newHeight, int32_t method = 16, int32_t overflow = 5,
        CxImage* destination = nullptr, bool disableAveraging = false);
    bool Flip(bool flipSelection = false, bool flipAlpha = true);
    bool Mirror(bool mirrorSelection = false, bool mirrorAlpha = true);
    bool Negative();
    /// Converts to an 8-bit gray-scale palette image, gray = (306 r + 601 g + 117 b) >> 10.
    bool GrayScale();
    /// Converts to a 1-bit image: white where the gray value is above level.
    bool Threshold(uint8_t level);
    bool ApplyLookupTable(const uint8_t* table);
    bool Gamma(float gamma);
    bool HueRampPalette(float correction = 1.0f);
    bool DecreaseBpp(uint32_t bits, bool errorDiffusion, const RGBQUAD* palette = nullptr, uint32_t entries = 0);
    bool IncreaseBpp(uint32_t bits);
    void SetStandardPalette();
    /// Mix operations (the op argument of Mix).
    enum MixOp : int32_t {
        OpAdd = 0,
        OpAnd = 1,
        OpXor = 2,
        OpOr = 3,
        OpMask = 4,
        OpSrcCopy = 5,
        OpDstCopy = 6,
        OpSub = 7,
        OpSrcBlend = 8,
        OpAlphaBlend = 9,
        OpAvg = 10,
    };
    bool Mix(const CxImage& source, int32_t op, int32_t xOffset = 0, int32_t yOffset = 0, bool mixAlpha = false);
    /// Pastes source with its lower-left corner at (x, y), skipping its transparent pixels.
    bool PasteKeyed(const CxImage& source, int32_t x, int32_t y);
    /// 1-bit mask, 1 where this image is transparent; into destination or in place.
    bool KeyColourMask(CxImage* destination = nullptr);

    // ---- Filters and selection (cximage_filters.cpp, cximage_selection.cpp) ----
    bool SelectionCreate();
    bool SelectionDelete();
    bool SelectionClear(uint8_t level = 0);
    /// Selects the rectangle with both corners included (bottom-up rows, corners in any order).
    bool SelectRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t level = 255);
    /// Takes the mask from a gray-scale image of the same size.
    bool SelectionSet(const CxImage& gray);
    void SelectionSet(int32_t x, int32_t y, uint8_t level);
    bool SelectionIsInside(int32_t x, int32_t y) const;
    uint8_t SelectionGet(int32_t x, int32_t y) const { return m_selection[size_t(y) * GetWidth() + size_t(x)]; }
    bool SelectionIsValid() const { return m_selection != nullptr; }
    CxRect SelectionGetBox() const { return m_info.selectionBox; }
    bool SelectionCopy(const CxImage& source);
    void RecomputeSelectionBox();
    bool SelectionFlip();
    bool SelectionMirror();
    /// The mask as an 8-bit gray-scale image; false without a mask.
    bool SelectionToImage(CxImage* destination);

    /// Uniform random integers in 0..32767 for Noise and Jitter; empty = the built-in generator.
    using RandomSource = std::function<int32_t()>;
    /// Convolution; kernel has size x size integers, row 0 weighing the row below the pixel.
    bool Filter(const int32_t* kernel, int32_t size, int32_t divisor, int32_t offset);
    bool Erode(int32_t size = 3);
    bool Dilate(int32_t size = 3);
    bool Edge(int32_t size = 2);
    bool Contour();
    bool Median(int32_t size = 3);
    bool Noise(int32_t level, const RandomSource& random = {});
    bool Jitter(int32_t radius = 2, const RandomSource& random = {});
    bool BlurGaussian(float radius = 1.0f, CxImage* destination = nullptr);
    bool UnsharpMask(float radius = 5.0f, float amount = 0.5f, int32_t threshold = 0);
    bool SelectiveBlur(float radius, uint8_t threshold, CxImage* destination = nullptr);
    /// Circular warps about the image centre (cximage_circle.cpp): type 0 Punch, 1 Pinch, 2 Swirl,
    /// 3 Cylinder, 4 Bathroom. A radius limit of 0 reaches from the centre to the area's first
    /// corner; a coefficient of 0 counts as 1. Selection-aware. False (image unchanged) when empty,
    /// for another type, or when stopped by the escape field.
    bool CircleTransform(int32_t type, int32_t radiusLimit = 0, float coefficient = 100.0f);

protected:
    /// Common encoder checks: stream and bitmap present.
    bool EncodeSafeCheck(CxFile* file);
    void Startup(uint32_t imageType);
    /// The move itself; this is no alias and holds no frames when it is called.
    void moveFrom(CxImage& src) noexcept;
    /// Frees everything this image owns (not frames), without the alias check.
    void freeOwned();

    uint8_t* m_dib = nullptr;
    BITMAPINFOHEADER m_head;
    CxImageInfo m_info;
    uint8_t* m_selection = nullptr;
    uint8_t* m_alpha = nullptr;
    CxImage** m_layers = nullptr;
    CxImage** m_frames = nullptr;
    std::vector<uint8_t> m_exif;
};

/// What a failed Save(path) tells a user, naming the file once: the container's text when it
/// already reads "<path>: <reason>" (the file could not be written), else "<path>: <text>" (a
/// picture the format cannot hold).
std::string SaveFailureText(const CxImage& image, const char* path);
