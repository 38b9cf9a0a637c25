// CxImageJPG: libjpeg glue. Errors leave libjpeg through longjmp into the calling function,
// so no object with a destructor may live in the frames between setjmp and libjpeg calls.
#include "imaging/formats/cximage_jpg.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>
#include <libexif/exif-data.h>

namespace {

constexpr size_t kChunk = 65536;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool corrupt; ///< libjpeg warned about damaged data and went on
};

void errorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (!err->corrupt)
        (*cinfo->err->format_message)(cinfo, err->message);
    err->corrupt = true;
    cinfo->err->num_warnings++;
}

void setupErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.message[0] = 0;
    err.corrupt = false;
}

// Hostile progressive files can hold thousands of tiny scans; refuse them instead of spinning.
void progressMonitor(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > 500)
            ERREXIT(cinfo, JERR_NOT_COMPILED); // reported as a damaged file below
    }
}

struct SourceManager {
    jpeg_source_mgr pub;
    CxFile* file;
    JOCTET buffer[kChunk];
    bool started;
    JSAMPROW* rows;
    JSAMPLE* cmykRow;
};

void initSource(j_decompress_ptr) { }

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    size_t n = src->file->Read(src->buffer, 1, kChunk);
    if (n == 0) {
        if (!src->started)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // A fake end-of-image marker lets libjpeg finish what it has.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    src->started = true;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    if (count <= 0)
        return;
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) { }

void attachSource(j_decompress_ptr cinfo, SourceManager* src, CxFile* file)
{
    src->file = file;
    src->started = false;
    src->pub.init_source = initSource;
    src->pub.fill_input_buffer = fillInputBuffer;
    src->pub.skip_input_data = skipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = termSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo->src = &src->pub;
}

struct DestinationManager {
    jpeg_destination_mgr pub;
    CxFile* file;
    JOCTET buffer[kChunk];
};

void initDestination(j_compress_ptr cinfo)
{
    auto* dst = reinterpret_cast<DestinationManager*>(cinfo->dest);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kChunk;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dst = reinterpret_cast<DestinationManager*>(cinfo->dest);
    if (dst->file->Write(dst->buffer, 1, kChunk) != kChunk)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kChunk;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto* dst = reinterpret_cast<DestinationManager*>(cinfo->dest);
    const size_t n = kChunk - dst->pub.free_in_buffer;
    if (n && dst->file->Write(dst->buffer, 1, n) != n)
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

/// Resolution from an EXIF APP1 block; false when the block has none that is usable.
bool parseExif(const uint8_t* data, size_t size, CxImageJPG::CxExifInfo& info)
{
    info = CxImageJPG::CxExifInfo {};
    ExifData* ed = exif_data_new_from_data(data, unsigned(size));
    if (!ed)
        return false;
    const ExifByteOrder order = exif_data_get_byte_order(ed);
    auto rational = [&](ExifTag tag, double& out) {
        ExifEntry* e = exif_content_get_entry(ed->ifd[EXIF_IFD_0], tag);
        if (!e || e->format != EXIF_FORMAT_RATIONAL || e->components < 1 || e->size < 8)
            return false;
        const ExifRational r = exif_get_rational(e->data, order);
        if (r.denominator == 0)
            return false;
        out = double(r.numerator) / double(r.denominator);
        return true;
    };
    info.isExif = true;
    const bool hasX = rational(EXIF_TAG_X_RESOLUTION, info.xResolution);
    const bool hasY = rational(EXIF_TAG_Y_RESOLUTION, info.yResolution);
    if (ExifEntry* e = exif_content_get_entry(ed->ifd[EXIF_IFD_0], EXIF_TAG_RESOLUTION_UNIT)) {
        if (e->format == EXIF_FORMAT_SHORT && e->size >= 2)
            info.resolutionUnit = exif_get_short(e->data, order);
    }
    exif_data_unref(ed);
    return hasX && hasY;
}

int exifDpi(double value, int unit)
{
    const double dpi = unit == 3 ? value * 2.54 : value;
    if (!(dpi > 0) || dpi > 1e6)
        return 0;
    return int(dpi + 0.5);
}

} // namespace

bool CxImageJPG::DecodeExif(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    m_exifInfo = CxExifInfo {};
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    auto* src = new SourceManager;
    cinfo.err = &err.pub;
    setupErrors(err);
    bool found = false;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete src;
        SetLastError("%s", err.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    attachSource(&cinfo, src, file);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            parseExif(m->data, m->data_length, m_exifInfo);
            found = true;
            break;
        }
    }
    jpeg_destroy_decompress(&cinfo);
    delete src;
    if (!found)
        SetLastError("No EXIF block");
    return found;
}

