// CxImageGIF: giflib glue. The file is read from memory so that every frame's size can be
// checked against the bytes that could encode it before anything is allocated.
#include "imaging/formats/cximage_gif.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <gif_lib.h>

using namespace cxcodec;

namespace {

struct MemSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int readMem(GifFileType* gif, GifByteType* out, int n)
{
    auto* src = static_cast<MemSource*>(gif->UserData);
    const size_t take = std::min(size_t(std::max(n, 0)), src->size - src->pos);
    std::memcpy(out, src->data + src->pos, take);
    src->pos += take;
    return int(take);
}

int writeFile(GifFileType* gif, const GifByteType* data, int n)
{
    auto* file = static_cast<CxFile*>(gif->UserData);
    return int(file->Write(data, 1, size_t(n)));
}

// An LZW code of at least 3 bits stands for at most 4096 pixels, so a frame can never hold
// more pixels than this many per byte of data left in the file.
constexpr uint64_t kMaxPixelsPerByte = 4096 * 8 / 3;
// Upper bound of all frame canvases kept by retrieve-all-frames.
constexpr uint64_t kMaxAllFramesBytes = 4 * CXIMAGE_MAX_MEMORY;

struct GraphicControl {
    int transparent = -1;
    uint32_t delay = 0;
    uint8_t disposal = 0;
};

/// Indexed, top-down pixels of one image plus the palette they refer to.
struct Indexed {
    std::vector<uint8_t> pixels;
    std::vector<GifColorType> palette;
    int transparent = -1;
};

/// Maps colours to the nearest entry of a fixed palette through a 15-bit lookup table.
class NearestMap {
public:
    explicit NearestMap(const std::vector<GifColorType>& palette)
        : m_palette(palette)
    {
        m_table.fill(-1);
    }
    uint8_t operator()(uint8_t r, uint8_t g, uint8_t b)
    {
        const int key = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        if (m_table[key] < 0) {
            int best = 0;
            int bestDist = 1 << 30;
            for (size_t i = 0; i < m_palette.size(); ++i) {
                const int dr = m_palette[i].Red - r, dg = m_palette[i].Green - g, db = m_palette[i].Blue - b;
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestDist) {
                    bestDist = d;
                    best = int(i);
                }
            }
            m_table[key] = int16_t(best);
        }
        return uint8_t(m_table[key]);
    }

private:
    const std::vector<GifColorType>& m_palette;
    std::array<int16_t, 32768> m_table;
};

/// Converts an image to 8-bit indices. 24-bit pictures are quantised (to 128 colours plus
/// one transparent entry when an alpha plane exists); with a shared palette every colour is
/// mapped to its nearest entry instead.
bool toIndexed(const CxImage& img, Indexed& out, const std::vector<GifColorType>* shared)
{
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    out.pixels.resize(size_t(w) * h);
    const bool alpha = img.AlphaIsValid();
    if (shared) {
        out.palette = *shared;
        NearestMap map(out.palette);
        const int tIndex = alpha || img.IsTransparent() ? int(out.palette.size()) - 1 : -1;
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                const int32_t by = int32_t(h - 1 - y);
                const RGBQUAD c = img.BlindGetPixelColor(int32_t(x), by, false);
                uint8_t& d = out.pixels[size_t(y) * w + x];
                if (tIndex >= 0 && img.IsTransparent(int32_t(x), by))
                    d = uint8_t(tIndex);
                else if (alpha && img.AlphaGet(int32_t(x), by) < 128)
                    d = uint8_t(tIndex);
                else
                    d = map(c.rgbRed, c.rgbGreen, c.rgbBlue);
            }
        }
        out.transparent = tIndex;
        return true;
    }
    if (img.GetBpp() <= 8) {
        const uint32_t n = img.GetNumColors();
        out.palette.resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            const RGBQUAD c = img.GetPaletteColor(i);
            out.palette[i] = GifColorType { c.rgbRed, c.rgbGreen, c.rgbBlue };
        }
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x)
                out.pixels[size_t(y) * w + x] = img.BlindGetPixelIndex(int32_t(x), int32_t(h - 1 - y));
        }
        out.transparent = img.TransparentIndex();
        if (alpha) {
            // GIF has one transparent entry: the last palette entry stands for alpha < 128.
            if (n < 2)
                return true;
            out.transparent = int(n) - 1;
            for (uint32_t y = 0; y < h; ++y) {
                for (uint32_t x = 0; x < w; ++x) {
                    if (img.AlphaGet(int32_t(x), int32_t(h - 1 - y)) < 128)
                        out.pixels[size_t(y) * w + x] = uint8_t(n - 1);
                }
            }
        }
        return true;
    }
    std::vector<uint8_t> r(size_t(w) * h), g(r.size()), b(r.size());
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = img.GetBits(h - 1 - y);
        for (uint32_t x = 0; x < w; ++x, s += 3) {
            const size_t i = size_t(y) * w + x;
            b[i] = s[0];
            g[i] = s[1];
            r[i] = s[2];
        }
    }
    const bool transparentColour = img.IsTransparent();
    int colours = alpha || transparentColour ? 128 : 256;
    std::vector<GifColorType> map(256);
    if (GifQuantizeBuffer(w, h, &colours, r.data(), g.data(), b.data(), out.pixels.data(), map.data()) != GIF_OK)
        return false;
    out.palette.assign(map.begin(), map.end());
    if (alpha || transparentColour) {
        out.transparent = 255;
        const RGBQUAD tc = img.TransparentColour();
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                const int32_t by = int32_t(h - 1 - y);
                bool clear = alpha && img.AlphaGet(int32_t(x), by) < 128;
                if (transparentColour) {
                    const uint8_t* s = img.GetBits(uint32_t(by)) + x * 3;
                    clear = clear || (s[0] == tc.rgbBlue && s[1] == tc.rgbGreen && s[2] == tc.rgbRed);
                }
                if (clear)
                    out.pixels[size_t(y) * w + x] = 255;
            }
        }
    }
    return true;
}

