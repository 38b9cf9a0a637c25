// CxImageBMP: Windows bitmap files and bare DIBs.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageBMP : public CxImage {
public:
    CxImageBMP()
        : CxImage(CXIMAGE_FORMAT_BMP)
    {
    }
    /// Reads a BMP file or a bare DIB from the stream's current position.
    bool Decode(CxFile* file);
    /// Palette and 24-bit images as stored; 24-bit images with alpha as 32-bit files.
    bool Encode(CxFile* file);
};
