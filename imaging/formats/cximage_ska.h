// CxImageSKA: the SKA palette format, written and read by this program (layout in the source).
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageSKA : public CxImage {
public:
    CxImageSKA()
        : CxImage(CXIMAGE_FORMAT_SKA)
    {
    }
    bool Decode(CxFile* file);
    /// Palette images only: "SKA Images must be 8 bit or less" otherwise.
    bool Encode(CxFile* file);
};