/// Builds a giflib colour map of a power-of-two size (2 to 256) holding the palette.
ColorMapObject* makeMap(const std::vector<GifColorType>& palette)
{
    int n = 2;
    while (n < int(palette.size()) && n < 256)
        n *= 2;
    std::vector<GifColorType> padded(size_t(n), GifColorType { 0, 0, 0 });
    std::copy_n(palette.begin(), std::min(palette.size(), size_t(n)), padded.begin());
    return GifMakeMapObject(n, padded.data());
}

bool putGraphicControl(GifFileType* gif, int transparent, uint32_t delay, uint8_t disposal)
{
    GifByteType ext[4];
    ext[0] = GifByteType(((disposal & 7) << 2) | (transparent >= 0 ? 1 : 0));
    ext[1] = GifByteType(delay & 0xFF);
    ext[2] = GifByteType((delay >> 8) & 0xFF);
    ext[3] = GifByteType(transparent >= 0 ? transparent : 0);
    return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
}

bool putLoopExtension(GifFileType* gif)
{
    static const GifByteType app[] = { 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0' };
    static const GifByteType loop[] = { 1, 0, 0 };
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK
        && EGifPutExtensionBlock(gif, sizeof(app), app) == GIF_OK
        && EGifPutExtensionBlock(gif, sizeof(loop), loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool putFrame(GifFileType* gif, const Indexed& ix, int left, int top, int w, int h, ColorMapObject* local)
{
    if (EGifPutImageDesc(gif, left, top, w, h, false, local) != GIF_OK)
        return false;
    for (int y = 0; y < h; ++y) {
        if (EGifPutLine(gif, const_cast<GifByteType*>(ix.pixels.data() + size_t(y) * size_t(w)), w) != GIF_OK)
            return false;
    }
    return true;
}

} // namespace

bool CxImageGIF::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    uint8_t sig[6];
    const int64_t start = file->Tell();
    if (file->Read(sig, 1, 6) != 6 || (std::memcmp(sig, "GIF87a", 6) != 0 && std::memcmp(sig, "GIF89a", 6) != 0)) {
        SetLastError("Not a GIF");
        return false;
    }
    file->Seek(start, 0);
    std::vector<uint8_t> data;
    if (!readRest(file, data)) {
        SetLastError("GIF file too large");
        return false;
    }
    MemSource src { data.data(), data.size(), 0 };
    int err = 0;
    GifFileType* gif = DGifOpen(&src, readMem, &err);
    if (!gif) {
        SetLastError("%s", GifErrorString(err) ? GifErrorString(err) : "Not a GIF");
        return false;
    }
    struct Closer {
        GifFileType* g;
        ~Closer() { DGifCloseFile(g, nullptr); }
    } closer { gif };

    const uint32_t sw = uint32_t(std::max(gif->SWidth, 0));
    const uint32_t sh = uint32_t(std::max(gif->SHeight, 0));
    if (!fitsMemory(sw, sh, 8)) {
        SetLastError("GIF screen size is invalid");
        return false;
    }
    if (m_info.escape == -1) {
        m_head.biWidth = int32_t(sw);
        m_head.biHeight = int32_t(sh);
        m_info.type = CXIMAGE_FORMAT_GIF;
        return true;
    }

    const int32_t wanted = m_info.currentFrame;
    const bool all = m_info.retrieveAllFrames;
    FrameList frames;
    std::unique_ptr<CxImage> chosen;
    GraphicControl gce;
    int32_t count = 0;
    uint64_t keptBytes = 0;
    std::vector<GifPixelType> line;
    const char* failure = nullptr;
    bool done = false;

    while (!done && !failure) {
        if (m_info.escape) {
            failure = "Cancelled";
            break;
        }
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK) {
            // Many writers omit the trailer; what was read so far stands.
            if (count == 0)
                failure = "GIF file is damaged";
            break;
        }
        switch (type) {
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK) {
                failure = "GIF extension is damaged";
                break;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
                gce.disposal = uint8_t((ext[1] >> 2) & 7);
                gce.delay = uint32_t(ext[2] | (ext[3] << 8));
                gce.transparent = (ext[1] & 1) ? ext[4] : -1;
            }
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) != GIF_OK) {
                    failure = "GIF extension is damaged";
                    break;
                }
            }
            break;
        }
        case IMAGE_DESC_RECORD_TYPE: {
            if (DGifGetImageDesc(gif) != GIF_OK) {
                failure = "GIF image descriptor is damaged";
                break;
            }
            const GifImageDesc& d = gif->Image;
            const uint64_t fw = uint64_t(std::max(d.Width, 0)), fh = uint64_t(std::max(d.Height, 0));
            const uint64_t left = src.size - src.pos;
            if (fw == 0 || fh == 0 || fw * fh > (left + 1) * kMaxPixelsPerByte || !fitsMemory(fw, 1, 8)) {
                failure = "GIF frame size is invalid";
                break;
            }
            const int32_t index = count++;
            const bool keep = all || index == wanted;
            if (!keep) {
                // Skip the compressed data without decoding it.
                int codeSize = 0;
                GifByteType* block = nullptr;
                if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) {
                    failure = "GIF image data is damaged";
                    break;
                }
                while (block) {
                    if (DGifGetCodeNext(gif, &block) != GIF_OK) {
                        failure = "GIF image data is damaged";
                        break;
                    }
                }
                gce = GraphicControl();
                break;
            }
            keptBytes += uint64_t(sw) * sh;
            if (keptBytes > kMaxAllFramesBytes) {
                failure = "CXIMAGE_MAX_MEMORY exceeded";
                break;
            }
            auto canvas = std::make_unique<CxImage>();
            if (!canvas->Create(sw, sh, 8, CXIMAGE_FORMAT_GIF)) {
                failure = "CXIMAGE_MAX_MEMORY exceeded";
                break;
            }
            const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
            if (map && map->Colors) {
                for (int i = 0; i < map->ColorCount && i < 256; ++i)
                    canvas->SetPaletteColor(uint32_t(i), map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
            } else {
                canvas->SetGrayPalette();
            }
            // Outside the frame's rectangle: transparent if the frame has a transparent entry.
            const int fill = gce.transparent >= 0 ? gce.transparent : (d.ColorMap ? 0 : gif->SBackGroundColor);
            std::memset(canvas->GetBits(0), fill & 0xFF, size_t(canvas->GetEffWidth()) * sh);
            line.resize(size_t(fw));
            // Interlaced frames deliver rows in four passes.
            static const int kStart[] = { 0, 4, 2, 1 }, kStep[] = { 8, 8, 4, 2 };
            const int passes = d.Interlace ? 4 : 1;
            bool lineFailed = false;
            for (int p = 0; p < passes && !lineFailed; ++p) {
                const int first = d.Interlace ? kStart[p] : 0;
                const int step = d.Interlace ? kStep[p] : 1;
                for (uint64_t r = uint64_t(first); r < fh; r += uint64_t(step)) {
                    if (DGifGetLine(gif, line.data(), int(fw)) != GIF_OK) {
                        lineFailed = true;
                        break;
                    }
                    const int64_t y = int64_t(d.Top) + int64_t(r);
                    if (y < 0 || y >= int64_t(sh))
                        continue;
                    uint8_t* row = canvas->GetBits(uint32_t(sh - 1 - uint32_t(y)));
                    for (uint64_t x = 0; x < fw; ++x) {
                        const int64_t cx = int64_t(d.Left) + int64_t(x);
                        if (cx >= 0 && cx < int64_t(sw))
                            row[cx] = line[x];
                    }
                }
            }
            if (lineFailed) {
                // A truncated last frame keeps the rows read so far, as viewers show it.
                done = true;
            }
            canvas->SetTransparentIndex(gce.transparent);
            canvas->SetFrameDelay(gce.delay);
            canvas->SetDisposalMethod(gce.disposal);
            canvas->SetOffset(d.Left, d.Top);
            if (index == wanted)
                chosen = std::make_unique<CxImage>(*canvas);
            if (all)
                frames.push_back(std::move(canvas));
            gce = GraphicControl();
            break;
        }
        case TERMINATE_RECORD_TYPE:
            done = true;
            break;
        default:
            break;
        }
    }

    m_info.frameCount = count;
    if (failure) {
        SetLastError("%s", failure);
        return false;
    }
    if (!chosen) {
        SetLastError(count ? "GIF frame not found" : "GIF file has no image");
        return false;
    }
    const int32_t frameCount = count;
    const int32_t currentFrame = wanted;
    TakeOver(*chosen);
    m_info.type = CXIMAGE_FORMAT_GIF;
    m_info.currentFrame = currentFrame;
    m_info.frameCount = frameCount;
    if (all && !storeFrames(frames, m_frames, m_info.frameCount)) {
        SetLastError("can't allocate memory");
        return false;
    }
    return true;
}

