// CxImageMNG: MNG and JNG animations on libmng; reading a chosen frame, writing RGB pictures.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageMNG : public CxImage {
public:
    CxImageMNG()
        : CxImage(CXIMAGE_FORMAT_MNG)
    {
    }
    /// Renders the animation up to the current frame. The frame count is that of the MNG
    /// header, or the number of embedded images when the header leaves it open.
    bool Decode(CxFile* file);
    /// Writes a one-frame MNG of a 24-bit picture: "MNG encoder can save only RGB images" otherwise.
    bool Encode(CxFile* file);
};
