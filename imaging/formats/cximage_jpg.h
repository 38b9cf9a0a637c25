// CxImageJPG: JPEG files on libjpeg, with the EXIF block carried through and its resolution read.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageJPG : public CxImage {
public:
    /// What the EXIF block of the last decoded file said about resolution.
    struct CxExifInfo {
        bool isExif = false;     ///< an EXIF block was found and parsed
        double xResolution = 0;  ///< in dots per unit
        double yResolution = 0;
        int resolutionUnit = 2;  ///< 2 = inch, 3 = centimetre
    };

    CxImageJPG()
        : CxImage(CXIMAGE_FORMAT_JPG)
    {
    }
    bool Decode(CxFile* file);
    /// Writes 24-bit and gray-scale palette images at the image's quality.
    bool Encode(CxFile* file);
    /// Reads only the markers of a JPEG stream and parses its EXIF block into m_exifInfo.
    bool DecodeExif(CxFile* file);
    const CxExifInfo& ExifInfo() const { return m_exifInfo; }

private:
    CxExifInfo m_exifInfo;
};
