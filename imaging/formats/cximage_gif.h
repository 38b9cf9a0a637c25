// CxImageGIF: GIF files on giflib, every frame readable, single and animated writing.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageGIF : public CxImage {
public:
    CxImageGIF()
        : CxImage(CXIMAGE_FORMAT_GIF)
    {
    }
    /// Reads the current frame (or every frame with retrieve-all-frames) onto a canvas of the
    /// logical screen size. The frame count is set even when the asked frame does not exist.
    bool Decode(CxFile* file);
    /// Writes this image as a single-frame GIF; 24-bit pictures are quantised to 256 colours.
    bool Encode(CxFile* file);
    /// Writes an animated GIF of count images. With localColorMap every frame carries its own
    /// colour table; otherwise the first image's palette is shared by all frames.
    bool Encode(CxFile* file, CxImage** images, int count, bool localColorMap = false);
};