bool CxImageJPG::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    // Everything that must survive a longjmp lives on the heap or in plain locals set before setjmp.
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    // Buffers allocated after setjmp are reached through src, whose own value never changes.
    auto* src = new SourceManager;
    src->rows = nullptr;
    src->cmykRow = nullptr;
    cinfo.err = &err.pub;
    setupErrors(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete[] src->rows;
        delete[] src->cmykRow;
        delete src;
        Destroy();
        SetLastError("%s", err.message[0] ? err.message : "JPEG decoding failed");
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    progress.progress_monitor = progressMonitor;
    cinfo.progress = &progress;
    attachSource(&cinfo, src, file);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);

    const uint8_t scale = m_info.jpegScale;
    if (scale > 1) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = scale;
    }
    const uint32_t options = GetCodecOption(CXIMAGE_FORMAT_JPG);
    const bool gray = cinfo.num_components == 1 || (cinfo.num_components == 3 && (options & DECODE_GRAYSCALE));
    const bool cmyk = cinfo.num_components == 4;
    const bool quantize = !gray && !cmyk && (options & DECODE_QUANTIZE);
    if (gray)
        cinfo.out_color_space = JCS_GRAYSCALE;
    else if (cmyk)
        cinfo.out_color_space = JCS_CMYK;
    else if (cinfo.num_components == 3)
        cinfo.out_color_space = quantize ? JCS_RGB : JCS_EXT_BGR; // BGR: straight into the container's order
    else
        ERREXIT(&cinfo, JERR_BAD_J_COLORSPACE);
    if (quantize) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 256;
        cinfo.dither_mode = (options & DECODE_DITHER) ? JDITHER_FS : JDITHER_NONE;
    }
    jpeg_calc_output_dimensions(&cinfo);

    if (m_info.escape == -1) {
        // Header only: "output dimensions returned".
        m_head.biWidth = int32_t(cinfo.output_width);
        m_head.biHeight = int32_t(cinfo.output_height);
        m_head.biBitCount = gray ? 8 : 24;
        m_info.type = CXIMAGE_FORMAT_JPG;
        jpeg_destroy_decompress(&cinfo);
        delete src;
        return true;
    }
    if (m_info.escape) {
        std::snprintf(err.message, sizeof(err.message), "Cancelled");
        longjmp(err.jump, 1);
    }

    if (!Create(cinfo.output_width, cinfo.output_height, (gray || quantize) ? 8 : 24, CXIMAGE_FORMAT_JPG)) {
        std::snprintf(err.message, sizeof(err.message), "%.199s", GetLastError());
        longjmp(err.jump, 1);
    }
    if (gray)
        SetGrayPalette();

    // Resolution: EXIF when present and usable, else the JFIF density.
    m_exif.clear();
    m_exifInfo = CxExifInfo {};
    bool exifDensity = false;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            m_exif.assign(m->data, m->data + m->data_length);
            if (parseExif(m->data, m->data_length, m_exifInfo)) {
                const int x = exifDpi(m_exifInfo.xResolution, m_exifInfo.resolutionUnit);
                const int y = exifDpi(m_exifInfo.yResolution, m_exifInfo.resolutionUnit);
                if (x > 0 && y > 0) {
                    SetXDPI(x);
                    SetYDPI(y);
                    exifDensity = true;
                }
            }
            break;
        }
    }
    if (!exifDensity && cinfo.saw_JFIF_marker) {
        switch (cinfo.density_unit) {
        case 1:
            SetXDPI(cinfo.X_density);
            SetYDPI(cinfo.Y_density);
            break;
        case 2:
            SetXDPI(int32_t(std::lround(cinfo.X_density * 2.54)));
            SetYDPI(int32_t(std::lround(cinfo.Y_density * 2.54)));
            break;
        case 0:
            if (cinfo.X_density && cinfo.Y_density)
                SetYDPI(int32_t(GetXDPI() * (double(cinfo.Y_density) / cinfo.X_density)));
            break;
        default:
            break;
        }
    }

    jpeg_start_decompress(&cinfo);
    if (quantize && cinfo.colormap) {
        for (int i = 0; i < cinfo.actual_number_of_colors && i < 256; ++i)
            SetPaletteColor(uint32_t(i), cinfo.colormap[0][i], cinfo.colormap[1][i], cinfo.colormap[2][i]);
    }
    const uint32_t w = cinfo.output_width;
    const uint32_t h = cinfo.output_height;
    if (cmyk) {
        src->cmykRow = new JSAMPLE[size_t(w) * 4];
        JSAMPLE* cmykRow = src->cmykRow;
        while (cinfo.output_scanline < h) {
            JSAMPROW r = cmykRow;
            jpeg_read_scanlines(&cinfo, &r, 1);
            uint8_t* d = GetBits(h - cinfo.output_scanline);
            const uint8_t* s = cmykRow;
            for (uint32_t x = 0; x < w; ++x, s += 4, d += 3) {
                const unsigned k = s[3];
                d[0] = uint8_t(s[2] * k / 255);
                d[1] = uint8_t(s[1] * k / 255);
                d[2] = uint8_t(s[0] * k / 255);
            }
            if (m_info.escape) {
                std::snprintf(err.message, sizeof(err.message), "Cancelled");
                longjmp(err.jump, 1);
            }
        }
    } else {
        // Rows are handed to libjpeg bottom-up so the decoder writes the final layout directly.
        const int batch = std::max(1, cinfo.rec_outbuf_height);
        src->rows = new JSAMPROW[size_t(batch)];
        JSAMPROW* rows = src->rows;
        while (cinfo.output_scanline < h) {
            const uint32_t first = cinfo.output_scanline;
            const uint32_t n = std::min<uint32_t>(uint32_t(batch), h - first);
            for (uint32_t i = 0; i < n; ++i)
                rows[i] = m_info.pixels + size_t(h - 1 - (first + i)) * m_info.rowStride;
            jpeg_read_scanlines(&cinfo, rows, n);
            if (m_info.escape) {
                std::snprintf(err.message, sizeof(err.message), "Cancelled");
                longjmp(err.jump, 1);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    if (err.corrupt)
        longjmp(err.jump, 1); // a damaged or truncated file is an error, not a grey picture
    jpeg_destroy_decompress(&cinfo);
    delete[] src->rows;
    delete[] src->cmykRow;
    delete src;
    return true;
}

bool CxImageJPG::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    const bool gray = GetBpp() == 8 && IsGrayScale();
    if (!gray && GetBpp() != 24) {
        SetLastError("JPEG can save only RGB or GreyScale images");
        return false;
    }
    jpeg_compress_struct cinfo;
    ErrorManager err;
    auto* dst = new DestinationManager;
    cinfo.err = &err.pub;
    setupErrors(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        delete dst;
        SetLastError("%s", err.message[0] ? err.message : "JPEG encoding failed");
        return false;
    }
    jpeg_create_compress(&cinfo);
    dst->file = file;
    dst->pub.init_destination = initDestination;
    dst->pub.empty_output_buffer = emptyOutputBuffer;
    dst->pub.term_destination = termDestination;
    cinfo.dest = &dst->pub;

    const uint32_t w = GetWidth();
    const uint32_t h = GetHeight();
    if (w > JPEG_MAX_DIMENSION || h > JPEG_MAX_DIMENSION)
        ERREXIT1(&cinfo, JERR_IMAGE_TOO_BIG, JPEG_MAX_DIMENSION);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = gray ? 1 : 3;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    const uint32_t options = GetCodecOption(CXIMAGE_FORMAT_JPG);
    jpeg_set_quality(&cinfo, std::clamp<int>(GetJpegQuality(), 0, 100), (options & ENCODE_BASELINE) ? TRUE : FALSE);
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = 2;
    if (options & ENCODE_SUBSAMPLE_422)
        cinfo.comp_info[0].v_samp_factor = 1;
    if (options & ENCODE_SUBSAMPLE_444)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (options & ENCODE_OPTIMIZE)
        cinfo.optimize_coding = TRUE;
    if (options & ENCODE_SMOOTHING)
        cinfo.smoothing_factor = 50;
    if (options & ENCODE_PROGRESSIVE)
        jpeg_simple_progression(&cinfo);
    for (int i = 1; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    if (gray) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    cinfo.density_unit = 1;
    cinfo.X_density = uint16_t(std::clamp(GetXDPI(), 1, 65535));
    cinfo.Y_density = uint16_t(std::clamp(GetYDPI(), 1, 65535));
    jpeg_start_compress(&cinfo, TRUE);
    if (!m_exif.empty() && m_exif.size() <= 65533)
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, m_exif.data(), unsigned(m_exif.size()));
    JSAMPROW rows[16];
    while (cinfo.next_scanline < h) {
        const uint32_t first = cinfo.next_scanline;
        const uint32_t n = std::min<uint32_t>(16, h - first);
        for (uint32_t i = 0; i < n; ++i)
            rows[i] = m_info.pixels + size_t(h - 1 - (first + i)) * m_info.rowStride;
        jpeg_write_scanlines(&cinfo, rows, n);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    delete dst;
    return true;
}
