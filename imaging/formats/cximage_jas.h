// CxImageJAS: the JPEG 2000 family of ids (JP2 file, code stream, PGX, PNM, Sun raster).
// JPEG 2000 rests on OpenJPEG; PGX, PNM and Sun raster are small codecs of our own.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageJAS : public CxImage {
public:
    explicit CxImageJAS(uint32_t imageType = CXIMAGE_FORMAT_JP2)
        : CxImage(imageType)
    {
    }
    /// Reads a file of the family. With id 0 the format is recognised from the data; ids 11
    /// and 12 accept both a JP2 file and a bare code stream. The type becomes the format found.
    bool Decode(CxFile* file, uint32_t imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Writes in the format of the id. JPEG 2000 and PGX take grey-scale and RGB pictures only.
    bool Encode(CxFile* file, uint32_t imageType);

private:
    bool decodeJpeg2000(CxFile* file, bool jp2);
    bool encodeJpeg2000(CxFile* file, bool jp2);
    bool decodePnm(CxFile* file);
    bool encodePnm(CxFile* file);
    bool decodePgx(CxFile* file);
    bool encodePgx(CxFile* file);
    bool decodeRas(CxFile* file);
    bool encodeRas(CxFile* file);
};

namespace cxformats {
/// Table hooks: decode and encode through CxImageJAS, passing the id on.
bool decodeJas(CxImage& target, CxFile* file, uint32_t id);
bool encodeJas(CxImage& source, CxFile* file, uint32_t id);
} // namespace cxformats
