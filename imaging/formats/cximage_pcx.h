// CxImagePCX: ZSoft PCX files of 1, 4, 8 and 24 bits, run-length encoded.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImagePCX : public CxImage {
public:
    CxImagePCX()
        : CxImage(CXIMAGE_FORMAT_PCX)
    {
    }
    bool Decode(CxFile* file);
    bool Encode(CxFile* file);
};
