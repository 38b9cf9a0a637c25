// CxImageRAW: camera raw files (NEF, CR2, DNG, ...) developed by LibRaw into 24-bit pictures.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageRAW : public CxImage {
public:
    CxImageRAW()
        : CxImage(CXIMAGE_FORMAT_RAW)
    {
    }
    /// Develops the raw data with the camera's white balance into an 8-bit RGB picture. With
    /// escape -1 only the size is read.
    bool Decode(CxFile* file);
    /// Always fails: "Save RAW not supported".
    bool Encode(CxFile* file);
};
