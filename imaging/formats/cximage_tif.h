// CxImageTIF: TIFF files on libtiff, multi-page reading and writing.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageTIF : public CxImage {
public:
    CxImageTIF()
        : CxImage(CXIMAGE_FORMAT_TIF)
    {
    }
    /// Reads the current page (or every page with retrieve-all-frames). 1, 4 and 8-bit palette
    /// and grey pages keep their indices; everything else is read as 24 bits (plus alpha).
    bool Decode(CxFile* file);
    /// Writes a single page. The TIFF codec option, when set, is the libtiff compression
    /// scheme; otherwise LZW is used.
    bool Encode(CxFile* file);
    /// Writes count images as the pages of one file.
    bool Encode(CxFile* file, CxImage** images, int count);
};
