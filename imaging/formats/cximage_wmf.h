// CxImageWMF: Windows metafiles rendered by libwmf into 24-bit pictures. EMF files are
// recognised but not rendered (no packaged library plays them).
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageWMF : public CxImage {
public:
    CxImageWMF()
        : CxImage(CXIMAGE_FORMAT_WMF)
    {
    }
    /// Renders a placeable or plain WMF at its own size (96 dots per inch) on white.
    bool Decode(CxFile* file);
    /// Always fails: "Save WMF not supported".
    bool Encode(CxFile* file);
};
