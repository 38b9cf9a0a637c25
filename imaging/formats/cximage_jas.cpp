// CxImageJAS: recognition of the family's formats by their first bytes, and the table hooks.
#include "imaging/formats/cximage_jas.h"

#include <cstring>

namespace {

uint32_t sniff(CxFile* file)
{
    uint8_t b[12] = {};
    const int64_t start = file->Tell();
    const size_t n = file->Read(b, 1, sizeof(b));
    file->Seek(start, 0);
    static const uint8_t kJp2[12] = { 0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A };
    if (n >= 12 && std::memcmp(b, kJp2, 12) == 0)
        return CXIMAGE_FORMAT_JP2;
    if (n >= 4 && b[0] == 0xFF && b[1] == 0x4F && b[2] == 0xFF && b[3] == 0x51)
        return CXIMAGE_FORMAT_JPC;
    if (n >= 3 && b[0] == 'P' && b[1] == 'G' && (b[2] == ' ' || b[2] == '\t'))
        return CXIMAGE_FORMAT_PGX;
    if (n >= 3 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6'
        && (b[2] == ' ' || b[2] == '\t' || b[2] == '\r' || b[2] == '\n' || b[2] == '#'))
        return CXIMAGE_FORMAT_PNM;
    if (n >= 4 && b[0] == 0x59 && b[1] == 0xA6 && b[2] == 0x6A && b[3] == 0x95)
        return CXIMAGE_FORMAT_RAS;
    return CXIMAGE_FORMAT_UNKNOWN;
}

} // namespace

bool CxImageJAS::Decode(CxFile* file, uint32_t imageType)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    const uint32_t found = sniff(file);
    const bool jpeg2000 = found == CXIMAGE_FORMAT_JP2 || found == CXIMAGE_FORMAT_JPC;
    bool accepted;
    switch (imageType) {
    case CXIMAGE_FORMAT_UNKNOWN:
        accepted = found != CXIMAGE_FORMAT_UNKNOWN;
        break;
    case CXIMAGE_FORMAT_JP2:
    case CXIMAGE_FORMAT_JPC:
        accepted = jpeg2000;
        break;
    default:
        accepted = found == imageType;
        break;
    }
    if (!accepted) {
        SetLastError("JasPer: unknown or wrong format");
        return false;
    }
    switch (found) {
    case CXIMAGE_FORMAT_JP2:
    case CXIMAGE_FORMAT_JPC:
        return decodeJpeg2000(file, found == CXIMAGE_FORMAT_JP2);
    case CXIMAGE_FORMAT_PGX:
        return decodePgx(file);
    case CXIMAGE_FORMAT_PNM:
        return decodePnm(file);
    default:
        return decodeRas(file);
    }
}

bool CxImageJAS::Encode(CxFile* file, uint32_t imageType)
{
    if (EncodeSafeCheck(file))
        return false;
    switch (imageType) {
    case CXIMAGE_FORMAT_JP2:
    case CXIMAGE_FORMAT_JPC:
        return encodeJpeg2000(file, imageType == CXIMAGE_FORMAT_JP2);
    case CXIMAGE_FORMAT_PGX:
        return encodePgx(file);
    case CXIMAGE_FORMAT_PNM:
        return encodePnm(file);
    case CXIMAGE_FORMAT_RAS:
        return encodeRas(file);
    default:
        SetLastError("Encode: Unknown format");
        return false;
    }
}

namespace cxformats {

bool decodeJas(CxImage& target, CxFile* file, uint32_t id)
{
    CxImageJAS codec(id ? id : CXIMAGE_FORMAT_JP2);
    codec.CopyAttributes(target);
    const bool ok = codec.Decode(file, id);
    if (ok)
        target.TakeOver(codec, true);
    else
        target.SetLastError("%s", codec.GetLastError());
    return ok;
}

bool encodeJas(CxImage& source, CxFile* file, uint32_t id)
{
    CxImageJAS codec(id);
    codec.MakeAlias(source);
    const bool ok = codec.Encode(file, id);
    if (!ok)
        source.SetLastError("%s", codec.GetLastError());
    return ok;
}

} // namespace cxformats
