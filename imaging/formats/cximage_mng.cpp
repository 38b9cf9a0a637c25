// CxImageMNG: libmng glue. libmng renders into a canvas we own through callbacks; time is
// simulated, so asking for frame n advances the animation n timer steps without waiting.
#include "imaging/formats/cximage_mng.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

// The shared library is built with write and chunk access; the header enables them on request.
#define MNG_USE_SO
#include <libmng.h>
#include <zlib.h>

using namespace cxcodec;

namespace {

constexpr uint8_t kMngSignature[8] = { 0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
constexpr uint8_t kJngSignature[8] = { 0x8B, 'J', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
// Frames stepped through at most, so looping animations cannot keep the decoder busy.
constexpr int kMaxSteps = 10000;

struct MngState {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    CxFile* out = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> canvas; ///< BGRA rows, top first
    uint32_t ticks = 0;
    uint32_t lastDelay = 0;
    bool tooLarge = false;
    char message[256] = {};
};

MngState* stateOf(mng_handle h)
{
    return static_cast<MngState*>(mng_get_userdata(h));
}

// libmng loses some blocks on error paths; every block of one decode is recorded here and
// whatever is left after mng_cleanup is freed. The allocation callbacks carry no handle, so the
// record belongs to the thread.
thread_local std::unordered_set<void*>* t_blocks = nullptr;

mng_ptr MNG_DECL allocZeroed(mng_size_t n)
{
    void* p = std::calloc(1, n);
    if (p && t_blocks)
        t_blocks->insert(p);
    return p;
}

void MNG_DECL release(mng_ptr p, mng_size_t)
{
    if (p && t_blocks)
        t_blocks->erase(p);
    std::free(p);
}

mng_bool MNG_DECL openStream(mng_handle)
{
    return MNG_TRUE;
}

mng_bool MNG_DECL closeStream(mng_handle)
{
    return MNG_TRUE;
}

mng_bool MNG_DECL readData(mng_handle h, mng_ptr buf, mng_uint32 len, mng_uint32p got)
{
    MngState* s = stateOf(h);
    const size_t take = std::min<size_t>(len, s->size - s->pos);
    std::memcpy(buf, s->data + s->pos, take);
    s->pos += take;
    *got = mng_uint32(take);
    return MNG_TRUE;
}

mng_bool MNG_DECL writeData(mng_handle h, mng_ptr buf, mng_uint32 len, mng_uint32p written)
{
    MngState* s = stateOf(h);
    *written = mng_uint32(s->out->Write(buf, 1, len));
    return *written == len ? MNG_TRUE : MNG_FALSE;
}

mng_bool MNG_DECL onError(
    mng_handle h, mng_int32 code, mng_int8, mng_chunkid, mng_uint32, mng_int32, mng_int32, mng_pchar text)
{
    MngState* s = stateOf(h);
    if (!s->message[0])
        std::snprintf(s->message, sizeof(s->message), "MNG error %d: %s", int(code), text ? text : "");
    return MNG_FALSE;
}

mng_bool MNG_DECL processHeader(mng_handle h, mng_uint32 w, mng_uint32 ht)
{
    MngState* s = stateOf(h);
    if (!fitsMemory(w, ht, 32)) {
        s->tooLarge = true;
        return MNG_FALSE;
    }
    s->width = w;
    s->height = ht;
    s->canvas.assign(size_t(w) * ht * 4, 0);
    mng_set_canvasstyle(h, MNG_CANVAS_BGRA8);
    return MNG_TRUE;
}

mng_ptr MNG_DECL canvasLine(mng_handle h, mng_uint32 line)
{
    MngState* s = stateOf(h);
    if (line >= s->height)
        return nullptr;
    return s->canvas.data() + size_t(line) * s->width * 4;
}

mng_bool MNG_DECL refresh(mng_handle, mng_uint32, mng_uint32, mng_uint32, mng_uint32)
{
    return MNG_TRUE;
}

mng_uint32 MNG_DECL tickCount(mng_handle h)
{
    return stateOf(h)->ticks;
}

mng_bool MNG_DECL setTimer(mng_handle h, mng_uint32 ms)
{
    MngState* s = stateOf(h);
    s->lastDelay = ms;
    s->ticks += ms;
    return MNG_TRUE;
}

/// Number of embedded PNG, JNG and delta images (IHDR, JHDR, BASI chunks) in the file.
uint32_t countEmbeddedImages(const std::vector<uint8_t>& data)
{
    uint32_t count = 0;
    size_t at = 8;
    while (at + 8 <= data.size()) {
        const uint32_t len = uint32_t(data[at] << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3]);
        const uint8_t* type = data.data() + at + 4;
        if (!std::memcmp(type, "IHDR", 4) || !std::memcmp(type, "JHDR", 4) || !std::memcmp(type, "BASI", 4))
            ++count;
        if (uint64_t(len) + 12 > data.size() - at)
            break;
        at += size_t(len) + 12;
    }
    return count;
}

/// Checks the size every embedded picture header (IHDR, JHDR, BASI) declares before libmng
/// allocates its object buffers: libmng trusts them and only the canvas size reaches our callback.
/// False, with the offending size in *w and *h, when one is empty or too large.
bool embeddedImagesFit(const std::vector<uint8_t>& data, uint32_t* w, uint32_t* h)
{
    size_t at = 8;
    while (at + 8 <= data.size()) {
        const uint8_t* p = data.data() + at;
        const uint32_t len = uint32_t(p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]);
        const uint8_t* type = p + 4;
        if (!std::memcmp(type, "IHDR", 4) || !std::memcmp(type, "JHDR", 4) || !std::memcmp(type, "BASI", 4)) {
            if (len < 8 || at + 16 > data.size())
                return *w = *h = 0, false;
            *w = uint32_t(p[8] << 24 | p[9] << 16 | p[10] << 8 | p[11]);
            *h = uint32_t(p[12] << 24 | p[13] << 16 | p[14] << 8 | p[15]);
            // libmng keeps 16-bit pictures as RGBA16 objects: 8 bytes a pixel.
            if (!fitsMemory(*w, *h, 64))
                return false;
        }
        if (uint64_t(len) + 12 > data.size() - at)
            break;
        at += size_t(len) + 12;
    }
    return true;
}

/// A libmng handle with its own block record; everything is freed on destruction.
struct Handle {
    std::unordered_set<void*> blocks;
    std::unordered_set<void*>* outer;
    mng_handle h = nullptr;
    explicit Handle(MngState* state)
        : outer(t_blocks)
    {
        t_blocks = &blocks;
        h = mng_initialize(state, allocZeroed, release, MNG_NULL);
    }
    ~Handle()
    {
        if (h)
            mng_cleanup(&h);
        for (void* p : blocks)
            std::free(p);
        t_blocks = outer;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

} // namespace

bool CxImageMNG::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    uint8_t sig[8];
    const int64_t start = file->Tell();
    if (file->Read(sig, 1, 8) != 8
        || (std::memcmp(sig, kMngSignature, 8) != 0 && std::memcmp(sig, kJngSignature, 8) != 0)) {
        SetLastError("Not a MNG");
        return false;
    }
    file->Seek(start, 0);
    std::vector<uint8_t> data;
    if (!readRest(file, data)) {
        SetLastError("MNG file too large");
        return false;
    }
    uint32_t badWidth = 0, badHeight = 0;
    if (!embeddedImagesFit(data, &badWidth, &badHeight)) {
        SetLastError("MNG embedded image size %u x %u is invalid", unsigned(badWidth), unsigned(badHeight));
        return false;
    }
    MngState st;
    st.data = data.data();
    st.size = data.size();
    Handle mng(&st);
    if (!mng.h) {
        SetLastError("can't allocate memory");
        return false;
    }
    mng_setcb_openstream(mng.h, openStream);
    mng_setcb_closestream(mng.h, closeStream);
    mng_setcb_readdata(mng.h, readData);
    mng_setcb_errorproc(mng.h, onError);
    mng_setcb_processheader(mng.h, processHeader);
    mng_setcb_getcanvasline(mng.h, canvasLine);
    mng_setcb_refresh(mng.h, refresh);
    mng_setcb_gettickcount(mng.h, tickCount);
    mng_setcb_settimer(mng.h, setTimer);

