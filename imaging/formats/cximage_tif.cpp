// CxImageTIF: libtiff glue over CxFile. Errors are collected per handle, so decoding in
// parallel and probing never print to the console.
#include "imaging/formats/cximage_tif.h"

#include "imaging/formats/cximage_codec_p.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <vector>

#include <tiffio.h>

using namespace cxcodec;

namespace {

struct TiffContext {
    CxFile* file;
    int64_t base;
    char message[256];
    /// The system's reason for the first short write: libtiff itself only says "Maximum TIFF
    /// file size exceeded" when a write comes back short, whatever the cause (a full disk).
    char writeError[160];
};

tmsize_t tiffRead(thandle_t h, void* buf, tmsize_t n)
{
    auto* c = static_cast<TiffContext*>(h);
    return tmsize_t(c->file->Read(buf, 1, size_t(n)));
}

tmsize_t tiffWrite(thandle_t h, void* buf, tmsize_t n)
{
    auto* c = static_cast<TiffContext*>(h);
    errno = 0;
    const size_t written = c->file->Write(buf, 1, size_t(n));
    if (written < size_t(n) && !c->writeError[0])
        std::snprintf(c->writeError, sizeof(c->writeError), "Error writing TIFF file: %s",
            errno ? std::strerror(errno) : "the file could not be written");
    return tmsize_t(written);
}

toff_t tiffSeek(thandle_t h, toff_t off, int whence)
{
    auto* c = static_cast<TiffContext*>(h);
    const int64_t o = int64_t(off);
    bool ok;
    errno = 0;
    if (whence == SEEK_SET)
        ok = c->file->Seek(c->base + o, 0);
    else
        ok = c->file->Seek(o, whence == SEEK_CUR ? 1 : 2);
    if (!ok) {
        // A buffered stream flushes before it seeks: a full disk shows here first.
        if (errno && !c->writeError[0])
            std::snprintf(c->writeError, sizeof(c->writeError), "Error writing TIFF file: %s", std::strerror(errno));
        return toff_t(-1);
    }
    return toff_t(c->file->Tell() - c->base);
}

int tiffClose(thandle_t)
{
    return 0;
}

toff_t tiffSize(thandle_t h)
{
    auto* c = static_cast<TiffContext*>(h);
    return toff_t(std::max<int64_t>(c->file->Size() - c->base, 0));
}

int tiffMap(thandle_t, void**, toff_t*)
{
    return 0;
}
void tiffUnmap(thandle_t, void*, toff_t) { }

int tiffError(TIFF*, void* user, const char*, const char* fmt, va_list ap)
{
    auto* c = static_cast<TiffContext*>(user);
    if (!c->message[0])
        std::vsnprintf(c->message, sizeof(c->message), fmt, ap);
    return 1;
}

int tiffWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

TIFF* openTiff(TiffContext& ctx, const char* mode)
{
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, tiffError, &ctx);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, tiffWarning, &ctx);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(CXIMAGE_MAX_MEMORY) * 2);
    TIFF* tif = TIFFClientOpenExt(
        "CxFile", mode, &ctx, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap, tiffUnmap, opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

/// Reads the page the handle stands on into img. Returns null or the failure text.
const char* readPage(TIFF* tif, CxImage& img, TiffContext& ctx, int32_t escape)
{
    uint32_t w = 0, h = 0;
    uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
    if (!fitsMemory(w, h, 32))
        return "TIFF image size is invalid";
    if (escape == -1) {
        BITMAPINFOHEADER& head = const_cast<BITMAPINFOHEADER&>(img.GetHeader());
        head.biWidth = int32_t(w);
        head.biHeight = int32_t(h);
        return nullptr;
    }

    const bool indexed = spp == 1 && (bps == 1 || bps == 4 || bps == 8) && !TIFFIsTiled(tif)
        && (photometric == PHOTOMETRIC_PALETTE || photometric == PHOTOMETRIC_MINISBLACK
            || photometric == PHOTOMETRIC_MINISWHITE)
        && compression != COMPRESSION_OJPEG;
    if (indexed) {
        const tmsize_t line = TIFFScanlineSize(tif);
        if (!img.Create(w, h, bps, CXIMAGE_FORMAT_TIF))
            return nullptr; // Create's own text
        if (line <= 0 || uint64_t(line) > img.GetEffWidth())
            return "TIFF scanline size is invalid";
        const uint32_t n = img.GetNumColors();
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (photometric == PHOTOMETRIC_PALETTE) {
            if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b))
                return "TIFF palette is missing";
            // Old writers store 8-bit colour maps; 16-bit ones have values above 255.
            bool wide = false;
            for (uint32_t i = 0; i < n; ++i)
                wide = wide || r[i] > 255 || g[i] > 255 || b[i] > 255;
            const int shift = wide ? 8 : 0;
            for (uint32_t i = 0; i < n; ++i)
                img.SetPaletteColor(i, uint8_t(r[i] >> shift), uint8_t(g[i] >> shift), uint8_t(b[i] >> shift));
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                uint8_t v = uint8_t(i * 255 / (n - 1));
                if (photometric == PHOTOMETRIC_MINISWHITE)
                    v = uint8_t(255 - v);
                img.SetPaletteColor(i, v, v, v);
            }
        }
        std::vector<uint8_t> buf(static_cast<size_t>(line));
        for (uint32_t row = 0; row < h; ++row) {
            if (TIFFReadScanline(tif, buf.data(), row, 0) < 0)
                return ctx.message[0] ? ctx.message : "TIFF data is damaged";
            std::memcpy(img.GetBits(h - 1 - row), buf.data(), size_t(line));
            if (escape)
                return "Cancelled";
        }
        return nullptr;
    }

    uint16_t extra = 0;
    uint16_t* extraTypes = nullptr;
    const bool hasExtra = TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes) && extra > 0;

    // 8-bit RGB strips are read directly: the RGBA reader would premultiply unassociated alpha.
    if (photometric == PHOTOMETRIC_RGB && bps == 8 && (spp == 3 || spp == 4) && planar == PLANARCONFIG_CONTIG
        && !TIFFIsTiled(tif)) {
        const tmsize_t line = TIFFScanlineSize(tif);
        if (line <= 0 || uint64_t(line) < uint64_t(w) * spp)
            return "TIFF scanline size is invalid";
        if (!img.Create(w, h, 24, CXIMAGE_FORMAT_TIF))
            return nullptr;
        const bool alpha = spp == 4 && hasExtra;
        if (alpha && !img.AlphaCreate())
            return "can't allocate memory";
        const bool premultiplied = alpha && extraTypes && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
        std::vector<uint8_t> buf(static_cast<size_t>(line));
        for (uint32_t row = 0; row < h; ++row) {
            if (TIFFReadScanline(tif, buf.data(), row, 0) < 0)
                return ctx.message[0] ? ctx.message : "TIFF data is damaged";
            const uint32_t y = h - 1 - row;
            uint8_t* d = img.GetBits(y);
            uint8_t* a = alpha ? img.AlphaGetPointer(0, int32_t(y)) : nullptr;
            const uint8_t* s = buf.data();
            for (uint32_t x = 0; x < w; ++x, s += spp, d += 3) {
                uint8_t r = s[0], g = s[1], b = s[2];
                if (a) {
                    const uint8_t av = s[3];
                    a[x] = av;
                    if (premultiplied && av) {
                        r = uint8_t(std::min(255, r * 255 / av));
                        g = uint8_t(std::min(255, g * 255 / av));
                        b = uint8_t(std::min(255, b * 255 / av));
                    }
                }
                d[0] = b;
                d[1] = g;
                d[2] = r;
            }
            if (escape)
                return "Cancelled";
        }
        return nullptr;
    }

    char why[1024] = {};
    if (!TIFFRGBAImageOK(tif, why))
        return "TIFF layout is not supported";
    if (!img.Create(w, h, 24, CXIMAGE_FORMAT_TIF))
        return nullptr;
    std::vector<uint32_t> raster;
    raster.resize(size_t(w) * h);
    if (!TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_BOTLEFT, 0))
        return ctx.message[0] ? ctx.message : "TIFF data is damaged";
    const bool alpha = hasExtra && (spp == 2 || spp == 4 || (spp == 5 && photometric == PHOTOMETRIC_SEPARATED));
    if (alpha && !img.AlphaCreate())
        return "can't allocate memory";
    uint8_t* a = img.AlphaGetPointer();
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* d = img.GetBits(y);
        const uint32_t* s = raster.data() + size_t(y) * w;
        for (uint32_t x = 0; x < w; ++x, d += 3) {
            d[0] = uint8_t(TIFFGetB(s[x]));
            d[1] = uint8_t(TIFFGetG(s[x]));
            d[2] = uint8_t(TIFFGetR(s[x]));
            if (a)
                a[size_t(y) * w + x] = uint8_t(TIFFGetA(s[x]));
        }
    }
    return nullptr;
}

