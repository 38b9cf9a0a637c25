// CxImage construction, lifetime, copying and the simple attribute queries.
#include "imaging/cximage.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

int CxFormatIndex(uint32_t id)
{
    if (id <= 15)
        return int(id);
    switch (id) {
    case CXIMAGE_FORMAT_MNG:
        return 16;
    case CXIMAGE_FORMAT_SKA:
        return 17;
    case CXIMAGE_FORMAT_RAW:
        return 18;
    default:
        return 0;
    }
}

// Large pictures are backed by transparent huge pages where the system offers them on request:
// a fresh 36 MB block then costs a few dozen page faults instead of thousands when first written.
static uint8_t* allocateDib(size_t size)
{
    constexpr size_t kHuge = size_t(2) << 20;
    if (size >= 4 * kHuge) {
        const size_t rounded = (size + kHuge - 1) & ~(kHuge - 1);
        if (void* p = std::aligned_alloc(kHuge, rounded)) {
            madvise(p, rounded, MADV_HUGEPAGE);
            return static_cast<uint8_t*>(p);
        }
    }
    return static_cast<uint8_t*>(std::malloc(size));
}

void CxImage::Startup(uint32_t imageType)
{
    m_dib = nullptr;
    m_selection = nullptr;
    m_alpha = nullptr;
    m_layers = nullptr;
    m_frames = nullptr;
    std::memset(&m_head, 0, sizeof(m_head));
    std::memset(&m_info, 0, sizeof(m_info));
    m_info.type = imageType;
    m_info.quality = 90.0f;
    m_info.alphaMax = 255;
    m_info.transparentIndex = -1;
    m_info.enabled = true;
    m_info.littleEndianHost = true;
    SetXDPI(96);
    SetYDPI(96);
}

CxImage::CxImage(uint32_t imageType)
{
    Startup(imageType);
}

CxImage::CxImage(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType)
{
    Startup(imageType);
    Create(width, height, bpp, imageType);
}

CxImage::CxImage(const char* path, uint32_t imageType)
{
    Startup(imageType);
    Load(path, imageType);
}

CxImage::CxImage(const CxImage& src, bool copyPixels, bool copySelection, bool copyAlpha)
{
    Startup(src.GetType());
    Copy(src, copyPixels, copySelection, copyAlpha);
}

CxImage& CxImage::operator=(const CxImage& src)
{
    if (this != &src)
        Copy(src, true, true, true);
    return *this;
}

CxImage::CxImage(CxImage&& src) noexcept
{
    Startup(src.GetType());
    moveFrom(src);
}

CxImage& CxImage::operator=(CxImage&& src) noexcept
{
    if (this == &src)
        return *this;
    if (m_info.ghost)
        Startup(m_info.type); // an alias owns nothing it could free
    else
        DestroyFrames();
    moveFrom(src);
    return *this;
}

void CxImage::moveFrom(CxImage& src) noexcept
{
    if (src.m_info.ghost) {
        // An alias owns none of its buffers: the pointers simply change hands.
        std::memcpy(&m_head, &src.m_head, sizeof(m_head));
        std::memcpy(&m_info, &src.m_info, sizeof(m_info));
        m_dib = src.m_dib;
        m_selection = src.m_selection;
        m_alpha = src.m_alpha;
        m_layers = src.m_layers;
        m_frames = src.m_frames;
        m_exif = std::move(src.m_exif);
    } else {
        TakeOver(src, true);
        // A layer moved out of its parent belongs to nobody; the parent keeps the emptied one.
        m_info.parent = nullptr;
    }
    src.Startup(CXIMAGE_FORMAT_UNKNOWN);
    src.m_exif.clear();
}

CxImage::~CxImage()
{
    DestroyFrames();
    Destroy();
}

void CxImage::SetLastError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(m_info.lastError, sizeof(m_info.lastError), format, args);
    va_end(args);
}

void CxImage::freeOwned()
{
    if (m_layers) {
        for (int32_t i = 0; i < m_info.layerCount; ++i)
            delete m_layers[i];
        std::free(m_layers);
        m_layers = nullptr;
    }
    m_info.layerCount = 0;
    std::free(m_selection);
    m_selection = nullptr;
    std::free(m_alpha);
    m_alpha = nullptr;
    std::free(m_dib);
    m_dib = nullptr;
    m_info.pixels = nullptr;
}

bool CxImage::Destroy()
{
    if (m_info.ghost)
        return false;
    freeOwned();
    return true;
}

bool CxImage::DestroyFrames()
{
    if (m_info.ghost)
        return false;
    if (m_frames) {
        for (int32_t i = 0; i < m_info.frameCount; ++i)
            delete m_frames[i];
        std::free(m_frames);
        m_frames = nullptr;
    }
    m_info.frameCount = 0;
    return true;
}

