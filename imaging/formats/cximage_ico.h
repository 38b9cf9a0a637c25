// CxImageICO: Windows icon and cursor files, every entry readable, icons writable.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageICO : public CxImage {
public:
    CxImageICO()
        : CxImage(CXIMAGE_FORMAT_ICO)
    {
    }
    /// Reads the current entry (or every entry with retrieve-all-frames). The AND mask, or the
    /// fourth byte of 32-bit entries, becomes the alpha plane; PNG-compressed entries are read too.
    bool Decode(CxFile* file);
    /// Writes a one-entry icon.
    bool Encode(CxFile* file);
    /// Writes count images as the entries of one icon. Images larger than 256 pixels are
    /// stored as PNG entries.
    bool Encode(CxFile* file, CxImage** images, int count);
};
