// CxImageJAS, JPEG 2000 part: JP2 files and bare code streams on OpenJPEG. Decoding runs from
// memory so that sizes can be checked against the data before OpenJPEG allocates.
#include "imaging/formats/cximage_jas.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <openjpeg.h>

using namespace cxcodec;

namespace {

struct MemStream {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

OPJ_SIZE_T memRead(void* buf, OPJ_SIZE_T n, void* user)
{
    auto* m = static_cast<MemStream*>(user);
    if (m->pos >= m->size)
        return OPJ_SIZE_T(-1);
    const size_t take = std::min<size_t>(n, m->size - m->pos);
    std::memcpy(buf, m->data + m->pos, take);
    m->pos += take;
    return take;
}

OPJ_OFF_T memSkip(OPJ_OFF_T n, void* user)
{
    auto* m = static_cast<MemStream*>(user);
    const int64_t target = std::clamp<int64_t>(int64_t(m->pos) + n, 0, int64_t(m->size));
    const OPJ_OFF_T moved = OPJ_OFF_T(target - int64_t(m->pos));
    m->pos = size_t(target);
    return moved;
}

OPJ_BOOL memSeek(OPJ_OFF_T n, void* user)
{
    auto* m = static_cast<MemStream*>(user);
    if (n < 0 || uint64_t(n) > m->size)
        return OPJ_FALSE;
    m->pos = size_t(n);
    return OPJ_TRUE;
}

/// Output stream: offsets OpenJPEG seeks to count from where the encoder started.
struct OutStream {
    CxFile* file;
    int64_t base;
};

OPJ_SIZE_T fileWrite(void* buf, OPJ_SIZE_T n, void* user)
{
    auto* o = static_cast<OutStream*>(user);
    const size_t written = o->file->Write(buf, 1, n);
    return written == n ? written : OPJ_SIZE_T(-1);
}

OPJ_OFF_T fileSkip(OPJ_OFF_T n, void* user)
{
    auto* o = static_cast<OutStream*>(user);
    return o->file->Seek(n, 1) ? n : -1;
}

OPJ_BOOL fileSeek(OPJ_OFF_T n, void* user)
{
    auto* o = static_cast<OutStream*>(user);
    return o->file->Seek(o->base + n, 0) ? OPJ_TRUE : OPJ_FALSE;
}

void keepMessage(const char* msg, void* user)
{
    auto* text = static_cast<char*>(user);
    if (!text[0]) {
        std::snprintf(text, 256, "%s", msg);
        // OpenJPEG ends its messages with a line feed.
        const size_t n = std::strlen(text);
        if (n && text[n - 1] == '\n')
            text[n - 1] = 0;
    }
}

void ignoreMessage(const char*, void*) { }

// OpenJPEG keeps every sample of every component as a 32-bit integer while decoding.
constexpr uint64_t kMaxSamples = 64ull * 1024 * 1024;
constexpr uint64_t kMaxSamplesPerByte = 4096;
constexpr uint64_t kFreeSamples = 4ull * 1024 * 1024;
// Every tile has at least one tile part: a start-of-tile segment (12 bytes) and start-of-data (2).
constexpr uint64_t kMinBytesPerTile = 14;

uint32_t be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

/// Offset of the code stream: 0 for a bare one, else the content of the first top-level "jp2c"
/// box. -1 when it cannot be found.
int64_t codeStreamOffset(const std::vector<uint8_t>& data, bool jp2)
{
    if (!jp2)
        return 0;
    uint64_t at = 0;
    while (at + 8 <= data.size()) {
        uint64_t length = be32(&data[at]);
        uint64_t header = 8;
        if (length == 1) {
            if (at + 16 > data.size())
                return -1;
            length = uint64_t(be32(&data[at + 8])) << 32 | be32(&data[at + 12]);
            header = 16;
        } else if (length == 0) {
            length = data.size() - at;
        }
        if (std::memcmp(&data[at + 4], "jp2c", 4) == 0)
            return int64_t(at + header);
        if (length < header || length > data.size() - at)
            return -1;
        at += length;
    }
    return -1;
}

/// Checks the picture and tile sizes of the code stream's size segment against the stream's own
/// size before OpenJPEG reads the header: it allocates the coding parameters of every declared
/// tile and component there, which a header of a few hundred bytes can make a gigabyte. A stream
/// whose size segment is not found is left to OpenJPEG, which refuses it.
bool plausibleSizeSegment(const std::vector<uint8_t>& data, bool jp2, const char** why)
{
    const int64_t start = codeStreamOffset(data, jp2);
    if (start < 0 || uint64_t(start) + 42 > data.size())
        return true;
    const uint8_t* p = &data[size_t(start)];
    if (p[0] != 0xFF || p[1] != 0x4F || p[2] != 0xFF || p[3] != 0x51)
        return true;
    const uint64_t x1 = be32(p + 8), y1 = be32(p + 12), x0 = be32(p + 16), y0 = be32(p + 20);
    const uint64_t tw = be32(p + 24), th = be32(p + 28), tx0 = be32(p + 32), ty0 = be32(p + 36);
    const uint64_t comps = uint64_t(p[40]) << 8 | p[41];
    if (x1 <= x0 || y1 <= y0 || tw == 0 || th == 0 || tx0 > x0 || ty0 > y0 || comps == 0 || comps > 4) {
        *why = "JPEG 2000 image size is invalid";
        return false;
    }
    const uint64_t samples = (x1 - x0) * (y1 - y0) * comps;
    const uint64_t plausible = std::max<uint64_t>(uint64_t(data.size()) * kMaxSamplesPerByte, kFreeSamples);
    if (samples > kMaxSamples || samples > plausible) {
        *why = "JPEG 2000 image size is invalid";
        return false;
    }
    const uint64_t maxTiles = data.size() / kMinBytesPerTile;
    const uint64_t across = (x1 - tx0 + tw - 1) / tw, down = (y1 - ty0 + th - 1) / th;
    if (across > maxTiles || down > maxTiles || across * down > maxTiles) {
        *why = "JPEG 2000 tile count is invalid";
        return false;
    }
    return true;
}

} // namespace

bool CxImageJAS::decodeJpeg2000(CxFile* file, bool jp2)
{
    std::vector<uint8_t> data;
    if (!readRest(file, data)) {
        SetLastError("JPEG 2000 file too large");
        return false;
    }
    const char* why = nullptr;
    if (!plausibleSizeSegment(data, jp2, &why)) {
        SetLastError("%s", why);
        return false;
    }
    MemStream mem { data.data(), data.size(), 0 };
    char message[256] = {};
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    opj_codec_t* codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_image_t* image = nullptr;
    struct Cleanup {
        opj_stream_t*& s;
        opj_codec_t*& c;
        opj_image_t*& i;
        ~Cleanup()
        {
            if (i)
                opj_image_destroy(i);
            if (c)
                opj_destroy_codec(c);
            if (s)
                opj_stream_destroy(s);
        }
    } cleanup { stream, codec, image };
    if (!stream || !codec) {
        SetLastError("can't allocate memory");
        return false;
    }
    opj_stream_set_user_data(stream, &mem, nullptr);
    opj_stream_set_user_data_length(stream, data.size());
    opj_stream_set_read_function(stream, memRead);
    opj_stream_set_skip_function(stream, memSkip);
    opj_stream_set_seek_function(stream, memSeek);
    opj_set_error_handler(codec, keepMessage, message);
    opj_set_warning_handler(codec, ignoreMessage, nullptr);
    opj_set_info_handler(codec, ignoreMessage, nullptr);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    if (!opj_setup_decoder(codec, &params) || !opj_read_header(stream, codec, &image) || !image) {
        SetLastError("%s", message[0] ? message : "JPEG 2000 header is damaged");
        return false;
    }
    const uint32_t type = jp2 ? CXIMAGE_FORMAT_JP2 : CXIMAGE_FORMAT_JPC;
    const uint64_t w = image->x1 > image->x0 ? image->x1 - image->x0 : 0;
    const uint64_t h = image->y1 > image->y0 ? image->y1 - image->y0 : 0;
    const uint32_t comps = image->numcomps;
    // Flat pictures compress extremely well, but no code stream holds more than a few thousand
    // samples per byte; a header claiming more is not decoded.
    const uint64_t plausible = std::max<uint64_t>(uint64_t(data.size()) * kMaxSamplesPerByte, kFreeSamples);
    if (!fitsMemory(w, h, 24) || comps == 0 || comps > 4 || w * h * comps > kMaxSamples || w * h * comps > plausible) {
        SetLastError("JPEG 2000 image size is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(w);
        m_head.biHeight = int32_t(h);
        m_info.type = type;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    if (!opj_decode(codec, stream, image) || !opj_end_decompress(codec, stream)) {
        SetLastError("%s", message[0] ? message : "JPEG 2000 data is damaged");
        return false;
    }
    for (uint32_t c = 0; c < comps; ++c) {
        const opj_image_comp_t& comp = image->comps[c];
        if (!comp.data || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0 || comp.prec == 0
            || comp.prec > 31) {
            SetLastError("JPEG 2000 component is invalid");
            return false;
        }
    }
    const bool colour = comps >= 3;
    const bool alpha = comps == 2 || comps == 4;
    if (!Create(uint32_t(w), uint32_t(h), colour ? 24 : 8, type))
        return false;
    if (!colour)
        SetGrayPalette();
    if (alpha && !AlphaCreate()) {
        SetLastError("can't allocate memory");
        return false;
    }
    // Each wanted component is brought to 8 bits one row at a time; subsampled components
    // repeat their samples.
    const uint32_t channels = colour ? 3 : 1;
    const uint32_t order[4] = { 0, 1, 2, comps - 1 };
    std::vector<uint8_t> row(static_cast<size_t>(w));
    for (uint32_t k = 0; k < channels + (alpha ? 1 : 0); ++k) {
        const opj_image_comp_t& comp = image->comps[order[k]];
        const int64_t offset = comp.sgnd ? (int64_t(1) << (comp.prec - 1)) : 0;
        const int64_t max = (int64_t(1) << comp.prec) - 1;
        const bool plain = comp.dx == 1 && comp.w >= w;
        for (uint64_t r = 0; r < h; ++r) {
            const uint64_t cy = std::min<uint64_t>(r / comp.dy, comp.h - 1);
            const OPJ_INT32* src = comp.data + cy * comp.w;
            for (uint64_t x = 0; x < w; ++x) {
                int64_t v = src[plain ? x : std::min<uint64_t>(x / comp.dx, comp.w - 1)] + offset;
                v = v < 0 ? 0 : (v > max ? max : v);
                row[x] = comp.prec > 8 ? uint8_t(v >> (comp.prec - 8)) : uint8_t(v * 255 / max);
            }
            const uint32_t y = uint32_t(h - 1 - r);
            if (k == channels) {
                std::copy(row.begin(), row.end(), AlphaGetPointer(0, int32_t(y)));
            } else if (colour) {
                uint8_t* d = GetBits(y) + (2 - k); // red, green, blue into B, G, R order
                for (uint64_t x = 0; x < w; ++x)
                    d[x * 3] = row[x];
            } else {
                std::copy(row.begin(), row.end(), GetBits(y));
            }
        }
        if (m_info.escape) {
            Destroy();
            SetLastError("Cancelled");
            return false;
        }
    }
    return true;
}

bool CxImageJAS::encodeJpeg2000(CxFile* file, bool jp2)
{
    const bool gray = GetBpp() == 8 && IsGrayScale();
    if (!gray && GetBpp() != 24) {
        SetLastError("JasPer can save only RGB or GrayScale images");
        return false;
    }
    const uint32_t w = GetWidth(), h = GetHeight();
    const uint32_t comps = gray ? 1 : 3;
    opj_image_cmptparm_t parms[3];
    std::memset(parms, 0, sizeof(parms));
    for (uint32_t c = 0; c < comps; ++c) {
        parms[c].dx = parms[c].dy = 1;
        parms[c].w = w;
        parms[c].h = h;
        parms[c].prec = 8;
        parms[c].sgnd = 0;
    }
    opj_image_t* image = opj_image_create(comps, parms, gray ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    if (!image) {
        SetLastError("can't allocate memory");
        return false;
    }
    image->x0 = image->y0 = 0;
    image->x1 = w;
    image->y1 = h;
    for (uint32_t r = 0; r < h; ++r) {
        const uint8_t* s = GetBits(h - 1 - r);
        for (uint32_t x = 0; x < w; ++x) {
            const size_t i = size_t(r) * w + x;
            if (gray) {
                image->comps[0].data[i] = s[x];
            } else {
                image->comps[0].data[i] = s[x * 3 + 2];
                image->comps[1].data[i] = s[x * 3 + 1];
                image->comps[2].data[i] = s[x * 3];
            }
        }
    }
    char message[256] = {};
    OutStream out { file, file->Tell() };
    opj_codec_t* codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    bool ok = codec && stream;
    if (ok) {
        opj_set_error_handler(codec, keepMessage, message);
        opj_set_warning_handler(codec, ignoreMessage, nullptr);
        opj_set_info_handler(codec, ignoreMessage, nullptr);
        opj_cparameters_t params;
        opj_set_default_encoder_parameters(&params);
        // Lossless (reversible 5/3 wavelet); the number of resolutions must suit small pictures.
        params.tcp_numlayers = 1;
        params.tcp_rates[0] = 0;
        params.cp_disto_alloc = 1;
        int levels = 1;
        while (levels < 6 && (std::min(w, h) >> levels) >= 1)
            ++levels;
        params.numresolution = levels;
        opj_stream_set_user_data(stream, &out, nullptr);
        opj_stream_set_write_function(stream, fileWrite);
        opj_stream_set_skip_function(stream, fileSkip);
        opj_stream_set_seek_function(stream, fileSeek);
        ok = opj_setup_encoder(codec, &params, image) && opj_start_compress(codec, image, stream)
            && opj_encode(codec, stream) && opj_end_compress(codec, stream);
    }
    if (stream)
        opj_stream_destroy(stream);
    if (codec)
        opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (!ok) {
        SetLastError("%s", message[0] ? message : "Error writing JPEG 2000 file");
        return false;
    }
    return true;
}