void* CxImage::Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType)
{
    if (!Destroy())
        return nullptr;
    if (width == 0 || height == 0) {
        SetLastError("CxImage::Create : width and height must be greater than zero");
        return nullptr;
    }
    if (bpp <= 1)
        bpp = 1;
    else if (bpp <= 4)
        bpp = 4;
    else if (bpp <= 8)
        bpp = 8;
    else
        bpp = 24;

    // The width also has to fit the signed header fields and the 32-bit stride arithmetic.
    const uint64_t bits = uint64_t(width) * height * bpp;
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF || bits > 0xFFFFFFFFull || bits / 8 > CXIMAGE_MAX_MEMORY) {
        SetLastError("CXIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }

    switch (bpp) {
    case 1:
        m_head.biClrUsed = 2;
        break;
    case 4:
        m_head.biClrUsed = 16;
        break;
    case 8:
        m_head.biClrUsed = 256;
        break;
    default:
        m_head.biClrUsed = 0;
    }
    const uint64_t stride = ((uint64_t(width) * bpp + 31) / 32) * 4;
    const uint64_t imageSize = stride * height;
    // Row padding counts too: a 1-pixel-wide 1-bit image stores 32 bits per row.
    if (imageSize > CXIMAGE_MAX_MEMORY) {
        SetLastError("CXIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }
    m_info.rowStride = uint32_t(stride);
    m_info.type = imageType;
    m_head.biSize = 40;
    m_head.biWidth = int32_t(width);
    m_head.biHeight = int32_t(height);
    m_head.biPlanes = 1;
    m_head.biBitCount = uint16_t(bpp);
    m_head.biCompression = 0;
    m_head.biSizeImage = uint32_t(imageSize);
    m_head.biClrImportant = 0;

    m_dib = allocateDib(GetSize());
    if (!m_dib) {
        SetLastError("CxImage::Create can't allocate memory");
        return nullptr;
    }
    std::memset(m_dib + 40, 0, GetPaletteSize());
    // The planes were freed by Destroy; the selection box goes back to empty.
    m_info.selectionBox = CxRect { int32_t(width), 0, 0, int32_t(height) };
    std::memcpy(m_dib, &m_head, sizeof(m_head));
    m_info.pixels = m_dib + 40 + GetPaletteSize();
    m_info.nearestCacheValid = false;
    return m_dib;
}

uint32_t CxImage::GetSize() const
{
    return m_head.biSize + m_head.biSizeImage + GetPaletteSize();
}

void CxImage::Copy(const CxImage& src, bool copyPixels, bool copySelection, bool copyAlpha)
{
    if (&src == this)
        return;
    if (src.m_info.ghost) {
        MakeAlias(src);
        return;
    }
    if (!Destroy())
        return; // an alias owns nothing it could replace
    // Frames are not part of a copy: keep this image's own frame list consistent with its count.
    const int32_t frameCount = m_info.frameCount;
    std::memcpy(&m_info, &src.m_info, sizeof(m_info));
    std::memcpy(&m_head, &src.m_head, sizeof(m_head));
    m_info.frameCount = frameCount;
    m_info.layerCount = 0;
    m_info.pixels = nullptr;
    m_info.ghost = nullptr;
    m_info.parent = nullptr;
    m_exif = src.m_exif;
    if (!src.m_dib) {
        // Nothing to allocate; keep the attributes only.
        return;
    }
    const CxRect box = src.m_info.selectionBox;
    if (!Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.GetType()))
        return;
    m_head = src.m_head;
    if (copyPixels)
        std::memcpy(m_dib, src.m_dib, src.GetSize());
    else if (src.GetPaletteSize())
        std::memcpy(GetPalette(), src.GetPalette(), src.GetPaletteSize());
    std::memcpy(m_dib, &m_head, sizeof(m_head));
    m_info.selectionBox = box;
    const size_t plane = size_t(GetWidth()) * GetHeight();
    if (copySelection && src.m_selection) {
        m_selection = static_cast<uint8_t*>(std::malloc(plane));
        if (m_selection)
            std::memcpy(m_selection, src.m_selection, plane);
    }
    if (copyAlpha && src.m_alpha) {
        m_alpha = static_cast<uint8_t*>(std::malloc(plane));
        if (m_alpha)
            std::memcpy(m_alpha, src.m_alpha, plane);
    }
}

void CxImage::MakeAlias(const CxImage& src)
{
    if (&src == this)
        return;
    if (!m_info.ghost) {
        DestroyFrames();
        Destroy();
    }
    std::memcpy(&m_head, &src.m_head, sizeof(m_head));
    std::memcpy(&m_info, &src.m_info, sizeof(m_info));
    m_dib = src.m_dib;
    m_selection = src.m_selection;
    m_alpha = src.m_alpha;
    m_layers = src.m_layers;
    m_frames = src.m_frames;
    m_exif = src.m_exif;
    m_info.ghost = const_cast<CxImage*>(&src);
}

bool CxImage::TakeOver(CxImage& src, bool transferFrames)
{
    if (&src == this)
        return true;
    if (!Destroy())
        return false;
    const int32_t frameCount = m_info.frameCount;
    std::memcpy(&m_head, &src.m_head, sizeof(m_head));
    std::memcpy(&m_info, &src.m_info, sizeof(m_info));
    m_dib = src.m_dib;
    m_selection = src.m_selection;
    m_alpha = src.m_alpha;
    m_layers = src.m_layers;
    m_exif = std::move(src.m_exif);
    m_info.ghost = nullptr;
    for (int32_t i = 0; m_layers && i < m_info.layerCount; ++i)
        m_layers[i]->m_info.parent = this;
    if (transferFrames) {
        DestroyFrames();
        m_frames = src.m_frames;
        m_info.frameCount = src.m_frames ? src.m_info.frameCount : 0;
        src.m_frames = nullptr;
        if (!m_frames)
            m_info.frameCount = src.m_info.frameCount; // a decoder may report frames without storing them
    } else {
        m_info.frameCount = m_frames ? frameCount : src.m_info.frameCount;
    }
    std::memset(&src.m_head, 0, sizeof(src.m_head));
    std::memset(&src.m_info, 0, sizeof(src.m_info));
    src.m_dib = nullptr;
    src.m_selection = nullptr;
    src.m_alpha = nullptr;
    src.m_layers = nullptr;
    src.m_exif.clear();
    return true;
}

void CxImage::CopyAttributes(const CxImage& src)
{
    if (m_dib || &src == this)
        return;
    const int32_t frameCount = m_info.frameCount;
    const int32_t layerCount = m_info.layerCount;
    CxImage* ghost = m_info.ghost;
    std::memcpy(&m_info, &src.m_info, sizeof(m_info));
    // Pointers and list lengths describe the source's buffers, not ours.
    m_info.pixels = nullptr;
    m_info.ghost = ghost;
    m_info.parent = nullptr;
    m_info.frameCount = frameCount;
    m_info.layerCount = layerCount;
}

CxImage* CxImage::GetFrame(int32_t index) const
{
    if (!m_frames || m_info.frameCount <= 0)
        return nullptr;
    if (index < 0)
        index = m_info.frameCount - 1;
    if (index >= m_info.frameCount)
        return nullptr;
    return m_frames[index];
}

CxImage* CxImage::GetLayer(int32_t index) const
{
    if (!m_layers || index < 0 || index >= m_info.layerCount)
        return nullptr;
    return m_layers[index];
}

bool CxImage::SetType(uint32_t type)
{
    if (type >= 1 && type <= 19 && type != CXIMAGE_FORMAT_UNSUPPORTED) {
        m_info.type = type;
        return true;
    }
    m_info.type = 0;
    return false;
}

static int32_t dpiToPpm(int32_t dpi)
{
    return int32_t(double(dpi) * 10000.0 / 254.0 + 0.5);
}

void CxImage::SetXDPI(int32_t dpi)
{
    if (dpi <= 0)
        dpi = 96;
    m_info.xDpi = dpi;
    m_head.biXPelsPerMeter = dpiToPpm(dpi);
    if (m_dib)
        reinterpret_cast<BITMAPINFOHEADER*>(m_dib)->biXPelsPerMeter = m_head.biXPelsPerMeter;
}

void CxImage::SetYDPI(int32_t dpi)
{
    if (dpi <= 0)
        dpi = 96;
    m_info.yDpi = dpi;
    m_head.biYPelsPerMeter = dpiToPpm(dpi);
    if (m_dib)
        reinterpret_cast<BITMAPINFOHEADER*>(m_dib)->biYPelsPerMeter = m_head.biYPelsPerMeter;
}

uint32_t CxImage::GetCodecOption(uint32_t imageType) const
{
    int index = CxFormatIndex(imageType);
    if (index == 0)
        index = CxFormatIndex(m_info.type);
    return m_info.codecOptions[index];
}

bool CxImage::SetCodecOption(uint32_t opt, uint32_t imageType)
{
    int index = CxFormatIndex(imageType);
    if (index == 0)
        index = CxFormatIndex(m_info.type);
    m_info.codecOptions[index] = opt;
    return true;
}