bool CxImageGIF::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    CxImage* self = this;
    return Encode(file, &self, 1, false);
}

bool CxImageGIF::Encode(CxFile* file, CxImage** images, int count, bool localColorMap)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    if (!images || count <= 0 || !images[0] || !images[0]->IsValid()) {
        SetLastError("null image!!!");
        return false;
    }
    uint32_t sw = 0, sh = 0;
    for (int i = 0; i < count; ++i) {
        if (!images[i] || !images[i]->IsValid()) {
            SetLastError("null image!!!");
            return false;
        }
        int32_t ox = 0, oy = 0;
        images[i]->GetOffset(&ox, &oy);
        if (images[i]->GetWidth() > 65535 || images[i]->GetHeight() > 65535 || ox < 0 || oy < 0) {
            SetLastError("GIF frames must fit 65535 x 65535");
            return false;
        }
        if (i == 0 || count == 1) {
            ox = oy = 0;
        }
        sw = std::max(sw, uint32_t(ox) + images[i]->GetWidth());
        sh = std::max(sh, uint32_t(oy) + images[i]->GetHeight());
    }
    if (sw > 65535 || sh > 65535) {
        SetLastError("GIF frames must fit 65535 x 65535");
        return false;
    }

    // Everything is converted before the first byte is written.
    std::vector<Indexed> indexed(static_cast<size_t>(count));
    if (!toIndexed(*images[0], indexed[0], nullptr)) {
        SetLastError("GIF colour reduction failed");
        return false;
    }
    for (int i = 1; i < count; ++i) {
        if (!toIndexed(*images[i], indexed[size_t(i)], localColorMap ? nullptr : &indexed[0].palette)) {
            SetLastError("GIF colour reduction failed");
            return false;
        }
    }

    int err = 0;
    GifFileType* gif = EGifOpen(file, writeFile, &err);
    if (!gif) {
        SetLastError("Error writing GIF file");
        return false;
    }
    bool ok = true;
    bool animated = count > 1;
    bool needs89 = animated;
    for (const Indexed& ix : indexed)
        needs89 = needs89 || ix.transparent >= 0;
    EGifSetGifVersion(gif, needs89);
    ColorMapObject* global = makeMap(indexed[0].palette);
    ok = global && EGifPutScreenDesc(gif, int(sw), int(sh), 8, 0, global) == GIF_OK;
    if (ok && animated)
        ok = putLoopExtension(gif);
    for (int i = 0; ok && i < count; ++i) {
        const CxImage& img = *images[i];
        const Indexed& ix = indexed[size_t(i)];
        int32_t ox = 0, oy = 0;
        if (animated && i > 0)
            img.GetOffset(&ox, &oy);
        if (ix.transparent >= 0 || animated)
            ok = putGraphicControl(gif, ix.transparent, img.GetFrameDelay(), img.GetDisposalMethod());
        ColorMapObject* local = nullptr;
        if (ok && i > 0 && localColorMap) {
            local = makeMap(ix.palette);
            ok = local != nullptr;
        }
        if (ok)
            ok = putFrame(gif, ix, ox, oy, int(img.GetWidth()), int(img.GetHeight()), local);
        GifFreeMapObject(local);
    }
    GifFreeMapObject(global);
    if (EGifCloseFile(gif, &err) != GIF_OK)
        ok = false;
    if (!ok) {
        SetLastError("Error writing GIF file");
        return false;
    }
    return true;
}
