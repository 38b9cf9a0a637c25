// CxImageWMF: libwmf glue, drawing through its gd device into a true-colour gd image whose
// pixels are copied out. Every libwmf message is kept off the console.
#include "imaging/formats/cximage_wmf.h"

#include "imaging/cximage_p.h"
#include "imaging/formats/cximage_codec_p.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <libwmf/api.h>
#include <libwmf/gd.h>

using namespace cxcodec;
using cximage_p::le32;

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
// Rendering resolution: the picture gets the size the file asks for on a 96 dpi screen.
constexpr double kDpi = 96.0;

enum class Kind { None, Wmf, Emf };

Kind recognise(const std::vector<uint8_t>& d)
{
    if (d.size() >= 22 && le32(d.data()) == kPlaceableKey)
        return Kind::Wmf;
    if (d.size() >= 18) {
        const uint16_t type = uint16_t(d[0] | (d[1] << 8));
        const uint16_t headerWords = uint16_t(d[2] | (d[3] << 8));
        const uint16_t version = uint16_t(d[4] | (d[5] << 8));
        if ((type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300))
            return Kind::Wmf;
    }
    if (d.size() >= 44 && le32(d.data()) == 1 && le32(d.data() + 40) == kEmfSignature)
        return Kind::Emf;
    return Kind::None;
}

/// The leading fields of the gd image libwmf draws into (its bundled gd 2.0, <libwmf/gd/gd.h>,
/// which cannot be included without gd's private include folder).
struct GdImageHead {
    unsigned char** pixels;
    int sx;
    int sy;
    int colorsTotal;
    int red[256];
    int green[256];
    int blue[256];
    int open[256];
    int transparent;
    int* polyInts;
    int polyAllocated;
    GdImageHead* brush;
    GdImageHead* tile;
    int brushColorMap[256];
    int tileColorMap[256];
    int styleLength;
    int stylePos;
    int* style;
    int interlace;
    int thick;
    int alpha[256];
    int trueColor;
    int** tpixels;
};

/// libwmf hands the gd image to its caller and does not export gd's destructor; this frees
/// what its true-colour image allocates (struct, pixel block, row table) with the C allocator
/// gd used.
void releaseGdImage(void* image)
{
    auto* im = static_cast<GdImageHead*>(image);
    if (!im)
        return;
    if (im->tpixels) {
        std::free(wmf_gd_image_pixels(im));
        std::free(im->tpixels);
    }
    std::free(im->polyInts);
    std::free(im->style);
    std::free(im);
}

// libwmf sizes some tables from the file before checking them; larger requests fail cleanly.
constexpr size_t kMaxBlock = 64u * 1024 * 1024;

void* boundedMalloc(void*, size_t n)
{
    return n <= kMaxBlock ? std::malloc(n) : nullptr;
}

void* boundedRealloc(void*, void* p, size_t n)
{
    return n <= kMaxBlock ? std::realloc(p, n) : nullptr;
}

void plainFree(void*, void* p)
{
    std::free(p);
}

} // namespace

bool CxImageWMF::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    std::vector<uint8_t> data;
    if (!readRest(file, data)) {
        SetLastError("Not a WMF");
        return false;
    }
    switch (recognise(data)) {
    case Kind::None:
        SetLastError("Not a WMF");
        return false;
    case Kind::Emf:
        SetLastError("EMF files are not supported");
        return false;
    case Kind::Wmf:
        break;
    }

    wmfAPI_Options options;
    std::memset(&options, 0, sizeof(options));
    options.function = wmf_gd_function;
    options.malloc = boundedMalloc;
    options.realloc = boundedRealloc;
    options.free = plainFree;
    const unsigned long flags
        = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmfAPI* api = nullptr;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None || !api) {
        if (api)
            wmf_api_destroy(api);
        SetLastError("WMF renderer could not start");
        return false;
    }
    struct Destroyer {
        wmfAPI* a;
        ~Destroyer() { wmf_api_destroy(a); }
    } destroyer { api };

    wmfD_Rect bbox;
    unsigned int w = 0, h = 0;
    if (wmf_mem_open(api, data.data(), long(data.size())) != wmf_E_None || wmf_scan(api, 0, &bbox) != wmf_E_None
        || wmf_display_size(api, &w, &h, kDpi, kDpi) != wmf_E_None) {
        SetLastError("WMF file is damaged");
        return false;
    }
    if (!fitsMemory(w, h, 32) || w > 32768 || h > 32768) {
        SetLastError("WMF image size is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = CXIMAGE_FORMAT_WMF;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    // The scanned box holds only what is drawn; the whole page is wanted. libwmf's device
    // units are points.
    bbox.TL.x = 0;
    bbox.TL.y = 0;
    bbox.BR.x = float(w * 72.0 / kDpi);
    bbox.BR.y = float(h * 72.0 / kDpi);
    wmf_gd_t* gd = WMF_GD_GetData(api);
    gd->type = wmf_gd_image;
    gd->width = w;
    gd->height = h;
    gd->bbox = bbox;
    const wmf_error_t played = wmf_play(api, 0, &bbox);
    struct ImageReleaser {
        wmf_gd_t* gd;
        ~ImageReleaser() { releaseGdImage(gd->gd_image); }
    } releaser { gd };
    if (played != wmf_E_None || !gd->gd_image) {
        SetLastError("WMF file is damaged");
        return false;
    }
    const int* px = wmf_gd_image_pixels(gd->gd_image);
    if (!px) {
        SetLastError("WMF renderer gave no picture");
        return false;
    }
    if (!Create(w, h, 24, CXIMAGE_FORMAT_WMF))
        return false;
    for (uint32_t r = 0; r < h; ++r) {
        uint8_t* d = GetBits(h - 1 - r);
        const int* s = px + size_t(r) * w;
        for (uint32_t x = 0; x < w; ++x, d += 3) {
            // gd true colour: 7-bit alpha (127 = transparent) above red, green, blue.
            const uint32_t c = uint32_t(s[x]);
            const uint32_t a = 127 - ((c >> 24) & 0x7F);
            const uint32_t red = (c >> 16) & 0xFF, green = (c >> 8) & 0xFF, blue = c & 0xFF;
            d[2] = uint8_t((red * a + 255 * (127 - a)) / 127);
            d[1] = uint8_t((green * a + 255 * (127 - a)) / 127);
            d[0] = uint8_t((blue * a + 255 * (127 - a)) / 127);
        }
    }
    SetXDPI(int32_t(kDpi));
    SetYDPI(int32_t(kDpi));
    return true;
}

bool CxImageWMF::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    SetLastError("Save WMF not supported");
    return false;
}
