// The format id table: names, extensions and the codec behind each id.
#include "imaging/formats/cximage_formats_p.h"

#include "imaging/formats/cximage_bmp.h"
#include "imaging/formats/cximage_gif.h"
#include "imaging/formats/cximage_ico.h"
#include "imaging/formats/cximage_jas.h"
#include "imaging/formats/cximage_jpg.h"
#include "imaging/formats/cximage_mng.h"
#include "imaging/formats/cximage_pcx.h"
#include "imaging/formats/cximage_png.h"
#include "imaging/formats/cximage_raw.h"
#include "imaging/formats/cximage_ska.h"
#include "imaging/formats/cximage_tga.h"
#include "imaging/formats/cximage_tif.h"
#include "imaging/formats/cximage_wbmp.h"
#include "imaging/formats/cximage_wmf.h"

namespace cxformats {

namespace {
const FormatEntry kFormats[] = {
    { CXIMAGE_FORMAT_BMP, "BMP", "bmp", false, decodeWith<CxImageBMP>, encodeWith<CxImageBMP>, nullptr },
    { CXIMAGE_FORMAT_GIF, "GIF", "gif", true, decodeWith<CxImageGIF>, encodeWith<CxImageGIF>, nullptr },
    { CXIMAGE_FORMAT_JPG, "JPEG", "jpg jpe jfi", false, decodeWith<CxImageJPG>, encodeWith<CxImageJPG>, nullptr },
    { CXIMAGE_FORMAT_PNG, "PNG", "png", false, decodeWith<CxImagePNG>, encodeWith<CxImagePNG>, nullptr },
    { CXIMAGE_FORMAT_ICO, "ICO", "ico cur", true, decodeWith<CxImageICO>, encodeWith<CxImageICO>, nullptr },
    { CXIMAGE_FORMAT_TIF, "TIFF", "tif", true, decodeWith<CxImageTIF>, encodeWith<CxImageTIF>, nullptr },
    { CXIMAGE_FORMAT_TGA, "TGA", "tga", false, decodeWith<CxImageTGA>, encodeWith<CxImageTGA>, nullptr },
    { CXIMAGE_FORMAT_PCX, "PCX", "pcx", false, decodeWith<CxImagePCX>, encodeWith<CxImagePCX>, nullptr },
    { CXIMAGE_FORMAT_WBMP, "WBMP", "wbm", false, decodeWith<CxImageWBMP>, encodeWith<CxImageWBMP>, nullptr },
    { CXIMAGE_FORMAT_WMF, "WMF", "wmf emf", false, decodeWith<CxImageWMF>, nullptr, "Save WMF not supported" },
    { CXIMAGE_FORMAT_JP2, "JPEG 2000", "jp2 j2k", false, decodeJas, encodeJas, nullptr },
    { CXIMAGE_FORMAT_JPC, "JPEG 2000 code stream", "jpc j2c", false, decodeJas, encodeJas, nullptr },
    { CXIMAGE_FORMAT_PGX, "PGX", "pgx", false, decodeJas, encodeJas, nullptr },
    { CXIMAGE_FORMAT_PNM, "PNM", "pnm pgm ppm", false, decodeJas, encodeJas, nullptr },
    { CXIMAGE_FORMAT_RAS, "Sun raster", "ras", false, decodeJas, encodeJas, nullptr },
    { CXIMAGE_FORMAT_MNG, "MNG", "mng jng", true, decodeWith<CxImageMNG>, encodeWith<CxImageMNG>, nullptr },
    { CXIMAGE_FORMAT_SKA, "SKA", "ska", false, decodeWith<CxImageSKA>, encodeWith<CxImageSKA>, nullptr },
    { CXIMAGE_FORMAT_RAW, "camera raw", "nef crw cr2 dng arw erf 3fr dcr raw x3f mef raf mrw pef sr2 orf", false,
        decodeWith<CxImageRAW>, nullptr, "Save RAW not supported" },
};
} // namespace

const FormatEntry* findFormat(uint32_t id)
{
    for (const FormatEntry& e : kFormats) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

const FormatEntry* formatTable(size_t* count)
{
    *count = sizeof(kFormats) / sizeof(kFormats[0]);
    return kFormats;
}

} // namespace cxformats
