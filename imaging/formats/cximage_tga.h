// CxImageTGA: Truevision TGA files, colour-mapped, true-colour and grey, raw or run-length encoded.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageTGA : public CxImage {
public:
    CxImageTGA()
        : CxImage(CXIMAGE_FORMAT_TGA)
    {
    }
    bool Decode(CxFile* file);
    /// Palette images as 8-bit colour-mapped (grey palettes as grey), 24-bit images as 24 or,
    /// with an alpha plane, 32 bits; uncompressed, bottom-left origin.
    bool Encode(CxFile* file);
};
