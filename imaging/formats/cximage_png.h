// CxImagePNG: PNG files on libpng.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImagePNG : public CxImage {
public:
    CxImagePNG()
        : CxImage(CXIMAGE_FORMAT_PNG)
    {
    }
    /// Every colour type and depth; 16-bit samples are reduced to 8, alpha goes to the alpha plane.
    bool Decode(CxFile* file);
    /// Palette, gray, RGB, and RGBA when the image has an alpha plane.
    bool Encode(CxFile* file);
};