    const mng_retcode rc = mng_read(mng.h);
    if (st.tooLarge || rc != MNG_NOERROR || st.width == 0) {
        SetLastError(
            "%s", st.tooLarge ? "MNG image size is invalid" : (st.message[0] ? st.message : "MNG file is damaged"));
        return false;
    }
    // The header's count may be left 0 ("unspecified"): then every embedded image is a frame.
    mng_uint32 frames = mng_get_framecount(mng.h);
    if (frames == 0)
        frames = countEmbeddedImages(data);
    const int32_t declared = int32_t(std::min<mng_uint32>(frames, 0x7FFFFFFF));
    m_info.frameCount = std::max(declared, 1);
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(st.width);
        m_head.biHeight = int32_t(st.height);
        m_info.type = CXIMAGE_FORMAT_MNG;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    const int32_t wanted = m_info.currentFrame;
    if (wanted < 0 || (declared > 0 && wanted >= declared)) {
        SetLastError("MNG frame not found");
        return false;
    }
    mng_retcode shown = mng_display(mng.h);
    int32_t frame = 0;
    while (frame < wanted && shown == MNG_NEEDTIMERWAIT && frame < kMaxSteps) {
        shown = mng_display_resume(mng.h);
        ++frame;
    }
    if (shown != MNG_NOERROR && shown != MNG_NEEDTIMERWAIT) {
        SetLastError("%s", st.message[0] ? st.message : "MNG file is damaged");
        return false;
    }
    if (frame < wanted) {
        m_info.frameCount = std::max(m_info.frameCount, frame + 1);
        SetLastError("MNG frame not found");
        return false;
    }

