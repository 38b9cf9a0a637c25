// CxImageJPG: JPEG files on libjpeg, with the EXIF block carried through and its resolution read.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

class CxImageJPG : public CxImage {
public:
    /// What the EXIF block of the last decoded file said about resolution.
    struct CxExifInfo {
        bool isExif = false; ///< an EXIF block was found and parsed
        double xResolution = 0; ///< in dots per unit
        double yResolution = 0;
        int resolutionUnit = 2; ///< 2 = inch, 3 = centimetre
    };

    /// Bits of the JPEG codec option word (GetCodecOption/SetCodecOption with the JPEG id).
    enum Option : uint32_t {
        DECODE_QUANTIZE = 0x0001, ///< decode to an 8-bit palette of at most 256 colours
        DECODE_DITHER = 0x0002, ///< with DECODE_QUANTIZE: Floyd-Steinberg dithering
        DECODE_GRAYSCALE = 0x0004, ///< decode colour files as 8-bit gray
        ENCODE_PROGRESSIVE = 0x0010,
        ENCODE_OPTIMIZE = 0x0020, ///< optimised Huffman tables
        ENCODE_SMOOTHING = 0x0040, ///< smooth the input before encoding (dithered sources)
        ENCODE_SUBSAMPLE_422 = 0x0100,
        ENCODE_SUBSAMPLE_444 = 0x0200,
        ENCODE_BASELINE = 0x0400, ///< quantisation tables limited to baseline values
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