void readResolution(TIFF* tif, CxImage& img)
{
    float xr = 0, yr = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    const double k = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    if (unit != RESUNIT_NONE && TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xr) && xr > 0 && xr < 100000)
        img.SetXDPI(int32_t(xr * k + 0.5));
    if (unit != RESUNIT_NONE && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yr) && yr > 0 && yr < 100000)
        img.SetYDPI(int32_t(yr * k + 0.5));
}

bool writePage(TIFF* tif, CxImage& img, int page, int pages, uint32_t option)
{
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    const bool alpha = img.AlphaIsValid();
    const bool palette = img.GetNumColors() > 0 && !alpha;
    const bool gray = palette && img.GetBpp() == 8 && img.IsGrayScale();
    const uint16_t spp = palette ? 1 : (alpha ? 4 : 3);
    const uint16_t bps = palette ? img.GetBpp() : 8;

    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(img.GetXDPI()));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(img.GetYDPI()));
    if (pages > 1) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(page), uint16_t(pages));
    }
    uint16_t compression = COMPRESSION_LZW;
    if (option && option < 65536 && TIFFIsCODECConfigured(uint16_t(option)))
        compression = uint16_t(option);
    // JPEG needs 8-bit samples; the fax schemes need 1-bit ones.
    const bool fax = compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3
        || compression == COMPRESSION_CCITTFAX4;
    if ((compression == COMPRESSION_JPEG && (bps != 8 || (palette && !gray))) || (fax && bps != 1))
        compression = COMPRESSION_LZW;
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_JPEG)
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, int(img.GetJpegQuality()));

    std::vector<uint16_t> r, g, b;
    if (gray) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    } else if (palette) {
        const uint32_t n = img.GetNumColors();
        r.resize(n);
        g.resize(n);
        b.resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            const RGBQUAD c = img.GetPaletteColor(i);
            r[i] = uint16_t(c.rgbRed * 257);
            g[i] = uint16_t(c.rgbGreen * 257);
            b[i] = uint16_t(c.rgbBlue * 257);
        }
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        if (alpha) {
            uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));

    const size_t lineBytes = palette ? img.GetEffWidth() : size_t(w) * spp;
    std::vector<uint8_t> line(lineBytes);
    const uint8_t* a = img.AlphaGetPointer();
    for (uint32_t row = 0; row < h; ++row) {
        const uint32_t y = h - 1 - row;
        const uint8_t* s = img.GetBits(y);
        if (palette) {
            std::memcpy(line.data(), s, lineBytes);
        } else if (img.GetNumColors()) {
            // A palette picture with an alpha plane goes out as RGBA.
            uint8_t* d = line.data();
            for (uint32_t x = 0; x < w; ++x) {
                const RGBQUAD c = img.BlindGetPixelColor(int32_t(x), int32_t(y), false);
                *d++ = c.rgbRed;
                *d++ = c.rgbGreen;
                *d++ = c.rgbBlue;
                *d++ = a[size_t(y) * w + x];
            }
        } else {
            uint8_t* d = line.data();
            for (uint32_t x = 0; x < w; ++x, s += 3) {
                *d++ = s[2];
                *d++ = s[1];
                *d++ = s[0];
                if (alpha)
                    *d++ = a[size_t(y) * w + x];
            }
        }
        if (TIFFWriteScanline(tif, line.data(), row, 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(tif) != 0;
}

} // namespace

bool CxImageTIF::Decode(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    const int64_t start = file->Tell();
    uint8_t sig[4];
    if (file->Read(sig, 1, 4) != 4
        || !((sig[0] == 'I' && sig[1] == 'I' && (sig[2] == 42 || sig[2] == 43) && sig[3] == 0)
            || (sig[0] == 'M' && sig[1] == 'M' && sig[2] == 0 && (sig[3] == 42 || sig[3] == 43)))) {
        SetLastError("Not a TIFF");
        return false;
    }
    file->Seek(start, 0);
    TiffContext ctx { file, start, {}, {} };
    TIFF* tif = openTiff(ctx, "rm");
    if (!tif) {
        SetLastError("%s", ctx.message[0] ? ctx.message : "Not a TIFF");
        return false;
    }
    struct Closer {
        TIFF* t;
        ~Closer() { TIFFClose(t); }
    } closer { tif };

    const tdir_t pages = TIFFNumberOfDirectories(tif);
    m_info.frameCount = int32_t(pages);
    const int32_t wanted = m_info.currentFrame;
    if (wanted < 0 || uint32_t(wanted) >= pages) {
        SetLastError("TIFF page not found");
        return false;
    }
    auto decodePage = [&](int32_t page, CxImage& img) -> bool {
        ctx.message[0] = 0;
        if (!TIFFSetDirectory(tif, tdir_t(page))) {
            img.SetLastError("%s", ctx.message[0] ? ctx.message : "TIFF page is damaged");
            return false;
        }
        const char* failure = readPage(tif, img, ctx, m_info.escape);
        if (failure) {
            img.Destroy();
            img.SetLastError("%s", failure);
            return false;
        }
        if (m_info.escape != -1 && !img.IsValid())
            return false; // Create left its text
        readResolution(tif, img);
        return true;
    };

    if (m_info.escape == -1) {
        if (!decodePage(wanted, *this))
            return false;
        m_info.type = CXIMAGE_FORMAT_TIF;
        return true;
    }
    if (m_info.escape) {
        SetLastError("Cancelled");
        return false;
    }

    FrameList frames;
    if (m_info.retrieveAllFrames) {
        for (int32_t p = 0; p < int32_t(pages); ++p) {
            auto page = std::make_unique<CxImage>();
            if (!decodePage(p, *page)) {
                SetLastError("%s", page->GetLastError());
                return false;
            }
            frames.push_back(std::move(page));
        }
    }
    CxImage chosen;
    if (!decodePage(wanted, chosen)) {
        SetLastError("%s", chosen.GetLastError());
        return false;
    }
    TakeOver(chosen);
    m_info.type = CXIMAGE_FORMAT_TIF;
    m_info.currentFrame = wanted;
    m_info.frameCount = int32_t(pages);
    if (!storeFrames(frames, m_frames, m_info.frameCount)) {
        SetLastError("can't allocate memory");
        return false;
    }
    return true;
}

bool CxImageTIF::Encode(CxFile* file)
{
    if (EncodeSafeCheck(file))
        return false;
    CxImage* self = this;
    return Encode(file, &self, 1);
}

bool CxImageTIF::Encode(CxFile* file, CxImage** images, int count)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    if (!images || count <= 0) {
        SetLastError("null image!!!");
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (!images[i] || !images[i]->IsValid()) {
            SetLastError("null image!!!");
            return false;
        }
    }
    TiffContext ctx { file, file->Tell(), {}, {} };
    TIFF* tif = openTiff(ctx, "w");
    if (!tif) {
        SetLastError("%s", ctx.message[0] ? ctx.message : "Error writing TIFF file");
        return false;
    }
    bool ok = true;
    for (int i = 0; ok && i < count; ++i)
        ok = writePage(tif, *images[i], i, count, GetCodecOption(CXIMAGE_FORMAT_TIF));
    TIFFClose(tif); // writes the last directory: its failure shows only in writeError
    if (!ok || ctx.writeError[0]) {
        SetLastError("%s",
            ctx.writeError[0]    ? ctx.writeError
                : ctx.message[0] ? ctx.message
                                 : "Error writing TIFF file");
        return false;
    }
    return true;
}