    if (!Create(st.width, st.height, 24, CXIMAGE_FORMAT_MNG))
        return false;
    bool translucent = false;
    for (size_t i = 3; i < st.canvas.size(); i += 4)
        translucent = translucent || st.canvas[i] != 255;
    if (translucent && !AlphaCreate()) {
        SetLastError("can't allocate memory");
        return false;
    }
    for (uint32_t r = 0; r < st.height; ++r) {
        const uint32_t y = st.height - 1 - r;
        const uint8_t* s = st.canvas.data() + size_t(r) * st.width * 4;
        uint8_t* d = GetBits(y);
        uint8_t* a = translucent ? AlphaGetPointer(0, int32_t(y)) : nullptr;
        for (uint32_t x = 0; x < st.width; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            if (a)
                a[x] = s[3];
        }
    }
    m_info.currentFrame = wanted;
    m_info.frameDelay = st.lastDelay;
    return true;
}

bool CxImageMNG::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    if (GetBpp() != 24) {
        SetLastError("MNG encoder can save only RGB images");
        return false;
    }
    const uint32_t w = GetWidth(), h = GetHeight();
    // Image data: each row a filter byte (none) and red, green, blue, deflated as in PNG.
    std::vector<uint8_t> rows;
    rows.reserve((size_t(w) * 3 + 1) * h);
    for (uint32_t r = 0; r < h; ++r) {
        const uint8_t* s = GetBits(h - 1 - r);
        rows.push_back(0);
        for (uint32_t x = 0; x < w; ++x, s += 3)
            rows.insert(rows.end(), { s[2], s[1], s[0] });
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), uLong(rows.size()), 6) != Z_OK) {
        SetLastError("can't allocate memory");
        return false;
    }
    MngState st;
    st.out = file;
    Handle mng(&st);
    if (!mng.h) {
        SetLastError("can't allocate memory");
        return false;
    }
    mng_setcb_openstream(mng.h, openStream);
    mng_setcb_closestream(mng.h, closeStream);
    mng_setcb_writedata(mng.h, writeData);
    mng_setcb_errorproc(mng.h, onError);
    const bool ok = mng_create(mng.h) == MNG_NOERROR
        && mng_putchunk_mhdr(mng.h, w, h, 1000, 1, 1, 0, 0x0007) == MNG_NOERROR
        && mng_putchunk_ihdr(mng.h, w, h, 8, 2, 0, 0, 0) == MNG_NOERROR
        && mng_putchunk_idat(mng.h, mng_uint32(packedSize), packed.data()) == MNG_NOERROR
        && mng_putchunk_iend(mng.h) == MNG_NOERROR && mng_putchunk_mend(mng.h) == MNG_NOERROR
        && mng_write(mng.h) == MNG_NOERROR;
    if (!ok) {
        SetLastError("%s", st.message[0] ? st.message : "Error writing MNG file");
        return false;
    }
    return true;
}
