// CxImageRAW: LibRaw glue. The file is handed to LibRaw from memory; its own allocation limit
// and our pixel limit bound what a hostile header can ask for.
#include "imaging/formats/cximage_raw.h"

#include "imaging/formats/cximage_codec_p.h"

#include <cstring>
#include <vector>

#include <libraw/libraw.h>

using namespace cxcodec;

bool CxImageRAW::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    std::vector<uint8_t> data;
    if (!readRest(file, data) || data.size() < 16) {
        SetLastError("Not a camera raw file");
        return false;
    }
    libraw_data_t* raw = libraw_init(LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    if (!raw) {
        SetLastError("can't allocate memory");
        return false;
    }
    struct Closer {
        libraw_data_t* r;
        ~Closer() { libraw_close(r); }
    } closer { raw };

    int rc = libraw_open_buffer(raw, data.data(), data.size());
    if (rc != LIBRAW_SUCCESS) {
        SetLastError("%s", rc == LIBRAW_FILE_UNSUPPORTED ? "Not a camera raw file" : libraw_strerror(rc));
        return false;
    }
    uint32_t w = raw->sizes.width, h = raw->sizes.height;
    if (raw->sizes.flip & 4)
        std::swap(w, h);
    if (!fitsMemory(w, h, 24) || !fitsMemory(raw->sizes.raw_width, raw->sizes.raw_height, 16)) {
        SetLastError("Camera raw image size is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = CXIMAGE_FORMAT_RAW;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    raw->params.use_camera_wb = 1;
    raw->params.output_bps = 8;
    if ((rc = libraw_unpack(raw)) != LIBRAW_SUCCESS || (m_info.escape && (rc = LIBRAW_CANCELLED_BY_CALLBACK))
        || (rc = libraw_dcraw_process(raw)) != LIBRAW_SUCCESS) {
        SetLastError("%s", rc == LIBRAW_CANCELLED_BY_CALLBACK ? "Cancelled" : libraw_strerror(rc));
        return false;
    }
    libraw_processed_image_t* out = libraw_dcraw_make_mem_image(raw, &rc);
    if (!out) {
        SetLastError("%s", libraw_strerror(rc));
        return false;
    }
    struct Freer {
        libraw_processed_image_t* p;
        ~Freer() { libraw_dcraw_clear_mem(p); }
    } freer { out };
    const uint32_t ow = out->width, oh = out->height, colours = out->colors;
    if (out->type != LIBRAW_IMAGE_BITMAP || out->bits != 8 || (colours != 1 && colours != 3)
        || uint64_t(ow) * oh * colours > out->data_size || !fitsMemory(ow, oh, 24)) {
        SetLastError("Camera raw output is not supported");
        return false;
    }
    if (!Create(ow, oh, 24, CXIMAGE_FORMAT_RAW))
        return false;
    for (uint32_t r = 0; r < oh; ++r) {
        const uint8_t* s = out->data + size_t(r) * ow * colours;
        uint8_t* d = GetBits(oh - 1 - r);
        for (uint32_t x = 0; x < ow; ++x, s += colours, d += 3) {
            d[0] = s[colours == 3 ? 2 : 0];
            d[1] = s[colours == 3 ? 1 : 0];
            d[2] = s[0];
        }
    }
    return true;
}

bool CxImageRAW::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    SetLastError("Save RAW not supported");
    return false;
}
