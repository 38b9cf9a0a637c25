// CxImageWBMP: Wireless bitmaps: 1-bit, top-down, white = 1.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageWBMP : public CxImage {
public:
    CxImageWBMP()
        : CxImage(CXIMAGE_FORMAT_WBMP)
    {
    }
    bool Decode(CxFile* file);
    bool Encode(CxFile* file);
};
