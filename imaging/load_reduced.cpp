// Loading pictures at a reduced JPEG scale, with a readable refusal for oversized ones.
#include "imaging/load_reduced.h"

#include <cstdio>
#include <cstring>

#include "imaging/cximage.h"

namespace {

uint32_t formatOf(const char* path)
{
    const char* dot = std::strrchr(path, '.');
    const char* slash = std::strrchr(path, '/');
    if (!dot || (slash && dot < slash))
        return CXIMAGE_FORMAT_UNKNOWN;
    return CxImage::FormatFromExtension(dot + 1);
}

bool fits(uint64_t w, uint64_t h)
{
    return w * h * 3 <= CXIMAGE_MAX_MEMORY;
}

std::string tooLargeSentence(uint32_t w, uint32_t h)
{
    char text[200];
    std::snprintf(text, sizeof(text),
        "The picture is %u x %u pixels (%.0f megapixels); pictures up to %.0f megapixels can be opened.", unsigned(w),
        unsigned(h), double(w) * h / 1e6, double(CXIMAGE_MAX_MEMORY) / 3 / 1e6);
    return text;
}

} // namespace

bool LoadReduced(const char* path, uint32_t wantWidth, uint32_t wantHeight, CxImage& out, std::string* error)
{
    uint32_t format = formatOf(path);
    // The header alone: size and true format, nothing allocated for the pixels.
    CxImage header;
    header.SetEscape(-1);
    uint32_t w = 0, h = 0;
    if (header.Load(path, format) || (format != CXIMAGE_FORMAT_UNKNOWN && header.Load(path, CXIMAGE_FORMAT_UNKNOWN))) {
        w = header.GetWidth();
        h = header.GetHeight();
        format = header.GetType();
    }
    CxImage image;
    uint8_t denom = 1;
    if (format == CXIMAGE_FORMAT_JPG && w && h) {
        denom = 8;
        while (denom > 1 && (w / denom < wantWidth || h / denom < wantHeight || !wantWidth || !wantHeight))
            denom /= 2;
        // Whatever is wanted, a picture that only fits smaller is opened smaller.
        while (denom < 8 && !fits((w + denom - 1) / denom, (h + denom - 1) / denom))
            denom *= 2;
        image.SetJpegScale(denom);
    }
    if (w && h && !fits((w + denom - 1) / denom, (h + denom - 1) / denom)) {
        if (error)
            *error = tooLargeSentence(w, h);
        return false;
    }
    if (!image.Load(path, format) || !image.IsValid()) {
        if (error) {
            const char* why = image.GetLastError();
            if (!std::strcmp(why, "CXIMAGE_MAX_MEMORY exceeded") && w && h)
                *error = tooLargeSentence(w, h);
            else
                *error = why[0] ? why : "The file could not be opened.";
        }
        return false;
    }
    out.TakeOver(image);
    return true;
}
